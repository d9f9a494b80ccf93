#include "tests/network_ui/transfer_fixture.h"

#include <random>
#include <sstream>

#include "platform/fs/drives.h"

namespace velko_test {

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

SocketDesk::SocketDesk() : server_(new TServerWinSocket()) {
  server_->OnClientConnect = [this](TObject*, TCustomWinSocket* socket) { accepted_.push_back(socket); };
  server_->Listen("127.0.0.1", 0);
}

SocketDesk::~SocketDesk() {
  delete server_;
}

int SocketDesk::port() const {
  return server_->LocalPort();
}

TCustomWinSocket* SocketDesk::Accept(std::unique_ptr<LoopbackConnection>* dialled) {
  std::size_t before = accepted_.size();
  *dialled = LoopbackConnection::Dial(static_cast<std::uint16_t>(port()));
  if (!*dialled || !PumpMessagesUntil([&] { return accepted_.size() > before; }, 10)) return nullptr;
  TCustomWinSocket* socket = accepted_.back();
  server_->Release(socket);
  socket->OnSocketEvent = nullptr;
  socket->OnErrorEvent = nullptr;
  return socket;
}

void TransferLog::Attach(TGnutellaFileTransfer* t) {
  t->OnConnect = [this](TComponent*, const String&) { entries.push_back("connect"); };
  t->OnStartTransfer = [this](TComponent*, const String&) { entries.push_back("start"); };
  t->OnProgress = [this](TComponent*, const String&, std::int64_t n) {
    entries.push_back("progress " + std::to_string(n));
  };
  t->OnTransfered = [this](TComponent*, const String&) {
    transfered = true;
    entries.push_back("transfered");
  };
  t->OnDisconnect = [this](TComponent*, const String&) {
    disconnected = true;
    entries.push_back("disconnect");
  };
  t->OnError = [this](TComponent*, const String&, int code, const String& text) {
    ++errors;
    error_code = code;
    error_text = text;
    entries.push_back("error " + std::to_string(code) + " " + text);
  };
}

bool TransferLog::Has(const std::string& entry) const {
  for (const auto& e : entries) {
    if (e == entry) return true;
  }
  return false;
}

void FreeWatch::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove) ++freed;
}

std::string TransferTest::Target(const std::string& name) const {
  return platform::PlatformPath(Native(name)).value_or(Native(name));
}

std::string TransferTest::FolderPath() const {
  return platform::PlatformPath(folder_.path().string()).value_or(folder_.path().string());
}

}  // namespace velko_test
