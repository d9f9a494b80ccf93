// HTTP requests on 127.0.0.1 through the WinINet calls: answers read in
// pieces, failures with their numbers, the time limits, a close from
// another thread during a read, and the loopback-only switch of the tests.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <string>
#include <thread>

#include "platform/core/errors.h"
#include "platform/net/loopback_guard.h"
#include "platform/net/wininet.h"
#include "platform/net/wininet_internal.h"
#include "tests/platform/checks.h"
#include "tests/support/loopback_server.h"

namespace {

using velko_test::HttpResponder;
using Clock = std::chrono::steady_clock;

// Reads a whole answer in pieces of `piece` bytes.
bool ReadAll(HINTERNET request, std::string* into, DWORD piece = 8192) {
  std::string buffer(piece, '\0');
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, buffer.data(), piece, &got)) return false;
    if (got == 0) return true;
    into->append(buffer.data(), got);
  }
}

class WinInetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session_ = InternetOpen("TGWC", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_NE(session_, nullptr);
  }
  void TearDown() override {
    if (session_ != nullptr) InternetCloseHandle(session_);
    platform::net::SetInternetTimeouts(0, 0);
    platform::net::ClearTestHosts();
  }
  // What a URL answers, read whole; "<failed N>" with the error otherwise.
  std::string Fetch(const std::string& url) {
    SetLastError(0);
    HINTERNET request = InternetOpenUrl(session_, url.c_str(), nullptr, 0, 0, 0);
    if (request == nullptr) return "<failed " + std::to_string(GetLastError()) + ">";
    std::string got;
    if (!ReadAll(request, &got)) got = "<read failed " + std::to_string(GetLastError()) + ">";
    InternetCloseHandle(request);
    return got;
  }
  HINTERNET session_ = nullptr;
};

TEST_F(WinInetTest, ReadsAWholeAnswerInPiecesAndSendsTheAgent) {
  std::string body;
  for (int i = 0; i < 40000; ++i) body += static_cast<char>('a' + i % 26);
  HttpResponder server([&](const std::string&) { return HttpResponder::Ok(body); });
  HINTERNET request = InternetOpenUrl(session_, server.Url("/gcache.php?hostfile=1").c_str(), nullptr, 0,
                                      INTERNET_FLAG_RELOAD, 0);
  ASSERT_NE(request, nullptr) << GetLastError();
  std::string got;
  ASSERT_TRUE(ReadAll(request, &got, 1000));
  EXPECT_EQ(got, body);
  EXPECT_TRUE(InternetCloseHandle(request));
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string head = server.Requests()[0];
  EXPECT_EQ(head.rfind("GET /gcache.php?hostfile=1 HTTP/1.", 0), 0u) << head;
  EXPECT_NE(head.find("User-Agent: TGWC\r\n"), std::string::npos) << head;
}

TEST_F(WinInetTest, ErrorStatusesAreOpenedAndRead) {
  HttpResponder server([](const std::string&) {
    return HttpResponder::Reply{"HTTP/1.0 404 Not Found\r\n\r\n<html>gone</html>", false};
  });
  HINTERNET request = InternetOpenUrl(session_, server.Url("/x").c_str(), nullptr, 0, 0, 0);
  ASSERT_NE(request, nullptr);
  // Further calls see the answer's status and header lines.
  auto object = std::dynamic_pointer_cast<platform::net::wininet_detail::Request>(
      platform::net::wininet_detail::FindHandle(request));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->status, 404);
  EXPECT_EQ(object->header_text, "HTTP/1.0 404 Not Found\r\n\r\n");
  std::string got;
  ASSERT_TRUE(ReadAll(request, &got));
  EXPECT_EQ(got, "<html>gone</html>");
  InternetCloseHandle(request);
}

TEST_F(WinInetTest, FollowsRedirects) {
  HttpResponder server([&](const std::string& head) {
    if (head.rfind("GET /old", 0) == 0) {
      return HttpResponder::Reply{"HTTP/1.1 302 Found\r\nLocation: /new\r\nContent-Length: 0\r\n\r\n", false};
    }
    return HttpResponder::Ok("moved here");
  });
  EXPECT_EQ(Fetch(server.Url("/old")), "moved here");
}

TEST_F(WinInetTest, FailuresSetTheirNumbers) {
  // A port nobody listens on: take one from a server that then goes.
  std::uint16_t closed_port;
  {
    velko_test::LoopbackServer gone([](velko_test::LoopbackConnection&) {});
    closed_port = gone.port();
  }
  struct Case {
    std::string url;
    DWORD error;
  } cases[] = {
      {"http://127.0.0.1:" + std::to_string(closed_port) + "/", ERROR_INTERNET_CANNOT_CONNECT},
      {"http://no-such-cache.invalid/gcache.php", ERROR_INTERNET_NAME_NOT_RESOLVED},
      {"http://192.0.2.1/gcache.php", ERROR_INTERNET_CANNOT_CONNECT},  // outside loopback: refused
      {"gopher://127.0.0.1/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {"not a url", ERROR_INTERNET_INVALID_URL},
  };
  for (const auto& c : cases) EXPECT_EQ(Fetch(c.url), "<failed " + std::to_string(c.error) + ">");
  EXPECT_EQ(platform::ErrorMessageText(ERROR_INTERNET_TIMEOUT), "The operation timed out.");
}

TEST_F(WinInetTest, HostNamesComeFromTheTestTable) {
  HttpResponder server([](const std::string&) { return HttpResponder::Ok("named"); });
  platform::net::SetTestHost("cache.example", htonl(INADDR_LOOPBACK));
  EXPECT_EQ(Fetch("http://cache.example:" + std::to_string(server.port()) + "/"), "named");
  EXPECT_NE(server.Requests()[0].find("Host: cache.example:"), std::string::npos);
}

TEST_F(WinInetTest, ASilentServerTimesOut) {
  platform::net::SetInternetTimeouts(2000, 300);
  HttpResponder server([](const std::string&) { return HttpResponder::Reply{"", true}; });
  auto start = Clock::now();
  EXPECT_EQ(ERROR_OF(InternetOpenUrl(session_, server.Url("/").c_str(), nullptr, 0, 0, 0) != nullptr), ERROR_INTERNET_TIMEOUT);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  server.Stop();
}

TEST_F(WinInetTest, AStalledBodyTimesOutPerRead) {
  platform::net::SetInternetTimeouts(2000, 300);
  HttpResponder server([](const std::string&) {
    return HttpResponder::Reply{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nfirst", true};
  });
  HINTERNET request = InternetOpenUrl(session_, server.Url("/").c_str(), nullptr, 0, 0, 0);
  ASSERT_NE(request, nullptr);
  char buffer[100];
  DWORD got = 0;
  ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "first");
  EXPECT_EQ(ERROR_OF(InternetReadFile(request, buffer, sizeof buffer, &got)), ERROR_INTERNET_TIMEOUT);
  InternetCloseHandle(request);
  server.Stop();
}

TEST_F(WinInetTest, CloseFromAnotherThreadEndsARunningRead) {
  HttpResponder server([](const std::string&) {
    return HttpResponder::Reply{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nsome", true};
  });
  HINTERNET request = InternetOpenUrl(session_, server.Url("/").c_str(), nullptr, 0, 0, 0);
  ASSERT_NE(request, nullptr);
  char buffer[100];
  DWORD got = 0;
  ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &got));
  std::atomic<bool> returned{false};
  BOOL result = TRUE;
  DWORD error = 0;
  std::thread reader([&] {
    result = InternetReadFile(request, buffer, sizeof buffer, &got);
    error = GetLastError();
    returned = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the read block
  auto start = Clock::now();
  EXPECT_TRUE(InternetCloseHandle(request));
  reader.join();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(result);
  EXPECT_EQ(error, ERROR_INTERNET_OPERATION_CANCELLED);
  // The handle is gone.
  EXPECT_EQ(ERROR_OF(InternetReadFile(request, buffer, sizeof buffer, &got)), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(InternetCloseHandle(request));
  server.Stop();
}

TEST_F(WinInetTest, ClosingTheSessionEndsAnOpeningRequest) {
  HttpResponder server([](const std::string&) { return HttpResponder::Reply{"", true}; });
  DWORD error = 0;
  HINTERNET result = reinterpret_cast<HINTERNET>(1);
  std::thread opener([&] {
    result = InternetOpenUrl(session_, server.Url("/").c_str(), nullptr, 0, 0, 0);
    error = GetLastError();
  });
  while (server.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  InternetCloseHandle(session_);
  session_ = nullptr;
  opener.join();
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(error, ERROR_INTERNET_OPERATION_CANCELLED);
  server.Stop();
}

TEST_F(WinInetTest, TheStandardProxyIsNeverUsedForLoopback) {
  // Only a loopback URL is asked for here, so the switch may be off for a
  // moment: the proxy variables are then read as the program reads them.
  velko_test::LoopbackServer proxy([](velko_test::LoopbackConnection&) {});
  HttpResponder server([](const std::string&) { return HttpResponder::Ok("direct"); });
  const std::string proxy_url = "http://127.0.0.1:" + std::to_string(proxy.port());
  ::setenv("http_proxy", proxy_url.c_str(), 1);
  ::setenv("HTTP_PROXY", proxy_url.c_str(), 1);
  platform::net::SetLoopbackOnly(false);
  const std::string got = Fetch(server.Url("/"));
  platform::net::SetLoopbackOnly(true);
  ::unsetenv("http_proxy");
  ::unsetenv("HTTP_PROXY");
  EXPECT_EQ(got, "direct");
  EXPECT_EQ(proxy.Accepted(), 0);
}

TEST(LoopbackGuard, SocketsAndNamesStayOnLoopback) {
  EXPECT_TRUE(platform::net::LoopbackOnly());
  EXPECT_TRUE(platform::net::IsLoopbackAddress(htonl(0x7f000001)));
  EXPECT_TRUE(platform::net::IsLoopbackAddress(htonl(0x7f0a0203)));
  EXPECT_FALSE(platform::net::IsLoopbackAddress(htonl(0x0a000001)));
  EXPECT_FALSE(platform::net::TestHostAddress("example.org"));
  platform::net::SetTestHost("Peer.Test", htonl(0x7f000002));
  EXPECT_EQ(platform::net::TestHostAddress("peer.test"), htonl(0x7f000002));
  platform::net::ClearTestHosts();
  EXPECT_FALSE(platform::net::TestHostAddress("peer.test"));
}

}  // namespace
