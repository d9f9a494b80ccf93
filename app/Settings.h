// TSettingsForm: the preferences window (F5). It owns the registry ini
// object through which the program keeps its settings, lets the user pick
// one of six background pictures, switches hints, grid lines and hot
// tracking of the song list, binds the start-with-the-session entry and
// runs the sleep mode (play for some minutes, then power off).
#pragma once

#include <cstdint>
#include <memory>

#include "classlib/Button.h"
#include "classlib/ComboBox.h"
#include "classlib/Edit.h"
#include "classlib/Forms.h"
#include "classlib/GroupBox.h"
#include "classlib/Image.h"
#include "classlib/Label.h"
#include "classlib/PageControl.h"
#include "classlib/Registry.h"
#include "classlib/Spin.h"
#include "classlib/Timers.h"
#include "controls/GProgress.h"

class TAMAutoRun;
class TscSkinEngine;

// The settings key (below HKEY_CURRENT_USER) and its section.
inline constexpr char kSettingsKey[] = "SOFTWARE\\Calvane Technology";
inline constexpr char kSettingsSection[] = "Velko";
// The picture written when "SwapSkin" is found empty.
inline constexpr char kDefaultPicture[] = "zig.jpg";

// The file name of the background picture chosen in this run (empty until
// one is chosen).
extern String PictureName;

// Loads a picture file by its bare name from the program folder; true
// then. No image or an empty name loads nothing: false. A file that is
// missing or cannot be read raises the picture's error and leaves the
// image as it is.
bool LoadProgramPicture(TImage* Image, const String& Name);

class TSettingsForm : public TForm {
 public:
  explicit TSettingsForm(TComponent* AOwner);
  ~TSettingsForm() override;

  std::unique_ptr<TRegistryIniFile> RegIni;
  std::uint32_t SleepStart = 0;
  std::uint32_t SleepDuration = 0;

  TImage* Image1 = nullptr;
  TscSkinEngine* scSkin = nullptr;
  TPageControl* PageControl1 = nullptr;
  TTabSheet* GeneralPage = nullptr;
  TTabSheet* SkinPage = nullptr;
  TTabSheet* AutomationPage = nullptr;
  TTabSheet* ClosePage = nullptr;
  TLabel* PriorityLabel = nullptr;
  TComboBox* ComboBoxPriority = nullptr;
  TGroupBox* LibraryGroup = nullptr;
  TEdit* Edit1 = nullptr;
  TButton* Button1 = nullptr;
  TCheckBox* FullBox = nullptr;
  TCheckBox* HintBox = nullptr;
  TCheckBox* HotTrack = nullptr;
  TCheckBox* grids = nullptr;
  TCheckBox* NavigateBox = nullptr;
  TCheckBox* SwirlBox = nullptr;
  TCheckBox* WildBox = nullptr;
  TCheckBox* CloudBox = nullptr;
  TCheckBox* RockBox = nullptr;
  TCheckBox* SpikeBox = nullptr;
  TCheckBox* FireBox = nullptr;
  TGProgress* ProgressBar1 = nullptr;
  TLabel* DakLabel = nullptr;
  TLabel* SanLabel = nullptr;
  TSpinEdit* SpinEdit1 = nullptr;
  TCheckBox* Booter = nullptr;
  TCheckBox* BootHide = nullptr;
  TCheckBox* ShuffleBox = nullptr;
  TCheckBox* AutoBox = nullptr;
  TCheckBox* SleepBox = nullptr;
  TCheckBox* SearchBox = nullptr;
  TCheckBox* SaveBox = nullptr;
  TCheckBox* CancelBox = nullptr;
  TTimer* Timer1 = nullptr;
  TAMAutoRun* AMAutoRun1 = nullptr;

  void ReadSettings();
  void WriteSettings();

  void FormCreate(TObject* Sender);
  void ReadIt(TObject* Sender);
  void SaveIt(TObject* Sender);
  void Leave(TObject* Sender);
  void DoHint(TObject* Sender);
  void DoGrid(TObject* Sender);
  void DoHot(TObject* Sender);
  void AutoBoot(TObject* Sender);
  void NavigateSwitch(TObject* Sender);
  void DoHunt(TObject* Sender);
  void DoFire(TObject* Sender);
  void DoRock(TObject* Sender);
  void DoClouds(TObject* Sender);
  void DoWild(TObject* Sender);
  void DoSpike(TObject* Sender);
  void DoSwirl(TObject* Sender);
  void ShutDown(TObject* Sender);
  void CountDown(TObject* Sender);
  void SpinKeyPress(TObject* Sender, char& Key);

 private:
  TCheckBox* MakeBox(TWinControl* Parent, const char* Name, int Left, int Top, int Width,
                     const char* Caption);
  void ChoosePicture(TCheckBox* Box, const char* FileName);
  // Unticks both closing boxes without running their click handlers.
  void ClearCloseBoxes();

  bool clearing_close_boxes_ = false;
};

extern TSettingsForm* SettingsForm;
