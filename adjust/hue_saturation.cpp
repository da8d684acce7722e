// Hue rotation (per-pixel single-precision HLS round trip, RotateHue_8u_AC4IR) and
// saturation scaling (8-bit HLS primitives with a lookup on the saturation
// byte).
#include <cstdint>

#include "adjust/adjust.h"
#include "primitives/conventions.h"
#include "primitives/pixel.h"
#include "session/frame.h"

namespace vtx {

namespace {

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
    // The per-pixel single-precision round trip is a primitive of its own.
    px::RotateHue_8u_AC4IR(s.pixels(), s.stride(), ImageRoi(s), angle, c, s.useMask() ? 1 : 0);
    return 0;
}

// Level: NaN acts as 0 (factor 1; the image still makes the 8-bit HLS round
// trip); ±inf act as ±100.
std::int32_t AdjustSaturation(ImageSession& s, double Completeness, double Level) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double level = (Level == Level) ? ClampDouble(Level, -100.0, 100.0) : 0.0;
    const double f = level * c * 0.01 + 1.0;

    std::uint8_t* const work = s.Scratch(s.byteSize());
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
    return 0;
}

}  // namespace vtx
