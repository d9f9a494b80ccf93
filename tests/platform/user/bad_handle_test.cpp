// Every call given something that is not a window fails the same way.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/core/errors.h"
#include "platform/user/user.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using velko_test::UserTest;

struct Call {
  const char* name;
  // Makes the call with `hwnd`; true when it reported failure.
  std::function<bool(HWND)> failed;
};

std::vector<Call> CallsTakingAWindow() {
  return {
      {"DestroyWindow", [](HWND h) { return !DestroyWindow(h); }},
      {"PostMessage", [](HWND h) { return !PostMessage(h, WM_APP, 0, 0); }},
      {"SendMessage", [](HWND h) { return SendMessage(h, WM_APP, 0, 0) == 0; }},
      {"SendMessageTimeout",
       [](HWND h) { return !SendMessageTimeout(h, WM_APP, 0, 0, 0, 10, nullptr); }},
      {"SendNotifyMessage", [](HWND h) { return !SendNotifyMessage(h, WM_APP, 0, 0); }},
      {"GetParent", [](HWND h) { return GetParent(h) == nullptr; }},
      {"SetParent", [](HWND h) { return SetParent(h, nullptr) == nullptr; }},
      {"GetAncestor", [](HWND h) { return GetAncestor(h, GA_ROOT) == nullptr; }},
      {"GetWindow", [](HWND h) { return GetWindow(h, GW_CHILD) == nullptr; }},
      {"GetWindowLongPtr", [](HWND h) { return GetWindowLongPtr(h, GWL_STYLE) == 0; }},
      {"SetWindowLongPtr", [](HWND h) { return SetWindowLongPtr(h, GWLP_USERDATA, 1) == 0; }},
      {"SetWindowLong(GWL_STYLE)", [](HWND h) { return SetWindowLong(h, GWL_STYLE, 0) == 0; }},
      {"GetWindowText",
       [](HWND h) {
         char buffer[8] = "x";
         return GetWindowText(h, buffer, sizeof buffer) == 0 && buffer[0] == '\0';
       }},
      {"SetWindowText", [](HWND h) { return !SetWindowText(h, "text"); }},
      {"GetWindowTextLength", [](HWND h) { return GetWindowTextLength(h) == 0; }},
      {"GetClassName",
       [](HWND h) {
         char buffer[8];
         return GetClassName(h, buffer, sizeof buffer) == 0;
       }},
      {"GetClassLongPtr", [](HWND h) { return GetClassLongPtr(h, GCL_STYLE) == 0; }},
      {"SetProp", [](HWND h) { return !SetProp(h, "p", reinterpret_cast<HANDLE>(1)); }},
      {"GetProp", [](HWND h) { return GetProp(h, "p") == nullptr; }},
      {"ShowWindow", [](HWND h) { return !ShowWindow(h, SW_SHOW); }},
      {"EnableWindow", [](HWND h) { return !EnableWindow(h, FALSE); }},
      {"SetWindowPos", [](HWND h) { return !SetWindowPos(h, nullptr, 0, 0, 1, 1, 0); }},
      {"MoveWindow", [](HWND h) { return !MoveWindow(h, 0, 0, 1, 1, TRUE); }},
      {"GetWindowRect",
       [](HWND h) {
         RECT r;
         return !GetWindowRect(h, &r);
       }},
      {"GetClientRect",
       [](HWND h) {
         RECT r;
         return !GetClientRect(h, &r);
       }},
      {"ClientToScreen",
       [](HWND h) {
         POINT p;
         return !ClientToScreen(h, &p);
       }},
      {"MapWindowPoints",
       [](HWND h) {
         POINT p;
         return MapWindowPoints(h, nullptr, &p, 1) == 0;
       }},
      {"GetWindowThreadProcessId",
       [](HWND h) { return GetWindowThreadProcessId(h, nullptr) == 0; }},
      {"SetTimer", [](HWND h) { return SetTimer(h, 1, 10, nullptr) == 0; }},
      {"KillTimer", [](HWND h) { return !KillTimer(h, 1); }},
      {"GetMessage",
       [](HWND h) {
         MSG msg;
         return GetMessage(&msg, h, 0, 0) == -1;
       }},
      {"PeekMessage",
       [](HWND h) {
         MSG msg;
         return !PeekMessage(&msg, h, 0, 0, PM_REMOVE);
       }},
      {"DispatchMessage",
       [](HWND h) {
         MSG msg;
         msg.hwnd = h;
         msg.message = WM_APP;
         return DispatchMessage(&msg) == 0;
       }},
      {"CreateWindowEx with it as parent",
       [](HWND h) {
         return CreateWindowEx(0, velko_test::kTestClass, nullptr, WS_CHILD, 0, 0, 0, 0, h, nullptr,
                               nullptr, nullptr) == nullptr;
       }},
      {"FindWindowEx with it as parent",
       [](HWND h) { return FindWindowEx(h, nullptr, nullptr, nullptr) == nullptr; }},
      {"EnumChildWindows",
       [](HWND h) {
         return !EnumChildWindows(
             h, [](HWND, LPARAM) { return TRUE; }, 0);
       }},
  };
}

void ExpectAllFail(HWND hwnd, const std::string& what) {
  for (const Call& call : CallsTakingAWindow()) {
    SetLastError(0);
    EXPECT_TRUE(call.failed(hwnd)) << call.name << " with " << what;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE) << call.name << " with " << what;
  }
  EXPECT_FALSE(IsWindow(hwnd)) << what;
  EXPECT_FALSE(IsWindowVisible(hwnd)) << what;
  EXPECT_FALSE(IsWindowEnabled(hwnd)) << what;
  EXPECT_FALSE(IsChild(hwnd, hwnd)) << what;
}

class BadHandleTest : public UserTest {};

TEST_F(BadHandleTest, DestroyedWindowsFailEverywhere) {
  HWND stale = Make(nullptr, WS_POPUP);
  ASSERT_TRUE(DestroyWindow(stale));
  ExpectAllFail(stale, "a destroyed window");
}

TEST_F(BadHandleTest, InventedHandlesFailEverywhere) {
  ExpectAllFail(reinterpret_cast<HWND>(0x12345), "an invented handle");
  ExpectAllFail(reinterpret_cast<HWND>(0x40000001), "an odd handle in the window range");
}

TEST_F(BadHandleTest, ANullWindowIsNoWindowForMessagesSentToIt) {
  EXPECT_EQ(ERROR_OF(SendMessage(nullptr, WM_APP, 0, 0) != 0), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(ERROR_OF(DestroyWindow(nullptr)), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(BadHandleTest, TheDesktopCannotBeDestroyedOrMoved) {
  HWND desktop = GetDesktopWindow();
  EXPECT_TRUE(IsWindow(desktop));
  EXPECT_EQ(ERROR_OF(DestroyWindow(desktop)), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ERROR_OF(SetWindowPos(desktop, nullptr, 0, 0, 1, 1, SWP_NOZORDER)),
            ERROR_ACCESS_DENIED);
}

}  // namespace
