// libcurl, loaded on the first send: the program starts without its two dozen libraries.
#pragma once

#include <curl/curl.h>

namespace tovik::mail {

struct CurlApi {
    decltype(&::curl_global_init) global_init;
    decltype(&::curl_easy_init) easy_init;
    decltype(&::curl_easy_setopt) easy_setopt;
    decltype(&::curl_easy_perform) easy_perform;
    decltype(&::curl_easy_cleanup) easy_cleanup;
    decltype(&::curl_easy_strerror) easy_strerror;
    decltype(&::curl_slist_append) slist_append;
    decltype(&::curl_slist_free_all) slist_free_all;
    decltype(&::curl_url) url;
    decltype(&::curl_url_cleanup) url_cleanup;
    decltype(&::curl_url_set) url_set;
};

// The loaded library (initialised once), or nullptr when it cannot be loaded.
[[nodiscard]] const CurlApi* curlApi();

} // namespace tovik::mail
