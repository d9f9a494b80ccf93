#include "classlib/FormatSettings.h"

char DecimalSeparator = '.';
char ThousandSeparator = ',';
String CurrencyString = "$";
int CurrencyFormat = 0;
int NegCurrFormat = 0;
int CurrencyDecimals = 2;

char DateSeparator = '/';
char TimeSeparator = ':';
String ShortDateFormat = "m/d/yyyy";
String LongDateFormat = "dddd, mmmm dd, yyyy";
String ShortTimeFormat = "h:nn AMPM";
String LongTimeFormat = "h:nn:ss AMPM";
String TimeAMString = "AM";
String TimePMString = "PM";
std::array<String, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
std::array<String, 12> LongMonthNames = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};
std::array<String, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
std::array<String, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
int TwoDigitYearCenturyWindow = 50;
