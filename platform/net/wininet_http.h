// The connection-style WinINet calls: InternetConnect, HttpOpenRequest,
// HttpSendRequest and HttpQueryInfo, on top of the URL requests of
// wininet.h. A connection remembers host, port and credentials; a request
// made on it is sent as one URL request when HttpSendRequest runs, and is
// then read with InternetReadFile and closed with InternetCloseHandle like
// any other.
#pragma once

#include <string>

#include "platform/net/wininet.h"

using INTERNET_PORT = WORD;

constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;

// HttpQueryInfo levels and modifiers.
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;

HINTERNET InternetConnect(HINTERNET session, LPCSTR server, INTERNET_PORT port, LPCSTR user,
                          LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context);
// `accept_types` is a null-terminated list of texts (or null).
HINTERNET HttpOpenRequest(HINTERNET connection, LPCSTR verb, LPCSTR object, LPCSTR version,
                          LPCSTR referrer, LPCSTR* accept_types, DWORD flags, DWORD_PTR context);
// Only "GET" without a body is supported; the headers are extra lines.
BOOL HttpSendRequest(HINTERNET request, LPCSTR headers, DWORD headers_length, LPVOID optional,
                     DWORD optional_length);
// The status code or a header's text (HTTP_QUERY_FLAG_NUMBER: as a DWORD;
// a header whose text is no decimal number then fails with
// ERROR_HTTP_INVALID_HEADER). ERROR_HTTP_HEADER_NOT_FOUND when the answer
// has no such header, ERROR_INSUFFICIENT_BUFFER with the size needed.
BOOL HttpQueryInfo(HINTERNET request, DWORD info_level, LPVOID buffer, LPDWORD buffer_length,
                   LPDWORD index);

constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;

namespace platform::net {

// Test seam: requests to `host` port 80 go to 127.0.0.1 at `port` instead,
// keeping "Host: <host>" (with the loopback switch of loopback_guard.h,
// the host must also be in its table). Port 0 removes the mapping.
void SetTestHostPort(const std::string& host, WORD port);

// For InternetCloseHandle: closes a connection or an unsent request of
// these calls; false when the handle is none of theirs.
bool CloseConnectionHandle(HINTERNET handle);
// The URL request a request of HttpOpenRequest sent (null when it is none
// of theirs or was not sent yet).
HINTERNET SentRequestHandle(HINTERNET handle);
// The libcurl handle behind a URL request (null for other handles).
void* RequestCurlHandle(HINTERNET handle);

}  // namespace platform::net
