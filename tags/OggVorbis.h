// TOggVorbis: reads an Ogg Vorbis file's identification header, its
// comment header and the granule position of its last page.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "classlib/Object.h"

namespace tags {
class TagFile;
}

// The comments read, in slot order.
extern const std::array<const char*, 9> VorbisFieldNames;

class TOggVorbis : public TObject {
 public:
  TOggVorbis() { ResetData(); }

  std::int32_t FileSize = 0;
  std::uint8_t ChannelModeID = 0;   // channel count
  std::uint32_t SampleRate = 0;     // Hz
  std::uint16_t BitRateNominal = 0;  // kbit/s, from the identification header
  std::int32_t Samples = 0;         // low 32 bits of the last granule position
  std::int32_t ID3v2Size = 0;       // an ID3v2 tag in front of the first page
  String Title, Artist, Album;
  std::uint16_t Track = 0;  // low 8 bits of the track number
  String Date, Genre, Comment, Vendor;

  void ResetData();
  // False when the file cannot be opened or read, or does not start (after
  // an ID3v2 tag) with a Vorbis identification header.
  bool ReadFromFile(const String& FileName);
  double GetDuration() const;         // seconds
  std::uint16_t GetBitRate() const;   // kbit/s, from the file size and duration
  bool GetValid() const;

 private:
  using CommentTexts = std::array<String, 9>;
  class PacketReader;
  // The comments of the comment packet, which starts on the page at `page_start`.
  bool ReadComments(tags::TagFile& file, std::int64_t page_start, CommentTexts& comments, String& vendor) const;
  static bool LastGranule(tags::TagFile& file, std::int32_t& samples);
};
