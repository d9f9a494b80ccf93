// The locale values that the number and date routines read. They start as
// the English (United States) settings and are plain globals the program
// may change (as the class library's format variables are).
#pragma once

#include <array>

#include "classlib/Object.h"

// Numbers.
extern char DecimalSeparator;   // '.'
extern char ThousandSeparator;  // ','
// Currency: "$", format 0 ("$1"), negative format 0 ("($1)"), 2 decimals.
extern String CurrencyString;
extern int CurrencyFormat;
extern int NegCurrFormat;
extern int CurrencyDecimals;

// Dates and times. Formats use the FormatDateTime specifiers.
extern char DateSeparator;       // '/'
extern char TimeSeparator;       // ':'
extern String ShortDateFormat;   // "m/d/yyyy"
extern String LongDateFormat;    // "dddd, mmmm dd, yyyy"
extern String ShortTimeFormat;   // "h:nn AMPM"
extern String LongTimeFormat;    // "h:nn:ss AMPM"
extern String TimeAMString;      // "AM"
extern String TimePMString;      // "PM"
extern std::array<String, 12> ShortMonthNames;  // "Jan".."Dec"
extern std::array<String, 12> LongMonthNames;   // "January".."December"
extern std::array<String, 7> ShortDayNames;     // "Sun".."Sat"
extern std::array<String, 7> LongDayNames;      // "Sunday".."Saturday"
// Two-digit years read by StrToDate fall into the century window ending
// this many years after the current year (0: the current century).
extern int TwoDigitYearCenturyWindow;
