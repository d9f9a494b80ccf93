#include "classlib/StringRoutines.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <climits>

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"

// --- Positions, lengths and pieces ---

String Copy(const String& s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > Length(s)) return String();
  return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

int Pos(const String& sub, const String& s) { return PosEx(sub, s, 1); }

int PosEx(const String& sub, const String& s, int offset) {
  if (sub.empty() || offset < 1 || offset > Length(s)) return 0;
  const auto at = s.find(sub, static_cast<std::size_t>(offset - 1));
  return at == String::npos ? 0 : static_cast<int>(at) + 1;
}

void Delete(String& s, int index, int count) {
  if (index < 1 || index > Length(s) || count <= 0) return;
  s.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

void Insert(const String& source, String& s, int index) {
  index = std::clamp(index, 1, Length(s) + 1);
  s.insert(static_cast<std::size_t>(index - 1), source);
}

String StringOfChar(char c, int count) {
  return count > 0 ? String(static_cast<std::size_t>(count), c) : String();
}

int LastDelimiter(const String& delimiters, const String& s) {
  const auto at = s.find_last_of(delimiters);
  return at == String::npos ? 0 : static_cast<int>(at) + 1;
}

bool IsDelimiter(const String& delimiters, const String& s, int index) {
  if (index < 1 || index > Length(s)) return false;
  return delimiters.find(s[static_cast<std::size_t>(index - 1)]) != String::npos;
}

String ClipUtf8(const String& s, std::size_t max_bytes) {
  if (s.size() <= max_bytes) return s;
  std::size_t end = max_bytes;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

// --- UTF-8 ---

namespace classlib {

char32_t DecodeUtf8(const String& s, std::size_t& i) {
  return platform::DecodeUtf8Char(s, i, platform::Utf8BadByte::kOwnValue);
}


namespace {
// Character classes come from the C library's UTF-8 locale, whatever the
// process locale is.
locale_t Utf8Locale() {
  static const locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}
}  // namespace

char32_t ToUpperChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  const locale_t loc = Utf8Locale();
  return loc ? static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), loc)) : c;
}

char32_t ToLowerChar(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  const locale_t loc = Utf8Locale();
  return loc ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), loc)) : c;
}

}  // namespace classlib

// --- Case and comparison ---

String UpperCase(const String& s) {
  String r = s;
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return r;
}

String LowerCase(const String& s) {
  String r = s;
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return r;
}

namespace {

template <class Map>
String MapChars(const String& s, Map map) {
  String out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    const char32_t c = classlib::DecodeUtf8(s, i);
    if (i - start == 1 && static_cast<unsigned char>(s[start]) >= 0x80) {
      out += s[start];  // a stray byte stays as it was
    } else {
      classlib::AppendUtf8(out, map(c));
    }
  }
  return out;
}

// Compares character by character with `fold` applied; returns the first
// difference, or 0.
template <class Fold>
int CompareFolded(const String& a, const String& b, Fold fold) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca_byte = static_cast<unsigned char>(a[i]);
    const auto cb_byte = static_cast<unsigned char>(b[j]);
    if (ca_byte < 0x80 && cb_byte < 0x80) {
      // Plain ASCII needs no decoding.
      const char32_t ca = fold(ca_byte), cb = fold(cb_byte);
      if (ca != cb) return ca < cb ? -1 : 1;
      ++i;
      ++j;
      continue;
    }
    const char32_t ca = fold(classlib::DecodeUtf8(a, i));
    const char32_t cb = fold(classlib::DecodeUtf8(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

String AnsiUpperCase(const String& s) { return MapChars(s, classlib::ToUpperChar); }
String AnsiLowerCase(const String& s) { return MapChars(s, classlib::ToLowerChar); }

int CompareStr(const String& a, const String& b) {
  const int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareText(const String& a, const String& b) { return CompareStr(UpperCase(a), UpperCase(b)); }

bool SameText(const String& a, const String& b) { return CompareText(a, b) == 0; }

int AnsiCompareText(const String& a, const String& b) {
  return CompareFolded(a, b, classlib::ToLowerChar);
}

int AnsiCompareStr(const String& a, const String& b) {
  const int folded = AnsiCompareText(a, b);
  if (folded != 0) return folded;
  // Same letters: the first difference in case decides, lower case first.
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = classlib::DecodeUtf8(a, i);
    const char32_t cb = classlib::DecodeUtf8(b, j);
    if (ca != cb) {
      const bool a_lower = classlib::ToLowerChar(ca) == ca;
      const bool b_lower = classlib::ToLowerChar(cb) == cb;
      if (a_lower != b_lower) return a_lower ? -1 : 1;
      return ca < cb ? -1 : 1;
    }
  }
  return 0;
}

bool AnsiSameText(const String& a, const String& b) { return AnsiCompareText(a, b) == 0; }

bool AnsiStartsText(const String& sub, const String& s) {
  return sub.size() <= s.size() && AnsiSameText(sub, s.substr(0, sub.size()));
}

bool AnsiEndsText(const String& sub, const String& s) {
  return sub.size() <= s.size() && AnsiSameText(sub, s.substr(s.size() - sub.size()));
}

bool AnsiContainsText(const String& s, const String& sub) {
  return AnsiLowerCase(s).find(AnsiLowerCase(sub)) != String::npos;
}

bool AnsiStartsStr(const String& sub, const String& s) { return s.compare(0, sub.size(), sub) == 0; }

bool AnsiEndsStr(const String& sub, const String& s) {
  return sub.size() <= s.size() && s.compare(s.size() - sub.size(), sub.size(), sub) == 0;
}

// --- Trimming ---

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

String TrimLeft(const String& s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

String TrimRight(const String& s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

String Trim(const String& s) { return TrimLeft(TrimRight(s)); }

// --- Replacing and quoting ---

String StringReplace(const String& s, const String& old_pattern, const String& new_pattern,
                     TReplaceFlags flags) {
  if (old_pattern.empty()) return s;
  const bool ignore_case = flags.Contains(rfIgnoreCase);
  const String haystack = ignore_case ? AnsiUpperCase(s) : s;
  const String needle = ignore_case ? AnsiUpperCase(old_pattern) : old_pattern;
  // Upper-casing may change byte lengths for a few characters; fall back to
  // byte-wise ASCII folding then, so that positions stay valid.
  const bool aligned = haystack.size() == s.size();
  const String& hay = aligned ? haystack : s;
  const String pattern = aligned ? needle : (ignore_case ? UpperCase(old_pattern) : old_pattern);
  const String upper_ascii = aligned ? String() : UpperCase(s);
  const String& search = aligned ? hay : (ignore_case ? upper_ascii : s);

  String out;
  std::size_t from = 0;
  while (from <= s.size()) {
    const auto at = search.find(pattern, from);
    if (at == String::npos) break;
    out.append(s, from, at - from);
    out += new_pattern;
    from = at + old_pattern.size();
    if (!flags.Contains(rfReplaceAll)) break;
  }
  if (from < s.size()) out.append(s, from, String::npos);
  return out;
}

String QuotedStr(const String& s) { return AnsiQuotedStr(s, '\''); }

String AnsiQuotedStr(const String& s, char quote) {
  String out;
  out.reserve(s.size() + 2);
  out += quote;
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

String AnsiExtractQuotedStr(const char*& p, const char* end, char quote) {
  if (p == end || *p != quote) return String();
  ++p;
  String out;
  while (p != end) {
    if (*p == quote) {
      if (p + 1 != end && p[1] == quote) {
        out += quote;
        p += 2;
        continue;
      }
      ++p;  // the closing quote
      return out;
    }
    out += *p++;
  }
  return out;
}

String AnsiDequotedStr(const String& s, char quote) {
  if (s.empty() || s[0] != quote) return s;
  const char* p = s.data();
  const char* end = s.data() + s.size();
  String inner = AnsiExtractQuotedStr(p, end, quote);
  // Only a text that is quoted as a whole is dequoted.
  if (p != end || s.size() < 2 || s.back() != quote) return s;
  return inner;
}

// --- Integers ---

String IntToStr(std::int64_t value) { return std::to_string(value); }

String IntToHexBits(std::uint64_t bits, int digits) {
  static const char kHex[] = "0123456789ABCDEF";
  String out;
  do {
    out.insert(out.begin(), kHex[bits & 0xF]);
    bits >>= 4;
  } while (bits != 0);
  if (Length(out) < digits) out.insert(0, static_cast<std::size_t>(digits - Length(out)), '0');
  return out;
}

namespace {

// The class library's integer reading: blanks before, a sign, then decimal
// digits or "$"/"0x" hexadecimal digits, and nothing after.
bool ParseInteger(const String& s, std::int64_t min, std::int64_t max, std::int64_t& value) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  // Accumulate the magnitude in 64 unsigned bits; hexadecimal may fill the
  // whole width (the class library reads $FFFFFFFF as -1 for a 32-bit value).
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = base == 16 ? (min < INT32_MIN ? UINT64_MAX : 0xFFFFFFFFull)
                                         : static_cast<std::uint64_t>(max) + (negative ? 1 : 0);
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    if (magnitude > (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) {
      return false;
    }
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  if (base == 16) {
    // Hexadecimal is the bit pattern of the value's own width.
    std::int64_t v = min < INT32_MIN ? static_cast<std::int64_t>(magnitude)
                                     : static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    value = negative ? -v : v;
    return true;
  }
  value = negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return value >= min && value <= max;
}

[[noreturn]] void RaiseInvalidInteger(const String& s) {
  throw EConvertError(Format(SysConst::SInvalidInteger, s));
}

}  // namespace

bool TryStrToInt(const String& s, int& value) {
  std::int64_t v = 0;
  if (!ParseInteger(s, INT32_MIN, INT32_MAX, v)) return false;
  value = static_cast<int>(v);
  return true;
}

bool TryStrToInt64(const String& s, std::int64_t& value) {
  return ParseInteger(s, INT64_MIN, INT64_MAX, value);
}

int StrToInt(const String& s) {
  int v = 0;
  if (!TryStrToInt(s, v)) RaiseInvalidInteger(s);
  return v;
}

std::int64_t StrToInt64(const String& s) {
  std::int64_t v = 0;
  if (!TryStrToInt64(s, v)) RaiseInvalidInteger(s);
  return v;
}

int StrToIntDef(const String& s, int default_value) {
  int v = 0;
  return TryStrToInt(s, v) ? v : default_value;
}

std::int64_t StrToInt64Def(const String& s, std::int64_t default_value) {
  std::int64_t v = 0;
  return TryStrToInt64(s, v) ? v : default_value;
}

// --- Booleans ---

String BoolToStr(bool value, bool use_bool_strs) {
  if (use_bool_strs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

namespace {
bool TryStrToBool(const String& s, bool& value) {
  if (SameText(s, "True")) {
    value = true;
    return true;
  }
  if (SameText(s, "False")) {
    value = false;
    return true;
  }
  double number = 0;
  if (TryStrToFloat(s, number)) {
    value = number != 0;
    return true;
  }
  return false;
}
}  // namespace

bool StrToBool(const String& s) {
  bool v = false;
  if (!TryStrToBool(s, v)) throw EConvertError("'" + s + "' is not a valid boolean value");
  return v;
}

bool StrToBoolDef(const String& s, bool default_value) {
  bool v = false;
  return TryStrToBool(s, v) ? v : default_value;
}
