// The servent's connection management: limits, dialling from the host
// list, the 0.4 redial, time limits on the handshake, the host file, and
// shutting down with links open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/AtomicFile.h"
#include "platform/core/clock.h"
#include "tests/network/network_fixture.h"

namespace velko_test {
namespace {

using namespace std::chrono_literals;

class ConnectionsTest : public ServentTest {
 protected:
  // Moves the manual clock on second by second, dispatching messages
  // (the links' one-second timers) after each step.
  void Seconds(int count) {
    for (int i = 0; i < count; ++i) {
      platform::AdvanceClockMs(1000);
      PumpFor(5ms);
    }
  }
  std::string Line(const std::string& address, int port) {
    return address + ":" + std::to_string(port);
  }
};

TEST_F(ConnectionsTest, ConnectDoesNothingWithMoreThanEnoughLinksLoggedIn) {
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  a->MinConnections = 0;  // one logged in is MinConnections + 1
  a->AutoConnect = true;
  a->IPManager->AddHost("127.0.0.20:1");
  int hosts = a->IPManager->Hosts.Count();
  a->Connect();
  EXPECT_EQ(a->IPManager->Hosts.Count(), hosts);
  EXPECT_EQ(a->GetClientCount(), 1);
}

TEST_F(ConnectionsTest, ConnectTakesHostsUpToTheLimit) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->ConnectTo("127.0.0.6", Listener().port());
  servent->ConnectTo("127.0.0.7", Listener().port());
  ASSERT_EQ(servent->GetClientCount(), 2);
  servent->SetMaxConnections(5);
  servent->AutoConnect = true;
  servent->MinConnections = 10;
  for (int i = 20; i < 26; ++i)
    servent->IPManager->AddHost(Line("127.0.0." + std::to_string(i), 1));
  servent->Connect();
  // From 2 up to 5 inclusive: four hosts taken from the top.
  EXPECT_EQ(servent->GetClientCount(), 6);
  ASSERT_EQ(servent->IPManager->Hosts.Count(), 2);
  EXPECT_EQ(servent->IPManager->Hosts.Strings(0), "127.0.0.24:1");
  EXPECT_EQ(servent->NumClients(), 6);
}

TEST_F(ConnectionsTest, MalformedHostLinesHostNamesAndRepeatedAddressesAreNotDialled) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->AutoConnect = true;
  servent->MinConnections = 10;
  servent->SetMaxConnections(3);
  for (const char* line : {"127.0.0.20:port", "garbage", "127.0.0.21:", "127.0.0.22:6346"}) {
    servent->IPManager->Hosts.Add(line);
  }
  servent->Connect();
  ASSERT_EQ(servent->GetClientCount(), 1);
  EXPECT_EQ(servent->Clients[0]->Host, "127.0.0.22");
  EXPECT_EQ(servent->Clients[0]->Port, 6346);
  // Host names are not dialled, addresses only once.
  servent->ConnectTo("localhost", 6346);
  servent->ConnectTo("127.0.0.1.5", 6346);
  EXPECT_EQ(servent->GetClientCount(), 1);
  servent->ConnectTo("127.0.0.30", 6346);
  servent->ConnectTo("127.0.0.30", 6347);
  EXPECT_EQ(servent->GetClientCount(), 2);
  EXPECT_TRUE(servent->Connected());
}

TEST_F(ConnectionsTest, FirewallMeansNoListening) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->StopListening();
  servent->SetFirewall(true);
  EXPECT_EQ(servent->ListenPort(), 0);
  servent->StartListening();
  EXPECT_FALSE(servent->IsListening());
  servent->SetListenPort(static_cast<WORD>(port_));
  EXPECT_TRUE(servent->Firewall());  // only writing True changes it back
  servent->SetFirewall(false);
  // (Some network stacks free a closed listening port a moment later.)
  EXPECT_TRUE(PumpUntil([&] {
    servent->SetIsListening(true);
    return servent->IsListening();
  }));
  servent->SetIsListening(false);
  EXPECT_FALSE(servent->IsListening());
}

TEST_F(ConnectionsTest, Version06DroppedDuringHandshakeIsDialledAgainWith04WhenAllowed) {
  TGnutella* servent = MakeServent("127.0.0.2");
  std::vector<BYTE> versions;
  servent->OnLogin = [&](TObject*, const String&, const GUID&, BYTE version, const String&, const String&) {
    versions.push_back(version);
  };
  for (bool allowed : {false, true}) {
    servent->AllowGnutella0_4 = allowed;
    std::unique_ptr<RawPeer> first = Dialled(servent);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->received.rfind("GNUTELLA CONNECT/0.6\r\n", 0), 0u);
    first->Close();  // before any reply
    if (!allowed) {
      ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
      EXPECT_EQ(Listener().Accept(200ms), nullptr);
      continue;
    }
    std::unique_ptr<RawPeer> second = Listener().Accept();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(second->ReadContaining("\n\n"));
    EXPECT_EQ(second->received, "GNUTELLA CONNECT/0.4\n\n");
    second->Send("GNUTELLA OK\n\n");
    ASSERT_TRUE(PumpUntil([&] { return !versions.empty(); }));
  }
  EXPECT_EQ(versions, std::vector<BYTE>{1});
  EXPECT_EQ(servent->GetClientCount(), 1);
}

TEST_F(ConnectionsTest, OutgoingLinkWithoutReplyTimesOutAfterTwentyOneSecondsAndIsReplaced) {
  platform::UseManualClock(platform::ClockMicros());
  TGnutella* servent = MakeServent("127.0.0.2");
  RecordErrors(servent);
  RawListener next("127.0.0.7");
  servent->IPManager->AddHost(Line("127.0.0.7", next.port()));
  std::unique_ptr<RawPeer> silent = Dialled(servent);
  ASSERT_TRUE(PumpUntil([&] { return servent->Clients[0]->GetConnected(); }));
  servent->AutoConnect = true;
  Seconds(20);
  EXPECT_TRUE(errors_.empty());
  Seconds(1);
  EXPECT_EQ(errors_, std::vector<std::string>{"3 0 Timeout"});
  std::unique_ptr<RawPeer> replacement = next.Accept();
  ASSERT_NE(replacement, nullptr);
  ASSERT_TRUE(replacement->ReadContaining("GNUTELLA CONNECT/0.6"));
  ASSERT_TRUE(PumpUntil([&] { return servent->GetClientCount() == 1; }));
  EXPECT_EQ(servent->Clients[0]->Host, "127.0.0.7");
}

TEST_F(ConnectionsTest, IncomingLinkWithoutHandshakeIsClosedAfterTwentyOneSeconds) {
  platform::UseManualClock(platform::ClockMicros());
  TGnutella* servent = MakeServent("127.0.0.2");
  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  ASSERT_TRUE(PumpUntil([&] { return servent->GetClientCount() == 1; }));
  Seconds(20);
  peer.Drain();
  EXPECT_FALSE(peer.WaitClosed(20ms));
  Seconds(1);
  EXPECT_TRUE(peer.WaitClosed());
  ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
}

TEST_F(ConnectionsTest, RatesAreTheBytesOfTheLastSecond) {
  platform::UseManualClock(platform::ClockMicros());
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  Seconds(1);
  a->Search("twelve chars");  // 23 + 15 bytes
  ASSERT_TRUE(PumpUntil([&] { return b->QueriesReceived == 1; }));
  Seconds(1);
  EXPECT_EQ(a->CurrentUpSpeed(), 38.0);
  EXPECT_EQ(b->CurrentDownSpeed(), 38.0);
  Seconds(1);
  EXPECT_EQ(a->CurrentUpSpeed(), 0.0);
}

TEST_F(ConnectionsTest, HostFileRoundTripAndAFailedSaveKeepsTheOldFile) {
  std::string file = (windows_->path() / "TGNU.ips").string();
  TGnutella* servent = MakeServent("127.0.0.2");
  EXPECT_EQ(servent->IPManager->Hosts.Count(), 0);  // no file yet
  servent->HostFound("127.0.0.40", 6346);
  servent->HostFound("127.0.0.41", 6347);
  servent->HostFound("127.0.0.40", 6346);  // no duplicates
  servents_.clear();
  EXPECT_EQ(ReadFile(file), "127.0.0.41:6347\r\n127.0.0.40:6346\r\n");
  TGnutella* again = MakeServent("127.0.0.3");
  ASSERT_EQ(again->IPManager->Hosts.Count(), 2);
  EXPECT_EQ(again->IPManager->Hosts.Strings(0), "127.0.0.41:6347");
  // The file is replaced whole: a save that fails on the way keeps it.
  again->IPManager->AddHost("127.0.0.10:2");
  classlib::testing::SetBeforeReplaceHook([](const String&) { throw std::runtime_error("crash"); });
  EXPECT_NO_THROW(servents_.clear());
  classlib::testing::SetBeforeReplaceHook(nullptr);
  EXPECT_EQ(ReadFile(file), "127.0.0.41:6347\r\n127.0.0.40:6346\r\n");
}

TEST_F(ConnectionsTest, DisconnectClosesEveryLink) {
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  TGnutella* c = MakeServent("127.0.0.4");
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  ASSERT_TRUE(Link(c, a, "127.0.0.2"));
  ASSERT_EQ(a->GetClientCount(), 2);
  std::vector<String> destroyed;
  a->OnDestroyClient = [&](TObject*, const String& ip, const GUID&) { destroyed.push_back(ip); };
  a->Disconnect();
  EXPECT_FALSE(a->Connected());
  EXPECT_FALSE(a->AutoConnect);
  ASSERT_TRUE(PumpUntil([&] { return a->Clients.empty(); }));
  EXPECT_EQ(destroyed.size(), 2u);
  ASSERT_TRUE(PumpUntil([&] { return b->Clients.empty() && c->Clients.empty(); }));
  EXPECT_EQ(a->NumClients(), 0);
}

TEST_F(ConnectionsTest, ShutDownWithOpenLinksFinishesAtOnce) {
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  a->ConnectTo("127.0.0.6", Listener().port());  // one still in its handshake
  RawPeer incoming;
  ASSERT_TRUE(incoming.Connect("127.0.0.2", port_));  // and one never logged in
  ASSERT_TRUE(PumpUntil([&] { return a->GetClientCount() == 3; }));
  auto started = std::chrono::steady_clock::now();
  servents_.erase(servents_.begin());  // a goes
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  EXPECT_TRUE(incoming.WaitClosed());
  ASSERT_TRUE(PumpUntil([&] { return b->Clients.empty(); }));
}

TEST_F(ConnectionsTest, SettingsMaxConnectionsAsLeafMaxConnectionTypeAndRemoteIp) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->SetMaxConnections(8);
  std::unique_ptr<RawPeer> peer = Dialled(servent);
  ASSERT_NE(peer, nullptr);
  EXPECT_NE(peer->received.find("X-Leaf-Max: 8\r\n"), std::string::npos);
  EXPECT_NE(peer->received.find("Listen-IP: "), std::string::npos);
  EXPECT_NE(peer->received.find(":" + std::to_string(port_) + "\r\n"), std::string::npos);
  // A user-defined connection type keeps the preset's values.
  servent->SetConnectionType(ctT1);
  servent->SetConnectionType(ctUserDefined);
  EXPECT_EQ(servent->MaxConnections(), 50);
  EXPECT_TRUE(servent->Ultrapeer());
  // A remote IP of no address is ignored.
  servent->SetRemoteIP("127.0.0.50");
  servent->SetRemoteIP("0.0.0.0");
  EXPECT_EQ(servent->RemoteIP(), "127.0.0.50");
}

// Each connection type sets its row; the user-defined type keeps the last.
TEST_F(ConnectionsTest, ConnectionTypePresets) {
  TGnutella* servent = MakeServent("127.0.0.2");
  struct Preset {
    TConnectionType type;
    int min, max;
    bool ultrapeer, allow04;
    WORD line_speed;
  } presets[] = {
      {ct14Modem, 2, 5, false, false, 14}, {ct28Modem, 3, 6, false, false, 28},
      {ct33Modem, 4, 7, false, false, 33}, {ct56Modem, 5, 10, false, false, 56},
      {ct64ISDN, 6, 11, false, false, 64}, {ct128ISDN, 7, 12, false, false, 128},
      {ctCable, 8, 20, false, false, 300}, {ctDSL, 8, 20, false, false, 128},
      {ctT1, 15, 50, true, true, 1000},    {ctT3, 15, 50, true, true, 10000},
  };
  for (const Preset& p : presets) {
    servent->SetConnectionType(p.type);
    EXPECT_EQ(servent->ConnectionType(), p.type);
    EXPECT_EQ(servent->MinConnections, p.min) << p.type;
    EXPECT_EQ(servent->MaxConnections(), p.max) << p.type;
    EXPECT_EQ(servent->Ultrapeer(), p.ultrapeer) << p.type;
    EXPECT_TRUE(servent->UltrapeerNeeded()) << p.type;
    EXPECT_EQ(servent->AllowGnutella0_4, p.allow04) << p.type;
    EXPECT_EQ(servent->LineSpeed, p.line_speed) << p.type;
  }
  servent->SetConnectionType(ctUserDefined);
  EXPECT_EQ(servent->ConnectionType(), ctUserDefined);
  EXPECT_EQ(servent->MinConnections, 15);
  EXPECT_EQ(servent->LineSpeed, 10000);
  EXPECT_TRUE(servent->AllowGnutella0_4);
}

TEST_F(ConnectionsTest, SharesGoThroughTheServent) {
  TGnutella* servent = MakeServent("127.0.0.2");
  TempDir files;
  std::string one = files.WriteFile("one beat.mp3", "a").string();
  std::string two = files.WriteFile("two BEAT.mp3", "b").string();
  servent->AddShare(one);
  servent->AddShare(two);
  servent->RemoveShare(one);
  EXPECT_EQ(servent->SharedFiles->Count(), 1);
  EXPECT_EQ(servent->GetSharedFileName(1), two);
  EXPECT_EQ(servent->GetSharedFileName(0), "");
  EXPECT_EQ(servent->GetSharedFileName(99), "");
}

}  // namespace
}  // namespace velko_test
