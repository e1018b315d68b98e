#include "Numeric.h"

#include "Errors.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace numeric {

namespace {

template <typename Int>
Int RoundInto(double value)
{
    if (std::isnan(value))
        throw errors::FloatingPointError();
    const double rounded = RoundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min())
        || rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        throw errors::OverflowError();
    return static_cast<Int>(rounded);
}

template <typename Int>
Int Narrow(std::int64_t value)
{
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        throw errors::OverflowError();
    return static_cast<Int>(value);
}

bool IsSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// Walks a text while skipping the characters that never count.
class Reader {
public:
    explicit Reader(const QString& text) : text_(text) {}

    QChar Peek()
    {
        while (pos_ < text_.size() && IsSkipped(text_[pos_]))
            ++pos_;
        return pos_ < text_.size() ? text_[pos_] : QChar();
    }
    void Next() { ++pos_; }

private:
    const QString& text_;
    qsizetype pos_ = 0;
};

int DigitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9')
        v = u - u'0';
    else if (u >= u'a' && u <= u'f')
        v = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        v = u - u'A' + 10;
    return v < base ? v : -1;
}

double ReadRadixInteger(Reader& in, int base, bool& found)
{
    std::uint64_t value = 0;
    for (int d = DigitValue(in.Peek(), base); d >= 0; d = DigitValue(in.Peek(), base)) {
        value = value * base + d;
        found = true;
        if (value > 0xFFFFFFFFull)
            throw errors::OverflowError();
        in.Next();
    }
    if (value <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double Floor(double value)
{
    return std::floor(value);
}

std::int32_t ToInt32(double value)
{
    return RoundInto<std::int32_t>(value);
}
std::int16_t ToInt16(double value)
{
    return RoundInto<std::int16_t>(value);
}

std::int16_t CheckedInt16(std::int64_t value)
{
    return Narrow<std::int16_t>(value);
}
std::int32_t CheckedInt32(std::int64_t value)
{
    return Narrow<std::int32_t>(value);
}

std::int32_t Add32(std::int32_t a, std::int32_t b)
{
    return CheckedInt32(std::int64_t{a} + b);
}
std::int32_t Sub32(std::int32_t a, std::int32_t b)
{
    return CheckedInt32(std::int64_t{a} - b);
}
std::int32_t Mul32(std::int32_t a, std::int32_t b)
{
    return CheckedInt32(std::int64_t{a} * b);
}
std::int16_t Add16(std::int16_t a, std::int16_t b)
{
    return CheckedInt16(std::int64_t{a} + b);
}
std::int16_t Sub16(std::int16_t a, std::int16_t b)
{
    return CheckedInt16(std::int64_t{a} - b);
}
std::int16_t Mul16(std::int16_t a, std::int16_t b)
{
    return CheckedInt16(std::int64_t{a} * b);
}

double LeadingNumber(const QString& text, bool* found)
{
    bool ignored = false;
    bool& anyDigit = found ? *found : ignored;
    anyDigit = false;
    Reader in(text);

    if (in.Peek() == u'&') {
        in.Next();
        const QChar kind = in.Peek().toUpper();
        if (kind == u'H') {
            in.Next();
            return ReadRadixInteger(in, 16, anyDigit);
        }
        if (kind == u'O') {
            in.Next();
            return ReadRadixInteger(in, 8, anyDigit);
        }
        return 0;
    }

    // Collect the number in C locale form and let strtod do the exact conversion.
    std::string number;
    if (in.Peek() == u'-' || in.Peek() == u'+') {
        number += static_cast<char>(in.Peek().unicode());
        in.Next();
    }
    while (IsDigit(in.Peek())) {
        number += static_cast<char>(in.Peek().unicode());
        anyDigit = true;
        in.Next();
    }
    if (in.Peek() == u'.') {
        number += '.';
        in.Next();
        while (IsDigit(in.Peek())) {
            number += static_cast<char>(in.Peek().unicode());
            anyDigit = true;
            in.Next();
        }
    }
    if (!anyDigit)
        return 0;

    const QChar e = in.Peek().toUpper();
    if (e == u'E' || e == u'D') {
        in.Next();
        std::string exponent = "e";
        if (in.Peek() == u'-' || in.Peek() == u'+') {
            exponent += static_cast<char>(in.Peek().unicode());
            in.Next();
        }
        bool expDigit = false;
        while (IsDigit(in.Peek())) {
            // Cap absurd exponents; strtod still reports the overflow or underflow.
            if (exponent.size() < 12)
                exponent += static_cast<char>(in.Peek().unicode());
            expDigit = true;
            in.Next();
        }
        if (expDigit)
            number += exponent;
    }

    const double value = std::strtod(number.c_str(), nullptr);
    if (std::isinf(value))
        throw errors::OverflowError();
    return value;
}

} // namespace numeric
