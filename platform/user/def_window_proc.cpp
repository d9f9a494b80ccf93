// The default window procedure: what a window does with the messages its
// own procedure passes on.
#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/activation.h"
#include "platform/user/cursor.h"
#include "platform/user/input.h"
#include "platform/user/message_queue.h"
#include "platform/user/painting.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"
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

HBRUSH ClassBrush(HWND hwnd) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  return window == nullptr || !window->window_class ? nullptr : window->window_class->background;
}

LRESULT EraseBackground(HWND hwnd, HDC dc) {
  HBRUSH brush = ClassBrush(hwnd);
  if (brush == nullptr || dc == nullptr) return 0;
  RECT area;
  if (GetClipBox(dc, &area) == ERROR) GetClientRect(hwnd, &area);
  FillRect(dc, &area, brush);
  return 1;
}

LRESULT PaintDefault(HWND hwnd) {
  PAINTSTRUCT paint;
  BeginPaint(hwnd, &paint);
  EndPaint(hwnd, &paint);
  return 0;
}

void SetRedraw(HWND hwnd, bool on) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  if (window == nullptr) return;
  window->redraw_off = !on;
  if (on && window->queue) {
    window->queue->maybe_paint = true;
    window->queue->Wake(QS_PAINT);
  }
  RefreshWindowDCs();
}

HWND ParentOf(HWND hwnd) {
  auto lock = Lock();
  Window* window = FindWindowRecord(hwnd);
  return window != nullptr && window->IsChild() ? window->parent->handle : nullptr;
}

LRESULT MouseActivate(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  if (HWND parent = ParentOf(hwnd)) {
    LRESULT answer = SendMessage(parent, WM_MOUSEACTIVATE, wparam, lparam);
    if (answer != 0) return answer;
  }
  return MA_ACTIVATE;
}

// Sizes of resizable top-level windows stay within WM_GETMINMAXINFO's
// tracking limits.
void LimitSize(HWND hwnd, WINDOWPOS* pos) {
  if (pos == nullptr || (pos->flags & SWP_NOSIZE)) return;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr || !window->IsTopLevel()) return;
    if (!(window->style & (WS_THICKFRAME | WS_DLGFRAME))) return;
    if (window->style & (WS_MINIMIZE | WS_MAXIMIZE)) return;
  }
  MINMAXINFO info = QueryMinMaxInfo(hwnd);
  pos->cx = std::clamp<int>(pos->cx, info.ptMinTrackSize.x,
                            std::max(info.ptMinTrackSize.x, info.ptMaxTrackSize.x));
  pos->cy = std::clamp<int>(pos->cy, info.ptMinTrackSize.y,
                            std::max(info.ptMinTrackSize.y, info.ptMaxTrackSize.y));
}

LRESULT ControlColor(UINT message, HDC dc) {
  const bool window_colored = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  const int background = window_colored                    ? COLOR_WINDOW
                         : message == WM_CTLCOLORSCROLLBAR ? COLOR_SCROLLBAR
                                                           : COLOR_3DFACE;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(background));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
}

// The context menu asked for from the keyboard (Shift+F10, the menu key):
// WM_CONTEXTMENU with the position -1, -1.
void KeyboardContextMenu(HWND hwnd) { SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1); }

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

LRESULT SysKeyDown(HWND hwnd, WPARAM vk, LPARAM lparam) {
  const bool alt = (lparam & (LPARAM{1} << 29)) != 0;
  if (vk == VK_F10 && !alt && ShiftHeld()) {
    KeyboardContextMenu(hwnd);
    return 0;
  }
  // Alt+F4 closes the top-level window, whichever of its children has the
  // focus.
  if (vk == VK_F4 && alt) {
    HWND top = GetAncestor(hwnd, GA_ROOT);
    SendMessage(top != nullptr ? top : hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  return 0;
}

LRESULT ContextMenu(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  if (HWND parent = ParentOf(hwnd)) SendMessage(parent, WM_CONTEXTMENU, wparam, lparam);
  return 0;
}

LRESULT RightButtonUp(HWND hwnd, LPARAM lparam) {
  POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ClientToScreen(hwnd, &pt);
  SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd),
              MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
  return 0;
}

// The default handling of WM_WINDOWPOSCHANGED tells the window that its
// client area moved or changed size.
LRESULT OnWindowPosChanged(HWND hwnd, const WINDOWPOS* pos) {
  if (pos == nullptr) return 0;
  if (!(pos->flags & SWP_NOCLIENTSIZE)) SendSize(hwnd);
  if (!(pos->flags & SWP_NOCLIENTMOVE)) SendMove(hwnd);
  return 0;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      StoreCreationText(hwnd, reinterpret_cast<const CREATESTRUCT*>(lparam));
      return TRUE;
    case WM_NCCALCSIZE:
      return DefNcCalcSize(hwnd, wparam, lparam);
    case WM_NCHITTEST:
      return DefNcHitTest(hwnd, lparam);
    case WM_NCACTIVATE:
      return DefNcActivate(hwnd, wparam, lparam);
    case WM_NCPAINT:
      DefNcPaint(hwnd, reinterpret_cast<HRGN>(wparam));
      return 0;
    case WM_NCLBUTTONDOWN:
      return DefNcLButtonDown(hwnd, wparam, lparam);
    case WM_NCLBUTTONDBLCLK:
      return DefNcLButtonDblClk(hwnd, wparam, lparam);
    case WM_NCRBUTTONUP:
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lparam);
      return 0;
    case WM_RBUTTONUP:
      return RightButtonUp(hwnd, lparam);
    case WM_CONTEXTMENU:
      return ContextMenu(hwnd, wparam, lparam);
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && HIWORD(wparam) == 0) SetFocus(hwnd);
      return 0;
    case WM_PAINT:
      return PaintDefault(hwnd);
    case WM_ERASEBKGND:
      return EraseBackground(hwnd, reinterpret_cast<HDC>(wparam));
    case WM_SETREDRAW:
      SetRedraw(hwnd, wparam != 0);
      return 0;
    case WM_SETCURSOR:
      return DefSetCursor(hwnd, wparam, lparam);
    case WM_CANCELMODE:
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_WINDOWPOSCHANGING:
      LimitSize(hwnd, reinterpret_cast<WINDOWPOS*>(lparam));
      return 0;
    case WM_SYSKEYDOWN:
      return SysKeyDown(hwnd, wparam, lparam);
    case WM_SYSKEYUP:
      // Alt pressed and released alone, or F10 (without Shift, which asks
      // for the context menu): the menu bar.
      if (wparam == VK_MENU || (wparam == VK_F10 && !ShiftHeld())) SendMessage(hwnd, WM_SYSCOMMAND, SC_KEYMENU, 0);
      return 0;
    case WM_KEYUP:
      if (wparam == VK_APPS) KeyboardContextMenu(hwnd);
      return 0;
    case WM_SYSCHAR:
      if (lparam & (LPARAM{1} << 29))
        SendMessage(hwnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wparam));
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return ControlColor(message, reinterpret_cast<HDC>(wparam));
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SETTEXT:
      StoreText(hwnd, reinterpret_cast<LPCSTR>(lparam));
      // The caption shows the new text (through WM_NCPAINT, so that a
      // window painting its own frame paints it).
      if ((GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION && IsWindowVisible(hwnd)) {
        SendMessage(hwnd, WM_NCPAINT, 1, 0);
      }
      return TRUE;
    case WM_GETTEXT:
      return CopyText(hwnd, wparam, reinterpret_cast<char*>(lparam));
    case WM_GETTEXTLENGTH:
      return TextLength(hwnd);
    case WM_WINDOWPOSCHANGED:
      return OnWindowPosChanged(hwnd, reinterpret_cast<const WINDOWPOS*>(lparam));
    case WM_SYSCOMMAND:
      return DefSysCommand(hwnd, wparam, lparam);
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN:
    case WM_DEVICECHANGE:
      return TRUE;
    case WM_MOUSEACTIVATE:
      return MouseActivate(hwnd, wparam, lparam);
    case WM_NOTIFYFORMAT:
      return lparam == NF_QUERY ? NFR_ANSI : 0;
  }
  return 0;
}
