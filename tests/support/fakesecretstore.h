// A secret store in memory for tests: keeps what it is given and logs every call.
#pragma once

#include "notify/mail/secretstore.h"

#include <QHash>
#include <QStringList>

namespace tovik::testsupport {

class FakeSecretStore final : public mail::SecretStore {
public:
    QHash<QString, QString> secrets;
    bool unavailable = false; // every call fails as a locked or missing store would
    QStringList calls;        // "read KEY", "write KEY", "remove KEY"

    [[nodiscard]] Lookup read(const QString& key) override {
        calls += QStringLiteral("read ") + key;
        if (unavailable)
            return {Status::Unavailable, {}, QStringLiteral("locked")};
        const auto it = secrets.constFind(key);
        return it == secrets.cend() ? Lookup{Status::NotFound, {}, {}}
                                    : Lookup{Status::Found, *it, {}};
    }
    [[nodiscard]] std::optional<QString> write(const QString& key,
                                               const QString& password) override {
        calls += QStringLiteral("write ") + key;
        if (unavailable)
            return QStringLiteral("locked");
        secrets.insert(key, password);
        return std::nullopt;
    }
    void remove(const QString& key) override {
        calls += QStringLiteral("remove ") + key;
        secrets.remove(key);
    }
};

} // namespace tovik::testsupport
