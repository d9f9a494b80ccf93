// Shaped SDL windows on X11: the window's region becomes the X window's
// bounding shape (which also bounds where it takes clicks).
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/core/types.h"

namespace platform::display {

// `rects` in window coordinates; null removes the shape. False when the
// display cannot shape (not X11, or no shape extension).
bool ShapeSdlWindow(SDL_Window* window, const std::vector<RECT>* rects);

}  // namespace platform::display
