#include "library/ListViewSorting.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <vector>

#include "classlib/FormatRoutines.h"
#include "classlib/FormatSettings.h"
#include "classlib/Sorting.h"
#include "classlib/StringRoutines.h"
#include "library/advlistv.h"
#include "platform/ctl/header.h"
#include "platform/ctl/listview.h"

namespace {

TDateTime ParseDate(const String& text, bool us) {
  auto split = [](const String& s, String& head, String& rest) {
    const std::size_t at = s.find_first_of("-/.");
    if (at == String::npos) return false;
    head = s.substr(0, at);
    rest = s.substr(at + 1);
    return true;
  };
  String first, rest, second, third;
  if (!split(text, first, rest) || !split(rest, second, third)) return 0;
  int a = 0, b = 0, year = 0;
  if (!TryStrToInt(Trim(first), a) || !TryStrToInt(Trim(second), b) || !TryStrToInt(Trim(third), year)) return 0;
  if (year >= 0 && year < 100) year += year > 25 ? 1900 : 2000;
  const int month = us ? a : b;
  const int day = us ? b : a;
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date)) return 0;
  return date;
}

// The number of a cell for the numeric styles; nullopt when it is none.
std::optional<double> CellNumber(String text, const String& prefix, const String& suffix, bool thousands) {
  if (!prefix.empty()) {
    const std::size_t at = text.find(prefix);
    if (at != String::npos) text.erase(at, prefix.size());
  }
  if (!suffix.empty()) {
    const std::size_t at = text.find(suffix);
    if (at != String::npos) text.erase(at, suffix.size());
  }
  if (thousands) std::erase(text, ThousandSeparator);
  std::replace(text.begin(), text.end(), DecimalSeparator, '.');
  text = Trim(text);
  if (text.empty()) return 0.0;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

int Sign(double d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

}  // namespace

TDateTime ParseDateUS(const String& Text) { return ParseDate(Text, true); }
TDateTime ParseDateEU(const String& Text) { return ParseDate(Text, false); }

int TAdvListView::sort_sub_item_ = -1;
int TAdvListView::sort_factor_ = 1;

void TAdvListView::SetSortDirection(TSortDirection Value) {
  sort_direction_ = Value;
  sort_factor_ = Value == sdAscending ? 1 : -1;
}

namespace {

int HeaderFormatOf(TListColumn* Column) {
  const TAlignment alignment = Column->Alignment();
  return HDF_STRING | (alignment == taRightJustify ? HDF_RIGHT : alignment == taCenter ? HDF_CENTER : HDF_LEFT);
}

}  // namespace

void TAdvListView::ShowPlainHeader(int Column) {
  HWND header = HeaderWindow();
  if (header == nullptr) return;
  HDITEM item;
  item.mask = HDI_FORMAT;
  item.fmt = HeaderFormatOf(Columns()->Items(Column));
  SendMessage(header, HDM_SETITEM, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&item));
}

void TAdvListView::ShowSortIndicator() {
  HWND header = HeaderWindow();
  if (header == nullptr || !SortShow) return;
  HDITEM item;
  const bool up = sort_direction_ == sdAscending;
  const int plain = HeaderFormatOf(Columns()->Items(sort_column_));
  const int side = SortIndicator == siRight ? HDF_BITMAP_ON_RIGHT : 0;
  if (!sort_up_glyph_->Empty() && !sort_down_glyph_->Empty()) {
    item.mask = HDI_FORMAT | HDI_BITMAP;
    item.hbm = up ? sort_up_glyph_->Handle() : sort_down_glyph_->Handle();
    item.fmt = plain | HDF_BITMAP | side;
  } else if (HeaderImages != nullptr) {
    SendMessage(header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(HeaderImages->Handle()));
    item.mask = HDI_FORMAT | HDI_IMAGE;
    item.iImage = up ? 0 : 1;
    item.fmt = plain | HDF_IMAGE | side;
  } else {
    return;
  }
  SendMessage(header, HDM_SETITEM, static_cast<WPARAM>(sort_column_), reinterpret_cast<LPARAM>(&item));
}

String TAdvListView::SortText(const TListItem* Item) {
  if (sort_sub_item_ < 0) return Item->Caption();
  const TStrings* sub = Item->SubItems();
  return sort_sub_item_ < sub->Count() ? sub->Strings(sort_sub_item_) : String();
}

int TAdvListView::CompareItems(LPARAM Item1, LPARAM Item2, LPARAM) {
  const auto* item1 = reinterpret_cast<const TListItem*>(Item1);
  const auto* item2 = reinterpret_cast<const TListItem*>(Item2);
  const auto* list = dynamic_cast<const TAdvListView*>(item1->ListView());
  if (list == nullptr) return 0;
  const int column = sort_sub_item_ + 1;
  TSortStyle style = 1;
  String prefix, suffix;
  if (list->OnGetFormat) list->OnGetFormat(const_cast<TAdvListView*>(list), column, style, prefix, suffix);
  const String a = SortText(item1);
  const String b = SortText(item2);
  auto by_numbers = [&](bool thousands) {
    const auto x = CellNumber(a, prefix, suffix, thousands);
    const auto y = CellNumber(b, prefix, suffix, thousands);
    return x && y ? Sign(*x - *y) : 0;
  };
  auto by_dates = [&](TDateTime (*parse)(const String&)) { return Sign(parse(a) - parse(b)); };
  int result;
  switch (style) {
    case 1:
    case 5: result = a.compare(b) < 0 ? -1 : (a == b ? 0 : 1); break;
    case 2: result = by_numbers(false); break;
    case 9: result = by_numbers(true); break;
    case 3:
      result = by_dates([](const String& t) {
        TDateTime d = 0;
        return TryStrToDateTime(t, d) ? d : TDateTime(0);
      });
      break;
    case 6: result = by_dates(ParseDateEU); break;
    case 7: result = by_dates(ParseDateUS); break;
    case 4: result = UpperCase(a) > UpperCase(b) ? 1 : (a == b ? 0 : -1); break;
    case 8:
      result = 1;
      if (list->OnCustomCompare) list->OnCustomCompare(const_cast<TAdvListView*>(list), column, a, b, result);
      break;
    default: result = 1; break;
  }
  return result * sort_factor_;
}

void TAdvListView::Sort(int Column) {
  const int previous = sort_column_;
  if (SortShow && previous >= 0 && previous < Columns()->Count() && previous != Column) ShowPlainHeader(previous);
  if (Column < 0 || Column >= Columns()->Count()) return;
  sort_column_ = Column;
  sort_sub_item_ = Column - 1;
  sort_factor_ = sort_direction_ == sdAscending ? 1 : -1;
  ShowSortIndicator();
  // The order is found with the class library's quicksort, which stays in
  // range whatever the comparison answers, then handed to the list.
  const int count = Items()->Count();
  std::vector<TListItem*> rows(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) rows[static_cast<std::size_t>(i)] = Items()->Item(i);
  auto row = [&](int i) { return reinterpret_cast<LPARAM>(rows[static_cast<std::size_t>(i)]); };
  classlib::QuickSort(0, count - 1, [&](int i, int j) { return CompareItems(row(i), row(j), 0); },
                      [&](int i, int j) { std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]); });
  std::unordered_map<const TListItem*, int> rank;
  rank.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) rank[rows[i]] = static_cast<int>(i);
  CustomSort([&](TListItem* x, TListItem* y) { return rank[x] - rank[y]; });
}

void TAdvListView::ColClick(TListColumn* Column) {
  if (SortShow && Column != nullptr) {
    const int column = Column->Index();
    if (column == sort_column_) {
      SetSortDirection(sort_direction_ == sdAscending ? sdDescending : sdAscending);
    }
    bool enable = true;
    if (OnSortStart) OnSortStart(this, column, enable);
    if (enable) {
      Sort(column);
      if (OnSortDone) OnSortDone(this, column);
    }
  }
  TListView::ColClick(Column);
}
