#include "tags/TextCodec.h"

#include <gtest/gtest.h>

namespace tags {
namespace {

TEST(TextCodec, Windows1252BytesBecomeTheirCharacters) {
  EXPECT_EQ(Windows1252ToUtf8("Caf\xE9 \x80 \x93quoted\x94"), "Café € “quoted”");
  EXPECT_EQ(Windows1252ToUtf8("\x9F\xFF"), "Ÿÿ");
}

TEST(TextCodec, Windows1252RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
}

TEST(TextCodec, Latin1AndUtf16ToUtf8) {
  EXPECT_EQ(Latin1ToUtf8("\x80\xE9"), "\xC2\x80" "é");
  EXPECT_EQ(Utf16ToUtf8(u"Zoë \u00FF \U0001F600"), "Zoë ÿ 😀");
  const char16_t lone[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(lone, 3)), "a?b");
}

TEST(TextCodec, FirstCharactersNeverCutsACharacter) {
  EXPECT_EQ(FirstCharacters("héllo", 2), "hé");
  EXPECT_EQ(FirstCharacters("日本語", 2), "日本");
  EXPECT_EQ(FirstCharacters("ab", 5), "ab");
  EXPECT_EQ(FirstCharacters("a\xE9z", 2), "a\xE9");
}

TEST(TextCodec, TrimmingRemovesControlsZerosAndSpaces) {
  EXPECT_EQ(TrimBlanks(std::string_view("\0 \tab c\x01 \0", 9)), "ab c");
  EXPECT_EQ(TrimRightBlanks("  ab  "), "  ab");
  EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(TextCodec, DecimalNumbers) {
  EXPECT_EQ(DecimalOrDefault("12", -1), 12);
  EXPECT_EQ(DecimalOrDefault("-7", 0), -7);
  EXPECT_EQ(DecimalOrDefault("+3", 0), 3);
  EXPECT_EQ(DecimalOrDefault("2147483647", 0), 2147483647);
  EXPECT_EQ(DecimalOrDefault("-2147483648", 0), -2147483647 - 1);
  EXPECT_EQ(DecimalOrDefault("2147483648", 0), 0);
  EXPECT_EQ(DecimalOrDefault("99999999999999999999", 5), 5);
  EXPECT_EQ(DecimalOrDefault("", 5), 5);
  EXPECT_EQ(DecimalOrDefault("-", 5), 5);
  EXPECT_EQ(DecimalOrDefault("3 ", 5), 5);
  EXPECT_EQ(DecimalOrDefault("x", 5), 5);
}

}  // namespace
}  // namespace tags
