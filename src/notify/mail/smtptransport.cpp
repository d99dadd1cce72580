#include "notify/mail/smtptransport.h"

#include "notify/mail/curlapi.h"

#include <QFile>
#include <QStringList>
#include <cstring>
#include <memory>
#include <mutex>

namespace tovik::mail {

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curlApi()->easy_cleanup(handle); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curlApi()->url_cleanup(url); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curlApi()->slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;
using SlistHandle = std::unique_ptr<curl_slist, SlistDeleter>;

struct Upload {
    const QByteArray& data;
    qsizetype position = 0;
};

size_t readPayload(char* buffer, size_t size, size_t count, void* userData) {
    auto* upload = static_cast<Upload*>(userData);
    const size_t left = static_cast<size_t>(upload->data.size() - upload->position);
    const size_t n = std::min(left, size * count);
    std::memcpy(buffer, upload->data.constData() + upload->position, n);
    upload->position += static_cast<qsizetype>(n);
    return n;
}

// The server's replies as curl reads them. libcurl's own error text for a refusal is only
// "RCPT failed: 550"; the person reading the log wants what the server said.
struct ReplyLog {
    QByteArray partial;     // a line not yet ended
    int groupCode = 0;      // code of the multi-line reply being read
    QStringList groupLines; // its texts so far
    int lastCode = 0;       // the last complete reply
    QString lastText;
    bool quitting = false; // libcurl says QUIT after a refusal; "221 Bye" is not the news
    QByteArray command;    // verb of the last command sent (MAIL, RCPT, DATA, AUTH, ...)
    QByteArray recipient;  // the address of the last RCPT TO

    void sent(const char* data, size_t size) {
        const QByteArray line = QByteArray::fromRawData(data, static_cast<qsizetype>(size));
        if (line.startsWith("QUIT"))
            quitting = true;
        // Only the verb is kept: the lines after AUTH carry the credentials.
        for (const char* verb : {"MAIL", "RCPT", "DATA", "AUTH", "STARTTLS", "EHLO", "HELO"}) {
            if (line.startsWith(verb)) {
                command = verb;
                if (command == "RCPT") {
                    const qsizetype open = line.indexOf('<');
                    const qsizetype close = line.indexOf('>', open);
                    recipient = open >= 0 && close > open ? line.mid(open + 1, close - open - 1)
                                                          : QByteArray();
                }
            }
        }
    }

    void feed(const char* data, size_t size) {
        if (quitting)
            return;
        partial.append(data, static_cast<qsizetype>(size));
        qsizetype end;
        while ((end = partial.indexOf('\n')) >= 0) {
            QByteArray line = partial.left(end);
            partial.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            takeLine(line);
        }
    }

    void takeLine(const QByteArray& line) {
        bool ok = false;
        const int code = line.left(3).toInt(&ok);
        if (!ok || line.size() < 3 || code < 100 || code > 599)
            return;
        if (code != groupCode) {
            groupCode = code;
            groupLines.clear();
        }
        groupLines += printable(QString::fromUtf8(line.mid(4)).trimmed());
        if (line.size() == 3 || line[3] != '-') {
            lastCode = code;
            lastText = groupLines.join(u' ').trimmed();
            groupCode = 0;
            groupLines.clear();
        }
    }
};

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* userData) {
    auto* log = static_cast<ReplyLog*>(userData);
    if (type == CURLINFO_HEADER_IN)
        log->feed(data, size);
    else if (type == CURLINFO_HEADER_OUT)
        log->sent(data, size);
    return 0;
}

long wholeSecondsAtLeastOne(std::chrono::milliseconds ms) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(ms).count();
    return static_cast<long>(std::max<decltype(seconds)>(seconds, 1));
}

QString curlText(CURLcode code, const char* errorBuffer) {
    const QString detail = QString::fromUtf8(errorBuffer).trimmed();
    return detail.isEmpty() ? QString::fromUtf8(curlApi()->easy_strerror(code)) : printable(detail);
}

Failure curlFailure(CURLcode code, const char* errorBuffer) {
    return {FailureKind::Transfer, static_cast<int>(code),
            describeCurlFailure(code, curlText(code, errorBuffer))};
}

// The server's own words on a refused step, which say more than libcurl's "RCPT failed: 550"
// or, for the greeting and EHLO/HELO, its "weird server reply" and "access denied".
std::optional<Failure> serverRefusal(const ReplyLog& replies) {
    if (replies.lastCode < 400 || !replies.partial.isEmpty())
        return std::nullopt;
    QString what;
    if (replies.lastCode == 530 && replies.lastText.contains(u"STARTTLS", Qt::CaseInsensitive))
        what = QStringLiteral("SMTPサーバーが暗号化した接続を求めています（サーバー欄を "
                              "smtp://サーバー名 の形にしてください）");
    else if (replies.command.isEmpty())
        what = QStringLiteral("SMTPサーバーが接続を拒否しました");
    else if (replies.command == "EHLO" || replies.command == "HELO")
        what = QStringLiteral("SMTPサーバーが挨拶（EHLO/HELO）を拒否しました");
    else if (replies.command == "MAIL")
        what = QStringLiteral("送信元が拒否されました");
    else if (replies.command == "RCPT")
        what = QStringLiteral("宛先が拒否されました（") +
               printable(QString::fromUtf8(replies.recipient)) + QStringLiteral("）");
    else if (replies.command == "DATA")
        what = QStringLiteral("メールが受け付けられませんでした");
    else
        return std::nullopt;
    return Failure{FailureKind::Refused, replies.lastCode,
                   replies.lastText.isEmpty() ? what
                                              : what + QStringLiteral(": ") + replies.lastText};
}

// Called by libcurl about once a second and whenever data moves, also while it waits for a
// silent server; non-zero ends the transfer.
int onProgress(void* cutShort, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(cutShort)->load() ? 1 : 0;
}

UrlHandle makeUrl(const ServerAddress& server) {
    UrlHandle url(curlApi()->url());
    if (!url)
        return url;
    const QByteArray host =
        server.ipv6 ? '[' + server.host.toLatin1() + ']' : server.host.toLatin1();
    const QByteArray port = QByteArray::number(server.port);
    const char* scheme = server.security == Security::Tls ? "smtps" : "smtp";
    if (curlApi()->url_set(url.get(), CURLUPART_SCHEME, scheme, 0) != CURLUE_OK ||
        curlApi()->url_set(url.get(), CURLUPART_HOST, host.constData(), 0) != CURLUE_OK ||
        curlApi()->url_set(url.get(), CURLUPART_PORT, port.constData(), 0) != CURLUE_OK)
        url.reset();
    return url;
}

} // namespace

QString describeCurlFailure(int code, const QString& detail) {
    QString what;
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        what = QStringLiteral("SMTPサーバーが見つかりません（名前を解決できません）");
        break;
    case CURLE_COULDNT_CONNECT:
        what = QStringLiteral("SMTPサーバーに接続できません");
        break;
    case CURLE_OPERATION_TIMEDOUT:
        what = QStringLiteral("SMTPサーバーが時間内に応答しませんでした");
        break;
    case CURLE_USE_SSL_FAILED:
        what = QStringLiteral("SMTPサーバーが暗号化（STARTTLS）に対応していません");
        break;
    case CURLE_SSL_CONNECT_ERROR:
        what = QStringLiteral("TLS で接続できませんでした");
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        // The TLS library's words tell a wrong name from an unknown issuer or an old
        // certificate: OpenSSL speaks of the subject or host name, Schannel of
        // CertGetNameString failing to match.
        if (detail.contains(QStringLiteral("subject name")) ||
            detail.contains(QStringLiteral("host name")) ||
            detail.contains(QStringLiteral("CertGetNameString")))
            what = QStringLiteral("サーバー証明書が SMTPサーバー名と一致しません");
        else if (detail.contains(QStringLiteral("expired")))
            what = QStringLiteral("サーバー証明書の有効期限が切れています");
        else
            what = QStringLiteral("サーバー証明書を信頼できません（発行元を確認できません）");
        break;
    case CURLE_SSL_CACERT_BADFILE:
        what = QStringLiteral("信頼する証明書のファイルを読み込めません");
        break;
    case CURLE_LOGIN_DENIED:
        what = QStringLiteral("認証が拒否されました（ユーザー名とパスワードを確かめてください）");
        break;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        what = QStringLiteral("SMTPサーバーとの通信が途中で切れました");
        break;
    case CURLE_WEIRD_SERVER_REPLY:
        what = QStringLiteral("SMTPサーバーの応答を理解できません");
        break;
    case CURLE_FAILED_INIT:
        what = QStringLiteral("メール送信の準備ができませんでした");
        break;
    default:
        what = QStringLiteral("メールの送信中にエラーが発生しました");
        break;
    }
    return detail.isEmpty() ? what : what + QStringLiteral("（") + detail + QStringLiteral("）");
}

Outcome sendOverSmtp(const Envelope& envelope, const QByteArray& payload,
                     const TransportOptions& options) {
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const CurlApi* api = curlApi();
    if (!api)
        return Failure{
            FailureKind::Transfer, CURLE_FAILED_INIT,
            describeCurlFailure(CURLE_FAILED_INIT, QStringLiteral("libcurl を読み込めません"))};

    const UrlHandle url = makeUrl(envelope.server);
    if (!url)
        return curlFailure(CURLE_URL_MALFORMAT, errorBuffer);
    const QByteArray from = '<' + envelope.from.toLatin1() + '>';
    SlistHandle recipients;
    for (const QString& to : envelope.to) {
        curl_slist* longer =
            api->slist_append(recipients.get(), ('<' + to.toLatin1() + '>').constData());
        if (!longer)
            return curlFailure(CURLE_OUT_OF_MEMORY, errorBuffer);
        (void)recipients.release();
        recipients.reset(longer);
    }
    const QByteArray user = envelope.server.user.toUtf8();
    const QByteArray password = envelope.password.toUtf8();
    const QByteArray caFile = QFile::encodeName(options.caFile);
    Upload upload{payload};
    ReplyLog replies;
    // Declared last: cleanup (and the QUIT it may wait for) runs before the data above goes.
    const EasyHandle curl(api->easy_init());
    if (!curl || !recipients)
        return curlFailure(CURLE_FAILED_INIT, errorBuffer);

    const Timeouts& timeouts = options.timeouts;
    CURL* h = curl.get();
    api->easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    api->easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    api->easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    api->easy_setopt(h, CURLOPT_CURLU, url.get());
    // No proxy from the environment: the mail goes straight to the named server.
    api->easy_setopt(h, CURLOPT_PROXY, "");
    if (envelope.server.security != Security::Plain) {
        // smtp:// must switch to TLS before anything else is said, or the send fails.
        api->easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        api->easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        api->easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!caFile.isEmpty())
            api->easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
        if (!user.isEmpty()) {
            api->easy_setopt(h, CURLOPT_USERNAME, user.constData());
            api->easy_setopt(h, CURLOPT_PASSWORD, password.constData());
        }
    }
    api->easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connect.count()));
    api->easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts.total.count()));
    api->easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     wholeSecondsAtLeastOne(timeouts.serverResponse));
    // Cleanup must not wait for a resolver thread stuck on a dead name server.
    api->easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
    api->easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
    api->easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    api->easy_setopt(h, CURLOPT_UPLOAD, 1L);
    api->easy_setopt(h, CURLOPT_READFUNCTION, readPayload);
    api->easy_setopt(h, CURLOPT_READDATA, &upload);
    api->easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(payload.size()));
    api->easy_setopt(h, CURLOPT_DEBUGFUNCTION, onDebug);
    api->easy_setopt(h, CURLOPT_DEBUGDATA, &replies);
    api->easy_setopt(h, CURLOPT_VERBOSE, 1L);
    if (options.cutShort) {
        api->easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        api->easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
        api->easy_setopt(h, CURLOPT_XFERINFODATA, static_cast<const void*>(options.cutShort));
    }

    const CURLcode result = api->easy_perform(h);
    if (result == CURLE_OK)
        return std::nullopt;
    if (result == CURLE_ABORTED_BY_CALLBACK)
        return Failure{FailureKind::Ended, 0, kEndedText};
    // A reply code read before a time-out says nothing about the time-out.
    if (result != CURLE_OPERATION_TIMEDOUT) {
        if (auto refusal = serverRefusal(replies))
            return refusal;
        if (result == CURLE_LOGIN_DENIED && replies.command == "AUTH" && replies.lastCode >= 400)
            return Failure{FailureKind::Transfer, result,
                           describeCurlFailure(result, QString::number(replies.lastCode) + u' ' +
                                                           replies.lastText)};
    }
    return curlFailure(result, errorBuffer);
}

} // namespace tovik::mail
