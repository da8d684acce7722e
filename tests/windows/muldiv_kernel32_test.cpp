// The portable vtx::px::MulDiv against kernel32's MulDiv (Windows builds
// only, run under Wine): every triple of boundary operands, exact halves and
// random operands.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>

#include "primitives/conventions.h"

namespace {

TEST(MulDivKernel32, BoundaryHalvesAndRandomOperands) {
    std::ostringstream mismatches;
    auto compare = [&](std::int32_t a, std::int32_t b, std::int32_t c) {
        // Wine's kernel32 negates the first operand and a negative divisor in
        // 32 bits, which leaves -2^31 negative: those triples have worked
        // values below.
        if (c == INT32_MIN || (a == INT32_MIN && c < 0)) return;
        const int ours = vtx::px::MulDiv(a, b, c), theirs = ::MulDiv(a, b, c);
        if (ours != theirs && mismatches.tellp() < 2000) mismatches << a << " " << b << " " << c << ": " << ours << " vs " << theirs << "\n";
    };
    const std::int32_t grid[] = {INT32_MIN, INT32_MIN + 1, -1073741825, -1073741824, -65536, -65535, -1000, -256, -255,
                                 -7, -3, -2, -1, 0, 1, 2, 3, 4, 5, 7, 127, 128, 255, 256, 1000, 65535, 65536, 46341,
                                 1073741823, 1073741824, INT32_MAX - 1, INT32_MAX};
    for (std::int32_t a : grid)
        for (std::int32_t b : grid)
            for (std::int32_t c : grid) compare(a, b, c);
    for (std::int32_t k = -300; k <= 300; ++k) {  // a / c is exactly k + 1/2
        for (std::int32_t c : {2, 4, 6, 10, 254, 256, 65536}) {
            const auto a = static_cast<std::int32_t>((2 * std::int64_t{k} + 1) * (c / 2));
            compare(a, 1, c), compare(a, 1, -c), compare(-a, 1, c), compare(1, a, c);
        }
    }
    std::mt19937 rng(20261206u);
    std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX), small(-70000, 70000);
    for (int i = 0; i < 200000; ++i) compare(i & 1 ? any(rng) : small(rng), i & 2 ? any(rng) : small(rng), i & 4 ? any(rng) : small(rng));
    EXPECT_EQ(mismatches.str(), "");
    // -2^31 with a negative divisor: the exact quotient rounded half away
    // from zero, or -1 outside -2147483647..2147483647.
    const std::int32_t worked[][4] = {{INT32_MIN, -1000, -2147483647, -1000}, {INT32_MIN, -1, INT32_MIN, -1},
                                      {INT32_MIN, 65536, -65536, -1},        {INT32_MIN, 1, -2, 1073741824},
                                      {-1073741824, 1, INT32_MIN, 1},         {1073741823, 1, INT32_MIN, 0}};
    for (const auto& w : worked) EXPECT_EQ(vtx::px::MulDiv(w[0], w[1], w[2]), w[3]) << w[0] << " " << w[1] << " " << w[2];
}

}  // namespace
