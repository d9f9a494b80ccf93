// The class library's quicksort (middle element as pivot, Hoare
// partition), shared by TList, TStringList and the list controls so that
// they all order equal items the same way. It works on indexes: compare(i,
// j) < 0 means item i goes before item j, exchange(i, j) swaps two items.
// It never leaves the range, even when the comparison is not consistent.
#pragma once

namespace classlib {

template <class Compare, class Exchange>
void QuickSort(int l, int r, Compare compare, Exchange exchange) {
  if (l >= r) return;
  int i;
  do {
    i = l;
    int j = r;
    int pivot = (l + r) / 2;
    do {
      while (i < r && compare(i, pivot) < 0) ++i;
      while (j > l && compare(j, pivot) > 0) --j;
      if (i <= j) {
        if (i != j) {
          exchange(i, j);
          // The pivot item moved with the exchange.
          if (pivot == i) {
            pivot = j;
          } else if (pivot == j) {
            pivot = i;
          }
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(l, j, compare, exchange);
    l = i;
  } while (i < r);
}

}  // namespace classlib
