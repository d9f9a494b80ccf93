#include "outside/bass/core/last_error.h"

namespace audio {

namespace {
thread_local DWORD t_last_error = 0;
}

DWORD LastError() { return t_last_error; }
void SetLastError(DWORD code) { t_last_error = code; }

}  // namespace audio
