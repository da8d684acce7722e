// Copies, fills, sample conversions and border copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "primitives/pixel.h"
#include "tests/primitives/pixel_test_support.h"

namespace {

using vtxtest::Clone;
using vtxtest::FillRandom;
using vtxtest::MakePlane;
using vtxtest::Plane;
using vtxtest::SameBytes;

std::int16_t GetS16(const std::uint8_t* p) {
    std::int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void PutS16(std::uint8_t* p, std::int16_t v) {
    std::memcpy(p, &v, 2);
}

// ---------------------------------------------------------------------------
// Copies.

TEST(PixelCopy, AC4CopiesThreeBytesAndKeepsDestinationAlpha) {
    vtxtest::RunSrcDstCases(4, 4, false, 101, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width; ++x) std::memcpy(e.Px(x, y), s.Px(x, y), 3);
        }
        return ippiCopy_8u_AC4R(s.p(), s.step, d.p(), d.step, s.size());
    });
}

TEST(PixelCopy, C1IntoOneChannelOfC4) {
    for (int channel = 0; channel < 4; ++channel) {
        SCOPED_TRACE(channel);
        vtxtest::RunSrcDstCases(1, 4, false, 102 + channel,
                                [channel](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
                                    for (std::int32_t y = 0; y < s.height; ++y) {
                                        for (std::int32_t x = 0; x < s.width; ++x) e.Px(x, y)[channel] = *s.Px(x, y);
                                    }
                                    return ippiCopy_8u_C1C4R(s.p(), s.step, d.p() + channel, d.step, s.size());
                                });
    }
}

TEST(PixelCopy, OneChannelOfC4IntoC1) {
    for (int channel = 0; channel < 4; ++channel) {
        SCOPED_TRACE(channel);
        vtxtest::RunSrcDstCases(4, 1, false, 106 + channel,
                                [channel](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
                                    for (std::int32_t y = 0; y < s.height; ++y) {
                                        for (std::int32_t x = 0; x < s.width; ++x) *e.Px(x, y) = s.Px(x, y)[channel];
                                    }
                                    return ippiCopy_8u_C4C1R(s.p() + channel, s.step, d.p(), d.step, s.size());
                                });
    }
}

TEST(PixelCopy, FourPlanesIntoC4) {
    std::mt19937 rng(110);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (const auto& g : vtxtest::Geometries()) {
            // Four planes sharing one step, each in its own guarded buffer.
            Plane planes[4];
            for (auto& pl : planes) {
                pl = MakePlane(g.width, g.height, 1, g.srcPad, g.srcOffset);
                FillRandom(pl, rng);
            }
            const Plane dst = MakePlane(g.width, g.height, 4, g.dstPad, g.dstOffset);
            FillRandom(dst, rng);
            const Plane expected = Clone(dst);
            for (std::int32_t y = 0; y < g.height; ++y) {
                for (std::int32_t x = 0; x < g.width; ++x) {
                    for (int k = 0; k < 4; ++k) expected.Px(x, y)[k] = *planes[k].Px(x, y);
                }
            }
            const std::uint8_t* const ptrs[4] = {planes[0].p(), planes[1].p(), planes[2].p(), planes[3].p()};
            ASSERT_EQ(ippiCopy_8u_P4C4R(ptrs, planes[0].step, dst.p(), dst.step, dst.size()), kStsOk);
            ASSERT_TRUE(SameBytes(dst, expected)) << vtxtest::Describe(g);
        }
    });
}

TEST(PixelCopy, ArgumentStatuses) {
    vtxtest::CheckSrcDstStatuses(4, 4, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) { return ippiCopy_8u_AC4R(s, ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(1, 4, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) { return ippiCopy_8u_C1C4R(s, ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(4, 1, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) { return ippiCopy_8u_C4C1R(s, ss, d, ds, r); });
    // Planes: the array, any plane pointer and the destination are required.
    std::uint8_t planeData[4][8] = {};
    std::uint8_t dst[32] = {};
    const std::uint8_t* const ok[4] = {planeData[0], planeData[1], planeData[2], planeData[3]};
    EXPECT_EQ(ippiCopy_8u_P4C4R(nullptr, 8, dst, 32, {8, 1}), kStsNullPtr);
    EXPECT_EQ(ippiCopy_8u_P4C4R(ok, 8, nullptr, 32, {8, 1}), kStsNullPtr);
    for (int k = 0; k < 4; ++k) {
        const std::uint8_t* withNull[4] = {planeData[0], planeData[1], planeData[2], planeData[3]};
        withNull[k] = nullptr;
        EXPECT_EQ(ippiCopy_8u_P4C4R(withNull, 8, dst, 32, {0, 1}), kStsNullPtr) << k;
    }
    EXPECT_EQ(ippiCopy_8u_P4C4R(ok, 8, dst, 32, {0, 1}), kStsBadSize);
    EXPECT_EQ(ippiCopy_8u_P4C4R(ok, 8, dst, 32, {8, -2}), kStsBadSize);
    EXPECT_EQ(ippiCopy_8u_P4C4R(ok, 0, dst, 0, {0, 1}), kStsBadSize);
    EXPECT_EQ(ippiCopy_8u_P4C4R(ok, 0, dst, 32, {8, 1}), kStsBadStep);
    EXPECT_EQ(ippiCopy_8u_P4C4R(ok, 8, dst, INT32_MIN, {8, 1}), kStsBadStep);
    for (std::uint8_t b : dst) EXPECT_EQ(b, 0);
}

// ---------------------------------------------------------------------------
// Fills.

TEST(PixelSet, AC4SetsThreeBytesAndKeepsAlpha) {
    vtxtest::RunInPlaceCases(4, false, 120, [](const Plane& img, const Plane& e, std::mt19937& rng) {
        const std::uint8_t v[3] = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                   static_cast<std::uint8_t>(rng())};
        for (std::int32_t y = 0; y < img.height; ++y) {
            for (std::int32_t x = 0; x < img.width; ++x) std::memcpy(e.Px(x, y), v, 3);
        }
        return ippiSet_8u_AC4R(v, img.p(), img.step, img.size());
    });
}

TEST(PixelSet, C4SetsAllFourBytes) {
    vtxtest::RunInPlaceCases(4, false, 121, [](const Plane& img, const Plane& e, std::mt19937& rng) {
        const std::uint8_t v[4] = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                   static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())};
        for (std::int32_t y = 0; y < img.height; ++y) {
            for (std::int32_t x = 0; x < img.width; ++x) std::memcpy(e.Px(x, y), v, 4);
        }
        return ippiSet_8u_C4R(v, img.p(), img.step, img.size());
    });
}

TEST(PixelSet, ArgumentStatuses) {
    std::uint8_t img[64];
    std::memset(img, 0x5A, sizeof img);
    const std::uint8_t v[4] = {1, 2, 3, 4};
    EXPECT_EQ(ippiSet_8u_AC4R(nullptr, img, 16, {4, 4}), kStsNullPtr);
    EXPECT_EQ(ippiSet_8u_AC4R(v, nullptr, 16, {4, 4}), kStsNullPtr);
    EXPECT_EQ(ippiSet_8u_AC4R(v, img, 16, {0, 4}), kStsBadSize);
    EXPECT_EQ(ippiSet_8u_AC4R(v, img, 0, {4, -4}), kStsBadSize);
    EXPECT_EQ(ippiSet_8u_AC4R(v, img, 0, {4, 4}), kStsBadStep);
    EXPECT_EQ(ippiSet_8u_AC4R(v, img, INT32_MIN, {4, 4}), kStsBadStep);
    EXPECT_EQ(ippiSet_8u_C4R(nullptr, img, 16, {4, 4}), kStsNullPtr);
    EXPECT_EQ(ippiSet_8u_C4R(v, nullptr, 16, {4, 4}), kStsNullPtr);
    EXPECT_EQ(ippiSet_8u_C4R(v, img, 16, {4, 0}), kStsBadSize);
    EXPECT_EQ(ippiSet_8u_C4R(v, img, -16, {4, 4}), kStsBadStep);
    for (std::uint8_t b : img) EXPECT_EQ(b, 0x5A);
}

// ---------------------------------------------------------------------------
// Conversions between bytes and 16-bit samples.

TEST(PixelConvert, WorkedNumbers) {
    const std::int16_t in[] = {-5, 300, 77, 0, 255, 256, -32768, 32767, 1, -1};
    const std::uint8_t want[] = {0, 255, 77, 0, 255, 255, 0, 255, 1, 0};
    std::uint8_t out[10] = {};
    ASSERT_EQ(ippiConvert_16s8u_C1R(in, sizeof in, out, sizeof out, {10, 1}), kStsOk);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], want[i]) << in[i];
}

TEST(PixelConvert, EverySixteenBitValueToByte) {
    // 65536 samples as a 256 × 256 image, at every level.
    std::vector<std::int16_t> src(65536);
    for (int i = 0; i < 65536; ++i) src[i] = static_cast<std::int16_t>(i - 32768);
    vtxtest::ForEachLevel([&](std::int32_t) {
        std::vector<std::uint8_t> dst(65536, 0xEE);
        ASSERT_EQ(ippiConvert_16s8u_C1R(src.data(), 512, dst.data(), 256, {256, 256}), kStsOk);
        for (int i = 0; i < 65536; ++i) {
            const int v = i - 32768;
            ASSERT_EQ(dst[i], v <= 0 ? 0 : (v >= 255 ? 255 : v)) << v;
        }
    });
}

TEST(PixelConvert, EveryByteToSixteenBits) {
    std::uint8_t src[256];
    for (int i = 0; i < 256; ++i) src[i] = static_cast<std::uint8_t>(i);
    vtxtest::ForEachLevel([&](std::int32_t) {
        std::int16_t dst[256];
        std::fill(dst, dst + 256, std::int16_t{-7});
        ASSERT_EQ(ippiConvert_8u16s_C1R(src, 16, dst, 32, {16, 16}), kStsOk);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(dst[i], i);
    });
}

TEST(PixelConvert, ByteToSixteenBitsOnRandomRegions) {
    vtxtest::RunSrcDstCases(1, 2, true, 130, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width; ++x) PutS16(e.Px(x, y), *s.Px(x, y));
        }
        return ippiConvert_8u16s_C1R(s.p(), s.step, reinterpret_cast<std::int16_t*>(d.p()), d.step, s.size());
    });
    vtxtest::RunSrcDstCases(4, 8, true, 131, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width; ++x) {
                for (int c = 0; c < 3; ++c) PutS16(e.Px(x, y) + 2 * c, s.Px(x, y)[c]);
            }
        }
        return ippiConvert_8u16s_AC4R(s.p(), s.step, reinterpret_cast<std::int16_t*>(d.p()), d.step, s.size());
    });
}

TEST(PixelConvert, SixteenBitsToByteOnRandomRegions) {
    const auto clamp = [](std::int16_t v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    // Half the samples in -300 .. 300, where the clamps act.
    const auto nearByteRange = [](const Plane& s, std::mt19937& rng) {
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width * s.bpp / 2; ++x) {
                if (rng() & 1) PutS16(s.Row(y) + 2 * x, static_cast<std::int16_t>(static_cast<int>(rng() % 601) - 300));
            }
        }
    };
    vtxtest::RunPreparedSrcDstCases(2, 1, true, 132, nearByteRange,
                                    [&](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
                                        for (std::int32_t y = 0; y < s.height; ++y) {
                                            for (std::int32_t x = 0; x < s.width; ++x) {
                                                *e.Px(x, y) = clamp(GetS16(s.Px(x, y)));
                                            }
                                        }
                                        return ippiConvert_16s8u_C1R(reinterpret_cast<const std::int16_t*>(s.p()),
                                                                     s.step, d.p(), d.step, s.size());
                                    });
    vtxtest::RunPreparedSrcDstCases(8, 4, true, 133, nearByteRange,
                                    [&](const Plane& s, const Plane& d, const Plane& e, std::mt19937&) {
                                        for (std::int32_t y = 0; y < s.height; ++y) {
                                            for (std::int32_t x = 0; x < s.width; ++x) {
                                                for (int c = 0; c < 3; ++c) {
                                                    e.Px(x, y)[c] = clamp(GetS16(s.Px(x, y) + 2 * c));
                                                }
                                            }
                                        }
                                        return ippiConvert_16s8u_AC4R(reinterpret_cast<const std::int16_t*>(s.p()),
                                                                      s.step, d.p(), d.step, s.size());
                                    });
}

TEST(PixelConvert, ArgumentStatuses) {
    vtxtest::CheckSrcDstStatuses(1, 2, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) {
        return ippiConvert_8u16s_C1R(s, ss, reinterpret_cast<std::int16_t*>(d), ds, r);
    });
    vtxtest::CheckSrcDstStatuses(4, 8, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) {
        return ippiConvert_8u16s_AC4R(s, ss, reinterpret_cast<std::int16_t*>(d), ds, r);
    });
    vtxtest::CheckSrcDstStatuses(2, 1, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) {
        return ippiConvert_16s8u_C1R(reinterpret_cast<const std::int16_t*>(s), ss, d, ds, r);
    });
    vtxtest::CheckSrcDstStatuses(8, 4, [](const std::uint8_t* s, std::int32_t ss, std::uint8_t* d, std::int32_t ds,
                                          RoiSize r) {
        return ippiConvert_16s8u_AC4R(reinterpret_cast<const std::int16_t*>(s), ss, d, ds, r);
    });
}

// ---------------------------------------------------------------------------
// Border copies. The reference reads, for destination pixel (x, y), the source
// pixel at (x − left, y − top) with both coordinates clamped into the source.

struct BorderCase {
    RoiSize src, dst;
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
            IppStatus st;
            if (constant) {
                st = ippiCopyConstBorder_8u_AC4R(src.p(), src.step, c.src, dst.p(), dst.step, c.dst, c.top, c.left,
                                                 value);
            } else if (bpp == 4) {
                st = ippiCopyReplicateBorder_8u_AC4R(src.p(), src.step, c.src, dst.p(), dst.step, c.dst, c.top, c.left);
            } else {
                st = ippiCopyReplicateBorder_8u_C1R(src.p(), src.step, c.src, dst.p(), dst.step, c.dst, c.top, c.left);
            }
            const std::string what = std::to_string(c.src.width) + "x" + std::to_string(c.src.height) + " into " +
                                     std::to_string(c.dst.width) + "x" + std::to_string(c.dst.height) + " at " +
                                     std::to_string(c.left) + "," + std::to_string(c.top);
            ASSERT_EQ(st, kStsOk) << what;
            ASSERT_TRUE(SameBytes(dst, expected)) << what;
        }
    });
}

TEST(PixelBorder, ReplicateAC4) {
    RunBorderCases(4, false, 140);
}

TEST(PixelBorder, ReplicateC1) {
    RunBorderCases(1, false, 141);
}

TEST(PixelBorder, ConstantAC4) {
    RunBorderCases(4, true, 142);
}

TEST(PixelBorder, OnePixelSourceFillsTheWholeFrame) {
    const std::uint8_t src[4] = {10, 20, 30, 99};
    std::uint8_t dst[3 * 3 * 4];
    for (int i = 0; i < 36; ++i) dst[i] = static_cast<std::uint8_t>(200 + i % 4);
    ASSERT_EQ(ippiCopyReplicateBorder_8u_AC4R(src, 4, {1, 1}, dst, 12, {3, 3}, 1, 1), kStsOk);
    for (int p = 0; p < 9; ++p) {
        EXPECT_EQ(dst[4 * p], 10);
        EXPECT_EQ(dst[4 * p + 1], 20);
        EXPECT_EQ(dst[4 * p + 2], 30);
        EXPECT_EQ(dst[4 * p + 3], 203);  // alpha kept
    }
}

TEST(PixelBorder, SourceInsideTheDestination) {
    // The source is the region at (left, top) of the destination buffer itself.
    std::mt19937 rng(143);
    vtxtest::ForEachLevel([&](std::int32_t) {
        for (std::int32_t bpp : {1, 4}) {
            for (int i = 0; i < 30; ++i) {
                const RoiSize s{1 + static_cast<std::int32_t>(rng() % 20), 1 + static_cast<std::int32_t>(rng() % 4)};
                const std::int32_t left = rng() % 4, top = rng() % 3;
                const RoiSize d{s.width + left + static_cast<std::int32_t>(rng() % 4),
                                s.height + top + static_cast<std::int32_t>(rng() % 3)};
                const Plane dst = MakePlane(d.width, d.height, bpp, static_cast<std::int32_t>(rng() % 5), rng() % 3);
                FillRandom(dst, rng);
                // Reference from a separate copy of the source.
                const Plane src = MakePlane(s.width, s.height, bpp, 0, 0);
                for (std::int32_t y = 0; y < s.height; ++y) std::memcpy(src.Row(y), dst.Px(left, top + y), s.width * bpp);
                const Plane expected = Clone(dst);
                if (bpp == 4) {
                    ASSERT_EQ(ippiCopyReplicateBorder_8u_AC4R(src.p(), src.step, s, expected.p(), expected.step, d, top,
                                                              left),
                              kStsOk);
                    ASSERT_EQ(ippiCopyReplicateBorder_8u_AC4R(dst.Px(left, top), dst.step, s, dst.p(), dst.step, d, top,
                                                              left),
                              kStsOk);
                } else {
                    ASSERT_EQ(ippiCopyReplicateBorder_8u_C1R(src.p(), src.step, s, expected.p(), expected.step, d, top,
                                                             left),
                              kStsOk);
                    ASSERT_EQ(ippiCopyReplicateBorder_8u_C1R(dst.Px(left, top), dst.step, s, dst.p(), dst.step, d, top,
                                                             left),
                              kStsOk);
                }
                ASSERT_TRUE(SameBytes(dst, expected)) << bpp;
            }
        }
    });
}

TEST(PixelBorder, ArgumentStatuses) {
    std::uint8_t src[4 * 4 * 4] = {};
    std::uint8_t dst[6 * 6 * 4];
    std::memset(dst, 0x33, sizeof dst);
    const std::uint8_t v[3] = {1, 2, 3};
    const RoiSize s{4, 4}, d{6, 6};
    const auto replicate = [&](const std::uint8_t* sp, std::int32_t ss, RoiSize sz, std::uint8_t* dp, std::int32_t ds,
                               RoiSize dz, std::int32_t top, std::int32_t left) {
        const IppStatus a = ippiCopyReplicateBorder_8u_AC4R(sp, ss, sz, dp, ds, dz, top, left);
        const IppStatus c = ippiCopyConstBorder_8u_AC4R(sp, ss, sz, dp, ds, dz, top, left, v);
        // The C1 variant takes steps of one byte per pixel; with these steps
        // its checks see the same arguments.
        const IppStatus b = ippiCopyReplicateBorder_8u_C1R(sp, ss, sz, dp, ds, dz, top, left);
        EXPECT_EQ(a, b);
        EXPECT_EQ(a, c);
        return a;
    };
    EXPECT_EQ(replicate(nullptr, 16, s, dst, 24, d, 1, 1), kStsNullPtr);
    EXPECT_EQ(replicate(src, 16, s, nullptr, 24, d, 1, 1), kStsNullPtr);
    EXPECT_EQ(ippiCopyConstBorder_8u_AC4R(src, 16, s, dst, 24, d, 1, 1, nullptr), kStsNullPtr);
    EXPECT_EQ(replicate(nullptr, 0, {0, 0}, dst, 24, d, -1, 1), kStsNullPtr);
    EXPECT_EQ(replicate(src, 16, {0, 4}, dst, 24, d, 1, 1), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, {4, 0}, dst, 24, d, 1, 1), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, s, dst, 24, {0, 6}, 1, 1), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, s, dst, 24, {6, -6}, 1, 1), kStsBadSize);
    EXPECT_EQ(replicate(src, 0, {0, 4}, dst, 0, d, 1, 1), kStsBadSize);  // sizes before steps
    EXPECT_EQ(replicate(src, 0, s, dst, 24, d, 1, 1), kStsBadStep);
    EXPECT_EQ(replicate(src, 16, s, dst, -24, d, 1, 1), kStsBadStep);
    EXPECT_EQ(replicate(src, 16, s, dst, INT32_MIN, d, -1, 1), kStsBadStep);  // steps before placement
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, -1, 1), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, 1, -1), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, 1, 3), kStsBadSize);   // 4 + 3 > 6
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, 3, 1), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, INT32_MAX, 0), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, 0, INT32_MAX), kStsBadSize);
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, INT32_MIN, INT32_MIN), kStsBadSize);
    for (std::uint8_t b : dst) ASSERT_EQ(b, 0x33);
    // The largest placement that fits is accepted.
    EXPECT_EQ(replicate(src, 16, s, dst, 24, d, 2, 2), kStsOk);
}

}  // namespace
