// UTF-8, the system code page: one decoder and one encoder for every part of
// the program. Callers differ only in what a byte that starts no character
// turns into, so that is a parameter of the decoder.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// What the decoder makes of bytes that are not a well-formed character.
enum class Utf8BadByte {
  // The byte is one character of its own value (0x80 to 0xFF), and the
  // decoder goes on at the next byte.
  kOwnValue,
  // The byte becomes kUtf8RawByteBase plus its value, a private code point
  // that compares equal only with the same byte; the decoder goes on at the
  // next byte.
  kPrivateRange,
  // U+FFFD. A sequence whose shape is complete but whose value is no
  // character (an overlong form, a surrogate, past U+10FFFF) is replaced as
  // a whole; any other bad byte is replaced alone.
  kReplacement,
};

constexpr char32_t kUtf8RawByteBase = 0x10FF00;
constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the character starting at text[i] (i < text.size()) and moves i
// past what it used.
char32_t DecodeUtf8Char(std::string_view text, std::size_t& i, Utf8BadByte rule);

// Decodes a whole text. `starts` (optional) receives the offset of each
// character's first byte.
std::u32string DecodeUtf8Text(std::string_view text, Utf8BadByte rule,
                              std::vector<std::size_t>* starts = nullptr);

// Appends one character as UTF-8. Values that are no character (surrogates,
// past U+10FFFF) come out as "?".
void AppendUtf8(std::string& out, char32_t c);

}  // namespace platform
