#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "outside/cdrip/cdrip_api.h"
#include "platform/cd/cd.h"
#include "platform/fs/drives.h"
#include "tests/support/cd_image.h"
#include "tests/support/temp_dir.h"

namespace {

// Two audio tracks and a data track: 300, 151 and 120 sectors.
class CdRipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetDriveTable();
    platform::SetWindowsFolder(dir_.path().string());
    cue_ = velko_test::WriteCdImage(dir_.path(), "disc", {{300}, {151}, {120, false}}).string();
    ASSERT_TRUE(platform::cd::InsertImage('K', cue_));
    ASSERT_EQ(CR_Init("CDRipper.ini"), CDEX_OK);
    CRTest_Reset();
    int count = CR_GetNumCDROM();
    for (int i = 0; i < count; ++i)
      if (std::string(CR_GetCDROMIDByIndex(i)).rfind("K:", 0) == 0) CR_SetActiveCDROM(i);
    ASSERT_EQ(std::string(CR_GetCDROMIDByIndex(CR_GetActiveCDROM())).substr(0, 2), "K:");
  }
  void TearDown() override {
    CR_CloseRipper();
    CRTest_Reset();
    platform::cd::RemoveImage('K');
    platform::ResetDriveTable();
  }

  // Rips [first, last]; returns the bytes and each call's result and percent.
  struct Rip {
    std::string bytes;
    std::vector<int> results;
    std::vector<int> percents;
  };
  Rip RipRange(int first, int last) {
    Rip rip;
    int32_t size = 0;
    EXPECT_EQ(CR_OpenRipper(&size, first, last), CDEX_OK);
    std::vector<uint8_t> buffer(static_cast<size_t>(size));
    for (int guard = 0; guard < 10000; ++guard) {
      int32_t bytes = -1;
      int r = CR_RipChunk(buffer.data(), &bytes, 0);
      rip.results.push_back(r);
      rip.percents.push_back(CR_GetPercentCompleted());
      EXPECT_LE(bytes, size);
      if (r != CDEX_OK && r != CDEX_JITTER_ERROR) break;
      EXPECT_GT(bytes, 0);
      rip.bytes.append(reinterpret_cast<char*>(buffer.data()), static_cast<size_t>(bytes));
    }
    EXPECT_EQ(CR_CloseRipper(), CDEX_OK);
    return rip;
  }

  // Sectors a read asks for, and the ripping mode (1, the default, corrects).
  static void SetParameters(int read_sectors, int mode = 1) {
    CDROMPARAMS p{};
    ASSERT_EQ(CR_GetCDROMParameters(&p), CDEX_OK);
    p.nNumReadSectors = read_sectors;
    p.nRippingMode = mode;
    ASSERT_EQ(CR_SetCDROMParameters(&p), CDEX_OK);
  }

  velko_test::TempDir dir_;
  std::string cue_;
};

TEST_F(CdRipTest, TableOfContentsWithLeadOutAndDataFlag) {
  ASSERT_EQ(CR_IsMediaLoaded(), 1);
  ASSERT_EQ(CR_ReadToc(), CDEX_OK);
  ASSERT_EQ(CR_GetNumTocEntries(), 3);
  struct Want {
    uint32_t start;
    uint8_t flag;
    uint8_t number;
  };
  const Want want[] = {{0, 0, 1}, {300, 0, 2}, {451, CDROMDATAFLAG, 3}, {571, 0, 0xAA}};
  for (int i = 0; i <= 3; ++i) {
    TOCENTRY2 e{};
    ASSERT_EQ(CR_GetTocEntry2(i, &e), CDEX_OK);
    EXPECT_EQ(e.dwStartSector, want[i].start) << i;
    EXPECT_EQ(e.btFlag & CDROMDATAFLAG, want[i].flag) << i;
    if (i < 3) {
      EXPECT_EQ(e.btTrackNumber, want[i].number);
    }
  }
  TOCENTRY2 e{};
  EXPECT_NE(CR_GetTocEntry2(4, &e), CDEX_OK);
  EXPECT_NE(CR_GetTocEntry2(-1, &e), CDEX_OK);
}

// Every audio track byte for byte, with corrected and plain reads and
// chunks of several sizes; the percent reaches 100 only with the end.
TEST_F(CdRipTest, EveryTrackRipsByteExact) {
  struct Case {
    int read_sectors;
    int mode;
  };
  for (Case c : {Case{26, 1}, Case{7, 1}, Case{1, 0}, Case{200, 0}}) {
    SCOPED_TRACE(c.read_sectors);
    SetParameters(c.read_sectors, c.mode);
    for (auto [first, last] : {std::pair{0, 299}, std::pair{300, 450}}) {
      Rip rip = RipRange(first, last);
      EXPECT_TRUE(rip.bytes == velko_test::CdImageSectors(first, last));
      ASSERT_GE(rip.results.size(), 2u);
      EXPECT_EQ(rip.results.back(), CDEX_RIPPING_DONE);
      for (size_t i = 0; i + 1 < rip.results.size(); ++i) EXPECT_EQ(rip.results[i], CDEX_OK);
      // 100 first shows after the chunk holding the last sector.
      for (size_t i = 0; i + 2 < rip.percents.size(); ++i) EXPECT_LT(rip.percents[i], 100);
      EXPECT_EQ(rip.percents[rip.percents.size() - 2], 100);
    }
  }
}

TEST_F(CdRipTest, ForcedJitterFailureAndEarlyEnd) {
  SetParameters(10);
  CRTest_ForceJitterAt(1);
  CRTest_ForceJitterAt(3);
  Rip rip = RipRange(0, 49);
  EXPECT_EQ(rip.results, (std::vector<int>{0, 3, 0, 3, 0, 4}));
  EXPECT_TRUE(rip.bytes == velko_test::CdImageSectors(0, 49));  // a jitter chunk still holds its bytes
  CRTest_Reset();

  CRTest_ForceFailureAt(2);
  rip = RipRange(0, 49);
  EXPECT_EQ(rip.results, (std::vector<int>{0, 0, CDEX_ERROR}));
  CRTest_Reset();

  CRTest_ForceDoneAtOnce(1);
  rip = RipRange(0, 49);
  EXPECT_EQ(rip.results, (std::vector<int>{4}));
  EXPECT_TRUE(rip.bytes.empty());
}

TEST_F(CdRipTest, OpenAndCloseRules) {
  int32_t size = 0;
  EXPECT_NE(CR_OpenRipper(&size, 10, 9), CDEX_OK);
  EXPECT_NE(CR_OpenRipper(&size, 0, 571), CDEX_OK);  // past the lead-out
  uint8_t buffer[4];
  int32_t bytes = 5;
  EXPECT_NE(CR_RipChunk(buffer, &bytes, 0), CDEX_OK);  // nothing open
  EXPECT_EQ(bytes, 0);
  SetParameters(17);  // sectors per read set the chunk
  ASSERT_EQ(CR_OpenRipper(&size, 0, 0), CDEX_OK);
  EXPECT_EQ(size, 17 * 2352);
  EXPECT_EQ(CR_CloseRipper(), CDEX_OK);
  EXPECT_EQ(CR_CloseRipper(), CDEX_OK);
}

TEST_F(CdRipTest, EjectedDiscFailsTheRip) {
  int32_t size = 0;
  ASSERT_EQ(CR_OpenRipper(&size, 0, 299), CDEX_OK);
  std::vector<uint8_t> buffer(static_cast<size_t>(size));
  int32_t bytes = 0;
  ASSERT_EQ(CR_RipChunk(buffer.data(), &bytes, 0), CDEX_OK);
  EXPECT_EQ(CR_EjectCD(1), CDEX_OK);
  EXPECT_EQ(CR_IsMediaLoaded(), 0);
  EXPECT_NE(CR_RipChunk(buffer.data(), &bytes, 0), CDEX_OK);
  EXPECT_NE(CR_ReadToc(), CDEX_OK);
  EXPECT_EQ(CR_EjectCD(0), CDEX_OK);
  EXPECT_EQ(CR_IsMediaLoaded(), 1);
  // Images have no audio output of their own.
  EXPECT_NE(CR_PlayTrack(1), CDEX_OK);
  EXPECT_EQ(CR_IsAudioPlaying(), 0);
}

TEST_F(CdRipTest, SettingsGoToTheWindowsFolder) {
  CDROMPARAMS p{};
  ASSERT_EQ(CR_GetCDROMParameters(&p), CDEX_OK);
  p.nNumReadSectors = 13;
  p.nAspiTimeOut = 31;
  ASSERT_EQ(CR_SetCDROMParameters(&p), CDEX_OK);
  ASSERT_EQ(CR_SaveSettings(), CDEX_OK);
  std::ifstream in(dir_.path() / "CDRipper.ini");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("[CDROM K]"), std::string::npos);
  EXPECT_NE(text.find("NumReadSectors=13"), std::string::npos);
  p.nNumReadSectors = 5;
  ASSERT_EQ(CR_SetCDROMParameters(&p), CDEX_OK);
  ASSERT_EQ(CR_LoadSettings(), CDEX_OK);
  ASSERT_EQ(CR_GetCDROMParameters(&p), CDEX_OK);
  EXPECT_EQ(p.nNumReadSectors, 13);
  EXPECT_EQ(p.nAspiTimeOut, 31);
  EXPECT_EQ(CR_GetCDRipVersion(), 128);
}

}  // namespace
