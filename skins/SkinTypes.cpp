#include "skins/SkinTypes.h"

#include "classlib/StringRoutines.h"

void NextToken(String& Value, String& Token) {
  Token.clear();
  size_t i = 0;
  for (; i < Value.size(); ++i) {
    char c = Value[i];
    if (c == ' ' || c == '(' || c == ')' || c == ',' || c == ';') {
      ++i;
      break;
    }
    Token += c;
  }
  Value.erase(0, i);
  Token = Trim(Token);
  Value = Trim(Value);
}
