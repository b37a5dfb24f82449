// Tests for the fast number texts: they must match what printf writes, byte for byte.
#include "pdf/FormatText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

TEST(FormatText, NumbersMatchPrintf) {
    // Rounding edges, then page coordinates as documents store them and arbitrary bit patterns.
    std::vector<double> values = {-0.0, 0.0000005, -0.0000005, 0.0000015, 2.675, -41.759995, 1e300};
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coordinate(-5000, 5000);
    for (int i = 0; i < 20000; i++) {
        uint64_t pattern = random();
        double bits = 0;
        std::memcpy(&bits, &pattern, sizeof bits);
        values.push_back(coordinate(random));
        if (!std::isnan(bits)) values.push_back(bits);
    }
    for (double value : values) {
        ASSERT_EQ(formatText("%f", value), fixedText(value)) << value;
        ASSERT_EQ(formatText("%.2f", value), fixedText(value, 2)) << value;
    }
}
