// File helpers for tests: raw bytes in and out, and a scoped file-system fault.
#pragma once

#include "text/fileio.h"

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

// While it lives, every file operation of one kind fails with the given error number.
class ScopedFault final {
public:
    ScopedFault(text::FileOp op, int number) {
        text::setFaultInjectorForTesting(
            [op, number](text::FileOp actual, const QString&) -> std::optional<text::FileError> {
                if (actual == op)
                    return text::errorFor(number);
                return std::nullopt;
            });
    }
    ~ScopedFault() { text::setFaultInjectorForTesting({}); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
};

} // namespace tovik::testing
