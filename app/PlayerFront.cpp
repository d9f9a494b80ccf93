// The main window's player front end and spectrum display.
#include <algorithm>
#include <cmath>
#include <random>

#include "app/BassTest.h"
#include "classlib/Application.h"
#include "classlib/StringRoutines.h"
#include "platform/core/clock.h"

namespace {

constexpr char kNotReady[] = "Cannot open file (Velko is not ready)";
constexpr char kAutoNotReady[] = "AutoPlay - Cannot open file (Velko is not ready)";

}  // namespace

struct TForm1::PlayMember {
  const char* not_ready_text;
  bool next_after_open_failure;
  bool hide_list;
  bool next_when_stopped;
};

void TForm1::btnPlayClick() {
  if (MainPlayer != nullptr) MainPlayer->Play();
}

void TForm1::btnPauseClick() {
  if (MainPlayer != nullptr) MainPlayer->SetPaused(true);
}

void TForm1::btnStopClick() {
  if (MainPlayer != nullptr) MainPlayer->Stop();
  MusicList->SetVisible(true);
}

void TForm1::Controller(TObject*, TVrButtonType Button) {
  switch (Button) {
    case btPlay: btnPlayClick(); Navigator->Hint = ("Play"); break;
    case btPause: btnPauseClick(); Navigator->Hint = ("Pause"); break;
    case btStop: btnStopClick(); Navigator->Hint = ("Stop"); break;
    case btPrev: PlayLast(Navigator); Navigator->Hint = ("Previous Song - Keyboard command is -"); break;
    case btNext: PlayNext(Navigator); Navigator->Hint = ("Next Song - Keyboard command is +"); break;
    case btEject: Navigator->Hint = ("Eject CD"); break;
    default: break;
  }
}

void TForm1::SetOpenFilter() {
  OpenDialog1->Filter = PlayableFilter(MainPlayer->GetNativeFileTypes(), MainPlayer->GetPluginFileTypes());
}

void TForm1::ShowSong() {
  Label_Length->SetCaption(FormatSongTime(MainPlayer->GetPlayLength()));
  SetCaption(MainPlayer->StreamInfo.Title);
  TStrings* lines = InfoMemo->Lines();
  lines->Clear();
  lines->Add(MainPlayer->StreamInfo.FileName);
  if (MainPlayer->StreamInfo.SampleRate != 0) {
    lines->Add(IntToStr(MainPlayer->StreamInfo.SampleRate) + "Hz" + ", " +
               (MainPlayer->StreamInfo.Channels == 1 ? "Mono" : "Stereo"));
  }
  if (MainPlayer->SupportedBy == sbPlugin || (MainPlayer->SupportedBy == sbBoth && MainPlayer->PluginFirst)) {
    lines->Add("Playing by Winamp Plug-in");
  }
  InfoMemo->SetSelStart(0);
  CurrentSampleRate = MainPlayer->StreamInfo.SampleRate;
}

void TForm1::PlayRow(const PlayMember& Member, int Row, TObject*) {
  TListItems* items = MusicList->Items();
  if (items->Count() == 0 || Row < 0 || Row >= items->Count()) return;
  TListItem* item = items->Item(Row);
  MusicList->SetSelected(item);
  CurrentSongPath = SongPathOfRow(item);
  if (MainPlayer == nullptr || !MainPlayer->BASSReady) {
    MessageBox(Handle(), Member.not_ready_text, "Confirm", MB_OK);
    return;
  }
  SetOpenFilter();
  if (!MainPlayer->Open(CurrentSongPath)) {
    if (Member.next_after_open_failure && MainPlayer->PlayerMode == pmStopped) PlayNext(this);
    return;
  }
  ShowSong();
  btnPlayClick();
  if (Member.hide_list) MusicList->SetVisible(false);
  if (Member.next_when_stopped && MainPlayer->PlayerMode == pmStopped) PlayNext(this);
}

void TForm1::ClickPlay(TObject* Sender) {
  TListItem* selected = MusicList->Selected();
  if (selected == nullptr) return;
  PlayRow({kNotReady, true, true, true}, selected->Index(), Sender);
}

void TForm1::PlayNext(TObject* Sender) {
  TListItem* selected = MusicList->Selected();
  if (selected == nullptr) return;
  PlayRow({kNotReady, false, true, false}, selected->Index() + 1, Sender);
}

void TForm1::PlayLast(TObject* Sender) {
  TListItem* selected = MusicList->Selected();
  if (selected == nullptr) return;
  PlayRow({kNotReady, false, true, false}, selected->Index() - 1, Sender);
}

void TForm1::AutoPlay() { PlayRow({kAutoNotReady, false, true, false}, 0, this); }

int TForm1::RandomRow() {
  const int count = MusicList->Items()->Count();
  if (count <= 0) return -1;
  // Reseeded from the clock at each pick (with a call counter, so picks in
  // one millisecond differ).
  std::mt19937 generator(GetTickCount() ^ (0x9E3779B9u * ++random_calls_));
  last_random_row_ = static_cast<int>(std::uniform_int_distribution<int>(0, count - 1)(generator));
  return last_random_row_;
}

void TForm1::ShufflePlay(TObject* Sender) {
  const int row = RandomRow();
  if (row < 0) return;
  PlayRow({kAutoNotReady, false, false, false}, row, Sender);
}

void TForm1::RepeatPlay(TObject* Sender) {
  TListItem* selected = MusicList->Selected();
  if (selected == nullptr) return;
  if (MainPlayer != nullptr && MainPlayer->PlayerMode == pmStopped) MusicList->SetSelected(selected);
  PlayRow({kNotReady, true, true, true}, selected->Index(), Sender);
}

void TForm1::Shuffle() {
  const int row = RandomRow();
  if (row < 0) return;
  MusicList->SetSelected(MusicList->Items()->Item(row));
  btnPlayClick();
  if (MainPlayer != nullptr) MainPlayer->OnPlayEnd = [this](TObject* Sender) { ShufflePlay(Sender); };
}

void TForm1::btnOpenClick() {
  if (MainPlayer == nullptr || !MainPlayer->BASSReady) {
    MessageBox(Handle(), kNotReady, "Confirm", MB_OK);
    return;
  }
  SetOpenFilter();
  if (!OpenDialog1->Execute()) return;
  if (!MainPlayer->Open(OpenDialog1->FileName)) return;
  ShowSong();
  btnPlayClick();
}

void TForm1::PluginStartPlay(TObject*, std::uint16_t Channels, std::uint32_t SampleRate) {
  if (CurrentSampleRate != 0) return;
  CurrentSampleRate = static_cast<std::int32_t>(SampleRate);
  if (SampleRate == 0) return;
  InfoMemo->Lines()->Add(IntToStr(SampleRate) + "Hz" + ", " + (Channels == 1 ? "Mono" : "Stereo"));
}

void TForm1::Timer_StatTimer(TObject*) {
  if (MainPlayer == nullptr) return;
  switch (MainPlayer->PlayerMode) {
    case pmStandBy: Label_State->SetCaption("Stand By"); break;
    case pmReady: Label_State->SetCaption("Ready"); break;
    case pmPlaying: Label_State->SetCaption(FormatSongTime(MainPlayer->GetPosition())); break;
    case pmStopped: Label_State->SetCaption("Stopped"); break;
    case pmPaused: Label_State->SetCaption("Paused"); break;
  }
  if (MainPlayer->PlayerMode != pmStandBy && MainPlayer->PlayerMode != pmStopped && PosDragging == 0) {
    const std::int64_t length = MainPlayer->GetPlayLength();
    if (length == 0) return;  // nothing to place the slider by
    const std::int64_t position = MainPlayer->GetPosition();
    PosSlider->SetValue(static_cast<int>(position * PosSlider->MaxValue() / length));
  }
}

void TForm1::PosSliderStartTracking(TObject*) { PosDragging = 1; }

void TForm1::PosSliderStopTracking(TObject*) {
  if (MainPlayer != nullptr && PosSlider->MaxValue() != 0) {
    const std::int64_t product = static_cast<std::int64_t>(PosSlider->Value()) * MainPlayer->GetPlayLength();
    const double position = std::nearbyint(static_cast<double>(product) / PosSlider->MaxValue());
    MainPlayer->SetPosition(static_cast<std::uint32_t>(position));
  }
  PosDragging = 0;
}

void TForm1::EQSliderChange(TObject* Sender) {
  auto* slider = dynamic_cast<TSlider*>(Sender);
  if (slider == nullptr) return;
  const int band = slider->Tag - 1;
  if (band < 0 || band >= NumEQBands) return;
  EQGains[band] = static_cast<float>(slider->Value() - 15.0);
  if (MainPlayer != nullptr) MainPlayer->SetEQGains(EQGains);
}

void TForm1::EffectClick(TCheckBox* Box, TEffect Effect) {
  if (MainPlayer == nullptr) return;
  TEffectFlags flags = MainPlayer->EffectFlags;
  if (Box->Checked()) {
    flags.Include(Effect);
  } else {
    flags.Exclude(Effect);
  }
  MainPlayer->SetEffects(flags);
}

void TForm1::changeVolume(TObject*) { VolControl->SetVolume(VolumeKnob->Position()); }

void TForm1::changeBalance(TObject*) { VolControl->SetBalance(BalanceKnob->Position()); }

void TForm1::SwitchView() {
  if (!MusicList->Visible()) {
    Panel1->SetVisible(true);
    MusicList->SetVisible(true);
    if (MusicList->CanFocus()) MusicList->SetFocus();
    MusicList->SetShowHint(true);
    MusicList->Hint = ("Just one click on a song to play it");
  } else {
    MusicList->SetVisible(false);
  }
}

void TForm1::btnPluginSetupClick() {
  if (MainPlayer != nullptr) MainPlayer->ShowPluginConfig();
}

// ---------------------------------------------------------------- spectrum

void TForm1::CreateBasicImage() {
  FreeSpectrum();
  SpectrumBackground = new TBitmap();
  SpectrumBackground->SetPixelFormat(pf32bit);
  SpectrumBackground->SetSize(kSpectrumWidth, kSpectrumHeight);
  SpectrumWork = new TBitmap();
  SpectrumWork->SetPixelFormat(pf32bit);
  SpectrumWork->SetSize(kSpectrumWidth, kSpectrumHeight);
  SpectrumBars = new TBitmap();
  SpectrumBars->SetPixelFormat(pf32bit);
  SpectrumBars->SetSize(kRampWidth, kRampHeight);
  GaugePaintBox->SetWidth(kSpectrumWidth);
  GaugePaintBox->SetHeight(kSpectrumHeight);

  TCanvas* bg = SpectrumBackground->Canvas();
  bg->Brush()->SetColor(clBlack);
  bg->Brush()->SetStyle(bsSolid);
  bg->FillRect(SpectrumRect);
  bg->Pen()->SetColor(RGB(0, 0, 255));
  bg->Pen()->SetWidth(1);
  bg->Pen()->SetStyle(psDot);
  bg->MoveTo(0, 0);
  bg->LineTo(0, 112);
  bg->MoveTo(0, 111);
  bg->LineTo(275, 111);
  bg->Pen()->SetStyle(psSolid);

  TCanvas* bars = SpectrumBars->Canvas();
  int red = 255, green = 0;
  for (int r = 0; r < kRampHeight; ++r) {
    if (r <= 55.5) {
      green = std::min(green + 6, 255);
    } else {
      red = std::max(red - 2, 0);
    }
    bars->Brush()->SetColor(RGB(red, green, 0));
    bars->FillRect(TRect{0, r, kRampWidth, r + 1});
  }
  SpectrumWork->Canvas()->CopyRect(SpectrumRect, bg, SpectrumRect);
  SpectrumWork->Canvas()->Pen()->SetColor(RGB(192, 192, 192));
  SpectrumWork->Canvas()->Pen()->SetStyle(psSolid);
  SpectrumWork->Canvas()->Pen()->SetWidth(1);
  PeakHold.fill(0);
}

void TForm1::DisplayFFTBand(TObject*, const TBandOut& BandOut) {
  if (SpectrumWork == nullptr) return;
  TCanvas* work = SpectrumWork->Canvas();
  work->CopyRect(SpectrumRect, SpectrumBackground->Canvas(), SpectrumRect);
  TCanvas* bars = SpectrumBars->Canvas();
  for (int b = 0; b < NumFFTBands; ++b) {
    const int level = std::min<int>(BandOut[b], kRampHeight);
    const int x = b * 11 + 2;
    if (level > 0) {
      // Ramp rows 111 - L .. 110: the bar takes the colours of its heights.
      // The bar also covers the bottom row (111), over the background's
      // line: the ramp has no row there, so its last row is drawn again.
      const int top = kRampHeight - level;
      work->CopyRect(TRect{x, top, x + kRampWidth, kRampHeight}, bars, TRect{0, top, kRampWidth, kRampHeight});
      work->CopyRect(TRect{x, kRampHeight, x + kRampWidth, kSpectrumHeight}, bars,
                     TRect{0, kRampHeight - 1, kRampWidth, kRampHeight});
    }
    float& peak = PeakLevels[b];
    std::int32_t& hold = PeakHold[b];
    const int p = static_cast<int>(peak);
    if (level >= p) {
      peak = static_cast<float>(level + 0.01);
      hold = 0;
      continue;
    }
    work->MoveTo(x, 111 - p);
    work->LineTo(x + 8, 111 - p);
    if (hold >= 8) peak = static_cast<float>(peak - (hold - 8) * 0.3);
    if (peak >= 0) {
      hold += 1;
    } else {
      peak = 0;
    }
  }
  GaugePaintBox->Canvas()->Draw(0, 0, SpectrumWork);
}

void TForm1::FreeSpectrum() {
  delete SpectrumBackground;
  SpectrumBackground = nullptr;
  delete SpectrumWork;
  SpectrumWork = nullptr;
  delete SpectrumBars;
  SpectrumBars = nullptr;
}

void TForm1::VolumeKnob1stChange(TObject*) {}
