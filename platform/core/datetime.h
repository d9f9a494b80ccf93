// Dates and times: FILETIME (100 ns ticks since 1 January 1601, UTC unless
// the call says local), SYSTEMTIME (broken-down calendar time) and packed DOS
// dates. Local time is the C library's time zone of the process (TZ); each
// conversion uses the offset in force at the instant converted, so summer and
// winter times come out right for every date.
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/core/types.h"

BOOL FileTimeToSystemTime(const FILETIME* file_time, SYSTEMTIME* system_time);
BOOL SystemTimeToFileTime(const SYSTEMTIME* system_time, FILETIME* file_time);
BOOL FileTimeToLocalFileTime(const FILETIME* file_time, FILETIME* local_file_time);
BOOL LocalFileTimeToFileTime(const FILETIME* local_file_time, FILETIME* file_time);
// -1, 0 or 1 as the first time is earlier, equal or later.
LONG CompareFileTime(const FILETIME* first, const FILETIME* second);

void GetSystemTime(SYSTEMTIME* system_time);
void GetLocalTime(SYSTEMTIME* system_time);
void GetSystemTimeAsFileTime(FILETIME* file_time);

// DOS date: bits 15-9 year since 1980, 8-5 month, 4-0 day. DOS time: bits
// 15-11 hours, 10-5 minutes, 4-0 seconds / 2. Only 1980 to 2107 fit.
BOOL FileTimeToDosDateTime(const FILETIME* file_time, WORD* fat_date, WORD* fat_time);
BOOL DosDateTimeToFileTime(WORD fat_date, WORD fat_time, FILETIME* file_time);

namespace platform {

// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;

constexpr std::uint64_t FileTimeToTicks(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
constexpr FILETIME TicksToFileTime(std::uint64_t ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

// A POSIX time (seconds and nanoseconds since 1970, UTC) as a FILETIME;
// times before 1601 give 0.
FILETIME FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds);
FILETIME FileTimeFromTimespec(const timespec& ts);
// The POSIX time of a FILETIME (nanoseconds are whole multiples of 100).
timespec TimespecFromFileTime(const FILETIME& ft);

// The proleptic Gregorian calendar, counted in days from 1970-01-01.
struct CivilDate {
  std::int64_t year;
  unsigned month;  // 1-12
  unsigned day;    // 1-31
};
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
CivilDate CivilFromDays(std::int64_t days);
bool IsLeapYear(std::int64_t year);
// Days in the month (1-12) of the year.
unsigned DaysInMonth(std::int64_t year, unsigned month);

// The offset of local time from UTC, in seconds, at the given UTC instant.
long LocalOffsetAt(std::int64_t unix_seconds);

}  // namespace platform
