// A drive of the test's own: letter T: mapped to a fresh temporary folder,
// the current directory on it, and the Windows and temporary folders inside
// it. Everything is put back when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/core/errors.h"
#include "platform/core/handles.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class DriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetDriveTable();
    platform::MapDrive('T', dir_.path().string(), DRIVE_FIXED, "TESTDRIVE");
    ASSERT_TRUE(SetCurrentDirectory("T:\\"));
    std::filesystem::create_directories(dir_ / "Windows");
    std::filesystem::create_directories(dir_ / "Temp");
    platform::SetWindowsFolder((dir_ / "Windows").string());
    platform::SetTempFolder((dir_ / "Temp").string());
    handles_before_ = platform::OpenHandleCount();
  }

  void TearDown() override {
    EXPECT_EQ(platform::OpenHandleCount(), handles_before_) << "a test left handles open";
    velko_test::RestoreSandboxFolders();
    platform::ResetDriveTable();
    [[maybe_unused]] const int moved = chdir("/");
  }

  // The Linux path of a name inside the test drive.
  std::filesystem::path Native(const std::string& relative) const { return dir_ / relative; }
  std::filesystem::path Write(const std::string& relative, const std::string& contents) const {
    return dir_.WriteFile(relative, contents);
  }
  void MakeFolder(const std::string& relative) const { std::filesystem::create_directories(dir_ / relative); }
  // What a file inside the test drive holds, read the Linux way.
  std::string Contents(const std::string& relative) const { return velko_test::ReadFile(dir_ / relative); }

  TempDir dir_;
  std::size_t handles_before_ = 0;
};

// Closes a handle when it goes out of scope.
class HandleCloser {
 public:
  explicit HandleCloser(HANDLE handle) : handle_(handle) {}
  ~HandleCloser() {
    if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) CloseHandle(handle_);
  }
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace velko_test
