// Dates and times. A TDateTime is a double: the whole part counts days from
// 30 December 1899, the fraction is the time of day (0.5 is noon). Now,
// Date and Time read the C library's local time. Text forms follow the
// class library's FormatDateTime specifiers and the settings of
// FormatSettings.h.
#pragma once

#include <cstdint>

#include "classlib/Object.h"
#include "platform/core/types.h"

using TDateTime = double;

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerDay = 24 * 60;
inline constexpr int SecsPerDay = MinsPerDay * 60;
inline constexpr int MSecsPerDay = SecsPerDay * 1000;
// Days from 1 January 0001 to 30 December 1899.
inline constexpr int DateDelta = 693594;

bool IsLeapYear(int year);
// Days in the month (1..12) of the year.
int DaysInAMonth(int year, int month);

// Years 1..9999; an invalid date raises EConvertError
// "Invalid argument to date encode".
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// Hours 0..23, minutes and seconds 0..59, milliseconds 0..999; else
// EConvertError "Invalid argument to time encode".
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
void DecodeDate(TDateTime date, int& year, int& month, int& day);
// The time of day, to the nearest millisecond.
void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min,
                    int& sec, int& msec);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime date);
// The date `months` months later, the day clamped to the month's length.
TDateTime IncMonth(TDateTime date, int months = 1);

TDateTime Now();
TDateTime Date();
TDateTime Time();

// FormatDateTime specifiers: c (short date and long time, no time at
// midnight), d dd ddd dddd ddddd (short date) dddddd (long date), m mm mmm
// mmmm (minutes when directly after an hour), yy yyyy, h hh, n nn, s ss,
// z zzz, t (short time) tt (long time), am/pm a/p ampm (12-hour clock),
// / (DateSeparator), : (TimeSeparator), '...' and "..." (literal text).
// Other characters are copied. An empty format means "c".
String FormatDateTime(const String& format, TDateTime value);
String DateToStr(TDateTime date);      // ShortDateFormat
String TimeToStr(TDateTime time);      // LongTimeFormat
String DateTimeToStr(TDateTime value); // "c"

// Reads dates in the order of ShortDateFormat's day, month and year,
// separated by DateSeparator (the year may be left out: the current year;
// two-digit years fall into the TwoDigitYearCenturyWindow), and times as
// hours[:minutes[:seconds[.ms]]] with an optional AM/PM marker. Invalid
// text raises EConvertError "'<text>' is not a valid date" / "time".
TDateTime StrToDate(const String& s);
TDateTime StrToTime(const String& s);
TDateTime StrToDateTime(const String& s);
bool TryStrToDate(const String& s, TDateTime& value);
bool TryStrToTime(const String& s, TDateTime& value);
bool TryStrToDateTime(const String& s, TDateTime& value);

// Platform time records.
TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
void DateTimeToSystemTime(TDateTime value, SYSTEMTIME& st);
// File dates: the 32-bit DOS form (date in the high word, time in the low
// word, two-second steps) that FileAge and TSearchRec.Time use.
TDateTime FileDateToDateTime(std::int32_t file_date);
std::int32_t DateTimeToFileDate(TDateTime value);
// A FILETIME (100 ns since 1601, as the platform keeps it) to TDateTime
// and back, without any time-zone change.
TDateTime FileTimeToDateTime(const FILETIME& ft);
FILETIME DateTimeToFileTime(TDateTime value);
