// Formatting and reading of numbers: Format, FormatFloat, FloatToStr,
// FloatToStrF and StrToFloat, with the class library's rules. They read the
// separators and currency settings of FormatSettings.h.
//
// Rounding: a floating-point value is first taken to its 17 significant
// decimal digits (which identify a double exactly); those digits are then
// rounded half away from zero to the digits the format asks for, as the
// class library's decimal conversion does. (Round, in MathRoutines.h,
// rounds halves to even.)
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <type_traits>

#include "classlib/Object.h"

// One argument of Format: an integer, a Boolean, a character, a
// floating-point value, a text or a pointer. Format checks that each format
// specifier gets an argument of a kind it accepts.
class TVarRec {
 public:
  enum class Kind { Integer, Boolean, Char, Float, Text, Pointer };

  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  TVarRec(T v)  // NOLINT: implicit on purpose, like an "array of const"
      : kind_(Kind::Integer), bits_(sizeof(T) <= 4 ? 32 : 64) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) == 8) {
      uvalue_ = v;
      unsigned64_ = true;
    } else {
      ivalue_ = static_cast<std::int64_t>(v);
      // An unsigned 32-bit value is shown with its full value.
      if constexpr (std::is_unsigned_v<T>) bits_ = 64;
    }
  }
  TVarRec(bool v) : kind_(Kind::Boolean), ivalue_(v ? 1 : 0) {}
  TVarRec(char v) : kind_(Kind::Char), text_(&char_, 1), char_(v) {}
  TVarRec(double v) : kind_(Kind::Float), fvalue_(v) {}
  TVarRec(float v) : kind_(Kind::Float), fvalue_(v) {}
  TVarRec(long double v) : kind_(Kind::Float), fvalue_(static_cast<double>(v)) {}
  TVarRec(const String& v) : kind_(Kind::Text), text_(v) {}
  TVarRec(const char* v) : kind_(Kind::Text), text_(v ? std::string_view(v) : std::string_view()) {}
  TVarRec(std::string_view v) : kind_(Kind::Text), text_(v) {}
  TVarRec(const void* v) : kind_(Kind::Pointer), pointer_(v) {}
  TVarRec(std::nullptr_t) : kind_(Kind::Pointer), pointer_(nullptr) {}

  TVarRec(const TVarRec& o)
      : kind_(o.kind_), bits_(o.bits_), unsigned64_(o.unsigned64_), ivalue_(o.ivalue_),
        uvalue_(o.uvalue_), fvalue_(o.fvalue_), text_(o.text_), pointer_(o.pointer_),
        char_(o.char_) {
    if (kind_ == Kind::Char) text_ = std::string_view(&char_, 1);
  }
  TVarRec& operator=(const TVarRec&) = delete;

  Kind kind() const { return kind_; }
  // Integer arguments.
  bool IsUnsigned64() const { return unsigned64_; }
  std::int64_t Int() const { return ivalue_; }
  std::uint64_t UInt64() const { return uvalue_; }
  // Bits of the integer's own type (32 or 64): a negative value shown as
  // unsigned or hexadecimal is the two's complement of that width.
  int Bits() const { return bits_; }
  double Float() const { return fvalue_; }
  std::string_view Text() const { return text_; }
  const void* Pointer() const { return pointer_; }

 private:
  Kind kind_;
  int bits_ = 64;
  bool unsigned64_ = false;
  std::int64_t ivalue_ = 0;
  std::uint64_t uvalue_ = 0;
  double fvalue_ = 0;
  std::string_view text_;
  const void* pointer_ = nullptr;
  char char_ = 0;
};

// Format(fmt, {args...}) or Format(fmt, args...). Specifiers:
//   "%" [index ":"] ["-"] [width] ["." precision] type
// with width and precision digits or "*" (taken from the next integer
// argument), and the types d (decimal; precision = minimum digits),
// u (unsigned decimal), x (upper-case hexadecimal; precision = minimum
// digits), e (scientific: precision = total digits, default 15, exponent
// with sign and at least 3 digits), f (fixed: precision = decimals,
// default 2), g (general: shortest of fixed and scientific, precision =
// significant digits, default 15), n (fixed with thousand separators),
// m (currency), p (pointer, hexadecimal), s (text or character;
// precision = most characters). Type letters may be upper case; "%%" is
// one "%". A "-" pads on the right instead of the left. A missing argument
// or one of the wrong kind raises EConvertError.
String Format(const String& format, std::initializer_list<TVarRec> args);
String FormatArgs(const String& format, const TVarRec* args, std::size_t count);
template <class... A>
String Format(const String& format, const A&... args) {
  const TVarRec list[] = {TVarRec(args)..., TVarRec(0)};
  return FormatArgs(format, list, sizeof...(A));
}

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// The class library's FloatToStrF: `precision` significant digits (1..17);
// `digits` is the minimum exponent digits (ffGeneral, ffExponent) or the
// number of decimals (ffFixed, ffNumber, ffCurrency).
String FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// FloatToStrF(value, ffGeneral, 15, 0): "0.5", "1E20", "1.5E-7".
String FloatToStr(double value);
// Formats with a picture: sections "positive;negative;zero" made of
// 0 (digit), # (optional digit), . (decimal point), , (thousand
// separators), E+ E- e+ e- (scientific), '...' and "..." (literal text) and
// any other character as itself. An empty picture gives FloatToStr.
String FormatFloat(const String& format, double value);

// Reads a decimal number: blanks, a sign, digits with DecimalSeparator, an
// optional exponent, blanks. Anything else raises EConvertError
// "'<text>' is not a valid floating point value".
double StrToFloat(const String& s);
double StrToFloatDef(const String& s, double default_value);
bool TryStrToFloat(const String& s, double& value);
