// Saturating arithmetic, statistics, lookup, threshold and composition.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
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

// Scale factors for the random cases: mostly the ones the operations pass.
std::int32_t RandomScale(std::mt19937& rng, std::int32_t usual) {
    static const std::int32_t others[] = {-40, -3, -1, 0, 1, 2, 5, 8, 9, 16, 31, 40, 70, INT32_MIN, INT32_MAX};
    if (rng() % 3 != 0) return usual;
    return others[rng() % (sizeof others / sizeof others[0])];
}

// Divide-by-255 approximation of the composition: (x + (x >> 8) + 1) >> 8.
std::uint32_t D(std::uint32_t x) {
    return (x + (x >> 8) + 1) >> 8;
}

// ---------------------------------------------------------------------------
// Adding and subtracting a constant.

TEST(PixelAddSubConst, EveryValueWithEveryConstant) {
    // One row holds all 256 values in each channel; every constant is tried in
    // each channel at once.
    vtxtest::ForEachLevel([](std::int32_t) {
        for (int c = 0; c < 256; ++c) {
            std::uint8_t row[256 * 4];
            for (int v = 0; v < 256; ++v) {
                row[4 * v] = static_cast<std::uint8_t>(v);
                row[4 * v + 1] = static_cast<std::uint8_t>(255 - v);
                row[4 * v + 2] = static_cast<std::uint8_t>(v ^ 0x5A);
                row[4 * v + 3] = static_cast<std::uint8_t>(v * 7);
            }
            std::uint8_t added[sizeof row], subtracted[sizeof row];
            std::memcpy(added, row, sizeof row);
            std::memcpy(subtracted, row, sizeof row);
            const std::uint8_t k[3] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c),
                                       static_cast<std::uint8_t>(c)};
            ASSERT_EQ(ippiAddC_8u_AC4IRSfs(k, added, 4 * 64, {64, 4}, 0), kStsOk);
            ASSERT_EQ(ippiSubC_8u_AC4IRSfs(k, subtracted, 4 * 256, {256, 1}, 0), kStsOk);
            for (int i = 0; i < 256 * 4; ++i) {
                if (i % 4 == 3) {
                    ASSERT_EQ(added[i], row[i]);
                    ASSERT_EQ(subtracted[i], row[i]);
                } else {
                    ASSERT_EQ(added[i], std::min(255, row[i] + c)) << row[i] << " + " << c;
                    ASSERT_EQ(subtracted[i], std::max(0, row[i] - c)) << row[i] << " - " << c;
                }
            }
        }
    });
}

TEST(PixelAddSubConst, RandomRegionsAndScaleFactors) {
    for (const bool add : {true, false}) {
        SCOPED_TRACE(add ? "AddC" : "SubC");
        vtxtest::RunInPlaceCases(4, false, add ? 200 : 201, [add](const Plane& img, const Plane& e, std::mt19937& rng) {
            const std::uint8_t k[3] = {RandomByte(rng), RandomByte(rng), RandomByte(rng)};
            const std::int32_t sf = RandomScale(rng, 0);
            for (std::int32_t y = 0; y < img.height; ++y) {
                for (std::int32_t x = 0; x < img.width; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        const std::int64_t v = e.Px(x, y)[c];
                        e.Px(x, y)[c] = RefScale(add ? v + k[c] : v - k[c], sf);
                    }
                }
            }
            return add ? ippiAddC_8u_AC4IRSfs(k, img.p(), img.step, img.size(), sf)
                       : ippiSubC_8u_AC4IRSfs(k, img.p(), img.step, img.size(), sf);
        });
    }
}

TEST(PixelAddSubConst, ArgumentStatuses) {
    for (const bool add : {true, false}) {
        const auto call = [add](const std::uint8_t* k, std::uint8_t* p, std::int32_t step, RoiSize s) {
            return add ? ippiAddC_8u_AC4IRSfs(k, p, step, s, 0) : ippiSubC_8u_AC4IRSfs(k, p, step, s, 0);
        };
        std::uint8_t img[48];
        std::memset(img, 0x77, sizeof img);
        const std::uint8_t k[3] = {1, 1, 1};
        EXPECT_EQ(call(nullptr, img, 16, {4, 3}), kStsNullPtr);
        EXPECT_EQ(call(k, nullptr, 16, {4, 3}), kStsNullPtr);
        EXPECT_EQ(call(k, nullptr, 0, {0, 0}), kStsNullPtr);
        EXPECT_EQ(call(k, img, 16, {0, 3}), kStsBadSize);
        EXPECT_EQ(call(k, img, 16, {4, -3}), kStsBadSize);
        EXPECT_EQ(call(k, img, 0, {-4, 3}), kStsBadSize);
        EXPECT_EQ(call(k, img, 0, {4, 3}), kStsBadStep);
        EXPECT_EQ(call(k, img, INT32_MIN, {4, 3}), kStsBadStep);
        for (std::uint8_t b : img) EXPECT_EQ(b, 0x77);
    }
}

// ---------------------------------------------------------------------------
// Adding two images.

TEST(PixelAdd, MeanRoundsHalfToEven) {
    const std::uint8_t a[8] = {1, 2, 3, 0, 255, 255, 0, 0};
    const std::uint8_t b[8] = {2, 3, 4, 0, 255, 254, 1, 0};
    std::uint8_t d[8] = {0, 0, 0, 11, 0, 0, 0, 12};
    ASSERT_EQ(ippiAdd_8u_AC4RSfs(a, 8, b, 8, d, 8, {2, 1}, 1), kStsOk);
    EXPECT_EQ(d[0], 2);    // 1.5 → 2
    EXPECT_EQ(d[1], 2);    // 2.5 → 2
    EXPECT_EQ(d[2], 4);    // 3.5 → 4
    EXPECT_EQ(d[4], 255);  // 255
    EXPECT_EQ(d[5], 254);  // 254.5 → 254
    EXPECT_EQ(d[6], 0);    // 0.5 → 0
    EXPECT_EQ(d[3], 11);
    EXPECT_EQ(d[7], 12);
}

TEST(PixelAdd, EveryPairOfBytes) {
    // A 256 × 256 image: pixel (x, y) adds x to y in every channel.
    std::vector<std::uint8_t> a(256 * 256 * 4), b(256 * 256 * 4);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            for (int c = 0; c < 4; ++c) {
                a[(y * 256 + x) * 4 + c] = static_cast<std::uint8_t>(x);
                b[(y * 256 + x) * 4 + c] = static_cast<std::uint8_t>(y);
            }
        }
    }
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const std::int32_t sf : {0, 1}) {
            std::vector<std::uint8_t> d(256 * 256 * 4, 0xC3);
            ASSERT_EQ(ippiAdd_8u_AC4RSfs(a.data(), 1024, b.data(), 1024, d.data(), 1024, {256, 256}, sf), kStsOk);
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

TEST(PixelAdd, RandomRegionsAndScaleFactors) {
    vtxtest::RunTwoSourceCases(210, [](const Plane& s1, const Plane& s2, const Plane& d, const Plane& e,
                                       std::mt19937& rng) {
        const std::int32_t sf = RandomScale(rng, 1);
        for (std::int32_t y = 0; y < d.height; ++y) {
            for (std::int32_t x = 0; x < d.width; ++x) {
                for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = RefScale(s1.Px(x, y)[c] + s2.Px(x, y)[c], sf);
            }
        }
        return ippiAdd_8u_AC4RSfs(s1.p(), s1.step, s2.p(), s2.step, d.p(), d.step, d.size(), sf);
    });
}

TEST(PixelAdd, DestinationMayBeASource) {
    std::uint8_t a[16] = {10, 20, 30, 1, 40, 50, 60, 2, 0, 0, 0, 3, 255, 255, 255, 4};
    const std::uint8_t b[16] = {11, 21, 31, 9, 41, 51, 61, 9, 1, 2, 3, 9, 255, 254, 253, 9};
    ASSERT_EQ(ippiAdd_8u_AC4RSfs(a, 16, b, 16, a, 16, {4, 1}, 1), kStsOk);
    const std::uint8_t want[16] = {10, 20, 30, 1, 40, 50, 60, 2, 0, 1, 2, 3, 255, 254, 254, 4};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a[i], want[i]) << i;
}

TEST(PixelAdd, ArgumentStatuses) {
    std::uint8_t s[48] = {}, d[48];
    std::memset(d, 0x44, sizeof d);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(nullptr, 16, s, 16, d, 16, {4, 3}, 1), kStsNullPtr);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 16, nullptr, 16, d, 16, {4, 3}, 1), kStsNullPtr);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 16, s, 16, nullptr, 16, {4, 3}, 1), kStsNullPtr);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 16, s, 16, d, 16, {0, 3}, 1), kStsBadSize);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 16, s, 16, d, 16, {4, INT32_MIN}, 1), kStsBadSize);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 0, s, 0, d, 0, {4, 0}, 1), kStsBadSize);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 0, s, 16, d, 16, {4, 3}, 1), kStsBadStep);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 16, s, -1, d, 16, {4, 3}, 1), kStsBadStep);
    EXPECT_EQ(ippiAdd_8u_AC4RSfs(s, 16, s, 16, d, INT32_MIN, {4, 3}, 1), kStsBadStep);
    for (std::uint8_t b : d) EXPECT_EQ(b, 0x44);
}

// ---------------------------------------------------------------------------
// Squares.

TEST(PixelSqr, WorkedNumbers) {
    const std::uint8_t s[8] = {8, 24, 12, 200, 255, 0, 1, 100};
    std::uint8_t d[8] = {0, 0, 0, 77, 0, 0, 0, 78};
    ASSERT_EQ(ippiSqr_8u_AC4RSfs(s, 8, d, 8, {2, 1}, 7), kStsOk);
    EXPECT_EQ(d[0], 0);  // 64 / 128 = 0.5 → 0
    EXPECT_EQ(d[1], 4);  // 576 / 128 = 4.5 → 4
    EXPECT_EQ(d[2], 1);  // 144 / 128 = 1.125 → 1
    EXPECT_EQ(d[3], 77);
    EXPECT_EQ(d[4], 255);
    EXPECT_EQ(d[5], 0);
    EXPECT_EQ(d[6], 0);  // 1 / 128
    EXPECT_EQ(d[7], 78);
}

TEST(PixelSqr, EveryByteValue) {
    // Both closed forms of the scale-7 square agree with the primitive on every
    // byte: (v² + 63) >> 7 saturated, and v²/128 rounded half to even.
    std::uint8_t src[256 * 4];
    for (int v = 0; v < 256; ++v) {
        for (int c = 0; c < 4; ++c) src[4 * v + c] = static_cast<std::uint8_t>((v + 85 * c) & 0xFF);
    }
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const std::int32_t sf : {7, 0, 8, -1}) {
            std::uint8_t dst[256 * 4];
            std::memset(dst, 0x99, sizeof dst);
            ASSERT_EQ(ippiSqr_8u_AC4RSfs(src, 128, dst, 128, {32, 8}, sf), kStsOk);
            for (int i = 0; i < 256 * 4; ++i) {
                const int v = src[i];
                if (i % 4 == 3) {
                    ASSERT_EQ(dst[i], 0x99);
                    continue;
                }
                if (sf == 7) {
                    ASSERT_EQ(dst[i], std::min(255, (v * v + 63) >> 7)) << v;
                    ASSERT_EQ(dst[i], RefScale(v * v, 7)) << v;
                } else if (sf == 0) {
                    ASSERT_EQ(dst[i], std::min(255, v * v)) << v;
                } else {
                    ASSERT_EQ(dst[i], RefScale(v * v, sf)) << v << " sf " << sf;
                }
            }
        }
    });
}

TEST(PixelSqr, RandomRegionsAndScaleFactors) {
    vtxtest::RunSrcDstCases(4, 4, false, 220, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937& rng) {
        const std::int32_t sf = RandomScale(rng, 7);
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width; ++x) {
                for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = RefScale(s.Px(x, y)[c] * s.Px(x, y)[c], sf);
            }
        }
        return ippiSqr_8u_AC4RSfs(s.p(), s.step, d.p(), d.step, s.size(), sf);
    });
}

TEST(PixelSqr, InPlace) {
    std::uint8_t img[8] = {16, 255, 11, 5, 90, 91, 92, 6};
    ASSERT_EQ(ippiSqr_8u_AC4RSfs(img, 8, img, 8, {2, 1}, 7), kStsOk);
    const std::uint8_t want[8] = {2, 255, 1, 5, 63, 65, 66, 6};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(img[i], want[i]) << i;
}

TEST(PixelSqr, ArgumentStatuses) {
    vtxtest::CheckSrcDstStatuses(4, 4, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) { return ippiSqr_8u_AC4RSfs(s, ss, d, ds, r, 7); });
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
            for (std::int32_t y = 0; y < g.height; ++y) {
                for (std::int32_t x = 0; x < g.width; ++x) {
                    for (int c = 0; c < 3; ++c) src.Px(x, y)[c] = static_cast<std::uint8_t>(std::max<int>(floor, src.Px(x, y)[c]));
                }
            }
            double want[3] = {0, 0, 0};
            int wantMin[3] = {255, 255, 255};
            for (std::int32_t y = 0; y < g.height; ++y) {
                for (std::int32_t x = 0; x < g.width; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        want[c] += src.Px(x, y)[c];
                        wantMin[c] = std::min<int>(wantMin[c], src.Px(x, y)[c]);
                    }
                }
            }
            double sum[3] = {-1, -1, -1};
            std::uint8_t mn[3] = {1, 1, 1};
            ASSERT_EQ(ippiSum_8u_AC4R(src.p(), src.step, src.size(), sum), kStsOk);
            ASSERT_EQ(ippiMin_8u_AC4R(src.p(), src.step, src.size(), mn), kStsOk);
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(sum[c], want[c]) << vtxtest::Describe(g);
                ASSERT_EQ(mn[c], wantMin[c]) << vtxtest::Describe(g);
            }
        }
    });
}

TEST(PixelStatistics, AlphaIsIgnored) {
    const std::uint8_t px[8] = {9, 8, 7, 0, 200, 100, 50, 255};
    double sum[3];
    std::uint8_t mn[3];
    ASSERT_EQ(ippiSum_8u_AC4R(px, 8, {2, 1}, sum), kStsOk);
    ASSERT_EQ(ippiMin_8u_AC4R(px, 8, {2, 1}, mn), kStsOk);
    EXPECT_EQ(sum[0], 209.0);
    EXPECT_EQ(sum[1], 108.0);
    EXPECT_EQ(sum[2], 57.0);
    EXPECT_EQ(mn[0], 9);
    EXPECT_EQ(mn[1], 8);
    EXPECT_EQ(mn[2], 7);
}

TEST(PixelStatistics, LargeSumsAreExact) {
    // 1000 × 1000 pixels of 255: 255,000,000 per channel.
    std::vector<std::uint8_t> img(1000 * 1000 * 4, 255);
    double sum[3] = {};
    ASSERT_EQ(ippiSum_8u_AC4R(img.data(), 4000, {1000, 1000}, sum), kStsOk);
    for (double s : sum) EXPECT_EQ(s, 255000000.0);
}

TEST(PixelStatistics, MinimumStopsAfterARowOfZeros) {
    // The first row already holds 0 in every channel: the rows after it are
    // never read, so a region whose later rows would fault still succeeds.
    const Plane img = MakePlane(3, 1, 4, 0, 0);
    const std::uint8_t row[12] = {0, 5, 5, 9, 5, 0, 5, 9, 5, 5, 0, 9};
    std::memcpy(img.p(), row, 12);
    std::uint8_t mn[3] = {7, 7, 7};
    // Height 1000 with the buffer ending after the first row: reading row 1
    // would hit the guard page.
    ASSERT_EQ(ippiMin_8u_AC4R(img.p(), 4096, {3, 1000}, mn), kStsOk);
    EXPECT_EQ(mn[0], 0);
    EXPECT_EQ(mn[1], 0);
    EXPECT_EQ(mn[2], 0);
}

TEST(PixelStatistics, ArgumentStatuses) {
    const std::uint8_t img[16] = {};
    double sum[3] = {5, 5, 5};
    std::uint8_t mn[3] = {5, 5, 5};
    EXPECT_EQ(ippiSum_8u_AC4R(nullptr, 16, {4, 1}, sum), kStsNullPtr);
    EXPECT_EQ(ippiSum_8u_AC4R(img, 16, {4, 1}, nullptr), kStsNullPtr);
    EXPECT_EQ(ippiSum_8u_AC4R(img, 16, {0, 1}, sum), kStsBadSize);
    EXPECT_EQ(ippiSum_8u_AC4R(img, 0, {4, 0}, sum), kStsBadSize);
    EXPECT_EQ(ippiSum_8u_AC4R(img, 0, {4, 1}, sum), kStsBadStep);
    EXPECT_EQ(ippiMin_8u_AC4R(nullptr, 16, {4, 1}, mn), kStsNullPtr);
    EXPECT_EQ(ippiMin_8u_AC4R(img, 16, {4, 1}, nullptr), kStsNullPtr);
    EXPECT_EQ(ippiMin_8u_AC4R(img, 16, {4, -1}, mn), kStsBadSize);
    EXPECT_EQ(ippiMin_8u_AC4R(img, INT32_MIN, {4, 1}, mn), kStsBadStep);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(sum[c], 5.0);
        EXPECT_EQ(mn[c], 5);
    }
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

std::vector<std::uint8_t> LookupAllValues(const std::int32_t* values, const std::int32_t* levels, std::int32_t n) {
    std::uint8_t src[256 * 4], dst[256 * 4];
    for (int v = 0; v < 256; ++v) {
        for (int c = 0; c < 4; ++c) src[4 * v + c] = static_cast<std::uint8_t>(v);
    }
    std::memset(dst, 0xAB, sizeof dst);
    const std::int32_t* vs[3] = {values, values, values};
    const std::int32_t* ls[3] = {levels, levels, levels};
    const std::int32_t ns[3] = {n, n, n};
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 1024, dst, 1024, {256, 1}, vs, ls, ns), kStsOk);
    std::vector<std::uint8_t> out(256);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(dst[4 * v], dst[4 * v + 1]);
        EXPECT_EQ(dst[4 * v], dst[4 * v + 2]);
        EXPECT_EQ(dst[4 * v + 3], 0xAB);
        out[v] = dst[4 * v];
    }
    return out;
}

TEST(PixelLookup, StepFunctionOverTheWholeRange) {
    const std::int32_t levels[] = {0, 128, 256};
    const std::int32_t values[] = {10, 20, 99};
    const auto t = LookupAllValues(values, levels, 3);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(t[v], v < 128 ? 10 : 20) << v;
}

TEST(PixelLookup, SamplesOutsideTheLevelsPassUnchanged) {
    const std::int32_t levels[] = {64, 192};
    const std::int32_t values[] = {7, 200};
    const auto t = LookupAllValues(values, levels, 2);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(t[v], (v >= 64 && v < 192) ? 7 : v) << v;
}

TEST(PixelLookup, LevelsAndValuesAreClamped) {
    // Levels below 0 and above 255, values outside 0..255, descending levels.
    const std::int32_t levels[] = {-50, 10, 300, 20};
    const std::int32_t values[] = {-9, 1000, 5, 77};
    const auto t = LookupAllValues(values, levels, 4);
    // [0, 10) → 0; [10, 256) → 255; [300, 20) is empty; from 20 up unchanged.
    for (int v = 0; v < 256; ++v) EXPECT_EQ(t[v], v < 10 ? 0 : (v < 20 ? 255 : v)) << v;
    const std::int32_t extreme[] = {INT32_MIN, INT32_MAX};
    const std::int32_t evalues[] = {INT32_MAX, INT32_MIN};
    const auto u = LookupAllValues(evalues, extreme, 2);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(u[v], 255) << v;
}

TEST(PixelLookup, RandomTablesAndRegions) {
    vtxtest::RunSrcDstCases(4, 4, false, 240, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937& rng) {
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
        return ippiLUT_8u_AC4R(s.p(), s.step, d.p(), d.step, s.size(), vs, ls, n);
    });
}

TEST(PixelLookup, ArgumentStatuses) {
    std::uint8_t src[16] = {}, dst[16];
    std::memset(dst, 0x21, sizeof dst);
    const std::int32_t lv[2] = {0, 256}, va[2] = {1, 2};
    const std::int32_t* ok[3] = {lv, lv, lv};
    const std::int32_t* okv[3] = {va, va, va};
    const std::int32_t n[3] = {2, 2, 2};
    EXPECT_EQ(ippiLUT_8u_AC4R(nullptr, 16, dst, 16, {4, 1}, okv, ok, n), kStsNullPtr);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, nullptr, 16, {4, 1}, okv, ok, n), kStsNullPtr);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {4, 1}, nullptr, ok, n), kStsNullPtr);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {4, 1}, okv, nullptr, n), kStsNullPtr);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {4, 1}, okv, ok, nullptr), kStsNullPtr);
    for (int c = 0; c < 3; ++c) {
        const std::int32_t* vs[3] = {va, va, va};
        const std::int32_t* ls[3] = {lv, lv, lv};
        vs[c] = nullptr;
        EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {4, 1}, vs, ls, n), kStsNullPtr) << c;
        vs[c] = va;
        ls[c] = nullptr;
        EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {4, 1}, vs, ls, n), kStsNullPtr) << c;
    }
    const std::int32_t few[3] = {2, 1, 2};
    const std::int32_t negative[3] = {2, 2, INT32_MIN};
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {0, 1}, okv, ok, few), kStsBadSize);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 0, dst, 16, {4, 1}, okv, ok, few), kStsBadStep);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, -16, {4, 1}, okv, ok, n), kStsBadStep);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {4, 1}, okv, ok, few), kStsFewLevels);
    EXPECT_EQ(ippiLUT_8u_AC4R(src, 16, dst, 16, {4, 1}, okv, ok, negative), kStsFewLevels);
    for (std::uint8_t b : dst) EXPECT_EQ(b, 0x21);
}

// ---------------------------------------------------------------------------
// Threshold of float images.

std::uint32_t Bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

TEST(PixelThreshold, ClampsIntoTheBounds) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    float img[10] = {-1.0f, 0.0f, -0.0f, 0.5f, 1000.0f, 1000.5f, inf, -inf, nan, 1e-30f};
    ASSERT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 40, {10, 1}, 0.0f, 0.0f, 1000.0f, 1000.0f), kStsOk);
    const float want[10] = {0.0f, 0.0f, -0.0f, 0.5f, 1000.0f, 1000.0f, 1000.0f, 0.0f, nan, 1e-30f};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Bits(img[i]), Bits(want[i])) << i;
}

TEST(PixelThreshold, DistinctReplacementValues) {
    float img[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 12, {3, 2}, 2.5f, -7.0f, 4.5f, 99.0f), kStsOk);
    const float want[6] = {-7, -7, 3, 4, 99, 99};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(img[i], want[i]) << i;
}

TEST(PixelThreshold, NanThresholdsReplaceNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float img[4] = {-5, 0, 5, 1e30f};
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 16, {4, 1}, nan, 1.0f, nan, 2.0f), kStsOk);
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 16, {4, 1}, 0.0f, 1.0f, nan, 2.0f), kStsOk);
    EXPECT_EQ(img[0], 1.0f);  // below the lower bound
    EXPECT_EQ(img[1], 0.0f);
    EXPECT_EQ(img[2], 5.0f);
    EXPECT_EQ(img[3], 1e30f);
}

TEST(PixelThreshold, RandomRegions) {
    vtxtest::RunInPlaceCases(4, false, 250, [](const Plane& img, const Plane& e, std::mt19937& rng) {
        const float lo = static_cast<float>(rng() % 100), hi = lo + static_cast<float>(rng() % 100);
        const float vlo = -static_cast<float>(rng() % 7), vhi = 1000.0f + static_cast<float>(rng() % 7);
        for (std::int32_t y = 0; y < img.height; ++y) {
            for (std::int32_t x = 0; x < img.width; ++x) {
                // Random bit patterns would be mostly tiny or NaN: draw values.
                const float v = static_cast<float>(static_cast<int>(rng() % 300) - 50) * 0.75f;
                std::memcpy(img.Px(x, y), &v, 4);
                const float r = v < lo ? vlo : (v > hi ? vhi : v);
                std::memcpy(e.Px(x, y), &r, 4);
            }
        }
        return ippiThreshold_LTValGTVal_32f_C1IR(reinterpret_cast<float*>(img.p()), img.step, img.size(), lo, vlo, hi,
                                                 vhi);
    });
}

TEST(PixelThreshold, ArgumentStatuses) {
    float img[4] = {1, 2, 3, 4};
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(nullptr, 16, {4, 1}, 0, 0, 1, 1), kStsNullPtr);
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 16, {0, 1}, 0, 0, 1, 1), kStsBadSize);
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 0, {4, 0}, 5, 0, 1, 1), kStsBadSize);
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 0, {4, 1}, 5, 0, 1, 1), kStsBadStep);
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 16, {4, 1}, 5, 0, 1, 1), kStsBadThreshold);
    EXPECT_EQ(ippiThreshold_LTValGTVal_32f_C1IR(img, 16, {4, 1}, 0.0f, 0, -0.0f, 1), kStsOk);  // equal bounds
    EXPECT_EQ(img[0], 1.0f);
    EXPECT_EQ(img[3], 1.0f);
}

// ---------------------------------------------------------------------------
// Composition with constant opacities.

TEST(PixelAlphaComp, WorkedNumbers) {
    const std::uint8_t s1[4] = {200, 255, 0, 1};
    const std::uint8_t s2[4] = {100, 0, 255, 2};
    std::uint8_t d[4] = {0, 0, 0, 42};
    ASSERT_EQ(ippiAlphaCompC_8u_AC4R(s1, 4, 128, s2, 4, 255, d, 4, {1, 1}, 0), kStsOk);
    EXPECT_EQ(d[0], 149);  // d(25600) = 100, d(127 · 100) = 49
    EXPECT_EQ(d[1], 128);  // d(255 · 128) = 128, nothing from src2
    EXPECT_EQ(d[2], 127);  // d(127 · 255) = 127
    EXPECT_EQ(d[3], 42);
}

TEST(PixelAlphaComp, EveryOpacityAndPairOfBytes) {
    // For each alpha1, a 256 × 256 image combines every s1 with every s2
    // (alpha2 = 255, as the operations pass it).
    std::vector<std::uint8_t> s1(256 * 256 * 4), s2(256 * 256 * 4);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            for (int c = 0; c < 4; ++c) {
                s1[(y * 256 + x) * 4 + c] = static_cast<std::uint8_t>(x);
                s2[(y * 256 + x) * 4 + c] = static_cast<std::uint8_t>(y);
            }
        }
    }
    std::vector<std::uint8_t> d(256 * 256 * 4);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (int a1 = 0; a1 < 256; ++a1) {
            std::fill(d.begin(), d.end(), static_cast<std::uint8_t>(a1 ^ 0x3C));
            ASSERT_EQ(ippiAlphaCompC_8u_AC4R(s1.data(), 1024, static_cast<std::uint8_t>(a1), s2.data(), 1024, 255,
                                             d.data(), 1024, {256, 256}, 0),
                      kStsOk);
            for (int y = 0; y < 256; ++y) {
                for (int x = 0; x < 256; ++x) {
                    const std::uint32_t want = D(x * a1) + D((255 - a1) * D(y * 255));
                    const std::uint8_t* px = &d[(y * 256 + x) * 4];
                    const bool ok = want <= 255 && px[0] == want && px[1] == want && px[2] == want &&
                                    px[3] == (a1 ^ 0x3C) && (a1 != 255 || want == static_cast<std::uint32_t>(x)) &&
                                    (a1 != 0 || want == static_cast<std::uint32_t>(y));
                    if (!ok) {
                        FAIL() << "s1 " << x << " s2 " << y << " alpha1 " << a1 << ": got " << int(px[0]) << ","
                               << int(px[1]) << "," << int(px[2]) << "," << int(px[3]) << ", expected " << want;
                    }
                }
            }
        }
    });
}

TEST(PixelAlphaComp, RandomRegionsAndOpacities) {
    vtxtest::RunTwoSourceCases(260, [](const Plane& s1, const Plane& s2, const Plane& d, const Plane& e,
                                       std::mt19937& rng) {
        const std::uint8_t a1 = RandomByte(rng);
        const std::uint8_t a2 = (rng() % 2) ? 255 : RandomByte(rng);
        for (std::int32_t y = 0; y < d.height; ++y) {
            for (std::int32_t x = 0; x < d.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    const std::uint32_t t1 = D(s1.Px(x, y)[c] * std::uint32_t{a1});
                    const std::uint32_t t2 = D(s2.Px(x, y)[c] * std::uint32_t{a2});
                    e.Px(x, y)[c] = static_cast<std::uint8_t>(t1 + D((255 - a1) * t2));
                }
            }
        }
        return ippiAlphaCompC_8u_AC4R(s1.p(), s1.step, a1, s2.p(), s2.step, a2, d.p(), d.step, d.size(), 0);
    });
}

TEST(PixelAlphaComp, DestinationMayBeEitherSource) {
    std::mt19937 rng(261);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (std::int32_t w : {1, 3, 4, 5, 8, 13}) {
            const Plane a = MakePlane(w, 3, 4, 4, 0), b = MakePlane(w, 3, 4, 4, 0), sep = MakePlane(w, 3, 4, 4, 0);
            FillRandom(a, rng);
            FillRandom(b, rng);
            FillRandom(sep, rng);
            const std::uint8_t a1 = RandomByte(rng);
            for (int which = 0; which < 2; ++which) {
                const Plane expected = Clone(which == 0 ? a : b);
                // Expected bytes 0..2 from separate buffers, byte 3 of the in-place destination.
                ASSERT_EQ(ippiAlphaCompC_8u_AC4R(a.p(), a.step, a1, b.p(), b.step, 255, sep.p(), sep.step, a.size(), 0),
                          kStsOk);
                for (std::int32_t y = 0; y < 3; ++y) {
                    for (std::int32_t x = 0; x < w; ++x) std::memcpy(expected.Px(x, y), sep.Px(x, y), 3);
                }
                const Plane& target = which == 0 ? a : b;
                ASSERT_EQ(ippiAlphaCompC_8u_AC4R(a.p(), a.step, a1, b.p(), b.step, 255, target.p(), target.step,
                                                 a.size(), 0),
                          kStsOk);
                ASSERT_TRUE(SameBytes(target, expected)) << "width " << w << " destination = source " << which + 1;
            }
        }
    });
}

TEST(PixelAlphaComp, OtherCompositionTypes) {
    // Opacity 255 for the second image: "in" keeps the scaled first image,
    // "out" clears it, "atop" equals "over", "plus" saturates; the
    // premultiplied types take the colours as they are.
    const std::uint8_t s1[4] = {200, 100, 255, 0}, s2[4] = {100, 200, 255, 0};
    const auto run = [&](std::int32_t type, std::uint8_t a1, std::uint8_t a2) {
        std::uint8_t d[4] = {1, 2, 3, 4};
        EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s1, 4, a1, s2, 4, a2, d, 4, {1, 1}, type), kStsOk) << type;
        EXPECT_EQ(d[3], 4);
        return std::vector<int>{d[0], d[1], d[2]};
    };
    const std::vector<int> over = run(0, 128, 255);
    EXPECT_EQ(run(1, 128, 255), (std::vector<int>{100, 50, 128}));
    EXPECT_EQ(run(2, 128, 255), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(run(3, 128, 255), over);
    EXPECT_EQ(run(4, 128, 0), (std::vector<int>{100, 50, 128}));
    EXPECT_EQ(run(5, 128, 255), (std::vector<int>{200, 250, 255}));
    EXPECT_EQ(run(6, 0, 255), (std::vector<int>{255, 255, 255}));  // premultiplied over, saturated
    EXPECT_EQ(run(6, 255, 255), (std::vector<int>{200, 100, 255}));
    EXPECT_EQ(run(7, 128, 255), (std::vector<int>{200, 100, 255}));
    EXPECT_EQ(run(8, 128, 255), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(run(11, 128, 0), (std::vector<int>{255, 255, 255}));
}

TEST(PixelAlphaComp, ArgumentStatuses) {
    std::uint8_t s[16] = {}, d[16];
    std::memset(d, 0x66, sizeof d);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(nullptr, 16, 1, s, 16, 255, d, 16, {4, 1}, 0), kStsNullPtr);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 16, 1, nullptr, 16, 255, d, 16, {4, 1}, 0), kStsNullPtr);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 16, 1, s, 16, 255, nullptr, 16, {4, 1}, 0), kStsNullPtr);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(nullptr, 0, 1, s, 16, 255, d, 16, {0, 1}, 99), kStsNullPtr);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 16, 1, s, 16, 255, d, 16, {4, 0}, 0), kStsBadSize);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 0, 1, s, 16, 255, d, 16, {-4, 1}, 99), kStsBadSize);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 0, 1, s, 16, 255, d, 16, {4, 1}, 99), kStsBadStep);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 16, 1, s, -1, 255, d, 16, {4, 1}, 0), kStsBadStep);
    EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 16, 1, s, 16, 255, d, 0, {4, 1}, 0), kStsBadStep);
    for (const std::int32_t bad : {12, 13, 100, INT32_MAX, -1, INT32_MIN}) {
        EXPECT_EQ(ippiAlphaCompC_8u_AC4R(s, 16, 1, s, 16, 255, d, 16, {4, 1}, bad), kStsBadAlphaType) << bad;
    }
    for (std::uint8_t b : d) EXPECT_EQ(b, 0x66);
}

}  // namespace

TEST(MapChannels, MapsEachChannelSkipsPixelsWithAlphaAndChecksArguments) {
    std::uint8_t tb[256], tg[256], tr[256];
    for (int i = 0; i < 256; ++i) {
        tb[i] = static_cast<std::uint8_t>(255 - i);
        tg[i] = static_cast<std::uint8_t>(i / 3);
        tr[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    }
    const std::uint8_t* tables[3] = {tb, tg, tr};
    // Three pixels of a 2-pixel-wide region with a padded step of 12 bytes.
    const std::uint8_t original[24] = {10, 20, 30, 0,  200, 100, 50, 7,  1, 2, 3, 4,
                                       0,  255, 128, 0, 9,   9,   9,  255, 7, 7, 7, 7};
    std::uint8_t img[24];
    std::memcpy(img, original, 24);
    ASSERT_EQ(ippiMapChannels_8u_AC4IR(tables, img, 12, {2, 2}, 0), kStsOk);
    const std::uint8_t all[24] = {245, 6,  68, 0, 55, 33, 104, 7,   1, 2, 3, 4,
                                  255, 85, 218, 0, 246, 3, 83, 255, 7, 7, 7, 7};
    EXPECT_EQ(std::vector<std::uint8_t>(img, img + 24), std::vector<std::uint8_t>(all, all + 24));

    std::memcpy(img, original, 24);
    ASSERT_EQ(ippiMapChannels_8u_AC4IR(tables, img, 12, {2, 2}, 1), kStsOk);
    const std::uint8_t masked[24] = {245, 6,   68, 0,   200, 100, 50, 7,   1, 2, 3, 4,
                                     255, 85, 218, 0,   9,   9,   9,  255, 7, 7, 7, 7};
    EXPECT_EQ(std::vector<std::uint8_t>(img, img + 24), std::vector<std::uint8_t>(masked, masked + 24));

    const std::uint8_t* withNull[3] = {tb, nullptr, tr};
    EXPECT_EQ(ippiMapChannels_8u_AC4IR(withNull, img, 12, {2, 2}, 0), kStsNullPtr);
    EXPECT_EQ(ippiMapChannels_8u_AC4IR(nullptr, img, 12, {2, 2}, 0), kStsNullPtr);
    EXPECT_EQ(ippiMapChannels_8u_AC4IR(tables, nullptr, 12, {2, 2}, 0), kStsNullPtr);
    EXPECT_EQ(ippiMapChannels_8u_AC4IR(tables, img, 12, {0, 2}, 0), kStsBadSize);
    EXPECT_EQ(ippiMapChannels_8u_AC4IR(tables, img, 0, {2, 2}, 0), kStsBadStep);
}
