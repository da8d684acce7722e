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

Image RefHue(const Image& in, double c, double angle) {
    Image out = in;
    for (int n = 0; n < out.count(); ++n) RefHuePixel(out.pixel(n), c, angle);
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

TEST(HueSaturation, WorkedValues) {
    ExpectWorked({
        {"Hue third turn", OP(AdjustHue(s, 1.0, 120.0)), {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}},
         {{0, 255, 0}, {255, 0, 0}, {0, 0, 255}}},
        {"Hue of greys", OP(AdjustHue(s, 1.0, -45.5)), {{0, 0, 0}, {77, 77, 77}, {128, 128, 128}, {255, 255, 255}},
         {{0, 0, 0}, {77, 77, 77}, {128, 128, 128}, {255, 255, 255}}},
    });
    ExpectSame(
        {
            {"Hue 500", OP(AdjustHue(s, 0.7, 500.0)), OP(AdjustHue(s, 0.7, 360.0))},
            {"Hue inf", OP(AdjustHue(s, 0.7, kInf)), OP(AdjustHue(s, 0.7, 360.0))},
            {"Hue -inf", OP(AdjustHue(s, 0.7, -kInf)), OP(AdjustHue(s, 0.7, -360.0))},
            {"Hue NaN", OP(AdjustHue(s, 0.7, kNaN)), OP(AdjustHue(s, 0.7, 0.0))},
            {"Saturation NaN", OP(AdjustSaturation(s, 1.0, kNaN)), OP(AdjustSaturation(s, 1.0, 0.0))},
            {"Saturation inf", OP(AdjustSaturation(s, 1.0, kInf)), OP(AdjustSaturation(s, 1.0, 100.0))},
            {"Saturation -inf", OP(AdjustSaturation(s, 1.0, -kInf)), OP(AdjustSaturation(s, 1.0, -100.0))},
        },
        RandomImage(17, 9, 3002));
}

TEST(HueSaturation, MatchReferences) {
    std::vector<RefCase> hue, saturation;
    // Angles that are not single-precision numbers too: the sum with the hue
    // is formed in double precision and rounded once.
    for (double angle : {-360.0, -200.0, -90.25, 0.0, 17.0, 60.0, 179.9, 240.0, 360.0, -33.333333333, 123.456789,
                         200.00000763}) {
        hue.push_back({"Hue " + std::to_string(angle),
                       [=](ImageSession& s, double c) { return vtx::AdjustHue(s, c, angle); },
                       [=](const Image& in, double c) { return RefHue(in, c, angle); }});
    }
    std::vector<Image> images = RandomImages(3100);
    images.push_back(RandomImage(64, 48, 3150));
    ExpectReferences(hue, images, {0.0, 0.3, 0.55, 1.0});
    // Level -1e-7 gives f = 1 - 1e-9, below 1 but 1.0f in single precision:
    // the staircase then steps at every byte.
    for (double level : {-100.0, -99.9, -99.7, -75.0, -50.0, -33.3, -0.4, 0.0, 10.0, 50.0, 99.0, 100.0, -1e-7}) {
        saturation.push_back({"Saturation " + std::to_string(level),
                              [=](ImageSession& s, double c) { return vtx::AdjustSaturation(s, c, level); },
                              [=](const Image& in, double c) { return RefSaturation(in, c, level); }});
    }
    ExpectReferences(saturation, RandomImages(3400), {0.0, 0.3, 0.5, 0.9, 1.0});
}

TEST(HueSaturation, SaturationStaircase) {
    // Pixels whose saturation byte is 0, 1, 2, 3 and 255 get 0, 1, 1, 2 and
    // 128 at half saturation.
    const int wanted[] = {0, 1, 2, 3, 255};
    const int expected[] = {0, 1, 1, 2, 128};
    std::vector<Bgr> in, out;
    for (int target = 0; target < 5; ++target) {
        for (int v = 0; v < 256 && in.size() == static_cast<std::size_t>(target); ++v) {
            for (int d = 0; d < 256 && in.size() == static_cast<std::size_t>(target); ++d) {
                const int b = std::min(255, v + d);
                const Bytes3 hls = RefBgrToHls(b, v, v);
                if (hls.b2 != wanted[target]) continue;
                const Bytes3 rgb = RefHlsToRgb(hls.b0, hls.b1, expected[target]);
                in.push_back({b, v, v});
                out.push_back({rgb.b2, rgb.b1, rgb.b0});
            }
        }
    }
    ASSERT_EQ(in.size(), 5u);
    ExpectWorked({{"Saturation -50", OP(AdjustSaturation(s, 1.0, -50.0)), in, out}});
}

}  // namespace
}  // namespace vtx_test
