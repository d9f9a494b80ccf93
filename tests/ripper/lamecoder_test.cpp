#include "ripper/LameCoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/decoded_audio.h"
#include "tests/support/temp_dir.h"

namespace {

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
}
void Put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v);
  s += static_cast<char>(v >> 8);
}

// A PCM WAV file of a tone; `extra_chunk` puts a "LIST" chunk before "data".
std::string Wave(int rate, int channels, int frames, int bits = 16, bool extra_chunk = false) {
  std::string pcm;
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c) Put16(pcm, static_cast<uint16_t>(static_cast<int16_t>(7000 * std::sin(f * 0.03 * (c + 1)))));
  std::string list = extra_chunk ? std::string("LIST") + std::string("\x05\0\0\0abcde\0", 10) : std::string();
  std::string s = "RIFF";
  Put32(s, static_cast<uint32_t>(36 + list.size() + pcm.size()));
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, 1);
  Put16(s, static_cast<uint16_t>(channels));
  Put32(s, static_cast<uint32_t>(rate));
  Put32(s, static_cast<uint32_t>(rate * channels * bits / 8));
  Put16(s, static_cast<uint16_t>(channels * bits / 8));
  Put16(s, static_cast<uint16_t>(bits));
  s += list;
  s += "data";
  Put32(s, static_cast<uint32_t>(pcm.size()));
  return s + pcm;
}

class LameCoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    coder_ = std::make_unique<TLameCoder>(nullptr);
    coder_->OnBeginProcess = [this](TObject*) { events_.push_back("begin process"); };
    coder_->OnBeginFile = [this](TObject*, uint16_t i, const String& f) {
      events_.push_back("begin " + std::to_string(i) + " " + std::filesystem::path(f).filename().string());
    };
    coder_->OnEndFile = [this](TObject*, uint16_t i, const String& f) {
      events_.push_back("end " + std::to_string(i) + " " + std::filesystem::path(f).filename().string());
    };
    coder_->OnEndProcess = [this](TObject*) { events_.push_back("end process"); };
    coder_->OnProgress = [this](TObject*, uint16_t p) { percents_.push_back(p); };
  }

  void SetFiles(const std::vector<std::string>& inputs) {
    TStringList list;
    for (const auto& name : inputs) list.Add((dir_.path() / name).string());
    coder_->SetInputFiles(&list);
  }
  velko_test::DecodedAudio Decode(const std::string& name) const {
    return velko_test::DecodeMp3(velko_test::ReadFile(dir_.path() / name));
  }

  velko_test::TempDir dir_;
  std::unique_ptr<TLameCoder> coder_;
  std::vector<std::string> events_;
  std::vector<int> percents_;
};

// One second of stereo at 44.1 kHz and of mono at 22.05 kHz decode to one
// second (and the encoder's delay) of the same; a wave with a chunk before
// its data is read by its chunks.
TEST_F(LameCoderTest, WavesDecodeToTheirLengthRateAndChannels) {
  dir_.WriteFile("Song.wav", Wave(44100, 2, 44100));
  dir_.WriteFile("b.wav", Wave(44100, 2, 4410, 16, true));
  dir_.WriteFile("m.wav", Wave(22050, 1, 22050));
  SetFiles({"Song.wav", "b.wav", "m.wav"});
  coder_->Encode();
  EXPECT_EQ(events_, (std::vector<std::string>{"begin process", "begin 0 Song.wav", "end 0 Song.mp3", "begin 1 b.wav",
                                               "end 1 b.mp3", "begin 2 m.wav", "end 2 m.mp3", "end process"}));
  ASSERT_FALSE(percents_.empty());
  EXPECT_EQ(percents_.back(), 100);
  struct Case {
    const char* name;
    long rate;
    int channels;
    std::int64_t slack;  // the encoder's delay and padding, at most
  };
  for (const Case& c : {Case{"Song.mp3", 44100, 2, 2 * 1152}, Case{"m.mp3", 22050, 1, 3 * 576}}) {
    velko_test::DecodedAudio d = Decode(c.name);
    EXPECT_EQ(d.rate, c.rate) << c.name;
    EXPECT_EQ(d.channels, c.channels) << c.name;
    EXPECT_GE(d.frames, c.rate) << c.name;
    EXPECT_LT(d.frames, c.rate + c.slack) << c.name;
  }
  EXPECT_GT(Decode("b.mp3").frames, 4410);
}

TEST_F(LameCoderTest, EmptyListAndEmptyWave) {
  coder_->Encode();
  EXPECT_EQ(events_, (std::vector<std::string>{"begin process", "end process"}));
  events_.clear();
  dir_.WriteFile("e.wav", Wave(44100, 2, 0));
  SetFiles({"e.wav"});
  coder_->Encode();
  EXPECT_EQ(events_.size(), 4u);
  EXPECT_TRUE(percents_.empty());  // no chunk ran
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "e.mp3"));
}

TEST_F(LameCoderTest, BadInputsGiveReadError) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string truncated = Wave(44100, 2, 4410);
  truncated.resize(truncated.size() - 100);
  std::string no_data = Wave(44100, 2, 0).substr(0, 36);
  for (const Case& c : {Case{"truncated", truncated}, Case{"8-bit", Wave(44100, 1, 100, 8)},
                        Case{"no data chunk", no_data}, Case{"shorter than its header", Wave(44100, 2, 10).substr(0, 30)}}) {
    SCOPED_TRACE(c.what);
    dir_.WriteFile("x.wav", c.bytes);
    SetFiles({"x.wav"});
    try {
      coder_->Encode();
      ADD_FAILURE() << "no error";
    } catch (const ELameError& e) {
      EXPECT_EQ(e.Message, "Read Error");
    }
  }
  // Everything was closed: the file can go.
  EXPECT_TRUE(std::filesystem::remove(dir_.path() / "x.wav"));
}

TEST_F(LameCoderTest, InputWithoutOutputGivesWriteErrorFirst) {
  dir_.WriteFile("a.wav", Wave(44100, 2, 100));
  SetFiles({"a.wav"});
  TStringList none;
  coder_->SetOutputFiles(&none);
  try {
    coder_->Encode();
    ADD_FAILURE() << "no error";
  } catch (const ELameError& e) {
    EXPECT_EQ(e.Message, "Write Error");
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "a.mp3"));
}

TEST_F(LameCoderTest, PropertiesAndNames) {
  coder_->DefaultExt = "mp3";
  SetFiles({"Song.wav"});
  EXPECT_EQ(std::filesystem::path(coder_->OutputFiles()->Get(0)).filename(), "Songmp3");
  coder_->WriteVBRHeader = -1;
  EXPECT_EQ(coder_->EnableVBR(), 0);
  coder_->SetEnableVBR(-1);
  EXPECT_EQ(coder_->WriteVBRHeader, -1);
  coder_->SetEnableVBR(0);
  EXPECT_EQ(coder_->WriteVBRHeader, 0);
  coder_->Bitrate = 192;
  coder_->Mode = MONO;
  TLameCoder other(nullptr);
  other.Assign(coder_.get());
  EXPECT_EQ(other.Bitrate, 192);
  EXPECT_EQ(other.Mode, MONO);
  EXPECT_EQ(other.CRC, -1);
  EXPECT_EQ(other.LameVersion()->MajorVersion, 3);
  EXPECT_EQ(other.InputFiles()->Count(), 0);
}

}  // namespace
