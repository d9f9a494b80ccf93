// Handshakes between servents and with plain peers on loopback: both
// protocols, both directions, every step split at every byte, refusals,
// X-Try hosts, and the GET and GIV hand-overs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/network/network_fixture.h"

namespace velko_test {
namespace {

using namespace std::chrono_literals;

class HandshakeTest : public ServentTest {
 protected:
  // Keeps the servent's logins in `logins`, each as "version agent".
  void Record(TGnutella* servent, std::vector<std::string>& logins) {
    servent->OnLogin = [&logins](TObject*, const String&, const GUID&, BYTE version, const String& agent,
                                 const String&) { logins.push_back(std::to_string(version) + " " + agent); };
  }
  // Sends `bytes` in two pieces cut at `cut` (whole when 0), the second
  // once `link` has read the first.
  void SendSplit(RawPeer& peer, TGnutellaClient* link, const std::string& bytes, std::size_t cut) {
    if (cut != 0) {
      const double before = link->BytesReceived;
      peer.Send(bytes.substr(0, cut));
      ASSERT_TRUE(PumpUntil([&] { return link->BytesReceived >= before + cut; }));
    }
    peer.Send(bytes.substr(cut));
  }
};

TEST_F(HandshakeTest, TwoServentsWithEitherVersion) {
  struct Case {
    TGnutellaVersion version;
    const char *a, *b;
    std::string a_login, b_login;
    BYTE outgoing, incoming;  // the links' Version: an incoming one keeps 0
  };
  for (const Case& c : {Case{gnu0_6, "127.0.0.2", "127.0.0.3", "2 TGnutella 1.0", "2 tgnutella 1.0", 2, 0},
                        Case{gnu0_4, "127.0.0.4", "127.0.0.5", "1 ", "1 ", 1, 0}}) {
    TGnutella* a = MakeServent(c.a);
    TGnutella* b = MakeServent(c.b);
    a->Version = c.version;
    std::vector<std::string> a_logins, b_logins;
    Record(a, a_logins);
    Record(b, b_logins);
    GnutellaClientOptions().ListenIP = String(c.a) + ":" + std::to_string(port_);
    ASSERT_TRUE(Link(a, b, c.b));
    EXPECT_EQ(a_logins, std::vector<std::string>{c.a_login});  // the server side lower-cases values
    EXPECT_EQ(b_logins, std::vector<std::string>{c.b_login});
    TGnutellaClient* outgoing = LinkTo(a, c.b);
    ASSERT_NE(outgoing, nullptr);
    EXPECT_EQ(outgoing->Version, c.outgoing);
    EXPECT_FALSE(outgoing->AwaitingHandshake);
    EXPECT_EQ(b->Clients[0]->Version, c.incoming);
    // The dialled host joins the host list; the dialling one joins the other's
    // under the listen address it announces (0.6), not its source port.
    EXPECT_GE(a->IPManager->Hosts.IndexOf(String(c.b) + ":" + std::to_string(port_)), 0);
    EXPECT_EQ(b->IPManager->Hosts.Text(), c.version == gnu0_6 ? String(c.a) + ":" + std::to_string(port_) + "\r\n" : "");
  }
}

// An X-Try item without a numeric port does not cost the link: it is
// skipped, and the rest is learned. "True" counts as true.
TEST_F(HandshakeTest, IncomingLinkSkipsAnXTryItemWithoutAPort) {
  TGnutella* servent = MakeServent("127.0.0.2");
  int logins = 0;
  servent->OnLogin = [&](TObject*, const String&, const GUID&, BYTE, const String&, const String&) {
    ++logins;
  };
  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  ASSERT_TRUE(PumpUntil([&] { return !servent->Clients.empty(); }));
  // The servent leaves an incoming link's hosts unheard; the test listens.
  std::vector<std::pair<String, int>> learned;
  servent->Clients[0]->OnTryHost = [&](TGnutellaClient*, const String& ip, int port) {
    learned.push_back({ip, port});
  };
  peer.Send("GNUTELLA CONNECT/0.6\r\nUser-Agent: Raw/1\r\nX-Ultrapeer: True\r\n"
            "X-Try: 127.0.0.9:x, 127.0.0.8:6346\r\n\r\n");
  ASSERT_TRUE(peer.ReadContaining("\r\n\r\n"));
  EXPECT_EQ(peer.received.rfind("GNUTELLA/0.6 200 OK\r\n", 0), 0u) << peer.received;
  peer.Send("GNUTELLA/0.6 200 OK\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return logins == 1; }));
  ASSERT_EQ(servent->Clients.size(), 1u);
  EXPECT_TRUE(servent->Clients[0]->RemoteUltrapeer);
  EXPECT_EQ(learned, (std::vector<std::pair<String, int>>{{"127.0.0.8", 6346}}));
}

// The server side of a servent against a plain peer that sends every step
// in two pieces, cut at each byte, with a ping right behind the last one.
TEST_F(HandshakeTest, ServerSideAtEveryCut) {
  TGnutella* servent = MakeServent("127.0.0.2");
  const std::string ping = PingBytes(NewGuid(), 1);
  std::vector<std::string> logins;
  Record(servent, logins);
  struct Case {
    std::string first, answer, second, login;
  };
  for (const Case& c : {Case{"GNUTELLA CONNECT/0.6\r\nUser-Agent: Raw/1\r\nX-Ultrapeer: False\r\n\r\n",
                             "GNUTELLA/0.6 200 OK\r\nUser-Agent: TGnutella 1.0\r\n\r\n",
                             "GNUTELLA/0.6 200 OK\r\n\r\n" + ping, "2 raw/1"},
                        Case{"GNUTELLA CONNECT/0.4\n\n" + ping, "GNUTELLA OK\n\n", "", "1 "}}) {
    std::vector<std::pair<std::size_t, std::size_t>> cuts;  // (in first, in second)
    for (std::size_t k = 1; k < c.first.size(); ++k) cuts.push_back({k, 0});
    for (std::size_t j = 1; j < c.second.size(); ++j) cuts.push_back({0, j});
    logins.clear();
    for (auto [k, j] : cuts) {
      SCOPED_TRACE(c.login + " cut " + std::to_string(k) + "/" + std::to_string(j));
      RawPeer peer;
      ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
      ASSERT_TRUE(PumpUntil([&] { return !servent->Clients.empty(); }));
      TGnutellaClient* link = servent->Clients.back().get();
      SendSplit(peer, link, c.first, k);
      ASSERT_TRUE(peer.ReadAtLeast(c.answer.size()));
      EXPECT_EQ(peer.received.substr(0, c.answer.size()), c.answer);
      if (!c.second.empty()) SendSplit(peer, link, c.second, j);
      ASSERT_TRUE(peer.ReadAtLeast(c.answer.size() + 37));  // the pong
      EXPECT_EQ(HeaderOf(peer.received, c.answer.size()).PayloadType, gdPong);
      peer.Close();
      ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
    }
    EXPECT_EQ(logins, std::vector<std::string>(cuts.size(), c.login));
  }
}

// The client side of a servent against a plain listener whose reply, with a
// ping behind it, comes in two pieces cut at each byte.
TEST_F(HandshakeTest, ClientSideAtEveryCut) {
  TGnutella* servent = MakeServent("127.0.0.2");
  const std::string ping = PingBytes(NewGuid(), 1);
  std::vector<std::string> logins;
  Record(servent, logins);
  struct Case {
    TGnutellaVersion version;
    std::string opening, reply, final_ok, login;
    std::vector<const char*> learned;  // X-Try and X-Try-Ultrapeers hosts
  };
  for (const Case& c :
       {Case{gnu0_6, "GNUTELLA CONNECT/0.6\r\n",
             "GNUTELLA/0.6 200 ok\r\nUser-Agent: Raw/2\r\nX-Try: 127.0.0.9:6346, 127.0.0.10:6347\r\n"
             "X-Try-Ultrapeers: 127.0.0.11:6348\r\n\r\n",
             "GNUTELLA/0.6 200 OK\r\n\r\n", "2 Raw/2", {"127.0.0.9:6346", "127.0.0.10:6347", "127.0.0.11:6348"}},
        Case{gnu0_4, "GNUTELLA CONNECT/0.4\n\n", "GNUTELLA OK\n\n", "", "1 ", {}}}) {
    servent->Version = c.version;
    const std::string stream = c.reply + ping;
    logins.clear();
    for (std::size_t k = 1; k < stream.size(); ++k) {
      SCOPED_TRACE(c.login + " cut " + std::to_string(k));
      servent->IPManager->Hosts.Clear();
      std::unique_ptr<RawPeer> peer = Dialled(servent, c.version == gnu0_6 ? "\r\n\r\n" : "\n\n");
      ASSERT_NE(peer, nullptr);
      EXPECT_EQ(peer->received.rfind(c.opening, 0), 0u);
      peer->received.clear();
      TGnutellaClient* link = servent->Clients.back().get();
      const DWORD pings = servent->PingsReceived;
      SendSplit(*peer, link, stream, k);
      ASSERT_TRUE(PumpUntil([&] { return servent->PingsReceived == pings + 1; }));
      EXPECT_TRUE(link->LoggedIn);
      ASSERT_TRUE(peer->ReadAtLeast(c.final_ok.size()));
      EXPECT_EQ(peer->received.substr(0, c.final_ok.size()), c.final_ok);
      for (const char* host : c.learned) EXPECT_GE(servent->IPManager->Hosts.IndexOf(host), 0) << host;
      servent->DisconnectClient(link->ClientGUID);
      ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
    }
    EXPECT_EQ(logins, std::vector<std::string>(stream.size() - 1, c.login));
  }
}

TEST_F(HandshakeTest, RefusedOutgoingLinksAreReportedAndFreed) {
  TGnutella* servent = MakeServent("127.0.0.2");
  RecordErrors(servent);
  struct Case {
    TGnutellaVersion version;
    const char *until, *reply, *error;
  };
  for (const Case& c :
       {Case{gnu0_6, "\r\n\r\n", "GNUTELLA/0.6 503 Busy\r\nX-Try: 127.0.0.12:6346\r\n\r\n", "2 2 503 Busy"},
        Case{gnu0_4, "\n\n", "GNUTELLA/0.6 200 OK\r\n\r\n", "2 2 Connection not accepted by the client"}}) {
    errors_.clear();
    servent->Version = c.version;
    std::unique_ptr<RawPeer> peer = Dialled(servent, c.until);
    ASSERT_NE(peer, nullptr);
    peer->Send(c.reply);
    ASSERT_TRUE(peer->WaitClosed()) << c.reply;
    ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
    EXPECT_EQ(servent->NumClients(), 0);
    EXPECT_EQ(errors_, std::vector<std::string>{c.error});
  }
  // A busy peer's hosts are learned all the same.
  EXPECT_EQ(servent->IPManager->Hosts.IndexOf("127.0.0.12:6346"), 0);
}

TEST_F(HandshakeTest, RefusedIncomingLinksAreReportedAndClosed) {
  TGnutella* servent = MakeServent("127.0.0.2");
  RecordErrors(servent);
  bool uploaded = false;
  servent->OnUploadFile = [&](TObject*, const String&, int, int, int, const String&, TCustomWinSocket* socket) {
    uploaded = true;
    delete socket;
  };
  struct Case {
    const char *opening, *last_step, *error;
  };
  const char* connect = "GNUTELLA CONNECT/0.6\r\nUser-Agent: Raw\r\n\r\n";
  for (const Case& c :
       {Case{connect, "204 Shielded leaf node", "2 2 204 Shielded leaf node"},
        Case{connect, "403 Forbidden", "2 2 403 Forbidden"},
        Case{"HELLO THERE\r\n\r\n", nullptr, "2 3 Unknown Gnutella protocol version"},
        Case{"GET /get/abc/x HTTP/1.0\r\n\r\n", nullptr, "2 3 Invalid number in Gnutella request"}}) {
    errors_.clear();
    RawPeer peer;
    ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
    peer.Send(c.opening);
    if (c.last_step) {
      ASSERT_TRUE(peer.ReadContaining("\r\n\r\n"));
      peer.Send(std::string("GNUTELLA/0.6 ") + c.last_step + "\r\nX-Try-Ultrapeers: 127.0.0.9:6346\r\n\r\n");
    }
    ASSERT_TRUE(peer.WaitClosed()) << c.opening;
    EXPECT_EQ(errors_, std::vector<std::string>{c.error});
    ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  }
  EXPECT_FALSE(uploaded);
  // A connection the program refuses is closed at once.
  servent->OnIncomingConnection = [](TObject*, const String& ip, bool& accept) {
    EXPECT_EQ(ip, "127.0.0.1");
    accept = false;
  };
  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  ASSERT_TRUE(peer.WaitClosed());
  EXPECT_TRUE(servent->Clients.empty());
}

TEST_F(HandshakeTest, UploadRequestHandsTheSocketOver) {
  TGnutella* servent = MakeServent("127.0.0.2");
  TCustomWinSocket* taken = nullptr;
  std::string request_seen;
  servent->OnUploadFile = [&](TObject*, const String& file, int index, std::int64_t from, std::int64_t to,
                              const String& agent, TCustomWinSocket* socket) {
    request_seen = file + "|" + std::to_string(index) + "|" + std::to_string(from) + "|" + std::to_string(to) +
                   "|" + agent;
    taken = socket;
  };
  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  const std::string request =
      "GET /get/12/my song.mp3 HTTP/1.0\r\nConnection: Keep-Alive\r\nRange: bytes=100-\r\n"
      "User-Agent: Raw 3\r\n\r\n";
  peer.Send(request.substr(0, 20));
  PumpFor(20ms);
  peer.Send(request.substr(20));
  ASSERT_TRUE(PumpUntil([&] { return taken != nullptr; }));
  std::unique_ptr<TCustomWinSocket> owned(taken);
  EXPECT_EQ(request_seen, "my song.mp3|12|100|-1|Raw 3");
  // The link is gone and counts no more; the socket works for its new owner.
  ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  EXPECT_EQ(taken->SendText("HTTP 200 OK\r\n\r\n"), 15);
  ASSERT_TRUE(peer.ReadContaining("HTTP 200 OK"));
}

TEST_F(HandshakeTest, OnlyAGivAnsweringAPushSentHandsTheSocketOver) {
  TGnutella* servent = MakeServent("127.0.0.2");
  TCustomWinSocket* taken = nullptr;
  std::string giv_seen;
  servent->OnReceiveFile = [&](TObject*, const String& file, int index, const String& id, TCustomWinSocket* socket) {
    giv_seen = file + "|" + std::to_string(index) + "|" + id;
    taken = socket;
  };
  GUID pushed;
  for (int i = 0; i < 16; ++i) reinterpret_cast<BYTE*>(&pushed)[i] = static_cast<BYTE>(i * 0x11);
  const std::string hex = "00112233445566778899AABBCCDDEEFF";
  auto offer = [&](const std::string& line) {
    RawPeer peer;
    EXPECT_TRUE(peer.Connect("127.0.0.2", port_));
    peer.Send(line);
    EXPECT_TRUE(peer.WaitClosed()) << line;
    EXPECT_EQ(peer.received, "") << line;
  };
  // Nobody asked: refused and counted.
  offer("GIV 3:" + hex + "/a file.ogg\n\n");
  EXPECT_EQ(servent->GivsRefused, 1u);
  servent->ExpectGiv(pushed, 3);
  offer("GIV 4:" + hex + "/a file.ogg\n\n");                           // another file
  offer("GIV 3:FF112233445566778899AABBCCDDEEFF/a file.ogg\n\n");       // another servent
  EXPECT_EQ(servent->GivsRefused, 3u);
  EXPECT_EQ(taken, nullptr);

  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  peer.Send("GIV 3:00112233445566778899aabbccddeeff/a file.ogg\n\n");
  ASSERT_TRUE(PumpUntil([&] { return taken != nullptr; }));
  std::unique_ptr<TCustomWinSocket> owned(taken);
  EXPECT_EQ(giv_seen, "a file.ogg|3|00112233445566778899aabbccddeeff");
  ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  peer.Send("HTTP 200 OK\r\n");
  ASSERT_TRUE(PumpUntil([&] { return taken->ReceiveLength() > 0; }));
  EXPECT_EQ(taken->ReceiveText(), "HTTP 200 OK\r\n");

  // A push is answered once, and only within its time.
  offer("GIV 3:" + hex + "/a file.ogg\n\n");
  servent->ExpectGiv(pushed, 5);
  servent->GivTimeout = 10;
  PumpFor(50ms);
  offer("GIV 5:" + hex + "/a file.ogg\n\n");
  EXPECT_EQ(servent->GivsRefused, 5u);
}

}  // namespace
}  // namespace velko_test
