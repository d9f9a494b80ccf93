#include "playback/RT_BASS.h"

#include "platform/fs/drives.h"

namespace RT_BASS {

#define VELKO_DEFINE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
VELKO_BASS_ENTRY_POINTS(VELKO_DEFINE_ENTRY_POINT)
#undef VELKO_DEFINE_ENTRY_POINT

namespace {

HMODULE g_library = nullptr;

#define VELKO_ENTRY_POINT_ROW(name) \
  {#name, [](FARPROC address) { name = reinterpret_cast<decltype(name)>(address); }},
const EntryPoint kEntryPoints[] = {VELKO_BASS_ENTRY_POINTS(VELKO_ENTRY_POINT_ROW)};
#undef VELKO_ENTRY_POINT_ROW

constexpr int kEntryPointCount = static_cast<int>(sizeof kEntryPoints / sizeof kEntryPoints[0]);

void ClearAll(const EntryPoint* entries, int count) {
  for (int i = 0; i < count; ++i) entries[i].assign(nullptr);
}

}  // namespace

const int EntryPointCount = kEntryPointCount;

HMODULE LibraryHandle() { return g_library; }

std::string LibraryPath(const std::string& Folder, const std::string& DllName) {
  if (!Folder.empty() && Folder.back() == '\\') return Folder + DllName;
  return Folder + "\\" + DllName;
}

HMODULE LoadAndBind(const std::string& path, const EntryPoint* entries, int count) {
  // A missing file must fail quietly, without a system error box.
  const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibrary(path.c_str());
  SetErrorMode(old_mode);
  if (library == nullptr) return nullptr;

  bool complete = true;
  for (int i = 0; i < count; ++i) {
    FARPROC address = GetProcAddress(library, entries[i].name);
    entries[i].assign(address);
    if (address == nullptr) complete = false;
  }
  if (!complete) {
    ClearAll(entries, count);
    FreeLibrary(library);
    return nullptr;
  }
  return library;
}

}  // namespace RT_BASS

bool Load_BASSDLL(const std::string& Folder, const std::string& DllName) {
  using RT_BASS::g_library;
  if (g_library != nullptr) return true;
  g_library = RT_BASS::LoadAndBind(RT_BASS::LibraryPath(Folder, DllName), RT_BASS::kEntryPoints,
                                   RT_BASS::kEntryPointCount);
  return g_library != nullptr;
}

void Unload_BASSDLL() {
  using RT_BASS::g_library;
  if (g_library == nullptr) return;
  if (RT_BASS::BASS_Free != nullptr) RT_BASS::BASS_Free();
  FreeLibrary(g_library);
  g_library = nullptr;
  RT_BASS::ClearAll(RT_BASS::kEntryPoints, RT_BASS::kEntryPointCount);
}
