#include "outside/bass/core/effect.h"

#include "outside/bass/core/echo.h"
#include "outside/bass/core/param_eq.h"
#include "outside/bass/core/reverb.h"

namespace audio {

std::unique_ptr<Effect> MakeEffect(DWORD type) {
  switch (type) {
    case BASS_FX_ECHO: return std::make_unique<Echo>();
    case BASS_FX_PARAMEQ: return std::make_unique<ParamEq>();
    case BASS_FX_REVERB: return std::make_unique<Reverb>();
    default: return nullptr;
  }
}

}  // namespace audio
