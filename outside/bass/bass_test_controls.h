// Extra exports of bass.dll for tests only: they select the silent device,
// make BASS_Init fail, count effect parameter calls, wait for the library's
// own threads and capture what the device consumed.
//
// Driving the silent device from a test:
//   VelkoBass_UseSilentDevice(TRUE) and platform::UseManualClock() before
//   BASS_Init. The device then consumes nothing until the test advances the
//   clock; platform::AdvanceClock(N ms) renders exactly N ms of audio
//   (N * 44.1 frames, rounded down cumulatively) on the mixer thread and
//   returns only after that audio is consumed AND every end sync it caused
//   has been delivered on the notifier thread. Positions, IsActive and syncs
//   are therefore exact as soon as AdvanceClock returns.
//   User streams are fed by their own threads: before advancing, call
//   VelkoBass_WaitFeeders so their buffers are full (a feeder whose callback
//   blocks, for instance on the manual clock, makes it return FALSE).
//   On the real clock, VelkoBass_WaitSyncs waits for pending sync calls.
#pragma once

#include "platform/core/types.h"

extern "C" {

// Every later BASS_Init uses the silent device (TRUE) or may open the sound
// card again (FALSE).
void VelkoBass_UseSilentDevice(BOOL silent);
// While `error` is not 0, BASS_Init fails with that error code.
void VelkoBass_FailInit(DWORD error);
// Calls of BASS_FXSetParameters (set TRUE) or BASS_FXGetParameters (FALSE)
// since the last reset.
DWORD VelkoBass_FXParameterCalls(BOOL set);
void VelkoBass_ResetCounters();
// TRUE when the device opened by BASS_Init is the silent one.
BOOL VelkoBass_IsSilentDevice();
// Waits (real time) until every sync callback queued so far has returned.
BOOL VelkoBass_WaitSyncs(DWORD timeout_ms);
// Waits (real time) until no user-stream feeder has a request to make or a
// callback running.
BOOL VelkoBass_WaitFeeders(DWORD timeout_ms);
// Starts (clearing) or stops keeping a copy of the device's output, 16-bit
// stereo at the device rate, at most the last minute.
void VelkoBass_CaptureOutput(BOOL on);
// Takes up to `bytes` of the oldest captured output; returns the bytes copied.
DWORD VelkoBass_ReadOutput(void* buffer, DWORD bytes);

}  // extern "C"
