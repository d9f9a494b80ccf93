// Carets: the blinking text cursor of edit fields. A thread has at most one
// caret, on one of its windows. It is drawn by inverting its block on the
// window's client area and blinks every GetCaretBlinkTime() milliseconds on
// the platform clock while the thread takes messages. It starts hidden:
// ShowCaret and HideCaret nest. BeginPaint takes it off the window and
// EndPaint puts it back, so painting never leaves a half caret behind.
#pragma once

#include "platform/core/types.h"

// `bitmap` 1 makes a gray caret, any other bitmap or null a solid one;
// a width or height of 0 means the border width (1 pixel).
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// `hwnd` must be the caret's window (null: whatever window has it).
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
// Client coordinates of the caret's window.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(LPPOINT point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT ms);
