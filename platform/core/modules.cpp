#include "platform/core/modules.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/handle_table.h"

namespace {

// The value the program's module handle has; libraries get handles from
// kFirstLibraryHandle on, in steps that look like load addresses.
const std::uintptr_t kProgramHandle = 0x00400000;
const std::uintptr_t kFirstLibraryHandle = 0x10000000;
const std::uintptr_t kLibraryHandleStep = 0x10000;

struct BuiltinModule {
  std::string file_name;
  std::map<std::string, FARPROC> exports;
};

struct Module {
  void* library = nullptr;                       // dlopen handle; null for built-ins
  std::shared_ptr<const BuiltinModule> builtin;  // set for built-ins
  std::string native_path;                       // empty for built-ins
  std::string platform_path;
  int references = 0;
};

struct ModuleTable {
  std::mutex mutex;
  platform::HandleTable<HMODULE, Module> modules{kFirstLibraryHandle, kLibraryHandleStep};
  std::map<std::string, std::shared_ptr<const BuiltinModule>> builtins;  // by folded name
  std::string program_path_override;
};

ModuleTable& Table() {
  static auto* table = new ModuleTable;  // never destroyed: used during exit
  return *table;
}

std::string Fold(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  });
  return text;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The part after the last backslash, slash or colon.
std::string FileNamePart(const std::string& path) {
  std::size_t pos = path.find_last_of("\\/:");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

// A name without an extension gets ".dll"; a trailing dot means "no
// extension" and is dropped.
std::string WithDefaultExtension(const std::string& name) {
  if (!name.empty() && name.back() == '.') return name.substr(0, name.size() - 1);
  const std::string file = FileNamePart(name);
  return file.find('.') == std::string::npos ? name + ".dll" : name;
}

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string ReadProgramPath() {
  std::vector<char> buffer(4096);
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return std::string();
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string FolderOf(const std::string& native_path) {
  std::size_t pos = native_path.find_last_of('/');
  if (pos == std::string::npos) return ".";
  return pos == 0 ? "/" : native_path.substr(0, pos);
}

// The entry of `folder` whose name equals `name`, ignoring case when the
// exact name does not exist.
std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name) {
  const std::string exact = folder + "/" + name;
  struct stat info;
  if (::stat(exact.c_str(), &info) == 0) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::optional<std::string> found;
  const std::string wanted = Fold(name);
  while (dirent* entry = ::readdir(dir)) {
    if (Fold(entry->d_name) == wanted) {
      found = folder + "/" + entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// Why a library file cannot be loaded, before dlopen is asked: nothing when
// it looks like a shared object.
std::optional<DWORD> CheckLibraryFile(const std::string& native_path) {
  struct stat info;
  if (::stat(native_path.c_str(), &info) != 0) {
    return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_MOD_NOT_FOUND;
  }
  if (S_ISDIR(info.st_mode)) return ERROR_ACCESS_DENIED;
  int fd = ::open(native_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ERROR_ACCESS_DENIED;
  unsigned char magic[4] = {};
  ssize_t got = ::read(fd, magic, sizeof magic);
  ::close(fd);
  if (got != 4 || std::memcmp(magic,
                              "\x7f"
                              "ELF",
                              4) != 0)
    return ERROR_BAD_EXE_FORMAT;
  return std::nullopt;
}

DWORD ErrorFromDlerror(const char* message) {
  const std::string text = message != nullptr ? message : "";
  if (text.find("cannot open shared object file") != std::string::npos) return ERROR_MOD_NOT_FOUND;
  if (text.find("undefined symbol") != std::string::npos) return ERROR_PROC_NOT_FOUND;
  if (text.find("ELF") != std::string::npos || text.find("file too short") != std::string::npos) {
    return ERROR_BAD_EXE_FORMAT;
  }
  return ERROR_DLL_INIT_FAILED;
}

// What a LoadLibrary name refers to: a built-in module or a Linux file.
struct Located {
  std::shared_ptr<const BuiltinModule> builtin;
  std::string native_path;
  std::string platform_path;
};

std::optional<Located> Locate(const std::string& requested, DWORD* error) {
  const std::string name = WithDefaultExtension(requested);
  const bool has_folder = std::any_of(name.begin(), name.end(), IsSeparator) || HasDrive(name);
  if (!has_folder) {
    {
      ModuleTable& table = Table();
      std::lock_guard<std::mutex> lock(table.mutex);
      auto it = table.builtins.find(Fold(name));
      if (it != table.builtins.end()) return Located{it->second, std::string(), name};
    }
    if (auto found = FindInFolder(platform::ProgramNativeFolder(), name)) {
      return Located{nullptr, *found, platform::ModulePlatformPath(*found)};
    }
    // Then the current folder (the drive table resolves relative names).
    auto in_current = platform::ModuleNativePath(name);
    struct stat info;
    if (in_current && ::stat(in_current->c_str(), &info) == 0) {
      return Located{nullptr, *in_current, platform::ModulePlatformPath(*in_current)};
    }
    *error = ERROR_MOD_NOT_FOUND;
    return std::nullopt;
  }
  // A drive, rooted or relative platform path, or a native absolute one.
  std::optional<std::string> native = platform::ModuleNativePath(name);
  if (!native) {
    *error = ERROR_MOD_NOT_FOUND;
    return std::nullopt;
  }
  const std::string platform_path = HasDrive(name) ? name : platform::ModulePlatformPath(*native);
  return Located{nullptr, *native, platform_path};
}

// Whether `symbol` lies in the library `library` itself rather than in one
// of the libraries it depends on.
bool IsOwnSymbol(void* library, void* symbol) {
  link_map* map = nullptr;
  if (::dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return true;
  Dl_info info;
  if (::dladdr(symbol, &info) == 0 || info.dli_fname == nullptr) return true;
  return std::strcmp(info.dli_fname, map->l_name) == 0;
}

void* ProgramLibrary() {
  static void* program = ::dlopen(nullptr, RTLD_NOW);
  return program;
}

}  // namespace

HMODULE LoadLibrary(LPCSTR file_name) {
  return LoadLibraryEx(file_name, nullptr, 0);
}

HMODULE LoadLibraryEx(LPCSTR file_name, HANDLE file, DWORD) {
  if (file_name == nullptr || *file_name == '\0' || file != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  DWORD error = ERROR_SUCCESS;
  auto located = Locate(file_name, &error);
  if (!located) {
    SetLastError(error);
    return nullptr;
  }
  ModuleTable& table = Table();
  if (located->builtin) {
    std::lock_guard<std::mutex> lock(table.mutex);
    for (auto& [handle, module] : table.modules.entries()) {
      if (module.builtin == located->builtin) {
        ++module.references;
        return reinterpret_cast<HMODULE>(handle);
      }
    }
    Module module;
    module.builtin = located->builtin;
    module.platform_path = located->builtin->file_name;
    module.references = 1;
    return table.modules.Add(std::move(module));
  }
  if (auto problem = CheckLibraryFile(located->native_path)) {
    SetLastError(*problem);
    return nullptr;
  }
  void* library = ::dlopen(located->native_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    SetLastError(ErrorFromDlerror(::dlerror()));
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(table.mutex);
  // The same library by another name: one module, one more reference (the
  // dlopen reference is balanced by FreeLibrary's dlclose).
  for (auto& [handle, module] : table.modules.entries()) {
    if (module.library == library) {
      ++module.references;
      return reinterpret_cast<HMODULE>(handle);
    }
  }
  Module module;
  module.library = library;
  module.native_path = located->native_path;
  module.platform_path = located->platform_path;
  module.references = 1;
  return table.modules.Add(std::move(module));
}

BOOL FreeLibrary(HMODULE module) {
  ModuleTable& table = Table();
  void* library = nullptr;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    Module* loaded = table.modules.Find(module);
    if (loaded == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    library = loaded->library;
    if (--loaded->references == 0) table.modules.Remove(module);
  }
  // Outside the lock: unloading runs the library's destructors, which may
  // call back into the platform.
  if (library != nullptr) ::dlclose(library);
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name) {
  // Names are pointers; small values are ordinals, which ELF has not.
  if (proc_name == nullptr || reinterpret_cast<std::uintptr_t>(proc_name) < 0x10000) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  const std::uintptr_t handle = reinterpret_cast<std::uintptr_t>(module);
  void* library = nullptr;
  if (module == nullptr || handle == kProgramHandle) {
    library = ProgramLibrary();
  } else {
    ModuleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    const Module* loaded = table.modules.Find(module);
    if (loaded == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    if (loaded->builtin) {
      auto entry = loaded->builtin->exports.find(proc_name);
      if (entry == loaded->builtin->exports.end()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
      }
      return entry->second;
    }
    library = loaded->library;
  }
  ::dlerror();
  void* symbol = ::dlsym(library, proc_name);
  if (symbol == nullptr || (library != ProgramLibrary() && !IsOwnSymbol(library, symbol))) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE GetModuleHandle(LPCSTR module_name) {
  if (module_name == nullptr) return reinterpret_cast<HMODULE>(kProgramHandle);
  const std::string name = WithDefaultExtension(module_name);
  const bool by_path = std::any_of(name.begin(), name.end(), IsSeparator) || HasDrive(name);
  const std::string wanted = Fold(name);
  ModuleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (const auto& [handle, module] : table.modules.entries()) {
    const std::string candidate =
        Fold(by_path ? module.platform_path : FileNamePart(module.platform_path));
    if (candidate == wanted) return reinterpret_cast<HMODULE>(handle);
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

DWORD GetModuleFileName(HMODULE module, LPSTR file_name, DWORD size) {
  std::string path;
  const std::uintptr_t handle = reinterpret_cast<std::uintptr_t>(module);
  if (module == nullptr || handle == kProgramHandle) {
    path = platform::ModulePlatformPath(platform::ProgramNativePath());
  } else {
    ModuleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    const Module* loaded = table.modules.Find(module);
    if (loaded == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = loaded->platform_path;
  }
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (file_name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (path.size() >= size) {
    std::memcpy(file_name, path.data(), size - 1);
    file_name[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(file_name, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

namespace platform {

void SetProgramPath(const std::string& native_path) {
  ModuleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.program_path_override = native_path;
}

std::string ProgramNativePath() {
  {
    ModuleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (!table.program_path_override.empty()) return table.program_path_override;
  }
  static const std::string real = ReadProgramPath();
  return real;
}

std::string ProgramNativeFolder() {
  return FolderOf(ProgramNativePath());
}

void RegisterBuiltinModule(const std::string& file_name,
                           const std::map<std::string, FARPROC>& exports) {
  auto module = std::make_shared<const BuiltinModule>(BuiltinModule{file_name, exports});
  ModuleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.builtins[Fold(file_name)] = std::move(module);
}

namespace {

// Constant-initialised, so they are there whichever library part starts first.
std::atomic<ModulePathTranslation> to_native_path{nullptr};
std::atomic<ModulePathTranslation> to_platform_path{nullptr};

}  // namespace

void SetModulePathTranslation(ModulePathTranslation to_native, ModulePathTranslation to_platform) {
  to_native_path = to_native;
  to_platform_path = to_platform;
}

std::optional<std::string> ModuleNativePath(const std::string& platform_path) {
  if (!platform_path.empty() && platform_path[0] == '/') return platform_path;
  const ModulePathTranslation translate = to_native_path;
  if (translate == nullptr) return std::nullopt;
  return translate(platform_path);
}

std::string ModulePlatformPath(const std::string& native_path) {
  const ModulePathTranslation translate = to_platform_path;
  if (translate != nullptr) {
    if (auto path = translate(native_path)) return *path;
  }
  // Z: maps "/", so this is only reached when a test unmapped it.
  std::string path = "Z:" + native_path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace platform
