// TRipperForm: the ripper window. It lists the ripping library's drives,
// reads the disc's table of contents, and rips the selected track to
// "Song.wav" in the program folder, to an Ogg file, or through "Song.wav"
// to MP3. The window's caption is its status line.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "classlib/Buttons.h"
#include "classlib/ComboBox.h"
#include "classlib/Dialogs.h"
#include "classlib/Forms.h"
#include "classlib/Image.h"
#include "classlib/ListBox.h"
#include "controls/GProgress.h"
#include "desktop/PlayWav.h"
#include "library/advlistv.h"
#include "ripper/CDRipIntf.h"
#include "ripper/LameCoder.h"
#include "ripper/VorbisDll.h"

class TCDHunterForm;

class TRipperForm : public TForm {
 public:
  explicit TRipperForm(TComponent* AOwner);
  ~TRipperForm() override;

  TImage* Image1 = nullptr;
  TComboBox* DriveSelBox = nullptr;
  TComboBox* TrackSelBox = nullptr;
  TComboBox* EncQualitySel = nullptr;
  TAdvListView* RipperList = nullptr;
  TListBox* ListBox2 = nullptr;
  TGProgress* Progress = nullptr;
  TLameCoder* LameCoder1 = nullptr;
  TOpenDialog* OpenDialog1 = nullptr;
  TSaveDialog* SaveDialog1 = nullptr;
  TPlayWav* PlayIt = nullptr;
  TSpeedButton* StopButton = nullptr;
  TSpeedButton* CancelButton = nullptr;
  TSpeedButton* WaveButton = nullptr;
  TSpeedButton* RipButton = nullptr;
  TSpeedButton* CloseCDButton = nullptr;
  TSpeedButton* EjectButton = nullptr;
  TSpeedButton* RipMP3Button = nullptr;

  void FormShow(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void LoadDiscInfo();
  void FindCD();
  bool IsAudioCDReady();
  bool CanPlay();
  void DriveSelBoxChange(TObject* Sender);
  void Leave(TObject* Sender, Word& Key, TShiftState Shift);

  void btnCloseCDClick(TObject* Sender);
  void btnEjectCDClick(TObject* Sender);
  void btnPlayTrackClick(TObject* Sender);
  void btnPauseClick(TObject* Sender);
  void btnResumeClick(TObject* Sender);
  void btnStopPlayClick(TObject* Sender);
  void btnDLLVerClick(TObject* Sender);
  void btnSaveSettingsClick(TObject* Sender);
  void btnCloseClick(TObject* Sender);
  void btnCancelRipClick(TObject* Sender);
  void btnRipTrackClick(TObject* Sender);
  void btnRip_EncodeClick(TObject* Sender);
  void RipMP3(TObject* Sender);
  void OpenWave();
  void Rubout();
  void StartRip(TObject* Sender, uint16_t Index, const String& FileName);
  void RipProgress(TObject* Sender, uint16_t Percent);
  void RipFinish(TObject* Sender);

  int RipChunk(uint8_t Track);
  int Track2OggFile(int Track, const String& FileName, const TVorbisEncParams& Params);

  // The track of the selected row: the number in its "TrackNN.cda" name,
  // else its position + 1; 0 with no row selected.
  int SelectedTrack();
  // Where the CD's track list comes from: this hook when set, else the
  // program's CD search window (`CDHunterForm`) shown on `location`, else,
  // with neither, the window lists the drive's root itself.
  static std::function<void(TRipperForm* Form, const String& Location)> ShowCDSearch;
  // The CD search's location FindCD chose.
  String CDLocation;

 protected:
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void WMDeviceChange(TMessage& Message);
  void ListRootTracks(const String& Location);
  void SearchCD(const String& Location);
  void SetStatus(const String& Text) { SetCaption(Text); }
  // Takes up to `want` bytes of ripped audio into `pcm`; 0 when none is left.
  int TakeRipped(uint8_t* pcm, int want, int& percent);

  // The CD search window this one's list was given to, while it lives.
  TCDHunterForm* hunter_ = nullptr;
  std::vector<uint8_t> ogg_rip_buffer_;
  int ogg_position_ = 0;
  int ogg_chunk_bytes_ = 0;
  // The drive failed a read during the running Ogg rip.
  bool ogg_read_failed_ = false;
};

extern TRipperForm* RipperForm;

extern uint8_t DiscInfoLoaded;
extern uint8_t Ripping;
extern uint8_t RipCancel;
extern TCDRomParams CDParams;
extern int DriveCount;

String StripTrailingBackslash(const String& S);
