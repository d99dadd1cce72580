// Time of one notification mail handed to an SMTP server on loopback.
#include "notify/mail/mail.h"
#include "runnamed.h"
#include "support/fakesecretstore.h"
#include "support/smtprig.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

QString g_server;
QString g_loginServer;
tovik::mail::SendOptions g_loginOptions;

void BM_SendNotification(benchmark::State& state) {
    const tovik::mail::Message message{
        g_server, QStringLiteral("kanri@example.jp"), QStringLiteral("tovik@example.jp"),
        QStringLiteral("【Tovik】定時シャットダウンのお知らせ"),
        QStringLiteral("17:50 にシャットダウンします。\n作業中のファイルを保存してください。\n")};
    for (auto _ : state) {
        const QString line = tovik::mail::logMessage(
            tovik::mail::sendNotification(message, QDateTime::currentDateTime()));
        if (line != tovik::mail::kSentText) {
            state.SkipWithError(line.toUtf8().constData());
            break;
        }
    }
}

// STARTTLS, certificate check and AUTH PLAIN, the password from an in-memory store.
void BM_SendStartTlsLogin(benchmark::State& state) {
    const tovik::mail::Message message{
        g_loginServer, QStringLiteral("kanri@example.jp"), QStringLiteral("tovik@example.jp"),
        QStringLiteral("【Tovik】定時シャットダウンのお知らせ"),
        QStringLiteral("17:50 にシャットダウンします。\n作業中のファイルを保存してください。\n")};
    for (auto _ : state) {
        const QString line = tovik::mail::logMessage(
            tovik::mail::sendNotification(message, QDateTime::currentDateTime(), g_loginOptions));
        if (line != tovik::mail::kSentText) {
            state.SkipWithError(line.toUtf8().constData());
            break;
        }
    }
}

// One send per repetition, so the median is that of single sends.
BENCHMARK(BM_SendStartTlsLogin)
    ->Iterations(1)
    ->Repetitions(30)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

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
    tovik::testsupport::SmtpRig loginRig;
    loginRig.setTls(tovik::testsupport::SmtpRig::Tls::StartTls);
    loginRig.setLogin(QStringLiteral("tovik"), QStringLiteral("secret"));
    if (!loginRig.start()) {
        std::fprintf(stderr, "SMTP server: %s\n", qPrintable(loginRig.errorString()));
        return 1;
    }
    g_loginServer = QStringLiteral("smtp://tovik@localhost:%1").arg(loginRig.port());
    tovik::testsupport::FakeSecretStore store;
    store.secrets.insert(
        tovik::mail::secretKey(QStringLiteral("tovik"), QStringLiteral("localhost")),
        QStringLiteral("secret"));
    g_loginOptions.caFile = loginRig.caFile();
    g_loginOptions.secrets = &store;
    return tovik::bench::runSpecifiedBenchmarks(argc, argv);
}
