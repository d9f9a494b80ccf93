// TAdvListView in a window on the headless display: owner-drawn cells on
// screen, anchors and links under the mouse, dragged rows, the header's
// glyphs and filter bar, the form's size, editing in place, hints, the row
// height and the wallpaper.
#include <gtest/gtest.h>

#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/DateTime.h"
#include "classlib/Forms.h"
#include "classlib/HintWindow.h"
#include "library/advlistv.h"
#include "classlib/StringRoutines.h"
#include "classlib/Timers.h"
#include "platform/core/clock.h"
#include "platform/ctl/listview.h"
#include "platform/ctl/scroll_bar.h"
#include "platform/display/display.h"
#include "platform/sys/process.h"
#include "platform/user/virtual_keys.h"
#include "platform/user/input.h"
#include "platform/user/window.h"
#include "tests/classlib/forms/forms_test_support.h"

namespace velko_test {
namespace {

class TListForm : public TForm {
 public:
  explicit TListForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoad();
    SetName("ListForm");
    SetClientSize(420, 200);
    List = new TAdvListView(this);
    List->SetName("List");
    List->SetParent(this);
    List->SetBounds(10, 10, 400, 180);
    List->SetViewStyle(vsIcon);  // made a report by Loaded
    TListColumn* song = List->Columns()->Add();
    song->SetCaption("Song");
    song->SetWidth(250);
    List->Columns()->Add()->SetCaption("Folder");
    EndLoad();
  }
  TAdvListView* List;
};

class ListViewWindowTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    Application->CreateForm(form);
    list = form->List;
  }
  void TearDown() override {
    form->Close();
    Pump();
    FormsTest::TearDown();
  }
  // Counts the screen pixels of a colour inside a row's cell of column 0.
  int CountInCell(int row, COLORREF colour) {
    Pump();
    auto screen = platform::ComposeScreen();
    const TRect r = list->Items()->Item(row)->DisplayRect(drBounds);
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.left + 240; ++x) {
        const TPoint p = list->ClientToScreen(Point(x, y));
        if (screen->Pixel(p.x, p.y) == colour) ++count;
      }
    }
    return count;
  }
  TListForm* form = nullptr;
  TAdvListView* list = nullptr;
};

TEST_F(ListViewWindowTest, OwnerDrawnMarkupCellsShowTheirColoursAndAnchors) {
  EXPECT_EQ(list->ViewStyle(), vsReport);
  list->SetOwnerDraw(true);
  form->Show();
  TListItem* plain = list->Items()->Add();
  plain->SetCaption("plain text");
  TListItem* marked = list->Items()->Add();
  marked->SetCaption("<font color=\"clred\">REDREDRED</font> <a href=\"song:7\">anchor</a>");
  // Rich text with its colour table, a highlight and bold words.
  TListItem* rich = list->Items()->Add();
  rich->SetCaption(
      "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;\\red0\\green255\\blue0;}"
      "\\cf1\\b REDREDRED\\b0\\cf0  and \\highlight2 lime\\highlight0}");
  list->Repaint();
  EXPECT_EQ(CountInCell(0, RGB(255, 0, 0)), 0);
  EXPECT_GT(CountInCell(1, RGB(255, 0, 0)), 20);
  EXPECT_GT(CountInCell(1, RGB(0, 0, 255)), 10);  // the anchor in URLColor
  EXPECT_GT(CountInCell(2, RGB(255, 0, 0)), 20);
  EXPECT_GT(CountInCell(2, RGB(0, 255, 0)), 20);

  std::vector<String> events;
  list->OnAnchorEnter = [&](TObject*, const String& a) { events.push_back("enter " + a); };
  list->OnAnchorExit = [&](TObject*, const String& a) { events.push_back("exit " + a); };
  list->OnAnchorClick = [&](TObject*, const String& a) { events.push_back("click " + a); };
  // Find the anchor by laying the cell out as it was drawn.
  const TRect r = marked->DisplayRect(drBounds);
  int anchor_x = -1;
  for (int x = r.left; x < r.left + 240 && anchor_x < 0; ++x) {
    String anchor;
    const TPoint point{x, (r.top + r.bottom) / 2};
    list->Canvas()->Font()->Assign(list->Font());
    list->DrawMarkup(list->Canvas(), TRect{r.left + 2, r.top, r.left + 248, r.bottom}, marked->Caption(), false,
                     &point, &anchor);
    if (anchor == "song:7") anchor_x = x + 3;
  }
  ASSERT_GT(anchor_x, 0);
  MoveMouse(list, anchor_x, (r.top + r.bottom) / 2);
  EXPECT_EQ(list->Cursor(), crLinkCursor);
  MoveMouse(list, r.left + 5, (r.top + r.bottom) / 2);
  EXPECT_EQ(list->Cursor(), crDefault);
  Click(list, anchor_x, (r.top + r.bottom) / 2);
  EXPECT_EQ(events, (std::vector<String>{"enter song:7", "exit song:7", "enter song:7", "click song:7"}));
}

TEST_F(ListViewWindowTest, WebAnchorsAndLinkCellsOpenInTheBrowserAndCheckBoxesToggle) {
  auto starter = std::make_shared<platform::RecordingProcessStarter>();
  platform::SetProcessStarter(starter);
  list->SetOwnerDraw(true);
  list->SetCheckboxes(true);
  list->URLShow = true;
  form->Show();
  TListItem* web = list->Items()->Add();
  web->SetCaption("<a href=\"http://songs.example/a?b=1\">web page of the song</a>");
  TListItem* link = list->Items()->Add();
  link->SetCaption("mailto:fan@example.org");
  TListItem* rich = list->Items()->Add();
  rich->SetCaption("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b Rich\\b0  words}");
  Pump();
  bool other = false;
  list->OnAnchorClick = [&](TObject*, const String&) { other = true; };
  const TRect w = web->DisplayRect(drBounds);
  Click(list, w.left + 40, (w.top + w.bottom) / 2);
  const TRect l = link->DisplayRect(drBounds);
  Click(list, l.left + 40, (l.top + l.bottom) / 2);
  const auto launches = starter->Launches();
  ASSERT_EQ(launches.size(), 2u);
  EXPECT_EQ(launches[0].arguments, (std::vector<std::string>{"xdg-open", "http://songs.example/a?b=1"}));
  EXPECT_EQ(launches[1].arguments, (std::vector<std::string>{"xdg-open", "mailto:fan@example.org"}));
  EXPECT_FALSE(other);
  // The check box in front of the caption.
  const TRect r = rich->DisplayRect(drBounds);
  EXPECT_FALSE(rich->Checked());
  Click(list, r.left + 6, (r.top + r.bottom) / 2);
  EXPECT_TRUE(rich->Checked());
  platform::SetProcessStarter(nullptr);
}

TEST_F(ListViewWindowTest, ARowDraggedOntoAnotherMovesThere) {
  list->ReArrangeItems = true;
  form->Show();
  for (const char* name : {"a", "b", "c", "d"}) list->Items()->Add()->SetCaption(name);
  Pump();
  auto press = [&](platform::MouseAction action, TListItem* row) {
    const TRect r = row->DisplayRect(drBounds);
    const TPoint p = list->ClientToScreen(Point(r.left + 20, (r.top + r.bottom) / 2));
    platform::InjectMouse(action, p.x, p.y);
    Pump();
  };
  press(platform::MouseAction::kLeftDown, list->Items()->Item(0));
  press(platform::MouseAction::kMove, list->Items()->Item(2));
  press(platform::MouseAction::kLeftUp, list->Items()->Item(2));
  std::vector<String> names;
  for (int i = 0; i < list->Items()->Count(); ++i) names.push_back(list->Items()->Item(i)->Caption());
  EXPECT_EQ(names, (std::vector<String>{"b", "a", "c", "d"}));
  EXPECT_TRUE(list->Items()->Item(1)->Focused());
}

TEST_F(ListViewWindowTest, SortGlyphsInTheHeader) {
  form->Show();
  list->Items()->Add()->SetCaption("b");
  list->Items()->Add()->SetCaption("a");
  TBitmap up, down;
  for (auto [glyph, colour] : {std::pair{&up, clRed}, std::pair{&down, clBlue}}) {
    glyph->SetWidth(8);
    glyph->SetHeight(8);
    glyph->Canvas()->Brush()->SetColor(colour);
    glyph->Canvas()->FillRect(TRect{0, 0, 8, 8});
  }
  list->SetSortUpGlyph(&up);
  list->SetSortDownGlyph(&down);
  list->SortShow = true;
  list->Sort(1);
  list->Sort(0);
  HWND header = ListView_GetHeader(list->Handle());
  auto format = [&](int column) {
    HDITEM item;
    item.mask = HDI_FORMAT | HDI_BITMAP;
    SendMessage(header, HDM_GETITEM, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    return item;
  };
  EXPECT_NE(format(0).fmt & HDF_BITMAP, 0);
  EXPECT_EQ(format(0).hbm, list->SortUpGlyph()->Handle());
  EXPECT_EQ(format(1).fmt & HDF_BITMAP, 0);  // the previous column is plain again
  EXPECT_EQ(list->Items()->Item(0)->Caption(), "a");

  // The direction set alone shows at the next resize of the sort column.
  RECT bar{};
  GetWindowRect(header, &bar);
  auto header_pixels = [&](COLORREF colour) {
    Pump();
    auto screen = platform::ComposeScreen();
    int count = 0;
    for (int y = bar.top; y < bar.bottom; ++y) {
      for (int x = bar.left; x < bar.left + 250; ++x) count += screen->Pixel(x, y) == colour;
    }
    return count;
  };
  EXPECT_GT(header_pixels(RGB(255, 0, 0)), 30);
  list->SetSortDirection(sdDescending);
  const int middle = (bar.top + bar.bottom) / 2;
  platform::InjectMouse(platform::MouseAction::kMove, bar.left + 249, middle);
  platform::InjectMouse(platform::MouseAction::kLeftDown, bar.left + 249, middle);
  platform::InjectMouse(platform::MouseAction::kMove, bar.left + 229, middle);
  platform::InjectMouse(platform::MouseAction::kLeftUp, bar.left + 229, middle);
  Pump();
  EXPECT_EQ(list->Columns()->Items(0)->Width(), 230);
  EXPECT_EQ(format(0).hbm, list->SortDownGlyph()->Handle());
  EXPECT_GT(header_pixels(RGB(0, 0, 255)), 30);
  EXPECT_EQ(header_pixels(RGB(255, 0, 0)), 0);
}

// Each sort style through CompareItems on a list in its window: the order
// the window shows ascending and then descending, and the comparison's own
// answers for the pairs whose order a sort cannot show.
TEST_F(ListViewWindowTest, EachSortStyleOrdersTheWindowsRowsThroughCompareItems) {
  form->Show();
  list->Columns()->Add()->SetCaption("Size");
  auto window_captions = [&] {
    std::vector<String> texts;
    for (int row = 0; row < ListView_GetItemCount(list->Handle()); ++row) {
      char buffer[64] = {};
      ListView_GetItemText(list->Handle(), row, 0, buffer, sizeof buffer);
      texts.emplace_back(buffer);
    }
    return texts;
  };
  TSortStyle style = 1;
  String prefix, suffix;
  std::vector<int> format_columns;
  list->OnGetFormat = [&](TObject* sender, int column, TSortStyle& s, String& p, String& x) {
    EXPECT_EQ(sender, list);
    format_columns.push_back(column);
    s = style;
    p = prefix;
    x = suffix;
  };
  list->OnCustomCompare = [&](TObject*, int column, const String& a, const String& b, int& res) {
    EXPECT_EQ(res, 1);
    EXPECT_EQ(column, 2);
    res = static_cast<int>(a.size()) - static_cast<int>(b.size());
  };
  const String jan = DateToStr(EncodeDate(2003, 1, 2));
  const String feb = DateToStr(EncodeDate(2003, 2, 1));
  const String old = DateToStr(EncodeDate(1999, 12, 31));
  struct Case {
    TSortStyle style;
    const char* prefix;
    const char* suffix;
    int column;
    std::vector<std::vector<String>> rows;  // caption, folder, size
    std::vector<String> ascending;
  };
  const Case cases[] = {
      {1, "", "", 2, {{"r1", "", "b"}, {"r2", "", "B"}, {"r3", "", "a"}, {"r4"}}, {"r4", "r2", "r3", "r1"}},
      {5, "", "", 0, {{"b"}, {"B"}, {"a"}}, {"B", "a", "b"}},
      {2, "$", " KB", 2, {{"r1", "", "$10 KB"}, {"r2", "", "$9 KB"}, {"r3", "", ""}, {"r4", "", "$1.5 KB"}},
       {"r3", "r4", "r2", "r1"}},
      {9, "", "", 2, {{"r1", "", "12,000"}, {"r2", "", "1,200"}, {"r3", "", "950.5"}}, {"r3", "r2", "r1"}},
      {3, "", "", 2, {{"r1", "", feb}, {"r2", "", old}, {"r3", "", jan}}, {"r2", "r3", "r1"}},
      {6, "", "", 2, {{"r1", "", "01-02-03"}, {"r2", "", "02/01/03"}, {"r3", "", "31.12.99"}},
       {"r3", "r2", "r1"}},
      {7, "", "", 2, {{"r1", "", "02-01-03"}, {"r2", "", "01/02/03"}, {"r3", "", "12.31.99"}},
       {"r3", "r2", "r1"}},
      {4, "", "", 1, {{"r1", "b"}, {"r2", "C"}, {"r3", "a"}}, {"r3", "r1", "r2"}},
      {8, "", "", 2, {{"r1", "", "ccc"}, {"r2", "", "a"}, {"r3", "", "bb"}}, {"r2", "r3", "r1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << c.style);
    list->Items()->Clear();
    for (const auto& row : c.rows) {
      TListItem* item = list->Items()->Add();
      item->SetCaption(row[0]);
      for (std::size_t i = 1; i < row.size(); ++i) item->SubItems()->Add(row[i]);
    }
    style = c.style;
    prefix = c.prefix;
    suffix = c.suffix;
    format_columns.clear();
    list->SetSortDirection(sdAscending);
    list->Sort(c.column);
    EXPECT_EQ(window_captions(), c.ascending);
    ASSERT_FALSE(format_columns.empty());
    EXPECT_EQ(format_columns.front(), c.column);
    list->SetSortDirection(sdDescending);
    list->Sort(c.column);
    EXPECT_EQ(window_captions(), std::vector<String>(c.ascending.rbegin(), c.ascending.rend()));
  }

  // Pairs, by the column of the last sort (2), ascending and descending.
  list->Items()->Clear();
  auto row = [&](const String& size) {
    TListItem* item = list->Items()->Add();
    item->SetCaption("r");
    item->SubItems()->Add("");
    item->SubItems()->Add(size);
    return reinterpret_cast<LPARAM>(item);
  };
  const struct {
    TSortStyle style;
    const char* a;
    const char* b;
    int expected;
  } pairs[] = {
      {2, "x KB", "5 KB", 0},  // not a number: equal to anything
      {2, "", "0 KB", 0},      // empty counts 0
      {2, "5 KB", "", 1},
      {6, "1-2", "01-02-03", -1},  // no date: 0
      {6, "01-02-03", "01.02.03", 0},
      {4, "a", "A", -1},  // upper-cased equal, texts not: less, both ways
      {4, "A", "a", -1},
      {4, "b", "A", 1},
      {4, "b", "b", 0},
      {0, "a", "b", 1},  // any other style: the first row is greater, both ways
      {0, "b", "a", 1},
      {11, "a", "a", 1},
  };
  prefix = "";
  suffix = " KB";
  for (const auto& p : pairs) {
    SCOPED_TRACE(testing::Message() << "style " << p.style << ": " << p.a << " / " << p.b);
    style = p.style;
    const LPARAM a = row(p.a);
    const LPARAM b = row(p.b);
    list->SetSortDirection(sdAscending);
    EXPECT_EQ(TAdvListView::CompareItems(a, b, 0), p.expected);
    list->SetSortDirection(sdDescending);
    EXPECT_EQ(TAdvListView::CompareItems(a, b, 0), -p.expected);
  }
  // A row with fewer sub-items compares an empty text.
  style = 1;
  list->SetSortDirection(sdAscending);
  TListItem* short_row = list->Items()->Add();
  short_row->SetCaption("s");
  EXPECT_EQ(TAdvListView::CompareItems(reinterpret_cast<LPARAM>(short_row), row(""), 0), 0);
  EXPECT_EQ(TAdvListView::CompareItems(reinterpret_cast<LPARAM>(short_row), row("a"), 0), -1);
}

// Three list views on one form, each following its size; the form's own
// handler was there first. Whichever of them go, in whatever order, the
// rest still follow, the form's handler still runs, and a resize reaches
// nothing freed (the address checker would stop at it).
TEST_F(ListViewWindowTest, ListViewsFreedInAnyOrderLeaveTheResizeChainWhole) {
  const std::vector<std::vector<int>> orders{{0, 1, 2}, {2, 1, 0}, {1, 0, 2}, {0, 2, 1}};
  for (const auto& order : orders) {
    SCOPED_TRACE(testing::Message() << order[0] << order[1] << order[2]);
    auto* host = new TForm(Application);
    host->SetClientSize(300, 300);
    int resized = 0;
    host->OnResize = [&](TObject*) { ++resized; };
    std::vector<TAdvListView*> views;
    for (int i = 0; i < 3; ++i) {
      auto* view = new TAdvListView(host);
      view->SetParent(host);
      view->SetBounds(0, i * 60, 100, 50);
      view->SizeWithForm = true;
      views.push_back(view);
    }
    host->Show();
    Pump();
    for (std::size_t gone = 0; gone < order.size(); ++gone) {
      delete views[static_cast<std::size_t>(order[gone])];
      views[static_cast<std::size_t>(order[gone])] = nullptr;
      resized = 0;
      std::vector<int> widths;
      for (TAdvListView* view : views) widths.push_back(view != nullptr ? view->Width() : 0);
      host->SetWidth(host->Width() + 10);
      Pump();
      EXPECT_GE(resized, 1);
      for (std::size_t i = 0; i < views.size(); ++i) {
        if (views[i] != nullptr) {
          EXPECT_EQ(views[i]->Width(), widths[i] + 10) << "list view " << i;
        }
      }
    }
    delete host;
    Pump();
  }
}

TEST_F(ListViewWindowTest, SubItemsAreSelectedAndEditedInPlace) {
  list->SubItemEdit = true;
  form->Show();
  TListItem* row = list->Items()->Add();
  row->SetCaption("song.mp3");
  row->SubItems()->Add("C:\\Music\\");
  Pump();
  RECT cell{};
  ListView_GetSubItemRect(list->Handle(), 0, 1, LVIR_BOUNDS, &cell);
  Click(list, cell.left + 10, (cell.top + cell.bottom) / 2);
  EXPECT_EQ(list->SelectedColumn(), 1);
  Press(VK_LEFT);
  EXPECT_EQ(list->SelectedColumn(), 0);
  Press(VK_RIGHT);
  Press(VK_RIGHT);  // stays in the last column
  EXPECT_EQ(list->SelectedColumn(), 1);

  std::vector<std::pair<int, int>> asked;
  list->OnCanEditCell = [&](TObject*, int item, int column, bool& allow) {
    asked.emplace_back(item, column);
    allow = asked.size() > 1;
  };
  row->SetFocused(true);
  Press(VK_SPACE);  // refused
  EXPECT_EQ(SendMessage(list->Handle(), LVM_GETEDITCONTROL, 0, 0), 0);
  Press(VK_SPACE);
  HWND edit = reinterpret_cast<HWND>(SendMessage(list->Handle(), LVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(edit, nullptr);
  char text[64] = {};
  GetWindowText(edit, text, sizeof text);
  EXPECT_STREQ(text, "C:\\Music\\");
  SetWindowText(edit, "D:\\Songs\\");
  Press(VK_RETURN);
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 1}, {0, 1}}));
  EXPECT_EQ(row->Caption(), "song.mp3");
  EXPECT_EQ(row->SubItems()->Strings(0), "D:\\Songs\\");
}

TEST_F(ListViewWindowTest, AutoHintsShowTheCellUnderThePointer) {
  list->AutoHint = true;
  form->Show();
  TListItem* row = list->Items()->Add();
  row->SetCaption("<b>Bold</b> song");
  row->SubItems()->Add("C:\\Music\\");
  Pump();
  RECT cell{};
  ListView_GetSubItemRect(list->Handle(), 0, 1, LVIR_BOUNDS, &cell);
  THintInfo info;
  info.CursorPos = Point(cell.left + 5, (cell.top + cell.bottom) / 2);
  EXPECT_EQ(list->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(info.HintStr, "C:\\Music\\");
  EXPECT_EQ(info.CursorRect.left, cell.left);
  info.CursorPos = Point(10, (cell.top + cell.bottom) / 2);
  list->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.HintStr, "Bold song");
  info.CursorPos = Point(10, 170);  // below the rows
  EXPECT_NE(list->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
}

TEST_F(ListViewWindowTest, OwnerDrawnRowsAreItemHeightHigh) {
  list->SetOwnerDraw(true);
  form->Show();
  list->Items()->Add()->SetCaption("one");
  list->Items()->Add()->SetCaption("two");
  Pump();
  auto row_height = [&] {
    const TRect r = list->Items()->Item(1)->DisplayRect(drBounds);
    return r.bottom - r.top;
  };
  EXPECT_EQ(row_height(), 13);
  list->SetItemHeight(30);
  Pump();
  EXPECT_EQ(row_height(), 30);
  list->SetItemHeight(0);  // ignored
  Pump();
  EXPECT_EQ(row_height(), 30);
}

TEST_F(ListViewWindowTest, AWallpaperIsTiledBehindTheRows) {
  form->Show();
  list->Items()->Add()->SetCaption("row");
  Pump();
  auto pixel_below_rows = [&] {
    Pump();
    auto screen = platform::ComposeScreen();
    const TPoint p = list->ClientToScreen(Point(200, 150));
    return screen->Pixel(p.x, p.y);
  };
  EXPECT_EQ(pixel_below_rows(), RGB(255, 255, 255));
  TBitmap picture;
  picture.SetWidth(8);
  picture.SetHeight(8);
  picture.Canvas()->Brush()->SetColor(clLime);
  picture.Canvas()->FillRect(TRect{0, 0, 8, 8});
  list->SetWallpaper(&picture);
  list->Repaint();
  EXPECT_EQ(pixel_below_rows(), RGB(0, 255, 0));

  // Stripes whose height is not the rows': a scroll leaves the control
  // as a whole repaint draws it.
  picture.SetHeight(6);
  picture.Canvas()->Brush()->SetColor(clBlue);
  picture.Canvas()->FillRect(TRect{0, 3, 8, 6});
  list->SetWallpaper(&picture);
  for (int i = 0; i < 40; ++i) list->Items()->Add();
  list->Repaint();
  auto column = [&] {
    Pump();
    auto screen = platform::ComposeScreen();
    std::vector<COLORREF> pixels;
    for (int y = 0; y < list->ClientHeight(); ++y) {
      const TPoint p = list->ClientToScreen(Point(350, y));
      pixels.push_back(screen->Pixel(p.x, p.y));
    }
    return pixels;
  };
  SendMessage(list->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
  ASSERT_EQ(ListView_GetTopIndex(list->Handle()), 1);
  const std::vector<COLORREF> scrolled = column();
  list->Repaint();
  EXPECT_EQ(scrolled, column());
  list->Items()->Clear();
  TBitmap none;
  list->SetWallpaper(&none);
  list->Repaint();
  EXPECT_EQ(pixel_below_rows(), RGB(255, 255, 255));
}

TEST_F(ListViewWindowTest, FilterBarEditsReachTheListAfterTheTimeOut) {
  platform::UseManualClock();
  form->Show();
  Pump();
  HWND header = ListView_GetHeader(list->Handle());
  RECT plain{};
  GetWindowRect(header, &plain);
  list->SetFilterBar(true);
  Pump();
  RECT filtered{};
  GetWindowRect(header, &filtered);
  EXPECT_EQ(filtered.bottom - filtered.top, 2 * (plain.bottom - plain.top));

  // The header's other styles.
  list->SetHeaderHotTrack(true);
  list->SetHeaderFlatStyle(true);
  list->SetHeaderDragDrop(true);
  const LONG_PTR style = GetWindowLongPtr(header, GWL_STYLE);
  EXPECT_NE(style & HDS_FILTERBAR, 0);
  EXPECT_NE(style & HDS_HOTTRACK, 0);
  EXPECT_EQ(style & HDS_BUTTONS, 0);
  EXPECT_NE(ListView_GetExtendedListViewStyle(list->Handle()) & LVS_EX_HEADERDRAGDROP, 0u);

  std::vector<String> events;
  list->OnFilterChange = [&](TObject*, int column) { events.push_back("change " + std::to_string(column)); };
  list->OnFilterBtnClick = [&](TObject*, int column) { events.push_back("button " + std::to_string(column)); };
  // Into the filter box of the first column, and type.
  const int y = filtered.top + (filtered.bottom - filtered.top) * 3 / 4;
  platform::InjectClick(filtered.left + 20, y);
  Pump();
  Press('A');
  Press('B');
  Advance(400);
  EXPECT_TRUE(events.empty());  // the time-out (500 ms) has not passed
  Advance(200);
  EXPECT_EQ(events, (std::vector<String>{"change 0"}));
  EXPECT_EQ(UpperCase(list->FilterText(0)), "AB");
  // The second column's button.
  platform::InjectClick(filtered.left + 250 + 50 - 5, y);
  Pump();
  EXPECT_EQ(events.back(), "button 1");
}

// Dragging the vertical thumb shows the caption of the row at the thumb
// beside the pointer, in the hint colour; letting go hides it.
TEST_F(ListViewWindowTest, TheScrollHintFollowsTheThumb) {
  list->ScrollHint = true;
  Application->HintColor = clAqua;
  form->Show();
  for (int i = 0; i < 60; ++i) list->Items()->Add()->SetCaption("row " + std::to_string(i));
  Pump();
  // Visible windows that show a text beginning with "row ".
  auto hints = [] {
    std::vector<std::pair<String, RECT>> found;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          char text[64] = {};
          GetWindowText(window, text, sizeof text);
          if (IsWindowVisible(window) && String(text).rfind("row ", 0) == 0) {
            RECT r{};
            GetWindowRect(window, &r);
            reinterpret_cast<std::vector<std::pair<String, RECT>>*>(data)->emplace_back(text, r);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  };
  // The thumb lies at the top of the bar right of the client area, below
  // its arrow. The bar tracks the mouse in a loop of its own until the
  // button goes up: a timer looks at the screen while it runs, then lets
  // go.
  const TPoint corner = list->ClientToScreen(Point(list->ClientWidth(), 0));
  const int x = corner.x + GetSystemMetrics(SM_CXVSCROLL) / 2;
  const int y = corner.y + GetSystemMetrics(SM_CYVSCROLL) + 4;
  int top = -1;
  std::vector<std::pair<String, RECT>> shown;
  COLORREF colour = CLR_INVALID;
  TTimer timer(nullptr);
  timer.SetInterval(100);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    top = ListView_GetTopIndex(list->Handle());
    shown = hints();
    if (shown.size() == 1) {
      colour = platform::ComposeScreen()->Pixel(shown[0].second.right - 3, shown[0].second.bottom - 2);
    }
    platform::InjectMouse(platform::MouseAction::kLeftUp, x, y + 50);
  });
  platform::InjectMouse(platform::MouseAction::kMove, x, y);
  platform::InjectMouse(platform::MouseAction::kLeftDown, x, y);
  platform::InjectMouse(platform::MouseAction::kMove, x, y + 50);
  Pump();
  ASSERT_FALSE(timer.Enabled());
  EXPECT_GT(top, 0);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "row " + std::to_string(top));
  EXPECT_EQ(shown[0].second.left, x + 10);
  EXPECT_EQ(shown[0].second.top, y + 50);
  EXPECT_EQ(colour, RGB(0, 255, 255));
  EXPECT_TRUE(hints().empty());
}

}  // namespace
}  // namespace velko_test
