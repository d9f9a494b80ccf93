#include "platform/cd/cd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <cstring>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/files.h"
#include "tests/platform/checks.h"
#include "tests/support/cd_image.h"
#include "tests/support/temp_dir.h"

namespace {


using platform::cd::AudioReader;
using platform::cd::kSectorBytes;

class CdLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetDriveTable();
    cue_ = velko_test::WriteCdImage(dir_.path(), "disc", {{300}, {150}, {120, false}}).string();
    ASSERT_TRUE(platform::cd::InsertImage('K', cue_));
  }
  void TearDown() override {
    platform::cd::RemoveImage('K');
    platform::ResetDriveTable();
  }

  std::vector<std::string> RootNames() {
    std::vector<std::string> names;
    WIN32_FIND_DATA data;
    HANDLE find = FindFirstFile("K:\\*.*", &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFile(find, &data));
    FindClose(find);
    return names;
  }

  velko_test::TempDir dir_;
  std::string cue_;
};

TEST_F(CdLayerTest, TableOfContentsOfAnImage) {
  const auto toc = platform::cd::ReadToc('k');
  ASSERT_TRUE(toc.has_value());
  EXPECT_EQ(toc->first_track, 1);
  EXPECT_EQ(toc->last_track, 3);
  ASSERT_EQ(toc->tracks.size(), 3u);
  const int32_t starts[] = {0, 300, 450};
  const bool audio[] = {true, true, false};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(toc->tracks[i].number, i + 1);
    EXPECT_EQ(toc->tracks[i].start, starts[i]);
    EXPECT_EQ(toc->tracks[i].audio, audio[i]);
  }
  EXPECT_EQ(toc->lead_out, 570);

  const auto disc = platform::cd::ReadDiscContents('K');
  ASSERT_TRUE(disc.has_value());
  EXPECT_EQ(disc->tracks[0].sector_count, 300u);
  EXPECT_EQ(disc->tracks[1].sector_count, 150u);
  EXPECT_EQ(disc->tracks[2].sector_count, 120u);
}

TEST_F(CdLayerTest, LetterListsTheAudioTracks) {
  EXPECT_EQ(GetDriveType("K:\\"), DRIVE_CDROM);
  EXPECT_EQ(RootNames(), (std::vector<std::string>{"Track01.cda", "Track02.cda"}));
  HANDLE file = CreateFile("K:\\Track02.cda", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  unsigned char bytes[44];
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file, bytes, sizeof bytes, &read, nullptr));
  CloseHandle(file);
  DWORD start = 0, length = 0;
  std::memcpy(&start, bytes + 28, 4);
  std::memcpy(&length, bytes + 32, 4);
  EXPECT_EQ(start, 300u);
  EXPECT_EQ(length, 150u);
}

TEST_F(CdLayerTest, EjectTakesTheDiscOutAndCloseBringsItBack) {
  EXPECT_TRUE(platform::cd::HasDisc('K'));
  ASSERT_TRUE(platform::cd::Eject('K'));
  EXPECT_FALSE(platform::cd::HasDisc('K'));
  EXPECT_FALSE(platform::cd::ReadToc('K').has_value());
  EXPECT_EQ(AudioReader::Open('K'), nullptr);
  WIN32_FIND_DATA data;
  EXPECT_EQ(OPEN_ERROR_OF(FindFirstFile("K:\\*.cda", &data)), ERROR_NOT_READY);
  ASSERT_TRUE(platform::cd::CloseTray('K'));
  EXPECT_TRUE(platform::cd::HasDisc('K'));
  EXPECT_EQ(RootNames().size(), 2u);
}

TEST_F(CdLayerTest, PlainReadsAreByteExact) {
  auto reader = AudioReader::Open('K');
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->toc().lead_out, 570);
  std::string buffer(150 * kSectorBytes, '\0');
  ASSERT_EQ(reader->ReadSectors(300, 150, buffer.data()), 150);
  for (int s = 0; s < 150; ++s) {
    ASSERT_EQ(buffer.substr(s * kSectorBytes, kSectorBytes), velko_test::CdImageSector(300 + s)) << "sector " << s;
  }
  // Reads stop at the lead-out.
  EXPECT_EQ(reader->ReadSectors(560, 20, buffer.data()), 10);
  EXPECT_EQ(reader->ReadSectors(570, 1, buffer.data()), 0);
  EXPECT_EQ(reader->ReadSectors(-1, 1, buffer.data()), 0);
}

TEST_F(CdLayerTest, CorrectedReadsAreByteExact) {
  auto reader = AudioReader::Open('K');
  ASSERT_NE(reader, nullptr);
  ASSERT_TRUE(reader->Seek(0));
  std::string sector(kSectorBytes, '\0');
  for (int32_t lsn = 0; lsn < 300; ++lsn) {
    bool uncorrected = true;
    ASSERT_TRUE(reader->ReadCorrected(sector.data(), &uncorrected)) << lsn;
    EXPECT_FALSE(uncorrected);
    ASSERT_EQ(sector, velko_test::CdImageSector(lsn)) << "sector " << lsn;
  }
  // A seek back reads the same again.
  ASSERT_TRUE(reader->Seek(299));
  ASSERT_TRUE(reader->ReadCorrected(sector.data()));
  EXPECT_EQ(sector, velko_test::CdImageSector(299));
}

TEST_F(CdLayerTest, ImagesHaveNoAnalogueAudioNorDoor) {
  EXPECT_FALSE(platform::cd::PlayAudio('K', 0, 300));
  EXPECT_FALSE(platform::cd::PauseAudio('K'));
  EXPECT_FALSE(platform::cd::ResumeAudio('K'));
  EXPECT_FALSE(platform::cd::StopAudio('K'));
  EXPECT_EQ(platform::cd::GetAudioStatus('K'), platform::cd::AudioStatus::kNoStatus);
  EXPECT_FALSE(platform::cd::LockDoor('K', true));
  EXPECT_TRUE(platform::cd::HasDisc('K'));  // nothing of that touched the disc
}

TEST(CdLayer, LettersWithoutADiscOrImage) {
  velko_test::TempDir dir;
  platform::ResetDriveTable();
  platform::MapDrive('Q', dir.path().string());
  EXPECT_FALSE(platform::cd::ReadToc('Q').has_value());
  EXPECT_FALSE(platform::cd::Eject('Q'));
  EXPECT_FALSE(platform::cd::CloseTray('Q'));
  EXPECT_FALSE(platform::cd::ReadToc('1').has_value());
  // A garbled sheet or a missing image is refused and leaves the letter alone.
  const auto garbled = dir.WriteFile("bad.cue", "FILE \"none.bin\" BINARY\n  TRACK 01 AUDIO\n");
  EXPECT_FALSE(platform::cd::InsertImage('Q', garbled.string()));
  EXPECT_FALSE(platform::cd::InsertImage('Q', (dir / "missing.cue").string()));
  EXPECT_FALSE(platform::cd::HoldsImage('Q'));
  EXPECT_EQ(GetDriveType("Q:\\"), DRIVE_FIXED);
  platform::ResetDriveTable();
}

}  // namespace
