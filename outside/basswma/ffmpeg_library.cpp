#include "outside/basswma/ffmpeg_library.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace velko_ffmpeg {

namespace {

Library g_library;

// A library this code was built against, by file name.
void* Open(const char* name, int major) {
  const std::string file = std::string("lib") + name + ".so." + std::to_string(major);
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

}  // namespace

bool Load() {
  static std::mutex mutex;
  static bool loaded = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (loaded) return true;
  void* avutil = Open("avutil", LIBAVUTIL_VERSION_MAJOR);
  void* swresample = Open("swresample", LIBSWRESAMPLE_VERSION_MAJOR);
  void* avcodec = Open("avcodec", LIBAVCODEC_VERSION_MAJOR);
  void* avformat = Open("avformat", LIBAVFORMAT_VERSION_MAJOR);
  Library library;
  bool complete = avutil != nullptr && swresample != nullptr && avcodec != nullptr && avformat != nullptr;
#define VELKO_FFMPEG_BIND(lib, name)                                          \
  if (complete) {                                                             \
    library.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name));    \
    complete = library.name != nullptr;                                       \
  }
  VELKO_FFMPEG_CALLS(VELKO_FFMPEG_BIND)
#undef VELKO_FFMPEG_BIND
  if (!complete) {
    for (void* handle : {avformat, avcodec, swresample, avutil}) {
      if (handle != nullptr) dlclose(handle);
    }
    return false;
  }
  // Kept for the life of the process: decoders on other threads may
  // outlive any one caller.
  library.av_log_set_level(AV_LOG_QUIET);
  g_library = library;
  loaded = true;
  return true;
}

const Library& Ff() { return g_library; }

}  // namespace velko_ffmpeg
