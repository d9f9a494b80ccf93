// Number routines: Round (halves to even), Trunc, Frac, Int, the class
// library's random generator and the platform's MulDiv.
#pragma once

#include <cstdint>

// The nearest integer, halves to the even neighbour (Round(2.5) = 2,
// Round(3.5) = 4, Round(-2.5) = -2). A value outside the 64-bit range or
// not a number raises EInvalidOp.
std::int64_t Round(double value);
// The integer part, towards zero; out of range raises EInvalidOp.
std::int64_t Trunc(double value);
// The fractional part (sign kept) and the integer part as a float.
double Frac(double value);
double Int(double value);

// The class library's linear congruential generator: RandSeed advances as
// RandSeed * 134775813 + 1 (32 bits) on each call. Random(n) gives
// 0 <= r < n (0 when n <= 0); Random() gives 0 <= r < 1.
extern std::int32_t RandSeed;
int Random(int range);
double Random();
// Seeds RandSeed from the wall clock and the performance counter.
void Randomize();

// (a * b) / c with a 64-bit product, rounded to the nearest integer (halves
// away from zero); -1 when c is 0 or the result does not fit 32 bits.
int MulDiv(int a, int b, int c);
