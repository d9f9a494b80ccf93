// TMediaPlayer: plays a media file through an MCI device, with its picture
// in the Display control (at DisplayRect). Here it is a component without
// a button bar of its own. Failed commands raise EMCIDeviceError with the
// device's error text; reading Position, Length or Mode of a closed player
// gives 0 / mpNotReady without an error.
#pragma once

#include "classlib/Components.h"
#include "classlib/Exceptions.h"
#include "classlib/MessageHandling.h"
#include "classlib/Types.h"

class TWinControl;

VELKO_DECLARE_EXCEPTION(EMCIDeviceError, Exception);

enum TMPDeviceTypes { dtAutoSelect, dtAVIVideo, dtCDAudio, dtDAT, dtDigitalVideo, dtMMMovie, dtOther,
                      dtOverlay, dtScanner, dtSequencer, dtVCR, dtVideodisc, dtWaveAudio };
enum TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };
enum TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

class TMediaPlayer : public TComponent {
 public:
  explicit TMediaPlayer(TComponent* AOwner);
  ~TMediaPlayer() override;

  String FileName;
  TMPDeviceTypes DeviceType = dtAutoSelect;
  bool AutoRewind = true;
  bool Shareable = false;
  // Whether the next commands ask for an MM_MCINOTIFY (raising OnNotify).
  bool Notify = true;
  // Frames a Step or Back moves; 0: a tenth of the length.
  int Frames = 0;
  TNotifyEvent OnNotify;

  void Open();
  void Close();
  void Play();
  // Pauses a playing device and resumes a paused one.
  void Pause();
  void PauseOnly();
  void Resume();
  void Stop();
  void Step();
  void Back();
  void Rewind();
  void Next();
  void Previous();

  TWinControl* Display() const { return display_; }
  void SetDisplay(TWinControl* Value);
  // Left, top, width and height of the picture in Display.
  TRect DisplayRect() const { return display_rect_; }
  void SetDisplayRect(const TRect& Value);

  int Position();
  void SetPosition(int Value);
  int Length();
  TMPModes Mode();
  UINT DeviceID() const { return device_; }
  int Error() const { return error_; }
  String ErrorMessage() const;
  TMPNotifyValues NotifyValue() const { return notify_value_; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Raises EMCIDeviceError for a failed command; keeps the error code.
  void Check(DWORD result);
  DWORD Send(UINT message, DWORD_PTR flags, void* params);
  DWORD_PTR NotifyFlag() const;
  void ApplyDisplay();
  void WndProc(TMessage& Message);

  UINT device_ = 0;
  int error_ = 0;
  bool paused_ = false;
  TWinControl* display_ = nullptr;
  TRect display_rect_{};
  bool has_display_rect_ = false;
  TMPNotifyValues notify_value_ = nvSuccessful;
  HWND window_ = nullptr;
};
