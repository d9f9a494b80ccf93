// Internal pieces shared by the window system's files: geometry on the
// screen, update regions and the surfaces windows draw on, activation and
// focus, input, carets and the display. Not part of the platform's
// interface.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"
#include "platform/user/nonclient.h"
#include "platform/user/screen.h"
#include "platform/user/window_system.h"

namespace platform::user {

// ---- Geometry (lock held) ----

// The window rectangle's top-left on the screen.
POINT WindowOriginOnScreen(const Window* window);
RECT WindowRectOnScreen(const Window* window);
// The client rectangle relative to the window rectangle's top-left.
RECT ClientRectInWindow(const Window* window);
// The window's top-left on its top-level window's surface.
POINT OffsetInTopLevel(const Window* window);
// The window and its ancestors are visible and its top-level window is not
// minimized: it is on the screen.
bool IsOnScreen(const Window* window);
// The classic frame of a window as it is now.
platform::FrameLayout LayoutOf(const Window* window);
int MenuBarHeight(const Window* window, int width);
// True when the screen point lies in the window (rectangle and region).
bool ContainsScreenPoint(const Window* window, POINT pt);
// The deepest visible window at a screen point, skipping `skip` (a window
// that answered HTTRANSPARENT) and, when `skip_disabled`, disabled child
// windows; null over the desktop.
Window* WindowAtPoint(POINT pt, const Window* skip, bool skip_disabled);

// ---- Painting (lock held) ----

// Adds `area` (window coordinates of `window`) to the window's update
// region and, when `children`, to the children under it.
void Invalidate(Window* window, const platform::Region& area, bool erase, bool frame,
                bool children);
// Invalidates the whole window and its children, frame included.
void InvalidateAll(Window* window);
// Removes `area` (window coordinates) from the update region.
void Validate(Window* window, const platform::Region& area, bool children);
// The first window of the thread that needs WM_PAINT and passes the filter.
Window* FindWindowToPaint(ThreadQueue& queue, const MessageFilter& filter);
bool NeedsPaint(const Window* window);
// The part of the top-level surface a DC of the window may draw on
// (surface coordinates): the window or its client area, clipped by its
// ancestors, its siblings and children as its styles say, and the window
// regions.
platform::Region VisibleRegion(const Window* window, bool whole_window);
// Makes or resizes the surface of a top-level window to its window size.
void EnsureSurface(Window* top);
// Points every window DC at its window's place again (after windows moved,
// were shown, hidden or re-ordered).
void RefreshWindowDCs();
// Makes a DC for a window DC record (and registers it), or places an
// existing one again.
HDC MakeWindowDC(const WindowDC& entry);
void PlaceWindowDC(HDC dc, const WindowDC& entry);
// Frees the DCs and the surface of a window being destroyed.
void ForgetWindowDrawing(Window* window);
// Adds what a window DC may have drawn to its top-level's dirty region.
void MarkDCDirty(const WindowDC& entry);
// Sends what changed to the display (called when a thread is about to wait).
void PresentToDisplay();

// ---- Activation and focus (no lock held; they send messages) ----

// Makes `hwnd` (a top-level window, or null) the active and foreground
// window. `how` is WA_ACTIVE or WA_CLICKACTIVE.
void ActivateWindow(HWND hwnd, WORD how);
// The window `leaving` is being hidden, minimized, disabled or destroyed:
// when it is (or holds) the active window, activation moves to its owner
// or the next top-level window; focus and capture inside it are dropped.
void WindowLeaving(HWND leaving, bool destroying);
// A window about to be enabled or disabled.
void WindowDisabled(HWND hwnd);

// ---- Input (message_queue.cpp calls these with the lock held) ----

// Hands a raw event to the thread whose window it concerns.
void DeliverRawInput(const RawInput& input);
// Turns the thread's next raw input event into messages (the lock is
// released while hit tests and other messages are sent); false when none
// waits. One at a time, so that what a message's handling changes (the
// capture, the focus) already counts for the next event.
bool CookInput(std::unique_lock<std::mutex>& lock, ThreadQueue& queue);
// Takes the first input message that passes the filter.
bool TakeInputMessage(ThreadQueue& queue, const MessageFilter& filter, bool remove, MSG* msg);
// Posts WM_MOUSEHOVER when the mouse rested long enough; the next time
// something must happen (hover, caret blink), UINT64_MAX for never.
void UpdateInputTimers(ThreadQueue& queue, std::uint64_t now_micros);
std::uint64_t NextInputTimerDue(const ThreadQueue& queue);
// lParam of a key message (scan code, extended, Alt, previous state,
// transition), and a key going down or up in a 256-byte key state.
LPARAM KeyMessageFlags(UINT vk, bool down, bool was_down, bool alt, bool text_follows);
void ApplyKeyTransition(BYTE* state, UINT vk, bool down);

// ---- Carets (lock held) ----

// Blinks the thread's caret when due; its next blink time.
void UpdateCaret(ThreadQueue& queue, std::uint64_t now_micros);
std::uint64_t NextCaretBlink(const ThreadQueue& queue);
// Takes the caret off the window's surface while something paints there,
// and puts it back.
void HideCaretForPaint(HWND hwnd);
void ShowCaretAfterPaint(HWND hwnd);
void DestroyCaretOf(HWND hwnd);

// ---- Non-client default handling (no lock held) ----

LRESULT DefNcCalcSize(HWND hwnd, WPARAM wparam, LPARAM lparam);
LRESULT DefNcHitTest(HWND hwnd, LPARAM lparam);
void DefNcPaint(HWND hwnd, HRGN update);
LRESULT DefNcActivate(HWND hwnd, WPARAM wparam, LPARAM lparam);
LRESULT DefNcLButtonDown(HWND hwnd, WPARAM hit, LPARAM lparam);
LRESULT DefNcLButtonDblClk(HWND hwnd, WPARAM hit, LPARAM lparam);
LRESULT DefSysCommand(HWND hwnd, WPARAM command, LPARAM lparam);
LRESULT DefSetCursor(HWND hwnd, WPARAM wparam, LPARAM lparam);
// Caption buttons: their screen rectangle, and the frame drawn with one of
// them held down (0: none).
bool CaptionButtonRect(HWND hwnd, LRESULT hit, RECT* screen_rect);
void PaintCaptionButton(HWND hwnd, LRESULT pressed);
// The min/max values for a window, asked of the window with WM_GETMINMAXINFO.
MINMAXINFO QueryMinMaxInfo(HWND hwnd);

}  // namespace platform::user
