#include "app/Settings.h"

#include <cmath>
#include <cstdint>

#include "app/BassTest.h"
#include "classlib/Application.h"
#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "desktop/AMAutoRun.h"
#include "skins/SkinEngine.h"
#include "skins/SkinPageCtrl.h"
#include "platform/core/clock.h"
#include "platform/sys/power.h"

TSettingsForm* SettingsForm = nullptr;
String PictureName;

namespace {

constexpr int kMinSleepMinutes = 15;
constexpr int kMaxSleepMinutes = 720;

// The sleep time typed into the minutes box: a whole number, clamped to the
// box's range; anything else gives -1.
int SleepMinutes(const String& Text) {
  const String text = Trim(Text);
  if (text.empty() || text.size() > 9) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  if (value < kMinSleepMinutes) return kMinSleepMinutes;
  if (value > kMaxSleepMinutes) return kMaxSleepMinutes;
  return value;
}

}  // namespace

bool LoadProgramPicture(TImage* Image, const String& Name) {
  if (Image == nullptr || Name.empty()) return false;
  Image->Picture()->LoadFromFile(ExtractFilePath(Application->ExeName()) + Name);
  return true;
}

TSettingsForm::TSettingsForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("SettingsForm");
  SetCaption("Preferences");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientSize(474, 300);
  HelpContext = 15;

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetStretch(true);
  // The window's own picture until the settings choose one.
  try {
    Image1->Picture()->Bitmap()->LoadFromResourceName("SETTINGSFORM_IMAGE1");
  } catch (const Exception&) {
    // Without the program's resources the window shows its colour.
  }

  // The skin engine stays without a skin; the page control draws through it.
  scSkin = new TscSkinEngine(this);
  scSkin->SetName("scSkin");

  auto* pages = new TscPageControl(this);
  pages->SetSkinEngine(scSkin);
  PageControl1 = pages;
  PageControl1->SetName("PageControl1");
  PageControl1->SetParent(this);
  PageControl1->SetBounds(8, 8, 458, 284);
  auto make_page = [this](const char* Name, const char* Caption) {
    auto* page = new TTabSheet(this);
    page->SetName(Name);
    page->SetPageControl(PageControl1);
    page->SetCaption(Caption);
    return page;
  };
  GeneralPage = make_page("GeneralPage", "General Options");
  SkinPage = make_page("SkinPage", "Skin Selection Options");
  SkinPage->Hint = ("Skin transition will take full effect when Velko is restarted ");
  SkinPage->SetShowHint(true);
  AutomationPage = make_page("AutomationPage", "Automation Options");
  ClosePage = make_page("ClosePage", "Close Preferences");

  // General Options
  PriorityLabel = new TLabel(this);
  PriorityLabel->SetName("PriorityLabel");
  PriorityLabel->SetParent(GeneralPage);
  PriorityLabel->SetLeft(8);
  PriorityLabel->SetTop(8);
  PriorityLabel->SetCaption("Encoder Priority - Time Critical if working the computer hard");
  ComboBoxPriority = new TComboBox(this);
  ComboBoxPriority->SetName("ComboBoxPriority");
  ComboBoxPriority->SetParent(GeneralPage);
  ComboBoxPriority->SetBounds(8, 24, 160, 21);
  ComboBoxPriority->SetStyle(csDropDownList);
  for (const char* item : {"Idle", "Lowest", "Below Normal", "Normal", "Above Normal", "Highest", "Time Critical"}) {
    ComboBoxPriority->Items()->Add(item);
  }
  // The window shows the normal priority until the user picks another.
  ComboBoxPriority->SetItemIndex(3);
  LibraryGroup = new TGroupBox(this);
  LibraryGroup->SetName("LibraryGroup");
  LibraryGroup->SetParent(GeneralPage);
  LibraryGroup->SetBounds(8, 52, 436, 48);
  LibraryGroup->SetCaption("AutoOpen this Library on Startup");
  Edit1 = new TEdit(this);
  Edit1->SetName("Edit1");
  Edit1->SetParent(LibraryGroup);
  Edit1->SetBounds(8, 18, 380, 21);
  Edit1->SetText("");
  Edit1->Hint = ("Type in a filename here in this format: \\sample.m3u");
  Edit1->SetShowHint(true);
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(LibraryGroup);
  Button1->SetBounds(396, 18, 32, 21);
  Button1->SetCaption("...");
  Button1->Hint = ("Click here to browse for a Library");
  Button1->SetShowHint(true);
  FullBox = MakeBox(GeneralPage, "FullBox", 8, 108, 436, "Automatically start movies in Fullscreen Mode - Default is ON");
  HintBox = MakeBox(GeneralPage, "HintBox", 8, 128, 436, "Always show Popup Hints - Default is ON");
  HintBox->OnClick = [this](TObject* Sender) { DoHint(Sender); };
  HotTrack = MakeBox(GeneralPage, "HotTrack", 8, 148, 436, "Activate Mouse Hot Tracking in the Playlist - Default is OFF");
  HotTrack->OnClick = [this](TObject* Sender) { DoHot(Sender); };
  grids = MakeBox(GeneralPage, "grids", 8, 168, 436, "Activate Grid Lines in the PlayList - Default is OFF");
  grids->OnClick = [this](TObject* Sender) { DoGrid(Sender); };
  NavigateBox = MakeBox(GeneralPage, "NavigateBox", 8, 188, 436,
                        "Show the  Video Controller when running in AVI Fullscreen Mode - Default is ON");
  NavigateBox->OnClick = [this](TObject* Sender) { NavigateSwitch(Sender); };

  // Skin Selection Options
  SwirlBox = MakeBox(SkinPage, "SwirlBox", 16, 16, 120, "Swirl");
  SwirlBox->OnClick = [this](TObject* Sender) { DoSwirl(Sender); };
  WildBox = MakeBox(SkinPage, "WildBox", 16, 40, 120, "Wild");
  WildBox->OnClick = [this](TObject* Sender) { DoWild(Sender); };
  CloudBox = MakeBox(SkinPage, "CloudBox", 16, 64, 120, "Clouds");
  CloudBox->OnClick = [this](TObject* Sender) { DoClouds(Sender); };
  RockBox = MakeBox(SkinPage, "RockBox", 16, 88, 120, "Rock");
  RockBox->OnClick = [this](TObject* Sender) { DoRock(Sender); };
  SpikeBox = MakeBox(SkinPage, "SpikeBox", 16, 112, 120, "Spike");
  SpikeBox->OnClick = [this](TObject* Sender) { DoSpike(Sender); };
  FireBox = MakeBox(SkinPage, "FireBox", 16, 136, 120, "Fire");
  FireBox->OnClick = [this](TObject* Sender) { DoFire(Sender); };

  // Automation Options
  ProgressBar1 = new TGProgress(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetParent(AutomationPage);
  ProgressBar1->SetBounds(4, 8, 442, 12);
  ProgressBar1->SetColor(clLime);
  ProgressBar1->SetColorEnd(clRed);
  ProgressBar1->SetBackgroundColor(clAqua);
  ProgressBar1->SetGradientBar(true);
  DakLabel = new TLabel(this);
  DakLabel->SetName("DakLabel");
  DakLabel->SetParent(AutomationPage);
  DakLabel->SetLeft(8);
  DakLabel->SetTop(30);
  DakLabel->SetCaption("");
  SanLabel = new TLabel(this);
  SanLabel->SetName("SanLabel");
  SanLabel->SetParent(AutomationPage);
  SanLabel->SetLeft(32);
  SanLabel->SetTop(30);
  SanLabel->SetCaption("");
  SpinEdit1 = new TSpinEdit(this);
  SpinEdit1->SetName("SpinEdit1");
  SpinEdit1->SetParent(AutomationPage);
  SpinEdit1->SetBounds(380, 26, 60, 22);
  SpinEdit1->SetMinValue(kMinSleepMinutes);
  SpinEdit1->SetMaxValue(kMaxSleepMinutes);
  SpinEdit1->SetValue(kMinSleepMinutes);
  SpinEdit1->Hint = ("Select the time period from now, until automatic shutdown");
  SpinEdit1->SetShowHint(true);
  SpinEdit1->OnKeyPress = [this](TObject* Sender, char& Key) { SpinKeyPress(Sender, Key); };
  Booter = MakeBox(AutomationPage, "Booter", 8, 56, 436, "AutoStart this program on Windows bootup - Default is OFF");
  Booter->OnClick = [this](TObject* Sender) { AutoBoot(Sender); };
  BootHide = MakeBox(AutomationPage, "BootHide", 8, 236, 20, "");
  BootHide->SetVisible(false);
  ShuffleBox = MakeBox(AutomationPage, "ShuffleBox", 8, 80, 436, "Automatic Shuffle Play on startup - Default is ON");
  AutoBox = MakeBox(AutomationPage, "AutoBox", 8, 104, 436, "Automatically check for updates to this software - Default is ON");
  SleepBox = MakeBox(AutomationPage, "SleepBox", 8, 128, 436,
                     "Sleep Mode - Play for selected minutes, then shut down this computer");
  SleepBox->OnClick = [this](TObject* Sender) { ShutDown(Sender); };
  SearchBox = MakeBox(AutomationPage, "SearchBox", 8, 152, 436,
                      "Automatic search for new music on startup -  Default is OFF");
  SearchBox->OnClick = [this](TObject* Sender) { DoHunt(Sender); };

  // Close Preferences
  SaveBox = MakeBox(ClosePage, "SaveBox", 16, 24, 400, "Save any changes that I have made");
  SaveBox->OnClick = [this](TObject* Sender) { SaveIt(Sender); };
  CancelBox = MakeBox(ClosePage, "CancelBox", 16, 56, 400, "Forget about any changes that I have made");
  CancelBox->OnClick = [this](TObject* Sender) { Leave(Sender); };

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(100);
  Timer1->SetEnabled(false);
  Timer1->SetOnTimer([this](TObject* Sender) { CountDown(Sender); });

  AMAutoRun1 = new TAMAutoRun(this);
  AMAutoRun1->SetName("AMAutoRun1");
  AMAutoRun1->SetAppItemName("velko");
  AMAutoRun1->SetCheckBox(BootHide);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  EndLoad();
}

TSettingsForm::~TSettingsForm() = default;

TCheckBox* TSettingsForm::MakeBox(TWinControl* Parent, const char* Name, int Left, int Top, int Width,
                                  const char* Caption) {
  auto* box = new TCheckBox(this);
  box->SetName(Name);
  box->SetParent(Parent);
  box->SetBounds(Left, Top, Width, 17);
  box->SetCaption(Caption);
  return box;
}

void TSettingsForm::FormCreate(TObject*) {
  RegIni = std::make_unique<TRegistryIniFile>(kSettingsKey);
  ReadSettings();
  if (Form1 != nullptr) ProgressBar1->SetBackgroundColor(Form1->Color());
  PageControl1->SetActivePage(SkinPage);
  HintBox->SetChecked(true);
  NavigateBox->SetChecked(RegIni->ReadBool(kSettingsSection, "NavSwitch", NavigateBox->Checked()));
}

void TSettingsForm::ReadSettings() {
  RegIni->ReadInteger(kSettingsSection, "Priority", ComboBoxPriority->ItemIndex());
  RegIni->ReadString(kSettingsSection, "SwapSkin", PictureName);
  RegIni->ReadBool(kSettingsSection, "Shuffle", ShuffleBox->Checked());
  RegIni->ReadBool(kSettingsSection, "Startup", Booter->Checked());
  RegIni->ReadBool(kSettingsSection, "NavSwitch", NavigateBox->Checked());
  RegIni->ReadBool(kSettingsSection, "ShowBig", FullBox->Checked());
  RegIni->ReadBool(kSettingsSection, "Updates", AutoBox->Checked());
  RegIni->ReadBool(kSettingsSection, "Hunter", SearchBox->Checked());
}

void TSettingsForm::WriteSettings() {
  RegIni->WriteString(kSettingsSection, "Priority", IntToStr(ComboBoxPriority->ItemIndex()));
  // With no picture chosen in this run the stored one stays.
  if (!PictureName.empty()) RegIni->WriteString(kSettingsSection, "SwapSkin", PictureName);
  RegIni->WriteBool(kSettingsSection, "Shuffle", ShuffleBox->Checked());
  RegIni->WriteBool(kSettingsSection, "Startup", Booter->Checked());
  RegIni->WriteBool(kSettingsSection, "NavSwitch", NavigateBox->Checked());
  RegIni->WriteBool(kSettingsSection, "ShowBig", FullBox->Checked());
  RegIni->WriteBool(kSettingsSection, "Updates", AutoBox->Checked());
  RegIni->WriteBool(kSettingsSection, "Hunter", SearchBox->Checked());
}

void TSettingsForm::ReadIt(TObject*) { ReadSettings(); }

void TSettingsForm::ClearCloseBoxes() {
  clearing_close_boxes_ = true;
  SaveBox->SetChecked(false);
  CancelBox->SetChecked(false);
  clearing_close_boxes_ = false;
}

void TSettingsForm::SaveIt(TObject*) {
  if (clearing_close_boxes_ || !SaveBox->Checked()) return;
  WriteSettings();
  ClearCloseBoxes();
  ModalResult = mrOk;
  if (!(FormState.Contains(fsModal))) Close();
}

void TSettingsForm::Leave(TObject*) {
  if (clearing_close_boxes_ || !CancelBox->Checked()) return;
  if (RegIni->ReadString(kSettingsSection, "SwapSkin", PictureName).empty()) {
    RegIni->WriteString(kSettingsSection, "SwapSkin", kDefaultPicture);
  }
  ClearCloseBoxes();
  Close();
}

void TSettingsForm::DoHint(TObject*) { Application->SetShowHint(HintBox->Checked()); }

void TSettingsForm::DoGrid(TObject*) {
  if (Form1 != nullptr && Form1->MusicList != nullptr) Form1->MusicList->SetGridLines(grids->Checked());
}

void TSettingsForm::DoHot(TObject*) {
  if (Form1 != nullptr && Form1->MusicList != nullptr) Form1->MusicList->SetHotTrack(HotTrack->Checked());
}

void TSettingsForm::AutoBoot(TObject*) { BootHide->SetChecked(Booter->Checked()); }

void TSettingsForm::NavigateSwitch(TObject*) { NavigateBox->SetChecked(NavigateBox->Checked()); }

void TSettingsForm::DoHunt(TObject*) { SearchBox->SetChecked(SearchBox->Checked()); }

void TSettingsForm::ChoosePicture(TCheckBox* Box, const char* FileName) {
  if (!Box->Checked()) return;
  for (TCheckBox* other : {FireBox, RockBox, CloudBox, WildBox, SpikeBox, SwirlBox}) {
    if (other != Box) other->SetChecked(false);
  }
  if (Form1 != nullptr) LoadProgramPicture(Form1->Image1, FileName);
  PictureName = FileName;
}

void TSettingsForm::DoFire(TObject*) { ChoosePicture(FireBox, "fire.jpg"); }
void TSettingsForm::DoRock(TObject*) { ChoosePicture(RockBox, "rock.jpg"); }
void TSettingsForm::DoClouds(TObject*) { ChoosePicture(CloudBox, "clouds.jpg"); }
void TSettingsForm::DoWild(TObject*) { ChoosePicture(WildBox, "wild.jpg"); }
void TSettingsForm::DoSpike(TObject*) { ChoosePicture(SpikeBox, "spike.jpg"); }
void TSettingsForm::DoSwirl(TObject*) { ChoosePicture(SwirlBox, "zig.jpg"); }

void TSettingsForm::ShutDown(TObject*) {
  const int minutes = SleepMinutes(SpinEdit1->Text());
  if (minutes < 0) return;
  if (SleepBox->Checked()) {
    SleepDuration = static_cast<std::uint32_t>(minutes) * 60000u;
    Timer1->SetEnabled(true);
    SleepStart = GetTickCount();
    ProgressBar1->SetMax(static_cast<int>(SleepDuration));
  } else {
    Timer1->SetEnabled(false);
    DakLabel->SetCaption("");
    SanLabel->SetCaption("");
    ProgressBar1->SetPosition(0);
  }
}

void TSettingsForm::CountDown(TObject*) {
  const std::uint32_t elapsed = GetTickCount() - SleepStart;
  ProgressBar1->SetPosition(static_cast<int>(std::min<std::uint32_t>(elapsed, SleepDuration)));
  const std::int64_t remaining = static_cast<std::int64_t>(SleepDuration) - static_cast<std::int64_t>(elapsed);
  std::int64_t s = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(remaining) / 1000.0));
  if (s < 0) s = 0;
  DakLabel->SetCaption(IntToStr(static_cast<int>(s / 60)));
  SanLabel->SetCaption(": " + IntToStr(static_cast<int>(s % 60)));
  if (s == 0) {
    ProgressBar1->SetPosition(ProgressBar1->Max());
    Timer1->SetEnabled(false);
    ExitWindowsEx(EWX_SHUTDOWN | EWX_POWEROFF, 0);
    Close();
  }
}

void TSettingsForm::SpinKeyPress(TObject*, char& Key) {
  const auto c = static_cast<unsigned char>(Key);
  if (!(c >= '0' && c <= '9') && c >= 30) Key = 0;
}
