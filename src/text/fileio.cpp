// Whole-file reads, atomic replaces and appends; the platform tells why a call failed.
#include "fileio.h"

#include "syserror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tovik::text {

namespace {

using syserror::Cause;

// Qt reports only "open failed"; the platform's record of the failing call tells why.
FileError classify(Cause cause, const QString& path, bool reading) {
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return errorFor(errors::kPathNotFound);
    switch (cause) {
    case Cause::NotFound:
        return errorFor(reading ? errors::kFileNotFound : errors::kPathNotFound);
    case Cause::PathNotFound:
        return errorFor(errors::kPathNotFound);
    case Cause::Denied:
        if (reading)
            return {errors::kPermissionDenied, QStringLiteral("読み込みできません。")};
        return errorFor(errors::kPermissionDenied);
    case Cause::DiskFull:
        return errorFor(errors::kDiskFull);
    case Cause::DeviceIo:
        return errorFor(errors::kDeviceIo);
    case Cause::None:
    case Cause::Other:
        break;
    }
    if (reading && !info.exists())
        return errorFor(errors::kFileNotFound);
    return errorFor(errors::kPathFileAccess);
}

FileError writeFailure(Cause cause) {
    return cause == Cause::DiskFull ? errorFor(errors::kDiskFull) : errorFor(errors::kDeviceIo);
}

} // namespace

FileError errorFor(int number) {
    switch (number) {
    case errors::kOverflow:
        return {number, QStringLiteral("オーバーフローしました。")};
    case errors::kSubscriptOutOfRange:
        return {number, QStringLiteral("インデックスが有効範囲にありません。")};
    case errors::kFileNotFound:
        return {number, QStringLiteral("ファイルが見つかりません。")};
    case errors::kDeviceIo:
        return {number, QStringLiteral("デバイス I/O エラーです。")};
    case errors::kDiskFull:
        return {number, QStringLiteral("ディスクの空き容量が不足しています。")};
    case errors::kPermissionDenied:
        return {number, QStringLiteral("書き込みできません。")};
    case errors::kPathFileAccess:
        return {number, QStringLiteral("パス名が無効です。")};
    case errors::kPathNotFound:
        return {number, QStringLiteral("パスが見つかりません。")};
    default:
        return {number, QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。")};
    }
}

std::unique_ptr<QFile> FileDevices::file(const QString& path) const {
    return std::make_unique<QFile>(path);
}

std::unique_ptr<QSaveFile> FileDevices::saveFile(const QString& path) const {
    return std::make_unique<QSaveFile>(path);
}

const FileDevices& diskDevices() {
    static const FileDevices disk;
    return disk;
}

FileError readWholeFile(const QString& path, QByteArray& out, const FileDevices& devices) {
    const auto device = devices.file(path);
    QFile& file = *device;
    syserror::clear();
    if (!file.open(QIODevice::ReadOnly))
        return classify(syserror::last(), path, true);
    if (QFileInfo(path).isDir())
        return errorFor(errors::kPathFileAccess);
    out = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return errorFor(errors::kDeviceIo);
    return {};
}

FileError replaceRefusal(const QString& path) {
    const QFileInfo info(path);
    // exists() and isFile() look through links: a link counts as what it points at, and a
    // link to nothing as something that is not a file.
    if (info.isFile() || (!info.exists() && !info.isSymbolicLink()))
        return {};
    return {errors::kPathFileAccess,
            QStringLiteral("通常のファイルではないため、書き込みませんでした。→") +
                QDir::toNativeSeparators(path)};
}

FileError replaceFile(const QString& path, const QByteArray& bytes, const FileDevices& devices) {
    if (FileError refused = replaceRefusal(path); refused.failed())
        return refused;
    const auto device = devices.saveFile(path);
    QSaveFile& file = *device;
    syserror::clear();
    if (!file.open(QIODevice::WriteOnly))
        return classify(syserror::last(), path, false);
    syserror::clear();
    // QSaveFile buffers small writes, and commit() still renames when the flush inside it
    // failed: a full disk would leave an empty file. Flush here and look at the outcome.
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        const Cause cause = syserror::last();
        file.cancelWriting();
        return writeFailure(cause);
    }
    syserror::clear();
    if (!file.commit()) {
        const Cause cause = syserror::last();
        if (cause == Cause::DiskFull)
            return errorFor(errors::kDiskFull);
        return classify(cause, path, false);
    }
    return {};
}

FileError appendToFile(const QString& path, const QByteArray& bytes, const FileDevices& devices) {
    const auto device = devices.file(path);
    QFile& file = *device;
    syserror::clear();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return classify(syserror::last(), path, false);
    syserror::clear();
    const qint64 written = file.write(bytes);
    const bool flushed = file.flush();
    if (written != bytes.size() || !flushed)
        return writeFailure(syserror::last());
    return {};
}

FileError copyFileOver(const QString& from, const QString& to, const FileDevices& devices) {
    QByteArray bytes;
    if (FileError e = readWholeFile(from, bytes, devices); e.failed())
        return e;
    return replaceFile(to, bytes, devices);
}

} // namespace tovik::text
