#include "platform/user/window_class.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/core/errors.h"
#include "platform/user/builtin_classes.h"
#include "platform/user/user.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using velko_test::UserTest;

LRESULT PlainProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProc(hwnd, message, wparam, lparam);
}

HINSTANCE Instance(std::uintptr_t value) {
  return reinterpret_cast<HINSTANCE>(value);
}

WNDCLASS ClassNamed(const char* name, HINSTANCE instance = nullptr, UINT style = 0) {
  WNDCLASS info;
  info.style = style;
  info.lpfnWndProc = PlainProc;
  info.hInstance = instance;
  info.lpszClassName = name;
  return info;
}

// A message-only window of a class.
HWND WindowOf(LPCSTR class_name, HINSTANCE instance = nullptr) {
  return CreateWindowEx(0, class_name, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                        nullptr);
}

class WindowClassTest : public UserTest {};

TEST_F(WindowClassTest, NamesIgnoreCaseAndDuplicatesAreRefused) {
  WNDCLASS info = ClassNamed("Velko.Sample");
  info.cbWndExtra = 24;
  info.style = CS_DBLCLKS;
  info.hbrBackground = reinterpret_cast<HBRUSH>(7);
  info.lpszMenuName = "MainMenu";
  ATOM atom = RegisterClass(&info);
  ASSERT_GE(atom, 0xC000);

  WNDCLASS again = ClassNamed("VELKO.sample");
  EXPECT_EQ(ERROR_OF(RegisterClass(&again) != 0), ERROR_CLASS_ALREADY_EXISTS);

  WNDCLASS found;
  ASSERT_TRUE(GetClassInfo(nullptr, "velko.SAMPLE", &found));
  EXPECT_EQ(found.lpfnWndProc, &PlainProc);
  EXPECT_EQ(found.cbWndExtra, 24);
  EXPECT_EQ(found.style, CS_DBLCLKS);
  EXPECT_EQ(found.hbrBackground, reinterpret_cast<HBRUSH>(7));
  EXPECT_STREQ(found.lpszMenuName, "MainMenu");

  EXPECT_TRUE(UnregisterClass("VELKO.SAMPLE", nullptr));
  EXPECT_EQ(ERROR_OF(GetClassInfo(nullptr, "Velko.Sample", &found)), ERROR_CLASS_DOES_NOT_EXIST);
  EXPECT_EQ(ERROR_OF(UnregisterClass("Velko.Sample", nullptr)), ERROR_CLASS_DOES_NOT_EXIST);
}

TEST_F(WindowClassTest, ClassWithWindowsCannotBeUnregistered) {
  WNDCLASS info = ClassNamed("Velko.Busy");
  ASSERT_TRUE(RegisterClass(&info));
  HWND hwnd = WindowOf("velko.busy");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(ERROR_OF(UnregisterClass("Velko.Busy", nullptr)), ERROR_CLASS_HAS_WINDOWS);
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_TRUE(UnregisterClass("Velko.Busy", nullptr));
}

TEST_F(WindowClassTest, LocalClassesServeTheirInstanceAndGlobalClassesEveryone) {
  WNDCLASS local = ClassNamed("Velko.Local", Instance(0x1000));
  WNDCLASS global = ClassNamed("Velko.Global", Instance(0x1000), CS_GLOBALCLASS);
  ASSERT_TRUE(RegisterClass(&local));
  ASSERT_TRUE(RegisterClass(&global));
  // The same name for another instance is another class.
  WNDCLASS other_local = ClassNamed("Velko.Local", Instance(0x2000));
  EXPECT_TRUE(RegisterClass(&other_local));

  EXPECT_EQ(ERROR_OF(WindowOf("Velko.Local", Instance(0x3000)) != nullptr),
            ERROR_CANNOT_FIND_WND_CLASS);
  HWND own = WindowOf("Velko.Local", Instance(0x1000));
  HWND shared = WindowOf("Velko.Global", Instance(0x3000));
  EXPECT_NE(own, nullptr);
  EXPECT_NE(shared, nullptr);
  EXPECT_EQ(GetClassLongPtr(own, GCLP_HMODULE), 0x1000u);
  DestroyWindow(own);
  DestroyWindow(shared);
  EXPECT_TRUE(UnregisterClass("Velko.Local", Instance(0x1000)));
  EXPECT_TRUE(UnregisterClass("Velko.Local", Instance(0x2000)));
  EXPECT_TRUE(UnregisterClass("Velko.Global", Instance(0x1000)));
}

TEST_F(WindowClassTest, AnAtomStandsForTheClassName) {
  WNDCLASSEX info;
  info.lpfnWndProc = PlainProc;
  info.lpszClassName = "Velko.ByAtom";
  ATOM atom = RegisterClassEx(&info);
  ASSERT_NE(atom, 0);
  HWND hwnd = WindowOf(MAKEINTATOM(atom));
  ASSERT_NE(hwnd, nullptr);
  char name[64];
  EXPECT_EQ(GetClassName(hwnd, name, sizeof name), 12);
  EXPECT_STREQ(name, "Velko.ByAtom");
  // A short buffer gets what fits.
  EXPECT_EQ(GetClassName(hwnd, name, 6), 5);
  EXPECT_STREQ(name, "Velko");
  EXPECT_EQ(GetClassLongPtr(hwnd, GCW_ATOM), atom);
  WNDCLASSEX found;
  EXPECT_EQ(GetClassInfoEx(nullptr, MAKEINTATOM(atom), &found), atom);
  DestroyWindow(hwnd);
  EXPECT_TRUE(UnregisterClass("Velko.ByAtom", nullptr));

  WNDCLASSEX wrong_size;
  wrong_size.cbSize = sizeof(WNDCLASS);
  wrong_size.lpszClassName = "Velko.WrongSize";
  EXPECT_EQ(ERROR_OF(RegisterClassEx(&wrong_size) != 0), ERROR_INVALID_PARAMETER);
}

TEST_F(WindowClassTest, ClassValuesAndExtraBytes) {
  WNDCLASS info = ClassNamed("Velko.Extra");
  info.cbClsExtra = 16;
  info.cbWndExtra = 8;
  ASSERT_TRUE(RegisterClass(&info));
  HWND hwnd = WindowOf("Velko.Extra");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(GetClassLongPtr(hwnd, GCL_CBCLSEXTRA), 16u);
  EXPECT_EQ(GetClassLongPtr(hwnd, GCL_CBWNDEXTRA), 8u);
  EXPECT_EQ(SetClassLongPtr(hwnd, 8, 0x1234567890), 0u);
  EXPECT_EQ(GetClassLongPtr(hwnd, 8), 0x1234567890u);
  EXPECT_EQ(SetClassLong(hwnd, 0, 77), 0u);
  EXPECT_EQ(GetClassLong(hwnd, 0), 77u);
  EXPECT_EQ(SetClassLongPtr(hwnd, GCLP_HCURSOR, 42), 0u);
  EXPECT_EQ(GetClassLongPtr(hwnd, GCLP_HCURSOR), 42u);
  EXPECT_EQ(ERROR_OF(GetClassLongPtr(hwnd, 9) != 0u),
            ERROR_INVALID_INDEX);  // 9 + 8 bytes is past the end
  EXPECT_EQ(ERROR_OF(SetClassLongPtr(hwnd, GCW_ATOM, 5) != 0u), ERROR_INVALID_INDEX);  // read-only
  DestroyWindow(hwnd);
  EXPECT_TRUE(UnregisterClass("Velko.Extra", nullptr));
}

TEST_F(WindowClassTest, RegisteredMessagesAreSharedByName) {
  UINT first = RegisterWindowMessage("TaskbarCreated");
  EXPECT_GE(first, 0xC000u);
  EXPECT_LE(first, 0xFFFFu);
  EXPECT_EQ(RegisterWindowMessage("TASKBARCREATED"), first);
  EXPECT_NE(RegisterWindowMessage("Velko.OtherMessage"), first);
  EXPECT_EQ(ERROR_OF(RegisterWindowMessage("") != 0u), ERROR_INVALID_PARAMETER);
}

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
  EXPECT_EQ(CreateWindowEx(0, "NoSuchControl", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr,
                           nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

}  // namespace
