// A real full disk for tests: a small tmpfs mounted in a temporary folder and filled up
// (Linux only; the mount lives in fulldisk_posix.cpp).
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace tovik::testing {

class FullDisk final {
public:
    // Mounts a 64 KiB tmpfs; only root on Linux may, elsewhere isReady() stays false.
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool isReady() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Takes every free block, so the next write of any size fails.
    void fill() {
        QFile filler(filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        // Partial blocks too: a last byte at a time until nothing fits.
        while (filler.write("x", 1) == 1 && filler.flush()) {
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace tovik::testing
