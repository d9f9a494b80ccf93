// The list view by mouse and keyboard on the headless display: hit tests,
// selection by click, shift-click and ctrl-click, keys, check boxes, the
// header (column click, dragging a divider) and editing a caption.
#include "platform/core/clock.h"
#include "tests/platform/ctl/listview/listview_fixture.h"

namespace velko_test {
namespace {

class ListViewInputTest : public ListViewTest {
 protected:
  void Fill(int count) {
    for (int i = 0; i < count; ++i)
      AddRow("row" + std::to_string(i), std::to_string(i * 10), 500 + i);
  }
  // A point inside a row's caption and inside its second column.
  POINT OnCaption(int index) {
    RECT r = ItemRect(index, LVIR_LABEL);
    return POINT{r.left + 4, (r.top + r.bottom) / 2};
  }
  POINT OnSize(int index) {
    RECT r = SubItemRect(index, 1);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void ClickRow(int index, UINT modifiers = 0) {
    POINT p = OnCaption(index);
    Click(p.x, p.y, modifiers);
  }
};

TEST_F(ListViewInputTest, HitTestsNameTheRowAndTheColumn) {
  MakeList(LVS_REPORT);
  Fill(5);
  RECT row2 = ItemRect(2);
  RECT label2 = ItemRect(2, LVIR_LABEL);
  RECT size2 = SubItemRect(2, 1);
  // Rows lie one under the other below the header, as wide as the columns.
  EXPECT_EQ(row2.right - row2.left, 180);
  EXPECT_EQ(ItemRect(3).top, row2.bottom);
  EXPECT_GT(ItemRect(0).top, 0);  // the header is above
  EXPECT_EQ(size2.left, 100);
  EXPECT_EQ(size2.right, 180);
  EXPECT_EQ(size2.top, row2.top);

  LVHITTESTINFO hit;
  hit.pt = POINT{label2.left + 3, label2.top + 1};
  EXPECT_EQ(ListView_HitTest(list_, &hit), 2);
  EXPECT_EQ(hit.flags, LVHT_ONITEMLABEL);

  // Without whole-row selection a point in the second column is on no item,
  // but the sub-item hit test names row and column.
  hit.pt = POINT{size2.left + 5, size2.top + 1};
  EXPECT_EQ(ListView_HitTest(list_, &hit), -1);
  LVHITTESTINFO sub;
  sub.pt = hit.pt;
  EXPECT_EQ(ListView_SubItemHitTest(list_, &sub), 2);
  EXPECT_EQ(sub.iSubItem, 1);
  sub.pt = POINT{label2.left + 3, label2.bottom - 1};
  EXPECT_EQ(ListView_SubItemHitTest(list_, &sub), 2);
  EXPECT_EQ(sub.iSubItem, 0);

  // Below the last row and right of the last column there is nothing.
  hit.pt = POINT{20, ItemRect(4).bottom + 3};
  EXPECT_EQ(ListView_HitTest(list_, &hit), -1);
  EXPECT_EQ(hit.flags, LVHT_NOWHERE);
  sub.pt = POINT{size2.right + 10, size2.top + 1};
  EXPECT_EQ(ListView_SubItemHitTest(list_, &sub), -1);
  hit.pt = POINT{20, kListHeight + 5};
  ListView_HitTest(list_, &hit);
  EXPECT_TRUE(hit.flags & LVHT_BELOW);

  // With whole-row selection the second column belongs to the row.
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
  hit.pt = POINT{size2.left + 5, size2.top + 1};
  EXPECT_EQ(ListView_HitTest(list_, &hit), 2);

  // After scrolling, the same point is over a later row.
  for (int i = 5; i < 60; ++i) AddRow("more" + std::to_string(i));
  ListView_Scroll(list_, 0, (row2.bottom - row2.top) * 10);
  EXPECT_EQ(ListView_GetTopIndex(list_), 10);
  hit.pt = POINT{label2.left + 3, label2.top + 1};
  EXPECT_EQ(ListView_HitTest(list_, &hit), 12);
}

TEST_F(ListViewInputTest, ClickShiftClickAndCtrlClickSelect) {
  MakeList(LVS_REPORT | LVS_SHOWSELALWAYS);
  Fill(10);
  ClickRow(1);
  EXPECT_EQ(Selected(), std::vector<int>{1});
  EXPECT_EQ(GetFocus(), list_);
  EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), 1);
  auto changed = NotificationsOf(LVN_ITEMCHANGED);
  ASSERT_FALSE(changed.empty());
  EXPECT_EQ(changed[0].item, 1);
  EXPECT_TRUE(changed[0].new_state & LVIS_SELECTED);
  EXPECT_FALSE(changed[0].old_state & LVIS_SELECTED);
  auto clicks = NotificationsOf(NM_CLICK);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].item, 1);

  ClickRow(4, MK_SHIFT);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(ListView_GetSelectedCount(list_), 4);
  ClickRow(2, MK_CONTROL);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 3, 4}));
  ClickRow(6, MK_CONTROL);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 3, 4, 6}));
  // Shift extends from the last ctrl-clicked row, replacing the rest.
  ClickRow(8, MK_SHIFT);
  EXPECT_EQ(Selected(), (std::vector<int>{6, 7, 8}));
  ClickRow(5);
  EXPECT_EQ(Selected(), std::vector<int>{5});

  // A click on empty space clears the selection.
  RECT last = ItemRect(9);
  Click(20, last.bottom + 4);
  EXPECT_TRUE(Selected().empty());

  // A parent that refuses the change keeps the selection as it is.
  ClickRow(3);
  answer_ = [](NMHDR* hdr) -> std::optional<LRESULT> {
    return hdr->code == LVN_ITEMCHANGING ? std::optional<LRESULT>(TRUE) : std::nullopt;
  };
  ClickRow(7);
  EXPECT_EQ(Selected(), std::vector<int>{3});
  answer_ = nullptr;

  // A single-selection list keeps one row whatever the keys held.
  MakeList(LVS_REPORT | LVS_SINGLESEL);
  Fill(6);
  ClickRow(1);
  ClickRow(4, MK_SHIFT);
  EXPECT_EQ(Selected(), std::vector<int>{4});
  ClickRow(2, MK_CONTROL);
  EXPECT_EQ(Selected(), std::vector<int>{2});
  ListView_SetItemState(list_, 5, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(Selected(), std::vector<int>{5});
}

TEST_F(ListViewInputTest, DoubleClickAndRightClickNotify) {
  MakeList(LVS_REPORT);
  Fill(4);
  POINT screen = OnScreen(list_, OnCaption(2));
  platform::AdvanceClockMs(1000);
  platform::InjectClick(screen.x, screen.y);
  platform::InjectClick(screen.x, screen.y);
  Pump();
  auto doubles = NotificationsOf(NM_DBLCLK);
  ASSERT_EQ(doubles.size(), 1u);
  EXPECT_EQ(doubles[0].item, 2);
  ASSERT_EQ(NotificationsOf(LVN_ITEMACTIVATE).size(), 1u);

  ClearNotifications();
  screen = OnScreen(list_, OnSize(3));
  platform::InjectMouse(platform::MouseAction::kRightDown, screen.x, screen.y);
  platform::InjectMouse(platform::MouseAction::kRightUp, screen.x, screen.y);
  Pump();
  auto right = NotificationsOf(NM_RCLICK);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_EQ(right[0].sub_item, 1);
}

TEST_F(ListViewInputTest, KeysMoveTheFocusAndTheSelection) {
  MakeList(LVS_REPORT);
  Fill(40);
  int page = ListView_GetCountPerPage(list_);
  ASSERT_GT(page, 3);
  ASSERT_LT(page, 40);
  ClickRow(0);
  ClearNotifications();
  Press(VK_DOWN);
  Press(VK_DOWN);
  Press(VK_DOWN);
  EXPECT_EQ(Selected(), std::vector<int>{3});
  EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), 3);
  auto keys = NotificationsOf(LVN_KEYDOWN);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].item, VK_DOWN);

  Press(VK_DOWN, MK_SHIFT);
  Press(VK_DOWN, MK_SHIFT);
  EXPECT_EQ(Selected(), (std::vector<int>{3, 4, 5}));
  Press(VK_UP);
  EXPECT_EQ(Selected(), std::vector<int>{4});

  // Ctrl moves only the focus; Ctrl+Space then toggles that row.
  Press(VK_DOWN, MK_CONTROL);
  Press(VK_DOWN, MK_CONTROL);
  EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), 6);
  EXPECT_EQ(Selected(), std::vector<int>{4});
  Press(VK_SPACE, MK_CONTROL);
  EXPECT_EQ(Selected(), (std::vector<int>{4, 6}));

  Press(VK_END);
  EXPECT_EQ(Selected(), std::vector<int>{39});
  EXPECT_EQ(ListView_GetTopIndex(list_), 40 - page);
  Press(VK_HOME);
  EXPECT_EQ(Selected(), std::vector<int>{0});
  EXPECT_EQ(ListView_GetTopIndex(list_), 0);
  Press(VK_NEXT);
  EXPECT_EQ(Selected(), std::vector<int>{page - 1});
  Press(VK_NEXT);
  EXPECT_EQ(Selected(), std::vector<int>{2 * page - 2});
  Press(VK_PRIOR);
  EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), ListView_GetTopIndex(list_));

  // Enter tells the parent.
  ClearNotifications();
  Press(VK_RETURN);
  EXPECT_EQ(NotificationsOf(NM_RETURN).size(), 1u);

  // Typing the start of a caption goes to the next row that has it.
  Press(VK_HOME);
  platform::AdvanceClockMs(2000);
  platform::InjectText("row3");
  Pump();
  EXPECT_EQ(Selected(), std::vector<int>{3});
}

TEST_F(ListViewInputTest, CheckBoxesAreStateImages) {
  MakeList(LVS_REPORT, LVS_EX_CHECKBOXES);
  Fill(4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ListView_GetItemState(list_, i, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
    EXPECT_FALSE(ListView_GetCheckState(list_, i));
  }
  ASSERT_NE(ListView_GetImageList(list_, LVSIL_STATE), nullptr);
  RECT state = ItemRect(1, LVIR_BOUNDS);
  RECT label = ItemRect(1, LVIR_LABEL);
  ASSERT_GT(label.left, state.left);  // the box stands before the caption
  LVHITTESTINFO hit;
  hit.pt = POINT{state.left + 8, (state.top + state.bottom) / 2};
  EXPECT_EQ(ListView_HitTest(list_, &hit), 1);
  EXPECT_EQ(hit.flags, LVHT_ONITEMSTATEICON);

  Click(hit.pt.x, hit.pt.y);
  EXPECT_TRUE(ListView_GetCheckState(list_, 1));
  auto changed = NotificationsOf(LVN_ITEMCHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].item, 1);
  EXPECT_EQ(changed[0].changed, LVIF_STATE);
  EXPECT_EQ(changed[0].old_state & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(1));
  EXPECT_EQ(changed[0].new_state & LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));

  // Space toggles the focused row's box.
  ClickRow(2);
  Press(VK_SPACE);
  EXPECT_TRUE(ListView_GetCheckState(list_, 2));
  Press(VK_SPACE);
  EXPECT_FALSE(ListView_GetCheckState(list_, 2));

  ListView_SetCheckState(list_, 3, TRUE);
  EXPECT_TRUE(ListView_GetCheckState(list_, 3));
  int added = AddRow("late");
  EXPECT_FALSE(ListView_GetCheckState(list_, added));
}

TEST_F(ListViewInputTest, HeaderClickNotifiesTheColumn) {
  MakeList(LVS_REPORT);
  Fill(3);
  HWND header = ListView_GetHeader(list_);
  Drag(header, HeaderPoint(1), {});
  auto clicks = NotificationsOf(LVN_COLUMNCLICK);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].sub_item, 1);
  EXPECT_EQ(clicks[0].item, -1);
  EXPECT_EQ(NotificationsOf(HDN_ITEMCLICK).size(), 1u);  // the header's own, passed on

  // Pressing on a column and letting go on another is no click.
  ClearNotifications();
  Drag(header, HeaderPoint(1), {POINT{5, HeaderPoint(1).y}});
  EXPECT_TRUE(NotificationsOf(LVN_COLUMNCLICK).empty());

  // Without sort headers the columns are no buttons.
  MakeList(LVS_REPORT | LVS_NOSORTHEADER);
  Drag(ListView_GetHeader(list_), HeaderPoint(0), {});
  EXPECT_TRUE(NotificationsOf(LVN_COLUMNCLICK).empty());
}

TEST_F(ListViewInputTest, DraggingAHeaderDividerSizesTheColumn) {
  MakeList(LVS_REPORT);
  Fill(3);
  HWND header = ListView_GetHeader(list_);
  const POINT from = HeaderPoint(0, true);
  ASSERT_EQ(from.x, 99);
  Drag(header, from, {POINT{from.x + 10, from.y}, POINT{from.x + 30, from.y}});
  EXPECT_EQ(ListView_GetColumnWidth(list_, 0), 130);
  EXPECT_EQ(SubItemRect(0, 1).left, 130);  // the next column moved along
  auto begin = NotificationsOf(HDN_BEGINTRACK);
  ASSERT_EQ(begin.size(), 1u);
  EXPECT_EQ(begin[0].item, 0);
  EXPECT_EQ(begin[0].width, 100);
  auto track = NotificationsOf(HDN_TRACK);
  ASSERT_EQ(track.size(), 2u);
  EXPECT_EQ(track[0].width, 110);
  EXPECT_EQ(track[1].width, 130);
  auto changed = NotificationsOf(HDN_ITEMCHANGED);
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed.back().width, 130);
  EXPECT_EQ(NotificationsOf(HDN_ITEMCHANGING).size(), 2u);
  auto end = NotificationsOf(HDN_ENDTRACK);
  ASSERT_EQ(end.size(), 1u);
  EXPECT_EQ(end[0].width, 130);

  // A parent that answers TRUE to HDN_BEGINTRACK keeps the width.
  answer_ = [](NMHDR* hdr) -> std::optional<LRESULT> {
    return hdr->code == HDN_BEGINTRACK ? std::optional<LRESULT>(TRUE) : std::nullopt;
  };
  const POINT divider = HeaderPoint(0, true);
  Drag(header, divider, {POINT{divider.x - 40, divider.y}});
  EXPECT_EQ(ListView_GetColumnWidth(list_, 0), 130);
}

TEST_F(ListViewInputTest, ColumnsCanBeReorderedAndResized) {
  MakeList(LVS_REPORT);
  Fill(2);
  int order[2] = {1, 0};
  ASSERT_TRUE(SendMessage(list_, LVM_SETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(order)));
  EXPECT_EQ(SubItemRect(0, 1).left, 0);
  EXPECT_EQ(ItemRect(0, LVIR_LABEL).left, 80);
  int back[2] = {};
  ASSERT_TRUE(SendMessage(list_, LVM_GETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(back)));
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[1], 0);
  ASSERT_TRUE(ListView_SetColumnWidth(list_, 1, 50));
  EXPECT_EQ(ListView_GetColumnWidth(list_, 1), 50);
  EXPECT_EQ(ItemRect(0, LVIR_LABEL).left, 50);
  // Auto-size fits the widest cell: "row1" in a 6-pixel-wide font plus room.
  ASSERT_TRUE(ListView_SetColumnWidth(list_, 0, LVSCW_AUTOSIZE));
  int width = ListView_GetColumnWidth(list_, 0);
  EXPECT_GE(width, 4 * (font_height_ / 2));
  EXPECT_LT(width, 100);
}

TEST_F(ListViewInputTest, CaptionIsEditedInPlace) {
  MakeList(LVS_REPORT | LVS_EDITLABELS);
  Fill(3);
  ClickRow(1);
  HWND edit = ListView_EditLabel(list_, 1);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(ListView_GetEditControl(list_), edit);
  EXPECT_EQ(GetFocus(), edit);
  ASSERT_EQ(NotificationsOf(LVN_BEGINLABELEDIT).size(), 1u);
  SetWindowText(edit, "renamed");
  answer_ = [](NMHDR* hdr) -> std::optional<LRESULT> {
    return hdr->code == LVN_ENDLABELEDIT ? std::optional<LRESULT>(TRUE) : std::nullopt;
  };
  Press(VK_RETURN);
  auto ended = NotificationsOf(LVN_ENDLABELEDIT);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].item, 1);
  EXPECT_TRUE(ended[0].has_text);
  EXPECT_EQ(ended[0].text, "renamed");
  EXPECT_EQ(TextOf(1), "renamed");
  EXPECT_EQ(ListView_GetEditControl(list_), nullptr);
  EXPECT_FALSE(IsWindow(edit));

  // Escape cancels: the parent hears no text and the caption stays.
  ClearNotifications();
  edit = ListView_EditLabel(list_, 2);
  ASSERT_NE(edit, nullptr);
  SetWindowText(edit, "not kept");
  Press(VK_ESCAPE);
  ended = NotificationsOf(LVN_ENDLABELEDIT);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_FALSE(ended[0].has_text);
  EXPECT_EQ(TextOf(2), "row2");

  // A second, slow click on the caption of the selected row starts an edit;
  // a click elsewhere ends it and keeps the text.
  ClickRow(0);
  ClearNotifications();
  ClickRow(0);
  EXPECT_EQ(ListView_GetEditControl(list_), nullptr);  // not before the double-click time
  platform::AdvanceClockMs(GetDoubleClickTime() + 10);
  Pump();
  edit = ListView_GetEditControl(list_);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(NotificationsOf(LVN_BEGINLABELEDIT).size(), 1u);
  SetWindowText(edit, "clicked away");
  ClickRow(2);
  ended = NotificationsOf(LVN_ENDLABELEDIT);
  ASSERT_EQ(ended.size(), 1u);
  EXPECT_EQ(ended[0].text, "clicked away");
  EXPECT_EQ(TextOf(0), "clicked away");
  EXPECT_EQ(ListView_GetEditControl(list_), nullptr);
  EXPECT_EQ(Selected(), std::vector<int>{2});

  // A parent that refuses the start gets no edit control.
  answer_ = [](NMHDR* hdr) -> std::optional<LRESULT> {
    return hdr->code == LVN_BEGINLABELEDIT ? std::optional<LRESULT>(TRUE) : std::nullopt;
  };
  EXPECT_EQ(ListView_EditLabel(list_, 0), nullptr);
}

}  // namespace
}  // namespace velko_test
