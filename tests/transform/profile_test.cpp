#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "primitives/conventions.h"
#include "transform/profile.h"

namespace {

std::uint32_t Bits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// The entries computed together against the definition,
// (float)pow((float)i/(float)n, D), at the four- and eight-lane levels:
// table sizes up to 2^29, the degrees' ends and integral points, random
// degrees, runs of 1 to 16 entries; every index of small tables, random
// ones of large.
TEST(ProfileEntries, ComputedTogetherTheyGiveTheBitsOfTheDefinition) {
    namespace px = vtx::px;
    const double fixed[] = {-1.0, -0.5, 0.0, 0.5, 1.0, 2.0, 3.0, 10.0, 1e-9, 9.999999999};
    for (const std::int32_t ceiling : {px::kCpuAvx2, px::kCpuHighest}) {
        ASSERT_EQ(px::ForceProcessorCeiling(ceiling), px::kStsOk);
        std::mt19937_64 rng(9);
        std::int64_t checked = 0;
        for (int trial = 0; trial < 60; ++trial) {
            const std::int64_t n = 1 + static_cast<std::int64_t>(rng() % (trial < 20 ? 3000 : 1u << 29));
            const double degree = trial < 40 ? fixed[trial % 10] : std::uniform_real_distribution<double>(-1.0, 10.0)(rng);
            const std::int64_t total = std::min<std::int64_t>(n, 20000);
            for (std::int64_t s = 0; s < total;) {
                const int count = 1 + static_cast<int>(rng() % 16);
                std::int32_t k[16];
                for (int j = 0; j < count; ++j) k[j] = static_cast<std::int32_t>(n <= 20000 ? std::min(s + j, n - 1) : static_cast<std::int64_t>(rng() % n));
                float out[16];
                vtx::profile::Entries(k, count, n, degree, out);
                for (int j = 0; j < count; ++j) {
                    const float q = static_cast<float>(k[j]) / static_cast<float>(n);
                    const float want = k[j] == 0 ? 0.0f : static_cast<float>(std::pow(static_cast<double>(q), degree));
                    ASSERT_EQ(Bits(out[j]), Bits(want)) << "n " << n << " k " << k[j] << " degree " << degree << " ceiling " << ceiling;
                }
                s += count;
                checked += count;
            }
        }
        EXPECT_GT(checked, 500000);
        // Squares that fall exactly halfway between two singles: only the
        // exact power decides their rounding.
        const std::int64_t n = std::int64_t{1} << 24;
        std::vector<std::int32_t> ties;
        for (std::int32_t k = 1 << 23; ties.size() < 64; ++k) {
            const double q = static_cast<float>(k) / static_cast<float>(n), sq = q * q;
            const float f = static_cast<float>(sq);
            const double other = sq > f ? std::nextafter(f, 1.0f) : std::nextafter(f, 0.0f);
            if (sq != f && sq == (f + other) / 2) ties.push_back(k);
        }
        std::vector<float> out(ties.size());
        vtx::profile::Entries(ties.data(), static_cast<int>(ties.size()), n, 2.0, out.data());
        for (std::size_t j = 0; j < ties.size(); ++j)
            ASSERT_EQ(Bits(out[j]), Bits(static_cast<float>(std::pow(static_cast<double>(static_cast<float>(ties[j]) / static_cast<float>(n)), 2.0)))) << ties[j];
    }
    px::ForceProcessorCeiling(px::kCpuHighest);
}

}  // namespace
