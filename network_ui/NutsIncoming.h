// The file-sharing window's "Incoming Files" page (the files in the
// download folder, deleted or moved with the shell's file operation) and
// the player buttons under the pages.
#pragma once

#include <functional>

#include "classlib/Object.h"

// The main window's player commands the navigator presses (bound by the
// main window).
struct TNutsPlayerCommands {
  std::function<void()> Play;
  std::function<void()> Stop;
  std::function<void()> Pause;
  std::function<void()> ShufflePlay;
  std::function<String()> CurrentTitle;
  // Rescans for music before the program ends.
  std::function<void()> FindMusic;
  // Ends the program (the default terminates the application).
  std::function<void()> Terminate;
};
