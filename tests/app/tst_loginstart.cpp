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

// The entry passes the validator, and GLib's loader starts exactly this executable.
void TestLoginStart::desktopsStartTheEntry_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("percent") << u"100%"_qs;
    QTest::newRow("reserved characters") << u"a=b %$\"'`\\ ;&|<>~*?#()"_qs;
}

void TestLoginStart::desktopsStartTheEntry() {
    QFETCH(QString, folder);
    const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_qs);
    const QString gio = QStandardPaths::findExecutable(u"gio"_qs);
    if (validate.isEmpty() || gio.isEmpty())
        QSKIP("needs desktop-file-validate and gio (desktop-file-utils, libglib2.0-bin)");
    QTemporaryDir home;
    const QString executable = home.filePath(folder) + u"/tovik"_qs;
    QVERIFY(QDir().mkpath(home.filePath(folder)));
    QVERIFY(testing::writeBytes(executable, "#!/bin/sh\nprintf %s \"$0\" > \"$0.started\"\n"));
    QVERIFY(QFile::setPermissions(executable, QFile::ReadOwner | QFile::ExeOwner));
    app::XdgAutostart autostart(home.filePath(u"config"_qs));
    QCOMPARE(autostart.enable(executable), QString());
    QCOMPARE(QProcess::execute(validate, {autostart.filePath()}), 0);
    // No session bus of the user's: GLib would tell it of the launch.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home.filePath(u"no-bus"_qs).toUtf8());
    QCOMPARE(QProcess::execute(gio, {u"launch"_qs, autostart.filePath()}), 0);
    QTRY_COMPARE(testing::readBytes(executable + u".started"_qs), executable.toUtf8());
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
