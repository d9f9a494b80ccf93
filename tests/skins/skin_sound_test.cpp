#include "skins/SkinSound.h"

#include <gtest/gtest.h>

#include <memory>

#include "classlib/Exceptions.h"
#include "platform/mm/sound.h"
#include "skins/SkinIniFiles.h"

namespace {

class SkinWaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    out = std::make_shared<platform::RecordingSoundOutput>();
    platform::SetSoundOutput(out);
  }
  void TearDown() override { platform::SetSoundOutput(nullptr); }
  static TscWave* Wave(const std::string& bytes) {
    auto* w = new TscWave();
    w->Data->WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    return w;
  }
  std::shared_ptr<platform::RecordingSoundOutput> out;
};

std::string TinyWave() {
  std::string b = "RIFF";
  auto put32 = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>(v >> (8 * i));
  };
  put32(36 + 4);
  b += "WAVEfmt ";
  put32(16);
  b += std::string("\x01\x00\x01\x00", 4);
  put32(8000);
  put32(8000);
  b += std::string("\x01\x00\x08\x00", 4);
  b += "data";
  put32(4);
  b += "\x80\x90\x70\x80";
  return b;
}

TEST_F(SkinWaveTest, PlaysACopyStopsOnlyItsOwnSoundAndOnlyWhenTheRiffSizeFits) {
  TscWave* a = Wave(TinyWave());
  TscWave* b = Wave(TinyWave());
  a->Play();
  ASSERT_EQ(out->Plays().size(), 1u);
  EXPECT_EQ(out->Plays()[0].wave.size(), TinyWave().size());
  b->Play();
  TscSound::Release(a);  // not the sound playing
  EXPECT_TRUE(out->Playing());
  TscSound::Release(b);
  EXPECT_FALSE(out->Playing());
  // The 48-byte wave with its RIFF size field (40 when whole) replaced.
  const struct {
    uint32_t riff_size;
    bool plays;
  } cases[] = {{40, true}, {39, true}, {41, false}, {4096, false}, {200000000, false},
               {0xFFFFFFF8u, false}, {3, false}};
  for (const auto& c : cases) {
    std::string bytes = TinyWave();
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(c.riff_size >> (8 * i));
    TscWave* w = Wave(bytes);
    const size_t before = out->Plays().size();
    w->Play();
    EXPECT_EQ(out->Plays().size(), before + (c.plays ? 1 : 0)) << c.riff_size;
    TscSound::Release(w);
  }
  // Too short to hold a size at all.
  TscWave* w = Wave("RIFF");
  w->Play();
  TscSound::Release(w);
  EXPECT_EQ(out->Plays().size(), 4u);  // with the two above
}

TEST_F(SkinWaveTest, StreamsCheckTheSizeAndAssignCopies) {
  TscWave* a = Wave("abcdef");
  TMemoryStream m;
  a->SaveToStream(&m);
  m.SetPosition(0);
  TscWave* b = new TscWave();
  b->LoadFromStream(&m);
  EXPECT_EQ(b->Data->Size(), 6);
  EXPECT_TRUE(b->Loaded);
  TMemoryStream bad;
  WriteStreamInt32(&bad, 100);
  bad.WriteBuffer("xy", 2);
  bad.SetPosition(0);
  EXPECT_THROW(b->LoadFromStream(&bad), EReadError);
  b->Assign(nullptr);
  EXPECT_EQ(b->Data->Size(), 0);
  b->Assign(a);
  EXPECT_EQ(b->Data->Size(), 6);
  TscSound::Release(a);
  TscSound::Release(b);
}

}  // namespace
