// A drive of the test's own (T: mapped to a fresh temporary folder) for the
// library tests: files are written the Linux way and reached through their
// platform paths ("T:\mp3.csv").
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/fs/drives.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class DriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetDriveTable();
    platform::MapDrive('T', dir_.path().string());
  }
  void TearDown() override { platform::ResetDriveTable(); }

  // Writes a file of the test drive (a platform-style name: "Pop\\a.mp3");
  // returns its platform path.
  std::string Put(const std::string& name, const std::string& bytes) const {
    dir_.WriteFile(Native(name), bytes);
    return Path(name);
  }
  static std::string Native(std::string name) {
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    return name;
  }
  static std::string Path(const std::string& name) { return "T:\\" + name; }
  std::string Contents(const std::string& name) const { return ReadFile(dir_ / name); }

  TempDir dir_;
};

}  // namespace velko_test
