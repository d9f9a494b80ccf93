// Update regions, WM_PAINT, BeginPaint/EndPaint, window DCs, window
// regions and scrolling.
#include "platform/user/painting.h"

#include <algorithm>
#include <vector>

#include "platform/core/errors.h"
#include "platform/gdi/device.h"
#include "platform/gdi/gdi.h"
#include "platform/user/message_queue.h"
#include "platform/user/window.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_position.h"

using namespace platform::user;
using platform::Region;

namespace platform::user {

namespace {

RECT WholeRect(const Window* window) {
  return RECT{0, 0, window->Width(), window->Height()};
}

Region NonClientArea(const Window* window) {
  return Region::Combine(Region(WholeRect(window)), Region(ClientRectInWindow(window)),
                         Region::Op::Diff);
}

void NotePaint(Window* window) {
  if (!window->queue) return;
  window->queue->maybe_paint = true;
  window->queue->Wake(QS_PAINT);
}

}  // namespace

void Invalidate(Window* window, const Region& area, bool erase, bool frame, bool children) {
  if (window->kind != WindowKind::kOrdinary) return;
  RECT limit = frame ? WholeRect(window) : ClientRectInWindow(window);
  Region part = area.Intersected(limit);
  if (!part.IsEmpty()) {
    window->update = Region::Combine(window->update, part, Region::Op::Or);
    if (erase) window->erase_pending = true;
    if (frame && !Region::Combine(part, NonClientArea(window), Region::Op::And).IsEmpty()) {
      window->frame_pending = true;
    }
    NotePaint(window);
  }
  if (!children) return;
  RECT client = ClientRectInWindow(window);
  for (Window* child : window->children) {
    if (!(child->style & WS_VISIBLE)) continue;
    Region under = part;
    under.Offset(-(client.left + child->window_rect.left), -(client.top + child->window_rect.top));
    under = under.Intersected(WholeRect(child));
    if (under.IsEmpty()) continue;
    Invalidate(child, under, erase, true, true);
  }
}

void InvalidateAll(Window* window) {
  Invalidate(window, Region(WholeRect(window)), true, true, true);
}

void Validate(Window* window, const Region& area, bool children) {
  if (window->kind != WindowKind::kOrdinary) return;
  window->update = Region::Combine(window->update, area, Region::Op::Diff);
  if (window->update.IsEmpty()) {
    window->erase_pending = false;
    window->frame_pending = false;
  } else if (window->frame_pending) {
    window->frame_pending =
        !Region::Combine(window->update, NonClientArea(window), Region::Op::And).IsEmpty();
  }
  if (!children) return;
  RECT client = ClientRectInWindow(window);
  for (Window* child : window->children) {
    Region under = area;
    under.Offset(-(client.left + child->window_rect.left), -(client.top + child->window_rect.top));
    Validate(child, under, true);
  }
}

bool NeedsPaint(const Window* window) {
  if (window->redraw_off || !IsOnScreen(window)) return false;
  return !window->update.IsEmpty() || window->internal_paint;
}

namespace {

Window* FindInTree(Window* window, ThreadQueue& queue, const MessageFilter& filter) {
  if (window->kind == WindowKind::kOrdinary && window->queue.get() == &queue &&
      NeedsPaint(window) && filter.MatchesWindow(window->handle)) {
    return window;
  }
  if (window->kind == WindowKind::kOrdinary && !(window->style & WS_VISIBLE)) return nullptr;
  for (Window* child : window->children) {
    if (Window* found = FindInTree(child, queue, filter)) return found;
  }
  return nullptr;
}

}  // namespace

Window* FindWindowToPaint(ThreadQueue& queue, const MessageFilter& filter) {
  if (!queue.maybe_paint) return nullptr;
  Window* found = FindInTree(System().desktop, queue, filter);
  if (found == nullptr && filter.hwnd == nullptr) queue.maybe_paint = false;
  return found;
}

}  // namespace platform::user

namespace {

// The area a RedrawWindow-style call names, in window coordinates; false
// (error set) for a bad region handle.
bool AreaOf(const Window* window, const RECT* rect, HRGN region, bool frame, Region* area) {
  RECT client = ClientRectInWindow(window);
  if (region != nullptr) {
    if (!platform::RegionOfHandle(region, area)) return false;
    area->Offset(client.left, client.top);
    return true;
  }
  if (rect != nullptr) {
    *area = Region(RECT{rect->left + client.left, rect->top + client.top, rect->right + client.left,
                        rect->bottom + client.top});
    return true;
  }
  *area = Region(frame ? RECT{0, 0, window->Width(), window->Height()} : client);
  return true;
}

bool IncludesChildren(const Window* window, UINT flags) {
  if (flags & RDW_ALLCHILDREN) return true;
  if (flags & RDW_NOCHILDREN) return false;
  return (window->style & WS_CLIPCHILDREN) == 0;
}

std::vector<HWND> TopLevelHandles() {
  std::vector<HWND> handles;
  for (Window* window : System().desktop->children) handles.push_back(window->handle);
  return handles;
}

void CollectTree(const Window* window, std::vector<HWND>* handles) {
  handles->push_back(window->handle);
  for (Window* child : window->children) CollectTree(child, handles);
}

// Sends the owed WM_NCPAINT and WM_ERASEBKGND of one window now.
void EraseNow(HWND hwnd) {
  bool frame = false, erase = false;
  Region update;
  POINT screen{};
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr || !NeedsPaint(window)) return;
    frame = window->frame_pending;
    erase = window->erase_pending;
    window->frame_pending = false;
    window->erase_pending = false;
    update = window->update;
    screen = WindowOriginOnScreen(window);
  }
  if (frame) {
    Region on_screen = update;
    on_screen.Offset(screen.x, screen.y);
    HRGN handle = platform::CreateRegionHandle(on_screen);
    SendMessage(hwnd, WM_NCPAINT, reinterpret_cast<WPARAM>(handle), 0);
    DeleteObject(handle);
  }
  if (erase) {
    Region on_screen = update;
    on_screen.Offset(screen.x, screen.y);
    HRGN handle = platform::CreateRegionHandle(on_screen);
    HDC dc = GetDCEx(hwnd, handle, DCX_INTERSECTRGN | DCX_CACHE);
    DeleteObject(handle);
    if (dc != nullptr) {
      SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
      ReleaseDC(hwnd, dc);
    }
  }
}

void PaintNow(HWND hwnd) {
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr || !NeedsPaint(window)) return;
    window->internal_paint = false;
  }
  SendMessage(hwnd, WM_PAINT, 0, 0);
}

BOOL RedrawOne(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  std::vector<HWND> tree;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return FALSE;
    if (window->kind != WindowKind::kOrdinary) return TRUE;
    Region area;
    if (!AreaOf(window, rect, region, (flags & RDW_FRAME) != 0, &area)) return FALSE;
    const bool children = IncludesChildren(window, flags);
    if (flags & RDW_INVALIDATE) {
      Invalidate(window, area, (flags & RDW_ERASE) != 0, (flags & RDW_FRAME) != 0, children);
    } else if (flags & RDW_VALIDATE) {
      if (!(flags & RDW_NOFRAME) && rect == nullptr && region == nullptr) {
        area = Region(RECT{0, 0, window->Width(), window->Height()});
      }
      Validate(window, area, children);
    }
    if (flags & RDW_INTERNALPAINT) {
      window->internal_paint = true;
      window->queue->maybe_paint = true;
      window->queue->Wake(QS_PAINT);
    }
    if (flags & RDW_NOINTERNALPAINT) window->internal_paint = false;
    if (flags & RDW_NOERASE) window->erase_pending = false;
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
      if (children) {
        CollectTree(window, &tree);
      } else {
        tree.push_back(hwnd);
      }
    }
  }
  for (HWND w : tree) {
    if (flags & RDW_UPDATENOW) {
      PaintNow(w);
    } else {
      EraseNow(w);
    }
  }
  return TRUE;
}

}  // namespace

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
  if (paint == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *paint = PAINTSTRUCT{};
  Region update;
  bool frame = false, erase = false;
  POINT screen{};
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return nullptr;
    update = window->update;
    frame = window->frame_pending;
    erase = window->erase_pending;
    window->update.Clear();
    window->frame_pending = false;
    window->erase_pending = false;
    window->internal_paint = false;
    screen = WindowOriginOnScreen(window);
  }
  HideCaretForPaint(hwnd);
  if (frame) {
    Region on_screen = update;
    on_screen.Offset(screen.x, screen.y);
    HRGN handle = platform::CreateRegionHandle(on_screen);
    SendMessage(hwnd, WM_NCPAINT, reinterpret_cast<WPARAM>(handle), 0);
    DeleteObject(handle);
  }
  HDC dc = nullptr;
  {
    auto lock = Lock();
    Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) {
      ShowCaretAfterPaint(hwnd);
      return nullptr;
    }
    RECT client = ClientRectInWindow(window);
    Region clip = update.Intersected(client);
    WindowDC entry;
    entry.hwnd = hwnd;
    entry.paint = true;
    entry.paint_clip = clip;
    dc = MakeWindowDC(entry);
    RECT bounds = clip.Bounds();
    if (!clip.IsEmpty()) {
      paint->rcPaint = RECT{bounds.left - client.left, bounds.top - client.top,
                            bounds.right - client.left, bounds.bottom - client.top};
    }
  }
  paint->hdc = dc;
  if (erase && dc != nullptr) {
    paint->fErase =
        SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  }
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (paint == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (paint->hdc != nullptr) ReleaseDC(hwnd, paint->hdc);
  ShowCaretAfterPaint(hwnd);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (hwnd == nullptr) {
    std::vector<HWND> tops;
    {
      auto lock = Lock();
      tops = TopLevelHandles();
    }
    for (HWND top : tops) {
      if (IsWindow(top)) RedrawOne(top, nullptr, nullptr, flags | RDW_ALLCHILDREN);
    }
    return TRUE;
  }
  return RedrawOne(hwnd, rect, region, flags);
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(
      hwnd, hwnd == nullptr ? nullptr : rect, nullptr,
      RDW_INVALIDATE | (erase ? RDW_ERASE : 0u) | (hwnd == nullptr ? RDW_FRAME : 0u));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0u));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
}

BOOL UpdateWindow(HWND hwnd) {
  {
    auto lock = Lock();
    if (RequireWindow(hwnd) == nullptr) return FALSE;
  }
  return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
  if (erase) EraseNow(hwnd);
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return FALSE;
  RECT client = ClientRectInWindow(window);
  Region part = window->update.Intersected(client);
  if (rect != nullptr) {
    *rect = RECT{};
    if (!part.IsEmpty()) {
      RECT b = part.Bounds();
      *rect = RECT{b.left - client.left, b.top - client.top, b.right - client.left,
                   b.bottom - client.top};
    }
  }
  return part.IsEmpty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  if (erase) EraseNow(hwnd);
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return ERROR;
  RECT client = ClientRectInWindow(window);
  Region part = window->update.Intersected(client);
  part.Offset(-client.left, -client.top);
  if (!platform::SetRegionOfHandle(region, part)) return ERROR;
  return part.Complexity();
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  if (hwnd == nullptr) {
    auto screen = platform::ScreenSurfaceOfScreenSize();
    if (!screen) return nullptr;
    auto lock = Lock();
    HDC dc = platform::CreateSurfaceDC(screen, POINT{0, 0},
                                       Region(RECT{0, 0, screen->width(), screen->height()}));
    if (dc == nullptr) return nullptr;
    // Measuring text on the screen DC is common; composing the windows'
    // images for it is not needed until somebody reads its pixels.
    platform::SetSurfaceDCPreparePixels(dc, [] { platform::ComposeScreenForReading(); });
    System().window_dcs[dc] = WindowDC{};
    return dc;
  }
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr) return nullptr;
  WindowDC entry;
  entry.hwnd = hwnd;
  entry.whole_window = (flags & DCX_WINDOW) != 0;
  if (clip != nullptr && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
    if (!platform::RegionOfHandle(clip, &entry.extra_clip)) return nullptr;
    entry.has_extra_clip = true;
    entry.exclude_extra = (flags & DCX_EXCLUDERGN) != 0;
  }
  const UINT class_style = window->window_class ? window->window_class->style : 0;
  const bool own = (class_style & (CS_OWNDC | CS_CLASSDC)) && !entry.whole_window &&
                   !(flags & DCX_CACHE) && !entry.has_extra_clip;
  if (own) {
    entry.own = true;
    if (window->own_dc != nullptr) {
      System().window_dcs[window->own_dc] = entry;
      PlaceWindowDC(window->own_dc, entry);
      return window->own_dc;
    }
    window->own_dc = MakeWindowDC(entry);
    return window->own_dc;
  }
  return MakeWindowDC(entry);
}

HDC GetDC(HWND hwnd) {
  return GetDCEx(hwnd, nullptr, 0);
}

HDC GetWindowDC(HWND hwnd) {
  return GetDCEx(hwnd, nullptr, DCX_WINDOW);
}

int ReleaseDC(HWND, HDC dc) {
  auto lock = Lock();
  auto& dcs = System().window_dcs;
  auto it = dcs.find(dc);
  if (it == dcs.end()) return 0;
  MarkDCDirty(it->second);
  if (it->second.own) return 1;
  platform::DestroySurfaceDC(dc);
  dcs.erase(it);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto lock = Lock();
  auto& dcs = System().window_dcs;
  auto it = dcs.find(dc);
  return it == dcs.end() ? nullptr : it->second.hwnd;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  Region shape;
  bool has_shape = false;
  if (region != nullptr) {
    if (!platform::RegionOfHandle(region, &shape)) return 0;
    has_shape = true;
  }
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return 0;
    window->has_shape = has_shape;
    window->shape = shape;
    if (window->IsChild() && redraw) {
      Window* parent = window->parent;
      RECT r = window->window_rect;
      RECT client = ClientRectInWindow(parent);
      Invalidate(parent,
                 Region(RECT{r.left + client.left, r.top + client.top, r.right + client.left,
                             r.bottom + client.top}),
                 true, false, false);
    }
    if (redraw) InvalidateAll(window);
    if (window->IsTopLevel()) window->dirty = Region(RECT{0, 0, window->Width(), window->Height()});
    RefreshWindowDCs();
  }
  if (region != nullptr) DeleteObject(region);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
  auto lock = Lock();
  Window* window = RequireWindow(hwnd);
  if (window == nullptr || !window->has_shape) return ERROR;
  if (!platform::SetRegionOfHandle(region, window->shape)) return ERROR;
  return window->shape.Complexity();
}

namespace {

// Moves the pixels of `area` (surface coordinates) by (dx, dy), only where
// both the source and the destination are in `allowed`.
void MovePixels(platform::Surface& surface, const Region& allowed, const RECT& area, int dx,
                int dy) {
  Region source = allowed.Intersected(area);
  Region moved = source;
  moved.Offset(dx, dy);
  Region target = Region::Combine(moved, allowed.Intersected(area), Region::Op::And);
  if (target.IsEmpty()) return;
  RECT b = target.Bounds();
  auto copy = platform::Surface::Create(b.right - b.left, b.bottom - b.top);
  if (!copy) return;
  copy->CopyFrom(surface, b.left - dx, b.top - dy, b.right - b.left, b.bottom - b.top, 0, 0);
  target.ForEachRectIn(b, [&](const RECT& piece) {
    surface.CopyFrom(*copy, piece.left - b.left, piece.top - b.top, piece.right - piece.left,
                     piece.bottom - piece.top, piece.left, piece.top);
  });
}

}  // namespace

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   LPRECT update_rect, UINT flags) {
  Region uncovered;
  std::vector<std::pair<HWND, RECT>> children_to_move;
  {
    auto lock = Lock();
    Window* window = RequireWindow(hwnd);
    if (window == nullptr) return ERROR;
    RECT client = ClientRectInWindow(window);
    RECT client0{0, 0, client.right - client.left, client.bottom - client.top};
    RECT area = scroll != nullptr ? *scroll : client0;
    RECT limit = clip != nullptr ? *clip : client0;
    Region region = Region(area).Intersected(limit).Intersected(client0);
    Region moved = region;
    moved.Offset(dx, dy);
    moved = Region::Combine(moved, region, Region::Op::And);
    uncovered = Region::Combine(region, moved, Region::Op::Diff);
    Window* top = TopLevelOf(window);
    if (IsOnScreen(window) && top->surface) {
      POINT at = OffsetInTopLevel(window);
      Region visible = VisibleRegion(window, false);
      RECT on_surface = region.Bounds();
      on_surface =
          RECT{on_surface.left + at.x + client.left, on_surface.top + at.y + client.top,
               on_surface.right + at.x + client.left, on_surface.bottom + at.y + client.top};
      MovePixels(*top->surface, visible, on_surface, dx, dy);
      top->dirty = Region::Combine(top->dirty, Region(on_surface), Region::Op::Or);
    }
    // The pending update region moves with the pixels.
    Region pending = window->update;
    pending.Offset(-client.left, -client.top);
    Region inside = Region::Combine(pending, region, Region::Op::And);
    Region shifted = inside;
    shifted.Offset(dx, dy);
    shifted = Region::Combine(shifted, region, Region::Op::And);
    Region rest = Region::Combine(pending, inside, Region::Op::Diff);
    Region new_pending = Region::Combine(rest, shifted, Region::Op::Or);
    new_pending.Offset(client.left, client.top);
    window->update = new_pending;
    if (flags & SW_INVALIDATE) {
      Region exposed = uncovered;
      exposed.Offset(client.left, client.top);
      Invalidate(window, exposed, (flags & SW_ERASE) != 0, false, true);
    }
    if (flags & SW_SCROLLCHILDREN) {
      for (Window* child : window->children) {
        RECT r = child->window_rect;
        if (scroll != nullptr && !Region(*scroll).Intersects(r)) continue;
        children_to_move.push_back({child->handle, r});
      }
    }
  }
  for (auto& [child, r] : children_to_move) {
    SetWindowPos(child, nullptr, r.left + dx, r.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  if (update != nullptr) platform::SetRegionOfHandle(update, uncovered);
  if (update_rect != nullptr) *update_rect = uncovered.Bounds();
  return uncovered.Complexity();
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  UINT flags = SW_INVALIDATE | SW_ERASE | (scroll == nullptr ? SW_SCROLLCHILDREN : 0u);
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr, flags) != ERROR ? TRUE
                                                                                      : FALSE;
}
