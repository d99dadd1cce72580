// One copy per folder: what another user of the machine can and cannot do to a start.
#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tovik;

namespace {

// A process of the user "nobody" that holds the abstract socket name until it is let go.
class ForeignListener final {
public:
    explicit ForeignListener(const QString& name) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        const QByteArray bytes = name.toUtf8();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::copy(bytes.begin(), bytes.end(), address.sun_path + 1);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            const auto length = static_cast<socklen_t>(sizeof(sa_family_t) + 1 + bytes.size());
            const char ok = ::setuid(65534) == 0 &&
                            ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                            ::listen(fd, 8) == 0;
            (void)!::write(ready[1], &ok, 1);
            ::pause(); // never accepts; killed with the test
            ::_exit(0);
        }
        ::close(ready[1]);
        char ok = 0;
        m_ready = ::read(ready[0], &ok, 1) == 1 && ok;
        ::close(ready[0]);
    }
    ~ForeignListener() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool isReady() const { return m_ready; }

private:
    pid_t m_pid = -1;
    bool m_ready = false;
};

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void init();
    void lockInTheSharedTemporaryFolderIsIgnored();
    void copyThatCannotBeReachedIsReported();

private:
    QTemporaryDir m_sharedTemp;
};

void TestSingleInstance::init() {
    // The machine's shared temporary folder, as far as this process can tell.
    qputenv("TMPDIR", QFile::encodeName(m_sharedTemp.path()));
}

// Anyone may create files in the shared temporary folder: a lock there under the name
// earlier versions used, held by a live process, is no copy of this folder's Tovik.
void TestSingleInstance::lockInTheSharedTemporaryFolderIsIgnored() {
    const QTemporaryDir folder;
    const QByteArray hash = QCryptographicHash::hash(QDir(folder.path()).canonicalPath().toUtf8(),
                                                     QCryptographicHash::Sha256);
    QLockFile foreign(
        QDir(QDir::tempPath())
            .filePath(u"tovik-"_qs + QString::fromLatin1(hash.toHex().left(24)) + u".lock"_qs));
    QVERIFY(foreign.tryLock(0));

    app::SingleInstance instance(folder.path());
    QVERIFY(instance.acquire());
}

// A second start whose running copy does not answer says so instead of ending silently;
// here another user has taken the name the running copy would listen on.
void TestSingleInstance::copyThatCannotBeReachedIsReported() {
    if (::geteuid() != 0)
        QSKIP("needs root to act as another user");
    const QTemporaryDir folder;
    app::SingleInstance first(folder.path());
    const ForeignListener squatter(first.serverName());
    QVERIFY(squatter.isReady());
    QVERIFY(first.acquire());

    app::SingleInstance second(folder.path());
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(u"既に起動していますが.*応答"_qs));
    QVERIFY(!second.acquire());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
