#include "mailsettings.h"

#include "text/fileio.h"
#include "text/textlines.h"

#include <QFileInfo>

namespace tovik::notify {

MailLoadResult LoadMailSettings(const QString& path, MailFields& fields,
                                const std::function<void()>& yield,
                                const text::FileDevices& devices) {
    QByteArray bytes;
    if (text::readWholeFile(path, bytes, devices).failed())
        return {kMailError, false};
    bool clean = true;
    const QStringList lines = text::splitLines(text::decodeFileText(bytes, &clean));
    MailLoadResult result{clean ? kMailOk : kMailError, !clean};

    QStringList body;
    int counter = 0;
    for (const QString& line : lines) {
        yield();
        if (counter == text::kMaxLines) {
            // The save would cut the file here: keep the whole of it first.
            result.status = kMailError;
            result.keepBackup = true;
            break;
        }
        ++counter;
        if (counter < 5)
            fields.setText(kMailFields.at(static_cast<std::size_t>(counter - 1)), line);
        else
            body.append(line);
    }
    if (counter >= 5)
        fields.setText(MailField::Body, body.join(QLatin1String(text::kCrLf)));
    return result;
}

QString mailSettingsText(const MailFields& fields) {
    QString content;
    for (const MailField field :
         {MailField::Server, MailField::To, MailField::From, MailField::Subject})
        content += fields.text(field) + QLatin1String(text::kCrLf);
    // Every body line, a last empty one included, gets its own line end so that
    // the body reads back exactly.
    const QString body = text::normalizeLineEnds(fields.text(MailField::Body));
    content += body + QLatin1String(text::kCrLf);
    return content;
}

int SaveMailSettings(const QString& path, const MailFields& fields, bool& keepBackup,
                     text::FileErrorReporter* refusals, const text::FileDevices& devices) {
    if (fields.text(MailField::Server).isEmpty() && fields.text(MailField::To).isEmpty() &&
        fields.text(MailField::From).isEmpty())
        return kMailNothingToSave;
    if (const text::FileError refused = text::replaceRefusal(path); refused.failed()) {
        if (refusals)
            refusals->showFileError(refused);
        return kMailError;
    }
    if (keepBackup && QFileInfo(path).isFile()) {
        if (text::copyFileOver(path, path + QStringLiteral(".bak"), devices).failed())
            return kMailError;
    }
    keepBackup = false;
    const QByteArray bytes = text::encodeSettingsText(mailSettingsText(fields));
    return text::replaceFile(path, bytes, devices).failed() ? kMailError : kMailOk;
}

} // namespace tovik::notify
