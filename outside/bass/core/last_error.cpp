#include "outside/bass/core/last_error.h"

#include "outside/bass/core/thread_local_slot.h"

namespace audio {

namespace {
AUDIO_THREAD_LOCAL DWORD t_last_error = 0;
}

DWORD LastError() { return t_last_error; }
void SetLastError(DWORD code) { t_last_error = code; }

}  // namespace audio
