// Start at login: where the autostart entry goes, what it says, and the Run key's value.
#include "app/loginstart.h"
#include "support/fakerunkeyvalues.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tovik;

class TestLoginStart : public QObject {
    Q_OBJECT
private slots:
    void configHome_data();
    void configHome();
    void execLine_data();
    void execLine();
    void desktopsStartTheEntry_data();
    void desktopsStartTheEntry();
    void writtenAndRemoved();
    void unwritableFolderIsReported();
    void runKey();
};

void TestLoginStart::configHome_data() {
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_CONFIG_HOME set") << "/cfg"
                                         << "/home/u"
                                         << "/cfg";
    QTest::newRow("unset") << ""
                           << "/home/u"
                           << "/home/u/.config";
    QTest::newRow("relative is ignored") << "cfg"
                                         << "/home/u"
                                         << "/home/u/.config";
    QTest::newRow("nothing known") << ""
                                   << ""
                                   << "";
}

void TestLoginStart::configHome() {
    QFETCH(QString, xdg);
    QFETCH(QString, home);
    QFETCH(QString, expected);
    QCOMPARE(app::xdgConfigHome(xdg, home), expected);
}

void TestLoginStart::execLine_data() {
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/opt/tovik/tovik"
                           << "Exec=/opt/tovik/tovik";
    QTest::newRow("space") << "/home/a b/tovik"
                           << "Exec=\"/home/a b/tovik\"";
    QTest::newRow("dollar") << "/home/x$y/tovik"
                            << "Exec=\"/home/x\\\\$y/tovik\"";
    QTest::newRow("backslash") << "/tmp/a\\b/tovik"
                               << "Exec=\"/tmp/a\\\\\\\\b/tovik\"";
    QTest::newRow("Japanese folder") << "/home/u/ツール/tovik"
                                     << "Exec=/home/u/ツール/tovik";
}

void TestLoginStart::execLine() {
    QFETCH(QString, executable);
    QFETCH(QString, exec);
    const QStringList lines = app::autostartEntryText(executable).split(u'\n');
    QCOMPARE(lines.first(), u"[Desktop Entry]"_qs);
    QVERIFY(lines.contains(u"Type=Application"_qs));
    QCOMPARE(lines.filter(QRegularExpression(u"^Exec="_qs)), QStringList{exec});
}

// The entry passes the validator, and GLib's loader starts exactly this executable in the
// folder the entry names: the autostart entry the program writes, and the launcher that
// the install writes into its folder.
void TestLoginStart::desktopsStartTheEntry_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("installed");
    for (const bool installed : {false, true}) {
        const char* by = installed ? "install, " : "autostart, ";
        QTest::addRow("%spercent", by) << u"100%"_qs << installed;
        QTest::addRow("%sreserved characters", by) << u"a=b %$\"'`\\ ;&|<>~*?#()"_qs << installed;
    }
    QTest::addRow("install, plain") << u"opt/tovik"_qs << true;
}

void TestLoginStart::desktopsStartTheEntry() {
    QFETCH(QString, folder);
    QFETCH(bool, installed);
    const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_qs);
    const QString gio = QStandardPaths::findExecutable(u"gio"_qs);
    if (validate.isEmpty() || gio.isEmpty())
        QSKIP("needs desktop-file-validate and gio (desktop-file-utils, libglib2.0-bin)");
    QTemporaryDir home;
    const QString dir = home.filePath(folder);
    const QString executable = dir + u"/tovik"_qs;
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(testing::writeBytes(
        executable, "#!/bin/sh\nprintf %s \"$0\" > \"$0.started\"\npwd > \"$0.cwd\"\n"));
    QVERIFY(QFile::setPermissions(executable, QFile::ReadOwner | QFile::ExeOwner));
    QString entry;
    if (installed) {
        entry = dir + u"/tovik.desktop"_qs;
        QCOMPARE(
            QProcess::execute(
                QStringLiteral(TOVIK_CMAKE_COMMAND),
                {u"-DCMAKE_INSTALL_PREFIX="_qs + dir,
                 QStringLiteral("-DTOVIK_DESKTOP_IN=" TOVIK_SOURCE_DIR "/data/tovik.desktop.in"),
                 QStringLiteral("-P" TOVIK_SOURCE_DIR "/cmake/install-desktop-entry.cmake")}),
            0);
    } else {
        app::XdgAutostart autostart(home.filePath(u"config"_qs));
        QCOMPARE(autostart.enable(executable), QString());
        entry = autostart.filePath();
    }
    QCOMPARE(QProcess::execute(validate, {entry}), 0);
    // No session bus of the user's: GLib would tell it of the launch.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath(u"no-bus"_qs).toUtf8());
    QCOMPARE(QProcess::execute(gio, {u"launch"_qs, entry}), 0);
    QTRY_COMPARE(testing::readBytes(executable + u".started"_qs), executable.toUtf8());
    if (installed)
        QTRY_COMPARE(testing::readBytes(executable + u".cwd"_qs), dir.toUtf8() + '\n');
}

void TestLoginStart::writtenAndRemoved() {
    QTemporaryDir home;
    const QString config = home.filePath(u".config"_qs);
    app::XdgAutostart autostart(config);
    const QString path = config + u"/autostart/tovik.desktop"_qs;
    QCOMPARE(autostart.filePath(), path);
    QVERIFY(!autostart.isEnabled());
    QVERIFY(!QFile::exists(path));

    QCOMPARE(autostart.enable(u"/opt/tovik/tovik"_qs), QString());
    QVERIFY(autostart.isEnabled());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().split('\n').contains("Exec=/opt/tovik/tovik"));
    file.close();

    QCOMPARE(autostart.disable(), QString());
    QVERIFY(!QFile::exists(path));
    QVERIFY(!autostart.isEnabled());
    // Only the file goes: the folder may hold other programs' entries.
    QVERIFY(QFileInfo(config + u"/autostart"_qs).isDir());
    QCOMPARE(autostart.disable(), QString());
}

void TestLoginStart::unwritableFolderIsReported() {
    QTemporaryDir home;
    // A file where the folder should be.
    QFile blocker(home.filePath(u"autostart"_qs));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    app::XdgAutostart autostart(home.path());
    QVERIFY(autostart.enable(u"/opt/tovik/tovik"_qs)
                .startsWith(u"自動起動のフォルダを作成できませんでした"_qs));
    QVERIFY(!autostart.isEnabled());
    QVERIFY(!app::XdgAutostart(QString()).enable(u"/opt/tovik/tovik"_qs).isEmpty());
    // An entry cannot hold a line break or a tab that every desktop reads alike.
    app::XdgAutostart fine(home.filePath(u"config"_qs));
    QVERIFY(!fine.enable(u"/opt/a\nb/tovik"_qs).isEmpty() &&
            !fine.enable(u"/a\tb/tovik"_qs).isEmpty());
    QVERIFY(!fine.isEnabled());
}

void TestLoginStart::runKey() {
    QMap<QString, QString> values{{u"Other"_qs, u"C:\\other.exe"_qs}};
    auto fake = std::make_unique<testing::FakeRunKeyValues>(values);
    testing::FakeRunKeyValues* key = fake.get();
    app::RunKeyLoginStart runKey(std::move(fake));
    QVERIFY(!runKey.isEnabled());
    QCOMPARE(runKey.enable(u"C:/Program Files/Tovik/tovik.exe"_qs), QString());
    QVERIFY(runKey.isEnabled());
    const QString expected = QDir::separator() == u'\\'
                                 ? u"\"C:\\Program Files\\Tovik\\tovik.exe\""_qs
                                 : u"\"C:/Program Files/Tovik/tovik.exe\""_qs;
    QCOMPARE(values.value(u"Tovik"_qs), expected);
    QCOMPARE(runKey.disable(), QString());
    QCOMPARE(values, (QMap<QString, QString>{{u"Other"_qs, u"C:\\other.exe"_qs}}));

    key->refuse = true;
    QVERIFY(!runKey.enable(u"C:/tovik.exe"_qs).isEmpty());
    QVERIFY(!runKey.isEnabled());
}

QTEST_GUILESS_MAIN(TestLoginStart)
#include "tst_loginstart.moc"
