// Disc images for the CD tests: a .bin of raw 2352-byte sectors with its
// .cue sheet, written by the test. Audio sectors hold a pattern that names
// their sector, so reads can be checked byte for byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velko_test {

struct CdImageTrack {
  int sectors = 75;
  bool audio = true;  // false: a MODE1/2352 data track
};

// Writes "<name>.bin" and "<name>.cue" into `folder`; returns the .cue path.
std::filesystem::path WriteCdImage(const std::filesystem::path& folder, const std::string& name,
                                   const std::vector<CdImageTrack>& tracks);

// The bytes the image holds at sector `lsn` (2352 bytes).
std::string CdImageSector(int32_t lsn, bool audio = true);
// The audio sectors `first` to `last`, one after the other.
std::string CdImageSectors(int32_t first, int32_t last);

}  // namespace velko_test
