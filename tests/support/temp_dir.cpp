#include "tests/support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/fs/drives.h"
#include "platform/reg/autostart.h"
#include "platform/shell/file_operation.h"

namespace velko_test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velko-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::WriteFile(const std::string& name,
                                         const std::string& contents) const {
  std::filesystem::path file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << contents;
  return file;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

namespace {
std::filesystem::path g_sandbox;
}  // namespace

const std::filesystem::path& SandboxFolder() { return g_sandbox; }

void SetSandboxFolder(const std::filesystem::path& folder) { g_sandbox = folder; }

void RestoreSandboxFolders() {
  platform::SetWindowsFolder((g_sandbox / "Windows").string());
  platform::SetTempFolder((g_sandbox / "Temp").string());
  platform::SetAutostartFolder((g_sandbox / "autostart").string());
  platform::SetTrashFolder((g_sandbox / "Trash").string());
}

std::filesystem::path ProgramFolder() {
  if (const char* dir = std::getenv("VELKO_BIN_DIR")) return dir;
  // Test programs live in build*/tests; the program folder is its sibling.
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return self.parent_path().parent_path() / "bin";
}

std::string ScreenshotPath(const std::string& name) {
  const std::filesystem::path folder = ProgramFolder().parent_path() / "screenshots";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return (folder / name).string();
}

}  // namespace velko_test
