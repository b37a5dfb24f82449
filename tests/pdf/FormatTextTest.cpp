// Tests for the fast number texts: they must match what printf writes, byte for byte.
#include "pdf/FormatText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

TEST(FormatText, FixedTextMatchesPrintf) {
    const double values[] = {0.0,
                             -0.0,
                             0.5,
                             1.5,
                             2.5,
                             0.0000005,
                             -0.0000005,
                             0.0000015,
                             1e20,
                             -1e300,
                             123456789.1234565,
                             0.125,
                             0.005,
                             1.005,
                             2.675,
                             612,
                             -41.759995,
                             std::numeric_limits<double>::infinity(),
                             5e-324};
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

TEST(FormatText, IntegersReferencesAndBoxes) {
    EXPECT_EQ("0", intText(0));
    EXPECT_EQ("-2147483648", intText(-2147483648LL));
    EXPECT_EQ("12 0 R", refText(12, 0));
    EXPECT_EQ("7 65535 R", refText(7, 65535));
    EXPECT_EQ(formatText("[ %f %f %f %f ]", 0.0, -1.5, 612.0, 792.25),
              boxArrayText(0, -1.5, 612, 792.25));
    EXPECT_EQ(formatText("[ %f %f %f %f]", 0.0, -1.5, 612.0, 792.25),
              boxArrayText(0, -1.5, 612, 792.25, false));
}

TEST(FormatText, CrossReferenceLinesMatchPrintf) {
    const struct {
        long long offset;
        int gen;
    } cases[] = {
        {0, 0},       {9, 0}, {1234567890, 65535}, {9999999999LL, 99999}, {10000000000LL, 0},
        {15, 123456}, {-1, 0}};
    for (const auto& c : cases) {
        std::string line;
        appendXRefEntry(line, c.offset, c.gen);
        EXPECT_EQ(formatText("%010lld %05d n \r", c.offset, c.gen), line) << c.offset;
    }
}
