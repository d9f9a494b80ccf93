// The 1.x interface of the audio library bass.dll: types, constants and the
// C-linkage entry points, as the player's run-time binding looks them up.
// Handles are 32-bit, byte positions and lengths 64-bit, user values
// pointer-sized. The WMA add-on's names are in outside/basswma/basswma_api.h.
#pragma once

#include <cstdint>

#include "platform/core/types.h"

using HMUSIC = DWORD;
using HSAMPLE = DWORD;
using HCHANNEL = DWORD;
using HSTREAM = DWORD;
using HSYNC = DWORD;
using HDSP = DWORD;
using HFX = DWORD;

// Version word: major number in the low 16 bits, minor in the high 16 bits.
constexpr DWORD BASS_VERSION_1_7 = 0x00070001;

// Error codes (BASS_ErrorGetCode).
constexpr DWORD BASS_OK = 0;
constexpr DWORD BASS_ERROR_MEM = 1;
constexpr DWORD BASS_ERROR_FILEOPEN = 2;
constexpr DWORD BASS_ERROR_DRIVER = 3;
constexpr DWORD BASS_ERROR_HANDLE = 5;
constexpr DWORD BASS_ERROR_FORMAT = 6;
constexpr DWORD BASS_ERROR_POSITION = 7;
constexpr DWORD BASS_ERROR_INIT = 8;
constexpr DWORD BASS_ERROR_START = 9;
constexpr DWORD BASS_ERROR_ALREADY = 14;
constexpr DWORD BASS_ERROR_NOPAUSE = 16;
constexpr DWORD BASS_ERROR_NOCHAN = 18;
constexpr DWORD BASS_ERROR_ILLTYPE = 19;
constexpr DWORD BASS_ERROR_ILLPARAM = 20;
constexpr DWORD BASS_ERROR_DEVICE = 23;
constexpr DWORD BASS_ERROR_NOPLAY = 24;
constexpr DWORD BASS_ERROR_FREQ = 25;
constexpr DWORD BASS_ERROR_NOTFILE = 27;
constexpr DWORD BASS_ERROR_EMPTY = 31;
constexpr DWORD BASS_ERROR_CREATE = 33;
constexpr DWORD BASS_ERROR_NOFX = 34;
constexpr DWORD BASS_ERROR_NOTAVAIL = 37;
constexpr DWORD BASS_ERROR_DECODE = 38;
constexpr DWORD BASS_ERROR_FILEFORM = 41;
constexpr DWORD BASS_ERROR_UNKNOWN = 0xFFFFFFFF;

// Sample and stream flags (BASS_StreamCreate, BASS_ChannelGetFlags).
constexpr DWORD BASS_SAMPLE_8BITS = 1;
constexpr DWORD BASS_SAMPLE_MONO = 2;
constexpr DWORD BASS_SAMPLE_LOOP = 4;

// BASS_Init devices.
constexpr int BASS_DEVICE_DEFAULT = -1;
constexpr int BASS_DEVICE_NOSOUND = -2;

// BASS_ChannelIsActive results.
constexpr DWORD BASS_ACTIVE_STOPPED = 0;
constexpr DWORD BASS_ACTIVE_PLAYING = 1;
constexpr DWORD BASS_ACTIVE_STALLED = 2;
constexpr DWORD BASS_ACTIVE_PAUSED = 3;

// Sync types (BASS_ChannelSetSync). Only the end sync is supported; the
// one-time flag removes a sync after its first call.
constexpr DWORD BASS_SYNC_END = 2;
constexpr DWORD BASS_SYNC_ONETIME = 0x80000000;

// BASS_ChannelGetData: the 512-sample FFT gives 256 floats.
constexpr DWORD BASS_DATA_FFT512 = 0x80000000;

// Effect types (BASS_ChannelSetFX).
constexpr DWORD BASS_FX_CHORUS = 0;
constexpr DWORD BASS_FX_COMPRESSOR = 1;
constexpr DWORD BASS_FX_DISTORTION = 2;
constexpr DWORD BASS_FX_ECHO = 3;
constexpr DWORD BASS_FX_FLANGER = 4;
constexpr DWORD BASS_FX_GARGLE = 5;
constexpr DWORD BASS_FX_I3DL2REVERB = 6;
constexpr DWORD BASS_FX_PARAMEQ = 7;
constexpr DWORD BASS_FX_REVERB = 8;

// Device information: 12 DWORDs, 48 bytes. The caller sets `size`; nothing
// past it is written.
struct BASS_INFO {
  DWORD size;
  DWORD flags;
  DWORD hwsize;
  DWORD hwfree;
  DWORD freesam;
  DWORD free3d;
  DWORD minrate;
  DWORD maxrate;
  DWORD eax;
  DWORD a3d;
  DWORD dsver;
  DWORD latency;
};
static_assert(sizeof(BASS_INFO) == 48);

struct BASS_3DVECTOR {
  float x;
  float y;
  float z;
};

// Parameter records of the three effects.
struct BASS_FXPARAMEQ {
  float fCenter;     // Hz, 80..16000 and below a third of the channel's rate
  float fBandwidth;  // semitones, 1..36
  float fGain;       // dB, -15..15
};
struct BASS_FXECHO {
  float fWetDryMix;   // percent wet, 0..100
  float fFeedback;    // percent, 0..100
  float fLeftDelay;   // ms, 1..2000
  float fRightDelay;  // ms, 1..2000
  BOOL lPanDelay;     // swap left and right on each repeat
};
struct BASS_FXREVERB {
  float fInGain;           // dB, -96..0
  float fReverbMix;        // dB, -96..0
  float fReverbTime;       // ms, 0.001..3000
  float fHighFreqRTRatio;  // 0.001..0.999
};

// Callbacks.
using SYNCPROC = void(HSYNC handle, DWORD channel, DWORD data, std::uintptr_t user);
using DSPPROC = void(HDSP handle, DWORD channel, void* buffer, DWORD length, std::uintptr_t user);
using STREAMPROC = DWORD(HSTREAM handle, void* buffer, DWORD length, std::uintptr_t user);
using RECORDPROC = BOOL(void* buffer, DWORD length, std::uintptr_t user);

extern "C" {

// Device and global.
DWORD BASS_GetVersion();
const char* BASS_GetDeviceDescription(int device);
float BASS_SetBufferLength(float seconds);
BOOL BASS_SetGlobalVolumes(int music, int sample, int stream);
BOOL BASS_GetGlobalVolumes(int* music, int* sample, int* stream);
void BASS_SetLogCurves(BOOL volume, BOOL pan);
void BASS_Set3DAlgorithm(DWORD algorithm);
DWORD BASS_ErrorGetCode();
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND window);
BOOL BASS_Free();
void* BASS_GetDSoundObject(DWORD object);
void BASS_GetInfo(BASS_INFO* info);
float BASS_GetCPU();
BOOL BASS_Start();
BOOL BASS_Stop();
BOOL BASS_Pause();
BOOL BASS_SetVolume(DWORD volume);
int BASS_GetVolume();

// 3D and EAX.
BOOL BASS_Set3DFactors(float distance, float rolloff, float doppler);
BOOL BASS_Get3DFactors(float* distance, float* rolloff, float* doppler);
BOOL BASS_Set3DPosition(const BASS_3DVECTOR* pos, const BASS_3DVECTOR* vel,
                        const BASS_3DVECTOR* front, const BASS_3DVECTOR* top);
BOOL BASS_Get3DPosition(BASS_3DVECTOR* pos, BASS_3DVECTOR* vel, BASS_3DVECTOR* front,
                        BASS_3DVECTOR* top);
void BASS_Apply3D();
BOOL BASS_SetEAXParameters(int environment, float volume, float decay, float damp);
BOOL BASS_GetEAXParameters(DWORD* environment, float* volume, float* decay, float* damp);

// Music.
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
BOOL BASS_MusicFree(HMUSIC handle);
const char* BASS_MusicGetName(HMUSIC handle);
DWORD BASS_MusicGetLength(HMUSIC handle, BOOL playlen);
BOOL BASS_MusicPlay(HMUSIC handle);
BOOL BASS_MusicPlayEx(HMUSIC handle, DWORD pos, int flags, BOOL reset);
BOOL BASS_MusicSetAmplify(HMUSIC handle, DWORD amp);
BOOL BASS_MusicSetPanSep(HMUSIC handle, DWORD pan);
BOOL BASS_MusicSetPositionScaler(HMUSIC handle, DWORD scale);

// Samples.
HSAMPLE BASS_SampleLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD max,
                        DWORD flags);
void* BASS_SampleCreate(DWORD length, DWORD freq, DWORD max, DWORD flags);
HSAMPLE BASS_SampleCreateDone();
BOOL BASS_SampleFree(HSAMPLE handle);
BOOL BASS_SampleGetInfo(HSAMPLE handle, void* info);
BOOL BASS_SampleSetInfo(HSAMPLE handle, const void* info);
HCHANNEL BASS_SamplePlay(HSAMPLE handle);
HCHANNEL BASS_SamplePlayEx(HSAMPLE handle, DWORD start, int freq, int volume, int pan,
                           BOOL loop);
HCHANNEL BASS_SamplePlay3D(HSAMPLE handle, const BASS_3DVECTOR* pos,
                           const BASS_3DVECTOR* orient, const BASS_3DVECTOR* vel);
HCHANNEL BASS_SamplePlay3DEx(HSAMPLE handle, const BASS_3DVECTOR* pos,
                             const BASS_3DVECTOR* orient, const BASS_3DVECTOR* vel, DWORD start,
                             int freq, int volume, BOOL loop);
BOOL BASS_SampleStop(HSAMPLE handle);

// Streams.
HSTREAM BASS_StreamCreate(DWORD freq, DWORD flags, STREAMPROC* proc, std::uintptr_t user);
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length,
                              DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);
QWORD BASS_StreamGetLength(HSTREAM handle);
BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags);

// CD.
BOOL BASS_CDInit(const char* drive, DWORD flags);
BOOL BASS_CDFree();
BOOL BASS_CDInDrive();
HSTREAM BASS_CDPlay(DWORD track, BOOL loop, BOOL wait);

// Channels.
DWORD BASS_ChannelGetFlags(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelResume(DWORD handle);
BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan);
BOOL BASS_ChannelSet3DAttributes(DWORD handle, int mode, float min, float max, int iangle,
                                 int oangle, int outvol);
BOOL BASS_ChannelGet3DAttributes(DWORD handle, DWORD* mode, float* min, float* max,
                                 DWORD* iangle, DWORD* oangle, DWORD* outvol);
BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* pos,
                               const BASS_3DVECTOR* orient, const BASS_3DVECTOR* vel);
BOOL BASS_ChannelGet3DPosition(DWORD handle, BASS_3DVECTOR* pos, BASS_3DVECTOR* orient,
                               BASS_3DVECTOR* vel);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos);
QWORD BASS_ChannelGetPosition(DWORD handle);
DWORD BASS_ChannelGetLevel(DWORD handle);
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                          std::uintptr_t user);
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);
HDSP BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, std::uintptr_t user);
BOOL BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp);
BOOL BASS_ChannelSetEAXMix(DWORD handle, float mix);
BOOL BASS_ChannelGetEAXMix(DWORD handle, float* mix);

// Further.
DWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
DWORD BASS_CDGetTracks();
DWORD BASS_CDGetTrackLength(DWORD track);
DWORD BASS_ChannelIsActive(DWORD handle);
const char* BASS_CDGetID(DWORD id);
HFX BASS_ChannelSetFX(DWORD handle, DWORD type);
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BOOL BASS_FXSetParameters(HFX handle, const void* params);
BOOL BASS_FXGetParameters(HFX handle, void* params);
BOOL BASS_ChannelSetLink(DWORD handle, DWORD channel);
BOOL BASS_ChannelRemoveLink(DWORD handle, DWORD channel);
BOOL BASS_MusicPreBuf(HMUSIC handle);
BOOL BASS_StreamPreBuf(HSTREAM handle);
BOOL BASS_Update();
const char* BASS_StreamGetTags(HSTREAM handle, DWORD tags);
HSTREAM BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, const char* save);
float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos);
BOOL BASS_SetCLSID(const void* clsid);
BOOL BASS_MusicSetChannelVol(HMUSIC handle, DWORD channel, DWORD volume);
DWORD BASS_MusicGetChannelVol(HMUSIC handle, DWORD channel);

// Recording and network.
const char* BASS_RecordGetDeviceDescription(int device);
BOOL BASS_RecordInit(int device);
BOOL BASS_RecordFree();
void BASS_RecordGetInfo(void* info);
BOOL BASS_RecordStart(DWORD freq, DWORD flags, RECORDPROC* proc, std::uintptr_t user);
BOOL BASS_CDDoor(BOOL open);
const char* BASS_RecordGetInputName(int input);
BOOL BASS_RecordSetInput(int input, DWORD setting);
DWORD BASS_RecordGetInput(int input);
DWORD BASS_SetNetConfig(DWORD option, DWORD value);
BOOL BASS_ChannelSlideAttributes(DWORD handle, int freq, int volume, int pan, DWORD time);
DWORD BASS_ChannelIsSliding(DWORD handle);

}  // extern "C"
