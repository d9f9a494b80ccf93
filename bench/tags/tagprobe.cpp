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
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "bench/tags/stream_info_probe.h"
#include "platform/fs/drives.h"

namespace {

namespace fs = std::filesystem;

bool IsAudioFile(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot);
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

// A file to probe: its path as found and its platform path (none when no
// drive holds it).
struct Found {
  std::string path;
  std::optional<std::string> platform_path;
};

// The platform path of a Linux file or folder; the drive table maps / to Z:.
std::optional<std::string> PlatformPathOf(const std::string& path) {
  std::error_code error;
  return platform::PlatformPath(fs::absolute(path, error).lexically_normal().string());
}

std::string Join(const std::string& folder, const std::string& name, char separator) {
  return !folder.empty() && folder.back() == separator ? folder + name : folder + separator + name;
}

// The audio files under a folder and its subfolders (linked folders are
// not entered; folders that cannot be read are passed over). A folder's
// platform path is worked out once for all its files.
void Collect(const std::string& folder, std::vector<Found>& files) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::optional<std::string> platform_folder = PlatformPathOf(folder);
  std::vector<std::string> subfolders;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = Join(folder, name, '/');
    unsigned char type = entry->d_type;
    struct stat st {};
    if (type == DT_UNKNOWN && lstat(path.c_str(), &st) == 0) type = IFTODT(st.st_mode);
    if (type == DT_DIR) {
      subfolders.push_back(path);
    } else if (IsAudioFile(name) &&
               (type == DT_REG || (type == DT_LNK && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)))) {
      files.push_back(
          {path, platform_folder ? std::optional<std::string>(Join(*platform_folder, name, '\\')) : std::nullopt});
    }
  }
  closedir(dir);
  for (const std::string& subfolder : subfolders) Collect(subfolder, files);
}

// Paths in the order of their names, folder by folder.
bool ByComponents(const Found& a, const Found& b) {
  const auto [in_a, in_b] = std::mismatch(a.path.begin(), a.path.end(), b.path.begin(), b.path.end());
  if (in_b == b.path.end()) return false;
  if (in_a == a.path.end()) return true;
  // A separator sorts before any character, so a folder's name is compared
  // as a whole first.
  const auto key = [](char c) { return c == '/' ? 0 : static_cast<unsigned char>(c) + 1; };
  return key(*in_a) < key(*in_b);
}

// The files an argument names: itself, or the audio files under a folder
// in name order.
std::vector<Found> FilesOf(const std::string& argument) {
  std::vector<Found> files;
  std::error_code error;
  if (!fs::is_directory(argument, error)) {
    files.push_back({argument, PlatformPathOf(argument)});
    return files;
  }
  Collect(argument, files);
  std::sort(files.begin(), files.end(), ByComponents);
  return files;
}

void PrintLine(const std::string& path, const velko_bench::ProbedStream& s) {
  std::cout << Printable(path) << '\t' << s.reader << '\t'
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
  std::ios::sync_with_stdio(false);
  velko_bench::StreamProbe probe;
  int unreadable = 0;
  for (int i = 1; i < argc; ++i) {
    for (const Found& file : FilesOf(argv[i])) {
      if (!file.platform_path) {
        std::cerr << "tagprobe: no drive holds \"" << file.path << "\"\n";
        ++unreadable;
        continue;
      }
      const velko_bench::ProbedStream stream = probe.Probe(*file.platform_path);
      if (!stream.read && stream.reader != "none") ++unreadable;
      PrintLine(file.path, stream);
    }
  }
  return unreadable == 0 ? 0 : 1;
}
