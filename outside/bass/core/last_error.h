// The calling thread's last error code of the audio library: every entry
// point sets it (BASS_OK on success), BASS_ErrorGetCode reads it.
#pragma once

#include "platform/core/types.h"

namespace audio {

DWORD LastError();
void SetLastError(DWORD code);

// Sets `code` and returns `result`, for one-line failure returns.
template <class T>
T Fail(DWORD code, T result) {
  SetLastError(code);
  return result;
}

}  // namespace audio
