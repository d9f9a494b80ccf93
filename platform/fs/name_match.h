// File-name comparison the platform's way: without regard to letter case,
// and wildcard masks with the platform's rules for "*", "?" and ".".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::fs {

// Decodes UTF-8; a byte that does not start a valid sequence becomes one
// character of its own (so every name has a decoding and no two names share one).
std::u32string DecodeName(std::string_view name);

// The upper-case form of a character, for case-insensitive comparison
// (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic).
char32_t FoldCase(char32_t c);

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);

// The case-folded form of a name, for sorting names the way the platform lists them.
std::u32string FoldedName(std::string_view name);

bool HasWildcards(std::string_view mask);

// A file-name mask as FindFirstFile reads it:
// - "*" matches any run of characters;
// - "*" directly before a "." matches any run up to the name's last dot, so
//   "*.mp3" matches "a.b.mp3" but not "a.mp3.bak", and "*." only names without a dot;
// - "?" matches one character other than "."; at a "." or at the end of the
//   name it matches nothing, so "a?.txt" matches "a.txt" and "??" matches "a";
// - "." before "*", "?" or the end of the mask also matches the end of a name,
//   so "*.*" matches every name and "MOVIE.*" matches "MOVIE";
// - everything else matches itself, ignoring case.
class NameMask {
 public:
  explicit NameMask(std::string_view mask);
  bool Matches(std::string_view name) const;

 private:
  enum class Kind { kLiteral, kStar, kStarToLastDot, kQuestion, kDotOrEnd };
  struct Token {
    Kind kind;
    char32_t ch;
  };
  std::vector<Token> tokens_;
  bool matches_everything_ = false;  // "*" and "*.*"
};

}  // namespace platform::fs
