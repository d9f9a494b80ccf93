#include "classlib/DragDrop.h"

#include <cstdlib>

#include "classlib/Screen.h"
#include "classlib/WinControl.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/user.h"

namespace {

// The parent of a child window; null for a top-level one (whose GetParent
// would be its owner).
HWND ParentOfChild(HWND hwnd) {
  return (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
}

// Runs an event and then, whether or not it raised, the ending event.
template <class Event, class Ending>
void RunThenEnd(Event event, Ending ending) {
  try {
    event();
  } catch (...) {
    ending();
    throw;
  }
  ending();
}

// The window under the mouse shows its own cursor again.
void RestoreCursor() {
  POINT p{};
  GetCursorPos(&p);
  if (HWND window = WindowFromPoint(p)) {
    SendMessage(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  }
}

bool IsClientMouseMessage(UINT msg) { return msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONDBLCLK; }

}  // namespace

// The control under a screen point: the windowed control whose window is
// there (or whose window holds it), and inside it the windowless control.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled) {
  TWinControl* window = nullptr;
  for (HWND h = WindowFromPoint(Pos); h != nullptr && window == nullptr; h = ParentOfChild(h)) {
    window = FindControl(h);
  }
  if (window == nullptr) return nullptr;
  POINT client = Pos;
  ScreenToClient(window->Handle(), &client);
  if (TControl* inner = window->ControlAtPos(TPoint{client.x, client.y}, AllowDisabled)) return inner;
  return window;
}

// --- TDragObject ---

TCursor TDragObject::GetDragCursor(bool Accepted, int /*X*/, int /*Y*/) {
  return Accepted && Control() != nullptr ? Control()->DragCursor() : crNoDrop;
}

// --- TDragOperation ---

std::shared_ptr<TDragOperation> TDragOperation::current_;

TDragOperation::TDragOperation(TControl* Source, int Threshold)
    : source_(Source),
      kind_(Source->DragKind()),
      threshold_x_(Threshold >= 0 ? Threshold : GetSystemMetrics(SM_CXDRAG)),
      threshold_y_(Threshold >= 0 ? Threshold : GetSystemMetrics(SM_CYDRAG)) {
  POINT p{};
  GetCursorPos(&p);
  start_ = pos_ = p;
  if (Source->Parent() != nullptr) {
    const TPoint corner = Source->Parent()->ClientToScreen(Point(Source->Left(), Source->Top()));
    grab_ = Point(p.x - corner.x, p.y - corner.y);
  }
}

void TDragOperation::Begin(TControl* Source, bool Immediate, int Threshold) {
  if (current_ != nullptr || Source == nullptr) return;
  // A windowless control holds the mouse through its parent's window.
  if (Source->Parent() == nullptr && dynamic_cast<TWinControl*>(Source) == nullptr) return;
  std::shared_ptr<TDragOperation> drag(new TDragOperation(Source, Threshold));
  // The capture first: taking it from another window is no loss to this
  // drag.
  Source->SetMouseCapture(true);
  current_ = drag;
  if (Immediate) drag->Start();
}

bool TDragOperation::MouseMessage(TControl* Receiver, TMessage& Message) {
  const std::shared_ptr<TDragOperation> drag = current_;
  if (drag == nullptr || drag->source_.Get() != Receiver || !IsClientMouseMessage(Message.Msg)) return false;
  const TPoint pos = Receiver->ClientToScreen(Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
  if (!drag->started_) {
    if (Message.Msg == WM_MOUSEMOVE && drag->PastThreshold(pos)) {
      drag->Start();
      if (!drag->finished_) drag->DragTo(pos);
      return true;
    }
    // Released before the threshold: the press was an ordinary one.
    if (Message.Msg == WM_LBUTTONUP) drag->Release();
    return false;
  }
  if (Message.Msg == WM_MOUSEMOVE) {
    drag->DragTo(pos);
  } else if (Message.Msg == WM_LBUTTONUP) {
    drag->Finish(true, pos);
  }
  return true;
}

bool TDragOperation::KeyMessage(TMessage& Message) {
  const std::shared_ptr<TDragOperation> drag = current_;
  if (drag == nullptr || !drag->started_) return false;
  const UINT msg = Message.Msg;
  if (msg != WM_KEYDOWN && msg != CN_KEYDOWN && msg != WM_SYSKEYDOWN && msg != CN_SYSKEYDOWN) return false;
  if (Message.WParam != VK_ESCAPE) return false;
  Message.Result = 1;
  drag->Finish(false, drag->pos_);
  return true;
}

void TDragOperation::CaptureChanged() {
  const std::shared_ptr<TDragOperation> drag = current_;
  if (drag == nullptr) return;
  TControl* source = drag->source_.Get();
  if (source != nullptr && !source->ComponentState().Contains(csDestroying) && source->MouseCapture()) return;
  // A drag still waiting for the threshold, or whose source is going
  // (its window takes the capture with it), ends without a word.
  if (!drag->started_ || source == nullptr || source->ComponentState().Contains(csDestroying)) {
    drag->Release();
    return;
  }
  drag->Finish(false, drag->pos_);
}

void TDragOperation::End(bool Drop) {
  const std::shared_ptr<TDragOperation> keep = current_;
  if (!started_) {
    Release();
    return;
  }
  POINT p{};
  GetCursorPos(&p);
  Finish(Drop, p);
}

void TDragOperation::Start() {
  started_ = true;
  TControl* source = source_.Get();
  // The press that began the drag makes no click.
  source->ControlState.Exclude(csClicked);
  source->ControlState.Exclude(csLButtonDown);
  source->SetMouseCapture(true);
  // The drag's own object until a handler gives one of its own (a handler
  // may end the drag at once, too).
  own_object_ = std::make_unique<TDragObject>();
  own_object_->control_ = source;
  object_ = own_object_.get();
  TDragObject* given = object_;
  try {
    if (kind_ == dkDock) {
      source->DoStartDock(given);
    } else {
      source->DoStartDrag(given);
    }
  } catch (...) {
    Release();
    throw;
  }
  if (given != nullptr && given != object_) {
    object_ = given;
    object_->control_ = source_.Get();
  }
  if (!source_.Alive()) Release();
}

bool TDragOperation::PastThreshold(const TPoint& Pos) const {
  return std::abs(Pos.x - start_.x) > threshold_x_ || std::abs(Pos.y - start_.y) > threshold_y_;
}

TControl* TDragOperation::TargetAt(const TPoint& Pos) const {
  TControl* under = FindDragTarget(Pos, false);
  if (kind_ == dkDrag) return under;
  // Docking: the nearest dock site holding the point, but never the
  // source or one of its own children.
  const auto* source = dynamic_cast<const TWinControl*>(source_.Get());
  for (TControl* control = under; control != nullptr; control = control->Parent()) {
    auto* site = dynamic_cast<TWinControl*>(control);
    if (site == nullptr || !site->DockSite()) continue;
    if (source != nullptr && source->ContainsControl(site)) return nullptr;
    return site;
  }
  return nullptr;
}

void TDragOperation::DragTo(const TPoint& Pos) {
  pos_ = Pos;
  object_->drag_pos_ = Pos;
  try {
    TControl* found = TargetAt(Pos);
    if (found != target_.Get()) {
      if (target_.Alive()) AskTarget(dsDragLeave);
      if (finished_) return;
      target_ = found;
      accepted_ = found != nullptr && AskTarget(dsDragEnter);
    } else if (found != nullptr) {
      accepted_ = AskTarget(dsDragMove);
    }
  } catch (...) {
    Release();
    throw;
  }
  if (!finished_) ShowDragCursor();
}

bool TDragOperation::AskTarget(TDragState State) {
  TControl* target = target_.Get();
  const TPoint at = target->ScreenToClient(pos_);
  object_->target_ = target;
  object_->target_pos_ = at;
  // A dock site takes every control that may dock in it.
  if (kind_ == dkDock) return true;
  bool accept = false;
  target->DragOver(SourceObject(), at.x, at.y, State, accept);
  return accept && target_.Alive();
}

void TDragOperation::ShowDragCursor() {
  TControl* target = target_.Get();
  const TPoint at = target != nullptr ? object_->target_pos_ : Point(0, 0);
  const TCursor cursor = object_->GetDragCursor(accepted_ && target != nullptr, at.x, at.y);
  if (Screen != nullptr) ::SetCursor(Screen->Cursors(cursor));
}

void TDragOperation::Finish(bool Drop, const TPoint& Pos) {
  if (Drop && (Pos.x != pos_.x || Pos.y != pos_.y)) DragTo(Pos);
  if (finished_) return;
  TControlRef target(Drop && accepted_ ? target_.Get() : nullptr);
  const TPoint at = target.Alive() ? target.Get()->ScreenToClient(Pos) : Point(0, 0);
  object_->dropped_ = target.Alive();
  object_->cancelling_ = !Drop;
  Release();
  if (kind_ == dkDock) {
    FinishDock(target.Get(), at);
  } else {
    FinishDrag(target.Get(), at);
  }
}

void TDragOperation::FinishDrag(TControl* Target, const TPoint& At) {
  TControlRef target(Target);
  RunThenEnd(
      [&] {
        if (target.Alive()) {
          target.Get()->DragDrop(SourceObject(), At.x, At.y);
        } else if (target_.Alive()) {
          // A target passed over without a drop hears that the drag left.
          AskTarget(dsDragLeave);
        }
      },
      [&] {
        TControl* source = source_.Get();
        if (source == nullptr) return;
        if (target.Alive()) {
          source->DoEndDrag(target.Get(), At.x, At.y);
        } else {
          source->DoEndDrag(nullptr, 0, 0);
        }
      });
}

void TDragOperation::FinishDock(TControl* Site, const TPoint& At) {
  TControl* source = source_.Get();
  if (source == nullptr) return;
  auto* site = dynamic_cast<TWinControl*>(Site);
  if (site == nullptr) {
    source->DoEndDock(nullptr, 0, 0);
    return;
  }
  TControlRef site_ref(site);
  source->SetParent(site);
  if (source_.Alive()) source->SetBounds(At.x - grab_.x, At.y - grab_.y, source->Width(), source->Height());
  if (source_.Alive()) source->DoEndDock(site_ref.Get(), At.x, At.y);
}

void TDragOperation::Release() {
  if (finished_) return;
  finished_ = true;
  const std::shared_ptr<TDragOperation> keep = current_;
  if (current_.get() == this) current_.reset();
  TControl* source = source_.Get();
  if (source != nullptr && source->MouseCapture()) source->SetMouseCapture(false);
  if (started_) RestoreCursor();
}

TObject* TDragOperation::SourceObject() const {
  if (object_ != nullptr && object_ != own_object_.get()) return object_;
  return source_.Get();
}
