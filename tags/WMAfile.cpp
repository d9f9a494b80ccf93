#include "tags/WMAfile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "tags/TagFile.h"
#include "tags/TextCodec.h"

namespace {

// The 16 bytes of a GUID in its text form "8-4-4-4-12": the first three
// groups little-endian, the last two as written.
constexpr TASFGuid GuidFromText(const char (&text)[37]) {
  auto hex = [&](int i) {
    const char c = text[i];
    return static_cast<std::uint8_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  };
  auto byte_at = [&](int i) { return static_cast<std::uint8_t>(hex(i) << 4 | hex(i + 1)); };
  constexpr int kTextPositions[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
  TASFGuid guid{};
  for (int i = 0; i < 16; ++i) guid[i] = byte_at(kTextPositions[i]);
  return guid;
}

enum Slot { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment };

// Every ASF object starts with its GUID and a 64-bit size.
constexpr int kObjectHeaderSize = 24;
// Texts are read up to this many characters; the rest is skipped.
constexpr std::uint32_t kMaxTextUnits = 250;

std::uint16_t LittleEndian16(const std::uint8_t* b) {
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t LittleEndian32(const std::uint8_t* b) {
  return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
         (std::uint32_t{b[3]} << 24);
}

std::uint64_t LittleEndian64(const std::uint8_t* b) {
  return LittleEndian32(b) | (std::uint64_t{LittleEndian32(b + 4)} << 32);
}

// Reads inside one object, never past its end. Any read that would leave
// the object fails, and so does every later one.
class ObjectReader {
 public:
  ObjectReader(tags::TagFile& file, std::int64_t start, std::int64_t end)
      : file_(file), position_(start), end_(end) {}

  bool Fine() const { return !failed_; }
  bool IOError() const { return io_error_; }

  bool Bytes(void* out, std::uint32_t count) {
    if (failed_ || position_ + count > end_) return Fail(false);
    const int got = file_.ReadAt(position_, out, static_cast<int>(count));
    if (got != static_cast<int>(count)) return Fail(got < 0);
    position_ += count;
    return true;
  }
  bool Skip(std::uint32_t count) {
    if (failed_ || position_ + count > end_) return Fail(false);
    position_ += count;
    return true;
  }
  bool Word(std::uint16_t& value) {
    std::uint8_t b[2];
    if (!Bytes(b, 2)) return false;
    value = LittleEndian16(b);
    return true;
  }
  // A field of `length` bytes of UTF-16LE text, of which the first 250
  // characters are taken (a terminating zero stays; trimming removes it).
  bool Text(std::uint32_t length, std::string& text) {
    const std::uint32_t units = std::min(length / 2, kMaxTextUnits);
    std::uint8_t bytes[kMaxTextUnits * 2];
    if (!Bytes(bytes, units * 2) || !Skip(length - units * 2)) return false;
    std::u16string wide(units, u'\0');
    for (std::uint32_t i = 0; i < units; ++i) wide[i] = static_cast<char16_t>(LittleEndian16(bytes + 2 * i));
    text = tags::Utf16ToUtf8(wide);
    return true;
  }

 private:
  bool Fail(bool io_error) {
    failed_ = true;
    io_error_ = io_error_ || io_error;
    return false;
  }

  tags::TagFile& file_;
  std::int64_t position_;
  std::int64_t end_;
  bool failed_ = false;
  bool io_error_ = false;
};

// What the header objects tell.
struct HeaderFacts {
  std::uint64_t play_duration = 0;  // 100 ns units, preroll included
  std::uint64_t preroll_ms = 0;
  bool broadcast = false;  // a live stream: no duration is known
  std::uint32_t max_bit_rate = 0;
  std::uint16_t channels = 0;
  std::uint32_t sample_rate = 0;
  std::uint32_t byte_rate = 0;
  std::array<std::string, 7> texts;
};

// From the play duration on: play and send duration (100 ns units),
// preroll (ms), flags, the two packet sizes, the maximum bit rate.
void ReadFileProperties(ObjectReader& object, HeaderFacts& facts) {
  std::uint8_t b[40];
  if (object.Skip(64 - kObjectHeaderSize) && object.Bytes(b, sizeof b)) {
    facts.play_duration = LittleEndian64(b);
    facts.preroll_ms = LittleEndian64(b + 16);
    facts.broadcast = (b[24] & 1) != 0;
    facts.max_bit_rate = LittleEndian32(b + 36);
  }
}

// The audio format of a stream: channels, sample rate and bytes per second.
void ReadStreamProperties(ObjectReader& object, HeaderFacts& facts) {
  std::uint8_t format[10];
  if (object.Skip(80 - kObjectHeaderSize) && object.Bytes(format, sizeof format)) {
    facts.channels = LittleEndian16(format);
    facts.sample_rate = LittleEndian32(format + 2);
    facts.byte_rate = LittleEndian32(format + 6);
  }
}

// Title, author, rights notice, description, rating: five lengths, then
// the texts that are not empty.
void ReadContentDescription(ObjectReader& object, HeaderFacts& facts) {
  std::uint16_t lengths[5];
  for (std::uint16_t& length : lengths) {
    if (!object.Word(length)) return;
  }
  constexpr int kSlotOf[5] = {kTitle, kArtist, -1, kComment, -1};
  for (int i = 0; i < 5; ++i) {
    std::string text;
    if (lengths[i] == 0) continue;
    if (!object.Text(lengths[i], text)) return;
    if (kSlotOf[i] >= 0) facts.texts[kSlotOf[i]] = text;
  }
}

// Named values: those with a known name and a text value fill their slot.
void ReadExtendedContentDescription(ObjectReader& object, HeaderFacts& facts) {
  std::uint16_t count = 0;
  if (!object.Word(count)) return;
  for (; count > 0; --count) {
    std::uint16_t name_length = 0, value_type = 0, value_length = 0;
    std::string name, value;
    if (!object.Word(name_length) || !object.Text(name_length, name) || !object.Word(value_type) ||
        !object.Word(value_length)) {
      return;
    }
    const bool is_text = value_type == 0;
    if (!(is_text ? object.Text(value_length, value) : object.Skip(value_length))) return;
    if (!is_text) continue;
    const std::string key = tags::AsciiUpperCase(tags::TrimBlanks(name));
    for (std::size_t slot = 0; slot < WMAFieldNames.size(); ++slot) {
      if (key == WMAFieldNames[slot]) facts.texts[slot] = value;
    }
  }
}

// Seconds of audio: the play duration less the preroll where the file
// gives them, else estimated from the file size and the maximum bit rate
// (which counts the header and any padding as audio).
double DurationOf(const HeaderFacts& facts, std::int32_t file_size) {
  const double play = static_cast<double>(facts.play_duration) / 1e7;
  const double preroll = static_cast<double>(facts.preroll_ms) / 1e3;
  if (!facts.broadcast && play > preroll) return play - preroll;
  return static_cast<double>(file_size) * 8 / facts.max_bit_rate;
}

bool IsValid(const HeaderFacts& facts) {
  return facts.max_bit_rate >= 1 && facts.max_bit_rate < 320000 &&
         (facts.channels == 1 || facts.channels == 2) && facts.sample_rate >= 8000 &&
         facts.sample_rate <= 96000 && facts.byte_rate >= 1 && facts.byte_rate < 40000;
}

}  // namespace

const std::array<const char*, 7> WMAFieldNames = {"WM/TITLE", "WM/AUTHOR", "WM/ALBUMTITLE",
                                                  "WM/TRACK", "WM/YEAR",   "WM/GENRE",
                                                  "WM/DESCRIPTION"};

const TASFGuid WMA_HEADER_ID = GuidFromText("75B22630-668E-11CF-A6D9-00AA0062CE6C");
const TASFGuid WMA_FILE_PROPERTIES_ID = GuidFromText("8CABDCA1-A947-11CF-8EE4-00C00C205365");
const TASFGuid WMA_STREAM_PROPERTIES_ID = GuidFromText("B7DC0791-A9B7-11CF-8EE6-00C00C205365");
const TASFGuid WMA_CONTENT_DESCRIPTION_ID = GuidFromText("75B22633-668E-11CF-A6D9-00AA0062CE6C");
const TASFGuid WMA_EXTENDED_CONTENT_DESCRIPTION_ID =
    GuidFromText("D2D0A440-E307-11D2-97F0-00A0C95EA850");

void TWMAfile::ResetData() {
  Valid = false;
  FileSize = 0;
  ChannelModeID = 0;
  SampleRate = 0;
  Duration = 0;
  BitRate = 0;
  Track = 0;
  for (std::string* text : {&Title, &Artist, &Album, &Year, &Genre, &Comment}) text->clear();
}

bool TWMAfile::ReadFromFile(const String& FileName) {
  ResetData();
  tags::TagFile file;
  if (!file.Open(FileName)) return false;
  // The header object: its GUID, its size, the number of objects it holds
  // and two reserved bytes; the objects follow.
  std::uint8_t header[30];
  const int got = file.ReadAt(0, header, sizeof header);
  if (got < 0) return false;
  if (got < 30 || !std::equal(WMA_HEADER_ID.begin(), WMA_HEADER_ID.end(), header)) return true;

  HeaderFacts facts;
  std::int64_t position = sizeof header;
  for (std::uint32_t count = LittleEndian32(header + 24); count > 0; --count) {
    std::uint8_t object_header[kObjectHeaderSize];
    const int header_read = file.ReadAt(position, object_header, kObjectHeaderSize);
    if (header_read < 0) return false;
    if (header_read < kObjectHeaderSize) break;
    std::uint64_t size = 0;
    for (int i = 7; i >= 0; --i) size = (size << 8) | object_header[16 + i];
    // A size that cannot hold the object's own header, or that runs past
    // the file, ends the walk.
    if (size < kObjectHeaderSize || size > static_cast<std::uint64_t>(file.Size() - position)) break;
    ObjectReader object(file, position + kObjectHeaderSize, position + static_cast<std::int64_t>(size));
    auto is = [&](const TASFGuid& id) { return std::equal(id.begin(), id.end(), object_header); };
    if (is(WMA_FILE_PROPERTIES_ID)) {
      ReadFileProperties(object, facts);
    } else if (is(WMA_STREAM_PROPERTIES_ID)) {
      ReadStreamProperties(object, facts);
    } else if (is(WMA_CONTENT_DESCRIPTION_ID)) {
      ReadContentDescription(object, facts);
    } else if (is(WMA_EXTENDED_CONTENT_DESCRIPTION_ID)) {
      ReadExtendedContentDescription(object, facts);
    }
    if (object.IOError()) return false;
    position += static_cast<std::int64_t>(size);
  }

  if (!IsValid(facts)) return true;
  Valid = true;
  FileSize = static_cast<std::int32_t>(
      std::min<std::int64_t>(file.Size(), std::numeric_limits<std::int32_t>::max()));
  ChannelModeID = static_cast<std::uint8_t>(facts.channels);
  SampleRate = static_cast<std::int32_t>(facts.sample_rate);
  Duration = DurationOf(facts, FileSize);
  BitRate = static_cast<std::int32_t>(facts.byte_rate * 8 / 1000);
  std::array<std::string, 7> texts;
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = tags::TrimBlanks(facts.texts[i]);
  Title = texts[kTitle];
  Artist = texts[kArtist];
  Album = texts[kAlbum];
  Track = tags::DecimalOrDefault(texts[kTrack], 0);
  Year = texts[kYear];
  Genre = texts[kGenre];
  Comment = texts[kComment];
  return true;
}
