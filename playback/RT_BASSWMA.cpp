#include "playback/RT_BASSWMA.h"

#include "playback/RT_BASS.h"

namespace RT_BASSWMA {

#define VELKO_DEFINE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
VELKO_BASSWMA_ENTRY_POINTS(VELKO_DEFINE_ENTRY_POINT)
#undef VELKO_DEFINE_ENTRY_POINT

namespace {

HMODULE g_library = nullptr;

#define VELKO_ENTRY_POINT_ROW(name) \
  {#name, [](FARPROC address) { name = reinterpret_cast<decltype(name)>(address); }},
const RT_BASS::EntryPoint kEntryPoints[] = {VELKO_BASSWMA_ENTRY_POINTS(VELKO_ENTRY_POINT_ROW)};
#undef VELKO_ENTRY_POINT_ROW

constexpr int kEntryPointCount = static_cast<int>(sizeof kEntryPoints / sizeof kEntryPoints[0]);

}  // namespace

const int EntryPointCount = kEntryPointCount;

HMODULE LibraryHandle() { return g_library; }

}  // namespace RT_BASSWMA

bool Load_BASSWMADLL(const std::string& Folder, const std::string& DllName) {
  using RT_BASSWMA::g_library;
  if (g_library != nullptr) return true;
  g_library = RT_BASS::LoadAndBind(RT_BASS::LibraryPath(Folder, DllName), RT_BASSWMA::kEntryPoints,
                                   RT_BASSWMA::kEntryPointCount);
  return g_library != nullptr;
}

void Unload_BASSWMADLL() {
  using RT_BASSWMA::g_library;
  if (g_library == nullptr) return;
  FreeLibrary(g_library);
  g_library = nullptr;
  for (const RT_BASS::EntryPoint& entry : RT_BASSWMA::kEntryPoints) entry.assign(nullptr);
}
