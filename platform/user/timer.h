// Timers. A timer belongs to the thread that set it and is read from the
// platform clock, so under the manual clock timers fire only as the clock is
// advanced.
//
// A due timer makes a WM_TIMER (wParam: timer id, lParam: the timer
// procedure or 0) when its thread takes messages and no posted message
// waits. At most one WM_TIMER per timer is pending: expiries that pass while
// it waits are dropped, and the timer keeps its schedule (a 50 ms timer set
// at 0 falls due at 50, 100, 150... however late its messages are taken).
#pragma once

#include "platform/core/types.h"
#include "platform/user/messages.h"
#include "platform/user/user_types.h"

// Shortest and longest intervals; others are brought into this range.
constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// With a window (which must belong to the calling thread, else
// ERROR_ACCESS_DENIED), the timer is keyed by (window, id) and setting it
// again restarts it with the new interval and procedure. Without a window it
// is a thread timer: its id is chosen here and returned (passing the id of
// an existing thread timer of this thread restarts that one). Returns 0 on
// failure.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC proc);
// Stops a timer; a WM_TIMER of it that was not taken yet is not delivered.
BOOL KillTimer(HWND hwnd, UINT_PTR id);
