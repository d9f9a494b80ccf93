// Scrolling, hot tracking, dragging rows out and the header-less list.
#include "platform/core/clock.h"
#include "platform/ctl/scroll_bar.h"
#include "tests/platform/ctl/listview/listview_fixture.h"

namespace velko_test {
namespace {

class ListViewScrollTest : public ListViewTest {
 protected:
  void Fill(int count) {
    for (int i = 0; i < count; ++i) AddRow("row" + std::to_string(i), std::to_string(i));
  }
  POINT ScreenOf(POINT client) { return OnScreen(list_, client); }
};

TEST_F(ListViewScrollTest, ScrollBarsComeWithTheRowsAndTheWheelScrolls) {
  MakeList(LVS_REPORT);
  Fill(3);
  EXPECT_FALSE(GetWindowLongPtr(list_, GWL_STYLE) & WS_VSCROLL);
  Fill(60);
  EXPECT_TRUE(GetWindowLongPtr(list_, GWL_STYLE) & WS_VSCROLL);
  int page = ListView_GetCountPerPage(list_);
  EXPECT_EQ(ListView_GetTopIndex(list_), 0);

  // One notch of the wheel: three rows.
  SetFocus(list_);
  POINT p = ScreenOf(POINT{20, 60});
  platform::InjectMouse(platform::MouseAction::kWheel, p.x, p.y, -120);
  Pump();
  EXPECT_EQ(ListView_GetTopIndex(list_), 3);
  SendMessage(list_, WM_VSCROLL, MAKEWPARAM(3, 0), 0);  // a page down
  EXPECT_EQ(ListView_GetTopIndex(list_), 3 + page);
  SendMessage(list_, WM_VSCROLL, MAKEWPARAM(7, 0), 0);  // to the bottom
  EXPECT_EQ(ListView_GetTopIndex(list_), 63 - page);
  SendMessage(list_, WM_VSCROLL, MAKEWPARAM(0, 0), 0);  // a line up
  EXPECT_EQ(ListView_GetTopIndex(list_), 62 - page);
  ListView_EnsureVisible(list_, 5, FALSE);
  EXPECT_EQ(ListView_GetTopIndex(list_), 5);
  // A row already shown stays where it is.
  ListView_EnsureVisible(list_, 6, FALSE);
  EXPECT_EQ(ListView_GetTopIndex(list_), 5);

  // What shows after scrolling is the rows from the top index on.
  RECT first = ItemRect(5);
  EXPECT_EQ(first.top, ItemRect(0).top + 5 * (first.bottom - first.top));
  LVHITTESTINFO hit;
  hit.pt = POINT{10, first.top + 1};
  EXPECT_EQ(ListView_HitTest(list_, &hit), 5);

  // The arrows of the window's scroll bar scroll a row at a time.
  RECT window;
  GetWindowRect(list_, &window);
  platform::AdvanceClockMs(1000);
  platform::InjectClick(window.right - 8, window.bottom - 8);
  Pump();
  EXPECT_EQ(ListView_GetTopIndex(list_), 6);
  platform::AdvanceClockMs(1000);
  platform::InjectClick(window.right - 8, window.top + 8);
  Pump();
  EXPECT_EQ(ListView_GetTopIndex(list_), 5);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(list_, SB_VERT, &info));
  EXPECT_EQ(info.nPos, 5);
  EXPECT_EQ(info.nMax, 62);
  EXPECT_EQ(static_cast<int>(info.nPage), page);

  // Deleting rows brings the end of the list back into view.
  for (int i = 62; i >= 10; --i) ListView_DeleteItem(list_, i);
  EXPECT_EQ(ListView_GetTopIndex(list_), 0);
  EXPECT_FALSE(GetWindowLongPtr(list_, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(ListViewScrollTest, WideColumnsScrollSideways) {
  MakeList(LVS_REPORT);
  Fill(3);
  EXPECT_FALSE(GetWindowLongPtr(list_, GWL_STYLE) & WS_HSCROLL);
  ListView_SetColumnWidth(list_, 1, 400);
  EXPECT_TRUE(GetWindowLongPtr(list_, GWL_STYLE) & WS_HSCROLL);
  ListView_Scroll(list_, 50, 0);
  EXPECT_EQ(ItemRect(0).left, -50);
  EXPECT_EQ(SubItemRect(0, 1).left, 50);
  // The header moves with the rows.
  RECT header;
  GetWindowRect(ListView_GetHeader(list_), &header);
  POINT origin{0, 0};
  ClientToScreen(list_, &origin);
  EXPECT_EQ(header.left, origin.x - 50);
}

TEST_F(ListViewScrollTest, HotTrackingSelectsTheRowTheMouseRestsOn) {
  MakeList(LVS_REPORT, LVS_EX_TRACKSELECT);
  Fill(5);
  RECT row = ItemRect(3, LVIR_LABEL);
  POINT p = ScreenOf(POINT{row.left + 4, row.top + 2});
  platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
  Pump();
  EXPECT_EQ(SendMessage(list_, LVM_GETHOTITEM, 0, 0), 3);
  EXPECT_TRUE(Selected().empty());
  platform::AdvanceClockMs(1000);
  Pump();
  EXPECT_EQ(Selected(), std::vector<int>{3});
  EXPECT_EQ(NotificationsOf(NM_HOVER).size(), 1u);

  // Leaving the list leaves no hot row.
  POINT outside = ScreenOf(POINT{kListWidth + 20, 10});
  platform::InjectMouse(platform::MouseAction::kMove, outside.x, outside.y);
  Pump();
  EXPECT_EQ(SendMessage(list_, LVM_GETHOTITEM, 0, 0), -1);
}

TEST_F(ListViewScrollTest, OneClickActivationShowsTheHandAndActivatesOnAClick) {
  MakeList(LVS_REPORT, LVS_EX_ONECLICKACTIVATE);
  Fill(4);
  RECT row = ItemRect(1, LVIR_LABEL);
  POINT p = ScreenOf(POINT{row.left + 4, row.top + 2});
  platform::InjectMouse(platform::MouseAction::kMove, p.x, p.y);
  Pump();
  platform::InjectMouse(platform::MouseAction::kMove, p.x + 1, p.y);
  Pump();
  EXPECT_EQ(SendMessage(list_, LVM_GETHOTITEM, 0, 0), 1);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
  Click(row.left + 5, row.top + 2);
  auto activated = NotificationsOf(LVN_ITEMACTIVATE);
  ASSERT_EQ(activated.size(), 1u);
  EXPECT_EQ(activated[0].item, 1);
}

TEST_F(ListViewScrollTest, PressingAndMovingARowBeginsADrag) {
  MakeList(LVS_REPORT);
  Fill(5);
  RECT row = ItemRect(2, LVIR_LABEL);
  Drag(list_, POINT{row.left + 4, row.top + 2}, {POINT{row.left + 24, row.top + 22}});
  auto drags = NotificationsOf(LVN_BEGINDRAG);
  ASSERT_EQ(drags.size(), 1u);
  EXPECT_EQ(drags[0].item, 2);
  EXPECT_TRUE(NotificationsOf(NM_CLICK).empty());
  EXPECT_EQ(Selected(), std::vector<int>{2});
}

TEST_F(ListViewScrollTest, NoColumnHeaderPutsTheRowsAtTheTop) {
  MakeList(LVS_REPORT | LVS_NOCOLUMNHEADER);
  Fill(2);
  EXPECT_EQ(ItemRect(0).top, 0);
  EXPECT_FALSE(IsWindowVisible(ListView_GetHeader(list_)));
  // Switching the header on makes room for it.
  SetWindowLongPtr(list_, GWL_STYLE, GetWindowLongPtr(list_, GWL_STYLE) & ~LVS_NOCOLUMNHEADER);
  EXPECT_TRUE(IsWindowVisible(ListView_GetHeader(list_)));
  EXPECT_GT(ItemRect(0).top, 0);
}

TEST_F(ListViewScrollTest, DoubleClickOnADividerFitsTheColumn) {
  MakeList(LVS_REPORT);
  AddRow("a rather long caption of a song", "1");
  POINT p = OnScreen(ListView_GetHeader(list_), HeaderPoint(0, true));
  platform::AdvanceClockMs(1000);
  platform::InjectClick(p.x, p.y);
  platform::InjectClick(p.x, p.y);
  Pump();
  EXPECT_EQ(NotificationsOf(HDN_DIVIDERDBLCLICK).size(), 1u);
  // 31 characters of the 6-pixel test font.
  EXPECT_GE(ListView_GetColumnWidth(list_, 0), 31 * 6);
}

}  // namespace
}  // namespace velko_test
