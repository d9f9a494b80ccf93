// Points, sizes and rectangles as the class library names them, with the
// constructor routines Point, Rect and Bounds. They are the platform's own
// POINT, SIZE and RECT, so they pass straight to drawing calls. A rectangle
// covers Left <= x < Right and Top <= y < Bottom.
#pragma once

#include "platform/core/types.h"

using TPoint = POINT;
using TSize = SIZE;
using TRect = RECT;

constexpr TPoint Point(LONG X, LONG Y) { return TPoint{X, Y}; }
constexpr TRect Rect(LONG Left, LONG Top, LONG Right, LONG Bottom) { return TRect{Left, Top, Right, Bottom}; }
// The rectangle of that size whose top-left corner is (Left, Top).
constexpr TRect Bounds(LONG Left, LONG Top, LONG Width, LONG Height) {
  return TRect{Left, Top, Left + Width, Top + Height};
}

constexpr bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
constexpr bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
constexpr bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
