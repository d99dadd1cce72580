// How the SMTP rig runs smtp_server.py: as a child process on Linux, or, for a Windows test
// under Wine (which cannot run or stop Linux programs), through a broker on the Linux side.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace tovik::testsupport {

class SmtpServerProcess {
public:
    virtual ~SmtpServerProcess() = default;
    // Runs "smtp_server.py serve --folder <its folder> <arguments>"; the first line the server
    // printed ("LISTENING <port>", or why not) goes to firstLine. False says why in error.
    virtual bool start(const QStringList& arguments, QByteArray& firstLine, QString& error) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    // The server's files, as this process reaches them.
    virtual QString folder() const = 0;
};

std::unique_ptr<SmtpServerProcess> makeSmtpServerProcess();

// "smtp_server.py decode": raw message in, JSON out; false says why in error.
bool decodeWithPython(const QByteArray& raw, QByteArray& json, QString& error);

} // namespace tovik::testsupport
