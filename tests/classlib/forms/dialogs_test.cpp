// The open and save dialogs as components: what they ask the platform's
// file dialog (title, filters, folder, options), what they give back (the
// file, several files, the filter) and cancelling. The dialog window itself,
// typed into, is the platform's tests' business.
#include <gtest/gtest.h>

#include <filesystem>

#include "classlib/Dialogs.h"
#include "classlib/FileCtrl.h"
#include "platform/dlg/browse_folder.h"
#include "platform/dlg/file_dialog.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "tests/classlib/forms/forms_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

class DialogsTest : public FormsOnDriveTest {
 protected:
  void SetUp() override {
    FormsOnDriveTest::SetUp();
    drive_.WriteFile("Music/one.mp3", "1");
    drive_.WriteFile("Music/two.mp3", "2");
  }
  void TearDown() override {
    platform::SetFileDialogHook({});
    FormsOnDriveTest::TearDown();
  }
};

TEST_F(DialogsTest, AnOpenDialogAsksWithItsSettingsAndGivesTheChosenFile) {
  platform::FileDialogRequest asked;
  platform::SetFileDialogHook([&](const platform::FileDialogRequest& request) {
    asked = request;
    platform::FileDialogAnswer answer = platform::FileDialogAnswer::Choose("two.mp3");
    answer.filter_index = 2;
    return answer;
  });
  TOpenDialog dialog(nullptr);
  dialog.Title = "Open a song";
  dialog.Filter = "MP3 files (*.mp3)|*.mp3|All files|*.*";
  dialog.InitialDir = "T:\\Music";
  dialog.Options.Include(ofFileMustExist);
  int shown = 0;
  int closed = 0;
  dialog.OnShow = [&](TObject*) { ++shown; };
  dialog.OnClose = [&](TObject*) { ++closed; };
  ASSERT_TRUE(dialog.Execute());
  EXPECT_FALSE(asked.save);
  EXPECT_EQ(asked.title, "Open a song");
  ASSERT_EQ(asked.filters.size(), 2u);
  EXPECT_EQ(asked.filters[0].first, "MP3 files (*.mp3)");
  EXPECT_EQ(asked.filters[0].second, "*.mp3");
  EXPECT_EQ(asked.folder, "T:\\Music");
  EXPECT_TRUE(asked.flags & OFN_FILEMUSTEXIST);
  EXPECT_EQ(asked.owner, Application->Handle());
  EXPECT_EQ(dialog.FileName, "T:\\Music\\two.mp3");
  EXPECT_EQ(dialog.Files()->Count(), 1);
  EXPECT_EQ(dialog.FilterIndex, 2);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(closed, 1);
}

TEST_F(DialogsTest, SeveralFilesWithMultiSelectAndNothingWhenCancelled) {
  platform::SetFileDialogHook([&](const platform::FileDialogRequest&) {
    platform::FileDialogAnswer answer;
    answer.names = {"one.mp3", "two.mp3"};
    answer.folder = "T:\\Music";
    return answer;
  });
  TOpenDialog dialog(nullptr);
  dialog.Options.Include(ofAllowMultiSelect);
  ASSERT_TRUE(dialog.Execute());
  ASSERT_EQ(dialog.Files()->Count(), 2);
  EXPECT_EQ(dialog.Files()->Strings(0), "T:\\Music\\one.mp3");
  EXPECT_EQ(dialog.Files()->Strings(1), "T:\\Music\\two.mp3");
  EXPECT_EQ(dialog.FileName, "T:\\Music\\one.mp3");
  platform::SetFileDialogHook([](const platform::FileDialogRequest&) { return platform::FileDialogAnswer::Cancel(); });
  dialog.FileName = "kept";
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, "kept");
}

TEST_F(DialogsTest, ASaveDialogAddsTheDefaultExtension) {
  platform::FileDialogRequest asked;
  platform::SetFileDialogHook([&](const platform::FileDialogRequest& request) {
    asked = request;
    return platform::FileDialogAnswer::Choose("list");
  });
  TSaveDialog dialog(nullptr);
  dialog.DefaultExt = "m3u";
  dialog.InitialDir = "T:\\Music";
  ASSERT_TRUE(dialog.Execute());
  EXPECT_TRUE(asked.save);
  EXPECT_EQ(dialog.FileName, "T:\\Music\\list.m3u");
}

}  // namespace
}  // namespace velko_test

namespace velko_test {
namespace {

TEST_F(DialogsTest, SelectDirectoryShowsTheBrowserWithItsTitleAndStartFolder) {
  velko_test::TempDir folder;
  std::filesystem::create_directory(folder.path() / "Music");
  const std::string start = platform::PlatformPath(folder.path().string()).value_or("");
  const std::string music = platform::PlatformPath((folder.path() / "Music").string()).value_or("");
  std::vector<platform::BrowseForFolderRequest> requests;
  std::optional<std::string> answer = music;
  platform::SetBrowseForFolderHook([&](const platform::BrowseForFolderRequest& r) {
    requests.push_back(r);
    return answer;
  });
  String chosen = start;
  EXPECT_TRUE(SelectDirectory("Select directory", "", chosen));
  EXPECT_EQ(chosen, music);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].title, "Select directory");
  EXPECT_EQ(requests[0].selection, start);
  // Cancel leaves the text alone.
  answer.reset();
  chosen = "unchanged";
  EXPECT_FALSE(SelectDirectory("Select a directory", "", chosen));
  EXPECT_EQ(chosen, "unchanged");
  platform::SetBrowseForFolderHook({});
}

}  // namespace
}  // namespace velko_test
