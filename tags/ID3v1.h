// TID3v1: reads the 128-byte ID3v1 or ID3v1.1 tag at the end of a file.
//
// The tag: "TAG", title (30 bytes), artist (30), album (30), year (4),
// comment (30; in ID3v1.1 28 bytes, then a zero and the track number),
// genre number. The text bytes are Windows-1252 and come out as UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "classlib/Object.h"

namespace tags {
class TagFile;
}

// The genre names of the ID3v1 genre numbers 0 to 147.
extern const std::array<const char*, 148> ID3v1Genres;

class TID3v1 : public TObject {
 public:
  TID3v1() { ResetData(); }

  bool Exists = false;
  std::uint8_t VersionID = 1;  // 1 = ID3v1.0, 2 = ID3v1.1
  String Title, Artist, Album, Year, Comment;
  std::uint8_t Track = 0;
  std::uint8_t GenreID = 255;  // 255 = none

  void ResetData();
  // False only when the file cannot be opened or is shorter than a tag;
  // true with Exists false for a file without a tag.
  bool ReadFromFile(const String& FileName);
  // The name of GenreID, empty for numbers beyond the list.
  String GetGenre() const;

  // The same over a file another reader has open.
  bool ReadFromFile(tags::TagFile& file);
};
