#include "platform/core/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::Utf8BadByte;

constexpr char32_t kRaw = platform::kUtf8RawByteBase;
constexpr char32_t kFFFD = platform::kReplacementCharacter;

struct DecodeCase {
  const char* name;
  std::string text;
  std::u32string own_value;     // Utf8BadByte::kOwnValue
  std::u32string private_range; // Utf8BadByte::kPrivateRange
  std::u32string replacement;   // Utf8BadByte::kReplacement
};

const DecodeCase kCases[] = {
    {"ascii", "Ab~", U"Ab~", U"Ab~", U"Ab~"},
    {"two_three_four_bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5", U"\u00E9\u20AC\U0001F3B5",
     U"\u00E9\u20AC\U0001F3B5", U"\u00E9\u20AC\U0001F3B5"},
    {"stray_continuation", "a\x80z", U"a\x80z", {U'a', kRaw + 0x80, U'z'}, {U'a', kFFFD, U'z'}},
    {"latin1_byte_before_ascii", "\xE9t\xE9", U"\xE9t\xE9", {kRaw + 0xE9, U't', kRaw + 0xE9},
     {kFFFD, U't', kFFFD}},
    {"cut_off_at_end", "x\xE2\x82", U"x\xE2\x82", {U'x', kRaw + 0xE2, kRaw + 0x82}, {U'x', kFFFD, kFFFD}},
    {"invalid_lead", "\xFF\xF8", U"\xFF\xF8", {kRaw + 0xFF, kRaw + 0xF8}, {kFFFD, kFFFD}},
    // Complete in shape but no character: the replacement rule takes the
    // whole sequence, the others keep every byte.
    {"overlong_slash", "\xC0\xAF", U"\xC0\xAF", {kRaw + 0xC0, kRaw + 0xAF}, {kFFFD}},
    {"overlong_three", "\xE0\x80\x80", U"\xE0\x80\x80", {kRaw + 0xE0, kRaw + 0x80, kRaw + 0x80}, {kFFFD}},
    {"surrogate", "\xED\xA0\x80!", U"\xED\xA0\x80!", {kRaw + 0xED, kRaw + 0xA0, kRaw + 0x80, U'!'},
     {kFFFD, U'!'}},
    {"past_last_character", "\xF4\x90\x80\x80", U"\xF4\x90\x80\x80",
     {kRaw + 0xF4, kRaw + 0x90, kRaw + 0x80, kRaw + 0x80}, {kFFFD}},
    {"largest_character", "\xF4\x8F\xBF\xBF", U"\U0010FFFF", U"\U0010FFFF", U"\U0010FFFF"},
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class Utf8Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8Decode, EachBadByteRule) {
  const DecodeCase& c = GetParam();
  EXPECT_EQ(platform::DecodeUtf8Text(c.text, Utf8BadByte::kOwnValue), c.own_value);
  EXPECT_EQ(platform::DecodeUtf8Text(c.text, Utf8BadByte::kPrivateRange), c.private_range);
  EXPECT_EQ(platform::DecodeUtf8Text(c.text, Utf8BadByte::kReplacement), c.replacement);
}

INSTANTIATE_TEST_SUITE_P(Texts, Utf8Decode, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(Utf8, StartsGiveEachCharactersFirstByte) {
  std::vector<std::size_t> starts;
  const std::u32string chars =
      platform::DecodeUtf8Text("a\xC3\xA9\xC0\xAF\x80z", Utf8BadByte::kReplacement, &starts);
  EXPECT_EQ(chars, (std::u32string{U'a', U'\u00E9', kFFFD, kFFFD, U'z'}));
  EXPECT_EQ(starts, (std::vector<std::size_t>{0, 1, 3, 5, 6}));
}

}  // namespace
