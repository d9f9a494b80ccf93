// Test audio for the tag and header readers: MP3 from libmp3lame, Ogg
// Vorbis from libvorbisenc, and tags, Ogg pages, ASF objects and WAVE
// headers put together byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velko_test {

// ---- byte helpers ----
std::string LE16(std::uint16_t v);
std::string LE32(std::uint32_t v);
std::string LE64(std::uint64_t v);
std::string BE32(std::uint32_t v);
std::string SyncSafe32(std::uint32_t v);
// Text as UTF-16LE bytes, without a terminator.
std::string Utf16LE(const std::u16string& text);

// ---- MP3 ----
struct Mp3Options {
  int sample_rate = 44100;
  int channels = 2;
  double seconds = 2.0;
  int bit_rate = 128;    // kbit/s for constant bit rate
  bool vbr = false;      // variable bit rate (quality 4)
  bool vbr_tag = false;  // write the Xing/Info frame with the LAME tag
};
// The frames of an encoded tone, without tags.
std::string EncodeMp3(const Mp3Options& options);

// ---- ID3 ----
// The 128-byte ID3v1 tag; a track number above 0 makes it ID3v1.1.
std::string Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     const std::string& year, const std::string& comment, int track, int genre);
// One frame of an ID3v2 tag of the given major version (2, 3 or 4).
std::string Id3v2Frame(int version, const std::string& id, const std::string& data,
                       std::uint8_t format_flags = 0);
// A whole tag: header, frames and `padding` zero bytes.
std::string Id3v2Tag(int version, const std::vector<std::string>& frames, std::size_t padding = 0,
                     std::uint8_t flags = 0);
// Frame contents: encoding 0 (Latin-1) or 1 (UTF-16 with the FF FE mark).
std::string Latin1Text(const std::string& bytes);
std::string Utf16Text(const std::u16string& text);
// A comment frame's contents: encoding, "eng", description, text.
std::string Latin1Comment(const std::string& description, const std::string& text);
std::string Utf16Comment(const std::u16string& description, const std::u16string& text);

// ---- Ogg Vorbis ----
struct OggOptions {
  int sample_rate = 44100;
  int channels = 2;
  double seconds = 2.0;
  std::vector<std::pair<std::string, std::string>> comments = {};
};
// An encoded tone with the comments given.
std::string EncodeOgg(const OggOptions& options);
// The total number of samples of a file EncodeOgg makes.
std::int64_t OggSamples(const OggOptions& options);

// An Ogg page header ("OggS" ... segment table) for a packet of the given
// size; the checksum is left zero (the reader does not check it).
std::string OggPageHeader(std::uint64_t granule, std::uint32_t sequence, std::size_t packet_size);
// The 30-byte Vorbis identification header.
std::string VorbisIdentification(int channels, std::uint32_t sample_rate, std::int32_t nominal_bit_rate);
// The first two pages of a Vorbis file built by hand: identification, then
// a comment packet made of `comment_body` (vendor, count, comments).
std::string HandMadeVorbisHeaders(int channels, std::uint32_t sample_rate,
                                  std::int32_t nominal_bit_rate, const std::string& comment_body);
// A comment body: vendor, then the comments in order.
std::string VorbisCommentBody(const std::string& vendor, const std::vector<std::string>& comments);

// ---- ASF ----
std::string AsfGuid(const char* text);  // "75B22630-668E-11CF-A6D9-00AA0062CE6C"
std::string AsfObject(const char* guid, const std::string& body);
std::string AsfFileProperties(std::uint32_t max_bit_rate);
std::string AsfStreamProperties(int channels, std::uint32_t sample_rate, std::uint32_t byte_rate);
std::string AsfContentDescription(const std::u16string& title, const std::u16string& author,
                                  const std::u16string& rights, const std::u16string& description,
                                  const std::u16string& rating);
struct AsfDescriptor {
  std::u16string name;
  std::uint16_t type = 0;  // 0 text
  std::string value;       // raw value bytes
};
AsfDescriptor AsfText(const std::u16string& name, const std::u16string& value);
std::string AsfExtendedContentDescription(const std::vector<AsfDescriptor>& descriptors);
// A header object holding `objects`, followed by `trailing` bytes (the data).
std::string AsfFile(const std::vector<std::string>& objects, std::size_t trailing = 1000);

// An ASF file of `seconds` of a tone in WMA version 2 at 128 kbit/s, made by
// the ffmpeg program at `path`. False when ffmpeg could not make it.
bool MakeWmaWithFfmpeg(const std::string& path, double seconds);

// ---- WAVE ----
// A 44-byte header and `data_bytes` zero bytes; `riff_size` overrides the
// RIFF size when not 0.
std::string WaveFile(int channels, std::uint32_t sample_rate, int bits, std::uint32_t data_bytes,
                     std::uint32_t riff_size = 0, std::uint16_t format = 1);

}  // namespace velko_test
