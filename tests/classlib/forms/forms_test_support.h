// Shared pieces of the form tests: a fixture that gives each test a fresh
// application object, records the message boxes shown (answering each
// with its default button) and checks that no window outlives the test;
// and helpers that put mouse and keys into a form the way a person would.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "classlib/Forms.h"
#include "platform/dlg/message_box.h"
#include "platform/user/user.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

// A control of class T made by `owner`, named and placed on `parent`.
template <class T>
T* NewControl(TComponent* owner, TWinControl* parent, const String& name, int left, int top, int width,
              int height) {
  auto* control = new T(owner);
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Handles every waiting message (the application's own loop step).
  void Pump();
  // Moves the mouse to (x, y) of the control's client area and clicks.
  void Click(TControl* control, int x, int y);
  void MoveMouse(TControl* control, int x, int y);
  // A key pressed and released, with its characters.
  void Press(UINT vk);
  // A key pressed while `modifier` (VK_CONTROL, VK_MENU, VK_SHIFT) is held.
  void PressWith(UINT modifier, UINT vk);
  // Advances the manual clock in 10 ms steps, pumping after each.
  void Advance(int ms);
  // A form made as the program makes its forms (the first is the main
  // form), and the same shown.
  template <class F>
  F* NewForm() {
    F* form = nullptr;
    Application->CreateForm(form);
    return form;
  }
  template <class F>
  F* ShowNewForm() {
    F* form = NewForm<F>();
    form->Show();
    Pump();
    return form;
  }

  std::vector<platform::MessageBoxRequest> boxes;

 private:
  std::size_t windows_before_ = 0;
};

// The colour of a window's pixel (window coordinates: frame included) on
// the composed screen.
COLORREF WindowPixel(TWinControl* Control, int X, int Y);
// The first and last columns (client coordinates) that hold a dark pixel
// (text ink: every channel below half, as smoothed glyph edges are too) in
// the rows [Top, Bottom) between columns Left and Right; {-1, -1} when
// none does.
std::pair<int, int> InkColumns(TControl* Control, int Left, int Top, int Right, int Bottom);

// The form tests on a drive T: of their own, the current folder at its root.
class FormsOnDriveTest : public FormsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  TempDir drive_;
};

}  // namespace velko_test
