#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

#include "outside/lame_enc/lame_enc_api.h"
#include "tests/support/decoded_audio.h"
#include "tests/support/temp_dir.h"

namespace {

BE_CONFIG Config(uint32_t rate, int32_t mode) {
  BE_CONFIG c{};
  c.dwConfig = BE_CONFIG_LAME;
  c.dwStructVersion = 1;
  c.dwStructSize = sizeof(BE_CONFIG);
  c.dwSampleRate = rate;
  c.nMode = mode;
  c.dwBitrate = 128;
  c.dwMaxBitrate = 320;
  c.nPreset = LQP_NORMAL_QUALITY;
  c.dwMpegVersion = 1;
  c.bCRC = -1;
  c.nVBRQuality = 4;
  return c;
}

std::vector<int16_t> Tone(int frames, int channels) {
  std::vector<int16_t> pcm(static_cast<size_t>(frames * channels));
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      pcm[static_cast<size_t>(f * channels + c)] = static_cast<int16_t>(8000 * std::sin(f * 0.05 * (c + 1)));
  return pcm;
}

// Encodes `pcm` in chunks of `chunk_factor` times the reported sample count
// and returns the MP3 bytes.
std::vector<uint8_t> Encode(BE_CONFIG config, const std::vector<int16_t>& pcm, uint32_t chunk_factor) {
  uint32_t samples = 0, size = 0;
  HBE_STREAM stream = 0;
  EXPECT_EQ(beInitStream(&config, &samples, &size, &stream), BE_ERR_SUCCESSFUL);
  std::vector<uint8_t> out, buffer(size);
  uint32_t chunk = samples * chunk_factor;
  for (size_t done = 0; done < pcm.size(); done += chunk) {
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(chunk, pcm.size() - done));
    uint32_t bytes = 0;
    EXPECT_EQ(beEncodeChunk(stream, n, pcm.data() + done, buffer.data(), &bytes), BE_ERR_SUCCESSFUL);
    EXPECT_LE(bytes, size);
    out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
  }
  uint32_t bytes = 0;
  EXPECT_EQ(beDeinitStream(stream, buffer.data(), &bytes), BE_ERR_SUCCESSFUL);
  out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
  EXPECT_EQ(beCloseStream(stream), BE_ERR_SUCCESSFUL);
  return out;
}

struct Case {
  uint32_t rate;
  int32_t mode;
  int channels;
  uint32_t chunk_factor;
};

class LameEncodeTest : public testing::TestWithParam<Case> {};

// One second in, one second (and the encoder's delay) out, at the input's rate and
// channel count, also when each chunk holds twice the reported samples.
TEST_P(LameEncodeTest, OneSecondDecodesToOneSecond) {
  Case c = GetParam();
  auto mp3 = Encode(Config(c.rate, c.mode), Tone(static_cast<int>(c.rate), c.channels), c.chunk_factor);
  velko_test::DecodedAudio d = velko_test::DecodeMp3(std::string(mp3.begin(), mp3.end()));
  EXPECT_EQ(d.rate, static_cast<long>(c.rate));
  EXPECT_EQ(d.channels, c.channels);
  // Without gapless information the decoder also gives the encoder's delay
  // and the last frame's padding: together less than two frames.
  EXPECT_GE(d.frames, static_cast<off_t>(c.rate));
  EXPECT_LT(d.frames, static_cast<off_t>(c.rate + 2 * 1152));
}

INSTANTIATE_TEST_SUITE_P(Modes, LameEncodeTest,
                         testing::Values(Case{44100, BE_MP3_MODE_STEREO, 2, 1}, Case{44100, BE_MP3_MODE_STEREO, 2, 2},
                                         Case{44100, BE_MP3_MODE_JSTEREO, 2, 4}, Case{22050, BE_MP3_MODE_MONO, 1, 2}));

TEST(LameEnc, CallsCheckTheirHandle) {
  uint8_t buffer[16];
  uint32_t bytes = 99;
  int16_t pcm[4] = {};
  EXPECT_EQ(beEncodeChunk(12345, 4, pcm, buffer, &bytes), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(beDeinitStream(12345, buffer, &bytes), BE_ERR_INVALID_HANDLE);
  EXPECT_EQ(beCloseStream(12345), BE_ERR_INVALID_HANDLE);

  BE_CONFIG config = Config(44100, BE_MP3_MODE_STEREO);
  uint32_t samples = 0, size = 0;
  HBE_STREAM stream = 0;
  ASSERT_EQ(beInitStream(&config, &samples, &size, &stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(samples, 2304u);
  ASSERT_EQ(beCloseStream(stream), BE_ERR_SUCCESSFUL);
  EXPECT_EQ(beCloseStream(stream), BE_ERR_INVALID_HANDLE);  // closed once only
}

TEST(LameEnc, RefusesChunksLargerThanItsBuffer) {
  BE_CONFIG config = Config(44100, BE_MP3_MODE_STEREO);
  uint32_t samples = 0, size = 0;
  HBE_STREAM stream = 0;
  ASSERT_EQ(beInitStream(&config, &samples, &size, &stream), BE_ERR_SUCCESSFUL);
  auto pcm = Tone(static_cast<int>(samples * 3), 2);
  std::vector<uint8_t> out(size);
  uint32_t bytes = 0;
  EXPECT_EQ(beEncodeChunk(stream, samples * 5, pcm.data(), out.data(), &bytes), BE_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(bytes, 0u);
  beCloseStream(stream);
  config.dwConfig = BE_CONFIG_MP3;
  EXPECT_EQ(beInitStream(&config, &samples, &size, &stream), BE_ERR_INVALID_FORMAT);
}

TEST(LameEnc, VbrStreamGetsItsInformationFrame) {
  BE_CONFIG config = Config(44100, BE_MP3_MODE_JSTEREO);
  config.bEnableVBR = -1;
  config.bWriteVBRHeader = -1;
  auto mp3 = Encode(config, Tone(44100, 2), 1);
  velko_test::TempDir dir;
  auto path = dir.path() / "vbr.mp3";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
  ASSERT_EQ(beWriteVBRHeader(path.c_str()), BE_ERR_SUCCESSFUL);
  std::ifstream in(path, std::ios::binary);
  std::string head(200, '\0');
  in.read(head.data(), 200);
  EXPECT_NE(head.find("Xing"), std::string::npos);
}

}  // namespace
