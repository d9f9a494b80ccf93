#include "desktop/PlayWav.h"

#include "classlib/PathRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/mm/sound.h"

void TPlayWav::Play(const String& FileName) {
  if (UpperCase(ExtractFileExt(FileName)) == ".WAV" && FileName.size() < 251) {
    sndPlaySound(FileName.c_str(), SND_ASYNC);
  }
}
