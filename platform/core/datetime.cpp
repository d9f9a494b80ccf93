#include "platform/core/datetime.h"

#include <ctime>
#include <limits>

#include "platform/core/errors.h"

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerMillisecond = 10'000;
constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::int64_t kTicksPerDay = kTicksPerSecond * kSecondsPerDay;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;
// The largest FILETIME the calendar calls accept (the sign bit clear).
constexpr std::uint64_t kMaxTicks = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

bool IsValidSystemTime(const SYSTEMTIME& st) {
  if (st.wYear < 1601 || st.wYear > 30827) return false;
  if (st.wMonth < 1 || st.wMonth > 12) return false;
  if (st.wDay < 1 || st.wDay > platform::DaysInMonth(st.wYear, st.wMonth)) return false;
  return st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 && st.wMilliseconds < 1000;
}

// Floor division of ticks (possibly negative) into whole seconds.
std::int64_t FloorSeconds(std::int64_t ticks_since_unix) {
  std::int64_t seconds = ticks_since_unix / kTicksPerSecond;
  if (ticks_since_unix % kTicksPerSecond < 0) --seconds;
  return seconds;
}

// Adds an offset in seconds to a FILETIME, failing when the result leaves the
// range the calendar calls accept.
bool ShiftTicks(std::uint64_t ticks, std::int64_t offset_seconds, std::uint64_t* shifted) {
  const std::int64_t delta = offset_seconds * kTicksPerSecond;
  if (ticks > kMaxTicks) return false;
  const std::int64_t value = static_cast<std::int64_t>(ticks);
  if (delta < 0 && value < -delta) return false;
  if (delta > 0 && value > std::numeric_limits<std::int64_t>::max() - delta) return false;
  *shifted = static_cast<std::uint64_t>(value + delta);
  return true;
}

std::int64_t UnixSecondsOfTicks(std::uint64_t ticks) {
  return FloorSeconds(static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(platform::kFileTimeUnixEpoch));
}

}  // namespace

namespace platform {

// The year is shifted to start in March so that the leap day is the last day
// of its year.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;                               // [0, 399]
  const std::int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146'097 + day_of_era - 719'468;
}

CivilDate CivilFromDays(std::int64_t days) {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t day_of_era = days - era * 146'097;  // [0, 146096]
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
  const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;  // March = 0
  CivilDate date;
  date.day = static_cast<unsigned>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  date.month = static_cast<unsigned>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  date.year = year_of_era + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

FILETIME FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
  constexpr std::int64_t kEpochSeconds = static_cast<std::int64_t>(kFileTimeUnixEpoch) / kTicksPerSecond;
  if (seconds < -kEpochSeconds) return TicksToFileTime(0);
  if (seconds > (std::numeric_limits<std::int64_t>::max() / kTicksPerSecond) - kEpochSeconds - 1) {
    return TicksToFileTime(kMaxTicks);
  }
  const std::int64_t ticks = (seconds + kEpochSeconds) * kTicksPerSecond + nanoseconds / 100;
  return TicksToFileTime(ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks));
}

FILETIME FileTimeFromTimespec(const timespec& ts) { return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec); }

timespec TimespecFromFileTime(const FILETIME& ft) {
  const std::int64_t since_unix =
      static_cast<std::int64_t>(FileTimeToTicks(ft) & kMaxTicks) - static_cast<std::int64_t>(kFileTimeUnixEpoch);
  timespec ts{};
  ts.tv_sec = FloorSeconds(since_unix);
  ts.tv_nsec = static_cast<long>((since_unix - ts.tv_sec * kTicksPerSecond) * 100);
  return ts;
}

long LocalOffsetAt(std::int64_t unix_seconds) {
  const time_t t = static_cast<time_t>(unix_seconds);
  tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

}  // namespace platform

BOOL FileTimeToSystemTime(const FILETIME* file_time, SYSTEMTIME* system_time) {
  if (file_time == nullptr || system_time == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::uint64_t ticks = platform::FileTimeToTicks(*file_time);
  if (ticks > kMaxTicks) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::int64_t days = static_cast<std::int64_t>(ticks / kTicksPerDay);
  const std::int64_t in_day = static_cast<std::int64_t>(ticks % kTicksPerDay);
  const platform::CivilDate date = platform::CivilFromDays(days - kDaysFrom1601To1970);
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(date.year);
  st.wMonth = static_cast<WORD>(date.month);
  st.wDay = static_cast<WORD>(date.day);
  st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  st.wHour = static_cast<WORD>(in_day / (3600 * kTicksPerSecond));
  st.wMinute = static_cast<WORD>(in_day / (60 * kTicksPerSecond) % 60);
  st.wSecond = static_cast<WORD>(in_day / kTicksPerSecond % 60);
  st.wMilliseconds = static_cast<WORD>(in_day / kTicksPerMillisecond % 1000);
  *system_time = st;
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* system_time, FILETIME* file_time) {
  if (system_time == nullptr || file_time == nullptr || !IsValidSystemTime(*system_time)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const SYSTEMTIME& st = *system_time;
  const std::int64_t days = platform::DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDaysFrom1601To1970;
  const std::int64_t seconds = ((days * 24 + st.wHour) * 60 + st.wMinute) * 60 + st.wSecond;
  const std::int64_t ticks = seconds * kTicksPerSecond + st.wMilliseconds * kTicksPerMillisecond;
  *file_time = platform::TicksToFileTime(static_cast<std::uint64_t>(ticks));
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* file_time, FILETIME* local_file_time) {
  if (file_time == nullptr || local_file_time == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::uint64_t ticks = platform::FileTimeToTicks(*file_time);
  std::uint64_t local = 0;
  if (ticks > kMaxTicks || !ShiftTicks(ticks, platform::LocalOffsetAt(UnixSecondsOfTicks(ticks)), &local)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *local_file_time = platform::TicksToFileTime(local);
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local_file_time, FILETIME* file_time) {
  if (local_file_time == nullptr || file_time == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::uint64_t local = platform::FileTimeToTicks(*local_file_time);
  if (local > kMaxTicks) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The offset belongs to the UTC instant we are looking for: guess it from
  // the local reading, then correct it once with the offset at the guess.
  const std::int64_t local_seconds = UnixSecondsOfTicks(local);
  const std::int64_t guess = local_seconds - platform::LocalOffsetAt(local_seconds);
  const long offset = platform::LocalOffsetAt(guess);
  std::uint64_t utc = 0;
  if (!ShiftTicks(local, -offset, &utc)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *file_time = platform::TicksToFileTime(utc);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* first, const FILETIME* second) {
  if (first == nullptr || second == nullptr) return 0;
  const std::uint64_t a = platform::FileTimeToTicks(*first);
  const std::uint64_t b = platform::FileTimeToTicks(*second);
  return a < b ? -1 : (a > b ? 1 : 0);
}

void GetSystemTimeAsFileTime(FILETIME* file_time) {
  if (file_time == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  *file_time = platform::FileTimeFromTimespec(now);
}

void GetSystemTime(SYSTEMTIME* system_time) {
  if (system_time == nullptr) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  FileTimeToSystemTime(&now, system_time);
}

void GetLocalTime(SYSTEMTIME* system_time) {
  if (system_time == nullptr) return;
  FILETIME now, local;
  GetSystemTimeAsFileTime(&now);
  if (!FileTimeToLocalFileTime(&now, &local)) local = now;
  FileTimeToSystemTime(&local, system_time);
}

BOOL FileTimeToDosDateTime(const FILETIME* file_time, WORD* fat_date, WORD* fat_time) {
  SYSTEMTIME st;
  if (fat_date == nullptr || fat_time == nullptr || !FileTimeToSystemTime(file_time, &st)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (st.wYear < 1980 || st.wYear > 2107) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *fat_date = static_cast<WORD>(((st.wYear - 1980) << 9) | (st.wMonth << 5) | st.wDay);
  *fat_time = static_cast<WORD>((st.wHour << 11) | (st.wMinute << 5) | (st.wSecond / 2));
  return TRUE;
}

BOOL DosDateTimeToFileTime(WORD fat_date, WORD fat_time, FILETIME* file_time) {
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(1980 + (fat_date >> 9));
  st.wMonth = static_cast<WORD>((fat_date >> 5) & 0x0F);
  st.wDay = static_cast<WORD>(fat_date & 0x1F);
  st.wHour = static_cast<WORD>(fat_time >> 11);
  st.wMinute = static_cast<WORD>((fat_time >> 5) & 0x3F);
  st.wSecond = static_cast<WORD>((fat_time & 0x1F) * 2);
  st.wMilliseconds = 0;
  return SystemTimeToFileTime(&st, file_time);
}
