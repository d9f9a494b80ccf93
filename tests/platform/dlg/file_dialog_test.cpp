// The open and save dialogs answered by the hook: what the request holds,
// the result in OPENFILENAME, the checks and prompts, multi-select and the
// buffer rules; and the listing the dialog shows.
#include <cstring>

#include "platform/dlg/file_dialog_session.h"
#include "tests/platform/dlg/dialog_fixture.h"

namespace velko_test {
namespace {

class FileDialogTest : public DialogTest {
 protected:
  // Every dialog is answered with `answer`.
  static void AnswerDialogs(platform::FileDialogAnswer answer) {
    platform::SetFileDialogHook([answer](const platform::FileDialogRequest&) { return answer; });
  }
  static platform::FileDialogAnswer Several(std::vector<std::string> names) {
    platform::FileDialogAnswer answer;
    answer.names = std::move(names);
    return answer;
  }
};

TEST_F(FileDialogTest, TheHookSeesTheRequestAsTheDialogWouldOpen) {
  HWND owner = Make(nullptr, WS_OVERLAPPEDWINDOW, "Owner");
  Dialog d(Filter("Wave files (*.wav)|*.wav|*.wav"));
  d.ofn.hwndOwner = owner;
  d.ofn.lpstrTitle = "Select Song.wav in Velko folder for encoding to MP3 format";
  d.ofn.lpstrInitialDir = "T:\\music";
  d.ofn.lpstrDefExt = "wav";
  d.ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  platform::FileDialogRequest seen;
  platform::SetFileDialogHook([&](const platform::FileDialogRequest& request) {
    seen = request;
    return platform::FileDialogAnswer::Cancel();
  });
  EXPECT_FALSE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_FALSE(seen.save);
  EXPECT_EQ(seen.owner, owner);
  EXPECT_EQ(seen.title, "Select Song.wav in Velko folder for encoding to MP3 format");
  // A description without a pattern after the last pair is not a filter.
  ASSERT_EQ(seen.filters.size(), 1u);
  EXPECT_EQ(seen.filters[0].first, "Wave files (*.wav)");
  EXPECT_EQ(seen.filters[0].second, "*.wav");
  EXPECT_EQ(seen.filter_index, 1);
  EXPECT_EQ(seen.folder, "T:\\music");
  EXPECT_EQ(seen.default_extension, "wav");
  EXPECT_EQ(seen.flags, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
  EXPECT_STREQ(d.file.data(), "");  // a cancelled dialog leaves the buffer alone
  // A save dialog without a title or folder: "Save As", in the given file's folder.
  Dialog save;
  std::strcpy(save.file.data(), "T:\\other\\x.mp3");
  GetSaveFileName(&save.ofn);
  EXPECT_TRUE(seen.save);
  EXPECT_EQ(seen.title, "Save As");
  EXPECT_EQ(seen.folder, "T:\\other");
  EXPECT_EQ(seen.file_name, "x.mp3");
}

TEST_F(FileDialogTest, AChosenFileComesBackAsAFullPathWithItsOffsets) {
  Dialog d(Filter("Text|*.txt|Wave files|*.wav"));
  d.ofn.lpstrInitialDir = "T:\\music";
  d.ofn.nFilterIndex = 1;
  platform::SetFileDialogHook([](const platform::FileDialogRequest&) {
    platform::FileDialogAnswer answer = platform::FileDialogAnswer::Choose("two.wav");
    answer.filter_index = 2;
    return answer;
  });
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\music\\two.wav");
  EXPECT_EQ(d.ofn.nFileOffset, 9);
  EXPECT_EQ(d.ofn.nFileExtension, 13);
  EXPECT_STREQ(d.title.data(), "two.wav");
  EXPECT_EQ(d.ofn.nFilterIndex, 2u);
  // The current directory follows the chosen folder, unless OFN_NOCHANGEDIR.
  EXPECT_EQ(CurrentDirectory(), "T:\\music");
  SetCurrentDirectory("T:\\other");
  d.ofn.Flags = OFN_NOCHANGEDIR;
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(CurrentDirectory(), "T:\\other");
}

TEST_F(FileDialogTest, PathsRelativeAndAbsoluteAreResolved) {
  Dialog d;
  d.ofn.lpstrInitialDir = "T:\\music";
  AnswerDialogs(platform::FileDialogAnswer::Choose("rock\\..\\..\\other\\x.mp3"));
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\other\\x.mp3");

  AnswerDialogs(platform::FileDialogAnswer::Choose("T:\\music\\rock\\deep.wav"));
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\music\\rock\\deep.wav");
}

TEST_F(FileDialogTest, TheDefaultExtensionIsAddedToANameWithoutOne) {
  Dialog d(Filter("MP3 files (*.mp3)|*.mp3"));
  d.ofn.lpstrInitialDir = "T:\\other";
  d.ofn.lpstrDefExt = "*.mp3";  // as a caller may give it: the extension is "mp3"
  AnswerDialogs(platform::FileDialogAnswer::Choose("Track 1"));
  ASSERT_TRUE(GetSaveFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\other\\Track 1.mp3");
  EXPECT_FALSE(d.ofn.Flags & OFN_EXTENSIONDIFFERENT);

  AnswerDialogs(platform::FileDialogAnswer::Choose("notes.txt"));
  ASSERT_TRUE(GetSaveFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\other\\notes.txt");
  EXPECT_TRUE(d.ofn.Flags & OFN_EXTENSIONDIFFERENT);
}

TEST_F(FileDialogTest, FileMustExistRefusesAMissingFileWithAMessage) {
  Dialog d;
  d.ofn.lpstrInitialDir = "T:\\music";
  d.ofn.lpstrTitle = "Open a song";
  d.ofn.Flags = OFN_FILEMUSTEXIST;
  AnswerBoxes(IDOK);
  AnswerDialogs(platform::FileDialogAnswer::Choose("none.wav"));
  EXPECT_FALSE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text,
            "none.wav\nFile not found.\nPlease verify the correct file name was given.");
  EXPECT_EQ(boxes_[0].caption, "Open a song");
  EXPECT_EQ(boxes_[0].icon(), MB_ICONEXCLAMATION);

  d.ofn.Flags = OFN_PATHMUSTEXIST;
  AnswerDialogs(platform::FileDialogAnswer::Choose("nowhere\\a.wav"));
  EXPECT_FALSE(GetOpenFileName(&d.ofn));
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_NE(boxes_[1].text.find("Path does not exist."), std::string::npos);
}

TEST_F(FileDialogTest, TheSaveDialogAsksBeforeReplacingAFile) {
  Dialog d;
  d.ofn.lpstrInitialDir = "T:\\music";
  d.ofn.Flags = OFN_OVERWRITEPROMPT;
  AnswerDialogs(platform::FileDialogAnswer::Choose("one.wav"));
  AnswerBoxes(IDNO);
  EXPECT_FALSE(GetSaveFileName(&d.ofn));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "T:\\music\\one.wav already exists.\nDo you want to replace it?");
  EXPECT_EQ(boxes_[0].buttons(), MB_YESNO);
  EXPECT_EQ(boxes_[0].DefaultButton(), IDNO);

  AnswerBoxes(IDYES);
  ASSERT_TRUE(GetSaveFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\music\\one.wav");

  // A new file needs no question.
  boxes_.clear();
  AnswerDialogs(platform::FileDialogAnswer::Choose("new.wav"));
  ASSERT_TRUE(GetSaveFileName(&d.ofn));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(FileDialogTest, SeveralFilesComeBackAsTheFolderAndTheirNames) {
  Dialog d;
  d.ofn.lpstrInitialDir = "T:\\music";
  d.ofn.Flags = OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_EXPLORER;
  AnswerDialogs(Several({"one.wav", "two.wav"}));
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  const std::string expected("T:\\music\0one.wav\0two.wav\0\0", 27);
  EXPECT_EQ(std::string(d.file.data(), expected.size()), expected);
  EXPECT_EQ(d.ofn.nFileOffset, 9);

  // One file of a multi-select dialog is an ordinary path.
  AnswerDialogs(platform::FileDialogAnswer::Choose("one.wav"));
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\music\\one.wav");

  // Without OFN_ALLOWMULTISELECT several names are refused.
  d.ofn.Flags = OFN_FILEMUSTEXIST;
  AnswerBoxes(IDOK);
  AnswerDialogs(Several({"one.wav", "two.wav"}));
  EXPECT_FALSE(GetOpenFileName(&d.ofn));
}

TEST_F(FileDialogTest, ABufferTooSmallTellsTheSizeNeeded) {
  Dialog d;
  d.ofn.lpstrInitialDir = "T:\\music";
  d.ofn.nMaxFile = 10;
  AnswerDialogs(platform::FileDialogAnswer::Choose("one.wav"));
  EXPECT_FALSE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
  WORD needed = 0;
  std::memcpy(&needed, d.file.data(), sizeof(needed));
  EXPECT_EQ(needed, std::strlen("T:\\music\\one.wav") + 1);
}

TEST_F(FileDialogTest, AWrongStructureSizeFails) {
  Dialog d;
  d.ofn.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
  EXPECT_FALSE(GetOpenFileName(nullptr));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
}

// A Linux name may hold the characters the platform reserves: a file the
// listing shows is chosen, not taken for a pattern or refused; a new name
// with them is still refused.
TEST_F(FileDialogTest, AListedNameWithReservedCharactersIsChosen) {
  dir_.WriteFile("odd/pipe|bar.mp3", "ID3");
  dir_.WriteFile("odd/what?.mp3", "ID3");
  dir_.WriteFile("odd/star*.mp3", "ID3");
  Dialog d(Filter("MP3 files|*.mp3"));
  d.ofn.lpstrInitialDir = "T:\\odd";
  d.ofn.Flags = OFN_FILEMUSTEXIST;
  AnswerBoxes(IDOK);
  platform::dlg::FileDialogSession session(&d.ofn, false);
  ASSERT_TRUE(session.valid());
  std::vector<std::string> listed;
  for (const platform::dlg::FolderEntry& entry : session.List()) listed.push_back(entry.name);
  ASSERT_EQ(listed, (std::vector<std::string>{"pipe|bar.mp3", "star*.mp3", "what?.mp3"}));
  for (const std::string& name : listed) {
    SCOPED_TRACE(name);
    EXPECT_EQ(session.Accept(name, nullptr), platform::dlg::FileDialogSession::Outcome::kDone);
    EXPECT_EQ(d.File(), "T:\\odd\\" + name);
  }
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(session.Accept("st*", nullptr), platform::dlg::FileDialogSession::Outcome::kFiltered);
  EXPECT_EQ(session.Accept("new|one.mp3", nullptr), platform::dlg::FileDialogSession::Outcome::kStay);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "new|one.mp3\nThe file name is not valid.");
}

// The dialog's own view of a folder: what it lists and where typing goes.
TEST_F(FileDialogTest, TheListingHoldsFoldersThenFilesOfTheFilter) {
  Dialog d(Filter("Wave files (*.wav)|*.wav|All files|*.*"));
  d.ofn.lpstrInitialDir = "T:\\music";
  platform::dlg::FileDialogSession session(&d.ofn, false);
  ASSERT_TRUE(session.valid());
  std::vector<std::string> names;
  for (const platform::dlg::FolderEntry& entry : session.List())
    names.push_back(entry.name + (entry.folder ? "\\" : ""));
  // Hidden files stay out; patterns ignore case.
  EXPECT_EQ(names, (std::vector<std::string>{"rock\\", "one.wav", "Three.WAV", "two.wav"}));
  session.SetFilterIndex(2);
  EXPECT_EQ(session.List().size(), 5u);

  // A typed pattern filters, a typed folder is gone into, Up comes back.
  EXPECT_EQ(session.Accept("*.txt", nullptr), platform::dlg::FileDialogSession::Outcome::kFiltered);
  ASSERT_EQ(session.List().size(), 2u);
  EXPECT_EQ(session.List()[1].name, "notes.txt");
  EXPECT_EQ(session.Accept("rock", nullptr), platform::dlg::FileDialogSession::Outcome::kNavigated);
  EXPECT_EQ(session.folder(), "T:\\music\\rock");
  EXPECT_TRUE(session.Up());
  EXPECT_EQ(session.folder(), "T:\\music");
  EXPECT_TRUE(session.Up());
  EXPECT_EQ(session.folder(), "T:\\");
  EXPECT_FALSE(session.Up());

  // The "Look in" list: the drives, with the folders down to this one under T:.
  ASSERT_TRUE(session.SetFolder("T:\\music\\rock"));
  std::vector<std::pair<std::string, int>> look_in = session.LookInEntries();
  std::vector<std::pair<std::string, int>> under_t;
  bool in_t = false;
  for (const auto& entry : look_in) {
    if (entry.second == 0) in_t = entry.first == "T:\\";
    if (in_t) under_t.push_back(entry);
  }
  EXPECT_EQ(under_t, (std::vector<std::pair<std::string, int>>{
                         {"T:\\", 0}, {"T:\\music", 1}, {"T:\\music\\rock", 2}}));
}

}  // namespace
}  // namespace velko_test
