// Dynamic libraries and the program's own module.
//
// Libraries are ELF shared objects under whatever file name they have
// ("bass.dll", "Plugins\in_midi.dll"), loaded with dlopen. Paths are
// platform paths ("C:\Velko\bass.dll"); they are turned into Linux paths
// through the drive table (platform/fs) once it is part of the build, and
// until then "Z:\..." (Z: is "/") and native absolute paths work. A bare
// file name is looked up among the built-in modules, then in the program's
// folder, then in the current folder, ignoring case; a name without an
// extension gets ".dll".
//
// Failures: a file that does not exist gives ERROR_MOD_NOT_FOUND (and
// nothing is printed), a file that is not a shared object
// ERROR_BAD_EXE_FORMAT, a library whose own dependencies are missing
// ERROR_MOD_NOT_FOUND, and a name the library does not export
// ERROR_PROC_NOT_FOUND.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/core/types.h"

// A generic function pointer: cast it to the entry point's real type
// (GCC accepts casts from void(*)() without a cast-function-type warning).
using FARPROC = void (*)();

constexpr DWORD DONT_RESOLVE_DLL_REFERENCES = 0x00000001;
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
constexpr DWORD LOAD_WITH_ALTERED_SEARCH_PATH = 0x00000008;

// SetErrorMode, which the library bindings call around LoadLibrary, is with
// the drive calls in platform/fs/drives.h.

HMODULE LoadLibrary(LPCSTR file_name);
// `file` must be null. The flags are accepted; every library is loaded
// fully and with its own folder searched first for its dependencies.
HMODULE LoadLibraryEx(LPCSTR file_name, HANDLE file, DWORD flags);
// Each LoadLibrary of one library needs its FreeLibrary; the last one
// unloads it and its handle becomes invalid (handles are never reused).
BOOL FreeLibrary(HMODULE module);
// Only names exported by the library itself are found, never those of the
// libraries it depends on. Ordinals are not supported (ERROR_PROC_NOT_FOUND).
FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name);
// Null gives the program's own module. Otherwise a loaded library, by file
// name (ignoring case, ".dll" added when there is no extension) or by full
// path; ERROR_MOD_NOT_FOUND when none matches.
HMODULE GetModuleHandle(LPCSTR module_name);
// The full platform path of the program (module null) or of a loaded
// library. A buffer too small gets the path cut to `size` - 1 characters
// and terminated; the result is then `size`, with ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileName(HMODULE module, LPSTR file_name, DWORD size);

namespace platform {

// Makes the program's path (as GetModuleFileName reports it) the given
// Linux path; an empty path goes back to the real one. Tests use this to
// stand where the program would be (build/bin/velko).
void SetProgramPath(const std::string& native_path);
// The program's Linux path and folder (without a trailing slash).
std::string ProgramNativePath();
std::string ProgramNativeFolder();

// A library that the platform provides inside the process, as the system
// provides its own libraries: LoadLibrary finds it by file name (ignoring
// case) before any file, and GetProcAddress answers from `exports`.
// Registering a name again replaces its exports for later loads.
void RegisterBuiltinModule(const std::string& file_name,
                           const std::map<std::string, FARPROC>& exports);

// The path translation the module calls use: platform path to Linux path
// (nothing when no drive maps it) and back.
std::optional<std::string> ModuleNativePath(const std::string& platform_path);
std::string ModulePlatformPath(const std::string& native_path);

// The translations behind those two, from the drive table (platform/fs
// installs them as the library loads). Without them only Linux paths are
// understood, and a Linux path reads as below Z:.
using ModulePathTranslation = std::optional<std::string> (*)(const std::string& path);
void SetModulePathTranslation(ModulePathTranslation to_native, ModulePathTranslation to_platform);

}  // namespace platform
