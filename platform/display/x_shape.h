// SDL windows on X11: the window's region becomes the X window's bounding
// shape (which also bounds where it takes clicks); the windows are stacked
// as the window system orders them, and owned ones marked as such.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/core/types.h"

namespace platform::display {

// `rects` in window coordinates; null removes the shape. False when the
// display cannot shape (not X11, or no shape extension).
bool ShapeSdlWindow(SDL_Window* window, const std::vector<RECT>* rects);

// Stacks the X windows of `bottom_to_top` in that order, each raised above
// the ones before it, without giving any of them the focus (a window
// manager is asked to do it). False when the display is not X11.
bool StackSdlWindows(const std::vector<SDL_Window*>& bottom_to_top);

// Marks `window` as belonging to `owner` (null: to none), so that a window
// manager keeps it above its owner.
bool SetSdlWindowOwner(SDL_Window* window, SDL_Window* owner);

}  // namespace platform::display
