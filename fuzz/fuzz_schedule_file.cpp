// schedule.ini bytes through LoadSchedule, SaveSchedule and LoadSchedule again. A complete
// load yields fields without commas or line breaks, so what was loaded must load back
// exactly from what was saved (extra fields after the third are dropped by the first load).
#include "fuzzsupport.h"
#include "schedule/schedulefile.h"
#include "support/fakerows.h"
#include "text/textlines.h"

#include <QFile>
#include <cstdint>

using tovik::testing::FakeRows;
using tovik::testing::RecordingReporter;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString input = tovik::fuzz::scratchFolder() + QStringLiteral("/schedule.ini");
    static const QString saved = tovik::fuzz::scratchFolder() + QStringLiteral("/saved.ini");
    tovik::fuzz::writeBytes(input, reinterpret_cast<const char*>(data), size);

    FakeRows rows;
    RecordingReporter reporter;
    int yields = 0;
    const auto result = tovik::schedule::LoadSchedule(
        input, rows, [&yields] { ++yields; }, reporter);
    if (!result.complete || !reporter.errors.isEmpty())
        return 0;

    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A clean UTF-8 load must be lossless: the text is the file's bytes after the mark.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bool clean = false;
        const QString text = tovik::text::decodeFileText(bytes, &clean);
        if (clean && text.toUtf8() != bytes.mid(3))
            tovik::fuzz::fail("UTF-8 file reported clean but its text differs from its bytes");
    }
    if (yields != rows.count())
        tovik::fuzz::fail("one yield per line expected");
    for (int i = 1; i <= rows.count(); ++i) {
        if (rows.text(i, tovik::schedule::Column::Number) != QString::number(i))
            tovik::fuzz::fail("entry numbers are not 1..n");
    }

    QFile::remove(saved);
    bool keepBackup = false;
    tovik::schedule::SaveSchedule(saved, rows, reporter, keepBackup);
    if (!reporter.errors.isEmpty())
        tovik::fuzz::fail("save reported an error");
    if (rows.count() == 0) {
        if (QFile::exists(saved))
            tovik::fuzz::fail("an empty list wrote a file");
        return 0;
    }

    FakeRows again;
    const auto second = tovik::schedule::LoadSchedule(
        saved, again, [] {}, reporter);
    if (!second.complete || !reporter.errors.isEmpty())
        tovik::fuzz::fail("the saved file does not load completely");
    if (again.dump() != rows.dump())
        tovik::fuzz::fail("entries differ after save and load", rows.dump().join(u'\n') +
                                                                    QStringLiteral("\n----\n") +
                                                                    again.dump().join(u'\n'));
    return 0;
}
