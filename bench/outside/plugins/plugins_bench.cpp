// Performance of the input plug-ins' decoders, on one core:
//  - rendering a 3-minute General MIDI song (chords, a string pad, bass and
//    drums) with FluidSynth and the installed sound font, as a multiple of
//    real time (goal: at least 50);
//  - decoding a 3-minute ASF file with WMA audio to 16-bit PCM, as a
//    multiple of real time (goal: at least 150), and its time against the
//    ffmpeg program decoding the same file to nothing in the same run
//    (goal: at most 1.5 times ffmpeg's).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "outside/plugins/in_asf/asf_decoder.h"
#include "outside/plugins/in_midi/midi_file.h"
#include "outside/plugins/in_midi/midi_synth.h"
#include "tests/outside/plugins/asf_files.h"
#include "tests/outside/plugins/midi_builder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSongSeconds = 180;

// A folder of the run's own, removed at exit.
const std::filesystem::path& Scratch() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "velko-bench-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    std::filesystem::path path = made != nullptr ? made : std::filesystem::temp_directory_path();
    static struct Remover {
      std::filesystem::path path;
      ~Remover() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
      }
    } remover{path};
    return path;
  }();
  return dir;
}

// Three minutes at 120 a minute: a piano chord and a hi-hat every beat, a
// bass note every half bar, a string pad changing every bar.
std::string BenchSong() {
  using plugin_test::Track;
  constexpr int kDivision = 480;
  constexpr int kBeats = kSongSeconds * 2;
  static constexpr int kRoots[] = {60, 65, 67, 57};
  Track conductor;
  conductor.Name(0, "Bench Song").Tempo(0, 500000).End(kBeats * kDivision);
  Track piano;
  piano.Event(0, {0xC0, 0});
  Track pad;
  pad.Event(0, {0xC1, 48});
  Track bass;
  bass.Event(0, {0xC2, 33});
  Track drums;
  for (int beat = 0; beat < kBeats; ++beat) {
    const int root = kRoots[(beat / 4) % 4];
    piano.Event(0, {0x90, root, 90}).Event(0, {0x90, root + 4, 80}).Event(0, {0x90, root + 7, 80});
    piano.Event(kDivision, {0x80, root, 0}).Event(0, {0x80, root + 4, 0}).Event(0, {0x80, root + 7, 0});
    const int drum = beat % 2 == 0 ? 36 : 38;  // kick, then snare
    drums.Event(0, {0x99, 42, 70}).Event(0, {0x99, drum, 100});
    drums.Event(kDivision, {0x89, 42, 0}).Event(0, {0x89, drum, 0});
    if (beat % 4 == 0) {
      pad.Event(0, {0x91, root - 12, 60}).Event(0, {0x91, root - 5, 60});
      pad.Event(4 * kDivision, {0x81, root - 12, 0}).Event(0, {0x81, root - 5, 0});
    }
    if (beat % 2 == 0) bass.Event(0, {0x92, root - 24, 100}).Event(2 * kDivision, {0x82, root - 24, 0});
  }
  piano.End(0);
  pad.End(0);
  bass.End(0);
  drums.End(0);
  return plugin_test::SmfFile(1, kDivision, {conductor.Chunk(), piano.Chunk(), pad.Chunk(), bass.Chunk(), drums.Chunk()});
}

void RenderMidi(benchmark::State& state) {
  const std::string bytes = BenchSong();
  const auto song = velko_midi::ParseMidiFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  const auto synth = velko_midi::SoundFontSynth::Load(velko_midi::kDefaultSoundFont);
  if (!song || !synth) {
    state.SkipWithError("no song or no sound font");
    return;
  }
  std::vector<std::int16_t> block(1024 * 2);
  double seconds = 0;
  double audio_seconds = 0;
  for (auto _ : state) {
    velko_midi::MidiDecoder decoder(*song, "bench", synth);
    const auto start = Clock::now();
    std::int64_t frames = 0;
    for (int got; (got = decoder.Read(block.data(), 1024)) > 0;) frames += got;
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
    audio_seconds += static_cast<double>(frames) / velko_midi::kMidiRate;
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["x_realtime"] = audio_seconds / seconds;
}
BENCHMARK(RenderMidi)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// Three minutes of chords with a little noise as a 128 kbit/s WMA in ASF.
const std::filesystem::path& BenchAsf() {
  static const std::filesystem::path asf = [] {
    const std::filesystem::path wav = Scratch() / "bench.wav";
    const std::uint32_t frames = 44100u * kSongSeconds;
    std::vector<std::int16_t> samples(frames * 2u);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    for (std::uint32_t i = 0; i < frames; ++i) {
      const double t = i / 44100.0;
      const double v = 0.25 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 277.2 * t) +
                       0.2 * std::sin(2 * M_PI * 329.6 * t) + noise(random);
      samples[2 * i] = static_cast<std::int16_t>(v * 32767);
      samples[2 * i + 1] = static_cast<std::int16_t>(v * 0.8 * 32767);
    }
    auto le = [](std::ofstream& out, std::uint32_t v, int bytes) {
      for (int b = 0; b < bytes; ++b) out.put(static_cast<char>((v >> (8 * b)) & 0xFF));
    };
    {
      std::ofstream out(wav, std::ios::binary);
      const std::uint32_t data = frames * 4u;
      out.write("RIFF", 4);
      le(out, 36 + data, 4);
      out.write("WAVEfmt ", 8);
      le(out, 16, 4);
      le(out, 1, 2);
      le(out, 2, 2);
      le(out, 44100, 4);
      le(out, 44100 * 4, 4);
      le(out, 4, 2);
      le(out, 16, 2);
      out.write("data", 4);
      le(out, data, 4);
      out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(data));
    }
    const std::filesystem::path made = Scratch() / "bench.asf";
    if (!plugin_test::MakeAsf(wav, made, "wmav2")) return std::filesystem::path();
    return made;
  }();
  return asf;
}

void DecodeAsf(benchmark::State& state) {
  const std::filesystem::path& asf = BenchAsf();
  if (asf.empty()) {
    state.SkipWithError("ffmpeg could not make the file");
    return;
  }
  std::vector<std::int16_t> block(4096 * 2);
  double ours = 0;
  double theirs = 0;
  double audio_seconds = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    auto decoder = velko_asf::AsfDecoder::Open(asf.string(), "bench.asf");
    if (!decoder) {
      state.SkipWithError("the decoder refused the file");
      return;
    }
    std::int64_t frames = 0;
    for (int got; (got = decoder->Read(block.data(), 4096)) > 0;) frames += got;
    ours += std::chrono::duration<double>(Clock::now() - start).count();
    audio_seconds += static_cast<double>(frames) / decoder->rate();
    benchmark::DoNotOptimize(block.data());

    // The yardstick: the ffmpeg program decoding the same file to nothing.
    const auto their_start = Clock::now();
    const int rc = plugin_test::RunProgram(
        {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-threads", "1", "-i", asf.string(), "-f", "null", "-"});
    theirs += std::chrono::duration<double>(Clock::now() - their_start).count();
    if (rc != 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
  }
  state.counters["x_realtime"] = audio_seconds / ours;
  state.counters["ffmpeg_x_realtime"] = audio_seconds / theirs;
  state.counters["time_vs_ffmpeg"] = ours / theirs;
}
BENCHMARK(DecodeAsf)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
