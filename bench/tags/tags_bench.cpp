// Reading the stream information of audio files from a warm cache, as the
// player's GetStreamInfo does for each file it opens: files per second for
// MP3 (with ID3v1 and ID3v2 tags), Ogg Vorbis, WMA and WAV, next to the cost
// of opening and reading the start of a file at all.
//
// The goal for MP3 with both tags is at least 50,000 files per second on
// one core.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/tags/stream_info_probe.h"
#include "platform/core/handles.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "tests/tags/audio_builders.h"

namespace {

namespace fs = std::filesystem;
using namespace velko_test;

constexpr int kCopies = 256;

// A folder of test audio mapped to drive B:, made once for the whole run.
class AudioFolder {
 public:
  AudioFolder() {
    std::string pattern = (fs::temp_directory_path() / "velko-tags-bench-XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
    platform::MapDrive('B', folder_.string());

    const std::string id3v2 = Id3v2Tag(3, {Id3v2Frame(3, "TIT2", Latin1Text("A song of some length")),
                                           Id3v2Frame(3, "TPE1", Latin1Text("An artist")),
                                           Id3v2Frame(3, "TALB", Latin1Text("An album")),
                                           Id3v2Frame(3, "TRCK", Latin1Text("7/12")),
                                           Id3v2Frame(3, "TYER", Latin1Text("2004")),
                                           Id3v2Frame(3, "TCON", Latin1Text("(17)Rock")),
                                           Id3v2Frame(3, "COMM", Latin1Comment("", "A comment"))},
                                       1024);
    const std::string id3v1 = Id3v1Tag("A song", "An artist", "An album", "2004", "A comment", 7, 17);
    Write("cbr", ".mp3", id3v2 + EncodeMp3(Mp3Options{.seconds = 10}) + id3v1);
    Write("vbr", ".mp3", id3v2 + EncodeMp3(Mp3Options{.seconds = 10, .vbr = true, .vbr_tag = true}) + id3v1);
    Write("song", ".ogg", EncodeOgg(OggOptions{.seconds = 10,
                                            .comments = {{"TITLE", "A song"}, {"ARTIST", "An artist"},
                                                         {"ALBUM", "An album"}, {"TRACKNUMBER", "7"},
                                                         {"DATE", "2004"}, {"GENRE", "Rock"}}}));
    Write("song", ".wma",
          AsfFile({AsfFileProperties(128000), AsfStreamProperties(2, 44100, 16000),
                   AsfContentDescription(u"A song", u"An artist", u"", u"A comment", u""),
                   AsfExtendedContentDescription({AsfText(u"WM/AlbumTitle", u"An album"), AsfText(u"WM/Track", u"7"),
                                                  AsfText(u"WM/Year", u"2004"), AsfText(u"WM/Genre", u"Rock")})},
                  160000));
    Write("song", ".wav", WaveFile(2, 44100, 16, 176400));
  }
  ~AudioFolder() {
    platform::UnmapDrive('B');
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // The platform paths of the copies of one kind ("cbr.mp3").
  const std::vector<std::string>& Files(const std::string& kind) { return files_[kind]; }

 private:
  void Write(const std::string& stem, const std::string& ext, const std::string& bytes) {
    std::vector<std::string>& names = files_[stem + ext];
    for (int i = 0; i < kCopies; ++i) {
      const std::string name = stem + std::to_string(i) + ext;
      std::ofstream(folder_ / name, std::ios::binary) << bytes;
      names.push_back("B:\\" + name);
    }
  }

  fs::path folder_;
  std::map<std::string, std::vector<std::string>> files_;
};

AudioFolder& Folder() {
  static AudioFolder folder;
  return folder;
}

void ProbeFiles(benchmark::State& state, const std::string& kind) {
  const std::vector<std::string>& files = Folder().Files(kind);
  velko_bench::StreamProbe probe;
  for (const std::string& file : files) probe.Probe(file);  // warm the cache
  std::size_t i = 0;
  for (auto _ : state) {
    const velko_bench::ProbedStream info = probe.Probe(files[i++ % files.size()]);
    if (!info.valid) state.SkipWithError("a file did not read as valid");
    benchmark::DoNotOptimize(info.duration_ms);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_Mp3ConstantBitRateWithBothTags(benchmark::State& state) { ProbeFiles(state, "cbr.mp3"); }
void BM_Mp3XingWithBothTags(benchmark::State& state) { ProbeFiles(state, "vbr.mp3"); }
void BM_OggVorbis(benchmark::State& state) { ProbeFiles(state, "song.ogg"); }
void BM_Wma(benchmark::State& state) { ProbeFiles(state, "song.wma"); }
void BM_Wav(benchmark::State& state) { ProbeFiles(state, "song.wav"); }

// The floor: open a file through the platform, read its first 4 KB, close.
void BM_OpenReadClose(benchmark::State& state) {
  const std::vector<std::string>& files = Folder().Files("cbr.mp3");
  char buffer[4096];
  std::size_t i = 0;
  for (auto _ : state) {
    HANDLE file = CreateFile(files[i++ % files.size()].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    ReadFile(file, buffer, sizeof buffer, &done, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(done);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

BENCHMARK(BM_OpenReadClose);
BENCHMARK(BM_Mp3ConstantBitRateWithBothTags);
BENCHMARK(BM_Mp3XingWithBothTags);
BENCHMARK(BM_OggVorbis);
BENCHMARK(BM_Wma);
BENCHMARK(BM_Wav);

}  // namespace

BENCHMARK_MAIN();
