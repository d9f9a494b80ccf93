// The servent's SOCKS settings: what reaches the program-wide SOCKS client
// and when, SOCKS errors as servent errors, and a link through a proxy.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "network/Gnutella.h"
#include "network/Socksify.h"
#include "tests/network/network_fixture.h"
#include "tests/support/socks_server.h"

namespace velko_test {
namespace {

class ServentSocksTest : public ServentTest {
 protected:
  void TearDown() override {
    SetSocksForPeers(false);
    SetSocksForTransfers(false);
    SetSocksOptions("", 1080, svSocks5, nullptr, "", "");
    ServentTest::TearDown();
  }
};

TEST_F(ServentSocksTest, WritersTouchTheClientOnlyWhileActive) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->SetSocksServer("127.0.0.9");
  servent->SetSocksPort(2000);
  servent->SetSocksUsername("me");
  EXPECT_EQ(SocksClient().Server, "");
  EXPECT_EQ(SocksClient().Port, 1080);
  EXPECT_FALSE(SocksForPeers());
  servent->SetSocksActive(true);
  EXPECT_TRUE(SocksForPeers());
  EXPECT_FALSE(SocksForTransfers());
  EXPECT_EQ(SocksClient().Server, "127.0.0.9");
  EXPECT_EQ(SocksClient().Port, 2000);
  EXPECT_EQ(SocksClient().Username, "me");
  servent->SetSocksVersion(svSocks4A);
  servent->SetSocksPassword("pw");
  EXPECT_EQ(SocksClient().Version, svSocks4A);
  EXPECT_EQ(SocksClient().Password, "pw");
  servent->SetSocksActive(false);
  EXPECT_FALSE(SocksForPeers());
  servent->SetSocksServer("127.0.0.10");
  EXPECT_EQ(SocksClient().Server, "127.0.0.9");
  servent->SetSocksActiveFileTransfer(true);
  EXPECT_TRUE(SocksForTransfers());
  EXPECT_EQ(SocksClient().Server, "127.0.0.10");
}

TEST_F(ServentSocksTest, SocksErrorsArriveAsKindSixWithTheZeroGuid) {
  TGnutella* servent = MakeServent("127.0.0.2");
  std::vector<std::tuple<std::string, GUID, int, int, std::string>> errors;
  servent->OnError = [&](TObject*, const String& ip, const GUID& id, int kind, int code, const String& text) {
    errors.emplace_back(ip, id, kind, code, text);
  };
  servent->SetSocksServer("127.0.0.9");
  servent->SetSocksActive(true);
  int code = 41003;
  ASSERT_TRUE(SocksClient().OnError);
  SocksClient().OnError(nullptr, nullptr, code, SocksErrorText(41003));
  EXPECT_EQ(code, 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(std::get<0>(errors[0]), "");
  EXPECT_TRUE(IsEqualGUID(std::get<1>(errors[0]), GUID{}));
  EXPECT_EQ(std::get<2>(errors[0]), 6);
  EXPECT_EQ(std::get<3>(errors[0]), 41003);
  EXPECT_EQ(std::get<4>(errors[0]), "GSSAPI is not supported by TSockify");
  // Without a handler the code stays, so the client raises its exception.
  servent->OnError = nullptr;
  code = 41002;
  SocksClient().OnError(nullptr, nullptr, code, SocksErrorText(41002));
  EXPECT_EQ(code, 41002);
}

// A freed servent leaves no handler in the program-wide client (another
// servent's stays): a socket socksified afterwards calls into nothing that
// is gone. A socket without a host fails at once with 41001, which with no
// handler is raised.
TEST_F(ServentSocksTest, AFreedServentLeavesNoHandlerBehind) {
  for (const bool other_applies_last : {false, true}) {
    SCOPED_TRACE(other_applies_last);
    TGnutella* other = MakeServent("127.0.0.3");
    TGnutella* servent = MakeServent("127.0.0.2");
    std::vector<int> other_errors;
    other->OnError = [&](TObject*, const String&, const GUID&, int, int code, const String&) {
      other_errors.push_back(code);
    };
    servent->OnError = [](TObject*, const String&, const GUID&, int, int, const String&) {};
    if (!other_applies_last) other->SetSocksServer("127.0.0.8");
    servent->SetSocksServer("127.0.0.9");
    servent->SetSocksActive(true);
    if (other_applies_last) {
      other->SetSocksServer("127.0.0.8");
      other->SetSocksActive(true);
    }
    ASSERT_TRUE(SocksClient().OnError);
    servents_.pop_back();  // frees `servent`
    auto socket = std::make_unique<TClientSocket>(nullptr);
    if (other_applies_last) {
      // The other servent's handler stays and still hears of errors.
      ASSERT_TRUE(SocksClient().OnError);
      SocksifyClientSocket(socket.get());
      EXPECT_EQ(other_errors, std::vector<int>{41001});
    } else {
      EXPECT_FALSE(SocksClient().OnError);
      EXPECT_EQ(SocksClient().Server, "127.0.0.9");  // the settings themselves stay
      EXPECT_THROW(SocksifyClientSocket(socket.get()), ESocksError);
      EXPECT_TRUE(other_errors.empty());
    }
    servents_.clear();
    SetSocksOptions("", 1080, svSocks5, nullptr, "", "");
  }
}

TEST_F(ServentSocksTest, ALinkGoesThroughTheProxy) {
  SocksServer proxy({});
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  a->SetSocksServer("127.0.0.1");
  a->SetSocksPort(proxy.port());
  a->SetSocksActive(true);
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  EXPECT_EQ(proxy.Tunnels(), 1);
  ASSERT_EQ(proxy.Negotiations().size(), 1u);
  EXPECT_EQ(proxy.Negotiations()[0].substr(0, 3), std::string("\x05\x01\x00", 3));
}

}  // namespace
}  // namespace velko_test
