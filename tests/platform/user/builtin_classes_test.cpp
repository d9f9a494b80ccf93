#include "platform/user/builtin_classes.h"

#include <gtest/gtest.h>

#include "platform/user/user.h"

namespace {

int g_registrations = 0;

LRESULT BuiltinProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_USER) return 42;
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void RegisterTestControl() {
  ++g_registrations;
  WNDCLASSEX info{};
  info.cbSize = sizeof info;
  info.style = CS_GLOBALCLASS;
  info.lpfnWndProc = &BuiltinProc;
  info.lpszClassName = "VelkoTestControl";
  RegisterClassEx(&info);
}

const platform::BuiltinClass kTestControl("VelkoTestControl", &RegisterTestControl);

TEST(BuiltinClasses, RegisteredOnceOnFirstUseWhateverTheCase) {
  WNDCLASSEX info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetClassInfoEx(nullptr, "velkotestcontrol", &info));
  EXPECT_EQ(info.lpfnWndProc, &BuiltinProc);
  HWND a = CreateWindowEx(0, "VELKOTESTCONTROL", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                          nullptr, nullptr);
  HWND b = CreateWindowEx(0, "VelkoTestControl", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                          nullptr, nullptr);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 42);
  EXPECT_EQ(g_registrations, 1);
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST(BuiltinClasses, UnknownNamesStillFail) {
  EXPECT_EQ(CreateWindowEx(0, "NoSuchControl", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                           nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

}  // namespace
