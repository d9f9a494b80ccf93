#include "platform/net/wininet.h"
#include "platform/net/wininet_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/net/curl_library.h"
#include "platform/net/loopback_guard.h"
#include "platform/net/wininet_internal.h"

using platform::net::Curl;

namespace {

using namespace platform::net::wininet_detail;
using Clock = std::chrono::steady_clock;

constexpr DWORD kDefaultConnectMs = 10000;
constexpr DWORD kDefaultRequestMs = 30000;
constexpr int kMaxRedirects = 10;

std::atomic<DWORD> connect_limit_ms{kDefaultConnectMs};
std::atomic<DWORD> request_limit_ms{kDefaultRequestMs};

DWORD ErrorFromCurl(CURLcode code) {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_INTERNET_TIMEOUT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
      return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_URL_MALFORMAT:
      return ERROR_INTERNET_INVALID_URL;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_WEIRD_SERVER_REPLY:
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_OUT_OF_MEMORY:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_INTERNET_CONNECTION_ABORTED;
  }
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  request->body.append(data, size * count);
  return size * count;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* request = static_cast<Request*>(user);
  std::size_t length = size * count;
  // A status line starts a new answer (after a 1xx one).
  if (length >= 5 && std::memcmp(data, "HTTP/", 5) == 0) request->header_text.clear();
  request->header_text.append(data, length);
  bool blank = (length == 2 && data[0] == '\r' && data[1] == '\n') || (length == 1 && data[0] == '\n');
  if (blank) {
    long status = 0;
    Curl().easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &status);
    request->status = status;
    if (status >= 200) request->headers_done = true;  // 1xx answers come before the real one
  }
  return length;
}

curl_socket_t OnOpenSocket(void*, curlsocktype, curl_sockaddr* address) {
  if (platform::net::LoopbackOnly()) {
    bool allowed = false;
    if (address->family == AF_INET) {
      sockaddr_in in{};
      std::memcpy(&in, &address->addr, sizeof in);
      allowed = platform::net::IsLoopbackAddress(in.sin_addr.s_addr);
    } else if (address->family == AF_INET6) {
      sockaddr_in6 in6{};
      std::memcpy(&in6, &address->addr, sizeof in6);
      allowed = IN6_IS_ADDR_LOOPBACK(&in6.sin6_addr);
    }
    if (!allowed) return CURL_SOCKET_BAD;
  }
  return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// Host names never to be reached through a proxy, with `extra` in front.
std::string NoProxyList(const std::string& extra) {
  std::string list;
  for (char c : extra) list += (c == ';' || c == ' ') ? ',' : c;
  if (!list.empty() && list.back() != ',') list += ',';
  return list + "localhost,127.0.0.0/8,::1";
}

std::string EnvironmentValue(const char* lower, const char* upper) {
  const char* value = std::getenv(lower);
  if (value == nullptr || *value == '\0') value = std::getenv(upper);
  return value == nullptr ? std::string() : std::string(value);
}

bool IsAddressLiteral(const std::string& host) {
  if (!host.empty() && host.front() == '[') return true;
  in_addr v4{};
  return ::inet_pton(AF_INET, host.c_str(), &v4) == 1;
}

// Sets `request` up for one GET of `url` (no transfer yet). 0 or an error.
DWORD Prepare(Request& request, const Session& session, const std::string& url,
              const std::string& extra_headers) {
  request.Release();
  request.body.clear();
  request.body_pos = 0;
  request.headers_done = false;
  request.status = 0;
  request.header_text.clear();
  request.finished = false;
  request.result = CURLE_OK;

  CURLU* parts = Curl().url();
  if (parts == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  std::unique_ptr<CURLU, void (*)(CURLU*)> hold_parts(parts, Curl().url_cleanup);
  if (Curl().url_set(parts, CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return ERROR_INTERNET_INVALID_URL;
  char* scheme = nullptr;
  if (Curl().url_get(parts, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return ERROR_INTERNET_INVALID_URL;
  std::string scheme_text = scheme;
  Curl().free(scheme);
  std::transform(scheme_text.begin(), scheme_text.end(), scheme_text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (scheme_text != "http" && scheme_text != "https") return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
  char* host = nullptr;
  if (Curl().url_get(parts, CURLUPART_HOST, &host, 0) != CURLUE_OK) return ERROR_INTERNET_INVALID_URL;
  std::string host_text = host;
  Curl().free(host);
  char* port = nullptr;
  if (Curl().url_get(parts, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) != CURLUE_OK) {
    return ERROR_INTERNET_INVALID_URL;
  }
  std::string port_text = port;
  Curl().free(port);

  const bool loopback_only = platform::net::LoopbackOnly();
  if (loopback_only && !IsAddressLiteral(host_text)) {
    std::uint32_t address = 0;
    if (auto known = platform::net::TestHostAddress(host_text)) {
      address = *known;
    } else if (host_text == "localhost") {
      address = htonl(INADDR_LOOPBACK);
    } else {
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    }
    char dotted[INET_ADDRSTRLEN] = {};
    in_addr in{};
    in.s_addr = address;
    ::inet_ntop(AF_INET, &in, dotted, sizeof dotted);
    request.resolve = Curl().slist_append(nullptr, (host_text + ":" + port_text + ":" + dotted).c_str());
  }

  {
    std::lock_guard<std::mutex> hold(request.wake_lock);
    request.multi = Curl().multi_init();
  }
  request.easy = Curl().easy_init();
  if (request.multi == nullptr || request.easy == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  CURL* easy = request.easy;
  Curl().easy_setopt(easy, CURLOPT_URL, url.c_str());
  Curl().easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  Curl().easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  Curl().easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  Curl().easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_limit_ms.load()));
  Curl().easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
  Curl().easy_setopt(easy, CURLOPT_WRITEDATA, &request);
  Curl().easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
  Curl().easy_setopt(easy, CURLOPT_HEADERDATA, &request);
  Curl().easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, OnOpenSocket);
  // Redirects are followed here, one request at a time, so that each new
  // address passes the same checks.
  Curl().easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  if (!session.agent.empty()) Curl().easy_setopt(easy, CURLOPT_USERAGENT, session.agent.c_str());
  if (request.resolve != nullptr) Curl().easy_setopt(easy, CURLOPT_RESOLVE, request.resolve);

  if (loopback_only || session.access_type == INTERNET_OPEN_TYPE_DIRECT) {
    Curl().easy_setopt(easy, CURLOPT_PROXY, "");
  } else if (session.access_type == INTERNET_OPEN_TYPE_PROXY) {
    Curl().easy_setopt(easy, CURLOPT_PROXY, session.proxy.c_str());
    Curl().easy_setopt(easy, CURLOPT_NOPROXY, NoProxyList(session.bypass).c_str());
  } else {
    // The standard variables, which libcurl reads itself; the loopback
    // exceptions are added to whatever no_proxy says.
    Curl().easy_setopt(easy, CURLOPT_NOPROXY, NoProxyList(EnvironmentValue("no_proxy", "NO_PROXY")).c_str());
  }

  std::size_t start = 0;
  while (start < extra_headers.size()) {
    std::size_t end = extra_headers.find('\n', start);
    if (end == std::string::npos) end = extra_headers.size();
    std::string line = extra_headers.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (!line.empty()) request.headers = Curl().slist_append(request.headers, line.c_str());
    start = end + 1;
  }
  if (request.headers != nullptr) Curl().easy_setopt(easy, CURLOPT_HTTPHEADER, request.headers);
  Curl().multi_add_handle(request.multi, easy);
  return 0;
}

enum class Until { Headers, Body };

// Runs the transfer on the calling thread until the headers are in (or the
// body has bytes waiting, or it ended), the handle is closed, or `limit`
// passes. 0 or an error.
DWORD Drive(Request& request, Until until, DWORD limit_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    if (request.closed) return ERROR_INTERNET_OPERATION_CANCELLED;
    bool reached = until == Until::Headers ? request.headers_done
                                           : request.body_pos < request.body.size();
    if (reached || request.finished) return 0;
    int running = 0;
    if (Curl().multi_perform(request.multi, &running) != CURLM_OK) return ERROR_INTERNET_INTERNAL_ERROR;
    int queued = 0;
    while (CURLMsg* message = Curl().multi_info_read(request.multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        request.finished = true;
        request.result = message->data.result;
      }
    }
    reached = until == Until::Headers ? request.headers_done : request.body_pos < request.body.size();
    if (reached || request.finished) return request.closed ? ERROR_INTERNET_OPERATION_CANCELLED : 0;
    auto now = Clock::now();
    if (now >= deadline) return ERROR_INTERNET_TIMEOUT;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    Curl().multi_poll(request.multi, nullptr, 0, static_cast<int>(std::min<long long>(left, 1000)), nullptr);
  }
}

// Opens `url` and follows redirects; 0 or an error.
DWORD Open(Request& request, const Session& session, std::string url, const std::string& headers,
           bool follow) {
  for (int hop = 0;; ++hop) {
    DWORD error = Prepare(request, session, url, headers);
    if (error != 0) return error;
    error = Drive(request, Until::Headers, request_limit_ms.load());
    if (error != 0) return error;
    if (!request.headers_done) {
      // Ended before any answer.
      return request.result == CURLE_OK ? ERROR_HTTP_INVALID_SERVER_RESPONSE : ErrorFromCurl(request.result);
    }
    long status = 0;
    Curl().easy_getinfo(request.easy, CURLINFO_RESPONSE_CODE, &status);
    char* location = nullptr;
    Curl().easy_getinfo(request.easy, CURLINFO_REDIRECT_URL, &location);
    if (!follow || status < 300 || status > 399 || location == nullptr || hop >= kMaxRedirects) return 0;
    url = location;
  }
}

}  // namespace

namespace platform::net::wininet_detail {

// Handles are numbers of our own, never reused.
namespace {

std::mutex table_lock;
std::map<std::uintptr_t, std::shared_ptr<InternetObject>>& Table() {
  static std::map<std::uintptr_t, std::shared_ptr<InternetObject>> table;
  return table;
}
std::uintptr_t next_handle = 0x1000;

}  // namespace

HINTERNET AddHandle(std::shared_ptr<InternetObject> object) {
  std::lock_guard<std::mutex> hold(table_lock);
  std::uintptr_t id = next_handle++;
  Table()[id] = std::move(object);
  return reinterpret_cast<HINTERNET>(id);
}

std::shared_ptr<InternetObject> FindHandle(HINTERNET handle) {
  {
    std::lock_guard<std::mutex> hold(table_lock);
    auto it = Table().find(reinterpret_cast<std::uintptr_t>(handle));
    if (it != Table().end()) return it->second;
  }
  // A request of HttpOpenRequest stands for the URL request it sent.
  HINTERNET sent = platform::net::SentRequestHandle(handle);
  if (sent == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(table_lock);
  auto it = Table().find(reinterpret_cast<std::uintptr_t>(sent));
  return it == Table().end() ? nullptr : it->second;
}

std::shared_ptr<InternetObject> TakeHandle(HINTERNET handle) {
  std::lock_guard<std::mutex> hold(table_lock);
  auto it = Table().find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == Table().end()) return nullptr;
  auto object = std::move(it->second);
  Table().erase(it);
  return object;
}

}  // namespace platform::net::wininet_detail

HINTERNET InternetOpen(LPCSTR agent, DWORD access_type, LPCSTR proxy, LPCSTR proxy_bypass, DWORD) {
  if (!platform::net::LoadCurl()) {
    SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
    return nullptr;
  }
  auto session = std::make_shared<Session>();
  session->agent = agent == nullptr ? "" : agent;
  session->access_type = access_type;
  session->proxy = proxy == nullptr ? "" : proxy;
  session->bypass = proxy_bypass == nullptr ? "" : proxy_bypass;
  if (access_type == INTERNET_OPEN_TYPE_PROXY && session->proxy.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return AddHandle(session);
}

HINTERNET InternetOpenUrl(HINTERNET session_handle, LPCSTR url, LPCSTR headers, DWORD headers_length,
                          DWORD flags, DWORD_PTR) {
  auto session = std::dynamic_pointer_cast<Session>(FindHandle(session_handle));
  if (session == nullptr) {
    SetLastError(FindHandle(session_handle) ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (url == nullptr || *url == '\0') {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return nullptr;
  }
  std::string extra;
  if (headers != nullptr) {
    extra = headers_length == static_cast<DWORD>(-1) ? std::string(headers) : std::string(headers, headers_length);
  }
  auto request = std::make_shared<Request>();
  {
    std::lock_guard<std::mutex> hold(session->children_lock);
    if (session->closed) {
      SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
      return nullptr;
    }
    session->children.push_back(request);
  }
  DWORD error;
  {
    std::lock_guard<std::mutex> use(request->use);
    error = Open(*request, *session, url, extra, (flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0);
  }
  if (error != 0) {
    SetLastError(error);
    return nullptr;
  }
  return AddHandle(request);
}

BOOL InternetReadFile(HINTERNET handle, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read) {
  if (bytes_read != nullptr) *bytes_read = 0;
  auto object = FindHandle(handle);
  auto request = std::dynamic_pointer_cast<Request>(object);
  if (request == nullptr) {
    SetLastError(object ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (bytes_read == nullptr || (buffer == nullptr && bytes_to_read > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> use(request->use);
  if (bytes_to_read == 0) return TRUE;
  DWORD error = Drive(*request, Until::Body, request_limit_ms.load());
  if (error != 0) {
    SetLastError(error);
    return FALSE;
  }
  std::size_t waiting = request->body.size() - request->body_pos;
  if (waiting == 0) {
    // The end of the answer, or a transfer that broke off.
    if (request->result != CURLE_OK) {
      SetLastError(ErrorFromCurl(request->result));
      return FALSE;
    }
    return TRUE;
  }
  std::size_t count = std::min<std::size_t>(waiting, bytes_to_read);
  std::memcpy(buffer, request->body.data() + request->body_pos, count);
  request->body_pos += count;
  if (request->body_pos == request->body.size()) {
    request->body.clear();
    request->body_pos = 0;
  }
  *bytes_read = static_cast<DWORD>(count);
  return TRUE;
}

BOOL InternetCloseHandle(HINTERNET handle) {
  auto object = TakeHandle(handle);
  if (object == nullptr && platform::net::CloseConnectionHandle(handle)) return TRUE;
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->closed = true;
  object->Wake();
  if (auto session = std::dynamic_pointer_cast<Session>(object)) {
    std::vector<std::shared_ptr<Request>> children;
    {
      std::lock_guard<std::mutex> hold(session->children_lock);
      for (auto& weak : session->children) {
        if (auto child = weak.lock()) children.push_back(std::move(child));
      }
      session->children.clear();
    }
    for (auto& child : children) {
      child->closed = true;
      child->Wake();
    }
    // Their handles go too, as a closed session takes its requests along.
    std::lock_guard<std::mutex> hold(table_lock);
    for (auto it = Table().begin(); it != Table().end();) {
      bool child = std::any_of(children.begin(), children.end(),
                               [&](const auto& c) { return c.get() == it->second.get(); });
      it = child ? Table().erase(it) : std::next(it);
    }
  }
  // The object itself goes when the last call using it returns.
  return TRUE;
}

namespace platform::net {

void* RequestCurlHandle(HINTERNET handle) {
  auto request = std::dynamic_pointer_cast<Request>(FindHandle(handle));
  return request == nullptr ? nullptr : request->easy;
}

void SetInternetTimeouts(DWORD connect_ms, DWORD request_ms) {
  connect_limit_ms = connect_ms == 0 ? kDefaultConnectMs : connect_ms;
  request_limit_ms = request_ms == 0 ? kDefaultRequestMs : request_ms;
}

}  // namespace platform::net
