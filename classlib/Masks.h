// File-name masks: "*" matches any run of characters (also none), "?" any
// one character, "[abc]" and "[a-z]" one character of a set, "[!a-z]" one
// character outside it. Matching ignores case. A mask is literal
// otherwise: "*.*" matches only names that contain a dot.
#pragma once

#include <vector>

#include "classlib/Object.h"

class TMask : public TObject {
 public:
  // Raises EMaskException "'<mask>' is an invalid mask at (<n>)" for a
  // set that is not closed or is empty.
  explicit TMask(const String& mask);
  bool Matches(const String& file_name) const;

 private:
  struct Element {
    enum Kind { Literal, AnyChar, AnyRun, CharSet } kind = Literal;
    char32_t literal = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
  };
  static bool MatchOne(const Element& el, char32_t c);
  bool MatchChars(const std::vector<char32_t>& name) const;
  std::vector<Element> elements_;
};

bool MatchesMask(const String& file_name, const String& mask);
