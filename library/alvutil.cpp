#include "library/alvutil.h"

#include "classlib/ListView.h"

namespace {

// FirstSingle over S from `from` (0-based) on, as if the text began there;
// the result is 0-based within the whole of S, or npos.
std::size_t FindSingle(char C, const String& S, std::size_t from) {
  const std::size_t n = S.size() - from;
  for (std::size_t p = 1; p <= n; ++p) {
    const std::size_t i = from + p - 1;
    if (S[i] != C) continue;
    if (p == n) return i;
    if (p >= 2 && S[i - 1] != C && S[i + 1] != C) return i;
  }
  return String::npos;
}

}  // namespace

int FirstSingle(char C, const String& S) {
  const std::size_t i = FindSingle(C, S, 0);
  return i == String::npos ? 0 : static_cast<int>(i + 1);
}

int CountSingle(char C, const String& S) {
  // Deleting the text up to a found C is the same as searching on from the
  // character after it, with that character taken as position 1.
  int count = 0;
  std::size_t from = 0;
  while (from < S.size()) {
    const std::size_t i = FindSingle(C, S, from);
    if (i == String::npos) break;
    ++count;
    from = i + 1;
  }
  return count;
}

String SongPathOfRow(TListItem* Item) {
  if (Item == nullptr) return String();
  const TStrings* sub = Item->SubItems();
  if (sub->Count() == 0) return Item->Caption();
  const String& folder = sub->Strings(0);
  if (folder.empty() || folder.back() == '\\') return folder + Item->Caption();
  return folder + "\\" + Item->Caption();
}
