#include "skins/SkinTypes.h"

#include "classlib/StringRoutines.h"

void NextToken(String& Value, String& Token) {
  auto separator = [](char c) { return c == '(' || c == ')' || c == ',' || c == ';'; };
  Token.clear();
  size_t i = 0;
  for (; i < Value.size(); ++i) {
    char c = Value[i];
    if (c == ' ' || separator(c)) {
      ++i;
      // A token that ends at a blank also takes the separator after the
      // blanks with it: "20 ,30" gives 20, then 30.
      if (c == ' ') {
        while (i < Value.size() && Value[i] == ' ') ++i;
        if (i < Value.size() && separator(Value[i])) ++i;
      }
      break;
    }
    Token += c;
  }
  Value.erase(0, i);
  Token = Trim(Token);
  Value = Trim(Value);
}
