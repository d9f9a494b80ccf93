// Run-time binding of the audio library's WMA add-on basswma.dll, in the
// manner of RT_BASS: every entry point is required and lands in a procedure
// variable of its own name in this namespace (RT_BASSWMA::BASS_WMA_...).
#pragma once

#include <string>

#include "outside/basswma/basswma_api.h"
#include "platform/core/types.h"

// Every entry point of basswma.dll, in the order they are looked up.
#define VELKO_BASSWMA_ENTRY_POINTS(X)                                                        \
  X(BASS_WMA_ErrorGetCode) X(BASS_WMA_StreamCreateFile) X(BASS_WMA_StreamFree)              \
  X(BASS_WMA_StreamGetLength) X(BASS_WMA_StreamGetTags) X(BASS_WMA_StreamPlay)              \
  X(BASS_WMA_ChannelSetPosition) X(BASS_WMA_ChannelGetPosition) X(BASS_WMA_ChannelSetSync)  \
  X(BASS_WMA_ChannelRemoveSync) X(BASS_WMA_GetIWMReader) X(BASS_WMA_EncodeGetRates)         \
  X(BASS_WMA_EncodeOpenFile) X(BASS_WMA_EncodeOpenNetwork) X(BASS_WMA_EncodeGetPort)        \
  X(BASS_WMA_EncodeSetNotify) X(BASS_WMA_EncodeGetClients) X(BASS_WMA_EncodeSetTag)         \
  X(BASS_WMA_EncodeWrite) X(BASS_WMA_EncodeClose)

namespace RT_BASSWMA {

#define VELKO_DECLARE_ENTRY_POINT(name) extern decltype(&::name) name;
VELKO_BASSWMA_ENTRY_POINTS(VELKO_DECLARE_ENTRY_POINT)
#undef VELKO_DECLARE_ENTRY_POINT

// Number of entry points looked up (20).
extern const int EntryPointCount;

// The library handle; null while unbound.
HMODULE LibraryHandle();

}  // namespace RT_BASSWMA

// As Load_BASSDLL, for the add-on.
bool Load_BASSWMADLL(const std::string& Folder, const std::string& DllName);
// Frees the add-on and clears every variable.
void Unload_BASSWMADLL();
