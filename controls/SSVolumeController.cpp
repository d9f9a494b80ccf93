#include "controls/SSVolumeController.h"

#include <algorithm>

namespace {

constexpr int kMaxControls = 31;

HMIXEROBJ Object(HMIXER mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }
HMIXEROBJ DeviceZero() { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)); }

}  // namespace

TssVolumeController::TssVolumeController(TComponent* AOwner) : TComponent(AOwner) {
  OpenMixer();
  SetMute(false);  // the speakers are unmuted on creation
  ReadVolume();
}

TssVolumeController::~TssVolumeController() {
  if (mixer_ != nullptr) mixerClose(mixer_);
}

void TssVolumeController::OpenMixer() {
  if (mixerOpen(&mixer_, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
    mixer_ = nullptr;
    return;
  }
  MIXERLINEA line{};
  line.cbStruct = sizeof(MIXERLINEA);
  line.dwDestination = 1;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  if (mixerGetLineInfoA(Object(mixer_), &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR) return;
  MIXERCONTROLA controls[kMaxControls] = {};
  MIXERLINECONTROLSA list{};
  list.cbStruct = sizeof(MIXERLINECONTROLSA);
  list.dwLineID = line.dwLineID;
  list.cControls = std::min<DWORD>(line.cControls, kMaxControls);
  list.cbmxctrl = sizeof(MIXERCONTROLA);
  list.pamxctrl = controls;
  if (mixerGetLineControlsA(Object(mixer_), &list, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR) return;
  // From the last to the first, so the first of each type stays.
  for (int i = static_cast<int>(list.cControls) - 1; i >= 0; --i) {
    if (controls[i].dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) {
      volume_control_ = controls[i];
      has_volume_ = true;
    } else if (controls[i].dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE) {
      mute_control_ = controls[i];
      has_mute_ = true;
    }
  }
}

void TssVolumeController::SetMute(bool Value) {
  mute_ = Value;
  if (!has_mute_) return;
  DWORD value = Value ? 1 : 0;
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof(MIXERCONTROLDETAILS);
  details.dwControlID = mute_control_.dwControlID;
  details.cChannels = 1;
  details.cbDetails = sizeof(DWORD);
  details.paDetails = &value;
  mixerSetControlDetails(DeviceZero(), &details, 0);
}

int TssVolumeController::Volume() {
  ReadVolume();
  return volume_;
}

int TssVolumeController::Balance() {
  ReadVolume();
  return balance_;
}

void TssVolumeController::SetVolume(int Value) {
  if (Value < 0 || Value > 100) return;
  volume_ = Value;
  WriteVolume();
}

void TssVolumeController::SetBalance(int Value) {
  if (Value < -100 || Value > 100) return;
  balance_ = Value;
  WriteVolume();
}

void TssVolumeController::WriteVolume() {
  if (!has_volume_) return;
  const int base = volume_ * 65535 / 100;
  DWORD values[2];
  if (balance_ >= 0) {
    values[0] = static_cast<DWORD>(base * (100 - balance_) / 100);
    values[1] = static_cast<DWORD>(base);
  } else {
    values[0] = static_cast<DWORD>(base);
    values[1] = static_cast<DWORD>(base * (balance_ + 100) / 100);
  }
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof(MIXERCONTROLDETAILS);
  details.dwControlID = volume_control_.dwControlID;
  details.cChannels = 2;
  details.cbDetails = sizeof(DWORD);
  details.paDetails = values;
  mixerSetControlDetails(DeviceZero(), &details, 0);
}

void TssVolumeController::ReadVolume() {
  if (!has_volume_) return;
  DWORD values[2] = {0, 0};
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof(MIXERCONTROLDETAILS);
  details.dwControlID = volume_control_.dwControlID;
  details.cChannels = 2;
  details.cbDetails = sizeof(DWORD);
  details.paDetails = values;
  if (mixerGetControlDetailsA(Object(mixer_), &details, 0) != MMSYSERR_NOERROR) return;
  const std::int64_t left = values[0], right = values[1];
  const std::int64_t louder = std::max(left, right);
  volume_ = static_cast<int>(louder * 100 / 65535);
  balance_ = volume_ == 0 ? 0 : static_cast<int>((right - left) * 100 / louder);
}
