#include "platform/core/datetime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "platform/core/errors.h"
#include "tests/platform/checks.h"

namespace {


SYSTEMTIME MakeTime(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                    WORD millis = 0) {
  SYSTEMTIME st;
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  st.wHour = hour;
  st.wMinute = minute;
  st.wSecond = second;
  st.wMilliseconds = millis;
  return st;
}

std::uint64_t Ticks(const SYSTEMTIME& st) {
  FILETIME ft;
  EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
  return platform::FileTimeToTicks(ft);
}

// Runs the test body in a given time zone and restores the old one after.
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZoneScope() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

// Central European time written out as a POSIX rule, so no zone files are needed.
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST(DateTime, KnownInstantsHaveTheirFileTimes) {
  EXPECT_EQ(Ticks(MakeTime(1601, 1, 1)), 0u);
  EXPECT_EQ(Ticks(MakeTime(1970, 1, 1)), platform::kFileTimeUnixEpoch);
  // 2000-03-01 is 951868800 seconds after 1970.
  EXPECT_EQ(Ticks(MakeTime(2000, 3, 1)), platform::kFileTimeUnixEpoch + 951868800ull * 10'000'000);
  EXPECT_EQ(Ticks(MakeTime(1970, 1, 1, 0, 0, 1, 5)), platform::kFileTimeUnixEpoch + 10'050'000);
}

TEST(DateTime, SystemTimeRoundTripKeepsEveryFieldAndGivesTheWeekday) {
  const SYSTEMTIME leap_day = MakeTime(2000, 2, 29, 12, 34, 56, 789);
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&leap_day, &ft));
  SYSTEMTIME back;
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wYear, 2000);
  EXPECT_EQ(back.wMonth, 2);
  EXPECT_EQ(back.wDay, 29);
  EXPECT_EQ(back.wHour, 12);
  EXPECT_EQ(back.wMinute, 34);
  EXPECT_EQ(back.wSecond, 56);
  EXPECT_EQ(back.wMilliseconds, 789);
  EXPECT_EQ(back.wDayOfWeek, 2);  // a Tuesday

  SYSTEMTIME first;
  const FILETIME zero{};
  ASSERT_TRUE(FileTimeToSystemTime(&zero, &first));
  EXPECT_EQ(first.wYear, 1601);
  EXPECT_EQ(first.wDayOfWeek, 1);  // 1601 began on a Monday

  const SYSTEMTIME friday = MakeTime(2024, 3, 15);
  ASSERT_TRUE(SystemTimeToFileTime(&friday, &ft));
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wDayOfWeek, 5);
}

TEST(DateTime, InvalidCalendarValuesAreRefused) {
  FILETIME ft;
  const SYSTEMTIME bad[] = {MakeTime(2001, 2, 29), MakeTime(2000, 13, 1), MakeTime(2000, 0, 1),
                            MakeTime(1600, 12, 31), MakeTime(2000, 4, 31), MakeTime(2000, 1, 1, 24),
                            MakeTime(2000, 1, 1, 0, 60), MakeTime(2000, 1, 1, 0, 0, 0, 1000)};
  for (const SYSTEMTIME& st : bad) {
    EXPECT_EQ(ERROR_OF(SystemTimeToFileTime(&st, &ft)), ERROR_INVALID_PARAMETER)
        << st.wYear << "-" << st.wMonth << "-" << st.wDay;
  }
  EXPECT_FALSE(SystemTimeToFileTime(nullptr, &ft));
  SYSTEMTIME st;
  const FILETIME negative{0, 0x80000000u};
  EXPECT_EQ(ERROR_OF(FileTimeToSystemTime(&negative, &st)), ERROR_INVALID_PARAMETER);
}

TEST(DateTime, LocalTimeFollowsTheZoneRulesOfEachDate) {
  TimeZoneScope zone(kCentralEurope);
  const FILETIME winter = platform::TicksToFileTime(Ticks(MakeTime(2023, 1, 10, 12)));
  const FILETIME summer = platform::TicksToFileTime(Ticks(MakeTime(2023, 7, 10, 12)));
  FILETIME local;
  SYSTEMTIME st;
  ASSERT_TRUE(FileTimeToLocalFileTime(&winter, &local));
  ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
  EXPECT_EQ(st.wHour, 13);
  ASSERT_TRUE(FileTimeToLocalFileTime(&summer, &local));
  ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
  EXPECT_EQ(st.wHour, 14);

  FILETIME utc;
  ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
  EXPECT_EQ(platform::FileTimeToTicks(utc), platform::FileTimeToTicks(summer));
  const FILETIME winter_local = platform::TicksToFileTime(Ticks(MakeTime(2023, 1, 10, 13)));
  ASSERT_TRUE(LocalFileTimeToFileTime(&winter_local, &utc));
  EXPECT_EQ(platform::FileTimeToTicks(utc), platform::FileTimeToTicks(winter));
}

TEST(DateTime, LocalTimeBeforeTheEpochOfTheZoneFailsOnlyOutsideTheRange) {
  TimeZoneScope zone("XYZ-5");  // five hours east of UTC
  FILETIME local;
  const FILETIME start{};
  ASSERT_TRUE(FileTimeToLocalFileTime(&start, &local));
  EXPECT_EQ(platform::FileTimeToTicks(local), 5ull * 3600 * 10'000'000);
  FILETIME utc;
  EXPECT_EQ(ERROR_OF(LocalFileTimeToFileTime(&start, &utc)), ERROR_INVALID_PARAMETER);  // would be before 1601
}

TEST(DateTime, DosDatesPackTwoSecondSteps) {
  const FILETIME ft = platform::TicksToFileTime(Ticks(MakeTime(2021, 6, 15, 10, 20, 31)));
  WORD date = 0, time = 0;
  ASSERT_TRUE(FileTimeToDosDateTime(&ft, &date, &time));
  EXPECT_EQ(date, (41 << 9) | (6 << 5) | 15);
  EXPECT_EQ(time, (10 << 11) | (20 << 5) | 15);
  FILETIME back;
  ASSERT_TRUE(DosDateTimeToFileTime(date, time, &back));
  EXPECT_EQ(platform::FileTimeToTicks(back), Ticks(MakeTime(2021, 6, 15, 10, 20, 30)));

  const FILETIME too_early = platform::TicksToFileTime(Ticks(MakeTime(1979, 12, 31, 23, 59, 59)));
  EXPECT_EQ(ERROR_OF(FileTimeToDosDateTime(&too_early, &date, &time)), ERROR_INVALID_PARAMETER);
  const FILETIME too_late = platform::TicksToFileTime(Ticks(MakeTime(2108, 1, 1)));
  EXPECT_FALSE(FileTimeToDosDateTime(&too_late, &date, &time));
  EXPECT_FALSE(DosDateTimeToFileTime(0, 0, &back));  // month 0 and day 0
}

TEST(DateTime, ClockReadingsAgreeWithTheSystemClock) {
  TimeZoneScope zone("XYZ-3");
  const auto now = std::chrono::system_clock::now();
  const auto unix_seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const auto seconds = static_cast<std::int64_t>(
      (platform::FileTimeToTicks(ft) - platform::kFileTimeUnixEpoch) / 10'000'000);
  EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(unix_seconds), 2.0);

  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  GetLocalTime(&local);
  FILETIME utc_ft, local_ft;
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &utc_ft));
  ASSERT_TRUE(SystemTimeToFileTime(&local, &local_ft));
  const double hours = (static_cast<double>(platform::FileTimeToTicks(local_ft)) -
                        static_cast<double>(platform::FileTimeToTicks(utc_ft))) / 36'000'000'000.0;
  EXPECT_NEAR(hours, 3.0, 0.01);
}

TEST(DateTime, CompareFileTimeOrdersByValue) {
  const FILETIME a{5, 1}, b{6, 1}, c{0, 2};
  EXPECT_EQ(CompareFileTime(&a, &b), -1);
  EXPECT_EQ(CompareFileTime(&b, &a), 1);
  EXPECT_EQ(CompareFileTime(&a, &a), 0);
  EXPECT_EQ(CompareFileTime(&b, &c), -1);
}

TEST(DateTime, PosixTimesConvertBothWays) {
  const FILETIME ft = platform::FileTimeFromUnix(1'700'000'000, 123'456'789);
  const timespec ts = platform::TimespecFromFileTime(ft);
  EXPECT_EQ(ts.tv_sec, 1'700'000'000);
  EXPECT_EQ(ts.tv_nsec, 123'456'700);  // FILETIME keeps 100 ns steps
  const timespec before_1970 = platform::TimespecFromFileTime(platform::FileTimeFromUnix(-1, 500'000'000));
  EXPECT_EQ(before_1970.tv_sec, -1);
  EXPECT_EQ(before_1970.tv_nsec, 500'000'000);
  EXPECT_EQ(platform::FileTimeToTicks(platform::FileTimeFromUnix(-20'000'000'000LL, 0)), 0u);
}

}  // namespace
