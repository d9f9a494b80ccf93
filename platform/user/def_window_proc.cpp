// The default window procedure: what a window does with the messages its
// own procedure passes on.
#include <algorithm>
#include <cstring>

#include "platform/user/message_queue.h"
#include "platform/user/window.h"
#include "platform/user/window_position.h"
#include "platform/user/window_system.h"

using namespace platform::user;

namespace {

void StoreText(HWND hwnd, LPCSTR text) {
  auto lock = Lock();
  if (Window* window = FindWindowRecord(hwnd)) window->text = text == nullptr ? "" : text;
}

// WM_GETTEXT: copies at most buffer_size - 1 bytes and a terminating zero;
// returns the bytes copied.
LRESULT CopyText(HWND hwnd, WPARAM buffer_size, char* buffer) {
  if (buffer == nullptr || buffer_size == 0) return 0;
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  const std::string empty;
  const std::string& text = window == nullptr ? empty : window->text;
  std::size_t count = std::min<std::size_t>(text.size(), buffer_size - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<LRESULT>(count);
}

LRESULT TextLength(HWND hwnd) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  return window == nullptr ? 0 : static_cast<LRESULT>(window->text.size());
}

// The window's name from CREATESTRUCT; a name that starts with 0xFF is a
// resource ordinal (dialog templates), not text.
void StoreCreationText(HWND hwnd, const CREATESTRUCT* cs) {
  if (cs == nullptr || cs->lpszName == nullptr || IsIntegerAtom(cs->lpszName)) return;
  if (static_cast<unsigned char>(cs->lpszName[0]) == 0xFF) return;
  StoreText(hwnd, cs->lpszName);
}

// Until the non-client frame is drawn, a window's client area is the whole
// window: the proposed rectangle stays as it is.
LRESULT CalcClientArea() {
  return 0;
}

LRESULT HitTest(HWND hwnd, LPARAM lparam) {
  RECT window_rect;
  if (!GetWindowRect(hwnd, &window_rect)) return HTNOWHERE;
  int x = GET_X_LPARAM(lparam);
  int y = GET_Y_LPARAM(lparam);
  bool inside = x >= window_rect.left && x < window_rect.right && y >= window_rect.top &&
                y < window_rect.bottom;
  return inside ? HTCLIENT : HTNOWHERE;
}

// The default handling of WM_WINDOWPOSCHANGED tells the window that its
// client area moved or changed size.
LRESULT OnWindowPosChanged(HWND hwnd, const WINDOWPOS* pos) {
  if (pos == nullptr) return 0;
  if (!(pos->flags & SWP_NOCLIENTSIZE)) SendSize(hwnd);
  if (!(pos->flags & SWP_NOCLIENTMOVE)) SendMove(hwnd);
  return 0;
}

LRESULT OnSysCommand(HWND hwnd, WPARAM command) {
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      SendMessage(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      return 0;
  }
  return 0;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      StoreCreationText(hwnd, reinterpret_cast<const CREATESTRUCT*>(lparam));
      return TRUE;
    case WM_NCCALCSIZE:
      return CalcClientArea();
    case WM_NCHITTEST:
      return HitTest(hwnd, lparam);
    case WM_NCACTIVATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT:
      StoreText(hwnd, reinterpret_cast<LPCSTR>(lparam));
      return TRUE;
    case WM_GETTEXT:
      return CopyText(hwnd, wparam, reinterpret_cast<char*>(lparam));
    case WM_GETTEXTLENGTH:
      return TextLength(hwnd);
    case WM_WINDOWPOSCHANGED:
      return OnWindowPosChanged(hwnd, reinterpret_cast<const WINDOWPOS*>(lparam));
    case WM_SYSCOMMAND:
      return OnSysCommand(hwnd, wparam);
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
    case WM_DEVICECHANGE:
      return TRUE;
    case WM_MOUSEACTIVATE:
      return MA_ACTIVATE;
    case WM_NOTIFYFORMAT:
      return lparam == NF_QUERY ? NFR_ANSI : 0;
  }
  return 0;
}
