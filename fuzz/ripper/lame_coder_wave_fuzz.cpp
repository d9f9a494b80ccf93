// TLameCoder reading any file as its input: a WAV file by its chunks, or
// raw PCM. Errors raise ELameError or a file error, never more.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "classlib/Exceptions.h"
#include "platform/fs/drives.h"
#include "ripper/LameCoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 64 * 1024) return 0;
  static const std::string folder = [] {
    char pattern[] = "/tmp/velko-fuzz-lame-XXXXXX";
    return std::string(mkdtemp(pattern));
  }();
  const std::string input = folder + "/in.wav";
  FILE* f = std::fopen(input.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  TLameCoder coder(nullptr);
  TStringList inputs;
  inputs.Add(*platform::PlatformPath(input));
  coder.SetInputFiles(&inputs);
  try {
    coder.Encode();
  } catch (const Exception&) {
  }
  return 0;
}
