#include "classlib/PageControl.h"

#include <algorithm>

#include "classlib/Form.h"
#include "platform/ctl/tab_control.h"

// --- TTabSheet ---

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle.Include(csAcceptsControls);
  TControl::SetVisible(false);
  SetAlign(alClient);
}

TTabSheet::~TTabSheet() {
  if (page_control_ != nullptr) page_control_->RemovePage(this);
  page_control_ = nullptr;
}

void TTabSheet::SetPageControl(TPageControl* Value) { SetParent(Value); }

void TTabSheet::SetParent(TWinControl* AParent) {
  auto* page_control = dynamic_cast<TPageControl*>(AParent);
  if (page_control_ != nullptr && page_control_ != page_control) {
    TPageControl* old = page_control_;
    page_control_ = nullptr;
    old->RemovePage(this);
  }
  TWinControl::SetParent(AParent);
  if (page_control != nullptr && page_control_ != page_control) {
    page_control_ = page_control;
    page_control->InsertPage(this);
  }
}

int TTabSheet::PageIndex() const {
  if (page_control_ == nullptr) return -1;
  const auto& pages = page_control_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int Value) {
  if (page_control_ == nullptr) return;
  auto& pages = page_control_->pages_;
  const int current = PageIndex();
  Value = std::clamp(Value, 0, static_cast<int>(pages.size()) - 1);
  if (Value == current) return;
  pages.erase(pages.begin() + current);
  pages.insert(pages.begin() + Value, this);
  page_control_->UpdateTabs();
}

int TTabSheet::TabIndex() const {
  if (page_control_ == nullptr || !tab_visible_) return -1;
  int index = 0;
  for (TTabSheet* page : page_control_->pages_) {
    if (page == this) return index;
    if (page->tab_visible_) ++index;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
  if (tab_visible_ == Value) return;
  tab_visible_ = Value;
  if (page_control_ != nullptr) page_control_->UpdateTabs();
}

void TTabSheet::SetImageIndex(int Value) {
  if (image_index_ == Value) return;
  image_index_ = Value;
  if (page_control_ != nullptr) page_control_->UpdateTabs();
}

void TTabSheet::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
      TWinControl::Dispatch(Message);
      if (page_control_ != nullptr) page_control_->UpdateTabs();
      return;
    case CM_SHOWINGCHANGED:
      TWinControl::Dispatch(Message);
      if (Showing()) {
        if (OnShow) OnShow(this);
      } else {
        if (OnHide) OnHide(this);
      }
      return;
  }
  TWinControl::Dispatch(Message);
}

// --- TPageControl ---

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  ControlStyle.Include(csAcceptsControls);
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TPageControl::~TPageControl() {
  // The pages go with the page control (as its children) and must not
  // call back into it.
  for (TTabSheet* page : pages_) page->page_control_ = nullptr;
  pages_.clear();
}

void TPageControl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "SysTabControl32");
  Params.Style |= WS_CLIPCHILDREN;
  if (style_ == tsButtons) Params.Style |= TCS_BUTTONS;
  if (style_ == tsFlatButtons) Params.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  if (multi_line_) Params.Style |= TCS_MULTILINE;
  if (hot_track_) Params.Style |= TCS_HOTTRACK;
  if (tab_position_ == tpBottom) Params.Style |= TCS_BOTTOM;
  if (tab_position_ == tpLeft) Params.Style |= TCS_VERTICAL;
  if (tab_position_ == tpRight) Params.Style |= TCS_VERTICAL | TCS_RIGHT;
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateTabs();
}

void TPageControl::UpdateTabs() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  SendMessage(h, TCM_DELETEALLITEMS, 0, 0);
  int index = 0;
  for (TTabSheet* page : pages_) {
    if (!page->tab_visible_) continue;
    String caption = page->Caption();
    TCITEM item;
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = caption.data();
    item.iImage = page->image_index_;
    item.lParam = reinterpret_cast<LPARAM>(page);
    SendMessage(h, TCM_INSERTITEM, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
  }
  const int selected = active_page_ != nullptr ? active_page_->TabIndex() : -1;
  SendMessage(h, TCM_SETCURSEL, static_cast<WPARAM>(selected), 0);
  Realign();
}

void TPageControl::InsertPage(TTabSheet* Page) {
  pages_.push_back(Page);
  UpdateTabs();
  if (active_page_ == nullptr) SetActivePage(Page);
}

void TPageControl::RemovePage(TTabSheet* Page) {
  TTabSheet* next = active_page_ == Page ? FindNextPage(Page, true, true) : active_page_;
  if (next == Page) next = nullptr;
  pages_.erase(std::remove(pages_.begin(), pages_.end(), Page), pages_.end());
  if (active_page_ == Page) {
    active_page_ = nullptr;
    if (!ComponentState().Contains(csDestroying)) SetActivePage(next);
  }
  if (!ComponentState().Contains(csDestroying)) UpdateTabs();
}

TTabSheet* TPageControl::PageForTab(int TabIndex) const {
  for (TTabSheet* page : pages_) {
    if (page->TabIndex() == TabIndex) return page;
  }
  return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page != nullptr && Page->page_control_ != this) return;
  if (Page == active_page_) return;
  TTabSheet* old = active_page_;
  // The focus leaves a page that is going out of sight.
  TCustomForm* form = GetParentForm(this);
  const bool had_focus = form != nullptr && old != nullptr && old->ContainsControl(form->ActiveControl());
  active_page_ = Page;
  if (Page != nullptr) {
    Page->BringToFront();
    Page->SetVisible(true);
  }
  if (old != nullptr) old->SetVisible(false);
  if (HandleAllocated()) {
    SendMessage(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(Page != nullptr ? Page->TabIndex() : -1), 0);
  }
  if (had_focus && CanFocus()) SetFocus();
}

int TPageControl::ActivePageIndex() const { return active_page_ != nullptr ? active_page_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? pages_[static_cast<std::size_t>(Value)] : nullptr);
}

int TPageControl::TabIndex() {
  if (!HandleAllocated()) return active_page_ != nullptr ? active_page_->TabIndex() : -1;
  return static_cast<int>(SendMessage(Handle(), TCM_GETCURSEL, 0, 0));
}

void TPageControl::SetStyle(TTabStyle Value) {
  if (style_ == Value) return;
  style_ = Value;
  RecreateWnd();
}

void TPageControl::SetMultiLine(bool Value) {
  if (multi_line_ == Value) return;
  multi_line_ = Value;
  RecreateWnd();
}

void TPageControl::SetTabPosition(TTabPosition Value) {
  if (tab_position_ == Value) return;
  tab_position_ = Value;
  RecreateWnd();
}

void TPageControl::SetHotTrack(bool Value) {
  if (hot_track_ == Value) return;
  hot_track_ = Value;
  RecreateWnd();
}

TRect TPageControl::DisplayRect() {
  RECT r = ClientRect();
  // The tab control works out its tabs' room; without a place for its
  // window yet the whole client area stands in.
  if (!HandleAllocated() && Parent() == nullptr && ParentWindow() == nullptr) return r;
  SendMessage(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TPageControl::AdjustClientRect(TRect& Rect) { Rect = DisplayRect(); }

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) {
  if (pages_.empty()) return nullptr;
  const int count = PageCount();
  int start = CurPage != nullptr ? CurPage->PageIndex() : -1;
  if (start < 0 || start >= count) start = GoForward ? count - 1 : 0;
  int i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TTabSheet* page = pages_[static_cast<std::size_t>(i)];
    if (!CheckTabVisible || page->tab_visible_) return page;
  } while (i != start);
  return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward) {
  TTabSheet* page = FindNextPage(active_page_, GoForward, true);
  if (page == nullptr || page == active_page_ || !CanChange()) return;
  SetActivePage(page);
  Change();
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (TTabSheet* page = PageForTab(TabIndex())) SetActivePage(page);
  if (OnChange) OnChange(this);
}

void TPageControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
      if (header->code == TCN_SELCHANGING) {
        Message.Result = CanChange() ? 0 : 1;
        return;
      }
      if (header->code == TCN_SELCHANGE) {
        Change();
        return;
      }
      break;
    }
    case CM_DIALOGKEY:
      // Ctrl+Tab and Ctrl+Shift+Tab turn the pages.
      if (Message.WParam == VK_TAB && GetKeyState(VK_CONTROL) < 0 && CanFocus() &&
          (Focused() || (active_page_ != nullptr && GetParentForm(this) != nullptr &&
                         ContainsControl(GetParentForm(this)->ActiveControl())))) {
        SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
        Message.Result = 1;
        return;
      }
      break;
  }
  TWinControl::Dispatch(Message);
}
