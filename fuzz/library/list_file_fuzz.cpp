// A list file read into a list view (as "mp3.csv" is at start), written
// back and read again: the second reading must give the same rows (each
// with the sub-items the columns hold, which is what the writer keeps).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "classlib/StringRoutines.h"
#include "library/advlistv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const String text(reinterpret_cast<const char*>(data), size);
  TAdvListView list(nullptr);
  list.Columns()->Add();
  list.Columns()->Add();
  // The first byte picks the header setting, a preset delimiter and a
  // list kept in text order.
  const bool sorted = size > 0 && (data[0] & 4) != 0;
  if (size > 0) {
    list.LoadHeader = (data[0] & 1) != 0;
    if ((data[0] & 2) != 0) list.Delimiter = DelimiterCandidates[data[0] % 5];
  }
  if (sorted) list.SetSortType(stText);
  list.LoadFromText(text, false);
  if (sorted) {
    for (int i = 1; i < list.Items()->Count(); ++i) {
      if (AnsiCompareStr(list.Items()->Item(i - 1)->Caption(), list.Items()->Item(i)->Caption()) > 0) std::abort();
    }
  }
  const int lines = list.Items()->Count() + (list.LoadHeader ? 1 : 0);
  if (list.Columns()->Count() > 2 + lines * MaxColumnsAddedPerLine) std::abort();
  const String saved = list.SaveToText();
  TAdvListView again(nullptr);
  if (sorted) again.SetSortType(stText);
  for (int i = 0; i < list.Columns()->Count(); ++i) again.Columns()->Add();
  // Read back as the next start would: the delimiter found again.
  again.LoadFromText(saved, true);
  if (again.Items()->Count() != list.Items()->Count()) std::abort();
  const int columns = list.Columns()->Count();
  for (int i = 0; i < list.Items()->Count(); ++i) {
    TListItem* a = list.Items()->Item(i);
    TListItem* b = again.Items()->Item(i);
    if (a->Caption() != b->Caption()) std::abort();
    const int kept = a->SubItems()->Count() < columns ? a->SubItems()->Count() : columns;
    if (b->SubItems()->Count() != kept) std::abort();
    for (int j = 0; j < kept; ++j) {
      if (a->SubItems()->Strings(j) != b->SubItems()->Strings(j)) std::abort();
    }
  }
  return 0;
}
