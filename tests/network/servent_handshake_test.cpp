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

struct Login {
  String ip;
  BYTE version;
  String user_agent;
  String info;
};

class HandshakeTest : public ServentTest {
 protected:
  void Record(TGnutella* servent, std::vector<Login>& logins) {
    servent->OnLogin = [&logins](TObject*, const String& ip, const GUID&, BYTE version,
                                 const String& agent, const String& info) {
      logins.push_back({ip, version, agent, info});
    };
  }
};

TEST_F(HandshakeTest, Version06BetweenTwoServents) {
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  std::vector<Login> a_logins, b_logins;
  Record(a, a_logins);
  Record(b, b_logins);
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  ASSERT_EQ(a_logins.size(), 1u);
  EXPECT_EQ(a_logins[0].version, 2);
  EXPECT_EQ(a_logins[0].user_agent, "TGnutella 1.0");
  EXPECT_NE(a_logins[0].info.find("X-Leaf-Max="), std::string::npos);
  ASSERT_EQ(b_logins.size(), 1u);
  EXPECT_EQ(b_logins[0].version, 2);
  EXPECT_EQ(b_logins[0].user_agent, "tgnutella 1.0");  // the server side lower-cases values
  TGnutellaClient* outgoing = LinkTo(a, "127.0.0.3");
  ASSERT_NE(outgoing, nullptr);
  EXPECT_EQ(outgoing->Version, 2);
  EXPECT_FALSE(outgoing->AwaitingHandshake);
  // The dialled host joins the host list.
  EXPECT_GE(a->IPManager->Hosts.IndexOf("127.0.0.3:" + std::to_string(port_)), 0);
}

TEST_F(HandshakeTest, Version04BetweenTwoServents) {
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  a->Version = gnu0_4;
  std::vector<Login> a_logins, b_logins;
  Record(a, a_logins);
  Record(b, b_logins);
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  ASSERT_EQ(a_logins.size(), 1u);
  EXPECT_EQ(a_logins[0].version, 1);
  EXPECT_EQ(a_logins[0].user_agent, "");
  ASSERT_EQ(b_logins.size(), 1u);
  EXPECT_EQ(b_logins[0].version, 1);
  EXPECT_EQ(b->Clients[0]->Version, 0);  // an incoming link keeps 0
}

TEST_F(HandshakeTest, IncomingLinkLearnsTheAnnouncedListenAddressNotTheSourcePort) {
  TGnutella* a = MakeServent("127.0.0.2");
  TGnutella* b = MakeServent("127.0.0.3");
  a->UseForceIP = true;
  a->ForceIP = "127.0.0.2";
  GnutellaClientOptions().ListenIP = "127.0.0.2:" + std::to_string(port_);
  ASSERT_TRUE(Link(a, b, "127.0.0.3"));
  ASSERT_EQ(b->IPManager->Hosts.Count(), 1);
  EXPECT_EQ(b->IPManager->Hosts.Strings(0), "127.0.0.2:" + std::to_string(port_));
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
// in two pieces, cut at each byte.
TEST_F(HandshakeTest, ServerSide06AtEveryCut) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->AutoPong = true;
  const std::string connect =
      "GNUTELLA CONNECT/0.6\r\nUser-Agent: Raw/1\r\nX-Ultrapeer: False\r\n\r\n";
  const std::string final_ok = "GNUTELLA/0.6 200 OK\r\n\r\n";
  const std::string ping = PingBytes(NewGuid(), 1);
  std::vector<std::pair<std::size_t, std::size_t>> cuts;  // (in connect, in final_ok)
  for (std::size_t k = 1; k < connect.size(); ++k) cuts.push_back({k, 0});
  for (std::size_t j = 1; j < final_ok.size() + ping.size(); ++j) cuts.push_back({0, j});
  std::size_t logins = 0;
  servent->OnLogin = [&](TObject*, const String&, const GUID&, BYTE version, const String& agent,
                         const String&) {
    EXPECT_EQ(version, 2);
    EXPECT_EQ(agent, "raw/1");
    ++logins;
  };
  for (auto [k, j] : cuts) {
    SCOPED_TRACE("cut " + std::to_string(k) + "/" + std::to_string(j));
    RawPeer peer;
    ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
    ASSERT_TRUE(PumpUntil([&] { return !servent->Clients.empty(); }));
    TGnutellaClient* link = servent->Clients.back().get();
    auto send_split = [&](const std::string& bytes, std::size_t cut) {
      if (cut == 0) {
        peer.Send(bytes);
        return;
      }
      double before = link->BytesReceived;
      peer.Send(bytes.substr(0, cut));
      ASSERT_TRUE(PumpUntil([&] { return link->BytesReceived >= before + cut; }));
      peer.Send(bytes.substr(cut));
    };
    send_split(connect, k);
    ASSERT_TRUE(peer.ReadContaining("\r\n\r\n"));
    EXPECT_EQ(peer.received, "GNUTELLA/0.6 200 OK\r\nUser-Agent: TGnutella 1.0\r\n\r\n");
    // The final answer, with a ping right behind it in the same stream.
    peer.received.clear();
    send_split(final_ok + ping, j);
    ASSERT_TRUE(peer.ReadAtLeast(37));  // the pong
    TGnutellaHeader pong =
        TGnutellaHeader::Read(reinterpret_cast<const BYTE*>(peer.received.data()));
    EXPECT_EQ(pong.PayloadType, gdPong);
    peer.Close();
    ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  }
  EXPECT_EQ(logins, cuts.size());
}

TEST_F(HandshakeTest, ServerSide04AtEveryCut) {
  TGnutella* servent = MakeServent("127.0.0.2");
  const std::string connect = "GNUTELLA CONNECT/0.4\n\n";
  const std::string ping = PingBytes(NewGuid(), 1);
  const std::string stream = connect + ping;
  int pings_before = 0;
  for (std::size_t k = 1; k < stream.size(); ++k) {
    SCOPED_TRACE("cut " + std::to_string(k));
    RawPeer peer;
    ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
    ASSERT_TRUE(PumpUntil([&] { return !servent->Clients.empty(); }));
    TGnutellaClient* link = servent->Clients.back().get();
    peer.Send(stream.substr(0, k));
    ASSERT_TRUE(PumpUntil([&] { return link->BytesReceived >= k; }));
    peer.Send(stream.substr(k));
    ASSERT_TRUE(peer.ReadAtLeast(13 + 37));
    EXPECT_EQ(peer.received.substr(0, 13), "GNUTELLA OK\n\n");
    EXPECT_EQ(static_cast<int>(servent->PingsReceived), ++pings_before);
    peer.Close();
    ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  }
}

// The client side of a servent against a plain listener whose reply comes
// in two pieces, cut at each byte.
TEST_F(HandshakeTest, ClientSide06AtEveryCut) {
  TGnutella* servent = MakeServent("127.0.0.2");
  RawListener listener("127.0.0.6");
  const std::string reply =
      "GNUTELLA/0.6 200 ok\r\nUser-Agent: Raw/2\r\nX-Try: 127.0.0.9:6346, 127.0.0.10:6347\r\n"
      "X-Try-Ultrapeers: 127.0.0.11:6348\r\n\r\n";
  const std::string ping = PingBytes(NewGuid(), 1);
  int logins = 0;
  servent->OnLogin = [&](TObject*, const String&, const GUID&, BYTE version, const String& agent,
                         const String&) {
    EXPECT_EQ(version, 2);
    EXPECT_EQ(agent, "Raw/2");
    ++logins;
  };
  for (std::size_t k = 1; k < reply.size() + ping.size(); ++k) {
    SCOPED_TRACE("cut " + std::to_string(k));
    servent->IPManager->Hosts.Clear();
    servent->ConnectTo("127.0.0.6", listener.port());
    std::unique_ptr<RawPeer> peer = listener.Accept();
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(peer->ReadContaining("\r\n\r\n"));
    EXPECT_EQ(peer->received.rfind("GNUTELLA CONNECT/0.6\r\n", 0), 0u);
    peer->received.clear();
    TGnutellaClient* link = servent->Clients.back().get();
    const std::string stream = reply + ping;
    peer->Send(stream.substr(0, k));
    ASSERT_TRUE(PumpUntil([&] { return link->BytesReceived >= k; }));
    peer->Send(stream.substr(k));
    ASSERT_TRUE(peer->ReadContaining("GNUTELLA/0.6 200 OK\r\n\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return servent->PingsReceived == static_cast<DWORD>(k); }));
    EXPECT_EQ(peer->received.substr(0, 23), "GNUTELLA/0.6 200 OK\r\n\r\n");
    // X-Try and X-Try-Ultrapeers hosts were learned (put first, so the
    // last one learned leads).
    EXPECT_GE(servent->IPManager->Hosts.IndexOf("127.0.0.9:6346"), 0);
    EXPECT_GE(servent->IPManager->Hosts.IndexOf("127.0.0.10:6347"), 0);
    EXPECT_GE(servent->IPManager->Hosts.IndexOf("127.0.0.11:6348"), 0);
    servent->DisconnectClient(link->ClientGUID);
    ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  }
  EXPECT_EQ(logins, static_cast<int>(reply.size() + ping.size() - 1));
}

TEST_F(HandshakeTest, ClientSide04AtEveryCut) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->Version = gnu0_4;
  RawListener listener("127.0.0.6");
  const std::string stream = "GNUTELLA OK\n\n" + PingBytes(NewGuid(), 1);
  for (std::size_t k = 1; k < stream.size(); ++k) {
    SCOPED_TRACE("cut " + std::to_string(k));
    servent->ConnectTo("127.0.0.6", listener.port());
    std::unique_ptr<RawPeer> peer = listener.Accept();
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(peer->ReadContaining("\n\n"));
    EXPECT_EQ(peer->received, "GNUTELLA CONNECT/0.4\n\n");
    TGnutellaClient* link = servent->Clients.back().get();
    peer->Send(stream.substr(0, k));
    ASSERT_TRUE(PumpUntil([&] { return link->BytesReceived >= k; }));
    peer->Send(stream.substr(k));
    ASSERT_TRUE(PumpUntil([&] { return servent->PingsReceived == static_cast<DWORD>(k); }));
    EXPECT_TRUE(link->LoggedIn);
    servent->DisconnectClient(link->ClientGUID);
    ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  }
}

TEST_F(HandshakeTest, BusyIsRefusedButItsHostsAreLearned) {
  TGnutella* servent = MakeServent("127.0.0.2");
  RawListener listener("127.0.0.6");
  std::vector<std::tuple<int, int, String>> errors;
  servent->OnError = [&](TObject*, const String&, const GUID&, int kind, int code,
                         const String& text) {
    errors.push_back({kind, code, text});
  };
  servent->ConnectTo("127.0.0.6", listener.port());
  std::unique_ptr<RawPeer> peer = listener.Accept();
  ASSERT_TRUE(peer->ReadContaining("\r\n\r\n"));
  peer->Send("GNUTELLA/0.6 503 Busy\r\nX-Try: 127.0.0.12:6346\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }));
  EXPECT_EQ(std::get<0>(errors[0]), 2);
  EXPECT_EQ(std::get<1>(errors[0]), 2);
  EXPECT_EQ(std::get<2>(errors[0]), "503 Busy");
  EXPECT_EQ(servent->IPManager->Hosts.IndexOf("127.0.0.12:6346"), 0);
  // The refused link is freed.
  ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  EXPECT_EQ(servent->NumClients(), 0);
}

TEST_F(HandshakeTest, AnythingElseOnA04LinkIsNotAccepted) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->Version = gnu0_4;
  RawListener listener("127.0.0.6");
  std::vector<String> texts;
  servent->OnError = [&](TObject*, const String&, const GUID&, int kind, int, const String& text) {
    EXPECT_EQ(kind, 2);
    texts.push_back(text);
  };
  servent->ConnectTo("127.0.0.6", listener.port());
  std::unique_ptr<RawPeer> peer = listener.Accept();
  ASSERT_TRUE(peer->ReadContaining("\n\n"));
  peer->Send("GNUTELLA/0.6 200 OK\r\n\r\n");
  ASSERT_TRUE(peer->WaitClosed());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "Connection not accepted by the client");
}

TEST_F(HandshakeTest, AnIncomingLinkRefusedAtItsLastStepReportsThePeersStatus) {
  TGnutella* servent = MakeServent("127.0.0.2");
  std::vector<std::tuple<int, int, String>> errors;
  servent->OnError = [&](TObject*, const String&, const GUID&, int kind, int code,
                         const String& text) {
    errors.push_back({kind, code, text});
  };
  for (const char* status : {"204 Shielded leaf node", "403 Forbidden"}) {
    errors.clear();
    RawPeer peer;
    ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
    peer.Send("GNUTELLA CONNECT/0.6\r\nUser-Agent: Raw\r\n\r\n");
    ASSERT_TRUE(peer.ReadContaining("\r\n\r\n"));
    peer.Send(std::string("GNUTELLA/0.6 ") + status + "\r\nX-Try-Ultrapeers: 127.0.0.9:6346\r\n\r\n");
    ASSERT_TRUE(peer.WaitClosed()) << status;
    ASSERT_EQ(errors.size(), 1u) << status;
    EXPECT_EQ(std::get<0>(errors[0]), 2);
    EXPECT_EQ(std::get<1>(errors[0]), 2);
    EXPECT_EQ(std::get<2>(errors[0]), status);
    ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  }
}

TEST_F(HandshakeTest, UnknownOpeningIsRefusedAndClosed) {
  TGnutella* servent = MakeServent("127.0.0.2");
  std::vector<String> texts;
  servent->OnError = [&](TObject*, const String&, const GUID&, int kind, int code,
                         const String& text) {
    EXPECT_EQ(kind, 2);
    EXPECT_EQ(code, 3);
    texts.push_back(text);
  };
  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  peer.Send("HELLO THERE\r\n\r\n");
  ASSERT_TRUE(peer.WaitClosed());
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "Unknown Gnutella protocol version");
}

TEST_F(HandshakeTest, UploadRequestHandsTheSocketOver) {
  TGnutella* servent = MakeServent("127.0.0.2");
  TCustomWinSocket* taken = nullptr;
  String name, agent;
  int index = 0;
  std::int64_t start = 0, stop = 0;
  servent->OnUploadFile = [&](TObject*, const String& file, int file_index, std::int64_t from,
                              std::int64_t to, const String& user_agent, TCustomWinSocket* socket) {
    name = file;
    index = file_index;
    start = from;
    stop = to;
    agent = user_agent;
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
  EXPECT_EQ(name, "my song.mp3");
  EXPECT_EQ(index, 12);
  EXPECT_EQ(start, 100);
  EXPECT_EQ(stop, -1);
  EXPECT_EQ(agent, "Raw 3");
  // The link is gone and counts no more; the socket works for its new owner.
  ASSERT_TRUE(PumpUntil([&] { return servent->Clients.empty(); }));
  EXPECT_EQ(taken->SendText("HTTP 200 OK\r\n\r\n"), 15);
  ASSERT_TRUE(peer.ReadContaining("HTTP 200 OK"));
}

TEST_F(HandshakeTest, OnlyAGivAnsweringAPushSentHandsTheSocketOver) {
  TGnutella* servent = MakeServent("127.0.0.2");
  TCustomWinSocket* taken = nullptr;
  String name, servent_id;
  int index = -1;
  servent->OnReceiveFile = [&](TObject*, const String& file, int file_index, const String& id,
                               TCustomWinSocket* socket) {
    name = file;
    index = file_index;
    servent_id = id;
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
  EXPECT_EQ(index, 3);
  EXPECT_EQ(servent_id, "00112233445566778899aabbccddeeff");
  EXPECT_EQ(name, "a file.ogg");
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

TEST_F(HandshakeTest, UploadWithANumberThatDoesNotParseEndsTheLink) {
  TGnutella* servent = MakeServent("127.0.0.2");
  bool uploaded = false;
  servent->OnUploadFile = [&](TObject*, const String&, int, int, int, const String&,
                              TCustomWinSocket* socket) {
    uploaded = true;
    delete socket;
  };
  std::vector<int> kinds;
  servent->OnError = [&](TObject*, const String&, const GUID&, int kind, int, const String&) {
    kinds.push_back(kind);
  };
  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  peer.Send("GET /get/abc/x HTTP/1.0\r\n\r\n");
  ASSERT_TRUE(peer.WaitClosed());
  EXPECT_FALSE(uploaded);
  ASSERT_EQ(kinds.size(), 1u);
  EXPECT_EQ(kinds[0], 2);
}

TEST_F(HandshakeTest, RefusedIncomingConnectionIsClosed) {
  TGnutella* servent = MakeServent("127.0.0.2");
  servent->OnIncomingConnection = [](TObject*, const String& ip, bool& accept) {
    EXPECT_EQ(ip, "127.0.0.1");
    accept = false;
  };
  RawPeer peer;
  ASSERT_TRUE(peer.Connect("127.0.0.2", port_));
  ASSERT_TRUE(peer.WaitClosed());
  EXPECT_TRUE(servent->Clients.empty());
}

}  // namespace
}  // namespace velko_test
