// e-mail.ini: the five mail fields, one per line (the body may run over several lines).
#pragma once

#include "text/fileio.h"

#include <QString>
#include <array>
#include <functional>

namespace tovik::notify {

inline constexpr int kMailOk = 0;
inline constexpr int kMailError = -1;
inline constexpr int kMailNothingToSave = -10;
// The five fields, in the order of the file's lines (and of TXT_MAIL(0) to TXT_MAIL(4)); the
// body runs from the fifth line to the end.
enum class MailField { Server = 0, To = 1, From = 2, Subject = 3, Body = 4 };
inline constexpr std::array<MailField, 5> kMailFields{
    MailField::Server, MailField::To, MailField::From, MailField::Subject, MailField::Body};

class MailFields {
public:
    virtual ~MailFields() = default;
    virtual QString text(MailField field) const = 0;
    virtual void setText(MailField field, const QString& text) = 0;
};

struct MailLoadResult {
    int status = kMailOk;
    // The file held bytes that could not be decoded: keep it before overwriting it.
    bool keepBackup = false;
};

// Fills the fields from the file: lines 1-4 into fields 0-3, line 5 to the end into the
// body (joined with CR LF). yield runs before each line.
MailLoadResult LoadMailSettings(const QString& path, MailFields& fields,
                                const std::function<void()>& yield,
                                const text::FileDevices& devices = text::diskDevices());

// Writes all five fields unless server, recipient and sender are all empty (-10). With
// keepBackup the old file is first copied to path + ".bak". Other failures only give -1, but
// a target that is no regular file is also shown through refusals, naming the file: the
// user made it so and would otherwise never learn why nothing is kept.
[[nodiscard]] int SaveMailSettings(const QString& path, const MailFields& fields, bool& keepBackup,
                                   text::FileErrorReporter* refusals = nullptr,
                                   const text::FileDevices& devices = text::diskDevices());

// The file's text for the fields.
QString mailSettingsText(const MailFields& fields);

} // namespace tovik::notify
