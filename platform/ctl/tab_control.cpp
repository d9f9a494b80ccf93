// The "SysTabControl32" class.
#include "platform/ctl/tab_control.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ctl/control_base.h"
#include "platform/user/builtin_classes.h"

namespace platform::ctl {
namespace {

constexpr int kTabsInset = 2;  // room left and above the tabs for the selected one's rise
constexpr int kFrame = 2;      // the display area's raised edge
constexpr int kMargin = 2;     // between the edge and the display area
constexpr int kButtonGap = 3;  // between buttons

class TabControl : public Control {
 public:
  explicit TabControl(HWND hwnd) : Control(hwnd) {}

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  struct Tab {
    std::string text;
    int image = -1;
    LPARAM param = 0;
    DWORD state = 0;
    RECT rect{};
    int row = 0;
  };

  bool Buttons() const { return (Style() & (TCS_BUTTONS | TCS_FLATBUTTONS)) != 0; }
  int Count() const { return static_cast<int>(tabs_.size()); }
  int TabHeight() const;
  int TabWidth(HDC dc, const Tab& tab) const;
  int RowStep() const { return TabHeight() + (Buttons() ? kButtonGap : 0); }
  // The top of the display area's frame (client coordinates).
  int HeaderHeight() const;
  void Layout();
  int HitTest(POINT pt) const;
  void SelectByUser(int index);
  void SetCurrent(int index);
  void Paint();
  void PaintTab(HDC dc, int index);
  LRESULT Insert(int index, const TCITEM* item);
  LRESULT GetItem(int index, TCITEM* item) const;
  LRESULT SetItem(int index, const TCITEM* item);
  void AdjustRect(bool larger, RECT* rect) const;

  std::vector<Tab> tabs_;
  int current_ = -1;
  int focus_ = -1;
  int rows_ = 1;
  SIZE item_size_{0, 0};
  int pad_x_ = 6;
  int pad_y_ = 3;
  int min_width_ = -1;
  LPARAM image_list_ = 0;
  DWORD extended_style_ = 0;
};

int TabControl::TabHeight() const {
  return item_size_.cy > 0 ? item_size_.cy : LineHeight() + 2 * pad_y_;
}

int TabControl::TabWidth(HDC dc, const Tab& tab) const {
  if ((Style() & TCS_FIXEDWIDTH) && item_size_.cx > 0) return item_size_.cx;
  RECT measured{0, 0, 0, 0};
  DrawText(dc, tab.text.c_str(), static_cast<int>(tab.text.size()), &measured,
           DT_SINGLELINE | DT_CALCRECT);
  const int natural = measured.right - measured.left + 2 * pad_x_;
  const int minimum = min_width_ >= 0 ? min_width_ : 2 * pad_x_ + 2 * AverageCharWidth();
  return std::max(natural, minimum);
}

int TabControl::HeaderHeight() const {
  if (Buttons()) return rows_ * RowStep();
  return kTabsInset + rows_ * TabHeight();
}

void TabControl::Layout() {
  RECT client = Client();
  const int width = client.right - client.left;
  const int left = Buttons() ? 0 : kTabsInset;
  const int room = std::max(1, width - 2 * left);
  const int gap = Buttons() ? kButtonGap : 0;
  HDC dc = GetDC(hwnd());
  std::vector<int> widths;
  {
    SelectFont font(dc, Font());
    for (const Tab& tab : tabs_) widths.push_back(TabWidth(dc, tab));
  }
  ReleaseDC(hwnd(), dc);
  // Rows of tabs, filled left to right.
  std::vector<std::vector<int>> rows(1);
  int used = 0;
  const bool multiline = (Style() & TCS_MULTILINE) != 0;
  for (int i = 0; i < Count(); ++i) {
    const int w = widths[static_cast<std::size_t>(i)];
    if (multiline && !rows.back().empty() && used + w > room) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(i);
    used += w + gap;
  }
  rows_ = static_cast<int>(rows.size());
  // The row of the selected tab lies next to the display area.
  int selected_row = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (int i : rows[r]) {
      if (i == current_) selected_row = static_cast<int>(r);
    }
  }
  const int height = TabHeight();
  const int top = Buttons() ? 0 : kTabsInset;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    // Rows after the selected one's come first; the selected row is last.
    const int place = (static_cast<int>(r) - selected_row - 1 + rows_ * 2) % rows_;
    const auto& row = rows[r];
    int total = 0;
    for (int i : row) total += widths[static_cast<std::size_t>(i)];
    // Several rows are stretched to the full width.
    const bool stretch = rows_ > 1 && !(Style() & TCS_RAGGEDRIGHT);
    const int extra =
        stretch ? std::max(0, room - total - gap * (static_cast<int>(row.size()) - 1)) : 0;
    int x = left;
    for (std::size_t k = 0; k < row.size(); ++k) {
      const int i = row[k];
      int w = widths[static_cast<std::size_t>(i)];
      if (extra > 0) {
        w += extra / static_cast<int>(row.size()) +
             (static_cast<int>(k) < extra % static_cast<int>(row.size()) ? 1 : 0);
      }
      Tab& tab = tabs_[static_cast<std::size_t>(i)];
      tab.row = place;
      const int y = top + place * RowStep();
      tab.rect = RECT{x, y, x + w, y + height};
      x += w + gap;
    }
  }
  Invalidate();
}

int TabControl::HitTest(POINT pt) const {
  for (int i = 0; i < Count(); ++i) {
    if (PtInRect(&tabs_[static_cast<std::size_t>(i)].rect, pt)) return i;
  }
  return -1;
}

void TabControl::SetCurrent(int index) {
  current_ = index;
  focus_ = index;
  Layout();
}

void TabControl::SelectByUser(int index) {
  if (index < 0 || index >= Count() || index == current_) return;
  NMHDR header;
  if (Notify(&header, TCN_SELCHANGING) != 0 || !alive()) return;
  SetCurrent(index);
  Notify(&header, TCN_SELCHANGE);
}

void TabControl::PaintTab(HDC dc, int index) {
  const Tab& tab = tabs_[static_cast<std::size_t>(index)];
  const bool selected = index == current_;
  RECT r = tab.rect;
  const DWORD style = Style();
  if (Buttons()) {
    const bool down = selected || (tab.state & TCIS_BUTTONPRESSED);
    if (style & TCS_FLATBUTTONS) {
      FillRect(dc, &r, GetSysColorBrush(COLOR_3DFACE));
      if (down) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
      RECT separator{r.right + 1, r.top + 2, r.right + 3, r.bottom - 2};
      DrawEdge(dc, &separator, EDGE_ETCHED, BF_LEFT);
    } else {
      DrawEdge(dc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
    if (down) OffsetRect(&r, 1, 1);
  } else {
    if (selected) {
      // The selected tab rises above the others and joins the display area.
      r.left -= 2;
      r.right += 2;
      r.top -= 2;
      r.bottom += 1;
    }
    RECT face = r;
    FillRect(dc, &face, GetSysColorBrush(COLOR_3DFACE));
    HBRUSH light = GetSysColorBrush(COLOR_3DHILIGHT);
    HBRUSH shadow = GetSysColorBrush(COLOR_3DSHADOW);
    HBRUSH dark = GetSysColorBrush(COLOR_3DDKSHADOW);
    RECT line{r.left, r.top + 2, r.left + 1, r.bottom};
    FillRect(dc, &line, light);
    line = RECT{r.left + 1, r.top + 1, r.left + 2, r.top + 2};
    FillRect(dc, &line, light);
    line = RECT{r.left + 2, r.top, r.right - 2, r.top + 1};
    FillRect(dc, &line, light);
    line = RECT{r.right - 2, r.top + 1, r.right - 1, r.top + 2};
    FillRect(dc, &line, dark);
    line = RECT{r.right - 1, r.top + 2, r.right, r.bottom};
    FillRect(dc, &line, dark);
    line = RECT{r.right - 2, r.top + 2, r.right - 1, r.bottom};
    FillRect(dc, &line, shadow);
  }
  RECT text = r;
  InflateRect(&text, -pad_x_ / 2, 0);
  if (!Buttons() && selected) OffsetRect(&text, 0, -1);
  SetTextColor(dc, GetSysColor((tab.state & TCIS_HIGHLIGHTED) ? COLOR_HIGHLIGHT : COLOR_BTNTEXT));
  DrawLabel(dc, tab.text, text, DT_SINGLELINE | DT_CENTER | DT_VCENTER, Enabled());
  if (Focused() && index == focus_) {
    RECT frame = r;
    InflateRect(&frame, -3, -3);
    DrawFocusRect(dc, &frame);
  }
}

void TabControl::Paint() {
  PaintScope paint(hwnd());
  HDC dc = paint.dc();
  SelectFont font(dc, Font());
  RECT client = Client();
  HBRUSH background = ControlColor(dc, WM_CTLCOLORSTATIC);
  RECT header{client.left, client.top, client.right, HeaderHeight()};
  FillRect(dc, &header, background);
  if (!Buttons()) {
    RECT page{client.left, HeaderHeight(), client.right, client.bottom};
    FillRect(dc, &page, GetSysColorBrush(COLOR_3DFACE));
    DrawEdge(dc, &page, EDGE_RAISED, BF_RECT);
  } else {
    RECT rest{client.left, HeaderHeight(), client.right, client.bottom};
    FillRect(dc, &rest, background);
  }
  for (int i = 0; i < Count(); ++i) {
    if (i != current_) PaintTab(dc, i);
  }
  if (current_ >= 0) PaintTab(dc, current_);
}

LRESULT TabControl::Insert(int index, const TCITEM* item) {
  if (item == nullptr || index < 0) return -1;
  index = std::min(index, Count());
  Tab tab;
  if ((item->mask & TCIF_TEXT) && item->pszText != nullptr && item->pszText != LPSTR_TEXTCALLBACK) {
    tab.text = item->pszText;
  }
  if (item->mask & TCIF_IMAGE) tab.image = item->iImage;
  if (item->mask & TCIF_PARAM) tab.param = item->lParam;
  if (item->mask & TCIF_STATE) tab.state = item->dwState & item->dwStateMask;
  tabs_.insert(tabs_.begin() + index, std::move(tab));
  if (current_ >= index) ++current_;
  if (focus_ >= index) ++focus_;
  // The first tab of an empty control is selected.
  if (current_ < 0) current_ = focus_ = 0;
  Layout();
  return index;
}

LRESULT TabControl::GetItem(int index, TCITEM* item) const {
  if (item == nullptr || index < 0 || index >= Count()) return FALSE;
  const Tab& tab = tabs_[static_cast<std::size_t>(index)];
  if ((item->mask & TCIF_TEXT) && item->pszText != nullptr && item->cchTextMax > 0) {
    const std::size_t count = std::min<std::size_t>(tab.text.size(), item->cchTextMax - 1);
    std::memcpy(item->pszText, tab.text.data(), count);
    item->pszText[count] = '\0';
  }
  if (item->mask & TCIF_IMAGE) item->iImage = tab.image;
  if (item->mask & TCIF_PARAM) item->lParam = tab.param;
  if (item->mask & TCIF_STATE) item->dwState = tab.state & item->dwStateMask;
  return TRUE;
}

LRESULT TabControl::SetItem(int index, const TCITEM* item) {
  if (item == nullptr || index < 0 || index >= Count()) return FALSE;
  Tab& tab = tabs_[static_cast<std::size_t>(index)];
  if ((item->mask & TCIF_TEXT) && item->pszText != LPSTR_TEXTCALLBACK) {
    tab.text = item->pszText != nullptr ? item->pszText : "";
  }
  if (item->mask & TCIF_IMAGE) tab.image = item->iImage;
  if (item->mask & TCIF_PARAM) tab.param = item->lParam;
  if (item->mask & TCIF_STATE) {
    tab.state = (tab.state & ~item->dwStateMask) | (item->dwState & item->dwStateMask);
  }
  Layout();
  return TRUE;
}

void TabControl::AdjustRect(bool larger, RECT* rect) const {
  if (rect == nullptr) return;
  const int side = Buttons() ? 0 : kFrame + kMargin;
  const int top = HeaderHeight() + side;
  if (larger) {
    rect->left -= side;
    rect->top -= top;
    rect->right += side;
    rect->bottom += side;
  } else {
    rect->left += side;
    rect->top += top;
    rect->right -= side;
    rect->bottom -= side;
  }
}

LRESULT TabControl::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
    case WM_SIZE:
    case WM_STYLECHANGED:
      Layout();
      return 0;
    case WM_SETFONT:
      Layout();
      return 0;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate(false);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int index = HitTest(POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      if (index < 0) return 0;
      if (!(Style() & TCS_FOCUSNEVER) && !Focused()) SetFocus(hwnd());
      if (alive()) SelectByUser(index);
      return 0;
    }
    case WM_KEYDOWN: {
      NMTCKEYDOWN key;
      key.wVKey = static_cast<WORD>(wparam);
      key.flags = HIWORD(lparam);
      Notify(&key.hdr, TCN_KEYDOWN);
      if (!alive()) return 0;
      if (wparam == VK_LEFT || wparam == VK_UP) SelectByUser(current_ - 1);
      if (wparam == VK_RIGHT || wparam == VK_DOWN) SelectByUser(current_ + 1);
      return 0;
    }
    case TCM_GETITEMCOUNT:
      return Count();
    case TCM_INSERTITEM:
      return Insert(static_cast<int>(wparam), reinterpret_cast<const TCITEM*>(lparam));
    case TCM_GETITEM:
      return GetItem(static_cast<int>(wparam), reinterpret_cast<TCITEM*>(lparam));
    case TCM_SETITEM:
      return SetItem(static_cast<int>(wparam), reinterpret_cast<const TCITEM*>(lparam));
    case TCM_DELETEITEM: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || index >= Count()) return FALSE;
      tabs_.erase(tabs_.begin() + index);
      if (current_ == index) {
        current_ = -1;
      } else if (current_ > index) {
        --current_;
      }
      if (focus_ >= Count() || focus_ == index) focus_ = current_;
      Layout();
      return TRUE;
    }
    case TCM_DELETEALLITEMS:
      tabs_.clear();
      current_ = focus_ = -1;
      Layout();
      return TRUE;
    case TCM_GETCURSEL:
      return current_;
    case TCM_SETCURSEL: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || index >= Count()) return -1;
      const int old = current_;
      SetCurrent(index);
      return old;
    }
    case TCM_GETCURFOCUS:
      return focus_;
    case TCM_SETCURFOCUS:
      if (Buttons()) {
        focus_ = static_cast<int>(wparam);
        Invalidate(false);
      } else {
        SelectByUser(static_cast<int>(wparam));
      }
      return 0;
    case TCM_GETITEMRECT: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || index >= Count() || lparam == 0) return FALSE;
      *reinterpret_cast<RECT*>(lparam) = tabs_[static_cast<std::size_t>(index)].rect;
      return TRUE;
    }
    case TCM_HITTEST: {
      auto* info = reinterpret_cast<TCHITTESTINFO*>(lparam);
      if (info == nullptr) return -1;
      const int index = HitTest(info->pt);
      info->flags = index >= 0 ? TCHT_ONITEMLABEL : TCHT_NOWHERE;
      return index;
    }
    case TCM_ADJUSTRECT:
      AdjustRect(wparam != 0, reinterpret_cast<RECT*>(lparam));
      return 0;
    case TCM_GETROWCOUNT:
      return rows_;
    case TCM_SETITEMSIZE: {
      const LRESULT old =
          MAKELRESULT(static_cast<WORD>(tabs_.empty() ? item_size_.cx
                                                      : tabs_[0].rect.right - tabs_[0].rect.left),
                      static_cast<WORD>(TabHeight()));
      item_size_ = SIZE{LOWORD(lparam), HIWORD(lparam)};
      Layout();
      return old;
    }
    case TCM_SETPADDING:
      pad_x_ = LOWORD(lparam);
      pad_y_ = HIWORD(lparam);
      Layout();
      return 0;
    case TCM_SETMINTABWIDTH: {
      const int old = min_width_ >= 0 ? min_width_ : 2 * pad_x_ + 2 * AverageCharWidth();
      min_width_ = static_cast<int>(lparam);
      Layout();
      return old;
    }
    case TCM_SETIMAGELIST: {
      const LPARAM old = image_list_;
      image_list_ = lparam;
      return old;
    }
    case TCM_GETIMAGELIST:
      return image_list_;
    case TCM_HIGHLIGHTITEM: {
      const int index = static_cast<int>(wparam);
      if (index < 0 || index >= Count()) return FALSE;
      DWORD& state = tabs_[static_cast<std::size_t>(index)].state;
      state = LOWORD(lparam) ? (state | TCIS_HIGHLIGHTED) : (state & ~TCIS_HIGHLIGHTED);
      Invalidate(false);
      return TRUE;
    }
    case TCM_DESELECTALL:
      for (Tab& tab : tabs_) tab.state &= ~TCIS_BUTTONPRESSED;
      Invalidate(false);
      return 0;
    case TCM_SETEXTENDEDSTYLE: {
      const DWORD old = extended_style_;
      const DWORD mask = wparam != 0 ? static_cast<DWORD>(wparam) : 0xFFFFFFFFu;
      extended_style_ = (extended_style_ & ~mask) | (static_cast<DWORD>(lparam) & mask);
      return old;
    }
    case TCM_GETEXTENDEDSTYLE:
      return extended_style_;
    case TCM_SETITEMEXTRA:
      return TRUE;
    case TCM_REMOVEIMAGE:
    case TCM_GETTOOLTIPS:
    case TCM_SETTOOLTIPS:
      return 0;
  }
  return Default(message, wparam, lparam);
}

void RegisterTabClass() {
  RegisterControlClass<TabControl>("SysTabControl32", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

const platform::BuiltinClass kTabClass("SysTabControl32", &RegisterTabClass);

}  // namespace
}  // namespace platform::ctl
