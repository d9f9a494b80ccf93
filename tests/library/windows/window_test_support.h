// The library's windows on the headless display over a program folder of
// the test's own, where their list files ("mp3.csv", "movie.csv") lie, so
// that test processes running side by side do not share them.
#pragma once

#include <string>

#include "platform/core/modules.h"
#include "tests/classlib/forms/forms_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class ProgramFolderTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    platform::SetProgramPath((program_dir_.path() / "velko").string());
  }
  void TearDown() override {
    platform::SetProgramPath("");
    FormsTest::TearDown();
  }
  // A list file of the program folder.
  void WriteList(const std::string& name, const std::string& rows) const { program_dir_.WriteFile(name, rows); }
  std::string ReadList(const std::string& name) const { return ReadFile(program_dir_ / name); }

  TempDir program_dir_;
};

}  // namespace velko_test
