// Rows of the list view: inserting (also at sorted positions), sub-items,
// deleting with notifications, sorting with a callback, finding, and a
// list of 100,000 rows.
#include <algorithm>
#include <random>
#include <set>

#include "tests/platform/ctl/listview/listview_fixture.h"

namespace velko_test {
namespace {

TEST_F(ListViewTest, InsertAtAnIndexShiftsTheRowsBelow) {
  MakeList(LVS_REPORT);
  AddRow("a");
  AddRow("c");
  AddRow("b", "", 0, 1);
  AddRow("first", "", 0, 0);
  AddRow("last", "", 0, 999);  // beyond the end: appended
  ASSERT_EQ(ListView_GetItemCount(list_), 5);
  std::vector<std::string> rows;
  for (int i = 0; i < 5; ++i) rows.push_back(TextOf(i));
  EXPECT_EQ(rows, (std::vector<std::string>{"first", "a", "b", "c", "last"}));
  auto inserted = NotificationsOf(LVN_INSERTITEM);
  ASSERT_EQ(inserted.size(), 5u);
  EXPECT_EQ(inserted[2].item, 1);
  EXPECT_EQ(inserted[4].item, 4);
}

TEST_F(ListViewTest, SortedStyleInsertsAtTheSortedPositionIgnoringCase) {
  MakeList(LVS_REPORT | LVS_SORTASCENDING);
  for (const char* name : {"delta", "Alpha", "charlie", "bravo", "ALPHA2", "echo"}) {
    int at = AddRow(name, std::string("sub of ") + name);
    EXPECT_EQ(TextOf(at), name);
    EXPECT_EQ(TextOf(at, 1), std::string("sub of ") + name);
  }
  std::vector<std::string> rows;
  for (int i = 0; i < ListView_GetItemCount(list_); ++i) rows.push_back(TextOf(i));
  EXPECT_EQ(rows,
            (std::vector<std::string>{"Alpha", "ALPHA2", "bravo", "charlie", "delta", "echo"}));

  MakeList(LVS_REPORT | LVS_SORTDESCENDING);
  for (const char* name : {"b", "c", "a"}) AddRow(name);
  EXPECT_EQ(TextOf(0), "c");
  EXPECT_EQ(TextOf(2), "a");
}

TEST_F(ListViewTest, ItemFieldsAndSubItemsRoundTrip) {
  MakeList(LVS_REPORT);
  AddRow("song.mp3", "C:\\Music\\", 1234);
  ListView_SetItemText(list_, 0, 3, "third");  // sub-items beyond the columns are kept
  LVITEM item;
  char buffer[64];
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE | LVIF_STATE;
  item.iItem = 0;
  item.pszText = buffer;
  item.cchTextMax = sizeof(buffer);
  item.stateMask = 0xFFFF;
  ASSERT_TRUE(ListView_GetItem(list_, &item));
  EXPECT_STREQ(buffer, "song.mp3");
  EXPECT_EQ(item.lParam, 1234);
  EXPECT_EQ(item.iImage, I_IMAGENONE);
  EXPECT_EQ(item.state, 0u);
  EXPECT_EQ(TextOf(0, 1), "C:\\Music\\");
  EXPECT_EQ(TextOf(0, 2), "");
  EXPECT_EQ(TextOf(0, 3), "third");

  // A short buffer gets as much as fits, terminated.
  char small[5];
  EXPECT_EQ(ListView_GetItemText(list_, 0, 0, small, sizeof(small)), 4);
  EXPECT_STREQ(small, "song");

  // Changing the caption tells the parent before and after.
  ClearNotifications();
  LVITEM change;
  change.mask = LVIF_TEXT;
  change.iItem = 0;
  change.pszText = const_cast<LPSTR>("other.mp3");
  EXPECT_TRUE(ListView_SetItem(list_, &change));
  ASSERT_EQ(NotificationsOf(LVN_ITEMCHANGING).size(), 1u);
  ASSERT_EQ(NotificationsOf(LVN_ITEMCHANGED).size(), 1u);
  EXPECT_EQ(NotificationsOf(LVN_ITEMCHANGED)[0].changed, LVIF_TEXT);
  EXPECT_EQ(TextOf(0), "other.mp3");

  // A parent that refuses the change keeps the old caption.
  answer_ = [](NMHDR* hdr) -> std::optional<LRESULT> {
    if (hdr->code == LVN_ITEMCHANGING) return TRUE;
    return std::nullopt;
  };
  change.pszText = const_cast<LPSTR>("refused");
  EXPECT_FALSE(ListView_SetItem(list_, &change));
  EXPECT_EQ(TextOf(0), "other.mp3");
}

TEST_F(ListViewTest, TextCallbackAsksTheParent) {
  MakeList(LVS_REPORT);
  answer_ = [](NMHDR* hdr) -> std::optional<LRESULT> {
    if (hdr->code != LVN_GETDISPINFO) return std::nullopt;
    auto* info = reinterpret_cast<NMLVDISPINFO*>(hdr);
    std::string text =
        "row " + std::to_string(info->item.iItem) + " col " + std::to_string(info->item.iSubItem);
    if (info->item.mask & LVIF_TEXT) {
      std::snprintf(info->item.pszText, static_cast<std::size_t>(info->item.cchTextMax), "%s",
                    text.c_str());
    }
    return 0;
  };
  LVITEM item;
  item.mask = LVIF_TEXT;
  item.iItem = 0;
  item.pszText = LPSTR_TEXTCALLBACK;
  ListView_InsertItem(list_, &item);
  item.iItem = 1;
  ListView_InsertItem(list_, &item);
  ListView_SetItemText(list_, 1, 1, LPSTR_TEXTCALLBACK);
  EXPECT_EQ(TextOf(0), "row 0 col 0");
  EXPECT_EQ(TextOf(1, 1), "row 1 col 1");

  // A parent that adds LVIF_DI_SETITEM is asked once; the list keeps the text.
  int asked = 0;
  answer_ = [&asked](NMHDR* hdr) -> std::optional<LRESULT> {
    if (hdr->code != LVN_GETDISPINFO) return std::nullopt;
    auto* info = reinterpret_cast<NMLVDISPINFO*>(hdr);
    ++asked;
    info->item.pszText = const_cast<LPSTR>("kept");
    info->item.mask |= LVIF_DI_SETITEM;
    return 0;
  };
  EXPECT_EQ(TextOf(0), "kept");
  EXPECT_EQ(TextOf(0), "kept");
  EXPECT_EQ(asked, 1);
}

TEST_F(ListViewTest, DeletingTellsTheParentAboutEveryRow) {
  MakeList(LVS_REPORT);
  for (int i = 0; i < 4; ++i) AddRow("row" + std::to_string(i), "", 100 + i);
  ListView_SetItemState(list_, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ClearNotifications();
  EXPECT_TRUE(ListView_DeleteItem(list_, 2));
  ASSERT_EQ(NotificationsOf(LVN_DELETEITEM).size(), 1u);
  EXPECT_EQ(NotificationsOf(LVN_DELETEITEM)[0].item, 2);
  EXPECT_EQ(ListView_GetSelectedCount(list_), 0);
  EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), -1);
  EXPECT_EQ(TextOf(2), "row3");
  EXPECT_FALSE(ListView_DeleteItem(list_, 3));

  ClearNotifications();
  EXPECT_TRUE(ListView_DeleteAllItems(list_));
  EXPECT_EQ(NotificationsOf(LVN_DELETEALLITEMS).size(), 1u);
  EXPECT_EQ(NotificationsOf(LVN_DELETEITEM).size(), 3u);
  EXPECT_EQ(ListView_GetItemCount(list_), 0);

  // Answering TRUE to LVN_DELETEALLITEMS spares the single notifications.
  for (int i = 0; i < 3; ++i) AddRow("again");
  answer_ = [](NMHDR* hdr) -> std::optional<LRESULT> {
    return hdr->code == LVN_DELETEALLITEMS ? std::optional<LRESULT>(TRUE) : std::nullopt;
  };
  ClearNotifications();
  ListView_DeleteAllItems(list_);
  EXPECT_EQ(NotificationsOf(LVN_DELETEITEM).size(), 0u);
}

int CALLBACK_ByParamDescending(LPARAM a, LPARAM b, LPARAM sign) {
  return static_cast<int>(sign * (a < b ? -1 : a > b ? 1 : 0));
}

int AlwaysGreater(LPARAM, LPARAM, LPARAM) {
  return 1;
}

std::vector<LPARAM> g_seen_indexes;
int ByIndexReversed(LPARAM a, LPARAM b, LPARAM) {
  g_seen_indexes.push_back(a);
  return static_cast<int>(b - a);
}

TEST_F(ListViewTest, SortItemsOrdersByTheCallback) {
  MakeList(LVS_REPORT);
  const int values[] = {5, 3, 9, 1, 7};
  for (int v : values) AddRow("v" + std::to_string(v), "", v);
  ListView_SetItemState(list_, 2, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);  // v9
  ASSERT_TRUE(ListView_SortItems(list_, CALLBACK_ByParamDescending, -1));
  std::vector<std::string> rows;
  for (int i = 0; i < 5; ++i) rows.push_back(TextOf(i));
  EXPECT_EQ(rows, (std::vector<std::string>{"v9", "v7", "v5", "v3", "v1"}));
  // Selection and focus stay with their row.
  EXPECT_EQ(Selected(), std::vector<int>{0});
  EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), 0);

  ASSERT_TRUE(ListView_SortItems(list_, CALLBACK_ByParamDescending, 1));
  EXPECT_EQ(TextOf(0), "v1");
  EXPECT_EQ(TextOf(4), "v9");

  // A comparison that contradicts itself still leaves every row in place once.
  for (int i = 0; i < 200; ++i) AddRow("extra" + std::to_string(i), "", 1000 + i);
  ASSERT_TRUE(ListView_SortItems(list_, AlwaysGreater, 0));
  std::set<std::string> all;
  for (int i = 0; i < ListView_GetItemCount(list_); ++i) all.insert(TextOf(i));
  EXPECT_EQ(all.size(), 205u);

  // The index form hands the callback the rows' positions before the sort.
  MakeList(LVS_REPORT);
  for (int i = 0; i < 4; ++i) AddRow("r" + std::to_string(i));
  g_seen_indexes.clear();
  ASSERT_TRUE(ListView_SortItemsEx(list_, ByIndexReversed, 0));
  EXPECT_FALSE(g_seen_indexes.empty());
  for (LPARAM index : g_seen_indexes) {
    EXPECT_GE(index, 0);
    EXPECT_LT(index, 4);
  }
  EXPECT_EQ(TextOf(0), "r3");
  EXPECT_EQ(TextOf(3), "r0");
}

TEST_F(ListViewTest, FindItemByTextPrefixAndParam) {
  MakeList(LVS_REPORT);
  AddRow("Apple", "", 10);
  AddRow("banana", "", 20);
  AddRow("Blueberry", "", 30);
  AddRow("cherry", "", 40);
  LVFINDINFO find;
  find.flags = LVFI_STRING;
  find.psz = "BANANA";
  EXPECT_EQ(ListView_FindItem(list_, -1, &find), 1);
  find.psz = "ban";
  EXPECT_EQ(ListView_FindItem(list_, -1, &find), -1);  // whole text only
  find.flags = LVFI_PARTIAL;
  find.psz = "b";
  EXPECT_EQ(ListView_FindItem(list_, -1, &find), 1);
  EXPECT_EQ(ListView_FindItem(list_, 1, &find), 2);  // the search starts after `start`
  EXPECT_EQ(ListView_FindItem(list_, 2, &find), -1);
  find.flags = LVFI_PARTIAL | LVFI_WRAP;
  EXPECT_EQ(ListView_FindItem(list_, 2, &find), 1);
  find.flags = LVFI_PARAM;
  find.lParam = 40;
  EXPECT_EQ(ListView_FindItem(list_, -1, &find), 3);
  find.lParam = 41;
  EXPECT_EQ(ListView_FindItem(list_, -1, &find), -1);
}

TEST_F(ListViewTest, HundredThousandRowsStayInOrderAndReachable) {
  MakeList(LVS_REPORT | LVS_SORTASCENDING | LVS_SHOWSELALWAYS);
  constexpr int kRows = 100'000;
  std::mt19937 random(7);
  std::vector<std::string> names;
  names.reserve(kRows);
  for (int i = 0; i < kRows; ++i)
    names.push_back("song" + std::to_string(random() % 10'000'000) + ".mp3");
  for (int i = 0; i < kRows; ++i) {
    LVITEM item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = 0;  // the sorted style decides where
    item.pszText = names[static_cast<std::size_t>(i)].data();
    item.lParam = i;
    int at = ListView_InsertItem(list_, &item);
    ASSERT_GE(at, 0);
    if (i % 10'000 == 0) {
      ASSERT_EQ(TextOf(at), names[static_cast<std::size_t>(i)]);
    }
  }
  ASSERT_EQ(ListView_GetItemCount(list_), kRows);
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < kRows; i += 997)
    EXPECT_EQ(TextOf(i), sorted[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(TextOf(kRows - 1), sorted.back());

  // Selecting the last row and showing it scrolls to the end.
  ListView_SetItemState(list_, kRows - 1, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  ASSERT_TRUE(ListView_EnsureVisible(list_, kRows - 1, FALSE));
  EXPECT_EQ(ListView_GetTopIndex(list_), kRows - ListView_GetCountPerPage(list_));
  EXPECT_EQ(ListView_GetNextItem(list_, -1, LVNI_SELECTED), kRows - 1);
  Pump();  // paints the last page
  LVHITTESTINFO hit;
  RECT last = ItemRect(kRows - 1);
  hit.pt = POINT{last.left + 5, last.top + 2};
  EXPECT_EQ(ListView_HitTest(list_, &hit), kRows - 1);

  // Deleting every thousandth row from the end keeps the rest in order.
  for (int i = kRows - 1; i >= 0; i -= 1000) ASSERT_TRUE(ListView_DeleteItem(list_, i));
  EXPECT_EQ(ListView_GetItemCount(list_), kRows - 100);
  EXPECT_EQ(TextOf(0), sorted[0]);
  EXPECT_EQ(TextOf(999), sorted[1000]);

  LVFINDINFO find;
  find.flags = LVFI_PARAM;
  find.lParam = 4242;
  int found = ListView_FindItem(list_, -1, &find);
  ASSERT_GE(found, 0);
  EXPECT_EQ(TextOf(found), names[4242]);
}

}  // namespace
}  // namespace velko_test
