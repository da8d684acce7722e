// Hue rotation (per-pixel single-precision HLS round trip of its own) and
// saturation scaling (8-bit HLS primitives with a lookup on the saturation
// byte).
#include <cmath>
#include <cstdint>

#include "adjust/adjust.h"
#include "primitives/conventions.h"
#include "primitives/pixel.h"
#include "session/frame.h"

namespace vtx {

namespace {

// Components in 0..1, hue in degrees. Every intermediate is a float; the
// only double step is the addition of the angle in AdjustHue.
struct Hls {
    float h, l, s;
};
struct Rgb {
    float r, g, b;
};

enum class Largest { Red, Green, Blue };

Hls RgbToHls(float r, float g, float b) {
    float largest, smallest;
    Largest which;
    if (r > g) {
        if (r > b) {
            largest = r;
            which = Largest::Red;
        } else {
            largest = b;
            which = Largest::Blue;
        }
        smallest = (g < b) ? g : b;
    } else {
        if (g > b) {
            largest = g;
            which = Largest::Green;
        } else {
            largest = b;
            which = Largest::Blue;
        }
        smallest = (r < b) ? r : b;
    }
    const float sum = largest + smallest;
    const float l = sum * 0.5f;
    const float d = largest - smallest;
    if (std::fabs(d) < 0.00001f) return Hls{0.0f, l, 0.0f};

    const float s = (l < 0.5f) ? d / sum : d / (2.0f - largest - smallest);
    float h0;
    switch (which) {
        case Largest::Red: h0 = (g - b) / d; break;
        case Largest::Green: h0 = (b - r) / d + 2.0f; break;
        default: h0 = (r - g) / d + 4.0f; break;
    }
    float h = h0 * 60.0f;
    if (h < 0.0f) h = h + 360.0f;
    if (h > 360.0f) h = h - 360.0f;
    return Hls{h, l, s};
}

constexpr float kOneSixtieth = 0.016666668f;

float HueToValue(float m1, float m2, float hue) {
    if (hue > 360.0f) {
        hue = hue - 360.0f;
    } else if (hue < 0.0f) {
        hue = hue + 360.0f;
    }
    if (hue < 60.0f) return m1 + (m2 - m1) * (hue * kOneSixtieth);
    if (hue < 180.0f) return m2;
    if (hue < 240.0f) return m1 + (m2 - m1) * (240.0f - hue) * kOneSixtieth;
    return m1;
}

Rgb HlsToRgb(float h, float l, float s) {
    if (std::fabs(s) < 0.00001f) return Rgb{l, l, l};
    const float m2 = (l < 0.5f) ? (1.0f + s) * l : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    return Rgb{HueToValue(m1, m2, h + 120.0f), HueToValue(m1, m2, h), HueToValue(m1, m2, h - 120.0f)};
}

// Lookup description of one channel for the LUT primitive: at most 258
// levels (the staircase can close with n = 256 when f rounds to 1 in single
// precision).
struct ChannelLut {
    std::int32_t levels[258];
    std::int32_t values[258];
    std::int32_t count;
};

// Saturation byte mapping for the factor f in [0, 2].
void BuildSaturationLut(double f, ChannelLut& lut) {
    if (f < 0.00392156862745098) {
        // Every saturation becomes 0.
        lut.levels[0] = 0;
        lut.levels[1] = 257;
        lut.values[0] = 0;
        lut.values[1] = 0;
        lut.count = 2;
    } else if (f < 1.0) {
        // Staircase: v maps to the number of levels above 0 starting at or
        // below v, about round((v + 1)·f).
        const float fs = static_cast<float>(f);
        double a = 0.0;
        std::int32_t n = 0;
        lut.levels[0] = 0;
        lut.values[0] = 0;
        for (std::int32_t j = 0; j < 256; ++j) {
            a = a + fs;
            if (a > 0.5) {
                a = a - 1.0;
                ++n;
                lut.levels[n] = j;
                lut.values[n] = n;
            }
        }
        lut.levels[n + 1] = 256;
        lut.values[n + 1] = 0;  // never used by the lookup
        lut.count = n + 2;
    } else {
        // Multiplied by f; the lookup saturates values above 255.
        for (std::int32_t j = 0; j < 256; ++j) {
            lut.levels[j] = j;
            lut.values[j] = px::TruncToInt32(j * f);
        }
        lut.levels[256] = 256;
        lut.values[256] = 0;  // never used by the lookup
        lut.count = 257;
    }
}

}  // namespace

// Angle: NaN acts as 0 (no rotation); ±inf and other values beyond ±360 act
// as ±360.
std::int32_t AdjustHue(ImageSession& s, double Completeness, double Angle) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double angle = (Angle == Angle) ? ClampDouble(Angle, -360.0, 360.0) : 0.0;
    const double rest = 1.0 - c;
    constexpr float k = 0.003921569f;

    std::uint8_t* p = s.pixels();
    const std::int64_t count = s.byteSize() / 4;
    const bool masked = s.useMask();
    for (std::int64_t n = 0; n < count; ++n, p += 4) {
        if (masked && p[3] != 0) continue;
        const std::uint8_t B = p[0], G = p[1], R = p[2];
        const Hls hls = RgbToHls(R * k, G * k, B * k);
        float h = static_cast<float>(hls.h + angle);
        if (h < 0.0f) h = h + 360.0f;
        if (h > 360.0f) h = h - 360.0f;
        h = (h < 0.0f) ? 0.0f : (h > 360.0f ? 360.0f : h);
        const Rgb rgb = HlsToRgb(h, hls.l, hls.s);
        // trunc(old·(1 − C) + new·C·255); the sums stay within 0..255 up to
        // rounding, which ClampByte absorbs.
        p[2] = ClampByte(R * rest + rgb.r * c * 255.0);
        p[1] = ClampByte(G * rest + rgb.g * c * 255.0);
        p[0] = ClampByte(B * rest + rgb.b * c * 255.0);
    }
    return 0;
}

// Level: NaN acts as 0 (factor 1; the image still makes the 8-bit HLS round
// trip); ±inf act as ±100.
std::int32_t AdjustSaturation(ImageSession& s, double Completeness, double Level) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double level = (Level == Level) ? ClampDouble(Level, -100.0, 100.0) : 0.0;
    const double f = level * c * 0.01 + 1.0;

    auto* work = static_cast<std::uint8_t*>(px::MallocBytes(s.byteSize()));
    if (work == nullptr) return 0;
    const std::int32_t step = s.stride();
    const px::RoiSize roi = ImageRoi(s);

    px::BGRToHLS_8u_AC4R(s.pixels(), step, work, step, roi);

    // Hue and lightness pass unchanged: their one interval starts above 255.
    static const std::int32_t kPassLevels[2] = {256, 257};
    static const std::int32_t kPassValues[1] = {0};
    ChannelLut sat;
    BuildSaturationLut(f, sat);
    const std::int32_t* const values[3] = {kPassValues, kPassValues, sat.values};
    const std::int32_t* const levels[3] = {kPassLevels, kPassLevels, sat.levels};
    const std::int32_t counts[3] = {2, 2, sat.count};
    px::LUT_8u_AC4R(work, step, s.pixels(), step, roi, values, levels, counts);

    px::HLSToRGB_8u_AC4R(s.pixels(), step, work, step, roi);
    const std::int32_t order[3] = {2, 1, 0};
    px::SwapChannels_8u_AC4R(work, step, s.pixels(), step, roi, order);
    px::Free(work);
    return 0;
}

}  // namespace vtx
