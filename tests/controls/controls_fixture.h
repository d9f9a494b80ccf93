// The fixture of the control tests: a fresh application object and
// control pack for each test, the manual clock, and pixel helpers.
#pragma once

#include "classlib/Bitmaps.h"
#include "classlib/Forms.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {

class ControlsTest : public FormsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A form of the given client size, shown at (100, 100).
  TForm* MakeForm(int Width, int Height);
  // A control of that form, placed.
  template <class T>
  T* Place(int Left, int Top, int Width, int Height) {
    auto* control = new T(form_);
    control->SetParent(form_);
    control->SetBounds(Left, Top, Width, Height);
    return control;
  }
  // Shows the form and lets it paint.
  void ShowForm() {
    form_->Show();
    Pump();
  }
  // The pixel (as 0x00BBGGRR) of the control's client area on the
  // composed screen.
  TColor ScreenPixel(TControl* Control, int X, int Y);
  // Holds the left button down at (x, y) of the control, and releases it
  // (MoveMouse moves it meanwhile).
  void MouseDown(TControl* Control, int X, int Y);
  void MouseUp(TControl* Control, int X, int Y);

  TForm* form_ = nullptr;
};

// The RGB value of a colour as a pixel reads.
TColor Rgb(TColor Color);

}  // namespace velko_test
