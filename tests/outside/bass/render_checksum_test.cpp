// What the device hears, sample for sample: each file kind decoded, mixed and
// converted to 16-bit on the silent device gives the same output as it always
// has. The files are made by the real encoders from a fixed signal, so the
// output has a fixed checksum; a change to the decoders' driving, the channel
// pipeline, the mixer or the conversion that alters a single sample shows.
// Where nothing touches the sound (one 44.1 kHz stereo channel at full
// volume, no effect), the output must also be exactly what the decoder gave
// the channel's DSP callback.
// The decoders pick code paths by processor, and on another processor may
// give other samples for the same file: the fixed checksums of a file kind are
// checked only where that kind's decoder, in the plain case, gives the output
// they were taken from.
#include <cmath>
#include <cstdint>
#include <iostream>
#include <numbers>

#include "tests/outside/bass/bass_fixture.h"

namespace bass_test {
namespace {

// Chords with a slow vibrato and a little noise, different in each channel:
// enough for the encoders to use every tool, and the same on every run.
Pcm MusicLike(double seconds, int rate, int channels) {
  Pcm pcm;
  pcm.rate = rate;
  pcm.channels = channels;
  const auto frames = static_cast<std::size_t>(seconds * rate);
  pcm.samples.resize(frames * static_cast<std::size_t>(channels));
  std::uint32_t noise = 12345;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double v = 5000 * std::sin(2 * std::numbers::pi * 220 * t) +
                     3500 * std::sin(2 * std::numbers::pi * 330 * t * (1 + 0.002 * std::sin(3 * t))) +
                     2500 * std::sin(2 * std::numbers::pi * 1250 * t) * std::sin(std::numbers::pi * t);
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1664525u + 1013904223u;
      const double hiss = (static_cast<double>(noise >> 16) - 32768.0) / 64.0;
      pcm.samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
          static_cast<std::int16_t>(std::lround((c == 0 ? 1.0 : 0.8) * v + hiss));
    }
  }
  return pcm;
}

std::uint64_t Fnv1a(const std::vector<std::int16_t>& samples) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (std::int16_t s : samples) {
    const auto u = static_cast<std::uint16_t>(s);
    for (int b = 0; b < 2; ++b) {
      hash ^= (u >> (8 * b)) & 0xFF;
      hash *= 0x100000001b3ull;
    }
  }
  return hash;
}

enum class Kind { kMp3, kOgg, kWma };

struct Case {
  const char* name;
  Kind kind;
  int rate;
  int channels;
  // Volume, pan and effects put on the channel before it plays.
  void (*setup)(HSTREAM);
  // A second, plain MP3 channel mixed with the first.
  bool second_channel;
  std::size_t frames;
  std::uint64_t checksum;
  // Plain cases: of what the decoder handed the DSP callback.
  std::uint64_t decoded;
};

void NoSetup(HSTREAM) {}

void QuieterLeftWithEffects(HSTREAM h) {
  ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 60, -40));
  HFX fx = BASS_ChannelSetFX(h, BASS_FX_PARAMEQ);
  ASSERT_NE(fx, 0u);
  BASS_FXPARAMEQ eq{1000.0f, 6.0f, 9.0f};
  ASSERT_TRUE(BASS_FXSetParameters(fx, &eq));
  HFX echo = BASS_ChannelSetFX(h, BASS_FX_ECHO);
  BASS_FXECHO e{30.0f, 30.0f, 120.0f, 170.0f, FALSE};
  ASSERT_TRUE(BASS_FXSetParameters(echo, &e));
  HFX reverb = BASS_ChannelSetFX(h, BASS_FX_REVERB);
  BASS_FXREVERB r{0.0f, 0.0f, 1000.0f, 0.1f};
  ASSERT_TRUE(BASS_FXSetParameters(reverb, &r));
}

class RenderedOutput : public BassTest {
 protected:
  std::string MakeFile(Kind kind, const Pcm& pcm, const std::string& stem) {
    switch (kind) {
      case Kind::kMp3: return Write(stem + ".mp3", Mp3Bytes(pcm));
      case Kind::kOgg: return Write(stem + ".ogg", OggBytes(pcm));
      case Kind::kWma: {
        const std::filesystem::path path = temp_.path() / (stem + ".wma");
        WriteWma(pcm, path);
        return path.string();
      }
    }
    return {};
  }
  static HSTREAM Open(Kind kind, const std::string& path) {
    return kind == Kind::kWma ? BASS_WMA_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0)
                              : BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
  }
};

TEST_F(RenderedOutput, EveryKindRendersTheSameSamplesAsBefore) {
  const Case cases[] = {
      {"mp3", Kind::kMp3, 44100, 2, NoSetup, false, 145530, 0x7601c74742d66cbcull, 0x7601c74742d66cbcull},
      {"ogg", Kind::kOgg, 44100, 2, NoSetup, false, 145530, 0x669d6da8c994bb63ull, 0x669d6da8c994bb63ull},
      {"wma", Kind::kWma, 44100, 2, NoSetup, false, 145408, 0x238f8df7090250a9ull, 0x238f8df7090250a9ull},
      {"mp3 22050 mono", Kind::kMp3, 22050, 1, NoSetup, false, 145530, 0xba34475f89ac59edull, 0},
      {"ogg 48000", Kind::kOgg, 48000, 2, NoSetup, false, 145530, 0xf40242b554a76864ull, 0},
      {"ogg volume pan effects", Kind::kOgg, 44100, 2, QuieterLeftWithEffects, false, 145530, 0x8655a79fb91ff68eull, 0},
      {"wma over mp3", Kind::kWma, 44100, 2, NoSetup, true, 145408, 0xf141871ce7dbfc8cull, 0},
  };
  // Steps of several sizes, so block boundaries fall at odd places.
  const std::uint64_t steps[] = {7, 250, 33, 1000, 90};
  // Per kind: whether its decoder gives here what it gave when the checksums
  // were taken (found by the plain case, which comes first).
  bool as_recorded[3] = {false, false, false};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = MakeFile(c.kind, MusicLike(3.3, c.rate, c.channels), "f" + std::to_string(++n));
    HSTREAM h = Open(c.kind, path);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    HSTREAM other = 0;
    if (c.second_channel) {
      other = Open(Kind::kMp3, MakeFile(Kind::kMp3, MusicLike(2.1, 44100, 2), "g" + std::to_string(n)));
      ASSERT_NE(other, 0u);
    }
    c.setup(h);
    const bool plain = c.rate == 44100 && c.channels == 2 && other == 0 && c.setup == NoSetup;
    DspRecorder decoded;
    ASSERT_NE(BASS_ChannelSetDSP(h, &DspRecorder::Proc, reinterpret_cast<std::uintptr_t>(&decoded)), 0u);

    VelkoBass_CaptureOutput(TRUE);
    ASSERT_TRUE(c.kind == Kind::kWma ? BASS_WMA_StreamPlay(h, FALSE, 0) : BASS_StreamPlay(h, FALSE, 0));
    if (other != 0) {
      ASSERT_TRUE(BASS_StreamPlay(other, FALSE, 0));
    }
    std::vector<std::int16_t> heard;
    std::vector<std::int16_t> block(44100 * 2 * 2);
    for (int i = 0; i < 200 && BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING; ++i) {
      PlayMs(steps[i % std::size(steps)]);
      const DWORD got = VelkoBass_ReadOutput(block.data(), static_cast<DWORD>(block.size() * 2));
      heard.insert(heard.end(), block.begin(), block.begin() + got / 2);
    }
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    VelkoBass_CaptureOutput(FALSE);
    // Up to the end of the longer channel; what the device made after it is
    // silence.
    while (!heard.empty() && heard.back() == 0) heard.pop_back();
    heard.resize((heard.size() + 1) / 2 * 2);
    const std::size_t frames = heard.size() / 2;
    const std::uint64_t checksum = Fnv1a(heard);
    std::vector<std::int16_t> source = decoded.Take();
    if (plain) as_recorded[static_cast<int>(c.kind)] = Fnv1a(source) == c.decoded;
    EXPECT_EQ(frames, c.frames);
    if (as_recorded[static_cast<int>(c.kind)] && (other == 0 || as_recorded[static_cast<int>(Kind::kMp3)])) {
      EXPECT_EQ(checksum, c.checksum) << std::hex << "0x" << checksum;
    } else {
      std::cout << c.name << ": the decoders give other samples on this processor (0x" << std::hex << Fnv1a(source)
                << std::dec << "); only the pass-through is checked\n";
    }
    if (plain) {
      while (!source.empty() && source.back() == 0) source.pop_back();
      source.resize((source.size() + 1) / 2 * 2);
      EXPECT_TRUE(source == heard) << source.size() << " decoded, " << heard.size() << " heard";
    }
    if (other != 0) BASS_StreamFree(other);
    c.kind == Kind::kWma ? BASS_WMA_StreamFree(h) : BASS_StreamFree(h);
  }
}

}  // namespace
}  // namespace bass_test
