// File helpers for tests: raw bytes in and out.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tovik::testing {

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace tovik::testing
