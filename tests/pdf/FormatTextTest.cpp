// Tests for the fast number texts: they must match what printf writes, byte for byte.
#include "pdf/FormatText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

TEST(FormatText, FixedTextMatchesPrintf) {
    const double values[] = {
        0.0,   -0.0,  0.5,   1.5,   2.5, 0.0000005,  -0.0000005,        0.0000015, 1e20,  -1e300,
        0.125, 0.005, 1.005, 2.675, 612, -41.759995, 123456789.1234565, HUGE_VAL,  5e-324};
    for (double value : values) {
        EXPECT_EQ(formatText("%f", value), fixedText(value)) << value;
        EXPECT_EQ(formatText("%.2f", value), fixedText(value, 2)) << value;
    }
    // Page coordinates as documents store them, and arbitrary bit patterns.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coordinate(-5000, 5000);
    for (int i = 0; i < 20000; i++) {
        double value = coordinate(random);
        ASSERT_EQ(formatText("%f", value), fixedText(value)) << value;
        ASSERT_EQ(formatText("%.2f", value), fixedText(value, 2)) << value;
        double bits = 0;
        uint64_t pattern = random();
        std::memcpy(&bits, &pattern, sizeof bits);
        if (std::isnan(bits)) continue;
        ASSERT_EQ(formatText("%f", bits), fixedText(bits));
    }
}

TEST(FormatText, IntegersReferencesBoxesAndXRefLines) {
    EXPECT_EQ("-2147483648|7 65535 R", intText(-2147483648LL) + "|" + refText(7, 65535));
    EXPECT_EQ("[ 0.000000 -1.500000 612.000000 792.250000 ]", boxArrayText(0, -1.5, 612, 792.25));
    EXPECT_EQ("[ 0.000000 -1.500000 612.000000 792.250000]",
              boxArrayText(0, -1.5, 612, 792.25, false));
    const long long offsets[][2] = {
        {0, 0},       {9, 0}, {1234567890, 65535}, {9999999999LL, 99999}, {10000000000LL, 0},
        {15, 123456}, {-1, 0}};
    for (const auto& c : offsets) {
        std::string line;
        appendXRefEntry(line, c[0], static_cast<int>(c[1]));
        EXPECT_EQ(formatText("%010lld %05d n \r", c[0], static_cast<int>(c[1])), line) << c[0];
    }
}
