// The Windows secret store against the real Credential Manager (Wine's in the test prefix).
#include "notify/mail/keychainstore.h"

#include <QTest>
#include <QUuid>

using namespace tovik::mail;

class TestCredentialStore : public QObject {
    Q_OBJECT

    // A service of its own, so no run meets another's credentials.
    const QString m_service = u"TovikTest-"_qs + QUuid::createUuid().toString(QUuid::WithoutBraces);

private slots:
    void storedPasswordIsReadBackAndReplaced() {
        KeychainStore store(m_service);
        const QString key = secretKey(u"tovik@example.jp"_qs, u"SMTP.Example.JP"_qs);
        QCOMPARE(store.read(key).status, SecretStore::Status::NotFound);

        QCOMPARE(store.write(key, u"pässwort 秘密"_qs), std::nullopt);
        auto found = store.read(key);
        QCOMPARE(found.status, SecretStore::Status::Found);
        QCOMPARE(found.password, u"pässwort 秘密"_qs);

        QCOMPARE(store.write(key, u"second"_qs), std::nullopt);
        QCOMPARE(store.read(key).password, u"second"_qs);
        // Another login on the same host is another credential.
        QCOMPARE(store.read(secretKey(u"other"_qs, u"smtp.example.jp"_qs)).status,
                 SecretStore::Status::NotFound);

        store.remove(key);
        QCOMPARE(store.read(key).status, SecretStore::Status::NotFound);
        // A second removal of nothing is quiet.
        store.remove(key);
    }

    void emptyPasswordIsStillAPassword() {
        KeychainStore store(m_service);
        QCOMPARE(store.write(u"empty@host"_qs, QString()), std::nullopt);
        QCOMPARE(store.read(u"empty@host"_qs).status, SecretStore::Status::Found);
        store.remove(u"empty@host"_qs);
    }
};

QTEST_GUILESS_MAIN(TestCredentialStore)
#include "tst_credentialstore.moc"
