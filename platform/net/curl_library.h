// The libcurl calls the WinINet layer makes. libcurl and the many libraries
// it depends on are loaded by the first InternetOpen, not with the platform
// library: most processes never open a session, and the program's own first
// one comes seconds after its window shows.
#pragma once

#include <curl/curl.h>

namespace platform::net {

#define VELKO_CURL_CALLS(X)                                                                       \
  X(global_init) X(easy_init) X(easy_cleanup) X(easy_setopt) X(easy_getinfo) X(easy_header)       \
  X(multi_init) X(multi_cleanup) X(multi_add_handle) X(multi_remove_handle) X(multi_perform)      \
  X(multi_poll) X(multi_wakeup) X(multi_info_read) X(slist_append) X(slist_free_all) X(url)       \
  X(url_cleanup) X(url_set) X(url_get) X(free)

struct CurlLibrary {
#define VELKO_CURL_MEMBER(name) decltype(&::curl_##name) name = nullptr;
  VELKO_CURL_CALLS(VELKO_CURL_MEMBER)
#undef VELKO_CURL_MEMBER
};

// Loads libcurl once and runs its global set-up; false when the library or
// one of its calls is missing (a later call tries again).
bool LoadCurl();
// The bound calls; only after LoadCurl has succeeded.
const CurlLibrary& Curl();

}  // namespace platform::net
