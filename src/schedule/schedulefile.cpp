#include "schedulefile.h"

#include "text/textlines.h"

#include <QFileInfo>

namespace tovik::schedule {

using text::FileError;

QString fileErrorMessage(const FileError& error) {
    return QStringLiteral("エラーが生じました。\r\nエラー番号:") + QString::number(error.number) +
           QStringLiteral("\r\n内容:") + error.description;
}

LoadResult LoadSchedule(const QString& path, ScheduleRows& rows, const std::function<void()>& yield,
                        FileErrorReporter& reporter, const text::FileDevices& devices) {
    QByteArray bytes;
    if (FileError e = text::readWholeFile(path, bytes, devices); e.failed()) {
        reporter.showFileError(e);
        return {false};
    }
    bool clean = true;
    const QStringList lines = text::splitLines(text::decodeFileText(bytes, &clean));
    // Bytes that had to be replaced would be lost by the next save: keep the original.
    LoadResult result{clean};

    int counter = 0;
    for (const QString& line : lines) {
        yield();
        if (counter == kMaxEntries) {
            reporter.showFileError(text::errorFor(text::errors::kOverflow));
            return {false};
        }
        ++counter;
        const QStringList fields =
            line.isEmpty() ? QStringList() : line.split(u',', Qt::KeepEmptyParts);
        rows.append(QString::number(counter));
        // The entry just appended; a handler run during the yield may have added others.
        const int position = rows.count();
        const Column columns[] = {Column::When, Column::Action, Column::Options};
        for (int f = 0; f < 3; ++f) {
            if (f >= fields.size()) {
                reporter.showFileError(text::errorFor(text::errors::kSubscriptOutOfRange));
                return {false};
            }
            rows.setText(position, columns[f], fields.at(f));
        }
    }
    return result;
}

QByteArray scheduleFileBytes(const ScheduleRows& rows) {
    QString content;
    const int n = rows.count();
    for (int i = 1; i <= n; ++i) {
        content += rows.text(i, Column::When);
        content += u',';
        content += rows.text(i, Column::Action);
        content += u',';
        content += rows.text(i, Column::Options);
        content += QLatin1String(text::kCrLf);
    }
    return text::encodeSettingsText(content);
}

void SaveSchedule(const QString& path, const ScheduleRows& rows, FileErrorReporter& reporter,
                  bool& keepBackup, bool cleared, const text::FileDevices& devices) {
    if (rows.count() == 0 && !cleared)
        return;
    if (keepBackup && QFileInfo(path).isFile()) {
        if (FileError e = text::copyFileOver(path, path + QStringLiteral(".bak"), devices);
            e.failed()) {
            // Without the copy the unread lines would be gone: leave the file alone.
            reporter.showFileError(e);
            return;
        }
    }
    keepBackup = false;
    if (FileError e = text::replaceFile(path, scheduleFileBytes(rows), devices); e.failed())
        reporter.showFileError(e);
}

void RemoveScheduleItem(ScheduleRows& rows, int position) {
    rows.remove(position);
}

} // namespace tovik::schedule
