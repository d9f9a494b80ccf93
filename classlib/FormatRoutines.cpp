#include "classlib/FormatRoutines.h"

#include <algorithm>
#include <charconv>
#include <vector>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "classlib/Exceptions.h"
#include "classlib/FormatSettings.h"
#include "classlib/StringRoutines.h"

namespace {

// --- Decimal digits of a double ---

// value = 0.d1d2d3... x 10^exponent; `digits` has no trailing zeros and is
// empty for zero.
struct Decimal {
  bool negative = false;
  bool nan = false;
  bool infinite = false;
  int exponent = 0;
  String digits;
};

constexpr int kMaxDigits = 17;
constexpr int kNoDecimalLimit = 9999;

// The value rounded half away from zero to at most `precision` significant
// digits and at most `decimals` digits after the decimal point.
Decimal ToDecimal(double value, int precision, int decimals) {
  Decimal d;
  if (std::isnan(value)) {
    d.nan = true;
    return d;
  }
  d.negative = std::signbit(value);
  if (std::isinf(value)) {
    d.infinite = true;
    return d;
  }
  if (value == 0) {
    d.negative = false;
    return d;
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", kMaxDigits - 1, std::fabs(value));
  // buffer: "d.dddddddddddddddde[+-]xx"
  String all;
  all += buffer[0];
  const char* p = buffer + 2;
  while (*p != 'e') all += *p++;
  d.exponent = std::atoi(p + 1) + 1;

  int keep = std::min(std::clamp(precision, 1, kMaxDigits), kMaxDigits);
  if (decimals != kNoDecimalLimit) keep = std::min(keep, d.exponent + decimals);
  if (keep < 0) {
    d.negative = false;
    d.exponent = 0;
    return d;
  }
  const bool round_up = keep < static_cast<int>(all.size()) && all[static_cast<std::size_t>(keep)] >= '5';
  all.resize(static_cast<std::size_t>(keep));
  if (round_up) {
    int i = keep - 1;
    while (i >= 0 && all[static_cast<std::size_t>(i)] == '9') all[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++all[static_cast<std::size_t>(i)];
    } else {
      all.insert(all.begin(), '1');
      all.pop_back();
      ++d.exponent;
      if (all.empty()) all = "1";
    }
  }
  while (!all.empty() && all.back() == '0') all.pop_back();
  if (all.empty()) {
    d.negative = false;
    d.exponent = 0;
  }
  d.digits = all;
  return d;
}

char DigitAt(const Decimal& d, int index) {
  return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(index)]
                                                                 : '0';
}

String Special(const Decimal& d) {
  if (d.nan) return "NAN";
  return d.negative ? "-INF" : "INF";
}

String ExponentText(int exponent, int min_digits, bool plus_sign) {
  String text = std::to_string(std::abs(exponent));
  min_digits = std::clamp(min_digits, 0, 4);
  if (static_cast<int>(text.size()) < min_digits) {
    text.insert(0, static_cast<std::size_t>(min_digits) - text.size(), '0');
  }
  if (exponent < 0) return "E-" + text;
  return plus_sign ? "E+" + text : "E" + text;
}

String GroupThousands(const String& integer_digits) {
  String out;
  const int n = static_cast<int>(integer_digits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0 && ThousandSeparator != 0) out += ThousandSeparator;
    out += integer_digits[static_cast<std::size_t>(i)];
  }
  return out;
}

// Integer and fraction digits of a rounded decimal, the fraction padded to
// `decimals` digits.
void FixedParts(const Decimal& d, int decimals, String& integer_part, String& fraction) {
  integer_part.clear();
  for (int i = 0; i < d.exponent; ++i) integer_part += DigitAt(d, i);
  if (integer_part.empty()) integer_part = "0";
  fraction.clear();
  for (int i = 0; i < decimals; ++i) fraction += DigitAt(d, d.exponent + i);
}

String GeneralText(const Decimal& d, int precision, int exp_digits) {
  if (d.digits.empty()) return "0";
  String out = d.negative ? "-" : "";
  const int n = static_cast<int>(d.digits.size());
  if (d.exponent > precision || d.exponent < -3) {
    out += d.digits[0];
    if (n > 1) {
      out += DecimalSeparator;
      out += d.digits.substr(1);
    }
    return out + ExponentText(d.exponent - 1, exp_digits, false);
  }
  if (d.exponent <= 0) {
    out += '0';
    out += DecimalSeparator;
    out += String(static_cast<std::size_t>(-d.exponent), '0');
    return out + d.digits;
  }
  for (int i = 0; i < d.exponent; ++i) out += DigitAt(d, i);
  if (n > d.exponent) {
    out += DecimalSeparator;
    out += d.digits.substr(static_cast<std::size_t>(d.exponent));
  }
  return out;
}

String ExponentFormText(const Decimal& d, int precision, int exp_digits) {
  String out = d.negative ? "-" : "";
  out += DigitAt(d, 0);
  if (precision > 1) {
    out += DecimalSeparator;
    for (int i = 1; i < precision; ++i) out += DigitAt(d, i);
  }
  const int exponent = d.digits.empty() ? 0 : d.exponent - 1;
  return out + ExponentText(exponent, exp_digits, true);
}

String CurrencyText(const String& amount, bool negative) {
  const String& c = CurrencyString;
  if (!negative) {
    switch (CurrencyFormat) {
      case 1: return amount + c;
      case 2: return c + " " + amount;
      case 3: return amount + " " + c;
      default: return c + amount;
    }
  }
  switch (NegCurrFormat) {
    case 1: return "-" + c + amount;
    case 2: return c + "-" + amount;
    case 3: return c + amount + "-";
    case 4: return "(" + amount + c + ")";
    case 5: return "-" + amount + c;
    case 6: return amount + "-" + c;
    case 7: return amount + c + "-";
    case 8: return "-" + amount + " " + c;
    case 9: return "-" + c + " " + amount;
    case 10: return amount + " " + c + "-";
    case 11: return c + " " + amount + "-";
    case 12: return c + " -" + amount;
    case 13: return amount + "- " + c;
    case 14: return "(" + c + " " + amount + ")";
    case 15: return "(" + amount + " " + c + ")";
    default: return "(" + c + amount + ")";
  }
}

}  // namespace

String FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  precision = std::clamp(precision, 1, kMaxDigits);
  switch (format) {
    case ffGeneral: {
      const Decimal d = ToDecimal(value, precision, kNoDecimalLimit);
      if (d.nan || d.infinite) return Special(d);
      return GeneralText(d, precision, digits);
    }
    case ffExponent: {
      const Decimal d = ToDecimal(value, precision, kNoDecimalLimit);
      if (d.nan || d.infinite) return Special(d);
      return ExponentFormText(d, precision, digits);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      const Decimal d = ToDecimal(value, precision, digits);
      if (d.nan || d.infinite) return Special(d);
      // More integer digits than the precision holds: general format.
      if (d.exponent > precision) return GeneralText(ToDecimal(value, precision, kNoDecimalLimit), precision, 0);
      String integer_part, fraction;
      FixedParts(d, digits, integer_part, fraction);
      if (format != ffFixed) integer_part = GroupThousands(integer_part);
      String amount = integer_part;
      if (digits > 0) {
        amount += DecimalSeparator;
        amount += fraction;
      }
      if (format == ffCurrency) return CurrencyText(amount, d.negative);
      return d.negative ? "-" + amount : amount;
    }
  }
  return String();
}

String FloatToStr(double value) { return FloatToStrF(value, ffGeneral, 15, 0); }

// --- Format ---

namespace {

class Formatter {
 public:
  Formatter(const String& format, const TVarRec* args, std::size_t count)
      : format_(format), args_(args), count_(count) {}

  String Run() {
    String out;
    std::size_t i = 0;
    while (i < format_.size()) {
      const char c = format_[i++];
      if (c != '%') {
        out += c;
        continue;
      }
      if (i < format_.size() && format_[i] == '%') {
        out += '%';
        ++i;
        continue;
      }
      out += Specifier(i);
    }
    return out;
  }

 private:
  [[noreturn]] void Invalid() const { throw EConvertError(Format(SysConst::SInvalidFormat, format_)); }

  const TVarRec& Next() {
    if (next_ >= count_) throw EConvertError(Format(SysConst::SArgumentMissing, format_));
    return args_[next_++];
  }

  // Digits or "*" (the next integer argument); -1 when neither is there.
  int Number(std::size_t& i) {
    if (i < format_.size() && format_[i] == '*') {
      ++i;
      const TVarRec& a = Next();
      if (a.kind() != TVarRec::Kind::Integer) Invalid();
      return static_cast<int>(a.Int());
    }
    if (i >= format_.size() || format_[i] < '0' || format_[i] > '9') return -1;
    int n = 0;
    while (i < format_.size() && format_[i] >= '0' && format_[i] <= '9') {
      n = n * 10 + (format_[i++] - '0');
      if (n > 100000) Invalid();
    }
    return n;
  }

  String Specifier(std::size_t& i) {
    // Optional argument index "n:".
    std::size_t look = i;
    int number = -1;
    if (look < format_.size() && format_[look] != '*') number = Number(look);
    if (number >= 0 && look < format_.size() && format_[look] == ':') {
      next_ = static_cast<std::size_t>(number);
      i = look + 1;
    }
    bool left = false;
    if (i < format_.size() && format_[i] == '-') {
      left = true;
      ++i;
    }
    int width = Number(i);
    int precision = -1;
    if (i < format_.size() && format_[i] == '.') {
      ++i;
      precision = Number(i);
      if (precision < 0) precision = 0;
    }
    if (i >= format_.size()) Invalid();
    const char type = static_cast<char>(format_[i++] | 0x20);  // lower case
    String text = Convert(type, precision);
    if (width > static_cast<int>(text.size())) {
      const String pad(static_cast<std::size_t>(width) - text.size(), ' ');
      text = left ? text + pad : pad + text;
    }
    return text;
  }

  String Convert(char type, int precision) {
    switch (type) {
      case 'd': case 'u': case 'x': return IntegerText(type, precision);
      case 'e': case 'f': case 'g': case 'n': case 'm': return FloatText(type, precision);
      case 's': {
        const TVarRec& a = Next();
        if (a.kind() != TVarRec::Kind::Text && a.kind() != TVarRec::Kind::Char) Invalid();
        std::string_view t = a.Text();
        if (precision >= 0 && static_cast<std::size_t>(precision) < t.size()) t = t.substr(0, static_cast<std::size_t>(precision));
        return String(t);
      }
      case 'p': {
        const TVarRec& a = Next();
        if (a.kind() != TVarRec::Kind::Pointer) Invalid();
        return IntToHexBits(reinterpret_cast<std::uintptr_t>(a.Pointer()), static_cast<int>(sizeof(void*) * 2));
      }
      default: Invalid();
    }
  }

  String IntegerText(char type, int precision) {
    const TVarRec& a = Next();
    if (a.kind() != TVarRec::Kind::Integer) Invalid();
    String digits;
    bool negative = false;
    if (a.IsUnsigned64()) {
      digits = type == 'x' ? IntToHexBits(a.UInt64(), 0) : std::to_string(a.UInt64());
    } else if (type == 'd') {
      negative = a.Int() < 0;
      const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(a.Int()) : static_cast<std::uint64_t>(a.Int());
      digits = std::to_string(magnitude);
    } else {
      // Unsigned and hexadecimal show a negative value's bits in its width.
      std::uint64_t bits = static_cast<std::uint64_t>(a.Int());
      if (a.Bits() == 32) bits &= 0xFFFFFFFFull;
      digits = type == 'x' ? IntToHexBits(bits, 0) : std::to_string(bits);
    }
    if (precision > static_cast<int>(digits.size())) {
      digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
    }
    return negative ? "-" + digits : digits;
  }

  String FloatText(char type, int precision) {
    const TVarRec& a = Next();
    if (a.kind() != TVarRec::Kind::Float) Invalid();
    const double v = a.Float();
    switch (type) {
      case 'e': return FloatToStrF(v, ffExponent, precision < 0 ? 15 : precision, 3);
      case 'g': return FloatToStrF(v, ffGeneral, precision < 0 ? 15 : precision, 3);
      case 'f': return FloatToStrF(v, ffFixed, kMaxDigits, precision < 0 ? 2 : precision);
      case 'n': return FloatToStrF(v, ffNumber, kMaxDigits, precision < 0 ? 2 : precision);
      default: return FloatToStrF(v, ffCurrency, kMaxDigits, precision < 0 ? CurrencyDecimals : precision);
    }
  }

  const String& format_;
  const TVarRec* args_;
  std::size_t count_;
  std::size_t next_ = 0;
};

}  // namespace

String FormatArgs(const String& format, const TVarRec* args, std::size_t count) {
  return Formatter(format, args, count).Run();
}

String Format(const String& format, std::initializer_list<TVarRec> args) {
  return FormatArgs(format, args.begin(), args.size());
}

// --- FormatFloat ---

namespace {

// One section of a FormatFloat picture, analysed.
struct Picture {
  String text;                  // the section's characters
  int integer_zeros = 0;        // '0' placeholders before the decimal point
  int integer_placeholders = 0; // '0' and '#' before the decimal point
  int decimal_zeros = 0;        // '0' placeholders after the decimal point
  int decimals = 0;             // '0' and '#' after the decimal point
  bool has_point = false;
  bool thousands = false;
  bool scientific = false;
  bool exponent_plus = false;   // E+ rather than E-
  char exponent_letter = 'E';
  int exponent_digits = 0;
};

// Splits the picture at ';' outside quotes.
std::vector<String> Sections(const String& format) {
  std::vector<String> sections(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

Picture Analyse(const String& text) {
  Picture p;
  p.text = text;
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (p.scientific) continue;  // everything after the exponent is literal
    switch (c) {
      case '\'': case '"': quote = c; break;
      case '0':
        if (!p.has_point) {
          ++p.integer_zeros;
          ++p.integer_placeholders;
        }
        break;
      case '#':
        if (!p.has_point) ++p.integer_placeholders;
        break;
      case '.':
        p.has_point = true;
        break;
      case ',':
        if (!p.has_point) p.thousands = true;
        break;
      case 'E': case 'e':
        if (i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-') &&
            (p.integer_placeholders > 0 || p.has_point)) {
          p.scientific = true;
          p.exponent_letter = c;
          p.exponent_plus = text[i + 1] == '+';
          std::size_t k = i + 2;
          while (k < text.size() && text[k] == '0') {
            ++p.exponent_digits;
            ++k;
          }
        }
        break;
      default: break;
    }
  }
  // Count the decimal placeholders properly: '0' and '#' after the point,
  // and the position of the last '0' (digits up to it are always shown).
  p.decimals = 0;
  p.decimal_zeros = 0;
  bool after_point = false;
  quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    if ((c == 'E' || c == 'e') && p.scientific && i + 1 < text.size() &&
        (text[i + 1] == '+' || text[i + 1] == '-')) {
      break;
    }
    if (c == '.') after_point = true;
    if (!after_point) continue;
    if (c == '0' || c == '#') {
      ++p.decimals;
      if (c == '0') p.decimal_zeros = p.decimals;
    }
  }
  return p;
}

String ApplyPicture(const Picture& p, double value, bool show_sign) {
  // Digits of the value, rounded as the picture asks.
  Decimal d;
  int exponent = 0;
  if (p.scientific) {
    const int int_digits = std::max(1, p.integer_zeros > 0 ? p.integer_zeros : 1);
    d = ToDecimal(value, int_digits + p.decimals, kNoDecimalLimit);
    if (!d.digits.empty()) {
      exponent = d.exponent - int_digits;
      d.exponent = int_digits;
    }
  } else {
    d = ToDecimal(value, kMaxDigits, p.decimals);
  }
  String integer_digits;
  for (int i = 0; i < d.exponent; ++i) integer_digits += DigitAt(d, i);
  // Leading zeros up to the number of '0' placeholders.
  if (static_cast<int>(integer_digits.size()) < p.integer_zeros) {
    integer_digits.insert(0, static_cast<std::size_t>(p.integer_zeros) - integer_digits.size(), '0');
  }
  // A scientific mantissa always shows at least one integer digit.
  if (p.scientific && integer_digits.empty()) integer_digits = "0";
  if (p.thousands) integer_digits = GroupThousands(integer_digits);
  String fraction;
  for (int i = 0; i < p.decimals; ++i) fraction += DigitAt(d, d.exponent + i);
  while (static_cast<int>(fraction.size()) > p.decimal_zeros && !fraction.empty() && fraction.back() == '0') {
    fraction.pop_back();
  }

  // Walk the picture: literals stay in place, the integer digits go where
  // the first integer placeholder is, the fraction where the point is.
  String out;
  bool integer_done = false;
  bool point_done = false;
  char quote = 0;
  const String& t = p.text;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (quote) {
      if (c == quote) {
        quote = 0;
      } else {
        out += c;
      }
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    const bool placeholder = c == '0' || c == '#' || (c == ',' && !point_done);
    if (placeholder || c == '.') {
      if (!integer_done) {
        if (show_sign) out += '-';
        out += integer_digits;
        integer_done = true;
      }
      if (c == '.' && !point_done) {
        point_done = true;
        if (!fraction.empty()) {
          out += DecimalSeparator;
          out += fraction;
        }
      }
      continue;
    }
    if (p.scientific && (c == 'E' || c == 'e') && i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-')) {
      if (!integer_done) {
        if (show_sign) out += '-';
        out += integer_digits;
        integer_done = true;
      }
      String e = std::to_string(std::abs(exponent));
      if (static_cast<int>(e.size()) < p.exponent_digits) e.insert(0, static_cast<std::size_t>(p.exponent_digits) - e.size(), '0');
      out += c;
      if (exponent < 0) {
        out += '-';
      } else if (p.exponent_plus) {
        out += '+';
      }
      out += e;
      i += 1;
      while (i + 1 < t.size() && t[i + 1] == '0') ++i;
      continue;
    }
    out += c;
  }
  if (!integer_done) {
    // A picture without placeholders is only text.
  }
  return out;
}

}  // namespace

String FormatFloat(const String& format, double value) {
  if (format.empty()) return FloatToStr(value);
  if (std::isnan(value) || std::isinf(value)) return FloatToStr(value);
  const std::vector<String> sections = Sections(format);
  const auto section = [&](std::size_t k) -> const String* {
    return k < sections.size() && !sections[k].empty() ? &sections[k] : nullptr;
  };
  const bool negative = value < 0;
  const String* chosen = negative && section(1) ? section(1) : &sections[0];
  Picture picture = Analyse(*chosen);
  // A value that rounds to zero under its picture takes the zero section
  // when there is one, and never shows a minus sign.
  const Decimal rounded = picture.scientific ? ToDecimal(value, kMaxDigits, kNoDecimalLimit)
                                             : ToDecimal(value, kMaxDigits, picture.decimals);
  if (rounded.digits.empty()) {
    if (const String* zero = section(2)) return ApplyPicture(Analyse(*zero), 0.0, false);
    return ApplyPicture(Analyse(sections[0]), 0.0, false);
  }
  // The negative section shows the value without its sign.
  const bool sign_shown = negative && chosen == &sections[0];
  return ApplyPicture(picture, std::fabs(value), sign_shown);
}

// --- StrToFloat ---

bool TryStrToFloat(const String& s, double& value) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  String normal;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
  int digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    normal += s[i++];
    ++digits;
  }
  if (i < s.size() && s[i] == DecimalSeparator) {
    normal += '.';
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      normal += s[i++];
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
    int exp_digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      normal += s[i++];
      ++exp_digits;
    }
    if (exp_digits == 0) return false;
  }
  while (i < s.size() && s[i] == ' ') ++i;
  if (i != s.size()) return false;
  // from_chars reads the C notation whatever the process locale is.
  const char* first = normal.data();
  if (*first == '+') ++first;
  double v = 0;
  const auto [end, error] = std::from_chars(first, normal.data() + normal.size(), v);
  if (error != std::errc() || end != normal.data() + normal.size() || std::isinf(v)) return false;
  value = v;
  return true;
}

double StrToFloat(const String& s) {
  double v = 0;
  if (!TryStrToFloat(s, v)) throw EConvertError(Format(SysConst::SInvalidFloat, s));
  return v;
}

double StrToFloatDef(const String& s, double default_value) {
  double v = 0;
  return TryStrToFloat(s, v) ? v : default_value;
}
