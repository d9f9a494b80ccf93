// Shared pieces of the file dialog and folder browser tests: a drive T:
// on a temporary folder with some music in it, the current directory put
// back afterwards, and the hooks removed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dlg/browse_folder.h"
#include "platform/dlg/file_dialog.h"
#include "platform/dlg/message_box.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "tests/platform/user/user_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {

class DialogTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    char current[MAX_PATH] = {};
    GetCurrentDirectory(sizeof(current), current);
    saved_directory_ = current;
    platform::MapDrive('T', dir_.path().string(), DRIVE_FIXED, "TESTDRIVE");
    dir_.WriteFile("music/one.wav", "RIFF");
    dir_.WriteFile("music/two.wav", "RIFF");
    dir_.WriteFile("music/notes.txt", "text");
    dir_.WriteFile("music/Three.WAV", "RIFF");
    dir_.WriteFile("music/rock/deep.wav", "RIFF");
    dir_.WriteFile("music/.hidden.wav", "RIFF");
    dir_.WriteFile("other/x.mp3", "ID3");
  }

  void TearDown() override {
    platform::SetFileDialogHook({});
    platform::SetBrowseForFolderHook({});
    platform::SetMessageBoxHook({});
    SetCurrentDirectory(saved_directory_.c_str());
    platform::UnmapDrive('T');
    UserTest::TearDown();
  }

  // Records every message box and answers with `answer`.
  void AnswerBoxes(int answer) {
    platform::SetMessageBoxHook([this, answer](const platform::MessageBoxRequest& request) {
      boxes_.push_back(request);
      return answer;
    });
  }

  // An OPENFILENAME with its own buffer.
  struct Dialog {
    OPENFILENAME ofn;
    std::vector<char> file = std::vector<char>(MAX_PATH, '\0');
    std::vector<char> title = std::vector<char>(MAX_PATH, '\0');
    std::string filter;

    explicit Dialog(const std::string& filter_pairs = std::string()) : filter(filter_pairs) {
      ofn.lpstrFile = file.data();
      ofn.nMaxFile = static_cast<DWORD>(file.size());
      ofn.lpstrFileTitle = title.data();
      ofn.nMaxFileTitle = static_cast<DWORD>(title.size());
      if (!filter.empty()) ofn.lpstrFilter = filter.c_str();
    }
    std::string File() const { return file.data(); }
  };

  // A filter string: "a|b|c|d" becomes "a\0b\0c\0d\0\0", as the class
  // library turns its filters into the platform's.
  static std::string Filter(std::string pairs) {
    for (char& c : pairs) {
      if (c == '|') c = '\0';
    }
    pairs += std::string(2, '\0');
    return pairs;
  }

  static std::string CurrentDirectory() {
    char current[MAX_PATH] = {};
    GetCurrentDirectory(sizeof(current), current);
    return current;
  }

  TempDir dir_;
  std::vector<platform::MessageBoxRequest> boxes_;

 private:
  std::string saved_directory_;
};

}  // namespace velko_test
