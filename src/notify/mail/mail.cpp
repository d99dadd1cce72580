#include "notify/mail/mail.h"

#include "notify/mail/mailinput.h"
#include "notify/mail/mimemessage.h"
#include "notify/mail/smtptransport.h"

#include <curl/curl.h>

#include <QElapsedTimer>

#include <algorithm>
#include <exception>
#include <new>
#include <variant>

namespace tovik::mail {

namespace {

// The number in a failure line: the server's reply code or libcurl's code, both positive;
// the program's own findings are numbered below zero, one number per kind.
int lineNumber(const Failure& failure) {
    switch (failure.kind) {
    case FailureKind::Refused:
    case FailureKind::Transfer:
        return failure.code;
    case FailureKind::Input:
        return -1;
    case FailureKind::Password:
        return -2;
    case FailureKind::Ended:
        return -3;
    case FailureKind::MissingFields:
    case FailureKind::Internal:
        break;
    }
    return -4;
}

bool cutShort(const SendOptions& options) {
    return options.cutShort && options.cutShort->load();
}

Failure ended() {
    return {FailureKind::Ended, 0, kEndedText};
}

} // namespace

QString logMessage(const Outcome& outcome) {
    if (!outcome)
        return kSentText;
    if (outcome->kind == FailureKind::MissingFields)
        return kMissingFieldsText;
    return kFailurePrefix + QString::number(lineNumber(*outcome)) + QStringLiteral("::") +
           outcome->description;
}

Timeouts productionTimeouts() {
    using namespace std::chrono_literals;
    // Worst case: 35 s for the transfer, then up to 20 s for the QUIT reply at cleanup;
    // the scheduled power action waits behind this, so it stays under a minute.
    return {30s, 20s, 35s};
}

namespace {

// Time spent waiting for the secret store comes off the transfer's limits.
void takeFromLimits(Timeouts& timeouts, std::chrono::milliseconds spent) {
    timeouts.total = std::max(timeouts.total - spent, std::chrono::milliseconds(1000));
    timeouts.connect = std::min(timeouts.connect, timeouts.total);
}

// The password for the server's user, or why the send cannot log in. The store's waits are
// taken from the transfer's limits so the whole send keeps its bound.
[[nodiscard]] std::variant<QString, Failure>
findPassword(const ServerAddress& server, const SendOptions& options, Timeouts& timeouts) {
    const QString who = server.user + QLatin1Char('@') + server.host;
    if (!options.secrets)
        return Failure{FailureKind::Password, 0,
                       QStringLiteral("パスワードの保管場所を利用できません: ") + who};
    const QString key = secretKey(server.user, server.host);
    QElapsedTimer waited;
    waited.start();
    const SecretStore::Lookup lookup = options.secrets->read(key);
    takeFromLimits(timeouts, std::chrono::milliseconds(waited.elapsed()));
    switch (lookup.status) {
    case SecretStore::Status::Found:
        return lookup.password;
    case SecretStore::Status::Unavailable:
        return Failure{FailureKind::Password, 0,
                       QStringLiteral("パスワードの保管場所（キーリング）を利用できません（") +
                           printable(lookup.detail) + QStringLiteral("）")};
    case SecretStore::Status::NotFound:
        break;
    }
    // A locked Secret Service collection whose unlock prompt nobody answers reads as
    // "not found" through libsecret, so the line names both.
    if (cutShort(options))
        return ended();
    if (!options.askPassword)
        return Failure{
            FailureKind::Password, 0,
            QStringLiteral("パスワードが保存されていません（キーリングがロックされている場合も"
                           "あります）。テスト送信で入力してください: ") +
                who};
    const auto typed = options.askPassword(server.user, server.host);
    if (cutShort(options))
        return ended();
    if (!typed)
        return Failure{FailureKind::Password, 0,
                       QStringLiteral("パスワードが入力されなかったため送信しませんでした")};
    waited.restart();
    const auto error = options.secrets->write(key, *typed);
    takeFromLimits(timeouts, std::chrono::milliseconds(waited.elapsed()));
    if (error)
        return Failure{FailureKind::Password, 0,
                       QStringLiteral("パスワードを保存できませんでした（") + printable(*error) +
                           QStringLiteral("）")};
    return *typed;
}

} // namespace

Outcome sendNotification(const Message& message, const QDateTime& date,
                         const SendOptions& options) {
    if (message.server.isEmpty() || message.to.isEmpty() || message.from.isEmpty())
        return Failure{FailureKind::MissingFields, 0, {}};
    try {
        if (cutShort(options))
            return ended();
        auto checked = readFields(message);
        if (const auto* problem = std::get_if<Failure>(&checked))
            return *problem;
        const Fields& fields = std::get<Fields>(checked);
        TransportOptions transport{options.timeouts, options.caFile, options.cutShort};
        Envelope envelope{fields.server, fields.from.address, {}, {}};
        for (const Mailbox& to : fields.to)
            envelope.to += to.address;
        if (!fields.server.user.isEmpty()) {
            auto login = findPassword(fields.server, options, transport.timeouts);
            if (const auto* failure = std::get_if<Failure>(&login))
                return *failure;
            envelope.password = std::get<QString>(login);
        }
        if (cutShort(options))
            return ended();
        const QByteArray payload =
            buildMessage(message, date, newMessageId(fields.from.address, date));
        auto outcome = sendOverSmtp(envelope, payload, transport);
        // A refused password asked for at the screen is not kept for the next send; asked
        // again, the person can type the right one.
        if (outcome && outcome->kind == FailureKind::Transfer &&
            outcome->code == CURLE_LOGIN_DENIED && options.askPassword && options.secrets) {
            options.secrets->remove(secretKey(fields.server.user, fields.server.host));
            outcome->description += QStringLiteral("（保存したパスワードを削除しました）");
        }
        return outcome;
    } catch (const std::bad_alloc&) {
        return Failure{FailureKind::Internal, 0, QStringLiteral("Out of memory")};
    } catch (const std::exception& e) {
        return Failure{FailureKind::Internal, 0, QString::fromUtf8(e.what())};
    }
}

} // namespace tovik::mail
