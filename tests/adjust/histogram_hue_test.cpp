// Histogram, hue and saturation adjustments against references written from
// their definitions (the 8-bit HLS conversions of the saturation reference
// are the primitives', which have their own exhaustive tests).
#include "adjust_test_support.h"
#include "primitives/pixel.h"

namespace vtx_test {
namespace {

// Stretch of the byte range [lo, hi] cut from the histogram of the given
// channels: lo is the smallest k in 1..255 with at least `thr` samples below
// it, hi the largest k in 1..255 with at least `thr` samples above it; 0 when
// there is none (a cut of 0 gives lo = 1 and hi = 255).
int Stretch(const Image& in, std::initializer_list<int> channels, long long thr, int v, double c) {
    long long h[256] = {};
    for (int n = 0; n < in.count(); ++n) {
        for (int ch : channels) ++h[in.pixel(n)[ch]];
    }
    int lo = 0, hi = thr <= 0 ? 255 : 0;
    long long below = 0, above = 0;
    for (int k = 1; k < 256; ++k) {
        below += h[k - 1];
        above += h[256 - k];
        if (lo == 0 && below >= thr) lo = k;
        if (hi == 0 && above >= thr) hi = 255 - k;
    }
    lo = std::min(lo, 254);
    hi = hi <= lo + 1 ? lo + 1 : hi;
    return Blend(ClampedByte((v - lo) * 255.0 / (hi - lo)), v, c);
}

Ref Grayscale(int desaturate) {
    return [=](const Image&, int, double c, bool, std::uint8_t* p) {
        const double k = 0.003921568859368563;  // HLS lightness: (max + min) / 2
        const double lightness = (std::max({p[0], p[1], p[2]}) * k + std::min({p[0], p[1], p[2]}) * k) * 0.5;
        const int grey = desaturate == -1 ? static_cast<int>(lightness * 255 + 0.4999989867210388) : Gray(p);
        const int a1 = static_cast<int>(255 * (1 - c));
        for (int ch = 0; ch < 3; ++ch) p[ch] = static_cast<std::uint8_t>(Compose(p[ch], a1, grey));
    };
}

// Hue: single-precision HLS round trip of each pixel.
float HueToValue(float m1, float m2, float hue) {
    hue = hue > 360.0f ? hue - 360.0f : (hue < 0.0f ? hue + 360.0f : hue);
    if (hue < 60.0f) return m1 + (m2 - m1) * (hue * 0.016666668f);
    if (hue < 180.0f) return m2;
    return hue < 240.0f ? m1 + (m2 - m1) * (240.0f - hue) * 0.016666668f : m1;
}

Ref Hue(double angle) {
    return [=](const Image&, int, double c, bool, std::uint8_t* p) {
        const float k = 0.003921569f, r = p[2] * k, g = p[1] * k, b = p[0] * k;
        const int which = r > g ? (r > b ? 0 : 2) : (g > b ? 1 : 2);  // the largest: red, green or blue
        const float most = which == 0 ? r : (which == 1 ? g : b), least = r > g ? (g < b ? g : b) : (r < b ? r : b);
        const float sum = most + least, l = sum * 0.5f, d = most - least;
        float h = 0.0f, s = 0.0f;
        if (!(std::fabs(d) < 0.00001f)) {
            s = l < 0.5f ? d / sum : d / (2.0f - most - least);
            h = (which == 0 ? (g - b) / d : (which == 1 ? (b - r) / d + 2.0f : (r - g) / d + 4.0f)) * 60.0f;
            if (h < 0.0f) h += 360.0f;
            if (h > 360.0f) h -= 360.0f;
        }
        float hue = static_cast<float>(h + Level(angle, -360, 360));
        if (hue < 0.0f) hue += 360.0f;
        if (hue > 360.0f) hue -= 360.0f;
        hue = std::clamp(hue, 0.0f, 360.0f);
        float rgb[3] = {l, l, l};
        if (!(std::fabs(s) < 0.00001f)) {
            const float m2 = l < 0.5f ? (1.0f + s) * l : l + s - l * s, m1 = 2.0f * l - m2;
            rgb[0] = HueToValue(m1, m2, hue + 120.0f);
            rgb[1] = HueToValue(m1, m2, hue);
            rgb[2] = HueToValue(m1, m2, hue - 120.0f);
        }
        for (int ch = 0; ch < 3; ++ch) {
            p[ch] = static_cast<std::uint8_t>(ClampedByte(p[ch] * (1 - c) + rgb[2 - ch] * c * 255.0));
        }
    };
}

// Saturation byte v scaled by f: 0 below f = 1/255; below 1 the staircase
// count of the accumulator steps at j = 0..v; from 1 on trunc(v·f), saturated.
int ScaledSaturation(double f, int v) {
    if (f < 0.00392156862745098) return 0;
    if (f >= 1) return std::min(255, static_cast<int>(v * f));
    double a = 0;
    int n = 0;
    for (int j = 0; j <= v; ++j) {
        const bool step = (a += static_cast<float>(f)) > 0.5;
        a -= step;
        n += step;
    }
    return std::min(n, 255);
}

Ref Saturation(double level) {
    return [=](const Image&, int, double c, bool, std::uint8_t* p) {
        std::uint8_t hls[4] = {}, rgb[4] = {};
        vtx::px::BGRToHLS_8u_AC4R(p, 4, hls, 4, {1, 1});
        hls[2] = static_cast<std::uint8_t>(ScaledSaturation(Level(level, -100, 100) * c * 0.01 + 1, hls[2]));
        vtx::px::HLSToRGB_8u_AC4R(hls, 4, rgb, 4, {1, 1});
        for (int ch = 0; ch < 3; ++ch) p[ch] = rgb[2 - ch];
    };
}

TEST(HistogramHueAdjust, MatchReferences) {
    std::vector<Case> cases = {
        CASE(false, AdjustEqualize(s, c), PerByte([](int, int v, double c) {
                 return Compose(std::min(255, (v * v + 63) >> 7), static_cast<int>(255 * c), v);
             })),
        CASE(false, AdjustGrayscale(s, c, 0), Grayscale(0)),
        CASE(false, AdjustGrayscale(s, c, 1), Grayscale(1)),
        CASE(false, AdjustGrayscale(s, c, -1), Grayscale(-1)),
        CASE(true, AdjustAutocontrast(s, c), [](const Image& in, int, double c, bool, std::uint8_t* p) {
            for (int ch = 0; ch < 3; ++ch) p[ch] = Stretch(in, {0, 1, 2}, MulDiv(4 * in.count(), 5, 100), p[ch], c);
        }),
        CASE(true, AdjustAutolevels(s, c), [](const Image& in, int, double c, bool, std::uint8_t* p) {
            for (int ch = 0; ch < 3; ++ch) p[ch] = Stretch(in, {ch}, MulDiv(4 * in.count() / 3, 5, 100), p[ch], c);
        }),
    };
    // Angles that are not single-precision numbers too: the sum with the hue
    // is formed in double precision and rounded once.
    for (double a : {-360.0, -200.0, -90.25, 0.0, 17.0, 60.0, 179.9, 240.0, 360.0, -33.333333333, 123.456789,
                     200.00000763, 500.0, kInf, -kInf, kNaN})
        cases.push_back(Named(CASE(true, AdjustHue(s, c, a), Hue(a)), a));
    // Level -1e-7 gives f = 1 - 1e-9, below 1 but 1.0f in single precision.
    for (double l : {-100.0, -99.9, -99.7, -75.0, -50.0, -0.4, 0.0, 10.0, 50.0, 100.0, -1e-7, kInf, -kInf, kNaN})
        cases.push_back(Named(CASE(false, AdjustSaturation(s, c, l), Saturation(l)), l));
    ExpectReferences(cases);
}

}  // namespace
}  // namespace vtx_test
