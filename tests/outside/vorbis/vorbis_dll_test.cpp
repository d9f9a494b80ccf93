#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "outside/vorbis/vorbis_dll_api.h"
#include "tests/support/decoded_audio.h"
#include "tests/support/temp_dir.h"

namespace {

VB_ENC_PARAMS Params() {
  VB_ENC_PARAMS p{};
  p.size = sizeof(p);
  p.channels = 2;
  p.sample_rate = 44100;
  p.quality = 0.4f;
  return p;
}

struct Encoded {
  std::string bytes;
  uint32_t largest_output = 0;
  uint32_t buffer_size = 0;
};

// Encodes `frames` stereo frames in writes of at most `per_write` samples.
Encoded EncodeTone(int frames, const VB_ENC_INFO* info, uint32_t per_write = 0) {
  VB_ENC_PARAMS params = Params();
  uint32_t samples = 0, handle = 0;
  Encoded e;
  EXPECT_EQ(vbEncOpen(&params, info, &samples, &e.buffer_size, &handle), VB_OK);
  if (!per_write) per_write = samples;
  std::vector<int16_t> pcm(static_cast<size_t>(frames) * 2);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<int16_t>(6000 * std::sin(static_cast<double>(i) * 0.01));
  std::vector<uint8_t> out(e.buffer_size);
  for (size_t done = 0; done < pcm.size(); done += per_write) {
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(per_write, pcm.size() - done));
    uint32_t bytes = 0;
    EXPECT_EQ(vbEncWrite(handle, n, pcm.data() + done, out.data(), &bytes), VB_OK);
    e.largest_output = std::max(e.largest_output, bytes);
    e.bytes.append(reinterpret_cast<char*>(out.data()), bytes);
  }
  uint32_t bytes = 0;
  EXPECT_EQ(vbEncClose(handle, out.data(), &bytes), VB_OK);
  e.largest_output = std::max(e.largest_output, bytes);
  e.bytes.append(reinterpret_cast<char*>(out.data()), bytes);
  return e;
}

velko_test::DecodedAudio Decode(const std::string& bytes) {
  velko_test::TempDir dir;
  return velko_test::DecodeVorbisFile(dir.WriteFile("t.ogg", bytes));
}

VB_ENC_INFO Info() {
  VB_ENC_INFO info{};
  info.size = sizeof(info);
  info.artist = "The Artist";
  info.album = "An Album";
  info.title = "A Title";
  info.comment = "Encoder DLL : Ver 1.05";
  info.track = 2;
  info.track_total = 3;
  info.genre = "Blue";
  info.name = "Velko";
  info.date = "12/7/2026";
  return info;
}

TEST(VorbisDll, EncodesEveryFrameWithTheComments) {
  VB_ENC_INFO info = Info();
  for (uint32_t per_write : {4096u, 1000u, 7u}) {
    SCOPED_TRACE(per_write);
    Encoded e = EncodeTone(44100 + 333, &info, per_write);
    EXPECT_LE(e.largest_output, e.buffer_size);
    velko_test::DecodedAudio d = Decode(e.bytes);
    EXPECT_EQ(d.frames, 44100 + 333);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.rate, 44100);
    std::map<std::string, std::string> want{{"ARTIST", "The Artist"}, {"ALBUM", "An Album"},   {"TITLE", "A Title"},
                                            {"COMMENT", "Encoder DLL : Ver 1.05"},
                                            {"TRACKNUMBER", "2"},         {"TRACKTOTAL", "3"},      {"GENRE", "Blue"},
                                            {"DATE", "12/7/2026"},        {"ENCODED_BY", "Velko"}};
    EXPECT_EQ(d.comments, want);
  }
}

TEST(VorbisDll, HeadersComeWithTheFirstWriteOrTheClose) {
  VB_ENC_PARAMS params = Params();
  uint32_t samples = 0, size = 0, handle = 0;
  ASSERT_EQ(vbEncOpen(&params, nullptr, &samples, &size, &handle), VB_OK);
  std::vector<uint8_t> out(size);
  uint32_t bytes = 0;
  ASSERT_EQ(vbEncClose(handle, out.data(), &bytes), VB_OK);
  velko_test::DecodedAudio d = Decode(std::string(reinterpret_cast<char*>(out.data()), bytes));
  EXPECT_EQ(d.frames, 0);
  EXPECT_EQ(d.channels, 2);

  ASSERT_EQ(vbEncOpen(&params, nullptr, &samples, &size, &handle), VB_OK);
  int16_t pcm[4] = {};
  ASSERT_EQ(vbEncWrite(handle, 4, pcm, out.data(), &bytes), VB_OK);
  ASSERT_GE(bytes, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()), 4), "OggS");
  EXPECT_EQ(vbEncClose(handle, out.data(), &bytes), VB_OK);
}

TEST(VorbisDll, LongTextsAreCutAtACharacterBoundary) {
  VB_ENC_INFO info = Info();
  std::string artist = std::string(130, 'a') + "\xC3\xA9" + "zzz";  // the two-byte character straddles 131
  info.artist = artist.c_str();
  velko_test::DecodedAudio d = Decode(EncodeTone(1000, &info).bytes);
  EXPECT_EQ(d.comments["ARTIST"], std::string(130, 'a'));
}

TEST(VorbisDll, RefusesBadHandlesAndParameters) {
  uint8_t out[8];
  uint32_t bytes = 0, samples = 0, size = 0, handle = 0;
  int16_t pcm[2] = {};
  EXPECT_EQ(vbEncWrite(999, 2, pcm, out, &bytes), VB_ERR_HANDLE);
  EXPECT_EQ(vbEncClose(999, out, &bytes), VB_ERR_HANDLE);
  VB_ENC_PARAMS params = Params();
  params.size = 100;
  EXPECT_EQ(vbEncOpen(&params, nullptr, &samples, &size, &handle), VB_ERR_PARAMETER);
  params = Params();
  params.quality = 2.0f;
  EXPECT_EQ(vbEncOpen(&params, nullptr, &samples, &size, &handle), VB_ERR_PARAMETER);
  params = Params();
  ASSERT_EQ(vbEncOpen(&params, nullptr, &samples, &size, &handle), VB_OK);
  std::vector<int16_t> big(samples + 2);
  std::vector<uint8_t> buffer(size);
  EXPECT_EQ(vbEncWrite(handle, samples + 2, big.data(), buffer.data(), &bytes), VB_ERR_BUFFER);
  EXPECT_EQ(vbEncClose(handle, buffer.data(), &bytes), VB_OK);
  EXPECT_NE(vbDecOpen("x.ogg", nullptr, &handle), VB_OK);
  EXPECT_NE(vbDecClose(1), VB_OK);
}

}  // namespace
