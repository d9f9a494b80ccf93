#include "platform/net/curl_library.h"

#include <dlfcn.h>

#include <mutex>

namespace platform::net {

namespace {

CurlLibrary g_curl;

}  // namespace

bool LoadCurl() {
  static std::mutex mutex;
  static bool loaded = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (loaded) return true;
  // libcurl's interface number, the same for its versions 7 and 8.
  void* handle = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return false;
  CurlLibrary library;
  bool complete = true;
#define VELKO_CURL_BIND(name)                                                              \
  if (complete) {                                                                          \
    library.name = reinterpret_cast<decltype(&::curl_##name)>(dlsym(handle, "curl_" #name)); \
    complete = library.name != nullptr;                                                    \
  }
  VELKO_CURL_CALLS(VELKO_CURL_BIND)
#undef VELKO_CURL_BIND
  if (!complete || library.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    dlclose(handle);
    return false;
  }
  // Kept for the life of the process: requests on worker threads may
  // outlive any one session.
  g_curl = library;
  loaded = true;
  return true;
}

const CurlLibrary& Curl() { return g_curl; }

}  // namespace platform::net
