// The secret store on Windows: the Credential Manager itself (generic credentials of the
// user), which answers at once, so no wait is needed.
#include "notify/mail/keychainstore.h"

#include <windows.h>
// wincred.h needs the types of windows.h first.
#include <wincred.h>

#include <memory>
#include <string>

namespace tovik::mail {

namespace {

struct CredFreer {
    void operator()(CREDENTIALW* credential) const { CredFree(credential); }
};
using Credential = std::unique_ptr<CREDENTIALW, CredFreer>;

std::wstring targetName(const QString& service, const QString& key) {
    return (service + QLatin1Char('/') + key).toStdWString();
}

QString lastErrorText() {
    return QStringLiteral("資格情報マネージャーのエラー %1").arg(GetLastError());
}

} // namespace

KeychainStore::KeychainStore(QString service, std::chrono::milliseconds wait)
    : m_service(std::move(service)), m_wait(wait) {}

SecretStore::Lookup KeychainStore::read(const QString& key) {
    const std::wstring target = targetName(m_service, key);
    CREDENTIALW* raw = nullptr;
    if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &raw)) {
        if (GetLastError() == ERROR_NOT_FOUND)
            return {Status::NotFound, {}, {}};
        return {Status::Unavailable, {}, lastErrorText()};
    }
    const Credential credential(raw);
    const QByteArray blob(reinterpret_cast<const char*>(credential->CredentialBlob),
                          static_cast<qsizetype>(credential->CredentialBlobSize));
    return {Status::Found, QString::fromUtf8(blob), {}};
}

std::optional<QString> KeychainStore::write(const QString& key, const QString& password) {
    std::wstring target = targetName(m_service, key);
    std::wstring user = key.toStdWString();
    QByteArray blob = password.toUtf8();
    CREDENTIALW credential = {};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.UserName = user.data();
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
    credential.CredentialBlobSize = static_cast<DWORD>(blob.size());
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    if (!CredWriteW(&credential, 0))
        return lastErrorText();
    return std::nullopt;
}

void KeychainStore::remove(const QString& key) {
    const std::wstring target = targetName(m_service, key);
    CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0);
}

} // namespace tovik::mail
