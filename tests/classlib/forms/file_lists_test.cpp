// The file system's list boxes: a file list box showing the files of a
// folder that match a mask, and a folder list box showing the way down to
// a folder and its sub-folders, driving the file list. Each test works on
// a drive of its own (T:).
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "classlib/FileCtrl.h"
#include "classlib/PathRoutines.h"
#include "platform/fs/drives.h"
#include "platform/fs/files.h"
#include "tests/classlib/forms/forms_test_support.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

class TFilesForm : public TForm {
 public:
  explicit TFilesForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("FilesForm");
    SetClientSize(420, 300);
    Folders = NewControl<TDirectoryListBox>(this, this, "Folders", 10, 10, 190, 280);
    Files = NewControl<TFileListBox>(this, this, "Files", 210, 10, 200, 280);
    Files->SetMultiSelect(true);
    Files->SetShowGlyphs(true);
    EndLoad();
  }
  TDirectoryListBox* Folders;
  TFileListBox* Files;
};

class FileListsTest : public FormsOnDriveTest {
 protected:
  void SetUp() override {
    FormsOnDriveTest::SetUp();
    drive_.WriteFile("Music/one.mp3", "1");
    drive_.WriteFile("Music/two.MP3", "22");
    drive_.WriteFile("Music/notes.txt", "n");
    drive_.WriteFile("Music/cover.jpg", "j");
    std::filesystem::create_directories(drive_ / "Music" / "Rock");
    std::filesystem::create_directories(drive_ / "Music" / "Jazz");
    drive_.WriteFile("Music/Rock/loud.mp3", "l");
    form = ShowNewForm<TFilesForm>();
  }
  std::vector<String> Entries(TCustomListBox* list) {
    std::vector<String> names;
    for (int i = 0; i < list->Items()->Count(); ++i) names.push_back(list->Items()->Strings(i));
    return names;
  }

  TFilesForm* form = nullptr;
};

TEST_F(FileListsTest, AFileListShowsTheFilesOfItsFolderThatMatchTheMask) {
  TFileListBox* files = form->Files;
  EXPECT_EQ(files->Directory(), "T:\\");
  EXPECT_TRUE(Entries(files).empty());
  files->SetDirectory("T:\\Music");
  EXPECT_EQ(files->Directory(), "T:\\Music");
  EXPECT_EQ(Entries(files), (std::vector<String>{"cover.jpg", "notes.txt", "one.mp3", "two.MP3"}));
  files->SetMask("*.mp3");
  EXPECT_EQ(Entries(files), (std::vector<String>{"one.mp3", "two.MP3"}));
  files->SetMask("*.mp3;*.jpg");
  EXPECT_EQ(Entries(files), (std::vector<String>{"cover.jpg", "one.mp3", "two.MP3"}));
  files->SetMask("*.*");
  files->SetFileType(TFileType{ftNormal, ftDirectory});
  EXPECT_EQ(Entries(files), (std::vector<String>{"[Jazz]", "[Rock]", "cover.jpg", "notes.txt", "one.mp3", "two.MP3"}));
}

TEST_F(FileListsTest, SelectionGivesTheFileNameAndUpdateReadsTheFolderAgain) {
  TFileListBox* files = form->Files;
  files->SetDirectory("T:\\Music");
  int changes = 0;
  files->OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(files->FileName(), "");
  files->SetSelected(1, true);
  files->SetSelected(3, true);
  EXPECT_EQ(files->SelCount(), 2);
  // The way the incoming-files list deletes: the first selected entry, then re-read.
  for (int i = 0; i < files->Items()->Count(); ++i) {
    if (!files->Selected(i)) continue;
    const String path = IncludeTrailingBackslash(files->Directory()) + files->Items()->Strings(i);
    ASSERT_TRUE(DeleteFile(path.c_str()));
    files->Update();
  }
  EXPECT_EQ(Entries(files), (std::vector<String>{"cover.jpg", "one.mp3", "two.MP3"}));
  EXPECT_EQ(files->SelCount(), 0);
  files->SetFileName("T:\\Music\\one.mp3");
  EXPECT_EQ(files->FileName(), "T:\\Music\\one.mp3");
  EXPECT_GE(changes, 1);
  // A click on an entry selects it and reports the change.
  changes = 0;
  const TRect second = files->ItemRect(2);
  Click(files, second.left + 30, second.top + 4);
  EXPECT_TRUE(files->Selected(2));
  EXPECT_EQ(changes, 1);
}

TEST_F(FileListsTest, AFolderListShowsTheWayDownAndTheSubFoldersAndDrivesTheFileList) {
  TDirectoryListBox* folders = form->Folders;
  folders->SetFileList(form->Files);
  EXPECT_EQ(Entries(folders), (std::vector<String>{"T:\\", "Music"}));
  folders->SetDirectory("T:\\Music");
  EXPECT_EQ(folders->Directory(), "T:\\Music");
  EXPECT_EQ(folders->Drive(), 'T');
  EXPECT_EQ(Entries(folders), (std::vector<String>{"T:\\", "Music", "Jazz", "Rock"}));
  EXPECT_EQ(folders->ItemIndex(), 1);
  EXPECT_EQ(folders->GetItemPath(0), "T:\\");
  EXPECT_EQ(folders->GetItemPath(1), "T:\\Music");
  EXPECT_EQ(folders->GetItemPath(3), "T:\\Music\\Rock");
  EXPECT_EQ(form->Files->Directory(), "T:\\Music");
  // Opening "Rock" with Enter moves down; the file list follows.
  int changes = 0;
  folders->OnChange = [&](TObject*) { ++changes; };
  folders->SetFocus();
  folders->SetItemIndex(3);
  Press(VK_RETURN);
  EXPECT_EQ(folders->Directory(), "T:\\Music\\Rock");
  EXPECT_EQ(Entries(folders), (std::vector<String>{"T:\\", "Music", "Rock"}));
  EXPECT_EQ(Entries(form->Files), (std::vector<String>{"loud.mp3"}));
  EXPECT_EQ(changes, 1);
  // A double click on the root goes back up.
  const TRect root = folders->ItemRect(0);
  Click(folders, root.left + 20, root.top + 4);
  Click(folders, root.left + 20, root.top + 4);
  EXPECT_EQ(folders->Directory(), "T:\\");
  EXPECT_EQ(Entries(folders), (std::vector<String>{"T:\\", "Music"}));
  EXPECT_EQ(form->Files->Directory(), "T:\\");
  EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace velko_test
