// Draws every generated data file into the folder named on the command
// line (created when missing); prints each file's name.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include "data/generator/artwork.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s <output folder> [<program folder output>]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) {
    std::fprintf(stderr, "cannot create %s: %s\n", out.c_str(), ec.message().c_str());
    return 1;
  }
  std::vector<art::ArtFile> files;
  art::AddResourceArtwork(files);
  art::AddShellArtwork(files);
  art::AddSkinArtwork(files);
  art::AddWindowArtwork(files);
  const std::filesystem::path program_out = argc == 3 ? std::filesystem::path(argv[2]) : out;
  if (argc == 3) {
    art::AddProgramArtwork(files);
    std::filesystem::create_directories(program_out, ec);
  }
  for (const art::ArtFile& f : files) {
    try {
      const art::Bytes bytes = f.draw();
      const std::filesystem::path target = (f.program_folder ? program_out : out) / f.name;
      std::ofstream file(target, std::ios::binary | std::ios::trunc);
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!file) {
        std::fprintf(stderr, "cannot write %s\n", target.c_str());
        return 1;
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", f.name.c_str(), e.what());
      return 1;
    }
  }
  std::printf("%zu data files drawn into %s\n", files.size(), out.c_str());
  return 0;
}
