// Shared pieces of the servent tests: a message pump with a time limit,
// plain peers on loopback that speak bytes the test chooses, and a fixture
// that gives each test its own Windows folder and a free port.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "network/Gnutella.h"
#include "platform/net/winsock.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

// Dispatches this thread's messages until `done` holds (true) or the real
// time limit passes (false). Sleeps in real time between looks, so it also
// works while the manual clock stands still.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
// Dispatches messages for a while.
void PumpFor(std::chrono::milliseconds during);

// A port that is free on every one of the given loopback addresses.
int FreeLoopbackPort(const std::vector<std::string>& addresses);

// One end of a TCP connection driven by the test byte by byte.
class RawPeer {
 public:
  RawPeer() = default;
  explicit RawPeer(winsock::SOCKET accepted) : socket_(accepted) {}
  ~RawPeer();
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  // Dials and waits until connected.
  bool Connect(const std::string& address, int port);
  // Sends every byte, dispatching messages while the socket is full.
  void Send(const std::string& bytes);
  // Reads (dispatching messages) until `done(received so far)`.
  bool ReadUntil(const std::function<bool(const std::string&)>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(10));
  bool ReadAtLeast(std::size_t count) {
    return ReadUntil([count](const std::string& r) { return r.size() >= count; });
  }
  bool ReadContaining(const std::string& text) {
    return ReadUntil([&text](const std::string& r) { return r.find(text) != std::string::npos; });
  }
  // Waits until the other end closes.
  bool WaitClosed(std::chrono::milliseconds limit = std::chrono::seconds(10));
  void Close();
  // Reads what is there now without waiting.
  void Drain();

  std::string received;
  winsock::SOCKET socket() const { return socket_; }

 private:
  winsock::SOCKET socket_ = winsock::INVALID_SOCKET;
  bool closed_ = false;
};

// A listening socket on a loopback address, for servents to dial.
class RawListener {
 public:
  explicit RawListener(const std::string& address);
  ~RawListener();
  int port() const { return port_; }
  // Waits for the next connection.
  std::unique_ptr<RawPeer> Accept(std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  winsock::SOCKET socket_ = winsock::INVALID_SOCKET;
  int port_ = 0;
};

// Descriptor bytes for tests.
std::string PingBytes(const GUID& id, BYTE ttl, BYTE hops = 0);
std::string QueryBytes(const GUID& id, BYTE ttl, const std::string& text);
std::string Bytes(const std::vector<BYTE>& bytes);
GUID NewGuid();
// The header at the start of descriptor bytes.
TGnutellaHeader HeaderOf(const std::string& bytes, std::size_t at = 0);
// The whole descriptors a received stream begins with, in order.
std::vector<std::string> SplitDescriptors(const std::string& stream);
// Counters side by side, to compare in one line.
using Counts = std::vector<DWORD>;

class ServentTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A servent listening on `address` at the test's port once listening
  // starts; it dials only when told, and pings only when told.
  TGnutella* MakeServent(const std::string& address);
  // Dials `to` from `from` and waits until both ends are logged in.
  bool Link(TGnutella* from, TGnutella* to, const std::string& to_address);
  // The link of `servent` to or from `host` (null when none).
  static TGnutellaClient* LinkTo(TGnutella* servent, const std::string& host);
  // Logs `peer` in to the servent at `address` with protocol 0.4, then
  // forgets what it received.
  bool Login04(RawPeer& peer, const std::string& address);
  // A plain listener on 127.0.0.6, made on first use.
  RawListener& Listener();
  // Has `servent` dial the listener and reads its opening up to `until`.
  std::unique_ptr<RawPeer> Dialled(TGnutella* servent, const std::string& until = "\r\n\r\n");
  // Keeps the servent's errors in `errors_`, each as "kind code text".
  void RecordErrors(TGnutella* servent);

  std::unique_ptr<TempDir> windows_;
  std::string saved_windows_;
  int port_ = 0;
  std::vector<std::unique_ptr<TGnutella>> servents_;
  std::vector<std::string> errors_;
  std::unique_ptr<RawListener> listener_;
};

}  // namespace velko_test
