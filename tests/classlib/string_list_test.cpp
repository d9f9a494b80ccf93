#include "classlib/Strings.h"

#include <gtest/gtest.h>

#include <vector>

#include "classlib/Exceptions.h"
#include "classlib/Streams.h"
#include "tests/classlib/raised.h"

namespace {

using velko_test::RaisedMessage;

std::vector<String> Lines(const TStrings& list) {
  std::vector<String> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

TEST(StringList, SortedWithDuplicatesIgnored) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Duplicates, dupIgnore);
  EXPECT_EQ(list.Add("pear"), 0);
  EXPECT_EQ(list.Add("apple"), 0);
  EXPECT_EQ(list.Add("Melon"), 1);
  // An equal string (ignoring case) is not added; its index comes back.
  EXPECT_EQ(list.Add("APPLE"), 0);
  EXPECT_EQ(list.Add("pear"), 2);
  EXPECT_EQ(Lines(list), (std::vector<String>{"apple", "Melon", "pear"}));
  EXPECT_EQ(list.IndexOf("MELON"), 1);
  EXPECT_EQ(list.IndexOf("kiwi"), -1);
  int index = -1;
  EXPECT_FALSE(list.Find("banana", index));
  EXPECT_EQ(index, 1);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "x"), EStringListError);
}

TEST(StringList, SortedWithDuplicatesAcceptedOrRefused) {
  TStringList accept;
  accept.Duplicates = dupAccept;
  accept.SetSorted(true);
  accept.Add("b");
  accept.Add("a");
  accept.Add("b");
  EXPECT_EQ(Lines(accept), (std::vector<String>{"a", "b", "b"}));
  TStringList refuse;
  refuse.Duplicates = dupError;
  refuse.SetSorted(true);
  refuse.Add("b");
  EXPECT_EQ(RaisedMessage<EStringListError>([&] { refuse.Add("B"); }), "String list does not allow duplicates");
  EXPECT_EQ(refuse.Count(), 1);
}

TEST(StringList, SortingAnExistingListAndCaseSensitivity) {
  TStringList list;
  for (const char* s : {"delta", "Alpha", "charlie", "bravo", "alpha"}) list.Add(s);
  list.SetSorted(true);
  ASSERT_EQ(list.Count(), 5);  // sorting keeps what was there
  EXPECT_EQ(list[2], "bravo");
  list.SetCaseSensitive(true);
  // Case-sensitive order puts lower case before upper case of one letter.
  EXPECT_EQ(Lines(list), (std::vector<String>{"alpha", "Alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
  EXPECT_EQ(list.IndexOf("Alpha"), 1);
}

TEST(StringList, CustomSortUsesTheComparison) {
  TStringList list;
  for (const char* s : {"10", "9", "100", "1"}) list.Add(s);
  list.CustomSort([](TStringList* l, int a, int b) { return std::stoi(l->Get(a)) - std::stoi(l->Get(b)); });
  EXPECT_EQ(Lines(list), (std::vector<String>{"1", "9", "10", "100"}));
}

TEST(StringList, CommaTextRoundTripWithCommasSpacesAndQuotes) {
  TStringList list;
  list.Add("plain");
  list.Add("with space");
  list.Add("a,b");
  list.Add("say \"hi\"");
  list.Add("");
  list.Add("tab\there");
  const String text = list.CommaText();
  EXPECT_EQ(text, "plain,\"with space\",\"a,b\",\"say \"\"hi\"\"\",,\"tab\there\"");
  TStringList back;
  back.SetCommaText(text);
  EXPECT_EQ(Lines(back), Lines(list));
}

TEST(StringList, CommaTextReadingRules) {
  TStringList list;
  list.SetCommaText("a b,c");  // unquoted blanks separate too
  EXPECT_EQ(Lines(list), (std::vector<String>{"a", "b", "c"}));
  list.SetCommaText("  one ,  two  ,three,");  // blanks around commas; a last comma adds ""
  EXPECT_EQ(Lines(list), (std::vector<String>{"one", "two", "three", ""}));
  list.SetCommaText("\"x\"y,z");  // text after a closing quote is a new string
  EXPECT_EQ(Lines(list), (std::vector<String>{"x", "y", "z"}));
  list.SetCommaText("\"open,ended");
  EXPECT_EQ(Lines(list), (std::vector<String>{"open,ended"}));
  list.SetCommaText("a,,b");
  EXPECT_EQ(Lines(list), (std::vector<String>{"a", "", "b"}));
  list.SetCommaText("");
  EXPECT_EQ(list.Count(), 0);
  list.Add("");
  EXPECT_EQ(list.CommaText(), "\"\"");
  list.SetCommaText("\"\"");
  EXPECT_EQ(Lines(list), (std::vector<String>{""}));
}

TEST(StringList, DelimitedTextWithOtherDelimiterAndQuote) {
  TStringList list;
  list.Delimiter = ';';
  list.QuoteChar = '\'';
  list.Add("C:\\Music\\a.mp3");
  list.Add("it's");
  list.Add("x;y");
  list.Add("a,b");
  const String text = list.DelimitedText();
  EXPECT_EQ(text, "C:\\Music\\a.mp3;'it''s';'x;y';a,b");
  TStringList back;
  back.Delimiter = ';';
  back.QuoteChar = '\'';
  back.SetDelimitedText(text);
  EXPECT_EQ(Lines(back), Lines(list));
  // CommaText leaves the list's own delimiter and quote alone.
  EXPECT_EQ(list.CommaText(), "C:\\Music\\a.mp3,it's,x;y,\"a,b\"");
  EXPECT_EQ(list.Delimiter, ';');
  EXPECT_EQ(list.QuoteChar, '\'');
}

TEST(StringList, NamesValuesAndIndexOfName) {
  TStringList list;
  list.Add("Type=7");
  list.Add("ListenPort=6346");
  list.Add("no separator");
  list.Add("Empty=");
  list.Add("IP=1.2.3.4=5");
  EXPECT_EQ(list.IndexOfName("listenport"), 1);
  EXPECT_EQ(list.IndexOfName("no separator"), -1);
  EXPECT_EQ(list.Names(0), "Type");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.Values("LISTENPORT"), "6346");
  EXPECT_EQ(list.Values("IP"), "1.2.3.4=5");
  EXPECT_EQ(list.Values("Empty"), "");
  EXPECT_EQ(list.Values("Missing"), "");
  EXPECT_EQ(list.ValueFromIndex(4), "1.2.3.4=5");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  list.SetValues("Type", "8");
  EXPECT_EQ(list[0], "Type=8");
  list.SetValues("New", "x");
  EXPECT_EQ(list[5], "New=x");
  list.SetValues("Type", "");  // an empty value deletes the line
  EXPECT_EQ(list.IndexOfName("Type"), -1);
  EXPECT_EQ(list.Count(), 5);
  list.NameValueSeparator = ':';
  list.Add("Host: example");
  EXPECT_EQ(list.Values("host"), " example");
}

TEST(StringList, TextSplitsAtEveryLineEnd) {
  TStringList list;
  list.SetText("one\r\ntwo\nthree\rfour\n\rfive\r\n");
  EXPECT_EQ(Lines(list), (std::vector<String>{"one", "two", "three", "four", "", "five"}));
  EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n\r\nfive\r\n");
  list.SetText("a\nb");
  EXPECT_EQ(list.Text(), "a\r\nb\r\n");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(StringList, ObjectsTravelWithTheirStrings) {
  TObject first, second;
  TStringList list;
  list.AddObject("b", &first);
  list.AddObject("a", &second);
  list.Sort();
  EXPECT_EQ(list.Objects(0), &second);
  EXPECT_EQ(list.IndexOfObject(&first), 1);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Objects(0), &first);
  list.Move(0, 1);
  EXPECT_EQ(list.Objects(1), &first);
  EXPECT_EQ(list[1], "b");
}

TEST(StringList, ChangeEventsComeOnceAfterAnUpdate) {
  TStringList list;
  int changes = 0, changings = 0;
  list.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  list.OnChanging = [&](TObject*) { ++changings; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(changings, 1);
  list.BeginUpdate();
  list.Add("b");
  list.Add("c");
  list.Delete(0);
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(changings, 2);
  list.SetCommaText("x,y,z");
  EXPECT_EQ(changes, 3);
}

TEST(StringList, AssignCopiesLinesObjectsAndTextSettings) {
  TStringList source;
  TObject o;
  source.Delimiter = '|';
  source.AddObject("one", &o);
  source.Add("two");
  TStringList dest;
  dest.Add("old");
  dest.Assign(&source);
  EXPECT_EQ(Lines(dest), (std::vector<String>{"one", "two"}));
  EXPECT_EQ(dest.Objects(0), &o);
  EXPECT_EQ(dest.Delimiter, '|');
  EXPECT_TRUE(dest.Equals(&source));
  dest.Add("three");
  EXPECT_FALSE(dest.Equals(&source));
}

TEST(StringList, IndexErrorsAndOwnedObjects) {
  TStringList list;
  EXPECT_THROW(list.Get(0), EStringListError);
  EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Delete(3); }), "List index out of bounds (3)");
  class Flag : public TObject {
   public:
    explicit Flag(int* n) : n_(n) {}
    ~Flag() override { ++*n_; }
    int* n_;
  };
  int deleted = 0;
  {
    TStringList owning;
    owning.OwnsObjects = true;
    owning.AddObject("a", new Flag(&deleted));
    owning.AddObject("b", new Flag(&deleted));
    owning.Delete(0);
    EXPECT_EQ(deleted, 1);
  }
  EXPECT_EQ(deleted, 2);
}

TEST(StringList, StreamsInAndOut) {
  TStringList list;
  list.Add("first");
  list.Add("second");
  TMemoryStream stream;
  list.SaveToStream(&stream);
  EXPECT_EQ(stream.Size(), 15);
  stream.SetPosition(6);  // loading reads from the position on
  TStringList back;
  back.LoadFromStream(&stream);
  // "first\r\n" is 7 bytes: from 6 on the text is "\nsecond\r\n".
  EXPECT_EQ(Lines(back), (std::vector<String>{"", "second"}));
}

}  // namespace
