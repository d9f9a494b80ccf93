// TForm1: the main window. It counts the program's starts, creates the one
// player, applies the settings at every activation, hunts drive C: for
// music into the song list, serves the key commands and the buttons that
// open the other windows, plays rows of the song list, shows the status
// and draws the spectrum.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "classlib/Button.h"
#include "classlib/Dialogs.h"
#include "classlib/Edit.h"
#include "classlib/Forms.h"
#include "classlib/Image.h"
#include "classlib/Label.h"
#include "classlib/ListBox.h"
#include "classlib/PaintBox.h"
#include "classlib/Panel.h"
#include "classlib/SpeedButton.h"
#include "classlib/Timers.h"
#include "controls/GProgress.h"
#include "controls/KavoShapeHint.h"
#include "controls/SSVolumeController.h"
#include "controls/VrNavigator.h"
#include "controls/VrTrackBar.h"
#include "controls/slider.h"
#include "library/EasyFileSearch.h"
#include "library/advlistv.h"
#include "library/alvutil.h"  // SongPathOfRow, the path of a song-list row
#include "playback/BASSPlayer.h"

class TAutoUpgrade;
class TzelOneInstance;
class TPlayWav;

// The program-wide player (owned by the main window from its first show).
extern TBASSPlayer* MainPlayer;
// The path of the song last built from a row of the song list.
extern String CurrentSongPath;
extern std::int32_t CurrentSampleRate;
extern std::uint8_t PosDragging;
extern TEQGains EQGains;

// The spectrum's bitmaps and peak markers.
constexpr int kSpectrumWidth = 275;
constexpr int kSpectrumHeight = 112;
constexpr int kRampWidth = 8;
constexpr int kRampHeight = 111;
extern TBitmap* SpectrumBackground;
extern TBitmap* SpectrumWork;
extern TBitmap* SpectrumBars;
extern const TRect SpectrumRect;
extern std::array<float, NumFFTBands> PeakLevels;
extern std::array<std::int32_t, NumFFTBands> PeakHold;

// The colour of row r of the ramp.
TColor SpectrumRampColor(int Row);
// "nn:ss" of a time in ms; an hour or more shows its total minutes.
String FormatSongTime(std::uint32_t Milliseconds);
// The open-dialog filter of native types N and plug-in types P.
String PlayableFilter(const String& Native, const String& Plugin);

// Where the program counts its starts (in the settings section).
inline constexpr char kStartCountValue[] = "StartCount";

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;

  // The program's start number (1 on the first start), counted when the
  // window is created.
  int StartCount() const { return start_count_; }
  // True once F8 has put CD tracks into the list, until the next hunt.
  bool ListHoldsCDTracks() const { return list_holds_cd_tracks_; }

  TImage* Image1 = nullptr;
  TPanel* Panel1 = nullptr;
  TPaintBox* GaugePaintBox = nullptr;
  TAdvListView* MusicList = nullptr;
  TMemo* InfoMemo = nullptr;
  TSlider* PosSlider = nullptr;
  std::array<TSlider*, 10> EQSliders{};
  TVrTrackBar* VolumeKnob = nullptr;
  TVrTrackBar* BalanceKnob = nullptr;
  TssVolumeController* VolControl = nullptr;
  TVrNavigator* Navigator = nullptr;
  TLabel* Label_Length = nullptr;
  TLabel* Label_State = nullptr;
  TTimer* Timer_Stat = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TEasyFileSearch* MusicHunter = nullptr;
  TListBox* ListBox2 = nullptr;
  TCheckBox* HuntBox = nullptr;
  TCheckBox* cbEqualizer = nullptr;
  TCheckBox* cbFlanger = nullptr;
  TCheckBox* cbEcho = nullptr;
  TCheckBox* cbReverb = nullptr;
  TGProgress* ProgressBar1 = nullptr;
  TAutoUpgrade* AutoUpgrade1 = nullptr;
  TzelOneInstance* zelOneInstance1 = nullptr;
  TKavoShapeHint* KavoShapeHint1 = nullptr;
  TPlayWav* PlayIt = nullptr;
  TSpeedButton* VisualButton = nullptr;
  TSpeedButton* OpenButton = nullptr;
  TSpeedButton* NetworkButton = nullptr;
  TSpeedButton* HelpButton = nullptr;
  TSpeedButton* SetupButton = nullptr;
  TSpeedButton* SpeedButton2 = nullptr;
  TSpeedButton* RipButton = nullptr;
  TSpeedButton* CDButton = nullptr;
  TSpeedButton* TagButton = nullptr;
  TSpeedButton* SpeedButton3 = nullptr;
  TSpeedButton* RepeatButton = nullptr;
  TSpeedButton* btnClose = nullptr;

  // --- shell ---
  void FormCreate(TObject* Sender);
  void LoadMusic();
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FindMusic();
  void HuntBoxClick(TObject* Sender);
  bool AcceptFiles(const TFileInformations& FileFound);
  void FoundAllFiles(const TFileInformations& FileFound);
  void DoStats(const TStatistics& Stats);
  void DoKeys(TObject* Sender, Word& Key, TShiftState Shift);
  void AboutHelp();
  void Connect();
  void Settings();
  void ShowVideo();
  // The movie window, modally (a menu command of its own).
  void MovieMenu();
  void RipCD();
  void ActivateCD();
  void FindCD();
  void Tags();
  void Shrink();
  void btnCloseClick(TObject* Sender);
  void SetAudioCDAutoPlayVerb(bool Play);
  void AutoPlayCD();
  void UpgradeProgress(TObject* Sender, int TotalSize, int Readed);
  void UpgradeDone(TObject* Sender, int FileSize);
  void UpgradeError(TObject* Sender);

  // --- player front end ---
  void btnPlayClick();
  void btnPauseClick();
  void btnStopClick();
  void Controller(TObject* Sender, TVrButtonType Button);
  void ClickPlay(TObject* Sender);
  void PlayNext(TObject* Sender);
  void PlayLast(TObject* Sender);
  void AutoPlay();
  void ShufflePlay(TObject* Sender);
  void RepeatPlay(TObject* Sender);
  void Shuffle();
  void btnOpenClick();
  void PluginStartPlay(TObject* Sender, std::uint16_t Channels, std::uint32_t SampleRate);
  void Timer_StatTimer(TObject* Sender);
  void PosSliderStartTracking(TObject* Sender);
  void PosSliderStopTracking(TObject* Sender);
  void EQSliderChange(TObject* Sender);
  void EffectClick(TCheckBox* Box, TEffect Effect);
  void changeVolume(TObject* Sender);
  void changeBalance(TObject* Sender);
  void SwitchView();
  void btnPluginSetupClick();
  // Bound to no control; does nothing.
  void VolumeKnob1stChange(TObject* Sender);

  // --- spectrum ---
  void CreateBasicImage();
  void DisplayFFTBand(TObject* Sender, const TBandOut& BandOut);
  void FreeSpectrum();

  // The row index a Random(Count) pick gave last (tests read it).
  int LastRandomRow() const { return last_random_row_; }

 private:
  struct PlayMember;
  void PlayRow(const PlayMember& Member, int Row, TObject* Sender);
  void ShowSong();
  int RandomRow();
  void SetOpenFilter();
  String ProgramFolder() const;
  TSpeedButton* MakeButton(const char* Name, int Left, int Top, const char* Caption, const char* Hint,
                           void (TForm1::*Command)());
  void BindKeys(TWinControl* Control);

  int start_count_ = 0;
  bool shown_ = false;
  bool hunting_ = false;
  bool list_holds_cd_tracks_ = false;
  int last_random_row_ = -1;
  std::uint32_t random_calls_ = 0;
};

extern TForm1* Form1;
