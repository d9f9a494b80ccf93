#include "classlib/DateTime.h"

#include <time.h>

#include <cmath>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/FormatSettings.h"
#include "classlib/MathRoutines.h"
#include "classlib/StringRoutines.h"
#include "platform/core/datetime.h"

namespace {

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  const platform::CivilDate date = platform::CivilFromDays(days);
  year = static_cast<int>(date.year);
  month = static_cast<int>(date.month);
  day = static_cast<int>(date.day);
}

// TDateTime day 0 (30 December 1899) counted from 1970-01-01.
constexpr std::int64_t kUnixDayOfZero = -25569;

// Splits a TDateTime into whole days and milliseconds of the day, the time
// rounded to the nearest millisecond (a time that rounds up to midnight
// moves to the next day).
void SplitDateTime(TDateTime value, std::int64_t& days, int& msecs) {
  double whole = std::trunc(value);
  std::int64_t ms = Round(std::fabs(value - whole) * MSecsPerDay);
  days = static_cast<std::int64_t>(whole);
  if (ms >= MSecsPerDay) {
    ms -= MSecsPerDay;
    days += value < 0 ? -1 : 1;
  }
  msecs = static_cast<int>(ms);
}

}  // namespace

bool IsLeapYear(int year) { return platform::IsLeapYear(year); }

int DaysInAMonth(int year, int month) {
  if (month < 1 || month > 12) return 0;
  return static_cast<int>(platform::DaysInMonth(year, static_cast<unsigned>(month)));
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month)) {
    return false;
  }
  date = static_cast<double>(platform::DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                             kUnixDayOfZero);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d = 0;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError(SysConst::SDateEncodeError);
  return d;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
  if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000) {
    return false;
  }
  time = ((hour * 3600000.0) + (min * 60000.0) + (sec * 1000.0) + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime t = 0;
  if (!TryEncodeTime(hour, min, sec, msec, t)) throw EConvertError(SysConst::STimeEncodeError);
  return t;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
  std::int64_t days = 0;
  int ms = 0;
  SplitDateTime(value, days, ms);
  CivilFromDays(days + kUnixDayOfZero, year, month, day);
  hour = ms / 3600000;
  min = ms / 60000 % 60;
  sec = ms / 1000 % 60;
  msec = ms % 1000;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
  int h, n, s, ms;
  DecodeDateTime(date, year, month, day, h, n, s, ms);
}

void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec) {
  int y, m, d;
  DecodeDateTime(time, y, m, d, hour, min, sec, msec);
}

int DayOfWeek(TDateTime date) {
  std::int64_t days = 0;
  int ms = 0;
  SplitDateTime(date, days, ms);
  // Day 0 (30 December 1899) was a Saturday.
  const std::int64_t r = ((days + 6) % 7 + 7) % 7;
  return static_cast<int>(r) + 1;
}

TDateTime IncMonth(TDateTime date, int months) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  int total = y * 12 + (m - 1) + months;
  y = total / 12;
  m = total % 12 + 1;
  if (d > DaysInAMonth(y, m)) d = DaysInAMonth(y, m);
  const double time = std::fabs(Frac(date));
  const TDateTime result = EncodeDate(y, m, d);
  return result >= 0 ? result + time : result - time;
}

TDateTime Now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                    static_cast<int>(ts.tv_nsec / 1000000));
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() { return Frac(Now()); }

// --- FormatDateTime ---

namespace {

class DateFormatter {
 public:
  explicit DateFormatter(TDateTime value) {
    DecodeDateTime(value, year_, month_, day_, hour_, min_, sec_, msec_);
    day_of_week_ = DayOfWeek(value);
    midnight_ = hour_ == 0 && min_ == 0 && sec_ == 0 && msec_ == 0;
  }

  void Append(const String& format, int depth) {
    if (depth > 2) return;  // nested formats that name themselves
    const std::size_t n = format.size();
    std::size_t i = 0;
    while (i < n) {
      const char c = format[i];
      const char up = static_cast<char>(c & ~0x20);
      if (c == '\'' || c == '"') {
        std::size_t close = format.find(c, i + 1);
        if (close == String::npos) close = n;
        out_.append(format, i + 1, close - i - 1);
        i = close + 1;
        continue;
      }
      if (c == '/') {
        out_ += DateSeparator;
        ++i;
        continue;
      }
      if (c == ':') {
        out_ += TimeSeparator;
        ++i;
        continue;
      }
      if (AmPm(format, i)) continue;
      if (up < 'A' || up > 'Z') {
        out_ += c;
        ++i;
        continue;
      }
      const std::size_t count = Run(format, i, c);
      i += count;
      switch (up) {
        case 'C':
          Append(ShortDateFormat, depth + 1);
          if (!midnight_) {
            out_ += ' ';
            Append(LongTimeFormat, depth + 1);
          }
          last_ = 'C';
          break;
        case 'D':
          if (count == 1) out_ += std::to_string(day_);
          else if (count == 2) Two(day_);
          else if (count == 3) out_ += ShortDayNames[static_cast<std::size_t>(day_of_week_ - 1)];
          else if (count == 4) out_ += LongDayNames[static_cast<std::size_t>(day_of_week_ - 1)];
          else if (count == 5) Append(ShortDateFormat, depth + 1);
          else Append(LongDateFormat, depth + 1);
          last_ = 'D';
          break;
        case 'M':
          if (last_ == 'H' && count <= 2) {
            if (count == 1) out_ += std::to_string(min_);
            else Two(min_);
            last_ = 'N';
          } else {
            if (count == 1) out_ += std::to_string(month_);
            else if (count == 2) Two(month_);
            else if (count == 3) out_ += ShortMonthNames[static_cast<std::size_t>(month_ - 1)];
            else out_ += LongMonthNames[static_cast<std::size_t>(month_ - 1)];
            last_ = 'M';
          }
          break;
        case 'Y':
          if (count <= 2) Two(year_ % 100);
          else Pad(year_, 4);
          last_ = 'Y';
          break;
        case 'H': {
          int h = hour_;
          if (TwelveHour(format, i)) {
            h %= 12;
            if (h == 0) h = 12;
          }
          if (count == 1) out_ += std::to_string(h);
          else Two(h);
          last_ = 'H';
          break;
        }
        case 'N':
          if (count == 1) out_ += std::to_string(min_);
          else Two(min_);
          last_ = 'N';
          break;
        case 'S':
          if (count == 1) out_ += std::to_string(sec_);
          else Two(sec_);
          last_ = 'S';
          break;
        case 'Z':
          if (count == 1) out_ += std::to_string(msec_);
          else Pad(msec_, 3);
          last_ = 'Z';
          break;
        case 'T':
          Append(count == 1 ? ShortTimeFormat : LongTimeFormat, depth + 1);
          last_ = 'T';
          break;
        default:
          // Letters that are not specifiers are copied as they are.
          out_.append(format, i - count, count);
          break;
      }
    }
  }

  const String& Result() const { return out_; }

 private:
  static std::size_t Run(const String& f, std::size_t i, char c) {
    const char up = static_cast<char>(c & ~0x20);
    std::size_t k = i;
    while (k < f.size() && static_cast<char>(f[k] & ~0x20) == up) ++k;
    return k - i;
  }

  static bool StartsWithNoCase(const String& f, std::size_t i, const char* word) {
    for (std::size_t k = 0; word[k]; ++k) {
      if (i + k >= f.size() || static_cast<char>(f[i + k] & ~0x20) != static_cast<char>(word[k] & ~0x20)) {
        return false;
      }
    }
    return true;
  }

  // Writes an am/pm marker when one starts at i.
  bool AmPm(const String& f, std::size_t& i) {
    const bool pm = hour_ >= 12;
    if (StartsWithNoCase(f, i, "am/pm")) {
      // Written in the case the format uses.
      out_.append(f, i + (pm ? 3 : 0), 2);
      i += 5;
      return true;
    }
    if (StartsWithNoCase(f, i, "a/p")) {
      out_ += f[i + (pm ? 2 : 0)];
      i += 3;
      return true;
    }
    if (StartsWithNoCase(f, i, "ampm")) {
      out_ += pm ? TimePMString : TimeAMString;
      i += 4;
      return true;
    }
    return false;
  }

  // True when an am/pm marker follows in the format (outside quotes).
  static bool TwelveHour(const String& f, std::size_t from) {
    char quote = 0;
    for (std::size_t i = from; i < f.size(); ++i) {
      if (quote) {
        if (f[i] == quote) quote = 0;
        continue;
      }
      if (f[i] == '\'' || f[i] == '"') {
        quote = f[i];
        continue;
      }
      if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") || StartsWithNoCase(f, i, "ampm")) {
        return true;
      }
    }
    return false;
  }

  void Two(int v) { Pad(v, 2); }
  void Pad(int v, int width) {
    String s = std::to_string(v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    out_ += s;
  }

  int year_, month_, day_, hour_, min_, sec_, msec_, day_of_week_;
  bool midnight_;
  char last_ = 0;
  String out_;
};

}  // namespace

String FormatDateTime(const String& format, TDateTime value) {
  DateFormatter f(value);
  f.Append(format.empty() ? String("c") : format, 0);
  return f.Result();
}

String DateToStr(TDateTime date) { return FormatDateTime("ddddd", date); }
String TimeToStr(TDateTime time) { return FormatDateTime("tt", time); }
String DateTimeToStr(TDateTime value) { return FormatDateTime("c", value); }

// --- Reading dates and times ---

namespace {

enum class DateOrder { MDY, DMY, YMD };

DateOrder ShortDateOrder() {
  for (char c : ShortDateFormat) {
    const char up = static_cast<char>(c & ~0x20);
    if (up == 'D') return DateOrder::DMY;
    if (up == 'Y') return DateOrder::YMD;
    if (up == 'M') return DateOrder::MDY;
  }
  return DateOrder::MDY;
}

void SkipBlanks(const String& s, std::size_t& i) {
  while (i < s.size() && s[i] == ' ') ++i;
}

// Reads up to `max_digits` decimal digits; returns the count read.
int ReadNumber(const String& s, std::size_t& i, int& value, int max_digits = 4) {
  int count = 0;
  value = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && count < max_digits) {
    value = value * 10 + (s[i++] - '0');
    ++count;
  }
  return count;
}

bool ScanDate(const String& s, std::size_t& i, TDateTime& date) {
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int n = 0;
  SkipBlanks(s, i);
  while (n < 3) {
    digits[n] = ReadNumber(s, i, parts[n]);
    if (digits[n] == 0) return false;
    ++n;
    if (i < s.size() && s[i] == DateSeparator) {
      ++i;
      continue;
    }
    break;
  }
  if (n < 2) return false;
  int year, month, day;
  int cur_year, cur_month, cur_day;
  DecodeDate(Date(), cur_year, cur_month, cur_day);
  int year_digits = 0;
  if (n == 2) {
    year = cur_year;
    year_digits = 4;
    if (ShortDateOrder() == DateOrder::DMY) {
      day = parts[0];
      month = parts[1];
    } else {
      month = parts[0];
      day = parts[1];
    }
  } else {
    switch (ShortDateOrder()) {
      case DateOrder::DMY:
        day = parts[0]; month = parts[1]; year = parts[2]; year_digits = digits[2];
        break;
      case DateOrder::YMD:
        year = parts[0]; month = parts[1]; day = parts[2]; year_digits = digits[0];
        break;
      default:
        month = parts[0]; day = parts[1]; year = parts[2]; year_digits = digits[2];
        break;
    }
  }
  if (year_digits <= 2) {
    // Two-digit years: the current century, or within the century window.
    int century = cur_year - cur_year % 100;
    if (TwoDigitYearCenturyWindow > 0) {
      const int pivot = cur_year - TwoDigitYearCenturyWindow;
      year += pivot - pivot % 100;
      if (year < pivot) year += 100;
    } else {
      year += century;
    }
  }
  return TryEncodeDate(year, month, day, date);
}

bool ScanTime(const String& s, std::size_t& i, TDateTime& time) {
  int hour = 0, min = 0, sec = 0, msec = 0;
  SkipBlanks(s, i);
  if (ReadNumber(s, i, hour, 2) == 0) return false;
  if (i < s.size() && s[i] == TimeSeparator) {
    ++i;
    if (ReadNumber(s, i, min, 2) == 0) return false;
    if (i < s.size() && s[i] == TimeSeparator) {
      ++i;
      if (ReadNumber(s, i, sec, 2) == 0) return false;
      if (i < s.size() && s[i] == DecimalSeparator) {
        ++i;
        if (ReadNumber(s, i, msec, 3) == 0) return false;
      }
    }
  }
  SkipBlanks(s, i);
  const String rest = UpperCase(s.substr(i));
  const auto marker = [&](const String& word) {
    return !word.empty() && rest.compare(0, word.size(), UpperCase(word)) == 0 ? word.size() : 0;
  };
  std::size_t used = 0;
  bool pm = false, am = false;
  if ((used = marker(TimeAMString)) || (used = marker("AM")) || (used = marker("A"))) {
    am = true;
  } else if ((used = marker(TimePMString)) || (used = marker("PM")) || (used = marker("P"))) {
    pm = true;
  }
  if (am || pm) {
    if (hour < 1 || hour > 12) return false;
    if (am && hour == 12) hour = 0;
    if (pm && hour < 12) hour += 12;
    i += used;
  }
  return TryEncodeTime(hour, min, sec, msec, time);
}

}  // namespace

bool TryStrToDate(const String& s, TDateTime& value) {
  std::size_t i = 0;
  TDateTime d = 0;
  if (!ScanDate(s, i, d)) return false;
  SkipBlanks(s, i);
  if (i != s.size()) return false;
  value = d;
  return true;
}

bool TryStrToTime(const String& s, TDateTime& value) {
  std::size_t i = 0;
  TDateTime t = 0;
  if (!ScanTime(s, i, t)) return false;
  SkipBlanks(s, i);
  if (i != s.size()) return false;
  value = t;
  return true;
}

bool TryStrToDateTime(const String& s, TDateTime& value) {
  std::size_t i = 0;
  TDateTime d = 0;
  if (!ScanDate(s, i, d)) {
    return TryStrToTime(s, value);
  }
  SkipBlanks(s, i);
  TDateTime t = 0;
  if (i < s.size()) {
    if (!ScanTime(s, i, t)) return false;
    SkipBlanks(s, i);
    if (i != s.size()) return false;
  }
  value = d >= 0 ? d + t : d - t;
  return true;
}

TDateTime StrToDate(const String& s) {
  TDateTime v = 0;
  if (!TryStrToDate(s, v)) throw EConvertError(Format(SysConst::SInvalidDate, s));
  return v;
}

TDateTime StrToTime(const String& s) {
  TDateTime v = 0;
  if (!TryStrToTime(s, v)) throw EConvertError(Format(SysConst::SInvalidTime, s));
  return v;
}

TDateTime StrToDateTime(const String& s) {
  TDateTime v = 0;
  if (!TryStrToDateTime(s, v)) throw EConvertError(Format(SysConst::SInvalidDate, s));
  return v;
}

// --- Platform time records ---

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
  const TDateTime date = EncodeDate(st.wYear, st.wMonth, st.wDay);
  const TDateTime time = EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  return date >= 0 ? date + time : date - time;
}

void DateTimeToSystemTime(TDateTime value, SYSTEMTIME& st) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) - 1);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(n);
  st.wSecond = static_cast<WORD>(s);
  st.wMilliseconds = static_cast<WORD>(ms);
}

TDateTime FileDateToDateTime(std::int32_t file_date) {
  const auto bits = static_cast<std::uint32_t>(file_date);
  const int time = static_cast<int>(bits & 0xFFFF);
  const int date = static_cast<int>(bits >> 16);
  return EncodeDate((date >> 9) + 1980, (date >> 5) & 15, date & 31) +
         EncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2, 0);
}

std::int32_t DateTimeToFileDate(TDateTime value) {
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  if (y < 1980 || y > 2107) return 0;
  const std::uint32_t date = static_cast<std::uint32_t>(((y - 1980) << 9) | (m << 5) | d);
  const std::uint32_t time = static_cast<std::uint32_t>((h << 11) | (n << 5) | (s / 2));
  return static_cast<std::int32_t>((date << 16) | time);
}

namespace {
// Days from 1 January 1601 to 30 December 1899.
constexpr double kFileTimeDayOfZero = 109205.0;
constexpr double kFileTimeUnitsPerDay = 864000000000.0;
}  // namespace

TDateTime FileTimeToDateTime(const FILETIME& ft) {
  const std::uint64_t units = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  const std::uint64_t per_day = static_cast<std::uint64_t>(kFileTimeUnitsPerDay);
  const double day = static_cast<double>(units / per_day) - kFileTimeDayOfZero;
  const double time = static_cast<double>(units % per_day) / kFileTimeUnitsPerDay;
  // Before day 0 the time of day still counts forwards from the whole day.
  return day >= 0 ? day + time : day - time;
}

FILETIME DateTimeToFileTime(TDateTime value) {
  const double whole = std::trunc(value);
  const double time = std::nearbyint(std::fabs(value - whole) * kFileTimeUnitsPerDay);
  const double units = (whole + kFileTimeDayOfZero) * kFileTimeUnitsPerDay + time;
  const std::uint64_t u = units <= 0 ? 0 : static_cast<std::uint64_t>(units);
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(u & 0xFFFFFFFF);
  ft.dwHighDateTime = static_cast<DWORD>(u >> 32);
  return ft;
}
