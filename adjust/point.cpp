// Point adjustments: every colour byte changes as a function of itself (or of
// its pixel's three colour bytes). Most build one 256-entry table per call and
// apply it with the mask-aware table helpers; brightness uses the saturating
// add/subtract primitives and ignores the mask.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "adjust/adjust.h"
#include "primitives/conventions.h"
#include "primitives/pixel.h"
#include "session/frame.h"

namespace vtx {

namespace {

// |v| for a value already clamped to [-255, 255].
std::int32_t Magnitude(std::int32_t v) { return v < 0 ? -v : v; }

// The amount trunc(|level|·C), 0..255 for a clamped level and C in [0, 1].
std::uint8_t ScaledAmount(std::int32_t clampedLevel, double c) {
    return static_cast<std::uint8_t>(px::TruncToInt32(static_cast<double>(Magnitude(clampedLevel)) * c));
}

// Both contrast and gamma treat a Level within 0.001 of 1 as "no change" and
// return before looking at the image. (Their formulas are the identity at 0,
// not at 1.)
bool IsNearOne(double level) { return std::fabs(level - 1.0) < 0.001; }

// A NaN strength argument acts as 0; other values are clamped to [lo, hi]
// (±inf included).
double ClampLevel(double level, double lo, double hi) {
    if (!(level == level)) return 0.0;
    return ClampDouble(level, lo, hi);
}

}  // namespace

std::int32_t AdjustBrightness(ImageSession& s, double Completeness, std::int32_t Level) {
    if (Level == 0) return 0;
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t level = ClampInt(Level, -255, 255);
    const std::uint8_t a = ScaledAmount(level, c);
    const std::uint8_t value[3] = {a, a, a};
    if (level > 0) {
        px::AddC_8u_AC4IRSfs(value, s.pixels(), s.stride(), ImageRoi(s), 0);
    } else {
        px::SubC_8u_AC4IRSfs(value, s.pixels(), s.stride(), ImageRoi(s), 0);
    }
    return 0;
}

std::int32_t AdjustBrightnessEx(ImageSession& s, double Completeness, std::int32_t LevelR, std::int32_t LevelG,
                                std::int32_t LevelB) {
    if (LevelR == 0 && LevelG == 0 && LevelB == 0) return 0;
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t r = ClampInt(LevelR, -255, 255);
    const std::int32_t g = ClampInt(LevelG, -255, 255);
    const std::int32_t b = ClampInt(LevelB, -255, 255);
    const std::uint8_t aR = ScaledAmount(r, c), aG = ScaledAmount(g, c), aB = ScaledAmount(b, c);
    std::uint8_t* const p = s.pixels();
    const std::int32_t step = s.stride();
    const px::RoiSize roi = ImageRoi(s);

    if (r >= 0 && g >= 0 && b >= 0) {
        const std::uint8_t value[3] = {aB, aG, aR};
        px::AddC_8u_AC4IRSfs(value, p, step, roi, 0);
        return 0;
    }
    if (r <= 0 && g <= 0 && b <= 0) {
        const std::uint8_t value[3] = {aB, aG, aR};
        px::SubC_8u_AC4IRSfs(value, p, step, roi, 0);
        return 0;
    }
    // Mixed signs: each channel moves one way only, so one pass of a
    // saturating add of the raised channels and a saturating subtract of the
    // lowered ones gives the bytes of one call per channel.
    const std::uint8_t add[3] = {b > 0 ? aB : std::uint8_t{0}, g > 0 ? aG : std::uint8_t{0}, r > 0 ? aR : std::uint8_t{0}};
    const std::uint8_t sub[3] = {b < 0 ? aB : std::uint8_t{0}, g < 0 ? aG : std::uint8_t{0}, r < 0 ? aR : std::uint8_t{0}};
    px::AddSubC_8u_AC4IR(add, sub, p, step, roi);
    return 0;
}

// A NaN Level leaves the image unchanged (it acts as 0, the identity).
std::int32_t AdjustContrast(ImageSession& s, double Completeness, double Level) {
    if (IsNearOne(Level)) return 0;
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double level = ClampLevel(Level, -100.0, 100.0);
    const double k = (level <= 0.0) ? level * c * 0.01 + 1.0 : std::pow(255.0, level * c * 0.01);
    std::uint8_t t[256];
    for (int i = 0; i < 256; ++i) t[i] = ClampByte((i - 127.5) * k + 127.5);
    ApplyChannelTable(s, t);
    return 0;
}

// A NaN Level leaves the image unchanged (it acts as 0, exponent 1). At the
// strong darkening end the exponent reaches 10000; there 255^g overflows, the
// scale s becomes 0 and every entry, 255 included, evaluates to 0.
std::int32_t AdjustGamma(ImageSession& s, double Completeness, double Level) {
    if (IsNearOne(Level)) return 0;
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double level = ClampLevel(Level, -100.0, 100.0);
    double g;
    if (level <= 0.0) {
        double u = level * c * 0.01 + 1.0;
        if (u < 0.0001) u = 0.0001;
        g = 1.0 / u;
    } else {
        g = 1.0 / std::pow(255.0, level * c * 0.01);
    }
    const double scale = 255.0 / std::pow(255.0, g);
    std::uint8_t t[256];
    t[0] = 0;
    for (int i = 1; i < 256; ++i) t[i] = ClampByte(std::pow(static_cast<double>(i), g) * scale);
    ApplyChannelTable(s, t);
    return 0;
}

std::int32_t AdjustInvert(ImageSession& s, double Completeness) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    std::uint8_t t[256];
    for (int i = 0; i < 256; ++i) t[i] = BlendEntry(255 - i, i, c);
    ApplyChannelTable(s, t);
    return 0;
}

std::int32_t AdjustPosterize(ImageSession& s, double Completeness, std::int32_t Levels) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t n = ClampInt(Levels, 2, 255);
    const std::int32_t m = n - 1;
    const double step = m * 0.00392156862745098;
    std::uint8_t t[256];
    for (int i = 0; i < 256; ++i) {
        std::int32_t q = px::TruncToInt32(i * step + 0.5);
        if (q < 0) q = 0;
        if (q >= n) q = m;
        const std::int32_t p = px::MulDiv(255, q, m);
        t[i] = BlendEntry(p, i, c);
    }
    ApplyChannelTable(s, t);
    return 0;
}

std::int32_t AdjustThreshold(ImageSession& s, double Completeness, std::int32_t Level, VariantBool Grayscale) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // The grey step is the whole-image conversion, which ignores the mask.
    if (Grayscale == kVariantTrue) AdjustGrayscale(s, c, kVariantFalse);
    std::uint8_t t[256];
    for (int i = 0; i < 256; ++i) t[i] = BlendEntry(i < Level ? 0 : 255, i, c);
    ApplyChannelTable(s, t);
    return 0;
}

// A NaN Level leaves the image unchanged (it acts as 0).
std::int32_t AdjustTemperature(ImageSession& s, double Completeness, double Level) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double level = ClampLevel(Level, -100.0, 100.0);
    const double t = c * level;
    std::uint8_t tR[256], tG[256], tB[256];
    for (int i = 0; i < 256; ++i) {
        tR[i] = ClampByte(i + 0.3 * t);
        tG[i] = ClampByte(i + 0.05 * t);
        tB[i] = ClampByte(i - 0.2 * t);
    }
    ApplyChannelTables(s, tR, tG, tB);
    return 0;
}

std::int32_t AdjustColorize(ImageSession& s, double Completeness, std::int32_t Red, std::int32_t Green,
                            std::int32_t Blue) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // Ramps from black to the colour (low eight bits of the rounded
    // multiply-divide; the colour arguments are used as given), indexed by
    // the pixel's weighted sum.
    std::uint8_t cR[256], cG[256], cB[256];
    for (int i = 0; i < 256; ++i) {
        cR[i] = static_cast<std::uint8_t>(px::MulDiv(Red, i, 255) & 0xFF);
        cG[i] = static_cast<std::uint8_t>(px::MulDiv(Green, i, 255) & 0xFF);
        cB[i] = static_cast<std::uint8_t>(px::MulDiv(Blue, i, 255) & 0xFF);
    }
    const std::uint8_t* const ramps[3] = {cB, cG, cR};
    px::Colorize_8u_AC4IR(s.pixels(), s.stride(), ImageRoi(s), ramps, c, s.useMask() ? 1 : 0);
    return 0;
}

// An index above 2 selects no channel: the call then leaves the image as it
// is and returns 0. The image's alpha bytes are kept.
std::int32_t UtilitySwapChannels(ImageSession& s, std::uint8_t nChannel0, std::uint8_t nChannel1,
                                 std::uint8_t nChannel2) {
    if (!s.HasImage()) return 1;
    if (nChannel0 > 2 || nChannel1 > 2 || nChannel2 > 2) return 0;
    std::uint8_t* const scratch = s.Scratch(s.byteSize());
    if (scratch == nullptr) return 1;
    const std::int32_t order[3] = {nChannel0, nChannel1, nChannel2};
    const px::RoiSize roi = ImageRoi(s);
    px::SwapChannels_8u_AC4R(s.pixels(), s.stride(), scratch, s.stride(), roi, order);
    // Only the colour bytes come back; the scratch image's alpha bytes were
    // never written.
    px::Copy_8u_AC4R(scratch, s.stride(), s.pixels(), s.stride(), roi);
    return 0;
}

}  // namespace vtx
