#include "classlib/MPlayer.h"

#include <algorithm>

#include "classlib/WinControl.h"
#include "platform/mm/mci.h"
#include "platform/user/user.h"

namespace {

const char* TypeName(TMPDeviceTypes type) {
  switch (type) {
    case dtAVIVideo:
      return "AVIVideo";
    case dtCDAudio:
      return "CDAudio";
    case dtDAT:
      return "DAT";
    case dtDigitalVideo:
      return "DigitalVideo";
    case dtMMMovie:
      return "MMMovie";
    case dtOther:
      return "Other";
    case dtOverlay:
      return "Overlay";
    case dtScanner:
      return "Scanner";
    case dtSequencer:
      return "Sequencer";
    case dtVCR:
      return "VCR";
    case dtVideodisc:
      return "Videodisc";
    case dtWaveAudio:
      return "WaveAudio";
    default:
      return nullptr;
  }
}

}  // namespace

TMediaPlayer::TMediaPlayer(TComponent* AOwner) : TComponent(AOwner) {
  window_ = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
}

TMediaPlayer::~TMediaPlayer() {
  if (device_ != 0) mciSendCommand(device_, MCI_CLOSE, 0, 0);  // never throws from here
  device_ = 0;
  if (display_ != nullptr) display_->RemoveFreeNotification(this);
  DeallocateHWnd(window_);
}

void TMediaPlayer::WndProc(TMessage& Message) {
  if (Message.Msg == MM_MCINOTIFY) {
    if (static_cast<UINT>(Message.LParam) != device_) return;  // from a device closed since
    switch (Message.WParam) {
      case MCI_NOTIFY_SUPERSEDED:
        notify_value_ = nvSuperseded;
        break;
      case MCI_NOTIFY_ABORTED:
        notify_value_ = nvAborted;
        break;
      case MCI_NOTIFY_FAILURE:
        notify_value_ = nvFailure;
        break;
      default:
        notify_value_ = nvSuccessful;
        break;
    }
    if (OnNotify) OnNotify(this);
    return;
  }
  Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
}

void TMediaPlayer::Check(DWORD result) {
  error_ = static_cast<int>(result);
  if (result != 0) throw EMCIDeviceError(ErrorMessage());
}

String TMediaPlayer::ErrorMessage() const {
  char text[256];
  if (!mciGetErrorString(static_cast<MCIERROR>(error_), text, sizeof text)) return error_ == 0 ? "" : "Unknown error";
  return text;
}

DWORD TMediaPlayer::Send(UINT message, DWORD_PTR flags, void* params) {
  return mciSendCommand(device_, message, flags, reinterpret_cast<DWORD_PTR>(params));
}

DWORD_PTR TMediaPlayer::NotifyFlag() const { return Notify ? MCI_NOTIFY : 0; }

void TMediaPlayer::Open() {
  if (device_ != 0) Close();
  MCI_OPEN_PARMS open{};
  open.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  DWORD_PTR flags = MCI_WAIT;
  if (const char* type = TypeName(DeviceType)) {
    open.lpstrDeviceType = type;
    flags |= MCI_OPEN_TYPE;
  }
  if (!FileName.empty()) {
    open.lpstrElementName = FileName.c_str();
    flags |= MCI_OPEN_ELEMENT;
  }
  if (Shareable) flags |= MCI_OPEN_SHAREABLE;
  Check(mciSendCommand(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open)));
  device_ = open.wDeviceID;
  paused_ = false;
  MCI_SET_PARMS set{};
  set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  Send(MCI_SET, MCI_SET_TIME_FORMAT, &set);
  ApplyDisplay();
}

void TMediaPlayer::Close() {
  MCI_GENERIC_PARMS params{};
  params.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  const UINT device = device_;
  device_ = 0;
  paused_ = false;
  Check(mciSendCommand(device, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&params)));
}

void TMediaPlayer::Play() {
  if (AutoRewind && device_ != 0) {
    const int length = Length();
    if (length > 0 && Position() >= length) Rewind();
  }
  MCI_PLAY_PARMS play{};
  play.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  Check(Send(MCI_PLAY, NotifyFlag(), &play));
  paused_ = false;
}

void TMediaPlayer::Pause() {
  if (paused_) {
    Resume();
  } else {
    PauseOnly();
  }
}

void TMediaPlayer::PauseOnly() {
  MCI_GENERIC_PARMS params{};
  params.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  Check(Send(MCI_PAUSE, 0, &params));
  paused_ = true;
}

void TMediaPlayer::Resume() {
  MCI_GENERIC_PARMS params{};
  params.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  Check(Send(MCI_RESUME, 0, &params));
  paused_ = false;
}

void TMediaPlayer::Stop() {
  MCI_GENERIC_PARMS params{};
  params.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
  Check(Send(MCI_STOP, 0, &params));
  paused_ = false;
}

void TMediaPlayer::Step() {
  if (Frames > 0) {
    MCI_DGV_STEP_PARMS step{};
    step.dwFrames = static_cast<DWORD>(Frames);
    Check(Send(MCI_STEP, MCI_DGV_STEP_FRAMES, &step));
  } else {
    const int length = Length();
    SetPosition(std::min(length, Position() + length / 10));
  }
  paused_ = true;
}

void TMediaPlayer::Back() {
  if (Frames > 0) {
    MCI_DGV_STEP_PARMS step{};
    step.dwFrames = static_cast<DWORD>(Frames);
    Check(Send(MCI_STEP, MCI_DGV_STEP_FRAMES | MCI_DGV_STEP_REVERSE, &step));
  } else {
    SetPosition(std::max(0, Position() - Length() / 10));
  }
  paused_ = true;
}

void TMediaPlayer::Rewind() {
  MCI_SEEK_PARMS seek{};
  Check(Send(MCI_SEEK, MCI_SEEK_TO_START, &seek));
  paused_ = false;
}

// One track only: the start and the end of the media.
void TMediaPlayer::Next() {
  MCI_SEEK_PARMS seek{};
  Check(Send(MCI_SEEK, MCI_SEEK_TO_END, &seek));
  paused_ = false;
}

void TMediaPlayer::Previous() { Rewind(); }

void TMediaPlayer::SetDisplay(TWinControl* Value) {
  if (display_ == Value) return;
  if (display_ != nullptr) display_->RemoveFreeNotification(this);
  display_ = Value;
  if (display_ != nullptr) display_->FreeNotification(this);
  if (device_ != 0) ApplyDisplay();
}

void TMediaPlayer::SetDisplayRect(const TRect& Value) {
  display_rect_ = Value;
  has_display_rect_ = true;
  if (device_ == 0 || display_ == nullptr) return;
  MCI_DGV_RECT_PARMS put{};
  put.rc = Value;
  Check(Send(MCI_PUT, MCI_DGV_PUT_DESTINATION | MCI_DGV_RECT, &put));
}

void TMediaPlayer::ApplyDisplay() {
  if (device_ == 0) return;
  MCI_DGV_WINDOW_PARMS window{};
  window.hWnd = display_ != nullptr ? display_->Handle() : nullptr;
  // Sound-only devices have no window: their answer does not matter.
  if (Send(MCI_WINDOW, MCI_DGV_WINDOW_HWND, &window) != 0) return;
  if (display_ != nullptr && has_display_rect_) {
    MCI_DGV_RECT_PARMS put{};
    put.rc = display_rect_;
    Send(MCI_PUT, MCI_DGV_PUT_DESTINATION | MCI_DGV_RECT, &put);
  }
}

int TMediaPlayer::Position() {
  if (device_ == 0) return 0;
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_POSITION;
  if (Send(MCI_STATUS, MCI_STATUS_ITEM, &status) != 0) return 0;
  return static_cast<int>(status.dwReturn);
}

void TMediaPlayer::SetPosition(int Value) {
  MCI_SEEK_PARMS seek{};
  seek.dwTo = static_cast<DWORD>(std::max(0, Value));
  Check(Send(MCI_SEEK, MCI_TO, &seek));
}

int TMediaPlayer::Length() {
  if (device_ == 0) return 0;
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_LENGTH;
  if (Send(MCI_STATUS, MCI_STATUS_ITEM, &status) != 0) return 0;
  return static_cast<int>(status.dwReturn);
}

TMPModes TMediaPlayer::Mode() {
  if (device_ == 0) return mpNotReady;
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_MODE;
  if (Send(MCI_STATUS, MCI_STATUS_ITEM, &status) != 0) return mpNotReady;
  switch (status.dwReturn) {
    case MCI_MODE_STOP:
      return mpStopped;
    case MCI_MODE_PLAY:
      return mpPlaying;
    case MCI_MODE_RECORD:
      return mpRecording;
    case MCI_MODE_SEEK:
      return mpSeeking;
    case MCI_MODE_PAUSE:
      return mpPaused;
    case MCI_MODE_OPEN:
      return mpOpen;
    default:
      return mpNotReady;
  }
}

void TMediaPlayer::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == display_) {
    display_ = nullptr;
    if (device_ != 0) ApplyDisplay();
  }
}
