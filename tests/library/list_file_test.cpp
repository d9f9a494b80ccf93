// The list files of TAdvListView: delimiter detection, the field rules of
// the reader, what the writer puts out, and the old file kept when there is
// nothing to write or the write fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "classlib/AtomicFile.h"
#include "library/alvutil.h"
#include "tests/library/list_view_test_support.h"

namespace velko_test {
namespace {

TEST(AlvUtil, FirstSingleAndCountSingleFindLoneCharacters) {
  struct Case {
    const char* text;
    int first;
    int count;
  } cases[] = {
      {"", 0, 0},          {",", 1, 1},           {",a", 0, 0},         {"a,", 2, 1},
      {"a,b", 2, 1},       {"a,,b", 0, 0},        {"a,,", 3, 1},        {"a,b,c", 2, 2},
      {"song.mp3,C:\\", 9, 1}, {",,", 2, 1},      {"a,b,,c,d", 2, 2},   {"x;y", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstSingle(',', c.text), c.first) << c.text;
    EXPECT_EQ(CountSingle(',', c.text), c.count) << c.text;
  }
}

class ListFileTest : public AdvListViewTest {
 protected:
  void TearDown() override {
    classlib::testing::SetBeforeReplaceHook(nullptr);
    AdvListViewTest::TearDown();
  }
  // A fresh list of `columns` columns.
  void NewList(int columns) {
    list = std::make_unique<TestListView>(nullptr);
    AddColumns(columns);
  }
};

TEST_F(ListFileTest, DetectionTakesTheFirstCandidateThatBothLinesAgreeOn) {
  struct Case {
    const char* text;
    char delimiter;
    ListRows rows;
  } cases[] = {
      {"a.mp3,C:\\m\\\r\nb.mp3,C:\\n\\\r\n", ',', {{"a.mp3", "C:\\m\\"}, {"b.mp3", "C:\\n\\"}}},
      {"a;x\nb;y\n", ';', {{"a", "x"}, {"b", "y"}}},
      {"a,b;c\nd;e,f\n", ',', {{"a", "b;c"}, {"d;e", "f"}}},
      {"a#b|c|d\ne#f|g|h\n", '|', {{"a#b", "c", "d"}, {"e#f", "g", "h"}}},
      {"a\tb\nc\td", '\t', {{"a", "b"}, {"c", "d"}}},
      // One line: nothing to agree on, so the comma is used and not kept.
      {"a;b,c\n", 0, {{"a;b", "c"}}},
      // Lines that disagree for every candidate.
      {"a,b\nc,d,e\n", 0, {{"a", "b"}, {"c", "d", "e"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    NewList(0);
    list->LoadFromFile(Put("list.csv", c.text));
    EXPECT_EQ(list->Delimiter, c.delimiter);
    EXPECT_EQ(Rows(), c.rows);
  }
}

TEST_F(ListFileTest, FieldRulesOfTheReader) {
  struct Case {
    const char* line;
    std::vector<String> row;
  } cases[] = {
      {"a,,b", {"a", "", "b"}},          // two delimiters in a row: an empty sub-item
      {"a,b,", {"a", "b"}},              // a trailing delimiter: none
      {"a,\"x,y\"", {"a", "x,y"}},       // quoted last field
      {"a,\"\"", {"a", ""}},             // two quote marks: an empty field
      {"\"c,d\",e", {"c,d", "e"}},       // quoted caption
      {"a,\"x,y\",z", {"a", "x,y", "z"}},
      {"a,\"x\"\"y\"", {"a", "x\"y"}},    // a doubled quote mark inside quote marks is one
      {"a,b\"c,d", {"a", "b\"c", "d"}},  // a quote mark inside a field is text
      {"", {""}},                        // an empty line: an item with an empty caption
      {"\"only\"", {"only"}},
      // Quote marks that do not close a field before the delimiter or the
      // line end are text: names as earlier copies wrote them.
      {"a,\"", {"a", "\""}},
      {"a,\"open,rest", {"a", "\"open", "rest"}},
      {"\"Live\" at Wembley.mp3,C:\\Music\\", {"\"Live\" at Wembley.mp3", "C:\\Music\\"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    NewList(0);
    list->LoadFromFile(Put("list.csv", String(c.line) + "\r\n"));
    EXPECT_EQ(Rows(), ListRows{c.row});
  }
}

TEST_F(ListFileTest, ColumnsGrowByTheFieldsOfALineAndLoadingAppends) {
  AddColumns(2);
  list->LoadFromFile(Put("three.csv", "a,b,c\r\n"));
  EXPECT_EQ(list->Columns()->Count(), 3);
  EXPECT_EQ(list->Columns()->Items(2)->Caption(), "");
  list->LoadFromFile(Path("three.csv"));
  EXPECT_EQ(Rows(), (ListRows{{"a", "b", "c"}, {"a", "b", "c"}}));

  // A line of many fields adds at most 256 columns; its fields all stay.
  NewList(0);
  String wide = "x";
  for (int i = 0; i < 1000; ++i) wide += ",f";
  list->LoadFromFile(Put("wide.csv", wide + "\n"));
  EXPECT_EQ(list->Columns()->Count(), MaxColumnsAddedPerLine);
  EXPECT_EQ(list->Items()->Item(0)->SubItems()->Count(), 1000);
}

TEST_F(ListFileTest, HeaderLineGivesTheColumnCaptions) {
  list->LoadHeader = true;
  list->Delimiter = ';';
  Add("old", {"row"});
  list->LoadFromFile(Put("head.csv", "Name;\"Folder;Path\";Size\r\nx;y;z\r\n"));
  ASSERT_EQ(list->Columns()->Count(), 3);
  EXPECT_EQ(list->Columns()->Items(0)->Caption(), "Name");
  EXPECT_EQ(list->Columns()->Items(1)->Caption(), "Folder;Path");
  EXPECT_EQ(list->Columns()->Items(2)->Caption(), "Size");
  EXPECT_EQ(Rows(), (ListRows{{"x", "y", "z"}}));
  // NoHeader reads the first line as an item and keeps what is there.
  list->LoadFromFileEx(Path("head.csv"), true);
  EXPECT_EQ(list->Items()->Count(), 3);
}

TEST_F(ListFileTest, WriterPutsCrLfLinesWithEveryFieldQuoted) {
  AddColumns(2);
  Add("Hello, World.mp3", {"C:\\Music, Old\\"});
  Add("say \"hi\", bye.mp3", {"C:\\"});
  Add("lone");
  Add("many", {"a", "b", "c"});  // sub-items beyond the columns are not written
  list->SaveToFile(Path("mp3.csv"));
  EXPECT_EQ(Contents("mp3.csv"),
            "\"Hello, World.mp3\",\"C:\\Music, Old\\\"\r\n"
            "\"say \"\"hi\"\", bye.mp3\",\"C:\\\"\r\n"
            "\"lone\"\r\n"
            "\"many\",\"a\",\"b\"\r\n");
}

// What the program writes reads back row for row, whatever the names hold,
// with the comma of a fresh list and with each delimiter a list may keep
// from an older file; lists of one row and of rows of different lengths
// included.
TEST_F(ListFileTest, EveryNameReadsBackAsItWasWritten) {
  const std::vector<String> names{
      "Concerto #1.mp3", "Bach, JS", "a;b|c", "tab\there", "\"Live\" at Wembley.mp3", "say \"hi\", bye.mp3",
      "\"", "\"\"", "end quote\"", "\xc3\x89tude \xe2\x84\x96 5 \xe6\x97\xa5\xe6\x9c\xac.mp3", " blank ", "",
      "line\nbreak", "cr\rhere", "cr lf\r\n", ",", "#", ";;", "||", "\t", "a,,b", "x\"\"\"y"};
  std::vector<ListRows> lists;
  lists.push_back({{"Concerto #1.mp3", "C:\\Music\\Bach, JS\\"}, {"Prelude.mp3", "C:\\Music\\Bach, JS\\"}});
  for (const String& name : names) {
    lists.push_back({{name, "C:\\Music\\" + name + "\\"}, {"b.mp3", name}});
    lists.push_back({{name, name}});                     // one row
    lists.push_back({{name}, {"x.mp3", name}, {name}});  // rows of different lengths
  }
  for (const char d : {'\0', ',', ';', '#', '\t', '|'}) {
    for (const ListRows& rows : lists) {
      SCOPED_TRACE(testing::Message() << "delimiter " << static_cast<int>(d) << ", first name " << rows[0][0]);
      NewList(2);
      list->Delimiter = d;
      for (const auto& row : rows) Add(row[0], {row.begin() + 1, row.end()});
      list->SaveToFile(Path("mp3.csv"));
      NewList(2);
      list->LoadFromFile(Path("mp3.csv"));
      ASSERT_EQ(Rows(), rows) << Contents("mp3.csv");
    }
  }
}

// A list kept in text order reads a file in the order its own sort gives
// (a stable sort by AnsiCompareStr of the captions): rows added one by one
// and sorted by the list itself are the reference. Captions that differ in
// case only, fold outside ASCII (the Kelvin sign is a "k"), are not UTF-8,
// share long beginnings, or repeat (their rows keep the file's order).
TEST_F(ListFileTest, ASortedListReadsRowsInTheOrderOfItsOwnSort) {
  std::vector<String> captions{"b", "B", "a", "A", "\xc3\xa1", "\xc3\x81", "\xc3\x9f", "ss", "\xe2\x84\xaa", "k",
                               "K", "", "a\x80z", "a\xffz", "Z", "_", "[", "\xc3\xa9.mp3", "E.mp3", "e.mp3",
                               "\xc4\xb0", "i", "I", "dup", "Dup", "dup"};
  for (int i = 0; i < 40; ++i) captions.push_back("Song number " + std::to_string((i * 7) % 40) + (i % 3 ? ".mp3" : ".MP3"));
  String text;
  AddColumns(2);
  list->SetSortType(stText);
  list->Items()->BeginUpdate();
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const String folder = "C:\\" + std::to_string(i) + "\\";
    text += "\"" + captions[i] + "\",\"" + folder + "\"\r\n";
    Add(captions[i], {folder});
  }
  list->Items()->EndUpdate();
  const ListRows expected = Rows();
  NewList(2);
  list->SetSortType(stText);
  list->LoadFromText(text, false);
  EXPECT_EQ(Rows(), expected);
}

TEST_F(ListFileTest, DetectedDelimiterAndHeaderAreKeptForSaves) {
  AddColumns(2);
  list->LoadFromFile(Put("semi.csv", "a;b\r\nc;d\r\n"));
  ASSERT_EQ(list->Delimiter, ';');
  list->Columns()->Items(0)->SetCaption("File");
  list->SaveHeader = true;
  list->SaveToFile(Path("out.csv"));
  EXPECT_EQ(Contents("out.csv"), "\"File\";\"\"\r\n\"a\";\"b\"\r\n\"c\";\"d\"\r\n");
  // A control that never loaded a file writes commas.
  NewList(1);
  Add("", {"x"});
  list->SaveToFile(Path("fresh.csv"));
  EXPECT_EQ(Contents("fresh.csv"), "\"\",\"x\"\r\n");
}

TEST_F(ListFileTest, NothingToWriteOrAFailedWriteLeavesTheOldFile) {
  Put("mp3.csv", "old,file\r\n");
  list->SaveToFile(Path("mp3.csv"));  // no columns, no items
  AddColumns(2);
  list->SaveToFile(Path("mp3.csv"));  // no items
  EXPECT_EQ(Contents("mp3.csv"), "old,file\r\n");

  Add("new", {"row"});
  // The new contents vanish before they replace the old file.
  classlib::testing::SetBeforeReplaceHook([this](const String& temp) {
    std::filesystem::remove(dir_.path() / temp.substr(3));
  });
  EXPECT_THROW(list->SaveToFile(Path("mp3.csv")), EInOutError);
  EXPECT_EQ(Contents("mp3.csv"), "old,file\r\n");
  classlib::testing::SetBeforeReplaceHook(nullptr);
  EXPECT_THROW(list->SaveToFile(Path("missing\\mp3.csv")), EInOutError);
  list->SaveToFile(Path("mp3.csv"));
  EXPECT_EQ(Contents("mp3.csv"), "\"new\",\"row\"\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1) << "a temporary file stayed";
}

TEST_F(ListFileTest, AFileThatCannotBeOpenedRaisesAndChangesNothing) {
  Add("kept");
  try {
    list->LoadFromFile(Path("nowhere.csv"));
    FAIL() << "no exception";
  } catch (const EAdvListViewError& e) {
    EXPECT_EQ(e.Message, "File cannot be opened");
  }
  std::filesystem::create_directory(dir_ / "folder.csv");
  EXPECT_THROW(list->LoadFromFile(Path("folder.csv")), EAdvListViewError);
  EXPECT_EQ(Rows(), (ListRows{{"kept"}}));
  EXPECT_EQ(list->Delimiter, 0);
  // An empty file loads nothing.
  list->LoadFromFile(Put("empty.csv", ""));
  EXPECT_EQ(list->Items()->Count(), 1);
}

}  // namespace
}  // namespace velko_test
