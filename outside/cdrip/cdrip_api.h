// CDRIP3.DLL: the CD-ripping library's calls and records. Drives are the
// CD letters in order; index 0 is the first.
#pragma once

#include <cstdint>

extern "C" {

using CDEX_ERR = int32_t;
constexpr CDEX_ERR CDEX_OK = 0;
constexpr CDEX_ERR CDEX_ERROR = 1;
constexpr CDEX_ERR CDEX_FILEOPEN_ERROR = 2;
constexpr CDEX_ERR CDEX_JITTER_ERROR = 3;
constexpr CDEX_ERR CDEX_RIPPING_DONE = 4;
constexpr CDEX_ERR CDEX_NOT_SUPPORTED = 5;

// CR_DriveStatus values.
constexpr int32_t CDDRIVE_STATUS_NONE = 0;
constexpr int32_t CDDRIVE_STATUS_PLAYING = 17;
constexpr int32_t CDDRIVE_STATUS_PAUSED = 18;
constexpr int32_t CDDRIVE_STATUS_COMPLETED = 19;
constexpr int32_t CDDRIVE_STATUS_ERROR = 20;

// A drive's parameters, 360 bytes. Reading sets the chunk size
// (sectors per read), the ripping mode (0 plain reads, 1 error-corrected
// reads) and the correction mode.
#pragma pack(push, 1)
struct CDROMPARAMS {
  char lpszCDROMID[256];
  int32_t nNumReadSectors;      // 256
  int32_t nNumOverlapSectors;   // 260
  int32_t nNumCompareSectors;   // 264
  int32_t nOffsetStart;         // 268
  int32_t nOffsetEnd;           // 272
  int32_t nSpeed;               // 276
  int32_t nSpinUpTime;          // 280
  int32_t bJitterCorrection;    // 284
  int32_t bSwapLeftRightChannel;  // 288
  uint8_t driveTable[36];       // 292
  int32_t nAspiRetries;         // 328
  int32_t nAspiTimeOut;         // 332
  int32_t bEnableMultiRead;     // 336
  int32_t bMultiReadFirstOnly;  // 340
  int32_t nMultiRead;           // 344
  int32_t bLockDuringRead;      // 348
  int32_t nRippingMode;         // 352
  int32_t nParanoiaMode;        // 356
};
static_assert(sizeof(CDROMPARAMS) == 360);

// One table entry; index = CR_GetNumTocEntries gives the lead-out.
struct TOCENTRY2 {
  uint32_t dwStartSector;
  uint8_t btFlag;  // 4: data track
  uint8_t btTrackNumber;
};
static_assert(sizeof(TOCENTRY2) == 6);
#pragma pack(pop)

constexpr uint8_t CDROMDATAFLAG = 4;

CDEX_ERR CR_Init(const char* ini_file_name);
int32_t CR_GetCDRipVersion();
int32_t CR_GetNumCDROM();
void CR_SetActiveCDROM(int32_t index);
int32_t CR_GetActiveCDROM();
CDEX_ERR CR_GetCDROMID(char* text, int32_t size);
const char* CR_GetCDROMIDByIndex(int32_t index);
CDEX_ERR CR_SelectCDROMType(int32_t type);
int32_t CR_GetCDROMType();
int32_t CR_IsMMC(char* text);
CDEX_ERR CR_GetCDROMParameters(CDROMPARAMS* params);
CDEX_ERR CR_SetCDROMParameters(const CDROMPARAMS* params);
// `buffer_size` gets the bytes one CR_RipChunk delivers at most.
CDEX_ERR CR_OpenRipper(int32_t* buffer_size, int32_t first_sector, int32_t last_sector);
CDEX_ERR CR_CloseRipper();
// 0 with bytes while sectors remain, then 4 with none; 3 for a chunk the
// correction could not mend (its bytes filled); other values on failure.
CDEX_ERR CR_RipChunk(uint8_t* buffer, int32_t* bytes_read, int32_t abort);
CDEX_ERR CR_GetPeakValue(int32_t* left, int32_t* right);
// Truncated: 100 only once the last sector is read.
int32_t CR_GetPercentCompleted();
int32_t CR_GetNumberOfJitterErrors();
int32_t CR_GetJitterPosition();
int32_t CR_GetLastJitterErrorPosition();
void CR_NormalizeChunk(int16_t* samples, int32_t count, double factor);
CDEX_ERR CR_LoadSettings();
CDEX_ERR CR_SaveSettings();
CDEX_ERR CR_ReadToc();
int32_t CR_GetNumTocEntries();
CDEX_ERR CR_GetTocEntry(int32_t index, TOCENTRY2* entry);
CDEX_ERR CR_GetTocEntry2(int32_t index, TOCENTRY2* entry);
int32_t CR_GetSenseKey();
int32_t CR_GetSenseKey2(uint8_t* sense);
int32_t CR_IsUnitReady();
int32_t CR_IsMediaLoaded();
CDEX_ERR CR_LockCD(int32_t locked);
int32_t CR_DriveStatus();
CDEX_ERR CR_EjectCD(int32_t open);
int32_t CR_IsAudioPlaying();
CDEX_ERR CR_PlayTrack(int32_t track);
CDEX_ERR CR_PlaySection(int32_t start_sector, int32_t end_sector);
CDEX_ERR CR_GetPlayPosition(uint32_t* sector);
CDEX_ERR CR_SetPlayPosition(uint32_t sector);
CDEX_ERR CR_StopPlayTrack();
CDEX_ERR CR_PauseCD(int32_t pause);
CDEX_ERR CR_GetSubChannelTrackInfo(int32_t* track, int32_t* index, int32_t* position);
CDEX_ERR CR_ReadCDText(uint8_t* buffer, int32_t size, int32_t* read);
int32_t CR_GetTransportLayer();
CDEX_ERR CR_SetTransportLayer(int32_t layer);
CDEX_ERR CR_ScanForC2Errors(int32_t first_sector, int32_t sectors, int32_t* errors, int32_t* error_sectors);

// For tests: the chunk (counted from 0 since CR_OpenRipper) that answers
// 3, the one that fails (1), and whether the next rip ends at once (4).
// Negative numbers clear them; CRTest_Reset clears everything.
void CRTest_ForceJitterAt(int32_t chunk);
void CRTest_ForceFailureAt(int32_t chunk);
void CRTest_ForceDoneAtOnce(int32_t on);
void CRTest_Reset();
}
