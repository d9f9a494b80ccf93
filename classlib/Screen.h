// TScreen: the screen as the program sees it (size, work area), its
// cursors, and the program's forms with the active form and control.
// There is one, Screen, made when the class library is loaded.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "classlib/Control.h"

class TCustomForm;
class TForm;
class TWinControl;

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  int Width() const;
  int Height() const;
  int DesktopLeft() const { return 0; }
  int DesktopTop() const { return 0; }
  int DesktopWidth() const { return Width(); }
  int DesktopHeight() const { return Height(); }
  // The screen less the task bars: what maximised windows fill.
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().left; }
  int WorkAreaTop() const { return WorkAreaRect().top; }
  int WorkAreaWidth() const;
  int WorkAreaHeight() const;
  int PixelsPerInch = 96;

  // The cursor shown over every window of the program; crDefault lets
  // each control's own cursor show.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  // The cursor table: the standard cursors under crArrow ... crSizeAll,
  // and what the program installs under its own numbers. An index with
  // nothing installed gives the arrow (crDefault too).
  HCURSOR Cursors(int Index) const;
  // Installs (or, with null, removes) a cursor; the table owns it.
  void SetCursors(int Index, HCURSOR Handle);

  // Every form of the program, in the order they became active (the
  // active form first); Forms counts only those of class TForm.
  int CustomFormCount() const { return static_cast<int>(custom_forms_.size()); }
  TCustomForm* CustomForms(int Index) const { return custom_forms_.at(static_cast<std::size_t>(Index)); }
  int FormCount() const;
  TForm* Forms(int Index) const;
  TCustomForm* ActiveCustomForm() const { return active_form_; }
  TForm* ActiveForm() const;
  TWinControl* ActiveControl() const { return active_control_; }

  // The font of hint windows.
  TFont* HintFont() const { return hint_font_.get(); }

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

  // Kept by the forms themselves.
  void AddForm(TCustomForm* AForm);
  void RemoveForm(TCustomForm* AForm);
  void SetActiveForm(TCustomForm* AForm);
  void SetActiveControl(TWinControl* AControl);
  void ControlDestroyed(TControl* AControl);

 private:
  std::vector<TCustomForm*> custom_forms_;
  TCustomForm* active_form_ = nullptr;
  TWinControl* active_control_ = nullptr;
  TCursor cursor_ = crDefault;
  HCURSOR cursor_before_ = nullptr;
  std::map<int, HCURSOR> cursors_;
  std::unique_ptr<TFont> hint_font_;
};

extern TScreen* Screen;
