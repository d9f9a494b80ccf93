// The program folder's generated files: six background pictures the
// program can load, the wave cue and the help text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "classlib/JPEG.h"
#include "platform/fs/drives.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ProgramArtTest, SixDistinctBackgroundPictures) {
  std::set<std::uint32_t> centres;
  for (const char* name : {"zig.jpg", "fire.jpg", "rock.jpg", "clouds.jpg", "wild.jpg", "spike.jpg"}) {
    SCOPED_TRACE(name);
    const fs::path path = velko_test::ProgramFolder() / name;
    ASSERT_TRUE(fs::exists(path));
    TJPEGImage jpeg;
    jpeg.LoadFromFile(platform::PlatformPath(path.string()).value_or(""));
    EXPECT_EQ(jpeg.Width(), 474);
    EXPECT_EQ(jpeg.Height(), 273);
    TBitmap bitmap;
    bitmap.Assign(&jpeg);
    centres.insert(static_cast<std::uint32_t>(bitmap.Canvas()->Pixels(237, 200)));
  }
  EXPECT_EQ(centres.size(), 6u);
}

TEST(ProgramArtTest, WaveCueAndHelpText) {
  const std::string wave = ReadAll(velko_test::ProgramFolder() / "ok.wav");
  ASSERT_GT(wave.size(), 44u);
  EXPECT_EQ(wave.substr(0, 4), "RIFF");
  EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
  const std::string help = ReadAll(velko_test::ProgramFolder() / "velko.hlp");
  EXPECT_NE(help.find("F10  A random song now"), std::string::npos);
}

}  // namespace
