#include "platform/user/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "platform/core/errors.h"
#include "platform/core/threads.h"
#include "tests/platform/checks.h"
#include "tests/platform/user/user_test_support.h"

namespace {

using velko_test::CountOf;
using velko_test::Handler;
using velko_test::kTestClass;
using velko_test::MessageLog;
using velko_test::MessagesOf;
using velko_test::SetHandler;
using velko_test::UserTest;

class WindowTest : public UserTest {};

TEST_F(WindowTest, CreationSendsItsMessagesInOrder) {
  int marker = 0;
  CREATESTRUCT seen;
  SetHandler([&](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_CREATE) seen = *reinterpret_cast<CREATESTRUCT*>(lparam);
    return std::nullopt;
  });
  HWND hwnd = CreateWindowEx(WS_EX_TOOLWINDOW, kTestClass, "Caption", WS_POPUP, 10, 20, 300, 200,
                             nullptr, nullptr, nullptr, &marker);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(MessagesOf(hwnd),
            (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_EQ(seen.lpCreateParams, &marker);
  EXPECT_STREQ(seen.lpszName, "Caption");
  EXPECT_EQ(seen.x, 10);
  EXPECT_EQ(seen.y, 20);
  EXPECT_EQ(seen.cx, 300);
  EXPECT_EQ(seen.cy, 200);
  EXPECT_EQ(seen.dwExStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW));
  for (const auto& logged : MessageLog()) {
    if (logged.hwnd != hwnd) continue;
    if (logged.message == WM_SIZE) {
      EXPECT_EQ(logged.wparam, SIZE_RESTORED);
      EXPECT_EQ(logged.lparam, MAKELPARAM(300, 200));
    }
    if (logged.message == WM_MOVE) {
      EXPECT_EQ(logged.lparam, MAKELPARAM(10, 20));
    }
  }
  EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST_F(WindowTest, RefusingNcCreateOrCreateDestroysTheWindow) {
  struct Case {
    UINT refused;
    LRESULT answer;
    std::vector<UINT> messages;
  } cases[] = {
      {WM_NCCREATE, FALSE, {WM_NCCREATE, WM_NCDESTROY}},
      {WM_CREATE, -1, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
  };
  for (const Case& c : cases) {
    std::size_t before = platform::LiveWindowCount();
    HWND refused = nullptr;
    SetHandler([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (message != c.refused) return std::nullopt;
      refused = hwnd;
      return c.answer;
    });
    EXPECT_EQ(CreateWindowEx(0, kTestClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                             nullptr),
              nullptr);
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(MessagesOf(refused), c.messages);
    EXPECT_FALSE(IsWindow(refused));
    EXPECT_EQ(platform::LiveWindowCount(), before);
  }
}

TEST_F(WindowTest, DestroyWindowTakesOwnedWindowsAndChildrenInThePlatformsOrder) {
  HWND parent = Make(nullptr, WS_OVERLAPPEDWINDOW);
  HWND child1 = Make(parent, WS_CHILD);
  HWND child2 = Make(parent, WS_CHILD);
  HWND grandchild = Make(child1, WS_CHILD);
  HWND owned = Make(parent, WS_POPUP);
  ASSERT_EQ(GetWindow(owned, GW_OWNER), parent);

  std::vector<std::pair<HWND, UINT>> order;
  bool alive_during_ncdestroy = true;
  SetHandler([&](HWND hwnd, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_DESTROY || message == WM_NCDESTROY) order.emplace_back(hwnd, message);
    if (message == WM_NCDESTROY && !IsWindow(hwnd)) alive_during_ncdestroy = false;
    if (message == WM_NCDESTROY && hwnd == grandchild && GetParent(hwnd) != child1) {
      alive_during_ncdestroy = false;
    }
    return std::nullopt;
  });
  EXPECT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> expected = {
      {owned, WM_DESTROY},        {owned, WM_NCDESTROY},    {parent, WM_DESTROY},
      {child1, WM_DESTROY},       {grandchild, WM_DESTROY}, {child2, WM_DESTROY},
      {grandchild, WM_NCDESTROY}, {child1, WM_NCDESTROY},   {child2, WM_NCDESTROY},
      {parent, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(alive_during_ncdestroy);
  for (HWND hwnd : {parent, child1, child2, grandchild, owned}) EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, ChildrenTellTheirParentsAboutCreationAndDestruction) {
  HWND parent = Make(nullptr, WS_POPUP);
  HWND child = Make(parent, WS_CHILD, nullptr, 0, 0, 0, 0, 0, reinterpret_cast<HMENU>(17));
  HWND quiet = Make(parent, WS_CHILD, nullptr, WS_EX_NOPARENTNOTIFY);
  DestroyWindow(child);
  DestroyWindow(quiet);
  std::vector<std::pair<WPARAM, LPARAM>> notes;
  for (const auto& logged : MessageLog()) {
    if (logged.hwnd == parent && logged.message == WM_PARENTNOTIFY) {
      notes.emplace_back(logged.wparam, logged.lparam);
    }
  }
  auto as_lparam = [](HWND hwnd) { return reinterpret_cast<LPARAM>(hwnd); };
  EXPECT_EQ(notes, (std::vector<std::pair<WPARAM, LPARAM>>{
                       {MAKEWPARAM(WM_CREATE, 17), as_lparam(child)},
                       {MAKEWPARAM(WM_DESTROY, 17), as_lparam(child)}}));
}

TEST_F(WindowTest, DestroyingAgainFromWmDestroyDoesNothing) {
  HWND hwnd = Make(HWND_MESSAGE);
  BOOL nested = FALSE;
  SetHandler([&](HWND w, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_DESTROY) nested = DestroyWindow(w);
    return std::nullopt;
  });
  EXPECT_TRUE(DestroyWindow(hwnd));
  EXPECT_TRUE(nested);
  EXPECT_EQ(CountOf(hwnd, WM_DESTROY), 1);
  EXPECT_EQ(CountOf(hwnd, WM_NCDESTROY), 1);
}

TEST_F(WindowTest, HandlesAreNeverReused) {
  std::set<HWND> seen;
  for (int round = 0; round < 3; ++round) {
    std::vector<HWND> batch;
    for (int i = 0; i < 5; ++i) batch.push_back(Make(HWND_MESSAGE));
    for (HWND hwnd : batch) {
      EXPECT_TRUE(seen.insert(hwnd).second) << "handle given out twice";
      DestroyWindow(hwnd);
    }
  }
  for (HWND hwnd : seen) EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, ParentsOwnersAndAncestors) {
  HWND top = Make(nullptr, WS_OVERLAPPEDWINDOW);
  HWND child = Make(top, WS_CHILD);
  HWND grandchild = Make(child, WS_CHILD);
  HWND popup = Make(grandchild, WS_POPUP);  // owned by the top-level window
  HWND overlapped = Make(top, WS_OVERLAPPED);

  EXPECT_EQ(GetParent(child), top);
  EXPECT_EQ(GetParent(grandchild), child);
  EXPECT_EQ(GetParent(top), nullptr);
  EXPECT_EQ(GetParent(popup), top);
  EXPECT_EQ(GetParent(overlapped), nullptr);
  EXPECT_EQ(GetWindow(overlapped, GW_OWNER), top);
  EXPECT_EQ(GetAncestor(grandchild, GA_ROOT), top);
  EXPECT_EQ(GetAncestor(grandchild, GA_PARENT), child);
  EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetAncestor(popup, GA_ROOTOWNER), top);
  EXPECT_EQ(GetWindowLongPtr(child, GWLP_HWNDPARENT), reinterpret_cast<LONG_PTR>(top));
  EXPECT_TRUE(IsChild(top, grandchild));
  EXPECT_FALSE(IsChild(top, popup));
  EXPECT_FALSE(IsChild(grandchild, top));
  // An overlapped top-level window always has a caption.
  EXPECT_EQ(GetWindowLong(overlapped, GWL_STYLE) & WS_CAPTION, static_cast<LONG>(WS_CAPTION));

  // SetParent moves a child and returns the previous parent.
  EXPECT_EQ(SetParent(grandchild, top), child);
  EXPECT_EQ(GetParent(grandchild), top);
  EXPECT_EQ(GetWindow(child, GW_CHILD), nullptr);
  EXPECT_EQ(ERROR_OF(SetParent(top, grandchild) != nullptr),
            ERROR_INVALID_PARAMETER);  // a window cannot go under its own child

  SetLastError(0);
  EXPECT_EQ(CreateWindowEx(0, kTestClass, nullptr, WS_CHILD, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                           nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}

TEST_F(WindowTest, ChildrenKeepCreationOrderAndTopLevelWindowsGoOnTop) {
  HWND parent = Make(nullptr, WS_POPUP);
  HWND a = Make(parent, WS_CHILD);
  HWND b = Make(parent, WS_CHILD);
  HWND c = Make(parent, WS_CHILD);
  EXPECT_EQ(GetWindow(parent, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDFIRST), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDLAST), c);

  HWND first = Make(nullptr, WS_POPUP);
  HWND second = Make(nullptr, WS_POPUP);
  EXPECT_EQ(GetTopWindow(nullptr), second);
  EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), first);
}

TEST_F(WindowTest, MessageOnlyWindowsStayOutOfTheTopLevelList) {
  HWND hidden = Make(HWND_MESSAGE, 0, "Velko hidden");
  HWND top = Make(nullptr, WS_POPUP, "Velko visible");
  EXPECT_EQ(GetParent(hidden), nullptr);
  EXPECT_EQ(FindWindow(kTestClass, "Velko hidden"), nullptr);
  EXPECT_EQ(FindWindowEx(HWND_MESSAGE, nullptr, kTestClass, "Velko hidden"), hidden);
  EXPECT_EQ(FindWindow(kTestClass, "Velko visible"), top);
  EXPECT_EQ(FindWindow(nullptr, "Velko visible"), top);
  EXPECT_EQ(FindWindow("velkotestwindow", nullptr), top);
  EXPECT_EQ(FindWindow("NoSuchClass", nullptr), nullptr);

  bool hidden_listed = false;
  bool top_listed = false;
  struct Seen {
    HWND hidden, top;
    bool* hidden_listed;
    bool* top_listed;
  } seen{hidden, top, &hidden_listed, &top_listed};
  EnumWindows(
      [](HWND hwnd, LPARAM lparam) -> BOOL {
        auto* s = reinterpret_cast<Seen*>(lparam);
        if (hwnd == s->hidden) *s->hidden_listed = true;
        if (hwnd == s->top) *s->top_listed = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_FALSE(hidden_listed);
  EXPECT_TRUE(top_listed);

  EXPECT_TRUE(PostMessage(HWND_BROADCAST, WM_APP + 5, 1, 2));
  MSG msg;
  std::vector<HWND> reached;
  while (PeekMessage(&msg, nullptr, WM_APP + 5, WM_APP + 5, PM_REMOVE)) reached.push_back(msg.hwnd);
  EXPECT_EQ(std::count(reached.begin(), reached.end(), top), 1);
  EXPECT_EQ(std::count(reached.begin(), reached.end(), hidden), 0);
}

TEST_F(WindowTest, EnumerationVisitsChildrenDepthFirstAndStopsOnFalse) {
  HWND parent = Make(nullptr, WS_POPUP);
  HWND a = Make(parent, WS_CHILD);
  HWND a1 = Make(a, WS_CHILD);
  HWND b = Make(parent, WS_CHILD);
  // The children visited, and what EnumChildWindows answered, when each
  // visit answers `go_on`.
  auto visit = [parent](BOOL go_on) {
    std::pair<std::vector<HWND>, BOOL> seen{{}, go_on};
    const BOOL all = EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lparam) -> BOOL {
          auto* seen = reinterpret_cast<std::pair<std::vector<HWND>, BOOL>*>(lparam);
          seen->first.push_back(hwnd);
          return seen->second;
        },
        reinterpret_cast<LPARAM>(&seen));
    return std::make_pair(seen.first, all);
  };
  EXPECT_EQ(visit(TRUE), std::make_pair(std::vector<HWND>{a, a1, b}, TRUE));
  EXPECT_EQ(visit(FALSE), std::make_pair(std::vector<HWND>{a}, FALSE));

  int own_windows = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM lparam) -> BOOL {
        ++*reinterpret_cast<int*>(lparam);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&own_windows));
  EXPECT_EQ(own_windows, 1);  // only top-level windows
}

TEST_F(WindowTest, TextComesFromCreationAndGoesThroughMessages) {
  HWND hwnd = Make(HWND_MESSAGE, 0, "Hello");
  char buffer[32];
  EXPECT_EQ(GetWindowText(hwnd, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "Hello");
  EXPECT_EQ(GetWindowTextLength(hwnd), 5);

  EXPECT_TRUE(SetWindowText(hwnd, "A longer caption"));
  EXPECT_EQ(GetWindowText(hwnd, buffer, 6), 5);
  EXPECT_STREQ(buffer, "A lon");
  EXPECT_EQ(GetWindowTextLength(hwnd), 16);
  EXPECT_EQ(CountOf(hwnd, WM_SETTEXT), 1);
  EXPECT_GE(CountOf(hwnd, WM_GETTEXT), 2);

  // The window procedure may answer the requests itself.
  SetHandler([](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_GETTEXT && wparam >= 3) {
      std::strcpy(reinterpret_cast<char*>(lparam), "Me");
      return 2;
    }
    return std::nullopt;
  });
  EXPECT_EQ(GetWindowText(hwnd, buffer, sizeof buffer), 2);
  EXPECT_STREQ(buffer, "Me");
  // A window that stops WM_NCCREATE from reaching DefWindowProc has no text.
  SetHandler([](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_NCCREATE) return TRUE;
    return std::nullopt;
  });
  HWND untitled = Make(HWND_MESSAGE, 0, "Lost");
  EXPECT_EQ(GetWindowTextLength(untitled), 0);
}

TEST_F(WindowTest, WindowLongValues) {
  HWND parent = Make(nullptr, WS_POPUP);
  HWND child = Make(parent, WS_CHILD | WS_TABSTOP, nullptr, WS_EX_CLIENTEDGE, 0, 0, 0, 0,
                    reinterpret_cast<HMENU>(1234));
  EXPECT_EQ(GetWindowLong(child, GWL_STYLE), static_cast<LONG>(WS_CHILD | WS_TABSTOP));
  EXPECT_EQ(GetWindowLong(child, GWL_EXSTYLE), static_cast<LONG>(WS_EX_CLIENTEDGE));
  EXPECT_EQ(GetWindowLongPtr(child, GWLP_ID), 1234);
  EXPECT_EQ(SetWindowLongPtr(child, GWLP_USERDATA, 0x5555AAAA5555), 0);
  EXPECT_EQ(GetWindowLongPtr(child, GWLP_USERDATA), 0x5555AAAA5555);
  EXPECT_EQ(GetWindowLongPtr(child, GWLP_HINSTANCE), 0);

  // The test class has 16 extra bytes.
  EXPECT_EQ(SetWindowLongPtr(child, 8, -7), 0);
  EXPECT_EQ(GetWindowLongPtr(child, 8), -7);
  EXPECT_EQ(SetWindowLong(child, 0, -1), 0);
  EXPECT_EQ(GetWindowLong(child, 0), -1);
  EXPECT_EQ(GetWindowLong(child, 12), -1);  // the low half of -7
  EXPECT_EQ(ERROR_OF(GetWindowLongPtr(child, 9) != 0), ERROR_INVALID_INDEX);
  EXPECT_EQ(ERROR_OF(GetWindowLong(child, -100) != 0), ERROR_INVALID_INDEX);
  // Procedure pointers do not fit the 32-bit form.
  EXPECT_EQ(ERROR_OF(GetWindowLong(child, GWL_WNDPROC) != 0), ERROR_INVALID_INDEX);
  EXPECT_NE(GetWindowLongPtr(child, GWLP_WNDPROC), 0);
}

TEST_F(WindowTest, StyleChangesAreAnnouncedAndMayBeAmended) {
  HWND hwnd = Make(HWND_MESSAGE, WS_BORDER);
  STYLESTRUCT changed{};
  SetHandler([&](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
    auto* styles = reinterpret_cast<STYLESTRUCT*>(lparam);
    if (message == WM_STYLECHANGING && wparam == static_cast<WPARAM>(GWL_STYLE)) {
      styles->styleNew |= WS_TABSTOP;  // the window insists on a tab stop
    }
    if (message == WM_STYLECHANGED) changed = *styles;
    return std::nullopt;
  });
  EXPECT_EQ(SetWindowLong(hwnd, GWL_STYLE, WS_DLGFRAME), static_cast<LONG>(WS_BORDER));
  EXPECT_EQ(GetWindowLong(hwnd, GWL_STYLE), static_cast<LONG>(WS_DLGFRAME | WS_TABSTOP));
  EXPECT_EQ(changed.styleOld, WS_BORDER);
  EXPECT_EQ(changed.styleNew, WS_DLGFRAME | WS_TABSTOP);
  EXPECT_EQ(CountOf(hwnd, WM_STYLECHANGING), 1);
  EXPECT_EQ(CountOf(hwnd, WM_STYLECHANGED), 1);
}

// Two subclass procedures chained in front of the test class's procedure.
WNDPROC g_previous_inner = nullptr;
WNDPROC g_previous_outer = nullptr;
std::vector<std::string> g_trail;

LRESULT InnerSubclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) {
    g_trail.push_back("inner");
    return CallWindowProc(g_previous_inner, hwnd, message, wparam, lparam) + 10;
  }
  return CallWindowProc(g_previous_inner, hwnd, message, wparam, lparam);
}

LRESULT OuterSubclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP) g_trail.push_back("outer");
  if (message == WM_APP + 1) return 77;  // handled here, never reaches the others
  return CallWindowProc(g_previous_outer, hwnd, message, wparam, lparam);
}

TEST_F(WindowTest, SubclassingChainsToThePreviousProcedure) {
  HWND hwnd = Make(HWND_MESSAGE);
  SetHandler([](HWND, UINT message, WPARAM wparam, LPARAM) -> std::optional<LRESULT> {
    if (message == WM_APP) {
      g_trail.push_back("class");
      return static_cast<LRESULT>(wparam);
    }
    return std::nullopt;
  });
  g_trail.clear();
  LONG_PTR original = GetWindowLongPtr(hwnd, GWLP_WNDPROC);
  g_previous_inner = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&InnerSubclass)));
  g_previous_outer = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OuterSubclass)));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(g_previous_inner), original);
  EXPECT_EQ(g_previous_outer, &InnerSubclass);

  EXPECT_EQ(SendMessage(hwnd, WM_APP, 5, 0), 15);
  EXPECT_EQ(g_trail, (std::vector<std::string>{"outer", "inner", "class"}));
  EXPECT_EQ(SendMessage(hwnd, WM_APP + 1, 0, 0), 77);
  EXPECT_EQ(CountOf(hwnd, WM_APP + 1), 0);

  // Posted messages take the same road through DispatchMessage.
  g_trail.clear();
  PostMessage(hwnd, WM_APP, 1, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, hwnd, 0, 0, PM_REMOVE));
  EXPECT_EQ(DispatchMessage(&msg), 11);
  EXPECT_EQ(g_trail, (std::vector<std::string>{"outer", "inner", "class"}));

  // Putting the original back takes the subclasses out.
  SetWindowLongPtr(hwnd, GWLP_WNDPROC, original);
  g_trail.clear();
  EXPECT_EQ(SendMessage(hwnd, WM_APP, 3, 0), 3);
  EXPECT_EQ(g_trail, (std::vector<std::string>{"class"}));
}

TEST_F(WindowTest, PropertiesIgnoreCaseAndAcceptAtoms) {
  HWND hwnd = Make(HWND_MESSAGE);
  HANDLE value = reinterpret_cast<HANDLE>(0x4242);
  EXPECT_TRUE(SetProp(hwnd, "Velko.Owner", value));
  EXPECT_EQ(GetProp(hwnd, "VELKO.OWNER"), value);
  EXPECT_TRUE(SetProp(hwnd, MAKEINTATOM(0xC123), reinterpret_cast<HANDLE>(1)));
  EXPECT_EQ(GetProp(hwnd, MAKEINTATOM(0xC123)), reinterpret_cast<HANDLE>(1));
  EXPECT_EQ(RemoveProp(hwnd, "velko.owner"), value);
  EXPECT_EQ(GetProp(hwnd, "Velko.Owner"), nullptr);
  EXPECT_EQ(RemoveProp(hwnd, "Velko.Owner"), nullptr);
}

TEST_F(WindowTest, AWindowBelongsToTheThreadThatMadeIt) {
  HWND made = nullptr;
  DWORD maker = 0;
  std::thread other([&] {
    maker = GetCurrentThreadId();
    made = CreateWindowEx(0, kTestClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                          nullptr);
    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(made, &process), maker);
    EXPECT_EQ(process, GetCurrentProcessId());
  });
  other.join();
  // The thread has ended: its window went with it.
  EXPECT_NE(made, nullptr);
  EXPECT_FALSE(IsWindow(made));
  EXPECT_NE(maker, GetCurrentThreadId());
  // Only the owning thread may destroy a window.
  HWND mine = Make(HWND_MESSAGE);
  BOOL result = TRUE;
  DWORD error = 0;
  std::thread stranger([&] {
    result = DestroyWindow(mine);
    error = GetLastError();
  });
  stranger.join();
  EXPECT_FALSE(result);
  EXPECT_EQ(error, ERROR_ACCESS_DENIED);
  EXPECT_TRUE(IsWindow(mine));
}

}  // namespace
