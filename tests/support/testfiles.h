// File helpers for tests: raw bytes in and out, and texts as the files hold them.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "text/cp932.h"

namespace tovik::testing {

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A text as CP932 bytes, as schedule.ini and e-mail.ini hold it.
inline QByteArray sj(const QString& text) {
    return text::encodeCp932(text);
}

} // namespace tovik::testing
