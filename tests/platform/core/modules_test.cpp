// Dynamic libraries: loading a real shared object under a ".dll" name,
// failures without output, GetModuleFileName's buffer rules and the
// program-path seam.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/core/errors.h"
#include "platform/core/modules.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "tests/platform/checks.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

fs::path TestLibrary() {
  std::error_code ec;
  return fs::read_symlink("/proc/self/exe", ec).parent_path() / "libs" / "testlib.dll";
}

// Runs `action` with standard error sent to a file; returns what was written.
template <class Action>
std::string CaptureStderr(Action action) {
  velko_test::TempDir dir;
  const fs::path file = dir / "stderr.txt";
  std::fflush(stderr);
  int saved = dup(STDERR_FILENO);
  FILE* out = std::fopen(file.c_str(), "w");
  dup2(fileno(out), STDERR_FILENO);
  action();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(out);
  return velko_test::ReadFile(file);
}

class Modules : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetProgramPath(""); }
};

TEST_F(Modules, LoadsASharedObjectWithALibraryNameAndCallsIt) {
  HMODULE module = LoadLibrary(TestLibrary().c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  auto add = reinterpret_cast<int (*)(int, int)>(GetProcAddress(module, "TestAdd"));
  auto calls = reinterpret_cast<int (*)()>(GetProcAddress(module, "TestCalls"));
  ASSERT_NE(add, nullptr);
  ASSERT_NE(calls, nullptr);
  EXPECT_EQ(add(40, 2), 42);
  EXPECT_EQ(calls(), 1);

  // A second load is the same module with one more reference.
  HMODULE again = LoadLibrary(TestLibrary().c_str());
  EXPECT_EQ(again, module);
  EXPECT_EQ(GetModuleHandle("TESTLIB.DLL"), module);
  EXPECT_EQ(GetModuleHandle("testlib"), module);
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_EQ(calls(), 1);  // still loaded
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(ERROR_OF(FreeLibrary(module)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(ERROR_OF(GetModuleHandle("testlib.dll") != nullptr), ERROR_MOD_NOT_FOUND);
}

TEST_F(Modules, MissingFileFailsQuietly) {
  velko_test::TempDir dir;
  HMODULE module = reinterpret_cast<HMODULE>(1);
  DWORD error = 0;
  const std::string output = CaptureStderr([&] {
    UINT previous = SetErrorMode(0x8001);
    module = LoadLibrary((dir / "bass.dll").c_str());
    error = GetLastError();
    EXPECT_EQ(SetErrorMode(previous), 0x8001u);
  });
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(error, ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(output, "");
}

TEST_F(Modules, FileThatIsNotALibraryFailsWithBadFormat) {
  velko_test::TempDir dir;
  const fs::path text = dir.WriteFile("bass.dll", "this is not a library\n");
  const fs::path fake_elf = dir.WriteFile("short.dll", std::string("\x7f"
                                                                   "ELF",
                                                                   4));
  std::string output = CaptureStderr([&] {
    EXPECT_EQ(ERROR_OF(LoadLibrary(text.c_str()) != nullptr), ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(ERROR_OF(LoadLibrary(fake_elf.c_str()) != nullptr), ERROR_BAD_EXE_FORMAT);
  });
  EXPECT_EQ(output, "");
  fs::create_directory(dir / "folder.dll");
  EXPECT_EQ(ERROR_OF(LoadLibrary((dir / "folder.dll").c_str()) != nullptr), ERROR_ACCESS_DENIED);
  // A name without an extension means name.dll.
  EXPECT_EQ(ERROR_OF(LoadLibrary((dir / "bass").c_str()) != nullptr), ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(ERROR_OF(LoadLibrary(nullptr) != nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(LoadLibrary(""), nullptr);
}

TEST_F(Modules, OnlyTheLibrarysOwnNamesAreFound) {
  HMODULE module = LoadLibrary(TestLibrary().c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ERROR_OF(GetProcAddress(module, "NoSuchEntryPoint") != nullptr), ERROR_PROC_NOT_FOUND);
  // malloc is reachable through the library's dependencies, but is not its own.
  EXPECT_EQ(ERROR_OF(GetProcAddress(module, "malloc") != nullptr), ERROR_PROC_NOT_FOUND);
  EXPECT_NE(GetProcAddress(module, "TestAllocate"), nullptr);
  EXPECT_EQ(ERROR_OF(GetProcAddress(module, reinterpret_cast<LPCSTR>(3)) != nullptr),
            ERROR_PROC_NOT_FOUND);  // ordinal
  EXPECT_EQ(ERROR_OF(GetProcAddress(reinterpret_cast<HMODULE>(0x1234), "TestAdd") != nullptr),
            ERROR_MOD_NOT_FOUND);
  FreeLibrary(module);
}

TEST_F(Modules, BareNamesAreFoundInTheProgramFolderIgnoringCase) {
  velko_test::TempDir dir;
  fs::create_directories(dir / "bin" / "Plugins");
  fs::copy_file(TestLibrary(), dir / "bin" / "CDRIP3.DLL");
  fs::copy_file(TestLibrary(), dir / "bin" / "Plugins" / "in_test.dll");
  platform::SetProgramPath((dir / "bin" / "velko").string());

  HMODULE by_name = LoadLibrary("cdrip3.dll");
  ASSERT_NE(by_name, nullptr) << GetLastError();
  EXPECT_NE(GetProcAddress(by_name, "TestAdd"), nullptr);
  char path[MAX_PATH];
  DWORD length = GetModuleFileName(by_name, path, MAX_PATH);
  EXPECT_EQ(std::string(path, length),
            platform::ModulePlatformPath((dir / "bin" / "CDRIP3.DLL").string()));

  // The way the plug-in host builds its paths: program folder + "\Plugins\" + name.
  char program[MAX_PATH];
  ASSERT_GT(GetModuleFileName(nullptr, program, MAX_PATH), 0u);
  std::string folder(program);
  folder = folder.substr(0, folder.find_last_of('\\'));
  HMODULE plugin = LoadLibrary((folder + "\\Plugins\\in_test.dll").c_str());
  ASSERT_NE(plugin, nullptr) << GetLastError();
  EXPECT_EQ(GetModuleHandle("IN_TEST.DLL"), plugin);

  EXPECT_EQ(ERROR_OF(LoadLibrary("NotThere.dll") != nullptr), ERROR_MOD_NOT_FOUND);
  FreeLibrary(plugin);
  FreeLibrary(by_name);
}

TEST_F(Modules, ProgramPathInPlatformFormWithTheBufferRules) {
  platform::SetProgramPath("/opt/velko/bin/velko");
  const std::string expected = platform::ModulePlatformPath("/opt/velko/bin/velko");
  EXPECT_EQ(expected.substr(expected.size() - 16), "\\velko\\bin\\velko");
  EXPECT_EQ(expected[1], ':');

  char buffer[MAX_PATH];
  std::memset(buffer, 'x', sizeof buffer);
  SetLastError(0);
  DWORD length = GetModuleFileName(nullptr, buffer, MAX_PATH);
  EXPECT_EQ(length, expected.size());
  EXPECT_STREQ(buffer, expected.c_str());
  EXPECT_EQ(GetModuleFileName(GetModuleHandle(nullptr), buffer, MAX_PATH), expected.size());

  // Exactly the length: no room for the terminator, so cut by one.
  std::memset(buffer, 'x', sizeof buffer);
  length = GetModuleFileName(nullptr, buffer, static_cast<DWORD>(expected.size()));
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::string(buffer), expected.substr(0, expected.size() - 1));

  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetModuleFileName(nullptr, buffer, 5), 5u);
  EXPECT_EQ(std::string(buffer), expected.substr(0, 4));
  EXPECT_EQ(ERROR_OF(GetModuleFileName(nullptr, buffer, 0) != 0u), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(buffer[0], expected[0]);  // untouched

  EXPECT_EQ(ERROR_OF(GetModuleFileName(reinterpret_cast<HMODULE>(0x4444), buffer, MAX_PATH) != 0u),
            ERROR_MOD_NOT_FOUND);

  platform::SetProgramPath("");
  ASSERT_GT(GetModuleFileName(nullptr, buffer, MAX_PATH), 0u);
  EXPECT_EQ(std::string(buffer),
            platform::ModulePlatformPath(fs::read_symlink("/proc/self/exe").string()));
}

TEST_F(Modules, PlatformPathsRoundTrip) {
  const std::string native = TestLibrary().string();
  const std::string platform_path = platform::ModulePlatformPath(native);
  EXPECT_EQ(platform_path.find('/'), std::string::npos);
  EXPECT_EQ(platform::ModuleNativePath(platform_path), native);
  HMODULE module = LoadLibrary(platform_path.c_str());
  ASSERT_NE(module, nullptr);
  char path[MAX_PATH];
  GetModuleFileName(module, path, MAX_PATH);
  EXPECT_EQ(std::string(path), platform_path);
  FreeLibrary(module);
}

TEST_F(Modules, RelativeNamesUseThePlatformsCurrentFolder) {
  velko_test::TempDir dir;
  fs::create_directories(dir / "sub");
  fs::copy_file(TestLibrary(), dir / "Here.dll");
  fs::copy_file(TestLibrary(), dir / "sub" / "there.dll");
  char saved[MAX_PATH];
  ASSERT_GT(GetCurrentDirectory(MAX_PATH, saved), 0u);
  ASSERT_TRUE(SetCurrentDirectory(platform::ModulePlatformPath(dir.path().string()).c_str()));

  HMODULE here = LoadLibrary("here");  // bare, no extension, other case
  EXPECT_NE(here, nullptr) << GetLastError();
  HMODULE there = LoadLibrary("SUB\\There.DLL");
  EXPECT_NE(there, nullptr) << GetLastError();
  char path[MAX_PATH];
  GetModuleFileName(there, path, MAX_PATH);
  EXPECT_EQ(fs::path(*platform::ModuleNativePath(path)), dir / "sub" / "there.dll");
  FreeLibrary(here);
  FreeLibrary(there);
  SetCurrentDirectory(saved);
}

int BuiltinAnswer() {
  return 17;
}

TEST_F(Modules, BuiltinModulesComeBeforeFiles) {
  platform::RegisterBuiltinModule("VELKOTEST.DLL",
                                  {{"Answer", reinterpret_cast<FARPROC>(&BuiltinAnswer)}});
  HMODULE module = LoadLibrary("velkotest.dll");
  ASSERT_NE(module, nullptr);
  FARPROC answer = GetProcAddress(module, "Answer");
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(reinterpret_cast<int (*)()>(answer)(), 17);
  EXPECT_EQ(ERROR_OF(GetProcAddress(module, "Question") != nullptr), ERROR_PROC_NOT_FOUND);
  EXPECT_EQ(LoadLibrary("VelkoTest"), module);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(FreeLibrary(module));
}

}  // namespace
