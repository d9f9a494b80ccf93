// The header control on its own and inside the list view: items, layout,
// hit tests around dividers (also of columns of width 0) and reordering by
// dragging.
#include "platform/core/clock.h"
#include "tests/platform/ctl/listview/listview_fixture.h"

namespace velko_test {
namespace {

class HeaderTest : public ListViewTest {
 protected:
  HWND MakeHeader(DWORD style) {
    header_ = CreateWindowEx(0, WC_HEADER, nullptr, WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 20,
                             parent_, reinterpret_cast<HMENU>(9), nullptr, nullptr);
    EXPECT_NE(header_, nullptr);
    return header_;
  }
  int Add(const char* text, int width, int index = 1000) {
    HDITEM item;
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_LPARAM;
    item.pszText = const_cast<LPSTR>(text);
    item.cxy = width;
    item.lParam = width * 10;
    return Header_InsertItem(header_, index, &item);
  }
  HWND header_ = nullptr;
};

TEST_F(HeaderTest, ItemsKeepTheirFieldsAndLieSideBySide) {
  MakeHeader(HDS_BUTTONS);
  EXPECT_EQ(Add("One", 50), 0);
  EXPECT_EQ(Add("Three", 70), 1);
  EXPECT_EQ(Add("Two", 60, 1), 1);
  EXPECT_EQ(Header_GetItemCount(header_), 3);
  RECT r{};
  ASSERT_TRUE(Header_GetItemRect(header_, 1, &r));
  EXPECT_EQ(r.left, 50);
  EXPECT_EQ(r.right, 110);
  char text[16];
  HDITEM item;
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_LPARAM | HDI_ORDER;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  ASSERT_TRUE(Header_GetItem(header_, 2, &item));
  EXPECT_STREQ(text, "Three");
  EXPECT_EQ(item.cxy, 70);
  EXPECT_EQ(item.lParam, 700);
  EXPECT_EQ(item.iOrder, 2);

  ASSERT_TRUE(Header_DeleteItem(header_, 0));
  ASSERT_TRUE(Header_GetItemRect(header_, 0, &r));
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 60);
  EXPECT_FALSE(Header_DeleteItem(header_, 5));

  // The layout gives the header a height and the rest to what is below.
  RECT area{0, 0, 300, 200};
  WINDOWPOS pos;
  HDLAYOUT layout{&area, &pos};
  ASSERT_TRUE(Header_Layout(header_, &layout));
  EXPECT_GT(pos.cy, font_height_ - 2);
  EXPECT_EQ(area.top, pos.cy);
  SetWindowLongPtr(header_, GWL_STYLE, GetWindowLongPtr(header_, GWL_STYLE) | HDS_HIDDEN);
  area = RECT{0, 0, 300, 200};
  ASSERT_TRUE(Header_Layout(header_, &layout));
  EXPECT_EQ(pos.cy, 0);
  EXPECT_EQ(area.top, 0);
}

TEST_F(HeaderTest, HitTestsFindDividersAndHiddenColumns) {
  MakeHeader(HDS_BUTTONS);
  Add("A", 50);
  Add("hidden", 0);
  Add("B", 60);
  // The item and the part at x.
  auto hit = [this](int x) {
    HDHITTESTINFO info;
    info.pt = POINT{x, 5};
    const LRESULT item = SendMessage(header_, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
    return std::make_pair(item, info.flags);
  };
  EXPECT_EQ(hit(20), std::make_pair(LRESULT{0}, UINT{HHT_ONHEADER}));
  // Just left of the divider: A is sized.
  EXPECT_EQ(hit(48), std::make_pair(LRESULT{0}, UINT{HHT_ONDIVIDER}));
  // On or right of it: the column of width 0 behind it is pulled open.
  EXPECT_EQ(hit(51), std::make_pair(LRESULT{1}, UINT{HHT_ONDIVOPEN}));
  EXPECT_EQ(hit(80).first, 2);
  EXPECT_EQ(hit(200).second, UINT{HHT_NOWHERE});
}

TEST_F(HeaderTest, DraggingAColumnReordersTheListView) {
  MakeList(LVS_REPORT, LVS_EX_HEADERDRAGDROP);
  AddRow("caption", "size");
  HWND header = ListView_GetHeader(list_);
  EXPECT_TRUE(GetWindowLongPtr(header, GWL_STYLE) & HDS_DRAGDROP);
  const int y = HeaderPoint(0).y;
  Drag(header, POINT{20, y}, {POINT{50, y}, POINT{150, y}});  // to over the second column
  EXPECT_EQ(NotificationsOf(HDN_BEGINDRAG).size(), 1u);
  EXPECT_EQ(NotificationsOf(HDN_ENDDRAG).size(), 1u);
  EXPECT_TRUE(NotificationsOf(LVN_COLUMNCLICK).empty());
  int order[2] = {};
  ASSERT_TRUE(SendMessage(list_, LVM_GETCOLUMNORDERARRAY, 2, reinterpret_cast<LPARAM>(order)));
  EXPECT_EQ(order[0], 1);
  EXPECT_EQ(order[1], 0);
}

}  // namespace
}  // namespace velko_test
