#include "tests/support/wave_image.h"

namespace velko_test {

namespace {

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

}  // namespace

std::vector<std::uint8_t> MakeWaveImage(int milliseconds, int rate, int marker) {
  const auto frames = static_cast<std::uint32_t>(rate * milliseconds / 1000);
  const std::uint32_t data_bytes = frames * 2;
  std::vector<std::uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 36 + data_bytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, static_cast<std::uint32_t>(rate));
  Put32(out, static_cast<std::uint32_t>(rate * 2));
  Put16(out, 2);
  Put16(out, 16);
  PutTag(out, "data");
  Put32(out, data_bytes);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const int level = ((i / 20) % 2 == 0 ? 3000 : -3000) + marker;
    Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(level)));
  }
  return out;
}

}  // namespace velko_test
