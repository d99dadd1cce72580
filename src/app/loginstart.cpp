#include "loginstart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tovik::app {

namespace {

const QString kRunValueName = QStringLiteral("Tovik");

// A desktop entry's Exec argument: quoted when it holds a reserved character, with the
// quoting escapes, and then the escapes of a string value on top.
QString execArgument(const QString& path) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : path)
        quote = quote || reserved.contains(c);
    QString arg;
    for (const QChar c : path) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            arg += u'\\';
        arg += c;
    }
    if (quote)
        arg = u'"' + arg + u'"';
    arg.replace(u'\\', QStringLiteral("\\\\"));
    arg.replace(u'%', QStringLiteral("%%"));
    return arg;
}

// GLib looks for the program under its name as Exec spells it, "%%" and all, and drops an
// entry whose program it cannot find. A path with "%" is therefore handed to sh as an
// argument, where "%%" means "%" to every desktop.
QString execLine(const QString& path) {
    if (!path.contains(u'%'))
        return execArgument(path);
    return QStringLiteral(R"(/bin/sh -c "exec \\"\\$0\\"" )") + execArgument(path);
}

} // namespace

QString xdgConfigHome(const QString& xdgConfigHomeValue, const QString& homeValue) {
    if (QDir::isAbsolutePath(xdgConfigHomeValue))
        return xdgConfigHomeValue;
    if (homeValue.isEmpty())
        return {};
    return homeValue + QStringLiteral("/.config");
}

QString autostartEntryText(const QString& executable) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Tovik\n"
                          "Comment=予定の時刻にシャットダウン・再起動・ログオフします\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execLine(executable));
}

QString XdgAutostart::filePath() const {
    return m_configHome + QStringLiteral("/autostart/tovik.desktop");
}

bool XdgAutostart::isEnabled() const {
    return !m_configHome.isEmpty() && QFileInfo(filePath()).isFile();
}

QString XdgAutostart::enable(const QString& executable) {
    if (m_configHome.isEmpty())
        return QStringLiteral("ホームフォルダが分からないため、自動起動を設定できませんでした");
    // Desktops do not read the escapes of these in Exec alike.
    if (executable.contains(u'\n') || executable.contains(u'\r') || executable.contains(u'\t'))
        return QStringLiteral(
            "フォルダ名に改行かタブが含まれているため、自動起動を設定できませんでした");
    const QString folder = QFileInfo(filePath()).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("自動起動のフォルダを作成できませんでした。→") + folder;
    QSaveFile file(filePath());
    const QByteArray bytes = autostartEntryText(executable).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("自動起動のファイルを書き込めませんでした。→") + filePath() +
               QStringLiteral("::") + file.errorString();
    return {};
}

QString XdgAutostart::disable() {
    if (!isEnabled())
        return {};
    QFile file(filePath());
    if (!file.remove())
        return QStringLiteral("自動起動のファイルを削除できませんでした。→") + filePath() +
               QStringLiteral("::") + file.errorString();
    return {};
}

bool RunKeyLoginStart::isEnabled() const {
    return m_values->read(kRunValueName).has_value();
}

QString RunKeyLoginStart::enable(const QString& executable) {
    const QString value = u'"' + QDir::toNativeSeparators(executable) + u'"';
    if (!m_values->write(kRunValueName, value))
        return QStringLiteral("自動起動をレジストリに登録できませんでした");
    return {};
}

QString RunKeyLoginStart::disable() {
    if (!isEnabled())
        return {};
    if (!m_values->remove(kRunValueName))
        return QStringLiteral("自動起動をレジストリから削除できませんでした");
    return {};
}

} // namespace tovik::app
