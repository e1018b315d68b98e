#pragma once
// A decimal number with four places, held as a signed 64-bit count of ten-thousandths
// (about +-9.2e14). The picture transform computes in it so that its results are the
// same on every machine and every compiler.
//
// Sums, differences and integer x decimal products are exact. A decimal x decimal
// product is rounded to the nearest ten-thousandth; a product exactly halfway between
// two goes to the one with the even last digit, the rule the program uses for every
// other rounding. Conversions to whole numbers and from double round the same way.
// Any result outside the 64-bit range raises errors::OverflowError.

#include "platform/Errors.h"

#include <cmath>
#include <compare>
#include <cstdint>
#include <limits>

class FixedDecimal {
    // Every intermediate fits in 128 bits, so range checks happen once, on the result.
    __extension__ typedef __int128 Wide;

public:
    static constexpr std::int64_t kScale = 10000;

    constexpr FixedDecimal() = default;

    // The number units / 10000, exactly.
    static constexpr FixedDecimal FromUnits(std::int64_t units) { return FixedDecimal(units); }
    // A whole number; errors::OverflowError beyond the range.
    static FixedDecimal FromInteger(std::int64_t value) { return Checked(static_cast<Wide>(value) * kScale); }
    // value rounded to four places (ties to even); errors::FloatingPointError for NaN,
    // errors::OverflowError beyond the range.
    static FixedDecimal FromDouble(double value)
    {
        if (std::isnan(value))
            throw errors::FloatingPointError();
        const double units = std::rint(value * kScale);
        // 2^63 is exact in double; anything at or beyond it does not fit.
        if (!(units >= -9223372036854775808.0 && units < 9223372036854775808.0))
            throw errors::OverflowError();
        return FixedDecimal(static_cast<std::int64_t>(units));
    }

    constexpr std::int64_t Units() const { return units_; }
    double ToDouble() const { return static_cast<double>(units_) / kScale; }

    // The largest whole number not above this one.
    constexpr std::int64_t Floor() const
    {
        const std::int64_t q = units_ / kScale;
        return units_ % kScale < 0 ? q - 1 : q;
    }
    // The nearest whole number, ties to even.
    constexpr std::int64_t Round() const { return DivideRounded<std::int64_t>(units_, kScale); }

    FixedDecimal Abs() const { return units_ < 0 ? -*this : *this; }

    friend FixedDecimal operator+(FixedDecimal a, FixedDecimal b)
    {
        return Checked(static_cast<Wide>(a.units_) + b.units_);
    }
    friend FixedDecimal operator-(FixedDecimal a, FixedDecimal b)
    {
        return Checked(static_cast<Wide>(a.units_) - b.units_);
    }
    friend FixedDecimal operator-(FixedDecimal a) { return Checked(-static_cast<Wide>(a.units_)); }
    friend FixedDecimal operator*(FixedDecimal a, FixedDecimal b)
    {
        // The transform's products are small; 128-bit division only when 64 bits overflow.
        if (std::int64_t product; !__builtin_mul_overflow(a.units_, b.units_, &product))
            return FixedDecimal(DivideRounded<std::int64_t>(product, kScale));
        return Checked(DivideRounded<Wide>(static_cast<Wide>(a.units_) * b.units_, kScale));
    }
    friend FixedDecimal operator*(std::int64_t whole, FixedDecimal a)
    {
        return Checked(static_cast<Wide>(whole) * a.units_);
    }
    friend FixedDecimal operator*(FixedDecimal a, std::int64_t whole) { return whole * a; }

    friend constexpr auto operator<=>(FixedDecimal, FixedDecimal) = default;

private:
    constexpr explicit FixedDecimal(std::int64_t units) : units_(units) {}

    static FixedDecimal Checked(Wide units)
    {
        if (units < std::numeric_limits<std::int64_t>::min() || units > std::numeric_limits<std::int64_t>::max())
            throw errors::OverflowError();
        return FixedDecimal(static_cast<std::int64_t>(units));
    }

    // value / divisor (divisor > 0) to the nearest integer, ties to even.
    template <typename Int>
    static constexpr Int DivideRounded(Int value, Int divisor)
    {
        Int q = value / divisor;       // truncated towards zero
        const Int r = value % divisor; // same sign as value
        const Int twice = (r < 0 ? -r : r) * 2;
        if (twice > divisor || (twice == divisor && q % 2 != 0))
            q += value < 0 ? -1 : 1;
        return q;
    }

    std::int64_t units_ = 0;
};
