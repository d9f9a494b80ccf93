// The master volume controller on the recording mixer: what creation
// writes and reads, the volume and balance formulas with their truncation,
// out-of-range writes, reads refreshing both values, and a machine without
// a mixer or without one of the two controls.
#include <gtest/gtest.h>

#include <memory>

#include "controls/SSVolumeController.h"
#include "platform/mm/mixer.h"

namespace {

class VolumeTest : public ::testing::Test {
 protected:
  void SetUp() override { mixer_ = platform::SelectRecordingMixer(); }
  void TearDown() override {
    controller_.reset();
    platform::SelectSystemMixer();
  }

  TssVolumeController* Make() {
    controller_ = std::make_unique<TssVolumeController>(nullptr);
    return controller_.get();
  }
  std::vector<std::vector<DWORD>> VolumeWrites() const {
    std::vector<std::vector<DWORD>> out;
    for (const auto& c : mixer_->CallsOf("mixerSetControlDetails"))
      if (c.control_id == platform::kMixerVolumeControlId && c.result == MMSYSERR_NOERROR) out.push_back(c.values);
    return out;
  }

  std::shared_ptr<platform::RecordingMixer> mixer_;
  std::unique_ptr<TssVolumeController> controller_;
};

TEST_F(VolumeTest, CreationUnmutesAndReadsTheMixerAndMuteIsWrittenEveryTime) {
  mixer_->muted = true;
  mixer_->left = 0;
  mixer_->right = 32767;
  TssVolumeController* v = Make();
  EXPECT_FALSE(mixer_->muted);
  EXPECT_FALSE(v->Mute());
  const auto mutes = mixer_->CallsOf("mixerSetControlDetails");
  ASSERT_EQ(mutes.size(), 1u);
  EXPECT_EQ(mutes[0].control_id, platform::kMixerMuteControlId);
  EXPECT_EQ(mutes[0].channels, 1u);
  EXPECT_EQ(mutes[0].values, std::vector<DWORD>{0});
  EXPECT_EQ(v->Volume(), 49);  // the Part's reading example
  EXPECT_EQ(v->Balance(), 100);
  EXPECT_TRUE(VolumeWrites().empty()) << "creation writes no volume";
  // Mute is written every time.
  mixer_->ClearCalls();
  v->SetMute(true);
  v->SetMute(true);
  v->SetMute(false);
  const auto calls = mixer_->CallsOf("mixerSetControlDetails");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].values, std::vector<DWORD>{1});
  EXPECT_EQ(calls[2].values, std::vector<DWORD>{0});
  EXPECT_FALSE(mixer_->muted);
}

TEST_F(VolumeTest, ChannelFormulas) {
  struct Case {
    int volume, balance;
    DWORD left, right;
  };
  const Case cases[] = {
      {100, -1, 65535, 64879}, {50, 100, 0, 32767}, {100, -100, 65535, 0}, {100, 100, 0, 65535},
      {33, 0, 21626, 21626},   {0, 40, 0, 0},       {75, 25, 36863, 49151},
  };
  TssVolumeController* v = Make();
  for (const Case& c : cases) {
    v->SetBalance(c.balance);
    v->SetVolume(c.volume);
    EXPECT_EQ(mixer_->left, c.left) << c.volume << " " << c.balance;
    EXPECT_EQ(mixer_->right, c.right) << c.volume << " " << c.balance;
  }
  const auto writes = VolumeWrites();
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back().size(), 2u) << "left then right";
}

TEST_F(VolumeTest, OutOfRangeIgnoredAndReadsRefreshBoth) {
  TssVolumeController* v = Make();
  v->SetVolume(50);
  v->SetBalance(0);
  const std::size_t writes = VolumeWrites().size();
  v->SetVolume(101);
  v->SetVolume(-1);
  v->SetBalance(-101);
  v->SetBalance(101);
  EXPECT_EQ(VolumeWrites().size(), writes);
  EXPECT_EQ(v->Volume(), 49) << "50 reads back as 49 by truncation";

  mixer_->left = 65535;  // changed elsewhere
  mixer_->right = 0;
  EXPECT_EQ(v->Volume(), 100);
  mixer_->left = 6553;
  mixer_->right = 0;
  EXPECT_EQ(v->Balance(), -100);
  EXPECT_EQ(v->Volume(), 9);
  // A later volume write keeps the balance the read brought in.
  v->SetVolume(100);
  EXPECT_EQ(mixer_->right, 0u);
  EXPECT_EQ(mixer_->left, 65535u);
}

TEST_F(VolumeTest, NothingWrittenWithoutMixerOrControl) {
  struct Case {
    const char* what;
    bool present, volume, mute;
  };
  for (const Case& c : {Case{"no mixer", false, true, true}, Case{"no volume", true, false, true},
                        Case{"no mute", true, true, false}}) {
    mixer_ = platform::SelectRecordingMixer();
    mixer_->present = c.present;
    mixer_->has_volume = c.volume;
    mixer_->has_mute = c.mute;
    mixer_->left = mixer_->right = 1000;
    mixer_->muted = true;
    TssVolumeController* v = Make();
    v->SetVolume(80);
    v->SetBalance(-20);
    v->SetMute(true);
    v->SetMute(false);
    for (const auto& call : mixer_->CallsOf("mixerSetControlDetails")) {
      EXPECT_EQ(call.result, MMSYSERR_NOERROR) << c.what << ": a call to a missing control";
      if (!c.volume) {
        EXPECT_NE(call.control_id, platform::kMixerVolumeControlId) << c.what;
      }
    }
    if (!c.present || !c.volume) {
      EXPECT_EQ(mixer_->left, 1000u) << c.what;
      EXPECT_EQ(v->Volume(), 80) << c.what << ": the stored value";
      EXPECT_EQ(v->Balance(), -20) << c.what;
    } else {
      EXPECT_EQ(mixer_->left, 52428u) << c.what;
      EXPECT_EQ(mixer_->right, 41942u) << c.what;
    }
    EXPECT_EQ(mixer_->muted, !c.present || !c.mute) << c.what << ": mute only where it exists";
    EXPECT_EQ(v->MixerOpened(), c.present);
    controller_.reset();
  }
}

}  // namespace
