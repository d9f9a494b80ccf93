// The desktop tests' own places: a folder of the test's own mapped to drive
// T:, and registry and autostart folders of its own, all put back after it.
#pragma once

#include <gtest/gtest.h>

#include "platform/fs/drives.h"
#include "platform/reg/autostart.h"
#include "platform/reg/registry.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::MapDrive('T', dir_.path().string());
    platform::SetRegistryFolder(registry_.path().string());
    platform::SetAutostartFolder(autostart_.path().string());
  }
  void TearDown() override {
    platform::UnmapDrive('T');
    RestoreSandboxFolders();
  }

  TempDir dir_, registry_, autostart_;
};

}  // namespace velko_test
