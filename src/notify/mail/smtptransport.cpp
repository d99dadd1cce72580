#include "notify/mail/smtptransport.h"

#include "notify/mail/curlapi.h"

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

    void sent(const char* data, size_t size) {
        if (size >= 4 && std::memcmp(data, "QUIT", 4) == 0)
            quitting = true;
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

Failure curlFailure(CURLcode code, const char* errorBuffer) {
    const QString detail = QString::fromUtf8(errorBuffer).trimmed();
    return {static_cast<int>(code), detail.isEmpty()
                                        ? QString::fromUtf8(curlApi()->easy_strerror(code))
                                        : printable(detail)};
}

UrlHandle makeUrl(const ServerAddress& server) {
    UrlHandle url(curlApi()->url());
    if (!url)
        return url;
    const QByteArray host =
        server.ipv6 ? '[' + server.host.toLatin1() + ']' : server.host.toLatin1();
    const QByteArray port = QByteArray::number(server.port);
    if (curlApi()->url_set(url.get(), CURLUPART_SCHEME, "smtp", 0) != CURLUE_OK ||
        curlApi()->url_set(url.get(), CURLUPART_HOST, host.constData(), 0) != CURLUE_OK ||
        curlApi()->url_set(url.get(), CURLUPART_PORT, port.constData(), 0) != CURLUE_OK)
        url.reset();
    return url;
}

} // namespace

std::optional<Failure> sendOverSmtp(const Envelope& envelope, const QByteArray& payload,
                                    const Timeouts& timeouts) {
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const CurlApi* api = curlApi();
    if (!api)
        return Failure{CURLE_FAILED_INIT, QStringLiteral("libcurl を読み込めません")};

    const UrlHandle url = makeUrl(envelope.server);
    if (!url)
        return curlFailure(CURLE_URL_MALFORMAT, errorBuffer);
    const QByteArray from = '<' + envelope.from.toLatin1() + '>';
    const QByteArray to = '<' + envelope.to.toLatin1() + '>';
    const SlistHandle recipients(api->slist_append(nullptr, to.constData()));
    Upload upload{payload};
    ReplyLog replies;
    // Declared last: cleanup (and the QUIT it may wait for) runs before the data above goes.
    const EasyHandle curl(api->easy_init());
    if (!curl || !recipients)
        return curlFailure(CURLE_FAILED_INIT, errorBuffer);

    CURL* h = curl.get();
    api->easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    api->easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    api->easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp");
    api->easy_setopt(h, CURLOPT_CURLU, url.get());
    // No proxy from the environment: the mail goes straight to the named server.
    api->easy_setopt(h, CURLOPT_PROXY, "");
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

    const CURLcode result = api->easy_perform(h);
    if (result == CURLE_OK)
        return std::nullopt;
    // A reply code read before a time-out says nothing about the time-out, so the server's
    // words count only when it refused and nothing came after the refusal.
    const Failure fromCurl = curlFailure(result, errorBuffer);
    const bool refused =
        result != CURLE_OPERATION_TIMEDOUT && replies.lastCode >= 400 && replies.partial.isEmpty();
    if (refused)
        return Failure{replies.lastCode,
                       replies.lastText.isEmpty() ? fromCurl.description : replies.lastText};
    return fromCurl;
}

} // namespace tovik::mail
