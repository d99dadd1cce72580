// Where the SMTP password lives: the desktop's secret store, reached through this seam.
#pragma once

#include <QString>
#include <optional>

namespace tovik::mail {

class SecretStore {
public:
    enum class Status {
        Found,
        NotFound,
        Unavailable, // no store, a locked one, or no answer in time
    };
    struct Lookup {
        Status status = Status::NotFound;
        QString password;
        QString detail; // why it is unavailable, for the log line
    };

    virtual ~SecretStore() = default;

    // Each call returns within a bounded time, whatever the store does.
    [[nodiscard]] virtual Lookup read(const QString& key) = 0;
    // nullopt when stored, else why not.
    [[nodiscard]] virtual std::optional<QString> write(const QString& key,
                                                       const QString& password) = 0;
    virtual void remove(const QString& key) = 0;
};

// The key of a login's password: user and host, as the server field names them.
inline QString secretKey(const QString& user, const QString& host) {
    return user + QLatin1Char('@') + host.toLower();
}

} // namespace tovik::mail
