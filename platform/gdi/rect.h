// Rectangle and point helpers. A rectangle covers left <= x < right and
// top <= y < bottom: it is empty when right <= left or bottom <= top.
#pragma once

#include "platform/core/types.h"

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL CopyRect(RECT* dest, const RECT* src);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL OffsetRect(RECT* rect, int dx, int dy);
// FALSE (and an empty result) when the two do not overlap.
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b);
// An empty rectangle adds nothing; FALSE when the result is empty.
BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b);
// a minus b when b covers a whole side of a; a unchanged otherwise.
BOOL SubtractRect(RECT* dest, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL IsRectEmpty(const RECT* rect);
BOOL PtInRect(const RECT* rect, POINT point);
