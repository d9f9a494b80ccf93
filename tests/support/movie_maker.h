// Movies for the tests, made with the ffmpeg command-line tool: a plain
// colour picture (left half `left`, right half `right`) of the given size,
// length and rate, MPEG-1 video in an MPEG program stream (".mpg") or
// MPEG-4 part 2 in AVI (".avi"), chosen by the file's extension.
#pragma once

#include <filesystem>
#include <string>

namespace velko_test {

// Colours are ffmpeg colour names or "0xRRGGBB". True when the file was made.
bool MakeMovie(const std::filesystem::path& path, double seconds, int width = 160, int height = 120,
               int rate = 25, const std::string& left = "red", const std::string& right = "blue");

}  // namespace velko_test
