// The POSIX close signals: a self-pipe fed by the signal handlers.
#include "closesignals.h"

#include "notify/mail/ending.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace tovik::app {

namespace {
int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the self-pipe, and a lock-free flag that
// a mail send blocking the event loop (up to its bound) checks about once a second.
extern "C" void onCloseSignal(int signo) {
    mail::programEnding.store(true);
    const char byte = static_cast<char>(signo);
    const ssize_t ignored = ::write(g_pipe[0], &byte, 1);
    static_cast<void>(ignored);
}
} // namespace

CloseSignals::CloseSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseSignals::readSignal);

    struct sigaction action = {};
    action.sa_handler = onCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signo, &action, nullptr);
}

CloseSignals::~CloseSignals() {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signo : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signo, &action, nullptr);
}

void CloseSignals::readSignal() {
    char byte = 0;
    if (::read(g_pipe[1], &byte, 1) == 1)
        emit closeRequested();
}

} // namespace tovik::app
