// The audio mixer (winmm's mixer calls) over ALSA's simple mixer of the
// default card.
//
// The mixer shows one device (device 0) with one destination line, the
// speakers (MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), of two channels, whose
// controls are a volume control (0..65535 per channel, the element's own
// range scaled) and, when the element has a playback switch, a mute
// control (on when the switch is off). The element is "Master", else
// "PCM"; a mono element reads as two equal channels and is written with
// the louder of the two values. Without a card or element there is no
// device: mixerGetNumDevs is 0 and the calls fail with
// MMSYSERR_BADDEVICEID.
//
// The object of the line and control calls is a mixer handle or a device
// number (the MIXER_OBJECTF_ flag says which; a value that is an open
// handle is also taken as one). Records are checked against their sizes
// (cbStruct, cbmxctrl, cbDetails).
//
// Tests never open ALSA: they select the recording mixer, which keeps its
// two channel values and mute state in memory and records every call.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/types.h"

using MMRESULT = UINT;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;
constexpr MMRESULT MIXERR_INVALVALUE = 1026;

struct HMIXER__;
using HMIXER = HMIXER__*;
using LPHMIXER = HMIXER*;
struct HMIXEROBJ__;
using HMIXEROBJ = HMIXEROBJ__*;

constexpr DWORD MIXER_OBJECTF_HANDLE = 0x80000000;
constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
constexpr DWORD MIXER_OBJECTF_HMIXER = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER;
constexpr DWORD MIXER_OBJECTF_TYPEMASK = 0xF0000000;

constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;

constexpr int MIXER_SHORT_NAME_CHARS = 16;
constexpr int MIXER_LONG_NAME_CHARS = 64;
constexpr int MAXPNAMELEN = 32;

constexpr DWORD MIXERLINE_LINEF_ACTIVE = 0x00000001;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr DWORD MIXERLINE_TARGETTYPE_WAVEOUT = 1;

constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0x00000000;
constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 0x00000001;
constexpr DWORD MIXER_GETLINEINFOF_LINEID = 0x00000002;
constexpr DWORD MIXER_GETLINEINFOF_COMPONENTTYPE = 0x00000003;
constexpr DWORD MIXER_GETLINEINFOF_TARGETTYPE = 0x00000004;
constexpr DWORD MIXER_GETLINEINFOF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0x00000000;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYID = 0x00000001;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x00000002;
constexpr DWORD MIXER_GETLINECONTROLSF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_GETCONTROLDETAILSF_QUERYMASK = 0x0000000F;
constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_SETCONTROLDETAILSF_QUERYMASK = 0x0000000F;

constexpr DWORD MIXERCONTROL_CONTROLF_UNIFORM = 0x00000001;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_MUTE = 0x20010002;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;

struct MIXERLINEA {
  DWORD cbStruct;
  DWORD dwDestination;
  DWORD dwSource;
  DWORD dwLineID;
  DWORD fdwLine;
  DWORD_PTR dwUser;
  DWORD dwComponentType;
  DWORD cChannels;
  DWORD cConnections;
  DWORD cControls;
  CHAR szShortName[MIXER_SHORT_NAME_CHARS];
  CHAR szName[MIXER_LONG_NAME_CHARS];
  struct {
    DWORD dwType;
    DWORD dwDeviceID;
    WORD wMid;
    WORD wPid;
    UINT vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
  } Target;
};
using LPMIXERLINEA = MIXERLINEA*;

struct MIXERCONTROLA {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD dwControlType;
  DWORD fdwControl;
  DWORD cMultipleItems;
  CHAR szShortName[MIXER_SHORT_NAME_CHARS];
  CHAR szName[MIXER_LONG_NAME_CHARS];
  union {
    struct {
      LONG lMinimum;
      LONG lMaximum;
    } s;
    struct {
      DWORD dwMinimum;
      DWORD dwMaximum;
    } u;
    DWORD dwReserved[6];
  } Bounds;
  union {
    DWORD cSteps;
    DWORD cbCustomData;
    DWORD dwReserved[6];
  } Metrics;
};
using LPMIXERCONTROLA = MIXERCONTROLA*;
static_assert(sizeof(MIXERCONTROLA) == 148);

struct MIXERLINECONTROLSA {
  DWORD cbStruct;
  DWORD dwLineID;
  union {
    DWORD dwControlID;
    DWORD dwControlType;
  };
  DWORD cControls;
  DWORD cbmxctrl;
  LPMIXERCONTROLA pamxctrl;
};
using LPMIXERLINECONTROLSA = MIXERLINECONTROLSA*;

struct MIXERCONTROLDETAILS {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD cChannels;
  union {
    HWND hwndOwner;
    DWORD cMultipleItems;
  };
  DWORD cbDetails;
  LPVOID paDetails;
};
using LPMIXERCONTROLDETAILS = MIXERCONTROLDETAILS*;

struct MIXERCONTROLDETAILS_UNSIGNED {
  DWORD dwValue;
};
struct MIXERCONTROLDETAILS_BOOLEAN {
  LONG fValue;
};

UINT mixerGetNumDevs();
// Only CALLBACK_NULL is taken (no change notifications are sent).
MMRESULT mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT mixerClose(HMIXER hmx);
// By component type (the speakers), by destination 0 or by line id.
MMRESULT mixerGetLineInfoA(HMIXEROBJ hmxobj, LPMIXERLINEA pmxl, DWORD fdwInfo);
// All controls of the line (cControls must be the line's count), one by id
// or one by type.
MMRESULT mixerGetLineControlsA(HMIXEROBJ hmxobj, LPMIXERLINECONTROLSA pmxlc, DWORD fdwControls);
// Values are 4 bytes per channel; cChannels is 1 (both channels as one:
// the louder on reading) or the line's 2; a uniform control takes 1 only.
MMRESULT mixerGetControlDetailsA(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails);
MMRESULT mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails);

namespace platform {

// Identifiers the mixer gives its line and controls.
constexpr DWORD kMixerSpeakerLineId = 0xFFFF0000;
constexpr DWORD kMixerVolumeControlId = 0;
constexpr DWORD kMixerMuteControlId = 1;

// One call the recording mixer saw: the function's name ("mixerOpen",
// "mixerGetLineInfoA", ...), its object (handle or device number) and
// flags, the control and channel count of the detail calls, the values
// written or read, and the result.
struct MixerCall {
  std::string function;
  UINT_PTR object = 0;
  DWORD flags = 0;
  DWORD control_id = 0;
  DWORD channels = 0;
  std::vector<DWORD> values;
  MMRESULT result = MMSYSERR_NOERROR;
};

// The in-memory mixer tests select. What it has is set before the calls
// (`present` false: no device at all; `has_volume`/`has_mute` false: the
// line lacks that control); the state is read and written by the calls.
class RecordingMixer {
 public:
  bool present = true;
  bool has_volume = true;
  bool has_mute = true;
  DWORD left = 0;
  DWORD right = 0;
  bool muted = false;

  std::vector<MixerCall> Calls() const;
  void ClearCalls();
  // The calls of one function, in order.
  std::vector<MixerCall> CallsOf(const std::string& function) const;

  void Record(MixerCall call);

 private:
  mutable std::mutex mutex_;
  std::vector<MixerCall> calls_;
};

// Selects the recording mixer for every later call and returns it; open
// handles of the previous mixer become invalid.
std::shared_ptr<RecordingMixer> SelectRecordingMixer();
// Goes back to the system's mixer (ALSA).
void SelectSystemMixer();

}  // namespace platform
