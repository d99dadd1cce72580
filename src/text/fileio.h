// Whole-file reads, atomic replaces and appends, with errors as number + description.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <memory>

namespace tovik::text {

// An error as the user sees it: the classic runtime's number and its Japanese text.
struct FileError {
    int number = 0;
    QString description;
    bool failed() const { return number != 0; }
};

// Shows a file error to the user: the file error message box, or where nobody may be there
// to answer one, a notice.
class FileErrorReporter {
public:
    virtual ~FileErrorReporter() = default;
    virtual void showFileError(const FileError& error) = 0;
};

// The errors the program reports, in the classic runtime's numbering.
namespace errors {
inline constexpr int kOverflow = 6;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIo = 57;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
} // namespace errors

// The error with that number and its standard description.
FileError errorFor(int number);

// Where the file routines get their devices: the disk's own QFile and QSaveFile. Tests hand
// in devices that fail the way a full disk or a broken medium does.
class FileDevices {
public:
    virtual ~FileDevices() = default;
    // For reading and appending.
    virtual std::unique_ptr<QFile> file(const QString& path) const;
    // For replacing: written to the side, renamed over the file on commit.
    virtual std::unique_ptr<QSaveFile> saveFile(const QString& path) const;
};
const FileDevices& diskDevices();

[[nodiscard]] FileError readWholeFile(const QString& path, QByteArray& out,
                                      const FileDevices& devices = diskDevices());
// Why path must not be replaced, naming it: anything but a regular file, a link to one or
// nothing at all. A save must never turn a device, a FIFO or a folder into a file, least of
// all as root through a link such as schedule.ini -> /dev/null. No error when it may be.
[[nodiscard]] FileError replaceRefusal(const QString& path);
// Replaces the file only when every byte was written (QSaveFile), and never what
// replaceRefusal refuses. A save killed before its rename may leave "path.XXXXXX" behind
// (on Linux seldom even that: the temporary file has no name); nothing removes it, since a
// user's own file can look the same.
[[nodiscard]] FileError replaceFile(const QString& path, const QByteArray& bytes,
                                    const FileDevices& devices = diskDevices());
// Appends, creating the file but never its folder.
[[nodiscard]] FileError appendToFile(const QString& path, const QByteArray& bytes,
                                     const FileDevices& devices = diskDevices());
// Copies a file over any older copy at the target.
[[nodiscard]] FileError copyFileOver(const QString& from, const QString& to,
                                     const FileDevices& devices = diskDevices());

} // namespace tovik::text
