#include "benchsupport.h"

#include "runnamed.h"
#include "text/cp932.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace tovik::bench {

// Built once, like the program's own clock, which converts to local time once a second.
QDateTime fixedNow() {
    static const QDateTime now(QDate(2026, 12, 6), QTime(12, 30, 15));
    return now;
}

QByteArray makeScheduleBytes(int n, int year) {
    static const QString actions[] = {QStringLiteral("シャットダウン"), QStringLiteral("再起動"),
                                      QStringLiteral("ログオフ")};
    static const QString options[] = {QString(), QStringLiteral("+SENDMAIL"),
                                      QStringLiteral("+SAVELOG"),
                                      QStringLiteral("+SENDMAIL+SAVELOG")};
    QString text;
    text.reserve(n * 48);
    for (int i = 0; i < n; ++i) {
        const QDate date(year, 1 + i % 12, 1 + i % 28);
        const QString when = i % 5 == 4 ? QStringLiteral("毎週：%1(曜日) %2 %3:%4:00")
                                              .arg(1 + date.dayOfWeek() % 7)
                                              .arg(date.toString(QStringLiteral("yyyy/MM/dd")))
                                              .arg(i % 24, 2, 10, QLatin1Char('0'))
                                              .arg(i % 60, 2, 10, QLatin1Char('0'))
                                        : QStringLiteral("%1 %2:%3:00")
                                              .arg(date.toString(QStringLiteral("yyyy/MM/dd")))
                                              .arg(i % 24, 2, 10, QLatin1Char('0'))
                                              .arg(i % 60, 2, 10, QLatin1Char('0'));
        text += when + u',' + actions[i % 3] + u',' + options[i % 4] + QStringLiteral("\r\n");
    }
    return text::encodeCp932(text);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

BenchWindow::BenchWindow() {
    if (!m_fixture.dir.isValid())
        std::abort();
    m_form = m_fixture.create();
    m_form->TIM_MAIN->stop();
}

BenchWindow::~BenchWindow() = default;

void BenchWindow::showOnTab(int tab) {
    m_form->TAB1->setCurrentIndex(tab);
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form.get()))
        std::abort();
    // Let the first layout and paint happen before anything is measured.
    QTest::qWait(50);
}

int runBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return tovik::bench::runSpecifiedBenchmarks(argc, argv);
}

} // namespace tovik::bench
