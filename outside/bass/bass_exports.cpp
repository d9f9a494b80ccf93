// The entry points of bass.dll. The calls the player makes go to the audio
// core; the rest (samples, 3D, EAX, CD, recording, network) answer FALSE or
// 0 with BASS_ERROR_NOTAVAIL.
#include "outside/bass/bass_api.h"
#include "outside/bass/core/audio_core.h"
#include "outside/bass/core/last_error.h"

// Test builds of the same sources may report another version.
#ifndef VELKO_BASS_VERSION
#define VELKO_BASS_VERSION 0x00070001
#endif

using audio::Core;

namespace {

template <class T>
T NotAvailable(T result) {
  return audio::Fail(BASS_ERROR_NOTAVAIL, result);
}

}  // namespace

extern "C" {

// ---- Device and global ----

DWORD BASS_GetVersion() { return VELKO_BASS_VERSION; }
const char* BASS_GetDeviceDescription(int) { return NotAvailable<const char*>(nullptr); }
float BASS_SetBufferLength(float) { return NotAvailable(0.0f); }
BOOL BASS_SetGlobalVolumes(int music, int sample, int stream) {
  return Core::Get().SetGlobalVolumes(music, sample, stream);
}
BOOL BASS_GetGlobalVolumes(int* music, int* sample, int* stream) {
  return Core::Get().GetGlobalVolumes(music, sample, stream);
}
void BASS_SetLogCurves(BOOL, BOOL) { audio::SetLastError(BASS_ERROR_NOTAVAIL); }
void BASS_Set3DAlgorithm(DWORD) { audio::SetLastError(BASS_ERROR_NOTAVAIL); }
DWORD BASS_ErrorGetCode() { return audio::LastError(); }
BOOL BASS_Init(int device, DWORD freq, DWORD, HWND) { return Core::Get().Init(device, freq); }
BOOL BASS_Free() { return Core::Get().Free(); }
void* BASS_GetDSoundObject(DWORD) { return NotAvailable<void*>(nullptr); }
void BASS_GetInfo(BASS_INFO* info) { Core::Get().GetInfo(info); }
float BASS_GetCPU() { return NotAvailable(0.0f); }
BOOL BASS_Start() { return Core::Get().Start(); }
BOOL BASS_Stop() { return Core::Get().Stop(); }
BOOL BASS_Pause() { return Core::Get().Pause(); }
BOOL BASS_SetVolume(DWORD) { return NotAvailable(FALSE); }
int BASS_GetVolume() { return NotAvailable(-1); }

// ---- 3D and EAX ----

BOOL BASS_Set3DFactors(float, float, float) { return NotAvailable(FALSE); }
BOOL BASS_Get3DFactors(float*, float*, float*) { return NotAvailable(FALSE); }
BOOL BASS_Set3DPosition(const BASS_3DVECTOR*, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                        const BASS_3DVECTOR*) {
  return NotAvailable(FALSE);
}
BOOL BASS_Get3DPosition(BASS_3DVECTOR*, BASS_3DVECTOR*, BASS_3DVECTOR*, BASS_3DVECTOR*) {
  return NotAvailable(FALSE);
}
void BASS_Apply3D() { audio::SetLastError(BASS_ERROR_NOTAVAIL); }
BOOL BASS_SetEAXParameters(int, float, float, float) { return NotAvailable(FALSE); }
BOOL BASS_GetEAXParameters(DWORD*, float*, float*, float*) { return NotAvailable(FALSE); }

// ---- Music ----

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD) {
  return Core::Get().LoadMusic(mem, file, offset, length);
}
BOOL BASS_MusicFree(HMUSIC handle) { return Core::Get().FreeChannel(handle, true); }
const char* BASS_MusicGetName(HMUSIC) { return NotAvailable<const char*>(nullptr); }
DWORD BASS_MusicGetLength(HMUSIC handle, BOOL playlen) {
  return Core::Get().MusicLength(handle, playlen);
}
BOOL BASS_MusicPlay(HMUSIC handle) { return Core::Get().Play(handle, false, true); }
BOOL BASS_MusicPlayEx(HMUSIC, DWORD, int, BOOL) { return NotAvailable(FALSE); }
BOOL BASS_MusicSetAmplify(HMUSIC, DWORD) { return NotAvailable(FALSE); }
BOOL BASS_MusicSetPanSep(HMUSIC, DWORD) { return NotAvailable(FALSE); }
BOOL BASS_MusicSetPositionScaler(HMUSIC, DWORD) { return NotAvailable(FALSE); }

// ---- Samples ----

HSAMPLE BASS_SampleLoad(BOOL, const void*, DWORD, DWORD, DWORD, DWORD) {
  return NotAvailable(HSAMPLE{0});
}
void* BASS_SampleCreate(DWORD, DWORD, DWORD, DWORD) { return NotAvailable<void*>(nullptr); }
HSAMPLE BASS_SampleCreateDone() { return NotAvailable(HSAMPLE{0}); }
BOOL BASS_SampleFree(HSAMPLE) { return NotAvailable(FALSE); }
BOOL BASS_SampleGetInfo(HSAMPLE, void*) { return NotAvailable(FALSE); }
BOOL BASS_SampleSetInfo(HSAMPLE, const void*) { return NotAvailable(FALSE); }
HCHANNEL BASS_SamplePlay(HSAMPLE) { return NotAvailable(HCHANNEL{0}); }
HCHANNEL BASS_SamplePlayEx(HSAMPLE, DWORD, int, int, int, BOOL) { return NotAvailable(HCHANNEL{0}); }
HCHANNEL BASS_SamplePlay3D(HSAMPLE, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                           const BASS_3DVECTOR*) {
  return NotAvailable(HCHANNEL{0});
}
HCHANNEL BASS_SamplePlay3DEx(HSAMPLE, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                             const BASS_3DVECTOR*, DWORD, int, int, BOOL) {
  return NotAvailable(HCHANNEL{0});
}
BOOL BASS_SampleStop(HSAMPLE) { return NotAvailable(FALSE); }

// ---- Streams ----

HSTREAM BASS_StreamCreate(DWORD freq, DWORD flags, STREAMPROC* proc, std::uintptr_t user) {
  return Core::Get().CreateUserStream(freq, flags, proc, user);
}
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD) {
  return Core::Get().CreateFileStream(mem, file, offset, length);
}
BOOL BASS_StreamFree(HSTREAM handle) { return Core::Get().FreeChannel(handle, false); }
QWORD BASS_StreamGetLength(HSTREAM handle) { return Core::Get().StreamLength(handle); }
BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD) {
  return Core::Get().Play(handle, flush != FALSE, false);
}

// ---- CD ----

BOOL BASS_CDInit(const char*, DWORD) { return NotAvailable(FALSE); }
BOOL BASS_CDFree() { return NotAvailable(FALSE); }
BOOL BASS_CDInDrive() { return NotAvailable(FALSE); }
HSTREAM BASS_CDPlay(DWORD, BOOL, BOOL) { return NotAvailable(HSTREAM{0}); }

// ---- Channels ----

DWORD BASS_ChannelGetFlags(DWORD handle) { return Core::Get().GetFlags(handle); }
BOOL BASS_ChannelStop(DWORD handle) { return Core::Get().ChannelStop(handle); }
BOOL BASS_ChannelPause(DWORD handle) { return Core::Get().ChannelPause(handle); }
BOOL BASS_ChannelResume(DWORD handle) { return Core::Get().ChannelResume(handle); }
BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
  return Core::Get().SetAttributes(handle, freq, volume, pan);
}
BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
  return Core::Get().GetAttributes(handle, freq, volume, pan);
}
BOOL BASS_ChannelSet3DAttributes(DWORD, int, float, float, int, int, int) {
  return NotAvailable(FALSE);
}
BOOL BASS_ChannelGet3DAttributes(DWORD, DWORD*, float*, float*, DWORD*, DWORD*, DWORD*) {
  return NotAvailable(FALSE);
}
BOOL BASS_ChannelSet3DPosition(DWORD, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                               const BASS_3DVECTOR*) {
  return NotAvailable(FALSE);
}
BOOL BASS_ChannelGet3DPosition(DWORD, BASS_3DVECTOR*, BASS_3DVECTOR*, BASS_3DVECTOR*) {
  return NotAvailable(FALSE);
}
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
  return Core::Get().SetPosition(handle, pos);
}
QWORD BASS_ChannelGetPosition(DWORD handle) { return Core::Get().GetPosition(handle); }
DWORD BASS_ChannelGetLevel(DWORD) { return NotAvailable(DWORD{0xFFFFFFFF}); }
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  return Core::Get().GetData(handle, buffer, length);
}
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                          std::uintptr_t user) {
  return Core::Get().SetSync(handle, type, param, proc, user);
}
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
  return Core::Get().RemoveSync(handle, sync);
}
HDSP BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, std::uintptr_t user) {
  return Core::Get().SetDsp(handle, proc, user);
}
BOOL BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp) { return Core::Get().RemoveDsp(handle, dsp); }
BOOL BASS_ChannelSetEAXMix(DWORD, float) { return NotAvailable(FALSE); }
BOOL BASS_ChannelGetEAXMix(DWORD, float*) { return NotAvailable(FALSE); }

// ---- Further ----

DWORD BASS_StreamGetFilePosition(HSTREAM, DWORD) { return NotAvailable(DWORD{0xFFFFFFFF}); }
DWORD BASS_CDGetTracks() { return NotAvailable(DWORD{0xFFFFFFFF}); }
DWORD BASS_CDGetTrackLength(DWORD) { return NotAvailable(DWORD{0xFFFFFFFF}); }
DWORD BASS_ChannelIsActive(DWORD handle) { return Core::Get().IsActive(handle); }
const char* BASS_CDGetID(DWORD) { return NotAvailable<const char*>(nullptr); }
HFX BASS_ChannelSetFX(DWORD handle, DWORD type) { return Core::Get().SetFx(handle, type); }
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx) { return Core::Get().RemoveFx(handle, fx); }
BOOL BASS_FXSetParameters(HFX handle, const void* params) {
  return Core::Get().FxSetParameters(handle, params);
}
BOOL BASS_FXGetParameters(HFX handle, void* params) {
  return Core::Get().FxGetParameters(handle, params);
}
BOOL BASS_ChannelSetLink(DWORD, DWORD) { return NotAvailable(FALSE); }
BOOL BASS_ChannelRemoveLink(DWORD, DWORD) { return NotAvailable(FALSE); }
BOOL BASS_MusicPreBuf(HMUSIC) { return NotAvailable(FALSE); }
BOOL BASS_StreamPreBuf(HSTREAM) { return NotAvailable(FALSE); }
BOOL BASS_Update() { return NotAvailable(FALSE); }
const char* BASS_StreamGetTags(HSTREAM, DWORD) { return NotAvailable<const char*>(nullptr); }
HSTREAM BASS_StreamCreateURL(const char*, DWORD, DWORD, const char*) {
  return NotAvailable(HSTREAM{0});
}
float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
  return Core::Get().Bytes2Seconds(handle, pos);
}
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos) {
  return Core::Get().Seconds2Bytes(handle, pos);
}
BOOL BASS_SetCLSID(const void*) { return NotAvailable(FALSE); }
BOOL BASS_MusicSetChannelVol(HMUSIC, DWORD, DWORD) { return NotAvailable(FALSE); }
DWORD BASS_MusicGetChannelVol(HMUSIC, DWORD) { return NotAvailable(DWORD{0xFFFFFFFF}); }

// ---- Recording and network ----

const char* BASS_RecordGetDeviceDescription(int) { return NotAvailable<const char*>(nullptr); }
BOOL BASS_RecordInit(int) { return NotAvailable(FALSE); }
BOOL BASS_RecordFree() { return NotAvailable(FALSE); }
void BASS_RecordGetInfo(void*) { audio::SetLastError(BASS_ERROR_NOTAVAIL); }
BOOL BASS_RecordStart(DWORD, DWORD, RECORDPROC*, std::uintptr_t) { return NotAvailable(FALSE); }
BOOL BASS_CDDoor(BOOL) { return NotAvailable(FALSE); }
const char* BASS_RecordGetInputName(int) { return NotAvailable<const char*>(nullptr); }
BOOL BASS_RecordSetInput(int, DWORD) { return NotAvailable(FALSE); }
DWORD BASS_RecordGetInput(int) { return NotAvailable(DWORD{0xFFFFFFFF}); }
DWORD BASS_SetNetConfig(DWORD, DWORD) { return NotAvailable(DWORD{0xFFFFFFFF}); }
BOOL BASS_ChannelSlideAttributes(DWORD, int, int, int, DWORD) { return NotAvailable(FALSE); }
// A test build leaves out the last entry point, for the binding's
// missing-export path.
#ifndef VELKO_BASS_WITHOUT_LAST_EXPORT
DWORD BASS_ChannelIsSliding(DWORD) { return NotAvailable(DWORD{0}); }
#endif

}  // extern "C"
