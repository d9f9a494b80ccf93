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

void TAdvListView::ShowSortIndicator(int Previous) {
  HWND header = HeaderWindow();
  if (header == nullptr || !SortShow) return;
  auto plain_format = [&](int column) {
    const TAlignment alignment = Columns()->Items(column)->Alignment();
    return HDF_STRING | (alignment == taRightJustify ? HDF_RIGHT : alignment == taCenter ? HDF_CENTER : HDF_LEFT);
  };
  if (Previous >= 0 && Previous < Columns()->Count() && Previous != sort_column_) {
    HDITEM item;
    item.mask = HDI_FORMAT;
    item.fmt = plain_format(Previous);
    SendMessage(header, HDM_SETITEM, static_cast<WPARAM>(Previous), reinterpret_cast<LPARAM>(&item));
  }
  HDITEM item;
  const bool up = sort_direction_ == sdAscending;
  if (!sort_up_glyph_->Empty() && !sort_down_glyph_->Empty()) {
    item.mask = HDI_FORMAT | HDI_BITMAP;
    item.hbm = up ? sort_up_glyph_->Handle() : sort_down_glyph_->Handle();
    item.fmt = plain_format(sort_column_) | HDF_BITMAP | (SortIndicator == siRight ? HDF_BITMAP_ON_RIGHT : 0);
  } else if (HeaderImages != nullptr) {
    SendMessage(header, HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(HeaderImages->Handle()));
    item.mask = HDI_FORMAT | HDI_IMAGE;
    item.iImage = up ? 0 : 1;
    item.fmt = plain_format(sort_column_) | HDF_IMAGE | (SortIndicator == siRight ? HDF_BITMAP_ON_RIGHT : 0);
  } else {
    return;
  }
  SendMessage(header, HDM_SETITEM, static_cast<WPARAM>(sort_column_), reinterpret_cast<LPARAM>(&item));
}

void TAdvListView::Sort(int Column) {
  if (Column < 0 || Column >= Columns()->Count()) return;
  const int previous = sort_column_;
  sort_column_ = Column;
  ShowSortIndicator(previous);
  const int count = Items()->Count();
  // The order is found with the class library's quicksort, which stays in
  // range whatever the comparison answers, then given to the list.
  std::vector<TListItem*> rows(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) rows[static_cast<std::size_t>(i)] = Items()->Item(i);
  TSortStyle style = 1;
  String prefix, suffix;
  if (OnGetFormat) OnGetFormat(this, Column, style, prefix, suffix);
  const int direction = sort_direction_ == sdAscending ? 1 : -1;
  std::vector<String> texts(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) texts[i] = CellText(Column, static_cast<int>(i));
  std::vector<std::optional<double>> keys;
  if (style == 2 || style == 9 || style == 3 || style == 6 || style == 7) {
    // Each cell's value is read once.
    keys.resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const String& t = texts[i];
      if (style == 2 || style == 9) {
        keys[i] = CellNumber(t, prefix, suffix, style == 9);
      } else if (style == 3) {
        TDateTime d = 0;
        TryStrToDateTime(t, d);
        keys[i] = d;
      } else {
        keys[i] = style == 6 ? ParseDateEU(t) : ParseDateUS(t);
      }
    }
  }
  std::vector<int> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  auto compare_rows = [&](int i, int j) -> int {
    const String& a = texts[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])];
    const String& b = texts[static_cast<std::size_t>(order[static_cast<std::size_t>(j)])];
    const auto& ka = keys.empty() ? std::optional<double>() : keys[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])];
    const auto& kb = keys.empty() ? std::optional<double>() : keys[static_cast<std::size_t>(order[static_cast<std::size_t>(j)])];
    int result;
    switch (style) {
      case 1:
      case 5: result = a.compare(b) < 0 ? -1 : (a == b ? 0 : 1); break;
      case 2:
      case 9:
      case 3:
      case 6:
      case 7: result = ka && kb ? Sign(*ka - *kb) : 0; break;
      case 4: result = UpperCase(a) > UpperCase(b) ? 1 : (a == b ? 0 : -1); break;
      case 8:
        result = 1;
        if (OnCustomCompare) OnCustomCompare(this, Column, a, b, result);
        break;
      default: result = 1; break;
    }
    return result * direction;
  };
  classlib::QuickSort(0, count - 1, compare_rows,
                      [&](int i, int j) { std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]); });
  std::unordered_map<const TListItem*, int> rank;
  rank.reserve(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) rank[rows[static_cast<std::size_t>(order[i])]] = static_cast<int>(i);
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
