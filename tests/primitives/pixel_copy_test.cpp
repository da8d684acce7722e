// Copies, fills, sample conversions and border copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "primitives/pixel.h"
#include "tests/primitives/pixel_test_support.h"

namespace {

using vtxtest::Clone;
using vtxtest::FillRandom;
using vtxtest::MakePlane;
using vtxtest::Plane;
using vtxtest::SameBytes;

// ---------------------------------------------------------------------------
// Copies, fills and conversions against per-pixel references on random
// regions at every level.

TEST(PixelCopy, AC4CopiesThreeBytesAndKeepsDestinationAlpha) {
    vtxtest::RunSrcDstCases(4, 4, 101, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width; ++x) std::memcpy(e.Px(x, y), s.Px(x, y), 3);
        }
        return vtx::px::Copy_8u_AC4R(s.p(), s.step, d.p(), d.step, s.size());
    });
}

TEST(PixelCopy, BetweenC1AndOneChannelOfC4) {
    for (int ch = 0; ch < 4; ++ch) {
        SCOPED_TRACE(ch);
        vtxtest::RunSrcDstCases(1, 4, 102 + ch, [ch](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
            for (std::int32_t y = 0; y < s.height; ++y) {
                for (std::int32_t x = 0; x < s.width; ++x) e.Px(x, y)[ch] = *s.Px(x, y);
            }
            return vtx::px::Copy_8u_C1C4R(s.p(), s.step, d.p() + ch, d.step, s.size());
        });
        vtxtest::RunSrcDstCases(4, 1, 106 + ch, [ch](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
            for (std::int32_t y = 0; y < s.height; ++y) {
                for (std::int32_t x = 0; x < s.width; ++x) *e.Px(x, y) = s.Px(x, y)[ch];
            }
            return vtx::px::Copy_8u_C4C1R(s.p() + ch, s.step, d.p(), d.step, s.size());
        });
    }
}

TEST(PixelCopy, FourPlanesIntoC4) {
    std::mt19937 rng(110);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const auto& g : vtxtest::Geometries()) {
            // Four planes sharing one step, each in its own guarded buffer.
            Plane planes[4];
            const Plane dst = MakePlane(g.width, g.height, 4, g.dstPad, g.dstOffset);
            FillRandom(dst, rng);
            const Plane expected = Clone(dst);
            for (int k = 0; k < 4; ++k) {
                planes[k] = MakePlane(g.width, g.height, 1, g.srcPad, g.srcOffset);
                FillRandom(planes[k], rng);
                for (std::int32_t y = 0; y < g.height; ++y) {
                    for (std::int32_t x = 0; x < g.width; ++x) expected.Px(x, y)[k] = *planes[k].Px(x, y);
                }
            }
            const std::uint8_t* const ptrs[4] = {planes[0].p(), planes[1].p(), planes[2].p(), planes[3].p()};
            ASSERT_EQ(vtx::px::Copy_8u_P4C4R(ptrs, planes[0].step, dst.p(), dst.step, dst.size()), vtx::px::kStsOk);
            ASSERT_TRUE(SameBytes(dst, expected)) << vtxtest::Describe(g);
        }
    });
}

TEST(PixelSet, AC4SetsThreeBytesAndC4AllFour) {
    for (const int n : {3, 4}) {
        vtxtest::RunInPlaceCases(4, 117 + n, [n](const Plane& img, const Plane& e, std::mt19937& rng) {
            const std::uint8_t v[4] = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                       static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())};
            for (std::int32_t y = 0; y < img.height; ++y) {
                for (std::int32_t x = 0; x < img.width; ++x) std::memcpy(e.Px(x, y), v, n);
            }
            return n == 3 ? vtx::px::Set_8u_AC4R(v, img.p(), img.step, img.size())
                          : vtx::px::Set_8u_C4R(v, img.p(), img.step, img.size());
        });
    }
}

TEST(PixelConvert, WorkedNumbersAndEveryValueOfOneChannel) {
    const std::int16_t in[] = {-5, 300, 77, 0, 255, 256, -32768, 32767, 1, -1};
    std::uint8_t out[10] = {};
    ASSERT_EQ(vtx::px::Convert_16s8u_C1R(in, sizeof in, out, sizeof out, {10, 1}), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(out, out + 10), (std::vector<int>{0, 255, 77, 0, 255, 255, 0, 255, 1, 0}));
    // 65536 samples as a 256 × 256 image, and 256 bytes as 16 × 16, at every level.
    std::vector<std::int16_t> wide(65536);
    for (int i = 0; i < 65536; ++i) wide[i] = static_cast<std::int16_t>(i - 32768);
    std::uint8_t bytes[256];
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    vtxtest::ForEachLevel([&](std::int32_t) {
        std::vector<std::uint8_t> narrow(65536, 0xEE);
        ASSERT_EQ(vtx::px::Convert_16s8u_C1R(wide.data(), 512, narrow.data(), 256, {256, 256}), vtx::px::kStsOk);
        for (int v = -32768; v < 32768; ++v) ASSERT_EQ(narrow[v + 32768], v <= 0 ? 0 : (v >= 255 ? 255 : v)) << v;
        std::int16_t back[256];
        std::fill(back, back + 256, std::int16_t{-7});
        ASSERT_EQ(vtx::px::Convert_8u16s_C1R(bytes, 16, back, 32, {16, 16}), vtx::px::kStsOk);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(back[i], i);
    });
}

TEST(PixelConvert, ThreeChannelLayoutsOnPaddedRows) {
    // Two rows of two pixels; 16-bit rows 20 bytes apart, byte rows 12 apart.
    std::int16_t wide[20];
    for (int i = 0; i < 20; ++i) wide[i] = static_cast<std::int16_t>(i * 37 - 200);  // -200, -163, ..., 503
    std::uint8_t narrow[24];
    for (int i = 0; i < 24; ++i) narrow[i] = static_cast<std::uint8_t>(250 - i * 9);
    const std::vector<std::uint8_t> keep(narrow, narrow + 24);
    ASSERT_EQ(vtx::px::Convert_16s8u_AC4R(wide, 20, narrow, 12, {2, 2}), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(narrow, narrow + 24),
              (std::vector<int>{0, 0, 0, keep[3], 0, 0, 22, keep[7], keep[8], keep[9], keep[10], keep[11],
                                170, 207, 244, keep[15], 255, 255, 255, keep[19], keep[20], keep[21], keep[22], keep[23]}));
    std::int16_t back[20];
    std::fill(back, back + 20, std::int16_t{-1});
    ASSERT_EQ(vtx::px::Convert_8u16s_AC4R(keep.data(), 12, back, 20, {2, 2}), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(back, back + 20), (std::vector<int>{250, 241, 232, -1, 214, 205, 196, -1, -1, -1,
                                                                   142, 133, 124, -1, 106, 97, 88, -1, -1, -1}));
}

TEST(PixelCopyConvertSet, ArgumentStatuses) {
    const auto s16 = [](const std::uint8_t* p) { return reinterpret_cast<const std::int16_t*>(p); };
    const auto d16 = [](std::uint8_t* p) { return reinterpret_cast<std::int16_t*>(p); };
    vtxtest::CheckSrcDstStatuses(4, 4, [](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::Copy_8u_AC4R(s, ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(1, 4, [](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::Copy_8u_C1C4R(s, ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(4, 1, [](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::Copy_8u_C4C1R(s, ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(1, 2, [&](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::Convert_8u16s_C1R(s, ss, d16(d), ds, r); });
    vtxtest::CheckSrcDstStatuses(4, 8, [&](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::Convert_8u16s_AC4R(s, ss, d16(d), ds, r); });
    vtxtest::CheckSrcDstStatuses(2, 1, [&](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::Convert_16s8u_C1R(s16(s), ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(8, 4, [&](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::Convert_16s8u_AC4R(s16(s), ss, d, ds, r); });
    // Planes: the array, any plane pointer and the destination are required.
    std::uint8_t planeData[4][8] = {};
    std::uint8_t dst[64];
    std::memset(dst, 0x5A, sizeof dst);
    const std::uint8_t* const ok[4] = {planeData[0], planeData[1], planeData[2], planeData[3]};
    const std::uint8_t* const withNull[4] = {planeData[0], planeData[1], planeData[2], nullptr};
    EXPECT_EQ(vtx::px::Copy_8u_P4C4R(nullptr, 8, dst, 32, {8, 1}), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Copy_8u_P4C4R(ok, 8, nullptr, 32, {8, 1}), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Copy_8u_P4C4R(withNull, 8, dst, 32, {0, 1}), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::Copy_8u_P4C4R(ok, 0, dst, 0, {8, -2}), vtx::px::kStsBadSize);
    EXPECT_EQ(vtx::px::Copy_8u_P4C4R(ok, 0, dst, 32, {8, 1}), vtx::px::kStsBadStep);
    EXPECT_EQ(vtx::px::Copy_8u_P4C4R(ok, 8, dst, INT32_MIN, {8, 1}), vtx::px::kStsBadStep);
    const std::uint8_t v[4] = {1, 2, 3, 4};
    for (const bool ac4 : {true, false}) {
        const auto set = [ac4](const std::uint8_t* val, std::uint8_t* p, std::int32_t step, vtx::px::RoiSize r) {
            return ac4 ? vtx::px::Set_8u_AC4R(val, p, step, r) : vtx::px::Set_8u_C4R(val, p, step, r);
        };
        EXPECT_EQ(set(nullptr, dst, 16, {4, 4}), vtx::px::kStsNullPtr);
        EXPECT_EQ(set(v, nullptr, 0, {0, 4}), vtx::px::kStsNullPtr);
        EXPECT_EQ(set(v, dst, 0, {4, -4}), vtx::px::kStsBadSize);
        EXPECT_EQ(set(v, dst, INT32_MIN, {4, 4}), vtx::px::kStsBadStep);
    }
    for (std::uint8_t b : dst) EXPECT_EQ(b, 0x5A);
}

// ---------------------------------------------------------------------------
// Border copies. The reference reads, for destination pixel (x, y), the source
// pixel at (x − left, y − top) with both coordinates clamped into the source.

struct BorderCase {
    vtx::px::RoiSize src, dst;
    std::int32_t top, left;
};

std::vector<BorderCase> BorderCases(std::mt19937& rng) {
    std::vector<BorderCase> out = {
        {{1, 1}, {1, 1}, 0, 0}, {{1, 1}, {3, 3}, 1, 1}, {{2, 2}, {4, 4}, 1, 1}, {{5, 3}, {9, 7}, 2, 2},
        {{4, 4}, {6, 5}, 0, 0}, {{4, 4}, {6, 5}, 1, 2}, {{7, 2}, {7, 2}, 0, 0}, {{3, 3}, {8, 3}, 0, 5},
        {{3, 3}, {3, 8}, 5, 0}, {{9, 1}, {19, 11}, 5, 5},
    };
    for (int i = 0; i < 40; ++i) {
        BorderCase c;
        c.src = {1 + static_cast<std::int32_t>(rng() % 37), 1 + static_cast<std::int32_t>(rng() % 5)};
        c.left = static_cast<std::int32_t>(rng() % 6);
        c.top = static_cast<std::int32_t>(rng() % 4);
        c.dst = {c.src.width + c.left + static_cast<std::int32_t>(rng() % 6),
                 c.src.height + c.top + static_cast<std::int32_t>(rng() % 4)};
        out.push_back(c);
    }
    return out;
}

// Replicate border copy of either layout.
vtx::px::Status Replicate(std::int32_t bpp, const std::uint8_t* s, std::int32_t ss, vtx::px::RoiSize sz, std::uint8_t* d,
                    std::int32_t ds, vtx::px::RoiSize dz, std::int32_t top, std::int32_t left) {
    return bpp == 4 ? vtx::px::CopyReplicateBorder_8u_AC4R(s, ss, sz, d, ds, dz, top, left)
                    : vtx::px::CopyReplicateBorder_8u_C1R(s, ss, sz, d, ds, dz, top, left);
}

void RunBorderCases(std::int32_t bpp, bool constant, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const auto cases = BorderCases(rng);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const BorderCase& c : cases) {
            const Plane src = MakePlane(c.src.width, c.src.height, bpp, static_cast<std::int32_t>(rng() % 9), rng() % 5);
            const Plane dst = MakePlane(c.dst.width, c.dst.height, bpp, static_cast<std::int32_t>(rng() % 9), rng() % 5);
            FillRandom(src, rng);
            FillRandom(dst, rng);
            const std::uint8_t value[3] = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                           static_cast<std::uint8_t>(rng())};
            const Plane expected = Clone(dst);
            const std::int32_t bytes = bpp == 4 ? 3 : 1;
            for (std::int32_t y = 0; y < c.dst.height; ++y) {
                for (std::int32_t x = 0; x < c.dst.width; ++x) {
                    const std::int32_t sx = x - c.left, sy = y - c.top;
                    const bool inside = sx >= 0 && sx < c.src.width && sy >= 0 && sy < c.src.height;
                    if (constant && !inside) {
                        std::memcpy(expected.Px(x, y), value, 3);
                    } else {
                        const std::int32_t cx = std::clamp(sx, 0, c.src.width - 1);
                        const std::int32_t cy = std::clamp(sy, 0, c.src.height - 1);
                        std::memcpy(expected.Px(x, y), src.Px(cx, cy), bytes);
                    }
                }
            }
            const vtx::px::Status st =
                constant ? vtx::px::CopyConstBorder_8u_AC4R(src.p(), src.step, c.src, dst.p(), dst.step, c.dst, c.top, c.left, value)
                         : Replicate(bpp, src.p(), src.step, c.src, dst.p(), dst.step, c.dst, c.top, c.left);
            ASSERT_EQ(st, vtx::px::kStsOk);
            ASSERT_TRUE(SameBytes(dst, expected)) << c.src.width << "x" << c.src.height << " at " << c.left << "," << c.top;
            if (constant) continue;
            // The same with the source at (left, top) inside the destination itself.
            FillRandom(dst, rng);
            for (std::int32_t y = 0; y < c.src.height; ++y) {
                std::memcpy(dst.Px(c.left, c.top + y), src.Row(y), static_cast<std::size_t>(c.src.width) * bpp);
            }
            std::memcpy(expected.base(), dst.base(), dst.bytes());
            ASSERT_EQ(Replicate(bpp, src.p(), src.step, c.src, expected.p(), expected.step, c.dst, c.top, c.left), vtx::px::kStsOk);
            ASSERT_EQ(Replicate(bpp, dst.Px(c.left, c.top), dst.step, c.src, dst.p(), dst.step, c.dst, c.top, c.left), vtx::px::kStsOk);
            ASSERT_TRUE(SameBytes(dst, expected)) << "in place, " << c.src.width << "x" << c.src.height;
        }
    });
}

TEST(PixelBorder, ReplicateAndConstantOnRandomPlacements) {
    RunBorderCases(4, false, 140);
    RunBorderCases(1, false, 141);
    RunBorderCases(4, true, 142);
}

TEST(PixelBorder, OnePixelSourceFillsTheWholeFrame) {
    const std::uint8_t src[4] = {10, 20, 30, 99};
    std::uint8_t dst[3 * 3 * 4];
    for (int i = 0; i < 36; ++i) dst[i] = static_cast<std::uint8_t>(200 + i % 4);
    ASSERT_EQ(vtx::px::CopyReplicateBorder_8u_AC4R(src, 4, {1, 1}, dst, 12, {3, 3}, 1, 1), vtx::px::kStsOk);
    for (int p = 0; p < 9; ++p) EXPECT_EQ(std::vector<int>(dst + 4 * p, dst + 4 * p + 4), (std::vector<int>{10, 20, 30, 203}));
}

TEST(PixelBorder, ArgumentStatuses) {
    std::uint8_t src[4 * 4 * 4] = {};
    std::uint8_t dst[6 * 6 * 4];
    std::memset(dst, 0x33, sizeof dst);
    const std::uint8_t v[3] = {1, 2, 3};
    const vtx::px::RoiSize s{4, 4}, d{6, 6};
    // All three variants see the same arguments (the C1 one reads fewer bytes).
    const auto all = [&](const std::uint8_t* sp, std::int32_t ss, vtx::px::RoiSize sz, std::uint8_t* dp, std::int32_t ds,
                         vtx::px::RoiSize dz, std::int32_t top, std::int32_t left) {
        const vtx::px::Status a = Replicate(4, sp, ss, sz, dp, ds, dz, top, left);
        EXPECT_EQ(Replicate(1, sp, ss, sz, dp, ds, dz, top, left), a);
        EXPECT_EQ(vtx::px::CopyConstBorder_8u_AC4R(sp, ss, sz, dp, ds, dz, top, left, v), a);
        return a;
    };
    EXPECT_EQ(all(nullptr, 0, {0, 0}, dst, 24, d, -1, 1), vtx::px::kStsNullPtr);
    EXPECT_EQ(all(src, 16, s, nullptr, 24, d, 1, 1), vtx::px::kStsNullPtr);
    EXPECT_EQ(vtx::px::CopyConstBorder_8u_AC4R(src, 16, s, dst, 24, d, 1, 1, nullptr), vtx::px::kStsNullPtr);
    EXPECT_EQ(all(src, 0, {0, 4}, dst, 0, d, 1, 1), vtx::px::kStsBadSize);  // sizes before steps
    EXPECT_EQ(all(src, 16, s, dst, 24, {6, -6}, 1, 1), vtx::px::kStsBadSize);
    EXPECT_EQ(all(src, 0, s, dst, 24, d, 1, 1), vtx::px::kStsBadStep);
    EXPECT_EQ(all(src, 16, s, dst, INT32_MIN, d, -1, 1), vtx::px::kStsBadStep);  // steps before placement
    for (const auto& tl : {std::pair{-1, 1}, std::pair{1, -1}, std::pair{1, 3}, std::pair{3, 1},
                           std::pair{INT32_MAX, 0}, std::pair{0, INT32_MAX}}) {
        EXPECT_EQ(all(src, 16, s, dst, 24, d, tl.first, tl.second), vtx::px::kStsBadSize) << tl.first << "," << tl.second;
    }
    for (std::uint8_t b : dst) ASSERT_EQ(b, 0x33);
    EXPECT_EQ(all(src, 16, s, dst, 24, d, 2, 2), vtx::px::kStsOk);  // the largest placement that fits
}

}  // namespace
