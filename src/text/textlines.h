// Reading and writing the program's text files: CP932 or UTF-8 with BOM, any line end.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tovik::text {

inline constexpr char kCrLf[] = "\r\n";

// The most lines a settings file is read to, and the most entries a schedule holds: the
// classic 16-bit line counter's limit, which stored files were written under.
inline constexpr int kMaxLines = 32767;

// Decodes a settings or schedule file: UTF-8 when it starts with a byte-order mark,
// CP932 otherwise. *ok turns false when bytes had to be replaced.
QString decodeFileText(const QByteArray& bytes, bool* ok = nullptr);

// Splits text at CR LF, LF or a lone CR. A line end after the last line does not
// start another line, so "a\r\n" is one line and "" is none.
QStringList splitLines(const QString& text);

// Encodes a settings file: CP932 when it can hold every character, otherwise UTF-8
// with a byte-order mark so that nothing is lost.
QByteArray encodeSettingsText(const QString& text);

// Turns every line end (CR LF, LF, lone CR) into lineEnd, CR LF unless told otherwise.
QString normalizeLineEnds(const QString& text, QStringView lineEnd = u"\r\n");

} // namespace tovik::text
