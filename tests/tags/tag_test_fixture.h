// A drive of the test's own for the reader tests: T: mapped to a fresh
// temporary folder. Files are written the Linux way and read through
// their platform paths ("T:\song.mp3"), as the player gives them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/core/handles.h"
#include "platform/fs/drives.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class TagTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetDriveTable();
    platform::MapDrive('T', dir_.path().string());
    handles_before_ = platform::OpenHandleCount();
  }
  void TearDown() override {
    EXPECT_EQ(platform::OpenHandleCount(), handles_before_) << "a reader left a file open";
    platform::ResetDriveTable();
  }

  // Writes `bytes` to a file of the test drive; returns its platform path.
  std::string Put(const std::string& name, const std::string& bytes) const {
    dir_.WriteFile(name, bytes);
    return "T:\\" + name;
  }
  std::string Contents(const std::string& name) const { return ReadFile(dir_ / name); }

  TempDir dir_;
  std::size_t handles_before_ = 0;
};

}  // namespace velko_test
