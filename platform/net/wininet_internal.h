// The handle objects behind the WinINet calls, for further calls written
// in files of their own (status and header queries, other request kinds):
// a session (InternetOpen) and a request (InternetOpenUrl) with its libcurl
// transfer, and the handle table. Calls take a shared pointer from
// FindHandle and hold it while they work, so a close from another thread
// never frees an object under them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/net/curl_library.h"
#include "platform/net/wininet.h"

namespace platform::net::wininet_detail {

struct Session;

struct InternetObject {
  virtual ~InternetObject() = default;
  std::atomic<bool> closed{false};
  // Wakes a call that waits on this object so that it sees `closed`.
  virtual void Wake() {}
};

struct Request : InternetObject {
  ~Request() override { Release(); }

  void Release() {
    std::lock_guard<std::mutex> hold(wake_lock);
    if (easy != nullptr) {
      if (multi != nullptr) Curl().multi_remove_handle(multi, easy);
      Curl().easy_cleanup(easy);
      easy = nullptr;
    }
    if (multi != nullptr) {
      Curl().multi_cleanup(multi);
      multi = nullptr;
    }
    if (headers != nullptr) {
      Curl().slist_free_all(headers);
      headers = nullptr;
    }
    if (resolve != nullptr) {
      Curl().slist_free_all(resolve);
      resolve = nullptr;
    }
  }

  void Wake() override {
    std::lock_guard<std::mutex> hold(wake_lock);
    if (multi != nullptr) Curl().multi_wakeup(multi);
  }

  std::mutex wake_lock;  // guards `multi` against a redirect replacing it
  std::mutex use;  // one call at a time works the transfer
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headers = nullptr;
  curl_slist* resolve = nullptr;
  std::string body;          // bytes received and not yet handed out
  std::size_t body_pos = 0;  // first byte of `body` not yet handed out
  bool headers_done = false;
  bool finished = false;
  CURLcode result = CURLE_OK;
  // The answer's status code and header lines (of the last answer when
  // redirects were followed), each line with its CR LF.
  long status = 0;
  std::string header_text;
};

struct Session : InternetObject {
  std::string agent;
  DWORD access_type = INTERNET_OPEN_TYPE_PRECONFIG;
  std::string proxy;
  std::string bypass;
  std::mutex children_lock;
  std::vector<std::weak_ptr<Request>> children;
};

HINTERNET AddHandle(std::shared_ptr<InternetObject> object);
// The object of a handle (null when the handle is unknown or closed).
std::shared_ptr<InternetObject> FindHandle(HINTERNET handle);
// Takes the handle out of the table.
std::shared_ptr<InternetObject> TakeHandle(HINTERNET handle);

}  // namespace platform::net::wininet_detail
