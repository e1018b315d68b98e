#pragma once
// Number semantics the whole program shares: 16- and 32-bit signed arithmetic that raises
// errors::OverflowError instead of wrapping, rounding half to even for every
// float-to-integer conversion, floor for "Int", and the reading of the leading number of
// a text (size and quality texts typed by the user).

#include <QString>

#include <cstdint>

namespace numeric {

// Nearest integer, ties to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Inline because the resampler calls it for every channel of every target pixel; relies
// on the default round-to-nearest-even mode, which the program never changes.
inline double RoundHalfEven(double value)
{
    return __builtin_rint(value);
}

// RoundHalfEven into a 32-bit (16-bit) signed integer; OverflowError when the rounded
// value does not fit, FloatingPointError for NaN.
std::int32_t ToInt32(double value);
std::int16_t ToInt16(double value);

// Largest integer not above value.
double Floor(double value);

// Checked arithmetic: OverflowError when the exact result does not fit.
std::int32_t Add32(std::int32_t a, std::int32_t b);
std::int32_t Sub32(std::int32_t a, std::int32_t b);
std::int32_t Mul32(std::int32_t a, std::int32_t b);
std::int16_t Add16(std::int16_t a, std::int16_t b);
std::int16_t Sub16(std::int16_t a, std::int16_t b);
std::int16_t Mul16(std::int16_t a, std::int16_t b);
// Narrowing with a range check.
std::int16_t CheckedInt16(std::int64_t value);
std::int32_t CheckedInt32(std::int64_t value);

// The leading number of a text. Blanks, tabs and line feeds are skipped wherever they
// stand (so "6 40" reads 640); then an optional sign, digits with an optional "." and
// fraction, and an optional exponent (E or D, with its own sign). A leading "&H" or "&O"
// reads a hexadecimal or octal integer instead: up to 16 bits it is taken as a 16-bit
// signed value (&HFFFF is -1), up to 32 bits as a 32-bit one. Reading stops at the first
// character that does not fit; a text without a leading number gives 0. A comma is never
// a decimal separator. OverflowError when the number exceeds double's range or a hex or
// octal number exceeds 32 bits. found (when given) tells whether a number stood there at
// all, which a 0 result alone cannot.
double LeadingNumber(const QString& text, bool* found = nullptr);

} // namespace numeric
