// Time of one notification mail handed to an SMTP server on loopback.
#include "notify/mail/mail.h"
#include "runspecified.h"
#include "support/smtprig.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

QString g_server;

void BM_SendNotification(benchmark::State& state) {
    const tovik::mail::Message message{
        g_server, QStringLiteral("kanri@example.jp"), QStringLiteral("tovik@example.jp"),
        QStringLiteral("【Tovik】定時シャットダウンのお知らせ"),
        QStringLiteral("17:50 にシャットダウンします。\n作業中のファイルを保存してください。\n")};
    for (auto _ : state) {
        const QString line = tovik::mail::sendNotification(message);
        if (line != tovik::mail::kSentText) {
            state.SkipWithError(line.toUtf8().constData());
            break;
        }
    }
}

// One send per repetition, so the median is that of single sends.
BENCHMARK(BM_SendNotification)
    ->Iterations(1)
    ->Repetitions(30)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    tovik::testsupport::SmtpRig rig;
    if (!rig.start()) {
        std::fprintf(stderr, "SMTP server: %s\n", qPrintable(rig.errorString()));
        return 1;
    }
    g_server = rig.serverField();
    return tovik::bench::runSpecifiedBenchmarks(argc, argv);
}
