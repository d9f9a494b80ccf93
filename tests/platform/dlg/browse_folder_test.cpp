// Browsing for a folder, answered by the hook: the request, the callback
// and its messages, the item id list, the root and its limits.
#include <cstring>

#include "platform/dlg/browse_session.h"
#include "tests/platform/dlg/dialog_fixture.h"

namespace velko_test {
namespace {

using BrowseFolderTest = DialogTest;

struct CallbackLog {
  std::vector<UINT> messages;
  std::vector<std::string> selections;
  std::string initial;
};

// Sets the selection when the dialog is up, as the class library's folder
// chooser does, and records what it is told.
int Callback(HWND hwnd, UINT message, LPARAM lparam, LPARAM data) {
  auto* log = reinterpret_cast<CallbackLog*>(data);
  log->messages.push_back(message);
  if (message == BFFM_INITIALIZED && !log->initial.empty()) {
    SendMessage(hwnd, BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>(log->initial.c_str()));
  }
  if (message == BFFM_SELCHANGED) {
    char path[MAX_PATH] = {};
    SHGetPathFromIDList(reinterpret_cast<LPCITEMIDLIST>(lparam), path);
    log->selections.push_back(path);
  }
  return 0;
}

TEST_F(BrowseFolderTest, TheChosenFolderComesBackAsAnItemList) {
  HWND owner = Make(nullptr, WS_OVERLAPPEDWINDOW, "Owner");
  char display[MAX_PATH] = {};
  CallbackLog log;
  log.initial = "T:\\other";
  BROWSEINFO info;
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = "Select directory";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = Callback;
  info.lParam = reinterpret_cast<LPARAM>(&log);
  platform::BrowseForFolderRequest seen;
  platform::SetBrowseForFolderHook([&](const platform::BrowseForFolderRequest& request) {
    seen = request;
    return std::optional<std::string>("T:\\music\\rock");
  });
  LPITEMIDLIST list = SHBrowseForFolder(&info);
  ASSERT_NE(list, nullptr);
  char path[MAX_PATH] = {};
  ASSERT_TRUE(SHGetPathFromIDList(list, path));
  EXPECT_STREQ(path, "T:\\music\\rock");
  EXPECT_STREQ(display, "rock");
  CoTaskMemFree(list);

  EXPECT_EQ(seen.owner, owner);
  EXPECT_EQ(seen.title, "Select directory");
  EXPECT_EQ(seen.flags, BIF_RETURNONLYFSDIRS);
  EXPECT_EQ(seen.root, "");
  // The callback's selection is what the dialog opened with.
  EXPECT_EQ(seen.selection, "T:\\other");
  ASSERT_GE(log.messages.size(), 1u);
  EXPECT_EQ(log.messages[0], static_cast<UINT>(BFFM_INITIALIZED));
  EXPECT_EQ(log.selections, (std::vector<std::string>{"T:\\other", "T:\\music\\rock"}));
}

TEST_F(BrowseFolderTest, CancelOrAFolderThatIsNotThereGivesNothing) {
  BROWSEINFO info;
  platform::SetBrowseForFolderHook(
      [](const platform::BrowseForFolderRequest&) { return std::optional<std::string>(); });
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
  EXPECT_EQ(SHBrowseForFolder(nullptr), nullptr);
  platform::SetBrowseForFolderHook([](const platform::BrowseForFolderRequest&) {
    return std::optional<std::string>("T:\\nowhere");
  });
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
}

TEST_F(BrowseFolderTest, TheRootKeepsTheChoiceInsideIt) {
  LPITEMIDLIST root = ILCreateFromPath("T:\\music");
  ASSERT_NE(root, nullptr);
  BROWSEINFO info;
  info.pidlRoot = root;
  platform::BrowseForFolderRequest seen;
  std::string answer = "T:\\other";
  platform::SetBrowseForFolderHook([&](const platform::BrowseForFolderRequest& request) {
    seen = request;
    return std::optional<std::string>(answer);
  });
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
  EXPECT_EQ(seen.root, "T:\\music");
  EXPECT_EQ(seen.selection, "T:\\music");  // it opens on the root

  answer = "T:\\music\\rock";
  LPITEMIDLIST inside = SHBrowseForFolder(&info);
  ASSERT_NE(inside, nullptr);
  char path[MAX_PATH] = {};
  SHGetPathFromIDList(inside, path);
  EXPECT_STREQ(path, "T:\\music\\rock");
  ILFree(inside);
  ILFree(root);
}

TEST_F(BrowseFolderTest, ItemListsHoldPathsOfThingsThatExist) {
  EXPECT_EQ(ILCreateFromPath("T:\\missing"), nullptr);
  EXPECT_EQ(ILCreateFromPath(nullptr), nullptr);
  char path[MAX_PATH] = "untouched";
  EXPECT_FALSE(SHGetPathFromIDList(nullptr, path));
  EXPECT_STREQ(path, "");
  LPITEMIDLIST file = ILCreateFromPath("T:\\music\\one.wav");
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(SHGetPathFromIDList(file, path));
  EXPECT_STREQ(path, "T:\\music\\one.wav");
  ILFree(file);
}

TEST_F(BrowseFolderTest, TheListShowsDrivesTheWayDownAndTheSubFolders) {
  BROWSEINFO info;
  platform::dlg::BrowseSession session(info);
  EXPECT_TRUE(session.selection().empty());
  EXPECT_FALSE(session.ok_enabled());
  ASSERT_TRUE(session.Select("T:\\music", nullptr));
  EXPECT_TRUE(session.ok_enabled());
  std::vector<std::pair<std::string, int>> under_t;
  bool in_t = false;
  for (const auto& entry : session.Entries()) {
    if (entry.second == 0) in_t = entry.first == "T:\\";
    if (in_t) under_t.push_back(entry);
  }
  EXPECT_EQ(under_t, (std::vector<std::pair<std::string, int>>{
                         {"T:\\", 0}, {"T:\\music", 1}, {"T:\\music\\rock", 2}, {"T:\\other", 1}}));
  EXPECT_FALSE(session.Select("T:\\music\\one.wav", nullptr));  // not a folder
  EXPECT_EQ(platform::dlg::FolderDisplayName("T:\\"), "TESTDRIVE (T:)");
}

}  // namespace
}  // namespace velko_test
