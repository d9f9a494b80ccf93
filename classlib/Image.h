// TImage: a windowless control that shows a picture (bitmap, icon or
// JPEG image), at its own size from the top-left corner, centred, or
// stretched over the control, optionally transparent.
//
// Canvas() is the picture's own canvas: an empty image gets a bitmap of
// the control's size first; a picture that is not a bitmap raises
// EInvalidOperation "Can only modify an image if it contains a bitmap".
#pragma once

#include <memory>

#include "classlib/CustomControls.h"
#include "classlib/Pictures.h"

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* Value) { picture_->Assign(Value); }
  TCanvas* Canvas();
  bool Stretch() const { return stretch_; }
  void SetStretch(bool Value);
  bool Center() const { return center_; }
  void SetCenter(bool Value);
  // Stretch keeping the picture's proportions (also when shrinking a
  // picture larger than the control).
  bool Proportional() const { return proportional_; }
  void SetProportional(bool Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  void SetAutoSize(bool Value) override;
  bool IncrementalDisplay = false;

  // Where the picture is drawn, in client coordinates.
  TRect DestRect();

 protected:
  void Paint() override;
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;

 private:
  void PictureChanged();

  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool drawing_ = false;
};
