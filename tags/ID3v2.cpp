#include "tags/ID3v2.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "tags/TagFile.h"
#include "tags/TextCodec.h"

const std::array<std::array<const char*, 2>, 16> ID3v2FrameIDs = {{
    {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"},
    {"TYER", "TYE"}, {"TCON", "TCO"}, {"COMM", "COM"}, {"TCOM", "TCM"},
    {"TENC", "TEN"}, {"TCOP", "TCR"}, {"TLAN", "TLA"}, {"WXXX", "WXX"},
    {"TDRC", "TOR"}, {"TOPE", "TOA"}, {"TIT1", "TT1"}, {"TOAL", "TOT"},
}};

namespace {

enum Slot {
  kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment, kComposer,
  kEncoder, kCopyright, kLanguage, kLink, kRecordingTime, kOriginalArtist,
  kContentGroup, kOriginalAlbum
};

constexpr int kHeaderSize = 10;
// Only the start of a frame is read: enough for any text the player shows.
constexpr int kFrameTextSize = 500;

constexpr std::uint8_t kLatin1 = 0;
constexpr std::uint8_t kUtf16 = 1;
// Version 2.4 adds these two.
constexpr std::uint8_t kUtf16BigEndian = 2;
constexpr std::uint8_t kUtf8 = 3;

bool IsWide(std::uint8_t encoding) { return encoding == kUtf16 || encoding == kUtf16BigEndian; }

// Four 7-bit bytes, most significant first.
std::uint32_t SyncSafe(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 21) + (std::uint32_t{b[1]} << 14) + (std::uint32_t{b[2]} << 7) +
         b[3];
}

std::uint32_t BigEndian(const std::uint8_t* b, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | b[i];
  return value;
}

// The text of a frame: its encoding byte, then Latin-1 or UTF-8 bytes, or
// UTF-16 units (low byte first, or high byte first for the big-endian
// encoding) up to a zero unit. Trimmed at both ends.
std::string DecodeFrameText(std::string_view text) {
  if (text.empty()) return std::string();
  const auto encoding = static_cast<std::uint8_t>(text[0]);
  if (!IsWide(encoding)) {
    // The encoding byte and the zero padding are blanks and trim away
    // (blanks are the same bytes in Latin-1 and UTF-8).
    const std::string_view trimmed = tags::TrimBlanks(text);
    return encoding == kUtf8 ? tags::Utf8FromFile(trimmed) : tags::Latin1ToUtf8(trimmed);
  }
  const bool big_endian = encoding == kUtf16BigEndian;
  std::u16string units;
  for (std::size_t i = 1; i < text.size(); i += 2) {
    // An odd last byte pairs with the zero that follows the frame's text.
    const auto first = static_cast<std::uint8_t>(text[i]);
    const std::uint8_t second = i + 1 < text.size() ? static_cast<std::uint8_t>(text[i + 1]) : 0;
    const auto unit = static_cast<char16_t>(big_endian ? (first << 8) | second : first | (second << 8));
    if (unit == 0) break;
    if (i == 1 && unit == 0xFEFF) continue;  // the byte-order mark in the frame's own order
    units += unit;
  }
  return std::string(tags::TrimBlanks(tags::Utf16ToUtf8(units)));
}

// The text of a comment (COMM) or link (WXXX) frame: the encoding byte, for
// a comment three bytes of language, a short description ending in a zero
// (a zero unit for UTF-16 of either order), then the text itself. Empty when the
// description has no end within the bytes read.
std::string DecodeTextAfterDescription(std::string_view text, bool has_language) {
  if (text.empty()) return std::string();
  const std::size_t start = 1 + (has_language ? 3 : 0);
  std::size_t after = std::string_view::npos;
  if (IsWide(static_cast<std::uint8_t>(text[0]))) {
    for (std::size_t i = start; i + 1 < text.size(); i += 2) {
      if (text[i] == 0 && text[i + 1] == 0) {
        after = i + 2;
        break;
      }
    }
  } else if (start < text.size()) {
    const std::size_t zero = text.find('\0', start);
    if (zero != std::string_view::npos) after = zero + 1;
  }
  if (after == std::string_view::npos) return std::string();
  std::string rest(1, text[0]);
  rest += text.substr(after);
  return DecodeFrameText(rest);
}

// The text of one slot, or of another when the first gives nothing.
std::string Either(const std::string& first, const std::string& second) {
  return first.empty() ? second : first;
}

}  // namespace

std::int32_t tags::ID3v2SizeFromHeader(const std::uint8_t* header, std::int64_t file_size) {
  std::int64_t size = std::int64_t{SyncSafe(header + 6)} + kHeaderSize;
  if (header[5] & 0x10) size += kHeaderSize;  // a footer follows the frames
  return size > file_size ? 0 : static_cast<std::int32_t>(size);
}

void TID3v2::ResetData() {
  Exists = false;
  VersionID = 0;
  Size = 0;
  Track = 0;
  for (std::string* text : {&Title, &Artist, &Album, &TrackString, &Year, &Genre, &Comment,
                            &Composer, &Encoder, &Rights, &Language, &Link}) {
    text->clear();
  }
}

bool TID3v2::ReadFromFile(const String& FileName) {
  ResetData();
  tags::TagFile file;
  return file.Open(FileName) && ReadFromFile(file);
}

bool TID3v2::ReadFromFile(tags::TagFile& file) {
  ResetData();
  std::uint8_t header[kHeaderSize];
  if (file.ReadAt(0, header, kHeaderSize) != kHeaderSize) return false;
  if (std::memcmp(header, "ID3", 3) != 0) return true;
  Exists = true;
  VersionID = header[3];
  Size = tags::ID3v2SizeFromHeader(header, file.Size());
  if (VersionID < 2 || VersionID > 4 || Size < 1) return true;
  FrameTexts frames;
  if (!ReadFrames(file, frames)) return false;
  SetFields(frames);
  return true;
}

// Collects the text of every frame the slots name. A frame whose size
// would carry the walk past the end of the tag is the last one read.
bool TID3v2::ReadFrames(tags::TagFile& file, FrameTexts& frames) const {
  const bool old_layout = VersionID == 2;  // 3-letter identifiers, 24-bit sizes
  const int frame_header_size = old_layout ? 6 : 10;
  const int id_size = old_layout ? 3 : 4;
  const std::int64_t tag_end = Size;
  std::int64_t position = kHeaderSize;  // an extended header is not skipped
  while (position < tag_end && position < file.Size()) {
    std::uint8_t header[10];
    const int got = file.ReadAt(position, header, frame_header_size);
    if (got < 0) return false;
    if (got < frame_header_size || header[0] < 'A' || header[0] > 'Z') break;
    const std::uint32_t size = old_layout        ? BigEndian(header + 3, 3)
                               : VersionID == 3 ? BigEndian(header + 4, 4)
                                                : SyncSafe(header + 4);
    const std::int64_t data = position + frame_header_size;
    // Compressed frames (second flag byte 0x80) are not used.
    const bool usable = old_layout || (header[9] & 0x80) == 0;
    // The text is the frame's first 500 bytes; a frame cut short by the end
    // of the file reads as if zeros followed.
    std::string text(std::min<std::uint32_t>(size, kFrameTextSize), '\0');
    if (usable && file.ReadAt(data, text.data(), static_cast<int>(text.size())) < 0) return false;
    const std::uint8_t encoding = text.empty() ? kLatin1 : static_cast<std::uint8_t>(text[0]);
    const bool known = encoding == kLatin1 || encoding == kUtf16 ||
                       (VersionID == 4 && (encoding == kUtf16BigEndian || encoding == kUtf8));
    if (usable && known) {
      const std::string_view id(reinterpret_cast<const char*>(header), id_size);
      for (std::size_t slot = 0; slot < ID3v2FrameIDs.size(); ++slot) {
        if (id == ID3v2FrameIDs[slot][old_layout ? 1 : 0]) frames[slot] = text;
      }
    }
    const std::int64_t next = data + size;
    if (next > tag_end) break;
    position = next;
  }
  return true;
}

void TID3v2::SetFields(const FrameTexts& frames) {
  std::array<std::string, 16> text;
  for (std::size_t slot = 0; slot < frames.size(); ++slot) {
    if (slot != kComment && slot != kLink) text[slot] = DecodeFrameText(frames[slot]);
  }
  Title = Either(text[kTitle], text[kContentGroup]);
  Artist = Either(text[kArtist], text[kOriginalArtist]);
  Album = Either(text[kAlbum], text[kOriginalAlbum]);
  TrackString = text[kTrack];
  Track = tags::DecimalOrDefault(std::string_view(TrackString).substr(0, TrackString.find('/')), 0);
  Year = Either(text[kYear], tags::FirstCharacters(text[kRecordingTime], 4));
  // "(17)Rock" gives "Rock": the number in parentheses is dropped, not looked up.
  const std::size_t close = text[kGenre].rfind(')');
  Genre = close == std::string::npos ? text[kGenre] : text[kGenre].substr(close + 1);
  Comment = DecodeTextAfterDescription(frames[kComment], true);
  Link = DecodeTextAfterDescription(frames[kLink], false);
  Composer = text[kComposer];
  Encoder = text[kEncoder];
  Rights = text[kCopyright];
  Language = text[kLanguage];
}
