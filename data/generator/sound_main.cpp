// Writes the program's sound cues into the folder named on the command
// line: "ok.wav", the short rising two-note chime the file-sharing window
// plays when a download completes (16-bit mono PCM, 22,050 samples/s).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

std::string Chime() {
  constexpr int kRate = 22050;
  constexpr double kPi = 3.14159265358979323846;
  const double notes[2] = {880.0, 1318.5};  // A5 then E6
  const int note_length = kRate * 12 / 100;
  std::vector<std::int16_t> samples;
  for (double frequency : notes) {
    for (int i = 0; i < note_length; ++i) {
      const double t = static_cast<double>(i) / kRate;
      const double envelope = std::exp(-t * 18.0) * std::min(1.0, i / 64.0);
      samples.push_back(static_cast<std::int16_t>(std::lround(9000.0 * envelope * std::sin(2 * kPi * frequency * t))));
    }
  }
  std::string out = "RIFF";
  const auto data_size = static_cast<std::uint32_t>(samples.size() * 2);
  Put32(out, 36 + data_size);
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, kRate);
  Put32(out, kRate * 2);
  Put16(out, 2);
  Put16(out, 16);
  out += "data";
  Put32(out, data_size);
  for (std::int16_t s : samples) Put16(out, static_cast<std::uint16_t>(s));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  std::ofstream file(out / "ok.wav", std::ios::binary | std::ios::trunc);
  const std::string bytes = Chime();
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", (out / "ok.wav").c_str());
    return 1;
  }
  return 0;
}
