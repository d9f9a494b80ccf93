// Sorting a TAdvListView by a column when its header is clicked (with
// SortShow): the sort styles the program's OnGetFormat chooses, the
// direction and its indicator in the header, and the date notations of the
// date styles.
#pragma once

#include <functional>

#include "classlib/DateTime.h"
#include "classlib/Object.h"

enum TSortDirection { sdAscending, sdDescending };
enum TSortIndicator { siLeft, siRight };
// Sort styles, told by number: 1 and 5 ordinal text, 2 numbers, 9 numbers
// with thousands separators, 3 date and time in the short notation, 6 day
// month year, 7 month day year, 4 text without regard to case, 8 the
// program's own comparison; any other: the first row counts as greater.
using TSortStyle = int;

using TGetFormatEvent =
    std::function<void(TObject* Sender, int ACol, TSortStyle& AStyle, String& aPrefix, String& aSuffix)>;
using TCustomCompareEvent =
    std::function<void(TObject* Sender, int ACol, const String& str1, const String& str2, int& res)>;
using TSortStartEvent = std::function<void(TObject* Sender, int column, bool& enable)>;

// Dates of the sort styles 7 and 6: the text split at its first "-", "/"
// or ".", and the rest again; years below 100 get a century (above 25:
// 1900, else 2000). 0 when the text is no date.
TDateTime ParseDateUS(const String& Text);
TDateTime ParseDateEU(const String& Text);
