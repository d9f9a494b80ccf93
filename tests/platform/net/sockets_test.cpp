// Sockets on 127.0.0.1: connecting, accepting, moving data, errors and the
// asynchronous notifications with their re-enabling rules. Notifications are
// caught by a recording poster in place of the window system here, so that
// the watcher's decisions are seen one by one.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/socket_table.h"
#include "platform/net/winsock.h"
#include "platform/user/user.h"
#include "tests/support/message_pump.h"

namespace {

using namespace winsock;
using namespace std::chrono_literals;

const HWND kWindow = reinterpret_cast<HWND>(0x1234);
constexpr UINT kMessage = 0x0401;

struct Note {
  SOCKET socket;
  WORD event;
  WORD error;
};

// Catches the watcher's notifications.
class Recorder {
 public:
  Recorder() {
    platform::net::SocketTable::Get().SetPoster([this](HWND, UINT message, WPARAM w, LPARAM l) {
      if (message != kMessage) return true;
      std::lock_guard<std::mutex> lock(mutex_);
      notes_.push_back({static_cast<SOCKET>(w), WSAGETSELECTEVENT(l), WSAGETSELECTERROR(l)});
      changed_.notify_all();
      return true;
    });
  }
  ~Recorder() { platform::net::SocketTable::Get().SetPoster(nullptr); }

  // Waits for the next notification of `socket` and takes it; event 0 when
  // none comes within the time.
  Note Next(SOCKET socket, std::chrono::milliseconds within = 5s) {
    std::unique_lock<std::mutex> lock(mutex_);
    Note found{socket, 0, 0};
    changed_.wait_for(lock, within, [&] {
      for (auto it = notes_.begin(); it != notes_.end(); ++it) {
        if (it->socket == socket) {
          found = *it;
          notes_.erase(it);
          return true;
        }
      }
      return false;
    });
    return found;
  }
  // Waits for the given event of `socket`, dropping that socket's others.
  bool WaitFor(SOCKET socket, WORD event, WORD* error = nullptr) {
    for (;;) {
      Note note = Next(socket);
      if (note.event == 0) return false;
      if (note.event == event) {
        if (error != nullptr) *error = note.error;
        return true;
      }
    }
  }
  // True when nothing arrives for `socket` for a while.
  bool Quiet(SOCKET socket, std::chrono::milliseconds during = 200ms) {
    return Next(socket, during).event == 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Note> notes_;
};

sockaddr_in Loopback(winsock::u_short port) {
  sockaddr_in address;
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  return address;
}

// The error of a call that answered SOCKET_ERROR; 0 when it did not fail.
int SocketErrorOf(int result) { return result == SOCKET_ERROR ? WSAGetLastError() : 0; }

const sockaddr* AsAddress(const sockaddr_in& in) {
  return reinterpret_cast<const sockaddr*>(&in);
}

// A listening socket on a free port of 127.0.0.1.
// A socket bound to a fresh loopback port; it listens when asked. A bound
// socket that does not listen keeps the port from other programs while
// connects to it are refused.
SOCKET BindOnLoopback(winsock::u_short* port, bool listening) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = Loopback(0);
  EXPECT_EQ(bind(s, AsAddress(address), sizeof address), 0);
  if (listening) {
    EXPECT_EQ(listen(s, SOMAXCONN), 0);
  }
  sockaddr_in bound;
  int length = sizeof bound;
  EXPECT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&bound), &length), 0);
  *port = ntohs(bound.sin_port);
  return s;
}

SOCKET ListenOnLoopback(winsock::u_short* port) { return BindOnLoopback(port, true); }

// Repeats `attempt` until it returns true or five seconds pass.
bool Eventually(const std::function<bool()>& attempt) {
  auto deadline = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (attempt()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

SOCKET AcceptEventually(SOCKET listener) {
  SOCKET accepted = INVALID_SOCKET;
  Eventually([&] {
    accepted = accept(listener, nullptr, nullptr);
    return accepted != INVALID_SOCKET;
  });
  return accepted;
}

bool Connected(SOCKET s) {
  sockaddr_in peer;
  int length = sizeof peer;
  return getpeername(s, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
}

std::string ReceiveAll(SOCKET s, std::size_t count) {
  std::string got;
  char buffer[65536];
  Eventually([&] {
    int n = recv(s, buffer, sizeof buffer, 0);
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    return got.size() >= count;
  });
  return got;
}

// A connected pair on loopback: client and accepted server side.
struct Pair {
  SOCKET listener = INVALID_SOCKET;
  SOCKET client = INVALID_SOCKET;
  SOCKET server = INVALID_SOCKET;
  ~Pair() {
    for (SOCKET s : {listener, client, server}) {
      if (s != INVALID_SOCKET) closesocket(s);
    }
  }
};

void MakePair(Pair& pair) {
  winsock::u_short port = 0;
  pair.listener = ListenOnLoopback(&port);
  pair.client = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to = Loopback(port);
  ASSERT_EQ(SocketErrorOf(connect(pair.client, AsAddress(to), sizeof to)), static_cast<int>(WSAEWOULDBLOCK));
  pair.server = AcceptEventually(pair.listener);
  ASSERT_NE(pair.server, INVALID_SOCKET);
  ASSERT_TRUE(Eventually([&] { return Connected(pair.client); }));
}

TEST(Sockets, ConnectAcceptAndEcho) {
  Pair pair;
  MakePair(pair);
  ASSERT_EQ(send(pair.client, "hello", 5, 0), 5);
  EXPECT_EQ(ReceiveAll(pair.server, 5), "hello");
  ASSERT_EQ(send(pair.server, "olleh", 5, 0), 5);
  EXPECT_EQ(ReceiveAll(pair.client, 5), "olleh");

  sockaddr_in local, peer;
  int length = sizeof local;
  ASSERT_EQ(getsockname(pair.client, reinterpret_cast<sockaddr*>(&local), &length), 0);
  length = sizeof peer;
  ASSERT_EQ(getpeername(pair.server, reinterpret_cast<sockaddr*>(&peer), &length), 0);
  EXPECT_EQ(local.sin_port, peer.sin_port);
  EXPECT_STREQ(inet_ntoa(peer.sin_addr), "127.0.0.1");
}

TEST(Sockets, NothingToReadWouldBlockAndBytesWaitingAreCounted) {
  Pair pair;
  MakePair(pair);
  char buffer[16];
  EXPECT_EQ(SocketErrorOf(recv(pair.server, buffer, sizeof buffer, 0)), static_cast<int>(WSAEWOULDBLOCK));
  ASSERT_EQ(send(pair.client, "abc", 3, 0), 3);
  winsock::u_long waiting = 0;
  ASSERT_TRUE(Eventually(
      [&] { return ioctlsocket(pair.server, FIONREAD, &waiting) == 0 && waiting == 3; }));
  EXPECT_EQ(recv(pair.server, buffer, 2, MSG_PEEK), 2);
  EXPECT_EQ(recv(pair.server, buffer, sizeof buffer, 0), 3);
}

TEST(Sockets, PeerThatStopsReadingMakesSendWouldBlockAndLosesNothing) {
  Pair pair;
  MakePair(pair);
  std::string sent;
  std::string chunk(8192, '\0');
  int blocked_error = 0;
  for (int round = 0; round < 10000 && blocked_error == 0; ++round) {
    for (std::size_t i = 0; i < chunk.size(); ++i) {
      chunk[i] = static_cast<char>((sent.size() + i) * 7 % 251);
    }
    int n = send(pair.client, chunk.data(), static_cast<int>(chunk.size()), 0);
    if (n == SOCKET_ERROR) {
      blocked_error = WSAGetLastError();
    } else {
      sent.append(chunk, 0, static_cast<std::size_t>(n));
    }
  }
  ASSERT_EQ(blocked_error, static_cast<int>(WSAEWOULDBLOCK));
  EXPECT_EQ(ReceiveAll(pair.server, sent.size()), sent);
}

TEST(Sockets, RefusedConnectIsReportedThroughTheConnectNotification) {
  Recorder recorder;
  winsock::u_short port = 0;
  SOCKET unused = BindOnLoopback(&port, false);  // nobody listens there
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(WSAAsyncSelect(s, kWindow, kMessage, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE), 0);
  sockaddr_in to = Loopback(port);
  ASSERT_EQ(SocketErrorOf(connect(s, AsAddress(to), sizeof to)), static_cast<int>(WSAEWOULDBLOCK));
  Note note = recorder.Next(s);
  EXPECT_EQ(note.event, FD_CONNECT);
  EXPECT_EQ(note.error, WSAECONNREFUSED);
  EXPECT_TRUE(recorder.Quiet(s));  // no FD_WRITE, no FD_CLOSE after a failed connect
  EXPECT_EQ(SocketErrorOf(send(s, "x", 1, 0)), static_cast<int>(WSAENOTCONN));
  int code = 0;
  int length = sizeof code;
  ASSERT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length), 0);
  EXPECT_EQ(code, static_cast<int>(WSAECONNREFUSED));
  closesocket(s);
  closesocket(unused);
}

TEST(Sockets, AddressInUseAndBadCalls) {
  winsock::u_short port = 0;
  SOCKET first = ListenOnLoopback(&port);
  SOCKET second = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in same = Loopback(port);
  EXPECT_EQ(SocketErrorOf(bind(second, AsAddress(same), sizeof same)), static_cast<int>(WSAEADDRINUSE));
  // listen before bind, connect to no address, calls on closed sockets.
  EXPECT_EQ(SocketErrorOf(listen(second, 5)), static_cast<int>(WSAEINVAL));
  sockaddr_in nowhere = Loopback(port);
  nowhere.sin_addr.s_addr = INADDR_ANY;
  EXPECT_EQ(SocketErrorOf(connect(second, AsAddress(nowhere), sizeof nowhere)), static_cast<int>(WSAEADDRNOTAVAIL));
  closesocket(second);
  EXPECT_EQ(SocketErrorOf(send(second, "x", 1, 0)), static_cast<int>(WSAENOTSOCK));
  EXPECT_EQ(closesocket(second), SOCKET_ERROR);
  closesocket(first);
}

TEST(Sockets, ClosedSocketNumbersAreNeverReused) {
  SOCKET a = socket(AF_INET, SOCK_STREAM, 0);
  closesocket(a);
  SOCKET b = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_NE(a, b);
  closesocket(b);
}

TEST(AsyncSelect, ConnectAcceptWriteReadAndClose) {
  Recorder recorder;
  winsock::u_short port = 0;
  SOCKET listener = ListenOnLoopback(&port);
  ASSERT_EQ(WSAAsyncSelect(listener, kWindow, kMessage, FD_ACCEPT), 0);
  SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
  const long all = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
  ASSERT_EQ(WSAAsyncSelect(client, kWindow, kMessage, all), 0);
  sockaddr_in to = Loopback(port);
  connect(client, AsAddress(to), sizeof to);

  ASSERT_EQ(recorder.Next(listener).event, FD_ACCEPT);
  SOCKET server = accept(listener, nullptr, nullptr);
  ASSERT_NE(server, INVALID_SOCKET);
  Note connected = recorder.Next(client);
  EXPECT_EQ(connected.event, FD_CONNECT);
  EXPECT_EQ(connected.error, 0);
  EXPECT_EQ(recorder.Next(client).event, FD_WRITE);
  // The accepted socket inherits the listener's selection (FD_ACCEPT only).
  ASSERT_EQ(WSAAsyncSelect(server, kWindow, kMessage, all), 0);
  EXPECT_EQ(recorder.Next(server).event, FD_WRITE);

  ASSERT_EQ(send(client, "abcdef", 6, 0), 6);
  ASSERT_EQ(recorder.Next(server).event, FD_READ);
  // Not read yet: no second FD_READ.
  EXPECT_TRUE(recorder.Quiet(server));
  char buffer[16];
  ASSERT_EQ(recv(server, buffer, 2, 0), 2);
  // Data remains after the read: FD_READ again.
  ASSERT_EQ(recorder.Next(server).event, FD_READ);
  ASSERT_EQ(recv(server, buffer, sizeof buffer, 0), 4);
  EXPECT_EQ(std::string(buffer, 4), "cdef");
  EXPECT_TRUE(recorder.Quiet(server));

  // The peer sends its last bytes and closes: FD_CLOSE only after they
  // have been read.
  ASSERT_EQ(send(client, "bye", 3, 0), 3);
  closesocket(client);
  ASSERT_EQ(recorder.Next(server).event, FD_READ);
  EXPECT_TRUE(recorder.Quiet(server));
  ASSERT_EQ(recv(server, buffer, sizeof buffer, 0), 3);
  Note closed = recorder.Next(server);
  EXPECT_EQ(closed.event, FD_CLOSE);
  EXPECT_EQ(closed.error, 0);
  EXPECT_EQ(recv(server, buffer, sizeof buffer, 0), 0);
  EXPECT_TRUE(recorder.Quiet(server));
  closesocket(server);
  closesocket(listener);
}

TEST(AsyncSelect, WriteIsReArmedBySelectingAgain) {
  Recorder recorder;
  Pair pair;
  MakePair(pair);
  ASSERT_EQ(WSAAsyncSelect(pair.client, kWindow, kMessage, FD_READ | FD_WRITE | FD_CLOSE), 0);
  ASSERT_EQ(recorder.Next(pair.client).event, FD_WRITE);
  EXPECT_TRUE(recorder.Quiet(pair.client));
  // Switching the write notification off and on asks for another one.
  ASSERT_EQ(WSAAsyncSelect(pair.client, kWindow, kMessage, FD_READ | FD_CLOSE), 0);
  ASSERT_EQ(WSAAsyncSelect(pair.client, kWindow, kMessage, FD_READ | FD_WRITE | FD_CLOSE), 0);
  EXPECT_EQ(recorder.Next(pair.client).event, FD_WRITE);
}

TEST(AsyncSelect, WriteFollowsAWouldBlockOnceThePeerReadsAgain) {
  Recorder recorder;
  Pair pair;
  MakePair(pair);
  ASSERT_EQ(WSAAsyncSelect(pair.client, kWindow, kMessage, FD_WRITE), 0);
  ASSERT_EQ(recorder.Next(pair.client).event, FD_WRITE);
  std::string block(65536, 'x');
  std::size_t sent = 0;
  for (;;) {
    int n = send(pair.client, block.data(), static_cast<int>(block.size()), 0);
    if (n == SOCKET_ERROR) break;
    sent += static_cast<std::size_t>(n);
  }
  ASSERT_EQ(WSAGetLastError(), static_cast<int>(WSAEWOULDBLOCK));
  EXPECT_TRUE(recorder.Quiet(pair.client));  // still full
  std::string drained = ReceiveAll(pair.server, sent);
  EXPECT_EQ(drained.size(), sent);
  EXPECT_EQ(recorder.Next(pair.client).event, FD_WRITE);
}

TEST(AsyncSelect, ResetByPeerIsAClosedNotificationWithItsError) {
  Recorder recorder;
  Pair pair;
  MakePair(pair);
  ASSERT_EQ(WSAAsyncSelect(pair.server, kWindow, kMessage, FD_READ | FD_CLOSE), 0);
  // A linger time of zero makes the close a reset.
  linger hard{1, 0};
  ASSERT_EQ(setsockopt(pair.client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
                       sizeof hard),
            0);
  closesocket(pair.client);
  pair.client = INVALID_SOCKET;
  Note note = recorder.Next(pair.server);
  EXPECT_EQ(note.event, FD_CLOSE);
  EXPECT_EQ(note.error, WSAECONNRESET);
}

TEST(AsyncSelect, EveryWaitingConnectionIsAnnounced) {
  Recorder recorder;
  winsock::u_short port = 0;
  SOCKET listener = ListenOnLoopback(&port);
  ASSERT_EQ(WSAAsyncSelect(listener, kWindow, kMessage, FD_ACCEPT), 0);
  std::vector<SOCKET> clients;
  for (int i = 0; i < 3; ++i) {
    SOCKET c = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to = Loopback(port);
    connect(c, AsAddress(to), sizeof to);
    clients.push_back(c);
  }
  int accepted = 0;
  while (accepted < 3) {
    ASSERT_EQ(recorder.Next(listener).event, FD_ACCEPT) << accepted;
    SOCKET s = accept(listener, nullptr, nullptr);
    if (s != INVALID_SOCKET) {
      ++accepted;
      closesocket(s);
    }
  }
  EXPECT_TRUE(recorder.Quiet(listener));
  for (SOCKET c : clients) closesocket(c);
  closesocket(listener);
}

// The watcher's notifications reach a real window through its thread's queue.
constexpr UINT kSocketMessage = WM_USER + 7;
std::vector<Note> g_seen;

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != kSocketMessage) return DefWindowProc(hwnd, message, wparam, lparam);
  g_seen.push_back({static_cast<SOCKET>(wparam), WSAGETSELECTEVENT(lparam), WSAGETSELECTERROR(lparam)});
  return 0;
}

bool SawEvent(SOCKET s, WORD event) {
  for (const Note& seen : g_seen) {
    if (seen.socket == s && seen.event == event) return true;
  }
  return false;
}

TEST(WindowNotifications, ConnectAcceptAndReadArriveAsWindowMessages) {
  WNDCLASSEX window_class;
  window_class.lpfnWndProc = RecordingProc;
  window_class.lpszClassName = "VelkoSocketNotificationTest";
  RegisterClassEx(&window_class);
  HWND window = CreateWindowEx(0, "VelkoSocketNotificationTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  g_seen.clear();
  winsock::u_short port = 0;
  SOCKET listener = ListenOnLoopback(&port);
  ASSERT_EQ(WSAAsyncSelect(listener, window, kSocketMessage, FD_ACCEPT), 0);
  SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(WSAAsyncSelect(client, window, kSocketMessage, FD_CONNECT | FD_WRITE), 0);
  sockaddr_in to = Loopback(port);
  connect(client, AsAddress(to), sizeof to);
  ASSERT_TRUE(velko_test::PumpMessagesUntil(
      [&] { return SawEvent(listener, FD_ACCEPT) && SawEvent(client, FD_WRITE); }));
  EXPECT_TRUE(SawEvent(client, FD_CONNECT));
  SOCKET server = accept(listener, nullptr, nullptr);
  ASSERT_NE(server, INVALID_SOCKET);
  sockaddr_in local;  // the accepted socket is on the listener's port
  int length = sizeof local;
  ASSERT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&local), &length), 0);
  EXPECT_EQ(ntohs(local.sin_port), port);
  ASSERT_EQ(WSAAsyncSelect(server, window, kSocketMessage, FD_READ | FD_CLOSE), 0);
  ASSERT_EQ(send(client, "x", 1, 0), 1);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return SawEvent(server, FD_READ); }));
  for (SOCKET s : {client, server, listener}) closesocket(s);
  DestroyWindow(window);
  UnregisterClass("VelkoSocketNotificationTest", nullptr);
}

}  // namespace
