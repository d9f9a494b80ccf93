#include "tests/support/cd_image.h"

#include <cstdio>
#include <fstream>

namespace velko_test {

std::string CdImageSector(int32_t lsn, bool audio) {
  std::string sector(2352, '\0');
  if (!audio) {
    // A data sector: sync pattern, then the sector number repeated.
    for (int i = 1; i < 11; ++i) sector[i] = '\xff';
    for (std::size_t i = 16; i < sector.size(); ++i) sector[i] = static_cast<char>((lsn + i) & 0x7f);
    return sector;
  }
  // 588 stereo frames of 16-bit samples that change with sector and frame.
  for (std::size_t i = 0; i < sector.size(); i += 2) {
    const uint16_t sample = static_cast<uint16_t>(lsn * 131 + i * 7);
    sector[i] = static_cast<char>(sample & 0xff);
    sector[i + 1] = static_cast<char>(sample >> 8);
  }
  return sector;
}

std::string CdImageSectors(int32_t first, int32_t last) {
  std::string sectors;
  for (int32_t lsn = first; lsn <= last; ++lsn) sectors += CdImageSector(lsn);
  return sectors;
}

std::filesystem::path WriteCdImage(const std::filesystem::path& folder, const std::string& name,
                                   const std::vector<CdImageTrack>& tracks) {
  const std::filesystem::path bin_path = folder / (name + ".bin");
  const std::filesystem::path cue_path = folder / (name + ".cue");
  std::ofstream bin(bin_path, std::ios::binary | std::ios::trunc);
  std::ofstream cue(cue_path, std::ios::trunc);
  cue << "FILE \"" << name << ".bin\" BINARY\n";
  int32_t lsn = 0;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "  TRACK %02zu %s\n", i + 1, tracks[i].audio ? "AUDIO" : "MODE1/2352");
    cue << line;
    std::snprintf(line, sizeof line, "    INDEX 01 %02d:%02d:%02d\n", lsn / (75 * 60), (lsn / 75) % 60, lsn % 75);
    cue << line;
    for (int s = 0; s < tracks[i].sectors; ++s, ++lsn) bin << CdImageSector(lsn, tracks[i].audio);
  }
  return cue_path;
}

}  // namespace velko_test
