// The popup menu window, class "#32768": a frameless top-most window that
// paints one menu and never takes activation. The menu loop
// (menu_tracker.cpp) creates, places and destroys these windows and reads
// the mouse itself; the window only paints.
#include "platform/user/menu_window.h"

#include "platform/gdi/gdi.h"
#include "platform/user/builtin_classes.h"
#include "platform/user/cursor.h"
#include "platform/user/menu_layout.h"
#include "platform/user/painting.h"
#include "platform/user/window.h"
#include "platform/user/window_class.h"
#include "platform/user/window_position.h"

namespace platform::user::menus {
namespace {

constexpr char kMenuClass[] = "#32768";
// Window extra bytes: the menu shown and the window that owns the menu
// (gets WM_DRAWITEM).
constexpr int kMenuOffset = 0;
constexpr int kOwnerOffset = static_cast<int>(sizeof(LONG_PTR));

struct CreateInfo {
  HMENU menu = nullptr;
  HWND owner = nullptr;
};

HMENU MenuOf(HWND hwnd) {
  return reinterpret_cast<HMENU>(GetWindowLongPtr(hwnd, kMenuOffset));
}

HWND OwnerOf(HWND hwnd) {
  return reinterpret_cast<HWND>(GetWindowLongPtr(hwnd, kOwnerOffset));
}

LRESULT MenuWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lparam);
      const auto* info = static_cast<const CreateInfo*>(cs->lpCreateParams);
      if (info != nullptr) {
        SetWindowLongPtr(hwnd, kMenuOffset, reinterpret_cast<LONG_PTR>(info->menu));
        SetWindowLongPtr(hwnd, kOwnerOffset, reinterpret_cast<LONG_PTR>(info->owner));
      }
      return TRUE;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      PaintPopup(OwnerOf(hwnd), MenuOf(hwnd), dc, client);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // painting covers every pixel
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case MN_GETHMENU:
      return reinterpret_cast<LRESULT>(MenuOf(hwnd));
  }
  return DefWindowProc(hwnd, message, wparam, lparam);
}

void RegisterMenuClass() {
  WNDCLASSEX wc;
  wc.style = CS_GLOBALCLASS | CS_SAVEBITS;
  wc.lpfnWndProc = MenuWindowProc;
  wc.cbWndExtra = 2 * static_cast<int>(sizeof(LONG_PTR));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kMenuClass;
  RegisterClassEx(&wc);
}

const platform::BuiltinClass kMenuClassEntry(kMenuClass, &RegisterMenuClass);

}  // namespace

HWND CreateMenuWindow(HWND owner, HMENU menu, const RECT& screen_rect) {
  CreateInfo info{menu, owner};
  HWND top = owner != nullptr ? GetAncestor(owner, GA_ROOT) : nullptr;
  return CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuClass, "",
                        WS_POPUP | WS_CLIPSIBLINGS, screen_rect.left, screen_rect.top,
                        screen_rect.right - screen_rect.left, screen_rect.bottom - screen_rect.top,
                        top, nullptr, nullptr, &info);
}

HMENU MenuOfWindow(HWND hwnd) {
  return MenuOf(hwnd);
}

}  // namespace platform::user::menus
