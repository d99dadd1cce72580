// The secret store on Linux: QtKeychain sits in a module beside the executable and is loaded
// at the first use of a password, so that a start maps none of it before the first paint.
#include "notify/mail/keychainstore.h"

#include <QCoreApplication>
#include <QLibrary>

namespace tovik::mail {

namespace {

using Factory = SecretStore* (*)(const QString& service, qint64 waitMs);

const QString kModule = QStringLiteral("tovik-keychain.so");

} // namespace

KeychainStore::KeychainStore(QString service, std::chrono::milliseconds wait)
    : m_service(std::move(service)), m_wait(wait) {}

SecretStore* KeychainStore::loaded() {
    if (!m_module) {
        // Never unloaded: the library stays mapped when this object goes.
        QLibrary library(QCoreApplication::applicationDirPath() + QLatin1Char('/') + kModule);
        if (const auto make = reinterpret_cast<Factory>(library.resolve("tovik_keychain_store")))
            m_module.reset(make(m_service, m_wait.count()));
        else
            m_notLoaded = QStringLiteral("パスワードの保存先 %1 を読み込めません（%2）")
                              .arg(kModule, library.errorString());
    }
    return m_module.get();
}

SecretStore::Lookup KeychainStore::read(const QString& key) {
    if (SecretStore* store = loaded())
        return store->read(key);
    return {Status::Unavailable, {}, m_notLoaded};
}

std::optional<QString> KeychainStore::write(const QString& key, const QString& password) {
    if (SecretStore* store = loaded())
        return store->write(key, password);
    return m_notLoaded;
}

void KeychainStore::remove(const QString& key) {
    if (SecretStore* store = loaded())
        store->remove(key);
}

} // namespace tovik::mail
