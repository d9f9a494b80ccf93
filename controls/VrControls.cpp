#include "controls/VrControls.h"

#include <algorithm>

#include "controls/ControlPack.h"

TVrComponent::TVrComponent(TComponent* AOwner) : TComponent(AOwner), Version(VrVersionText) {}

TVrCustomControl::TVrCustomControl(TComponent* AOwner) : TCustomControl(AOwner), Version(VrVersionText) {
  ControlPackStartup();
}

void TVrCustomControl::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  UpdateControlCanvas();
}

void TVrCustomControl::UpdateControlCanvas() {
  if (ComponentState().Contains(csLoading) || update_count_ > 0) return;
  Invalidate();
}

void TVrCustomControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}
void TVrCustomControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}
void TVrCustomControl::FontChanged() {
  if (OnFontChanged) OnFontChanged(this);
}
void TVrCustomControl::TextChanged() {
  if (OnTextChanged) OnTextChanged(this);
}

void TVrCustomControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
      TCustomControl::Dispatch(Message);
      if (Message.LParam == 0) MouseEnter();
      return;
    case CM_MOUSELEAVE:
      TCustomControl::Dispatch(Message);
      if (Message.LParam == 0) MouseLeave();
      return;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      FontChanged();
      return;
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(Message);
      TextChanged();
      return;
    default:
      TCustomControl::Dispatch(Message);
  }
}

TVrCustomImageControl::TVrCustomImageControl(TComponent* AOwner)
    : TVrCustomControl(AOwner), bitmap_(std::make_unique<TBitmap>()) {
  dest_canvas_ = Canvas();
}

TVrCustomImageControl::~TVrCustomImageControl() = default;

void TVrCustomImageControl::ClearBitmapCanvas() {
  bitmap_->SetSize(Width(), Height());
  TCanvas* c = bitmap_->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(Rect(0, 0, bitmap_->Width(), bitmap_->Height()));
}

void TVrCustomImageControl::Paint() {
  const TRect r = ClientRect();
  if (bitmap_->Empty()) return;
  BitBlt(Canvas()->Handle(), 0, 0, r.right, r.bottom, bitmap_->Canvas()->Handle(), 0, 0, SRCCOPY);
}

TVrChangeLink::~TVrChangeLink() {
  if (sender_) sender_->RemoveLink(this);
}

void TVrChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

TVrSharedComponent::TVrSharedComponent(TComponent* AOwner) : TVrComponent(AOwner) {}

TVrSharedComponent::~TVrSharedComponent() {
  while (!links_.empty()) RemoveLink(links_.back());
}

void TVrSharedComponent::InsertLink(TVrChangeLink* Link) {
  if (!Link) return;
  Link->sender_ = this;
  links_.push_back(Link);
}

void TVrSharedComponent::RemoveLink(TVrChangeLink* Link) {
  const auto it = std::find(links_.begin(), links_.end(), Link);
  if (it == links_.end()) return;
  Link->sender_ = nullptr;
  links_.erase(it);
}

void TVrSharedComponent::NotifyClients() {
  // A copy: a client may drop its link while it is told.
  const std::vector<TVrChangeLink*> links = links_;
  for (TVrChangeLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
  }
}
