// Hue rotation and saturation scaling against references written from their
// definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "adjust/adjust.h"
#include "adjust_test_support.h"

namespace vtx_test {
namespace {

using vtx::ImageSession;

// ---------------------------------------------------------------------------
// Hue reference: single-precision HLS round trip per pixel.

float RefHueToValue(float m1, float m2, float hue) {
    if (hue > 360.0f) {
        hue -= 360.0f;
    } else if (hue < 0.0f) {
        hue += 360.0f;
    }
    const float sixtieth = 0.016666668f;
    if (hue < 60.0f) return m1 + (m2 - m1) * (hue * sixtieth);
    if (hue >= 60.0f && hue < 180.0f) return m2;
    if (hue >= 180.0f && hue < 240.0f) return m1 + (m2 - m1) * (240.0f - hue) * sixtieth;
    return m1;
}

void RefHuePixel(std::uint8_t* p, double c, double angle) {
    const int B = p[0], G = p[1], R = p[2];
    const float k = 0.003921569f;
    const float r = static_cast<float>(R) * k, g = static_cast<float>(G) * k, b = static_cast<float>(B) * k;

    // Largest / smallest with the stated tie rules.
    int largest;  // 0 red, 1 green, 2 blue
    float M, N;
    if (r > g) {
        largest = r > b ? 0 : 2;
        M = r > b ? r : b;
        N = g < b ? g : b;
    } else {
        largest = g > b ? 1 : 2;
        M = g > b ? g : b;
        N = r < b ? r : b;
    }
    const float sigma = M + N;
    const float l = sigma * 0.5f;
    const float d = M - N;
    float h = 0.0f, s = 0.0f;
    if (!(std::fabs(d) < 0.00001f)) {
        s = l < 0.5f ? d / sigma : d / (2.0f - M - N);
        float h0 = largest == 0 ? (g - b) / d : (largest == 1 ? (b - r) / d + 2.0f : (r - g) / d + 4.0f);
        h = h0 * 60.0f;
        if (h < 0.0f) h += 360.0f;
        if (h > 360.0f) h -= 360.0f;
    }

    const double a = std::isnan(angle) ? 0.0 : std::clamp(angle, -360.0, 360.0);
    float hh = static_cast<float>(static_cast<double>(h) + a);
    if (hh < 0.0f) hh += 360.0f;
    if (hh > 360.0f) hh -= 360.0f;
    hh = std::clamp(hh, 0.0f, 360.0f);

    float nr, ng, nb;
    if (std::fabs(s) < 0.00001f) {
        nr = ng = nb = l;
    } else {
        const float m2 = l < 0.5f ? (1.0f + s) * l : l + s - l * s;
        const float m1 = 2.0f * l - m2;
        nr = RefHueToValue(m1, m2, hh + 120.0f);
        ng = RefHueToValue(m1, m2, hh);
        nb = RefHueToValue(m1, m2, hh - 120.0f);
    }
    p[2] = RefClampByte(R * (1 - c) + nr * c * 255);
    p[1] = RefClampByte(G * (1 - c) + ng * c * 255);
    p[0] = RefClampByte(B * (1 - c) + nb * c * 255);
}

Image RefHue(const Image& in, bool mask, double c, double angle) {
    Image out = in;
    for (int n = 0; n < out.count(); ++n) {
        if (Takes(out.pixel(n), mask)) RefHuePixel(out.pixel(n), c, angle);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Saturation reference: 8-bit HLS, saturation mapped through the step table,
// back to RGB, blue and red exchanged.

// The lookup table a level/value description gives.
std::vector<int> LutTable(const std::vector<int>& levels, const std::vector<int>& values) {
    std::vector<int> t(256);
    for (int i = 0; i < 256; ++i) t[i] = i;
    const int n = static_cast<int>(levels.size());
    for (int k = 0; k + 1 < n; ++k) {
        const int lo = std::clamp(levels[k], 0, 256), hi = std::clamp(levels[k + 1], 0, 256);
        for (int i = lo; i < hi; ++i) t[i] = std::clamp(values[k], 0, 255);
    }
    return t;
}

std::vector<int> SaturationMap(double f) {
    std::vector<int> levels, values;
    if (f < 1.0 / 255.0) {
        levels = {0, 257};
        values = {0};
    } else if (f < 1.0) {
        levels = {0};
        values = {0};
        double a = 0.0;
        const float fs = static_cast<float>(f);
        for (int j = 0; j <= 255; ++j) {
            a += fs;
            if (a > 0.5) {
                a -= 1.0;
                levels.push_back(j);
                values.push_back(static_cast<int>(values.size()));
            }
        }
        levels.push_back(256);
        values.push_back(0);
    } else {
        for (int j = 0; j <= 256; ++j) {
            levels.push_back(j);
            values.push_back(static_cast<int>(Trunc(j * f)));
        }
    }
    return LutTable(levels, values);
}

void RefSaturationPixel(std::uint8_t* p, const std::vector<int>& satMap) {
    const Bytes3 hls = RefBgrToHls(p[0], p[1], p[2]);
    const Bytes3 rgb = RefHlsToRgb(hls.b0, hls.b1, satMap[hls.b2]);
    p[0] = static_cast<std::uint8_t>(rgb.b2);
    p[1] = static_cast<std::uint8_t>(rgb.b1);
    p[2] = static_cast<std::uint8_t>(rgb.b0);
}

Image RefSaturation(const Image& in, double c, double level) {
    const double l = std::isnan(level) ? 0.0 : std::clamp(level, -100.0, 100.0);
    const std::vector<int> satMap = SaturationMap(l * c * 0.01 + 1);
    Image out = in;
    for (int n = 0; n < out.count(); ++n) RefSaturationPixel(out.pixel(n), satMap);
    return out;
}

std::vector<int> Bgr(const Image& img, int n) {
    const std::uint8_t* p = img.pixel(n);
    return {p[0], p[1], p[2]};
}

const double kCompletenessSamples[] = {0.0, 0.3, 0.5, 0.9, 1.0};

// ---------------------------------------------------------------------------
// Hue

TEST(AdjustHue, ThirdTurnMovesPrimaries) {
    Image in = Uniform(2, 2, 0, 0, 255, 0);  // red
    in.pixel(1)[1] = 255;                    // pixel 1: green
    in.pixel(1)[2] = 0;
    in.pixel(2)[0] = 255;  // pixel 2: blue
    in.pixel(2)[2] = 0;
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustHue(s, 1.0, 120.0); });
    EXPECT_EQ(Bgr(out, 0), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(Bgr(out, 1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(Bgr(out, 2), (std::vector<int>{0, 0, 255}));
}

TEST(AdjustHue, FullAndNoTurnKeepColoursWithinTruncation) {
    const Image in = RandomImage(17, 9, 3000);
    for (double angle : {0.0, 360.0, -360.0}) {
        const Image out = RunOp(in, false, [&](ImageSession& s) { return vtx::AdjustHue(s, 1.0, angle); });
        for (std::size_t i = 0; i < in.px.size(); ++i) {
            EXPECT_LE(out.px[i], in.px[i]) << angle << " byte " << i;
            EXPECT_LE(in.px[i] - out.px[i], 1) << angle << " byte " << i;
        }
    }
}

TEST(AdjustHue, ZeroCompletenessAndGreyPixelsUnchanged) {
    const Image in = RandomImage(3, 5, 3001);
    EXPECT_IMAGE_EQ(RunOp(in, false, [](ImageSession& s) { return vtx::AdjustHue(s, 0.0, 200.0); }), in);
    Image grey(16, 16);
    for (int n = 0; n < 256; ++n) {
        std::uint8_t* p = grey.pixel(n);
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>(n);
        p[3] = static_cast<std::uint8_t>(255 - n);
    }
    for (double angle : {-300.0, -45.5, 90.0, 359.0}) {
        EXPECT_IMAGE_EQ(RunOp(grey, false, [&](ImageSession& s) { return vtx::AdjustHue(s, 1.0, angle); }), grey)
            << angle;
    }
}

TEST(AdjustHue, AngleClampAndNonFiniteAngles) {
    const Image in = RandomImage(17, 9, 3002);
    auto run = [&](double angle) {
        return RunOp(in, true, [&](ImageSession& s) { return vtx::AdjustHue(s, 0.7, angle); });
    };
    const Image full = run(360.0);
    EXPECT_IMAGE_EQ(run(500.0), full);
    EXPECT_IMAGE_EQ(run(kInf), full);
    EXPECT_IMAGE_EQ(run(-kInf), run(-360.0));
    EXPECT_IMAGE_EQ(run(kNaN), run(0.0));  // NaN acts as no rotation
}

TEST(AdjustHue, MatchesReference) {
    const double angles[] = {-360, -200, -90.25, -1, 0, 17, 60, 120, 179.9, 240, 333.3, 360};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 3100 + sz.w * 7 + sz.h);
        for (double angle : angles) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image out = RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustHue(s, c, angle); });
                    EXPECT_IMAGE_EQ(out, RefHue(in, mask, c, angle))
                        << "angle " << angle << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

TEST(AdjustHue, MatchesReferenceOnLargerImageWithUnroundedAngles) {
    // Angles that are not single-precision numbers: the sum with the hue is
    // formed in double precision and rounded once.
    const Image in = RandomImage(64, 48, 3150);
    for (double angle : {0.1, -33.333333333, 123.456789, 200.00000763, -359.99999}) {
        for (double c : {1.0, 0.55}) {
            const Image out = RunOp(in, true, [&](ImageSession& s) { return vtx::AdjustHue(s, c, angle); });
            EXPECT_IMAGE_EQ(out, RefHue(in, true, c, angle)) << "angle " << angle << " C " << c;
        }
    }
}

// ---------------------------------------------------------------------------
// Saturation

TEST(AdjustSaturation, FullNegativeLevelGivesLightnessGrey) {
    const Image in = RandomImage(17, 9, 3200);
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustSaturation(s, 1.0, -100.0); });
    for (int n = 0; n < in.count(); ++n) {
        const std::uint8_t* p = in.pixel(n);
        const int l = RefBgrToHls(p[0], p[1], p[2]).b1;
        EXPECT_EQ(Bgr(out, n), std::vector<int>(3, l)) << n;
        EXPECT_EQ(out.pixel(n)[3], p[3]);
    }
}

TEST(AdjustSaturation, HalfFactorStaircaseWorkedValues) {
    // Find pixels whose saturation byte is 0, 1, 2, 3 and 255.
    const int wanted[] = {0, 1, 2, 3, 255};
    const int expected[] = {0, 1, 1, 2, 128};
    Image in(5, 2);
    int found = 0;
    for (int target = 0; target < 5; ++target) {
        bool ok = false;
        for (int v = 0; v < 256 && !ok; ++v) {
            for (int d = 0; d < 256 && !ok; ++d) {
                const int r = v, g = v, b = std::min(255, v + d);
                if (RefBgrToHls(b, g, r).b2 == wanted[target]) {
                    std::uint8_t* p = in.pixel(target);
                    p[0] = static_cast<std::uint8_t>(b);
                    p[1] = static_cast<std::uint8_t>(g);
                    p[2] = static_cast<std::uint8_t>(r);
                    ok = true;
                }
            }
        }
        found += ok;
    }
    ASSERT_EQ(found, 5);
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustSaturation(s, 1.0, -50.0); });
    for (int target = 0; target < 5; ++target) {
        const std::uint8_t* p = in.pixel(target);
        const Bytes3 hls = RefBgrToHls(p[0], p[1], p[2]);
        const Bytes3 rgb = RefHlsToRgb(hls.b0, hls.b1, expected[target]);
        EXPECT_EQ(Bgr(out, target), (std::vector<int>{rgb.b2, rgb.b1, rgb.b0})) << wanted[target];
    }
}

TEST(AdjustSaturation, DoubledSaturationSaturates) {
    // Pure red has saturation byte 255 (stays 255); the muted colour's
    // saturation byte doubles.
    Image in = Uniform(2, 2, 0, 0, 255, 5);
    in.pixel(3)[0] = 100;
    in.pixel(3)[1] = 100;
    in.pixel(3)[2] = 140;
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustSaturation(s, 1.0, 100.0); });
    for (int n : {0, 3}) {
        const std::uint8_t* p = in.pixel(n);
        const Bytes3 hls = RefBgrToHls(p[0], p[1], p[2]);
        const Bytes3 rgb = RefHlsToRgb(hls.b0, hls.b1, std::min(255, 2 * hls.b2));
        EXPECT_EQ(Bgr(out, n), (std::vector<int>{rgb.b2, rgb.b1, rgb.b0})) << n;
    }
    EXPECT_EQ(RefBgrToHls(0, 0, 255).b2, 255);
    EXPECT_GT(out.pixel(3)[2] - out.pixel(3)[0], 40);
}

TEST(AdjustSaturation, NonFiniteLevels) {
    const Image in = RandomImage(3, 5, 3300);
    auto run = [&](double level) {
        return RunOp(in, false, [&](ImageSession& s) { return vtx::AdjustSaturation(s, 1.0, level); });
    };
    EXPECT_IMAGE_EQ(run(kNaN), run(0.0));
    EXPECT_IMAGE_EQ(run(kInf), run(100.0));
    EXPECT_IMAGE_EQ(run(-kInf), run(-100.0));
}

TEST(AdjustSaturation, MatchesReferenceAndIgnoresMask) {
    const double levels[] = {-100, -99.9, -99.7, -75, -50, -33.3, -0.4, 0, 10, 50, 99, 100};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 3400 + sz.w * 7 + sz.h);
        for (double level : levels) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustSaturation(s, c, level); });
                    EXPECT_IMAGE_EQ(out, RefSaturation(in, c, level))
                        << "level " << level << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

TEST(AdjustSaturation, FactorJustBelowOneRoundsUpInSinglePrecision) {
    // f = 1 − 1e-9 is below 1 but rounds to 1.0f: the staircase then steps at
    // every byte, so saturation v becomes v + 1 (255 stays 255).
    const std::vector<int> map = SaturationMap(1.0 - 1e-9);
    EXPECT_EQ(map[0], 1);
    EXPECT_EQ(map[254], 255);
    EXPECT_EQ(map[255], 255);
    const Image in = RandomImage(17, 9, 3500);
    const double level = -1e-7;  // f = level·0.01 + 1
    const Image out = RunOp(in, false, [&](ImageSession& s) { return vtx::AdjustSaturation(s, 1.0, level); });
    EXPECT_IMAGE_EQ(out, RefSaturation(in, 1.0, level));
}

}  // namespace
}  // namespace vtx_test
