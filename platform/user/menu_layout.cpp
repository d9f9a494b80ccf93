// Layout and painting of popup menus and menu bars.
#include "platform/user/menu_layout.h"

#include <algorithm>
#include <mutex>

#include "platform/gdi/gdi.h"
#include "platform/gdi/system_metrics.h"
#include "platform/gdi/user_draw.h"
#include "platform/user/message_queue.h"

namespace platform::user::menus {
namespace {

// Popup item parts, left to right: the check-mark column, the label, a gap,
// the accelerator column and the sub-menu arrow column.
constexpr int kCheckColumn = 19;
constexpr int kAccelGap = 16;
constexpr int kArrowColumn = 16;
constexpr int kSeparatorHeight = 9;
constexpr int kColumnBreakGap = 4;  // room for the line between MFT_MENUBARBREAK columns
// Menu bar items: padding on each side of the label; width of a separator.
constexpr int kBarItemPad = 7;
constexpr int kBarSeparatorWidth = 8;

struct MenuFonts {
  HFONT normal = nullptr;
  HFONT bold = nullptr;
  int text_height = 13;
};

// The menu font (normal, and bold for default items), made once.
const MenuFonts& Fonts() {
  static MenuFonts fonts;
  static std::once_flag once;
  std::call_once(once, [] {
    NONCLIENTMETRICS metrics;
    LOGFONT lf = platform::DefaultGuiLogFont(false);
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      lf = metrics.lfMenuFont;
    }
    fonts.normal = CreateFontIndirect(&lf);
    lf.lfWeight = FW_BOLD;
    fonts.bold = CreateFontIndirect(&lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, fonts.normal);
    TEXTMETRIC tm;
    if (GetTextMetrics(dc, &tm)) fonts.text_height = tm.tmHeight;
    SelectObject(dc, old);
    DeleteDC(dc);
  });
  return fonts;
}

int TextItemHeight() {
  return std::max(Fonts().text_height + 4, GetSystemMetrics(SM_CYMENUCHECK) + 4);
}

// A memory DC for measuring text in the menu font.
class MeasuringDC {
 public:
  MeasuringDC() : dc_(CreateCompatibleDC(nullptr)) { old_ = SelectObject(dc_, Fonts().normal); }
  ~MeasuringDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  MeasuringDC(const MeasuringDC&) = delete;
  MeasuringDC& operator=(const MeasuringDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

int TextWidth(HDC dc, const std::string& text, bool bold, UINT prefix_flag) {
  if (text.empty()) return 0;
  HGDIOBJ old = SelectObject(dc, bold ? Fonts().bold : Fonts().normal);
  RECT r{0, 0, 0, 0};
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r,
           DT_CALCRECT | DT_SINGLELINE | prefix_flag);
  SelectObject(dc, old);
  return r.right - r.left;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (bitmap == nullptr || GetObject(bitmap, sizeof(bm), &bm) == 0) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

UINT OwnerDrawState(const MenuItem& item) {
  UINT state = 0;
  if (item.IsHilited()) state |= ODS_SELECTED;
  if (item.IsGrayed()) state |= ODS_GRAYED;
  if (item.state & MF_DISABLED) state |= ODS_DISABLED;
  if (item.IsChecked()) state |= ODS_CHECKED;
  if (item.IsDefault()) state |= ODS_DEFAULT;
  return state;
}

// Asks the owner to draw an owned-drawn item.
void SendDrawItem(HWND owner, HMENU menu, const MenuItem& item, HDC dc, const RECT& rect) {
  DRAWITEMSTRUCT dis;
  dis.CtlType = ODT_MENU;
  dis.itemID = item.id;
  dis.itemAction = ODA_DRAWENTIRE;
  dis.itemState = OwnerDrawState(item);
  dis.hwndItem = reinterpret_cast<HWND>(menu);
  dis.hDC = dc;
  dis.rcItem = rect;
  dis.itemData = item.data;
  int saved = SaveDC(dc);
  SendMessage(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
  RestoreDC(dc, saved);
}

void MeasureOwnerDrawn(HWND owner, HMENU menu, MenuView* view) {
  for (std::size_t i = 0; i < view->items.size(); ++i) {
    MenuItem& item = view->items[i];
    if (!item.IsOwnerDrawn()) continue;
    MEASUREITEMSTRUCT mis;
    mis.CtlType = ODT_MENU;
    mis.itemID = item.id;
    mis.itemHeight = static_cast<UINT>(TextItemHeight());
    mis.itemData = item.data;
    SendMessage(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    item.measured = true;
    item.measured_size = SIZE{static_cast<LONG>(mis.itemWidth), static_cast<LONG>(mis.itemHeight)};
    StoreMeasuredSize(menu, static_cast<int>(i), item.measured_size);
  }
}

// Draws a menu glyph (check, bullet, arrow) in `color`: the frame control
// gives a black-on-white mask, whose black pixels are painted.
void DrawGlyph(HDC dc, const RECT& area, UINT kind, COLORREF color) {
  const int size = GetSystemMetrics(SM_CXMENUCHECK);
  const int left = area.left + (area.right - area.left - size) / 2;
  const int top = area.top + (area.bottom - area.top - size) / 2;
  HDC mask = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(size, size, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(mask, bitmap);
  RECT r{0, 0, size, size};
  DrawFrameControl(mask, &r, DFC_MENU, kind);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if ((GetPixel(mask, x, y) & 0xFFFFFF) == 0) SetPixelV(dc, left + x, top + y, color);
    }
  }
  SelectObject(mask, old);
  DeleteObject(bitmap);
  DeleteDC(mask);
}

void DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y) {
  SIZE size = BitmapSize(bitmap);
  if (size.cx == 0) return;
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(dc, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

void DrawBitmapCentred(HDC dc, HBITMAP bitmap, const RECT& area) {
  SIZE size = BitmapSize(bitmap);
  DrawBitmapAt(dc, bitmap, area.left + (area.right - area.left - size.cx) / 2,
               area.top + (area.bottom - area.top - size.cy) / 2);
}

// Text in the item's colours; grayed text is embossed when not selected.
void DrawItemText(HDC dc, const std::string& text, RECT rect, UINT format, bool bold, bool grayed,
                  bool selected, COLORREF normal_color) {
  if (text.empty()) return;
  HGDIOBJ old_font = SelectObject(dc, bold ? Fonts().bold : Fonts().normal);
  int old_mode = SetBkMode(dc, TRANSPARENT);
  COLORREF old_color;
  if (grayed && !selected) {
    old_color = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    RECT shifted = rect;
    OffsetRect(&shifted, 1, 1);
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &shifted, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
  } else {
    old_color = SetTextColor(dc, grayed ? GetSysColor(COLOR_GRAYTEXT) : normal_color);
  }
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
  SetTextColor(dc, old_color);
  SetBkMode(dc, old_mode);
  SelectObject(dc, old_font);
}

// ---- Popup geometry ----

struct PopupGeometry {
  std::vector<RECT> rects;
  std::vector<int> accel_x;      // where each item's accelerator text starts
  std::vector<int> break_lines;  // x of the lines between MFT_MENUBARBREAK columns
  SIZE size{};
};

struct ItemSize {
  int width = 0;  // whole item, or for string items the label only
  int height = 0;
  int accel = 0;  // accelerator text width (string items)
  bool string_item = false;
};

ItemSize MeasurePopupItem(HDC dc, const MenuItem& item) {
  ItemSize s;
  if (item.IsSeparator()) {
    s.height = kSeparatorHeight;
  } else if (item.IsOwnerDrawn()) {
    s.width = item.measured_size.cx + GetSystemMetrics(SM_CXMENUCHECK) - 1;
    s.height = item.measured_size.cy > 0 ? item.measured_size.cy : TextItemHeight();
  } else if (item.IsBitmap()) {
    SIZE bm = BitmapSize(item.bitmap);
    s.width = bm.cx + kCheckColumn;
    s.height = std::max<int>(bm.cy, TextItemHeight());
  } else {
    s.string_item = true;
    s.width = TextWidth(dc, LabelOf(item.text), item.IsDefault(), 0);
    s.accel = TextWidth(dc, AcceleratorOf(item.text), item.IsDefault(), DT_NOPREFIX);
    s.height = TextItemHeight();
    if (item.bitmap != nullptr) s.height = std::max<int>(s.height, BitmapSize(item.bitmap).cy + 2);
  }
  return s;
}

PopupGeometry ComputePopup(const MenuView& view) {
  MeasuringDC measuring;
  PopupGeometry g;
  const std::size_t count = view.items.size();
  g.rects.assign(count, RECT{});
  g.accel_x.assign(count, 0);
  std::vector<ItemSize> sizes(count);
  for (std::size_t i = 0; i < count; ++i)
    sizes[i] = MeasurePopupItem(measuring.get(), view.items[i]);

  int x = kPopupFrame;
  int tallest = 0;
  std::size_t start = 0;
  while (start < count) {
    // One column: from `start` up to the next item that breaks.
    std::size_t end = start + 1;
    while (end < count && !(view.items[end].type & (MFT_MENUBREAK | MFT_MENUBARBREAK))) ++end;
    int label = 0, accel = 0, other = 0;
    for (std::size_t i = start; i < end; ++i) {
      if (sizes[i].string_item) {
        label = std::max(label, sizes[i].width);
        accel = std::max(accel, sizes[i].accel);
      } else {
        other = std::max(other, sizes[i].width);
      }
    }
    const bool has_strings = label > 0 || accel > 0 ||
                             std::any_of(sizes.begin() + static_cast<std::ptrdiff_t>(start),
                                         sizes.begin() + static_cast<std::ptrdiff_t>(end),
                                         [](const ItemSize& s) { return s.string_item; });
    int string_width =
        has_strings ? kCheckColumn + label + (accel > 0 ? kAccelGap + accel : 0) + kArrowColumn : 0;
    int width = std::max(string_width, other);
    int y = kPopupFrame;
    for (std::size_t i = start; i < end; ++i) {
      g.rects[i] = RECT{x, y, x + width, y + sizes[i].height};
      g.accel_x[i] = x + kCheckColumn + label + kAccelGap;
      y += sizes[i].height;
    }
    tallest = std::max(tallest, y - kPopupFrame);
    x += width;
    if (end >= count) break;
    if (view.items[end].type & MFT_MENUBARBREAK) {
      g.break_lines.push_back(x + kColumnBreakGap / 2 - 1);
      x += kColumnBreakGap;
    }
    start = end;
  }
  g.size = SIZE{x + kPopupFrame, tallest + 2 * kPopupFrame};
  return g;
}

void PaintPopupItem(HWND owner, const MenuView& view, std::size_t index, HDC dc,
                    const PopupGeometry& g) {
  const MenuItem& item = view.items[index];
  const RECT& rect = g.rects[index];
  if (item.IsOwnerDrawn()) {
    SendDrawItem(owner, view.handle, item, dc, rect);
    return;
  }
  if (item.IsSeparator()) {
    RECT line{rect.left, rect.top + kSeparatorHeight / 2 - 1, rect.right,
              rect.top + kSeparatorHeight / 2 + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const bool selected = item.IsHilited();
  RECT fill = rect;
  FillRect(dc, &fill, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  const COLORREF ink = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
  const COLORREF glyph_ink = item.IsGrayed() ? GetSysColor(COLOR_GRAYTEXT) : ink;
  if (item.IsBitmap()) {
    DrawBitmapAt(dc, item.bitmap, rect.left + kCheckColumn,
                 rect.top + (rect.bottom - rect.top - BitmapSize(item.bitmap).cy) / 2);
    if (selected) {
      RECT r = rect;
      InvertRect(dc, &r);
    }
    return;
  }
  RECT check{rect.left, rect.top, rect.left + kCheckColumn, rect.bottom};
  if (item.IsChecked() && item.checked_bitmap != nullptr) {
    DrawBitmapCentred(dc, item.checked_bitmap, check);
  } else if (item.IsChecked()) {
    DrawGlyph(dc, check, (item.type & MFT_RADIOCHECK) ? DFCS_MENUBULLET : DFCS_MENUCHECK,
              glyph_ink);
  } else if (item.unchecked_bitmap != nullptr) {
    DrawBitmapCentred(dc, item.unchecked_bitmap, check);
  } else if (item.bitmap != nullptr) {
    DrawBitmapCentred(dc, item.bitmap, check);
  }
  RECT label{rect.left + kCheckColumn, rect.top, rect.right - kArrowColumn, rect.bottom};
  DrawItemText(dc, LabelOf(item.text), label, DT_LEFT | DT_VCENTER | DT_SINGLELINE,
               item.IsDefault(), item.IsGrayed(), selected, ink);
  RECT accel{g.accel_x[index], rect.top, rect.right - kArrowColumn, rect.bottom};
  DrawItemText(dc, AcceleratorOf(item.text), accel,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, item.IsDefault(),
               item.IsGrayed(), selected, ink);
  if (item.IsPopup()) {
    RECT arrow{rect.right - kArrowColumn, rect.top, rect.right, rect.bottom};
    DrawGlyph(dc, arrow, DFCS_MENUARROW, glyph_ink);
  }
}

// ---- Bar geometry ----

int BarItemWidth(HDC dc, const MenuItem& item) {
  if (item.IsSeparator()) return kBarSeparatorWidth;
  if (item.IsOwnerDrawn()) {
    return item.measured ? item.measured_size.cx
                         : TextWidth(dc, LabelOf(item.text), false, 0) + 2 * kBarItemPad;
  }
  if (item.IsBitmap()) return BitmapSize(item.bitmap).cx + 2 * kBarItemPad;
  return TextWidth(dc, LabelOf(item.text), item.IsDefault(), 0) + 2 * kBarItemPad;
}

// Moves the items of a row from the first right-justified one on to the
// row's right end.
void JustifyRow(const MenuView& view, std::vector<RECT>& rects, std::size_t from, std::size_t to,
                int right) {
  for (std::size_t i = from; i < to; ++i) {
    if (!(view.items[i].type & MFT_RIGHTJUSTIFY)) continue;
    const int shift = right - rects[to - 1].right;
    if (shift <= 0) return;
    for (std::size_t j = i; j < to; ++j) OffsetRect(&rects[j], shift, 0);
    return;
  }
}

// Item rectangles and the number of rows of a bar placed at `bar`.
std::vector<RECT> ComputeBar(const MenuView& view, const RECT& bar, int* rows) {
  MeasuringDC measuring;
  const int row_height = GetSystemMetrics(SM_CYMENU);
  std::vector<RECT> rects(view.items.size());
  int x = bar.left, y = bar.top;
  std::size_t row_start = 0;
  *rows = 1;
  for (std::size_t i = 0; i < view.items.size(); ++i) {
    const MenuItem& item = view.items[i];
    const int width = BarItemWidth(measuring.get(), item);
    const bool breaks = (item.type & (MFT_MENUBREAK | MFT_MENUBARBREAK)) != 0;
    if (i > row_start && (breaks || x + width > bar.right)) {
      JustifyRow(view, rects, row_start, i, bar.right);
      row_start = i;
      x = bar.left;
      y += row_height;
      ++*rows;
    }
    rects[i] = RECT{x, y, x + width, y + row_height};
    x += width;
  }
  if (!view.items.empty()) JustifyRow(view, rects, row_start, view.items.size(), bar.right);
  return rects;
}

void PaintBarItem(HWND owner, const MenuView& view, std::size_t index, HDC dc, const RECT& rect) {
  const MenuItem& item = view.items[index];
  if (item.IsOwnerDrawn()) {
    SendDrawItem(owner, view.handle, item, dc, rect);
    return;
  }
  if (item.IsSeparator()) return;
  RECT r = rect;
  const bool open = view.open_item == static_cast<int>(index);
  if (item.IsHilited()) {
    RECT edge = r;
    DrawEdge(dc, &edge, open ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
  if (open) OffsetRect(&r, 1, 1);
  if (item.IsBitmap()) {
    DrawBitmapCentred(dc, item.bitmap, r);
    return;
  }
  DrawItemText(dc, LabelOf(item.text), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, item.IsDefault(),
               item.IsGrayed(), false, GetSysColor(COLOR_MENUTEXT));
}

}  // namespace

SIZE LayoutPopup(HWND owner, HMENU menu) {
  std::optional<MenuView> view = View(menu);
  if (!view) return SIZE{0, 0};
  MeasureOwnerDrawn(owner, menu, &*view);
  PopupGeometry g = ComputePopup(*view);
  StoreItemRects(menu, g.rects);
  return g.size;
}

void PaintPopup(HWND owner, HMENU menu, HDC dc, const RECT& client) {
  RECT r = client;
  FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
  DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  std::optional<MenuView> view = View(menu);
  if (!view) return;
  PopupGeometry g = ComputePopup(*view);
  for (int x : g.break_lines) {
    RECT line{x, kPopupFrame, x + 2, client.bottom - kPopupFrame};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
  }
  for (std::size_t i = 0; i < view->items.size(); ++i) PaintPopupItem(owner, *view, i, dc, g);
}

int BarHeight(HMENU menu, int bar_width) {
  std::optional<MenuView> view = View(menu);
  if (!view) return 0;
  int rows = 1;
  ComputeBar(*view, RECT{0, 0, bar_width, 0}, &rows);
  return rows * GetSystemMetrics(SM_CYMENU);
}

void LayoutBar(HMENU menu, const RECT& bar) {
  std::optional<MenuView> view = View(menu);
  if (!view) return;
  int rows = 1;
  StoreItemRects(menu, ComputeBar(*view, bar, &rows));
}

void MeasureBarItems(HWND owner, HMENU menu) {
  std::optional<MenuView> view = View(menu);
  if (view) MeasureOwnerDrawn(owner, menu, &*view);
}

void PaintBar(HWND owner, HMENU menu, HDC dc, const RECT& bar) {
  RECT r = bar;
  FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
  std::optional<MenuView> view = View(menu);
  if (!view) return;
  int rows = 1;
  std::vector<RECT> rects = ComputeBar(*view, bar, &rows);
  StoreItemRects(menu, rects);
  for (std::size_t i = 0; i < view->items.size(); ++i) {
    view->items[i].rect = rects[i];
    PaintBarItem(owner, *view, i, dc, rects[i]);
  }
}

UINT SelectFlags(const MenuItem& item) {
  UINT flags = (item.type & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR)) |
               (item.state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT));
  if (item.IsPopup()) flags |= MF_POPUP;
  return flags;
}

}  // namespace platform::user::menus
