#include "notify/mail/curlapi.h"

#include <QLibrary>
#include <mutex>

namespace tovik::mail {

namespace {

template <typename F> bool resolve(QLibrary& library, const char* name, F& function) {
    function = reinterpret_cast<F>(library.resolve(name));
    return function != nullptr;
}

// libcurl.so.4 on Linux; on Windows (where QLibrary ignores the version) curl's own build
// makes libcurl.dll, other builds libcurl-4.dll or curl.dll.
bool loadLibcurl(QLibrary& library) {
    library.setFileNameAndVersion(QStringLiteral("curl"), 4);
    if (library.load())
        return true;
    for (const QString& name : {QStringLiteral("libcurl"), QStringLiteral("libcurl-4")}) {
        library.setFileName(name);
        if (library.load())
            return true;
    }
    return false;
}

const CurlApi* load() {
    // Stays loaded for the rest of the run: handles may outlive one send's scope.
    static QLibrary library;
    static CurlApi api{};
    if (!loadLibcurl(library))
        return nullptr;
    const bool all = resolve(library, "curl_global_init", api.global_init) &&
                     resolve(library, "curl_easy_init", api.easy_init) &&
                     resolve(library, "curl_easy_setopt", api.easy_setopt) &&
                     resolve(library, "curl_easy_perform", api.easy_perform) &&
                     resolve(library, "curl_easy_cleanup", api.easy_cleanup) &&
                     resolve(library, "curl_easy_strerror", api.easy_strerror) &&
                     resolve(library, "curl_slist_append", api.slist_append) &&
                     resolve(library, "curl_slist_free_all", api.slist_free_all) &&
                     resolve(library, "curl_url", api.url) &&
                     resolve(library, "curl_url_cleanup", api.url_cleanup) &&
                     resolve(library, "curl_url_set", api.url_set);
    if (!all || api.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return nullptr;
    return &api;
}

} // namespace

const CurlApi* curlApi() {
    static std::once_flag once;
    static const CurlApi* api = nullptr;
    std::call_once(once, [] { api = load(); });
    return api;
}

} // namespace tovik::mail
