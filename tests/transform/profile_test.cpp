#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "transform/profile.h"

namespace {

std::uint32_t Bits(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// The four-lane entries against the definition, (float)pow((float)i/(float)n, D),
// over table sizes up to 2^29, the degrees' ends and integral points, and
// random degrees; every index of small tables, random ones of large.
TEST(ProfileEntries, FourLanesGiveTheBitsOfTheDefinition) {
    std::mt19937_64 rng(9);
    const double fixed[] = {-1.0, -0.5, 0.0, 0.5, 1.0, 2.0, 3.0, 10.0, 1e-9, 9.999999999};
    std::int64_t checked = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const std::int64_t n = trial < 20 ? 1 + static_cast<std::int64_t>(rng() % 3000) : 1 + static_cast<std::int64_t>(rng() % (1u << 29));
        const double degree = trial < 40 ? fixed[trial % 10] : std::uniform_real_distribution<double>(-1.0, 10.0)(rng);
        const std::int64_t count = std::min<std::int64_t>(n, 20000);
        for (std::int64_t s = 0; s < count; s += 4) {
            std::int32_t k[4];
            for (int j = 0; j < 4; ++j) {
                const std::int64_t i = n <= 20000 ? std::min(s + j, n - 1) : static_cast<std::int64_t>(rng() % n);
                k[j] = static_cast<std::int32_t>(i);
            }
            float out[4];
            vtx::profile::Entries4(k, n, degree, out);
            for (int j = 0; j < 4; ++j) {
                const float q = static_cast<float>(k[j]) / static_cast<float>(n);
                const float want = k[j] == 0 ? 0.0f : static_cast<float>(std::pow(static_cast<double>(q), degree));
                ASSERT_EQ(Bits(out[j]), Bits(want)) << "n " << n << " k " << k[j] << " degree " << degree;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 500000);
}

}  // namespace
