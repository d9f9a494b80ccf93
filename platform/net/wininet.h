// WinINet: blocking HTTP requests for worker threads, over libcurl.
//
// InternetOpen makes a session; InternetOpenUrl sends a GET and returns once
// the answer's status line and headers have arrived (redirects followed);
// InternetReadFile then hands out the body, blocking until some bytes
// arrive, and reports 0 bytes read at its end. Answers with an error status
// (404, 500) are opened and read like any other, as on the original
// platform. Failures return null or FALSE and set the last error:
// ERROR_INTERNET_TIMEOUT (12002), ERROR_INTERNET_NAME_NOT_RESOLVED (12007),
// ERROR_INTERNET_CANNOT_CONNECT (12029), and a few others below.
//
// Limits: 10 s to connect; 30 s for the request to answer with its headers,
// and 30 s for each read to see bytes, else 12002.
//
// Threads: every call may come from any thread. InternetCloseHandle from
// another thread ends a call running on that handle (or, for a session, on
// any of its requests) at once: the running call fails with
// ERROR_INTERNET_OPERATION_CANCELLED, and the handle is gone when it
// returns. Closing a session also closes its requests.
//
// Proxies: INTERNET_OPEN_TYPE_PRECONFIG takes the standard proxy variables
// (http_proxy, HTTPS_PROXY, ALL_PROXY, no_proxy), never for localhost and
// 127.0.0.0/8; INTERNET_OPEN_TYPE_DIRECT uses none; INTERNET_OPEN_TYPE_PROXY
// the one given. Under the test switch of loopback_guard.h no proxy is used.
#pragma once

#include "platform/core/types.h"

using HINTERNET = void*;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

// InternetOpenUrl flags (accepted; there is no cache to bypass).
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_RAW_DATA = 0x40000000;
constexpr DWORD INTERNET_FLAG_EXISTING_CONNECT = 0x20000000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr DWORD INTERNET_FLAG_DONT_CACHE = INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
constexpr DWORD INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100;
constexpr DWORD INTERNET_FLAG_NO_UI = 0x00000200;

constexpr DWORD INTERNET_ERROR_BASE = 12000;
constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;

HINTERNET InternetOpen(LPCSTR agent, DWORD access_type, LPCSTR proxy, LPCSTR proxy_bypass,
                       DWORD flags);
// `headers` (length -1: up to its NUL) are extra request header lines,
// separated by CR LF.
HINTERNET InternetOpenUrl(HINTERNET session, LPCSTR url, LPCSTR headers, DWORD headers_length,
                          DWORD flags, DWORD_PTR context);
BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD bytes_to_read,
                      LPDWORD bytes_read);
BOOL InternetCloseHandle(HINTERNET handle);

namespace platform::net {

// Test seam: the connect limit and the request/read limit in milliseconds
// (10000 and 30000 unless a test changes them; 0 restores the default).
void SetInternetTimeouts(DWORD connect_ms, DWORD request_ms);

}  // namespace platform::net
