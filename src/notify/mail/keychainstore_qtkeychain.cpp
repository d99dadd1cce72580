// The secret store through QtKeychain (Secret Service on Linux), built as a module of its own
// that the program loads at the first use of a password.
#include "notify/mail/secretstore.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace tovik::mail {

namespace {

struct JobResult {
    bool finished = false;
    QKeychain::Error error = QKeychain::NoError;
    QString errorText;
    QString password;
};

// Runs the job and waits for it, at most `wait`. A job that has not finished by then is left
// to end (and delete itself) on its own; its late answer goes nowhere.
JobResult runJob(QKeychain::Job* job, std::chrono::milliseconds wait) {
    JobResult outcome;
    QEventLoop loop;
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&outcome, &loop](QKeychain::Job* j) {
        outcome.finished = true;
        outcome.error = j->error();
        outcome.errorText = j->errorString();
        if (const auto* reader = qobject_cast<QKeychain::ReadPasswordJob*>(j))
            outcome.password = reader->textData();
        loop.quit();
    });
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    job->start();
    // The store answers through the event loop; the person's clicks wait until it has.
    if (!outcome.finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return outcome;
}

QString whyUnavailable(const JobResult& outcome) {
    if (!outcome.finished)
        return QStringLiteral("応答がありません。ロックされているか、起動していません");
    return outcome.errorText.isEmpty() ? QStringLiteral("エラー %1").arg(outcome.error)
                                       : outcome.errorText;
}

class QtKeychainStore final : public SecretStore {
public:
    QtKeychainStore(QString service, std::chrono::milliseconds wait)
        : m_service(std::move(service)), m_wait(wait) {}

    Lookup read(const QString& key) override;
    std::optional<QString> write(const QString& key, const QString& password) override;
    void remove(const QString& key) override;

private:
    QString m_service;
    std::chrono::milliseconds m_wait;
};

SecretStore::Lookup QtKeychainStore::read(const QString& key) {
    auto* job = new QKeychain::ReadPasswordJob(m_service);
    job->setKey(key);
    const JobResult outcome = runJob(job, m_wait);
    if (outcome.finished && outcome.error == QKeychain::NoError)
        return {Status::Found, outcome.password, {}};
    if (outcome.finished && outcome.error == QKeychain::EntryNotFound)
        return {Status::NotFound, {}, {}};
    return {Status::Unavailable, {}, whyUnavailable(outcome)};
}

std::optional<QString> QtKeychainStore::write(const QString& key, const QString& password) {
    auto* job = new QKeychain::WritePasswordJob(m_service);
    job->setKey(key);
    job->setTextData(password);
    const JobResult outcome = runJob(job, m_wait);
    if (outcome.finished && outcome.error == QKeychain::NoError)
        return std::nullopt;
    return whyUnavailable(outcome);
}

void QtKeychainStore::remove(const QString& key) {
    auto* job = new QKeychain::DeletePasswordJob(m_service);
    job->setKey(key);
    runJob(job, m_wait);
}

} // namespace

} // namespace tovik::mail

// The module's one entry; the program owns the store it returns.
extern "C" Q_DECL_EXPORT tovik::mail::SecretStore* tovik_keychain_store(const QString& service,
                                                                        qint64 waitMs) {
    return new tovik::mail::QtKeychainStore(service, std::chrono::milliseconds(waitMs));
}
