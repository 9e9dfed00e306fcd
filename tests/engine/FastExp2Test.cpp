#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "numeric/FloatMath.h"

TEST(FastExp2, ExactAtIntegersAndKnownFloatSteps) {
    EXPECT_EQ(fastExp2(0.0f), 1.0f);
    EXPECT_EQ(fastExp2(1.0f), 2.0f);
    EXPECT_EQ(fastExp2(-1.0f), 0.5f);
    EXPECT_EQ(fastExp2(3.0f), 8.0f);
    EXPECT_EQ(fastExp2(0.5f), 1.4141235f);
    EXPECT_EQ(fastExp2(0.083333336f), 1.0596085f);  // one semitone
}

TEST(FastExp2, StaysCloseToTheTrueCurve) {
    for (float x = -2.0f; x <= 2.0f; x += 0.01f) {
        const double exact = std::exp2(static_cast<double>(x));
        EXPECT_NEAR(fastExp2(x) / exact, 1.0, 2e-3) << "x = " << x;
    }
}

TEST(TruncToInt, TruncatesTowardZeroInRange) {
    EXPECT_EQ(truncToInt(2.9f), 2);
    EXPECT_EQ(truncToInt(-2.9f), -2);
    EXPECT_EQ(truncToInt(326.99f), 326);
    EXPECT_EQ(truncToInt(-2147483520.0f), -2147483520);
    EXPECT_EQ(truncToInt(5512.5), 5512);
}

// Callers rely on one known value (INT32_MIN, the processor's "integer indefinite") for every input
// a cast could not convert, in both overloads, and on the vector truncation giving the same.
TEST(TruncToInt, NonFiniteAndHugeValuesGiveTheIntegerIndefinite) {
    volatile float hostile[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 2147483648.0f};
    for (float x : hostile) {
        EXPECT_EQ(truncToInt(x), INT32_MIN) << x;
        EXPECT_EQ(truncToInt(static_cast<double>(x)), INT32_MIN) << x;
    }
    EXPECT_EQ(truncToInt(-2147483648.0f), INT32_MIN);  // in range, and the same value
}
