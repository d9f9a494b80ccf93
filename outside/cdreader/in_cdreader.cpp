// in_CDReader.dll: plays the ".cda" track files of a CD letter by reading
// the disc's audio digitally through the platform's CD layer, at 44100 Hz,
// stereo, 16 bits, through the plug-ins' common player thread.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "outside/plugins/common/decoder_module.h"
#include "outside/plugins/common/plugin_player.h"
#include "outside/winamp/winamp_api.h"
#include "platform/cd/cd.h"
#include "platform/core/handles.h"
#include "platform/fs/files.h"

#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace cd = platform::cd;

namespace {

constexpr int kTrackFileSize = 44;
constexpr int kBlockSectors = 4;  // one write: 4 sectors, about 53 ms
constexpr int kSectorFrames = cd::kSectorBytes / 4;  // stereo 16-bit frames a sector

// What a track file names.
struct Track {
  char letter = 0;
  int number = 0;
  int32_t start = 0;
  int32_t sectors = 0;
  int length_ms() const { return static_cast<int>(int64_t{sectors} * 1000 / cd::kSectorsPerSecond); }
  // "Track 02"; nothing for a track file without a number.
  std::string title() const {
    if (number <= 0) return std::string();
    char text[GETFILEINFO_TITLE_LENGTH];
    std::snprintf(text, sizeof text, "Track %02d", number);
    return text;
  }
};

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

std::optional<Track> ReadTrack(const char* file) {
  if (file == nullptr || !*file) return std::nullopt;
  // The track files of a CD letter exist only through the platform's file
  // calls (the drive's root lists them).
  HANDLE handle = CreateFile(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  uint8_t b[kTrackFileSize];
  DWORD read = 0;
  const BOOL ok = ReadFile(handle, b, kTrackFileSize, &read, nullptr);
  CloseHandle(handle);
  if (!ok || read != kTrackFileSize) return std::nullopt;
  if (std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "CDDAfmt ", 8) != 0) return std::nullopt;
  Track t;
  t.number = b[22] | b[23] << 8;
  t.start = static_cast<int32_t>(Le32(b + 28));
  t.sectors = static_cast<int32_t>(Le32(b + 32));
  if (t.start < 0 || t.sectors <= 0) return std::nullopt;
  // The drive is the letter the file lies on.
  const std::string path = file;
  if (path.size() >= 2 && path[1] == ':') t.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  return t;
}

// One track's sectors, read straight off the disc. A read that gives
// nothing, or a disc taken out, ends the track there.
class TrackDecoder : public velko_plugin::Decoder {
 public:
  // Nothing when the drive holds no readable disc or the track does not lie
  // on it.
  static std::unique_ptr<TrackDecoder> Open(const Track& track) {
    std::unique_ptr<cd::AudioReader> reader = cd::AudioReader::Open(track.letter);
    if (!reader || track.start + track.sectors > reader->toc().lead_out) return nullptr;
    return std::unique_ptr<TrackDecoder>(new TrackDecoder(track, std::move(reader)));
  }

  int rate() const override { return 44100; }
  int channels() const override { return 2; }
  int length_ms() const override { return track_.length_ms(); }
  const std::string& title() const override { return title_; }

  int Read(std::int16_t* out, int max_frames) override {
    const int count = std::min(max_frames / kSectorFrames, track_.sectors - position_);
    if (count <= 0) return 0;
    // Reads may come back short.
    long done = 0;
    while (done < count) {
      const long n = reader_->ReadSectors(track_.start + position_ + static_cast<int32_t>(done), count - done,
                                          reinterpret_cast<char*>(out) + done * cd::kSectorBytes);
      if (n <= 0) break;
      done += n;
    }
    if (done < count || !cd::HasDisc(track_.letter)) {
      position_ = track_.sectors;
      return 0;
    }
    position_ += count;
    return count * kSectorFrames;
  }

  void Seek(int ms) override {
    position_ = static_cast<int32_t>(std::min<int64_t>(track_.sectors, int64_t{ms} * cd::kSectorsPerSecond / 1000));
  }

 private:
  TrackDecoder(const Track& track, std::unique_ptr<cd::AudioReader> reader)
      : track_(track), title_(track.title()), reader_(std::move(reader)) {}

  const Track track_;
  const std::string title_;
  std::unique_ptr<cd::AudioReader> reader_;
  int32_t position_ = 0;  // sectors into the track
};

struct CdPlugin {
  static constexpr char kDescription[] = "Velko CD audio reader 1.0";
  static constexpr char kExtensions[] = "CDA\0CD audio tracks\0";
  static constexpr int kBlockFrames = kBlockSectors * kSectorFrames;

  static void About(HWND) {}

  static void FileInfo(const char* file, char* title, int* length_in_ms) {
    const std::optional<Track> track = ReadTrack(file);
    if (title) velko_plugin::CopyTitle(track ? track->title() : std::string(), title);
    if (length_in_ms) *length_in_ms = track ? track->length_ms() : 0;
  }

  // A file that names no track of a drive is "file not found"; a disc that
  // cannot be read, or a track that is not on it, any other failure.
  static std::unique_ptr<velko_plugin::Decoder> Open(const char* file, int* error) {
    const std::optional<Track> track = ReadTrack(file);
    if (!track || !track->letter) return nullptr;
    *error = 1;
    return TrackDecoder::Open(*track);
  }
};

}  // namespace

PLUGIN_EXPORT In_Module* winampGetInModule2() { return velko_plugin::DecoderModule<CdPlugin>::Get(); }
