#include "game/Numbers.h"

#include <gtest/gtest.h>

using lilyhops::leadingNumber;
using lilyhops::plainDecimal;

TEST(LeadingNumber, ReadsTheNumberAtTheStartOfACaption) {
    EXPECT_EQ(leadingNumber("1350"), 1350);
    EXPECT_EQ(leadingNumber("-50"), -50);
    EXPECT_EQ(leadingNumber("12.5 points"), 12.5);
    EXPECT_EQ(leadingNumber("  7"), 7);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("3."), 3);
    EXPECT_EQ(leadingNumber("1e3"), 1000);
    EXPECT_EQ(leadingNumber("2e"), 2);
    EXPECT_EQ(leadingNumber("4-5"), 4);
}

TEST(LeadingNumber, CountsACaptionWithoutANumberAsZero) {
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("Score"), 0);
    EXPECT_EQ(leadingNumber("-"), 0);
    EXPECT_EQ(leadingNumber("-."), 0);
    EXPECT_EQ(leadingNumber("e5"), 0);
}

TEST(PlainDecimal, WritesNoPointBlankSeparatorOrExponent) {
    EXPECT_EQ(plainDecimal(200.0), "200");
    EXPECT_EQ(plainDecimal(-50.0), "-50");
    EXPECT_EQ(plainDecimal(1350.0), "1350");
    EXPECT_EQ(plainDecimal(12.5), "12.5");
    EXPECT_EQ(plainDecimal(-0.0), "0");
    EXPECT_EQ(plainDecimal(1e20), "100000000000000000000");
    EXPECT_EQ(plainDecimal(0.001), "0.001");
    EXPECT_EQ(plainDecimal(6682.5f), "6682.5");
    EXPECT_EQ(plainDecimal(-345.0f), "-345");
}

TEST(PlainDecimal, RoundTripsThroughLeadingNumber) {
    for (double v : {0.0, -1000.0, 2355.0, 200.1, -0.25, 123456789.0})
        EXPECT_EQ(leadingNumber(plainDecimal(v)), v) << v;
}
