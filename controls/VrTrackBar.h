// TVrTrackBar: a bitmap-thumb slider with a bevelled gutter, tick scales
// on either side, a thumb picture (built in, or from a bitmap list) and an
// optional stretched background picture; driven by mouse and keys, it
// raises OnChange when Position changes.
#pragma once

#include <cstdint>
#include <memory>

#include "controls/VrClasses.h"
#include "controls/VrControls.h"
#include "controls/VrSystem.h"

enum TVrProgressStyle : std::uint8_t { psBottomLeft, psTopRight };
enum TVrTrackBarOption : std::uint8_t { toActiveClick, toMouseClip, toHandPoint, toFixedPoints, toThumbOpaque };
using TVrTrackBarOptions = Set<TVrTrackBarOption>;
enum TVrTickMarks : std::uint8_t { tmNone, tmBoth, tmBottomRight, tmTopLeft };
using TVrNumGlyphs = int;  // 1..4

class TVrTrackBar : public TVrCustomImageControl {
 public:
  explicit TVrTrackBar(TComponent* AOwner);
  ~TVrTrackBar() override;

  int MinValue() const { return min_value_; }
  void SetMinValue(int Value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int Value);
  int Position() const { return position_; }
  void SetPosition(int Value);
  TVrProgressStyle Style() const { return style_; }
  void SetStyle(TVrProgressStyle Value) { SetField(style_, Value); }
  TVrOrientation Orientation() const { return orientation_; }
  void SetOrientation(TVrOrientation Value);
  TVrTrackBarOptions Options() const { return options_; }
  void SetOptions(TVrTrackBarOptions Value) { SetField(options_, Value); }
  int Frequency() const { return frequency_; }
  void SetFrequency(int Value) { SetField(frequency_, Value); }
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int Value) { SetField(border_width_, Value); }
  TVrBevel* GutterBevel() const { return gutter_bevel_.get(); }
  void SetGutterBevel(TVrBevel* Value) { gutter_bevel_->Assign(Value); }
  int GutterWidth() const { return gutter_width_; }
  void SetGutterWidth(int Value) { SetField(gutter_width_, Value); }
  TColor GutterColor() const { return gutter_color_; }
  void SetGutterColor(TColor Value) { SetField(gutter_color_, Value); }
  TVrTickMarks TickMarks() const { return tick_marks_; }
  void SetTickMarks(TVrTickMarks Value) { SetField(tick_marks_, Value); }
  TColor TickColor() const { return tick_color_; }
  void SetTickColor(TColor Value) { SetField(tick_color_, Value); }
  int ScaleOffset() const { return scale_offset_; }
  void SetScaleOffset(int Value) { SetField(scale_offset_, Value); }
  TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(TColor Value) { SetField(focus_color_, Value); }
  int FocusOffset() const { return focus_offset_; }
  void SetFocusOffset(int Value) { SetField(focus_offset_, Value); }
  int BackImageIndex() const { return back_image_index_; }
  void SetBackImageIndex(int Value) { SetField(back_image_index_, Value); }
  int ThumbImageIndex() const { return thumb_image_index_; }
  void SetThumbImageIndex(int Value);
  TVrBitmapList* BitmapList() const { return bitmap_list_; }
  void SetBitmapList(TVrBitmapList* Value);
  TVrNumGlyphs ThumbStates() const { return thumb_states_; }
  void SetThumbStates(TVrNumGlyphs Value);
  TNotifyEvent OnChange;

  // Geometry, as the last paint or layout left it.
  TRect ThumbRect() const { return thumb_rect_; }
  int ThumbWidth() const { return thumb_width_; }
  int ThumbHeight() const { return thumb_height_; }
  bool Dragging() const { return dragging_; }
  bool Hot() const { return hot_; }
  bool Clipping() const { return clipping_; }
  TBitmap* ThumbBitmap() const { return thumb_bitmap_.get(); }
  // The track: origin and length of the thumb's travel.
  int TrackOrigin();
  int TrackLength();
  int ValueToPixel(int Value);
  int PixelToValue(int Pixel);
  // The value for a thumb pixel as the mouse sets it (mirrored for
  // psTopRight).
  int StyledPixelToValue(int Pixel);
  // The tick pixels of one scale, as painting draws them (for the
  // geometry's users and tests); `gap` gets the spacing.
  std::vector<std::pair<int, bool>> TickPositions(int* Gap = nullptr);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  virtual void Change();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void DestroyWnd() override;

 private:
  template <class T>
  void SetField(T& field, T value) {
    if (field == value) return;
    field = value;
    UpdateControlCanvas();
  }
  void LoadThumb();
  void CenterThumb();
  void MoveThumbTo(int Pixel);
  void ReleaseClip();
  TRect TrackRect();
  void DrawScale(TCanvas* Canvas, int Base, int Long, int Short);
  bool OverThumb(int X, int Y) const;

  int min_value_ = 0;
  int max_value_ = 100;
  int position_ = 0;
  TVrProgressStyle style_ = psBottomLeft;
  TVrOrientation orientation_ = voHorizontal;
  TVrTrackBarOptions options_{toActiveClick, toMouseClip, toHandPoint, toThumbOpaque};
  int frequency_ = 10;
  int border_width_ = 10;
  std::unique_ptr<TVrBevel> gutter_bevel_;
  int gutter_width_ = 9;
  TColor gutter_color_ = clBlack;
  TVrTickMarks tick_marks_ = tmBoth;
  TColor tick_color_ = clBlack;
  int scale_offset_ = 5;
  TColor focus_color_ = clBlack;
  int focus_offset_ = 0;
  int back_image_index_ = -1;
  int thumb_image_index_ = -1;
  TVrBitmapList* bitmap_list_ = nullptr;
  std::unique_ptr<TVrChangeLink> link_;
  int grab_offset_ = 0;
  bool clipping_ = false;
  bool has_focus_ = false;
  TRect thumb_rect_{};
  int thumb_width_ = 0;
  int thumb_height_ = 0;
  std::unique_ptr<TBitmap> thumb_bitmap_;
  bool dragging_ = false;
  bool hot_ = false;
  TVrNumGlyphs thumb_states_ = 1;
};
