// e-mail.ini: the five mail fields, one per line (the body may run over several lines).
#pragma once

#include "text/fileio.h"

#include <QString>
#include <functional>

namespace tovik::notify {

inline constexpr int kMailOk = 0;
inline constexpr int kMailError = -1;
inline constexpr int kMailNothingToSave = -10;
inline constexpr int kMailFieldCount = 5;

// The five fields: 0 server, 1 recipient, 2 sender, 3 subject, 4 body.
class MailFields {
public:
    virtual ~MailFields() = default;
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString& text) = 0;
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
// keepBackup the old file is first copied to path + ".bak".
int SaveMailSettings(const QString& path, const MailFields& fields, bool& keepBackup,
                     const text::FileDevices& devices = text::diskDevices());

// The file's text for the fields.
QString mailSettingsText(const MailFields& fields);

} // namespace tovik::notify
