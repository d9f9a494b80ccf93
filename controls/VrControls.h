// The bases of the Vr controls: a component and a control that carry the
// pack's version, a control that paints through an off-screen bitmap, and
// the link through which a shared component (a bitmap list) tells the
// controls that use it about changes.
#pragma once

#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/CustomControls.h"

enum TVrOrientation : std::uint8_t { voVertical = 0, voHorizontal = 1 };

inline constexpr const char* VrVersionText = "3.72";

class TVrComponent : public TComponent {
 public:
  explicit TVrComponent(TComponent* AOwner);
  // Published, not stored; at most 4 characters.
  String Version;
};

class TVrCustomControl : public TCustomControl {
 public:
  explicit TVrCustomControl(TComponent* AOwner);

  String Version;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnFontChanged;
  TNotifyEvent OnTextChanged;

  void Dispatch(TMessage& Message) override;

  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

 protected:
  // Asks for a repaint unless the form is loading or updates are held.
  virtual void UpdateControlCanvas();
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void FontChanged();
  virtual void TextChanged();

  std::int32_t update_count_ = 0;
};

// Paints through an off-screen bitmap: a descendant's Paint clears the
// bitmap (ClearBitmapCanvas), draws on DestCanvas() while it points at the
// bitmap's canvas, and calls the inherited Paint, which copies the bitmap
// onto the control.
class TVrCustomImageControl : public TVrCustomControl {
 public:
  explicit TVrCustomImageControl(TComponent* AOwner);
  ~TVrCustomImageControl() override;

  TBitmap* BitmapImage() const { return bitmap_.get(); }
  // Where drawing goes: the control's canvas, or the bitmap's during a
  // paint.
  TCanvas* DestCanvas() const { return dest_canvas_; }

 protected:
  void Paint() override;
  // Sizes the bitmap to the control and fills it with Color.
  virtual void ClearBitmapCanvas();
  void UseBitmapCanvas() { dest_canvas_ = bitmap_->Canvas(); }
  void UseControlCanvas() { dest_canvas_ = Canvas(); }

 private:
  std::unique_ptr<TBitmap> bitmap_;
  TCanvas* dest_canvas_ = nullptr;
};

class TVrSharedComponent;

class TVrChangeLink : public TObject {
 public:
  TVrChangeLink() = default;
  ~TVrChangeLink() override;

  TVrSharedComponent* Sender() const { return sender_; }
  TNotifyEvent OnChange;
  // Raises OnChange with the shared component as sender.
  virtual void Change();

 private:
  friend class TVrSharedComponent;
  TVrSharedComponent* sender_ = nullptr;
};

class TVrSharedComponent : public TVrComponent {
 public:
  explicit TVrSharedComponent(TComponent* AOwner);
  ~TVrSharedComponent() override;

  void InsertLink(TVrChangeLink* Link);
  void RemoveLink(TVrChangeLink* Link);
  // Every link's Change, in the order they were inserted.
  void NotifyClients();
  int LinkCount() const { return static_cast<int>(links_.size()); }

 private:
  std::vector<TVrChangeLink*> links_;
};

// The pack's start-up: installs the hand-point cursor "VRCURSORHANDPOINT"
// as screen cursor 99 (once).
inline constexpr int crVrHandPoint = 99;
void VrControlsStartup();
