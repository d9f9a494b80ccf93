// CDRIP3.DLL over the platform's CD layer.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "outside/cdrip/cdrip_api.h"
#include "platform/cd/cd.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"

#define CR_EXPORT extern "C" __attribute__((visibility("default")))

namespace cd = platform::cd;

namespace {

constexpr int32_t kVersion = 128;  // 1.28
constexpr int32_t kMaxReadSectors = 200;
constexpr const char* kIniSection = "[CDROM";

struct Ripper {
  std::unique_ptr<cd::AudioReader> reader;
  int32_t first = 0;
  int32_t last = 0;
  int32_t next = 0;
  int32_t chunk_sectors = 26;
  bool corrected = true;
  int32_t chunks = 0;  // chunks delivered so far
  int32_t jitter_errors = 0;
  int32_t last_jitter = -1;
};

struct Library {
  std::string ini_name = "CDRipper.ini";
  std::vector<char> letters;
  std::vector<std::string> ids;
  int32_t active = 0;
  std::map<char, CDROMPARAMS> params;
  std::optional<cd::Toc> toc;
  std::unique_ptr<Ripper> ripper;
  std::set<int32_t> force_jitter;
  int32_t force_failure = -1;
  bool force_done = false;
};

Library& Lib() {
  // Goes with the library: the program frees the library when it is done.
  static Library lib;
  return lib;
}

CDROMPARAMS DefaultParams(char letter) {
  CDROMPARAMS p{};
  std::snprintf(p.lpszCDROMID, sizeof(p.lpszCDROMID), "%c: %s", letter,
                cd::HoldsImage(letter) ? "Velko Disc Image" : "CD-ROM Drive");
  p.nNumReadSectors = 26;
  p.nNumOverlapSectors = 7;
  p.nNumCompareSectors = 1;
  p.bJitterCorrection = -1;
  p.nAspiTimeOut = 30;
  p.nRippingMode = 1;
  p.nParanoiaMode = 223;
  return p;
}

void ScanDrives() {
  Library& lib = Lib();
  lib.letters = cd::CdLetters();
  lib.ids.clear();
  for (char letter : lib.letters) {
    if (!lib.params.count(letter)) lib.params[letter] = DefaultParams(letter);
    lib.ids.emplace_back(lib.params[letter].lpszCDROMID);
  }
  if (lib.active >= static_cast<int32_t>(lib.letters.size())) lib.active = 0;
}

// The active drive's letter; 0 when there is none.
char Active() {
  Library& lib = Lib();
  if (lib.letters.empty()) ScanDrives();
  if (lib.active < 0 || lib.active >= static_cast<int32_t>(lib.letters.size())) return 0;
  return lib.letters[static_cast<size_t>(lib.active)];
}

std::string IniPath() {
  char folder[MAX_PATH] = {};
  GetWindowsDirectory(folder, sizeof(folder));
  std::string platform_path = std::string(folder) + "\\" + Lib().ini_name;
  return platform::NativePath(platform_path).value_or(std::string());
}

// The settings file keeps one section a drive letter: "[CDROM D]".
const std::vector<std::pair<const char*, size_t>>& IniFields() {
  static const std::vector<std::pair<const char*, size_t>> fields = {
      {"NumReadSectors", offsetof(CDROMPARAMS, nNumReadSectors)},
      {"NumOverlapSectors", offsetof(CDROMPARAMS, nNumOverlapSectors)},
      {"NumCompareSectors", offsetof(CDROMPARAMS, nNumCompareSectors)},
      {"OffsetStart", offsetof(CDROMPARAMS, nOffsetStart)},
      {"OffsetEnd", offsetof(CDROMPARAMS, nOffsetEnd)},
      {"Speed", offsetof(CDROMPARAMS, nSpeed)},
      {"SpinUpTime", offsetof(CDROMPARAMS, nSpinUpTime)},
      {"JitterCorrection", offsetof(CDROMPARAMS, bJitterCorrection)},
      {"SwapLeftRightChannel", offsetof(CDROMPARAMS, bSwapLeftRightChannel)},
      {"AspiRetries", offsetof(CDROMPARAMS, nAspiRetries)},
      {"AspiTimeOut", offsetof(CDROMPARAMS, nAspiTimeOut)},
      {"EnableMultiRead", offsetof(CDROMPARAMS, bEnableMultiRead)},
      {"MultiReadFirstOnly", offsetof(CDROMPARAMS, bMultiReadFirstOnly)},
      {"MultiRead", offsetof(CDROMPARAMS, nMultiRead)},
      {"LockDuringRead", offsetof(CDROMPARAMS, bLockDuringRead)},
      {"RippingMode", offsetof(CDROMPARAMS, nRippingMode)},
      {"ParanoiaMode", offsetof(CDROMPARAMS, nParanoiaMode)},
  };
  return fields;
}

// The record is packed: its fields are read and written byte-wise.
int32_t GetField(const CDROMPARAMS& p, size_t offset) {
  int32_t v;
  std::memcpy(&v, reinterpret_cast<const char*>(&p) + offset, sizeof(v));
  return v;
}
void SetField(CDROMPARAMS& p, size_t offset, int32_t v) {
  std::memcpy(reinterpret_cast<char*>(&p) + offset, &v, sizeof(v));
}

bool LoadIni() {
  std::string path = IniPath();
  std::ifstream in(path);
  if (path.empty() || !in) return false;
  Library& lib = Lib();
  std::string line;
  CDROMPARAMS* current = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(kIniSection, 0) == 0 && line.size() >= 9 && line[8] == ']') {
      char letter = line[7];
      if (!lib.params.count(letter)) lib.params[letter] = DefaultParams(letter);
      current = &lib.params[letter];
      continue;
    }
    auto eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    for (const auto& [name, offset] : IniFields())
      if (key == name) SetField(*current, offset, static_cast<int32_t>(std::strtol(line.c_str() + eq + 1, nullptr, 10)));
  }
  return true;
}

bool SaveIni() {
  std::string path = IniPath();
  if (path.empty()) return false;
  std::ostringstream out;
  for (auto& [letter, p] : Lib().params) {
    out << kIniSection << ' ' << letter << "]\r\n";
    for (const auto& [name, offset] : IniFields()) out << name << '=' << GetField(p, offset) << "\r\n";
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << out.str();
  file.close();
  return static_cast<bool>(file);
}

// The start of the track after `track` (the lead-out after the last).
int32_t EndOf(const cd::Toc& toc, size_t index) {
  return index + 1 < toc.tracks.size() ? toc.tracks[index + 1].start : toc.lead_out;
}

}  // namespace

CR_EXPORT CDEX_ERR CR_Init(const char* ini_file_name) {
  Library& lib = Lib();
  if (ini_file_name && *ini_file_name) lib.ini_name = ini_file_name;
  cd::StartMediaChangePolling();
  ScanDrives();
  LoadIni();
  ScanDrives();
  return CDEX_OK;
}

CR_EXPORT int32_t CR_GetCDRipVersion() { return kVersion; }

CR_EXPORT int32_t CR_GetNumCDROM() {
  ScanDrives();
  return static_cast<int32_t>(Lib().letters.size());
}

CR_EXPORT void CR_SetActiveCDROM(int32_t index) {
  Library& lib = Lib();
  if (index < 0 || index >= static_cast<int32_t>(lib.letters.size()) || index == lib.active) return;
  CR_CloseRipper();
  lib.active = index;
  lib.toc.reset();
}

CR_EXPORT int32_t CR_GetActiveCDROM() { return Lib().active; }

CR_EXPORT CDEX_ERR CR_GetCDROMID(char* text, int32_t size) {
  char letter = Active();
  if (!letter || !text || size <= 0) return CDEX_ERROR;
  std::snprintf(text, static_cast<size_t>(size), "%s", Lib().params[letter].lpszCDROMID);
  return CDEX_OK;
}

CR_EXPORT const char* CR_GetCDROMIDByIndex(int32_t index) {
  Library& lib = Lib();
  if (index < 0 || index >= static_cast<int32_t>(lib.ids.size())) return "";
  return lib.ids[static_cast<size_t>(index)].c_str();
}

CR_EXPORT CDEX_ERR CR_SelectCDROMType(int32_t) { return CDEX_NOT_SUPPORTED; }
CR_EXPORT int32_t CR_GetCDROMType() { return 0; }
CR_EXPORT int32_t CR_IsMMC(char*) { return 0; }

CR_EXPORT CDEX_ERR CR_GetCDROMParameters(CDROMPARAMS* params) {
  char letter = Active();
  if (!letter || !params) return CDEX_ERROR;
  *params = Lib().params[letter];
  return CDEX_OK;
}

CR_EXPORT CDEX_ERR CR_SetCDROMParameters(const CDROMPARAMS* params) {
  char letter = Active();
  if (!letter || !params) return CDEX_ERROR;
  CDROMPARAMS& p = Lib().params[letter];
  std::string id = p.lpszCDROMID;  // the drive's name is its own
  p = *params;
  std::snprintf(p.lpszCDROMID, sizeof(p.lpszCDROMID), "%s", id.c_str());
  return CDEX_OK;
}

CR_EXPORT CDEX_ERR CR_OpenRipper(int32_t* buffer_size, int32_t first_sector, int32_t last_sector) {
  Library& lib = Lib();
  char letter = Active();
  if (!letter || !buffer_size || first_sector < 0 || first_sector > last_sector) return CDEX_ERROR;
  CR_CloseRipper();
  auto ripper = std::make_unique<Ripper>();
  ripper->reader = cd::AudioReader::Open(letter);
  if (!ripper->reader || last_sector >= ripper->reader->toc().lead_out) return CDEX_ERROR;
  const CDROMPARAMS& p = lib.params[letter];
  const int32_t read_sectors = p.nNumReadSectors;  // copied out: the record is packed
  ripper->chunk_sectors = std::clamp(read_sectors, 1, kMaxReadSectors);
  ripper->corrected = p.nRippingMode != 0;
  if (ripper->corrected) {
    ripper->reader->SetCorrection(p.nParanoiaMode);
    if (!ripper->reader->Seek(first_sector)) return CDEX_ERROR;
  }
  ripper->first = ripper->next = first_sector;
  ripper->last = last_sector;
  if (p.bLockDuringRead) cd::LockDoor(letter, true);
  *buffer_size = ripper->chunk_sectors * cd::kSectorBytes;
  lib.ripper = std::move(ripper);
  return CDEX_OK;
}

CR_EXPORT CDEX_ERR CR_CloseRipper() {
  Library& lib = Lib();
  if (lib.ripper) {
    char letter = Active();
    if (letter && lib.params[letter].bLockDuringRead) cd::LockDoor(letter, false);
    lib.ripper.reset();
  }
  return CDEX_OK;
}

CR_EXPORT CDEX_ERR CR_RipChunk(uint8_t* buffer, int32_t* bytes_read, int32_t abort) {
  Library& lib = Lib();
  if (bytes_read) *bytes_read = 0;
  Ripper* r = lib.ripper.get();
  if (!r || !buffer || !bytes_read) return CDEX_ERROR;
  if (abort || lib.force_done || r->next > r->last) {
    lib.force_done = false;
    r->next = r->last + 1;
    return CDEX_RIPPING_DONE;
  }
  const int32_t chunk = r->chunks++;
  if (chunk == lib.force_failure) return CDEX_ERROR;
  const int32_t count = std::min(r->chunk_sectors, r->last - r->next + 1);
  bool uncorrected = false;
  if (r->corrected) {
    for (int32_t i = 0; i < count; ++i) {
      bool bad = false;
      if (!r->reader->ReadCorrected(buffer + static_cast<size_t>(i) * cd::kSectorBytes, &bad)) return CDEX_ERROR;
      uncorrected = uncorrected || bad;
    }
  } else {
    // Plain reads may come back short: read on until the chunk is whole.
    int32_t done = 0;
    while (done < count) {
      long n = r->reader->ReadSectors(r->next + done, count - done, buffer + static_cast<size_t>(done) * cd::kSectorBytes);
      if (n <= 0) return CDEX_ERROR;
      done += static_cast<int32_t>(n);
    }
  }
  *bytes_read = count * cd::kSectorBytes;
  r->next += count;
  if (uncorrected || lib.force_jitter.count(chunk)) {
    ++r->jitter_errors;
    r->last_jitter = r->next - count;
    return CDEX_JITTER_ERROR;
  }
  return CDEX_OK;
}

CR_EXPORT CDEX_ERR CR_GetPeakValue(int32_t* left, int32_t* right) {
  if (left) *left = 0;
  if (right) *right = 0;
  return CDEX_NOT_SUPPORTED;
}

CR_EXPORT int32_t CR_GetPercentCompleted() {
  Ripper* r = Lib().ripper.get();
  if (!r) return 0;
  const int64_t total = static_cast<int64_t>(r->last) - r->first + 1;
  return static_cast<int32_t>((static_cast<int64_t>(r->next) - r->first) * 100 / total);
}

CR_EXPORT int32_t CR_GetNumberOfJitterErrors() { return Lib().ripper ? Lib().ripper->jitter_errors : 0; }
CR_EXPORT int32_t CR_GetJitterPosition() { return Lib().ripper ? Lib().ripper->next : 0; }
CR_EXPORT int32_t CR_GetLastJitterErrorPosition() { return Lib().ripper ? Lib().ripper->last_jitter : -1; }
CR_EXPORT void CR_NormalizeChunk(int16_t*, int32_t, double) {}
CR_EXPORT CDEX_ERR CR_LoadSettings() { return LoadIni() ? CDEX_OK : CDEX_FILEOPEN_ERROR; }
CR_EXPORT CDEX_ERR CR_SaveSettings() { return SaveIni() ? CDEX_OK : CDEX_FILEOPEN_ERROR; }

CR_EXPORT CDEX_ERR CR_ReadToc() {
  Library& lib = Lib();
  char letter = Active();
  lib.toc = letter ? cd::ReadToc(letter) : std::nullopt;
  return lib.toc ? CDEX_OK : CDEX_ERROR;
}

CR_EXPORT int32_t CR_GetNumTocEntries() {
  const auto& toc = Lib().toc;
  return toc ? static_cast<int32_t>(toc->tracks.size()) : 0;
}

CR_EXPORT CDEX_ERR CR_GetTocEntry(int32_t, TOCENTRY2*) { return CDEX_NOT_SUPPORTED; }

CR_EXPORT CDEX_ERR CR_GetTocEntry2(int32_t index, TOCENTRY2* entry) {
  const auto& toc = Lib().toc;
  if (!toc || !entry || index < 0 || index > static_cast<int32_t>(toc->tracks.size())) return CDEX_ERROR;
  if (index == static_cast<int32_t>(toc->tracks.size())) {
    *entry = TOCENTRY2{static_cast<uint32_t>(toc->lead_out), 0, 0xAA};
  } else {
    const cd::TocEntry& t = toc->tracks[static_cast<size_t>(index)];
    *entry = TOCENTRY2{static_cast<uint32_t>(t.start), static_cast<uint8_t>(t.audio ? 0 : CDROMDATAFLAG),
                       static_cast<uint8_t>(t.number)};
  }
  return CDEX_OK;
}

CR_EXPORT int32_t CR_GetSenseKey() { return 0; }
CR_EXPORT int32_t CR_GetSenseKey2(uint8_t*) { return 0; }
CR_EXPORT int32_t CR_IsUnitReady() {
  char letter = Active();
  return letter && cd::HasDisc(letter) ? 1 : 0;
}
CR_EXPORT int32_t CR_IsMediaLoaded() { return CR_IsUnitReady(); }

CR_EXPORT CDEX_ERR CR_LockCD(int32_t locked) {
  char letter = Active();
  return letter && cd::LockDoor(letter, locked != 0) ? CDEX_OK : CDEX_ERROR;
}

CR_EXPORT int32_t CR_DriveStatus() {
  char letter = Active();
  if (!letter) return CDDRIVE_STATUS_ERROR;
  switch (cd::GetAudioStatus(letter)) {
    case cd::AudioStatus::kPlaying: return CDDRIVE_STATUS_PLAYING;
    case cd::AudioStatus::kPaused: return CDDRIVE_STATUS_PAUSED;
    case cd::AudioStatus::kCompleted: return CDDRIVE_STATUS_COMPLETED;
    case cd::AudioStatus::kError: return CDDRIVE_STATUS_ERROR;
    default: return CDDRIVE_STATUS_NONE;
  }
}

CR_EXPORT CDEX_ERR CR_EjectCD(int32_t open) {
  char letter = Active();
  if (!letter) return CDEX_ERROR;
  if (open) CR_CloseRipper();
  Lib().toc.reset();
  return (open ? cd::Eject(letter) : cd::CloseTray(letter)) ? CDEX_OK : CDEX_ERROR;
}

CR_EXPORT int32_t CR_IsAudioPlaying() { return CR_DriveStatus() == CDDRIVE_STATUS_PLAYING ? 1 : 0; }

CR_EXPORT CDEX_ERR CR_PlayTrack(int32_t track) {
  char letter = Active();
  if (!letter) return CDEX_ERROR;
  auto toc = cd::ReadToc(letter);
  if (!toc) return CDEX_ERROR;
  for (size_t i = 0; i < toc->tracks.size(); ++i)
    if (toc->tracks[i].number == track && toc->tracks[i].audio)
      return cd::PlayAudio(letter, toc->tracks[i].start, EndOf(*toc, i) - 1) ? CDEX_OK : CDEX_ERROR;
  return CDEX_ERROR;
}

CR_EXPORT CDEX_ERR CR_PlaySection(int32_t start_sector, int32_t end_sector) {
  char letter = Active();
  return letter && start_sector <= end_sector && cd::PlayAudio(letter, start_sector, end_sector) ? CDEX_OK : CDEX_ERROR;
}

CR_EXPORT CDEX_ERR CR_GetPlayPosition(uint32_t* sector) {
  char letter = Active();
  int32_t lsn = 0;
  if (!letter || !sector || cd::GetAudioStatus(letter, &lsn) == cd::AudioStatus::kNoStatus) return CDEX_ERROR;
  *sector = static_cast<uint32_t>(lsn);
  return CDEX_OK;
}

CR_EXPORT CDEX_ERR CR_SetPlayPosition(uint32_t) { return CDEX_NOT_SUPPORTED; }

CR_EXPORT CDEX_ERR CR_StopPlayTrack() {
  char letter = Active();
  return letter && cd::StopAudio(letter) ? CDEX_OK : CDEX_ERROR;
}

CR_EXPORT CDEX_ERR CR_PauseCD(int32_t pause) {
  char letter = Active();
  if (!letter) return CDEX_ERROR;
  return (pause ? cd::PauseAudio(letter) : cd::ResumeAudio(letter)) ? CDEX_OK : CDEX_ERROR;
}

CR_EXPORT CDEX_ERR CR_GetSubChannelTrackInfo(int32_t*, int32_t*, int32_t*) { return CDEX_NOT_SUPPORTED; }
CR_EXPORT CDEX_ERR CR_ReadCDText(uint8_t*, int32_t, int32_t* read) {
  if (read) *read = 0;
  return CDEX_NOT_SUPPORTED;
}
CR_EXPORT int32_t CR_GetTransportLayer() { return 0; }
CR_EXPORT CDEX_ERR CR_SetTransportLayer(int32_t) { return CDEX_NOT_SUPPORTED; }
CR_EXPORT CDEX_ERR CR_ScanForC2Errors(int32_t, int32_t, int32_t*, int32_t*) { return CDEX_NOT_SUPPORTED; }

CR_EXPORT void CRTest_ForceJitterAt(int32_t chunk) {
  if (chunk < 0) Lib().force_jitter.clear();
  else Lib().force_jitter.insert(chunk);
}
CR_EXPORT void CRTest_ForceFailureAt(int32_t chunk) { Lib().force_failure = chunk; }
CR_EXPORT void CRTest_ForceDoneAtOnce(int32_t on) { Lib().force_done = on != 0; }
CR_EXPORT void CRTest_Reset() {
  Library& lib = Lib();
  lib.force_jitter.clear();
  lib.force_failure = -1;
  lib.force_done = false;
}
