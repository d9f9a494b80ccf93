// TVrNavigator: the media button bar. A row (or column) of up to ten
// buttons (power, play, pause, stop, previous, back, step, next, record,
// eject) drawn from glyph strips inside a bevel, reporting a completed
// click with the button's identity.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "controls/VrClasses.h"
#include "controls/VrControls.h"

enum TVrButtonType : std::uint8_t { btPower, btPlay, btPause, btStop, btPrev, btBack, btStep, btNext, btRecord, btEject };
using TVrButtonSet = Set<TVrButtonType>;
using TVrClickEvent = std::function<void(TObject* Sender, TVrButtonType Button)>;

inline constexpr TVrButtonSet VrAllButtons = TVrButtonSet::FromBits(1023);
inline constexpr TColor VrGlyphTransparentColor = 0x008080;

class TVrNavigator : public TVrCustomImageControl {
 public:
  explicit TVrNavigator(TComponent* AOwner);
  ~TVrNavigator() override;

  TVrBevel* Bevel() const { return bevel_.get(); }
  void SetBevel(TVrBevel* Value) { bevel_->Assign(Value); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(TColor Value);
  TColor BorderColor() const { return border_color_; }
  void SetBorderColor(TColor Value);
  TVrButtonSet VisibleButtons() const { return visible_buttons_; }
  void SetVisibleButtons(TVrButtonSet Value);
  TVrButtonSet EnabledButtons() const { return enabled_buttons_; }
  void SetEnabledButtons(TVrButtonSet Value);
  TVrOrientation Orientation() const { return orientation_; }
  void SetOrientation(TVrOrientation Value);
  bool Numeric() const { return numeric_; }
  void SetNumeric(bool Value);
  TVrClickEvent OnButtonClick;

  // Layout as the last cell-size pass left it.
  int ButtonWidth() const { return button_width_; }
  int ButtonHeight() const { return button_height_; }
  TRect InnerRect() const { return inner_rect_; }
  int VisibleCount() const;
  TRect ButtonRect(int Index) const;
  int FocusIndex() const { return focus_index_; }
  int PressedIndex() const { return pressed_index_; }
  bool Down() const { return down_; }
  bool Tracking() const { return tracking_; }
  TBitmap* EnabledStrip() const { return enabled_strip_.get(); }
  TBitmap* DisabledStrip() const { return disabled_strip_.get(); }
  // Works out the cell sizes and trims the control to whole cells.
  void CalcCellSizes();

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void Loaded() override;
  virtual void ButtonClick(TVrButtonType Button);
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;

 private:
  void LoadStrips();
  void UpdateFlags();
  void DrawButton(int Index, TCanvas* Canvas);
  void RedrawButton(int Index);
  void SetFocusIndex(int Index);
  void BevelChanged();
  void LeftButtonDown(int X, int Y);
  int ButtonAt(int X, int Y) const;
  bool IsVisible(int i) const { return flags_[static_cast<std::size_t>(i)].visible; }
  bool IsEnabled(int i) const { return flags_[static_cast<std::size_t>(i)].enabled; }

  TVrButtonSet visible_buttons_ = VrAllButtons;
  TVrButtonSet enabled_buttons_ = VrAllButtons;
  std::unique_ptr<TVrBevel> bevel_;
  TColor focus_color_ = clBlue;
  TColor border_color_ = clBlack;
  int spacing_ = 1;
  std::unique_ptr<TBitmap> enabled_strip_;
  std::unique_ptr<TBitmap> disabled_strip_;
  bool numeric_ = false;
  TVrOrientation orientation_ = voHorizontal;
  std::unique_ptr<TBitmap> button_image_;
  bool tracking_ = false;
  bool down_ = false;
  std::uint8_t pressed_index_ = 0;
  TRect inner_rect_{};
  int button_width_ = 0;
  int button_height_ = 0;
  std::uint8_t focus_index_ = 0;
  struct Flags {
    bool visible = true;
    bool enabled = true;
  };
  std::array<Flags, 10> flags_{};
  bool has_focus_ = false;
};
