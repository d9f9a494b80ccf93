// TID3v2: reads the text frames of an ID3v2.2, 2.3 or 2.4 tag at the start
// of a file.
//
// Only the first 500 bytes of a frame are read, and only frames whose text
// is Latin-1 (encoding 0) or UTF-16 (encoding 1); both come out as UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "classlib/Object.h"

namespace tags {
class TagFile;

// The size of the ID3v2 tag whose 10-byte header starts with "ID3": the
// 28-bit size plus the header (and a footer when flagged); 0 when that is
// more than the file holds.
std::int32_t ID3v2SizeFromHeader(const std::uint8_t* header, std::int64_t file_size);
}  // namespace tags

// The frames read, by slot: [slot][0] is the identifier in ID3v2.3 and 2.4,
// [slot][1] the one in ID3v2.2.
extern const std::array<std::array<const char*, 2>, 16> ID3v2FrameIDs;

class TID3v2 : public TObject {
 public:
  TID3v2() { ResetData(); }

  bool Exists = false;
  std::uint8_t VersionID = 0;  // the major version byte
  // The whole tag with its 10-byte header (and footer); 0 when it claims
  // more than the file holds.
  std::int32_t Size = 0;
  String Title, Artist, Album;
  std::int32_t Track = 0;
  String TrackString, Year, Genre, Comment, Composer, Encoder, Rights, Language, Link;

  void ResetData();
  // False only when the file cannot be opened or holds fewer than 10 bytes.
  bool ReadFromFile(const String& FileName);
  // The same over a file another reader has open.
  bool ReadFromFile(tags::TagFile& file);

 private:
  using FrameTexts = std::array<String, 16>;
  bool ReadFrames(tags::TagFile& file, FrameTexts& frames) const;
  void SetFields(const FrameTexts& frames);
};
