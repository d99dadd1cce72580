// One running copy per application folder: a second start shows the first and exits.
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace tovik::app {

class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // folder: the application folder; copies in other folders are independent.
    explicit SingleInstance(const QString& folder);
    ~SingleInstance() override;

    // True when this process is now the one copy for the folder. False when another copy
    // runs there: it has been asked to come to the front, and this one must end without
    // touching any file. A lock that cannot be made at all (an unwritable temporary
    // folder) lets the program run rather than not at all.
    bool acquire();

    // The names both copies derive from the folder, for tests.
    QString lockFilePath() const;
    QString serverName() const { return m_name; }

signals:
    // A second start asked for the window.
    void activationRequested();

private:
    void listen();

    QString m_name;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace tovik::app
