// Draws every generated data file into the folder named on the command
// line (created when missing); prints each file's name.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include "data/generator/artwork.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
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
  for (const art::ArtFile& f : files) {
    try {
      const art::Bytes bytes = f.draw();
      std::ofstream file(out / f.name, std::ios::binary | std::ios::trunc);
      file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!file) {
        std::fprintf(stderr, "cannot write %s\n", (out / f.name).c_str());
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
