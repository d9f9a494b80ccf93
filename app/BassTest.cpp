#include "app/BassTest.h"

#include <cmath>
#include <cstring>
#include <random>

#include "app/Settings.h"
#include "app/aboutpar.h"
#include "classlib/Application.h"
#include "classlib/PathRoutines.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"
#include "classlib/Threads.h"
#include "desktop/AutoUpgrade.h"
#include "desktop/PlayWav.h"
#include "desktop/zelOneInstance.h"
#include "library/CDHunter.h"
#include "library/dotags.h"
#include "library/video.h"
#include "library/videohunter.h"
#include "network_ui/nuts.h"
#include "platform/core/clock.h"
#include "platform/core/threads.h"
#include "platform/fs/drives.h"
#include "platform/reg/registry.h"
#include "platform/user/virtual_keys.h"
#include "playback/PluginCtrl.h"
#include "ripper/Ripper.h"
#include "ripper/SetAlbumInfo.h"

TForm1* Form1 = nullptr;
TBASSPlayer* MainPlayer = nullptr;
String CurrentSongPath;
std::int32_t CurrentSampleRate = 0;
std::uint8_t PosDragging = 0;
TEQGains EQGains{};
TBitmap* SpectrumBackground = nullptr;
TBitmap* SpectrumWork = nullptr;
TBitmap* SpectrumBars = nullptr;
const TRect SpectrumRect{0, 0, kSpectrumWidth, kSpectrumHeight};
std::array<float, NumFFTBands> PeakLevels{};
std::array<std::int32_t, NumFFTBands> PeakHold{};

namespace {

constexpr char kFirstRunHint[] =
    "Pause your mouse over all graphics for command help\r\n\r\nThis new user hint will only appear for this startup";

}  // namespace

TColor SpectrumRampColor(int Row) {
  int red = 255, green = 0;
  for (int r = 0; r <= Row; ++r) {
    if (r <= 55.5) {
      green = std::min(green + 6, 255);
    } else {
      red = std::max(red - 2, 0);
    }
  }
  return RGB(red, green, 0);
}

String FormatSongTime(std::uint32_t Milliseconds) {
  const std::uint32_t seconds = Milliseconds / 1000;
  return Format("%.2d:%.2d", {static_cast<int>(seconds / 60), static_cast<int>(seconds % 60)});
}

String PlayableFilter(const String& Native, const String& Plugin) {
  return "All playable files |" + Native + Plugin + "|" + "BASS native files (" + Native + ")|" + Native + "|" +
         "Plug-in supported files (" + Plugin + ")|" + Plugin;
}

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("Form1");
  SetCaption("Velko");
  SetBorderStyle(bsDialog);
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientSize(474, 270);
  SetColor(clBlack);
  HelpContext = 15;
  KeyPreview = true;

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, 474, 273);
  Image1->SetStretch(true);
  // The window's own picture (the swirl) until the settings choose one.
  try {
    LoadProgramPicture(Image1, kDefaultPicture);
  } catch (Exception&) {
  }

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(this);
  Panel1->SetBounds(8, 8, kSpectrumWidth, kSpectrumHeight);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetColor(clBlack);
  Panel1->SetCaption("");
  GaugePaintBox = new TPaintBox(this);
  GaugePaintBox->SetName("GaugePaintBox");
  GaugePaintBox->SetParent(Panel1);
  GaugePaintBox->SetBounds(0, 0, kSpectrumWidth, kSpectrumHeight);
  GaugePaintBox->OnPaint = [this](TObject*) {
    if (SpectrumWork != nullptr) GaugePaintBox->Canvas()->Draw(0, 0, SpectrumWork);
  };

  MusicList = new TAdvListView(this);
  MusicList->SetName("MusicList");
  MusicList->SetParent(this);
  MusicList->SetBounds(8, 8, kSpectrumWidth, kSpectrumHeight);
  MusicList->SetViewStyle(vsReport);
  MusicList->SetShowColumnHeaders(false);
  MusicList->SetReadOnly(true);
  MusicList->SetRowSelect(true);
  for (auto [caption, width] : {std::pair<const char*, int>{"Song", 238}, {"Location", 1}, {"", 1}}) {
    TListColumn* column = MusicList->Columns()->Add();
    column->SetCaption(caption);
    column->SetWidth(width);
  }
  MusicList->SetSortType(stText);
  MusicList->Hint = ("Just one click on a song to play it");
  MusicList->OnClick = [this](TObject* Sender) { ClickPlay(Sender); };

  InfoMemo = new TMemo(this);
  InfoMemo->SetName("InfoMemo");
  InfoMemo->SetParent(this);
  InfoMemo->SetBounds(0, 0, 1, 1);
  InfoMemo->SetReadOnly(true);
  InfoMemo->SetWordWrap(false);

  PosSlider = new TSlider(this);
  PosSlider->SetName("PosSlider");
  PosSlider->SetParent(this);
  PosSlider->SetBounds(8, 126, 275, 16);
  PosSlider->SetMinValue(0);
  PosSlider->SetMaxValue(200);
  PosSlider->OnStartTracking = [this](TObject* Sender) { PosSliderStartTracking(Sender); };
  PosSlider->OnStopTracking = [this](TObject* Sender) { PosSliderStopTracking(Sender); };
  for (int i = 0; i < 10; ++i) {
    auto* slider = new TSlider(this);
    slider->SetName("Slider" + IntToStr(i + 1));
    slider->SetParent(this);
    slider->SetOrientation(soVertical);
    slider->SetBounds(296 + i * 17, 8, 16, 100);
    slider->SetMinValue(0);
    slider->SetMaxValue(30);
    slider->SetValue(15);
    slider->Tag = i + 1;
    slider->OnChange = [this](TObject* Sender) { EQSliderChange(Sender); };
    EQSliders[i] = slider;
  }

  // The two knobs: vertical, white ticks on a lowered gutter.
  auto make_knob = [this](const char* Name, int Left, int Min, int Max, int Position) {
    auto* knob = new TVrTrackBar(this);
    knob->SetName(Name);
    knob->SetParent(this);
    knob->SetOrientation(voVertical);
    knob->SetBounds(Left, 110, 15, 121);
    knob->SetBorderWidth(2);
    knob->SetTickColor(clWhite);
    knob->GutterBevel()->SetOuterStyle(TVrBevelStyle::bsLowered);
    knob->GutterBevel()->SetOuterOutline(osNone);
    knob->SetMinValue(Min);
    knob->SetMaxValue(Max);
    knob->SetPosition(Position);
    return knob;
  };
  VolumeKnob = make_knob("VolumeKnob", 400, 0, 100, 50);
  VolumeKnob->OnChange = [this](TObject* Sender) { changeVolume(Sender); };
  BalanceKnob = make_knob("BalanceKnob", 440, -100, 100, 0);
  BalanceKnob->SetFrequency(20);
  BalanceKnob->OnChange = [this](TObject* Sender) { changeBalance(Sender); };

  VolControl = new TssVolumeController(this);
  VolControl->SetName("VolControl");
  // The values the window keeps for the mixer, written as it is made.
  VolControl->SetMute(false);
  VolControl->SetVolume(100);
  VolControl->SetBalance(-1);

  Navigator = new TVrNavigator(this);
  Navigator->SetName("Navigator");
  Navigator->SetParent(this);
  Navigator->SetBounds(8, 148, 180, 20);
  {
    const TVrButtonSet buttons{btPlay, btPause, btStop, btPrev, btNext};
    Navigator->SetVisibleButtons(buttons);
    Navigator->SetEnabledButtons(buttons);
    TVrBevel* bevel = Navigator->Bevel();
    bevel->SetOuterOutline(osOuter);
    bevel->SetOuterStyle(TVrBevelStyle::bsRaised);
    bevel->SetOuterWidth(1);
    bevel->SetOuterSpace(0);
    bevel->SetInnerStyle(TVrBevelStyle::bsLowered);
    bevel->SetInnerWidth(1);
    bevel->SetInnerSpace(0);
    bevel->SetInnerOutline(osNone);
    bevel->SetBorderWidth(0);
  }
  Navigator->OnButtonClick = [this](TObject* Sender, TVrButtonType Button) { Controller(Sender, Button); };

  Label_Length = new TLabel(this);
  Label_Length->SetName("Label_Length");
  Label_Length->SetParent(this);
  Label_Length->SetBounds(216, 150, 60, 13);
  Label_Length->SetTransparent(true);
  Label_Length->Font()->SetColor(clLime);
  Label_Length->SetCaption("00:00");
  Label_State = new TLabel(this);
  Label_State->SetName("Label_State");
  Label_State->SetParent(this);
  Label_State->SetBounds(216, 166, 60, 13);
  Label_State->SetTransparent(true);
  Label_State->Font()->SetColor(clLime);
  Label_State->SetCaption("Stand By");
  for (TLabel* label : {Label_Length, Label_State}) {
    label->Hint = ("Click here to Minimize to the Taskbar - Keyboard command is F12");
    label->SetShowHint(true);
    label->OnClick = [this](TObject*) { Shrink(); };
  }

  Timer_Stat = new TTimer(this);
  Timer_Stat->SetName("Timer_Stat");
  Timer_Stat->SetInterval(50);
  Timer_Stat->SetEnabled(false);
  Timer_Stat->SetOnTimer([this](TObject* Sender) { Timer_StatTimer(Sender); });

  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");

  MusicHunter = new TEasyFileSearch(this);
  MusicHunter->SetName("MusicHunter");
  MusicHunter->SearchOptions = {okIncludeSubfolder, okLookForAnyFile};
  MusicHunter->OnAcceptFile = [this](const TFileInformations& F) { return AcceptFiles(F); };
  MusicHunter->OnFileFound = [this](const TFileInformations& F) { FoundAllFiles(F); };
  MusicHunter->OnStatistics = [this](const TStatistics& S) { DoStats(S); };

  ListBox2 = new TListBox(this);
  ListBox2->SetName("ListBox2");
  ListBox2->SetParent(this);
  ListBox2->SetBounds(0, 0, 10, 10);
  ListBox2->SetVisible(false);
  ListBox2->Items()->Add("*.mp3");
  ListBox2->Items()->Add("*.ogg");

  auto make_box = [this](const char* Name, int Left, const char* Caption, const char* Hint) {
    auto* box = new TCheckBox(this);
    box->SetName(Name);
    box->SetParent(this);
    box->SetBounds(Left, 188, 70, 17);
    box->SetCaption(Caption);
    box->SetColor(clBlack);
    box->Font()->SetColor(clWhite);
    box->Hint = (Hint);
    box->SetShowHint(true);
    return box;
  };
  cbFlanger = make_box("cbFlanger", 8, "Flanger", "Flanger");
  cbFlanger->OnClick = [this](TObject*) { EffectClick(cbFlanger, efFlanger); };
  cbEqualizer = make_box("cbEqualizer", 80, "EQ", "Equalizer");
  cbEqualizer->OnClick = [this](TObject*) { EffectClick(cbEqualizer, efEqualizer); };
  cbEcho = make_box("cbEcho", 152, "Echo", "Echo");
  cbEcho->OnClick = [this](TObject*) { EffectClick(cbEcho, efEcho); };
  cbReverb = make_box("cbReverb", 224, "Reverb", "Reverberate");
  cbReverb->OnClick = [this](TObject*) { EffectClick(cbReverb, efReverb); };
  HuntBox = make_box("HuntBox", 296, "Hunt", "Hunt for your music");
  HuntBox->OnClick = [this](TObject* Sender) { HuntBoxClick(Sender); };

  ProgressBar1 = new TGProgress(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetParent(this);
  ProgressBar1->SetBounds(8, 214, 280, 8);
  ProgressBar1->SetColor(clRed);
  ProgressBar1->SetColorEnd(clLime);
  ProgressBar1->SetFrameColor1(clBlack);
  ProgressBar1->SetBackgroundColor(clBlack);
  ProgressBar1->SetGradientBar(true);
  ProgressBar1->SetVisible(false);

  VisualButton = MakeButton("VisualButton", 8, 232, "F2",
                            "Switch between Spectrum Display and PlayList - Keyboard command is F2", &TForm1::SwitchView);
  OpenButton = MakeButton("OpenButton", 46, 232, "F3", "Open a file - Keyboard command is F3", &TForm1::btnOpenClick);
  NetworkButton = MakeButton("NetworkButton", 84, 232, "F4",
                             "Connect to the Gnutella file sharing network - Keyboard command is F4", &TForm1::Connect);
  HelpButton = MakeButton("HelpButton", 122, 232, "F1", "Show me some Help - Keyboard command is F1", &TForm1::AboutHelp);
  SetupButton = MakeButton("SetupButton", 160, 232, "F5", "Change your preferences - Keyboard command is F5",
                           &TForm1::Settings);
  SpeedButton2 = MakeButton("SpeedButton2", 198, 232, "F6", "Movie Player - Keyboard command is F6", &TForm1::ShowVideo);
  RipButton = MakeButton("RipButton", 236, 232, "F7", "CD Ripper and Encoders - Keyboard command is F7", &TForm1::RipCD);
  CDButton = MakeButton("CDButton", 274, 232, "F8", "CD Player - Keyboard command is F8", &TForm1::ActivateCD);
  TagButton = MakeButton("TagButton", 312, 232, "F9", "ID Tag Editor - Keyboard command is F9", &TForm1::Tags);
  SpeedButton3 = MakeButton("SpeedButton3", 350, 232, "F10",
                            "Automatic Shuffle Play - For instant response, keyboard command is F10", &TForm1::Shuffle);
  RepeatButton = MakeButton("RepeatButton", 388, 232, "F11", "Repeat the current song - Keyboard command is F11", nullptr);
  RepeatButton->OnClick = [this](TObject* Sender) { RepeatPlay(Sender); };
  btnClose = MakeButton("btnClose", 434, 232, "Esc", "Quit now - Keyboard command is Esc", nullptr);
  btnClose->OnClick = [this](TObject* Sender) { btnCloseClick(Sender); };

  AutoUpgrade1 = new TAutoUpgrade(this);
  AutoUpgrade1->SetName("AutoUpgrade1");
  AutoUpgrade1->Active = true;
  // The information file lies on a reserved name: the check never reaches
  // a real server.
  AutoUpgrade1->InfoURL = "http://www.velko.example/velkinfo.txt";
  AutoUpgrade1->LastUpdated = "07/06/2003";
  AutoUpgrade1->SetLastUpdatedAutoSet(false);
  AutoUpgrade1->OnProgress = [this](TObject* Sender, int Total, int Readed) { UpgradeProgress(Sender, Total, Readed); };
  AutoUpgrade1->OnDone = [this](TObject* Sender, int Size) { UpgradeDone(Sender, Size); };
  AutoUpgrade1->OnError = [this](TObject* Sender) { UpgradeError(Sender); };

  zelOneInstance1 = new TzelOneInstance(this);
  zelOneInstance1->SetName("zelOneInstance1");
  zelOneInstance1->Message = "Velko will not start while there is another instance of itself running on your system";
  zelOneInstance1->ShowMessage = true;

  KavoShapeHint1 = new TKavoShapeHint(this);
  KavoShapeHint1->SetName("KavoShapeHint1");
  KavoShapeHint1->Font()->SetName("MS Sans Serif");
  KavoShapeHint1->Font()->SetHeight(-11);
  KavoShapeHint1->Font()->SetStyle({fsBold});
  KavoShapeHint1->Font()->SetColor(clInfoText);
  KavoShapeHint1->MaxWidth = -1;
  KavoShapeHint1->Shadow()->SetStyle(hssNone);

  PlayIt = new TPlayWav(this);
  PlayIt->SetName("PlayIt");

  for (TWinControl* control : std::initializer_list<TWinControl*>{MusicList, PosSlider, VolumeKnob, BalanceKnob, Navigator,
                                                                  InfoMemo, cbEqualizer, cbFlanger, cbEcho, cbReverb}) {
    BindKeys(control);
  }
  for (TSlider* slider : EQSliders) BindKeys(slider);

  OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { DoKeys(Sender, Key, Shift); };
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnActivate = [this](TObject* Sender) { FormActivate(Sender); };
  OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
  EndLoad();
}

TForm1::~TForm1() {
  FreeSpectrum();
  // The application frees the later windows (the tag editor among them) first.
  if (MainPlayer != nullptr && MainPlayer->Owner() == this) {
    delete MainPlayer;
    MainPlayer = nullptr;
  }
  if (Form1 == this) Form1 = nullptr;
}

TSpeedButton* TForm1::MakeButton(const char* Name, int Left, int Top, const char* Caption, const char* Hint,
                                 void (TForm1::*Command)()) {
  auto* button = new TSpeedButton(this);
  button->SetName(Name);
  button->SetParent(this);
  button->SetBounds(Left, Top, 30, 30);
  button->SetFlat(true);
  button->SetCaption(Caption);
  button->Font()->SetColor(clWhite);
  button->Hint = (Hint);
  button->SetShowHint(true);
  if (Command != nullptr) button->OnClick = [this, Command](TObject*) { (this->*Command)(); };
  return button;
}

void TForm1::BindKeys(TWinControl* Control) {
  // The window's key preview has served the key already; a control serves
  // it only when the preview is off, so one press runs one command.
  Control->OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) {
    if (!KeyPreview) DoKeys(Sender, Key, Shift);
  };
}

String TForm1::ProgramFolder() const { return ExtractFilePath(Application->ExeName()); }

// ---------------------------------------------------------------- shell

void TForm1::FormCreate(TObject*) {
  KeyPreview = true;
  {
    TRegistryIniFile settings(kSettingsKey);
    start_count_ = settings.ReadInteger(kSettingsSection, kStartCountValue, 0);
    if (start_count_ < 0) start_count_ = 0;
    if (start_count_ < 1000000) ++start_count_;
    settings.WriteString(kSettingsSection, kStartCountValue, IntToStr(start_count_));
  }
  Application->HelpFile = ProgramFolder() + "velko.hlp";
  LoadMusic();
}

void TForm1::LoadMusic() { MusicList->LoadFromFile(ProgramFolder() + "mp3.csv"); }

void TForm1::FormShow(TObject*) {
  if (shown_) return;
  shown_ = true;
  SetAudioCDAutoPlayVerb(false);
  MainPlayer = new TBASSPlayer(this);
  if (TagForm != nullptr) TagForm->MainPlayer = MainPlayer;
  if (MainPlayer->BASSDLLVer().empty()) {
    MessageBox(Handle(), "BASS.DLL is not loaded.", "Confirm", MB_OK);
    return;
  }
  if (!MainPlayer->WMAReady) MessageBox(Handle(), "BASSWMA.DLL is not loaded.", "Confirm", MB_OK);
  MainPlayer->OnNewFFTData = [this](TObject* Sender, const TBandOut& Bands) { DisplayFFTBand(Sender, Bands); };
  MainPlayer->OnPluginStartPlay = [this](TObject* Sender, std::uint16_t Channels, std::uint32_t Rate) {
    PluginStartPlay(Sender, Channels, Rate);
  };
  MainPlayer->OnPlayEnd = [this](TObject* Sender) { PlayNext(Sender); };
  CreateBasicImage();
  PeakLevels.fill(0.0f);
  for (TSlider* slider : EQSliders) {
    const int band = slider->Tag;
    if (band >= 1 && band <= NumEQBands) EQGains[band - 1] = static_cast<float>(slider->Value() - 15.0);
  }
  if (MainPlayer->PluginReady()) {
    // Results ignored: a missing plug-in only leaves its slot empty.
    for (const char* plugin : {"in_CDReader.dll", "in_asf.dll", "in_midi.dll"}) LoadWinampPlugin(plugin);
  }
  if (MainPlayer->BASSReady) Timer_Stat->SetEnabled(true);
  if (start_count_ == 1) {
    SetCaption("First run of this software - Now hunting for your music");
    FindMusic();
  }
}

void TForm1::FormActivate(TObject*) {
  Application->SetShowHint(true);
  if (SettingsForm == nullptr) return;
  SettingsForm->ReadIt(this);
  TRegistryIniFile& reg = *SettingsForm->RegIni;
  if (start_count_ >= 2) {
    const String name = reg.ReadString(kSettingsSection, "SwapSkin", PictureName);
    if (!name.empty()) {
      TPicture picture;
      bool loaded = false;
      try {
        picture.LoadFromFile(ProgramFolder() + name);
        loaded = true;
      } catch (Exception& e) {
        Application->ShowException(e);
      }
      if (loaded) {
        TImage* images[] = {Image1,
                            ParAbout ? ParAbout->Image1 : nullptr,
                            TagForm ? TagForm->Image1 : nullptr,
                            VideoForm ? VideoForm->Image1 : nullptr,
                            VideoHunterForm ? VideoHunterForm->Image1 : nullptr,
                            CDHunterForm ? CDHunterForm->Image1 : nullptr,
                            RipperForm ? RipperForm->Image1 : nullptr,
                            AlbumInfoForm ? AlbumInfoForm->Image1 : nullptr,
                            SettingsForm->Image1,
                            NutsForm ? NutsForm->Image2 : nullptr};
        for (TImage* image : images) {
          if (image != nullptr) image->Picture()->Assign(&picture);
        }
      }
    }
  }
  TSettingsForm& s = *SettingsForm;
  const bool startup = reg.ReadBool(kSettingsSection, "Startup", s.Booter->Checked());
  s.Booter->SetChecked(startup);
  s.BootHide->SetChecked(startup);
  s.FullBox->SetChecked(reg.ReadBool(kSettingsSection, "ShowBig", s.FullBox->Checked()));
  s.NavigateBox->SetChecked(reg.ReadBool(kSettingsSection, "NavSwitch", s.NavigateBox->Checked()));
  const bool updates = reg.ReadBool(kSettingsSection, "Updates", s.AutoBox->Checked());
  s.AutoBox->SetChecked(updates);
  AutoUpgrade1->Active = updates;
  const bool hunter = reg.ReadBool(kSettingsSection, "Hunter", s.SearchBox->Checked());
  s.SearchBox->SetChecked(hunter);
  if (hunter) FindMusic();
  if (start_count_ == 1 || start_count_ == 2) {
    Shuffle();
    s.ShuffleBox->SetChecked(true);
    if (start_count_ == 1) {
      Hint = (kFirstRunHint);
      SetShowHint(true);
    }
    s.FullBox->SetChecked(true);
    s.NavigateBox->SetChecked(true);
    s.AutoBox->SetChecked(true);
    AutoUpgrade1->Active = true;
  }
  if (reg.ReadBool(kSettingsSection, "Shuffle", s.ShuffleBox->Checked())) {
    Shuffle();
    s.ShuffleBox->SetChecked(true);
  } else {
    s.ShuffleBox->SetChecked(false);
  }
  AutoPlay();
  if (start_count_ >= 5) Application->HintPause = 600;
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  Timer_Stat->SetEnabled(false);
  if (MainPlayer != nullptr) {
    if (TagForm != nullptr && TagForm->MainPlayer == MainPlayer) TagForm->MainPlayer = nullptr;
    delete MainPlayer;
    MainPlayer = nullptr;
  }
  FreeSpectrum();
}

void TForm1::FindMusic() {
  if (hunting_) return;
  hunting_ = true;
  SetCaption("Hunting for your music - Please wait");
  MusicHunter->SetRootPath("c:");
  MusicList->Items()->BeginUpdate();
  MusicList->Items()->Clear();
  list_holds_cd_tracks_ = false;
  MusicHunter->FileNames()->Clear();
  MusicHunter->FileNames()->AddStrings(ListBox2->Items());
  bool ok = false;
  try {
    ok = MusicHunter->Execute();
  } catch (...) {
    MusicList->Items()->EndUpdate();
    hunting_ = false;
    throw;
  }
  if (!ok) MessageBox(Handle(), "Error during the search operation !", "ERROR", MB_OK);
  MusicList->Items()->EndUpdate();
  try {
    MusicList->SaveToFile(ProgramFolder() + "mp3.csv");
  } catch (...) {
    HuntBox->SetChecked(false);
    hunting_ = false;
    throw;
  }
  HuntBox->SetChecked(false);
  hunting_ = false;
}

void TForm1::HuntBoxClick(TObject*) {
  // Only ticking the box hunts; clearing it afterwards does not.
  if (HuntBox->Checked() && !hunting_) FindMusic();
}

bool TForm1::AcceptFiles(const TFileInformations&) { return true; }

void TForm1::FoundAllFiles(const TFileInformations& FileFound) {
  TListItem* item = Form1->MusicList->Items()->Add();
  item->SetCaption(FileFound.Name);
  item->SubItems()->Add(FileFound.Path);
}

void TForm1::DoStats(const TStatistics& Stats) { SetCaption(IntToStr(Stats.FilesFound) + " songs found"); }

void TForm1::DoKeys(TObject*, Word& Key, TShiftState Shift) {
  if (Shift.Contains(ssShift) || Shift.Contains(ssAlt) || Shift.Contains(ssCtrl)) return;
  switch (Key) {
    case VK_F1: AboutHelp(); break;
    case VK_F1 + 1: SwitchView(); break;
    case VK_F1 + 2: btnOpenClick(); break;
    case VK_F1 + 3: Connect(); break;
    case VK_F1 + 4: Settings(); break;
    case VK_F1 + 5: ShowVideo(); break;
    case VK_F1 + 6: RipCD(); break;
    case VK_F1 + 7: ActivateCD(); break;
    case VK_F1 + 8: Tags(); break;
    case VK_F1 + 9: ShufflePlay(this); break;
    case VK_F1 + 10: RepeatPlay(this); break;
    case VK_F1 + 11: Shrink(); break;
    case VK_ESCAPE: btnCloseClick(this); break;
    case VK_ADD: PlayNext(this); break;
    case VK_SUBTRACT: PlayLast(this); break;
    default: break;
  }
}

void TForm1::AboutHelp() {
  if (ParAbout != nullptr) ParAbout->ShowModal();
  Application->HelpCommand(HELP_FINDER, 0);
}

void TForm1::Connect() {
  if (NutsForm != nullptr) NutsForm->Show();
  FindMusic();
}

void TForm1::MovieMenu() { ShowVideo(); }

void TForm1::Settings() {
  if (SettingsForm != nullptr) SettingsForm->ShowModal();
}

void TForm1::ShowVideo() {
  if (VideoForm != nullptr) VideoForm->ShowModal();
}

void TForm1::RipCD() {
  if (RipperForm != nullptr) RipperForm->ShowModal();
  FindMusic();
}

void TForm1::ActivateCD() {
  FindCD();
  MusicList->Items()->BeginUpdate();
  MusicList->Items()->Clear();
  MusicList->Items()->EndUpdate();
  list_holds_cd_tracks_ = true;
  if (CDHunterForm == nullptr) return;
  CDHunterForm->FoundFiles->Items()->BeginUpdate();
  CDHunterForm->FoundFiles->Items()->Clear();
  CDHunterForm->FoundFiles->Items()->EndUpdate();
  CDHunterForm->ShowModal();
}

void TForm1::FindCD() {
  char buffer[129] = {};
  const DWORD needed = GetLogicalDriveStrings(sizeof buffer, buffer);
  if (needed > sizeof buffer) throw EOSError(SysErrorMessage(14), 14);
  for (const char* drive = buffer; *drive != '\0' && drive < buffer + sizeof buffer; drive += std::strlen(drive) + 1) {
    if (GetDriveType(drive) == DRIVE_CDROM && CDHunterForm != nullptr) CDHunterForm->mp3hunt->SetLocation(drive);
  }
}

void TForm1::Tags() {
  // CD tracks listed by F8 are not songs of the library: keep the saved list.
  if (!list_holds_cd_tracks_) MusicList->SaveToFile(ProgramFolder() + "mp3.csv");
  if (TagForm != nullptr) TagForm->ShowModal();
}

void TForm1::Shrink() { Application->Minimize(); }

void TForm1::btnCloseClick(TObject*) {
  if (SettingsForm != nullptr && SettingsForm->RegIni != nullptr &&
      SettingsForm->RegIni->ReadString(kSettingsSection, "SwapSkin", PictureName).empty()) {
    SettingsForm->RegIni->WriteString(kSettingsSection, "SwapSkin", kDefaultPicture);
  }
  Application->Terminate();
}

void TForm1::SetAudioCDAutoPlayVerb(bool Play) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\AudioCD\\", 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  RegCloseKey(key);
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Classes\\AudioCD\\Shell\\", 0, KEY_WRITE, &key) != ERROR_SUCCESS)
    return;
  const char* value = Play ? "play" : "";
  RegSetValueEx(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(std::strlen(value) + 1));
  RegCloseKey(key);
}

void TForm1::AutoPlayCD() { SetAudioCDAutoPlayVerb(true); }

void TForm1::UpgradeProgress(TObject* Sender, int TotalSize, int Readed) {
  // The gauge belongs to the main thread: a call from the update worker is
  // handed over (and waits for it).
  if (GetCurrentThreadId() != MainThreadID) {
    TThread::Synchronize(nullptr, [this, Sender, TotalSize, Readed] { UpgradeProgress(Sender, TotalSize, Readed); });
    return;
  }
  ProgressBar1->SetVisible(true);
  ProgressBar1->SetMax(TotalSize);
  ProgressBar1->SetPosition(Readed);
}

void TForm1::UpgradeDone(TObject*, int) {
  ProgressBar1->SetVisible(false);
  PlayIt->Play(ProgramFolder() + "ok.wav");
  MessageBox(Handle(), "Your update has completed successfully\r\n\r\nClick OK to restart Velko",
             Application->Title().c_str(), MB_OK);
}

void TForm1::UpgradeError(TObject*) {
  MessageBox(Handle(), "Connection with server not possible right now - Please try later",
             Application->Title().c_str(), MB_OK);
}
