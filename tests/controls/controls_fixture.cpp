#include "tests/controls/controls_fixture.h"

#include "classlib/Resources.h"
#include "controls/ControlPack.h"
#include "platform/core/clock.h"
#include "platform/gdi/surface.h"
#include "platform/user/input.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

void ControlsTest::SetUp() {
  FormsTest::SetUp();
  platform::UseManualClock(1'000'000);
  // The generated artwork of the program folder.
  static const bool registered = RegisterResourceFolder((ProgramFolder() / "Resources").string()) > 0;
  ASSERT_TRUE(registered) << "no artwork in " << (ProgramFolder() / "Resources");
  ResetControlPack();
}

void ControlsTest::TearDown() {
  delete form_;
  form_ = nullptr;
  HintWindowClass = HintWindowClassOf<THintWindow>();
  ResetControlPack();
  FormsTest::TearDown();
}

TForm* ControlsTest::MakeForm(int Width, int Height) {
  form_ = new TForm(nullptr);
  form_->SetLeft(100);
  form_->SetTop(100);
  form_->SetClientWidth(Width);
  form_->SetClientHeight(Height);
  return form_;
}

TColor ControlsTest::ScreenPixel(TControl* Control, int X, int Y) {
  Pump();
  const TPoint p = Control->ClientToScreen(Point(X, Y));
  HDC dc = GetDC(nullptr);
  const COLORREF c = GetPixel(dc, p.x, p.y);
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(c);
}

void ControlsTest::MouseDown(TControl* Control, int X, int Y) {
  const TPoint p = Control->ClientToScreen(Point(X, Y));
  platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
  platform::InjectMouse(platform::MouseAction::kLeftDown, p.x, p.y);
  Pump();
}

void ControlsTest::MouseUp(TControl* Control, int X, int Y) {
  const TPoint p = Control->ClientToScreen(Point(X, Y));
  platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
  platform::InjectMouse(platform::MouseAction::kLeftUp, p.x, p.y);
  Pump();
}

TColor Rgb(TColor Color) { return ColorToRGB(Color); }

}  // namespace velko_test
