// Start at login: the one file (or registry value) the program writes outside its folder,
// and only when the user ticks the item.
#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace tovik::app {

class LoginStart {
public:
    virtual ~LoginStart() = default;
    virtual bool isEnabled() const = 0;
    // Each returns an error text for the log, empty when it worked.
    virtual QString enable(const QString& executable) = 0;
    virtual QString disable() = 0;
};

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; empty without either.
QString xdgConfigHome(const QString& xdgConfigHomeValue, const QString& homeValue);

// The autostart desktop entry that starts the executable.
QString autostartEntryText(const QString& executable);

// ~/.config/autostart/tovik.desktop, as freedesktop desktops read it at login.
class XdgAutostart final : public LoginStart {
public:
    explicit XdgAutostart(const QString& configHome) : m_configHome(configHome) {}
    QString filePath() const;
    bool isEnabled() const override;
    QString enable(const QString& executable) override;
    QString disable() override;

private:
    QString m_configHome;
};

// The values under the per-user Run key; the real one exists on Windows only.
class RunKeyValues {
public:
    virtual ~RunKeyValues() = default;
    virtual std::optional<QString> read(const QString& name) const = 0;
    virtual bool write(const QString& name, const QString& value) = 0;
    virtual bool remove(const QString& name) = 0;
};

// The value "Tovik" = the quoted executable path, in Windows' own separators.
class RunKeyLoginStart final : public LoginStart {
public:
    explicit RunKeyLoginStart(std::unique_ptr<RunKeyValues> values) : m_values(std::move(values)) {}
    bool isEnabled() const override;
    QString enable(const QString& executable) override;
    QString disable() override;

private:
    std::unique_ptr<RunKeyValues> m_values;
};

// The platform's own: the Run key on Windows, the XDG autostart folder elsewhere.
std::unique_ptr<LoginStart> platformLoginStart();

} // namespace tovik::app
