#include "platform/Numeric.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

using namespace numeric;

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(426.6666), 427);
    EXPECT_EQ(RoundHalfEven(500.5), 500);
    EXPECT_EQ(RoundHalfEven(2.4999999), 2);
    EXPECT_EQ(RoundHalfEven(127.5), 128);
}

TEST(RoundHalfEven, ConversionsCheckTheirRange)
{
    EXPECT_EQ(ToInt32(2147483647.4), 2147483647);
    EXPECT_EQ(ToInt32(-2147483648.5), std::numeric_limits<std::int32_t>::min()); // tie to even
    EXPECT_THROW(ToInt32(2147483647.5), errors::OverflowError);
    EXPECT_THROW(ToInt32(-2147483649.0), errors::OverflowError);
    EXPECT_THROW(ToInt32(std::numeric_limits<double>::infinity()), errors::OverflowError);
    EXPECT_THROW(ToInt32(std::nan("")), errors::FloatingPointError);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(-32768.5), -32768);
    EXPECT_THROW(ToInt16(32767.5), errors::OverflowError);
    EXPECT_THROW(ToInt16(-32769), errors::OverflowError);
}

TEST(CheckedArithmetic, RaisesOverflowInsteadOfWrapping)
{
    EXPECT_EQ(Add32(2147483646, 1), 2147483647);
    EXPECT_THROW(Add32(2147483647, 1), errors::OverflowError);
    EXPECT_THROW(Sub32(-2147483647 - 1, 1), errors::OverflowError);
    EXPECT_EQ(Mul32(46340, 46340), 2147395600);
    EXPECT_THROW(Mul32(46341, 46341), errors::OverflowError);
    EXPECT_THROW(Mul32(715827883, 3), errors::OverflowError);
    EXPECT_EQ(Mul32(-65536, 32768), -2147483647 - 1);
    EXPECT_EQ(Add16(32766, 1), 32767);
    EXPECT_THROW(Add16(32767, 1), errors::OverflowError);
    EXPECT_THROW(Sub16(-32768, 1), errors::OverflowError);
    EXPECT_THROW(Mul16(256, 128), errors::OverflowError);
    EXPECT_EQ(Mul16(-256, 128), -32768);
    EXPECT_THROW(CheckedInt16(40000), errors::OverflowError);
    EXPECT_THROW(CheckedInt32(std::int64_t{1} << 31), errors::OverflowError);
}

TEST(LeadingNumber, ReadsTheSizeTextsUsersType)
{
    EXPECT_EQ(LeadingNumber("640"), 640);
    EXPECT_EQ(LeadingNumber("40%"), 40);
    EXPECT_EQ(LeadingNumber("12.5%"), 12.5);
    EXPECT_EQ(LeadingNumber("13.5%"), 13.5);
    EXPECT_EQ(LeadingNumber("800px"), 800);
    EXPECT_EQ(LeadingNumber("40 %"), 40);
    EXPECT_EQ(LeadingNumber("%40"), 0);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("12,5"), 12); // a comma is never a decimal separator
}

TEST(LeadingNumber, SkipsBlanksTabsAndLineFeedsWhereverTheyStand)
{
    EXPECT_EQ(LeadingNumber("6 40"), 640);
    EXPECT_EQ(LeadingNumber(" \t\n 1\t2\n3 . 5"), 123.5);
    EXPECT_EQ(LeadingNumber("- 5"), -5);
    EXPECT_EQ(LeadingNumber("1 e 2"), 100);
    // Other white space ends the number.
    EXPECT_EQ(LeadingNumber("12\r34"), 12);
    EXPECT_EQ(LeadingNumber(QString::fromUtf8("12\u00a034")), 12);
}

TEST(LeadingNumber, SignsFractionsAndExponents)
{
    EXPECT_EQ(LeadingNumber("-12.25"), -12.25);
    EXPECT_EQ(LeadingNumber("+7"), 7);
    EXPECT_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_EQ(LeadingNumber("5."), 5);
    EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
    EXPECT_EQ(LeadingNumber("--5"), 0);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("."), 0);
    EXPECT_EQ(LeadingNumber("1e3"), 1000);
    EXPECT_EQ(LeadingNumber("1E+3x"), 1000);
    EXPECT_EQ(LeadingNumber("25e-2"), 0.25);
    EXPECT_EQ(LeadingNumber("1d2"), 100);
    EXPECT_EQ(LeadingNumber("1e"), 1);
    EXPECT_EQ(LeadingNumber("1e-"), 1);
    EXPECT_EQ(LeadingNumber("1e-400"), 0);
    EXPECT_THROW(LeadingNumber("1e400"), errors::OverflowError);
    EXPECT_EQ(LeadingNumber("99999999999"), 99999999999.0);
}

TEST(LeadingNumber, HexadecimalAndOctalIntegers)
{
    EXPECT_EQ(LeadingNumber("&H10"), 16);
    EXPECT_EQ(LeadingNumber("&hff"), 255);
    EXPECT_EQ(LeadingNumber(" & H 1 F"), 31);
    EXPECT_EQ(LeadingNumber("&HFFFF"), -1); // 16-bit value
    EXPECT_EQ(LeadingNumber("&H8000"), -32768);
    EXPECT_EQ(LeadingNumber("&H10000"), 65536); // needs 32 bits
    EXPECT_EQ(LeadingNumber("&HFFFFFFFF"), -1);
    EXPECT_EQ(LeadingNumber("&H7FFFFFFF"), 2147483647);
    EXPECT_THROW(LeadingNumber("&H100000000"), errors::OverflowError);
    EXPECT_EQ(LeadingNumber("&O17"), 15);
    EXPECT_EQ(LeadingNumber("&o78"), 7);
    EXPECT_EQ(LeadingNumber("&H"), 0);
    EXPECT_EQ(LeadingNumber("&HG"), 0);
    EXPECT_EQ(LeadingNumber("&X1"), 0);
    EXPECT_EQ(LeadingNumber("&H1.5"), 1);
}

TEST(LeadingNumber, TellsWhetherANumberStoodThere)
{
    const std::pair<const char*, bool> cases[] = {{"0", true},    {" -0.0x", true}, {".5", true},  {"&H0", true},
                                                  {"abc", false}, {"", false},      {"-", false},  {"&H", false},
                                                  {"&Q1", false}, {".", false},     {"%40", false}};
    for (const auto& [text, expected] : cases) {
        bool found = !expected;
        LeadingNumber(text, &found);
        EXPECT_EQ(found, expected) << text;
    }
}

TEST(IgnoreErrors, RunsTheStepAndSwallowsOnlyWhatItRaises)
{
    int steps = 0;
    EXPECT_TRUE(errors::IgnoreErrors([&] { ++steps; }));
    EXPECT_FALSE(errors::IgnoreErrors([&] {
        ++steps;
        throw errors::OverflowError();
    }));
    EXPECT_FALSE(errors::IgnoreErrors([] { throw std::bad_alloc(); }));
    EXPECT_EQ(steps, 2);
    // A fault of the program itself is not the bad picture's: it must reach the top.
    EXPECT_THROW(errors::IgnoreErrors([] { throw std::logic_error("bug"); }), std::logic_error);
}
