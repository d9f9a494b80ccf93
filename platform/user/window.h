// Windows: creation and destruction, the window tree, window values, text
// and properties, and the default window procedure.
//
// A window belongs to the thread that created it; its messages run on that
// thread. Handles are never reused, and every call given a handle that is
// not (or no longer) a window fails with ERROR_INVALID_WINDOW_HANDLE.
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"
#include "platform/user/window_styles.h"

// Creation sends WM_NCCREATE (FALSE stops it), WM_NCCALCSIZE, WM_CREATE (-1
// destroys the window and stops it), then WM_SIZE and WM_MOVE, tells the
// parent with WM_PARENTNOTIFY and, for WS_VISIBLE, shows the window.
// `parent` may be HWND_MESSAGE for a message-only window (never shown,
// never reached by broadcasts). Without WS_CHILD a given parent becomes the
// owner (its top-level window). Unknown class: ERROR_CANNOT_FIND_WND_CLASS;
// WS_CHILD without a parent: ERROR_TLW_WITH_WSCHILD.
HWND CreateWindowEx(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    LPVOID param);
HWND CreateWindow(LPCSTR class_name, LPCSTR window_name, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Destroys the window's owned windows, then sends WM_DESTROY to the window
// and its children (parent first) and WM_NCDESTROY (children first), then
// frees them all. Only the window's own thread may destroy it
// (ERROR_ACCESS_DENIED otherwise).
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// The tree.
HWND GetDesktopWindow();
// The parent of a child window, the owner of a WS_POPUP window, else null.
HWND GetParent(HWND hwnd);
// Makes `hwnd` a child of `new_parent` (null: top-level, HWND_MESSAGE:
// message-only); returns the previous parent. The style is not changed.
HWND SetParent(HWND hwnd, HWND new_parent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT command);
HWND GetTopWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
// Finds a window by class name and caption (either may be null: any); the
// search covers the children of `parent` (null: top-level windows,
// HWND_MESSAGE: message-only windows) after `child_after`.
HWND FindWindowEx(HWND parent, HWND child_after, LPCSTR class_name, LPCSTR window_name);
HWND FindWindow(LPCSTR class_name, LPCSTR window_name);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lparam);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lparam);
BOOL EnumThreadWindows(DWORD thread_id, WNDENUMPROC proc, LPARAM lparam);
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD process_id);

// Window values: GWL_STYLE, GWL_EXSTYLE, GWLP_ID, GWLP_USERDATA,
// GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT or an offset into the extra
// window bytes; ERROR_INVALID_INDEX for anything else. Setting a style sends
// WM_STYLECHANGING and WM_STYLECHANGED. Setting GWLP_WNDPROC subclasses the
// window: the new procedure receives every message and passes what it does
// not handle on with CallWindowProc(previous procedure, ...).
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
// 32-bit forms. Pointer values (GWL_WNDPROC, GWL_HINSTANCE, GWL_HWNDPARENT)
// do not fit and fail with ERROR_INVALID_INDEX: use the Ptr forms.
LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Text goes through WM_SETTEXT, WM_GETTEXT and WM_GETTEXTLENGTH, so window
// procedures see (and may answer) every request.
BOOL SetWindowText(HWND hwnd, LPCSTR text);
int GetWindowText(HWND hwnd, LPSTR buffer, int buffer_size);
int GetWindowTextLength(HWND hwnd);

// Named values attached to a window (names ignore case; an integer atom may
// stand for a name).
BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data);
HANDLE GetProp(HWND hwnd, LPCSTR name);
HANDLE RemoveProp(HWND hwnd, LPCSTR name);

namespace platform {

// Number of windows alive in the process (leak checks in tests).
std::size_t LiveWindowCount();

}  // namespace platform
