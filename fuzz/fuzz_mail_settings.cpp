// e-mail.ini bytes through LoadMailSettings, SaveMailSettings and LoadMailSettings again:
// a clean load's fields must read back exactly (fields 0-3 hold no line breaks by
// construction; the body's lines are joined with CR LF and written one per line).
#include "fuzzsupport.h"
#include "notify/mailsettings.h"

#include <QFile>
#include <QStringList>
#include <array>
#include <cstdint>

namespace {

class Fields final : public tovik::notify::MailFields {
public:
    QString text(tovik::notify::MailField field) const override {
        return m_texts.at(static_cast<std::size_t>(field));
    }
    void setText(tovik::notify::MailField field, const QString& text) override {
        m_texts.at(static_cast<std::size_t>(field)) = text;
    }
    QString dump() const {
        QStringList parts(m_texts.begin(), m_texts.end());
        return parts.join(QStringLiteral("\n|"));
    }

private:
    std::array<QString, tovik::notify::kMailFields.size()> m_texts;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString input = tovik::fuzz::scratchFolder() + QStringLiteral("/e-mail.ini");
    static const QString saved = tovik::fuzz::scratchFolder() + QStringLiteral("/saved-mail.ini");
    tovik::fuzz::writeBytes(input, reinterpret_cast<const char*>(data), size);

    Fields fields;
    const auto loaded = tovik::notify::LoadMailSettings(input, fields, [] {});
    using tovik::notify::MailField;
    const MailField oneLine[] = {MailField::Server, MailField::To, MailField::From,
                                 MailField::Subject};
    for (const MailField f : oneLine) {
        if (fields.text(f).contains(u'\r') || fields.text(f).contains(u'\n'))
            tovik::fuzz::fail("a one-line field holds a line break");
    }
    if (loaded.status != tovik::notify::kMailOk)
        return 0;

    QFile::remove(saved);
    bool keepBackup = false;
    const int status = tovik::notify::SaveMailSettings(saved, fields, keepBackup);
    if (status == tovik::notify::kMailNothingToSave)
        return 0;
    if (status != tovik::notify::kMailOk)
        tovik::fuzz::fail("save failed");

    Fields again;
    const auto reloaded = tovik::notify::LoadMailSettings(saved, again, [] {});
    if (reloaded.status != tovik::notify::kMailOk)
        tovik::fuzz::fail("the saved file does not load cleanly");
    for (const MailField f : oneLine) {
        if (again.text(f) != fields.text(f))
            tovik::fuzz::fail("a one-line field differs after save and load",
                              fields.dump() + QStringLiteral("\n----\n") + again.dump());
    }
    if (again.text(MailField::Body) != fields.text(MailField::Body))
        tovik::fuzz::fail("the body differs after save and load",
                          fields.dump() + QStringLiteral("\n----\n") + again.dump());
    return 0;
}
