// The decimal reader: what may come in front, and numbers past their limit.
#include "common/decimal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace qel {
namespace {

TEST(DecimalTest, LeadingBytesAndSignFollowTheOptions) {
    EXPECT_EQ(read_decimal(" \t42x", 1000, DecimalBlanks).value, 42);
    EXPECT_EQ(read_decimal("\n42", 1000, DecimalBlanks).digits, 0);
    EXPECT_EQ(read_decimal("\v\f\r\n 42", 1000, DecimalSpaces).value, 42);
    EXPECT_EQ(read_decimal(" -42", 1000, DecimalBlanks | DecimalSign).value, -42);
    EXPECT_EQ(read_decimal("-42", 1000, DecimalDigitsOnly).digits, 0);
    EXPECT_EQ(read_decimal("+7", 1000, DecimalSign).value, 7);

    // The end is after the digits, or after the lead when there are none.
    const char* text = " -12ab";
    DecimalNumber n = read_decimal(text, 1000, DecimalBlanks | DecimalSign);
    EXPECT_EQ(n.end, text + 4);
    EXPECT_EQ(n.digits, 2);
    n = read_decimal(" -ab", 1000, DecimalBlanks | DecimalSign);
    EXPECT_EQ(n.value, 0);
    EXPECT_EQ(n.digits, 0);
}

TEST(DecimalTest, NumbersPastTheLimitAreHeldThereAndConsumedWhole) {
    // Just below, at and past the limit; long runs of digits stay held.
    EXPECT_EQ(read_decimal("99", 100, DecimalDigitsOnly).value, 99);
    EXPECT_EQ(read_decimal("100", 100, DecimalDigitsOnly).value, 100);
    EXPECT_EQ(read_decimal("101", 100, DecimalDigitsOnly).value, 100);
    const char* many = "123456789012345678901234567890123456789012345678901234567890!";
    DecimalNumber n = read_decimal(many, LLONG_MAX, DecimalDigitsOnly);
    EXPECT_EQ(n.value, LLONG_MAX);
    EXPECT_EQ(n.digits, 60);
    EXPECT_EQ(*n.end, '!');
    EXPECT_EQ(read_decimal("-99999999999999999999", LLONG_MAX, DecimalSign).value, -LLONG_MAX);

    // Limits below one digit: nothing ever passes them.
    EXPECT_EQ(read_decimal("7", 0, DecimalDigitsOnly).value, 0);
    EXPECT_EQ(read_decimal("57", 5, DecimalDigitsOnly).value, 5);
    EXPECT_EQ(read_decimal("3", -4, DecimalDigitsOnly).value, 0);
}

TEST(DecimalTest, IntegersReadLikeAtoiWithinTheRangeOfInt) {
    EXPECT_EQ(read_int("  -2147483648"), INT_MIN);
    EXPECT_EQ(read_int("2147483647"), INT_MAX);
    EXPECT_EQ(read_int("2147483648"), INT_MAX);
    EXPECT_EQ(read_int("4294967297"), INT_MAX);  // held, not wrapped round to 1
    EXPECT_EQ(read_int("-4294967297"), INT_MIN);
    EXPECT_EQ(read_int("12abc"), 12);
    EXPECT_EQ(read_int("abc"), 0);
    EXPECT_EQ(read_int(""), 0);
}

}  // namespace
}  // namespace qel
