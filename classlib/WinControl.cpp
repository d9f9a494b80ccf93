#include "classlib/WinControl.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "classlib/Application.h"
#include "classlib/ControlRef.h"
#include "classlib/DragDrop.h"
#include "classlib/Exceptions.h"
#include "classlib/Form.h"
#include "classlib/FormatRoutines.h"
#include "classlib/Menus.h"
#include "classlib/Screen.h"
#include "platform/gdi/gdi.h"

// --- the window procedure and the window-to-control map ---

namespace {

std::mutex g_map_lock;
std::unordered_map<HWND, TWinControl*>& ControlMap() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}

// The control whose window CreateWindowEx is making on this thread: the
// first message of the new window binds the two.
thread_local TWinControl* t_creating = nullptr;
// How deep the calling thread is inside control window procedures.
thread_local int t_depth = 0;

void Bind(HWND hwnd, TWinControl* control) {
  std::lock_guard<std::mutex> lock(g_map_lock);
  ControlMap()[hwnd] = control;
}

void Unbind(HWND hwnd, TWinControl* control) {
  std::lock_guard<std::mutex> lock(g_map_lock);
  auto it = ControlMap().find(hwnd);
  if (it != ControlMap().end() && it->second == control) ControlMap().erase(it);
}

UINT NextControlId() {
  static std::atomic<UINT> next{0};
  UINT id = 0;
  while (id == 0) id = (++next) & 0xFFFF;
  return id;
}

bool IsControlMessage(UINT msg) { return msg >= CM_BASE && msg < CN_BASE + 0x400; }

bool IsClientMouseMessage(UINT msg) { return msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONDBLCLK; }

}  // namespace

LRESULT ControlWindowProcedure(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  TWinControl* control = FindControl(hwnd);
  if (control == nullptr) {
    control = t_creating;
    if (control == nullptr) return DefWindowProc(hwnd, msg, wparam, lparam);
    t_creating = nullptr;
    control->handle_ = hwnd;
    Bind(hwnd, control);
  }
  TMessage message;
  message.Msg = msg;
  message.WParam = wparam;
  message.LParam = lparam;
  ++t_depth;
  control->MainWndProc(message);
  if (--t_depth == 0) FreeDeviceContexts();
  return message.Result;
}

TWinControl* FindControl(HWND Handle) {
  if (Handle == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(g_map_lock);
  auto it = ControlMap().find(Handle);
  return it == ControlMap().end() ? nullptr : it->second;
}

// --- TWinControl: life ---

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), brush_(std::make_unique<TBrush>()) {
  brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
  if (parent_ != nullptr) RemoveFocus(true);
  if (handle_ != nullptr) DestroyWindowHandle();
  // The child controls go with their parent.
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    RemoveControl(child);
    delete child;
  }
  if (parent_ != nullptr) {
    auto& siblings = parent_->tab_list_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    // A copy: the handler may delete the control (and its WindowProc).
    const TWndMethod proc = WindowProc;
    if (proc) {
      proc(Message);
    } else {
      WndProc(Message);
    }
  } catch (...) {
    HandleMessageException(this);
  }
}

// --- the window ---

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_ != nullptr) return;
  if (parent_ != nullptr) parent_->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND Value) {
  if (parent_window_ == Value) return;
  if (handle_ != nullptr && parent_ == nullptr) DestroyHandle();
  parent_window_ = Value;
  UpdateControlState();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = text_;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle.Contains(csAcceptsControls)) {
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) Params.Style |= WS_DISABLED;
  if (tab_stop_) Params.Style |= WS_TABSTOP;
  AddBiDiModeExStyle(Params.ExStyle);
  Params.X = Left();
  Params.Y = Top();
  Params.Width = Width();
  Params.Height = Height();
  // The parent's window as far as it exists: reading the styles (for the
  // client area, say) makes no windows; CreateWnd makes the parent's.
  Params.WndParent = parent_ != nullptr ? parent_->handle_ : parent_window_;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = DefWindowProc;
  Params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  Params.WinClassName = ClassName();
}

void TWinControl::AddFramedBorder(TCreateParams& Params) const {
  if (ctl3d_) {
    Params.ExStyle |= WS_EX_CLIENTEDGE;
  } else {
    Params.Style |= WS_BORDER;
  }
}

void TWinControl::AddBiDiModeExStyle(DWORD& ExStyle) const {
  if (UseRightToLeftReading()) ExStyle |= WS_EX_RTLREADING;
  if (UseRightToLeftScrollBar()) ExStyle |= WS_EX_LEFTSCROLLBAR;
  if (UseRightToLeftAlignment() && ControlsAlignment() == taLeftJustify) ExStyle |= WS_EX_RIGHT;
}

void TWinControl::SetCtl3D(bool Value) {
  parent_ctl3d_ = false;
  if (ctl3d_ == Value) return;
  ctl3d_ = Value;
  Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool Value) {
  if (parent_ctl3d_ == Value) return;
  parent_ctl3d_ = Value;
  if (parent_ != nullptr) Perform(CM_PARENTCTL3DCHANGED);
}

void TWinControl::ParentCtl3DChanged() {
  if (!parent_ctl3d_ || parent_ == nullptr) return;
  SetCtl3D(parent_->Ctl3D());
  parent_ctl3d_ = true;
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
  WNDCLASS info;
  if (!GetClassInfo(nullptr, ControlClassName, &info)) RaiseLastOSError();
  info.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
  info.hInstance = nullptr;
  Params.WindowClass = info;
}

void TWinControl::CreateHandle() {
  if (handle_ != nullptr) return;
  CreateWnd();
  if (parent_ != nullptr) {
    // The window takes its place among its siblings' windows.
    HWND after = HWND_TOP;
    const auto& siblings = parent_->controls_;
    const auto self = std::find(siblings.begin(), siblings.end(), static_cast<TControl*>(this));
    for (auto it = self + 1; it != siblings.end(); ++it) {
      auto* above = dynamic_cast<TWinControl*>(*it);
      if (above != nullptr && above->handle_ != nullptr) {
        // Just below the first later sibling that has a window.
        after = above->handle_;
        break;
      }
    }
    if (after != HWND_TOP) SetWindowPos(handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (parent_ != nullptr) params.WndParent = parent_->Handle();
  if ((params.Style & WS_CHILD) && params.WndParent == nullptr) {
    throw EInvalidOperation(Format(ControlsConst::SParentRequired, Name()));
  }
  DefWndProc = params.WindowClass.lpfnWndProc;
  WNDCLASS existing;
  const bool registered = GetClassInfo(nullptr, params.WinClassName.c_str(), &existing) != 0;
  if (!registered || existing.lpfnWndProc != ControlWindowProcedure) {
    if (registered) UnregisterClass(params.WinClassName.c_str(), nullptr);
    WNDCLASS window_class = params.WindowClass;
    window_class.lpfnWndProc = ControlWindowProcedure;
    window_class.lpszClassName = params.WinClassName.c_str();
    window_class.hInstance = nullptr;
    if (RegisterClass(&window_class) == 0) RaiseLastOSError();
  }
  CreateWindowHandle(params);
  if (handle_ == nullptr) RaiseLastOSError();
  Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
  if (AutoSize()) AdjustSize();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  HMENU id = nullptr;
  if (Params.Style & WS_CHILD) {
    if (control_id_ == 0) control_id_ = NextControlId();
    id = reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(control_id_));
  }
  TWinControl* outer = t_creating;
  t_creating = this;
  HWND hwnd = CreateWindowEx(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                             Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, id, nullptr,
                             Params.Param);
  t_creating = outer;
  if (hwnd != nullptr && handle_ == nullptr) {
    handle_ = hwnd;
    Bind(hwnd, this);
  }
}

void TWinControl::DestroyHandle() {
  if (handle_ == nullptr) return;
  for (TControl* child : std::vector<TControl*>(controls_)) {
    if (auto* window = dynamic_cast<TWinControl*>(child)) window->DestroyHandle();
  }
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  // The window's text survives it.
  text_ = GetText();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  ControlState.Include(csDestroyingHandle);
  HWND hwnd = handle_;
  DestroyWindow(hwnd);
  ControlState.Exclude(csDestroyingHandle);
  if (handle_ == hwnd && hwnd != nullptr) {
    // No WM_NCDESTROY came (the window was gone already).
    Unbind(hwnd, this);
    handle_ = nullptr;
    showing_ = false;
  }
}

void TWinControl::RecreateWnd() {
  if (handle_ != nullptr) Perform(CM_RECREATEWND);
}

void TWinControl::UpdateControlState() {
  TWinControl* top = this;
  while (top->parent_ != nullptr) {
    top = top->parent_;
    if (!top->showing_) return;
  }
  if (dynamic_cast<TCustomForm*>(top) != nullptr || top->parent_window_ != nullptr) UpdateShowing();
}

void TWinControl::UpdateShowing() {
  const bool show = Visible();
  if (show) {
    if (handle_ == nullptr) CreateHandle();
    for (TControl* child : std::vector<TControl*>(controls_)) {
      if (auto* window = dynamic_cast<TWinControl*>(child)) window->UpdateShowing();
    }
  }
  if (handle_ != nullptr && showing_ != show) {
    showing_ = show;
    try {
      Perform(CM_SHOWINGCHANGED);
    } catch (...) {
      showing_ = !show;
      throw;
    }
  }
}

void TWinControl::UpdateBounds() {
  if (handle_ == nullptr) return;
  RECT r{};
  if (IsIconic(handle_)) {
    WINDOWPLACEMENT placement;
    GetWindowPlacement(handle_, &placement);
    r = placement.rcNormalPosition;
  } else {
    GetWindowRect(handle_, &r);
    if (GetWindowLongPtr(handle_, GWL_STYLE) & WS_CHILD) {
      if (HWND parent = GetParent(handle_)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    }
  }
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

String TWinControl::GetText() {
  if (handle_ == nullptr) return text_;
  const int length = GetWindowTextLength(handle_);
  if (length <= 0) return String();
  String text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowText(handle_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

void TWinControl::SetTextValue(const String& Value) {
  text_ = Value;
  if (handle_ != nullptr) SetWindowText(handle_, Value.c_str());
}

// --- children ---

void TWinControl::InsertControl(TControl* AControl) {
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
  auto* window = dynamic_cast<TWinControl*>(AControl);
  if (window != nullptr && window->handle_ != nullptr) window->DestroyHandle();
  controls_.push_back(AControl);
  if (window != nullptr) tab_list_.push_back(window);
  AControl->parent_ = this;
  if (!AControl->ComponentState().Contains(csReading)) {
    AControl->UpdateAnchorRules();
    AControl->Perform(CM_PARENTCOLORCHANGED);
    AControl->Perform(CM_PARENTFONTCHANGED);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED);
    AControl->Perform(CM_PARENTBIDIMODECHANGED);
    AControl->Perform(CM_PARENTCTL3DCHANGED);
    if (window != nullptr) {
      window->UpdateControlState();
    } else if (handle_ != nullptr) {
      AControl->Invalidate();
    }
    AlignControl(AControl);
  }
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  const bool going = ComponentState().Contains(csDestroying);
  if (!going) Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  // While the child's own destructor runs it is only a TControl here.
  auto* window = dynamic_cast<TWinControl*>(AControl);
  if (window != nullptr) {
    window->RemoveFocus(true);
    window->DestroyHandle();
  } else if (handle_ != nullptr && !going) {
    AControl->InvalidateControl(AControl->Visible(), false);
  }
  controls_.erase(std::remove(controls_.begin(), controls_.end(), AControl), controls_.end());
  tab_list_.erase(std::remove_if(tab_list_.begin(), tab_list_.end(),
                                 [AControl](TWinControl* w) { return static_cast<TControl*>(w) == AControl; }),
                  tab_list_.end());
  AControl->parent_ = nullptr;
  if (!going) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    Realign();
  }
}

bool TWinControl::ContainsControl(TControl* AControl) const {
  while (AControl != nullptr && AControl != this) AControl = AControl->Parent();
  return AControl == this;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* control = *it;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(control) != nullptr) continue;
    if (!control->Visible() || !(control->Enabled() || AllowDisabled)) continue;
    const TRect r = control->BoundsRect();
    if (Pos.x < r.left || Pos.x >= r.right || Pos.y < r.top || Pos.y >= r.bottom) continue;
    const LPARAM at = MAKELPARAM(static_cast<WORD>(Pos.x - r.left), static_cast<WORD>(Pos.y - r.top));
    if (control->Perform(CM_HITTEST, 0, at) != 0) return control;
  }
  return nullptr;
}

void TWinControl::SetZOrder(TControl* AControl, bool TopMost) {
  auto it = std::find(controls_.begin(), controls_.end(), AControl);
  if (it == controls_.end()) return;
  controls_.erase(it);
  if (TopMost) {
    controls_.push_back(AControl);
  } else {
    controls_.insert(controls_.begin(), AControl);
  }
  if (auto* window = dynamic_cast<TWinControl*>(AControl)) {
    if (window->handle_ != nullptr) {
      SetWindowPos(window->handle_, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  AControl->Invalidate();
}

void TWinControl::Broadcast(TMessage& Message) {
  for (TControl* control : std::vector<TControl*>(controls_)) {
    if (control->WindowProc) {
      control->WindowProc(Message);
    } else {
      control->WndProc(Message);
    }
    if (Message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT Msg) {
  TMessage message;
  message.Msg = Msg;
  Broadcast(message);
}

// --- focus and tab order ---

void TWinControl::SetTabStop(bool Value) {
  if (tab_stop_ == Value) return;
  tab_stop_ = Value;
  if (handle_ != nullptr) {
    LONG_PTR style = GetWindowLongPtr(handle_, GWL_STYLE);
    style = Value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
    SetWindowLongPtr(handle_, GWL_STYLE, style);
  }
  Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
  if (parent_ == nullptr) return -1;
  const auto& list = parent_->tab_list_;
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (parent_ == nullptr) return;
  auto& list = parent_->tab_list_;
  const int current = TabOrder();
  if (current < 0) return;
  Value = std::clamp(Value, 0, static_cast<int>(list.size()) - 1);
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* control : tab_list_) {
    List.push_back(control);
    control->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  int start = found == list.end() ? (GoForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* candidate = list[static_cast<std::size_t>(i)];
    if (candidate->CanFocus() && (!CheckTabStop || candidate->TabStop()) &&
        (!CheckParent || candidate->parent_ == this)) {
      return candidate;
    }
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (next != nullptr) next->SetFocus();
}

bool TWinControl::Focused() { return handle_ != nullptr && GetFocus() == handle_; }

bool TWinControl::CanFocus() {
  TControl* control = this;
  TControl* top = this;
  while (control != nullptr) {
    if (!control->Visible() || !control->Enabled()) return false;
    top = control;
    control = control->Parent();
  }
  auto* top_window = static_cast<TWinControl*>(top);
  return dynamic_cast<TCustomForm*>(top) != nullptr || top_window->parent_window_ != nullptr;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else if (parent_window_ != nullptr) {
    ::SetFocus(Handle());
  } else {
    ValidParentForm(this);
  }
}

void TWinControl::RemoveFocus(bool Removing) {
  if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this, Removing);
}

void TWinControl::HandleFocusChange(bool Gaining) {
  if (Gaining) {
    DoEnter();
  } else {
    DoExit();
  }
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

// --- layout ---

namespace {

// The frame a window of these styles puts around its client area.
SIZE FrameSizeFor(const TWinControl::TCreateParams& params, bool menu) {
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, params.Style, menu ? TRUE : FALSE, params.ExStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

TRect TWinControl::ClientRect() {
  if (handle_ != nullptr) {
    RECT r{};
    GetClientRect(handle_, &r);
    return r;
  }
  TCreateParams params;
  CreateParams(params);
  const SIZE frame = FrameSizeFor(params, false);
  return Rect(0, 0, std::max(0, Width() - static_cast<int>(frame.cx)), std::max(0, Height() - static_cast<int>(frame.cy)));
}

TPoint TWinControl::ClientOrigin() {
  POINT origin{0, 0};
  ::ClientToScreen(Handle(), &origin);
  return origin;
}

void TWinControl::SetClientSize(int AWidth, int AHeight) {
  const TRect client = ClientRect();
  SetBounds(Left(), Top(), Width() - client.right + AWidth, Height() - client.bottom + AHeight);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = Constraints()->ConstrainWidth(AWidth);
  AHeight = Constraints()->ConstrainHeight(AHeight);
  if (ALeft == Left() && ATop == Top() && AWidth == Width() && AHeight == Height()) return;
  if (handle_ != nullptr && !IsIconic(handle_)) {
    SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const bool resized = AWidth != Width() || AHeight != Height();
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    if (handle_ != nullptr) {
      WINDOWPLACEMENT placement;
      GetWindowPlacement(handle_, &placement);
      placement.rcNormalPosition = Bounds(ALeft, ATop, AWidth, AHeight);
      placement.showCmd = SW_SHOWMINNOACTIVE;
      SetWindowPlacement(handle_, &placement);
    } else if (resized) {
      Realign();
      if (!ComponentState().Contains(csLoading)) Resize();
    }
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TWinControl::AdjustClientRect(TRect& /*Rect*/) {}

void TWinControl::LimitTracking(MINMAXINFO& Info) {
  // A frame dragged with the mouse or the keys stops at the limits.
  const TSizeConstraints* limits = Constraints();
  if (limits->MinWidth() > 0) Info.ptMinTrackSize.x = limits->MinWidth();
  if (limits->MinHeight() > 0) Info.ptMinTrackSize.y = limits->MinHeight();
  if (limits->MaxWidth() > 0) Info.ptMaxTrackSize.x = limits->MaxWidth();
  if (limits->MaxHeight() > 0) Info.ptMaxTrackSize.y = limits->MaxHeight();
}

void TWinControl::DisableAlign() { ++align_disabled_; }

void TWinControl::EnableAlign() {
  if (align_disabled_ > 0) --align_disabled_;
  if (align_disabled_ == 0 && align_needed_) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState().Contains(csDestroying) || ComponentState().Contains(csLoading)) return;
  if (align_disabled_ > 0) {
    align_needed_ = true;
    return;
  }
  DisableAlign();
  align_needed_ = false;
  TRect rect = ClientRect();
  AdjustClientRect(rect);
  AlignControls(AControl, rect);
  --align_disabled_;
}

bool TWinControl::HasChild(TControl* AControl) const {
  return std::find(controls_.begin(), controls_.end(), AControl) != controls_.end();
}

void TWinControl::PlaceByLayout(TControl* AControl, int ALeft, int ATop, int AWidth, int AHeight) {
  // The layout's own moves are no new placement to anchor to. The mark is
  // the parent's, so that a child freed by its OnResize leaves nothing to
  // clear.
  struct Placing {
    Placing(TControl*& mark, TControl* control) : mark_(mark), before_(mark) { mark_ = control; }
    ~Placing() { mark_ = before_; }
    Placing(const Placing&) = delete;
    Placing& operator=(const Placing&) = delete;
    TControl*& mark_;
    TControl* before_;
  } placing(placing_, AControl);
  AControl->SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TWinControl::AnchorControls() {
  const TRect client = ClientRect();
  const TPoint size{client.right - client.left, client.bottom - client.top};
  // Hidden controls follow too, so that they show in their place. A
  // handler may free or move a child on the way: only the present ones go.
  for (TControl* control : std::vector<TControl*>(controls_)) {
    if (!HasChild(control)) continue;
    if (!control->FollowsAnchors() || control->ComponentState().Contains(csLoading)) continue;
    const TRect r = control->AnchoredBounds(size);
    PlaceByLayout(control, r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> list;
    for (TControl* control : controls_) {
      if (control->Align() == align && control->Visible()) list.push_back(control);
    }
    // Controls of one alignment keep their order along the side they stand
    // on; the one being moved goes before those at the same place.
    const auto key = [align](TControl* c) {
      switch (align) {
        case alTop: return c->Top();
        case alBottom: return -(c->Top() + c->Height());
        case alLeft: return c->Left();
        case alRight: return -(c->Left() + c->Width());
        default: return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
      if (key(a) != key(b)) return key(a) < key(b);
      return a == AControl && b != AControl;
    });
    for (TControl* control : list) {
      if (HasChild(control)) PlaceAligned(control, align, Rect);
    }
  }
  AnchorControls();
}

void TWinControl::PlaceAligned(TControl* AControl, TAlign Align, TRect& Rect) {
  const int width = Rect.right - Rect.left;
  const int height = Rect.bottom - Rect.top;
  switch (Align) {
    case alTop:
      PlaceByLayout(AControl, Rect.left, Rect.top, width, AControl->Height());
      break;
    case alBottom:
      PlaceByLayout(AControl, Rect.left, Rect.bottom - AControl->Height(), width, AControl->Height());
      break;
    case alLeft:
      PlaceByLayout(AControl, Rect.left, Rect.top, AControl->Width(), height);
      break;
    case alRight:
      PlaceByLayout(AControl, Rect.right - AControl->Width(), Rect.top, AControl->Width(), height);
      break;
    default:
      PlaceByLayout(AControl, Rect.left, Rect.top, width, height);
      return;
  }
  // A control its OnResize freed or moved elsewhere takes no room.
  if (!HasChild(AControl)) return;
  switch (Align) {
    case alTop:
      Rect.top += AControl->Height();
      break;
    case alBottom:
      Rect.bottom -= AControl->Height();
      break;
    case alLeft:
      Rect.left += AControl->Width();
      break;
    case alRight:
      Rect.right -= AControl->Width();
      break;
    default:
      break;
  }
}

void TWinControl::Loaded() {
  TControl::Loaded();
  ParentCtl3DChanged();
  Realign();
}

// --- painting ---

void TWinControl::Invalidate() {
  if (handle_ != nullptr) InvalidateRect(handle_, nullptr, ControlStyle.Contains(csOpaque) ? FALSE : TRUE);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::Update() {
  if (handle_ != nullptr) UpdateWindow(handle_);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage message;
  message.Msg = WM_PAINT;
  message.WParam = reinterpret_cast<WPARAM>(DC);
  DefaultHandler(message);
}

namespace {

// Restores a DC's saved state when the drawing in between ends, also by an
// exception.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDC() { RestoreDC(dc_, saved_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// BeginPaint and, whatever happens, EndPaint (so that a paint handler that
// fails leaves the window validated).
class PaintSession {
 public:
  explicit PaintSession(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &paint_); }
  ~PaintSession() { EndPaint(hwnd_, &paint_); }
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_;
  HDC dc_ = nullptr;
};

}  // namespace

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = controls_.begin();
  if (First != nullptr) it = std::find(controls_.begin(), controls_.end(), First);
  for (; it != controls_.end(); ++it) {
    TControl* control = *it;
    if (dynamic_cast<TWinControl*>(control) != nullptr || !control->Visible()) continue;
    const RECT bounds = control->BoundsRect();
    if (!RectVisible(DC, &bounds)) continue;
    SavedDC saved(DC);
    POINT origin{};
    GetViewportOrgEx(DC, &origin);
    SetViewportOrgEx(DC, origin.x + bounds.left, origin.y + bounds.top, nullptr);
    IntersectClipRect(DC, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top);
    control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  }
}

void TWinControl::PaintHandler(TMessage& Message) {
  std::unique_ptr<PaintSession> session;
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  if (dc == nullptr) {
    session = std::make_unique<PaintSession>(handle_);
    dc = session->dc();
  }
  {
    // Opaque windowless children cover their part of the window.
    SavedDC saved(dc);
    int clip = SIMPLEREGION;
    for (TControl* control : controls_) {
      if (dynamic_cast<TWinControl*>(control) != nullptr) continue;
      if (control->Visible() && control->ControlStyle.Contains(csOpaque)) {
        const TRect r = control->BoundsRect();
        clip = ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
        if (clip == NULLREGION) break;
      }
    }
    if (clip != NULLREGION) PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

// --- messages ---

void TWinControl::WndProc(TMessage& Message) {
  // Escape ends a drag, whichever control has the focus.
  if (TDragOperation::KeyMessage(Message)) return;
  switch (Message.Msg) {
    case WM_KILLFOCUS:
      if (ControlState.Contains(csFocusing)) return;
      break;
    default:
      if (IsClientMouseMessage(Message.Msg)) {
        TControlRef self(this);
        if (!IsControlMouseMsg(Message)) break;
        // A right release over a windowless child still asks this window
        // for the context menu (which finds the child's own).
        if (Message.Msg == WM_RBUTTONUP && Message.Result == 0 && self.Alive()) DefaultHandler(Message);
        return;
      }
      break;
  }
  TControl::WndProc(Message);
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  TControl* control = nullptr;
  const TPoint pos{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (GetCapture() == handle_ && handle_ != nullptr) {
    TControl* captured = GetCaptureControl();
    if (captured != nullptr && captured != this && captured->Parent() == this) control = captured;
  } else {
    control = ControlAtPos(pos, false);
  }
  if (control == nullptr) return false;
  const LPARAM at = MAKELPARAM(static_cast<WORD>(pos.x - control->Left()), static_cast<WORD>(pos.y - control->Top()));
  Message.Result = control->Perform(Message.Msg, Message.WParam, at);
  return true;
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (handle_ == nullptr) return;
  if (Message.Msg >= CN_CTLCOLORMSGBOX && Message.Msg <= CN_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(brush_->Color())));
    Message.Result = reinterpret_cast<LRESULT>(brush_->Handle());
    return;
  }
  // The library's own messages mean nothing to a window procedure.
  if (IsControlMessage(Message.Msg)) return;
  Message.Result = CallWindowProc(DefWndProc != nullptr ? DefWndProc : DefWindowProc, handle_, Message.Msg,
                                  Message.WParam, Message.LParam);
}

void TWinControl::ReflectToChild(HWND Child, TMessage& Message) {
  if (Child != nullptr && Child != handle_ && FindControl(Child) != nullptr) {
    Message.Result = SendMessage(Child, CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  DefaultHandler(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: {
      // The window procedure paints a control alone; windowless children
      // (and controls that paint themselves) need the paint handler.
      const bool windowless_children = std::any_of(controls_.begin(), controls_.end(), [](TControl* c) {
        return dynamic_cast<TWinControl*>(c) == nullptr;
      });
      if (!ControlState.Contains(csCustomPaint) && !windowless_children) {
        DefaultHandler(Message);
      } else {
        PaintHandler(Message);
      }
      return;
    }
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(handle_, &client);
      FillRect(reinterpret_cast<HDC>(Message.WParam), &client, brush_->Handle());
      Message.Result = 1;
      return;
    }
    case WM_SIZE:
      UpdateBounds();
      DefaultHandler(Message);
      Realign();
      if (!ComponentState().Contains(csLoading)) Resize();
      return;
    case WM_MOVE:
      DefaultHandler(Message);
      UpdateBounds();
      return;
    case WM_WINDOWPOSCHANGED:
      DefaultHandler(Message);
      UpdateBounds();
      return;
    case WM_GETMINMAXINFO:
      DefaultHandler(Message);
      LimitTracking(*reinterpret_cast<MINMAXINFO*>(Message.LParam));
      return;
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form != nullptr && !form->SetFocusedControl(this)) return;
      DefaultHandler(Message);
      return;
    }
    case WM_SETCURSOR:
      HandleSetCursor(Message);
      return;
    case WM_NCDESTROY:
      DefaultHandler(Message);
      if (handle_ != nullptr) Unbind(handle_, this);
      handle_ = nullptr;
      showing_ = false;
      return;
    case WM_CAPTURECHANGED:
      DefaultHandler(Message);
      TDragOperation::CaptureChanged();
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!DoKeyDown(Message)) DefaultHandler(Message);
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (!DoKeyUp(Message)) DefaultHandler(Message);
      return;
    case WM_CHAR:
      if (!DoKeyPress(Message)) DefaultHandler(Message);
      return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
      HandleKeyDownNotification(Message);
      return;
    case CN_CHAR:
      HandleCharNotification(Message);
      return;
    case CN_SYSCHAR:
      // Alt and a letter: a control of the form may own the accelerator.
      if (Message.WParam != VK_SPACE) {
        if (TCustomForm* form = GetParentForm(this)) Message.Result = form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
      }
      return;
    case CN_KEYUP:
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED:
      // Offered to every child (CM_FOCUSCHANGED lets buttons show which
      // one Enter would press).
      Broadcast(Message);
      return;
    case CM_CHILDKEY:
      if (parent_ != nullptr) Message.Result = parent_->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
      return;
    case CM_ENTER:
      HandleFocusChange(true);
      return;
    case CM_EXIT:
      HandleFocusChange(false);
      return;
    case CM_FONTCHANGED:
      if (handle_ != nullptr) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
      Invalidate();
      NotifyControls(CM_PARENTFONTCHANGED);
      return;
    case CM_COLORCHANGED:
      brush_->SetColor(Color());
      Invalidate();
      NotifyControls(CM_PARENTCOLORCHANGED);
      return;
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      return;
    case CM_BIDIMODECHANGED:
      // The window takes the mode's styles when it is made again.
      RecreateWnd();
      Invalidate();
      NotifyControls(CM_PARENTBIDIMODECHANGED);
      return;
    case CM_CTL3DCHANGED:
      if (ControlStyle.Contains(csFramed)) RecreateWnd();
      NotifyControls(CM_PARENTCTL3DCHANGED);
      return;
    case CM_PARENTCTL3DCHANGED:
      ParentCtl3DChanged();
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && parent_ != nullptr) RemoveFocus(false);
      if (handle_ != nullptr) EnableWindow(handle_, Enabled() ? TRUE : FALSE);
      return;
    case CM_VISIBLECHANGED:
      if (!Visible() && parent_ != nullptr) RemoveFocus(false);
      UpdateControlState();
      return;
    case CM_SHOWINGCHANGED:
      SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                       (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
      return;
    case CM_RECREATEWND: {
      const bool was_focused = Focused();
      DestroyHandle();
      UpdateControlState();
      if (was_focused && handle_ != nullptr) ::SetFocus(handle_);
      return;
    }
    case CM_CURSORCHANGED: {
      POINT p{};
      GetCursorPos(&p);
      if (handle_ != nullptr && WindowFromPoint(p) == handle_) {
        Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(handle_), HTCLIENT);
      }
      return;
    }
    case WM_COMMAND:
      if (Message.LParam != 0) {
        ReflectToChild(reinterpret_cast<HWND>(Message.LParam), Message);
        return;
      }
      break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      ReflectToChild(reinterpret_cast<HWND>(Message.LParam), Message);
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (Message.LParam != 0) {
        ReflectToChild(reinterpret_cast<HWND>(Message.LParam), Message);
        return;
      }
      break;
    case WM_CONTEXTMENU: {
      // A windowless child under the point may have a menu of its own.
      if (Message.Result == 0 && Message.LParam != -1 && handle_ != nullptr) {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        ::ScreenToClient(handle_, &p);
        TControl* child = ControlAtPos(TPoint{p.x, p.y}, false);
        if (child != nullptr && dynamic_cast<TWinControl*>(child) == nullptr) {
          // Answered (a menu shown, or OnContextPopup handled it): done.
          if (child->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam) != 0) return;
        }
      }
      break;
    }
    case WM_NOTIFY: {
      // The notification header starts with the sending window.
      HWND from = nullptr;
      if (Message.LParam != 0) from = *reinterpret_cast<const HWND*>(Message.LParam);
      ReflectToChild(from, Message);
      return;
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
      // wParam names the child by its control number (0: a menu).
      if (Message.WParam != 0) {
        for (TWinControl* child : tab_list_) {
          if (child->control_id_ == Message.WParam && child->handle_ != nullptr) {
            ReflectToChild(child->handle_, Message);
            return;
          }
        }
      }
      break;
  }
  TControl::Dispatch(Message);
}

void TWinControl::HandleSetCursor(TMessage& Message) {
  if (LOWORD(static_cast<DWORD_PTR>(Message.LParam)) == HTCLIENT && Screen != nullptr) {
    TCursor cursor = Screen->Cursor();
    if (cursor == crDefault) {
      POINT p{};
      GetCursorPos(&p);
      ::ScreenToClient(handle_, &p);
      if (TControl* child = ControlAtPos(TPoint{p.x, p.y}, false)) cursor = child->Cursor();
      if (cursor == crDefault && reinterpret_cast<HWND>(Message.WParam) == handle_) cursor = Cursor();
    }
    if (cursor != crDefault) {
      ::SetCursor(Screen->Cursors(cursor));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

// --- keys ---

bool TWinControl::IsMenuKey(TMessage& Message) {
  // The pop-up menus of the control and its parents first, then the form's
  // menu.
  const TShortCut short_cut = ShortCut(static_cast<WORD>(Message.WParam), KeyDataToShiftState(Message.LParam));
  for (TControl* control = this; control != nullptr; control = control->Parent()) {
    if (control->PopupMenu() != nullptr && control->PopupMenu()->IsShortCut(short_cut)) return true;
  }
  TCustomForm* form = GetParentForm(this);
  return form != nullptr && form->Perform(CM_ISSHORTCUT, Message.WParam, Message.LParam) != 0;
}

void TWinControl::HandleKeyDownNotification(TMessage& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  if (Perform(CM_CHILDKEY, Message.WParam, reinterpret_cast<LPARAM>(this)) != 0) return;
  LRESULT mask = 0;
  switch (Message.WParam) {
    case VK_TAB:
      mask = DLGC_WANTTAB;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      mask = DLGC_WANTARROWS;
      break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
      mask = DLGC_WANTALLKEYS;
      break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.WParam) == 0 && (Perform(WM_GETDLGCODE) & mask) == 0) {
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr && form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0) return;
  }
  Message.Result = 0;
}

void TWinControl::HandleCharNotification(TMessage& Message) {
  Message.Result = 1;
  if ((Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) == 0) {
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0) return;
  }
  Message.Result = 0;
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyDown(Message)) return true;
  if (ControlStyle.Contains(csNoStdEvents)) return false;
  Word key = static_cast<Word>(Message.WParam);
  KeyDown(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyUp(Message)) return true;
  if (ControlStyle.Contains(csNoStdEvents)) return false;
  Word key = static_cast<Word>(Message.WParam);
  KeyUp(key, KeyDataToShiftState(Message.LParam));
  Message.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview && static_cast<TWinControl*>(form)->DoKeyPress(Message)) return true;
  if (ControlStyle.Contains(csNoStdEvents)) return false;
  char key = static_cast<char>(Message.WParam);
  KeyPress(key);
  Message.WParam = static_cast<unsigned char>(key);
  return key == 0;
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}
