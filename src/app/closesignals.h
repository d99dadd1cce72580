// Turns SIGTERM, SIGHUP and SIGINT into a normal close of the window, a mail send under way
// cut short first (nothing on Windows, where the session's end comes through Qt's session
// handling).
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tovik::app {

// Installs the handlers once; `closeRequested` is emitted in the event loop, never in the
// signal handler itself.
class CloseSignals final : public QObject {
    Q_OBJECT
public:
    explicit CloseSignals(QObject* parent = nullptr);
    ~CloseSignals() override;

signals:
    void closeRequested();

private:
    void readSignal();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tovik::app
