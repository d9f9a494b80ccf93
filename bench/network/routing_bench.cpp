// Routing throughput of one servent with eight links on loopback.
//
// Eight plain peers log in to the servent (protocol 0.4). A driver thread
// plays the peers: it sends descriptors on all eight and reads everything
// the servent passes on, so that the peers are never what holds the
// servent back. The servent runs on the benchmark's own thread, on its
// message loop, as in the program. A descriptor counts as routed once the
// servent has received it, looked it up in its routing table and passed it
// on.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "network/Gnutella.h"
#include "platform/fs/drives.h"
#include "platform/net/winsock.h"
#include "platform/user/message_queue.h"

namespace {

using namespace winsock;

constexpr int kLinks = 8;

sockaddr_in Address(const char* address, int port) {
  sockaddr_in at;
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<winsock::u_short>(port));
  at.sin_addr.s_addr = inet_addr(address);
  return at;
}

void Pump(const std::function<bool()>& done) {
  MSG msg;
  while (!done()) {
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessage(&msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
  }
}

// A servent with eight logged-in plain peers.
class Network {
 public:
  Network() {
    platform::SetWindowsFolder("/tmp");
    servent_ = std::make_unique<TGnutella>(nullptr);
    servent_->ServerSocket->Address = "127.0.0.2";
    servent_->AutoConnect = false;
    servent_->AutoPing = false;
    servent_->AutoPong = true;
    servent_->SetListenPort(0);
    servent_->SetFirewall(false);
    // Any free port of 127.0.0.2.
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = Address("127.0.0.2", 0);
    bind(probe, reinterpret_cast<sockaddr*>(&at), sizeof at);
    int length = sizeof at;
    getsockname(probe, reinterpret_cast<sockaddr*>(&at), &length);
    closesocket(probe);
    port_ = ntohs(at.sin_port);
    servent_->SetListenPort(static_cast<WORD>(port_));
    servent_->StartListening();
    for (int i = 0; i < kLinks; ++i) {
      SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      sockaddr_in to = Address("127.0.0.2", port_);
      connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to);
      peers_.push_back(s);
    }
    Pump([&] { return servent_->GetClientCount() == kLinks; });
    for (SOCKET s : peers_) SendAll(s, "GNUTELLA CONNECT/0.4\n\n");
    Pump([&] { return servent_->GetLoggedInCount() == kLinks; });
    for (SOCKET s : peers_) Drain(s);
  }
  ~Network() {
    servent_.reset();
    for (SOCKET s : peers_) closesocket(s);
  }

  static void SendAll(SOCKET s, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      int n = send(s, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
      if (n > 0) done += static_cast<std::size_t>(n);
    }
  }
  static std::size_t Drain(SOCKET s) {
    static thread_local char buffer[1 << 16];
    std::size_t total = 0;
    for (;;) {
      int n = recv(s, buffer, sizeof buffer, 0);
      if (n <= 0) return total;
      total += static_cast<std::size_t>(n);
    }
  }

  // The driver: sends each peer's bytes in slices while reading everything
  // that comes back, until all is sent.
  void Drive(const std::vector<std::string>& per_peer) {
    std::vector<std::size_t> sent(peers_.size(), 0);
    bool more = true;
    while (more) {
      more = false;
      for (std::size_t i = 0; i < peers_.size(); ++i) {
        const std::string& bytes = per_peer[i];
        if (sent[i] < bytes.size()) {
          std::size_t slice = std::min<std::size_t>(16384, bytes.size() - sent[i]);
          int n = send(peers_[i], bytes.data() + sent[i], static_cast<int>(slice), 0);
          if (n > 0) sent[i] += static_cast<std::size_t>(n);
          more = true;
        }
        Drain(peers_[i]);
      }
    }
  }
  void KeepDraining(const std::atomic<bool>& stop) {
    while (!stop.load()) {
      std::size_t got = 0;
      for (SOCKET s : peers_) got += Drain(s);
      if (got == 0) std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  }

  TGnutella* servent() { return servent_.get(); }

 private:
  std::unique_ptr<TGnutella> servent_;
  std::vector<SOCKET> peers_;
  int port_ = 0;
};

GUID NewGuid() {
  GUID guid;
  CoCreateGuid(&guid);
  return guid;
}

// Queries from every peer (TTL 2): each is looked up and passed on to the
// seven other links.
void BM_RouteFloodedQueries(benchmark::State& state) {
  Network network;
  TGnutella* servent = network.servent();
  const int per_peer = static_cast<int>(state.range(0)) / kLinks;
  std::uint64_t serial = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> traffic(kLinks);
    for (int p = 0; p < kLinks; ++p) {
      for (int i = 0; i < per_peer; ++i) {
        std::vector<BYTE> query = BuildQuery(NewGuid(), 2, 0, "search " + std::to_string(serial++));
        traffic[static_cast<std::size_t>(p)].append(reinterpret_cast<const char*>(query.data()),
                                                    query.size());
      }
    }
    const DWORD target = servent->QueriesForwarded + static_cast<DWORD>(per_peer * kLinks);
    state.ResumeTiming();
    std::atomic<bool> stop{false};
    std::thread driver([&] {
      network.Drive(traffic);
      network.KeepDraining(stop);
    });
    Pump([&] { return servent->QueriesForwarded >= target; });
    stop = true;
    driver.join();
  }
  state.SetItemsProcessed(state.iterations() * per_peer * kLinks);
  state.counters["dropped"] = servent->QueriesDropped;
}
BENCHMARK(BM_RouteFloodedQueries)->Arg(80000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Pongs to pings that came through the servent: each is looked up and sent
// back to the one link its ping came from.
void BM_RouteBackPongs(benchmark::State& state) {
  Network network;
  TGnutella* servent = network.servent();
  servent->AutoPong = false;
  const int per_peer = static_cast<int>(state.range(0)) / (kLinks - 1);
  for (auto _ : state) {
    state.PauseTiming();
    // Peer 0 pings; the seven others answer each ping with a pong. The
    // routing table remembers the last 100 pings, so pings and pongs go in
    // rounds of 80.
    const int kRound = 80;
    std::vector<GUID> ids;
    for (int i = 0; i < per_peer; ++i) ids.push_back(NewGuid());
    state.ResumeTiming();
    std::atomic<bool> stop{false};
    std::thread driver([&] { network.KeepDraining(stop); });
    for (int first = 0; first < per_peer; first += kRound) {
      int last = std::min(per_peer, first + kRound);
      std::string ping_bytes;
      for (int i = first; i < last; ++i) {
        TGnutellaHeader header;
        header.DescriptorID = ids[static_cast<std::size_t>(i)];
        header.PayloadType = gdPing;
        header.TTL = 1;
        std::vector<BYTE> ping = BuildDescriptor(header, nullptr, 0);
        ping_bytes.append(reinterpret_cast<const char*>(ping.data()), ping.size());
      }
      const DWORD pings_before = servent->PingsReceived;
      std::vector<std::string> pongs(kLinks);
      for (int p = 1; p < kLinks; ++p) {
        TPongFields fields;
        fields.Port = 6346;
        fields.Address = inet_addr(("127.0.1." + std::to_string(p)).c_str());
        for (int i = first; i < last; ++i) {
          std::vector<BYTE> pong = BuildPong(ids[static_cast<std::size_t>(i)], 3, fields);
          pongs[static_cast<std::size_t>(p)].append(reinterpret_cast<const char*>(pong.data()),
                                                    pong.size());
        }
      }
      const DWORD target = servent->PongsRouted + static_cast<DWORD>((last - first) * (kLinks - 1));
      std::vector<std::string> first_half(kLinks);
      first_half[0] = ping_bytes;
      std::thread sender([&] { network.Drive(first_half); });
      Pump([&] {
        return servent->PingsReceived >= pings_before + static_cast<DWORD>(last - first);
      });
      sender.join();
      std::thread answer([&] { network.Drive(pongs); });
      Pump([&] { return servent->PongsRouted >= target; });
      answer.join();
    }
    stop = true;
    driver.join();
  }
  state.SetItemsProcessed(state.iterations() * per_peer * (kLinks - 1));
}
BENCHMARK(BM_RouteBackPongs)->Arg(70000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
