#include "classlib/MathRoutines.h"

#include <cfenv>
#include <chrono>
#include <climits>
#include <cmath>

#include "classlib/Exceptions.h"
#include "platform/core/clock.h"

namespace {

constexpr const char* kInvalidOp = "Invalid floating point operation";

// 2^63 as a double: the first value past the 64-bit range.
constexpr double kTwo63 = 9223372036854775808.0;

bool FitsInt64(double v) { return v >= -kTwo63 && v < kTwo63; }

}  // namespace

std::int64_t Round(double value) {
  // Round to nearest with ties to even, whatever mode the caller set.
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(value);
  std::fesetround(saved);
  if (std::isnan(r) || !FitsInt64(r)) throw EInvalidOp(kInvalidOp);
  return static_cast<std::int64_t>(r);
}

std::int64_t Trunc(double value) {
  const double t = std::trunc(value);
  if (std::isnan(t) || !FitsInt64(t)) throw EInvalidOp(kInvalidOp);
  return static_cast<std::int64_t>(t);
}

double Frac(double value) { return value - std::trunc(value); }

double Int(double value) { return std::trunc(value); }

std::int32_t RandSeed = 0;

namespace {
std::uint32_t NextSeed() {
  const std::uint32_t next = static_cast<std::uint32_t>(RandSeed) * 134775813u + 1u;
  RandSeed = static_cast<std::int32_t>(next);
  return next;
}
}  // namespace

int Random(int range) {
  const std::uint32_t seed = NextSeed();
  if (range <= 0) return 0;
  return static_cast<int>((static_cast<std::uint64_t>(seed) * static_cast<std::uint32_t>(range)) >> 32);
}

double Random() { return static_cast<double>(NextSeed()) / 4294967296.0; }

void Randomize() {
  const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
  RandSeed = static_cast<std::int32_t>(static_cast<std::uint64_t>(wall) ^ platform::ClockMicros());
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  std::int64_t quotient = product / c;
  const std::int64_t remainder = product % c;
  // Round half away from zero: compare twice the remainder with the divisor.
  const std::int64_t twice = remainder < 0 ? -2 * remainder : 2 * remainder;
  const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
  if (twice >= divisor) quotient += ((product < 0) != (c < 0)) ? -1 : 1;
  if (quotient > INT_MAX || quotient < INT_MIN) return -1;
  return static_cast<int>(quotient);
}
