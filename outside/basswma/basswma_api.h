// The WMA add-on basswma.dll: its C-linkage entry points, as the player's
// run-time binding looks them up. Its streams are channels of bass.dll's
// mixer, so every BASS_Channel* call accepts them.
#pragma once

#include "outside/bass/bass_api.h"

using HWMENCODE = DWORD;
using CLIENTCONNECTPROC = void(HWMENCODE handle, BOOL connect, const char* ip, std::uintptr_t user);

extern "C" {

DWORD BASS_WMA_ErrorGetCode();
HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length,
                                  DWORD flags);
BOOL BASS_WMA_StreamFree(HSTREAM handle);
QWORD BASS_WMA_StreamGetLength(HSTREAM handle);
const char* BASS_WMA_StreamGetTags(HSTREAM handle);
BOOL BASS_WMA_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags);
BOOL BASS_WMA_ChannelSetPosition(DWORD handle, QWORD pos);
QWORD BASS_WMA_ChannelGetPosition(DWORD handle);
HSYNC BASS_WMA_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                              std::uintptr_t user);
BOOL BASS_WMA_ChannelRemoveSync(DWORD handle, HSYNC sync);
void* BASS_WMA_GetIWMReader(HSTREAM handle);
const DWORD* BASS_WMA_EncodeGetRates(DWORD freq, DWORD flags);
HWMENCODE BASS_WMA_EncodeOpenFile(DWORD freq, DWORD flags, DWORD bitrate, const char* file);
HWMENCODE BASS_WMA_EncodeOpenNetwork(DWORD freq, DWORD flags, DWORD bitrate, DWORD port,
                                     DWORD clients);
DWORD BASS_WMA_EncodeGetPort(HWMENCODE handle);
BOOL BASS_WMA_EncodeSetNotify(HWMENCODE handle, CLIENTCONNECTPROC* proc, std::uintptr_t user);
DWORD BASS_WMA_EncodeGetClients(HWMENCODE handle);
BOOL BASS_WMA_EncodeSetTag(HWMENCODE handle, const char* tag, const char* text);
BOOL BASS_WMA_EncodeWrite(HWMENCODE handle, const void* buffer, DWORD length);
BOOL BASS_WMA_EncodeClose(HWMENCODE handle);

}  // extern "C"
