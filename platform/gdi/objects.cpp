#include "platform/gdi/objects.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"
#include "platform/gdi/dib.h"

namespace platform::gdi {

namespace {

// GDI handles start far from the kernel handle values and from the small
// numbers that stand for system colour brushes.
constexpr std::uintptr_t kFirstGdiHandle = 0x40000000;
constexpr std::uintptr_t kGdiHandleStep = 4;

using Table = SharedHandleTable<HGDIOBJ, GdiObject>;

Table& GetTable() {
  static Table* table = new Table(kFirstGdiHandle, kGdiHandleStep);  // never destroyed: used during exit
  return *table;
}

struct StockObjects {
  HGDIOBJ objects[20] = {};
  HGDIOBJ sysColorBrushes[kSysColorCount] = {};
  HBITMAP defaultBitmap = nullptr;
};

HGDIOBJ RegisterStock(std::shared_ptr<GdiObject> object) {
  object->stock = true;
  return Register(std::move(object));
}

HGDIOBJ MakeStockBrush(UINT style, COLORREF color) {
  auto brush = std::make_shared<BrushObject>();
  brush->log.lbStyle = style;
  brush->log.lbColor = color;
  return RegisterStock(brush);
}

HGDIOBJ MakeStockPen(UINT style, COLORREF color) {
  auto pen = std::make_shared<PenObject>();
  pen->log.lopnStyle = style;
  pen->log.lopnWidth = {1, 0};
  pen->log.lopnColor = color;
  return RegisterStock(pen);
}

HGDIOBJ MakeStockFont(const char* face, bool bold) {
  auto font = std::make_shared<FontObject>();
  font->log = platform::DefaultGuiLogFont(bold);
  if (face) std::snprintf(font->log.lfFaceName, LF_FACESIZE, "%s", face);
  return RegisterStock(font);
}

const StockObjects& Stock() {
  static const StockObjects* stock = [] {
    auto* s = new StockObjects;
    s->objects[WHITE_BRUSH] = MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
    s->objects[LTGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(192, 192, 192));
    s->objects[GRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(128, 128, 128));
    s->objects[DKGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(64, 64, 64));
    s->objects[BLACK_BRUSH] = MakeStockBrush(BS_SOLID, RGB(0, 0, 0));
    s->objects[NULL_BRUSH] = MakeStockBrush(BS_NULL, 0);
    s->objects[WHITE_PEN] = MakeStockPen(PS_SOLID, RGB(255, 255, 255));
    s->objects[BLACK_PEN] = MakeStockPen(PS_SOLID, RGB(0, 0, 0));
    s->objects[NULL_PEN] = MakeStockPen(PS_NULL, 0);
    s->objects[OEM_FIXED_FONT] = MakeStockFont("Courier New", false);
    s->objects[ANSI_FIXED_FONT] = MakeStockFont("Courier New", false);
    s->objects[ANSI_VAR_FONT] = MakeStockFont(nullptr, false);
    s->objects[SYSTEM_FONT] = MakeStockFont(nullptr, false);
    s->objects[DEVICE_DEFAULT_FONT] = MakeStockFont(nullptr, false);
    s->objects[SYSTEM_FIXED_FONT] = MakeStockFont("Courier New", false);
    s->objects[DEFAULT_GUI_FONT] = MakeStockFont(nullptr, false);
    auto palette = std::make_shared<PaletteObject>();
    for (int i = 0; i < 16; ++i) {
      const RGBQUAD& q = VgaPalette()[i];
      palette->entries.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
    }
    s->objects[DEFAULT_PALETTE] = RegisterStock(palette);
    auto dcBrush = std::make_shared<BrushObject>();
    dcBrush->dcBrush = true;
    s->objects[DC_BRUSH] = RegisterStock(dcBrush);
    auto dcPen = std::make_shared<PenObject>();
    dcPen->log.lopnWidth = {1, 0};
    dcPen->dcPen = true;
    s->objects[DC_PEN] = RegisterStock(dcPen);
    for (int i = 0; i < kSysColorCount; ++i) {
      s->sysColorBrushes[i] = MakeStockBrush(BS_SOLID, GetSysColor(i));
    }
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->store.format = Format::Mono;
    bitmap->store.width = bitmap->store.height = 1;
    bitmap->store.stride = 2;
    bitmap->memory.reset(new std::uint8_t[2]());
    bitmap->store.top = bitmap->memory.get();
    bitmap->store.monoDevice = true;
    bitmap->palette = MonoPalette();
    bitmap->declaredBits = 1;
    bitmap->BindPalette();
    s->defaultBitmap = static_cast<HBITMAP>(RegisterStock(bitmap));
    return s;
  }();
  return *stock;
}

template <class T>
int CopyOut(const T& value, int size, LPVOID buffer) {
  if (buffer == nullptr) return static_cast<int>(sizeof(T));
  int n = std::min(size, static_cast<int>(sizeof(T)));
  if (n <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(buffer, &value, static_cast<std::size_t>(n));
  return n;
}

}  // namespace

void BitmapObject::BindPalette() {
  store.palette = palette.empty() ? nullptr : palette.data();
  store.paletteSize = static_cast<int>(palette.size());
}

HGDIOBJ Register(std::shared_ptr<GdiObject> object) {
  return GetTable().Add(std::move(object));
}

std::shared_ptr<GdiObject> Lookup(HGDIOBJ handle) {
  std::shared_ptr<GdiObject> object = GetTable().Find(handle);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

std::shared_ptr<DeviceContext> LookupDC(HDC dc) {
  return LookupAs<DeviceContext>(reinterpret_cast<HGDIOBJ>(dc));
}

void PreparePixels(HDC handle) {
  std::shared_ptr<DeviceContext> dc = LookupDC(handle);
  if (!dc) return;
  PixelStore store;
  dc->Pixels(&store);
}

bool Unregister(HGDIOBJ handle) {
  return GetTable().Take(handle) != nullptr;  // released outside the table's lock
}

std::size_t ObjectCount() {
  return GetTable().size();
}

HGDIOBJ StockObject(int index) {
  if (index < 0 || index >= 20 || index == 9) return nullptr;
  return Stock().objects[index];
}

HBITMAP DefaultBitmapHandle() { return Stock().defaultBitmap; }

HBRUSH SysColorBrushHandle(int index) {
  if (index < 0 || index >= kSysColorCount) return nullptr;
  return static_cast<HBRUSH>(Stock().sysColorBrushes[index]);
}

std::shared_ptr<BrushObject> ResolveBrush(HBRUSH brush) {
  auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= static_cast<std::uintptr_t>(kSysColorCount)) {
    return LookupAs<BrushObject>(Stock().sysColorBrushes[value - 1]);
  }
  return LookupAs<BrushObject>(brush);
}

// ------------------------------------------------------------ DeviceContext

DeviceContext::~DeviceContext() {
  if (state.bitmap && state.bitmap->selectedInto == this) state.bitmap->selectedInto = nullptr;
}

bool DeviceContext::Target(PixelStore* store) const {
  if (kind == Kind::Surface) {
    if (!surface) return false;
    store->format = Format::Bgrx32;
    store->width = surface->width();
    store->height = surface->height();
    store->top = surface->bytes();
    store->stride = surface->stride();
    store->palette = nullptr;
    store->paletteSize = 0;
    store->monoDevice = false;
    return true;
  }
  if (!state.bitmap || !state.bitmap->store.valid()) return false;
  *store = state.bitmap->store;
  return true;
}

bool DeviceContext::Pixels(PixelStore* store) {
  if (preparePixels) {
    std::function<void()> prepare = std::move(preparePixels);
    preparePixels = nullptr;
    prepare();
  }
  return Target(store);
}

SIZE DeviceContext::DeviceSize() const {
  PixelStore store;
  if (!Target(&store)) return SIZE{};
  return SIZE{store.width, store.height};
}

const Region& DeviceContext::Clip() {
  if (clipValid_) return clip_;
  SIZE size = DeviceSize();
  clip_ = Region(RECT{0, 0, size.cx, size.cy});
  if (visible) clip_ = Region::Combine(clip_, *visible, Region::Op::And);
  if (state.clip) {
    Region app = *state.clip;
    app.Offset(origin.x, origin.y);
    clip_ = Region::Combine(clip_, app, Region::Op::And);
  }
  clipValid_ = true;
  return clip_;
}

void DeviceContext::AttachBitmap(std::shared_ptr<BitmapObject> bitmap, HGDIOBJ handle) {
  if (state.bitmap && state.bitmap->selectedInto == this) state.bitmap->selectedInto = nullptr;
  state.bitmap = std::move(bitmap);
  state.bitmapHandle = handle;
  if (state.bitmap) state.bitmap->selectedInto = this;
  ClipChanged();
}

void DeviceContext::ResetState() {
  std::shared_ptr<BitmapObject> bitmap = state.bitmap;
  HGDIOBJ bitmapHandle = state.bitmapHandle;
  state = DcState{};
  path.reset();  // a DC handed out again starts without a path
  state.bitmap = bitmap;
  state.bitmapHandle = bitmapHandle;
  state.penHandle = StockObject(BLACK_PEN);
  state.pen = LookupAs<PenObject>(state.penHandle);
  state.brushHandle = StockObject(WHITE_BRUSH);
  state.brush = LookupAs<BrushObject>(state.brushHandle);
  state.fontHandle = StockObject(SYSTEM_FONT);
  state.font = LookupAs<FontObject>(state.fontHandle);
  state.paletteHandle = StockObject(DEFAULT_PALETTE);
  state.palette = LookupAs<PaletteObject>(state.paletteHandle);
  saved.clear();
  ClipChanged();
}

}  // namespace platform::gdi

using namespace platform::gdi;

HGDIOBJ GetStockObject(int index) {
  HGDIOBJ object = StockObject(index);
  if (!object) SetLastError(ERROR_INVALID_PARAMETER);
  return object;
}

BOOL DeleteObject(HGDIOBJ handle) {
  std::shared_ptr<GdiObject> object = Lookup(handle);
  if (!object) return FALSE;
  if (object->stock) return TRUE;
  if (object->Type() == OBJ_DC || object->Type() == OBJ_MEMDC) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (auto bitmap = std::dynamic_pointer_cast<BitmapObject>(object); bitmap && bitmap->selectedInto) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  return Unregister(handle) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ handle) {
  std::shared_ptr<GdiObject> object = Lookup(handle);
  return object ? object->Type() : 0;
}

int GetObject(HGDIOBJ handle, int size, LPVOID buffer) {
  std::shared_ptr<GdiObject> object = Lookup(handle);
  if (!object) return 0;
  if (auto pen = std::dynamic_pointer_cast<PenObject>(object)) return CopyOut(pen->log, size, buffer);
  if (auto brush = std::dynamic_pointer_cast<BrushObject>(object)) return CopyOut(brush->log, size, buffer);
  if (auto font = std::dynamic_pointer_cast<FontObject>(object)) return CopyOut(font->log, size, buffer);
  if (auto palette = std::dynamic_pointer_cast<PaletteObject>(object)) {
    WORD count = static_cast<WORD>(palette->entries.size());
    return CopyOut(count, size, buffer);
  }
  if (auto bitmap = std::dynamic_pointer_cast<BitmapObject>(object)) {
    BITMAP bm;
    bm.bmType = 0;
    bm.bmWidth = bitmap->store.width;
    bm.bmHeight = bitmap->store.height;
    bm.bmWidthBytes = static_cast<LONG>(RowBytes(bitmap->store.format, bitmap->store.width,
                                                 bitmap->isDib ? 4 : 2));
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(bitmap->declaredBits);
    bm.bmBits = bitmap->isDib ? bitmap->memory.get() : nullptr;
    if (bitmap->isDib && (buffer == nullptr || size >= static_cast<int>(sizeof(DIBSECTION)))) {
      DIBSECTION ds;
      ds.dsBm = bm;
      ds.dsBmih = bitmap->dibHeader;
      std::memcpy(ds.dsBitfields, bitmap->bitfields, sizeof ds.dsBitfields);
      return CopyOut(ds, size, buffer);
    }
    if (buffer != nullptr && size < static_cast<int>(sizeof(BITMAP))) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    return CopyOut(bm, size, buffer);
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

HGDIOBJ SelectObject(HDC dcHandle, HGDIOBJ handle) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return nullptr;
  std::shared_ptr<GdiObject> object = Lookup(handle);
  if (!object) return nullptr;
  DcState& s = dc->state;
  HGDIOBJ old = nullptr;
  switch (object->Type()) {
    case OBJ_PEN:
      old = s.penHandle;
      s.pen = std::static_pointer_cast<PenObject>(object);
      s.penHandle = handle;
      return old;
    case OBJ_BRUSH:
      old = s.brushHandle;
      s.brush = std::static_pointer_cast<BrushObject>(object);
      s.brushHandle = handle;
      return old;
    case OBJ_FONT:
      old = s.fontHandle;
      s.font = std::static_pointer_cast<FontObject>(object);
      s.fontHandle = handle;
      return old;
    case OBJ_BITMAP: {
      auto bitmap = std::static_pointer_cast<BitmapObject>(object);
      if (dc->kind != DeviceContext::Kind::Memory) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      if (bitmap->selectedInto && bitmap->selectedInto != dc.get() && !bitmap->stock) {
        SetLastError(ERROR_BUSY);  // a bitmap can be in one DC at a time
        return nullptr;
      }
      old = s.bitmapHandle;
      dc->AttachBitmap(bitmap, handle);
      return old;
    }
    case OBJ_REGION: {
      int result = SelectClipRgn(dcHandle, static_cast<HRGN>(handle));
      return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(result));
    }
    case OBJ_PAL:
      SetLastError(ERROR_INVALID_PARAMETER);  // palettes go through SelectPalette
      return nullptr;
    default:
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dcHandle, UINT type) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->state.penHandle;
    case OBJ_BRUSH: return dc->state.brushHandle;
    case OBJ_FONT: return dc->state.fontHandle;
    case OBJ_BITMAP: return dc->state.bitmapHandle;
    case OBJ_PAL: return dc->state.paletteHandle;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

HPEN CreatePen(int style, int width, COLORREF color) {
  LOGPEN log;
  log.lopnStyle = static_cast<UINT>(style);
  log.lopnWidth = {width, 0};
  log.lopnColor = color;
  return CreatePenIndirect(&log);
}

HPEN CreatePenIndirect(const LOGPEN* log) {
  if (log == nullptr || (log->lopnStyle & PS_STYLE_MASK) > PS_ALTERNATE ||
      (log->lopnStyle & PS_STYLE_MASK) == PS_USERSTYLE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto pen = std::make_shared<PenObject>();
  pen->log = *log;
  pen->log.lopnStyle &= PS_STYLE_MASK;
  if (pen->log.lopnWidth.x < 0) pen->log.lopnWidth.x = 0;
  pen->log.lopnWidth.y = 0;
  // Wide pens are never styled: a dashed or dotted pen wider than one pixel
  // is solid.
  UINT st = pen->log.lopnStyle;
  if (pen->log.lopnWidth.x > 1 && st != PS_NULL && st != PS_INSIDEFRAME) pen->log.lopnStyle = PS_SOLID;
  return static_cast<HPEN>(Register(pen));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH log;
  log.lbStyle = BS_SOLID;
  log.lbColor = color;
  return CreateBrushIndirect(&log);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  LOGBRUSH log;
  log.lbStyle = BS_HATCHED;
  log.lbColor = color;
  log.lbHatch = static_cast<ULONG_PTR>(hatch);
  return CreateBrushIndirect(&log);
}

HBRUSH CreatePatternBrush(HBITMAP bitmapHandle) {
  std::shared_ptr<BitmapObject> bitmap = LookupAs<BitmapObject>(bitmapHandle);
  if (!bitmap || !bitmap->store.valid()) return nullptr;
  auto brush = std::make_shared<BrushObject>();
  brush->log.lbStyle = BS_PATTERN;
  brush->log.lbHatch = reinterpret_cast<ULONG_PTR>(bitmapHandle);
  const PixelStore& src = bitmap->store;
  BrushPattern& p = brush->pattern;
  p.width = src.width;
  p.height = src.height;
  p.mono = src.monoDevice;
  p.bits.resize(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      std::uint32_t v = src.Get(x, y);
      p.bits[static_cast<std::size_t>(y) * p.width + x] = p.mono ? v : src.ToColor(v);
    }
  }
  return static_cast<HBRUSH>(Register(brush));
}

HBRUSH CreateDIBPatternBrushPt(LPCVOID packedDib, UINT usage) {
  auto brush = std::make_shared<BrushObject>();
  brush->log.lbStyle = BS_DIBPATTERNPT;
  brush->log.lbHatch = reinterpret_cast<ULONG_PTR>(packedDib);
  if (!DecodePackedDib(packedDib, usage, &brush->pattern)) return nullptr;
  return static_cast<HBRUSH>(Register(brush));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* log) {
  if (log == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  switch (log->lbStyle) {
    case BS_SOLID:
    case BS_NULL: {
      auto brush = std::make_shared<BrushObject>();
      brush->log = *log;
      brush->log.lbHatch = 0;
      return static_cast<HBRUSH>(Register(brush));
    }
    case BS_HATCHED: {
      if (log->lbHatch > static_cast<ULONG_PTR>(HS_DIAGCROSS)) break;
      auto brush = std::make_shared<BrushObject>();
      brush->log = *log;
      return static_cast<HBRUSH>(Register(brush));
    }
    case BS_PATTERN:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(log->lbHatch));
    case BS_DIBPATTERNPT:
      return CreateDIBPatternBrushPt(reinterpret_cast<LPCVOID>(log->lbHatch), log->lbColor & 0xFFFF);
    default:
      break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

COLORREF SetDCBrushColor(HDC dcHandle, COLORREF color) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return CLR_INVALID;
  return std::exchange(dc->state.dcBrushColor, color);
}

COLORREF SetDCPenColor(HDC dcHandle, COLORREF color) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return CLR_INVALID;
  return std::exchange(dc->state.dcPenColor, color);
}

HPALETTE CreatePalette(const LOGPALETTE* log) {
  if (log == nullptr || log->palNumEntries == 0 || log->palVersion != 0x300) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto palette = std::make_shared<PaletteObject>();
  palette->entries.assign(log->palPalEntry, log->palPalEntry + log->palNumEntries);
  return static_cast<HPALETTE>(Register(palette));
}

HPALETTE SelectPalette(HDC dcHandle, HPALETTE paletteHandle, BOOL) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return nullptr;
  std::shared_ptr<PaletteObject> palette = LookupAs<PaletteObject>(paletteHandle);
  if (!palette) return nullptr;
  HGDIOBJ old = dc->state.paletteHandle;
  dc->state.palette = palette;
  dc->state.paletteHandle = paletteHandle;
  return static_cast<HPALETTE>(old);
}

// True-colour devices have no palette to realise.
UINT RealizePalette(HDC dcHandle) {
  if (!LookupDC(dcHandle)) return GDI_ERROR;
  return 0;
}

UINT GetPaletteEntries(HPALETTE paletteHandle, UINT start, UINT count, PALETTEENTRY* entries) {
  std::shared_ptr<PaletteObject> palette = LookupAs<PaletteObject>(paletteHandle);
  if (!palette) return 0;
  UINT total = static_cast<UINT>(palette->entries.size());
  if (entries == nullptr) return total;
  if (start >= total) return 0;
  UINT n = std::min(count, total - start);
  std::copy_n(palette->entries.begin() + start, n, entries);
  return n;
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY*) { return 0; }

COLORREF GetNearestColor(HDC dcHandle, COLORREF color) {
  std::shared_ptr<DeviceContext> dc = LookupDC(dcHandle);
  if (!dc) return CLR_INVALID;
  PixelStore store;
  if (!dc->Target(&store)) return CLR_INVALID;
  return store.ToColor(store.FromColor(color));
}
