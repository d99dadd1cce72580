// Small helpers shared by the fuzz targets.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace tovik::fuzz {

// A folder of this process on tmpfs when there is one: the targets write a file per input.
// scripts/fuzz.sh passes a folder of its own in TOVIK_FUZZ_SCRATCH and removes it afterwards.
inline QString scratchFolder() {
    static const QString folder = [] {
        QString base = qEnvironmentVariable("TOVIK_FUZZ_SCRATCH");
        if (base.isEmpty())
            base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                             : QDir::tempPath();
        const QString path = base + QStringLiteral("/tovik-fuzz-") + QString::number(getpid());
        QDir().mkpath(path);
        return path;
    }();
    return folder;
}

inline void writeBytes(const QString& path, const char* data, std::size_t size) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(data, static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

// A broken property: print it and abort so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what, const QString& detail = {}) {
    std::fprintf(stderr, "property broken: %s %s\n", what, qUtf8Printable(detail));
    std::abort();
}

} // namespace tovik::fuzz
