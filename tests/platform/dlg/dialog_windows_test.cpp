// The real open, save and folder dialogs on the headless display, driven by
// injected clicks, keys and text: listing a folder through a filter,
// choosing, going into folders and back up, changing the file type, the
// overwrite prompt and browsing for a folder.
#include <algorithm>
#include <functional>
#include <memory>

#include "platform/ctl/ctl.h"
#include "platform/display/display.h"
#include "tests/platform/dlg/dialog_fixture.h"
#include "tests/support/temp_dir.h"

namespace velko_test {
namespace {

std::string TextOf(HWND hwnd) {
  char buffer[256] = {};
  GetWindowText(hwnd, buffer, sizeof(buffer));
  return buffer;
}

std::string ClassOf(HWND hwnd) {
  char buffer[64] = {};
  GetClassName(hwnd, buffer, sizeof(buffer));
  return buffer;
}

// The nth child of a class (in creation order).
HWND ChildOfClass(HWND dialog, const std::string& class_name, int nth = 0) {
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (ClassOf(c) == class_name && nth-- == 0) return c;
  }
  return nullptr;
}

HWND ChildWithText(HWND dialog, const std::string& text) {
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (TextOf(c) == text) return c;
  }
  return nullptr;
}

std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  const LRESULT count = SendMessage(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[MAX_PATH] = {};
    SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

int IndexOf(HWND list, const std::string& text) {
  std::vector<std::string> items = ListItems(list);
  auto it = std::find(items.begin(), items.end(), text);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

POINT ItemCentre(HWND list, int index) {
  RECT r{};
  SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(list, &p);
  return p;
}

POINT WindowCentre(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Click(POINT p) {
  platform::InjectClick(p.x, p.y);
}

class DialogWindowTest : public DialogTest {
 protected:
  HWND MakeOwner() {
    HWND hwnd = Make(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Owner", 0, 60, 60, 500, 400);
    Pump();
    return hwnd;
  }

  // A dialog of these filters ("a|b|...") over a shown owner, opening in T:\music.
  Dialog& MusicDialog(const char* filter) {
    dialog_ = std::make_unique<Dialog>(Filter(filter));
    owner_ = dialog_->ofn.hwndOwner = MakeOwner();
    dialog_->ofn.lpstrInitialDir = "T:\\music";
    return *dialog_;
  }
  std::unique_ptr<Dialog> dialog_;
  HWND owner_ = nullptr;

  // Runs one step each time a dialog over the owner waits for input; once
  // they are used up, the dialog is closed with Esc (so a test that goes
  // wrong cannot hang).
  void Script(std::vector<std::function<void(HWND dialog)>> steps) {
    auto state = std::make_shared<std::pair<std::size_t, std::vector<std::function<void(HWND)>>>>(
        0, std::move(steps));
    SetHandler([state](HWND, UINT message, WPARAM wparam, LPARAM lparam) -> std::optional<LRESULT> {
      if (message != WM_ENTERIDLE || wparam != MSGF_DIALOGBOX) return std::nullopt;
      HWND dialog = reinterpret_cast<HWND>(lparam);
      if (state->first < state->second.size()) {
        state->second[state->first++](dialog);
      } else if (state->first++ < state->second.size() + 3) {
        platform::InjectKeyPress(VK_ESCAPE);
      } else {
        DestroyWindow(dialog);
      }
      return 0;
    });
  }
};

TEST_F(DialogWindowTest, TheOpenDialogListsAFolderThroughItsFilterAndReturnsTheChosenPath) {
  Dialog& d = MusicDialog("Wave files (*.wav)|*.wav|All files (*.*)|*.*");
  d.ofn.lpstrTitle = "Open a song";
  d.ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  std::vector<std::string> listed;
  std::string caption, name_box;
  bool owner_disabled = false;
  Script({[&](HWND dialog) {
            caption = TextOf(dialog);
            owner_disabled = !IsWindowEnabled(owner_);
            HWND list = ChildOfClass(dialog, "LISTBOX");
            ASSERT_NE(list, nullptr);
            listed = ListItems(list);
            Click(ItemCentre(list, IndexOf(list, "two.wav")));
          },
          [&](HWND dialog) {
            name_box = TextOf(ChildOfClass(dialog, "EDIT"));
            Click(WindowCentre(ChildWithText(dialog, "&Open")));
          }});
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(d.File(), "T:\\music\\two.wav");
  EXPECT_EQ(caption, "Open a song");
  EXPECT_TRUE(owner_disabled);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(listed, (std::vector<std::string>{"rock", "one.wav", "Three.WAV", "two.wav"}));
  EXPECT_EQ(name_box, "two.wav");
}

TEST_F(DialogWindowTest, TypingAFolderGoesIntoItAndTypingANameChoosesIt) {
  Dialog& d = MusicDialog("Wave files|*.wav");
  std::vector<std::string> inside;
  Script({[&](HWND) {
            platform::InjectText("rock");
            platform::InjectKeyPress(VK_RETURN);
          },
          [&](HWND dialog) {
            inside = ListItems(ChildOfClass(dialog, "LISTBOX"));
            platform::InjectText("deep");  // the default extension is added
            platform::InjectKeyPress(VK_RETURN);
          }});
  d.ofn.lpstrDefExt = "wav";
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(inside, std::vector<std::string>{"deep.wav"});
  EXPECT_EQ(d.File(), "T:\\music\\rock\\deep.wav");
}

TEST_F(DialogWindowTest, ADoubleClickOpensAFolderAndUpComesBack) {
  Dialog& d = MusicDialog("All files|*.*");
  std::vector<std::string> in_rock, back_up;
  Script({[&](HWND dialog) {
            HWND list = ChildOfClass(dialog, "LISTBOX");
            POINT p = ItemCentre(list, IndexOf(list, "rock"));
            Click(p);
            Click(p);
          },
          [&](HWND dialog) {
            in_rock = ListItems(ChildOfClass(dialog, "LISTBOX"));
            Click(WindowCentre(ChildWithText(dialog, "&Up")));
          },
          [&](HWND dialog) {
            back_up = ListItems(ChildOfClass(dialog, "LISTBOX"));
            platform::InjectKeyPress(VK_ESCAPE);
          }});
  EXPECT_FALSE(GetOpenFileName(&d.ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_EQ(in_rock, std::vector<std::string>{"deep.wav"});
  EXPECT_EQ(back_up.size(), 5u);
}

TEST_F(DialogWindowTest, ChoosingAnotherFileTypeListsItsFiles) {
  Dialog& d = MusicDialog("Wave files|*.wav|Text files|*.txt");
  std::vector<std::string> texts;
  bool dropped = false;
  Script({[&](HWND dialog) {
            // The file type list is the second combo box.
            Click(WindowCentre(ChildOfClass(dialog, "COMBOBOX", 1)));
          },
          [&](HWND dialog) {
            HWND combo = ChildOfClass(dialog, "COMBOBOX", 1);
            dropped = SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
            platform::InjectKeyPress(VK_DOWN);
            platform::InjectKeyPress(VK_RETURN);
          },
          [&](HWND dialog) {
            texts = ListItems(ChildOfClass(dialog, "LISTBOX"));
            // The focus stays on the file types: the name box is clicked.
            Click(WindowCentre(ChildOfClass(dialog, "EDIT")));
            platform::InjectText("notes.txt");
            platform::InjectKeyPress(VK_RETURN);
          }});
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  EXPECT_TRUE(dropped);
  EXPECT_EQ(texts, (std::vector<std::string>{"rock", "notes.txt"}));
  EXPECT_EQ(d.ofn.nFilterIndex, 2u);
  EXPECT_EQ(d.File(), "T:\\music\\notes.txt");
}

TEST_F(DialogWindowTest, TheSaveDialogAsksBeforeReplacingAndStaysOpenOnNo) {
  Dialog& d = MusicDialog("Wave files|*.wav");
  d.ofn.Flags = OFN_OVERWRITEPROMPT;
  AnswerBoxes(IDNO);
  bool still_open = false;
  Script({[&](HWND) {
            platform::InjectText("one.wav");
            platform::InjectKeyPress(VK_RETURN);
          },
          [&](HWND dialog) {
            still_open = IsWindow(dialog) != FALSE;
            // The name is selected: typing replaces it.
            platform::InjectText("fresh.wav");
            platform::InjectKeyPress(VK_RETURN);
          }});
  ASSERT_TRUE(GetSaveFileName(&d.ofn));
  EXPECT_TRUE(still_open);
  ASSERT_EQ(boxes_.size(), 1u);  // its text: FileDialogTest.TheSaveDialogAsksBeforeReplacingAFile
  EXPECT_NE(boxes_[0].owner, owner_);  // over the dialog
  EXPECT_EQ(d.File(), "T:\\music\\fresh.wav");
}

TEST_F(DialogWindowTest, SeveralFilesAreChosenWithControlClicks) {
  Dialog& d = MusicDialog("Wave files|*.wav");
  d.ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST;
  Script({[&](HWND dialog) {
            HWND list = ChildOfClass(dialog, "LISTBOX");
            Click(ItemCentre(list, IndexOf(list, "one.wav")));
            platform::InjectKey(VK_CONTROL, true);
            Click(ItemCentre(list, IndexOf(list, "two.wav")));
            platform::InjectKey(VK_CONTROL, false);
          },
          [&](HWND) { platform::InjectKeyPress(VK_RETURN); }});
  ASSERT_TRUE(GetOpenFileName(&d.ofn));
  const std::string expected("T:\\music\0one.wav\0two.wav\0\0", 27);
  EXPECT_EQ(std::string(d.file.data(), expected.size()), expected);
}

TEST_F(DialogWindowTest, BrowseForFolderReturnsTheFolderChosenInTheList) {
  BROWSEINFO info;
  info.hwndOwner = MakeOwner();
  info.lpszTitle = "Select directory";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = [](HWND hwnd, UINT message, LPARAM, LPARAM) -> int {
    if (message == BFFM_INITIALIZED)
      SendMessage(hwnd, BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>("T:\\music"));
    return 0;
  };
  std::string title;
  Script({[&](HWND dialog) {
            title = TextOf(ChildOfClass(dialog, "STATIC"));
            HWND list = ChildOfClass(dialog, "LISTBOX");
            Click(ItemCentre(list, IndexOf(list, "rock")));
          },
          [&](HWND) { platform::InjectKeyPress(VK_RETURN); }});
  LPITEMIDLIST chosen = SHBrowseForFolder(&info);
  ASSERT_NE(chosen, nullptr);
  char path[MAX_PATH] = {};
  ASSERT_TRUE(SHGetPathFromIDList(chosen, path));
  CoTaskMemFree(chosen);
  EXPECT_STREQ(path, "T:\\music\\rock");
  EXPECT_EQ(title, "Select directory");
}

TEST_F(DialogWindowTest, BrowseForFolderOpensFoldersWithTheKeysAndCancels) {
  LPITEMIDLIST root = ILCreateFromPath("T:\\");
  BROWSEINFO info;
  info.hwndOwner = MakeOwner();
  info.pidlRoot = root;
  std::vector<std::string> opened;
  Script({[&](HWND) {
            platform::InjectKeyPress(VK_DOWN);   // music
            platform::InjectKeyPress(VK_RIGHT);  // opened: its folders show
          },
          [&](HWND dialog) {
            opened = ListItems(ChildOfClass(dialog, "LISTBOX"));
            platform::InjectKeyPress(VK_ESCAPE);
          }});
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
  ILFree(root);
  EXPECT_EQ(opened, (std::vector<std::string>{"TESTDRIVE (T:)", "music", "rock", "other"}));
}

}  // namespace
}  // namespace velko_test
