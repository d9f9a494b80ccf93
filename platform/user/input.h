// Mouse and keyboard input.
//
// Input comes from the display (or from a test through the Inject calls
// below, which take the same road): a screen point or a key. The thread
// that owns the window under the mouse (or the mouse capture, or the
// keyboard focus) turns it into messages when it takes its messages:
//   mouse: WM_NCHITTEST to the window under the point (HTTRANSPARENT passes
//   the point to the window below), WM_SETCURSOR, on a press into an
//   inactive window WM_MOUSEACTIVATE and activation, then the client message
//   (WM_LBUTTONDOWN..., client coordinates) for HTCLIENT or the non-client
//   one (WM_NCLBUTTONDOWN..., hit-test code in wParam, screen coordinates).
//   With the capture set, every mouse message goes to the capturing window
//   as a client message and no hit test is made. A second press of the same
//   button within the double-click time (GetDoubleClickTime) and distance
//   (SM_CXDOUBLECLK x SM_CYDOUBLECLK) on the same window becomes
//   WM_xBUTTONDBLCLK when the class has CS_DBLCLKS (always in the
//   non-client area). The wheel goes to the focus window. Disabled windows
//   get no mouse messages: a disabled child passes the mouse to its parent,
//   a disabled top-level window swallows it (WM_SETCURSOR with HTERROR; a
//   press brings its enabled owned popup to the front).
//   keyboard: WM_KEYDOWN/WM_KEYUP to the focus window; with Alt held (or
//   F10, or no focus window) WM_SYSKEYDOWN/WM_SYSKEYUP. TranslateMessage
//   adds WM_CHAR / WM_SYSCHAR for keys that make characters (a US keyboard
//   layout). Text typed through an input method arrives as WM_CHAR, one per
//   byte of its UTF-8 form.
#pragma once

#include <string>

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"
#include "platform/user/virtual_keys.h"

// Mouse capture (of the calling thread's windows). SetCapture sends
// WM_CAPTURECHANGED to the window that loses it; ReleaseCapture likewise
// with a null new window.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// Bit 0x8000: the key is down; bit 0x0001: toggled (Caps Lock, Num Lock,
// Scroll Lock on; for other keys, flips each press). GetKeyState reports the
// state as of the messages the calling thread took; GetAsyncKeyState the
// state now (bit 0x0001 there: pressed since the last call).
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* state);
BOOL SetKeyboardState(const BYTE* state);

constexpr UINT MAPVK_VK_TO_VSC = 0;
constexpr UINT MAPVK_VSC_TO_VK = 1;
constexpr UINT MAPVK_VK_TO_CHAR = 2;
// Scan codes are those of a PC keyboard (set 1); characters those of a US
// layout without Shift (letters in upper case, as the platform reports).
UINT MapVirtualKey(UINT code, UINT map_type);
// The character a key makes with the given keyboard state: 1 and the
// character in *ch, 0 for none.
int ToAscii(UINT vk, UINT scan_code, const BYTE* key_state, WORD* ch, UINT flags);
// The virtual key and shift state (high byte: 1 Shift, 2 Ctrl, 4 Alt) that
// type a character; -1 when none does.
SHORT VkKeyScan(char ch);

constexpr DWORD TME_HOVER = 0x00000001;
constexpr DWORD TME_LEAVE = 0x00000002;
constexpr DWORD TME_NONCLIENT = 0x00000010;
constexpr DWORD TME_QUERY = 0x40000000;
constexpr DWORD TME_CANCEL = 0x80000000;
constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;

struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};
using LPTRACKMOUSEEVENT = TRACKMOUSEEVENT*;

// TME_LEAVE: post WM_MOUSELEAVE (TME_NONCLIENT: WM_NCMOUSELEAVE) once the
// mouse leaves the window's client area (whole window); TME_HOVER: post
// WM_MOUSEHOVER once the mouse rests for dwHoverTime milliseconds
// (HOVER_DEFAULT: 400) within SPI_GETMOUSEHOVERWIDTH x HEIGHT. Each request
// is answered once; TME_CANCEL withdraws, TME_QUERY reports the request.
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);

// The visible window under a screen point (hidden and disabled child
// windows are passed over); null over the desktop.
HWND WindowFromPoint(POINT pt);
constexpr UINT CWP_ALL = 0x0000;
constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
constexpr UINT CWP_SKIPDISABLED = 0x0002;
constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;
// The child of `parent` containing a point of its client coordinates (the
// parent itself when no child does; null outside the parent).
HWND ChildWindowFromPoint(HWND parent, POINT pt);
HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags);

// Double-click time in milliseconds (default 500).
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);
// Screen position of the mouse when the last message was posted (low word
// x, high word y).
DWORD GetMessagePos();
// Mouse buttons swapped: not offered (always FALSE).
BOOL SwapMouseButton(BOOL swap);

namespace platform {

// Test and display seams: input enters here exactly as it comes from the
// screen. Points are screen coordinates.
enum class MouseAction {
  kMove,
  kLeftDown,
  kLeftUp,
  kRightDown,
  kRightUp,
  kMiddleDown,
  kMiddleUp,
  kX1Down,
  kX1Up,
  kX2Down,
  kX2Up,
  kWheel,   // `wheel_delta`: 120 per notch, positive away from the user
  kHWheel,  // horizontal wheel, positive to the right
};
// The mouse moves to (x, y) (when it is not there yet) and then the action
// happens there.
void InjectMouse(MouseAction action, int x, int y, int wheel_delta = 0);
// Move, press and release of the left button at (x, y).
void InjectClick(int x, int y);
// A key goes down or up. With `text_follows` the key's characters come
// separately through InjectText (as the SDL backend does), and
// TranslateMessage makes only control characters for it.
void InjectKey(UINT vk, bool down, bool text_follows = false);
// Down and up.
void InjectKeyPress(UINT vk);
// Typed text (UTF-8): WM_CHAR to the focus window, one per byte.
void InjectText(const std::string& text);
// Forgets every key and button held, waiting raw input, the capture and the
// cursor clip (tests start from a calm keyboard and mouse).
void ResetInput();
// Activation from outside (the display's focus events): the window becomes
// the active window; null: none of ours is.
void InjectActivation(HWND hwnd);

}  // namespace platform
