// A form dressed with the test skin on the headless display: the test
// skins on drive S:, the program's artwork registered, the manual clock,
// the recording sound output, and pixel and input helpers.
#pragma once

#include <memory>

#include "classlib/Forms.h"
#include "platform/mm/sound.h"
#include "skins/SkinEngine.h"
#include "tests/classlib/forms/forms_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class SkinFormTest : public FormsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A 200 x 150 form at (100, 100) with an engine; the skin is not loaded.
  void MakeForm();
  // Loads the test skin folder and shows the form.
  void ShowSkinned(const char* Folder = "S:\\TestSkin\\");
  // The composed screen's pixel (0x00BBGGRR) at a screen point.
  TColor ScreenAt(int X, int Y);
  // The pixel at a point of the form's window (its top-left is (0, 0)).
  TColor WindowPixel(int X, int Y);
  LRESULT HitAt(int X, int Y);  // window coordinates
  void MoveTo(int X, int Y);    // window coordinates
  void ClickAt(int X, int Y);   // window coordinates, left button
  RECT WindowRect();

  TForm* form = nullptr;
  TscSkinEngine* engine = nullptr;
  std::shared_ptr<platform::RecordingSoundOutput> sound;
};

// 0x00BBGGRR of r, g, b.
constexpr TColor RGBc(int r, int g, int b) { return r | g << 8 | b << 16; }

}  // namespace velko_test
