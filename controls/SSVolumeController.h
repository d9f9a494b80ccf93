// TssVolumeController: the master speaker volume (0..100, the louder
// channel), the left/right balance (-100..100) and the mute switch of the
// first mixer device. Nothing is cached from the mixer except the control
// records: each read asks the mixer, and values changed elsewhere are
// seen at the next read.
//
// When the mixer does not open, or the speaker line lacks the volume or
// the mute control, nothing is written to the missing control (a zeroed
// record's identifier 0 may name another control); the writers then only
// store their values and the readers give back what was stored.
#pragma once

#include <cstdint>

#include "classlib/Components.h"
#include "platform/mm/mixer.h"

class TssVolumeController : public TComponent {
 public:
  explicit TssVolumeController(TComponent* AOwner);
  ~TssVolumeController() override;

  bool Mute() const { return mute_; }
  // Stores the value and writes it to the mute control (1 or 0), every
  // time.
  void SetMute(bool Value);
  // Read both channels from the mixer, refresh Volume and Balance and give
  // the one asked for.
  int Volume();
  int Balance();
  // Outside 0..100 (-100..100) ignored; otherwise stored and both channels
  // written with the current balance (volume).
  void SetVolume(int Value);
  void SetBalance(int Value);

  // What opening found.
  bool MixerOpened() const { return mixer_ != nullptr; }
  bool HasVolumeControl() const { return has_volume_; }
  bool HasMuteControl() const { return has_mute_; }

 private:
  void OpenMixer();
  void WriteVolume();
  void ReadVolume();

  HMIXER mixer_ = nullptr;
  MIXERCONTROLA mute_control_{};
  MIXERCONTROLA volume_control_{};
  bool mute_ = false;
  int volume_ = 0;
  int balance_ = 0;
  bool has_volume_ = false;
  bool has_mute_ = false;
};
