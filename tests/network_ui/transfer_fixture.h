// Shared pieces of the transfer tests: a download folder, sockets handed
// over as the servent would, a log of a transfer's events, and file bytes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/ScktComp.h"
#include "network_ui/GnutellaTransfer.h"
#include "tests/support/loopback_server.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

// `size` bytes that differ from run to run of the seed only.
std::string RandomBytes(std::size_t size, unsigned seed);
// The blank-separated words of a line (of the test servent program).
std::vector<std::string> Words(const std::string& line);

// A listening socket of the class library on 127.0.0.1 that hands over the
// sockets it accepts, as the servent hands a request's socket over.
class SocketDesk {
 public:
  SocketDesk();
  ~SocketDesk();
  int port() const;
  // Dials the desk and returns the accepted socket (owned by the caller)
  // with the dialling end.
  TCustomWinSocket* Accept(std::unique_ptr<LoopbackConnection>* dialled);

 private:
  TServerWinSocket* server_;
  std::vector<TCustomWinSocket*> accepted_;
};

// The events of one transfer, in order.
struct TransferLog {
  void Attach(TGnutellaFileTransfer* transfer);
  bool Has(const std::string& entry) const;
  std::vector<std::string> entries;
  int errors = 0;
  int error_code = 0;
  std::string error_text;
  bool disconnected = false;
  bool transfered = false;
};

// Counts how often a component is freed.
class FreeWatch : public TComponent {
 public:
  FreeWatch() : TComponent(nullptr) {}
  void Watch(TComponent* c) { c->FreeNotification(this); }
  int freed = 0;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

class TransferTest : public ::testing::Test {
 protected:
  // The platform path of a file in the download folder.
  std::string Target(const std::string& name) const;
  std::string Native(const std::string& name) const { return (folder_ / name).string(); }
  std::string FolderPath() const;
  TempDir folder_;
};

}  // namespace velko_test
