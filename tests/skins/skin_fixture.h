// The test skins written by the build (drive S:) beside a drive of the
// test's own (T:).
#pragma once

#include <gtest/gtest.h>

#include "tests/platform/fs/fs_fixture.h"

namespace velko_test {

class SkinDriveTest : public DriveTest {
 protected:
  void SetUp() override {
    DriveTest::SetUp();
    platform::MapDrive('S', VELKO_TEST_SKINS_DIR, DRIVE_FIXED, "SKINS");
  }
};

}  // namespace velko_test
