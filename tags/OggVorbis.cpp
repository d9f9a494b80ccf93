#include "tags/OggVorbis.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "tags/ID3v2.h"
#include "tags/Rounding.h"
#include "tags/TagFile.h"
#include "tags/TextCodec.h"

const std::array<const char*, 9> VorbisFieldNames = {
    "TITLE", "ARTIST", "ALBUM", "TRACKNUMBER", "DATE", "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION"};

namespace {

enum Slot { kTitle, kArtist, kAlbum, kTrackNumber, kDate, kGenre, kComment, kPerformer, kDescription };

constexpr int kPageHeaderSize = 27;
constexpr int kIdentificationSize = 30;
// Only the start of a comment is read: enough for any text the player shows.
constexpr std::uint32_t kCommentTextSize = 250;
// The last page header is looked for in the last 50 x 241 bytes, ending
// 10 bytes before the end of the file.
constexpr int kGranuleSearchLength = 50 * 241;
constexpr int kGranuleSearchEndGap = 10;

std::uint32_t LittleEndian32(const std::uint8_t* b) {
  return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
         (std::uint32_t{b[3]} << 24);
}

// UTF-8 to 16-bit characters by the comment reader's own rules: a lead
// byte with bit 0x20 set starts three bytes, any other byte from 0x80 two;
// decoding stops at the first sequence that is cut short or whose next
// byte is not 10xxxxxx, keeping what came before.
std::u16string DecodeUTF8(std::string_view text) {
  std::u16string out;
  auto continuation = [&](std::size_t i) {
    return i < text.size() && (static_cast<std::uint8_t>(text[i]) & 0xC0) == 0x80;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
    } else if (lead & 0x20) {
      if (!continuation(i + 1) || !continuation(i + 2)) break;
      const auto second = static_cast<std::uint8_t>(text[i + 1]);
      const auto third = static_cast<std::uint8_t>(text[i + 2]);
      out += static_cast<char16_t>(((lead & 0x1F) << 12) | ((second & 0x3F) << 6) | (third & 0x3F));
      i += 3;
    } else {
      if (!continuation(i + 1)) break;
      const auto second = static_cast<std::uint8_t>(text[i + 1]);
      out += static_cast<char16_t>(((lead & 0x3F) << 6) | (second & 0x3F));
      i += 2;
    }
  }
  return out;
}

// One comment text: NAME=value fills the slot of a known name; a text
// without "=" is the vendor (the first text of the header is).
void TakeComment(std::string_view text, std::array<std::string, 9>& slots, std::string& vendor) {
  text = tags::TrimBlanks(text);
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    if (vendor.empty()) vendor = text;
    return;
  }
  const std::string name = tags::AsciiUpperCase(text.substr(0, equals));
  for (std::size_t slot = 0; slot < VorbisFieldNames.size(); ++slot) {
    if (name == VorbisFieldNames[slot]) {
      slots[slot] = tags::Utf16ToUtf8(DecodeUTF8(tags::TrimBlanks(text.substr(equals + 1))));
    }
  }
}

std::string Either(const std::string& first, const std::string& second) {
  return first.empty() ? second : first;
}

}  // namespace

// The bytes of one packet in order, read from the page it starts on and,
// when it runs over, from the pages that continue it, leaving out their
// headers. Pages are found as the reads get to them.
class TOggVorbis::PacketReader {
 public:
  PacketReader(tags::TagFile& file, std::int64_t page_start) : file_(file) { EnterPage(page_start, true); }

  bool IOError() const { return io_error_; }

  // Reads `count` bytes, or moves past them when `out` is null. False when
  // the packet holds fewer.
  bool Read(void* out, std::uint32_t count) {
    auto* bytes = static_cast<std::uint8_t*>(out);
    while (count > 0) {
      if (left_in_page_ == 0 && !(continues_ && EnterPage(next_page_, false))) return false;
      const auto take = static_cast<std::uint32_t>(std::min<std::int64_t>(count, left_in_page_));
      if (bytes != nullptr) {
        const int got = file_.ReadAt(position_, bytes, static_cast<int>(take));
        if (got < 0) io_error_ = true;
        if (got != static_cast<int>(take)) return false;
        bytes += take;
      }
      position_ += take;
      left_in_page_ -= take;
      count -= take;
    }
    return true;
  }
  bool Skip(std::uint32_t count) { return Read(nullptr, count); }

 private:
  // Takes the page at `start`: the packet's bytes in it run from its data
  // up to the first segment shorter than 255 bytes, or on into the next
  // page when every segment is full. A following page must carry the
  // continuation flag; past the cap the packet counts as ended.
  bool EnterPage(std::int64_t start, bool first) {
    continues_ = false;
    left_in_page_ = 0;
    std::uint8_t header[kPageHeaderSize];
    std::uint8_t lacing[255];
    const int got = file_.ReadAt(start, header, kPageHeaderSize);
    if (got < 0) io_error_ = true;
    if (got != kPageHeaderSize || std::memcmp(header, "OggS", 4) != 0 || (!first && (header[5] & 1) == 0)) {
      return false;
    }
    const int segments = header[26];
    if (file_.ReadAt(start + kPageHeaderSize, lacing, segments) < 0) {
      io_error_ = true;
      return false;
    }
    std::int64_t in_page = 0;
    std::int64_t all = 0;
    bool ended = false;
    for (int i = 0; i < segments; ++i) {
      all += lacing[i];
      if (!ended) in_page += lacing[i];
      ended = ended || lacing[i] < 255;
    }
    position_ = start + kPageHeaderSize + segments;
    left_in_page_ = std::min(in_page, kMaxPacketSize - taken_);
    taken_ += left_in_page_;
    continues_ = !ended && segments > 0 && taken_ < kMaxPacketSize;
    next_page_ = position_ + all;
    return left_in_page_ > 0;
  }

  // A packet is read up to this size (a picture in the comments may be
  // large); what lies beyond counts as cut off.
  static constexpr std::int64_t kMaxPacketSize = 16 << 20;

  tags::TagFile& file_;
  std::int64_t position_ = 0;      // the next byte of the packet
  std::int64_t left_in_page_ = 0;  // bytes of the packet left in this page
  std::int64_t taken_ = 0;         // bytes of the packet in the pages entered
  bool continues_ = false;         // the packet goes on in the next page
  std::int64_t next_page_ = 0;
  bool io_error_ = false;
};

void TOggVorbis::ResetData() {
  FileSize = 0;
  ChannelModeID = 0;
  SampleRate = 0;
  BitRateNominal = 0;
  Samples = 0;
  ID3v2Size = 0;
  Track = 0;
  for (std::string* text : {&Title, &Artist, &Album, &Date, &Genre, &Comment, &Vendor}) {
    text->clear();
  }
}

bool TOggVorbis::ReadFromFile(const String& FileName) {
  ResetData();
  tags::TagFile file;
  if (!file.Open(FileName)) return false;

  std::uint8_t id3[10];
  const int id3_read = file.ReadAt(0, id3, sizeof id3);
  if (id3_read < 0) return false;
  const std::int32_t id3v2_size =
      id3_read == 10 && std::memcmp(id3, "ID3", 3) == 0 ? tags::ID3v2SizeFromHeader(id3, file.Size()) : 0;

  std::uint8_t page[kPageHeaderSize];
  if (file.ReadAt(id3v2_size, page, kPageHeaderSize) < 0 || std::memcmp(page, "OggS", 4) != 0) {
    return false;
  }
  const std::int64_t identification_start = std::int64_t{id3v2_size} + kPageHeaderSize + page[26];
  std::uint8_t identification[kIdentificationSize];
  if (file.ReadAt(identification_start, identification, kIdentificationSize) < 0 ||
      std::memcmp(identification, "\x01vorbis", 7) != 0) {
    return false;
  }

  // The identification header fills the first page; the comments start
  // the second.
  const std::int64_t second_page = identification_start + kIdentificationSize;
  CommentTexts comments;
  std::string vendor;
  std::uint8_t comment_start[7];
  if (file.ReadAt(second_page, page, kPageHeaderSize) < 0 ||
      file.ReadAt(second_page + kPageHeaderSize + page[26], comment_start, 7) < 0) {
    return false;
  }
  if (std::memcmp(comment_start, "\x03vorbis", 7) == 0 && !ReadComments(file, second_page, comments, vendor)) {
    return false;
  }
  std::int32_t samples = 0;
  if (!LastGranule(file, samples)) return false;

  FileSize = static_cast<std::int32_t>(
      std::min<std::int64_t>(file.Size(), std::numeric_limits<std::int32_t>::max()));
  ChannelModeID = identification[11];
  SampleRate = LittleEndian32(identification + 12);
  const auto nominal = static_cast<std::int32_t>(LittleEndian32(identification + 20));
  BitRateNominal = tags::RoundTo16Bits(nominal / 1000.0);
  Samples = samples;
  ID3v2Size = id3v2_size;
  Title = comments[kTitle];
  Artist = Either(comments[kArtist], comments[kPerformer]);
  Album = comments[kAlbum];
  const std::string& track = comments[kTrackNumber];
  Track = static_cast<std::uint8_t>(
      tags::DecimalOrDefault(std::string_view(track).substr(0, track.find('/')), 0));
  Date = comments[kDate];
  Genre = comments[kGenre];
  Comment = Either(comments[kComment], comments[kDescription]);
  Vendor = vendor;
  return true;
}

// Reads the vendor text and the comments of the comment packet, from the
// bytes after its 7-byte start on. Lengths and the count come from the
// file: the walk stops where the packet (or the file) ends.
bool TOggVorbis::ReadComments(tags::TagFile& file, std::int64_t page_start, CommentTexts& comments,
                              std::string& vendor) const {
  PacketReader packet(file, page_start);
  std::string text;
  // One text: its 32-bit length, then its bytes, of which the first 250 are
  // used. False when the packet ends first.
  auto next_text = [&] {
    std::uint8_t length_bytes[4];
    if (!packet.Read(length_bytes, 4)) return false;
    const std::uint32_t length = LittleEndian32(length_bytes);
    text.resize(std::min(length, kCommentTextSize));
    return packet.Read(text.data(), static_cast<std::uint32_t>(text.size())) &&
           packet.Skip(length - static_cast<std::uint32_t>(text.size()));
  };

  if (!packet.Skip(7) || !next_text()) return !packet.IOError();
  TakeComment(text, comments, vendor);
  std::uint8_t count_bytes[4];
  if (!packet.Read(count_bytes, 4)) return !packet.IOError();
  for (std::uint32_t count = LittleEndian32(count_bytes); count > 0; --count) {
    if (!next_text()) return !packet.IOError();
    TakeComment(text, comments, vendor);
  }
  return true;
}

// The granule position of the last page: the last "OggS" that starts
// between 10 and 12,060 bytes before the end of the file (or at its
// start, for a shorter file). 0 when there is none.
bool TOggVorbis::LastGranule(tags::TagFile& file, std::int32_t& samples) {
  samples = 0;
  const std::int64_t size = file.Size();
  const std::int64_t first = std::max<std::int64_t>(0, size - kGranuleSearchEndGap - kGranuleSearchLength);
  const std::int64_t last = size - kGranuleSearchEndGap;
  if (last < first) return true;
  // The tail of the file, with room for a page header that runs past the end.
  std::vector<std::uint8_t> tail(static_cast<std::size_t>(size - first) + kPageHeaderSize, 0);
  if (file.ReadAt(first, tail.data(), static_cast<int>(tail.size())) < 0) return false;
  for (std::int64_t p = last; p >= first; --p) {
    const std::uint8_t* page = tail.data() + (p - first);
    if (std::memcmp(page, "OggS", 4) == 0) {
      samples = static_cast<std::int32_t>(LittleEndian32(page + 6));
      return true;
    }
  }
  return true;
}

double TOggVorbis::GetDuration() const {
  if (Samples > 0) return SampleRate == 0 ? 0 : static_cast<double>(Samples) / SampleRate;
  if (BitRateNominal != 0 && ChannelModeID > 0) {
    return static_cast<double>(FileSize - ID3v2Size) / BitRateNominal / ChannelModeID / 125 * 2;
  }
  return 0;
}

std::uint16_t TOggVorbis::GetBitRate() const {
  const double duration = GetDuration();
  if (!(duration > 0)) return 0;
  return tags::RoundTo16Bits(static_cast<double>(FileSize - ID3v2Size) / duration / 125);
}

bool TOggVorbis::GetValid() const {
  return (ChannelModeID == 1 || ChannelModeID == 2) && SampleRate > 0 && GetDuration() > 0.1 &&
         GetBitRate() > 0;
}
