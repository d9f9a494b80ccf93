// The asynchronous socket components on 127.0.0.1, driven by the calling
// thread's message loop as the program drives them.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "classlib/ScktComp.h"
#include "platform/user/message_queue.h"
#include "tests/classlib/raised.h"
#include "tests/support/message_pump.h"

namespace {

using namespace std::chrono_literals;

// A loopback port where connects are refused: a bound socket that does not
// listen, which also keeps the port from being taken by anybody else while
// the test runs (a port merely closed can be reused by a parallel test).
struct RefusingPort {
  winsock::SOCKET socket = winsock::socket(winsock::AF_INET, winsock::SOCK_STREAM, winsock::IPPROTO_TCP);
  int port = 0;

  RefusingPort() {
    winsock::sockaddr_in address;
    address.sin_family = winsock::AF_INET;
    address.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
    auto* raw = reinterpret_cast<winsock::sockaddr*>(&address);
    EXPECT_EQ(winsock::bind(socket, raw, sizeof address), 0);
    int length = sizeof address;
    EXPECT_EQ(winsock::getsockname(socket, raw, &length), 0);
    port = winsock::ntohs(address.sin_port);
  }
  ~RefusingPort() { winsock::closesocket(socket); }
};

struct Recorded {
  std::vector<TSocketEvent> events;
  std::vector<std::pair<TErrorEvent, int>> errors;
  int Count(TSocketEvent e) const {
    int n = 0;
    for (auto x : events) n += x == e;
    return n;
  }
};

// Hooks a socket object's raw handlers to a record.
void Hook(TCustomWinSocket* socket, Recorded& record, bool clear_errors = true) {
  socket->OnSocketEvent = [&record](TObject*, TCustomWinSocket*, TSocketEvent e) {
    record.events.push_back(e);
  };
  socket->OnErrorEvent = [&record, clear_errors](TObject*, TCustomWinSocket*, TErrorEvent e,
                                                 int& code) {
    record.errors.push_back({e, code});
    if (clear_errors) code = 0;
  };
}

class SocketComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_proc_ = SocketErrorProc;
    server_ = std::make_unique<TServerSocket>(nullptr);
    server_->Address = "127.0.0.1";
    server_->Port = 0;
    server_->OnClientConnect = [this](TObject*, TCustomWinSocket* socket) {
      accepted_.push_back(socket);
    };
    server_->Open();
    ASSERT_TRUE(server_->Socket()->Listening());
    port_ = server_->Socket()->LocalPort();
    ASSERT_NE(port_, 0);
  }
  void TearDown() override {
    client_.reset();
    server_.reset();
    SocketErrorProc = saved_proc_;
  }

  // A client dialling the server; waits until both ends are connected.
  void Dial() {
    client_ = std::make_unique<TClientSocket>(nullptr);
    client_->Address = "127.0.0.1";
    client_->Port = port_;
    client_->OnConnect = [this](TObject*, TCustomWinSocket*) { client_connected_ = true; };
    client_->Open();
    ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return client_connected_ && !accepted_.empty(); }));
  }

  std::unique_ptr<TServerSocket> server_;
  std::unique_ptr<TClientSocket> client_;
  std::vector<TCustomWinSocket*> accepted_;
  bool client_connected_ = false;
  int port_ = 0;
  std::function<void(int)> saved_proc_;
};

TEST_F(SocketComponentsTest, ConnectAcceptAndEchoText) {
  std::string server_got;
  server_->OnClientRead = [&](TObject*, TCustomWinSocket* socket) {
    std::string text = socket->ReceiveText();
    server_got += text;
    socket->SendText(text);
  };
  std::string client_got;
  Dial();
  client_->OnRead = [&](TObject*, TCustomWinSocket* socket) {
    client_got += socket->ReceiveText();
  };
  EXPECT_TRUE(client_->Socket()->Connected());
  EXPECT_EQ(client_->Socket()->RemoteAddress(), "127.0.0.1");
  EXPECT_EQ(client_->Socket()->RemotePort(), port_);
  EXPECT_EQ(accepted_[0]->RemotePort(), client_->Socket()->LocalPort());
  EXPECT_EQ(accepted_[0]->LocalAddress(), "127.0.0.1");
  EXPECT_EQ(client_->Socket()->SendText("ping pong"), 9);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return client_got.size() == 9; }));
  EXPECT_EQ(server_got, "ping pong");
  EXPECT_EQ(client_got, "ping pong");
}

TEST_F(SocketComponentsTest, WriteComesAfterConnectAndAgainWhenReArmed) {
  Dial();
  Recorded record;
  Hook(client_->Socket(), record);
  velko_test::PumpMessagesFor(0.1);
  int writes = record.Count(seWrite);
  EXPECT_LE(writes, 1);  // the first seWrite may have come before the hook
  TAsyncStyles styles = client_->Socket()->ASyncStyles();
  client_->Socket()->SetASyncStyles(styles - TAsyncStyles{asWrite});
  client_->Socket()->SetASyncStyles(styles);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return record.Count(seWrite) == writes + 1; }));
  velko_test::PumpMessagesFor(0.1);
  EXPECT_EQ(record.Count(seWrite), writes + 1);
}

TEST_F(SocketComponentsTest, SendThatWouldBlockAnswersMinusOneAndLosesNothing) {
  Dial();
  TCustomWinSocket* server_side = accepted_[0];
  Recorded record;
  Hook(client_->Socket(), record, /*clear_errors=*/false);
  SocketErrorProc = [](int code) { FAIL() << "socket error " << code; };
  // Fill the connection while the peer reads nothing.
  std::string sent;
  std::string block(8192, '\0');
  int result = 0;
  while (result != -1) {
    for (std::size_t i = 0; i < block.size(); ++i) {
      block[i] = static_cast<char>((sent.size() + i) % 253);
    }
    result = client_->Socket()->SendBuf(block.data(), static_cast<int>(block.size()));
    if (result > 0) sent.append(block, 0, static_cast<std::size_t>(result));
  }
  EXPECT_TRUE(record.errors.empty());
  EXPECT_TRUE(client_->Socket()->Connected());
  int writes_before = record.Count(seWrite);
  // The peer reads everything; the writer then hears it may go on.
  std::string received;
  server_side->OnSocketEvent = [&](TObject*, TCustomWinSocket* socket, TSocketEvent e) {
    if (e != seRead) return;
    std::vector<char> buffer(static_cast<std::size_t>(socket->ReceiveLength()));
    int n = socket->ReceiveBuf(buffer.data(), static_cast<int>(buffer.size()));
    if (n > 0) received.append(buffer.data(), static_cast<std::size_t>(n));
  };
  ASSERT_TRUE(velko_test::PumpMessagesUntil(
      [&] { return received.size() == sent.size() && record.Count(seWrite) > writes_before; }));
  EXPECT_EQ(received, sent);
}

TEST_F(SocketComponentsTest, PeerCloseIsADisconnectAfterItsLastBytes) {
  Dial();
  TCustomWinSocket* server_side = accepted_[0];
  std::string received;
  std::vector<TSocketEvent> order;
  server_side->OnSocketEvent = [&](TObject*, TCustomWinSocket* socket, TSocketEvent e) {
    order.push_back(e);
    if (e == seRead) received += socket->ReceiveText();
  };
  Recorded client_record;
  Hook(client_->Socket(), client_record);
  client_->Socket()->SendText("last words");
  client_.reset();  // closes without telling its own handlers
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return !order.empty() && order.back() == seDisconnect; }));
  EXPECT_TRUE(client_record.events.empty());
  EXPECT_EQ(received, "last words");
  EXPECT_FALSE(server_side->Connected());
  EXPECT_EQ(server_side->SocketHandle(), winsock::INVALID_SOCKET);
}

TEST_F(SocketComponentsTest, CloseRaisesDisconnectAtOnceAndOnlyOnce) {
  Dial();
  Recorded record;
  int closes_inside = 0;
  client_->Socket()->OnSocketEvent = [&](TObject*, TCustomWinSocket* socket, TSocketEvent e) {
    record.events.push_back(e);
    if (e == seDisconnect && closes_inside++ == 0) socket->Close();  // again, from inside
  };
  client_->Socket()->Close();
  EXPECT_EQ(record.Count(seDisconnect), 1);
  EXPECT_FALSE(client_->Socket()->Connected());
  client_->Socket()->Close();
  velko_test::PumpMessagesFor(0.1);
  EXPECT_EQ(record.Count(seDisconnect), 1);
}

TEST_F(SocketComponentsTest, ARefusedConnectIsAConnectErrorAndWithoutAHandlerGoesToTheErrorHook) {
  RefusingPort refusing;
  std::vector<int> hooked;
  SocketErrorProc = [&](int code) { hooked.push_back(code); };
  auto dial = [&] {
    auto client = std::make_unique<TClientSocket>(nullptr);
    client->Address = "127.0.0.1";
    client->Port = refusing.port;
    return client;
  };
  auto handled = dial();
  std::vector<std::pair<TErrorEvent, int>> errors;
  handled->OnError = [&](TObject*, TCustomWinSocket*, TErrorEvent e, int& code) {
    errors.push_back({e, code});
    code = 0;
  };
  handled->Open();
  EXPECT_EQ(winsock::WSAGetLastError(), static_cast<int>(WSAEWOULDBLOCK));
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return !errors.empty(); }));
  EXPECT_EQ(errors[0], (std::pair<TErrorEvent, int>{eeConnect, WSAECONNREFUSED}));
  EXPECT_FALSE(handled->Socket()->Connected());
  EXPECT_TRUE(hooked.empty());
  auto unhandled = dial();
  unhandled->Open();
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return !hooked.empty(); }));
  EXPECT_EQ(hooked[0], static_cast<int>(WSAECONNREFUSED));
}

TEST_F(SocketComponentsTest, TheDefaultErrorHookRaisesASocketError) {
  EXPECT_EQ(velko_test::RaisedMessage<ESocketError>([&] { saved_proc_(static_cast<int>(WSAECONNREFUSED)); }),
            "Windows socket error: " + SysErrorMessage(WSAECONNREFUSED) + " (10061)");
}

TEST_F(SocketComponentsTest, CallFailureOfOpenIsReportedAtOnce) {
  auto client = std::make_unique<TClientSocket>(nullptr);
  client->Address = "0.0.0.0";
  client->Port = port_;
  std::vector<int> codes;
  client->OnError = [&](TObject*, TCustomWinSocket*, TErrorEvent e, int& code) {
    EXPECT_EQ(e, eeConnect);
    codes.push_back(code);
    code = 0;
  };
  client->Open();
  EXPECT_EQ(winsock::WSAGetLastError(), static_cast<int>(WSAEADDRNOTAVAIL));
  ASSERT_EQ(codes.size(), 1u);
  EXPECT_EQ(codes[0], static_cast<int>(WSAEADDRNOTAVAIL));
  EXPECT_FALSE(client->Active());
}

TEST_F(SocketComponentsTest, HandedOverSocketBelongsToItsNewOwner) {
  Dial();
  TCustomWinSocket* taken = accepted_[0];
  EXPECT_EQ(server_->Socket()->ActiveConnections(), 1);
  ASSERT_TRUE(server_->Socket()->Release(taken));
  EXPECT_EQ(server_->Socket()->ActiveConnections(), 0);
  EXPECT_FALSE(server_->Socket()->Release(taken));
  std::unique_ptr<TCustomWinSocket> owned(taken);
  Recorded record;
  Hook(taken, record);
  std::string got;
  taken->OnSocketEvent = [&](TObject*, TCustomWinSocket* socket, TSocketEvent e) {
    record.events.push_back(e);
    if (e == seRead) got += socket->ReceiveText();
  };
  client_->Socket()->SendText("for the new owner");
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return got == "for the new owner"; }));
  // The server goes; the handed-over socket stays usable.
  server_.reset();
  EXPECT_EQ(static_cast<TServerClientWinSocket*>(taken)->ServerWinSocket(), nullptr);
  EXPECT_EQ(taken->SendText("still here"), 10);
  std::string back;
  client_->OnRead = [&](TObject*, TCustomWinSocket* socket) { back += socket->ReceiveText(); };
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return back == "still here"; }));
  // Its peer closes: the new owner hears it, nobody frees it behind its back.
  client_->Close();
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return record.Count(seDisconnect) == 1; }));
  velko_test::PumpMessagesFor(0.05);
  EXPECT_FALSE(taken->Connected());
}

TEST_F(SocketComponentsTest, ServerFreesTheAcceptedSocketsItStillOwnsOnceTheyClose) {
  int disconnects = 0;
  server_->OnClientDisconnect = [&](TObject*, TCustomWinSocket*) { ++disconnects; };
  Dial();
  EXPECT_EQ(server_->Socket()->ActiveConnections(), 1);
  client_->Close();
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return server_->Socket()->ActiveConnections() == 0; }));
  EXPECT_EQ(disconnects, 1);
}

TEST_F(SocketComponentsTest, ListeningOnAPortInUseIsAnError) {
  auto second = std::make_unique<TServerSocket>(nullptr);
  second->Address = "127.0.0.1";
  second->Port = port_;
  std::vector<int> codes;
  second->OnError = [&](TObject*, TCustomWinSocket*, TErrorEvent, int& code) {
    codes.push_back(code);
    code = 0;
  };
  second->Open();
  EXPECT_FALSE(second->Active());
  EXPECT_FALSE(second->Socket()->Listening());
  ASSERT_EQ(codes.size(), 1u);
  EXPECT_EQ(codes[0], static_cast<int>(WSAEADDRINUSE));
}

}  // namespace
