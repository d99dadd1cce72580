// The full disk on Linux: a tmpfs of 64 KiB, which only root may mount.
#include "support/fulldisk.h"

#include <QProcess>
#include <unistd.h>

namespace tovik::testing {

FullDisk::FullDisk() {
    if (::geteuid() != 0 || !m_dir.isValid())
        return;
    m_mounted =
        QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=64k"), QStringLiteral("tmpfs"), m_dir.path()}) == 0;
}

FullDisk::~FullDisk() {
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
}

} // namespace tovik::testing
