// TWMAfile: walks the header objects of an ASF (WMA) file for its audio
// format, length and text tags. The tags' UTF-16LE text comes out as UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "classlib/Object.h"

namespace tags {
class TagFile;
}

// The extended content descriptors read, in slot order Title, Artist,
// Album, Track, Year, Genre, Comment.
extern const std::array<const char*, 7> WMAFieldNames;

// The ASF objects read, each 16 bytes in the file's GUID byte order.
using TASFGuid = std::array<std::uint8_t, 16>;
extern const TASFGuid WMA_HEADER_ID;
extern const TASFGuid WMA_FILE_PROPERTIES_ID;
extern const TASFGuid WMA_STREAM_PROPERTIES_ID;
extern const TASFGuid WMA_CONTENT_DESCRIPTION_ID;
extern const TASFGuid WMA_EXTENDED_CONTENT_DESCRIPTION_ID;

class TWMAfile : public TObject {
 public:
  TWMAfile() { ResetData(); }

  bool Valid = false;
  std::int32_t FileSize = 0;
  std::uint8_t ChannelModeID = 0;  // channel count
  std::int32_t SampleRate = 0;     // Hz
  double Duration = 0;             // seconds
  std::int32_t BitRate = 0;        // kbit/s
  String Title, Artist, Album;
  std::int32_t Track = 0;
  String Year, Genre, Comment;

  void ResetData();
  // False only when the file cannot be opened or read; a file that is not
  // ASF gives true and stays not valid.
  bool ReadFromFile(const String& FileName);
};
