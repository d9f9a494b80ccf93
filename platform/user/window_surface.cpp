// Where windows lie on the screen and on their top-level window's surface,
// what part of a surface each window may draw on, and the window DCs.
#include <algorithm>

#include "platform/gdi/device.h"
#include "platform/user/window_manager.h"
#include "platform/user/window_styles.h"

namespace platform::user {

using platform::Region;

namespace {

RECT Shifted(RECT r, LONG dx, LONG dy) {
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// The window's own rectangle in its own window coordinates.
RECT WholeRect(const Window* window) {
  return RECT{0, 0, window->Width(), window->Height()};
}

// The area a window covers in its own window coordinates: its rectangle,
// cut to its window region.
Region CoveredArea(const Window* window) {
  Region area(WholeRect(window));
  if (window->has_shape) area = Region::Combine(area, window->shape, Region::Op::And);
  return area;
}

// The same area moved to the top-level surface.
Region CoveredOnSurface(const Window* window) {
  Region area = CoveredArea(window);
  POINT at = OffsetInTopLevel(window);
  area.Offset(at.x, at.y);
  return area;
}

bool IsVisibleChain(const Window* window) {
  for (const Window* w = window; w != nullptr && w->kind == WindowKind::kOrdinary; w = w->parent) {
    if (!(w->style & WS_VISIBLE)) return false;
    if (!w->IsChild()) return w->IsTopLevel();
  }
  return false;
}

std::shared_ptr<platform::Surface> DummySurface() {
  static std::shared_ptr<platform::Surface> dummy = platform::Surface::Create(1, 1);
  return dummy;
}

}  // namespace

POINT WindowOriginOnScreen(const Window* window) {
  POINT origin{window->window_rect.left, window->window_rect.top};
  if (window->IsChild()) {
    const Window* parent = window->parent;
    POINT parent_origin = WindowOriginOnScreen(parent);
    RECT client = ClientRectInWindow(parent);
    origin.x += parent_origin.x + client.left;
    origin.y += parent_origin.y + client.top;
  }
  return origin;
}

RECT WindowRectOnScreen(const Window* window) {
  POINT origin = WindowOriginOnScreen(window);
  return RECT{origin.x, origin.y, origin.x + window->Width(), origin.y + window->Height()};
}

RECT ClientRectInWindow(const Window* window) {
  return Shifted(window->client_rect, -window->window_rect.left, -window->window_rect.top);
}

POINT OffsetInTopLevel(const Window* window) {
  if (!window->IsChild()) return POINT{0, 0};
  POINT parent = OffsetInTopLevel(window->parent);
  RECT client = ClientRectInWindow(window->parent);
  return POINT{parent.x + client.left + window->window_rect.left,
               parent.y + client.top + window->window_rect.top};
}

bool IsOnScreen(const Window* window) {
  if (!IsVisibleChain(window)) return false;
  const Window* top = TopLevelOf(const_cast<Window*>(window));
  return !(top->style & WS_MINIMIZE);
}

bool ContainsScreenPoint(const Window* window, POINT pt) {
  RECT r = WindowRectOnScreen(window);
  if (pt.x < r.left || pt.x >= r.right || pt.y < r.top || pt.y >= r.bottom) return false;
  return !window->has_shape || window->shape.Contains(pt.x - r.left, pt.y - r.top);
}

namespace {

// The visible child of `parent` under a screen point, topmost first.
Window* ChildAt(Window* parent, POINT pt, const Window* skip, bool skip_disabled) {
  RECT client = ClientRectInWindow(parent);
  POINT origin = WindowOriginOnScreen(parent);
  if (pt.x < origin.x + client.left || pt.x >= origin.x + client.right ||
      pt.y < origin.y + client.top || pt.y >= origin.y + client.bottom) {
    return nullptr;
  }
  for (Window* child : parent->children) {
    if (child == skip || !(child->style & WS_VISIBLE)) continue;
    if (!ContainsScreenPoint(child, pt)) continue;
    if (skip_disabled && (child->style & WS_DISABLED)) continue;
    return child;
  }
  return nullptr;
}

}  // namespace

Window* WindowAtPoint(POINT pt, const Window* skip, bool skip_disabled) {
  for (Window* top : System().desktop->children) {
    if (top == skip || !(top->style & WS_VISIBLE) || (top->style & WS_MINIMIZE)) continue;
    if (!ContainsScreenPoint(top, pt)) continue;
    Window* found = top;
    while (Window* child = ChildAt(found, pt, skip, skip_disabled)) found = child;
    return found;
  }
  return nullptr;
}

Region VisibleRegion(const Window* window, bool whole_window) {
  if (!IsOnScreen(window) || window->redraw_off) return Region();
  const Window* top = TopLevelOf(const_cast<Window*>(window));
  if (!top->surface) return Region();
  POINT at = OffsetInTopLevel(window);
  Region visible = CoveredArea(window);
  if (!whole_window) {
    visible = Region::Combine(visible, Region(ClientRectInWindow(window)), Region::Op::And);
  }
  visible.Offset(at.x, at.y);
  // Ancestors: only inside each parent's client area and window region;
  // siblings above cut a window with WS_CLIPSIBLINGS.
  for (const Window* w = window; w->IsChild(); w = w->parent) {
    const Window* parent = w->parent;
    POINT parent_at = OffsetInTopLevel(parent);
    Region parent_client(Shifted(ClientRectInWindow(parent), parent_at.x, parent_at.y));
    visible = Region::Combine(visible, parent_client, Region::Op::And);
    if (parent->has_shape) {
      visible = Region::Combine(visible, CoveredOnSurface(parent), Region::Op::And);
    }
    if (w->style & WS_CLIPSIBLINGS) {
      for (const Window* sibling : parent->children) {
        if (sibling == w) break;
        if (!(sibling->style & WS_VISIBLE)) continue;
        visible = Region::Combine(visible, CoveredOnSurface(sibling), Region::Op::Diff);
      }
    }
  }
  if (window->style & WS_CLIPCHILDREN) {
    for (const Window* child : window->children) {
      if (!(child->style & WS_VISIBLE)) continue;
      visible = Region::Combine(visible, CoveredOnSurface(child), Region::Op::Diff);
    }
  }
  visible = Region::Combine(
      visible, Region(RECT{0, 0, top->surface->width(), top->surface->height()}), Region::Op::And);
  return visible;
}

void EnsureSurface(Window* top) {
  int width = top->Width(), height = top->Height();
  if (width < 1 || height < 1) {
    top->surface.reset();
    return;
  }
  if (top->surface && top->surface->width() == width && top->surface->height() == height) return;
  auto surface = platform::Surface::Create(width, height);
  if (!surface) return;
  if (top->surface) surface->CopyFrom(*top->surface, 0, 0, width, height, 0, 0);
  top->surface = std::move(surface);
  top->dirty = Region(WholeRect(top));
}

namespace {

// Where a window DC draws now: its surface, origin and clip.
struct DCPlace {
  std::shared_ptr<platform::Surface> surface;
  POINT origin{};
  Region visible;
};

DCPlace PlaceOf(const WindowDC& entry) {
  DCPlace place;
  Window* window = FindWindowRecord(entry.hwnd);
  if (window == nullptr || window->kind != WindowKind::kOrdinary) {
    place.surface = DummySurface();
    return place;
  }
  Window* top = TopLevelOf(window);
  if (top->IsTopLevel() && IsVisibleChain(top)) EnsureSurface(top);
  if (!top->IsTopLevel() || !top->surface) {
    place.surface = DummySurface();
    return place;
  }
  place.surface = top->surface;
  place.origin = OffsetInTopLevel(window);
  if (!entry.whole_window) {
    RECT client = ClientRectInWindow(window);
    place.origin.x += client.left;
    place.origin.y += client.top;
  }
  place.visible = VisibleRegion(window, entry.whole_window);
  if (entry.paint) {
    Region clip = entry.paint_clip;
    POINT at = OffsetInTopLevel(window);
    clip.Offset(at.x, at.y);
    place.visible = Region::Combine(place.visible, clip, Region::Op::And);
  }
  if (entry.has_extra_clip) {
    Region extra = entry.extra_clip;
    POINT screen = WindowOriginOnScreen(window);
    POINT at = OffsetInTopLevel(window);
    extra.Offset(at.x - screen.x, at.y - screen.y);
    place.visible = Region::Combine(place.visible, extra,
                                    entry.exclude_extra ? Region::Op::Diff : Region::Op::And);
  }
  return place;
}

}  // namespace

HDC MakeWindowDC(const WindowDC& entry) {
  DCPlace place = PlaceOf(entry);
  HDC dc = platform::CreateSurfaceDC(place.surface, place.origin, place.visible);
  if (dc != nullptr) System().window_dcs[dc] = entry;
  return dc;
}

void PlaceWindowDC(HDC dc, const WindowDC& entry) {
  DCPlace place = PlaceOf(entry);
  if (platform::SurfaceOfDC(dc) != place.surface) platform::SetSurfaceDCSurface(dc, place.surface);
  platform::SetSurfaceDCArea(dc, place.origin, place.visible);
}

void RefreshWindowDCs() {
  for (auto& [dc, entry] : System().window_dcs) {
    if (entry.hwnd != nullptr) PlaceWindowDC(dc, entry);
  }
}

void MarkDCDirty(const WindowDC& entry) {
  Window* window = FindWindowRecord(entry.hwnd);
  if (window == nullptr || window->kind != WindowKind::kOrdinary) return;
  Window* top = TopLevelOf(window);
  if (!top->surface) return;
  DCPlace place = PlaceOf(entry);
  top->dirty = Region::Combine(top->dirty, place.visible, Region::Op::Or);
}

void ForgetWindowDrawing(Window* window) {
  auto& dcs = System().window_dcs;
  for (auto it = dcs.begin(); it != dcs.end();) {
    if (it->second.hwnd == window->handle) {
      platform::DestroySurfaceDC(it->first);
      it = dcs.erase(it);
    } else {
      ++it;
    }
  }
  window->own_dc = nullptr;
  window->surface.reset();
}

}  // namespace platform::user
