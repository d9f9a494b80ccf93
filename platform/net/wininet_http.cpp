#include "platform/net/wininet_http.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/core/errors.h"
#include "platform/net/curl_library.h"

using platform::net::Curl;

namespace {

struct Connection {
  HINTERNET session = nullptr;
  std::string host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  std::string user;
  std::string password;
};

struct HttpRequest {
  std::shared_ptr<Connection> connection;
  std::string verb;
  std::string object;
  HINTERNET sent = nullptr;  // the URL request, once sent
};

std::mutex g_mutex;
std::map<std::uintptr_t, std::shared_ptr<Connection>> g_connections;
std::map<std::uintptr_t, std::shared_ptr<HttpRequest>> g_requests;
std::map<std::string, WORD> g_test_ports;
// Far from the URL requests' own numbers.
std::uintptr_t g_next = 0x40000000;

std::uintptr_t Key(HINTERNET handle) { return reinterpret_cast<std::uintptr_t>(handle); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// User names and passwords in a URL: everything but unreserved characters
// escaped.
std::string Escape(const std::string& text) {
  std::string out;
  char buffer[4];
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      std::snprintf(buffer, sizeof buffer, "%%%02X", c);
      out += buffer;
    }
  }
  return out;
}

}  // namespace

HINTERNET InternetConnect(HINTERNET session, LPCSTR server, INTERNET_PORT port, LPCSTR user,
                          LPCSTR password, DWORD service, DWORD, DWORD_PTR) {
  if (session == nullptr || server == nullptr || service != INTERNET_SERVICE_HTTP) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (server[0] == '\0') {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return nullptr;
  }
  auto connection = std::make_shared<Connection>();
  connection->session = session;
  connection->host = server;
  connection->port = port == INTERNET_INVALID_PORT_NUMBER ? INTERNET_DEFAULT_HTTP_PORT : port;
  connection->user = user != nullptr ? user : "";
  connection->password = password != nullptr ? password : "";
  std::lock_guard lock(g_mutex);
  const std::uintptr_t id = g_next;
  g_next += 2;
  g_connections[id] = std::move(connection);
  return reinterpret_cast<HINTERNET>(id);
}

HINTERNET HttpOpenRequest(HINTERNET connection_handle, LPCSTR verb, LPCSTR object, LPCSTR,
                          LPCSTR, LPCSTR*, DWORD, DWORD_PTR) {
  std::lock_guard lock(g_mutex);
  auto it = g_connections.find(Key(connection_handle));
  if (it == g_connections.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto request = std::make_shared<HttpRequest>();
  request->connection = it->second;
  request->verb = verb != nullptr && verb[0] != '\0' ? verb : "GET";
  request->object = object != nullptr && object[0] != '\0' ? object : "/";
  if (request->object[0] != '/') request->object.insert(0, "/");
  const std::uintptr_t id = g_next;
  g_next += 2;
  g_requests[id] = std::move(request);
  return reinterpret_cast<HINTERNET>(id);
}

BOOL HttpSendRequest(HINTERNET request_handle, LPCSTR headers, DWORD headers_length, LPVOID,
                     DWORD optional_length) {
  std::shared_ptr<HttpRequest> request;
  WORD test_port = 0;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_requests.find(Key(request_handle));
    if (it == g_requests.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    request = it->second;
    auto port = g_test_ports.find(Lower(request->connection->host));
    if (port != g_test_ports.end() && request->connection->port == INTERNET_DEFAULT_HTTP_PORT) {
      test_port = port->second;
    }
  }
  if (request->verb != "GET" || optional_length > 0 || request->sent != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const Connection& connection = *request->connection;
  std::string url = "http://";
  if (!connection.user.empty()) {
    url += Escape(connection.user);
    if (!connection.password.empty()) url += ":" + Escape(connection.password);
    url += "@";
  }
  url += connection.host;
  const WORD port = test_port != 0 ? test_port : connection.port;
  if (port != INTERNET_DEFAULT_HTTP_PORT) url += ":" + std::to_string(port);
  url += request->object;
  std::string extra;
  if (headers != nullptr) {
    extra = headers_length == static_cast<DWORD>(-1) ? std::string(headers)
                                                      : std::string(headers, headers_length);
  }
  // A test port keeps the request's own host, as if it went to port 80.
  if (test_port != 0) extra += (extra.empty() ? "" : "\r\n") + std::string("Host: ") + connection.host;
  HINTERNET sent = InternetOpenUrl(connection.session, url.c_str(),
                                   extra.empty() ? nullptr : extra.c_str(), static_cast<DWORD>(-1),
                                   INTERNET_FLAG_RELOAD, 0);
  if (sent == nullptr) return FALSE;
  std::lock_guard lock(g_mutex);
  request->sent = sent;
  return TRUE;
}

BOOL HttpQueryInfo(HINTERNET request_handle, DWORD info_level, LPVOID buffer, LPDWORD buffer_length,
                   LPDWORD) {
  HINTERNET sent = platform::net::SentRequestHandle(request_handle);
  auto* easy = static_cast<CURL*>(platform::net::RequestCurlHandle(sent != nullptr ? sent : request_handle));
  if (easy == nullptr || buffer_length == nullptr) {
    SetLastError(easy == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool number = (info_level & HTTP_QUERY_FLAG_NUMBER) != 0;
  std::string text;
  switch (info_level & 0xFFFF) {
    case HTTP_QUERY_STATUS_CODE: {
      long status = 0;
      Curl().easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
      text = std::to_string(status);
      break;
    }
    case HTTP_QUERY_CONTENT_LENGTH: {
      curl_header* header = nullptr;
      if (Curl().easy_header(easy, "Content-Length", 0, CURLH_HEADER, -1, &header) != CURLHE_OK ||
          header == nullptr) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
      }
      text = header->value;
      break;
    }
    default:
      SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
      return FALSE;
  }
  if (number) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoull(text) > 0xFFFFFFFFull) {
      SetLastError(ERROR_HTTP_INVALID_HEADER);
      return FALSE;
    }
    if (*buffer_length < sizeof(DWORD) || buffer == nullptr) {
      *buffer_length = sizeof(DWORD);
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    const auto value = static_cast<DWORD>(std::stoull(text));
    std::memcpy(buffer, &value, sizeof value);
    *buffer_length = sizeof(DWORD);
    return TRUE;
  }
  if (buffer == nullptr || *buffer_length < text.size() + 1) {
    *buffer_length = static_cast<DWORD>(text.size() + 1);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *buffer_length = static_cast<DWORD>(text.size());
  return TRUE;
}

namespace platform::net {

void SetTestHostPort(const std::string& host, WORD port) {
  std::lock_guard lock(g_mutex);
  if (port == 0) {
    g_test_ports.erase(Lower(host));
  } else {
    g_test_ports[Lower(host)] = port;
  }
}

bool CloseConnectionHandle(HINTERNET handle) {
  HINTERNET sent = nullptr;
  {
    std::lock_guard lock(g_mutex);
    if (g_connections.erase(Key(handle)) > 0) return true;
    auto it = g_requests.find(Key(handle));
    if (it == g_requests.end()) return false;
    sent = it->second->sent;
    g_requests.erase(it);
  }
  if (sent != nullptr) InternetCloseHandle(sent);
  return true;
}

HINTERNET SentRequestHandle(HINTERNET handle) {
  std::lock_guard lock(g_mutex);
  auto it = g_requests.find(Key(handle));
  return it == g_requests.end() ? nullptr : it->second->sent;
}

}  // namespace platform::net
