#include "tests/skins_forms/skin_form_fixture.h"

#include "classlib/Resources.h"
#include "platform/core/clock.h"
#include "platform/fs/drives.h"
#include "platform/user/input.h"
#include "platform/user/user.h"

namespace velko_test {

void SkinFormTest::SetUp() {
  FormsTest::SetUp();
  platform::UseManualClock(1'000'000);
  static const bool registered = RegisterResourceFolder((ProgramFolder() / "Resources").string()) > 0;
  ASSERT_TRUE(registered);
  platform::MapDrive('S', VELKO_TEST_SKINS_DIR, DRIVE_FIXED, "SKINS");
  sound = std::make_shared<platform::RecordingSoundOutput>();
  platform::SetSoundOutput(sound);
}

void SkinFormTest::TearDown() {
  delete form;
  form = nullptr;
  Pump();
  FreeHookList();
  platform::SetSoundOutput(nullptr);
  platform::UnmapDrive('S');
  FormsTest::TearDown();
}

void SkinFormTest::MakeForm() {
  form = new TForm(nullptr);
  form->SetBounds(100, 100, 200, 150);
  form->SetCaption("Skinned");
  engine = new TscSkinEngine(form);
}

void SkinFormTest::ShowSkinned(const char* Folder) {
  if (!form) MakeForm();
  engine->SetSkinFolder(Folder);
  form->Show();
  Pump();
}

TColor SkinFormTest::ScreenAt(int X, int Y) {
  Pump();
  HDC dc = GetDC(nullptr);
  const COLORREF c = GetPixel(dc, X, Y);
  ReleaseDC(nullptr, dc);
  return static_cast<TColor>(c);
}

RECT SkinFormTest::WindowRect() {
  RECT r;
  GetWindowRect(form->Handle(), &r);
  return r;
}

TColor SkinFormTest::WindowPixel(int X, int Y) {
  const RECT r = WindowRect();
  return ScreenAt(r.left + X, r.top + Y);
}

LRESULT SkinFormTest::HitAt(int X, int Y) {
  const RECT r = WindowRect();
  return SendMessage(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.left + X, r.top + Y));
}

void SkinFormTest::MoveTo(int X, int Y) {
  const RECT r = WindowRect();
  platform::InjectMouse(platform::MouseAction::kMove, r.left + X, r.top + Y);
  Pump();
}

void SkinFormTest::ClickAt(int X, int Y) {
  const RECT r = WindowRect();
  platform::InjectClick(r.left + X, r.top + Y);
  Pump();
}

}  // namespace velko_test
