// Feeds arbitrary bytes into a logged-in link of a servent that has two
// other logged-in links, all on loopback, so that what the servent does
// with a hostile descriptor (routing, forwarding, answering, its events)
// runs, not only the parsers. The other peers' and the sender's received
// bytes are read and dropped so that nothing backs up.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include <sanitizer/lsan_interface.h>

#include "network/Gnutella.h"
#include "platform/fs/drives.h"
#include "platform/net/winsock.h"
#include "platform/user/message_queue.h"

namespace {

using namespace std::chrono_literals;
using namespace winsock;

constexpr const char* kServentAddress = "127.0.0.61";

template <class Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit = 2s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(100us);
  }
}

sockaddr_in At(const char* address, int port) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<u_short>(port));
  at.sin_addr.s_addr = inet_addr(address);
  return at;
}

// A port free on the servent's address.
int FreePort() {
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in at = At(kServentAddress, 0);
  bind(probe, reinterpret_cast<sockaddr*>(&at), sizeof at);
  int length = sizeof at;
  getsockname(probe, reinterpret_cast<sockaddr*>(&at), &length);
  closesocket(probe);
  return ntohs(at.sin_port);
}

// A plain peer logged in with protocol 0.4.
class Peer {
 public:
  ~Peer() { Close(); }
  bool Open(TGnutella& servent, int port) {
    Close();
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = At(kServentAddress, port);
    connect(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at);
    // Set-up waits are generous: a loaded machine must not fail them.
    const bool connected = PumpUntil([&] {
      sockaddr_in peer;
      int length = sizeof peer;
      return getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
    }, 10s);
    if (!connected) return false;
    const int before = servent.GetLoggedInCount();
    Send("GNUTELLA CONNECT/0.4\n\n", 22);
    if (!PumpUntil([&] { return servent.GetLoggedInCount() > before; }, 10s)) return false;
    serial_ = servent.Clients.back()->Serial();
    Drain();
    return true;
  }
  void Close() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  // Gives up (the link is gone) when nothing moves for a while.
  void Send(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    PumpUntil([&] {
      while (size > 0) {
        const int sent = send(socket_, bytes, static_cast<int>(size), 0);
        if (sent == SOCKET_ERROR) {
          Drain();  // what the servent sends back must not block it
          return false;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
      }
      return true;
    });
  }
  void Drain() {
    char sink[65536];
    while (recv(socket_, sink, sizeof sink, 0) > 0) {
    }
  }
  // The servent's link for this peer, or null once it has gone.
  TGnutellaClient* Link(TGnutella& servent) const {
    for (const auto& link : servent.Clients) {
      if (link->Serial() == serial_) return link->LoggedIn && link->GetConnected() ? link.get() : nullptr;
    }
    return nullptr;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  std::uint64_t serial_ = 0;
};

struct World {
  std::filesystem::path windows;
  std::unique_ptr<TGnutella> servent;
  int port = 0;
  Peer peers[3];  // peers[0] sends the input

  World() {
    // The host list file goes into a folder of its own (the servent never
    // writes it here: it only reads it when connecting).
    windows = std::filesystem::temp_directory_path() / "velko-servent-fuzz";
    std::filesystem::create_directories(windows);
    platform::SetWindowsFolder(windows.string());
    port = FreePort();
    servent = std::make_unique<TGnutella>(nullptr);
    servent->ServerSocket->Address = kServentAddress;
    servent->UseForceIP = true;
    servent->ForceIP = kServentAddress;
    servent->AutoConnect = false;
    servent->AutoPing = false;
    servent->SetMaxConnections(8);
    servent->SetListenPort(static_cast<WORD>(port));
    servent->StartListening();
    if (!servent->IsListening()) std::abort();
    for (Peer& peer : peers) {
      if (!peer.Open(*servent, port)) std::abort();
    }
  }
};

// The servent lives as long as the process: what it and its links hold is
// not counted as leaked at exit (only what one input leaves behind is).
World& TheWorld() {
  static World* world = [] {
    __lsan::ScopedDisabler keep;
    return new World;
  }();
  return *world;
}

}  // namespace

// The servent and its links are made once, before the first input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TheWorld();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& world = TheWorld();
  TGnutella& servent = *world.servent;
  Peer& sender = world.peers[0];
  // A link the last input ended (an impossible length) is made again.
  if (sender.Link(servent) == nullptr) {
    __lsan::ScopedDisabler keep;
    PumpUntil([&] { return servent.GetLoggedInCount() <= 2; });
    if (!sender.Open(servent, world.port)) std::abort();
  }
  TGnutellaClient* link = sender.Link(servent);
  const double before = link->BytesReceived;
  sender.Send(data, size);
  PumpUntil([&] {
    TGnutellaClient* now = sender.Link(servent);
    return now == nullptr || now->BytesReceived >= before + static_cast<double>(size);
  });
  for (Peer& peer : world.peers) peer.Drain();
  return 0;
}
