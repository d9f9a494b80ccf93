// SDL2, loaded when it is first wanted rather than with the platform
// library: it and the fifty-odd libraries it depends on (X, Wayland, the
// sound servers) cost a process several milliseconds to load, and most
// processes (the audio stand-in's decoding, tests on the headless display,
// the helper programs) never show a window nor open a sound card. The
// display loads it when a display is wanted, the wave sounds and the audio
// stand-in when they open a sound device.
//
// Only SDL's headers are used at build time. The library is loaded once per
// file name and kept for the life of the process (its threads and the X
// connections it holds may outlive any one user). When it cannot be loaded
// the callers behave as when SDL starts but finds no display or no sound
// device: the display stays headless, sounds go unheard, the audio
// stand-in uses its silent device.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>

#include <string>

namespace platform {

#define VELKO_SDL_CALLS(X)                                                                          \
  X(SetHint) X(InitSubSystem) X(QuitSubSystem) X(GetCurrentVideoDriver) X(GetDesktopDisplayMode)    \
  X(RegisterEvents) X(StartTextInput) X(StopTextInput) X(WaitEventTimeout) X(PollEvent) X(PushEvent) \
  X(GetTicks) X(GetKeyboardFocus) X(CaptureMouse) X(GetGlobalMouseState) X(WarpMouseGlobal)          \
  X(SetClipboardText) X(GetClipboardText) X(free) X(CreateWindow) X(DestroyWindow) X(GetWindowID)    \
  X(ShowWindow) X(SetWindowPosition) X(SetWindowSize) X(MinimizeWindow) X(RestoreWindow)             \
  X(SetWindowAlwaysOnTop) X(SetWindowTitle) X(RaiseWindow) X(SetWindowInputFocus)                    \
  X(GetWindowWMInfo) X(GetWindowSurface) X(UpdateWindowSurfaceRects) X(ConvertPixels)                \
  X(CreateRGBSurfaceWithFormatFrom) X(FreeSurface) X(ShowCursor) X(CreateSystemCursor)               \
  X(CreateColorCursor) X(SetCursor) X(FreeCursor) X(RWFromConstMem) X(LoadWAV_RW) X(FreeWAV)         \
  X(OpenAudioDevice) X(PauseAudioDevice) X(CloseAudioDevice) X(TLSCleanup) X(HasEvents)

// SDL's calls that the platform and the audio stand-in make, named as SDL
// names them without the "SDL_" prefix.
struct SdlLibrary {
#define VELKO_SDL_MEMBER(name) decltype(&::SDL_##name) name = nullptr;
  VELKO_SDL_CALLS(VELKO_SDL_MEMBER)
#undef VELKO_SDL_MEMBER
};

// The library, loaded by the first call; null when it or one of its calls
// is missing (a later call tries again).
const SdlLibrary* LoadSdl();

// The file name LoadSdl loads, and the tests' way to change it, are
// declared in display.h (which needs no SDL header). Libraries already
// loaded stay loaded.
std::string SdlLibraryName();
void SetSdlLibraryName(const std::string& name);

}  // namespace platform
