// The single instance with the kernel's own means: an open-file lock in the folder, which
// the kernel drops however the process ends, and an abstract unix socket for the request.
#include "app/instancechannel.h"

#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace tovik::app::instance {

namespace {

class UniqueFd final {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd;
};

flock wholeFile(short type) {
    flock range{};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    return range;
}

// The kind of lock someone else holds on the file, F_UNLCK when none.
short holder(int fd) {
    flock query = wholeFile(F_WRLCK);
    return ::fcntl(fd, F_OFD_GETLK, &query) == 0 ? query.l_type : short{F_UNLCK};
}

bool sameFile(int fd, const QByteArray& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

class FileLock final : public Lock {
public:
    FileLock(int fd, QByteArray path) : m_fd(fd), m_path(std::move(path)) {}
    // Only our own file goes: the name may already show a newer copy's.
    ~FileLock() override {
        if (sameFile(m_fd.get(), m_path))
            ::unlink(m_path.constData());
    }

private:
    UniqueFd m_fd;
    QByteArray m_path;
};

sockaddr_un abstractAddress(const QString& name, socklen_t& length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = name.toUtf8().left(sizeof(address.sun_path) - 1);
    std::copy(bytes.begin(), bytes.end(), address.sun_path + 1); // sun_path[0] == 0: abstract
    length = static_cast<socklen_t>(sizeof(sa_family_t) + 1 + bytes.size());
    return address;
}

// Abstract names belong to nobody, so the other end proves who it is.
bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

class SocketListener final : public Listener {
public:
    SocketListener(int fd, std::function<void()> onRequest)
        : m_fd(fd), m_notifier(fd, QSocketNotifier::Read), m_onRequest(std::move(onRequest)) {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, &m_notifier, [this] {
            while (true) {
                const UniqueFd client(::accept4(m_fd.get(), nullptr, nullptr, SOCK_CLOEXEC));
                if (!client)
                    return;
                if (peerIsThisUser(client.get()))
                    m_onRequest();
            }
        });
    }

private:
    UniqueFd m_fd;
    QSocketNotifier m_notifier;
    std::function<void()> m_onRequest;
};

} // namespace

LockResult lockFolder(const QString& lockPath) {
    const QByteArray path = QFile::encodeName(lockPath);
    // A few rounds: the file can be removed or replaced between our open and our lock.
    for (int round = 0; round < 4; ++round) {
        UniqueFd fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!fd) {
            if (errno != EACCES)
                return {};
            // Another user's copy made it; whether it runs shows through a read-only open.
            const UniqueFd reader(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
            return {reader && holder(reader.get()) == F_WRLCK ? LockState::HeldElsewhere
                                                              : LockState::Unavailable,
                    nullptr};
        }
        flock lock = wholeFile(F_WRLCK);
        if (::fcntl(fd.get(), F_OFD_SETLK, &lock) == 0) {
            if (!sameFile(fd.get(), path))
                continue;
            return {LockState::Held, std::make_unique<FileLock>(fd.release(), path)};
        }
        if (errno != EAGAIN && errno != EACCES)
            return {};
        const short other = holder(fd.get());
        if (other == F_WRLCK)
            return {LockState::HeldElsewhere, nullptr};
        // A copy of Tovik only ever holds a write lock: a read lock is someone who could
        // merely read the file. The folder is ours, so the file is made anew.
        if (other == F_RDLCK && ::unlink(path.constData()) != 0)
            return {};
    }
    return {};
}

std::unique_ptr<Listener> listen(const QString& name, std::function<void()> onRequest) {
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    socklen_t length = 0;
    const sockaddr_un address = abstractAddress(name, length);
    if (!fd || ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(fd.get(), 8) != 0)
        return nullptr;
    return std::make_unique<SocketListener>(fd.release(), std::move(onRequest));
}

bool askToShow(const QString& name, std::chrono::milliseconds wait) {
    socklen_t length = 0;
    const sockaddr_un address = abstractAddress(name, length);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd)
            return false;
        // The connection itself is the request; the running copy reads nothing.
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0)
            return peerIsThisUser(fd.get());
        // Nobody listens yet (a copy between its lock and its socket), or the queue is full.
        if ((errno != ECONNREFUSED && errno != EAGAIN) ||
            std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(50);
    }
}

} // namespace tovik::app::instance
