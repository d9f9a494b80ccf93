// The entry points of basswma.dll. WMA streams are made here and handed to
// the shared audio core; the stream and channel calls are those of bass.dll.
// The encoder and reader-object names answer "not available".
#include "outside/basswma/basswma_api.h"

#include "outside/bass/core/audio_core.h"
#include "outside/bass/core/last_error.h"
#include "outside/basswma/wma_decoder.h"

using audio::Core;

namespace {

template <class T>
T NotAvailable(T result) {
  return audio::Fail(BASS_ERROR_NOTAVAIL, result);
}

}  // namespace

extern "C" {

DWORD BASS_WMA_ErrorGetCode() { return audio::LastError(); }

HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD) {
  DWORD error = BASS_ERROR_UNKNOWN;
  std::shared_ptr<audio::ByteSource> source =
      audio::OpenCallerSource(mem, file, offset, length, &error);
  if (!source) return audio::Fail(error, HSTREAM{0});
  std::unique_ptr<audio::WmaDecoder> decoder = audio::WmaDecoder::Open(source, &error);
  if (!decoder) return audio::Fail(error, HSTREAM{0});
  return Core::Get().AddDecodedStream(std::move(decoder));
}

BOOL BASS_WMA_StreamFree(HSTREAM handle) { return Core::Get().FreeChannel(handle, false); }
QWORD BASS_WMA_StreamGetLength(HSTREAM handle) { return Core::Get().StreamLength(handle); }
const char* BASS_WMA_StreamGetTags(HSTREAM) { return NotAvailable<const char*>(nullptr); }
BOOL BASS_WMA_StreamPlay(HSTREAM handle, BOOL flush, DWORD) {
  return Core::Get().Play(handle, flush != FALSE, false);
}
BOOL BASS_WMA_ChannelSetPosition(DWORD handle, QWORD pos) {
  return Core::Get().SetPosition(handle, pos);
}
QWORD BASS_WMA_ChannelGetPosition(DWORD handle) { return Core::Get().GetPosition(handle); }
HSYNC BASS_WMA_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc,
                              std::uintptr_t user) {
  return Core::Get().SetSync(handle, type, param, proc, user);
}
BOOL BASS_WMA_ChannelRemoveSync(DWORD handle, HSYNC sync) {
  return Core::Get().RemoveSync(handle, sync);
}
void* BASS_WMA_GetIWMReader(HSTREAM) { return NotAvailable<void*>(nullptr); }
const DWORD* BASS_WMA_EncodeGetRates(DWORD, DWORD) { return NotAvailable<const DWORD*>(nullptr); }
HWMENCODE BASS_WMA_EncodeOpenFile(DWORD, DWORD, DWORD, const char*) {
  return NotAvailable(HWMENCODE{0});
}
HWMENCODE BASS_WMA_EncodeOpenNetwork(DWORD, DWORD, DWORD, DWORD, DWORD) {
  return NotAvailable(HWMENCODE{0});
}
DWORD BASS_WMA_EncodeGetPort(HWMENCODE) { return NotAvailable(DWORD{0}); }
BOOL BASS_WMA_EncodeSetNotify(HWMENCODE, CLIENTCONNECTPROC*, std::uintptr_t) {
  return NotAvailable(FALSE);
}
DWORD BASS_WMA_EncodeGetClients(HWMENCODE) { return NotAvailable(DWORD{0xFFFFFFFF}); }
BOOL BASS_WMA_EncodeSetTag(HWMENCODE, const char*, const char*) { return NotAvailable(FALSE); }
BOOL BASS_WMA_EncodeWrite(HWMENCODE, const void*, DWORD) { return NotAvailable(FALSE); }
BOOL BASS_WMA_EncodeClose(HWMENCODE) { return NotAvailable(FALSE); }

}  // extern "C"
