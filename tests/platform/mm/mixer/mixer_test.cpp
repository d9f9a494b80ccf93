// The mixer calls on the recording mixer: the speaker line and its two
// controls, record sizes, objects given as handle or device number, values
// per channel, and a machine without a mixer or without a control.
#include <gtest/gtest.h>

#include "platform/mm/mixer.h"

namespace {

HMIXEROBJ Obj(HMIXER h) { return reinterpret_cast<HMIXEROBJ>(h); }
HMIXEROBJ Device(UINT id) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id)); }

class MixerTest : public ::testing::Test {
 protected:
  void SetUp() override { mixer_ = platform::SelectRecordingMixer(); }
  void TearDown() override { platform::SelectSystemMixer(); }

  HMIXER Open() {
    HMIXER h = nullptr;
    EXPECT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_NOERROR);
    return h;
  }

  MIXERLINEA Speakers(HMIXEROBJ obj, MMRESULT* result) {
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwDestination = 1;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    *result = mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_COMPONENTTYPE);
    return line;
  }

  MMRESULT Details(bool set, HMIXEROBJ obj, DWORD control, DWORD channels, DWORD* values, DWORD cb = sizeof(DWORD)) {
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = control;
    d.cChannels = channels;
    d.cbDetails = cb;
    d.paDetails = values;
    return set ? mixerSetControlDetails(obj, &d, 0) : mixerGetControlDetailsA(obj, &d, 0);
  }

  std::shared_ptr<platform::RecordingMixer> mixer_;
};

TEST_F(MixerTest, SpeakerLineListsVolumeThenMute) {
  HMIXER h = Open();
  MMRESULT r = 0;
  MIXERLINEA line = Speakers(Obj(h), &r);
  ASSERT_EQ(r, MMSYSERR_NOERROR);
  EXPECT_EQ(line.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
  EXPECT_EQ(line.cChannels, 2u);
  ASSERT_EQ(line.cControls, 2u);

  MIXERCONTROLA controls[31] = {};
  MIXERLINECONTROLSA lc{};
  lc.cbStruct = sizeof lc;
  lc.dwLineID = line.dwLineID;
  lc.cControls = line.cControls;
  lc.cbmxctrl = sizeof(MIXERCONTROLA);
  lc.pamxctrl = controls;
  ASSERT_EQ(mixerGetLineControlsA(Obj(h), &lc, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
  EXPECT_EQ(controls[0].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
  EXPECT_EQ(controls[0].Bounds.u.dwMaximum, 65535u);
  EXPECT_EQ(controls[1].dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);
  EXPECT_EQ(controls[1].fdwControl, MIXERCONTROL_CONTROLF_UNIFORM);
  EXPECT_NE(controls[0].dwControlID, controls[1].dwControlID);
  EXPECT_EQ(controls[2].cbStruct, 0u);  // nothing written past the line's controls
  EXPECT_EQ(mixerClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(mixerClose(h), MMSYSERR_INVALHANDLE);
}

TEST_F(MixerTest, ValuesPerChannelByHandleOrDeviceZero) {
  HMIXER h = Open();
  DWORD values[2] = {65535, 64879};
  ASSERT_EQ(Details(true, Device(0), platform::kMixerVolumeControlId, 2, values), MMSYSERR_NOERROR);
  EXPECT_EQ(mixer_->left, 65535u);
  EXPECT_EQ(mixer_->right, 64879u);

  DWORD read[2] = {};
  ASSERT_EQ(Details(false, Obj(h), platform::kMixerVolumeControlId, 2, read), MMSYSERR_NOERROR);
  EXPECT_EQ(read[0], 65535u);
  EXPECT_EQ(read[1], 64879u);
  DWORD one = 0;
  ASSERT_EQ(Details(false, Obj(h), platform::kMixerVolumeControlId, 1, &one), MMSYSERR_NOERROR);
  EXPECT_EQ(one, 65535u);  // one channel reads the louder

  DWORD mute = 1;
  ASSERT_EQ(Details(true, Obj(h), platform::kMixerMuteControlId, 1, &mute), MMSYSERR_NOERROR);
  EXPECT_TRUE(mixer_->muted);
  mute = 7;
  ASSERT_EQ(Details(false, Obj(h), platform::kMixerMuteControlId, 1, &mute), MMSYSERR_NOERROR);
  EXPECT_EQ(mute, 1u);

  DWORD loud[2] = {70000, 3};  // beyond full scale: held at it
  ASSERT_EQ(Details(true, Obj(h), platform::kMixerVolumeControlId, 2, loud), MMSYSERR_NOERROR);
  EXPECT_EQ(mixer_->left, 65535u);

  const auto sets = mixer_->CallsOf("mixerSetControlDetails");
  ASSERT_EQ(sets.size(), 3u);
  EXPECT_EQ(sets[0].object, 0u);
  EXPECT_EQ(sets[0].control_id, platform::kMixerVolumeControlId);
  EXPECT_EQ(sets[0].values, (std::vector<DWORD>{65535, 64879}));
  EXPECT_EQ(sets[1].values, (std::vector<DWORD>{1}));
  mixerClose(h);
}

TEST_F(MixerTest, BadRecordsAndObjectsAreRefused) {
  HMIXER h = Open();
  DWORD values[2] = {};
  struct Case {
    const char* what;
    HMIXEROBJ obj;
    DWORD flags;
    DWORD control;
    DWORD channels;
    DWORD cb;
    MMRESULT expected;
  };
  const Case cases[] = {
      {"device 1", Device(1), 0, platform::kMixerVolumeControlId, 2, 4, MMSYSERR_BADDEVICEID},
      {"closed handle flag", Device(0x1234), MIXER_OBJECTF_HMIXER, platform::kMixerVolumeControlId, 2, 4,
       MMSYSERR_INVALHANDLE},
      {"unknown control", Obj(h), 0, 99, 2, 4, MIXERR_INVALCONTROL},
      {"three channels", Obj(h), 0, platform::kMixerVolumeControlId, 3, 4, MMSYSERR_INVALPARAM},
      {"two channels on uniform mute", Obj(h), 0, platform::kMixerMuteControlId, 2, 4, MMSYSERR_INVALPARAM},
      {"8-byte values", Obj(h), 0, platform::kMixerVolumeControlId, 2, 8, MMSYSERR_INVALPARAM},
      {"bad query flag", Obj(h), 5, platform::kMixerVolumeControlId, 2, 4, MMSYSERR_INVALFLAG},
  };
  for (const Case& c : cases) {
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = c.control;
    d.cChannels = c.channels;
    d.cbDetails = c.cb;
    d.paDetails = values;
    EXPECT_EQ(mixerGetControlDetailsA(c.obj, &d, c.flags), c.expected) << c.what;
  }
  MIXERCONTROLDETAILS small{};
  small.cbStruct = sizeof small - 4;
  EXPECT_EQ(mixerGetControlDetailsA(Obj(h), &small, 0), MMSYSERR_INVALPARAM);

  MIXERLINEA line{};
  line.cbStruct = 168;  // the 32-bit size is not ours
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  EXPECT_EQ(mixerGetLineInfoA(Obj(h), &line, MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_INVALPARAM);
  line.cbStruct = sizeof line;
  line.dwComponentType = 5;
  EXPECT_EQ(mixerGetLineInfoA(Obj(h), &line, MIXER_GETLINEINFOF_COMPONENTTYPE), MIXERR_INVALLINE);

  MIXERCONTROLA controls[2] = {};
  MIXERLINECONTROLSA lc{};
  lc.cbStruct = sizeof lc;
  lc.dwLineID = platform::kMixerSpeakerLineId;
  lc.cControls = 31;  // must be the line's own count
  lc.cbmxctrl = sizeof(MIXERCONTROLA);
  lc.pamxctrl = controls;
  EXPECT_EQ(mixerGetLineControlsA(Obj(h), &lc, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_INVALPARAM);
  lc.cControls = 2;
  lc.cbmxctrl = 100;
  EXPECT_EQ(mixerGetLineControlsA(Obj(h), &lc, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_INVALPARAM);
  mixerClose(h);
}

TEST_F(MixerTest, NoDeviceOrMissingControl) {
  mixer_->present = false;
  HMIXER h = reinterpret_cast<HMIXER>(1);
  EXPECT_EQ(mixerGetNumDevs(), 0u);
  EXPECT_EQ(mixerOpen(&h, 0, 0, 0, 0), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(h, nullptr);
  DWORD values[2] = {5, 5};
  EXPECT_EQ(Details(true, Device(0), platform::kMixerVolumeControlId, 2, values), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(mixer_->left, 0u);

  mixer_->present = true;
  mixer_->has_mute = false;
  h = Open();
  MMRESULT r = 0;
  EXPECT_EQ(Speakers(Obj(h), &r).cControls, 1u);
  DWORD mute = 1;
  EXPECT_EQ(Details(true, Obj(h), platform::kMixerMuteControlId, 1, &mute), MIXERR_INVALCONTROL);
  EXPECT_FALSE(mixer_->muted);
  const auto calls = mixer_->Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().function, "mixerSetControlDetails");
  EXPECT_EQ(calls.back().result, MIXERR_INVALCONTROL);
  mixerClose(h);
}

}  // namespace
