#include "tests/network/network_fixture.h"

#include <cstring>
#include <thread>

#include "platform/core/clock.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/user/message_queue.h"
#include "tests/support/message_pump.h"

namespace velko_test {

using namespace std::chrono_literals;
using namespace winsock;

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  return PumpMessagesUntil(done, std::chrono::duration<double>(limit).count());
}

void PumpFor(std::chrono::milliseconds during) { PumpMessagesFor(std::chrono::duration<double>(during).count()); }

namespace {

sockaddr_in AddressOf(const std::string& address, int port) {
  sockaddr_in at;
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<winsock::u_short>(port));
  at.sin_addr.s_addr = inet_addr(address.c_str());
  return at;
}

}  // namespace

int FreeLoopbackPort(const std::vector<std::string>& addresses) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = AddressOf(addresses.front(), 0);
    bind(probe, reinterpret_cast<sockaddr*>(&at), sizeof at);
    int length = sizeof at;
    getsockname(probe, reinterpret_cast<sockaddr*>(&at), &length);
    int port = ntohs(at.sin_port);
    closesocket(probe);
    bool free_everywhere = true;
    for (const std::string& address : addresses) {
      SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      sockaddr_in there = AddressOf(address, port);
      free_everywhere &= bind(s, reinterpret_cast<sockaddr*>(&there), sizeof there) == 0;
      closesocket(s);
    }
    if (free_everywhere) return port;
  }
  return 0;
}

// --- RawPeer ----------------------------------------------------------------

RawPeer::~RawPeer() {
  Close();
}

void RawPeer::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

bool RawPeer::Connect(const std::string& address, int port) {
  socket_ = winsock::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in to = AddressOf(address, port);
  connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to);
  return PumpUntil([&] {
    sockaddr_in peer;
    int length = sizeof peer;
    return getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
  });
}

void RawPeer::Send(const std::string& bytes) {
  std::size_t done = 0;
  PumpUntil([&] {
    while (done < bytes.size()) {
      int n = send(socket_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
      if (n == SOCKET_ERROR) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  });
}

void RawPeer::Drain() {
  char buffer[65536];
  for (;;) {
    int n = recv(socket_, buffer, sizeof buffer, 0);
    if (n > 0) {
      received.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0 || WSAGetLastError() != static_cast<int>(WSAEWOULDBLOCK)) closed_ = true;
    return;
  }
}

bool RawPeer::ReadUntil(const std::function<bool(const std::string&)>& done,
                        std::chrono::milliseconds limit) {
  return PumpUntil(
      [&] {
        Drain();
        return done(received);
      },
      limit);
}

bool RawPeer::WaitClosed(std::chrono::milliseconds limit) {
  return PumpUntil(
      [&] {
        Drain();
        return closed_;
      },
      limit);
}

// --- RawListener ------------------------------------------------------------

RawListener::RawListener(const std::string& address) {
  socket_ = winsock::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in at = AddressOf(address, 0);
  bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at);
  listen(socket_, SOMAXCONN);
  int length = sizeof at;
  getsockname(socket_, reinterpret_cast<sockaddr*>(&at), &length);
  port_ = ntohs(at.sin_port);
}

RawListener::~RawListener() {
  closesocket(socket_);
}

std::unique_ptr<RawPeer> RawListener::Accept(std::chrono::milliseconds limit) {
  SOCKET accepted = INVALID_SOCKET;
  PumpUntil(
      [&] {
        accepted = accept(socket_, nullptr, nullptr);
        return accepted != INVALID_SOCKET;
      },
      limit);
  if (accepted == INVALID_SOCKET) return nullptr;
  return std::make_unique<RawPeer>(accepted);
}

// --- Descriptors ------------------------------------------------------------

std::string Bytes(const std::vector<BYTE>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string PingBytes(const GUID& id, BYTE ttl, BYTE hops) {
  TGnutellaHeader header;
  header.DescriptorID = id;
  header.PayloadType = gdPing;
  header.TTL = ttl;
  header.Hops = hops;
  return Bytes(BuildDescriptor(header, nullptr, 0));
}

std::string QueryBytes(const GUID& id, BYTE ttl, const std::string& text) {
  return Bytes(BuildQuery(id, ttl, 0, text));
}

TGnutellaHeader HeaderOf(const std::string& bytes, std::size_t at) {
  return TGnutellaHeader::Read(reinterpret_cast<const BYTE*>(bytes.data() + at));
}

std::vector<std::string> SplitDescriptors(const std::string& stream) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at + 23 <= stream.size();) {
    const std::size_t size = 23 + HeaderOf(stream, at).PayloadLength;
    if (at + size > stream.size()) break;
    out.push_back(stream.substr(at, size));
    at += size;
  }
  return out;
}

GUID NewGuid() {
  GUID guid;
  CoCreateGuid(&guid);
  return guid;
}

// --- ServentTest ------------------------------------------------------------

void ServentTest::SetUp() {
  char folder[MAX_PATH] = {};
  GetWindowsDirectory(folder, MAX_PATH);
  saved_windows_ = platform::NativePath(folder).value_or("");
  windows_ = std::make_unique<TempDir>();
  platform::SetWindowsFolder(windows_->path().string());
  port_ = FreeLoopbackPort({"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"});
  ASSERT_NE(port_, 0);
}

void ServentTest::TearDown() {
  servents_.clear();
  listener_.reset();
  platform::UseRealClock();
  PumpFor(10ms);
  if (!saved_windows_.empty()) platform::SetWindowsFolder(saved_windows_);
}

TGnutella* ServentTest::MakeServent(const std::string& address) {
  auto servent = std::make_unique<TGnutella>(nullptr);
  servent->ServerSocket->Address = address;
  servent->UseForceIP = true;  // each servent announces its own address
  servent->ForceIP = address;
  servent->AutoConnect = false;
  servent->AutoPing = false;
  servent->MinConnections = 1;
  servent->SetMaxConnections(8);
  // The listen port is one value of all servents (the handshake options);
  // each servent's creation sets it back to its own default, which does not
  // move the sockets the others listen on already.
  servent->SetListenPort(static_cast<WORD>(port_));
  servent->StartListening();
  EXPECT_TRUE(servent->IsListening()) << address << ":" << port_;
  servents_.push_back(std::move(servent));
  return servents_.back().get();
}

bool ServentTest::Link(TGnutella* from, TGnutella* to, const std::string& to_address) {
  int from_before = from->GetLoggedInCount();
  int to_before = to->GetLoggedInCount();
  from->ConnectTo(to_address, port_);
  return PumpUntil([&] {
    return from->GetLoggedInCount() == from_before + 1 && to->GetLoggedInCount() == to_before + 1;
  });
}

bool ServentTest::Login04(RawPeer& peer, const std::string& address) {
  if (!peer.Connect(address, port_)) return false;
  peer.Send("GNUTELLA CONNECT/0.4\n\n");
  const bool in = peer.ReadContaining("GNUTELLA OK\n\n");
  peer.received.clear();
  return in;
}

RawListener& ServentTest::Listener() {
  if (!listener_) listener_ = std::make_unique<RawListener>("127.0.0.6");
  return *listener_;
}

std::unique_ptr<RawPeer> ServentTest::Dialled(TGnutella* servent, const std::string& until) {
  servent->ConnectTo("127.0.0.6", Listener().port());
  std::unique_ptr<RawPeer> peer = Listener().Accept();
  EXPECT_TRUE(peer && peer->ReadContaining(until));
  return peer;
}

void ServentTest::RecordErrors(TGnutella* servent) {
  servent->OnError = [this](TObject*, const String&, const GUID&, int kind, int code, const String& text) {
    errors_.push_back(std::to_string(kind) + " " + std::to_string(code) + " " + text);
  };
}

TGnutellaClient* ServentTest::LinkTo(TGnutella* servent, const std::string& host) {
  for (const auto& link : servent->Clients) {
    if (link->Host == host) return link.get();
  }
  return nullptr;
}

}  // namespace velko_test
