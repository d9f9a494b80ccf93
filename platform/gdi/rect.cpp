#include "platform/gdi/rect.h"

#include <algorithm>

namespace {

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (rect == nullptr) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* rect) {
  if (rect == nullptr) return FALSE;
  *rect = RECT{};
  return TRUE;
}

BOOL CopyRect(RECT* dest, const RECT* src) {
  if (dest == nullptr || src == nullptr) return FALSE;
  *dest = *src;
  return TRUE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left -= dx;
  rect->top -= dy;
  rect->right += dx;
  rect->bottom += dy;
  return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}

BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b) {
  if (dest == nullptr || a == nullptr || b == nullptr) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (Empty(*a) || Empty(*b) || Empty(r)) {
    *dest = RECT{};
    return FALSE;
  }
  *dest = r;
  return TRUE;
}

BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b) {
  if (dest == nullptr || a == nullptr || b == nullptr) return FALSE;
  if (Empty(*a) && Empty(*b)) {
    *dest = RECT{};
    return FALSE;
  }
  if (Empty(*a)) {
    *dest = *b;
  } else if (Empty(*b)) {
    *dest = *a;
  } else {
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
  }
  return TRUE;
}

BOOL SubtractRect(RECT* dest, const RECT* a, const RECT* b) {
  if (dest == nullptr || a == nullptr || b == nullptr) return FALSE;
  RECT result = *a;
  RECT overlap;
  if (!Empty(*a) && IntersectRect(&overlap, a, b)) {
    bool fullWidth = overlap.left == a->left && overlap.right == a->right;
    bool fullHeight = overlap.top == a->top && overlap.bottom == a->bottom;
    if (fullWidth && fullHeight) {
      result = RECT{};
    } else if (fullWidth) {
      if (overlap.top == a->top) result.top = overlap.bottom;
      else if (overlap.bottom == a->bottom) result.bottom = overlap.top;
    } else if (fullHeight) {
      if (overlap.left == a->left) result.left = overlap.right;
      else if (overlap.right == a->right) result.right = overlap.left;
    }
  }
  *dest = result;
  return Empty(result) ? FALSE : TRUE;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  if (a == nullptr || b == nullptr) return FALSE;
  return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL IsRectEmpty(const RECT* rect) { return rect == nullptr || Empty(*rect) ? TRUE : FALSE; }

BOOL PtInRect(const RECT* rect, POINT p) {
  if (rect == nullptr) return FALSE;
  return p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom;
}
