#include "outside/bass/bass_test_controls.h"

#include "outside/bass/core/audio_core.h"

using audio::Core;

extern "C" {

void VelkoBass_UseSilentDevice(BOOL silent) { Core::Get().UseSilentDevice(silent != FALSE); }
void VelkoBass_FailInit(DWORD error) { Core::Get().FailInit(error); }
DWORD VelkoBass_FXParameterCalls(BOOL set) { return Core::Get().FxParameterCalls(set != FALSE); }
void VelkoBass_ResetCounters() { Core::Get().ResetCounters(); }
BOOL VelkoBass_IsSilentDevice() { return Core::Get().DeviceIsSilent() ? TRUE : FALSE; }
BOOL VelkoBass_WaitSyncs(DWORD timeout_ms) { return Core::Get().WaitSyncs(timeout_ms) ? TRUE : FALSE; }
BOOL VelkoBass_WaitFeeders(DWORD timeout_ms) {
  return Core::Get().WaitFeeders(timeout_ms) ? TRUE : FALSE;
}
void VelkoBass_CaptureOutput(BOOL on) { Core::Get().CaptureOutput(on != FALSE); }
DWORD VelkoBass_ReadOutput(void* buffer, DWORD bytes) {
  return buffer == nullptr ? 0 : Core::Get().ReadOutput(buffer, bytes);
}

}  // extern "C"
