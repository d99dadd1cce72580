// CP932 (Windows-31J) text: the encoding of the settings and log files.
#pragma once

#include <QByteArray>
#include <QString>

namespace tovik::text {

// Decodes CP932 bytes. Bytes that are not valid CP932 become U+FFFD; *ok (if given)
// turns false when that happened.
QString decodeCp932(const QByteArray& bytes, bool* ok = nullptr);

// Encodes to CP932. Characters CP932 cannot hold become '?'; *ok (if given) turns
// false when that happened.
QByteArray encodeCp932(const QString& text, bool* ok = nullptr);

// True when every character of the text has a CP932 form.
bool fitsCp932(const QString& text);

} // namespace tovik::text
