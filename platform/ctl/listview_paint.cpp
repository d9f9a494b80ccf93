// Painting the report view: only the rows in the area to paint, each with
// the custom-draw stages its parent asks for.
#include <algorithm>

#include "platform/ctl/listview_control.h"
#include "platform/gdi/gdi.h"
#include "platform/user/user.h"

namespace platform::ctl {
namespace {

constexpr int kFirstColumnPadding = 2;  // text inset in column 0
constexpr int kColumnPadding = 6;       // text inset in the other columns

void Fill(HDC dc, const RECT& r, COLORREF color) {
  if (color == CLR_NONE || r.right <= r.left || r.bottom <= r.top) return;
  COLORREF old = SetBkColor(dc, color);
  ExtTextOut(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

}  // namespace

void ListView::Paint(HDC dc, const RECT& area) {
  RECT client;
  GetClientRect(hwnd_, &client);
  HFONT font = font_ != nullptr ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ old_font = SelectObject(dc, font);
  int saved = SaveDC(dc);

  NMLVCUSTOMDRAW cd;
  cd.nmcd.dwDrawStage = CDDS_PREPAINT;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = client;
  cd.clrText = text_color_;
  cd.clrTextBk = text_bk_color_;
  LRESULT whole = Notify(NM_CUSTOMDRAW, &cd.nmcd.hdr);
  if (whole & CDRF_SKIPDEFAULT) {
    RestoreDC(dc, saved);
    SelectObject(dc, old_font);
    return;
  }

  int first = std::max(top_, top_ + (static_cast<int>(area.top) - ItemAreaTop()) / row_height_);
  int last = std::min(items_.size() - 1,
                      top_ + (static_cast<int>(area.bottom) - ItemAreaTop()) / row_height_);
  for (int index = first; index <= last; ++index) {
    SelectObject(dc, font);
    PaintRow(dc, index, items_.At(index), whole, &cd);
  }
  // Below the last row, and right of the last column, is background.
  int rows_bottom = ItemAreaTop() + std::max(0, items_.size() - top_) * row_height_;
  if (bk_color_ != CLR_NONE) {
    RECT below{area.left, std::max(static_cast<int>(area.top), rows_bottom), area.right,
               area.bottom};
    Fill(dc, below, bk_color_);
    int right = TotalWidth() - scroll_x_;
    RECT beside{std::max(static_cast<int>(area.left), right),
                std::max(static_cast<int>(area.top), ItemAreaTop()), area.right,
                std::min(static_cast<int>(area.bottom), rows_bottom)};
    Fill(dc, beside, bk_color_);
  }
  if (ex_style_ & LVS_EX_GRIDLINES) PaintGridLines(dc, area);

  if (whole & CDRF_NOTIFYPOSTPAINT) {
    cd.nmcd.dwDrawStage = CDDS_POSTPAINT;
    cd.nmcd.rc = client;
    cd.nmcd.dwItemSpec = 0;
    Notify(NM_CUSTOMDRAW, &cd.nmcd.hdr);
  }
  RestoreDC(dc, saved);
  SelectObject(dc, old_font);
}

// LVS_OWNERDRAWFIXED: the parent draws each row (WM_DRAWITEM).
void ListView::PaintOwnerDrawnRow(HDC dc, int index, ListItem* item) {
  bool focused_window = GetFocus() == hwnd_;
  bool show_selection = focused_window || (Style() & LVS_SHOWSELALWAYS);
  DRAWITEMSTRUCT draw;
  draw.CtlType = ODT_LISTVIEW;
  draw.CtlID = static_cast<UINT>(GetWindowLongPtr(hwnd_, GWLP_ID));
  draw.itemID = static_cast<UINT>(index);
  draw.itemAction = ODA_DRAWENTIRE;
  if ((item->state & LVIS_SELECTED) && show_selection) draw.itemState |= ODS_SELECTED;
  if ((item->state & LVIS_FOCUSED) && focused_window) draw.itemState |= ODS_FOCUS;
  if (!IsWindowEnabled(hwnd_)) draw.itemState |= ODS_DISABLED;
  draw.hwndItem = hwnd_;
  draw.hDC = dc;
  draw.rcItem = RowRect(index);
  draw.itemData = static_cast<ULONG_PTR>(item->lparam);
  if (HWND parent = GetParent(hwnd_)) {
    SendMessage(parent, WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
  }
}

void ListView::PaintRow(HDC dc, int index, ListItem* item, LRESULT whole, NMLVCUSTOMDRAW* cd) {
  if (Style() & LVS_OWNERDRAWFIXED) {
    PaintOwnerDrawnRow(dc, index, item);
    return;
  }
  bool focused_window = GetFocus() == hwnd_;
  bool show_selection = focused_window || (Style() & LVS_SHOWSELALWAYS);
  bool hot_tracking =
      ex_style_ & (LVS_EX_TRACKSELECT | LVS_EX_ONECLICKACTIVATE | LVS_EX_TWOCLICKACTIVATE);
  RECT row = RowRect(index);
  UINT item_state = 0;
  if ((item->state & LVIS_SELECTED) && show_selection) item_state |= CDIS_SELECTED;
  if ((item->state & LVIS_FOCUSED) && focused_window) item_state |= CDIS_FOCUS;
  if (index == hot_ && hot_tracking) item_state |= CDIS_HOT;

  LRESULT answer = CDRF_DODEFAULT;
  COLORREF text = text_color_;
  COLORREF back = text_bk_color_;
  if (whole & CDRF_NOTIFYITEMDRAW) {
    cd->nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    cd->nmcd.rc = row;
    cd->nmcd.dwItemSpec = static_cast<DWORD_PTR>(index);
    cd->nmcd.uItemState = item_state;
    cd->nmcd.lItemlParam = item->lparam;
    cd->clrText = text;
    cd->clrTextBk = back;
    cd->iSubItem = 0;
    answer = Notify(NM_CUSTOMDRAW, &cd->nmcd.hdr);
    // The handler may have deleted rows.
    if (items_.At(index) != item) return;
    item_state = cd->nmcd.uItemState;
    text = cd->clrText == CLR_DEFAULT ? text_color_ : cd->clrText;
    back = cd->clrTextBk == CLR_DEFAULT ? text_bk_color_ : cd->clrTextBk;
  }
  if (!(answer & CDRF_SKIPDEFAULT)) {
    HGDIOBJ row_font = GetCurrentObject(dc, OBJ_FONT);  // the handler's font with CDRF_NEWFONT
    bool selected = (item_state & CDIS_SELECTED) != 0;
    bool hot = (item_state & CDIS_HOT) != 0;
    bool full_row = (ex_style_ & LVS_EX_FULLROWSELECT) != 0;
    for (int column : DisplayOrder()) {
      int left = 0, width = 0;
      ColumnSpan(column, &left, &width);
      if (width <= 0) continue;
      RECT cell{left, row.top, left + width, row.bottom};
      COLORREF cell_text = text, cell_back = back;
      LRESULT sub_answer = CDRF_DODEFAULT;
      int sub_item = columns_[static_cast<std::size_t>(column)].sub_item;
      if ((answer & CDRF_NOTIFYSUBITEMDRAW) && (whole & CDRF_NOTIFYITEMDRAW)) {
        cd->nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
        cd->nmcd.rc = cell;
        cd->nmcd.dwItemSpec = static_cast<DWORD_PTR>(index);
        cd->nmcd.uItemState = item_state;
        cd->nmcd.lItemlParam = item->lparam;
        cd->clrText = text;
        cd->clrTextBk = back;
        cd->iSubItem = sub_item;
        SelectObject(dc, row_font);
        sub_answer = Notify(NM_CUSTOMDRAW, &cd->nmcd.hdr);
        if (items_.At(index) != item) return;
        cell_text = cd->clrText == CLR_DEFAULT ? text_color_ : cd->clrText;
        cell_back = cd->clrTextBk == CLR_DEFAULT ? text_bk_color_ : cd->clrTextBk;
      }
      if (!(sub_answer & CDRF_NEWFONT)) SelectObject(dc, row_font);
      if (!(sub_answer & CDRF_SKIPDEFAULT)) {
        PaintCell(dc, index, *item, column, cell, selected, hot, cell_text, cell_back, full_row);
      }
      if (sub_answer & CDRF_NOTIFYPOSTPAINT) {
        cd->nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT | CDDS_SUBITEM;
        Notify(NM_CUSTOMDRAW, &cd->nmcd.hdr);
        if (items_.At(index) != item) return;
      }
    }
    if ((item_state & CDIS_FOCUS) && (item->state & LVIS_FOCUSED)) {
      RECT focus = row;
      if (!full_row) {
        RowParts parts = PartsOf(index);
        focus = parts.label;
      }
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      DrawFocusRect(dc, &focus);
    }
  }
  if (answer & CDRF_NOTIFYPOSTPAINT) {
    cd->nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
    cd->nmcd.rc = row;
    cd->nmcd.dwItemSpec = static_cast<DWORD_PTR>(index);
    cd->iSubItem = 0;
    Notify(NM_CUSTOMDRAW, &cd->nmcd.hdr);
  }
}

void ListView::PaintCell(HDC dc, int index, ListItem& item, int column, const RECT& cell,
                         bool selected, bool hot, COLORREF text, COLORREF back, bool full_row) {
  const Column& col = columns_[static_cast<std::size_t>(column)];
  int sub_item = col.sub_item;
  bool enabled = IsWindowEnabled(hwnd_);
  bool focused_window = GetFocus() == hwnd_;
  COLORREF select_back = GetSysColor(focused_window ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  COLORREF select_text = GetSysColor(focused_window ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  if (!enabled) text = GetSysColor(COLOR_GRAYTEXT);

  HRGN clip = CreateRectRgn(cell.left, cell.top, cell.right, cell.bottom);
  ExtSelectClipRgn(dc, clip, RGN_AND);
  DeleteObject(clip);

  RECT text_rect = cell;
  COLORREF cell_back = back == CLR_NONE ? bk_color_ : back;
  bool highlight_cell = selected && (full_row || sub_item == 0);
  if (sub_item == 0) {
    RowParts parts = PartsOf(index);
    // Column 0: background up to the label, then state image and icon.
    Fill(dc, RECT{cell.left, cell.top, parts.label.left, cell.bottom}, cell_back);
    UINT state_image = (item.state & LVIS_STATEIMAGEMASK) >> 12;
    if (images_[LVSIL_STATE] != nullptr && state_image > 0) {
      int cx = 0, cy = 0;
      ImageList_GetIconSize(images_[LVSIL_STATE], &cx, &cy);
      ImageList_Draw(images_[LVSIL_STATE], static_cast<int>(state_image) - 1, dc,
                     parts.state_icon.left, cell.top + (cell.bottom - cell.top - cy) / 2,
                     ILD_TRANSPARENT);
    }
    int image = ImageOf(index, item, 0);
    if (images_[LVSIL_SMALL] != nullptr && image >= 0) {
      int cx = 0, cy = 0;
      ImageList_GetIconSize(images_[LVSIL_SMALL], &cx, &cy);
      UINT style = ILD_TRANSPARENT | (item.state & LVIS_OVERLAYMASK);
      if (selected && focused_window) style |= ILD_SELECTED;
      ImageList_Draw(images_[LVSIL_SMALL], image, dc, parts.icon.left,
                     cell.top + (cell.bottom - cell.top - cy) / 2, style);
    }
    text_rect.left = parts.label.left;
  } else if ((ex_style_ & LVS_EX_SUBITEMIMAGES) && images_[LVSIL_SMALL] != nullptr) {
    int image = ImageOf(index, item, sub_item);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images_[LVSIL_SMALL], &cx, &cy);
    Fill(dc, RECT{cell.left, cell.top, std::min(cell.left + cx, cell.right), cell.bottom},
         cell_back);
    if (image >= 0) {
      ImageList_Draw(images_[LVSIL_SMALL], image, dc, cell.left,
                     cell.top + (cell.bottom - cell.top - cy) / 2, ILD_TRANSPARENT);
    }
    text_rect.left = std::min(cell.left + cx, cell.right);
  }

  std::string label = TextOf(index, item, sub_item);
  int padding = sub_item == 0 ? kFirstColumnPadding : kColumnPadding;
  RECT inner{text_rect.left + padding, text_rect.top, text_rect.right - padding, text_rect.bottom};
  if (highlight_cell && !full_row && sub_item == 0) {
    // Only the caption's own width is highlighted without whole-row selection.
    SIZE size{};
    GetTextExtentPoint32(dc, label.c_str(), static_cast<int>(label.size()), &size);
    RECT mark{text_rect.left, text_rect.top,
              std::min(static_cast<int>(text_rect.right),
                       static_cast<int>(inner.left + size.cx + padding)),
              text_rect.bottom};
    Fill(dc, RECT{mark.right, text_rect.top, text_rect.right, text_rect.bottom}, cell_back);
    Fill(dc, mark, select_back);
  } else {
    Fill(dc, text_rect, highlight_cell ? select_back : cell_back);
  }
  if (!label.empty() && inner.right > inner.left) {
    SetBkMode(dc, TRANSPARENT);
    COLORREF color = highlight_cell ? select_text : text;
    bool underline =
        (hot &&
         (ex_style_ & (LVS_EX_UNDERLINEHOT | LVS_EX_ONECLICKACTIVATE | LVS_EX_TWOCLICKACTIVATE))) ||
        (!hot && (ex_style_ & LVS_EX_UNDERLINECOLD));
    if (hot && !highlight_cell) color = GetSysColor(COLOR_HOTLIGHT);
    HFONT underlined = nullptr;
    HGDIOBJ previous_font = nullptr;
    if (underline) {
      LOGFONT lf{};
      GetObject(GetCurrentObject(dc, OBJ_FONT), sizeof(lf), &lf);
      lf.lfUnderline = 1;
      underlined = CreateFontIndirect(&lf);
      previous_font = SelectObject(dc, underlined);
    }
    SetTextColor(dc, color);
    UINT align = (col.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                 : (col.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                   : DT_LEFT;
    DrawText(dc, label.c_str(), static_cast<int>(label.size()), &inner,
             align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (underlined != nullptr) {
      SelectObject(dc, previous_font);
      DeleteObject(underlined);
    }
  }
  SelectClipRgn(dc, nullptr);
}

void ListView::PaintGridLines(HDC dc, const RECT& area) {
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, pen);
  int x = -scroll_x_;
  for (int column : DisplayOrder()) {
    x += columns_[static_cast<std::size_t>(column)].width;
    MoveToEx(dc, x - 1, std::max(static_cast<int>(area.top), ItemAreaTop()), nullptr);
    LineTo(dc, x - 1, area.bottom);
  }
  int right = TotalWidth() - scroll_x_;
  int first = std::max(0, (static_cast<int>(area.top) - ItemAreaTop()) / row_height_);
  for (int y = ItemAreaTop() + (first + 1) * row_height_ - 1; y < area.bottom; y += row_height_) {
    MoveToEx(dc, -scroll_x_, y, nullptr);
    LineTo(dc, right, y);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

}  // namespace platform::ctl
