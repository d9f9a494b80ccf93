#include "classlib/DateTime.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "classlib/Exceptions.h"
#include "classlib/FormatSettings.h"
#include "tests/classlib/raised.h"

namespace {

using velko_test::RaisedMessage;

// Year, month and day of a date.
std::array<int, 3> Ymd(TDateTime t) {
  int y, m, d;
  DecodeDate(t, y, m, d);
  return {y, m, d};
}

TEST(DateTime, DayNumbersCountFromThe30thOfDecember1899) {
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_DOUBLE_EQ(EncodeDate(1970, 1, 1), 25569);
  EXPECT_DOUBLE_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(Ymd(36526.75), (std::array{2000, 1, 1}));
  EXPECT_EQ(Ymd(EncodeDate(2004, 2, 29)), (std::array{2004, 2, 29}));
}

TEST(DateTime, InvalidPartsRaiseEncodeErrors) {
  EXPECT_THROW(EncodeDate(2003, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2003, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  EXPECT_EQ(RaisedMessage<EConvertError>([] { EncodeDate(2001, 2, 29); }), "Invalid argument to date encode");
}

TEST(DateTime, TimesDecodeToTheNearestMillisecond) {
  int h, n, s, ms;
  DecodeTime(EncodeTime(13, 45, 30, 250), h, n, s, ms);
  EXPECT_EQ(h, 13);
  EXPECT_EQ(n, 45);
  EXPECT_EQ(s, 30);
  EXPECT_EQ(ms, 250);
  // A time a hair below midnight rounds into the next day.
  int y, m, d;
  DecodeDateTime(EncodeDate(2003, 6, 7) + 0.99999999999, y, m, d, h, n, s, ms);
  EXPECT_EQ(d, 8);
  EXPECT_EQ(h, 0);
  // Before day 0 the fraction still counts forwards: -1.25 is 29 December
  // 1899, 06:00.
  DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
}

TEST(DateTime, DayOfWeekIsOneForSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2003, 6, 7)), 7);  // a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2003, 6, 8)), 1);
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 25)), 2);
}

TEST(DateTime, IncMonthClampsTheDay) {
  EXPECT_EQ(Ymd(IncMonth(EncodeDate(2003, 1, 31))), (std::array{2003, 2, 28}));
  EXPECT_EQ(Ymd(IncMonth(EncodeDate(2003, 11, 15), 3)), (std::array{2004, 2, 15}));
  EXPECT_EQ(Ymd(IncMonth(EncodeDate(2003, 1, 15), -1)), (std::array{2002, 12, 15}));
}

TEST(FormatDateTime, TheMeetingExample) {
  // Every character outside the quotes and specifiers is copied, so the
  // blanks and the comma around the quoted parts stay.
  const TDateTime when = StrToDateTime("2/15/95 10:30am");
  EXPECT_EQ(FormatDateTime("\"The meeting is on \" dddd, mmmm d, yyyy, \" at \" hh:mm AM/PM", when),
            "The meeting is on  Wednesday, February 15, 1995,  at  10:30 AM");
  EXPECT_EQ(FormatDateTime("\"The meeting is on\" dddd, mmmm d, yyyy\" at\" hh:mm AM/PM", when),
            "The meeting is on Wednesday, February 15, 1995 at 10:30 AM");
}

TEST(FormatDateTime, EachSpecifier) {
  const TDateTime t = EncodeDate(2003, 6, 7) + EncodeTime(14, 5, 9, 45);
  EXPECT_EQ(FormatDateTime("d dd ddd dddd", t), "7 07 Sat Saturday");
  EXPECT_EQ(FormatDateTime("m mm mmm mmmm", t), "6 06 Jun June");
  EXPECT_EQ(FormatDateTime("yy yyyy", t), "03 2003");
  EXPECT_EQ(FormatDateTime("h hh n nn s ss z zzz", t), "14 14 5 05 9 09 45 045");
  EXPECT_EQ(FormatDateTime("hh:mm:ss", t), "14:05:09");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("h:nn am/pm", t), "2:05 pm");
  EXPECT_EQ(FormatDateTime("h:nn a/p", t), "2:05 p");
  EXPECT_EQ(FormatDateTime("hh AMPM", EncodeTime(0, 30, 0, 0)), "12 AM");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", t), "07/06/2003");
  EXPECT_EQ(FormatDateTime("ddddd", t), "6/7/2003");
  EXPECT_EQ(FormatDateTime("dddddd", t), "Saturday, June 07, 2003");
  EXPECT_EQ(FormatDateTime("t", t), "2:05 PM");
  EXPECT_EQ(FormatDateTime("tt", t), "2:05:09 PM");
  EXPECT_EQ(FormatDateTime("c", t), "6/7/2003 2:05:09 PM");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2003, 6, 7)), "6/7/2003");
  EXPECT_EQ(FormatDateTime("", EncodeDate(2003, 6, 7)), "6/7/2003");
  EXPECT_EQ(FormatDateTime("'yyyy' yyyy", t), "yyyy 2003");
}

TEST(FormatDateTime, SeparatorsComeFromTheSettings) {
  const char saved_date = DateSeparator;
  const char saved_time = TimeSeparator;
  DateSeparator = '.';
  TimeSeparator = '-';
  const TDateTime t = EncodeDate(2003, 6, 7) + EncodeTime(14, 5, 9, 0);
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", t), "07.06.2003 14-05");
  DateSeparator = saved_date;
  TimeSeparator = saved_time;
}

TEST(DateTime, ShortFormsAndReadingThemBack) {
  const TDateTime t = EncodeDate(2003, 6, 7) + EncodeTime(14, 5, 9, 0);
  EXPECT_EQ(DateToStr(t), "6/7/2003");
  EXPECT_EQ(TimeToStr(t), "2:05:09 PM");
  EXPECT_EQ(DateTimeToStr(t), "6/7/2003 2:05:09 PM");
  EXPECT_DOUBLE_EQ(StrToDate("6/7/2003"), EncodeDate(2003, 6, 7));
  EXPECT_NEAR(StrToTime("2:05:09 PM"), EncodeTime(14, 5, 9, 0), 1e-9);
  EXPECT_NEAR(StrToTime("14:05"), EncodeTime(14, 5, 0, 0), 1e-9);
  EXPECT_NEAR(StrToDateTime(DateTimeToStr(t)), t, 1e-9);
  EXPECT_THROW(StrToDate("13/40/2003"), EConvertError);
  EXPECT_THROW(StrToDate("yesterday"), EConvertError);
  EXPECT_THROW(StrToTime("25:00"), EConvertError);
  EXPECT_EQ(RaisedMessage<EConvertError>([] { StrToDate("x"); }), "'x' is not a valid date");
}

TEST(DateTime, NowIsTheLocalWallClock) {
  const TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LT(now, EncodeDate(2200, 1, 1));
  EXPECT_DOUBLE_EQ(Date(), std::trunc(Date()));
  EXPECT_LT(Time(), 1.0);
}

TEST(DateTime, DosFileDatesRoundTripInTwoSecondSteps) {
  const TDateTime t = EncodeDate(2003, 6, 7) + EncodeTime(14, 5, 9, 0);
  const std::int32_t dos = DateTimeToFileDate(t);
  // 2003-06-07: (23 << 9) | (6 << 5) | 7; 14:05:09: (14 << 11) | (5 << 5) | 4.
  EXPECT_EQ(static_cast<std::uint32_t>(dos), ((23u << 9 | 6u << 5 | 7u) << 16) | (14u << 11 | 5u << 5 | 4u));
  EXPECT_NEAR(FileDateToDateTime(dos), EncodeDate(2003, 6, 7) + EncodeTime(14, 5, 8, 0), 1e-9);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
}

TEST(DateTime, FileTimesAndSystemTimes) {
  FILETIME epoch;
  const std::uint64_t units = 116444736000000000ull;  // 1970-01-01 00:00 UTC
  epoch.dwLowDateTime = static_cast<DWORD>(units & 0xFFFFFFFF);
  epoch.dwHighDateTime = static_cast<DWORD>(units >> 32);
  EXPECT_DOUBLE_EQ(FileTimeToDateTime(epoch), 25569);
  const FILETIME back = DateTimeToFileTime(25569.5);
  const std::uint64_t back_units = (static_cast<std::uint64_t>(back.dwHighDateTime) << 32) | back.dwLowDateTime;
  EXPECT_EQ(back_units, units + 432000000000ull);
  SYSTEMTIME st;
  DateTimeToSystemTime(EncodeDate(2003, 6, 7) + EncodeTime(1, 2, 3, 4), st);
  EXPECT_EQ(st.wYear, 2003);
  EXPECT_EQ(st.wDayOfWeek, 6);
  EXPECT_EQ(st.wMilliseconds, 4);
  EXPECT_NEAR(SystemTimeToDateTime(st), EncodeDate(2003, 6, 7) + EncodeTime(1, 2, 3, 4), 1e-9);
}

}  // namespace
