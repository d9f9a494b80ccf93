#include "platform/fs/name_match.h"

#include <algorithm>

#include "platform/core/utf8.h"

namespace platform::fs {

std::u32string DecodeName(std::string_view name) {
  // Undecodable bytes map into a private range so they compare only with themselves.
  return DecodeUtf8Text(name, Utf8BadByte::kPrivateRange);
}

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs: upper case first, except in the two runs
    // 0x139-0x148 and 0x179-0x17E where the lower case comes second too but
    // the pairs start on odd code points.
    const bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (odd_pairs) return (c % 2 == 0) ? c - 1 : c;
    return (c % 2 == 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
  const bool ascii = std::all_of(a.begin(), a.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) &&
                     std::all_of(b.begin(), b.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
  }
  return FoldedName(a) == FoldedName(b);
}

std::u32string FoldedName(std::string_view name) {
  std::u32string folded = DecodeName(name);
  for (char32_t& c : folded) c = FoldCase(c);
  return folded;
}

bool HasWildcards(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

NameMask::NameMask(std::string_view mask) {
  const std::u32string chars = DecodeName(mask);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    const char32_t next = i + 1 < chars.size() ? chars[i + 1] : 0;
    if (c == U'*') {
      tokens_.push_back({next == U'.' ? Kind::kStarToLastDot : Kind::kStar, 0});
    } else if (c == U'?') {
      tokens_.push_back({Kind::kQuestion, 0});
    } else if (c == U'.' && (next == U'*' || next == U'?' || next == 0)) {
      tokens_.push_back({Kind::kDotOrEnd, 0});
    } else {
      tokens_.push_back({Kind::kLiteral, FoldCase(c)});
    }
  }
  const auto kinds_are = [&](std::initializer_list<Kind> kinds) {
    return std::equal(tokens_.begin(), tokens_.end(), kinds.begin(), kinds.end(),
                      [](const Token& token, Kind kind) { return token.kind == kind; });
  };
  matches_everything_ = kinds_are({Kind::kStar}) || kinds_are({Kind::kStarToLastDot, Kind::kDotOrEnd, Kind::kStar});
}

bool NameMask::Matches(std::string_view name_text) const {
  if (matches_everything_) return true;
  const std::u32string name = FoldedName(name_text);
  const std::size_t n = name.size();
  const std::size_t m = tokens_.size();
  const std::size_t last_dot = name.rfind(U'.');
  // matches[i][j]: tokens from i on match the name from j on. Filled backwards.
  std::vector<char> matches((m + 1) * (n + 1), 0);
  const auto at = [&](std::size_t i, std::size_t j) -> char& { return matches[i * (n + 1) + j]; };
  at(m, n) = 1;
  for (std::size_t i = m; i-- > 0;) {
    const Token& token = tokens_[i];
    for (std::size_t j = n + 1; j-- > 0;) {
      const bool more = j < n;
      bool ok = false;
      switch (token.kind) {
        case Kind::kLiteral:
          ok = more && name[j] == token.ch && at(i + 1, j + 1);
          break;
        case Kind::kStar:
          ok = at(i + 1, j) || (more && at(i, j + 1));
          break;
        case Kind::kStarToLastDot: {
          const bool may_take = more && (last_dot == std::u32string::npos || j < last_dot);
          ok = at(i + 1, j) || (may_take && at(i, j + 1));
          break;
        }
        case Kind::kQuestion:
          if (more && name[j] != U'.') {
            ok = at(i + 1, j + 1);
          } else {
            // At a dot or the end, this and every following "?" match nothing.
            std::size_t k = i;
            while (k < m && tokens_[k].kind == Kind::kQuestion) ++k;
            ok = at(k, j);
          }
          break;
        case Kind::kDotOrEnd:
          ok = (more && name[j] == U'.' && at(i + 1, j + 1)) || (!more && at(i + 1, j));
          break;
      }
      at(i, j) = ok ? 1 : 0;
    }
  }
  return at(0, 0) != 0;
}

}  // namespace platform::fs
