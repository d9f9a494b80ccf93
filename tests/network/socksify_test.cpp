// The SOCKS client against a proxy on 127.0.0.1: the bytes of each version,
// answers in one-byte pieces, every refusal and failure reaching the
// socket's owner, and records that go with their sockets.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "network/Socksify.h"
#include "tests/network/network_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/socks_server.h"

namespace velko_test {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

std::string PortBytes(int port) {
  return Bytes({port >> 8, port & 0xFF});
}

// A socket owner as the links and transfers are: handlers on the inner
// socket, and a log of what reached them.
struct Owner {
  Owner() : socket(new TClientSocket(nullptr)) {
    socket->Socket()->OnSocketEvent = [this](TObject*, TCustomWinSocket* s, TSocketEvent e) {
      events.push_back(e);
      if (e == seRead) received += s->ReceiveText();
    };
    socket->Socket()->OnErrorEvent = [this](TObject*, TCustomWinSocket*, TErrorEvent e, int& code) {
      errors.push_back({e, code});
      code = 0;
    };
  }
  ~Owner() { delete socket; }
  bool Saw(TSocketEvent e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
  TClientSocket* socket;
  std::vector<TSocketEvent> events;
  std::vector<std::pair<TErrorEvent, int>> errors;
  std::string received;
};

class SocksTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetSocksOptions("", 1080, svSocks5, nullptr, "", "");
  }
  void Use(const SocksServer& proxy, TSocksVersion version, const std::string& user = "",
           const std::string& password = "") {
    SetSocksOptions("127.0.0.1", proxy.port(), version,
                    [this](TObject*, TCustomWinSocket*, int& code, const String& text) {
                      reported.push_back(code);
                      texts.push_back(text);
                      code = 0;
                    },
                    user, password);
  }
  // Opens `owner` to host:port through the proxy and pumps until it
  // connected or failed.
  bool Dial(Owner& owner, const std::string& host, int port) {
    owner.socket->Host = host;
    owner.socket->Port = port;
    SocksifyClientSocket(owner.socket);
    owner.socket->Open();
    return PumpUntil([&] { return owner.Saw(seConnect) || !owner.errors.empty(); });
  }

  std::vector<int> reported;
  std::vector<std::string> texts;
};

// An echo target behind the proxy.
struct Echo {
  LoopbackServer server{[](LoopbackConnection& c) {
    std::string line = c.ReadUntil("\n", 5);
    c.Write("echo:" + line);
  }};
};

TEST_F(SocksTest, EachVersionSendsItsBytesAndOpensTheTunnel) {
  Echo echo;
  const int p = echo.server.port();
  struct Case {
    TSocksVersion version;
    std::string user, password;
    std::string host;
    bool one_byte;
    std::string expected;
  } cases[] = {
      {svSocks5, "", "", "127.0.0.1", false, Bytes({5, 1, 0, 5, 1, 0, 1, 127, 0, 0, 1}) + PortBytes(p)},
      {svSocks5, "", "", "127.0.0.1", true, Bytes({5, 1, 0, 5, 1, 0, 1, 127, 0, 0, 1}) + PortBytes(p)},
      {svSocks5, "bob", "pw", "127.0.0.1", true,
       Bytes({5, 1, 2, 1, 3}) + "bob" + Bytes({2}) + "pw" + Bytes({5, 1, 0, 1, 127, 0, 0, 1}) + PortBytes(p)},
      {svSocks5, "", "", "echo.socks.test", false,
       Bytes({5, 1, 0, 5, 1, 0, 3, 15}) + "echo.socks.test" + PortBytes(p)},
      {svSocks4, "bob", "", "127.0.0.1", false, Bytes({4, 1}) + PortBytes(p) + Bytes({127, 0, 0, 1}) + "bob" + Bytes({0})},
      {svSocks4, "", "", "127.0.0.1", true, Bytes({4, 1}) + PortBytes(p) + Bytes({127, 0, 0, 1, 0})},
      {svSocks4A, "", "", "echo.socks.test", true,
       Bytes({4, 1}) + PortBytes(p) + Bytes({0, 0, 0, 1, 0}) + "echo.socks.test" + Bytes({0})},
  };
  for (const auto& c : cases) {
    SocksServer::Options options;
    options.user = c.user;
    options.password = c.password;
    options.byte_at_a_time = c.one_byte;
    options.names["echo.socks.test"] = 0;
    SocksServer proxy(options);
    Use(proxy, c.version, c.user, c.password);
    Owner owner;
    ASSERT_TRUE(Dial(owner, c.host, p)) << c.expected.size();
    ASSERT_TRUE(owner.errors.empty());
    // Look-up and connecting pass through; once the tunnel is open,
    // seConnect, then seWrite.
    auto connect = std::find(owner.events.begin(), owner.events.end(), seConnect);
    ASSERT_NE(connect, owner.events.end());
    ASSERT_NE(connect + 1, owner.events.end());
    EXPECT_EQ(connect[1], seWrite);
    EXPECT_EQ(std::count(owner.events.begin(), owner.events.end(), seConnect), 1);
    owner.socket->Socket()->SendText("hi\n");
    ASSERT_TRUE(PumpUntil([&] { return owner.received == "echo:hi\n"; }));
    ASSERT_EQ(proxy.Negotiations().size(), 1u);
    EXPECT_EQ(proxy.Negotiations()[0], c.expected);
    owner.socket->Close();
    EXPECT_EQ(SocksClient().RecordCount(), 0u);
    EXPECT_TRUE(reported.empty());
  }
}

TEST_F(SocksTest, BytesAfterTheLastAnswerReachTheOwnerAsARead) {
  Echo echo;
  SocksServer::Options options;
  options.after_answer = "early";
  SocksServer proxy(options);
  Use(proxy, svSocks5);
  Owner owner;
  ASSERT_TRUE(Dial(owner, "127.0.0.1", echo.server.port()));
  ASSERT_TRUE(PumpUntil([&] { return owner.received == "early"; }));
}

TEST_F(SocksTest, RefusalsAndFailuresReachTheOwnerAsConnectErrors) {
  Echo echo;
  struct Case {
    const char* what;
    TSocksVersion version;
    SocksServer::Options options;
    std::string user;
    std::string host;
    int reported;  // 0: nothing to OnError
  };
  auto opts = [](auto f) {
    SocksServer::Options o;
    f(o);
    return o;
  };
  std::vector<Case> cases = {
      {"socks4 status 91", svSocks4, opts([](auto& o) { o.socks4_status = 91; }), "", "127.0.0.1", 0},
      {"socks5 reply 5", svSocks5, opts([](auto& o) { o.socks5_reply = 5; }), "", "127.0.0.1", 0},
      {"socks5 refused method", svSocks5, opts([](auto& o) { o.socks5_method = 255; }), "", "127.0.0.1", 0},
      {"wrong password", svSocks5, opts([](auto& o) { o.user = "bob"; o.password = "other"; }), "bob", "127.0.0.1", 0},
      {"gssapi", svSocks5, opts([](auto& o) { o.socks5_method = 1; }), "", "127.0.0.1", 41003},
      {"wrong version", svSocks5, opts([](auto& o) { o.first_byte = 4; }), "", "127.0.0.1", 41002},
      {"socks4 wrong version", svSocks4, opts([](auto& o) { o.first_byte = 9; }), "", "127.0.0.1", 41002},
      {"proxy hangs up", svSocks5, opts([](auto& o) { o.close_before_answer = true; }), "", "127.0.0.1", 41005},
      {"unknown name", svSocks4, SocksServer::Options{}, "", "nowhere.socks.test", 41006},
  };
  for (auto& c : cases) {
    reported.clear();
    texts.clear();
    SocksServer proxy(c.options);
    Use(proxy, c.version, c.user, c.user.empty() ? "" : "secret");
    Owner owner;
    ASSERT_TRUE(Dial(owner, c.host, echo.server.port())) << c.what;
    ASSERT_EQ(owner.errors.size(), 1u) << c.what;
    EXPECT_EQ(owner.errors[0].first, eeConnect) << c.what;
    EXPECT_EQ(owner.errors[0].second, 10060) << c.what;
    EXPECT_FALSE(owner.Saw(seConnect)) << c.what;
    if (c.reported == 0) {
      EXPECT_TRUE(reported.empty()) << c.what;
    } else {
      ASSERT_EQ(reported.size(), 1u) << c.what;
      EXPECT_EQ(reported[0], c.reported) << c.what;
      EXPECT_EQ(texts[0], SocksErrorText(c.reported));
    }
    EXPECT_FALSE(owner.socket->Socket()->Connected()) << c.what;
    EXPECT_EQ(SocksClient().RecordCount(), 0u) << c.what;
    // The socket is the owner's again, aimed at its own target.
    EXPECT_EQ(owner.socket->Host, c.host);
  }
}

TEST_F(SocksTest, AnOverlongUserNameFailsBeforeAnythingIsSent) {
  SocksServer proxy({});
  Use(proxy, svSocks5, std::string(256, 'u'), "pw");
  Owner owner;
  ASSERT_TRUE(Dial(owner, "127.0.0.1", 9));
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], 41004);
  // The proxy took the connection and heard nothing on it.
  ASSERT_TRUE(PumpUntil([&] { return proxy.Accepted() == 1; }));
  proxy.Stop();
  ASSERT_TRUE(proxy.WaitHandled(1));
  ASSERT_EQ(proxy.Negotiations().size(), 1u);
  EXPECT_EQ(proxy.Negotiations()[0], "");
}

TEST_F(SocksTest, SocketsWithoutAServerOrAHostAndRecordsOfSocketsGone) {
  Owner alone;  // no proxy set: left alone
  alone.socket->Host = "127.0.0.1";
  alone.socket->Port = 1234;
  SocksifyClientSocket(alone.socket);
  EXPECT_EQ(alone.socket->Host, "127.0.0.1");
  EXPECT_EQ(alone.socket->Port, 1234);
  EXPECT_EQ(SocksClient().RecordCount(), 0u);
  SocksServer proxy({});
  Use(proxy, svSocks5);
  {
    Owner owner;
    SocksifyClientSocket(owner.socket);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], 41001);
    EXPECT_EQ(texts[0], "No host specified. Socket cannot be sockified");
  }
  {
    Owner gone;
    gone.socket->Host = "127.0.0.1";
    gone.socket->Port = 5;
    SocksifyClientSocket(gone.socket);
    EXPECT_EQ(SocksClient().RecordCount(), 1u);
  }
  // The socket went without ever closing: its record went with it.
  EXPECT_EQ(SocksClient().RecordCount(), 0u);
}

TEST(SocksTexts, UnknownCodesAndConnectBytes) {
  EXPECT_EQ(SocksErrorText(90), "");
  EXPECT_EQ(SocksErrorText(41007), "Socks error #41007");
  EXPECT_EQ(Socks5Connect("abcdefghijk", 6346), Bytes({5, 1, 0, 3, 11}) + "abcdefghijk" + Bytes({0x18, 0xCA}));
  EXPECT_TRUE(IsSocksDottedHost(" 255.255.255.255"));
  EXPECT_FALSE(IsSocksDottedHost("1.2.3"));
  EXPECT_FALSE(IsSocksDottedHost("a.b.c.d"));
}

TEST(SocksReplies, AreGatheredToTheirFullLength) {
  const std::string domain = Bytes({5, 0, 0, 3, 4}) + "host" + Bytes({0, 80});
  for (std::size_t n = 0; n < domain.size(); ++n) {
    EXPECT_EQ(ReadSocks5ConnectReply(domain.substr(0, n)).Status, srWait) << n;
  }
  TSocksReply done = ReadSocks5ConnectReply(domain + "more");
  EXPECT_EQ(done.Status, srDone);
  EXPECT_EQ(done.Consumed, domain.size());
  EXPECT_EQ(ReadSocks5ConnectReply(Bytes({5, 0, 0, 4}) + std::string(17, 'x')).Status, srWait);
  EXPECT_EQ(ReadSocks5ConnectReply(Bytes({5, 0, 0, 4}) + std::string(18, 'x')).Consumed, 22u);
  EXPECT_TRUE(ReadSocks5ConnectReply(Bytes({5, 0, 0, 9})).UnknownAddressType);
  EXPECT_EQ(ReadSocks5ConnectReply(Bytes({5, 3, 0})).Status, srWait);
  EXPECT_EQ(ReadSocks5ConnectReply(Bytes({5, 3, 0, 1})).Consumed, 4u);
  EXPECT_EQ(ReadSocks4Reply(Bytes({0, 90, 0, 0, 0, 0, 0})).Status, srWait);
  EXPECT_EQ(ReadSocks4Reply(Bytes({0, 91, 0, 0, 0, 0, 0, 0})).Code, 91);
}

// Tells, as the last copy of a handler goes, what the client holds then.
struct ReleaseReport {
  explicit ReleaseReport(const TSocksify* watched) : client(watched) {}
  ReleaseReport(const ReleaseReport&) = delete;
  ReleaseReport& operator=(const ReleaseReport&) = delete;
  ~ReleaseReport() {
    std::fprintf(stderr, "released with server '%s' port %d %s user '%s'\n", client->Server.c_str(), client->Port,
                 client->Version == svSocks5 ? "socks5" : "another version", client->Username.c_str());
  }
  const TSocksify* client;
};

// At program end the program-wide client gets the settings it started with
// (no server, port 1080, SOCKS 5) and lets its handler go.
TEST(SocksProgramEnd, TheStartSettingsComeBackAndTheHandlerGoes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto report = std::make_shared<ReleaseReport>(&SocksClient());
        SetSocksOptions("127.0.0.9", 9050, svSocks4, [report](TObject*, TCustomWinSocket*, int&, const String&) {},
                        "me", "pw");
        report.reset();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "released with server '' port 1080 socks5 user ''");
}

}  // namespace
}  // namespace velko_test
