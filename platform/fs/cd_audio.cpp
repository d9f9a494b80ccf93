#include "platform/fs/cd_audio.h"

#include <cstdio>

#include "platform/fs/name_match.h"

namespace platform::fs {

namespace {

constexpr DWORD kFramesPerSecond = 75;
constexpr DWORD kLeadInFrames = 150;

void PutLittleEndian(std::string* out, DWORD value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Minutes, seconds and frames as four bytes: frame, second, minute, 0.
void PutMsf(std::string* out, DWORD frames) {
  out->push_back(static_cast<char>(frames % kFramesPerSecond));
  out->push_back(static_cast<char>((frames / kFramesPerSecond) % 60));
  out->push_back(static_cast<char>(frames / (kFramesPerSecond * 60)));
  out->push_back(0);
}

}  // namespace

std::string CdTrackFileName(int track_number) {
  char name[32];
  std::snprintf(name, sizeof name, "Track%02d.cda", track_number);
  return name;
}

const CdTrackInfo* FindCdTrack(const CdDiscContents& disc, std::string_view name) {
  for (const CdTrackInfo& track : disc.tracks) {
    if (track.audio && NamesEqualIgnoringCase(CdTrackFileName(track.number), name)) return &track;
  }
  return nullptr;
}

DWORD CdDiscSerial(const CdDiscContents& disc) {
  if (disc.serial != 0) return disc.serial;
  // Mixes every track's position and length, so different discs differ and
  // the same disc always gives the same number.
  DWORD serial = 0x43444441;  // "CDDA"
  for (const CdTrackInfo& track : disc.tracks) {
    serial = serial * 31 + static_cast<DWORD>(track.number);
    serial = serial * 31 + track.start_sector;
    serial = serial * 31 + track.sector_count;
  }
  return serial;
}

std::string CdTrackFileBytes(const CdDiscContents& disc, const CdTrackInfo& track) {
  std::string bytes;
  bytes.reserve(kCdTrackFileSize);
  bytes += "RIFF";
  PutLittleEndian(&bytes, kCdTrackFileSize - 8, 4);
  bytes += "CDDAfmt ";
  PutLittleEndian(&bytes, 24, 4);
  PutLittleEndian(&bytes, 1, 2);  // format version
  PutLittleEndian(&bytes, static_cast<DWORD>(track.number), 2);
  PutLittleEndian(&bytes, CdDiscSerial(disc), 4);
  PutLittleEndian(&bytes, track.start_sector, 4);
  PutLittleEndian(&bytes, track.sector_count, 4);
  PutMsf(&bytes, track.start_sector + kLeadInFrames);  // positions count the lead-in
  PutMsf(&bytes, track.sector_count);                  // lengths do not
  return bytes;
}

}  // namespace platform::fs
