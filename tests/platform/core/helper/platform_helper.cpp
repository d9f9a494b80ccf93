// A second process for the platform tests. Each command prints its results
// as lines on standard output, so the test can read them through a pipe.
//
//   mutex-hold FOLDER NAME          create NAME owned, print "created <error>",
//                                   then wait until killed
//   mutex-probe FOLDER NAME MS      create NAME (not owned), print "created <error>",
//                                   wait MS milliseconds, print "wait <result>"
//   reg-set FOLDER SUBKEY VALUE TEXT
//                                   write a string under HKEY_CURRENT_USER, print "set <error>"
//   reg-get FOLDER SUBKEY VALUE     print "get <error> <text>"
//   reg-crash FOLDER SUBKEY VALUE TEXT
//                                   write, but end the process abruptly after the new
//                                   hive file is written and before it replaces the old
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/mutexes.h"
#include "platform/core/waits.h"
#include "platform/reg/registry.h"

namespace {

int MutexHold(const char* folder, const char* name) {
  platform::SetMutexFolder(folder);
  HANDLE mutex = CreateMutex(nullptr, TRUE, name);
  std::printf("created %u\n", static_cast<unsigned>(mutex ? GetLastError() : 0xFFFFFFFFu));
  std::fflush(stdout);
  for (;;) pause();
}

int MutexProbe(const char* folder, const char* name, const char* ms) {
  platform::SetMutexFolder(folder);
  HANDLE mutex = CreateMutex(nullptr, FALSE, name);
  std::printf("created %u\n", static_cast<unsigned>(mutex ? GetLastError() : 0xFFFFFFFFu));
  std::fflush(stdout);
  DWORD result = WaitForSingleObject(mutex, static_cast<DWORD>(std::strtoul(ms, nullptr, 10)));
  std::printf("wait %u\n", static_cast<unsigned>(result));
  std::fflush(stdout);
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(mutex);
  CloseHandle(mutex);
  return 0;
}

LONG WriteString(const char* subkey, const char* value, const char* text) {
  HKEY key = nullptr;
  LONG error = RegCreateKeyEx(HKEY_CURRENT_USER, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (error != ERROR_SUCCESS) return error;
  error = RegSetValueEx(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
  RegCloseKey(key);
  return error;
}

int RegSet(const char* folder, const char* subkey, const char* value, const char* text) {
  platform::SetRegistryFolder(folder);
  std::printf("set %ld\n", static_cast<long>(WriteString(subkey, value, text)));
  return 0;
}

int RegGet(const char* folder, const char* subkey, const char* value) {
  platform::SetRegistryFolder(folder);
  HKEY key = nullptr;
  LONG error = RegOpenKeyEx(HKEY_CURRENT_USER, subkey, 0, KEY_READ, &key);
  char data[256] = {};
  DWORD size = sizeof data - 1;
  if (error == ERROR_SUCCESS) {
    error = RegQueryValueEx(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
  }
  std::printf("get %ld %s\n", static_cast<long>(error), data);
  return 0;
}

int RegCrash(const char* folder, const char* subkey, const char* value, const char* text) {
  platform::SetRegistryFolder(folder);
  platform::SetRegistryCommitHook([] {
    std::printf("crashing\n");
    std::fflush(stdout);
    _exit(3);
  });
  WriteString(subkey, value, text);
  std::printf("not crashed\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "mutex-hold" && argc == 4) return MutexHold(argv[2], argv[3]);
  if (command == "mutex-probe" && argc == 5) return MutexProbe(argv[2], argv[3], argv[4]);
  if (command == "reg-set" && argc == 6) return RegSet(argv[2], argv[3], argv[4], argv[5]);
  if (command == "reg-get" && argc == 5) return RegGet(argv[2], argv[3], argv[4]);
  if (command == "reg-crash" && argc == 6) return RegCrash(argv[2], argv[3], argv[4], argv[5]);
  std::fprintf(stderr, "platform_helper: unknown command\n");
  return 2;
}
