// The watcher's notifications reach a window through its thread's queue.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "platform/net/winsock.h"
#include "platform/user/user.h"
#include "tests/support/message_pump.h"

namespace {

using namespace std::chrono_literals;

constexpr UINT kSocketMessage = WM_USER + 7;

struct Seen {
  winsock::SOCKET socket;
  WORD event;
  WORD error;
};
std::vector<Seen> g_seen;

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kSocketMessage) {
    g_seen.push_back({static_cast<winsock::SOCKET>(wparam), winsock::WSAGETSELECTEVENT(lparam),
                      winsock::WSAGETSELECTERROR(lparam)});
    return 0;
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

bool SawEvent(winsock::SOCKET s, WORD event) {
  for (const Seen& seen : g_seen) {
    if (seen.socket == s && seen.event == event) return true;
  }
  return false;
}

TEST(WindowNotifications, ConnectAcceptAndReadArriveAsWindowMessages) {
  using namespace winsock;
  WNDCLASSEX window_class;
  window_class.lpfnWndProc = RecordingProc;
  window_class.lpszClassName = "VelkoSocketNotificationTest";
  RegisterClassEx(&window_class);
  HWND window = CreateWindowEx(0, "VelkoSocketNotificationTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  g_seen.clear();

  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in at;
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = inet_addr("127.0.0.1");
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  ASSERT_EQ(listen(listener, SOMAXCONN), 0);
  int length = sizeof at;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length), 0);
  ASSERT_EQ(WSAAsyncSelect(listener, window, kSocketMessage, FD_ACCEPT), 0);

  SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(WSAAsyncSelect(client, window, kSocketMessage, FD_CONNECT | FD_WRITE), 0);
  connect(client, reinterpret_cast<sockaddr*>(&at), sizeof at);
  ASSERT_TRUE(
      velko_test::PumpMessagesUntil([&] { return SawEvent(listener, FD_ACCEPT) && SawEvent(client, FD_WRITE); }));
  EXPECT_TRUE(SawEvent(client, FD_CONNECT));

  sockaddr_in peer;
  int peer_length = sizeof peer;
  SOCKET server = accept(listener, reinterpret_cast<sockaddr*>(&peer), &peer_length);
  ASSERT_NE(server, INVALID_SOCKET);
  sockaddr_in local;
  int local_length = sizeof local;
  ASSERT_EQ(getsockname(server, reinterpret_cast<sockaddr*>(&local), &local_length), 0);
  EXPECT_EQ(local.sin_port, at.sin_port);
  ASSERT_EQ(WSAAsyncSelect(server, window, kSocketMessage, FD_READ | FD_CLOSE), 0);
  ASSERT_EQ(send(client, "x", 1, 0), 1);
  ASSERT_TRUE(velko_test::PumpMessagesUntil([&] { return SawEvent(server, FD_READ); }));

  closesocket(client);
  closesocket(server);
  closesocket(listener);
  DestroyWindow(window);
  UnregisterClass("VelkoSocketNotificationTest", nullptr);
}

}  // namespace
