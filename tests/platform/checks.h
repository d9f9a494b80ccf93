// Small helpers the platform tests share: the error a failed call left,
// taken in the same check as the failure, and rectangles compared whole.
#pragma once

#include <array>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/user/input.h"
#include "platform/user/user.h"

namespace velko_test {

// What ErrorOf gives for a call that succeeded (no error code has it).
constexpr DWORD kSucceeded = 0xFFFFFFFF;

// The last error when a call failed (`succeeded` false), else kSucceeded:
// EXPECT_EQ(ErrorOf(DeleteFile(name)), ERROR_FILE_NOT_FOUND).
inline DWORD ErrorOf(bool succeeded) {
  return succeeded ? kSucceeded : GetLastError();
}

// The same for a call that opens a handle: the error when it gave
// INVALID_HANDLE_VALUE or null; a handle that did open is closed.
inline DWORD OpenErrorOf(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return GetLastError();
  CloseHandle(handle);
  return kSucceeded;
}

// ErrorOf and OpenErrorOf of a call made with the last error cleared first,
// so that an error left by an earlier call cannot pass for this one:
// EXPECT_EQ(ERROR_OF(DeleteFile(name)), ERROR_FILE_NOT_FOUND).
#define ERROR_OF(call) ::velko_test::ErrorOf((::SetLastError(0), static_cast<bool>(call)))
#define OPEN_ERROR_OF(call) ::velko_test::OpenErrorOf((::SetLastError(0), (call)))

// A key pressed with a modifier (VK_MENU, VK_SHIFT, VK_CONTROL) held.
inline void InjectChord(UINT modifier, UINT vk) {
  platform::InjectKey(modifier, true);
  platform::InjectKeyPress(vk);
  platform::InjectKey(modifier, false);
}

// A rectangle's edges (left, top, right, bottom), to compare in one check:
// EXPECT_EQ(EdgesOf(r), (Edges{10, 20, 510, 420})).
using Edges = std::array<LONG, 4>;
inline Edges EdgesOf(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}
inline Edges WindowEdges(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return EdgesOf(r);
}
// GetClientRect's rectangle.
inline Edges ClientRectEdges(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return EdgesOf(r);
}
// The client area on the screen.
inline Edges ClientEdges(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  return {origin.x, origin.y, origin.x + r.right, origin.y + r.bottom};
}

}  // namespace velko_test
