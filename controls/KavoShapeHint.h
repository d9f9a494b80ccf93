// Shaped hints and 3-D captions of the Kavo pack.
//
// TKavoShapeHint puts TKavoShapeHintWindow in place of the application's
// hint window: the hint is drawn as a rectangle, a rounded rectangle or an
// ellipse, optionally with a nose pointing at the mouse and a solid or
// dotted shadow, over a copy of the screen beneath, with its text in a
// 3-D style. The 3-D text styles (TKavo3DCaption, TKavoFxCaption with
// rotation) and their painter Draw3DText serve other controls as well.
#pragma once

#include <cstdint>
#include <memory>

#include "classlib/Fonts.h"
#include "classlib/HintWindow.h"
#include "controls/kavoclass.h"

enum TKavoDisabledStyle : std::uint8_t { dsAuto, dsStandard, ds3d, dsNone };
enum TKavoThreeDOrientation : std::uint8_t { toBottomLeft, toBottomRight, toTopLeft, toTopRight };
enum TKavoThreeDStyle : std::uint8_t {
  tdNone,
  tdSunken,
  tdRaised,
  tdSunkenShadow,
  tdRaisedShadow,
  tdPColorSunken,
  tdPColorRaised,
  tdShadow,
  tdOutline,
  tdExtrude,
  tdExtrudeEnh
};

class TKavo3DCaption : public TKavoObject {
 public:
  TKavo3DCaption();

  TKavoDisabledStyle DisabledStyle() const { return disabled_style_; }
  void SetDisabledStyle(TKavoDisabledStyle Value) { Set(disabled_style_, Value); }
  std::uint8_t LightDepth() const { return light_depth_; }
  void SetLightDepth(std::uint8_t Value) { Set(light_depth_, Value); }
  std::uint8_t ShadowDepth() const { return shadow_depth_; }
  void SetShadowDepth(std::uint8_t Value) { Set(shadow_depth_, Value); }
  TColor LightColor() const { return light_color_; }
  void SetLightColor(TColor Value) { Set(light_color_, Value); }
  TKavoThreeDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TKavoThreeDOrientation Value) { Set(orientation_, Value); }
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor Value) { Set(shadow_color_, Value); }
  TKavoThreeDStyle Style() const { return style_; }
  void SetStyle(TKavoThreeDStyle Value) { Set(style_, Value); }
  std::int32_t Tracing() const { return tracing_; }
  void SetTracing(std::int32_t Value) { Set(tracing_, Value); }

  // From an object of the same class: every field, and the change.
  void Assign(TPersistent* Source) override;
  // "{sunken}", "{raised shadow}", ...
  virtual String DisplayText() const;

 protected:
  template <class T>
  void Set(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed();
  }

 private:
  TKavoDisabledStyle disabled_style_ = dsAuto;
  std::uint8_t light_depth_ = 1;
  std::uint8_t shadow_depth_ = 1;
  TColor light_color_;
  TKavoThreeDOrientation orientation_ = toTopLeft;
  TColor shadow_color_;
  TKavoThreeDStyle style_ = tdNone;
  std::int32_t tracing_ = 0;
};

// Degrees; 360 is stored as 0.
using TKavoAngle = int;

class TKavoFxCaption : public TKavo3DCaption {
 public:
  TKavoAngle Angle() const { return angle_; }
  void SetAngle(TKavoAngle Value) { Set(angle_, Value == 360 ? 0 : Value); }
  std::int16_t PosX() const { return pos_x_; }
  void SetPosX(std::int16_t Value) { Set(pos_x_, Value); }
  std::int16_t PosY() const { return pos_y_; }
  void SetPosY(std::int16_t Value) { Set(pos_y_, Value); }
  void Assign(TPersistent* Source) override;
  String DisplayText() const override;

 private:
  TKavoAngle angle_ = 0;
  std::int16_t pos_x_ = 0;
  std::int16_t pos_y_ = 0;
};

enum TKavoShadowStyle : std::uint8_t { hssNone, hssSolid, hssTracing };
using TKavoShadowDepth = int;

class TKavoShadow : public TKavoObject {
 public:
  TKavoShadow();
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TKavoShadowDepth Depth() const { return depth_; }
  void SetDepth(TKavoShadowDepth Value);
  TKavoShadowStyle Style() const { return style_; }
  void SetStyle(TKavoShadowStyle Value);
  String DisplayText() const;

 private:
  TColor color_;
  TKavoShadowDepth depth_ = 6;
  TKavoShadowStyle style_ = hssSolid;
};

enum TKavoHintPosition : std::uint8_t { hpAboveLeft, hpAboveRight, hpBelowLeft, hpBelowRight };
enum TKavoHintStyle : std::uint8_t { hsRect, hsRoundRect, hsEllipse, hsNoseRect, hsNoseRoundRect, hsNoseEllipse };

class TKavoCustomHint : public TKavoCustomComponent {
 public:
  explicit TKavoCustomHint(TComponent* AOwner);
  ~TKavoCustomHint() override;

  TColor Color = clInfoBk;
  bool Enabled() const { return enabled_; }
  // Installs HintWindowClass (enabled) or the plain hint window (disabled)
  // as the application's hint window, making the window anew.
  virtual void SetEnabled(bool Value);
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  TKavo3DCaption* Font3D() const { return font3d_.get(); }
  void SetFont3D(TKavo3DCaption* Value) { font3d_->Assign(Value); }
  // Wrap width: positive pixels, negative a fraction of the screen width.
  int MaxWidth = -4;
  THintWindowClass HintWindowClass = nullptr;

 protected:
  void Loaded() override;

 private:
  bool enabled_ = true;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TKavo3DCaption> font3d_;
};

class TKavoCustomShapeHint : public TKavoCustomHint {
 public:
  explicit TKavoCustomShapeHint(TComponent* AOwner);
  ~TKavoCustomShapeHint() override;

  TColor BorderColor = clBlack;
  TKavoHintPosition Position = hpAboveRight;
  TKavoShadow* Shadow() const { return shadow_.get(); }
  void SetShadow(TKavoShadow* Value) { shadow_->Assign(Value); }
  TKavoHintStyle Style = hsNoseRoundRect;
  TNotifyEvent OnCloseHintWindow;

 private:
  std::unique_ptr<TKavoShadow> shadow_;
};

class TKavoShapeHint : public TKavoCustomShapeHint {
 public:
  explicit TKavoShapeHint(TComponent* AOwner);
  ~TKavoShapeHint() override;
  void SetEnabled(bool Value) override;
};

// The shape hint whose look the hint window takes (the one enabled last).
extern TKavoCustomShapeHint* ActiveShapeHint;

class TKavoShapeHintWindow : public THintWindow {
 public:
  explicit TKavoShapeHintWindow(TComponent* AOwner);
  ~TKavoShapeHintWindow() override;

  void ActivateHint(TRect Rect, const String& AHint) override;
  void ReleaseHandle() override;
  void Dispatch(TMessage& Message) override;

  // Grows the text extent R by what the style needs around it.
  virtual void CalcShapeRect(TRect& R);
  // Draws the shape on Bitmap for the position and moves the text
  // rectangle R to where the text goes.
  virtual void DrawShape(TBitmap* Bitmap, TKavoHintPosition Position, TRect& R);

  // The last shaped hint: where the nose points and the picture shown.
  TKavoHintPosition ShownPosition() const { return shown_position_; }
  TBitmap* Image() const { return image_.get(); }
  bool Shaped() const { return shaped_; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;

 private:
  // Where the shape's parts go in a W x H window for a position.
  struct Geometry {
    TRect body{};
    TPoint base{};
    TPoint tip{};
    TPoint text_shift{};
    bool nose = false;
    double nose_angle = 0;
  };
  Geometry ShapeGeometry(int W, int H, TKavoHintPosition Position, const TRect& R) const;
  // Gives the window the region of the shape drawn for `Position`, so
  // nothing beside the shape shows.
  void ShapeWindow(TKavoHintPosition Position, const TRect& Text);

  std::unique_ptr<TBitmap> image_;
  TKavoHintPosition shown_position_ = hpAboveRight;
  bool shaped_ = false;
};

// Drawing flags of Draw3DText.
enum TKavoDrawFlag { dfDisabled, dfDisabled3D, dfClip };
using TKavoDrawFlags = Set<TKavoDrawFlag>;
// DrawText formats of the hint text: word-wrapped, no prefix processing.
inline constexpr UINT KavoHintTextFormat = 2064;

// Draws Text in R with the canvas's font in the caption's 3-D style (with
// no caption, plainly) with DrawText format Format.
void Draw3DText(TCanvas* Canvas, const String& Text, TKavo3DCaption* Caption, const TRect& ClipRect,
                TKavoDrawFlags Flags, UINT Format, TRect R);
// The rectangle the text needs in that font and style.
void MeasureText(const String& Text, TKavo3DCaption* Caption, TRect& R, UINT Format, TFont* Font);
// The height of "W" in the font; 0 when it cannot be measured.
int GetFontHeight(TFont* Font);
// The growth of a style to the right and bottom.
int StyleOffset(TKavo3DCaption* Caption);
