// The sound calls: which wave they find for each kind of name and flag, and
// what they ask of the output. One test plays through SDL's dummy driver.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "platform/core/errors.h"
#include "platform/fs/drives.h"
#include "platform/mm/sound.h"
#include "platform/reg/registry.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wave_image.h"

namespace {

using platform::RecordingSoundOutput;
using Bytes = std::vector<std::uint8_t>;

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetRegistryFolder((dir_.path() / "registry").string());
    output_ = std::make_shared<RecordingSoundOutput>();
    platform::SetSoundOutput(output_);
    platform::MapDrive('T', dir_.path().string());
  }
  void TearDown() override {
    platform::UnmapDrive('T');
    platform::SetSoundOutput(std::make_shared<RecordingSoundOutput>());
    platform::SetSoundResourceLookup(nullptr);
  }

  std::string WriteWave(const std::string& name, const Bytes& bytes) {
    dir_.WriteFile(name, std::string(bytes.begin(), bytes.end()));
    return "T:\\" + name;
  }
  void SetAlias(const std::string& alias, const std::string& file) {
    HKEY key = nullptr;
    const std::string path = "AppEvents\\Schemes\\Apps\\.Default\\" + alias + "\\.Current";
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                            static_cast<DWORD>(file.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  velko_test::TempDir dir_;
  std::shared_ptr<RecordingSoundOutput> output_;
};

TEST_F(SoundTest, NamesAndFlagsFindTheirWave) {
  const Bytes file_wave = velko_test::MakeWaveImage(20, 8000, 1);
  const Bytes alias_wave = velko_test::MakeWaveImage(20, 8000, 2);
  const Bytes default_wave = velko_test::MakeWaveImage(20, 8000, 3);
  const std::string file = WriteWave("cue.wav", file_wave);
  SetAlias("Ding", WriteWave("ding.wav", alias_wave));
  dir_.WriteFile("bad.wav", "RIFF\x04\0\0\0WAVEjunk");

  struct Case {
    const char* what;
    std::string name;
    DWORD flags;
    BOOL result;
    const Bytes* played;  // null: nothing played
  };
  const Case cases[] = {
      {"file by name", file, SND_FILENAME | SND_ASYNC, TRUE, &file_wave},
      {"file, no kind given", file, SND_ASYNC, TRUE, &file_wave},
      {"alias", "Ding", SND_ALIAS | SND_ASYNC, TRUE, &alias_wave},
      {"alias, no kind given", "Ding", SND_ASYNC, TRUE, &alias_wave},
      {"unset alias", "Nothing", SND_ALIAS | SND_ASYNC | SND_NODEFAULT, FALSE, nullptr},
      {"unset alias, no default set", "Nothing", SND_ALIAS | SND_ASYNC, FALSE, nullptr},
      {"alias name is no file", "Ding", SND_FILENAME | SND_ASYNC | SND_NODEFAULT, FALSE, nullptr},
      {"missing file", "T:\\none.wav", SND_FILENAME | SND_ASYNC | SND_NODEFAULT, FALSE, nullptr},
      {"not a wave", "T:\\bad.wav", SND_FILENAME | SND_ASYNC | SND_NODEFAULT, FALSE, nullptr},
  };
  for (const Case& c : cases) {
    output_->Clear();
    EXPECT_EQ(PlaySound(c.name.c_str(), nullptr, c.flags), c.result) << c.what;
    auto plays = output_->Plays();
    if (c.played == nullptr) {
      EXPECT_TRUE(plays.empty()) << c.what;
    } else {
      ASSERT_EQ(plays.size(), 1u) << c.what;
      EXPECT_EQ(plays[0].wave, *c.played) << c.what;
    }
  }

  // Once ".Default" has a file, a sound that is not found plays it unless
  // the caller says otherwise.
  SetAlias(".Default", WriteWave("default.wav", default_wave));
  output_->Clear();
  EXPECT_TRUE(PlaySound("T:\\none.wav", nullptr, SND_FILENAME | SND_ASYNC));
  ASSERT_EQ(output_->Plays().size(), 1u);
  EXPECT_EQ(output_->Plays()[0].wave, default_wave);
  output_->Clear();
  EXPECT_FALSE(PlaySound("T:\\none.wav", nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT));
  EXPECT_TRUE(output_->Plays().empty());
}

TEST_F(SoundTest, MemoryImageIsCopiedBeforeTheCallReturns) {
  auto image = std::make_unique<Bytes>(velko_test::MakeWaveImage(30));
  const Bytes expected = *image;
  ASSERT_TRUE(PlaySound(reinterpret_cast<LPCSTR>(image->data()), nullptr, SND_MEMORY | SND_ASYNC));
  image.reset();
  ASSERT_EQ(output_->Plays().size(), 1u);
  EXPECT_EQ(output_->Plays()[0].wave, expected);

  Bytes garbage(64, 0x55);
  EXPECT_FALSE(PlaySound(reinterpret_cast<LPCSTR>(garbage.data()), nullptr,
                         SND_MEMORY | SND_ASYNC | SND_NODEFAULT));
}

// A memory image is read only as far as its chunks go inside what its RIFF
// header claims: one that claims more than it holds (a caller that knows
// its length refuses it first) is read to the end of its data chunk and no
// further, whatever the claim (the address sanitizer watches the reads).
TEST_F(SoundTest, MemoryImageIsReadOnlyToTheEndOfItsDataChunk) {
  const Bytes whole = velko_test::MakeWaveImage(1, 2000);  // 48 bytes
  for (const std::uint32_t claimed : {4096u, 200000000u}) {
    Bytes image = whole;
    for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<std::uint8_t>(claimed >> (8 * i));
    output_->Clear();
    EXPECT_TRUE(PlaySound(reinterpret_cast<LPCSTR>(image.data()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
        << claimed;
    ASSERT_EQ(output_->Plays().size(), 1u) << claimed;
    EXPECT_EQ(output_->Plays()[0].wave, whole) << claimed;
    EXPECT_FALSE(platform::WaveImageFits(image.data(), image.size())) << claimed;
  }
  struct Fit {
    std::uint32_t claimed;
    std::size_t held;
    bool fits;
  };
  const Fit fits[] = {{40, 48, true}, {41, 48, false}, {4, 12, true}, {3, 48, false}, {0xFFFFFFFFu, 48, false},
                      {4, 11, false}};
  for (const Fit& f : fits) {
    Bytes image = whole;
    for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<std::uint8_t>(f.claimed >> (8 * i));
    EXPECT_EQ(platform::WaveImageFits(image.data(), f.held), f.fits) << f.claimed << " in " << f.held;
  }
}

TEST_F(SoundTest, LoopNoStopAndStop) {
  const std::string file = WriteWave("cue.wav", velko_test::MakeWaveImage(20));
  ASSERT_TRUE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP));
  ASSERT_EQ(output_->Plays().size(), 1u);
  EXPECT_TRUE(output_->Plays()[0].loop);
  EXPECT_TRUE(output_->Playing());

  // No-stop refuses while a sound plays; a plain call replaces it.
  EXPECT_FALSE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP));
  EXPECT_EQ(output_->Plays().size(), 1u);
  EXPECT_TRUE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NOWAIT));
  EXPECT_EQ(output_->Plays().size(), 2u);
  EXPECT_FALSE(output_->Plays()[1].loop);

  // A null name stops it; after that no-stop plays.
  EXPECT_TRUE(PlaySound(nullptr, nullptr, 0));
  EXPECT_EQ(output_->Stops(), 1);
  EXPECT_FALSE(output_->Playing());
  EXPECT_TRUE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP));
  EXPECT_EQ(output_->Plays().size(), 3u);

  // Looping needs the asynchronous form; a synchronous call plays once.
  EXPECT_TRUE(PlaySound(file.c_str(), nullptr, SND_FILENAME | SND_LOOP));
  EXPECT_FALSE(output_->Plays().back().loop);
  EXPECT_FALSE(output_->Playing());
}

TEST_F(SoundTest, SndPlaySoundTakesAliasesAndFilesButNoOtherKinds) {
  const Bytes wave = velko_test::MakeWaveImage(20, 8000, 7);
  const std::string file = WriteWave("x.wav", wave);
  SetAlias("Ding", file);
  EXPECT_TRUE(sndPlaySound(file.c_str(), SND_ASYNC));
  EXPECT_TRUE(sndPlaySound("Ding", SND_ASYNC | SND_NODEFAULT));
  // The resource bit is not one of its flags: the name is taken as a file.
  platform::SetSoundResourceLookup([&](HMODULE, const std::string&) {
    return std::make_shared<const Bytes>(velko_test::MakeWaveImage(5));
  });
  EXPECT_FALSE(sndPlaySound("WAVE1", SND_RESOURCE | SND_NODEFAULT));
  EXPECT_EQ(output_->Plays().size(), 2u);
  EXPECT_TRUE(PlaySound("WAVE1", nullptr, SND_RESOURCE | SND_ASYNC));
  EXPECT_EQ(output_->Plays().size(), 3u);
  EXPECT_EQ(output_->Plays().back().wave, velko_test::MakeWaveImage(5));
}

// The real output on SDL's dummy driver: a synchronous sound decodes, plays
// for about its length and ends; a looping one plays until stopped.
TEST(SdlSoundTest, PlaysOnTheDummyDriver) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto output = platform::MakeSdlSoundOutput();
  platform::SetSoundOutput(output);
  const Bytes wave = velko_test::MakeWaveImage(100, 8000);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(PlaySound(reinterpret_cast<LPCSTR>(wave.data()), nullptr, SND_MEMORY));
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_FALSE(output->Playing());
  EXPECT_GE(took, std::chrono::milliseconds(60));

  EXPECT_TRUE(PlaySound(reinterpret_cast<LPCSTR>(wave.data()), nullptr,
                        SND_MEMORY | SND_ASYNC | SND_LOOP));
  EXPECT_TRUE(output->Playing());
  EXPECT_FALSE(PlaySound(reinterpret_cast<LPCSTR>(wave.data()), nullptr,
                         SND_MEMORY | SND_ASYNC | SND_NOSTOP));
  PlaySound(nullptr, nullptr, 0);
  EXPECT_FALSE(output->Playing());
  platform::SetSoundOutput(std::make_shared<RecordingSoundOutput>());
}

}  // namespace
