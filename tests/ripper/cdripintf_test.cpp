#include "ripper/CDRipIntf.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/mm/mci.h"
#include "platform/mm/mci_cdaudio.h"

namespace {

// A table of contents the fake entry points hand out: starts of each
// entry and then the lead-out; data entries flagged.
struct FakeDisc {
  bool loaded = true;
  int read_result = 0;
  std::vector<uint32_t> starts;  // entries then lead-out
  std::vector<bool> data;
};
FakeDisc g_fake;

void UseFakeLibrary() {
  DoneCDRip();
  CR_IsMediaLoaded = [] { return g_fake.loaded ? 1 : 0; };
  CR_ReadToc = [] { return g_fake.read_result; };
  CR_GetNumTocEntries = [] { return static_cast<int32_t>(g_fake.starts.size()) - 1; };
  CR_GetTocEntry2 = [](int32_t i, TTocEntry* e) {
    if (i < 0 || i >= static_cast<int32_t>(g_fake.starts.size())) return 1;
    const bool data = i < static_cast<int32_t>(g_fake.data.size()) && g_fake.data[static_cast<size_t>(i)];
    *e = TTocEntry{g_fake.starts[static_cast<size_t>(i)], static_cast<uint8_t>(data ? 4 : 0),
                   static_cast<uint8_t>(i + 1)};
    return 0;
  };
  CR_GetNumCDROM = [] { return 1; };
  CR_GetActiveCDROM = [] { return 0; };
}

// An MCI CD-audio device of the test's own, reporting `tracks` tracks and
// a last track of `last_length` frames.
int g_mci_tracks = 0;
uint32_t g_mci_last_length = 0;
class FakeCdAudio : public platform::mm::MciDevice {
 public:
  MCIERROR Open(const std::string&, DWORD) override { return 0; }
  MCIERROR Command(UINT message, DWORD_PTR, DWORD_PTR params) override {
    if (message == MCI_SET || message == MCI_CLOSE) return 0;
    if (message != MCI_STATUS) return MCIERR_UNSUPPORTED_FUNCTION;
    auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
    if (status->dwItem == MCI_STATUS_NUMBER_OF_TRACKS) status->dwReturn = static_cast<DWORD_PTR>(g_mci_tracks);
    else if (status->dwItem == MCI_STATUS_LENGTH) {
      const uint32_t f = g_mci_last_length;
      status->dwReturn = (f / 4500) | ((f / 75) % 60) << 8 | (f % 75) << 16;  // MCI's MSF order
    } else status->dwReturn = 0;
    return 0;
  }
};

class DiscRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFakeLibrary();
    g_fake = FakeDisc{};
    platform::mm::RegisterMciDeviceType("cdaudio", MCI_DEVTYPE_CD_AUDIO, {".cda"},
                                        [](int) { return std::make_unique<FakeCdAudio>(); }, [] { return DWORD{1}; });
    g_mci_tracks = 0;
  }
  void TearDown() override {
    MCICloseCD();
    DoneCDRip();
    platform::mm::RegisterMciDeviceType("cdaudio", MCI_DEVTYPE_CD_AUDIO, {".cda"}, platform::mm::MakeCdAudioDevice,
                                        platform::mm::CdAudioDeviceCount);
  }
};

TEST(CdTime, Conversions) {
  EXPECT_EQ(FramesToMSF(40000), 0x083519u);  // 8:53:25
  EXPECT_EQ(MSFToFrames(0x083519), 40000u);
  EXPECT_EQ(LBAToMSF(0), 0x000200u);
  EXPECT_EQ(MSFToLBA(0x000200), 0);
  EXPECT_EQ(AddMSF(0x000200, 0x000100), 0x000300u);
  uint8_t m, s, f;
  SplitMSF(0x4A3B12, m, s, f);
  EXPECT_EQ((std::vector<int>{m, s, f}), (std::vector<int>{0x4A, 0x3B, 0x12}));
}

TEST_F(DiscRecordTest, OneLongTrack) {
  g_fake.starts = {0, 40000};
  TDiscInfo info;
  ASSERT_EQ(ReadDiscInfo(info), 0);
  EXPECT_EQ(info.TrackCount, 1);
  EXPECT_EQ(info.Kind, 1);
  EXPECT_EQ(info.Tracks[0].LengthMSF, FramesToMSF(40000));
  EXPECT_EQ(info.Tracks[0].LengthSectors, 40000u);
  EXPECT_EQ(info.TotalAudio, 0x083519u);
  EXPECT_EQ(info.LeadOut, LBAToMSF(40000));
  EXPECT_EQ(info.DiscEnd, LBAToMSF(40000));
  EXPECT_EQ(info.DiscId, 40512u);
}

TEST_F(DiscRecordTest, MixedDisc) {
  g_fake.starts = {0, 1000, 2500, 4000};
  g_fake.data = {false, false, true};
  TDiscInfo info;
  ASSERT_EQ(ReadDiscInfo(info), 0);
  EXPECT_EQ(info.Kind, 2);
  EXPECT_EQ(info.FirstTrack, 1);
  EXPECT_EQ(info.LastTrack, 3);
  EXPECT_EQ(info.Tracks[1].StartLBA, 1000u);
  EXPECT_EQ(info.Tracks[1].LengthSectors, 1500u);
  EXPECT_EQ(info.Tracks[2].IsAudio, 0);
  EXPECT_EQ(info.TotalAudio, FramesToMSF(2500));
  EXPECT_EQ(info.FirstStart, 0x000200u);
  EXPECT_EQ(info.DiscId, LBAToMSF(0) + LBAToMSF(1000) + LBAToMSF(2500));

  g_fake.data = {true, true, true};
  ASSERT_EQ(ReadDiscInfo(info), 0);
  EXPECT_EQ(info.Kind, 0);
  EXPECT_EQ(info.TotalAudio, 0u);
}

TEST_F(DiscRecordTest, DiscIdForOneTwoAndThreeTracks) {
  TDiscInfo info;
  info.TrackCount = 0;
  EXPECT_EQ(CalcDiscID(info), 0u);
  info.TrackCount = 2;
  info.Tracks[0].StartMSF = 0x000210;  // frame byte 0x10
  info.Tracks[1].StartMSF = 0x050000;
  info.TotalAudio = 0x010000;  // 4500 frames
  EXPECT_EQ(CalcDiscID(info), 0x000210u + 0x050000u + 0x10u + 4500u);
  // Past 0xFFFFF the sum loses 33.
  info.Tracks[1].StartMSF = 0x0FF000;
  EXPECT_EQ(CalcDiscID(info), 0x000210u + 0x0FF000u + 0x10u + 4500u - 33u);
  info.TrackCount = 1;
  EXPECT_EQ(CalcDiscID(info), 0x000210u + 0x10u + 4500u);
  info.TrackCount = 3;
  info.Tracks[2].StartMSF = 0x300000;
  EXPECT_EQ(CalcDiscID(info), 0x000210u + 0x0FF000u + 0x300000u);
}

TEST_F(DiscRecordTest, NoDiscAndNoTable) {
  TDiscInfo info;
  info.TrackCount = 5;
  g_fake.loaded = false;
  EXPECT_EQ(ReadDiscInfo(info), 6);
  EXPECT_EQ(info.TrackCount, 0);
  g_fake.loaded = true;
  g_fake.read_result = 1;
  g_fake.starts = {0, 100};
  EXPECT_EQ(ReadDiscInfo(info), 1);
  g_fake.read_result = 0;
  g_fake.starts = {100};  // no entries, only a lead-out
  EXPECT_EQ(ReadDiscInfo(info), 1);
}

TEST_F(DiscRecordTest, MalformedTablesAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint32_t> starts;
  };
  std::vector<uint32_t> hundred;
  for (uint32_t i = 0; i <= 100; ++i) hundred.push_back(i * 10);
  for (const Case& c : {Case{"more than 99 entries", hundred}, Case{"starts falling", {0, 500, 400, 900}},
                        Case{"lead-out before the last start", {0, 500, 400}},
                        Case{"two entries at one start", {0, 500, 500, 900}}}) {
    SCOPED_TRACE(c.what);
    g_fake.starts = c.starts;
    TDiscInfo info;
    info.TrackCount = 3;
    EXPECT_EQ(ReadDiscInfo(info), 1);
    EXPECT_EQ(info.TrackCount, 0);
  }
}

TEST_F(DiscRecordTest, MciCorrectsTheLastTrackOnlyWhenItSeesTheSameTracks) {
  g_fake.starts = {0, 1000, 3000};
  MCIOpenCD();
  ASSERT_TRUE(MCIIsOpen());
  g_mci_tracks = 2;
  g_mci_last_length = 1234;
  TDiscInfo info;
  ASSERT_EQ(ReadDiscInfo(info), 0);
  EXPECT_EQ(info.Tracks[1].LengthMSF, FramesToMSF(1234));
  EXPECT_EQ(info.Tracks[1].LengthSectors, 2000u);  // the rest stays as read
  EXPECT_EQ(info.DiscEnd, AddMSF(LBAToMSF(1000), FramesToMSF(1234)));

  g_mci_tracks = 3;  // MCI sees another disc layout: no correction
  ASSERT_EQ(ReadDiscInfo(info), 0);
  EXPECT_EQ(info.Tracks[1].LengthMSF, FramesToMSF(2000));
  MCICloseCD();
  EXPECT_FALSE(MCIIsOpen());
  g_mci_tracks = 2;
  ASSERT_EQ(ReadDiscInfo(info), 0);
  EXPECT_EQ(info.Tracks[1].LengthMSF, FramesToMSF(2000));
}

TEST_F(DiscRecordTest, UnboundEntryPointsFailCleanly) {
  DoneCDRip();
  TDiscInfo info;
  EXPECT_EQ(ReadDiscInfo(info), 6);
  SelectCDROM(1);
  MCIOpenCD();
  EXPECT_FALSE(MCIIsOpen());
  EXPECT_FALSE(CDRipReady());
}

}  // namespace
