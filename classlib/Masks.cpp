#include "classlib/Masks.h"

#include "classlib/Exceptions.h"
#include "classlib/FormatRoutines.h"
#include "classlib/StringRoutines.h"

namespace {

std::vector<char32_t> UpperChars(const String& s) {
  std::vector<char32_t> out;
  std::size_t i = 0;
  while (i < s.size()) out.push_back(classlib::ToUpperChar(classlib::DecodeUtf8(s, i)));
  return out;
}

}  // namespace

TMask::TMask(const String& mask) {
  const std::vector<char32_t> m = UpperChars(mask);
  for (std::size_t i = 0; i < m.size(); ++i) {
    Element e;
    e.kind = Element::Literal;
    if (m[i] == '*') {
      // Several stars in a row mean one.
      if (!elements_.empty() && elements_.back().kind == Element::AnyRun) continue;
      e.kind = Element::AnyRun;
    } else if (m[i] == '?') {
      e.kind = Element::AnyChar;
    } else if (m[i] == '[') {
      e.kind = Element::CharSet;
      const std::size_t open = i;
      ++i;
      if (i < m.size() && m[i] == '!') {
        e.negate = true;
        ++i;
      }
      while (i < m.size() && m[i] != ']') {
        char32_t low = m[i];
        char32_t high = low;
        if (i + 2 < m.size() && m[i + 1] == '-' && m[i + 2] != ']') {
          high = m[i + 2];
          i += 2;
        }
        if (high < low) std::swap(low, high);
        e.ranges.emplace_back(low, high);
        ++i;
      }
      if (i >= m.size() || e.ranges.empty()) {
        throw EMaskException(Format(SysConst::SInvalidMask, mask, static_cast<int>(open + 1)));
      }
    } else {
      e.literal = m[i];
    }
    elements_.push_back(std::move(e));
  }
}

bool TMask::MatchOne(const Element& el, char32_t c) {
  switch (el.kind) {
    case Element::Literal: return c == el.literal;
    case Element::AnyChar: return true;
    case Element::CharSet: {
      bool in = false;
      for (const auto& [low, high] : el.ranges) {
        if (c >= low && c <= high) in = true;
      }
      return in != el.negate;
    }
    default: return false;
  }
}

bool TMask::MatchChars(const std::vector<char32_t>& name) const {
  // Greedy matching that backtracks only to the last star: every other
  // element takes exactly one character, so this finds a match if any.
  std::size_t e = 0, n = 0;
  std::size_t star = elements_.size();
  std::size_t star_n = 0;
  while (n < name.size()) {
    if (e < elements_.size() && elements_[e].kind == Element::AnyRun) {
      star = e++;
      star_n = n;
    } else if (e < elements_.size() && MatchOne(elements_[e], name[n])) {
      ++e;
      ++n;
    } else if (star != elements_.size()) {
      e = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (e < elements_.size() && elements_[e].kind == Element::AnyRun) ++e;
  return e == elements_.size();
}

bool TMask::Matches(const String& file_name) const { return MatchChars(UpperChars(file_name)); }

bool MatchesMask(const String& file_name, const String& mask) { return TMask(mask).Matches(file_name); }
