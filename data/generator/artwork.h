// The catalogue of generated data files: each entry names a file (as it
// goes into the program folder's Resources folder) and draws its bytes.
// A new picture is a new entry in one of the lists below (or a new list
// added to the generator's main).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/generator/file_formats.h"

namespace art {

struct ArtFile {
  std::string name;
  std::function<Bytes()> draw;
  // Goes into the program folder itself (not into Resources).
  bool program_folder = false;
};

// The bitmaps and cursors the controls load by name or number.
void AddResourceArtwork(std::vector<ArtFile>& files);
// The shell's drive icons (one icon file per drive type, 32 and 16 pixels).
void AddShellArtwork(std::vector<ArtFile>& files);

// The program folder's pictures, wave cue and help text.
void AddProgramArtwork(std::vector<ArtFile>& files);
// The background pictures the windows hold from the start, as bitmap
// resources named after the window and its image ("RIPPERFORM_IMAGE1").
void AddWindowArtwork(std::vector<ArtFile>& files);

// The skin engine's bitmaps (system menu pictures, menu glyphs, button
// glyphs).
void AddSkinArtwork(std::vector<ArtFile>& files);

// A 32 x 32 hand cursor; `pointing` raises the index finger.
Canvas HandCursor(bool pointing);

}  // namespace art
