// Mouse cursors and icons.
//
// Standard cursors (IDC_*) and icons (IDI_*) come from LoadCursor/LoadIcon
// with a null instance; they are shared and never destroyed. Custom
// cursors are made with CreateCursor (monochrome AND/XOR planes) or
// CreateIconFromPixels (32-bit pixels with alpha), or registered as
// resources of a module with platform::AddCursorResource so that
// LoadCursor(instance, name) finds them. The display shows the cursor set
// last with SetCursor; DefWindowProc sets the class cursor on WM_SETCURSOR
// over the client area and the sizing cursors over the frame.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/core/types.h"

inline LPCSTR MAKEINTRESOURCE(WORD id) {
  return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

inline const LPCSTR IDC_ARROW = MAKEINTRESOURCE(32512);
inline const LPCSTR IDC_IBEAM = MAKEINTRESOURCE(32513);
inline const LPCSTR IDC_WAIT = MAKEINTRESOURCE(32514);
inline const LPCSTR IDC_CROSS = MAKEINTRESOURCE(32515);
inline const LPCSTR IDC_UPARROW = MAKEINTRESOURCE(32516);
inline const LPCSTR IDC_SIZE = MAKEINTRESOURCE(32640);
inline const LPCSTR IDC_ICON = MAKEINTRESOURCE(32641);
inline const LPCSTR IDC_SIZENWSE = MAKEINTRESOURCE(32642);
inline const LPCSTR IDC_SIZENESW = MAKEINTRESOURCE(32643);
inline const LPCSTR IDC_SIZEWE = MAKEINTRESOURCE(32644);
inline const LPCSTR IDC_SIZENS = MAKEINTRESOURCE(32645);
inline const LPCSTR IDC_SIZEALL = MAKEINTRESOURCE(32646);
inline const LPCSTR IDC_NO = MAKEINTRESOURCE(32648);
inline const LPCSTR IDC_HAND = MAKEINTRESOURCE(32649);
inline const LPCSTR IDC_APPSTARTING = MAKEINTRESOURCE(32650);
inline const LPCSTR IDC_HELP = MAKEINTRESOURCE(32651);

inline const LPCSTR IDI_APPLICATION = MAKEINTRESOURCE(32512);
inline const LPCSTR IDI_HAND = MAKEINTRESOURCE(32513);
inline const LPCSTR IDI_ERROR = IDI_HAND;
inline const LPCSTR IDI_QUESTION = MAKEINTRESOURCE(32514);
inline const LPCSTR IDI_EXCLAMATION = MAKEINTRESOURCE(32515);
inline const LPCSTR IDI_WARNING = IDI_EXCLAMATION;
inline const LPCSTR IDI_ASTERISK = MAKEINTRESOURCE(32516);
inline const LPCSTR IDI_INFORMATION = IDI_ASTERISK;
inline const LPCSTR IDI_WINLOGO = MAKEINTRESOURCE(32517);

// Unknown names fail with ERROR_RESOURCE_NAME_NOT_FOUND.
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);
HICON LoadIcon(HINSTANCE instance, LPCSTR name);
// Monochrome planes, rows padded to 16 bits: AND 1 + XOR 0 transparent,
// AND 0 + XOR 0 black, AND 0 + XOR 1 white, AND 1 + XOR 1 inverted.
HCURSOR CreateCursor(HINSTANCE instance, int hot_x, int hot_y, int width, int height,
                     const void* and_plane, const void* xor_plane);
BOOL DestroyCursor(HCURSOR cursor);
BOOL DestroyIcon(HICON icon);
HCURSOR CopyCursor(HCURSOR cursor);

// Returns the cursor shown before. Null hides the cursor.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Counts up (show) or down (hide); the cursor shows while the count is at
// least 0. Returns the new count.
int ShowCursor(BOOL show);
BOOL GetCursorPos(LPPOINT point);
// Moves the mouse (a WM_MOUSEMOVE follows as for real movement).
BOOL SetCursorPos(int x, int y);
// Keeps the mouse inside `rect` (screen coordinates); null frees it.
BOOL ClipCursor(const RECT* rect);
BOOL GetClipCursor(LPRECT rect);

constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
// Draws an icon or cursor (alpha-blended) at (x, y); a width or height of 0
// means the image's own size.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step,
                HBRUSH flicker_free, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

namespace platform {

// The pixels of a cursor or icon: 0xAARRGGBB, rows top to bottom.
struct CursorImage {
  int width = 0;
  int height = 0;
  POINT hotspot{};
  std::vector<std::uint32_t> argb;
  int standard_id = 0;  // the IDC_/IDI_ number of a standard one, else 0
};
bool GetCursorImage(HCURSOR cursor, CursorImage* image);
// Makes a cursor or icon from pixels.
HCURSOR CreateCursorFromImage(const CursorImage& image);
// Makes LoadCursor(instance, name) and LoadIcon(instance, name) find
// `cursor` (a string name or an integer id).
void AddCursorResource(HINSTANCE instance, LPCSTR name, HCURSOR cursor);

}  // namespace platform
