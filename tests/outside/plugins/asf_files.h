// ASF test files made by the ffmpeg program from a WAV file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace plugin_test {

// Runs a program (found on PATH) with `args`, no shell, its output
// discarded; returns its exit status, or -1 when it could not be run.
int RunProgram(const std::vector<std::string>& args);

// Encodes `wav` into an ASF file at `asf` with the audio codec `codec`
// ("wmav2", "libmp3lame") and, when not empty, a title; true on success.
bool MakeAsf(const std::filesystem::path& wav, const std::filesystem::path& asf, const std::string& codec,
             const std::string& title = "");

}  // namespace plugin_test
