// Combo boxes: the dropped list as a popup, choosing by mouse and by keys,
// the edit field, owner-drawn items. With the test font the field is 24
// pixels high and items 16.
#include "tests/platform/ctl/ctl_test_support.h"

namespace ctl_test {
namespace {

class ComboBoxTest : public ControlTest {
 protected:
  HWND MakeCombo(DWORD style, std::initializer_list<const char*> items, int height = 200) {
    HWND combo = Make("COMBOBOX", "", style | WS_TABSTOP | WS_VSCROLL, 10, 10, 160, height, 400);
    for (const char* item : items) SendText(combo, CB_ADDSTRING, 0, item);
    Pump();
    notes_.clear();
    return combo;
  }

  static HWND ListOf(HWND combo) {
    COMBOBOXINFO info;
    GetComboBoxInfo(combo, &info);
    return info.hwndList;
  }

  std::vector<UINT> ComboCodes(HWND combo) const {
    std::vector<UINT> codes;
    for (const Note& n : notes_) {
      if (n.message == WM_COMMAND && n.from == combo) codes.push_back(n.code);
    }
    return codes;
  }

  // A message whose lParam is text (CB_FINDSTRING, CB_ADDSTRING...).
  static LRESULT SendText(HWND combo, UINT message, int wparam, const char* text) {
    return SendMessage(combo, message, static_cast<WPARAM>(wparam), reinterpret_cast<LPARAM>(text));
  }
  static LRESULT CurSel(HWND combo) { return SendMessage(combo, CB_GETCURSEL, 0, 0); }
  static bool Dropped(HWND combo) { return SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; }
};

TEST_F(ComboBoxTest, TheWindowKeepsTheFieldsHeightAndTheListIsAPopup) {
  HWND combo = MakeCombo(CBS_DROPDOWNLIST, {"a", "b", "c"});
  RECT r;
  GetWindowRect(combo, &r);
  EXPECT_EQ(r.bottom - r.top, 24);
  HWND list = ListOf(combo);
  char name[32] = {};
  GetClassName(list, name, sizeof(name));
  EXPECT_STREQ(name, "ComboLBox");
  EXPECT_FALSE(GetWindowLongPtr(list, GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(IsWindowVisible(list));
  // A later size sets the dropped list's room, not the field.
  SetWindowPos(combo, nullptr, 0, 0, 160, 300, SWP_NOMOVE | SWP_NOZORDER);
  GetWindowRect(combo, &r);
  EXPECT_EQ(r.bottom - r.top, 24);
}

TEST_F(ComboBoxTest, ChoosingAnItemWithTheMouse) {
  HWND combo = MakeCombo(CBS_DROPDOWNLIST, {"zero", "one", "two", "three", "four"});
  HWND list = ListOf(combo);
  Click(combo, 50, 12);
  EXPECT_TRUE(Dropped(combo));
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_EQ(ComboCodes(combo), (std::vector<UINT>{CBN_SETFOCUS, CBN_DROPDOWN}));
  // The list lies under the field, as wide as it, five rows of 16 and a border.
  RECT field, dropped;
  GetWindowRect(combo, &field);
  GetWindowRect(list, &dropped);
  EXPECT_EQ(dropped.top, field.bottom);
  EXPECT_EQ(dropped.left, field.left);
  EXPECT_EQ(dropped.right - dropped.left, 160);
  EXPECT_EQ(dropped.bottom - dropped.top, 5 * 16 + 2);
  notes_.clear();
  // The mouse highlights what it is over; a click chooses.
  MouseMove(list, 30, 2 * 16 + 8);
  EXPECT_EQ(CurSel(combo), 2);
  EXPECT_TRUE(ComboCodes(combo).empty());
  Click(list, 30, 2 * 16 + 8);
  EXPECT_FALSE(Dropped(combo));
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_EQ(CurSel(combo), 2);
  EXPECT_EQ(ComboCodes(combo), (std::vector<UINT>{CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
  EXPECT_EQ(TextOf(combo), "two");
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), combo);
}

TEST_F(ComboBoxTest, TheDroppedListClosesOnAClickOutsideOrLosingTheFocusWithoutChoosing) {
  HWND combo = MakeCombo(CBS_DROPDOWNLIST, {"zero", "one", "two"});
  SendMessage(combo, CB_SETCURSEL, 0, 0);
  HWND list = ListOf(combo);
  Click(combo, 50, 12);
  ASSERT_TRUE(Dropped(combo));
  MouseMove(list, 30, 1 * 16 + 8);  // highlight "one"
  notes_.clear();
  Click(host_, 400, 300);
  EXPECT_FALSE(Dropped(combo));
  EXPECT_FALSE(IsWindowVisible(list));
  EXPECT_EQ(CurSel(combo), 0);
  EXPECT_EQ(ComboCodes(combo), (std::vector<UINT>{CBN_SELENDCANCEL, CBN_CLOSEUP}));
  // A second click on the field closes it too.
  Click(combo, 50, 12);
  EXPECT_TRUE(Dropped(combo));
  platform::AdvanceClockMs(1000);
  Click(combo, 50, 12);
  EXPECT_FALSE(Dropped(combo));
  // So does losing the focus, which is reported after.
  HWND other = Make("BUTTON", "x", BS_PUSHBUTTON, 300, 10, 40, 20, 3);
  Press(VK_F4);
  ASSERT_TRUE(Dropped(combo));
  notes_.clear();
  SetFocus(other);
  EXPECT_FALSE(Dropped(combo));
  EXPECT_EQ(ComboCodes(combo), (std::vector<UINT>{CBN_SELENDCANCEL, CBN_CLOSEUP, CBN_KILLFOCUS}));
}

TEST_F(ComboBoxTest, ChoosingWithTheKeys) {
  HWND combo = MakeCombo(CBS_DROPDOWNLIST, {"alpha", "beta", "gamma", "delta"});
  SetFocus(combo);
  notes_.clear();
  // Closed: the arrows change the selection at once.
  Press(VK_DOWN);
  EXPECT_EQ(CurSel(combo), 0);
  Press(VK_DOWN);
  EXPECT_EQ(CurSel(combo), 1);
  EXPECT_EQ(CommandCount(combo, CBN_SELCHANGE), 2);
  Press(VK_END);
  EXPECT_EQ(CurSel(combo), 3);
  Press(VK_UP);
  EXPECT_EQ(CurSel(combo), 2);
  // F4 drops the list, the arrows move in it, Enter chooses.
  notes_.clear();
  Press(VK_F4);
  EXPECT_TRUE(Dropped(combo));
  Press(VK_UP);
  EXPECT_EQ(CurSel(combo), 1);
  Press(VK_RETURN);
  EXPECT_FALSE(Dropped(combo));
  EXPECT_EQ(CurSel(combo), 1);
  EXPECT_EQ(ComboCodes(combo),
            (std::vector<UINT>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  // Alt+Down drops it, Esc closes it.
  notes_.clear();
  PressWith(VK_MENU, VK_DOWN);
  EXPECT_TRUE(Dropped(combo));
  Press(VK_ESCAPE);
  EXPECT_FALSE(Dropped(combo));
  EXPECT_EQ(ComboCodes(combo), (std::vector<UINT>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
  // Typing finds the item starting with the letter.
  Type("g");
  EXPECT_EQ(CurSel(combo), 2);
  EXPECT_EQ(SendMessage(combo, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
}

TEST_F(ComboBoxTest, DropDownWithAnEditField) {
  HWND combo = MakeCombo(CBS_DROPDOWN | CBS_AUTOHSCROLL, {"red", "green", "blue"});
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  HWND edit = info.hwndItem;
  ASSERT_NE(edit, combo);
  EXPECT_EQ(GetDlgCtrlID(edit), kComboEditId);
  SetFocus(combo);
  EXPECT_EQ(GetFocus(), edit);
  notes_.clear();
  Type("gr");
  EXPECT_EQ(TextOf(combo), "gr");
  EXPECT_EQ(ComboCodes(combo),
            (std::vector<UINT>{CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE}));
  // The arrows choose items and the field shows them, selected.
  notes_.clear();
  Press(VK_DOWN);
  EXPECT_EQ(CurSel(combo), 0);
  EXPECT_EQ(TextOf(combo), "red");
  EXPECT_EQ(ComboCodes(combo), (std::vector<UINT>{CBN_SELCHANGE}));
  EXPECT_EQ(SendMessage(combo, CB_GETEDITSEL, 0, 0), MAKELRESULT(0, 3));
  // The button drops the list; a click on the text does not.
  Click(combo, 40, 12);
  EXPECT_FALSE(Dropped(combo));
  RECT button = info.rcButton;
  Click(combo, (button.left + button.right) / 2, 12);
  EXPECT_TRUE(Dropped(combo));
  Click(ListOf(combo), 20, 2 * 16 + 8);
  EXPECT_EQ(TextOf(combo), "blue");
  // WM_SETTEXT sets the field without a notification.
  notes_.clear();
  SetWindowText(combo, "purple");
  EXPECT_EQ(TextOf(combo), "purple");
  EXPECT_TRUE(ComboCodes(combo).empty());
}

TEST_F(ComboBoxTest, SortedItemsFindingAndSelectingByMessages) {
  HWND combo = MakeCombo(CBS_DROPDOWNLIST | CBS_SORT, {"pear", "apple", "fig"});
  char text[16] = {};
  SendMessage(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "apple");
  EXPECT_EQ(SendMessage(combo, CB_GETLBTEXTLEN, 2, 0), 4);
  EXPECT_EQ(SendText(combo, CB_FINDSTRING, -1, "F"), 1);
  EXPECT_EQ(SendText(combo, CB_FINDSTRINGEXACT, -1, "pe"), CB_ERR);
  EXPECT_EQ(SendText(combo, CB_SELECTSTRING, -1, "pe"), 2);
  EXPECT_EQ(TextOf(combo), "pear");
  EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 7, 0), CB_ERR);
  EXPECT_EQ(CurSel(combo), -1);
  EXPECT_EQ(SendMessage(combo, CB_SETCURSEL, 1, 0), 1);
  SendMessage(combo, CB_SETITEMDATA, 1, 99);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMDATA, 1, 0), 99);
  EXPECT_TRUE(ComboCodes(combo).empty());
  SendMessage(combo, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(CurSel(combo), -1);
}

TEST_F(ComboBoxTest, DroppedWidthAndHeightFollowTheSettings) {
  HWND combo = MakeCombo(CBS_DROPDOWNLIST, {}, 24 + 3 * 16 + 2);
  for (int i = 0; i < 10; ++i) SendText(combo, CB_ADDSTRING, 0, "item");
  EXPECT_EQ(SendMessage(combo, CB_SETDROPPEDWIDTH, 250, 0), 250);
  EXPECT_EQ(SendMessage(combo, CB_GETDROPPEDWIDTH, 0, 0), 250);
  SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
  RECT dropped;
  GetWindowRect(ListOf(combo), &dropped);
  EXPECT_EQ(dropped.right - dropped.left, 250);
  EXPECT_EQ(dropped.bottom - dropped.top, 3 * 16 + 2);  // as many rows as the room allows
  RECT reported;
  SendMessage(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&reported));
  EXPECT_TRUE(EqualRect(&reported, &dropped));
  SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_FALSE(Dropped(combo));
  // Near the bottom of the screen the list drops upwards.
  SetWindowPos(host_, nullptr, 40, platform::ScreenSize().cy - 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
  RECT field;
  GetWindowRect(combo, &field);
  GetWindowRect(ListOf(combo), &dropped);
  EXPECT_EQ(dropped.bottom, field.top);
  SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);
  // Item heights.
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0), 16);
  EXPECT_EQ(SendMessage(combo, CB_SETITEMHEIGHT, 0, 20), CB_OKAY);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0), 20);
  SendMessage(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 30);
  GetWindowRect(combo, &field);
  EXPECT_EQ(field.bottom - field.top, 30 + 6);
}

TEST_F(ComboBoxTest, OwnerDrawnComboAsksForHeightsAndDrawings) {
  measure_height_ = 22;
  HWND combo = Make("COMBOBOX", "", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 10, 10,
                    160, 200, 401);
  std::vector<Note> measures = NotesOf(WM_MEASUREITEM, static_cast<UINT>(-1));
  EXPECT_EQ(measures.size(), 1u);
  EXPECT_EQ(NotesOf(WM_MEASUREITEM, 0).size(), 1u);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 22);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0), 22);
  for (const char* item : {"x", "y"}) SendText(combo, CB_ADDSTRING, 0, item);
  SendMessage(combo, CB_SETCURSEL, 1, 0);
  SetFocus(combo);
  notes_.clear();
  InvalidateRect(combo, nullptr, TRUE);
  Pump();
  std::vector<Note> draws = NotesOf(WM_DRAWITEM, 0);
  ASSERT_FALSE(draws.empty());
  const DRAWITEMSTRUCT& field = draws.back().draw;
  EXPECT_EQ(field.CtlType, ODT_COMBOBOX);
  EXPECT_EQ(field.hwndItem, combo);
  EXPECT_EQ(field.itemID, 1u);
  EXPECT_TRUE(field.itemState & ODS_COMBOBOXEDIT);
  EXPECT_TRUE(field.itemState & ODS_SELECTED);
  notes_.clear();
  Press(VK_F4);
  bool list_item_drawn = false;
  for (const Note& n : NotesOf(WM_DRAWITEM, 0)) {
    if (!(n.draw.itemState & ODS_COMBOBOXEDIT) && n.draw.hwndItem == combo && n.draw.itemID == 0) {
      list_item_drawn = true;
    }
  }
  EXPECT_TRUE(list_item_drawn);
  Press(VK_ESCAPE);
}

TEST_F(ComboBoxTest, SimpleComboShowsItsListAlways) {
  HWND combo = MakeCombo(CBS_SIMPLE, {"one", "two", "three"}, 120);
  HWND list = ListOf(combo);
  EXPECT_TRUE(IsWindowVisible(list));
  EXPECT_TRUE(GetWindowLongPtr(list, GWL_STYLE) & WS_CHILD);
  Click(list, 20, 16 + 8);
  EXPECT_EQ(CurSel(combo), 1);
  EXPECT_EQ(TextOf(combo), "two");
  EXPECT_EQ(CommandCount(combo, CBN_SELCHANGE), 1);
  EXPECT_EQ(SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0), TRUE);
  EXPECT_FALSE(Dropped(combo));
}

TEST_F(ComboBoxTest, TheDroppedListAsksForItsColoursThroughTheComboBox) {
  HWND asked_with = nullptr;
  handler_ = [&](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message != WM_CTLCOLORLISTBOX) return std::nullopt;
    asked_with = reinterpret_cast<HWND>(lparam);
    static HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
    return reinterpret_cast<LRESULT>(yellow);
  };
  HWND combo = MakeCombo(CBS_DROPDOWNLIST, {"a"});
  SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
  Pump();
  EXPECT_EQ(asked_with, ListOf(combo));
  EXPECT_EQ(PixelAt(ListOf(combo), 100, 5), RGB(255, 255, 0));
  SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

}  // namespace
}  // namespace ctl_test
