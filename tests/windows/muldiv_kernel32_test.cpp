// The portable vtx::px::MulDiv must give exactly what kernel32's px::MulDiv gives:
// rounding of halves away from zero, negative operands and divisors, a zero
// divisor and results that do not fit 32 bits. Compiled for Windows builds
// only and run under Wine.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "primitives/conventions.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Operands around every boundary (the zero divisor included): zero, ±1,
// small odd and even values (for exact halves), byte and word limits, and the ends of the 32-bit range.
const std::vector<std::int32_t>& GridValues() {
    static const std::vector<std::int32_t> values = {
        kMin,     kMin + 1, -1073741825, -1073741824, -65536, -65535, -1000,
        -256,     -255,     -7,          -3,          -2,     -1,     0,
        1,        2,        3,           4,           5,      7,      127,
        128,      255,      256,         1000,        65535,  65536,  46341,
        1073741823, 1073741824, kMax - 1, kMax};
    return values;
}

// Wine's kernel32 makes the divisor positive by negating both the first
// operand and the divisor in 32 bits, so -2147483648 wraps to itself there
// and the result gets the wrong sign (px::MulDiv(-2147483648, -1000, -2147483647)
// gives 1000, not -1000). Those triples are checked against worked values in
// MulDivKernel32.MinimumOperandWithNegativeDivisor instead.
bool WineNegatesMinimum(std::int32_t a, std::int32_t c) {
    return c == kMin || (a == kMin && c < 0);
}

// Compares one triple; records a description of a mismatch.
void Compare(std::int32_t a, std::int32_t b, std::int32_t c, std::ostringstream& mismatches) {
    if (WineNegatesMinimum(a, c)) return;
    const int ours = vtx::px::MulDiv(a, b, c), theirs = ::MulDiv(a, b, c);
    if (ours != theirs && mismatches.tellp() < 2000) mismatches << "px::MulDiv(" << a << ", " << b << ", " << c << "): vtx " << ours << ", kernel32 " << theirs << "\n";
}

TEST(MulDivKernel32, GridOfBoundaryValues) {
    std::ostringstream mismatches;
    for (std::int32_t a : GridValues())
        for (std::int32_t b : GridValues())
            for (std::int32_t c : GridValues()) Compare(a, b, c, mismatches);
    EXPECT_EQ(mismatches.str(), "");
}

TEST(MulDivKernel32, ExactHalvesRoundAwayFromZero) {
    // a·b / c is exactly k + 1/2 for every combination below.
    std::ostringstream mismatches;
    for (std::int32_t k = -300; k <= 300; ++k) {
        for (std::int32_t c : {2, 4, 6, 10, 254, 256, 65536}) {
            const std::int64_t num = (2 * std::int64_t{k} + 1) * (c / 2);
            const auto a = static_cast<std::int32_t>(num);
            Compare(a, 1, c, mismatches);
            Compare(a, 1, -c, mismatches);
            Compare(-a, 1, c, mismatches);
            Compare(1, a, c, mismatches);
        }
    }
    EXPECT_EQ(mismatches.str(), "");
    // Worked values of kernel32 itself (those of vtx::px::MulDiv are in the
    // conventions tests): a half, a zero divisor, an overflow.
    EXPECT_EQ(::MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(::MulDiv(7, 3, 0), -1);
    EXPECT_EQ(::MulDiv(65536, 65536, 2), -1);
}

TEST(MulDivKernel32, RandomOperands) {
    std::mt19937 rng(20261206u);
    std::uniform_int_distribution<std::int32_t> any(kMin, kMax);
    std::uniform_int_distribution<std::int32_t> small(-70000, 70000);
    std::ostringstream mismatches;
    for (int i = 0; i < 200000; ++i) {
        // Mix full-range and small operands so that results both fit and overflow.
        const std::int32_t a = (i & 1) ? any(rng) : small(rng);
        const std::int32_t b = (i & 2) ? any(rng) : small(rng);
        const std::int32_t c = (i & 4) ? any(rng) : small(rng);
        Compare(a, b, c, mismatches);
    }
    EXPECT_EQ(mismatches.str(), "");
}

TEST(MulDivKernel32, MinimumOperandWithNegativeDivisor) {
    // Exact quotients rounded half away from zero; -1 when the result is
    // outside -2147483647..2147483647.
    EXPECT_EQ(vtx::px::MulDiv(kMin, -1000, -2147483647), -1000);  // -1000.0000005
    EXPECT_EQ(vtx::px::MulDiv(kMin, -1000, -1073741824), -2000);
    EXPECT_EQ(vtx::px::MulDiv(kMin, -1, kMin), -1);
    EXPECT_EQ(vtx::px::MulDiv(-1073741824, 1, kMin), 1);          // exactly 1/2
    EXPECT_EQ(vtx::px::MulDiv(1073741823, 1, kMin), 0);           // just below 1/2
    EXPECT_EQ(vtx::px::MulDiv(kMin, 65536, -65536), -1);          // 2^31
    EXPECT_EQ(vtx::px::MulDiv(kMin, 3, -2), -1);                  // 3·2^30
    EXPECT_EQ(vtx::px::MulDiv(kMin, 1, -2), 1073741824);
    EXPECT_EQ(vtx::px::MulDiv(kMin, -1, -2), -1073741824);
    EXPECT_EQ(vtx::px::MulDiv(kMin, kMax, kMin), kMax);
    // Where Wine's negation happens to be harmless the two agree.
    EXPECT_EQ(vtx::px::MulDiv(kMin, 1, 2), ::MulDiv(kMin, 1, 2));
    EXPECT_EQ(vtx::px::MulDiv(kMin, -1, 2), ::MulDiv(kMin, -1, 2));
}

}  // namespace
