#include "ripper/Ripper.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Resources.h"
#include "library/CDHunter.h"
#include "platform/cd/cd.h"
#include "platform/core/clock.h"
#include "platform/core/modules.h"
#include "platform/ctl/header.h"
#include "platform/ctl/listview.h"
#include "platform/display/display.h"
#include "platform/dlg/file_dialog.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "platform/gdi/surface.h"
#include "platform/user/messages.h"
#include "platform/user/user.h"
#include "ripper/SetAlbumInfo.h"
#include "tests/support/cd_image.h"
#include "tests/support/clock_driver.h"
#include "tests/support/decoded_audio.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using velko_test::CdImageSectors;

constexpr UINT WM_TEST_CANCEL = WM_APP + 1;
constexpr UINT WM_TEST_EJECT = WM_APP + 2;
constexpr UINT WM_TEST_MP3 = WM_APP + 3;
constexpr UINT WM_TEST_WAV = WM_APP + 4;
constexpr UINT WM_TEST_OGG = WM_APP + 5;

// The window with a way in through its own message queue, as a person's
// clicks arrive while a rip pumps messages.
class TestRipperForm : public TRipperForm {
 public:
  using TRipperForm::TRipperForm;

 protected:
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_TEST_CANCEL) btnCancelRipClick(this);
    else if (m.Msg == WM_TEST_MP3) RipMP3(this);
    else if (m.Msg == WM_TEST_WAV) btnRipTrackClick(this);
    else if (m.Msg == WM_TEST_OGG) btnRip_EncodeClick(this);
    else if (m.Msg == WM_TEST_EJECT) {
      CR_EjectCD(1);
      TMessage removal{WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0, 0};
      TRipperForm::Dispatch(removal);
    } else TRipperForm::Dispatch(m);
  }
};

template <class F>
F TestExport(const char* name) {
  return reinterpret_cast<F>(GetProcAddress(GetModuleHandle("CDRIP3.DLL"), name));
}

class RipperWindowTest : public ::testing::Test {
 protected:
  // `libraries`: which of the program's libraries the program folder has.
  void Start(const std::vector<velko_test::CdImageTrack>& tracks, bool cdrip = true, bool vorbis = true) {
    platform::ResetDriveTable();
    platform::ResetInput();
    program_ = dir_.path() / "prog";
    work_ = dir_.path() / "work";
    fs::create_directories(program_);
    fs::create_directories(work_);
    const fs::path bin = velko_test::ProgramFolder();
    if (cdrip) fs::create_symlink(bin / "CDRIP3.DLL", program_ / "CDRIP3.DLL");
    if (vorbis) fs::create_symlink(bin / "Vorbis.DLL", program_ / "Vorbis.DLL");
    platform::SetProgramPath((program_ / "velko").string());
    platform::MapDrive('T', work_.string());
    SetCurrentDirectory("T:\\");
    cue_ = velko_test::WriteCdImage(dir_.path(), "disc", tracks).string();
    ASSERT_TRUE(platform::cd::InsertImage('K', cue_));
    if (platform::cd::CdLetters().size() != 1) GTEST_SKIP() << "this machine has CD drives of its own";
    InitCDRip();
    if (cdrip) {
      ASSERT_TRUE(CDRipReady());
      TestExport<void (*)()>("CRTest_Reset")();
    }
    delete Application;
    Application = new TApplication(nullptr);
    platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& r) {
      boxes_.push_back(r.text + "|" + r.caption);
      return IDOK;
    });
    form_ = new TestRipperForm(Application);
    if (hunter_) {
      // The program's CD search window, shown modally while the clock runs.
      CDHunterForm = new TCDHunterForm(Application);
      CDHunterForm->SongList = &songs_;
      velko_test::ClockDriver clock;
      form_->Show();
    } else {
      form_->Show();
    }
  }

  void TearDown() override {
    delete form_;
    form_ = nullptr;
    delete AlbumInfoForm;
    AlbumInfoForm = nullptr;
    delete CDHunterForm;
    CDHunterForm = nullptr;
    platform::UseRealClock();
    platform::SetMessageBoxHook({});
    platform::SetFileDialogHook({});
    DoneCDRip();
    FreeVorbisDLL();
    Ripping = RipCancel = 0;
    platform::SetProgramPath(std::string());
    platform::cd::RemoveImage('K');
    platform::ResetDriveTable();
  }

  void Select(int row) { form_->RipperList->Items()->Item(row)->SetSelected(true); }
  std::string SongWav() const { return velko_test::ReadFile(program_ / "Song.wav"); }
  static uint32_t Le32(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
  }
  void SetReadSectors(int n) {
    TCDRomParams p{};
    ASSERT_EQ(CR_GetCDROMParameters(&p), 0);
    p.nNumReadSectors = n;
    ASSERT_EQ(CR_SetCDROMParameters(&p), 0);
  }
  // Answers the album dialog with `artist` (or cancels it) by clicking its
  // button once the dialog is up.
  void AnswerAlbum(bool save, const String& artist = "Artist", bool then_cancel = false) {
    if (!AlbumInfoForm) AlbumInfoForm = new TAlbumInfoForm(Application);
    // A cancel click that arrives once the rip has started.
    AlbumInfoForm->OnHide = [this, then_cancel](TObject*) {
      if (then_cancel) PostMessage(form_->Handle(), WM_TEST_CANCEL, 0, 0);
    };
    auto answered = std::make_shared<bool>(false);
    AlbumInfoForm->OnActivate = [save, artist, answered](TObject*) {
      if (*answered) return;
      *answered = true;
      AlbumInfoForm->strArtist->SetText(save ? artist : String("changed"));
      AlbumInfoForm->strAlbum->SetText("Album");
      AlbumInfoForm->strTitle->SetText("Title");
      TControl* button = save ? AlbumInfoForm->SaveButton : AlbumInfoForm->CancelButton;
      const TPoint p = button->ClientToScreen(Point(button->Width() / 2, button->Height() / 2));
      platform::InjectClick(p.x, p.y);
    };
  }

  velko_test::TempDir dir_;
  fs::path program_, work_;
  std::string cue_;
  TestRipperForm* form_ = nullptr;
  std::vector<std::string> boxes_;
  bool hunter_ = false;
  TAdvListView songs_{nullptr};
};

// ---- captions and listing ----

TEST_F(RipperWindowTest, AudioDiscListedOnceEachShowing) {
  Start({{200}, {151}, {100}});
  EXPECT_EQ(form_->Caption(), "Found 1 CDROM Drive(s) - Audio Disc is loaded");
  form_->Hide();
  form_->Show();
  EXPECT_EQ(form_->DriveSelBox->Items()->Count(), 1);
  ASSERT_EQ(form_->EncQualitySel->Items()->Count(), 11);
  EXPECT_EQ(form_->EncQualitySel->Items()->Get(10), "1.0");
  ASSERT_EQ(form_->RipperList->Items()->Count(), 3);
  EXPECT_EQ(form_->RipperList->Items()->Item(1)->Caption(), "Track02.cda");
  ASSERT_EQ(form_->TrackSelBox->Items()->Count(), 3);
  EXPECT_EQ(form_->TrackSelBox->Items()->Get(1), "Track 2 = 00:02");
  form_->btnDLLVerClick(nullptr);
  EXPECT_EQ(form_->Caption(), "CDRip3.DLL Ver 1.28, Vorbis.DLL Ver 1.05 (Engine Ver : 1.03, Date : 2024-5-7)");
}

// The gauge a thin lime bar open inside, in a black and white frame; the
// folder column wide enough for its header, between "Song" and the 1-pixel
// column; both over the window's own picture.
TEST_F(RipperWindowTest, GaugeAndColumnsAsPlacedOverThePicture) {
  ASSERT_GT(RegisterResourceFolder((velko_test::ProgramFolder() / "Resources").string()), 0);
  Start({{200}});
  TGProgress* gauge = form_->Progress;
  EXPECT_EQ(gauge->Width(), 129);
  EXPECT_EQ(gauge->Height(), 6);
  EXPECT_TRUE(gauge->GradientBar());
  EXPECT_TRUE(gauge->Transparent());
  TBitmap* picture = form_->Image1->Picture()->Bitmap();
  ASSERT_EQ(picture->Width(), form_->ClientWidth());
  ASSERT_EQ(picture->Height(), form_->ClientHeight());

  gauge->SetVisible(true);
  gauge->SetPosition(50);  // blocks 0..6 of twelve
  form_->Repaint();
  auto screen = platform::ComposeScreen();
  ASSERT_NE(screen, nullptr);
  const TPoint origin = gauge->ClientToScreen(TPoint{0, 0});
  auto at = [&](int x, int y) { return screen->Pixel(origin.x + x, origin.y + y); };
  auto behind = [&](int x, int y) {
    return static_cast<COLORREF>(picture->Canvas()->Pixels(gauge->Left() + x, gauge->Top() + y));
  };
  EXPECT_EQ(at(0, 3), RGB(0, 0, 0));
  EXPECT_EQ(at(60, 0), RGB(0, 0, 0));
  EXPECT_EQ(at(128, 3), RGB(255, 255, 255));
  EXPECT_EQ(at(60, 5), RGB(255, 255, 255));
  for (int block : {0, 3, 6}) EXPECT_EQ(at(block * 10 + 5, 3), RGB(0, 255, 0)) << "block " << block;
  // Between blocks and past the last one the picture shows through.
  EXPECT_EQ(at(11, 3), behind(11, 3));
  EXPECT_EQ(at(100, 3), behind(100, 3));
  EXPECT_EQ(at(100, 1), behind(100, 1));
  // The list leaves the picture bare around it.
  const TPoint corner = form_->ClientToScreen(TPoint{2, 2});
  EXPECT_EQ(screen->Pixel(corner.x, corner.y), behind(2 - gauge->Left(), 2 - gauge->Top()));

  HWND header = ListView_GetHeader(form_->RipperList->Handle());
  ASSERT_NE(header, nullptr);
  auto width = [&](int index) {
    RECT r{};
    EXPECT_TRUE(Header_GetItemRect(header, index, &r));
    return static_cast<int>(r.right - r.left);
  };
  EXPECT_EQ(width(0), 190);
  EXPECT_EQ(width(2), 1);
  HDC dc = GetDC(header);
  HFONT font = reinterpret_cast<HFONT>(SendMessage(header, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font != nullptr ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  SIZE text{};
  GetTextExtentPoint32(dc, "Location", 8, &text);
  SelectObject(dc, old);
  ReleaseDC(header, dc);
  const int margin = static_cast<int>(SendMessage(header, HDM_GETBITMAPMARGIN, 0, 0));
  EXPECT_GE(width(1), text.cx + 2 * margin);

  // The album dialog holds its own picture too.
  AlbumInfoForm = new TAlbumInfoForm(Application);
  EXPECT_EQ(AlbumInfoForm->Image1->Picture()->Width(), AlbumInfoForm->ClientWidth());
  EXPECT_EQ(AlbumInfoForm->Image1->Picture()->Height(), AlbumInfoForm->ClientHeight());
}

// The disc record from the real library on the image: two audio tracks and
// a data track; the MCI CD-audio device of the same drive sees the same
// tracks.
TEST_F(RipperWindowTest, DiscRecordThroughTheLibraryAndMci) {
  Start({{300}, {151}, {120, false}});
  if (!MCIIsOpen()) MCIOpenCD();
  ASSERT_TRUE(MCIIsOpen());
  int mci_tracks = 0;
  uint32_t last_start = 0, last_length = 0;
  MCIGetLastTrack(mci_tracks, last_start, last_length);
  EXPECT_EQ(mci_tracks, 3);
  EXPECT_EQ(last_start, LBAToMSF(451));
  EXPECT_EQ(last_length, FramesToMSF(120));
  TDiscInfo info;
  ASSERT_EQ(ReadDiscInfo(info), 0);
  EXPECT_EQ(info.TrackCount, 3);
  EXPECT_EQ(info.Kind, 2);
  EXPECT_EQ(info.Tracks[2].LengthMSF, FramesToMSF(120));
  EXPECT_EQ(info.Tracks[1].StartLBA, 300u);
  EXPECT_EQ(info.Tracks[1].LengthSectors, 151u);
  EXPECT_EQ(info.LeadOut, LBAToMSF(571));
  ASSERT_EQ(CR_EjectCD(1), 0);
  EXPECT_EQ(ReadDiscInfo(info), 6);
  CR_EjectCD(0);
}

std::vector<std::string> Rows(TAdvListView* list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list->Items()->Count(); ++i)
    rows.push_back(list->Items()->Item(i)->Caption() + "|" + list->Items()->Item(i)->SubItems()->CommaText());
  return rows;
}

TEST_F(RipperWindowTest, ShowingOpensTheCdSearchWindowOnTheDrive) {
  hunter_ = true;
  platform::UseManualClock(1'000'000);
  Start({{200}, {151}, {120, false}});
  const std::vector<std::string> tracks{"Track01.cda|K:\\", "Track02.cda|K:\\"};
  EXPECT_EQ(CDHunterForm->mp3hunt->Location(), "K:\\");
  EXPECT_EQ(CDHunterForm->Caption(), "Search has completed - Found 2 songs");
  EXPECT_FALSE(CDHunterForm->Visible());
  EXPECT_EQ(form_->Caption(), "Found 1 CDROM Drive(s) - Composite Disc is loaded");
  EXPECT_EQ(form_->TrackSelBox->Items()->Get(2), "Track 3 = Data Track");
  EXPECT_EQ(Rows(form_->RipperList), tracks);
  EXPECT_EQ(Rows(CDHunterForm->FoundFiles), tracks);
  EXPECT_EQ(Rows(&songs_), tracks);
  // Shown again: the ripper's and the search window's lists start afresh,
  // the main window's list gets the rows again.
  form_->Hide();
  {
    velko_test::ClockDriver clock;
    form_->Show();
  }
  EXPECT_EQ(Rows(form_->RipperList), tracks);
  EXPECT_EQ(Rows(CDHunterForm->FoundFiles), tracks);
  EXPECT_EQ(songs_.Items()->Count(), 4);
  // The rows it listed are the ones a rip takes its track from.
  Select(1);
  EXPECT_EQ(form_->SelectedTrack(), 2);
  // The search window outlives the ripper and forgets its list.
  delete form_;
  form_ = nullptr;
  EXPECT_EQ(CDHunterForm->RipperList, nullptr);
}

TEST_F(RipperWindowTest, CdSearchWindowGoingFirst) {
  hunter_ = true;
  platform::UseManualClock(1'000'000);
  Start({{200}, {151}});
  ASSERT_EQ(form_->RipperList->Items()->Count(), 2);
  delete CDHunterForm;
  CDHunterForm = nullptr;
  // Without the search window the ripper lists the drive's root itself.
  form_->Hide();
  form_->Show();
  EXPECT_EQ(Rows(form_->RipperList), (std::vector<std::string>{"Track01.cda|K:\\", "Track02.cda|K:\\"}));
}

TEST_F(RipperWindowTest, NoDiscAndNoLibrary) {
  Start({{200}});
  CR_EjectCD(1);
  form_->Hide();
  form_->Show();
  EXPECT_EQ(form_->Caption(), "Found 1 CDROM Drive(s) - Disc is not loaded in the active drive");
  form_->btnRipTrackClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Error : No Disc in drive");
}

TEST_F(RipperWindowTest, NoLibrary) {
  Start({{200}}, false, false);
  EXPECT_EQ(form_->Caption(), "CDRip3.DLL is not ready");
  form_->btnRipTrackClick(nullptr);
  EXPECT_EQ(form_->Caption(), "CDRip3.DLL is not ready.");
  form_->btnDLLVerClick(nullptr);
  EXPECT_EQ(form_->Caption(), ", Vorbis.DLL ");
  TMessage arrival{WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0, 0};
  form_->Perform(arrival.Msg, arrival.WParam, arrival.LParam);  // no library: nothing happens
  EXPECT_EQ(form_->Caption(), ", Vorbis.DLL ");
}

TEST_F(RipperWindowTest, TrayButtonsAndDeviceChanges) {
  Start({{200}, {151}});
  form_->btnEjectCDClick(nullptr);
  Application->ProcessMessages();  // the drive's removal notice
  EXPECT_EQ(form_->Caption(), "Media Removed");
  EXPECT_EQ(DiscInfoLoaded, 0);
  EXPECT_EQ(form_->TrackSelBox->Items()->Count(), 0);
  form_->btnCloseCDClick(nullptr);
  Application->ProcessMessages();  // and its arrival notice
  EXPECT_EQ(form_->Caption(), "Media Loaded");
  EXPECT_EQ(DiscInfoLoaded, 1);
  EXPECT_EQ(form_->TrackSelBox->Items()->Count(), 2);
  form_->btnCancelRipClick(nullptr);
  EXPECT_EQ(form_->Caption(), "CDROM is not ripping CD data");
  form_->btnPauseClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Not Playing");
  form_->btnResumeClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Drive not in paused state.");
  form_->btnSaveSettingsClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Saved CDROM Settings !, See the C:\\WINDOWS\\CDRipper.Ini file.");
}

// ---- WAV rips ----

TEST_F(RipperWindowTest, MiddleAndLastTracksByteExact) {
  Start({{200}, {151}, {100}});
  for (auto [row, first, last] : {std::tuple{1, 200, 350}, std::tuple{2, 351, 450}}) {
    Select(row);
    form_->btnRipTrackClick(nullptr);
    EXPECT_EQ(form_->Caption(), "Ripping successful - Audio data saved as \"Song.WAV\"");
    const std::string wav = SongWav();
    ASSERT_EQ(wav.size(), 44u + (last - first + 1) * 2352u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
    EXPECT_TRUE(wav.substr(44) == CdImageSectors(first, last));
  }
}

TEST_F(RipperWindowTest, ImmediateEndLeavesAnEmptyWave) {
  Start({{200}, {151}});
  TestExport<void (*)(int32_t)>("CRTest_ForceDoneAtOnce")(1);
  Select(0);
  form_->btnRipTrackClick(nullptr);
  const std::string wav = SongWav();
  ASSERT_EQ(wav.size(), 44u);
  EXPECT_EQ(Le32(wav, 4), 36u);
  EXPECT_EQ(Le32(wav, 40), 0u);
}

TEST_F(RipperWindowTest, JitterChunksAreLeftOut) {
  Start({{200}, {151}});
  SetReadSectors(20);
  for (int k : {1, 4, 7}) TestExport<void (*)(int32_t)>("CRTest_ForceJitterAt")(k);
  Select(0);
  form_->btnRipTrackClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Encountered Jitter error(s) during Ripping");
  std::string want;
  for (int k = 0; k < 10; ++k)
    if (k != 1 && k != 4 && k != 7) want += CdImageSectors(k * 20, k * 20 + 19);
  EXPECT_TRUE(SongWav().substr(44) == want);
}

TEST_F(RipperWindowTest, TrackNumberComesFromTheRowName) {
  Start({{120, false}, {200}, {151}});
  // The root lists only the audio tracks: the second row is track 3.
  ASSERT_EQ(form_->RipperList->Items()->Count(), 2);
  Select(1);
  EXPECT_EQ(form_->SelectedTrack(), 3);
  form_->btnRipTrackClick(nullptr);
  EXPECT_TRUE(SongWav().substr(44) == CdImageSectors(320, 470));
  form_->RipperList->ClearSelection();
  form_->btnRip_EncodeClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Error : Bad Track Number");
}

// ---- interruptions ----

// A cancel click, or the disc taken out, while the rip pumps messages:
// the rip stops and the wave holds the sectors read so far with a header
// that says so.
TEST_F(RipperWindowTest, CancelOrEjectMidRipKeepsAValidWave) {
  Start({{300}});
  for (const UINT stop : {WM_TEST_CANCEL, WM_TEST_EJECT}) {
    SCOPED_TRACE(stop);
    SetReadSectors(10);
    Select(0);
    PostMessage(form_->Handle(), stop, 0, 0);
    PostMessage(form_->Handle(), WM_TEST_MP3, 0, 0);  // does nothing while ripping
    form_->btnRipTrackClick(nullptr);
    EXPECT_EQ(form_->Caption(), "Ripping process aborted without error");
    const std::string wav = SongWav();
    ASSERT_GT(wav.size(), 44u);
    ASSERT_LT(wav.size(), 44u + 300u * 2352u);
    EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
    EXPECT_TRUE(wav.substr(44) == CdImageSectors(0, static_cast<int>((wav.size() - 44) / 2352) - 1));
    EXPECT_FALSE(Ripping);
  }
  EXPECT_EQ(DiscInfoLoaded, 0);
  EXPECT_EQ(DiscInfo.TrackCount, 0);
  form_->btnRipTrackClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Error : No Disc in drive");
}

// ---- MP3 ----

TEST_F(RipperWindowTest, RipToMp3EndToEnd) {
  Start({{150}});
  Select(0);
  std::vector<std::string> titles;
  platform::SetFileDialogHook([&](const platform::FileDialogRequest& r) {
    titles.push_back(r.title);
    platform::FileDialogAnswer a;
    a.names = {*platform::PlatformPath(r.save ? (work_ / "out.mp3").string() : (program_ / "Song.wav").string())};
    return a;
  });
  form_->RipMP3(nullptr);
  EXPECT_EQ(titles, (std::vector<std::string>{"Select Song.wav in Velko folder for encoding to MP3 format",
                                              "Enter the track name to save this song as"}));
  EXPECT_EQ(form_->Caption(), "Encoding to MP3 format has completed successfully");
  EXPECT_GT(fs::file_size(work_ / "out.mp3"), 1000u);
  EXPECT_FALSE(fs::exists(program_ / "Song.wav"));
  EXPECT_FALSE(form_->Progress->Visible());
}

TEST_F(RipperWindowTest, CancellingAnMp3DialogKeepsTheRip) {
  Start({{150}});
  Select(0);
  // Cancelled at the first dialog, then at the second.
  for (int cancel_at : {0, 1}) {
    SCOPED_TRACE(cancel_at);
    int asked = 0;
    platform::SetFileDialogHook([&](const platform::FileDialogRequest&) {
      if (asked++ == cancel_at) return platform::FileDialogAnswer::Cancel();
      return platform::FileDialogAnswer::Choose(*platform::PlatformPath((program_ / "Song.wav").string()));
    });
    form_->RipMP3(nullptr);
    EXPECT_EQ(asked, cancel_at + 1);
    EXPECT_EQ(form_->Caption(), "Ripping successful - Audio data saved as \"Song.WAV\"");
    const std::string wav = SongWav();
    ASSERT_EQ(wav.size(), 44u + 150u * 2352u);
    EXPECT_TRUE(wav.substr(44) == CdImageSectors(0, 149));
  }
}

// ---- Ogg ----

TEST_F(RipperWindowTest, OggRipDecodesToTheTrackLength) {
  const int lengths[] = {200, 175};
  Start({{lengths[0]}, {lengths[1]}});
  // Each track, the last one ending at the lead-out, in chunks smaller and
  // larger than the encoder's 8192-byte block.
  for (auto [row, sectors] : {std::pair{0, 3}, std::pair{0, 26}, std::pair{1, 3}, std::pair{1, 26}}) {
    SCOPED_TRACE(testing::Message() << "track " << row + 1 << ", chunks of " << sectors);
    SetReadSectors(sectors);
    Select(row);
    AnswerAlbum(true, "Artist " + std::to_string(sectors));
    form_->btnRip_EncodeClick(nullptr);
    EXPECT_EQ(form_->Caption(), "Successful rip and encoding");
    const std::string number = std::to_string(row + 1);
    velko_test::DecodedAudio f = velko_test::DecodeVorbisFile(work_ / ("Track " + number + ".ogg"));
    // 588 samples a sector: the whole track, to the sample.
    EXPECT_EQ(f.frames, lengths[row] * 588);
    EXPECT_EQ(f.comments["ARTIST"], "Artist " + std::to_string(sectors));
    EXPECT_EQ(f.comments["TRACKNUMBER"], number);
    EXPECT_EQ(f.comments["TRACKTOTAL"], "2");
    EXPECT_EQ(f.comments["GENRE"], "Blue");
    EXPECT_EQ(f.comments["COMMENT"], "Encoder DLL : Ver 1.05 (Engine Ver : 1.03, Date : 2024-5-7)");
  }
  EXPECT_FALSE(Ripping);
}

// A folder where the output goes: the application reports that the file
// cannot be made, and the window and the drive are free for the next rip.
TEST_F(RipperWindowTest, OutputErrorLeavesTheWindowReadyForTheNextRip) {
  Start({{200}, {150}});
  struct Case {
    const char* name;
    fs::path output;
    UINT click;
    const char* done;
  };
  const Case cases[] = {
      {"wav", program_ / "Song.wav", WM_TEST_WAV, "Ripping successful - Audio data saved as \"Song.WAV\""},
      {"ogg", work_ / "Track 2.ogg", WM_TEST_OGG, "Successful rip and encoding"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directory(c.output);
    Select(1);
    boxes_.clear();
    AnswerAlbum(true);
    SendMessage(form_->Handle(), c.click, 0, 0);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find("Cannot create file"), std::string::npos) << boxes_[0];
    EXPECT_FALSE(Ripping);
    EXPECT_EQ(CR_GetJitterPosition(), 0) << "the library's ripper is still open";
    fs::remove(c.output);
    AnswerAlbum(true);
    SendMessage(form_->Handle(), c.click, 0, 0);
    EXPECT_EQ(form_->Caption(), c.done);
    EXPECT_TRUE(fs::is_regular_file(c.output));
  }
}

// The drive fails a read half-way: the file of the last good rip stays as
// it was, and nothing of the failed one is left beside it.
TEST_F(RipperWindowTest, FailedRipKeepsTheOldFile) {
  Start({{200}});
  SetReadSectors(10);
  Select(0);
  struct Case {
    const char* name;
    fs::path output;
    std::function<void()> rip;
  };
  const Case cases[] = {
      {"wav", program_ / "Song.wav", [this] { form_->btnRipTrackClick(nullptr); }},
      {"ogg", work_ / "Track 1.ogg",
       [this] {
         AnswerAlbum(true);
         form_->btnRip_EncodeClick(nullptr);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.WriteFile(fs::relative(c.output, dir_.path()).string(), "the last good rip");
    TestExport<void (*)(int32_t)>("CRTest_ForceFailureAt")(3);
    c.rip();
    TestExport<void (*)()>("CRTest_Reset")();
    EXPECT_NE(form_->Caption(), "Successful rip and encoding");
    EXPECT_TRUE(velko_test::ReadFile(c.output) == "the last good rip");
    for (const fs::path& folder : {program_, work_})
      for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    EXPECT_FALSE(Ripping);
  }
  EXPECT_EQ(boxes_, std::vector<std::string>{"Error : CR_RipChunk|OK"});
}

TEST_F(RipperWindowTest, OggCancelLeavesAPlayableFile) {
  Start({{600}});
  SetReadSectors(10);
  Select(0);
  AnswerAlbum(true, "Artist", true);
  form_->btnRip_EncodeClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Ripping and Encoding canceled");
  velko_test::DecodedAudio f = velko_test::DecodeVorbisFile(work_ / "Track 1.ogg");
  EXPECT_GT(f.frames, 0);
  EXPECT_LT(f.frames, 600 * 588);
}

TEST_F(RipperWindowTest, OggDialogCancelDataTrackAndMissingLibrary) {
  Start({{200}, {120, false}});
  Select(0);
  AnswerAlbum(true, "kept");
  form_->btnRip_EncodeClick(nullptr);
  AnswerAlbum(false);
  form_->btnRip_EncodeClick(nullptr);
  EXPECT_EQ(AlbumInfoForm->strArtist->Text(), "kept");
  EXPECT_FALSE(Ripping);
  // The root lists audio tracks only; a row without a track name counts
  // by its position.
  ASSERT_EQ(form_->RipperList->Items()->Count(), 1);
  form_->RipperList->Items()->Add()->SetCaption("Data");
  Select(1);
  form_->btnRip_EncodeClick(nullptr);
  EXPECT_EQ(form_->Caption(), "Not an audio track - Track 2");
  FreeVorbisDLL();
  form_->btnRip_EncodeClick(nullptr);
  ASSERT_FALSE(boxes_.empty());
  EXPECT_EQ(boxes_.back(), "Vorbis.DLL is not ready.|OK");
}

}  // namespace
