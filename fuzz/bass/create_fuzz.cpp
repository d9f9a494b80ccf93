// A create call of the audio library on arbitrary memory input; what it
// accepts is played for a moment on the silent device (manual clock), its
// length asked and a seek tried, then freed.
//   VELKO_FUZZ_CREATE 1: BASS_StreamCreateFile (WAV, Ogg, MP3 detection)
//                     2: BASS_MusicLoad (tracker music)
//                     3: BASS_WMA_StreamCreateFile (ASF)
#include <cstddef>
#include <cstdint>

#include "outside/bass/bass_api.h"
#include "outside/bass/bass_test_controls.h"
#include "outside/basswma/basswma_api.h"
#include "platform/core/clock.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::UseManualClock(1'000'000);
  VelkoBass_UseSilentDevice(TRUE);
  return BASS_Init(-1, 44100, 0, nullptr) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto length = static_cast<DWORD>(size);
#if VELKO_FUZZ_CREATE == 1
  DWORD h = BASS_StreamCreateFile(TRUE, data, 0, length, 0);
#elif VELKO_FUZZ_CREATE == 2
  DWORD h = BASS_MusicLoad(TRUE, data, 0, length, 0);
#else
  DWORD h = BASS_WMA_StreamCreateFile(TRUE, data, 0, length, 0);
#endif
  if (h == 0) return 0;
  const QWORD total = BASS_StreamGetLength(h);
  BASS_StreamPlay(h, FALSE, 0);
  BASS_MusicPlay(h);
  platform::AdvanceClockMs(30);
  if (total != ~QWORD{0} && total > 0) BASS_ChannelSetPosition(h, total / 2);
  platform::AdvanceClockMs(30);
  BASS_ChannelGetPosition(h);
  BASS_StreamFree(h);
  BASS_MusicFree(h);
  return 0;
}
