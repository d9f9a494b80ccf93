#include "ripper/Ripper.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "classlib/DateTime.h"
#include "classlib/FileRoutines.h"
#include "classlib/PathRoutines.h"
#include "classlib/Streams.h"
#include "classlib/StringRoutines.h"
#include "library/CDHunter.h"
#include "platform/cd/cd.h"
#include "platform/core/clock.h"
#include "platform/fs/files.h"
#include "platform/user/messages.h"
#include "ripper/ReplacingFile.h"
#include "ripper/SetAlbumInfo.h"

TRipperForm* RipperForm = nullptr;
uint8_t DiscInfoLoaded = 0;
uint8_t Ripping = 0;
uint8_t RipCancel = 0;
TCDRomParams CDParams{};
int DriveCount = 0;

std::function<void(TRipperForm*, const String&)> TRipperForm::ShowCDSearch;

namespace {

// The chunk buffer of the running rip, owned here and freed once.
std::vector<uint8_t> RipBuffer;

constexpr const char* kNotReadyCaption = "CDRip3.DLL is not ready";
constexpr const char* kNotReadyCommand = "CDRip3.DLL is not ready.";
// Comment texts are kept to what their buffers held.
constexpr size_t kTextBytes = 131;

String SongWavPath() { return ProgramFolder() + "Song.wav"; }

String TwoDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02d", n);
  return text;
}

String ClipText(const String& s) { return ClipUtf8(s, kTextBytes); }

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void WaveHeader(uint8_t* h) {
  std::memset(h, 0, 44);
  std::memcpy(h, "RIFF", 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  h[20] = 1;
  h[22] = 2;
  Put32(h + 24, 44100);
  Put32(h + 28, 176400);
  h[32] = 4;
  h[34] = 16;
  std::memcpy(h + 36, "data", 4);
}

TSpeedButton* MakeButton(TRipperForm* form, const char* name, const char* caption, const char* hint, int left, int top,
                         std::function<void(TObject*)> handler) {
  auto* b = new TSpeedButton(form);
  b->SetName(name);
  b->SetParent(form);
  b->SetBounds(left, top, 64, 28);
  b->SetCaption(caption);
  b->Hint = hint;
  b->SetShowHint(true);
  b->OnClick = std::move(handler);
  return b;
}

}  // namespace

String StripTrailingBackslash(const String& S) {
  String s = S;
  if (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

TRipperForm::TRipperForm(TComponent* AOwner) : TForm(AOwner) {
  BeginLoad();
  SetName("RipperForm");
  SetCaption("CD Ripper");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientSize(474, 300);
  HelpContext = 15;
  KeyPreview = false;
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetAlign(alClient);
  Image1->SetStretch(true);
  try {
    Image1->Picture()->Bitmap()->LoadFromResourceName("RIPPERFORM_IMAGE1");
  } catch (const Exception&) {
    // Without the program's resources the window shows its colour.
  }
  auto key = [this](TObject* s, Word& k, TShiftState sh) { Leave(s, k, sh); };
  DriveSelBox = new TComboBox(this);
  DriveSelBox->SetName("DriveSelBox");
  DriveSelBox->SetParent(this);
  DriveSelBox->SetBounds(8, 8, 220, 21);
  DriveSelBox->Hint = "Select the CDROM to use, if your system has more than one";
  DriveSelBox->SetShowHint(true);
  DriveSelBox->OnChange = [this](TObject* s) { DriveSelBoxChange(s); };
  DriveSelBox->OnKeyDown = key;
  TrackSelBox = new TComboBox(this);
  TrackSelBox->SetName("TrackSelBox");
  TrackSelBox->SetParent(this);
  TrackSelBox->SetBounds(236, 8, 120, 21);
  TrackSelBox->SetVisible(false);
  EncQualitySel = new TComboBox(this);
  EncQualitySel->SetName("EncQualitySel");
  EncQualitySel->SetParent(this);
  EncQualitySel->SetBounds(364, 8, 102, 21);
  EncQualitySel->Hint = "Select your desired Encoding Quality preference";
  EncQualitySel->SetShowHint(true);
  EncQualitySel->OnKeyDown = key;
  RipperList = new TAdvListView(this);
  RipperList->SetName("RipperList");
  RipperList->SetParent(this);
  RipperList->SetBounds(8, 36, 458, 190);
  RipperList->SetViewStyle(vsReport);
  RipperList->SetReadOnly(true);
  RipperList->SetRowSelect(true);
  RipperList->Hint = "Select a track then click on your desired rip preference";
  RipperList->SetShowHint(true);
  RipperList->OnKeyDown = key;
  TListColumn* column = RipperList->Columns()->Add();
  column->SetCaption("Song");
  column->SetWidth(190);
  // The folder column takes the room the other two leave, so its header
  // and the drive roots it lists show whole.
  TListColumn* location = RipperList->Columns()->Add();
  location->SetCaption("Location");
  location->SetAutoSize(true);
  RipperList->Columns()->Add()->SetWidth(1);
  ListBox2 = new TListBox(this);
  ListBox2->SetName("ListBox2");
  ListBox2->SetParent(this);
  ListBox2->SetBounds(8, 36, 10, 10);
  ListBox2->SetVisible(false);
  Progress = new TGProgress(this);
  Progress->SetName("Progress");
  Progress->SetParent(this);
  // A thin lime bar under the list, open inside, in a black and white frame.
  Progress->SetBounds(172, 241, 129, 6);
  Progress->SetColor(clLime);
  Progress->SetColorEnd(clLime);
  Progress->SetGradientBar(true);
  Progress->SetTransparent(true);
  Progress->SetFrameColor1(clBlack);
  Progress->SetFrameColor2(clWhite);
  Progress->SetVisible(false);
  LameCoder1 = new TLameCoder(this);
  LameCoder1->SetName("LameCoder1");
  LameCoder1->DefaultExt = "mp3";
  LameCoder1->OnBeginFile = [this](TObject* s, uint16_t i, const String& f) { StartRip(s, i, f); };
  LameCoder1->OnProgress = [this](TObject* s, uint16_t p) { RipProgress(s, p); };
  LameCoder1->OnEndProcess = [this](TObject* s) { RipFinish(s); };
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->Title = "Select Song.wav in Velko folder for encoding to MP3 format";
  OpenDialog1->Filter = "Wave files (*.wav)|*.wav|*.wav";
  OpenDialog1->DefaultExt = "wav";
  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->SetName("SaveDialog1");
  SaveDialog1->Title = "Enter the track name to save this song as";
  SaveDialog1->Filter = "MP3 files (*.mp3)|*.mp3";
  SaveDialog1->DefaultExt = "*.mp3";
  PlayIt = new TPlayWav(this);
  PlayIt->SetName("PlayIt");
  const int y = 262;
  StopButton = MakeButton(this, "StopButton", "Quit", "Quit now - Keyboard command is Esc", 8, y,
                          [this](TObject* s) { btnCloseClick(s); });
  CancelButton = MakeButton(this, "CancelButton", "Cancel", "Cancel Rip", 74, y, [this](TObject* s) { btnCancelRipClick(s); });
  WaveButton = MakeButton(this, "WaveButton", "Wave", "Rip track to Wave file", 140, y,
                          [this](TObject* s) { btnRipTrackClick(s); });
  RipButton = MakeButton(this, "RipButton", "Ogg", "Rip track and Encode to OGG file", 206, y,
                         [this](TObject* s) { btnRip_EncodeClick(s); });
  CloseCDButton = MakeButton(this, "CloseCDButton", "Close", "Close CD Door", 272, y,
                             [this](TObject* s) { btnCloseCDClick(s); });
  EjectButton = MakeButton(this, "EjectButton", "Eject", "Eject CD", 338, y, [this](TObject* s) { btnEjectCDClick(s); });
  RipMP3Button = MakeButton(this, "RipMP3Button", "MP3", "Rip track and encode to MP3 file", 404, y,
                            [this](TObject* s) { RipMP3(s); });
  OnShow = [this](TObject* s) { FormShow(s); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  OnKeyDown = key;
  EndLoad();
}

TRipperForm::~TRipperForm() {
  // The CD search window outlives this one: it must not feed a freed list.
  if (hunter_ && hunter_->RipperList == RipperList) hunter_->RipperList = nullptr;
}

void TRipperForm::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == hunter_) hunter_ = nullptr;
  TForm::Notification(AComponent, Operation);
}

void TRipperForm::FormShow(TObject*) {
  DiscInfoLoaded = 0;
  LoadVorbisDLL();
  if (CDRipReady()) {
    DriveCount = CR_GetNumCDROM();
    DriveSelBox->Items()->Clear();
    for (int i = 0; i < DriveCount; ++i) DriveSelBox->Items()->Add(CR_GetCDROMIDByIndex(i));
    SelectCDROM(0);
    String caption = "Found " + std::to_string(DriveCount) + " CDROM Drive(s) - ";
    if (CR_IsMediaLoaded()) {
      LoadDiscInfo();
      // A failed read leaves no disc information, whatever the last disc was.
      const int kind = DiscInfoLoaded ? DiscInfo.Kind : -1;
      caption += kind == 0   ? "Data Disc is loaded"
                 : kind == 1 ? "Audio Disc is loaded"
                 : kind == 2 ? "Composite Disc is loaded"
                             : "Unknown Disc is loaded";
    } else {
      caption += "Disc is not loaded in the active drive";
    }
    SetStatus(caption);
  } else {
    SetStatus(kNotReadyCaption);
  }
  if (DriveSelBox->Items()->Count() > 0) DriveSelBox->SetItemIndex(0);
  if (RipperList->CanFocus()) RipperList->SetFocus();
  RipperList->Hint = "Select a track then click on your desired rip preference";
  EncQualitySel->Items()->Clear();
  for (int i = 0; i <= 10; ++i) {
    char text[8];
    std::snprintf(text, sizeof(text), "%1.1f", i / 10.0);
    EncQualitySel->Items()->Add(text);
  }
  EncQualitySel->SetItemIndex(0);
}

void TRipperForm::FormDestroy(TObject*) {
  RipBuffer.clear();
  RipBuffer.shrink_to_fit();
}

void TRipperForm::LoadDiscInfo() {
  if (ReadDiscInfo(DiscInfo) == 0) {
    DiscInfoLoaded = 1;
    TrackSelBox->Items()->Clear();
    for (int i = 0; i < DiscInfo.TrackCount; ++i) {
      const TTrackInfo& t = DiscInfo.Tracks[i];
      String text = "Track " + std::to_string(i + 1) + " = ";
      if (t.IsAudio) {
        uint8_t m, s, f;
        SplitMSF(t.LengthMSF, m, s, f);
        text += TwoDigits(m) + ":" + TwoDigits(s);
      } else {
        text += "Data Track";
      }
      TrackSelBox->Items()->Add(text);
    }
  } else {
    DiscInfoLoaded = 0;
  }
  FindCD();
  RipperList->Items()->BeginUpdate();
  RipperList->Items()->Clear();
  RipperList->Items()->EndUpdate();
  if (ShowCDSearch) ShowCDSearch(this, CDLocation);
  else if (CDHunterForm) SearchCD(CDLocation);
  else ListRootTracks(CDLocation);
}

void TRipperForm::FindCD() {
  const std::vector<char> letters = platform::cd::CdLetters();
  if (!letters.empty()) CDLocation = String(1, letters.back()) + ":\\";
}

// The CD search window lists the drive's ".cda" entries into RipperList
// (and the main window's list) while it is shown.
void TRipperForm::SearchCD(const String& Location) {
  if (hunter_ != CDHunterForm) {
    if (hunter_) RemoveFreeNotification(hunter_);
    hunter_ = CDHunterForm;
    FreeNotification(hunter_);
  }
  hunter_->RipperList = RipperList;
  if (!Location.empty()) CDHunterForm->mp3hunt->SetLocation(Location);
  CDHunterForm->FoundFiles->Items()->BeginUpdate();
  CDHunterForm->FoundFiles->Items()->Clear();
  CDHunterForm->FoundFiles->Items()->EndUpdate();
  CDHunterForm->ShowModal();
}

void TRipperForm::ListRootTracks(const String& Location) {
  if (Location.empty()) return;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile((Location + "*.cda").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  RipperList->Items()->BeginUpdate();
  do {
    TListItem* item = RipperList->Items()->Add();
    item->SetCaption(data.cFileName);
    // As the CD search window gives it: a drive root keeps its backslash.
    item->SubItems()->Add(Location.size() == 3 ? Location : StripTrailingBackslash(Location));
  } while (FindNextFile(find, &data));
  FindClose(find);
  RipperList->Items()->EndUpdate();
}

int TRipperForm::SelectedTrack() {
  TListItem* item = RipperList->Selected();
  if (!item) return 0;
  const String& name = item->Caption();
  // "TrackNN.cda": the disc's own number, whatever rows came before.
  if (name.size() >= 7 && (name.compare(0, 5, "Track") == 0 || name.compare(0, 5, "track") == 0)) {
    int number = 0;
    size_t i = 5;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') number = number * 10 + (name[i++] - '0');
    if (i > 5 && number > 0) return number;
  }
  return item->Index() + 1;
}

bool TRipperForm::IsAudioCDReady() {
  if (!CDRipReady() || !CR_IsMediaLoaded()) {
    SetStatus("Error : No Disc in drive");
    return false;
  }
  if (!DiscInfoLoaded) {
    SetStatus("Error : No Disc info");
    return false;
  }
  if (DiscInfo.Kind == 0) {
    SetStatus("Error : Data Disc");
    return false;
  }
  return true;
}

bool TRipperForm::CanPlay() {
  if (!IsAudioCDReady()) {
    Application->MessageBox("Not an audio CD. !", "OK", MB_OK);
    return false;
  }
  if (Ripping) {
    Application->MessageBox("Ripping in progress !", "OK", MB_OK);
    return false;
  }
  return true;
}

void TRipperForm::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_DEVICECHANGE) {
    WMDeviceChange(Message);
    return;
  }
  TForm::Dispatch(Message);
}

void TRipperForm::WMDeviceChange(TMessage& Message) {
  if (!CDRipReady()) return;
  if (Message.WParam == DBT_DEVICEARRIVAL) {
    if (DiscInfoLoaded || Ripping) return;
    if (!CR_IsMediaLoaded()) Sleep(300);
    if (CR_IsMediaLoaded()) {
      SetStatus("Media Loaded");
      LoadDiscInfo();
    }
  } else if (Message.WParam == DBT_DEVICEREMOVECOMPLETE) {
    if (CR_IsMediaLoaded()) return;
    if (Ripping) btnCancelRipClick(this);
    SetStatus("Media Removed");
    DiscInfoLoaded = 0;
    DiscInfo.TrackCount = 0;
    TrackSelBox->Items()->Clear();
  }
}

void TRipperForm::DriveSelBoxChange(TObject*) {
  if (Ripping || !CDRipReady()) return;
  SelectCDROM(DriveSelBox->ItemIndex());
  DiscInfoLoaded = 0;
  DiscInfo.TrackCount = 0;
  TrackSelBox->Items()->Clear();
  if (CR_IsMediaLoaded()) LoadDiscInfo();
}

void TRipperForm::Leave(TObject*, Word& Key, TShiftState) {
  if (Key == 27) btnCloseClick(this);
}

void TRipperForm::btnCloseCDClick(TObject*) {
  if (Ripping || !CDRipReady()) return;
  CR_EjectCD(0);
}

void TRipperForm::btnEjectCDClick(TObject*) {
  if (Ripping || !CDRipReady()) return;
  CR_EjectCD(1);
}

void TRipperForm::btnPlayTrackClick(TObject*) {
  if (Ripping) return;
  if (!CDRipReady()) {
    SetStatus(kNotReadyCommand);
    return;
  }
  if (!CanPlay()) return;
  const int n = SelectedTrack();
  if (n < 1 || n > DiscInfo.TrackCount) return;
  if (!DiscInfo.Tracks[n - 1].IsAudio) {
    SetStatus("Track " + std::to_string(n) + " is not an Audio Track");
    return;
  }
  if (CR_PlayTrack(n) != 0) SetStatus("Play Track Error");
}

void TRipperForm::btnPauseClick(TObject*) {
  if (Ripping) return;
  if (!CDRipReady()) {
    SetStatus(kNotReadyCommand);
    return;
  }
  if (!CR_IsAudioPlaying()) SetStatus("Not Playing");
  else if (CR_PauseCD(1) != 0) SetStatus("CDEX Error");
}

void TRipperForm::btnResumeClick(TObject*) {
  if (Ripping) return;
  if (!CDRipReady()) {
    SetStatus(kNotReadyCommand);
    return;
  }
  if (CR_DriveStatus() != 18) SetStatus("Drive not in paused state.");
  else if (CR_PauseCD(0) != 0) SetStatus("CDEX Error");
}

void TRipperForm::btnStopPlayClick(TObject*) {
  if (Ripping) return;
  if (!CDRipReady()) {
    SetStatus(kNotReadyCommand);
    return;
  }
  if (!CR_IsAudioPlaying()) SetStatus("Not Playing");
  else if (CR_StopPlayTrack() != 0) SetStatus("CDEX Error");
}

void TRipperForm::btnDLLVerClick(TObject*) {
  if (Ripping) return;
  String text;
  if (CDRipReady()) {
    const int v = CR_GetCDRipVersion();
    text = "CDRip3.DLL Ver " + std::to_string(v / 100) + "." + std::to_string(v % 100);
  }
  SetStatus(text + ", " + "Vorbis.DLL " + VorbisVersionText());
}

void TRipperForm::btnSaveSettingsClick(TObject*) {
  if (Ripping) return;
  if (!CDRipReady()) {
    SetStatus(kNotReadyCommand);
    return;
  }
  CR_GetCDROMParameters(&CDParams);
  CDParams.nNumReadSectors = 26;
  CDParams.nNumOverlapSectors = 7;
  CDParams.nNumCompareSectors = 1;
  CDParams.bJitterCorrection = -1;
  CDParams.bLockDuringRead = 0;
  CDParams.bEnableMultiRead = 0;
  CDParams.bMultiReadFirstOnly = 0;
  CDParams.nMultiRead = 0;
  CDParams.nAspiRetries = 0;
  CDParams.nAspiTimeOut = 30;
  CR_SetCDROMParameters(&CDParams);
  if (CR_SaveSettings() == 0) SetStatus("Saved CDROM Settings !, See the C:\\WINDOWS\\CDRipper.Ini file.");
  else SetStatus("CDEX_Error");
}

void TRipperForm::btnCloseClick(TObject*) {
  if (Ripping) btnCancelRipClick(this);
  Close();
}

void TRipperForm::btnCancelRipClick(TObject*) {
  if (Ripping) RipCancel = 1;
  else SetStatus("CDROM is not ripping CD data");
}

void TRipperForm::btnRipTrackClick(TObject*) {
  if (Ripping) return;
  if (!CDRipReady()) {
    SetStatus(kNotReadyCommand);
    return;
  }
  if (!IsAudioCDReady()) return;
  CR_StopPlayTrack();
  const int n = SelectedTrack();
  if (CR_GetCDROMParameters(&CDParams) == 0) {
    CDParams.bJitterCorrection = -1;
    CDParams.nRippingMode = 1;
    CDParams.nParanoiaMode = 223;
    SetStatus(CR_SetCDROMParameters(&CDParams) == 0 ? "Set CDROM Parameters OK" : "Error at setting CDROM parameters");
  } else {
    SetStatus("Error at getting CDROM parameters");
  }
  RipCancel = 0;
  int r = 1;
  try {
    r = RipChunk(static_cast<uint8_t>(n > 255 ? 0 : n));
  } catch (...) {
    // "Song.wav" could not be written: the drive is free for the next rip.
    CR_CloseRipper();
    throw;
  }
  if (r == 3) {
    SetStatus("Encountered Jitter error(s) during Ripping");
    CR_CloseRipper();
  } else if (r != 0) {
    SetStatus("Encountered an error during Ripping");
    CR_CloseRipper();
  } else if (RipCancel) {
    SetStatus("Ripping process aborted without error");
    CR_CloseRipper();
  } else if (CR_CloseRipper() == 0) {
    SetStatus("Ripping successful - Audio data saved as \"Song.WAV\"");
  } else {
    SetStatus("Error closing Ripping process");
  }
}

int TRipperForm::RipChunk(uint8_t Track) {
  if (Track < 1 || Track > DiscInfo.TrackCount) {
    SetStatus("Error : Bad Track Number");
    return 1;
  }
  const TTrackInfo& t = DiscInfo.Tracks[Track - 1];
  if (!t.IsAudio) {
    SetStatus("Error : Not an Audio Track");
    return 1;
  }
  const int32_t first = MSFToLBA(t.StartMSF);
  const int32_t last = Track == DiscInfo.TrackCount ? MSFToLBA(DiscInfo.LeadOut) - 1
                                                     : MSFToLBA(DiscInfo.Tracks[Track].StartMSF) - 1;
  int32_t size = 0;
  if (CR_OpenRipper(&size, first, last) != 0 || size <= 0) {
    SetStatus("Error : CDEX Error");
    return 1;
  }
  // The old "Song.wav" stays until the new one is complete.
  auto file = std::make_unique<TReplacingFileStream>(SongWavPath());
  uint8_t header[44];
  WaveHeader(header);
  file->WriteBuffer(header, 44);
  try {
    RipBuffer.assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    SetStatus("Error : Memory Allocation Error");
    return 1;  // the unfinished file goes with its stream
  }
  Ripping = 1;
  int jitter = 0, percent = 0;
  bool finished = false;
  try {
    for (;;) {
      int32_t bytes = 0;
      const int r = CR_RipChunk(RipBuffer.data(), &bytes, 0);
      if (r == 4) {
        percent = 100;
        SetStatus("Ripping track " + std::to_string(Track) + " - 100% done");
      } else if (r == 0) {
        if (bytes <= 0) break;
        percent = CR_GetPercentCompleted();
        SetStatus("Ripping track " + std::to_string(Track) + " - " + std::to_string(percent) + "% done");
        file->WriteBuffer(RipBuffer.data(), bytes);
      } else if (r == 3) {
        ++jitter;
      } else {
        break;
      }
      Application->ProcessMessages();
      if (percent == 100 || RipCancel) {
        finished = true;
        break;
      }
    }
  } catch (...) {
    Ripping = 0;
    RipBuffer.clear();
    throw;  // the unfinished file goes with its stream; the application shows the error
  }
  Ripping = 0;
  RipBuffer.clear();
  RipBuffer.shrink_to_fit();
  const int64_t file_size = file->Size();
  uint8_t field[4];
  Put32(field, static_cast<uint32_t>(file_size - 8));
  file->Seek(4, soBeginning);
  file->WriteBuffer(field, 4);
  Put32(field, static_cast<uint32_t>(file_size - 44));
  file->Seek(40, soBeginning);
  file->WriteBuffer(field, 4);
  // A rip that ended, or was cancelled, keeps what it read; one that failed
  // leaves the old file as it was.
  if (!finished) return 1;
  file->Commit();
  return jitter == 0 ? 0 : 3;
}

void TRipperForm::Rubout() {
  const String path = ProgramFolder() + "song.wav";
  try {
    { TFileStream probe(path, fmOpenRead); }
    if (!DeleteFile(path.c_str())) throw EInOutError("File I/O error.", 5);
  } catch (const Exception&) {
    MessageDlg("File I/O error.", mtError, {mbOK}, 0);
  }
}

void TRipperForm::RipMP3(TObject*) {
  if (Ripping) return;
  Progress->SetVisible(true);
  btnRipTrackClick(this);
  OpenWave();
  Progress->SetVisible(false);
  PlayIt->Play("ok.wav");
}

void TRipperForm::OpenWave() {
  // "Song.wav" goes only once it has been encoded: a cancelled dialog
  // leaves it for another try.
  if (!OpenDialog1->Execute()) return;
  LameCoder1->SetInputFiles(OpenDialog1->Files());
  ListBox2->Items()->Assign(OpenDialog1->Files());
  if (!SaveDialog1->Execute()) return;
  LameCoder1->SetOutputFiles(SaveDialog1->Files());
  LameCoder1->Encode();
  Rubout();
}

void TRipperForm::StartRip(TObject*, uint16_t, const String& FileName) {
  SetStatus("Encoding file " + FileName + " to MP3 format");
}

void TRipperForm::RipProgress(TObject*, uint16_t Percent) { Progress->SetPosition(Percent); }

void TRipperForm::RipFinish(TObject*) { SetStatus("Encoding to MP3 format has completed successfully"); }

void TRipperForm::btnRip_EncodeClick(TObject*) {
  if (!IsAudioCDReady()) return;
  if (!VorbisLoaded()) {
    Application->MessageBox("Vorbis.DLL is not ready.", "OK", MB_OK);
    return;
  }
  if (Ripping) return;
  CR_StopPlayTrack();
  TVorbisEncParams params;
  Ripping = 1;
  RipCancel = 0;
  const int n = SelectedTrack();
  if (n < 1 || n > DiscInfo.TrackCount) {
    SetStatus("Error : Bad Track Number");
  } else if (!DiscInfo.Tracks[n - 1].IsAudio) {
    SetStatus("Not an audio track - Track " + std::to_string(n));
  } else {
    try {
      if (!AlbumInfoForm) AlbumInfoForm = new TAlbumInfoForm(Application);
      AlbumInfoForm->strTrackNum->SetText(std::to_string(n));
      AlbumInfoForm->ShowModal();
      if (!AlbumInfoOK()) {
        Ripping = 0;
        return;
      }
      if (Track2OggFile(n, "Track " + std::to_string(n) + ".ogg", params) == 0)
        SetStatus("Successful rip and encoding");
    } catch (...) {
      // The output could not be written: the application shows why, and
      // the window takes the next command.
      Ripping = 0;
      CR_LockCD(0);
      throw;
    }
  }
  Ripping = 0;
  CR_LockCD(0);
  PlayIt->Play("ok.wav");
}

int TRipperForm::TakeRipped(uint8_t* pcm, int want, int& percent) {
  const int left = ogg_chunk_bytes_ - ogg_position_;
  if (left >= want) {
    std::memcpy(pcm, ogg_rip_buffer_.data() + ogg_position_, static_cast<size_t>(want));
    ogg_position_ += want;
    return want;
  }
  const int k = left > 0 ? left : 0;
  if (k) std::memcpy(pcm, ogg_rip_buffer_.data() + ogg_position_, static_cast<size_t>(k));
  ogg_position_ = ogg_chunk_bytes_ = 0;
  int32_t bytes = 0;
  const int r = CR_RipChunk(ogg_rip_buffer_.data(), &bytes, 0);
  if (r == 0 || r == 3) {
    // A chunk the correction could not mend is still used here.
    if (bytes <= 0) return k;  // what was left still goes out
    percent = CR_GetPercentCompleted();
    ogg_chunk_bytes_ = bytes;
    const int take = bytes > want - k ? want - k : bytes;
    std::memcpy(pcm + k, ogg_rip_buffer_.data(), static_cast<size_t>(take));
    ogg_position_ = take;
    return k + take;
  }
  if (r == 4) return k;  // the range is done: the last short block goes out too
  Application->MessageBox("Error : CR_RipChunk", "OK", MB_OK);
  ogg_read_failed_ = true;
  return 0;
}

int TRipperForm::Track2OggFile(int Track, const String& FileName, const TVorbisEncParams& Params) {
  const TTrackInfo& t = DiscInfo.Tracks[Track - 1];
  const int32_t first = static_cast<int32_t>(t.StartLBA);
  // The whole track, to its last sector, as the WAV rip takes it.
  const int32_t last = static_cast<int32_t>(t.StartLBA + t.LengthSectors) - 1;
  int32_t chunk = 0;
  if (!CR_OpenRipper || CR_OpenRipper(&chunk, first, last) != 0 || chunk <= 0) {
    Application->MessageBox("Error : CR_OpenRipper", "OK", MB_OK);
    if (CR_CloseRipper) CR_CloseRipper();
    return 1;
  }
  ogg_rip_buffer_.assign(static_cast<size_t>(chunk), 0);
  ogg_position_ = ogg_chunk_bytes_ = 0;
  ogg_read_failed_ = false;

  // Everything the encoder reads stays alive until the stream is closed.
  const String title = ClipText(AlbumInfoForm ? AlbumInfoForm->strTitle->Text() : String());
  const String artist = ClipText(AlbumInfoForm ? AlbumInfoForm->strArtist->Text() : String());
  const String album = ClipText(AlbumInfoForm ? AlbumInfoForm->strAlbum->Text() : String());
  const String date = ClipText(DateToStr(Date()));
  const String genre = "Blue";
  const String comment = ClipText("Encoder DLL : " + VorbisVersionText());
  const String name = "Velko Ripper";
  TVorbisEncInfo info;
  info.Artist = artist.c_str();
  info.Album = album.c_str();
  info.Title = title.c_str();
  info.Comment = comment.c_str();
  info.TrackNumber = Track;
  info.TrackCount = CR_GetNumTocEntries();
  info.Genre = genre.c_str();
  info.Name = name.c_str();
  info.Date = date.c_str();

  auto release = [this] {
    ogg_rip_buffer_.clear();
    ogg_rip_buffer_.shrink_to_fit();
    CR_CloseRipper();
  };
  // An old file of that name stays until the new one is complete.
  std::unique_ptr<TReplacingFileStream> file;
  try {
    file = std::make_unique<TReplacingFileStream>(FileName);
  } catch (...) {
    release();
    throw;
  }
  uint32_t samples = 0, out_size = 0, handle = 0;
  const int32_t opened =
      vbEncOpen && vbEncWrite && vbEncClose ? vbEncOpen(&Params, &info, &samples, &out_size, &handle) : -1;
  if (opened != 0) {
    release();
    MessageDlg("Error opening encoding stream " + std::to_string(opened), mtError, {mbOK}, 0);
    return 1;
  }
  std::vector<uint8_t> out(out_size), pcm(static_cast<size_t>(samples) * 2);
  int percent = 0;
  bool ok = true;
  while (!RipCancel) {
    const int got = TakeRipped(pcm.data(), static_cast<int>(pcm.size()), percent);
    if (got <= 0) break;
    uint32_t bytes = 0;
    const int32_t r = vbEncWrite(handle, static_cast<uint32_t>(got / 2), reinterpret_cast<int16_t*>(pcm.data()),
                                 out.data(), &bytes);
    if (r != 0) {
      MessageDlg("vbEncWrite failed " + std::to_string(r), mtError, {mbOK}, 0);
      ok = false;
      break;
    }
    if (bytes > out_size || file->Write(out.data(), static_cast<int>(bytes)) != static_cast<int>(bytes)) {
      MessageDlg("Write Error", mtError, {mbOK}, 0);
      ok = false;
      break;
    }
    SetStatus("Rip and encoding track " + std::to_string(Track) + " - " + std::to_string(percent) + "% done");
    Application->ProcessMessages();
  }
  // A track the drive could not read to its end is not a finished rip.
  if (ogg_read_failed_) ok = false;
  uint32_t bytes = 0;
  const int32_t closed = vbEncClose(handle, out.data(), &bytes);
  if (ok && closed != 0) {
    MessageDlg("vbEncClose failed " + std::to_string(closed), mtError, {mbOK}, 0);
    ok = false;
  }
  if (ok && (bytes > out_size || file->Write(out.data(), static_cast<int>(bytes)) != static_cast<int>(bytes))) {
    MessageDlg("Write error", mtError, {mbOK}, 0);
    ok = false;
  }
  release();
  // A cancelled rip still gives a closed, playable file of what it encoded;
  // a failed one leaves any old file as it was.
  if (!ok) return 1;
  file->Commit();
  if (RipCancel) {
    SetStatus("Ripping and Encoding canceled");
    return 1;
  }
  SetStatus("Ripping and Encoding completed");
  return 0;
}
