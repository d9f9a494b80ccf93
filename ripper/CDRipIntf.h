// The CD-ripping library's binding, the program's one disc record and the
// CD time conversions. Main thread only.
#pragma once

#include <cstdint>

#include "platform/core/types.h"

#pragma pack(push, 1)
// A drive's parameters as the library keeps them (360 bytes).
struct TCDRomParams {
  char lpszCDROMID[256];
  int32_t nNumReadSectors;       // 256
  int32_t nNumOverlapSectors;    // 260
  int32_t nNumCompareSectors;    // 264
  int32_t nOffsetStart;          // 268
  int32_t nOffsetEnd;            // 272
  int32_t nSpeed;                // 276
  int32_t nSpinUpTime;           // 280
  int32_t bJitterCorrection;     // 284
  int32_t bSwapLefRightChannel;  // 288
  uint8_t DriveTable[36];        // 292
  int32_t nAspiRetries;          // 328
  int32_t nAspiTimeOut;          // 332
  int32_t bEnableMultiRead;      // 336
  int32_t bMultiReadFirstOnly;   // 340
  int32_t nMultiRead;            // 344
  int32_t bLockDuringRead;       // 348
  int32_t nRippingMode;          // 352
  int32_t nParanoiaMode;         // 356
};
static_assert(sizeof(TCDRomParams) == 360);

// One table-of-contents entry as the library fills it.
struct TTocEntry {
  uint32_t dwStartSector;
  uint8_t btFlag;  // 4: data track
  uint8_t btTrackNumber;
};
static_assert(sizeof(TTocEntry) == 6);
#pragma pack(pop)

struct TTrackInfo {
  uint8_t TrackNo = 0;
  uint8_t IsAudio = 0;
  uint32_t StartMSF = 0;
  uint32_t LengthMSF = 0;
  uint32_t StartLBA = 0;
  uint32_t LengthSectors = 0;
};

struct TDiscInfo {
  uint16_t Kind = 0;  // 0 no audio, 1 audio only, 2 audio and data
  uint32_t DiscId = 0;
  uint16_t FirstTrack = 0;
  uint16_t LastTrack = 0;
  int16_t TrackCount = 0;
  uint32_t FirstStart = 0;
  uint32_t DiscEnd = 0;
  uint32_t TotalAudio = 0;
  uint32_t LeadOut = 0;
  TTrackInfo Tracks[100];
};

extern TDiscInfo DiscInfo;

// The library's entry points, bound by name; an entry point the library
// lacks stays null.
using TCR_Init = int32_t (*)(const char*);
using TCR_GetLong = int32_t (*)();
using TCR_SetLong = void (*)(int32_t);
using TCR_GetCDROMID = int32_t (*)(char*, int32_t);
using TCR_GetCDROMIDByIndex = const char* (*)(int32_t);
using TCR_LongArg = int32_t (*)(int32_t);
using TCR_IsMMC = int32_t (*)(char*);
using TCR_Params = int32_t (*)(TCDRomParams*);
using TCR_OpenRipper = int32_t (*)(int32_t*, int32_t, int32_t);
using TCR_RipChunk = int32_t (*)(uint8_t*, int32_t*, int32_t);
using TCR_GetPeakValue = int32_t (*)(int32_t*, int32_t*);
using TCR_NormalizeChunk = void (*)(int16_t*, int32_t, double);
using TCR_GetTocEntry = int32_t (*)(int32_t, TTocEntry*);
using TCR_GetSenseKey2 = int32_t (*)(uint8_t*);
using TCR_PlaySection = int32_t (*)(int32_t, int32_t);
using TCR_Position = int32_t (*)(uint32_t*);
using TCR_SetPosition = int32_t (*)(uint32_t);
using TCR_SubChannel = int32_t (*)(int32_t*, int32_t*, int32_t*);
using TCR_ReadCDText = int32_t (*)(uint8_t*, int32_t, int32_t*);
using TCR_ScanForC2Errors = int32_t (*)(int32_t, int32_t, int32_t*, int32_t*);

extern TCR_Init CR_Init;
extern TCR_GetLong CR_GetCDRipVersion;
extern TCR_GetLong CR_GetNumCDROM;
extern TCR_SetLong CR_SetActiveCDROM;
extern TCR_GetLong CR_GetActiveCDROM;
extern TCR_GetCDROMID CR_GetCDROMID;
extern TCR_GetCDROMIDByIndex CR_GetCDROMIDByIndex;
extern TCR_LongArg CR_SelectCDROMType;
extern TCR_GetLong CR_GetCDROMType;
extern TCR_IsMMC CR_IsMMC;
extern TCR_Params CR_GetCDROMParameters;
extern TCR_Params CR_SetCDROMParameters;
extern TCR_OpenRipper CR_OpenRipper;
extern TCR_GetLong CR_CloseRipper;
extern TCR_RipChunk CR_RipChunk;
extern TCR_GetPeakValue CR_GetPeakValue;
extern TCR_GetLong CR_GetPercentCompleted;
extern TCR_GetLong CR_GetNumberOfJitterErrors;
extern TCR_GetLong CR_GetJitterPosition;
extern TCR_GetLong CR_GetLastJitterErrorPosition;
extern TCR_NormalizeChunk CR_NormalizeChunk;
extern TCR_GetLong CR_LoadSettings;
extern TCR_GetLong CR_SaveSettings;
extern TCR_GetLong CR_ReadToc;
extern TCR_GetLong CR_GetNumTocEntries;
extern TCR_GetTocEntry CR_GetTocEntry;
extern TCR_GetTocEntry CR_GetTocEntry2;
extern TCR_GetLong CR_GetSenseKey;
extern TCR_GetSenseKey2 CR_GetSenseKey2;
extern TCR_GetLong CR_IsUnitReady;
extern TCR_GetLong CR_IsMediaLoaded;
extern TCR_LongArg CR_LockCD;
extern TCR_GetLong CR_DriveStatus;
extern TCR_LongArg CR_EjectCD;
extern TCR_GetLong CR_IsAudioPlaying;
extern TCR_LongArg CR_PlayTrack;
extern TCR_PlaySection CR_PlaySection;
extern TCR_Position CR_GetPlayPosition;
extern TCR_SetPosition CR_SetPlayPosition;
extern TCR_GetLong CR_StopPlayTrack;
extern TCR_LongArg CR_PauseCD;
extern TCR_SubChannel CR_GetSubChannelTrackInfo;
extern TCR_ReadCDText CR_ReadCDText;
extern TCR_GetLong CR_GetTransportLayer;
extern TCR_LongArg CR_SetTransportLayer;
extern TCR_ScanForC2Errors CR_ScanForC2Errors;

// Packed CD time: minutes << 16 | seconds << 8 | frames, 75 frames a second.
void SplitMSF(uint32_t MSF, uint8_t& Minutes, uint8_t& Seconds, uint8_t& Frames);
uint32_t FramesToMSF(uint32_t Frames);
uint32_t MSFToFrames(uint32_t MSF);
int32_t MSFToLBA(uint32_t MSF);
uint32_t LBAToMSF(int32_t LBA);
uint32_t AddMSF(uint32_t Position, uint32_t Length);

// Loads "CDRIP3.DLL" and binds its entry points (once); false when it
// cannot be loaded.
bool LoadCDRipDLL();
// Loads and initialises the library with "CDRipper.ini" (what the unit
// does as the program starts; tests call it again after changing the
// program folder). Frees it first when it was loaded.
void InitCDRip();
// Closes the MCI device and frees the library.
void DoneCDRip();
bool CDRipReady();

// The MCI CD-audio device kept open beside the library.
DWORD MCICDDeviceCount();
void MCIOpenCD();
void MCICloseCD();
bool MCIIsOpen();
void MCIGetLastTrack(int& TrackCount, uint32_t& LastStart, uint32_t& LastLength);
void SelectCDROM(int Index);

// 0 success, 1 no (or a malformed) table of contents, 6 no disc.
int ReadDiscInfo(TDiscInfo& Info);
uint32_t CalcDiscID(const TDiscInfo& Info);
