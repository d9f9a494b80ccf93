// String routines with the class library's semantics. Positions count from
// 1. Text is UTF-8: the byte-oriented routines (Copy, Pos, Length, Trim,
// UpperCase) work on bytes exactly as on the single-byte code page; the
// "Ansi" routines (AnsiUpperCase, AnsiCompareText) understand the code
// page's characters, that is every Unicode character of the UTF-8 text.
#pragma once

#include <concepts>
#include <cstdint>
#include <type_traits>

#include "classlib/Object.h"
#include "platform/core/utf8.h"

// --- Positions, lengths and pieces (1-based) ---
inline int Length(const String& s) { return static_cast<int>(s.size()); }
inline void SetLength(String& s, int length) { s.resize(length < 0 ? 0 : length); }
// Count characters starting at `index`; an index below 1 counts as 1, a
// negative count or an index past the end gives an empty string.
String Copy(const String& s, int index, int count);
// Position of the first occurrence of `sub` in `s`, 0 when absent or when
// `sub` is empty.
int Pos(const String& sub, const String& s);
inline int AnsiPos(const String& sub, const String& s) { return Pos(sub, s); }
// Position of the first occurrence at or after `offset`, 0 when absent.
int PosEx(const String& sub, const String& s, int offset = 1);
// Removes `count` characters at `index`; nothing when the index is outside
// the string or the count is not positive.
void Delete(String& s, int index, int count);
// Inserts `source` before position `index` (clamped to 1..Length + 1).
void Insert(const String& source, String& s, int index);
String StringOfChar(char c, int count);
// Index of the last character of `s` that is one of `delimiters`, 0 if none.
int LastDelimiter(const String& delimiters, const String& s);
// True when s[index] is one of `delimiters`.
bool IsDelimiter(const String& delimiters, const String& s, int index);
// The first `max_bytes` bytes of `s` at most, cut before a character of
// the UTF-8 text rather than through it.
String ClipUtf8(const String& s, std::size_t max_bytes);

// --- Case and comparison ---
// UpperCase/LowerCase change only the ASCII letters a-z / A-Z.
String UpperCase(const String& s);
String LowerCase(const String& s);
// AnsiUpperCase/AnsiLowerCase change every letter of the text.
String AnsiUpperCase(const String& s);
String AnsiLowerCase(const String& s);
// Ordinal comparisons of the bytes: < 0, 0 or > 0. CompareText ignores the
// case of ASCII letters only.
int CompareStr(const String& a, const String& b);
int CompareText(const String& a, const String& b);
bool SameText(const String& a, const String& b);
// The code page's collation: characters are compared by their upper-case
// forms first; when two texts differ only in case, the first difference
// decides with the lower-case letter first ("a" < "A" < "b" < "B").
// AnsiCompareText ignores case completely.
int AnsiCompareStr(const String& a, const String& b);
int AnsiCompareText(const String& a, const String& b);
inline bool AnsiSameStr(const String& a, const String& b) { return a == b; }
bool AnsiSameText(const String& a, const String& b);
bool AnsiStartsText(const String& sub, const String& s);
bool AnsiEndsText(const String& sub, const String& s);
bool AnsiContainsText(const String& s, const String& sub);
bool AnsiStartsStr(const String& sub, const String& s);
bool AnsiEndsStr(const String& sub, const String& s);

// --- Trimming (removes spaces and control characters, codes 0 to 32) ---
String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);

// --- Replacing and quoting ---
enum class TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = Set<TReplaceFlag>;
inline constexpr TReplaceFlag rfReplaceAll = TReplaceFlag::rfReplaceAll;
inline constexpr TReplaceFlag rfIgnoreCase = TReplaceFlag::rfIgnoreCase;
String StringReplace(const String& s, const String& old_pattern, const String& new_pattern,
                     TReplaceFlags flags);
// 'text' with every ' doubled.
String QuotedStr(const String& s);
// The text in `quote` characters, each quote inside doubled.
String AnsiQuotedStr(const String& s, char quote);
// Reads a quoted text starting at `p` (which must point at `quote`): the
// text up to the closing quote with doubled quotes made single. `p` is left
// after the closing quote, or at the end when there is none. When `p` does
// not point at a quote, returns an empty string and leaves `p`.
String AnsiExtractQuotedStr(const char*& p, const char* end, char quote);
// The text without its quotes when it is quoted, else the text unchanged.
String AnsiDequotedStr(const String& s, char quote);

// --- Integers ---
String IntToStr(std::int64_t value);
template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>)
String IntToStr(T value) {
  if constexpr (std::is_unsigned_v<T> && sizeof(T) == 8) {
    return std::to_string(value);
  } else {
    return IntToStr(static_cast<std::int64_t>(value));
  }
}
// Upper-case hexadecimal with at least `digits` digits; a negative value
// shows the two's complement of its own width (IntToHex(-1, 1) of a 32-bit
// integer is "FFFFFFFF").
String IntToHexBits(std::uint64_t bits, int digits);
template <std::integral T>
String IntToHex(T value, int digits) {
  using U = std::make_unsigned_t<T>;
  return IntToHexBits(static_cast<std::uint64_t>(static_cast<U>(value)), digits);
}
// Decimal text (optional blanks before, optional sign) or hexadecimal with
// "$" or "0x"; anything else, or a value out of range, raises
// EConvertError "'<text>' is not a valid integer value".
int StrToInt(const String& s);
std::int64_t StrToInt64(const String& s);
int StrToIntDef(const String& s, int default_value);
std::int64_t StrToInt64Def(const String& s, std::int64_t default_value);
bool TryStrToInt(const String& s, int& value);
bool TryStrToInt64(const String& s, std::int64_t& value);

// --- Booleans ---
// "True"/"False" with use_bool_strs, else "-1"/"0".
String BoolToStr(bool value, bool use_bool_strs = false);
// "True"/"False" (any case) or a number (non-zero is true); else
// EConvertError.
bool StrToBool(const String& s);
bool StrToBoolDef(const String& s, bool default_value);

// --- UTF-8 helpers used by the library ---
namespace classlib {
// Decodes one character at `i` (advancing it); malformed bytes decode as
// themselves (as if Latin-1) so that no text is ever lost.
char32_t DecodeUtf8(const String& s, std::size_t& i);
using platform::AppendUtf8;
char32_t ToUpperChar(char32_t c);
char32_t ToLowerChar(char32_t c);
}  // namespace classlib
