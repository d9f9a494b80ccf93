// Three minutes of CD audio encoded by TLameCoder (128 kbit/s CBR, CRC on)
// against "lame -b 128 -p", and by Vorbis.DLL at quality 0.4 against
// "oggenc -q 4". Each pair runs on one WAV file in one run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "ripper/LameCoder.h"
#include "ripper/VorbisDll.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kFrames = 44100 * 180;

struct Input {
  velko_test::TempDir dir;
  std::string wav;
  std::vector<int16_t> pcm;
  Input() {
    pcm.resize(static_cast<size_t>(kFrames) * 2);
    uint32_t noise = 1;
    for (int f = 0; f < kFrames; ++f) {
      noise = noise * 1664525u + 1013904223u;
      const double t = f / 44100.0;
      const double v = 0.3 * std::sin(t * 2 * M_PI * 440) + 0.2 * std::sin(t * 2 * M_PI * 1250) +
                       0.05 * (static_cast<double>(noise >> 16) / 32768.0 - 1.0);
      pcm[static_cast<size_t>(f) * 2] = static_cast<int16_t>(v * 20000);
      pcm[static_cast<size_t>(f) * 2 + 1] = static_cast<int16_t>(v * 18000);
    }
    std::string h = "RIFF";
    auto put = [&h](uint32_t v, int n) {
      for (int i = 0; i < n; ++i) h += static_cast<char>(v >> (8 * i));
    };
    const uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
    put(36 + bytes, 4);
    h += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(44100, 4);
    put(176400, 4);
    put(4, 2);
    put(16, 2);
    h += "data";
    put(bytes, 4);
    wav = (dir.path() / "track.wav").string();
    std::ofstream out(wav, std::ios::binary);
    out << h;
    out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(bytes));
  }
};

Input& Shared() {
  static Input* input = new Input;
  return *input;
}

void LameCoderDefaults(benchmark::State& state) {
  Input& in = Shared();
  TLameCoder coder(nullptr);
  TStringList inputs;
  inputs.Add(*platform::PlatformPath(in.wav));
  coder.SetInputFiles(&inputs);
  for (auto _ : state) coder.Encode();
}

void LameCommandLine(benchmark::State& state) {
  Input& in = Shared();
  const std::string command = "lame --quiet -b 128 -p '" + in.wav + "' '" + in.wav + ".cli.mp3'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("lame is not installed");
  }
}

void VorbisDll(benchmark::State& state) {
  Input& in = Shared();
  // The library as the ripper loads it, from the program folder.
  platform::SetProgramPath((velko_test::ProgramFolder() / "velko").string());
  if (!LoadVorbisDLL()) {
    state.SkipWithError("Vorbis.DLL not found");
    return;
  }
  for (auto _ : state) {
    TVorbisEncParams params;
    TVorbisEncInfo info;
    uint32_t samples = 0, size = 0, handle = 0;
    vbEncOpen(&params, &info, &samples, &size, &handle);
    std::vector<uint8_t> out(size);
    std::ofstream file(in.wav + ".dll.ogg", std::ios::binary);
    for (size_t done = 0; done < in.pcm.size(); done += samples) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(samples, in.pcm.size() - done));
      uint32_t bytes = 0;
      vbEncWrite(handle, n, in.pcm.data() + done, out.data(), &bytes);
      file.write(reinterpret_cast<char*>(out.data()), bytes);
    }
    uint32_t bytes = 0;
    vbEncClose(handle, out.data(), &bytes);
    file.write(reinterpret_cast<char*>(out.data()), bytes);
  }
}

void OggencCommandLine(benchmark::State& state) {
  Input& in = Shared();
  const std::string command = "oggenc --quiet -q 4 -o '" + in.wav + ".cli.ogg' '" + in.wav + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("oggenc is not installed");
  }
}

BENCHMARK(LameCoderDefaults)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(LameCommandLine)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(VorbisDll)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(OggencCommandLine)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
