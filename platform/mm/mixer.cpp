#include "platform/mm/mixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace {

// One open mixer device: two channel values of 0..65535 and, where the
// line has one, a mute switch.
class MixerDevice {
 public:
  virtual ~MixerDevice() = default;
  virtual bool HasVolume() const = 0;
  virtual bool HasMute() const = 0;
  virtual void GetVolume(DWORD* left, DWORD* right) = 0;
  virtual void SetVolume(DWORD left, DWORD right) = 0;
  virtual bool GetMute() = 0;
  virtual void SetMute(bool mute) = 0;
  virtual std::string ProductName() const = 0;
  virtual std::string LineName() const = 0;
};

// ALSA's simple mixer element "Master" (else "PCM") of the default card.
class AlsaDevice final : public MixerDevice {
 public:
  static std::unique_ptr<AlsaDevice> Open() {
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) return nullptr;
    if (snd_mixer_attach(mixer, "default") < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer) < 0) {
      snd_mixer_close(mixer);
      return nullptr;
    }
    for (const char* name : {"Master", "PCM"}) {
      snd_mixer_selem_id_t* id = nullptr;
      if (snd_mixer_selem_id_malloc(&id) < 0) break;
      snd_mixer_selem_id_set_index(id, 0);
      snd_mixer_selem_id_set_name(id, name);
      snd_mixer_elem_t* elem = snd_mixer_find_selem(mixer, id);
      snd_mixer_selem_id_free(id);
      if (elem != nullptr && snd_mixer_selem_has_playback_volume(elem)) {
        return std::unique_ptr<AlsaDevice>(new AlsaDevice(mixer, elem, name));
      }
    }
    snd_mixer_close(mixer);
    return nullptr;
  }

  ~AlsaDevice() override { snd_mixer_close(mixer_); }

  bool HasVolume() const override { return true; }
  bool HasMute() const override { return snd_mixer_selem_has_playback_switch(elem_) != 0; }

  void GetVolume(DWORD* left, DWORD* right) override {
    snd_mixer_handle_events(mixer_);
    long l = min_, r = min_;
    if (Mono()) {
      snd_mixer_selem_get_playback_volume(elem_, SND_MIXER_SCHN_MONO, &l);
      r = l;
    } else {
      snd_mixer_selem_get_playback_volume(elem_, SND_MIXER_SCHN_FRONT_LEFT, &l);
      snd_mixer_selem_get_playback_volume(elem_, SND_MIXER_SCHN_FRONT_RIGHT, &r);
    }
    *left = ToScale(l);
    *right = ToScale(r);
  }

  void SetVolume(DWORD left, DWORD right) override {
    if (Mono()) {
      snd_mixer_selem_set_playback_volume_all(elem_, FromScale(std::max(left, right)));
    } else {
      snd_mixer_selem_set_playback_volume(elem_, SND_MIXER_SCHN_FRONT_LEFT, FromScale(left));
      snd_mixer_selem_set_playback_volume(elem_, SND_MIXER_SCHN_FRONT_RIGHT, FromScale(right));
    }
  }

  bool GetMute() override {
    snd_mixer_handle_events(mixer_);
    int on = 1;
    snd_mixer_selem_get_playback_switch(elem_, SND_MIXER_SCHN_FRONT_LEFT, &on);
    return on == 0;
  }
  void SetMute(bool mute) override { snd_mixer_selem_set_playback_switch_all(elem_, mute ? 0 : 1); }

  std::string ProductName() const override { return "ALSA default"; }
  std::string LineName() const override { return name_; }

 private:
  AlsaDevice(snd_mixer_t* mixer, snd_mixer_elem_t* elem, const char* name) : mixer_(mixer), elem_(elem), name_(name) {
    snd_mixer_selem_get_playback_volume_range(elem_, &min_, &max_);
  }

  bool Mono() const { return snd_mixer_selem_is_playback_mono(elem_) != 0; }
  DWORD ToScale(long v) const {
    if (max_ <= min_) return 0;
    v = std::clamp(v, min_, max_);
    return static_cast<DWORD>(((v - min_) * 65535LL + (max_ - min_) / 2) / (max_ - min_));
  }
  long FromScale(DWORD v) const {
    if (max_ <= min_) return min_;
    return min_ + static_cast<long>((std::min<DWORD>(v, 65535) * static_cast<long long>(max_ - min_) + 32767) / 65535);
  }

  snd_mixer_t* mixer_;
  snd_mixer_elem_t* elem_;
  std::string name_;
  long min_ = 0;
  long max_ = 0;
};

// The recording mixer's device: its state lives in the RecordingMixer.
class RecordingDevice final : public MixerDevice {
 public:
  explicit RecordingDevice(std::shared_ptr<platform::RecordingMixer> mixer) : mixer_(std::move(mixer)) {}
  bool HasVolume() const override { return mixer_->has_volume; }
  bool HasMute() const override { return mixer_->has_mute; }
  void GetVolume(DWORD* left, DWORD* right) override {
    *left = mixer_->left;
    *right = mixer_->right;
  }
  void SetVolume(DWORD left, DWORD right) override {
    mixer_->left = left;
    mixer_->right = right;
  }
  bool GetMute() override { return mixer_->muted; }
  void SetMute(bool mute) override { mixer_->muted = mute; }
  std::string ProductName() const override { return "Recording mixer"; }
  std::string LineName() const override { return "Master"; }

 private:
  std::shared_ptr<platform::RecordingMixer> mixer_;
};

struct MixerState {
  std::recursive_mutex mutex;
  std::shared_ptr<platform::RecordingMixer> recording;  // null: the system's mixer
  std::map<UINT_PTR, std::unique_ptr<MixerDevice>> open;
  UINT_PTR next_handle = 0x4D00;
};

MixerState& State() {
  static MixerState* state = new MixerState;
  return *state;
}

std::unique_ptr<MixerDevice> OpenDevice(MixerState& s) {
  if (s.recording) {
    if (!s.recording->present) return nullptr;
    return std::make_unique<RecordingDevice>(s.recording);
  }
  return AlsaDevice::Open();
}

// Finishes a call: records it on the recording mixer and returns `result`.
MMRESULT Done(MixerState& s, platform::MixerCall call, MMRESULT result) {
  if (s.recording) {
    call.result = result;
    s.recording->Record(std::move(call));
  }
  return result;
}

// The device a line or control call names: an open handle, or device 0
// opened for this call only (kept in `temporary`).
MMRESULT Resolve(MixerState& s, HMIXEROBJ object, DWORD flags, std::unique_ptr<MixerDevice>& temporary,
                 MixerDevice** device) {
  const UINT_PTR value = reinterpret_cast<UINT_PTR>(object);
  const DWORD type = flags & MIXER_OBJECTF_TYPEMASK;
  auto it = s.open.find(value);
  if (type == MIXER_OBJECTF_HMIXER) {
    if (it == s.open.end()) return MMSYSERR_INVALHANDLE;
    *device = it->second.get();
    return MMSYSERR_NOERROR;
  }
  if (type != MIXER_OBJECTF_MIXER) return MMSYSERR_INVALFLAG;
  if (it != s.open.end()) {
    *device = it->second.get();
    return MMSYSERR_NOERROR;
  }
  if (value != 0) return MMSYSERR_BADDEVICEID;
  temporary = OpenDevice(s);
  if (!temporary) return MMSYSERR_BADDEVICEID;
  *device = temporary.get();
  return MMSYSERR_NOERROR;
}

void CopyName(char* to, std::size_t size, const std::string& from) {
  std::memset(to, 0, size);
  std::memcpy(to, from.data(), std::min(from.size(), size - 1));
}

std::vector<MIXERCONTROLA> Controls(const MixerDevice& d) {
  std::vector<MIXERCONTROLA> list;
  if (d.HasVolume()) {
    MIXERCONTROLA c{};
    c.cbStruct = sizeof(MIXERCONTROLA);
    c.dwControlID = platform::kMixerVolumeControlId;
    c.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    CopyName(c.szShortName, sizeof c.szShortName, "Volume");
    CopyName(c.szName, sizeof c.szName, "Master Volume");
    c.Bounds.u.dwMinimum = 0;
    c.Bounds.u.dwMaximum = 65535;
    c.Metrics.cSteps = 65536;
    list.push_back(c);
  }
  if (d.HasMute()) {
    MIXERCONTROLA c{};
    c.cbStruct = sizeof(MIXERCONTROLA);
    c.dwControlID = platform::kMixerMuteControlId;
    c.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    c.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    CopyName(c.szShortName, sizeof c.szShortName, "Mute");
    CopyName(c.szName, sizeof c.szName, "Master Mute");
    c.Bounds.u.dwMinimum = 0;
    c.Bounds.u.dwMaximum = 1;
    list.push_back(c);
  }
  return list;
}

// Checks a detail record against the control it names; on success
// `control` is that control.
MMRESULT CheckDetails(const MixerDevice& d, const MIXERCONTROLDETAILS* details, DWORD flags, MIXERCONTROLA* control) {
  if (details == nullptr || details->cbStruct != sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
  if ((flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_INVALFLAG;
  const std::vector<MIXERCONTROLA> controls = Controls(d);
  auto it = std::find_if(controls.begin(), controls.end(),
                         [&](const MIXERCONTROLA& c) { return c.dwControlID == details->dwControlID; });
  if (it == controls.end()) return MIXERR_INVALCONTROL;
  *control = *it;
  if (details->cbDetails != sizeof(DWORD) || details->paDetails == nullptr) return MMSYSERR_INVALPARAM;
  const bool uniform = (it->fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) != 0;
  if (details->cChannels != 1 && (uniform || details->cChannels != 2)) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

}  // namespace

UINT mixerGetNumDevs() {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  if (!s.open.empty()) return 1;
  return OpenDevice(s) ? 1 : 0;
}

MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR, DWORD fdwOpen) {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  platform::MixerCall call{"mixerOpen", uMxId, fdwOpen, 0, 0, {}, 0};
  if (phmx == nullptr) return Done(s, call, MMSYSERR_INVALPARAM);
  *phmx = nullptr;
  const DWORD callback = fdwOpen & CALLBACK_TYPEMASK;
  if (callback != CALLBACK_NULL && callback != CALLBACK_WINDOW) return Done(s, call, MMSYSERR_INVALFLAG);
  if (callback == CALLBACK_WINDOW && dwCallback == 0) return Done(s, call, MMSYSERR_INVALPARAM);
  const DWORD type = fdwOpen & MIXER_OBJECTF_TYPEMASK;
  if (type == MIXER_OBJECTF_HMIXER) {
    if (s.open.find(uMxId) == s.open.end()) return Done(s, call, MMSYSERR_INVALHANDLE);
  } else if (type != MIXER_OBJECTF_MIXER) {
    return Done(s, call, MMSYSERR_INVALFLAG);
  } else if (uMxId != 0) {
    return Done(s, call, MMSYSERR_BADDEVICEID);
  }
  std::unique_ptr<MixerDevice> device = OpenDevice(s);
  if (!device) return Done(s, call, MMSYSERR_BADDEVICEID);
  const UINT_PTR handle = s.next_handle++;
  s.open[handle] = std::move(device);
  *phmx = reinterpret_cast<HMIXER>(handle);
  call.values = {static_cast<DWORD>(handle)};
  return Done(s, call, MMSYSERR_NOERROR);
}

MMRESULT mixerClose(HMIXER hmx) {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  const UINT_PTR handle = reinterpret_cast<UINT_PTR>(hmx);
  platform::MixerCall call{"mixerClose", handle, 0, 0, 0, {}, 0};
  if (s.open.erase(handle) == 0) return Done(s, call, MMSYSERR_INVALHANDLE);
  return Done(s, call, MMSYSERR_NOERROR);
}

MMRESULT mixerGetLineInfoA(HMIXEROBJ hmxobj, LPMIXERLINEA pmxl, DWORD fdwInfo) {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  platform::MixerCall call{"mixerGetLineInfoA", reinterpret_cast<UINT_PTR>(hmxobj), fdwInfo, 0, 0, {}, 0};
  std::unique_ptr<MixerDevice> temporary;
  MixerDevice* device = nullptr;
  if (MMRESULT r = Resolve(s, hmxobj, fdwInfo, temporary, &device)) return Done(s, call, r);
  if (pmxl == nullptr || pmxl->cbStruct != sizeof(MIXERLINEA)) return Done(s, call, MMSYSERR_INVALPARAM);
  switch (fdwInfo & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
      if (pmxl->dwComponentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) return Done(s, call, MIXERR_INVALLINE);
      break;
    case MIXER_GETLINEINFOF_DESTINATION:
      if (pmxl->dwDestination != 0) return Done(s, call, MMSYSERR_INVALPARAM);
      break;
    case MIXER_GETLINEINFOF_LINEID:
      if (pmxl->dwLineID != platform::kMixerSpeakerLineId) return Done(s, call, MIXERR_INVALLINE);
      break;
    case MIXER_GETLINEINFOF_SOURCE:  // the speakers have no source lines
      return Done(s, call, MMSYSERR_INVALPARAM);
    case MIXER_GETLINEINFOF_TARGETTYPE:
      return Done(s, call, MIXERR_INVALLINE);
    default:
      return Done(s, call, MMSYSERR_INVALFLAG);
  }
  pmxl->dwDestination = 0;
  pmxl->dwSource = 0;
  pmxl->dwLineID = platform::kMixerSpeakerLineId;
  pmxl->fdwLine = MIXERLINE_LINEF_ACTIVE;
  pmxl->dwUser = 0;
  pmxl->dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  pmxl->cChannels = 2;
  pmxl->cConnections = 0;
  pmxl->cControls = static_cast<DWORD>(Controls(*device).size());
  CopyName(pmxl->szShortName, sizeof pmxl->szShortName, device->LineName());
  CopyName(pmxl->szName, sizeof pmxl->szName, "Speakers");
  pmxl->Target.dwType = MIXERLINE_TARGETTYPE_WAVEOUT;
  pmxl->Target.dwDeviceID = 0;
  pmxl->Target.wMid = 0;
  pmxl->Target.wPid = 0;
  pmxl->Target.vDriverVersion = 0x0100;
  CopyName(pmxl->Target.szPname, sizeof pmxl->Target.szPname, device->ProductName());
  return Done(s, call, MMSYSERR_NOERROR);
}

MMRESULT mixerGetLineControlsA(HMIXEROBJ hmxobj, LPMIXERLINECONTROLSA pmxlc, DWORD fdwControls) {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  platform::MixerCall call{"mixerGetLineControlsA", reinterpret_cast<UINT_PTR>(hmxobj), fdwControls, 0, 0, {}, 0};
  std::unique_ptr<MixerDevice> temporary;
  MixerDevice* device = nullptr;
  if (MMRESULT r = Resolve(s, hmxobj, fdwControls, temporary, &device)) return Done(s, call, r);
  if (pmxlc == nullptr || pmxlc->cbStruct != sizeof(MIXERLINECONTROLSA) || pmxlc->cbmxctrl != sizeof(MIXERCONTROLA) ||
      pmxlc->pamxctrl == nullptr) {
    return Done(s, call, MMSYSERR_INVALPARAM);
  }
  const std::vector<MIXERCONTROLA> controls = Controls(*device);
  call.channels = pmxlc->cControls;
  switch (fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL:
      if (pmxlc->dwLineID != platform::kMixerSpeakerLineId) return Done(s, call, MIXERR_INVALLINE);
      if (pmxlc->cControls == 0 || pmxlc->cControls != controls.size()) return Done(s, call, MMSYSERR_INVALPARAM);
      std::copy(controls.begin(), controls.end(), pmxlc->pamxctrl);
      return Done(s, call, MMSYSERR_NOERROR);
    case MIXER_GETLINECONTROLSF_ONEBYID:
      for (const MIXERCONTROLA& c : controls) {
        if (c.dwControlID != pmxlc->dwControlID) continue;
        *pmxlc->pamxctrl = c;
        pmxlc->dwLineID = platform::kMixerSpeakerLineId;
        return Done(s, call, MMSYSERR_NOERROR);
      }
      return Done(s, call, MIXERR_INVALCONTROL);
    case MIXER_GETLINECONTROLSF_ONEBYTYPE:
      if (pmxlc->dwLineID != platform::kMixerSpeakerLineId) return Done(s, call, MIXERR_INVALLINE);
      for (const MIXERCONTROLA& c : controls) {
        if (c.dwControlType != pmxlc->dwControlType) continue;
        *pmxlc->pamxctrl = c;
        return Done(s, call, MMSYSERR_NOERROR);
      }
      return Done(s, call, MIXERR_INVALCONTROL);
    default:
      return Done(s, call, MMSYSERR_INVALFLAG);
  }
}

MMRESULT mixerGetControlDetailsA(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  platform::MixerCall call{"mixerGetControlDetailsA", reinterpret_cast<UINT_PTR>(hmxobj), fdwDetails, 0, 0, {}, 0};
  if (pmxcd != nullptr) {
    call.control_id = pmxcd->dwControlID;
    call.channels = pmxcd->cChannels;
  }
  std::unique_ptr<MixerDevice> temporary;
  MixerDevice* device = nullptr;
  if (MMRESULT r = Resolve(s, hmxobj, fdwDetails, temporary, &device)) return Done(s, call, r);
  MIXERCONTROLA control{};
  if (MMRESULT r = CheckDetails(*device, pmxcd, fdwDetails, &control)) return Done(s, call, r);
  auto* values = static_cast<DWORD*>(pmxcd->paDetails);
  if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE) {
    values[0] = device->GetMute() ? 1 : 0;
  } else {
    DWORD left = 0, right = 0;
    device->GetVolume(&left, &right);
    if (pmxcd->cChannels == 1) {
      values[0] = std::max(left, right);
    } else {
      values[0] = left;
      values[1] = right;
    }
  }
  call.values.assign(values, values + pmxcd->cChannels);
  return Done(s, call, MMSYSERR_NOERROR);
}

MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  platform::MixerCall call{"mixerSetControlDetails", reinterpret_cast<UINT_PTR>(hmxobj), fdwDetails, 0, 0, {}, 0};
  if (pmxcd != nullptr) {
    call.control_id = pmxcd->dwControlID;
    call.channels = pmxcd->cChannels;
    if (pmxcd->paDetails != nullptr && pmxcd->cbDetails == sizeof(DWORD) && pmxcd->cChannels <= 2) {
      const auto* values = static_cast<const DWORD*>(pmxcd->paDetails);
      call.values.assign(values, values + pmxcd->cChannels);
    }
  }
  std::unique_ptr<MixerDevice> temporary;
  MixerDevice* device = nullptr;
  if (MMRESULT r = Resolve(s, hmxobj, fdwDetails, temporary, &device)) return Done(s, call, r);
  MIXERCONTROLA control{};
  if (MMRESULT r = CheckDetails(*device, pmxcd, fdwDetails, &control)) return Done(s, call, r);
  const auto* values = static_cast<const DWORD*>(pmxcd->paDetails);
  if (control.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE) {
    device->SetMute(values[0] != 0);
  } else {
    const DWORD left = std::min<DWORD>(values[0], 65535);
    const DWORD right = pmxcd->cChannels == 1 ? left : std::min<DWORD>(values[1], 65535);
    device->SetVolume(left, right);
  }
  return Done(s, call, MMSYSERR_NOERROR);
}

namespace platform {

std::vector<MixerCall> RecordingMixer::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

void RecordingMixer::ClearCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.clear();
}

std::vector<MixerCall> RecordingMixer::CallsOf(const std::string& function) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<MixerCall> out;
  for (const MixerCall& c : calls_)
    if (c.function == function) out.push_back(c);
  return out;
}

void RecordingMixer::Record(MixerCall call) {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.push_back(std::move(call));
}

std::shared_ptr<RecordingMixer> SelectRecordingMixer() {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  s.open.clear();
  s.recording = std::make_shared<RecordingMixer>();
  return s.recording;
}

void SelectSystemMixer() {
  MixerState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  s.open.clear();
  s.recording = nullptr;
}

}  // namespace platform
