// The test skin and its variants, for the skin engine's tests: skin
// folders (configuration text, BMP images, a WAV sound) and skin packages
// written byte by byte.
#pragma once

#include <filesystem>

namespace art {

// Writes every test skin into `folder`: see test_skin.cpp for the list.
void WriteTestSkins(const std::filesystem::path& folder);

}  // namespace art
