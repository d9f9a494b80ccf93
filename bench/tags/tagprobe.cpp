// tagprobe: prints, for each audio file named on the command line (or
// found under a folder named there), one tab-separated line with what the
// player's stream information would hold from the file readers:
//
//   path reader valid sample-rate bit-rate duration-ms channels title
//   artist album year genre genre-number track comment
//
// "valid" is 1 when the reader accepted the file, 0 when it read the file
// but did not accept it (the other fields are then empty), and "error"
// when the file could not be read. Tabs, line breaks and other control
// characters inside the texts are printed as spaces.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "bench/tags/stream_info_probe.h"
#include "platform/fs/drives.h"

namespace {

namespace fs = std::filesystem;

bool IsAudioFile(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".mp3" || ext == ".ogg" || ext == ".wma" || ext == ".wav";
}

std::string Printable(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  }
  return out;
}

// The files an argument names: itself, or the audio files under a folder
// in name order.
std::vector<fs::path> FilesOf(const std::string& argument) {
  std::vector<fs::path> files;
  std::error_code error;
  if (!fs::is_directory(argument, error)) {
    files.emplace_back(argument);
    return files;
  }
  for (fs::recursive_directory_iterator it(argument, fs::directory_options::skip_permission_denied, error), end;
       it != end; it.increment(error)) {
    if (error) break;
    if (it->is_regular_file(error) && IsAudioFile(it->path())) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void PrintLine(const fs::path& path, const velko_bench::ProbedStream& s) {
  std::cout << Printable(path.string()) << '\t' << s.reader << '\t'
            << (!s.read && s.reader != "none" ? "error" : s.valid ? "1" : "0") << '\t';
  if (s.valid) {
    std::cout << s.sample_rate << '\t' << s.bit_rate << '\t' << s.duration_ms << '\t' << s.channels << '\t'
              << Printable(s.title) << '\t' << Printable(s.artist) << '\t' << Printable(s.album) << '\t'
              << Printable(s.year) << '\t' << Printable(s.genre) << '\t' << int{s.genre_id} << '\t'
              << int{s.track} << '\t' << Printable(s.comment);
  } else {
    std::cout << "\t\t\t\t\t\t\t\t\t\t\t";
  }
  std::cout << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: tagprobe FILE-OR-FOLDER...\n";
    return 2;
  }
  velko_bench::StreamProbe probe;
  int unreadable = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& file : FilesOf(argv[i])) {
      // The readers take platform paths; the drive table maps / to Z:.
      std::error_code error;
      const fs::path absolute = fs::absolute(file, error);
      const std::optional<std::string> platform_path = platform::PlatformPath(absolute.lexically_normal().string());
      if (!platform_path) {
        std::cerr << "tagprobe: no drive holds " << file << '\n';
        ++unreadable;
        continue;
      }
      const velko_bench::ProbedStream stream = probe.Probe(*platform_path);
      if (!stream.read && stream.reader != "none") ++unreadable;
      PrintLine(file, stream);
    }
  }
  return unreadable == 0 ? 0 : 1;
}
