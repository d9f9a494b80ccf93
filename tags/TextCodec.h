// Text conversions at the edge of the tag formats, and the few text routines
// the readers share.
//
// Inside the program text is UTF-8 (the system code page). Each tag format
// fixes its own encoding: ID3v1 bytes are Windows-1252, ID3v2 text is
// Latin-1 or UTF-16, ASF text is UTF-16LE, Vorbis comments are UTF-8. The
// readers convert with these routines, and only here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/utf8.h"

namespace tags {

// Appends one character as UTF-8. Values that are no character (surrogates,
// beyond U+10FFFF) are appended as "?".
using platform::AppendUtf8;

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// (81, 8D, 8F, 90, 9D) become the control characters of the same number, so
// that converting back gives the same bytes.
std::string Windows1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252, one byte per character: a character the code page
// lacks becomes "?", and a byte that is not part of a well-formed UTF-8
// sequence is taken as the character of its own value.
std::string Utf8ToWindows1252(std::string_view text);

// Latin-1 (ISO 8859-1) bytes to UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

// UTF-8 bytes from a file to well-formed UTF-8: a byte that is not part of
// a well-formed sequence is taken as the Latin-1 character of its own value.
std::string Utf8FromFile(std::string_view bytes);

// UTF-16 code units to UTF-8. Surrogate pairs are joined; a lone surrogate
// becomes "?". Zero units are kept (callers stop at them where they must).
std::string Utf16ToUtf8(std::u16string_view units);

// The first `count` characters of UTF-8 text (a malformed byte counts as one
// character), never cutting a character in half.
std::string FirstCharacters(std::string_view text, std::size_t count);

// Removes characters of code 32 and below from both ends / the right end
// (control characters, zeros and spaces), as the tag formats pad with them.
std::string_view TrimBlanks(std::string_view text);
std::string_view TrimRightBlanks(std::string_view text);

// ASCII letters to upper case; other bytes are left alone.
std::string AsciiUpperCase(std::string_view text);

// A whole text as a signed decimal number (an optional sign, then digits)
// that fits in 32 bits; `fallback` for anything else, the empty text included.
std::int32_t DecimalOrDefault(std::string_view text, std::int32_t fallback);

}  // namespace tags
