// Shared set-up of the window benchmarks: an offscreen application, a safe Form1, test files.
#pragma once

#include "support/windowfixture.h"
#include "ui/form1.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace tovik::bench {

// The clock every window benchmark runs at: nothing in makeScheduleBytes is ever due then.
QDateTime fixedNow();

// n schedule lines in CP932 with CR LF, one-off and weekly entries mixed, all dated in
// the given year (2001 keeps them from ever being due at fixedNow()).
QByteArray makeScheduleBytes(int n, int year = 2001);

void writeFile(const QString& path, const QByteArray& bytes);

// A Form1 in a temporary application folder, with the recording power backend, a fixed
// clock and a recording presenter, its timer stopped so that only the benchmark ticks.
class BenchWindow {
public:
    BenchWindow();
    ~BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    ui::Form1& form() { return *m_form; }
    QString file(const QString& name) const { return m_fixture.file(name); }

    // Shows the window with the given tab current and lets it paint.
    void showOnTab(int tab);

private:
    testing::WindowFixture m_fixture{fixedNow()};
    std::unique_ptr<ui::Form1> m_form;
};

// Runs the benchmarks registered in the program inside a QApplication (offscreen unless
// the caller chose a platform).
int runBenchmarks(int argc, char** argv);

} // namespace tovik::bench
