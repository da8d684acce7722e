// Saturating arithmetic, statistics, lookup, threshold and composition.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "primitives/pixel.h"
#include "tests/primitives/pixel_test_support.h"

namespace {

using vtxtest::Clone;
using vtxtest::FillRandom;
using vtxtest::MakePlane;
using vtxtest::Plane;
using vtxtest::RefScale;
using vtxtest::SameBytes;

std::uint8_t RandomByte(std::mt19937& rng) {
    return static_cast<std::uint8_t>(rng() >> 24);
}

// Divide-by-255 approximation of the composition: (x + (x >> 8) + 1) >> 8.
std::uint32_t D(std::uint32_t x) {
    return (x + (x >> 8) + 1) >> 8;
}

// A 256 x 256 image of 4-byte pixels, rows 1024 + pad bytes apart: pixel
// (x, y) holds x (alongX) or y in every byte; the padding holds 0x77.
std::vector<std::uint8_t> Ramp(bool alongX, int pad = 0) {
    const int step = 1024 + pad;
    std::vector<std::uint8_t> v(256 * step, 0x77);
    for (int y = 0; y < 256; ++y) {
        for (int i = 0; i < 1024; ++i) v[y * step + i] = static_cast<std::uint8_t>(alongX ? i / 4 : y);
    }
    return v;
}

// ---------------------------------------------------------------------------
// Adding and subtracting a constant.

TEST(PixelAddSubConst, EveryValueWithEveryConstantAndScale) {
    // Four rows of 64 pixels, 12 bytes of padding after each; every value in
    // every channel, every constant, scale factors 0, 1 and -1.
    constexpr int kStep = 4 * 64 + 12;
    std::uint8_t img[4 * kStep];
    for (int i = 0; i < 4 * kStep; ++i) img[i] = static_cast<std::uint8_t>(i % kStep < 256 ? (i / kStep) * 64 + (i % kStep) / 4 : i);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const std::int32_t sf : {0, 1, -1}) {
            for (int c = 0; c < 256; ++c) {
                std::uint8_t added[sizeof img], subtracted[sizeof img];
                std::memcpy(added, img, sizeof img);
                std::memcpy(subtracted, img, sizeof img);
                const std::uint8_t k[3] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c ^ 1),
                                           static_cast<std::uint8_t>(255 - c)};
                ASSERT_EQ(vtx::px::AddC_8u_AC4IRSfs(k, added, kStep, {64, 4}, sf), vtx::px::kStsOk);
                ASSERT_EQ(vtx::px::SubC_8u_AC4IRSfs(k, subtracted, kStep, {64, 4}, sf), vtx::px::kStsOk);
                for (int i = 0; i < 4 * kStep; ++i) {
                    const bool kept = i % 4 == 3 || i % kStep >= 256;
                    const int v = img[i], kc = k[i % 4 < 3 ? i % 4 : 0];
                    ASSERT_EQ(added[i], kept ? v : RefScale(v + kc, sf)) << v << " + " << kc << " sf " << sf;
                    ASSERT_EQ(subtracted[i], kept ? v : RefScale(v - kc, sf)) << v << " - " << kc << " sf " << sf;
                }
            }
        }
        std::uint8_t px[8] = {100, 200, 3, 9, 255, 0, 128, 9};  // worked: sums 150, 250, 53, 305 → 255, 50, 178
        const std::uint8_t k[3] = {50, 50, 50};
        ASSERT_EQ(vtx::px::AddC_8u_AC4IRSfs(k, px, 8, {2, 1}, 0), vtx::px::kStsOk);
        EXPECT_EQ(std::vector<int>(px, px + 8), (std::vector<int>{150, 250, 53, 9, 255, 50, 178, 9}));
    });
}

// ---------------------------------------------------------------------------
// Adding two images.

TEST(PixelAdd, MeanRoundsHalfToEvenAndInPlace) {
    const std::uint8_t a[8] = {1, 2, 3, 0, 255, 255, 0, 0};
    const std::uint8_t b[8] = {2, 3, 4, 0, 255, 254, 1, 0};
    std::uint8_t d[8] = {0, 0, 0, 11, 0, 0, 0, 12};
    ASSERT_EQ(vtx::px::Add_8u_AC4RSfs(a, 8, b, 8, d, 8, {2, 1}, 1), vtx::px::kStsOk);
    // 1.5 → 2, 2.5 → 2, 3.5 → 4, 255, 254.5 → 254, 0.5 → 0; bytes 3 kept.
    EXPECT_EQ(std::vector<int>(d, d + 8), (std::vector<int>{2, 2, 4, 11, 255, 254, 0, 12}));
    // The destination may be a source.
    std::uint8_t x[16] = {10, 20, 30, 1, 40, 50, 60, 2, 0, 0, 0, 3, 255, 255, 255, 4};
    const std::uint8_t y[16] = {11, 21, 31, 9, 41, 51, 61, 9, 1, 2, 3, 9, 255, 254, 253, 9};
    ASSERT_EQ(vtx::px::Add_8u_AC4RSfs(x, 16, y, 16, x, 16, {4, 1}, 1), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(x, x + 16), (std::vector<int>{10, 20, 30, 1, 40, 50, 60, 2, 0, 1, 2, 3, 255, 254, 254, 4}));
}

TEST(PixelAdd, EveryPairOfBytes) {
    // The second source has padded rows, so the region is walked row by row.
    const std::vector<std::uint8_t> a = Ramp(true), b = Ramp(false, 12);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const std::int32_t sf : {0, 1}) {
            std::vector<std::uint8_t> d(256 * 256 * 4, 0xC3);
            ASSERT_EQ(vtx::px::Add_8u_AC4RSfs(a.data(), 1024, b.data(), 1036, d.data(), 1024, {256, 256}, sf), vtx::px::kStsOk);
            for (int y = 0; y < 256; ++y) {
                for (int x = 0; x < 256; ++x) {
                    const int s = x + y;
                    // Mean of x and y: halves go to the even neighbour.
                    const int mean = (s % 2 == 0) ? s / 2 : ((s / 2) % 2 == 0 ? s / 2 : s / 2 + 1);
                    const int want = sf == 0 ? std::min(255, s) : mean;
                    const std::uint8_t* px = &d[(y * 256 + x) * 4];
                    if (px[0] != want || px[1] != want || px[2] != want || px[3] != 0xC3) {
                        FAIL() << x << " + " << y << " sf " << sf << ": got " << int(px[0]) << "," << int(px[1])
                               << "," << int(px[2]) << "," << int(px[3]) << ", expected " << want;
                    }
                }
            }
        }
    });
}

// ---------------------------------------------------------------------------
// Squares.

TEST(PixelSqr, WorkedNumbersAndInPlace) {
    const std::uint8_t s[8] = {8, 24, 12, 200, 255, 0, 1, 100};
    std::uint8_t d[8] = {0, 0, 0, 77, 0, 0, 0, 78};
    ASSERT_EQ(vtx::px::Sqr_8u_AC4RSfs(s, 8, d, 8, {2, 1}, 7), vtx::px::kStsOk);
    // 64/128 = 0.5 → 0, 576/128 = 4.5 → 4, 144/128 → 1, saturated, 0, 1/128 → 0.
    EXPECT_EQ(std::vector<int>(d, d + 8), (std::vector<int>{0, 4, 1, 77, 255, 0, 0, 78}));
    std::uint8_t img[8] = {16, 255, 11, 5, 90, 91, 92, 6};
    ASSERT_EQ(vtx::px::Sqr_8u_AC4RSfs(img, 8, img, 8, {2, 1}, 7), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(img, img + 8), (std::vector<int>{2, 255, 1, 5, 63, 65, 66, 6}));
}

TEST(PixelSqr, EveryByteValueOnPaddedRows) {
    // 32 pixels per row, source rows 136 and destination rows 132 bytes apart.
    std::uint8_t src[8 * 136] = {};
    for (int v = 0; v < 256; ++v) {
        for (int c = 0; c < 4; ++c) src[(v / 32) * 136 + (v % 32) * 4 + c] = static_cast<std::uint8_t>((v + 85 * c) & 0xFF);
    }
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const std::int32_t sf : {7, 0, 8, -1}) {
            std::uint8_t dst[8 * 132];
            std::memset(dst, 0x99, sizeof dst);
            ASSERT_EQ(vtx::px::Sqr_8u_AC4RSfs(src, 136, dst, 132, {32, 8}, sf), vtx::px::kStsOk);
            for (int i = 0; i < 8 * 132; ++i) {
                const int y = i / 132, inRow = i % 132, v = src[y * 136 + inRow];
                if (inRow >= 128 || i % 4 == 3) {
                    ASSERT_EQ(dst[i], 0x99) << i;
                } else if (sf == 7) {
                    ASSERT_EQ(dst[i], std::min(255, (v * v + 63) >> 7)) << v;  // closed form of the ties to even
                } else {
                    ASSERT_EQ(dst[i], RefScale(v * v, sf)) << v << " sf " << sf;
                }
            }
        }
    });
}

// ---------------------------------------------------------------------------
// Sum and minimum.

TEST(PixelStatistics, SumAndMinimumOfRandomRegions) {
    std::mt19937 rng(230);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const auto& g : vtxtest::Geometries()) {
            const Plane src = MakePlane(g.width, g.height, 4, g.srcPad, g.srcOffset);
            FillRandom(src, rng);
            // Some regions with large values only, so the minimum is not 0.
            const int floor = static_cast<int>(rng() % 3) * 100;
            std::vector<double> want(3, 0.0), sum(3, -1.0);
            std::vector<int> wantMin(3, 255);
            for (std::int32_t y = 0; y < g.height; ++y) {
                for (std::int32_t x = 0; x < g.width * 4; ++x) {
                    std::uint8_t& v = src.Row(y)[x];
                    v = static_cast<std::uint8_t>(std::max<int>(floor, v));
                    if (x % 4 == 3) continue;
                    want[x % 4] += v;
                    wantMin[x % 4] = std::min<int>(wantMin[x % 4], v);
                }
            }
            std::uint8_t mn[3] = {1, 1, 1};
            ASSERT_EQ(vtx::px::Sum_8u_AC4R(src.p(), src.step, src.size(), sum.data()), vtx::px::kStsOk);
            ASSERT_EQ(vtx::px::Min_8u_AC4R(src.p(), src.step, src.size(), mn), vtx::px::kStsOk);
            ASSERT_EQ(sum, want) << vtxtest::Describe(g);
            ASSERT_EQ(std::vector<int>(mn, mn + 3), wantMin) << vtxtest::Describe(g);
        }
    });
}

TEST(PixelStatistics, LargeSumsAreExactAndMinimumStopsAfterZeros) {
    std::vector<std::uint8_t> img(1000 * 1000 * 4, 255);
    double sum[3] = {};
    ASSERT_EQ(vtx::px::Sum_8u_AC4R(img.data(), 4000, {1000, 1000}, sum), vtx::px::kStsOk);
    for (double s : sum) EXPECT_EQ(s, 255000000.0);
    // The first row already holds 0 in every channel: reading row 1 of this
    // 1000-row region would hit the guard page.
    const Plane one = MakePlane(3, 1, 4, 0, 0);
    const std::uint8_t row[12] = {0, 5, 5, 9, 5, 0, 5, 9, 5, 5, 0, 9};
    std::memcpy(one.p(), row, 12);
    std::uint8_t mn[3] = {7, 7, 7};
    ASSERT_EQ(vtx::px::Min_8u_AC4R(one.p(), 4096, {3, 1000}, mn), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(mn, mn + 3), (std::vector<int>{0, 0, 0}));
}

// ---------------------------------------------------------------------------
// Lookup tables.

// Reference of one channel's step function, decided per sample: the last
// rule that covers it wins, in the order identity below levels[0], the
// ranges [levels[k], levels[k+1]) in order, identity from levels[n−1] up.
int LookupRef(int v, const std::int32_t* values, const std::int32_t* levels, std::int32_t n) {
    if (levels[n - 1] <= v) return v;
    for (std::int32_t k = n - 2; k >= 0; --k) {
        const std::int64_t lo = std::clamp<std::int64_t>(levels[k], 0, 256);
        const std::int64_t hi = std::clamp<std::int64_t>(levels[k + 1], 0, 256);
        if (lo <= v && v < hi) return std::clamp<std::int32_t>(values[k], 0, 255);
    }
    return v;
}

TEST(PixelLookup, WorkedStepFunctions) {
    const struct {
        std::vector<std::int32_t> levels, values;
        int (*want)(int);
    } cases[] = {
        {{0, 128, 256}, {10, 20, 99}, [](int v) { return v < 128 ? 10 : 20; }},
        {{64, 192}, {7, 200}, [](int v) { return (v >= 64 && v < 192) ? 7 : v; }},
        // Clamped levels and values, an empty descending range, identity from 20 up.
        {{-50, 10, 300, 20}, {-9, 1000, 5, 77}, [](int v) { return v < 10 ? 0 : (v < 20 ? 255 : v); }},
        {{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}, [](int) { return 255; }},
    };
    std::uint8_t src[256 * 4];
    for (int i = 0; i < 256 * 4; ++i) src[i] = static_cast<std::uint8_t>(i / 4);
    for (const auto& c : cases) {
        std::uint8_t dst[256 * 4];
        std::memset(dst, 0xAB, sizeof dst);
        const std::int32_t* vs[3] = {c.values.data(), c.values.data(), c.values.data()};
        const std::int32_t* ls[3] = {c.levels.data(), c.levels.data(), c.levels.data()};
        const auto n = static_cast<std::int32_t>(c.levels.size());
        const std::int32_t ns[3] = {n, n, n};
        ASSERT_EQ(vtx::px::LUT_8u_AC4R(src, 1024, dst, 1024, {256, 1}, vs, ls, ns), vtx::px::kStsOk);
        for (int v = 0; v < 256; ++v) {
            for (int k = 0; k < 3; ++k) ASSERT_EQ(dst[4 * v + k], c.want(v)) << "levels[0] " << c.levels[0] << " v " << v;
            ASSERT_EQ(dst[4 * v + 3], 0xAB);
        }
    }
}

TEST(PixelLookup, RandomTablesAndRegions) {
    vtxtest::RunSrcDstCases(4, 4, 240, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937& rng) {
        std::vector<std::int32_t> levels[3], values[3];
        std::int32_t n[3];
        for (int c = 0; c < 3; ++c) {
            n[c] = 2 + static_cast<std::int32_t>(rng() % 6);
            for (std::int32_t k = 0; k < n[c]; ++k) {
                levels[c].push_back(static_cast<std::int32_t>(rng() % 320) - 30);
                values[c].push_back(static_cast<std::int32_t>(rng() % 320) - 30);
            }
            if (rng() % 2) std::sort(levels[c].begin(), levels[c].end());
        }
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    e.Px(x, y)[c] = static_cast<std::uint8_t>(
                        LookupRef(s.Px(x, y)[c], values[c].data(), levels[c].data(), n[c]));
                }
            }
        }
        const std::int32_t* vs[3] = {values[0].data(), values[1].data(), values[2].data()};
        const std::int32_t* ls[3] = {levels[0].data(), levels[1].data(), levels[2].data()};
        return vtx::px::LUT_8u_AC4R(s.p(), s.step, d.p(), d.step, s.size(), vs, ls, n);
    });
}

TEST(MapChannels, MapsEachChannelAndSkipsPixelsWithAlpha) {
    std::uint8_t tb[256], tg[256], tr[256];
    for (int i = 0; i < 256; ++i) {
        tb[i] = static_cast<std::uint8_t>(255 - i);
        tg[i] = static_cast<std::uint8_t>(i / 3);
        tr[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    }
    const std::uint8_t* tables[3] = {tb, tg, tr};
    // A 2 x 2 region with rows 12 bytes apart (the third pixel of each row is
    // padding); alpha 1 and 255 both count as nonzero.
    const std::vector<std::uint8_t> original = {10, 20, 30, 0, 200, 100, 50, 1,   1, 2, 3, 4,
                                                0,  255, 128, 0, 9,  9,   9,  255, 7, 7, 7, 7};
    for (const std::int32_t skip : {0, 1}) {
        std::vector<std::uint8_t> img = original;
        ASSERT_EQ(vtx::px::MapChannels_8u_AC4IR(tables, img.data(), 12, {2, 2}, skip), vtx::px::kStsOk);
        const std::vector<std::uint8_t> want =
            skip ? std::vector<std::uint8_t>{245, 6, 68, 0, 200, 100, 50, 1, 1, 2, 3, 4,
                                             255, 85, 218, 0, 9, 9, 9, 255, 7, 7, 7, 7}
                 : std::vector<std::uint8_t>{245, 6, 68, 0, 55, 33, 104, 1, 1, 2, 3, 4,
                                             255, 85, 218, 0, 246, 3, 83, 255, 7, 7, 7, 7};
        EXPECT_EQ(img, want) << skip;
    }
}

// ---------------------------------------------------------------------------
// Threshold of float images.

std::uint32_t Bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

TEST(PixelThreshold, WorkedValues) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    float img[10] = {-1.0f, 0.0f, -0.0f, 0.5f, 1000.0f, 1000.5f, inf, -inf, nan, 1e-30f};
    ASSERT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(img, 40, {10, 1}, 0.0f, 0.0f, 1000.0f, 1000.0f), vtx::px::kStsOk);
    const float want[10] = {0.0f, 0.0f, -0.0f, 0.5f, 1000.0f, 1000.0f, 1000.0f, 0.0f, nan, 1e-30f};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Bits(img[i]), Bits(want[i])) << i;
    // Distinct replacements on two rows 16 bytes apart; the fourth float is padding.
    float rows[8] = {1, 2, 3, -50, 4, 5, 6, 7};
    ASSERT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(rows, 16, {3, 2}, 2.5f, -7.0f, 4.5f, 99.0f), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<float>(rows, rows + 8), (std::vector<float>{-7, -7, 3, -50, 4, 99, 99, 7}));
    // NaN thresholds replace nothing on their side.
    float n4[4] = {-5, 0, 5, 1e30f};
    EXPECT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(n4, 16, {4, 1}, nan, 1.0f, nan, 2.0f), vtx::px::kStsOk);
    EXPECT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(n4, 16, {4, 1}, 0.0f, 1.0f, nan, 2.0f), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<float>(n4, n4 + 4), (std::vector<float>{1.0f, 0.0f, 5.0f, 1e30f}));
}

// ---------------------------------------------------------------------------
// Composition with constant opacities.

TEST(PixelAlphaComp, WorkedNumbersOfEveryType) {
    // Opacity 255 for the second image: "in" keeps the scaled first image,
    // "out" clears it, "atop" equals "over", "plus" saturates; the
    // premultiplied types take the colours as they are.
    const std::uint8_t s1[4] = {200, 100, 255, 0}, s2[4] = {100, 200, 255, 0};
    const auto run = [&](std::int32_t type, std::uint8_t a1, std::uint8_t a2) {
        std::uint8_t d[4] = {1, 2, 3, 4};
        EXPECT_EQ(vtx::px::AlphaCompC_8u_AC4R(s1, 4, a1, s2, 4, a2, d, 4, {1, 1}, type), vtx::px::kStsOk) << type;
        EXPECT_EQ(d[3], 4);
        return std::vector<int>{d[0], d[1], d[2]};
    };
    EXPECT_EQ(run(0, 128, 255), (std::vector<int>{149, 149, 255}));  // 100 + d(127 · 100), 50 + d(127 · 200), 128 + 127
    EXPECT_EQ(run(1, 128, 255), (std::vector<int>{100, 50, 128}));
    EXPECT_EQ(run(2, 128, 255), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(run(3, 128, 255), (std::vector<int>{149, 149, 255}));
    EXPECT_EQ(run(4, 128, 0), (std::vector<int>{100, 50, 128}));
    EXPECT_EQ(run(5, 128, 255), (std::vector<int>{200, 250, 255}));
    EXPECT_EQ(run(6, 0, 255), (std::vector<int>{255, 255, 255}));  // premultiplied over, saturated
    EXPECT_EQ(run(6, 255, 255), (std::vector<int>{200, 100, 255}));
    EXPECT_EQ(run(7, 128, 255), (std::vector<int>{200, 100, 255}));
    EXPECT_EQ(run(8, 128, 255), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(run(11, 128, 0), (std::vector<int>{255, 255, 255}));
    const std::uint8_t a[4] = {200, 255, 0, 1}, b[4] = {100, 0, 255, 2};
    std::uint8_t d[4] = {0, 0, 0, 42};
    ASSERT_EQ(vtx::px::AlphaCompC_8u_AC4R(a, 4, 128, b, 4, 255, d, 4, {1, 1}, 0), vtx::px::kStsOk);
    // d(25600) + d(127 · 100) = 100 + 49; d(255 · 128); d(127 · 255).
    EXPECT_EQ(std::vector<int>(d, d + 4), (std::vector<int>{149, 128, 127, 42}));
}

TEST(PixelAlphaComp, EveryOpacityAndPairOfBytes) {
    // For each alpha1, a 256 × 256 image combines every s1 with every s2, the
    // second image (padded rows) at opacity 255 as the operations pass it, and 77.
    const std::vector<std::uint8_t> s1 = Ramp(true), s2 = Ramp(false, 20);
    std::vector<std::uint8_t> d(256 * 256 * 4);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const std::uint32_t a2 : {255u, 77u}) {
            for (std::uint32_t a1 = 0; a1 < 256; ++a1) {
                std::fill(d.begin(), d.end(), static_cast<std::uint8_t>(a1 ^ 0x3C));
                ASSERT_EQ(vtx::px::AlphaCompC_8u_AC4R(s1.data(), 1024, static_cast<std::uint8_t>(a1), s2.data(), 1044,
                                                 static_cast<std::uint8_t>(a2), d.data(), 1024, {256, 256}, 0),
                          vtx::px::kStsOk);
                for (std::uint32_t y = 0; y < 256; ++y) {
                    for (std::uint32_t x = 0; x < 256; ++x) {
                        const std::uint32_t want = D(x * a1) + D((255 - a1) * D(y * a2));
                        const std::uint8_t* px = &d[(y * 256 + x) * 4];
                        const bool ok = want <= 255 && px[0] == want && px[1] == want && px[2] == want &&
                                        px[3] == (a1 ^ 0x3C) && (a1 != 255 || want == x) &&
                                        (a1 != 0 || a2 != 255 || want == y);
                        if (!ok) {
                            FAIL() << "s1 " << x << " s2 " << y << " alpha " << a1 << "/" << a2 << ": got " << int(px[0])
                                   << "," << int(px[1]) << "," << int(px[2]) << "," << int(px[3]) << ", expected " << want;
                        }
                    }
                }
            }
        }
    });
}

TEST(PixelAlphaComp, DestinationMayBeEitherSource) {
    std::mt19937 rng(261);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (std::int32_t w : {1, 3, 4, 5, 8, 13}) {
            for (int which = 0; which < 2; ++which) {
                const Plane a = MakePlane(w, 3, 4, 4, 0), b = MakePlane(w, 3, 4, 4, 0);
                FillRandom(a, rng);
                FillRandom(b, rng);
                const std::uint8_t a1 = RandomByte(rng);
                const Plane& target = which == 0 ? a : b;
                // The result of separate buffers, written into a copy of the target.
                const Plane expected = Clone(target), e1 = Clone(a), e2 = Clone(b);
                ASSERT_EQ(vtx::px::AlphaCompC_8u_AC4R(e1.p(), a.step, a1, e2.p(), b.step, 255, expected.p(), a.step, a.size(), 0), vtx::px::kStsOk);
                ASSERT_EQ(vtx::px::AlphaCompC_8u_AC4R(a.p(), a.step, a1, b.p(), b.step, 255, target.p(), a.step, a.size(), 0), vtx::px::kStsOk);
                ASSERT_TRUE(SameBytes(target, expected)) << "width " << w << " destination = source " << which + 1;
            }
        }
    });
}

// ---------------------------------------------------------------------------
// Argument statuses: every pointer, size, step and own parameter once, each
// check before the next (pointers, sizes, steps, own parameters), and nothing
// written on a refusal.

TEST(PixelArithmetic, ArgumentStatuses) {
    std::uint8_t s[48] = {}, d[48];
    std::memset(d, 0x44, sizeof d);
    const std::uint8_t k[3] = {1, 1, 1};
    for (const auto c : {vtx::px::AddC_8u_AC4IRSfs, vtx::px::SubC_8u_AC4IRSfs}) {
        EXPECT_EQ(c(nullptr, d, 16, {4, 3}, 0), vtx::px::kStsNullPtr);
        EXPECT_EQ(c(k, nullptr, 0, {0, 0}, 0), vtx::px::kStsNullPtr);
        EXPECT_EQ(c(k, d, 0, {4, -3}, 0), vtx::px::kStsBadSize);
        EXPECT_EQ(c(k, d, INT32_MIN, {4, 3}, 0), vtx::px::kStsBadStep);
    }
    EXPECT_EQ(vtx::px::Add_8u_AC4RSfs(nullptr, 16, s, 16, d, 16, {4, 3}, 1), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Add_8u_AC4RSfs(s, 16, nullptr, 16, d, 16, {4, 3}, 1), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Add_8u_AC4RSfs(s, 16, s, 16, nullptr, 0, {0, 3}, 1), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Add_8u_AC4RSfs(s, 0, s, 0, d, 0, {4, 0}, 1), vtx::px::kStsBadSize);
    EXPECT_EQ(vtx::px::Add_8u_AC4RSfs(s, 0, s, 16, d, 16, {4, 3}, 1), vtx::px::kStsBadStep);
    EXPECT_EQ(vtx::px::Add_8u_AC4RSfs(s, 16, s, -1, d, 16, {4, 3}, 1), vtx::px::kStsBadStep);
    EXPECT_EQ(vtx::px::Add_8u_AC4RSfs(s, 16, s, 16, d, INT32_MIN, {4, 3}, 1), vtx::px::kStsBadStep);
    vtxtest::CheckSrcDstStatuses(4, 4, [](auto a, auto as, auto b, auto bs, vtx::px::RoiSize r) { return vtx::px::Sqr_8u_AC4RSfs(a, as, b, bs, r, 7); });
    double sum[3] = {5, 5, 5};
    std::uint8_t mn[3] = {5, 5, 5};
    EXPECT_EQ(vtx::px::Sum_8u_AC4R(nullptr, 0, {4, 0}, sum), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Sum_8u_AC4R(s, 0, {4, 0}, nullptr), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Sum_8u_AC4R(s, 0, {4, 0}, sum), vtx::px::kStsBadSize);
    EXPECT_EQ(vtx::px::Sum_8u_AC4R(s, 0, {4, 1}, sum), vtx::px::kStsBadStep);
    EXPECT_EQ(vtx::px::Min_8u_AC4R(nullptr, 0, {0, 1}, mn), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Min_8u_AC4R(s, 0, {0, 1}, nullptr), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Min_8u_AC4R(s, 0, {4, -1}, mn), vtx::px::kStsBadSize);
    EXPECT_EQ(vtx::px::Min_8u_AC4R(s, INT32_MIN, {4, 1}, mn), vtx::px::kStsBadStep);
    EXPECT_EQ(std::vector<double>(sum, sum + 3), std::vector<double>(3, 5.0));
    EXPECT_EQ(std::vector<int>(mn, mn + 3), std::vector<int>(3, 5));
    for (std::uint8_t b : d) ASSERT_EQ(b, 0x44);
}

TEST(PixelLookupAndComposition, ArgumentStatuses) {
    std::uint8_t src[16] = {}, dst[16];
    std::memset(dst, 0x21, sizeof dst);
    const std::int32_t lv[2] = {0, 256}, va[2] = {1, 2};
    const std::int32_t *ls[3] = {lv, lv, lv}, *vs[3] = {va, va, va}, *vn[3] = {va, va, nullptr}, *ln[3] = {lv, nullptr, lv};
    const std::int32_t n[3] = {2, 2, 2}, few[3] = {2, 1, 2}, negative[3] = {2, 2, INT32_MIN};
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(nullptr, 16, dst, 16, {4, 1}, vs, ls, n), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, nullptr, 16, {4, 1}, vs, ls, n), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, 16, {4, 1}, nullptr, ls, n), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, 16, {4, 1}, vs, nullptr, n), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, 16, {4, 1}, vs, ls, nullptr), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, 16, {0, 1}, vn, ls, few), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, 16, {0, 1}, vs, ln, few), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 0, dst, 16, {0, 1}, vs, ls, few), vtx::px::kStsBadSize);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 0, dst, 16, {4, 1}, vs, ls, few), vtx::px::kStsBadStep);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, -16, {4, 1}, vs, ls, n), vtx::px::kStsBadStep);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, 16, {4, 1}, vs, ls, few), vtx::px::kStsFewLevels);
    EXPECT_EQ(vtx::px::LUT_8u_AC4R(src, 16, dst, 16, {4, 1}, vs, ls, negative), vtx::px::kStsFewLevels);
    std::uint8_t t[256] = {};
    const std::uint8_t *tables[3] = {t, t, t}, *withNull[3] = {t, nullptr, t};
    EXPECT_EQ(vtx::px::MapChannels_8u_AC4IR(nullptr, dst, 16, {4, 1}, 0), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::MapChannels_8u_AC4IR(withNull, dst, 0, {0, 1}, 0), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::MapChannels_8u_AC4IR(tables, nullptr, 16, {4, 1}, 0), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::MapChannels_8u_AC4IR(tables, dst, 0, {0, 1}, 0), vtx::px::kStsBadSize);
    EXPECT_EQ(vtx::px::MapChannels_8u_AC4IR(tables, dst, 0, {4, 1}, 0), vtx::px::kStsBadStep);
    const auto comp = [&](const std::uint8_t* s1, const std::uint8_t* s2, std::int32_t step1, std::int32_t step2,
                          std::uint8_t* d, std::int32_t dstStep, vtx::px::RoiSize r, std::int32_t type) {
        return vtx::px::AlphaCompC_8u_AC4R(s1, step1, 1, s2, step2, 255, d, dstStep, r, type);
    };
    EXPECT_EQ(comp(nullptr, src, 16, 16, dst, 16, {4, 1}, 0), vtx::px::kStsNullPtr);
    EXPECT_EQ(comp(src, nullptr, 16, 16, dst, 16, {4, 1}, 0), vtx::px::kStsNullPtr);
    EXPECT_EQ(comp(src, src, 0, 16, nullptr, 16, {0, 1}, 99), vtx::px::kStsNullPtr);
    EXPECT_EQ(comp(src, src, 0, 16, dst, 16, {-4, 1}, 99), vtx::px::kStsBadSize);
    EXPECT_EQ(comp(src, src, 0, 16, dst, 16, {4, 1}, 99), vtx::px::kStsBadStep);
    EXPECT_EQ(comp(src, src, 16, -1, dst, 16, {4, 1}, 0), vtx::px::kStsBadStep);
    EXPECT_EQ(comp(src, src, 16, 16, dst, 0, {4, 1}, 0), vtx::px::kStsBadStep);
    for (const std::int32_t bad : {12, INT32_MAX, -1, INT32_MIN}) EXPECT_EQ(comp(src, src, 16, 16, dst, 16, {4, 1}, bad), vtx::px::kStsBadAlphaType);
    for (std::uint8_t b : dst) ASSERT_EQ(b, 0x21);
    float img[4] = {1, 2, 3, 4};
    EXPECT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(nullptr, 0, {0, 1}, 5, 0, 1, 1), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(img, 0, {4, 0}, 5, 0, 1, 1), vtx::px::kStsBadSize);
    EXPECT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(img, 0, {4, 1}, 5, 0, 1, 1), vtx::px::kStsBadStep);
    EXPECT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(img, 16, {4, 1}, 5, 0, 1, 1), vtx::px::kStsBadThreshold);
    EXPECT_EQ(std::vector<float>(img, img + 4), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(vtx::px::Threshold_LTValGTVal_32f_C1IR(img, 16, {4, 1}, 0.0f, 0, -0.0f, 1), vtx::px::kStsOk);  // equal bounds
    EXPECT_EQ(std::vector<float>(img, img + 4), (std::vector<float>{1, 1, 1, 1}));
}

}  // namespace
