// Persistent helpers of the Vr controls: a change-notifying base, the
// bevel that the track bar and the button bar paint around themselves,
// and a list of bitmaps with its own stream form.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Streams.h"

class TVrPersistent : public TPersistent {
 public:
  void BeginUpdate() { ++update_count_; }
  // Counts down (never below 0) and then calls Changed.
  void EndUpdate();
  // Raises OnChange with this object when no update is pending.
  void Changed();
  std::int32_t UpdateCount() const { return update_count_; }
  TNotifyEvent OnChange;

 private:
  std::int32_t update_count_ = 0;
};

// bsNone, bsLowered and bsRaised are also names of the class library's
// form and bevel styles, hence the scoped enumeration.
enum class TVrBevelStyle : std::uint8_t { bsNone, bsLowered, bsRaised };
enum TVrBevelOutlineStyle : std::uint8_t { osOuter, osInner, osNone };

class TVrBevel : public TVrPersistent {
 public:
  TVrBevel();

  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int Value) { Set(border_width_, Value < 0 ? 0 : Value); }
  TColor BorderColor() const { return border_color_; }
  void SetBorderColor(TColor Value) { Set(border_color_, Value); }
  TColor InnerShadow() const { return inner_shadow_; }
  void SetInnerShadow(TColor Value) { Set(inner_shadow_, Value); }
  TColor InnerHighlight() const { return inner_highlight_; }
  void SetInnerHighlight(TColor Value) { Set(inner_highlight_, Value); }
  int InnerWidth() const { return inner_width_; }
  void SetInnerWidth(int Value) { Set(inner_width_, Value < 1 ? 1 : Value); }
  TVrBevelStyle InnerStyle() const { return inner_style_; }
  void SetInnerStyle(TVrBevelStyle Value) { Set(inner_style_, Value); }
  TVrBevelOutlineStyle InnerOutline() const { return inner_outline_; }
  void SetInnerOutline(TVrBevelOutlineStyle Value) { Set(inner_outline_, Value); }
  int InnerSpace() const { return inner_space_; }
  void SetInnerSpace(int Value) { Set(inner_space_, Value < 0 ? 0 : Value); }
  TColor InnerColor() const { return inner_color_; }
  void SetInnerColor(TColor Value) { Set(inner_color_, Value); }
  TColor OuterShadow() const { return outer_shadow_; }
  void SetOuterShadow(TColor Value) { Set(outer_shadow_, Value); }
  TColor OuterHighlight() const { return outer_highlight_; }
  void SetOuterHighlight(TColor Value) { Set(outer_highlight_, Value); }
  int OuterWidth() const { return outer_width_; }
  void SetOuterWidth(int Value) { Set(outer_width_, Value < 1 ? 1 : Value); }
  TVrBevelStyle OuterStyle() const { return outer_style_; }
  void SetOuterStyle(TVrBevelStyle Value) { Set(outer_style_, Value); }
  TVrBevelOutlineStyle OuterOutline() const { return outer_outline_; }
  void SetOuterOutline(TVrBevelOutlineStyle Value) { Set(outer_outline_, Value); }
  int OuterSpace() const { return outer_space_; }
  void SetOuterSpace(int Value) { Set(outer_space_, Value < 0 ? 0 : Value); }
  TColor OuterColor() const { return outer_color_; }
  void SetOuterColor(TColor Value) { Set(outer_color_, Value); }
  bool Visible() const { return visible_; }
  void SetVisible(bool Value) { Set(visible_, Value); }

  // From another bevel: all values, one notification.
  void Assign(TPersistent* Source) override;
  // Shrinks Rect by what the bevel takes on each side (when visible).
  void GetVisibleArea(TRect& Rect) const;
  // Paints the rings from the outside in; Rect comes back as the inside.
  void Paint(TCanvas* Canvas, TRect& Rect) const;

 private:
  template <class T>
  void Set(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed();
  }

  int border_width_ = 0;
  TColor border_color_;
  TColor inner_shadow_;
  TColor inner_highlight_;
  int inner_width_ = 1;
  TVrBevelStyle inner_style_ = TVrBevelStyle::bsLowered;
  TVrBevelOutlineStyle inner_outline_ = osNone;
  int inner_space_ = 1;
  TColor inner_color_;
  TColor outer_shadow_;
  TColor outer_highlight_;
  int outer_width_ = 1;
  TVrBevelStyle outer_style_ = TVrBevelStyle::bsRaised;
  TVrBevelOutlineStyle outer_outline_ = osOuter;
  int outer_space_ = 0;
  TColor outer_color_;
  bool visible_ = true;
};

namespace VrConst {
inline constexpr const char* SInvalidFileFormat = "Invalid file format";
// The stream's first four bytes: 62 54 35 00.
inline constexpr std::int32_t BitmapsSignature = 3495010;
// Sanity limits of a stream: bitmaps in one stream, pixels per bitmap.
inline constexpr std::int32_t MaxStreamBitmaps = 65536;
inline constexpr std::int64_t MaxStreamPixels = 16LL * 1024 * 1024;
}  // namespace VrConst

class TVrBitmaps : public TVrPersistent {
 public:
  TVrBitmaps();
  ~TVrBitmaps() override;

  int Count() const { return static_cast<int>(bitmaps_.size()); }
  TBitmap* Bitmaps(int Index) const { return bitmaps_.at(static_cast<std::size_t>(Index)).get(); }
  // Appends a copy; returns its index.
  int Add(TBitmap* Bitmap);
  void Clear();
  // Null clears; another list is copied (one notification); anything else
  // is ignored.
  void Assign(TPersistent* Source) override;

  // The stream form: signature, count, then each bitmap as a BMP file
  // image. A stream that is not one (wrong signature, counts or sizes the
  // bytes cannot hold, a bad image) raises EInvalidImage "Invalid file
  // format" and adds nothing.
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) const;
  void LoadFromFile(const String& FileName);
  // The stream form, written to a temporary file beside the target and
  // moved over it: when that fails the old file stays as it was and
  // EFCreateError "Cannot create file <name>" is raised.
  void SaveToFile(const String& FileName) const;

  // The form-file data property "Bitmaps": written only when Count > 0,
  // reading clears first.
  bool HasStoredData() const { return Count() > 0; }
  void ReadData(TStream* Stream);
  void WriteData(TStream* Stream) const { SaveToStream(Stream); }

 private:
  std::vector<std::unique_ptr<TBitmap>> bitmaps_;
};
