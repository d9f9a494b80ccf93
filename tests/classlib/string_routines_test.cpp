#include "classlib/StringRoutines.h"

#include <gtest/gtest.h>

#include "classlib/Exceptions.h"
#include "tests/classlib/raised.h"

namespace {

TEST(StringRoutines, CopyCountsFromOneAndClampsLikeTheClassLibrary) {
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");  // an index below 1 counts as 1
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
  // The player's extension test: the three characters after the dot.
  EXPECT_EQ(Copy(".mp3", 2, 3), "mp3");
  EXPECT_EQ(Copy("", 2, 3), "");
}

TEST(StringRoutines, PosDeleteInsert) {
  EXPECT_EQ(Pos("cd", "abcdcd"), 3);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(PosEx("cd", "abcdcd", 4), 5);
  EXPECT_EQ(PosEx("cd", "abcdcd", 6), 0);
  String s = "abcdef";
  Delete(s, 2, 2);
  EXPECT_EQ(s, "adef");
  Delete(s, 0, 2);  // outside: nothing
  EXPECT_EQ(s, "adef");
  Delete(s, 3, 100);
  EXPECT_EQ(s, "ad");
  Insert("XY", s, 2);
  EXPECT_EQ(s, "aXYd");
  Insert("!", s, 100);
  EXPECT_EQ(s, "aXYd!");
  Insert("<", s, -5);
  EXPECT_EQ(s, "<aXYd!");
  EXPECT_EQ(LastDelimiter("\\:", "C:\\a\\b.txt"), 5);
  EXPECT_EQ(StringOfChar('-', 3), "---");
}

TEST(StringRoutines, CaseMappingAsciiAndAnsi) {
  EXPECT_EQ(UpperCase("abc\xC3\xA9z"), "ABC\xC3\xA9Z");  // é stays in UpperCase
  EXPECT_EQ(AnsiUpperCase("abc\xC3\xA9z"), "ABC\xC3\x89Z");  // ...and becomes É here
  EXPECT_EQ(AnsiLowerCase("\xC3\x89T\xC3\x89"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(LowerCase("MiXeD"), "mixed");
  // A byte that is not UTF-8 passes through unchanged.
  EXPECT_EQ(AnsiUpperCase("a\xFF" "b"), "A\xFF" "B");
}

TEST(StringRoutines, Comparisons) {
  EXPECT_LT(CompareStr("B", "a"), 0);  // ordinal
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_TRUE(SameText("Velko", "VELKO"));
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(AnsiCompareStr("a", "B"), 0);  // the code page's collation
  EXPECT_LT(AnsiCompareStr("a", "A"), 0);  // lower case first
  EXPECT_LT(AnsiCompareStr("A", "b"), 0);
  EXPECT_EQ(AnsiCompareText("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"), 0);
  EXPECT_LT(AnsiCompareText("abc", "abcd"), 0);
  EXPECT_TRUE(AnsiStartsText("HTTP://", "http://host/"));
  EXPECT_TRUE(AnsiEndsText(".WAV", "ok.wav"));
  EXPECT_FALSE(AnsiEndsText(".WAV", "ok.wave"));
  EXPECT_TRUE(AnsiContainsText("Gnutella Servent", "SERV"));
}

TEST(StringRoutines, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t ab c \r\n"), "ab c");
  EXPECT_EQ(TrimLeft("  ab "), "ab ");
  EXPECT_EQ(TrimRight("  ab \x01"), "  ab");
  EXPECT_EQ(Trim("   "), "");
}

TEST(StringRoutines, StringReplace) {
  EXPECT_EQ(StringReplace("a.b.c", ".", "\\", {rfReplaceAll}), "a\\b\\c");
  EXPECT_EQ(StringReplace("a.b.c", ".", "\\", {}), "a\\b.c");
  EXPECT_EQ(StringReplace("Hello hello", "HELLO", "bye", {rfReplaceAll, rfIgnoreCase}), "bye bye");
  EXPECT_EQ(StringReplace("\\\\\\", "\\\\", "\\", {rfReplaceAll}), "\\\\");
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
}

TEST(StringRoutines, Quoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(AnsiDequotedStr("\"a\"\"b\"", '"'), "a\"b");
  EXPECT_EQ(AnsiDequotedStr("plain", '"'), "plain");
  EXPECT_EQ(AnsiDequotedStr("\"open", '"'), "\"open");
  const String text = "\"ab\"\"c\"rest";
  const char* p = text.data();
  EXPECT_EQ(AnsiExtractQuotedStr(p, text.data() + text.size(), '"'), "ab\"c");
  EXPECT_EQ(String(p), "rest");
}

TEST(StringRoutines, IntegerText) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(std::int64_t{1} << 40), "1099511627776");
  EXPECT_EQ(IntToStr(4000000000u), "4000000000");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(std::int16_t{-1}, 2), "FFFF");
  EXPECT_EQ(IntToHex(0x1234567890ull, 2), "1234567890");
}

TEST(StringRoutines, StrToIntReadsDecimalAndHexAndRaisesConvertError) {
  EXPECT_EQ(StrToInt("123"), 123);
  EXPECT_EQ(StrToInt("  -77"), -77);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_THROW(StrToInt("2147483648"), EConvertError);
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_THROW(StrToInt("12 "), EConvertError);
  EXPECT_THROW(StrToInt("1.5"), EConvertError);
  EXPECT_THROW(StrToInt("-"), EConvertError);
  EXPECT_EQ(StrToIntDef("6346x", 6346), 6346);
  EXPECT_EQ(StrToInt64("9000000000"), 9000000000);
  EXPECT_EQ(velko_test::RaisedMessage<EConvertError>([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
}

TEST(StringRoutines, Booleans) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false, true), "False");
  EXPECT_TRUE(StrToBool("true"));
  EXPECT_TRUE(StrToBool("1"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_THROW(StrToBool("maybe"), EConvertError);
  EXPECT_TRUE(StrToBoolDef("maybe", true));
}

}  // namespace
