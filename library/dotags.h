// TTagForm: the tag editor. Its own copy of the song list ("mp3.csv"),
// seven fields for the ID3v1 tag of the chosen song, and buttons to write
// the tag, play the song through the main window's player and stop it.
#pragma once

#include "classlib/Buttons.h"
#include "classlib/Dialogs.h"
#include "classlib/Edit.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "library/advlistv.h"
#include "playback/BASSPlayer.h"
#include "tags/mp3Tag.h"

class TTagForm : public TForm {
 public:
  explicit TTagForm(TComponent* AOwner);

  TOpenDialog* OpenDialog1 = nullptr;
  Tmp3Tag* mp3Tag1 = nullptr;
  TAdvListView* MusicList = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit2 = nullptr;
  TEdit* Edit3 = nullptr;
  TEdit* Edit4 = nullptr;
  TEdit* Edit5 = nullptr;
  TEdit* Edit6 = nullptr;
  TEdit* Edit7 = nullptr;
  TImage* Image1 = nullptr;
  TSpeedButton* PlayButton = nullptr;
  TSpeedButton* StopButton = nullptr;
  TSpeedButton* SpeedButton2 = nullptr;
  TSpeedButton* SpeedButton1 = nullptr;

  // The main window's player and song list; the main window sets them.
  TBASSPlayer* MainPlayer = nullptr;
  TAdvListView* MainMusicList = nullptr;

  void FormCreate(TObject* Sender);
  void FillEditors(TObject* Sender);
  void AutoPlay(TObject* Sender);
  void StopNow(TObject* Sender);
  void SaveInfo(TObject* Sender);
  void Quit(TObject* Sender);
  void Leave(TObject* Sender, Word& Key, TShiftState Shift);
  void Button1Click(TObject* Sender);

  const String& SongPath() const { return song_path_; }
  static String ListFileName();

 private:
  void FillFromTag();

  String song_path_;
};

extern TTagForm* TagForm;
