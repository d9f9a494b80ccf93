// TAdvListView beyond the list files: colour keywords, mark-up runs and
// anchors, cell texts, sort styles and dates, the column click, moving
// rows, column widths, and rows through the clipboard.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>
#include <vector>

#include "classlib/Bitmaps.h"
#include "classlib/Clipbrd.h"
#include "classlib/IniFiles.h"
#include "platform/core/modules.h"
#include "platform/gdi/system_metrics.h"
#include "platform/user/clipboard.h"
#include "platform/user/virtual_keys.h"
#include "tests/library/list_view_test_support.h"

namespace velko_test {
namespace {

TEST(ListViewColors, KeywordsAndHexColours) {
  EXPECT_EQ(TAdvListView::ColorByName("clred"), clRed);
  EXPECT_EQ(TAdvListView::ColorByName("clmaroon"), clMaroon);
  EXPECT_EQ(TAdvListView::ColorByName("clbackground"), SystemColor(COLOR_BACKGROUND));
  EXPECT_EQ(TAdvListView::ColorByName("clinfobk"), SystemColor(COLOR_INFOBK));
  EXPECT_EQ(TAdvListView::ColorByName("clorange"), clBlack);
  EXPECT_EQ(TAdvListView::ColorByName("clRed"), clBlack);  // matched exactly, in lower case
  EXPECT_EQ(TAdvListView::HexColor("#FF0000"), static_cast<TColor>(0x0000FF));
  EXPECT_EQ(TAdvListView::HexColor("#00ff80"), static_cast<TColor>(0x80FF00));
  EXPECT_EQ(TAdvListView::HexColor("#12345"), clBlack);
  EXPECT_EQ(TAdvListView::HexColor("#GG0000"), clBlack);
}

TEST(ListViewMarkup, TagsBecomeStyledRunsAndAnchors) {
  TColor body = clNone;
  const auto runs = ParseMarkup(
      "<BODY bgcolor=\"clyellow\">Hi <b>bold</b> <A href=\"http://x.example/\">link</A><br><font color=\"#0000FF\" "
      "size=\"big\">blue</font><i>it</I><hr>",
      clBlack, clBlue, &body);
  EXPECT_EQ(body, clYellow);
  std::vector<std::string> words;
  for (const auto& p : runs) words.push_back(p.kind == TMarkupRun::rkText ? p.text : "#" + std::to_string(p.kind));
  EXPECT_EQ(words, (std::vector<std::string>{"Hi ", "bold", " ", "link", "#1", "blue", "it", "#2"}));
  EXPECT_TRUE(runs[1].style.Contains(fsBold));
  EXPECT_FALSE(runs[2].style.Contains(fsBold));
  EXPECT_EQ(runs[3].anchor, "http://x.example/");
  EXPECT_EQ(runs[3].color, clBlue);
  EXPECT_TRUE(runs[3].style.Contains(fsUnderline));
  EXPECT_EQ(runs[5].color, static_cast<TColor>(0xFF0000));
  EXPECT_EQ(runs[5].size, 0);  // a size that is no number is ignored
  EXPECT_TRUE(runs[6].style.Contains(fsItalic));
  EXPECT_EQ(runs[6].color, clBlack);  // </font> restored the colour

  // Unclosed tags and quotes stay inside the text.
  for (const char* text : {"<", "a<b", "<a href=\"x>", "<font color=\"", "</", "<>", "<font size=\"12\">x"}) {
    EXPECT_NO_THROW(ParseMarkup(text, clBlack, clBlue)) << text;
  }
  EXPECT_EQ(ParseMarkup("<font size=\"12\">x", clBlack, clBlue).back().size, 12);
}

TEST(ListViewRichText, PlainTextOfRtf) {
  EXPECT_EQ(RtfPlainText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                         "\\f0\\cf1 Red\\cf0  and \\b bold\\b0\\par next \\{x\\} caf\\'e9}"),
            "Red and bold next {x} caf\u00e9");
  EXPECT_EQ(RtfPlainText("{\\rtf1{\\*\\generator Writer;}text}"), "text");
  EXPECT_EQ(RtfPlainText("{\\"), "");
}

TEST(ListViewDates, UsAndEuNotations) {
  EXPECT_EQ(ParseDateEU("01-02-03"), EncodeDate(2003, 2, 1));
  EXPECT_EQ(ParseDateUS("01-02-03"), EncodeDate(2003, 1, 2));
  EXPECT_EQ(ParseDateEU("31/12/99"), EncodeDate(1999, 12, 31));
  EXPECT_EQ(ParseDateEU("1.2.25"), EncodeDate(2025, 2, 1));
  EXPECT_EQ(ParseDateEU("1.2.26"), EncodeDate(1926, 2, 1));
  EXPECT_EQ(ParseDateEU("1.2.1850"), EncodeDate(1850, 2, 1));  // only years below 100 get a century
  EXPECT_EQ(ParseDateEU("31-02-03"), 0);
  EXPECT_EQ(ParseDateEU("1-2"), 0);
  EXPECT_EQ(ParseDateEU("a-b-c"), 0);
  EXPECT_EQ(ParseDateEU(""), 0);
}

class ListViewExtrasTest : public AdvListViewTest {
 protected:
  void SetUp() override {
    AdvListViewTest::SetUp();
    list->Columns()->Add()->SetCaption("Name");
    list->Columns()->Add()->SetCaption("Size");
  }
};

TEST_F(ListViewExtrasTest, MarkupPicturesFromBitmapFiles) {
  TBitmap picture;
  picture.SetWidth(6);
  picture.SetHeight(6);
  picture.Canvas()->Brush()->SetColor(clRed);
  picture.Canvas()->FillRect(TRect{0, 0, 6, 6});
  picture.SaveToFile(Path("pic.bmp"));
  TBitmap target;
  target.SetWidth(100);
  target.SetHeight(20);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(TRect{0, 0, 100, 20});
  const TSize size = list->DrawMarkup(target.Canvas(), TRect{0, 0, 100, 20},
                                      "<img src=\"file://T:\\missing.bmp\"><img src=\"idx:0\">"
                                      "<IMG src=\"file://T:\\pic.bmp\"><b>x</b>",
                                      true);
  EXPECT_EQ(target.Canvas()->Pixels(2, 2), clRed);  // the only picture that exists comes first
  EXPECT_EQ(target.Canvas()->Pixels(5, 5), clRed);
  EXPECT_GT(size.cx, 6);

  // Shell icons take their place: 16 pixels for the small ones.
  platform::SetProgramPath((ProgramFolder() / "velko").string());
  target.Canvas()->FillRect(TRect{0, 0, 100, 20});
  const TSize with_icon = list->DrawMarkup(target.Canvas(), TRect{0, 0, 100, 20},
                                           "<img src=\"ssys:T:\\pic.bmp\">x", true);
  int drawn = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) drawn += target.Canvas()->Pixels(x, y) != clWhite;
  }
  EXPECT_GT(drawn, 20);
  EXPECT_GT(with_icon.cx, 16);
  platform::SetProgramPath("");
}

TEST_F(ListViewExtrasTest, CellTexts) {
  Add("a", {"1"});
  EXPECT_EQ(list->CellText(0, 0), "a");
  EXPECT_EQ(list->CellText(1, 0), "1");
  EXPECT_EQ(list->CellText(3, 0), "");
  EXPECT_EQ(list->CellText(1, -1), "Size");
  list->SetCellText(3, 0, "x");
  EXPECT_EQ(Rows(), (ListRows{{"a", "1", "", "x"}}));
  list->SetCellText(0, 0, "b");
  EXPECT_EQ(list->Items()->Item(0)->Caption(), "b");
}

TEST_F(ListViewExtrasTest, SortStylesDirectionsAndTheVeto) {
  list->Columns()->Add()->SetCaption("Date");
  Add("b", {"10 KB", "02-01-03"});
  Add("a", {"9 KB", "01-02-03"});
  Add("c", {"", ""});
  Add("D", {"11 KB", "10-10-99"});
  int style = 2;
  list->OnGetFormat = [&](TObject*, int, TSortStyle& s, String&, String& suffix) {
    s = style;
    suffix = " KB";
  };
  // Each style by its column, ascending; an empty number or date counts 0.
  const struct {
    int style, column;
    std::vector<String> order;
  } cases[] = {{2, 1, {"c", "a", "b", "D"}},
               {4, 0, {"a", "b", "c", "D"}},
               {1, 0, {"D", "a", "b", "c"}},
               {6, 2, {"c", "D", "b", "a"}},
               {7, 2, {"c", "D", "a", "b"}}};
  for (const auto& c : cases) {
    style = c.style;
    list->Sort(c.column);
    EXPECT_EQ(Column(0), c.order) << "style " << c.style;
  }

  // A click on the sort column again sorts the other way.
  list->SortShow = true;
  style = 2;
  std::vector<int> done;
  list->OnSortDone = [&](TObject*, int column) { done.push_back(column); };
  list->ClickColumn(1);
  EXPECT_EQ(Column(0), (std::vector<String>{"c", "a", "b", "D"}));
  list->ClickColumn(1);
  EXPECT_EQ(list->SortDirection(), sdDescending);
  EXPECT_EQ(Column(0), (std::vector<String>{"D", "b", "a", "c"}));
  EXPECT_EQ(done, (std::vector<int>{1, 1}));

  // A vetoed sort changes nothing and is not done.
  list->OnSortStart = [](TObject*, int, bool& enable) { enable = false; };
  list->ClickColumn(0);
  EXPECT_EQ(Column(0), (std::vector<String>{"D", "b", "a", "c"}));
  EXPECT_EQ(done.size(), 2u);

  // Comparisons that make no order keep every row.
  list->OnSortStart = nullptr;
  for (int s : {0, 8}) {
    style = s;
    int calls = 0;
    list->OnCustomCompare = [&](TObject*, int, const String&, const String&, int& res) { res = ++calls % 3 - 1; };
    list->Sort(0);
    auto names = Column(0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<String>{"D", "a", "b", "c"}));
  }
}

TEST_F(ListViewExtrasTest, MoveItemKeepsSelectionAndFocus) {
  Add("a", {"1"});
  Add("b", {"2"});
  Add("c", {"3"});
  list->Items()->Item(0)->SetSelected(true);
  list->SetItemHeight(20);
  list->MoveItem(0, 3);
  EXPECT_EQ(Rows(), (ListRows{{"b", "2"}, {"c", "3"}, {"a", "1"}}));
  EXPECT_TRUE(list->Items()->Item(2)->Selected());
  EXPECT_TRUE(list->Items()->Item(2)->Focused());
  EXPECT_EQ(list->ItemHeight(), 13);
}

TEST_F(ListViewExtrasTest, ColumnWidthsGoToTheIniFileOnlyWithASection) {
  list->Columns()->Items(0)->SetWidth(120);
  list->ColumnSize()->Save = true;
  list->ColumnSize()->Key = Path("cols.ini");
  list->SaveColumnSizes();
  EXPECT_EQ(Contents("cols.ini"), "");
  list->ColumnSize()->Section = "List";
  list->SaveColumnSizes();
  TIniFile ini(Path("cols.ini"));
  EXPECT_EQ(ini.ReadInteger("List", "col0", 0), 120);
  EXPECT_EQ(ini.ReadInteger("List", "col1", 0), 50);
}

TEST_F(ListViewExtrasTest, RowsThroughTheClipboard) {
  Add("a", {"1"});
  Add("b", {"2"});
  Add("c", {"3"});
  list->SetMultiSelect(true);
  list->Items()->Item(0)->SetSelected(true);
  list->Items()->Item(2)->SetSelected(true);
  list->ClipboardEnable = true;
  list->Key('C', {ssCtrl});
  EXPECT_EQ(Clipboard()->AsText(), "a\t1\r\nc\t3\r\n");

  // Paste: lines at CR LF, LF or CR; a third field adds a column.
  Clipboard()->SetAsText("d\t4\te\r\nf\ng\rh\t5\r\n");
  list->Key(VK_INSERT, {ssShift});
  EXPECT_EQ(Column(0), (std::vector<String>{"a", "b", "c", "d", "f", "g", "h"}));
  EXPECT_EQ(list->Columns()->Count(), 3);
  EXPECT_EQ(list->CellText(2, 3), "e");
  EXPECT_TRUE(list->Items()->Item(6)->Selected());
  EXPECT_TRUE(list->Items()->Item(6)->Focused());
  // As in a list file, a line adds at most 256 columns; its fields stay.
  String wide = "w";
  for (int i = 0; i < 1000; ++i) wide += "\tf";
  list->PasteText(wide);
  EXPECT_EQ(list->Columns()->Count(), 3 + MaxColumnsAddedPerLine);
  EXPECT_EQ(list->Items()->Item(7)->SubItems()->Count(), 1000);
  list->Items()->Delete(7);

  // Cut deletes only what it could copy: with the clipboard held elsewhere
  // nothing goes.
  for (int i = 0; i < list->Items()->Count(); ++i) list->Items()->Item(i)->SetSelected(i == 1);
  std::promise<void> opened, release;
  std::thread holder([&] {
    OpenClipboard(nullptr);
    opened.set_value();
    release.get_future().wait();
    CloseClipboard();
  });
  opened.get_future().wait();
  list->Key('X', {ssCtrl});
  EXPECT_EQ(list->Items()->Count(), 7);
  release.set_value();
  holder.join();
  list->Key('X', {ssCtrl});
  EXPECT_EQ(list->Items()->Count(), 6);
  EXPECT_EQ(Clipboard()->AsText(), "b\t2\r\n");
}

}  // namespace
}  // namespace velko_test
