// The desktop's secret store: Secret Service through QtKeychain on Linux (in a module loaded
// at the first use), the Credential Manager on Windows.
#pragma once

#include "notify/mail/mail.h"
#include "notify/mail/secretstore.h"

#include <chrono>
#include <memory>

namespace tovik::mail {

class KeychainStore final : public SecretStore {
public:
    // Every call waits at most `wait` for the store: a locked store that shows its unlock
    // prompt, or a service that never answers, ends as Unavailable instead of a hang.
    explicit KeychainStore(QString service = QStringLiteral("Tovik"),
                           std::chrono::milliseconds wait = kSecretStoreWait);

    [[nodiscard]] Lookup read(const QString& key) override;
    [[nodiscard]] std::optional<QString> write(const QString& key,
                                               const QString& password) override;
    void remove(const QString& key) override;

private:
    SecretStore* loaded();

    QString m_service;
    std::chrono::milliseconds m_wait;
    // Where a module does the work: the store it made, or why it could not be loaded.
    std::unique_ptr<SecretStore> m_module;
    QString m_notLoaded;
};

} // namespace tovik::mail
