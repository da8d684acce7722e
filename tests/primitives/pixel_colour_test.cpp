// Grey conversion, hue-lightness-saturation conversions and channel swaps.
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
using vtxtest::SameBytes;

// ---------------------------------------------------------------------------
// Grey.

TEST(PixelGray, WorkedNumbers) {
    const float coeffs[3] = {0.11f, 0.59f, 0.30f};  // weights 451, 2417, 1229
    const std::uint8_t src[16] = {255, 255, 255, 0, 100, 0, 0, 0, 0, 100, 0, 0, 0, 0, 100, 0};
    std::uint8_t dst[4] = {};
    ASSERT_EQ(vtx::px::ColorToGray_8u_AC4C1R(src, 16, dst, 4, {4, 1}, coeffs), vtx::px::kStsOk);
    // 255 · 4097 >> 12, 45100 >> 12, 241700 >> 12, 122900 >> 12.
    EXPECT_EQ(std::vector<int>(dst, dst + 4), (std::vector<int>{255, 11, 59, 30}));
    ASSERT_EQ(vtx::px::ColorToGray_8u_AC4C1R(src, 16, dst, 4, {4, 1}, nullptr), vtx::px::kStsOk);
    // Default weights 1225, 2404, 467 sum to 4096: 255, then 122500, 240400, 46700 >> 12.
    EXPECT_EQ(std::vector<int>(dst, dst + 4), (std::vector<int>{255, 29, 58, 11}));
}

TEST(PixelGray, OutOfRangeWeightsWrapInsteadOfSaturating) {
    const struct {
        float coeffs[3];
        std::uint8_t px[4];
        unsigned want;
    } cases[] = {
        {{1.0f, 1.0f, 1.0f}, {255, 255, 255, 0}, 765 & 0xFF},                  // weights 4096
        {{-0.25f, 0.0f, 0.0f}, {1, 0, 0, 0}, ((0u - 1023u) >> 12) & 0xFF},      // -1023 as unsigned
        {{1e30f, 0.0f, 0.0f}, {1, 0, 0, 0}, (0x7FFFFFFFu >> 12) & 0xFF},        // saturated to INT32_MAX
        {{0.0f, -1e30f, 0.0f}, {0, 1, 0, 0}, (0x80000000u >> 12) & 0xFF},       // saturated to INT32_MIN
        {{0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()}, {0, 0, 200, 0}, 0},  // NaN weight 0
    };
    for (const auto& c : cases) {
        std::uint8_t dst[1] = {};
        ASSERT_EQ(vtx::px::ColorToGray_8u_AC4C1R(c.px, 4, dst, 1, {1, 1}, c.coeffs), vtx::px::kStsOk);
        EXPECT_EQ(dst[0], c.want) << c.coeffs[0] << " " << c.coeffs[1] << " " << c.coeffs[2];
    }
}

TEST(PixelGray, EveryColourWithTheOperationsWeights) {
    // All 2^24 colours, one 256 × 256 image per red value, into rows of 260
    // bytes whose last 4 bytes stay untouched.
    const float coeffs[3] = {0.11f, 0.59f, 0.30f};
    std::vector<std::uint8_t> src(256 * 256 * 4), dst(256 * 260);
    for (std::uint32_t r = 0; r < 256; ++r) {
        for (std::uint32_t i = 0; i < 65536; ++i) {
            const std::uint8_t px[4] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                                        static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(i * 7)};
            std::memcpy(&src[4 * i], px, 4);
        }
        std::fill(dst.begin(), dst.end(), 0xD7);
        ASSERT_EQ(vtx::px::ColorToGray_8u_AC4C1R(src.data(), 1024, dst.data(), 260, {256, 256}, coeffs), vtx::px::kStsOk);
        for (std::uint32_t i = 0; i < 256 * 260; ++i) {
            const std::uint32_t x = i % 260, y = i / 260;
            const std::uint32_t want = x >= 256 ? 0xD7 : (x * 451 + y * 2417 + r * 1229) >> 12;
            if (dst[i] != want) FAIL() << "colour " << x << "," << y << "," << r << ": " << int(dst[i]) << " vs " << want;
        }
    }
}

// ---------------------------------------------------------------------------
// Hue, lightness and saturation.

const double kK = static_cast<double>(0.003921568859368563f);
const double kK360 = static_cast<double>(0.0027777778450399637f);
const double kK60 = static_cast<double>(0.01666666753590107f);
const double kH0 = static_cast<double>(0.4999989867210388f);

int Trunc(double x) {
    return static_cast<int>(x);  // test inputs keep x in 0 .. 256
}

void BgrToHlsRef(const std::uint8_t* in, std::uint8_t* out) {
    const double B = in[0] * kK, G = in[1] * kK, R = in[2] * kK;
    const double M = std::max({B, G, R}), N = std::min({B, G, R});
    const double D = M - N, sum = M + N, L = sum * 0.5;
    double H = 0, S = 0;
    if (D != 0) {
        S = (L <= 0.5 ? 1.0 / sum : 1.0 / (2.0 - sum)) * D;
        const double q = 1.0 / D;
        if (R == M) {
            H = ((G - B) * 60.0) * q;
        } else if (G == M) {
            H = ((B - R) * 60.0) * q + 120.0;
        } else {
            H = ((R - G) * 60.0) * q + 240.0;
        }
        if (H < 0) H = H + 360.0;
    }
    out[0] = static_cast<std::uint8_t>(Trunc((H * 255.0) * kK360 + kH0));
    out[1] = static_cast<std::uint8_t>(Trunc(L * 255.0 + kH0));
    out[2] = static_cast<std::uint8_t>(Trunc(S * 255.0 + kH0));
}

void HlsToRgbRef(const std::uint8_t* in, std::uint8_t* out) {
    const double h = (in[0] * 360.0) * kK, l = in[1] * kK, s = in[2] * kK;
    double rgb[3] = {l, l, l};
    if (s != 0) {
        const double m2 = l <= 0.5 ? (s + 1.0) * l : (l + s) - s * l;
        const double m1 = (l + l) - m2;
        const auto f = [&](double x) {
            if (x < 60) return m1 + ((m2 - m1) * x) * kK60;
            if (x < 180) return m2;
            if (x < 240) return m1 + ((m2 - m1) * (240.0 - x)) * kK60;
            return m1;
        };
        const double hr = h + 120.0 > 360.0 ? h + 120.0 - 360.0 : h + 120.0;
        const double hb = h - 120.0 < 0.0 ? h - 120.0 + 360.0 : h - 120.0;
        rgb[0] = f(hr);
        rgb[1] = f(h);
        rgb[2] = f(hb);
    }
    for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(Trunc(rgb[c] * 255.0 + kH0));
}

struct Px3 {
    int a, b, c;
    bool operator==(const Px3& o) const { return a == o.a && b == o.b && c == o.c; }
};
std::ostream& operator<<(std::ostream& os, const Px3& p) {
    return os << "(" << p.a << ", " << p.b << ", " << p.c << ")";
}

// One pixel through a conversion; byte 3 of the destination must keep its value.
Px3 Convert1(vtx::px::Status (*convert)(const std::uint8_t*, std::int32_t, std::uint8_t*, std::int32_t, vtx::px::RoiSize), int a,
             int b, int c) {
    const std::uint8_t src[4] = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b),
                                 static_cast<std::uint8_t>(c), 0x11};
    std::uint8_t dst[4] = {0, 0, 0, 0x22};
    EXPECT_EQ(convert(src, 4, dst, 4, {1, 1}), vtx::px::kStsOk);
    EXPECT_EQ(dst[3], 0x22);
    return {dst[0], dst[1], dst[2]};
}
Px3 ToHls(int b, int g, int r) { return Convert1(vtx::px::BGRToHLS_8u_AC4R, b, g, r); }
Px3 ToRgb(int h, int l, int s) { return Convert1(vtx::px::HLSToRGB_8u_AC4R, h, l, s); }

TEST(PixelHls, WorkedNumbers) {
    for (int v = 0; v < 256; ++v) EXPECT_EQ(ToHls(v, v, v), (Px3{0, v, 0})) << "grey " << v;
    EXPECT_EQ(ToHls(0, 0, 255), (Px3{0, 128, 255}));    // red
    EXPECT_EQ(ToHls(0, 255, 0), (Px3{85, 128, 255}));   // green: hue 120
    EXPECT_EQ(ToHls(255, 0, 0), (Px3{170, 128, 255}));  // blue: hue 240
    EXPECT_EQ(ToHls(255, 0, 255), (Px3{213, 128, 255}));  // magenta: hue 300
    for (int h = 0; h < 256; h += 15) {
        for (int l = 0; l < 256; l += 17) EXPECT_EQ(ToRgb(h, l, 0), (Px3{l, l, l})) << h << " " << l;
    }
    EXPECT_EQ(ToRgb(0, 128, 255), (Px3{255, 1, 1}));  // red at lightness just above one half
}

TEST(PixelHls, EveryColourToHlsAndBack) {
    // All 2^24 pixels through both conversions against the references, one
    // 256 × 256 image per value of byte 2.
    std::vector<std::uint8_t> src(256 * 256 * 4), hls(256 * 256 * 4), rgb(256 * 256 * 4);
    for (std::uint32_t third = 0; third < 256; ++third) {
        for (std::uint32_t i = 0; i < 65536; ++i) {
            std::uint8_t* p = &src[4 * i];
            p[0] = static_cast<std::uint8_t>(i);
            p[1] = static_cast<std::uint8_t>(i >> 8);
            p[2] = static_cast<std::uint8_t>(third);
            p[3] = static_cast<std::uint8_t>(i * 13);
        }
        std::fill(hls.begin(), hls.end(), 0x5C);
        std::fill(rgb.begin(), rgb.end(), 0xC5);
        ASSERT_EQ(vtx::px::BGRToHLS_8u_AC4R(src.data(), 1024, hls.data(), 1024, {256, 256}), vtx::px::kStsOk);
        ASSERT_EQ(vtx::px::HLSToRGB_8u_AC4R(src.data(), 1024, rgb.data(), 1024, {256, 256}), vtx::px::kStsOk);
        for (std::uint32_t i = 0; i < 65536; ++i) {
            const std::uint8_t* p = &src[4 * i];
            std::uint8_t want[4] = {0, 0, 0, 0x5C}, want2[4] = {0, 0, 0, 0xC5};
            BgrToHlsRef(p, want);
            HlsToRgbRef(p, want2);
            if (std::memcmp(&hls[4 * i], want, 4) != 0 || std::memcmp(&rgb[4 * i], want2, 4) != 0) {
                FAIL() << "pixel " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]) << ": to HLS "
                       << Px3{hls[4 * i], hls[4 * i + 1], hls[4 * i + 2]} << " expected " << Px3{want[0], want[1], want[2]}
                       << ", to RGB " << Px3{rgb[4 * i], rgb[4 * i + 1], rgb[4 * i + 2]} << " expected "
                       << Px3{want2[0], want2[1], want2[2]};
            }
        }
    }
}

TEST(PixelHlsAndSwap, InPlaceAndWorkedSwap) {
    // Each pixel is read completely before it is written.
    std::uint8_t img[8] = {0, 0, 255, 7, 0, 255, 0, 8};
    ASSERT_EQ(vtx::px::BGRToHLS_8u_AC4R(img, 8, img, 8, {2, 1}), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(img, img + 8), (std::vector<int>{0, 128, 255, 7, 85, 128, 255, 8}));
    const std::uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::uint8_t dst[8] = {0, 0, 0, 40, 0, 0, 0, 80};
    const std::int32_t order[3] = {2, 1, 0};
    ASSERT_EQ(vtx::px::SwapChannels_8u_AC4R(src, 8, dst, 8, {2, 1}, order), vtx::px::kStsOk);
    EXPECT_EQ(std::vector<int>(dst, dst + 8), (std::vector<int>{3, 2, 1, 40, 7, 6, 5, 80}));
}

TEST(PixelSwapChannels, RandomOrdersAndRegions) {
    vtxtest::RunSrcDstCases(4, 4, 320, [](const Plane& s, const Plane& d, const Plane& e, std::mt19937& rng) {
        const std::int32_t order[3] = {static_cast<std::int32_t>(rng() % 3), static_cast<std::int32_t>(rng() % 3),
                                       static_cast<std::int32_t>(rng() % 3)};
        for (std::int32_t y = 0; y < s.height; ++y) {
            for (std::int32_t x = 0; x < s.width; ++x) {
                for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = s.Px(x, y)[order[c]];
            }
        }
        return vtx::px::SwapChannels_8u_AC4R(s.p(), s.step, d.p(), d.step, s.size(), order);
    });
}

TEST(PixelColour, ArgumentStatuses) {
    const std::int32_t order[3] = {2, 1, 0};
    vtxtest::CheckSrcDstStatuses(4, 1, [](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::ColorToGray_8u_AC4C1R(s, ss, d, ds, r, nullptr); });
    vtxtest::CheckSrcDstStatuses(4, 4, [](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::BGRToHLS_8u_AC4R(s, ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(4, 4, [](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::HLSToRGB_8u_AC4R(s, ss, d, ds, r); });
    vtxtest::CheckSrcDstStatuses(4, 4, [&](auto s, auto ss, auto d, auto ds, vtx::px::RoiSize r) { return vtx::px::SwapChannels_8u_AC4R(s, ss, d, ds, r, order); });
    std::uint8_t src[16] = {}, dst[16];
    std::memset(dst, 0x4D, sizeof dst);
    EXPECT_EQ(vtx::px::SwapChannels_8u_AC4R(src, 16, dst, 16, {4, 1}, nullptr), vtx::px::kStsNullPtr);
    const std::int32_t bad[][3] = {{3, 1, 0}, {0, -1, 2}, {0, 1, 3}, {INT32_MIN, 0, 0}, {0, 0, INT32_MAX}};
    for (const auto& o : bad) EXPECT_EQ(vtx::px::SwapChannels_8u_AC4R(src, 16, dst, 16, {4, 1}, o), vtx::px::kStsBadChannelOrder);
    EXPECT_EQ(vtx::px::SwapChannels_8u_AC4R(src, 0, dst, 16, {4, 1}, bad[0]), vtx::px::kStsBadStep);  // steps before order
    EXPECT_EQ(vtx::px::SwapChannels_8u_AC4R(src, 16, dst, 16, {0, 1}, bad[0]), vtx::px::kStsBadSize);
    for (std::uint8_t b : dst) EXPECT_EQ(b, 0x4D);
}

}  // namespace
