// Devices that fail the way a disk does, for the file routines' error paths: handed in
// through text::FileDevices instead of the disk's own.
#pragma once

#include "support/systemerror.h"
#include "text/fileio.h"

#include <QFile>
#include <QSaveFile>
#include <cerrno>

namespace tovik::testing {

class FailingDevices final : public text::FileDevices {
public:
    enum class Failure {
        OpenRead,  // opening for reading is refused
        OpenWrite, // creating or replacing is refused
        Write,     // writes fail, as on a full disk
    };

    // errnoValue is what the failing system call would have set (EACCES, ENOSPC, ...).
    // Only paths ending in pathSuffix fail; an empty suffix means every path.
    FailingDevices(Failure failure, int errnoValue, QString pathSuffix = {})
        : m_failure(failure), m_errno(errnoValue), m_suffix(std::move(pathSuffix)) {}

    std::unique_ptr<QFile> file(const QString& path) const override {
        if (!applies(path))
            return FileDevices::file(path);
        return std::make_unique<FailFile>(path, *this);
    }
    std::unique_ptr<QSaveFile> saveFile(const QString& path) const override {
        if (!applies(path) || m_failure == Failure::OpenRead)
            return FileDevices::saveFile(path);
        return std::make_unique<FailSaveFile>(path, *this);
    }

private:
    bool applies(const QString& path) const { return path.endsWith(m_suffix); }

    class FailFile final : public QFile {
    public:
        FailFile(const QString& path, const FailingDevices& owner) : QFile(path), m_owner(owner) {}
        bool open(OpenMode mode) override {
            const Failure refused = mode & WriteOnly ? Failure::OpenWrite : Failure::OpenRead;
            if (m_owner.m_failure == refused) {
                setSystemError(m_owner.m_errno);
                return false;
            }
            return QFile::open(mode);
        }

    protected:
        qint64 writeData(const char* data, qint64 size) override {
            if (m_owner.m_failure != Failure::Write)
                return QFile::writeData(data, size);
            setSystemError(m_owner.m_errno);
            return -1;
        }

    private:
        const FailingDevices& m_owner;
    };

    class FailSaveFile final : public QSaveFile {
    public:
        FailSaveFile(const QString& path, const FailingDevices& owner)
            : QSaveFile(path), m_owner(owner) {}
        bool open(OpenMode mode) override {
            if (m_owner.m_failure == Failure::OpenWrite) {
                setSystemError(m_owner.m_errno);
                return false;
            }
            return QSaveFile::open(mode);
        }

    protected:
        qint64 writeData(const char* data, qint64 size) override {
            if (m_owner.m_failure != Failure::Write)
                return QSaveFile::writeData(data, size);
            setSystemError(m_owner.m_errno);
            return -1;
        }

    private:
        const FailingDevices& m_owner;
    };

    Failure m_failure;
    int m_errno;
    QString m_suffix;
};

} // namespace tovik::testing
