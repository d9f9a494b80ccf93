// List boxes: items, sorting, selection by mouse and keys, scrolling and
// owner-drawn items. Items of the test font are 16 pixels high.
#include "tests/platform/ctl/ctl_test_support.h"

namespace ctl_test {
namespace {

class ListBoxTest : public ControlTest {
 protected:
  HWND MakeList(DWORD style, std::initializer_list<const char*> items, int height = 160) {
    HWND list = Make("LISTBOX", "", style | LBS_NOTIFY | WS_TABSTOP, 10, 10, 150, height, 300);
    for (const char* item : items) SendText(list, LB_ADDSTRING, 0, item);
    Pump();
    notes_.clear();
    return list;
  }

  // Click on item `index` (of the visible rows) with keys held.
  void ClickItem(HWND list, int row, std::initializer_list<UINT> held = {}) {
    for (UINT vk : held) platform::InjectKey(vk, true);
    POINT pt = ScreenPoint(list, 20, row * 16 + 8);
    platform::InjectClick(pt.x, pt.y);
    for (UINT vk : held) platform::InjectKey(vk, false);
    Pump();
    platform::AdvanceClockMs(1000);  // no double click
  }

  static std::vector<int> Selected(HWND list) {
    int count = static_cast<int>(SendMessage(list, LB_GETSELCOUNT, 0, 0));
    std::vector<int> items(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0)
      SendMessage(list, LB_GETSELITEMS, items.size(), reinterpret_cast<LPARAM>(items.data()));
    return items;
  }

  // A message whose lParam is text (LB_FINDSTRING, LB_ADDSTRING...).
  static LRESULT SendText(HWND list, UINT message, int wparam, const char* text) {
    return SendMessage(list, message, static_cast<WPARAM>(wparam), reinterpret_cast<LPARAM>(text));
  }

  static std::string ItemText(HWND list, int index) {
    char buffer[64] = {};
    SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
};

TEST_F(ListBoxTest, SortedItemsAndFinding) {
  HWND list = MakeList(LBS_SORT, {"pear", "Apple", "banana", "apricot"});
  EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(ItemText(list, 0), "Apple");
  EXPECT_EQ(ItemText(list, 1), "apricot");
  EXPECT_EQ(ItemText(list, 3), "pear");
  EXPECT_EQ(SendMessage(list, LB_GETTEXTLEN, 2, 0), 6);
  EXPECT_EQ(SendText(list, LB_ADDSTRING, 0, "cherry"), 3);
  EXPECT_EQ(SendText(list, LB_FINDSTRING, -1, "AP"), 0);
  EXPECT_EQ(SendText(list, LB_FINDSTRING, 0, "ap"), 1);
  EXPECT_EQ(SendText(list, LB_FINDSTRING, 1, "ap"), 0);  // wraps
  EXPECT_EQ(SendText(list, LB_FINDSTRINGEXACT, -1, "ap"), LB_ERR);
  EXPECT_EQ(SendText(list, LB_FINDSTRINGEXACT, -1, "BANANA"), 2);
  EXPECT_EQ(SendText(list, LB_SELECTSTRING, -1, "ch"), 3);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);
  // Inserting at a place does not sort.
  EXPECT_EQ(SendText(list, LB_INSERTSTRING, 0, "zebra"), 0);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 4);  // the selection moved with its item
  EXPECT_EQ(SendText(list, LB_INSERTSTRING, 99, "x"), LB_ERR);
  EXPECT_EQ(SendMessage(list, LB_DELETESTRING, 4, 0), 5);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessage(list, LB_DELETESTRING, 9, 0), LB_ERR);
  EXPECT_EQ(CountOf(WM_COMMAND, LBN_SELCHANGE), 0);  // nothing done by messages is told
}

TEST_F(ListBoxTest, ClicksSelectAndTellTheParentDoubleClicksToo) {
  platform::UseManualClock(1'000'000);
  HWND list = MakeList(0, {"one", "two", "three"});
  ClickItem(list, 1);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(CommandCount(list, LBN_SELCHANGE), 1);
  EXPECT_EQ(GetFocus(), list);
  ClickItem(list, 1);  // the same item again: nothing changed
  EXPECT_EQ(CommandCount(list, LBN_SELCHANGE), 1);
  DoubleClick(list, 20, 2 * 16 + 8);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(CommandCount(list, LBN_DBLCLK), 1);
  // Below the last item nothing is chosen.
  platform::AdvanceClockMs(1000);
  ClickItem(list, 8);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
  // Item data.
  SendMessage(list, LB_SETITEMDATA, 0, 77);
  EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 0, 0), 77);
}

TEST_F(ListBoxTest, ExtendedSelectionWithShiftAndCtrlClicks) {
  platform::UseManualClock(1'000'000);
  HWND list = MakeList(LBS_EXTENDEDSEL, {"a", "b", "c", "d", "e", "f", "g", "h"});
  ClickItem(list, 1);
  ClickItem(list, 4, {VK_SHIFT});
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 2, 3, 4}));
  ClickItem(list, 6, {VK_CONTROL});
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 2, 3, 4, 6}));
  ClickItem(list, 2, {VK_CONTROL});
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 3, 4, 6}));
  // Shift from the new anchor (2) replaces the selection.
  ClickItem(list, 0, {VK_SHIFT});
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 1, 2}));
  // Ctrl+Shift adds a range to what is there.
  ClickItem(list, 5, {VK_CONTROL});
  ClickItem(list, 7, {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 1, 2, 5, 6, 7}));
  // A plain click leaves one.
  ClickItem(list, 3);
  EXPECT_EQ(Selected(list), (std::vector<int>{3}));
  EXPECT_EQ(CommandCount(list, LBN_SELCHANGE), 8);
  EXPECT_EQ(SendMessage(list, LB_GETCARETINDEX, 0, 0), 3);
  // Shift with the arrows extends from the anchor.
  PressWith(VK_SHIFT, VK_DOWN);
  PressWith(VK_SHIFT, VK_DOWN);
  EXPECT_EQ(Selected(list), (std::vector<int>{3, 4, 5}));
  // Dragging selects a range.
  MouseDown(list, 20, 0 * 16 + 8);
  MouseMove(list, 20, 2 * 16 + 8);
  MouseUp(list, 20, 2 * 16 + 8);
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 1, 2}));
}

TEST_F(ListBoxTest, MultipleSelectionTogglesByClickAndSpace) {
  platform::UseManualClock(1'000'000);
  HWND list = MakeList(LBS_MULTIPLESEL, {"a", "b", "c", "d"});
  ClickItem(list, 0);
  ClickItem(list, 2);
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 2}));
  ClickItem(list, 0);
  EXPECT_EQ(Selected(list), (std::vector<int>{2}));
  Press(VK_DOWN);  // moves the focus (from item 0) only
  EXPECT_EQ(Selected(list), (std::vector<int>{2}));
  EXPECT_EQ(SendMessage(list, LB_GETCARETINDEX, 0, 0), 1);
  Press(VK_SPACE);
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 2}));
  EXPECT_EQ(SendMessage(list, LB_SETCURSEL, 1, 0), LB_ERR);
  SendMessage(list, LB_SETSEL, TRUE, -1);
  EXPECT_EQ(Selected(list).size(), 4u);
  SendMessage(list, LB_SELITEMRANGEEX, 2, 1);  // backwards: deselects
  EXPECT_EQ(Selected(list), (std::vector<int>{0, 3}));
}

TEST_F(ListBoxTest, KeysMoveTheSelectionAndTypingFindsItems) {
  platform::UseManualClock(1'000'000);
  HWND list = MakeList(LBS_SORT, {"black", "blue", "brown", "green", "grey", "red"});
  SetFocus(list);
  Press(VK_DOWN);  // with nothing selected, the first arrow selects the focus item
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 0);
  Press(VK_END);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 5);
  Press(VK_HOME);
  Press(VK_DOWN);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(CommandCount(list, LBN_SELCHANGE), 4);
  Type("g");
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);  // green
  Type("r");
  Type("e");
  Type("y");
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 4);  // grey
  platform::AdvanceClockMs(1500);
  Type("b");
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 0);  // a new search
  Type("b");
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);  // the same letter steps on
  EXPECT_EQ(SendMessage(list, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
}

TEST_F(ListBoxTest, LongListsScrollWithKeysBarAndWheel) {
  HWND list =
      Make("LISTBOX", "", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, 10, 10, 150, 160, 300);
  for (int i = 0; i < 30; ++i)
    SendText(list, LB_ADDSTRING, 0, ("item " + std::to_string(i)).c_str());
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &info));
  EXPECT_EQ(info.nMax, 29);
  EXPECT_EQ(info.nPage, 10u);
  SetFocus(list);
  Press(VK_HOME);
  for (int i = 0; i < 12; ++i) Press(VK_DOWN);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 12);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 3);
  EXPECT_EQ(GetScrollPos(list, SB_VERT), 3);
  SendMessage(list, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 12);
  SendMessage(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 25), 0);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 20);  // no further than a full last page
  POINT pt = ScreenPoint(list, 20, 20);
  platform::InjectMouse(platform::MouseAction::kWheel, pt.x, pt.y, 120);
  Pump();
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 17);
  RECT r;
  EXPECT_EQ(SendMessage(list, LB_GETITEMRECT, 18, reinterpret_cast<LPARAM>(&r)), LB_OKAY);
  EXPECT_EQ(r.top, 16);
  EXPECT_EQ(SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 40)), MAKELRESULT(19, 0));
  // Few items: the bar goes.
  SendMessage(list, LB_RESETCONTENT, 0, 0);
  EXPECT_FALSE(GetWindowLongPtr(list, GWL_STYLE) & WS_VSCROLL);
  for (int i = 0; i < 30; ++i) SendText(list, LB_ADDSTRING, 0, "x");
  EXPECT_TRUE(GetWindowLongPtr(list, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(ListBoxTest, OwnerDrawnItemsAreMeasuredOnceAndDrawnByTheParent) {
  measure_height_ = 24;
  HWND list =
      Make("LISTBOX", "", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY, 10, 10, 150, 120, 301);
  std::vector<Note> measures = NotesOf(WM_MEASUREITEM, 0);
  ASSERT_EQ(measures.size(), 1u);
  EXPECT_EQ(measures[0].id, 301);
  EXPECT_EQ(SendMessage(list, LB_GETITEMHEIGHT, 0, 0), 24);
  for (const char* item : {"a", "b", "c"}) SendText(list, LB_ADDSTRING, 0, item);
  SendMessage(list, LB_SETCURSEL, 1, 0);
  notes_.clear();
  InvalidateRect(list, nullptr, TRUE);
  Pump();
  std::vector<Note> draws;
  for (const Note& n : notes_) {
    if (n.message == WM_DRAWITEM) draws.push_back(n);
  }
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[1].draw.CtlType, ODT_LISTBOX);
  EXPECT_EQ(draws[1].draw.itemID, 1u);
  EXPECT_TRUE(draws[1].draw.itemState & ODS_SELECTED);
  EXPECT_FALSE(draws[0].draw.itemState & ODS_SELECTED);
  EXPECT_EQ(draws[1].draw.rcItem.top, 24);
  EXPECT_EQ(draws[1].draw.rcItem.bottom, 48);
  EXPECT_EQ(PixelAt(list, 50, 30), RGB(255, 0, 0));
  EXPECT_EQ(PixelAt(list, 50, 10), RGB(255, 255, 255));
}

TEST_F(ListBoxTest, RemovedItemsWithDataAreReported) {
  std::vector<ULONG_PTR> deleted;
  handler_ = [&](HWND, UINT message, WPARAM, LPARAM lparam) -> std::optional<LRESULT> {
    if (message == WM_DELETEITEM)
      deleted.push_back(reinterpret_cast<DELETEITEMSTRUCT*>(lparam)->itemData);
    return std::nullopt;
  };
  HWND list = MakeList(0, {"a", "b", "c"});
  SendMessage(list, LB_SETITEMDATA, 1, 42);
  SendMessage(list, LB_SETITEMDATA, 2, 43);
  SendMessage(list, LB_DELETESTRING, 1, 0);
  EXPECT_EQ(deleted, (std::vector<ULONG_PTR>{42}));
  DestroyWindow(list);
  EXPECT_EQ(deleted, (std::vector<ULONG_PTR>{42, 43}));
}

TEST_F(ListBoxTest, FocusIsReportedAndDraggingFollowsTheMouse) {
  HWND list = MakeList(0, {"a", "b", "c", "d"});
  HWND other = Make("BUTTON", "x", BS_PUSHBUTTON, 200, 10, 40, 20, 3);
  SetFocus(list);
  SetFocus(other);
  EXPECT_EQ(CommandCount(list, LBN_SETFOCUS), 1);
  EXPECT_EQ(CommandCount(list, LBN_KILLFOCUS), 1);
  MouseDown(list, 20, 8);
  MouseMove(list, 20, 40);
  MouseMove(list, 20, 56);
  MouseUp(list, 20, 56);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(GetCapture(), nullptr);
  // The selected item is highlighted; text in the highlight text colour.
  EXPECT_EQ(PixelAt(list, 140, 3 * 16 + 8), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(PixelAt(list, 3, 3 * 16 + 8), GetSysColor(COLOR_HIGHLIGHTTEXT));
}

}  // namespace
}  // namespace ctl_test
