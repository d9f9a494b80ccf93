// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes away.
#pragma once

#include <filesystem>
#include <string>

namespace velko_test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of a file inside the folder.
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Writes `contents` to a file inside the folder (creating sub-folders) and
  // returns its path.
  std::filesystem::path WriteFile(const std::string& name, const std::string& contents) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// The run's own folder that stands in for the user's folders (registry,
// mutexes, Windows and temporary folders); set up by the tests' main.
const std::filesystem::path& SandboxFolder();
void SetSandboxFolder(const std::filesystem::path& folder);
// Points the platform's Windows, temporary, autostart and trash folders
// back at the sandbox.
void RestoreSandboxFolders();

// The folder the build puts the program and its libraries in (build/bin).
std::filesystem::path ProgramFolder();

// Where a test keeps a picture for a person to look at: build*/screenshots/
// `name` (the folder is made when missing).
std::string ScreenshotPath(const std::string& name);

}  // namespace velko_test
