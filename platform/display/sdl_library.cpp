#include "platform/display/sdl_library.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// SDL2's library, the same file name for every 2.x release.
std::string DefaultName() { return "libSDL2-2.0.so.0"; }

struct LibraryTable {
  std::mutex mutex;
  std::string name = DefaultName();
  std::map<std::string, const SdlLibrary*> loaded;
};

LibraryTable& Libraries() {
  // Never destroyed: sound and display threads may still call SDL while the
  // process ends.
  static LibraryTable* table = new LibraryTable;
  return *table;
}

}  // namespace

const SdlLibrary* LoadSdl() {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (auto it = table.loaded.find(table.name); it != table.loaded.end()) return it->second;
  void* handle = dlopen(table.name.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  auto library = std::make_unique<SdlLibrary>();
  bool complete = true;
#define VELKO_SDL_BIND(name)                                                                  \
  if (complete) {                                                                             \
    library->name = reinterpret_cast<decltype(&::SDL_##name)>(dlsym(handle, "SDL_" #name));   \
    complete = library->name != nullptr;                                                      \
  }
  VELKO_SDL_CALLS(VELKO_SDL_BIND)
#undef VELKO_SDL_BIND
  if (!complete) {
    dlclose(handle);
    return nullptr;
  }
  return table.loaded[table.name] = library.release();
}

std::string SdlLibraryName() {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.name;
}

void SetSdlLibraryName(const std::string& name) {
  LibraryTable& table = Libraries();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.name = name.empty() ? DefaultName() : name;
}

}  // namespace platform
