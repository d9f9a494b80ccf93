// TTrackBar over the platform's "msctls_trackbar32" class: a thumb on a
// channel over Min..Max with tick marks; OnChange tells of every change of
// Position, by the user or by code.
#pragma once

#include "classlib/WinControl.h"

enum TTrackBarOrientation { trHorizontal, trVertical };
// Scoped: the enumerator names are common to several track bars.
enum class TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum class TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* AOwner);

  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Position();
  void SetPosition(int Value);
  // Ticks every Frequency positions (with tsAuto).
  int Frequency() const { return frequency_; }
  void SetFrequency(int Value);
  int LineSize() const { return line_size_; }
  void SetLineSize(int Value);
  int PageSize() const { return page_size_; }
  void SetPageSize(int Value);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation Value);
  TTickMark TickMarks() const { return tick_marks_; }
  void SetTickMarks(TTickMark Value);
  TTickStyle TickStyle() const { return tick_style_; }
  void SetTickStyle(TTickStyle Value);
  // A tick at a position of its own (with tsManual).
  void SetTick(int Value);

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void Changed();

 private:
  void SendRange();

  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  int frequency_ = 1;
  int line_size_ = 1;
  int page_size_ = 2;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickMark tick_marks_ = TTickMark::tmBottomRight;
  TTickStyle tick_style_ = TTickStyle::tsAuto;
};
