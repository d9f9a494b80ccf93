// The preferences window: the values it writes, the picture boxes, the
// closing boxes and the sleep mode.
#include "app/Settings.h"
#include "classlib/Application.h"
#include "platform/reg/registry.h"
#include "platform/core/clock.h"
#include "platform/sys/power.h"
#include "platform/user/virtual_keys.h"
#include "tests/app/app_fixture.h"

namespace app_test {
namespace {

class SettingsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    power_ = std::make_shared<platform::RecordingPowerBackend>();
    platform::SetPowerBackend(power_);
  }
  void TearDown() override {
    platform::SetPowerBackend(std::make_shared<platform::RecordingPowerBackend>());
    AppTest::TearDown();
  }
  std::shared_ptr<platform::RecordingPowerBackend> power_;
};

// The value names of the settings key in the order the registry keeps them.
std::vector<std::string> ValueNames() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\Calvane Technology\\Velko", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    if (RegEnumValue(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (std::string(name) != kStartCountValue) names.push_back(name);
  }
  RegCloseKey(key);
  return names;
}

TEST_F(SettingsTest, SaveWritesTheEightValuesAsText) {
  Prepare({.earlier_starts = 9, .write_list = true, .list_text = ""});
  WritePicture("wild.jpg", clGreen);
  Start();
  TSettingsForm& s = *SettingsForm;
  s.ComboBoxPriority->SetItemIndex(4);
  s.ShuffleBox->SetChecked(true);
  s.Booter->SetChecked(false);
  s.SearchBox->SetChecked(true);
  s.WildBox->SetChecked(true);
  EXPECT_EQ(PictureName, "wild.jpg");
  s.SaveBox->SetChecked(true);
  EXPECT_EQ(ValueNames(), (std::vector<std::string>{"Priority", "SwapSkin", "Shuffle", "Startup", "NavSwitch",
                                                    "ShowBig", "Updates", "Hunter"}));
  EXPECT_EQ(ReadSetting("Priority"), "4");
  EXPECT_EQ(ReadSetting("SwapSkin"), "wild.jpg");
  EXPECT_EQ(ReadSetting("Shuffle"), "1");
  EXPECT_EQ(ReadSetting("Startup"), "0");
  EXPECT_EQ(ReadSetting("Hunter"), "1");
  EXPECT_FALSE(s.SaveBox->Checked());
  EXPECT_FALSE(s.CancelBox->Checked());
}

TEST_F(SettingsTest, PictureBoxesAreExclusiveAndCancelWritesNothing) {
  Prepare({.earlier_starts = 9, .write_list = true, .list_text = ""});
  WritePicture("fire.jpg", clRed);
  WritePicture("clouds.jpg", clBlue);
  Start();
  TSettingsForm& s = *SettingsForm;
  s.SaveBox->SetChecked(true);  // an earlier save
  WriteSetting("SwapSkin", "rock.jpg");
  s.FireBox->SetChecked(true);
  s.CloudBox->SetChecked(true);
  EXPECT_FALSE(s.FireBox->Checked());
  EXPECT_TRUE(s.CloudBox->Checked());
  EXPECT_EQ(PictureName, "clouds.jpg");
  // The main window shows the picture at once.
  TBitmap drawn;
  drawn.SetSize(16, 16);
  drawn.Canvas()->Draw(0, 0, Form1->Image1->Picture()->Graphic());
  const TColor shown = drawn.Canvas()->Pixels(8, 8);
  EXPECT_LT(GetRValue(shown), 40);
  EXPECT_GT(GetBValue(shown), 100);
  s.ShuffleBox->SetChecked(!s.ShuffleBox->Checked());
  const std::string shuffle = ReadSetting("Shuffle");
  s.CancelBox->SetChecked(true);
  EXPECT_EQ(ReadSetting("SwapSkin"), "rock.jpg");
  EXPECT_EQ(ReadSetting("Shuffle"), shuffle);
  EXPECT_FALSE(s.SaveBox->Checked());
  EXPECT_FALSE(s.CancelBox->Checked());
}

TEST_F(SettingsTest, SaveWithoutAChosenPictureKeepsTheStoredOne) {
  Prepare({.earlier_starts = 9, .write_list = true, .list_text = ""});
  WriteSetting("SwapSkin", "spike.jpg");
  Start();
  SettingsForm->SaveBox->SetChecked(true);
  EXPECT_EQ(ReadSetting("SwapSkin"), "spike.jpg");
}

TEST_F(SettingsTest, SleepModePowersOffWhenHalfASecondOrLessRemains) {
  Prepare({.earlier_starts = 9, .write_list = true, .list_text = ""});
  Start();
  TSettingsForm& s = *SettingsForm;
  s.SpinEdit1->SetText("15");
  s.SleepBox->SetChecked(true);
  EXPECT_EQ(s.SleepDuration, 15u * 60000u);
  platform::AdvanceClockMs(100);
  Pump();
  EXPECT_EQ(s.DakLabel->Caption(), "15");
  EXPECT_EQ(s.SanLabel->Caption(), ": 0");
  // 0.6 s before the end: still counting.
  platform::AdvanceClockMs(15 * 60000 - 100 - 600);
  Pump();
  EXPECT_TRUE(power_->Requests().empty());
  EXPECT_EQ(s.SanLabel->Caption(), ": 1");
  platform::AdvanceClockMs(100);
  Pump();
  EXPECT_EQ(power_->Requests(), std::vector<std::string>{"PowerOff"});
  EXPECT_EQ(s.ProgressBar1->Position(), s.ProgressBar1->Max());
}

TEST_F(SettingsTest, ATypedZeroOrLetterNeverPowersOff) {
  Prepare({.earlier_starts = 9, .write_list = true, .list_text = ""});
  Start();
  TSettingsForm& s = *SettingsForm;
  char letter = 'x', digit = '7', back = 8;
  s.SpinKeyPress(nullptr, letter);
  s.SpinKeyPress(nullptr, digit);
  s.SpinKeyPress(nullptr, back);
  EXPECT_EQ(letter, 0);
  EXPECT_EQ(digit, '7');
  EXPECT_EQ(back, 8);
  s.SpinEdit1->SetText("0");
  s.SleepBox->SetChecked(true);
  EXPECT_EQ(s.SleepDuration, 15u * 60000u);
  platform::AdvanceClockMs(200);
  Pump();
  EXPECT_TRUE(power_->Requests().empty());
  s.SleepBox->SetChecked(false);
  s.SpinEdit1->SetText("abc");
  s.SleepBox->SetChecked(true);
  EXPECT_FALSE(s.Timer1->Enabled());
}

}  // namespace
}  // namespace app_test
