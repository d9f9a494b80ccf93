// SDL windows on X11, for what SDL does not do itself: the window's region
// becomes the X window's bounding shape (which also bounds where it takes
// clicks); the windows are stacked as the window system orders them, and
// owned ones marked as such; the keyboard focus is kept on the window the
// window system made active; and the loss of the X connection is reported.
//
// The X libraries are SDL's own (it loads them when its video starts on
// X11); their calls are looked up by BindX11. Until then, or when SDL's
// video is not X11, every helper does nothing and returns false.
#pragma once

#include <vector>

#include "platform/core/types.h"
#include "platform/display/sdl_library.h"

struct _XDisplay;  // Xlib's Display

namespace platform::display {

// Looks up the X calls once SDL's video has started; false when it does not
// run on X11 or the X libraries lack a call.
bool BindX11(const SdlLibrary& sdl);

// Makes SDL create its windows with the screen's default visual (it takes
// a DirectColor one where the screen has it), so that a shaped window can
// use the screen's colormap. Call after BindX11, before the first window.
bool UseScreenVisual(const SdlLibrary& sdl);

// `rects` in window coordinates; null removes the shape. A shaped window
// takes the screen's colormap where its visual allows. False when the
// display cannot shape (not X11, or no shape extension).
bool ShapeSdlWindow(SDL_Window* window, const std::vector<RECT>* rects);

// Stacks the X windows of `bottom_to_top` in that order, each raised above
// the ones before it, without giving any of them the focus (a window
// manager is asked to do it). False when the display is not X11.
bool StackSdlWindows(const std::vector<SDL_Window*>& bottom_to_top);

// Marks `window` as belonging to `owner` (null: to none), so that a window
// manager keeps it above its owner.
bool SetSdlWindowOwner(SDL_Window* window, SDL_Window* owner);

// The keyboard focus as the X server holds it on `window`'s display: the X
// window id, or None (0) or PointerRoot (1). 0 when it cannot be read.
unsigned long XFocusOf(SDL_Window* window);
// Gives `window` the X keyboard focus. Should it go away, the focus falls
// to its parent (the root window), not to nowhere.
bool GiveXFocus(SDL_Window* window);
// The X focus is on `window` itself.
bool HasXFocus(SDL_Window* window);
// Sets the X focus back to `previous` (a value of XFocusOf).
bool SetXFocus(SDL_Window* any_window, unsigned long previous);
// No window holds the X keyboard focus: it is None, PointerRoot or the
// root window, so keys reach no window of the program (or only the one the
// pointer happens to be over).
bool XFocusIsNowhere(SDL_Window* any_window);

// The X connection's file descriptor (readable when the server sent
// something), or -1.
int XConnectionOf(SDL_Window* window);
// Events already read from the connection wait in Xlib's queue.
bool XEventsWaiting(SDL_Window* window);

// Installs the process's handler of a lost X connection; returns the one
// it replaces (null when none, or when X is not bound).
using XIOErrorHandlerProc = int (*)(_XDisplay*);
XIOErrorHandlerProc SetXIOErrorHandler(XIOErrorHandlerProc handler);

}  // namespace platform::display
