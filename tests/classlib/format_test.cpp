// Format, FormatFloat, FloatToStr, StrToFloat and Round on the class
// library's documented examples.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/MathRoutines.h"
#include "tests/classlib/raised.h"

namespace {

using velko_test::RaisedMessage;

TEST(Format, IntegersWithWidthPrecisionAndAlignment) {
  EXPECT_EQ(Format("%d", 123), "123");
  EXPECT_EQ(Format("%d", -123), "-123");
  EXPECT_EQ(Format("%5d|", 42), "   42|");
  EXPECT_EQ(Format("%-5d|", 42), "42   |");
  EXPECT_EQ(Format("%.4d", 42), "0042");
  EXPECT_EQ(Format("%.4d", -42), "-0042");
  EXPECT_EQ(Format("%6.3d", 7), "   007");
  EXPECT_EQ(Format("%d", std::int64_t{-9000000000}), "-9000000000");
  EXPECT_EQ(Format("%u", 4000000000u), "4000000000");
  EXPECT_EQ(Format("%u", -1), "4294967295");
}

TEST(Format, HexadecimalIsUpperCaseAndShowsTheTypesWidth) {
  EXPECT_EQ(Format("%x", 255), "FF");
  EXPECT_EQ(Format("%.4x", 255), "00FF");
  EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
  EXPECT_EQ(Format("%x", std::int64_t{-1}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%X", 48879), "BEEF");
}

TEST(Format, FixedAndGeneralAndScientific) {
  EXPECT_EQ(Format("%f", 3.14159), "3.14");
  EXPECT_EQ(Format("%.1f", 2.25), "2.3");  // decimal halves go away from zero
  EXPECT_EQ(Format("%.0f", 0.5), "1");
  EXPECT_EQ(Format("%.3f", -1.0), "-1.000");
  EXPECT_EQ(Format("%1.1f", 12.345), "12.3");
  EXPECT_EQ(Format("%8.2f|", 3.14159), "    3.14|");
  EXPECT_EQ(Format("%g", 0.1 + 0.2), "0.3");
  EXPECT_EQ(Format("%g", 1234.5), "1234.5");
  EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", -0.000123456), "-1.23E-004");
  EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%m", 1234.5), "$1,234.50");
  EXPECT_EQ(Format("%m", -1234.5), "($1,234.50)");
}

TEST(Format, StringsCharactersPointersAndPercent) {
  EXPECT_EQ(Format("%s and %s", "one", String("two")), "one and two");
  EXPECT_EQ(Format("[%5s][%-5s]", "ab", "ab"), "[   ab][ab   ]");
  EXPECT_EQ(Format("%.2s", "abcdef"), "ab");
  EXPECT_EQ(Format("%s", 'x'), "x");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%p", reinterpret_cast<const void*>(0xABC)), "0000000000000ABC");
}

TEST(Format, StarTakesWidthAndPrecisionFromTheArguments) {
  EXPECT_EQ(Format("%*d", 5, 42), "   42");
  EXPECT_EQ(Format("%-*d|", 4, 7), "7   |");
  EXPECT_EQ(Format("%.*f", 3, 1.0), "1.000");
  EXPECT_EQ(Format("%*.*f", 8, 1, 2.0), "     2.0");
}

TEST(Format, IndexSpecifiersPickArgumentsAndContinueFromThere) {
  EXPECT_EQ(Format("%1:s %0:s", "world", "hello"), "hello world");
  EXPECT_EQ(Format("%0:s-%s-%0:s", {"a", "b"}), "a-b-a");
  EXPECT_EQ(Format("%d %d %0:d %d", {1, 2}), "1 2 1 2");
}

TEST(Format, WrongOrMissingArgumentsRaiseConvertErrors) {
  EXPECT_THROW(Format("%d", "text"), EConvertError);
  EXPECT_THROW(Format("%s", 12), EConvertError);
  EXPECT_THROW(Format("%f", 12), EConvertError);
  EXPECT_THROW(Format("%d %d", 1), EConvertError);
  EXPECT_THROW(Format("%q", 1), EConvertError);
  EXPECT_THROW(Format("%", 1), EConvertError);
  EXPECT_EQ(RaisedMessage<EConvertError>([] { Format("%d", "x"); }),
            "Format '%d' invalid or incompatible with argument");
}

// The documented FormatFloat table: each picture applied to 1234, -1234,
// 0.5 and 0.
struct PictureRow {
  const char* picture;
  const char* positive;
  const char* negative;
  const char* half;
  const char* zero;
};

class FormatFloatTable : public ::testing::TestWithParam<PictureRow> {};

TEST_P(FormatFloatTable, GivesTheDocumentedText) {
  const PictureRow& row = GetParam();
  EXPECT_EQ(FormatFloat(row.picture, 1234), row.positive) << row.picture;
  EXPECT_EQ(FormatFloat(row.picture, -1234), row.negative) << row.picture;
  EXPECT_EQ(FormatFloat(row.picture, 0.5), row.half) << row.picture;
  EXPECT_EQ(FormatFloat(row.picture, 0), row.zero) << row.picture;
}

INSTANTIATE_TEST_SUITE_P(
    Documented, FormatFloatTable,
    ::testing::Values(PictureRow{"", "1234", "-1234", "0.5", "0"}, PictureRow{"0", "1234", "-1234", "1", "0"},
                      PictureRow{"0.00", "1234.00", "-1234.00", "0.50", "0.00"},
                      PictureRow{"#.##", "1234", "-1234", ".5", ""},
                      PictureRow{"#,##0.00", "1,234.00", "-1,234.00", "0.50", "0.00"},
                      PictureRow{"#,##0.00;(#,##0.00)", "1,234.00", "(1,234.00)", "0.50", "0.00"},
                      PictureRow{"#,##0.00;;Zero", "1,234.00", "-1,234.00", "0.50", "Zero"},
                      PictureRow{"0.000E+00", "1.234E+03", "-1.234E+03", "5.000E-01", "0.000E+00"},
                      PictureRow{"#.###E-0", "1.234E3", "-1.234E3", "5E-1", "0E0"}));

TEST(FormatFloat, LiteralsRoundingAndZeroAfterRounding) {
  EXPECT_EQ(FormatFloat("0.00 \"B/S\"", 1536.256), "1536.26 B/S");
  EXPECT_EQ(FormatFloat("'x='0.0", 2.25), "x=2.3");
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");  // no "-0.00"
  EXPECT_EQ(FormatFloat("0.0;-0.0;nothing", -0.01), "nothing");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("#,##0", 1234567), "1,234,567");
  EXPECT_EQ(FormatFloat("0.0#", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("0.0#", 1.256), "1.26");
}

TEST(FloatToStr, FifteenSignificantDigitsAndTheScientificThresholds) {
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(-2), "-2");
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(2.0 / 3.0), "0.666666666666667");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
}

TEST(FloatToStrF, EachFormat) {
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 1), "1,234.6");
  EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 4, 0), "1235");
  EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 3, 0), "1.23E3");
  EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 2), "($5.00)");
}

TEST(StrToFloat, ReadsDecimalTextAndRefusesTheRest) {
  EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloat("  -2.5e3 "), -2500);
  EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
  EXPECT_DOUBLE_EQ(StrToFloat("7."), 7);
  EXPECT_THROW(StrToFloat(""), EConvertError);
  EXPECT_THROW(StrToFloat("1,5"), EConvertError);
  EXPECT_THROW(StrToFloat("1e"), EConvertError);
  EXPECT_THROW(StrToFloat("abc"), EConvertError);
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", 9.5), 9.5);
  EXPECT_EQ(RaisedMessage<EConvertError>([] { StrToFloat("12a"); }), "'12a' is not a valid floating point value");
}

TEST(Round, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-3.5), -4);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Round(-0.4), 0);
  EXPECT_EQ(Round(1e12 + 0.5), 1000000000000);
  EXPECT_THROW(Round(1e30), EInvalidOp);
  EXPECT_THROW(Round(std::nan("")), EInvalidOp);
}

TEST(Trunc, CutsTowardsZero) {
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_DOUBLE_EQ(Frac(-2.25), -0.25);
  EXPECT_DOUBLE_EQ(Int(-2.75), -2);
}

TEST(MulDiv, RoundsToTheNearestAndGivesMinusOneForADivisorOfZero) {
  EXPECT_EQ(MulDiv(10, 10, 3), 33);
  EXPECT_EQ(MulDiv(10, 10, 6), 17);  // 16.67
  EXPECT_EQ(MulDiv(1, 1, 2), 1);     // half away from zero
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);
  EXPECT_EQ(MulDiv(5, -7, 2), -18);  // -17.5
  EXPECT_EQ(MulDiv(100000, 100000, 10), 1000000000);
  EXPECT_EQ(MulDiv(3, 4, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2000000000, 1), -1);
}

TEST(Random, FollowsTheClassLibraryGenerator) {
  RandSeed = 0;
  // 0 * 134775813 + 1 = 1; (1 * 10) >> 32 = 0.
  EXPECT_EQ(Random(10), 0);
  EXPECT_EQ(RandSeed, 1);
  // 1 * 134775813 + 1 = 134775814; (134775814 * 10) >> 32 = 0.
  EXPECT_EQ(Random(10), 0);
  EXPECT_EQ(RandSeed, 134775814);
  // 134775814 * 134775813 + 1 mod 2^32 = 3698175007 (as a signed seed,
  // -596792289); (3698175007 * 1000) >> 32 = 861.
  EXPECT_EQ(Random(1000), 861);
  RandSeed = 12345;
  const std::int32_t seed = RandSeed;
  const int first = Random(100);
  RandSeed = seed;
  EXPECT_EQ(Random(100), first);
  for (int i = 0; i < 1000; ++i) {
    const int r = Random(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
    const double f = Random();
    ASSERT_GE(f, 0.0);
    ASSERT_LT(f, 1.0);
  }
  EXPECT_EQ(Random(0), 0);
}

}  // namespace
