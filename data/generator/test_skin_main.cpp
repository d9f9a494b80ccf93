// Writes the skin engine's test skins into the folder named on the command
// line.
#include <cstdio>
#include <exception>

#include "data/generator/test_skin.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  try {
    art::WriteTestSkins(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "test skins: %s\n", e.what());
    return 1;
  }
  return 0;
}
