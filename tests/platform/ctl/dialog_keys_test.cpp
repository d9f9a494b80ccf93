// Dialog keyboard handling: Tab, arrows, Enter, Esc and mnemonics through
// IsDialogMessage, the dialog class and the dialog item calls.
#include "platform/dlg/message_box.h"
#include "tests/platform/ctl/ctl_test_support.h"

namespace ctl_test {
namespace {

std::vector<std::pair<int, WORD>>* g_commands = nullptr;

// Records the buttons chosen (BN_CLICKED; the fields' own notifications
// are left out).
INT_PTR RecordingDialogProc(HWND, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED && g_commands != nullptr) {
    g_commands->push_back({LOWORD(wparam), HIWORD(wparam)});
    return TRUE;
  }
  return FALSE;
}

class DialogKeysTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    g_commands = &commands_;
    dialog_ = CreateWindowEx(0, WC_DIALOG, "Dialog", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 80,
                             400, 300, host_, nullptr, nullptr, nullptr);
    ASSERT_NE(dialog_, nullptr);
    SetWindowLongPtr(dialog_, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&RecordingDialogProc));
  }
  void TearDown() override {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    g_commands = nullptr;
    ControlTest::TearDown();
  }

  HWND Add(const char* class_name, const char* text, DWORD style, int id, HWND parent = nullptr) {
    const int y = 10 + 26 * static_cast<int>(added_++);
    HWND control =
        CreateWindowEx(0, class_name, text, WS_CHILD | WS_VISIBLE | style, 10, y, 150, 22,
                       parent != nullptr ? parent : dialog_,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    EXPECT_NE(control, nullptr);
    SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  }

  // Takes the waiting messages through the dialog's keyboard handling.
  void PumpDialog() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessage(dialog_, &msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
  }
  void Key(UINT vk) {
    platform::InjectKeyPress(vk);
    PumpDialog();
  }
  void KeyWith(UINT modifier, UINT vk) {
    platform::InjectKey(modifier, true);
    platform::InjectKeyPress(vk);
    platform::InjectKey(modifier, false);
    PumpDialog();
  }

  HWND dialog_ = nullptr;
  std::vector<std::pair<int, WORD>> commands_;
  std::size_t added_ = 0;
};

TEST_F(DialogKeysTest, TabAndShiftTabGoThroughTheTabStops) {
  HWND name = Add("EDIT", "text", ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, 10);
  Add("STATIC", "label", 0, 11);
  HWND box = Add("BUTTON", "box", BS_AUTOCHECKBOX | WS_TABSTOP, 12);
  Add("BUTTON", "off", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 13);
  HWND hidden = Add("BUTTON", "hidden", BS_PUSHBUTTON | WS_TABSTOP, 14);
  ShowWindow(hidden, SW_HIDE);
  HWND ok = Add("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
  SetFocus(name);
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), box);
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), ok);
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), name);  // round again
  // Tabbing into an edit field selects its text.
  DWORD start = 9, end = 9;
  SendMessage(name, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
  KeyWith(VK_SHIFT, VK_TAB);
  EXPECT_EQ(GetFocus(), ok);
  EXPECT_EQ(GetNextDlgTabItem(dialog_, nullptr, FALSE), name);
  EXPECT_EQ(GetNextDlgTabItem(dialog_, nullptr, TRUE), ok);
  EXPECT_EQ(GetNextDlgTabItem(dialog_, box, TRUE), name);
  EXPECT_TRUE(commands_.empty());
  // The dialog keeps its focus over deactivation.
  SetActiveWindow(dialog_);
  SetFocus(box);
  SetActiveWindow(host_);
  EXPECT_NE(GetFocus(), box);
  SetActiveWindow(dialog_);
  EXPECT_EQ(GetFocus(), box);
}

TEST_F(DialogKeysTest, EnterPressesTheDefaultOrTheFocusedButtonAndEscCancels) {
  HWND edit = Add("EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 10);
  HWND apply = Add("BUTTON", "Apply", BS_PUSHBUTTON | WS_TABSTOP, 20);
  HWND ok = Add("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
  Add("BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
  SetFocus(edit);
  Key(VK_RETURN);
  ASSERT_EQ(commands_.size(), 1u);
  EXPECT_EQ(commands_[0], std::make_pair(IDOK, BN_CLICKED));
  // A focused push button is the default one while it has the focus.
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), apply);
  EXPECT_EQ(GetWindowLongPtr(apply, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtr(ok, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  Key(VK_RETURN);
  EXPECT_EQ(commands_.back(), std::make_pair(20, BN_CLICKED));
  KeyWith(VK_SHIFT, VK_TAB);
  EXPECT_EQ(GetWindowLongPtr(apply, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtr(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  Key(VK_ESCAPE);
  EXPECT_EQ(commands_.back(), std::make_pair(IDCANCEL, BN_CLICKED));
  // DM_SETDEFID moves the default.
  SendMessage(dialog_, DM_SETDEFID, 20, 0);
  EXPECT_EQ(SendMessage(dialog_, DM_GETDEFID, 0, 0), MAKELRESULT(20, DC_HASDEFID));
  EXPECT_EQ(GetWindowLongPtr(apply, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtr(ok, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  Key(VK_RETURN);
  EXPECT_EQ(commands_.back(), std::make_pair(20, BN_CLICKED));
  // A disabled default button is not pressed.
  const std::size_t before = commands_.size();
  EnableWindow(apply, FALSE);
  SetFocus(edit);
  Key(VK_RETURN);
  EXPECT_EQ(commands_.size(), before);
  // WM_CLOSE is a cancel.
  SendMessage(dialog_, WM_CLOSE, 0, 0);
  EXPECT_EQ(commands_.back(), std::make_pair(IDCANCEL, BN_CLICKED));
  EXPECT_TRUE(IsWindow(dialog_));
}

TEST_F(DialogKeysTest, ArrowsMoveWithinAGroupAndCheckAutomaticRadioButtons) {
  HWND a = Add("BUTTON", "A", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 1);
  HWND b = Add("BUTTON", "B", BS_AUTORADIOBUTTON, 2);
  HWND c = Add("BUTTON", "C", BS_AUTORADIOBUTTON, 3);
  HWND after = Add("BUTTON", "after", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 4);
  CheckRadioButton(dialog_, 1, 3, 1);
  SetFocus(a);
  Key(VK_DOWN);
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 2), static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 1), static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(commands_.back(), std::make_pair(2, BN_CLICKED));
  Key(VK_DOWN);
  Key(VK_DOWN);  // wraps within the group
  EXPECT_EQ(GetFocus(), a);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 1), static_cast<UINT>(BST_CHECKED));
  Key(VK_UP);
  EXPECT_EQ(GetFocus(), c);
  // Tab leaves the group; Shift+Tab comes back to its checked button.
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), after);
  KeyWith(VK_SHIFT, VK_TAB);
  EXPECT_EQ(GetFocus(), c);
  EXPECT_EQ(GetNextDlgGroupItem(dialog_, a, TRUE), c);
  EXPECT_EQ(GetNextDlgGroupItem(dialog_, after, FALSE), after);
}

TEST_F(DialogKeysTest, MnemonicsGoToTheControlAfterALabelOrClickAButton) {
  Add("STATIC", "&Name:", 0, 1);
  HWND name = Add("EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 2);
  HWND box = Add("BUTTON", "&Loud", BS_AUTOCHECKBOX | WS_TABSTOP, 3);
  Add("BUTTON", "&OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
  SetFocus(box);
  KeyWith(VK_MENU, 'N');
  EXPECT_EQ(GetFocus(), name);
  // In an edit field a letter is text; with Alt it is a mnemonic.
  Key('L');
  EXPECT_EQ(TextOf(name), "l");
  KeyWith(VK_MENU, 'L');
  EXPECT_EQ(GetFocus(), box);
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 3), static_cast<UINT>(BST_CHECKED));
  // A button takes no characters: the letter alone works.
  Key('O');
  EXPECT_EQ(commands_.back(), std::make_pair(IDOK, BN_CLICKED));
}

TEST_F(DialogKeysTest, ControlsThatWantKeysKeepThem) {
  HWND memo = Add("EDIT", "", ES_MULTILINE | ES_WANTRETURN | WS_TABSTOP, 1);
  HWND plain = Add("EDIT", "", ES_MULTILINE | WS_TABSTOP, 2);
  HWND combo = Add("COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP, 3);
  SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
  SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("y"));
  Add("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
  SetFocus(memo);
  Key('A');
  Key(VK_RETURN);
  EXPECT_EQ(TextOf(memo), "a\r\n");
  EXPECT_TRUE(commands_.empty());
  SetFocus(plain);
  Key(VK_RETURN);
  EXPECT_EQ(TextOf(plain), "");
  ASSERT_EQ(commands_.size(), 1u);
  // A dropped combo box takes Enter and Esc itself.
  SetFocus(combo);
  Key(VK_F4);
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  Key(VK_DOWN);
  Key(VK_RETURN);
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(commands_.size(), 1u);
  // Closed, the arrows belong to it as well.
  Key(VK_DOWN);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(GetFocus(), combo);
}

TEST_F(DialogKeysTest, ContainersWithControlParentAreEnteredByTab) {
  HWND first = Add("BUTTON", "first", BS_PUSHBUTTON | WS_TABSTOP, 1);
  HWND panel = CreateWindowEx(WS_EX_CONTROLPARENT, "STATIC", "", WS_CHILD | WS_VISIBLE, 200, 10,
                              150, 100, dialog_, nullptr, nullptr, nullptr);
  HWND inner = Add("EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 2, panel);
  HWND last = Add("BUTTON", "last", BS_PUSHBUTTON | WS_TABSTOP, 3);
  SetFocus(first);
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), inner);
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), last);
  // WM_NEXTDLGCTL moves the focus as Tab does, or to a given control.
  SendMessage(dialog_, WM_NEXTDLGCTL, 1, FALSE);
  EXPECT_EQ(GetFocus(), inner);
  SendMessage(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  EXPECT_EQ(GetFocus(), first);
}

TEST_F(DialogKeysTest, ItemCallsReachControlsById) {
  HWND number = Add("EDIT", "", ES_AUTOHSCROLL, 7);
  HWND box = Add("BUTTON", "b", BS_AUTO3STATE, 8);
  EXPECT_EQ(GetDlgItem(dialog_, 7), number);
  EXPECT_EQ(GetDlgItem(dialog_, 99), nullptr);
  EXPECT_EQ(GetDlgCtrlID(box), 8);
  EXPECT_TRUE(SetDlgItemInt(dialog_, 7, static_cast<UINT>(-42), TRUE));
  EXPECT_EQ(TextOf(number), "-42");
  BOOL translated = FALSE;
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog_, 7, &translated, TRUE)), -42);
  EXPECT_TRUE(translated);
  GetDlgItemInt(dialog_, 7, &translated, FALSE);
  EXPECT_FALSE(translated);
  SetDlgItemText(dialog_, 7, "  123 ");
  EXPECT_EQ(GetDlgItemInt(dialog_, 7, &translated, FALSE), 123u);
  EXPECT_TRUE(translated);
  SetDlgItemText(dialog_, 7, "12a");
  EXPECT_EQ(GetDlgItemInt(dialog_, 7, &translated, FALSE), 0u);
  EXPECT_FALSE(translated);
  SetDlgItemText(dialog_, 7, "99999999999");
  GetDlgItemInt(dialog_, 7, &translated, FALSE);
  EXPECT_FALSE(translated);
  char buffer[8] = {};
  SetDlgItemText(dialog_, 7, "abcdefghij");
  EXPECT_EQ(GetDlgItemText(dialog_, 7, buffer, sizeof(buffer)), 7u);
  EXPECT_STREQ(buffer, "abcdefg");
  EXPECT_TRUE(CheckDlgButton(dialog_, 8, BST_INDETERMINATE));
  EXPECT_EQ(IsDlgButtonChecked(dialog_, 8), static_cast<UINT>(BST_INDETERMINATE));
  EXPECT_EQ(SendDlgItemMessage(dialog_, 8, BM_GETCHECK, 0, 0),
            static_cast<LRESULT>(BST_INDETERMINATE));
}

}  // namespace
}  // namespace ctl_test
