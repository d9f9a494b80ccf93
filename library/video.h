// TVideoForm: the movie window. A list of movies ("movie.csv" in the
// program folder), a panel in which the clicked movie plays through the
// media player, a button bar, a position bar and four speed buttons. A
// movie plays in the panel or over the whole screen.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Label.h"
#include "classlib/MPlayer.h"
#include "classlib/Registry.h"
#include "classlib/StdCtrls.h"
#include "classlib/Timers.h"
#include "controls/GProgress.h"
#include "controls/VrNavigator.h"
#include "library/advlistv.h"

class TVideoForm : public TForm {
 public:
  explicit TVideoForm(TComponent* AOwner);

  TMediaPlayer* VideoMedia = nullptr;
  TPanel* ViewPanel = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TLabel* LengthLabel = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TTimer* Timer1 = nullptr;
  TAdvListView* VideoList = nullptr;
  TVrNavigator* Navigate = nullptr;
  TImage* Image1 = nullptr;
  TSpeedButton* OpenButton = nullptr;
  TSpeedButton* FullButton = nullptr;
  TSpeedButton* SearchButton = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;
  TGProgress* Progress = nullptr;

  // The preferences window's boxes and its settings object; the program
  // sets them when that window is made. Unset, the boxes read unchecked
  // and the settings their defaults.
  TCheckBox* FullBox = nullptr;
  TCheckBox* NavigateBox = nullptr;
  TRegIniFile* RegIni = nullptr;

  void FormCreate(TObject* Sender);
  void NoFull(TObject* Sender);
  using TCustomForm::Activate;
  void Activate(TObject* Sender);
  void NoTimer(TObject* Sender, TCloseAction& Action);
  void Abort(TObject* Sender, Word& Key, TShiftState Shift);
  void Keys(TObject* Sender, char& Key);
  void OpenVideo(TObject* Sender);
  void ShowFull(TObject* Sender);
  void FindMovies(TObject* Sender);
  void Quit(TObject* Sender);
  void VideoListClick(TObject* Sender);
  void Controller(TObject* Sender, TVrButtonType Button);
  void VideoTimer(TObject* Sender);
  void Play();
  void ShowLibrary();
  void Pause();
  void Next();
  void Previous();
  void Back();
  void Step();
  void ShowNormal();
  void LoadMovies();
  void ColumnClick(TObject* Sender, TListColumn* Column);

  // The movie the last click or step chose.
  const String& MoviePath() const { return movie_path_; }
  // Where the list is kept: the program folder's "movie.csv".
  static String ListFileName();

 private:
  // Opens the movie of a row into the panel.
  void OpenRow(TListItem* Item);
  bool Checked(TCheckBox* Box) const { return Box != nullptr && Box->Checked(); }
  void SetChecked(TCheckBox* Box, bool Value) {
    if (Box != nullptr) Box->SetChecked(Value);
  }
  bool ReadSetting(const String& Name, bool Default);
  void SaveAndClose();

  int sort_column_ = 0;
  bool descending_ = false;
  String movie_path_;
};

extern TVideoForm* VideoForm;
