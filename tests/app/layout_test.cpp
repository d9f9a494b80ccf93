// The windows as their definitions place them, read back from the live
// controls and checked on the composed screen: the main window's knobs,
// button bar, hint, gauge, mixer values and update check; the preferences'
// gauge and priority box; the About box and the preferences on the first
// start; a song name in a CJK script in the song list.
#include <filesystem>
#include <fstream>

#include "app/Settings.h"
#include "app/aboutpar.h"
#include "classlib/Application.h"
#include "classlib/Colors.h"
#include "classlib/Resources.h"
#include "desktop/AutoUpgrade.h"
#include "platform/display/display.h"
#include "platform/gdi/surface.h"
#include "platform/mm/mixer.h"
#include "tests/app/app_fixture.h"

namespace fs = std::filesystem;

namespace app_test {
namespace {

using LayoutTest = AppTest;

// The pixel at (x, y) of a control's client area on the composed screen.
COLORREF At(TControl* control, int x, int y) {
  auto screen = platform::ComposeScreen();
  if (!screen) return CLR_INVALID;
  const TPoint p = control->ClientToScreen(TPoint{x, y});
  return screen->Pixel(p.x, p.y);
}

COLORREF Rgb(TColor color) { return static_cast<COLORREF>(ColorToRGB(color)); }

TEST_F(LayoutTest, TheMainWindowPlacesItsControlsAsDefined) {
  auto mixer = platform::SelectRecordingMixer();
  mixer->left = mixer->right = 30000;
  Start({.earlier_starts = 5});

  // The knobs: vertical, on a lowered gutter without outline.
  struct Knob {
    TVrTrackBar* knob;
    int min, max, position, frequency;
  };
  for (const Knob& k : {Knob{Form1->VolumeKnob, 0, 100, 50, 10}, Knob{Form1->BalanceKnob, -100, 100, 0, 20}}) {
    SCOPED_TRACE(k.knob->Name());
    EXPECT_EQ(k.knob->Orientation(), voVertical);
    EXPECT_EQ(k.knob->Width(), 15);
    EXPECT_EQ(k.knob->Height(), 121);
    EXPECT_EQ(k.knob->BorderWidth(), 2);
    EXPECT_EQ(k.knob->TickColor(), clWhite);
    EXPECT_EQ(k.knob->MinValue(), k.min);
    EXPECT_EQ(k.knob->MaxValue(), k.max);
    EXPECT_EQ(k.knob->Position(), k.position);
    EXPECT_EQ(k.knob->Frequency(), k.frequency);
    EXPECT_EQ(k.knob->GutterBevel()->OuterStyle(), TVrBevelStyle::bsLowered);
    EXPECT_EQ(k.knob->GutterBevel()->OuterOutline(), osNone);
    // The gutter 9 wide in the middle, 2 from the top: shadow left,
    // highlight right, black inside.
    EXPECT_EQ(At(k.knob, 3, 6), Rgb(clBtnShadow));
    EXPECT_EQ(At(k.knob, 11, 6), Rgb(clBtnHighlight));
    EXPECT_EQ(At(k.knob, 7, 6), RGB(0, 0, 0));
  }

  // The button bar: five buttons in 180 x 20 within an outlined raised
  // and lowered bevel.
  TVrNavigator* bar = Form1->Navigator;
  const TVrButtonSet five{btPlay, btPause, btStop, btPrev, btNext};
  EXPECT_EQ(bar->VisibleButtons(), five);
  EXPECT_EQ(bar->EnabledButtons(), five);
  EXPECT_EQ(bar->Width(), 180);
  EXPECT_EQ(bar->Height(), 20);
  EXPECT_EQ(bar->ButtonWidth(), 34);
  EXPECT_EQ(bar->ButtonHeight(), 14);
  EXPECT_EQ(bar->ButtonRect(btNext).left, 3 + 4 * 35);
  EXPECT_EQ(At(bar, 0, 10), RGB(0, 0, 0));
  EXPECT_EQ(At(bar, 1, 10), Rgb(clBtnHighlight));
  EXPECT_EQ(At(bar, 2, 10), Rgb(clBtnShadow));

  // The shaped hint: bold 11-pixel text wrapped at the screen's width, no
  // shadow.
  TKavoShapeHint* hint = Form1->KavoShapeHint1;
  EXPECT_EQ(ActiveShapeHint, hint);
  EXPECT_EQ(hint->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(hint->Font()->Height(), -11);
  EXPECT_TRUE(hint->Font()->Style().Contains(fsBold));
  EXPECT_EQ(hint->Font()->Color(), clInfoText);
  EXPECT_EQ(hint->MaxWidth, -1);
  EXPECT_EQ(hint->Shadow()->Style(), hssNone);

  // The update gauge, shown full: red to lime in 280 x 8, black frame and
  // background.
  TGProgress* gauge = Form1->ProgressBar1;
  EXPECT_EQ(gauge->Width(), 280);
  EXPECT_EQ(gauge->Height(), 8);
  EXPECT_TRUE(gauge->GradientBar());
  gauge->SetVisible(true);
  gauge->SetPosition(gauge->Max());
  Pump();
  EXPECT_EQ(At(gauge, 0, 3), RGB(0, 0, 0));
  EXPECT_EQ(At(gauge, 1, 3), RGB(0, 0, 0));
  EXPECT_EQ(At(gauge, 3, 3), RGB(255, 0, 0));
  EXPECT_EQ(At(gauge, 274, 3), RGB(0, 255, 0));
  gauge->SetVisible(false);

  // The mixer got the stored values as the window was made: unmuted,
  // volume 100 and balance -1 (left full, right 64879).
  bool unmuted = false, volume = false;
  for (const platform::MixerCall& call : mixer->CallsOf("mixerSetControlDetails")) {
    if (call.channels == 1 && call.values == std::vector<DWORD>{0}) unmuted = true;
    if (call.channels == 2 && call.values == std::vector<DWORD>{65535, 64879}) volume = true;
  }
  EXPECT_TRUE(unmuted);
  EXPECT_TRUE(volume);

  // The update check asks a reserved name for "/velkinfo.txt".
  TAutoUpgrade* upgrade = Form1->AutoUpgrade1;
  const std::string url = upgrade->InfoURL;
  ASSERT_EQ(url.rfind("http://", 0), 0u) << url;
  const std::string host = url.substr(7, url.find('/', 7) - 7);
  EXPECT_TRUE(host.size() > 8 && host.compare(host.size() - 8, 8, ".example") == 0) << url;
  EXPECT_EQ(url.substr(7 + host.size()), "/velkinfo.txt");
  EXPECT_EQ(upgrade->LastUpdated, "07/06/2003");
  EXPECT_FALSE(upgrade->LastUpdatedAutoSet());
  EXPECT_TRUE(upgrade->OnProgress && upgrade->OnDone && upgrade->OnError);
  EXPECT_FALSE(upgrade->OnNoUpdateAvailable);
}

TEST_F(LayoutTest, ThePreferencesShowTheirGaugeAndPriority) {
  Start({.earlier_starts = 5});
  TSettingsForm* s = SettingsForm;
  EXPECT_EQ(s->ComboBoxPriority->ItemIndex(), 3);
  EXPECT_EQ(s->ComboBoxPriority->Text(), "Normal");
  s->WriteSettings();
  EXPECT_EQ(ReadSetting("Priority"), "3");

  TGProgress* gauge = s->ProgressBar1;
  EXPECT_EQ(gauge->Width(), 442);
  EXPECT_EQ(gauge->Height(), 12);
  EXPECT_EQ(gauge->Color(), clLime);
  EXPECT_EQ(gauge->ColorEnd(), clRed);
  EXPECT_TRUE(gauge->GradientBar());
  // Made with the main window's colour behind the blocks.
  EXPECT_EQ(gauge->BackgroundColor(), Form1->Color());
  s->Show();
  s->PageControl1->SetActivePage(s->AutomationPage);
  gauge->SetMax(10);
  gauge->SetPosition(10);
  Pump();
  const COLORREF first = At(gauge, 4, 5), last = At(gauge, 435, 5), background = At(gauge, 1, 5);
  s->Hide();
  EXPECT_EQ(first, RGB(0, 255, 0));
  EXPECT_EQ(last, RGB(255, 0, 0));
  EXPECT_EQ(background, Rgb(Form1->Color()));
}

// On the first start no picture is chosen yet: the About box and the
// preferences show their own wherever their controls leave them free, and
// the About box's two flat buttons' texts stand out from it.
TEST_F(LayoutTest, OnTheFirstStartTheAboutBoxAndThePreferencesShowTheirOwnPictures) {
  // The built program's resources, which the test's program folder lacks.
  ASSERT_GT(RegisterResourceFolder((fs::path(velko_test::ProgramFolder()) / "Resources").string()), 0);
  struct Forget {
    ~Forget() { ResetResources(); }
  } forget;
  Start();
  ASSERT_EQ(Form1->StartCount(), 1);
  const struct {
    TForm* form;
    TControl* covering;  // the control over most of the window, if any
  } windows[] = {{ParAbout, nullptr}, {SettingsForm, SettingsForm->PageControl1}};
  for (const auto& window : windows) {
    TForm* form = window.form;
    SCOPED_TRACE(form->Name());
    form->Show();
    Pump();
    auto screen = platform::ComposeScreen();
    ASSERT_NE(screen, nullptr);
    auto pixel = [&](TControl* control, int x, int y) {
      const TPoint p = control->ClientToScreen(TPoint{x, y});
      return screen->Pixel(p.x, p.y);
    };
    const TRect covered = window.covering != nullptr ? window.covering->BoundsRect() : TRect{};
    int samples = 0, picture = 0;
    for (int y = 0; y < form->ClientHeight(); y += 2) {
      for (int x = 0; x < form->ClientWidth(); x += 2) {
        if (x >= covered.left && x < covered.right && y >= covered.top && y < covered.bottom) continue;
        ++samples;
        picture += pixel(form, x, y) != Rgb(form->Color());
      }
    }
    EXPECT_GT(picture, samples / 2) << picture << " of " << samples << " samples not the window's colour";
    if (form == ParAbout) {
      // Text pixels: near white (the edges of the letters are blended).
      auto light = [&](TControl* button) {
        int n = 0;
        for (int y = 0; y < button->Height(); ++y) {
          for (int x = 0; x < button->Width(); ++x) {
            const COLORREF c = pixel(button, x, y);
            n += GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200;
          }
        }
        return n;
      };
      EXPECT_GT(light(ParAbout->SpeedButton4), 10) << "no \"OK\"";
      EXPECT_GT(light(ParAbout->SpeedButton1), 10) << "no \"@\"";
    }
    form->Hide();
  }
}

// Names in a script the list's font lacks draw through a font that has it:
// two different ideographs give different pixels (a missing glyph's box
// would be the same for both).
TEST_F(LayoutTest, ACjkSongNameDrawsItsGlyphs) {
  Start({.earlier_starts = 5,
         .write_list = true,
         .list_text = "\xE4\xB8\xAD.mp3,c:\\Music\\\r\n\xE5\x9B\xBD.mp3,c:\\Music\\\r\n"});
  TAdvListView* list = Form1->MusicList;
  ASSERT_EQ(list->Items()->Count(), 2);
  list->SetVisible(true);
  list->SetSelected(nullptr);  // both rows drawn alike but for their names
  Pump();
  const TRect first = list->Items()->Item(0)->DisplayRect(drLabel);
  const TRect second = list->Items()->Item(1)->DisplayRect(drLabel);
  auto screen = platform::ComposeScreen();
  ASSERT_NE(screen, nullptr);
  int differing = 0, inked = 0;
  const COLORREF window = Rgb(clWindow);
  for (int y = 0; y < first.bottom - first.top; ++y) {
    for (int x = 0; x < 16; ++x) {
      const TPoint a = list->ClientToScreen(TPoint{first.left + 2 + x, first.top + y});
      const TPoint b = list->ClientToScreen(TPoint{second.left + 2 + x, second.top + y});
      differing += screen->Pixel(a.x, a.y) != screen->Pixel(b.x, b.y);
      inked += screen->Pixel(a.x, a.y) != window;
    }
  }
  EXPECT_GT(inked, 15);
  EXPECT_GT(differing, 10);
}

}  // namespace
}  // namespace app_test
