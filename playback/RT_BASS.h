// Run-time binding of the audio library bass.dll.
//
// The player never links bass.dll: Load_BASSDLL loads it from a folder and
// looks up every entry point by name into a procedure variable of the same
// name in this namespace (RT_BASS::BASS_Init and so on). Every entry point is
// required, also those the program never calls; a library lacking one is not
// bound at all. The variables are null while the library is unbound.
#pragma once

#include <string>

#include "outside/bass/bass_api.h"
#include "platform/core/modules.h"
#include "platform/core/types.h"

// Every entry point of bass.dll, in the order they are looked up.
#define VELKO_BASS_ENTRY_POINTS(X)                                                              \
  /* device and global */                                                                      \
  X(BASS_GetVersion) X(BASS_GetDeviceDescription) X(BASS_SetBufferLength)                      \
  X(BASS_SetGlobalVolumes) X(BASS_GetGlobalVolumes) X(BASS_SetLogCurves) X(BASS_Set3DAlgorithm) \
  X(BASS_ErrorGetCode) X(BASS_Init) X(BASS_Free) X(BASS_GetDSoundObject) X(BASS_GetInfo)       \
  X(BASS_GetCPU) X(BASS_Start) X(BASS_Stop) X(BASS_Pause) X(BASS_SetVolume) X(BASS_GetVolume)  \
  /* 3D and EAX */                                                                             \
  X(BASS_Set3DFactors) X(BASS_Get3DFactors) X(BASS_Set3DPosition) X(BASS_Get3DPosition)        \
  X(BASS_Apply3D) X(BASS_SetEAXParameters) X(BASS_GetEAXParameters)                            \
  /* music */                                                                                  \
  X(BASS_MusicLoad) X(BASS_MusicFree) X(BASS_MusicGetName) X(BASS_MusicGetLength)              \
  X(BASS_MusicPlay) X(BASS_MusicPlayEx) X(BASS_MusicSetAmplify) X(BASS_MusicSetPanSep)         \
  X(BASS_MusicSetPositionScaler)                                                               \
  /* samples */                                                                                \
  X(BASS_SampleLoad) X(BASS_SampleCreate) X(BASS_SampleCreateDone) X(BASS_SampleFree)          \
  X(BASS_SampleGetInfo) X(BASS_SampleSetInfo) X(BASS_SamplePlay) X(BASS_SamplePlayEx)         \
  X(BASS_SamplePlay3D) X(BASS_SamplePlay3DEx) X(BASS_SampleStop)                               \
  /* streams */                                                                                \
  X(BASS_StreamCreate) X(BASS_StreamCreateFile) X(BASS_StreamFree) X(BASS_StreamGetLength)     \
  X(BASS_StreamPlay)                                                                           \
  /* CD */                                                                                     \
  X(BASS_CDInit) X(BASS_CDFree) X(BASS_CDInDrive) X(BASS_CDPlay)                               \
  /* channels */                                                                               \
  X(BASS_ChannelGetFlags) X(BASS_ChannelStop) X(BASS_ChannelPause) X(BASS_ChannelResume)       \
  X(BASS_ChannelSetAttributes) X(BASS_ChannelGetAttributes) X(BASS_ChannelSet3DAttributes)     \
  X(BASS_ChannelGet3DAttributes) X(BASS_ChannelSet3DPosition) X(BASS_ChannelGet3DPosition)     \
  X(BASS_ChannelSetPosition) X(BASS_ChannelGetPosition) X(BASS_ChannelGetLevel)                \
  X(BASS_ChannelGetData) X(BASS_ChannelSetSync) X(BASS_ChannelRemoveSync) X(BASS_ChannelSetDSP) \
  X(BASS_ChannelRemoveDSP) X(BASS_ChannelSetEAXMix) X(BASS_ChannelGetEAXMix)                   \
  /* further */                                                                                \
  X(BASS_StreamGetFilePosition) X(BASS_CDGetTracks) X(BASS_CDGetTrackLength)                   \
  X(BASS_ChannelIsActive) X(BASS_CDGetID) X(BASS_ChannelSetFX) X(BASS_ChannelRemoveFX)         \
  X(BASS_FXSetParameters) X(BASS_FXGetParameters) X(BASS_ChannelSetLink)                       \
  X(BASS_ChannelRemoveLink) X(BASS_MusicPreBuf) X(BASS_StreamPreBuf) X(BASS_Update)            \
  X(BASS_StreamGetTags) X(BASS_StreamCreateURL) X(BASS_ChannelBytes2Seconds)                   \
  X(BASS_ChannelSeconds2Bytes) X(BASS_SetCLSID) X(BASS_MusicSetChannelVol)                     \
  X(BASS_MusicGetChannelVol)                                                                   \
  /* recording and network */                                                                  \
  X(BASS_RecordGetDeviceDescription) X(BASS_RecordInit) X(BASS_RecordFree)                     \
  X(BASS_RecordGetInfo) X(BASS_RecordStart) X(BASS_CDDoor) X(BASS_RecordGetInputName)          \
  X(BASS_RecordSetInput) X(BASS_RecordGetInput) X(BASS_SetNetConfig)                           \
  X(BASS_ChannelSlideAttributes) X(BASS_ChannelIsSliding)

namespace RT_BASS {

#define VELKO_DECLARE_ENTRY_POINT(name) extern decltype(&::name) name;
VELKO_BASS_ENTRY_POINTS(VELKO_DECLARE_ENTRY_POINT)
#undef VELKO_DECLARE_ENTRY_POINT

// Number of entry points looked up (107).
extern const int EntryPointCount;

// The library handle; null while unbound.
HMODULE LibraryHandle();

// What both binding units share: one named entry point and how to store
// the address found for it (null clears the variable).
struct EntryPoint {
  const char* name;
  void (*assign)(FARPROC address);
};

// Loads the library at `path` with the error boxes suppressed and looks up
// every entry point in order. When the load fails or any name is missing,
// frees the library, clears every variable and returns null.
HMODULE LoadAndBind(const std::string& path, const EntryPoint* entries, int count);
// Folder + "\" + DllName, without doubling a trailing backslash.
std::string LibraryPath(const std::string& Folder, const std::string& DllName);

}  // namespace RT_BASS

// Loads Folder + "\" + DllName (no second backslash when Folder ends in one)
// with the critical-error and open-file boxes suppressed, and binds every
// entry point. True when bound (at once when already bound); false, with
// nothing bound and the library freed, when the file cannot be loaded or
// lacks an entry point.
bool Load_BASSDLL(const std::string& Folder, const std::string& DllName);
// Calls BASS_Free (when bound), frees the library and clears every variable.
void Unload_BASSDLL();
