// Cursors and icons: the standard ones, custom ones from planes or pixels,
// the cursor shown, the mouse position and its clip rectangle.
#include "platform/user/cursor.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/window_manager.h"

using namespace platform::user;

namespace {

struct CursorObject {
  platform::CursorImage image;
  bool shared = false;  // standard cursors and icons are never destroyed
};

// Cursor handles: their own numbers (never reused), kept apart from the
// window system's lock so that drawing an icon needs no window lock.
struct CursorTable {
  std::mutex mutex;
  platform::HandleTable<HCURSOR, std::shared_ptr<CursorObject>> objects{0x20000000, 4};
  std::map<int, HCURSOR> standard;
  std::map<std::pair<std::uintptr_t, std::string>, HCURSOR> resources;
};

CursorTable& Table() {
  static auto* table = new CursorTable;
  return *table;
}

HCURSOR Add(std::shared_ptr<CursorObject> object) {
  return Table().objects.Add(std::move(object));
}

std::shared_ptr<CursorObject> Find(HCURSOR cursor) {
  CursorTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const auto* object = table.objects.Find(cursor);
  return object == nullptr ? nullptr : *object;
}

// Images of the standard cursors: a plain arrow for the arrow family and a
// cross-hair otherwise. The SDL display shows the system's own cursors for
// standard ids; these pixels serve tests and DrawIcon.
platform::CursorImage StandardImage(int id, bool icon) {
  platform::CursorImage image;
  image.width = 32;
  image.height = 32;
  image.standard_id = id;
  image.argb.assign(32 * 32, 0);
  auto put = [&](int x, int y, std::uint32_t argb) {
    if (x >= 0 && y >= 0 && x < 32 && y < 32)
      image.argb[static_cast<std::size_t>(y * 32 + x)] = argb;
  };
  if (icon) {
    // A window picture: frame, caption bar, white body.
    for (int y = 2; y < 30; ++y) {
      for (int x = 2; x < 30; ++x) {
        bool edge = x == 2 || y == 2 || x == 29 || y == 29;
        put(x, y, edge ? 0xFF000000 : (y < 8 ? 0xFF000080 : 0xFFFFFFFF));
      }
    }
    return image;
  }
  if (id == 32512 || id == 32650 || id == 32651 || id == 32649) {
    // Arrow: a black outline filled white, hot spot at the tip.
    for (int y = 0; y < 17; ++y) {
      for (int x = 0; x <= y / 2 + (y < 12 ? y / 2 : 0) && x < 12; ++x) {
        bool edge = x == 0 || x == (y / 2 + (y < 12 ? y / 2 : 0)) || y == 16;
        put(x, y, edge ? 0xFF000000 : 0xFFFFFFFF);
      }
    }
    return image;
  }
  image.hotspot = POINT{15, 15};
  for (int i = 4; i < 27; ++i) {
    put(15, i, 0xFF000000);
    put(i, 15, 0xFF000000);
  }
  return image;
}

bool IsKnownStandard(int id, bool icon) {
  if (icon) return id >= 32512 && id <= 32517;
  return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651 && id != 32647);
}

HCURSOR LoadStandard(int id, bool icon) {
  CursorTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const int key = icon ? -id : id;
  auto it = table.standard.find(key);
  if (it != table.standard.end()) return it->second;
  auto object = std::make_shared<CursorObject>();
  object->image = StandardImage(id, icon);
  object->shared = true;
  HCURSOR handle = Add(std::move(object));
  table.standard[key] = handle;
  return handle;
}

std::string ResourceKey(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
  return LowerCase(name);
}

HCURSOR Load(HINSTANCE instance, LPCSTR name, bool icon) {
  if (instance == nullptr && IS_INTRESOURCE(name)) {
    int id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
    if (IsKnownStandard(id, icon)) return LoadStandard(id, icon);
  }
  if (name != nullptr) {
    CursorTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.resources.find({reinterpret_cast<std::uintptr_t>(instance), ResourceKey(name)});
    if (it != table.resources.end()) return it->second;
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

bool Destroy(HCURSOR cursor, DWORD error) {
  CursorTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const auto* object = table.objects.Find(cursor);
  if (object == nullptr) {
    SetLastError(error);
    return false;
  }
  if (!(*object)->shared) table.objects.Remove(cursor);
  return true;
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
  return Load(instance, name, false);
}

HICON LoadIcon(HINSTANCE instance, LPCSTR name) {
  return Load(instance, name, true);
}

HCURSOR CreateCursor(HINSTANCE, int hot_x, int hot_y, int width, int height, const void* and_plane,
                     const void* xor_plane) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || and_plane == nullptr ||
      xor_plane == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  platform::CursorImage image;
  image.width = width;
  image.height = height;
  image.hotspot = POINT{std::clamp(hot_x, 0, width - 1), std::clamp(hot_y, 0, height - 1)};
  image.argb.assign(static_cast<std::size_t>(width) * height, 0);
  const int row_bytes = (width + 15) / 16 * 2;
  auto bit = [&](const void* plane, int x, int y) {
    const auto* bytes = static_cast<const BYTE*>(plane);
    return (bytes[y * row_bytes + x / 8] >> (7 - x % 8)) & 1;
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int a = bit(and_plane, x, y), b = bit(xor_plane, x, y);
      std::uint32_t pixel = 0;
      if (a == 0)
        pixel = b ? 0xFFFFFFFF : 0xFF000000;
      else if (b)
        pixel = 0xFF000000;  // inverted pixels show black
      image.argb[static_cast<std::size_t>(y * width + x)] = pixel;
    }
  }
  return platform::CreateCursorFromImage(image);
}

BOOL DestroyCursor(HCURSOR cursor) {
  return Destroy(cursor, ERROR_INVALID_CURSOR_HANDLE) ? TRUE : FALSE;
}

BOOL DestroyIcon(HICON icon) {
  return Destroy(icon, ERROR_INVALID_ICON_HANDLE) ? TRUE : FALSE;
}

HCURSOR CopyCursor(HCURSOR cursor) {
  auto object = Find(cursor);
  if (!object) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return nullptr;
  }
  platform::CursorImage image = object->image;
  image.standard_id = 0;
  return platform::CreateCursorFromImage(image);
}

HCURSOR SetCursor(HCURSOR cursor) {
  auto lock = Lock();
  WindowSystem& system = System();
  HCURSOR old = system.cursor;
  if (old != cursor) {
    system.cursor = cursor;
    platform::display::CurrentBackend().SetCursorShape(system.cursor_show_count >= 0 ? cursor
                                                                                     : nullptr);
  }
  return old;
}

HCURSOR GetCursor() {
  auto lock = Lock();
  return System().cursor;
}

int ShowCursor(BOOL show) {
  auto lock = Lock();
  WindowSystem& system = System();
  system.cursor_show_count += show ? 1 : -1;
  platform::display::CurrentBackend().SetCursorShape(system.cursor_show_count >= 0 ? system.cursor
                                                                                   : nullptr);
  return system.cursor_show_count;
}

BOOL GetCursorPos(LPPOINT point) {
  if (point == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  *point = System().cursor_pos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  auto lock = Lock();
  RawInput move;
  move.kind = RawInput::Kind::kMouseMove;
  move.pt = POINT{x, y};
  DeliverRawInput(move);
  platform::display::CurrentBackend().WarpMouse(System().cursor_pos);
  return TRUE;
}

BOOL ClipCursor(const RECT* rect) {
  auto lock = Lock();
  WindowSystem& system = System();
  system.has_cursor_clip = rect != nullptr;
  if (rect != nullptr) {
    system.cursor_clip = *rect;
    POINT pt = system.cursor_pos;
    if (pt.x < rect->left || pt.x >= rect->right || pt.y < rect->top || pt.y >= rect->bottom) {
      RawInput move;
      move.kind = RawInput::Kind::kMouseMove;
      move.pt = pt;
      DeliverRawInput(move);  // clipped on the way in
    }
  }
  return TRUE;
}

BOOL GetClipCursor(LPRECT rect) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = Lock();
  WindowSystem& system = System();
  if (system.has_cursor_clip) {
    *rect = system.cursor_clip;
  } else {
    SIZE screen = platform::ScreenSize();
    *rect = RECT{0, 0, screen.cx, screen.cy};
  }
  return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT, HBRUSH, UINT) {
  auto object = Find(icon);
  if (!object) {
    SetLastError(ERROR_INVALID_ICON_HANDLE);
    return FALSE;
  }
  const platform::CursorImage& image = object->image;
  if (width <= 0) width = image.width;
  if (height <= 0) height = image.height;
  for (int dy = 0; dy < height; ++dy) {
    int sy = dy * image.height / height;
    for (int dx = 0; dx < width; ++dx) {
      int sx = dx * image.width / width;
      std::uint32_t argb = image.argb[static_cast<std::size_t>(sy * image.width + sx)];
      std::uint32_t alpha = argb >> 24;
      if (alpha == 0) continue;
      COLORREF color = RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
      if (alpha < 255) {
        COLORREF under = GetPixel(dc, x + dx, y + dy);
        if (under == CLR_INVALID) continue;
        auto mix = [&](int shift) {
          std::uint32_t top = (color >> shift) & 0xFF, bottom = (under >> shift) & 0xFF;
          return (top * alpha + bottom * (255 - alpha) + 127) / 255;
        };
        color = RGB(mix(0), mix(8), mix(16));
      }
      SetPixelV(dc, x + dx, y + dy, color);
    }
  }
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

namespace platform {

bool GetCursorImage(HCURSOR cursor, CursorImage* image) {
  auto object = Find(cursor);
  if (!object || image == nullptr) return false;
  *image = object->image;
  return true;
}

HCURSOR CreateCursorFromImage(const CursorImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.argb.size() != static_cast<std::size_t>(image.width) * image.height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_shared<CursorObject>();
  object->image = image;
  object->image.standard_id = 0;
  CursorTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return Add(std::move(object));
}

void AddCursorResource(HINSTANCE instance, LPCSTR name, HCURSOR cursor) {
  if (name == nullptr) return;
  CursorTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.resources[{reinterpret_cast<std::uintptr_t>(instance), ResourceKey(name)}] = cursor;
}

}  // namespace platform
