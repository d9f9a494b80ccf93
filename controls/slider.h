// TSlider: a windowed control that shows a ruler picture and a draggable
// thumb picture (a child control, TSliderThumb) and maps the thumb's
// position to an integer Value. The ruler is built from its picture by
// repeating the middle part between two fixed edges; scale points can be
// drawn below (or beside) it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "classlib/Bitmaps.h"
#include "classlib/CustomControls.h"

enum TSliderOrientation { soHorizontal, soVertical };
enum TSliderOption { soShowFocus, soShowPoints, soSmooth };
using TSliderOptions = Set<TSliderOption>;
using TNumThumbStates = int;  // 1..2

// The cursor the slider's thumb shows (resource "AD_HAND").
inline constexpr int crSliderHand = 14000;
// Colour left out when the ruler and the thumb are drawn.
inline constexpr TColor SliderTransparentColor = 0x008080;

class TSliderThumb : public TCustomControl {
 public:
  explicit TSliderThumb(TComponent* AOwner);
  ~TSliderThumb() override;

  TBitmap* Picture() const { return picture_.get(); }
  void SetPicture(TBitmap* Value);
  TColor TransparentColor = SliderTransparentColor;
  int State() const { return state_; }
  void SetState(int Value);
  int NumThumbStates() const { return num_states_; }
  void SetNumThumbStates(int Value);
  // Sizes the thumb to one frame of its picture.
  void AdjustSize() override;

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TBitmap> picture_;
  int state_ = 0;
  int num_states_ = 2;
};

class TSlider : public TCustomControl {
 public:
  explicit TSlider(TComponent* AOwner);
  ~TSlider() override;

  // Picture indexes: 0 ImageHThumb, 1 ImageHRuler, 2 ImageVThumb, 3 ImageVRuler.
  TBitmap* Image(int Index) const { return images_.at(static_cast<std::size_t>(Index)).get(); }
  // A bitmap is copied in and marked as the user's; null reloads the
  // resource picture.
  void SetImage(int Index, TBitmap* Value);
  TBitmap* ImageHThumb() const { return Image(0); }
  TBitmap* ImageHRuler() const { return Image(1); }
  TBitmap* ImageVThumb() const { return Image(2); }
  TBitmap* ImageVRuler() const { return Image(3); }
  // The stored "UserImages" byte: bit i set when picture i is the user's.
  std::uint8_t UserImages() const { return user_images_; }
  void SetUserImages(std::uint8_t Value) { user_images_ = Value; }

  int EdgeSize() const { return edge_size_; }
  void SetEdgeSize(int Value);
  TNumThumbStates NumThumbStates() const { return thumb_->NumThumbStates(); }
  void SetNumThumbStates(TNumThumbStates Value);
  TSliderOrientation Orientation() const { return orientation_; }
  void SetOrientation(TSliderOrientation Value);
  TSliderOptions Options() const { return options_; }
  void SetOptions(TSliderOptions Value);
  int Increment() const { return increment_; }
  void SetIncrement(int Value);
  int MinValue() const { return min_value_; }
  void SetMinValue(int Value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int Value);
  int Value() const { return value_; }
  void SetValue(int Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnDrawPoints;
  TNotifyEvent OnStartTracking;
  TNotifyEvent OnStopTracking;

  TSliderThumb* Thumb() const { return thumb_; }
  // Pixel arithmetic (thumb left or top <-> value).
  int ValueToPixel(int Value);
  int PixelToValue(int Pixel);
  int TravelLength();
  const TRect& PointsRect() const { return points_rect_; }
  TPoint RulerOrigin() const { return ruler_origin_; }
  TBitmap* Ruler() const { return ruler_.get(); }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void ThumbMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void ThumbMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  virtual void ThumbMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DrawPoints(int PointsStep, int PointsHeight, int ExtremePointsHeight);

  void Paint() override;
  void Loaded() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DestroyWnd() override;

 private:
  void LoadResourceImage(int Index);
  void ApplyThumbPicture();
  void BuildRuler();
  void AdjustLayout();
  void SetThumbPos(int Pixel);
  void MoveThumbTo(int Pixel);
  int HitTest(TPoint Point);
  void Repeat();
  void DoAction(int Action);
  void StopRepeat();

  std::array<std::unique_ptr<TBitmap>, 4> images_;
  std::uint8_t user_images_ = 0;
  std::unique_ptr<TBitmap> ruler_;
  TPoint ruler_origin_{};
  TSliderThumb* thumb_ = nullptr;
  TRect points_rect_{};
  int hit_offset_ = 0;
  bool focused_ = false;
  bool tracking_ = false;
  bool pressed_ = false;
  bool repeat_timer_on_ = false;
  TPoint press_point_{};
  std::uint8_t press_action_ = 0;

  int edge_size_ = 2;
  TSliderOrientation orientation_ = soHorizontal;
  TSliderOptions options_{soShowFocus, soShowPoints, soSmooth};
  int increment_ = 10;
  int min_value_ = 0;
  int max_value_ = 100;
  int value_ = 0;
};

// Installs the thumb's cursor (run by the pack's start-up).
void SliderStartup();

inline constexpr int siHThumb = 0;
inline constexpr int siHRuler = 1;
inline constexpr int siVThumb = 2;
inline constexpr int siVRuler = 3;
