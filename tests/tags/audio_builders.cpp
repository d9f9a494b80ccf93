#include "tests/tags/audio_builders.h"

#include <fcntl.h>
#include <lame/lame.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>

#include "tests/support/vorbis_writer.h"

extern char** environ;

namespace velko_test {

std::string LE16(std::uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string LE32(std::uint32_t v) { return LE16(v & 0xFFFF) + LE16(v >> 16); }
std::string LE64(std::uint64_t v) { return LE32(static_cast<std::uint32_t>(v)) + LE32(v >> 32); }
std::string BE32(std::uint32_t v) {
  return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}
std::string SyncSafe32(std::uint32_t v) {
  return std::string{char((v >> 21) & 0x7F), char((v >> 14) & 0x7F), char((v >> 7) & 0x7F),
                     char(v & 0x7F)};
}
std::string Utf16LE(const std::u16string& text) {
  std::string out;
  for (char16_t u : text) out += LE16(u);
  return out;
}

namespace {

// A tone with a little noise, so the encoders have something to code.
std::vector<float> Tone(int sample_rate, int channels, std::int64_t frames) {
  std::vector<float> samples(static_cast<std::size_t>(frames * channels));
  std::mt19937 noise(7);
  std::uniform_real_distribution<float> jitter(-0.05f, 0.05f);
  for (std::int64_t i = 0; i < frames; ++i) {
    const float t = static_cast<float>(i) / sample_rate;
    for (int c = 0; c < channels; ++c) {
      samples[i * channels + c] = 0.5f * std::sin(2 * 3.14159265f * (440.0f + 110 * c) * t) + jitter(noise);
    }
  }
  return samples;
}

}  // namespace

std::string EncodeMp3(const Mp3Options& options) {
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, options.sample_rate);
  lame_set_out_samplerate(lame, options.sample_rate);
  lame_set_num_channels(lame, options.channels);
  lame_set_mode(lame, options.channels == 1 ? MONO : JOINT_STEREO);
  if (options.vbr) {
    lame_set_VBR(lame, vbr_default);
    lame_set_VBR_quality(lame, 4);
  } else {
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, options.bit_rate);
  }
  lame_set_bWriteVbrTag(lame, options.vbr_tag ? 1 : 0);
  lame_set_quality(lame, 7);
  if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params failed");

  const auto frames = static_cast<std::int64_t>(options.seconds * options.sample_rate);
  const std::vector<float> tone = Tone(options.sample_rate, options.channels, frames);
  std::vector<short> pcm(tone.size());
  for (std::size_t i = 0; i < tone.size(); ++i) pcm[i] = static_cast<short>(tone[i] * 30000);

  std::string out;
  std::vector<unsigned char> buffer(1 << 16);
  constexpr int kChunk = 4096;
  for (std::int64_t done = 0; done < frames; done += kChunk) {
    const int n = static_cast<int>(std::min<std::int64_t>(kChunk, frames - done));
    int bytes;
    if (options.channels == 1) {
      bytes = lame_encode_buffer(lame, pcm.data() + done, nullptr, n, buffer.data(),
                                 static_cast<int>(buffer.size()));
    } else {
      bytes = lame_encode_buffer_interleaved(lame, pcm.data() + done * 2, n, buffer.data(),
                                             static_cast<int>(buffer.size()));
    }
    if (bytes < 0) throw std::runtime_error("lame_encode_buffer failed");
    out.append(reinterpret_cast<char*>(buffer.data()), bytes);
  }
  const int tail = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
  if (tail < 0) throw std::runtime_error("lame_encode_flush failed");
  out.append(reinterpret_cast<char*>(buffer.data()), tail);
  if (options.vbr_tag) {
    // The encoder left room for the tag frame at the start; fill it in.
    const std::size_t tag = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    if (tag == 0 || tag > out.size()) throw std::runtime_error("no LAME tag frame");
    std::memcpy(out.data(), buffer.data(), tag);
  }
  lame_close(lame);
  return out;
}

std::string Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     const std::string& year, const std::string& comment, int track, int genre) {
  std::string tag = "TAG";
  auto field = [&](const std::string& text, std::size_t width) {
    std::string f = text.substr(0, width);
    f.resize(width, '\0');
    tag += f;
  };
  field(title, 30);
  field(artist, 30);
  field(album, 30);
  field(year, 4);
  if (track > 0) {
    field(comment, 28);
    tag += '\0';
    tag += static_cast<char>(track);
  } else {
    field(comment, 30);
  }
  tag += static_cast<char>(genre);
  return tag;
}

std::string Id3v2Frame(int version, const std::string& id, const std::string& data,
                       std::uint8_t format_flags) {
  const auto size = static_cast<std::uint32_t>(data.size());
  if (version == 2) return id + BE32(size).substr(1) + data;
  const std::string size_bytes = version == 3 ? BE32(size) : SyncSafe32(size);
  return id + size_bytes + std::string(1, '\0') + std::string(1, static_cast<char>(format_flags)) + data;
}

std::string Id3v2Tag(int version, const std::vector<std::string>& frames, std::size_t padding,
                     std::uint8_t flags) {
  std::string body;
  for (const std::string& f : frames) body += f;
  body.append(padding, '\0');
  return "ID3" + std::string{char(version), '\0', char(flags)} +
         SyncSafe32(static_cast<std::uint32_t>(body.size())) + body;
}

std::string Latin1Text(const std::string& bytes) { return std::string(1, '\0') + bytes; }

std::string Utf16Text(const std::u16string& text) {
  return std::string("\x01\xFF\xFE", 3) + Utf16LE(text) + std::string(2, '\0');
}

std::string Latin1Comment(const std::string& description, const std::string& text) {
  return std::string(1, '\0') + "eng" + description + std::string(1, '\0') + text;
}

std::string Utf16Comment(const std::u16string& description, const std::u16string& text) {
  return std::string(1, '\x01') + "eng" + "\xFF\xFE" + Utf16LE(description) + std::string(2, '\0') +
         "\xFF\xFE" + Utf16LE(text) + std::string(2, '\0');
}

std::int64_t OggSamples(const OggOptions& options) {
  return static_cast<std::int64_t>(options.seconds * options.sample_rate);
}

std::string EncodeOgg(const OggOptions& options) {
  VorbisParameters parameters;
  parameters.sample_rate = options.sample_rate;
  parameters.channels = options.channels;
  parameters.quality = 0.2f;
  parameters.serial = 1234;
  parameters.comments = options.comments;
  return EncodeVorbis(Tone(options.sample_rate, options.channels, OggSamples(options)), parameters);
}

std::string OggPageHeader(std::uint64_t granule, std::uint32_t sequence, std::size_t packet_size) {
  std::string segments;
  std::size_t left = packet_size;
  while (left >= 255) {
    segments += '\xFF';
    left -= 255;
  }
  segments += static_cast<char>(left);
  return std::string("OggS\0\x00", 6) + LE64(granule) + LE32(1234) + LE32(sequence) + LE32(0) +
         static_cast<char>(segments.size()) + segments;
}

std::string VorbisIdentification(int channels, std::uint32_t sample_rate, std::int32_t nominal_bit_rate) {
  return std::string("\x01vorbis", 7) + LE32(0) + static_cast<char>(channels) + LE32(sample_rate) +
         LE32(0) + LE32(static_cast<std::uint32_t>(nominal_bit_rate)) + LE32(0) + '\xB8' + '\x01';
}

std::string VorbisCommentBody(const std::string& vendor, const std::vector<std::string>& comments) {
  std::string body = LE32(static_cast<std::uint32_t>(vendor.size())) + vendor +
                     LE32(static_cast<std::uint32_t>(comments.size()));
  for (const std::string& c : comments) body += LE32(static_cast<std::uint32_t>(c.size())) + c;
  return body;
}

std::string HandMadeVorbisHeaders(int channels, std::uint32_t sample_rate,
                                  std::int32_t nominal_bit_rate, const std::string& comment_body) {
  const std::string identification = VorbisIdentification(channels, sample_rate, nominal_bit_rate);
  const std::string comments = std::string("\x03vorbis", 7) + comment_body + '\x01';
  return OggPageHeader(0, 0, identification.size()) + identification +
         OggPageHeader(0, 1, comments.size()) + comments;
}

std::string AsfGuid(const char* text) {
  auto hex = [&](int i) {
    auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    return static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1]));
  };
  const int order[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
  std::string guid;
  for (int p : order) guid += hex(p);
  return guid;
}

std::string AsfObject(const char* guid, const std::string& body) {
  return AsfGuid(guid) + LE64(24 + body.size()) + body;
}

std::string AsfFileProperties(std::uint32_t max_bit_rate) {
  // File ID, file size, creation date, packets, play and send duration,
  // preroll, flags, packet sizes, then the maximum bit rate at offset 100.
  std::string body(100 - 24, '\0');
  body += LE32(max_bit_rate);
  return AsfObject("8CABDCA1-A947-11CF-8EE4-00C00C205365", body);
}

std::string AsfStreamProperties(int channels, std::uint32_t sample_rate, std::uint32_t byte_rate) {
  // Stream type, error correction, time offset, lengths, flags, reserved;
  // then the wave format from offset 78.
  std::string body(78 - 24, '\0');
  body += LE16(0x161) + LE16(static_cast<std::uint16_t>(channels)) + LE32(sample_rate) +
          LE32(byte_rate) + LE16(2048) + LE16(16) + LE16(0);
  return AsfObject("B7DC0791-A9B7-11CF-8EE6-00C00C205365", body);
}

std::string AsfContentDescription(const std::u16string& title, const std::u16string& author,
                                  const std::u16string& rights, const std::u16string& description,
                                  const std::u16string& rating) {
  std::string lengths, texts;
  for (const std::u16string* t : {&title, &author, &rights, &description, &rating}) {
    const std::string bytes = t->empty() ? std::string() : Utf16LE(*t) + std::string(2, '\0');
    lengths += LE16(static_cast<std::uint16_t>(bytes.size()));
    texts += bytes;
  }
  return AsfObject("75B22633-668E-11CF-A6D9-00AA0062CE6C", lengths + texts);
}

AsfDescriptor AsfText(const std::u16string& name, const std::u16string& value) {
  return AsfDescriptor{name, 0, Utf16LE(value) + std::string(2, '\0')};
}

std::string AsfExtendedContentDescription(const std::vector<AsfDescriptor>& descriptors) {
  std::string body = LE16(static_cast<std::uint16_t>(descriptors.size()));
  for (const AsfDescriptor& d : descriptors) {
    const std::string name = Utf16LE(d.name) + std::string(2, '\0');
    body += LE16(static_cast<std::uint16_t>(name.size())) + name + LE16(d.type) +
            LE16(static_cast<std::uint16_t>(d.value.size())) + d.value;
  }
  return AsfObject("D2D0A440-E307-11D2-97F0-00A0C95EA850", body);
}

std::string AsfFile(const std::vector<std::string>& objects, std::size_t trailing) {
  std::string body = LE32(static_cast<std::uint32_t>(objects.size())) + '\x01' + '\x02';
  for (const std::string& o : objects) body += o;
  return AsfObject("75B22630-668E-11CF-A6D9-00AA0062CE6C", body) + std::string(trailing, '\0');
}

bool MakeWmaWithFfmpeg(const std::string& path, double seconds) {
  const std::string source = "sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds);
  std::vector<std::string> args = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi",
                                   "-i", source, "-ac", "2", "-c:a", "wmav2", "-b:a", "128k", "-f", "asf", path};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string WaveFile(int channels, std::uint32_t sample_rate, int bits, std::uint32_t data_bytes,
                     std::uint32_t riff_size, std::uint16_t format) {
  const std::uint32_t block = static_cast<std::uint32_t>(channels * bits / 8);
  return "RIFF" + LE32(riff_size != 0 ? riff_size : 36 + data_bytes) + "WAVE" + "fmt " + LE32(16) +
         LE16(format) + LE16(static_cast<std::uint16_t>(channels)) + LE32(sample_rate) +
         LE32(sample_rate * block) + LE16(static_cast<std::uint16_t>(block)) +
         LE16(static_cast<std::uint16_t>(bits)) + "data" + LE32(data_bytes) + std::string(data_bytes, '\0');
}

}  // namespace velko_test
