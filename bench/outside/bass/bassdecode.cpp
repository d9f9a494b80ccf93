// bassdecode: plays audio files through bass.dll on the silent device as
// fast as the library can render them, the way the player opens them, and
// exits. It is the library's side of the whole-process comparisons with the
// command-line decoders (mpg123 -s, oggdec, ffmpeg -f null) and with sox.
//
//   bassdecode [--effects] [--checksum] FILE...
//
// The program loads bass.dll and basswma.dll at start, as the player does.
// Each file plays from start to end: ".wma" files through basswma.dll, the
// others through bass.dll, after the exact length has been asked for (as
// the player does). The silent device runs on a manual clock that is moved
// on one second at a time, so nothing waits for real time.
//
// --effects  puts the player's effect set on each channel (ten equaliser
//            bands, echo, reverb) and reads one 512-sample spectrum per
//            33 ms of sound, the player's timer step.
// --checksum prints, per file, the frames the device consumed and an
//            FNV-1a checksum of that 16-bit output.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "outside/bass/bass_api.h"
#include "outside/bass/bass_test_controls.h"
#include "outside/basswma/basswma_api.h"
#include "platform/core/clock.h"

namespace {

bool EndsWithWma(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".wma";
}

// The player's effect set with its band table, gains across the range.
void PutPlayerEffects(HSTREAM h) {
  const float centres[10] = {80, 170, 310, 600, 1000, 3000, 6000, 10000, 12000, 14000};
  const float widths[10] = {4, 4, 4, 4, 5, 6, 5, 4, 3, 3};
  for (int i = 0; i < 10; ++i) {
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_PARAMEQ);
    BASS_FXPARAMEQ eq{centres[i], widths[i], static_cast<float>(i % 3 - 1) * 6.0f};
    BASS_FXSetParameters(fx, &eq);
  }
  HFX echo = BASS_ChannelSetFX(h, BASS_FX_ECHO);
  BASS_FXECHO e{};
  BASS_FXGetParameters(echo, &e);
  e.fWetDryMix = 30;
  e.fFeedback = 30;
  BASS_FXSetParameters(echo, &e);
  HFX reverb = BASS_ChannelSetFX(h, BASS_FX_REVERB);
  BASS_FXREVERB r{0, 0, 1000, 0.1f};
  BASS_FXSetParameters(reverb, &r);
}

struct Checksum {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  std::uint64_t frames = 0;
  void Add(const std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const auto u = static_cast<std::uint16_t>(samples[i]);
      hash = (hash ^ (u & 0xFF)) * 0x100000001b3ull;
      hash = (hash ^ (u >> 8)) * 0x100000001b3ull;
    }
    frames += count / 2;
  }
};

bool Play(const std::string& file, bool effects, bool checksum) {
  const bool wma = EndsWithWma(file);
  HSTREAM h = wma ? BASS_WMA_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0)
                  : BASS_StreamCreateFile(FALSE, file.c_str(), 0, 0, 0);
  if (h == 0) {
    std::fprintf(stderr, "bassdecode: %s: cannot be played (error %d)\n", file.c_str(), BASS_ErrorGetCode());
    return false;
  }
  // The player asks for the length before it plays.
  static_cast<void>(wma ? BASS_WMA_StreamGetLength(h) : BASS_StreamGetLength(h));
  if (effects) PutPlayerEffects(h);
  if (checksum) VelkoBass_CaptureOutput(TRUE);
  if (!(wma ? BASS_WMA_StreamPlay(h, FALSE, 0) : BASS_StreamPlay(h, FALSE, 0))) return false;
  Checksum sum;
  std::vector<std::int16_t> block(checksum ? 44100 * 2 * 2 : 0);
  float bins[256];
  const std::uint64_t step_ms = effects ? 33 : 1000;
  // A bound past any file's length, in case a channel never ends.
  constexpr std::uint64_t kLimitMs = 4ull * 3600 * 1000;
  for (std::uint64_t t = 0; t < kLimitMs && BASS_ChannelIsActive(h) == BASS_ACTIVE_PLAYING; t += step_ms) {
    platform::AdvanceClockMs(step_ms);
    if (effects) BASS_ChannelGetData(h, bins, BASS_DATA_FFT512);
    if (checksum) {
      const DWORD got = VelkoBass_ReadOutput(block.data(), static_cast<DWORD>(block.size() * 2));
      sum.Add(block.data(), got / 2);
    }
  }
  if (checksum) {
    VelkoBass_CaptureOutput(FALSE);
    std::printf("%s\t%llu\t%016llx\n", file.c_str(), static_cast<unsigned long long>(sum.frames),
                static_cast<unsigned long long>(sum.hash));
  }
  static_cast<void>(wma ? BASS_WMA_StreamFree(h) : BASS_StreamFree(h));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool effects = false;
  bool checksum = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--effects") == 0) {
      effects = true;
    } else if (std::strcmp(argv[i], "--checksum") == 0) {
      checksum = true;
    } else {
      files.emplace_back(argv[i]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: bassdecode [--effects] [--checksum] FILE...\n");
    return 2;
  }
  platform::UseManualClock(1'000'000);
  VelkoBass_UseSilentDevice(TRUE);
  if (!BASS_Init(-1, 44100, 0, nullptr)) {
    std::fprintf(stderr, "bassdecode: the device did not start (error %d)\n", BASS_ErrorGetCode());
    return 1;
  }
  int failures = 0;
  for (const std::string& file : files) {
    if (!Play(file, effects, checksum)) ++failures;
  }
  BASS_Free();
  return failures == 0 ? 0 : 1;
}
