#include "ripper/CDRipIntf.h"

#include "platform/core/modules.h"
#include "platform/mm/mci.h"

TDiscInfo DiscInfo;

TCR_Init CR_Init;
TCR_GetLong CR_GetCDRipVersion;
TCR_GetLong CR_GetNumCDROM;
TCR_SetLong CR_SetActiveCDROM;
TCR_GetLong CR_GetActiveCDROM;
TCR_GetCDROMID CR_GetCDROMID;
TCR_GetCDROMIDByIndex CR_GetCDROMIDByIndex;
TCR_LongArg CR_SelectCDROMType;
TCR_GetLong CR_GetCDROMType;
TCR_IsMMC CR_IsMMC;
TCR_Params CR_GetCDROMParameters;
TCR_Params CR_SetCDROMParameters;
TCR_OpenRipper CR_OpenRipper;
TCR_GetLong CR_CloseRipper;
TCR_RipChunk CR_RipChunk;
TCR_GetPeakValue CR_GetPeakValue;
TCR_GetLong CR_GetPercentCompleted;
TCR_GetLong CR_GetNumberOfJitterErrors;
TCR_GetLong CR_GetJitterPosition;
TCR_GetLong CR_GetLastJitterErrorPosition;
TCR_NormalizeChunk CR_NormalizeChunk;
TCR_GetLong CR_LoadSettings;
TCR_GetLong CR_SaveSettings;
TCR_GetLong CR_ReadToc;
TCR_GetLong CR_GetNumTocEntries;
TCR_GetTocEntry CR_GetTocEntry;
TCR_GetTocEntry CR_GetTocEntry2;
TCR_GetLong CR_GetSenseKey;
TCR_GetSenseKey2 CR_GetSenseKey2;
TCR_GetLong CR_IsUnitReady;
TCR_GetLong CR_IsMediaLoaded;
TCR_LongArg CR_LockCD;
TCR_GetLong CR_DriveStatus;
TCR_LongArg CR_EjectCD;
TCR_GetLong CR_IsAudioPlaying;
TCR_LongArg CR_PlayTrack;
TCR_PlaySection CR_PlaySection;
TCR_Position CR_GetPlayPosition;
TCR_SetPosition CR_SetPlayPosition;
TCR_GetLong CR_StopPlayTrack;
TCR_LongArg CR_PauseCD;
TCR_SubChannel CR_GetSubChannelTrackInfo;
TCR_ReadCDText CR_ReadCDText;
TCR_GetLong CR_GetTransportLayer;
TCR_LongArg CR_SetTransportLayer;
TCR_ScanForC2Errors CR_ScanForC2Errors;

namespace {

HMODULE g_library = nullptr;
bool g_ready = false;
MCIDEVICEID g_mci_device = 0;
bool g_mci_open = false;

// The most entries a table of contents can have.
constexpr int kMaxEntries = 99;

template <class F>
void Bind(F& variable, const char* name) {
  variable = reinterpret_cast<F>(GetProcAddress(g_library, name));
}

void BindAll(bool bind) {
  auto set = [bind](auto& variable, const char* name) {
    if (bind) Bind(variable, name);
    else variable = nullptr;
  };
  set(CR_Init, "CR_Init");
  set(CR_GetCDRipVersion, "CR_GetCDRipVersion");
  set(CR_GetNumCDROM, "CR_GetNumCDROM");
  set(CR_SetActiveCDROM, "CR_SetActiveCDROM");
  set(CR_GetActiveCDROM, "CR_GetActiveCDROM");
  set(CR_GetCDROMID, "CR_GetCDROMID");
  set(CR_GetCDROMIDByIndex, "CR_GetCDROMIDByIndex");
  set(CR_SelectCDROMType, "CR_SelectCDROMType");
  set(CR_GetCDROMType, "CR_GetCDROMType");
  set(CR_IsMMC, "CR_IsMMC");
  set(CR_GetCDROMParameters, "CR_GetCDROMParameters");
  set(CR_SetCDROMParameters, "CR_SetCDROMParameters");
  set(CR_OpenRipper, "CR_OpenRipper");
  set(CR_CloseRipper, "CR_CloseRipper");
  set(CR_RipChunk, "CR_RipChunk");
  set(CR_GetPeakValue, "CR_GetPeakValue");
  set(CR_GetPercentCompleted, "CR_GetPercentCompleted");
  set(CR_GetNumberOfJitterErrors, "CR_GetNumberOfJitterErrors");
  set(CR_GetJitterPosition, "CR_GetJitterPosition");
  set(CR_GetLastJitterErrorPosition, "CR_GetLastJitterErrorPosition");
  set(CR_NormalizeChunk, "CR_NormalizeChunk");
  set(CR_LoadSettings, "CR_LoadSettings");
  set(CR_SaveSettings, "CR_SaveSettings");
  set(CR_ReadToc, "CR_ReadToc");
  set(CR_GetNumTocEntries, "CR_GetNumTocEntries");
  set(CR_GetTocEntry, "CR_GetTocEntry");
  set(CR_GetTocEntry2, "CR_GetTocEntry2");
  set(CR_GetSenseKey, "CR_GetSenseKey");
  set(CR_GetSenseKey2, "CR_GetSenseKey2");
  set(CR_IsUnitReady, "CR_IsUnitReady");
  set(CR_IsMediaLoaded, "CR_IsMediaLoaded");
  set(CR_LockCD, "CR_LockCD");
  set(CR_DriveStatus, "CR_DriveStatus");
  set(CR_EjectCD, "CR_EjectCD");
  set(CR_IsAudioPlaying, "CR_IsAudioPlaying");
  set(CR_PlayTrack, "CR_PlayTrack");
  set(CR_PlaySection, "CR_PlaySection");
  set(CR_GetPlayPosition, "CR_GetPlayPosition");
  set(CR_SetPlayPosition, "CR_SetPlayPosition");
  set(CR_StopPlayTrack, "CR_StopPlayTrack");
  set(CR_PauseCD, "CR_PauseCD");
  set(CR_GetSubChannelTrackInfo, "CR_GetSubChannelTrackInfo");
  set(CR_ReadCDText, "CR_ReadCDText");
  set(CR_GetTransportLayer, "CR_GetTransportLayer");
  set(CR_SetTransportLayer, "CR_SetTransportLayer");
  set(CR_ScanForC2Errors, "CR_ScanForC2Errors");
}

// MCI's MSF word (minute, second, frame from the low byte up) as a packed
// CD time word.
uint32_t FromMciMSF(DWORD_PTR value) {
  return static_cast<uint32_t>((value & 0xFF) << 16 | ((value >> 8) & 0xFF) << 8 | ((value >> 16) & 0xFF));
}

struct UnitLife {
  UnitLife() { InitCDRip(); }
  ~UnitLife() { DoneCDRip(); }
};
UnitLife g_unit_life;

}  // namespace

void SplitMSF(uint32_t MSF, uint8_t& Minutes, uint8_t& Seconds, uint8_t& Frames) {
  Minutes = static_cast<uint8_t>(MSF >> 16);
  Seconds = static_cast<uint8_t>(MSF >> 8);
  Frames = static_cast<uint8_t>(MSF);
}

uint32_t FramesToMSF(uint32_t Frames) { return (Frames / 4500) << 16 | ((Frames / 75) % 60) << 8 | Frames % 75; }

uint32_t MSFToFrames(uint32_t MSF) {
  uint8_t m, s, f;
  SplitMSF(MSF, m, s, f);
  return m * 4500u + s * 75u + f;
}

int32_t MSFToLBA(uint32_t MSF) { return static_cast<int32_t>(MSFToFrames(MSF)) - 150; }
uint32_t LBAToMSF(int32_t LBA) { return FramesToMSF(static_cast<uint32_t>(LBA + 150)); }
uint32_t AddMSF(uint32_t Position, uint32_t Length) {
  return LBAToMSF(MSFToLBA(Position) + static_cast<int32_t>(MSFToFrames(Length)));
}

bool LoadCDRipDLL() {
  if (g_library) return true;
  g_library = LoadLibrary("CDRIP3.DLL");
  if (!g_library) return false;
  BindAll(true);
  return true;
}

void InitCDRip() {
  DoneCDRip();
  g_ready = LoadCDRipDLL() && CR_Init && CR_Init("CDRipper.ini") == 0;
}

void DoneCDRip() {
  MCICloseCD();
  g_ready = false;
  if (g_library) {
    FreeLibrary(g_library);
    g_library = nullptr;
  }
  BindAll(false);
}

bool CDRipReady() { return g_ready; }

DWORD MCICDDeviceCount() {
  MCI_SYSINFO_PARMS params;
  DWORD count = 0;
  params.lpstrReturn = reinterpret_cast<LPSTR>(&count);
  params.dwRetSize = sizeof(count);
  params.wDeviceType = MCI_DEVTYPE_CD_AUDIO;
  if (mciSendCommand(0, MCI_SYSINFO, MCI_SYSINFO_QUANTITY, reinterpret_cast<DWORD_PTR>(&params)) != 0) return 0;
  return count;
}

void MCIOpenCD() {
  if (g_mci_open || !CR_GetNumCDROM || !CR_GetActiveCDROM || CR_GetNumCDROM() < 1) return;
  const int32_t index = CR_GetActiveCDROM();
  if (index < 0 || static_cast<DWORD>(index) >= MCICDDeviceCount()) return;
  MCI_OPEN_PARMS params;
  params.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(index) << 16 | MCI_DEVTYPE_CD_AUDIO);
  if (mciSendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID, reinterpret_cast<DWORD_PTR>(&params)) == 0) {
    g_mci_device = params.wDeviceID;
    g_mci_open = true;
  }
}

void MCICloseCD() {
  if (!g_mci_open) return;
  if (mciSendCommand(g_mci_device, MCI_CLOSE, 0, 0) == 0) g_mci_open = false;
}

bool MCIIsOpen() { return g_mci_open; }

void MCIGetLastTrack(int& TrackCount, uint32_t& LastStart, uint32_t& LastLength) {
  TrackCount = 0;
  LastStart = 0;
  LastLength = 0;
  if (!g_mci_open) return;
  MCI_STATUS_PARMS status;
  status.dwItem = MCI_STATUS_NUMBER_OF_TRACKS;
  if (mciSendCommand(g_mci_device, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)) != 0) return;
  const int count = static_cast<int>(status.dwReturn);
  MCI_SET_PARMS set;
  set.dwTimeFormat = MCI_FORMAT_MSF;
  if (mciSendCommand(g_mci_device, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set)) != 0) return;
  MCI_STATUS_PARMS position;
  position.dwItem = MCI_STATUS_POSITION;
  position.dwTrack = static_cast<DWORD>(count);
  if (mciSendCommand(g_mci_device, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&position)) != 0)
    return;
  MCI_STATUS_PARMS length;
  length.dwItem = MCI_STATUS_LENGTH;
  length.dwTrack = static_cast<DWORD>(count);
  if (mciSendCommand(g_mci_device, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&length)) != 0)
    return;
  TrackCount = count;
  LastStart = FromMciMSF(position.dwReturn);
  LastLength = FromMciMSF(length.dwReturn);
}

void SelectCDROM(int Index) {
  if (!CR_GetNumCDROM || !CR_GetActiveCDROM || !CR_SetActiveCDROM) return;
  if (Index < 0 || Index >= CR_GetNumCDROM() || Index == CR_GetActiveCDROM()) return;
  CR_SetActiveCDROM(Index);
  MCICloseCD();
  if (static_cast<DWORD>(Index) < MCICDDeviceCount()) MCIOpenCD();
}

int ReadDiscInfo(TDiscInfo& Info) {
  Info.TrackCount = 0;
  if (!CR_IsMediaLoaded || !CR_IsMediaLoaded()) return 6;
  if (!CR_ReadToc || !CR_GetNumTocEntries || !CR_GetTocEntry2 || CR_ReadToc() != 0) return 1;
  const int n = CR_GetNumTocEntries();
  // A table the record cannot hold, or whose starts do not rise to the
  // lead-out, would give wrapped lengths: refuse it.
  if (n < 1 || n > kMaxEntries) return 1;
  TTocEntry entries[kMaxEntries + 1];
  for (int i = 0; i <= n; ++i) {
    if (CR_GetTocEntry2(i, &entries[i]) != 0) return 1;
    if (i > 0 && entries[i].dwStartSector <= entries[i - 1].dwStartSector) return 1;
  }
  if (entries[n].dwStartSector > 0x7FFFFFFFu - 150) return 1;

  TDiscInfo read = Info;
  read.TotalAudio = 0;
  read.LeadOut = LBAToMSF(static_cast<int32_t>(entries[n].dwStartSector));
  int32_t last_end = static_cast<int32_t>(entries[n].dwStartSector) - 1;
  for (int i = n - 1; i >= 0; --i) {
    TTrackInfo& t = read.Tracks[i];
    const int32_t start = static_cast<int32_t>(entries[i].dwStartSector);
    t.TrackNo = entries[i].btTrackNumber;
    t.IsAudio = (entries[i].btFlag & 4) ? 0 : 1;
    t.StartMSF = LBAToMSF(start);
    t.LengthMSF = FramesToMSF(static_cast<uint32_t>(last_end - start + 1));
    t.StartLBA = static_cast<uint32_t>(start);
    t.LengthSectors = static_cast<uint32_t>(last_end - start + 1);
    if (i > 0) last_end = start - 1;
  }
  read.FirstTrack = entries[0].btTrackNumber;
  read.LastTrack = entries[n - 1].btTrackNumber;
  read.FirstStart = LBAToMSF(static_cast<int32_t>(entries[0].dwStartSector));

  // MCI knows the true length of the last track of a disc whose data
  // session follows its audio; it applies only when MCI sees the same
  // tracks as the table.
  int mci_tracks = 0;
  uint32_t mci_start = 0, mci_length = 0;
  MCIGetLastTrack(mci_tracks, mci_start, mci_length);
  if (mci_tracks > 0 && mci_tracks == n) read.Tracks[mci_tracks - 1].LengthMSF = mci_length;

  read.DiscEnd = AddMSF(read.Tracks[n - 1].StartMSF, read.Tracks[n - 1].LengthMSF);
  bool audio = false, data = false;
  uint32_t sum = 0;
  for (int i = 0; i < n; ++i) {
    if (read.Tracks[i].IsAudio == 0) {
      data = true;
    } else {
      audio = true;
      sum += read.Tracks[i].LengthSectors;
    }
  }
  read.Kind = audio && data ? 2 : audio ? 1 : 0;
  if (read.Kind != 0) read.TotalAudio = FramesToMSF(sum);
  read.TrackCount = static_cast<int16_t>(n);
  read.DiscId = CalcDiscID(read);
  Info = read;
  return 0;
}

uint32_t CalcDiscID(const TDiscInfo& Info) {
  if (Info.TrackCount <= 0) return 0;
  uint32_t sum = 0;
  for (int i = 0; i < Info.TrackCount && i < 100; ++i) sum += Info.Tracks[i].StartMSF;
  if (Info.TrackCount >= 3) return sum;
  const uint32_t frame = Info.Tracks[0].StartMSF & 0xFF;
  uint8_t m, s, f;
  SplitMSF(Info.TotalAudio, m, s, f);
  uint32_t id = sum + frame + m * 4500u + s * 75u + f;
  if (id > 0xFFFFF) id -= 33;
  return id;
}
