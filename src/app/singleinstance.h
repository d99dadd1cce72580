// One running copy per application folder: a second start shows the first and exits.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace tovik::app {

namespace instance {
class Lock;
class Listener;
} // namespace instance

class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // folder: the application folder; copies in other folders are independent.
    explicit SingleInstance(const QString& folder);
    ~SingleInstance() override;

    // True when this process is now the one copy for the folder. False when another copy
    // runs there: it has been asked to come to the front (or, when it cannot be reached,
    // a line on standard error says so), and this one must end without touching any file.
    // A lock that cannot be made at all (a read-only folder) lets the program run rather
    // than not at all.
    bool acquire();

    // The lock in the folder and the name of the running copy's channel, for tests.
    QString lockFilePath() const { return m_lockPath; }
    QString serverName() const { return m_name; }

signals:
    // A second start asked for the window.
    void activationRequested();

private:
    QString m_name;
    QString m_lockPath;
    std::unique_ptr<instance::Lock> m_lock;
    std::unique_ptr<instance::Listener> m_listener;
};

} // namespace tovik::app
