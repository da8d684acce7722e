// Point adjustments: worked examples, parameter clamps and randomised
// comparisons with per-byte references.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "adjust/adjust.h"
#include "adjust_test_support.h"

namespace vtx_test {
namespace {

using vtx::ImageSession;

// ---------------------------------------------------------------------------
// References, per byte, from the definitions.

Image RefBrightnessEx(const Image& in, double comp, long long lr, long long lg, long long lb) {
    const double c = std::isnan(comp) ? 0.0 : std::clamp(comp, 0.0, 1.0);
    const long long levels[3] = {std::clamp(lb, -255LL, 255LL), std::clamp(lg, -255LL, 255LL),
                                 std::clamp(lr, -255LL, 255LL)};
    return MapBytes(in, [&](int ch, int v) {
        const int a = static_cast<int>(Trunc(std::fabs(static_cast<double>(levels[ch])) * c));
        const int moved = levels[ch] >= 0 ? v + a : v - a;
        return static_cast<std::uint8_t>(std::clamp(moved, 0, 255));
    });
}

double RefContrastFactor(double level, double c) {
    const double l = std::clamp(level, -100.0, 100.0);
    return level <= 0 ? l * c * 0.01 + 1 : std::pow(255.0, l * c * 0.01);
}

double RefGammaExponent(double level, double c) {
    const double l = std::clamp(level, -100.0, 100.0);
    if (level <= 0) return 1.0 / std::max(l * c * 0.01 + 1, 0.0001);
    return 1.0 / std::pow(255.0, l * c * 0.01);
}

std::uint8_t RefGammaByte(int v, double g) {
    if (v == 0) return 0;
    return RefClampByte(std::pow(v, g) * (255.0 / std::pow(255.0, g)));
}

std::uint8_t RefPosterizeByte(int v, int levels, double c) {
    const int n = std::clamp(levels, 2, 255);
    const int m = n - 1;
    long long q = Trunc(v * (m * 0.00392156862745098) + 0.5);
    if (q < 0) q = 0;
    if (q >= n) q = m;
    return RefBlend(RefMulDiv(255, static_cast<int>(q), m), v, c);
}

Image RefColorize(const Image& in, double c, int red, int green, int blue) {
    Image out = in;
    for (int n = 0; n < out.count(); ++n) {
        std::uint8_t* p = out.pixel(n);
        const int B = p[0], G = p[1], R = p[2];
        const int y = static_cast<int>(Trunc(0.59 * G + 0.3 * R + 0.11 * B));
        const int cb = RefMulDiv(blue, y, 255) & 0xFF, cg = RefMulDiv(green, y, 255) & 0xFF,
                  cr = RefMulDiv(red, y, 255) & 0xFF;
        p[0] = static_cast<std::uint8_t>(Trunc(cb * c + B * (1 - c)));
        p[1] = static_cast<std::uint8_t>(Trunc(cg * c + G * (1 - c)));
        p[2] = static_cast<std::uint8_t>(Trunc(cr * c + R * (1 - c)));
    }
    return out;
}

using Byte = std::uint8_t;

TEST(PointAdjust, WorkedValues) {
    ExpectWorked({
        {"Brightness above range", OP(AdjustBrightness(s, 1.0, 300)), {{0, 128, 254}}, {{255, 255, 255}}},
        {"Brightness half", OP(AdjustBrightness(s, 0.5, -100)), {{30, 50, 200}, {51, 50, 200}},
         {{0, 0, 150}, {1, 0, 150}}},
        {"BrightnessEx red", OP(AdjustBrightnessEx(s, 1.0, 40, 0, 0)), {{100, 100, 100}}, {{100, 100, 140}}},
        {"BrightnessEx mixed", OP(AdjustBrightnessEx(s, 1.0, 40, -40, 0)), {{100, 100, 100}}, {{100, 60, 140}}},
        {"BrightnessEx blue", OP(AdjustBrightnessEx(s, 1.0, 0, 0, -120)), {{100, 100, 100}}, {{0, 100, 100}}},
        {"Gamma 100", OP(AdjustGamma(s, 1.0, 100.0)),
         {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {128, 128, 128}, {255, 255, 255}, {0, 0, 0}},
         {{0, 0, 0}, {249, 249, 249}, {250, 250, 250}, {254, 254, 254}, {255, 255, 255}, {0, 0, 0}}},
        {"Temperature warm", OP(AdjustTemperature(s, 1.0, 100.0)), {{100, 100, 100}, {10, 252, 240}},
         {{80, 105, 130}, {0, 255, 255}}},
        {"Temperature cool", OP(AdjustTemperature(s, 1.0, -100.0)), {{100, 100, 100}}, {{120, 95, 70}}},
        {"Colorize red", OP(AdjustColorize(s, 1.0, 255, 0, 0)), {{255, 255, 255}, {0, 0, 0}},
         {{0, 0, 255}, {0, 0, 0}}},
    });
    ExpectByteMaps({
        {"Contrast 0", OP(AdjustContrast(s, 1.0, 0.0)), [](int v) { return v; }},
        {"Contrast -100", OP(AdjustContrast(s, 1.0, -100.0)), [](int) { return 127; }},
        {"Contrast 100", OP(AdjustContrast(s, 1.0, 100.0)), [](int v) { return v <= 127 ? 0 : 255; }},
        {"Invert half", OP(AdjustInvert(s, 0.5)), [](int) { return 127; }},
        {"Invert", OP(AdjustInvert(s, 1.0)), [](int v) { return 255 - v; }},
        {"Posterize 2", OP(AdjustPosterize(s, 1.0, 2)), [](int v) { return v <= 127 ? 0 : 255; }},
        {"Posterize 255", OP(AdjustPosterize(s, 1.0, 255)), [](int v) { return v == 127 ? 128 : v; }},
        {"Threshold 128", OP(AdjustThreshold(s, 1.0, 128, 0)), [](int v) { return v < 128 ? 0 : 255; }},
        {"Threshold 0", OP(AdjustThreshold(s, 1.0, 0, 0)), [](int) { return 255; }},
        {"Threshold 256", OP(AdjustThreshold(s, 1.0, 256, 0)), [](int) { return 0; }},
    });
}

TEST(PointAdjust, ParameterClampsAndNonFiniteLevels) {
    ExpectSame(
        {
            {"Contrast NaN", OP(AdjustContrast(s, 1.0, kNaN)), kNoChange},
            {"Contrast near 1", OP(AdjustContrast(s, 1.0, 1.0009)), kNoChange},
            {"Contrast near 1 below", OP(AdjustContrast(s, 1.0, 0.9991)), kNoChange},
            {"Contrast inf", OP(AdjustContrast(s, 0.8, kInf)), OP(AdjustContrast(s, 0.8, 100.0))},
            {"Contrast -inf", OP(AdjustContrast(s, 0.8, -kInf)), OP(AdjustContrast(s, 0.8, -100.0))},
            {"Contrast 1e300", OP(AdjustContrast(s, 0.8, 1e300)), OP(AdjustContrast(s, 0.8, 100.0))},
            {"Gamma NaN", OP(AdjustGamma(s, 1.0, kNaN)), kNoChange},
            {"Gamma 0", OP(AdjustGamma(s, 1.0, 0.0)), kNoChange},
            {"Gamma near 1", OP(AdjustGamma(s, 1.0, 1.0005)), kNoChange},
            {"Gamma inf", OP(AdjustGamma(s, 0.8, kInf)), OP(AdjustGamma(s, 0.8, 100.0))},
            {"Gamma -inf", OP(AdjustGamma(s, 0.8, -kInf)), OP(AdjustGamma(s, 0.8, -100.0))},
            {"Temperature NaN", OP(AdjustTemperature(s, 0.8, kNaN)), kNoChange},
            {"Temperature inf", OP(AdjustTemperature(s, 0.8, kInf)), OP(AdjustTemperature(s, 0.8, 100.0))},
            {"Temperature -inf", OP(AdjustTemperature(s, 0.8, -kInf)), OP(AdjustTemperature(s, 0.8, -100.0))},
            {"Temperature 12345", OP(AdjustTemperature(s, 0.8, 12345.0)), OP(AdjustTemperature(s, 0.8, 100.0))},
            {"Posterize 1", OP(AdjustPosterize(s, 1.0, 1)), OP(AdjustPosterize(s, 1.0, 2))},
            {"Posterize INT_MIN", OP(AdjustPosterize(s, 1.0, INT_MIN)), OP(AdjustPosterize(s, 1.0, 2))},
            {"Posterize 1000", OP(AdjustPosterize(s, 1.0, 1000)), OP(AdjustPosterize(s, 1.0, 255))},
            {"Posterize INT_MAX", OP(AdjustPosterize(s, 1.0, INT_MAX)), OP(AdjustPosterize(s, 1.0, 255))},
            // 1 is not the automation true value: no grey step.
            {"Threshold grey 1", OP(AdjustThreshold(s, 1.0, 128, 1)), OP(AdjustThreshold(s, 1.0, 128, 0))},
            {"Threshold -5", OP(AdjustThreshold(s, 1.0, -5, 0)), OP(AdjustThreshold(s, 1.0, 0, 0))},
            {"Threshold INT_MIN", OP(AdjustThreshold(s, 1.0, INT_MIN, 0)), OP(AdjustThreshold(s, 1.0, 0, 0))},
            {"Threshold INT_MAX", OP(AdjustThreshold(s, 1.0, INT_MAX, 0)), OP(AdjustThreshold(s, 1.0, 256, 0))},
            // Channel indices out of range: nothing happens.
            {"Swap 3,1,0", OP(UtilitySwapChannels(s, 3, 1, 0)), kNoChange},
            {"Swap 0,255,1", OP(UtilitySwapChannels(s, 0, 255, 1)), kNoChange},
            {"Swap 2,1,3", OP(UtilitySwapChannels(s, 2, 1, 3)), kNoChange},
        },
        RandomImage(17, 9, 5));
}

TEST(PointAdjust, MatchReferences) {
    std::vector<RefCase> cases;
    for (int level : {17, -17, 256, -300, INT_MAX, INT_MIN}) {
        cases.push_back({"Brightness " + std::to_string(level),
                         [=](ImageSession& s, double c) { return vtx::AdjustBrightness(s, c, level); },
                         [=](const Image& in, double c) { return RefBrightnessEx(in, c, level, level, level); }});
    }
    const int exLevels[] = {0, 1, -90, 255, INT_MIN};
    for (int lr : exLevels) {
        for (int lg : exLevels) {
            for (int lb : {1, -255, INT_MAX}) {
                cases.push_back({"BrightnessEx " + std::to_string(lr) + " " + std::to_string(lg) + " " +
                                     std::to_string(lb),
                                 [=](ImageSession& s, double c) { return vtx::AdjustBrightnessEx(s, c, lr, lg, lb); },
                                 [=](const Image& in, double c) { return RefBrightnessEx(in, c, lr, lg, lb); }});
            }
        }
    }
    for (double level : {-100.0, -63.25, -0.0005, 0.5, 1.0011, 37.5, 99.9, 250.0}) {
        cases.push_back({"Contrast " + std::to_string(level),
                         [=](ImageSession& s, double c) { return vtx::AdjustContrast(s, c, level); },
                         [=](const Image& in, double c) {
                             const double k = RefContrastFactor(level, c);
                             return MapBytes(in, [&](int, int v) { return RefClampByte((v - 127.5) * k + 127.5); });
                         }});
    }
    for (double level : {-100.0, -99.5, -50.0, -0.5, 0.25, 3.0, 100.0, 1e9}) {
        cases.push_back({"Gamma " + std::to_string(level),
                         [=](ImageSession& s, double c) { return vtx::AdjustGamma(s, c, level); },
                         [=](const Image& in, double c) {
                             const double g = RefGammaExponent(level, c);
                             return MapBytes(in, [&](int, int v) { return RefGammaByte(v, g); });
                         }});
    }
    cases.push_back({"Invert", [](ImageSession& s, double c) { return vtx::AdjustInvert(s, c); },
                     [](const Image& in, double c) {
                         return MapBytes(in, [&](int, int v) { return RefBlend(255 - v, v, c); });
                     }});
    for (int levels : {2, 3, 7, 16, 100, 254, 255}) {
        cases.push_back({"Posterize " + std::to_string(levels),
                         [=](ImageSession& s, double c) { return vtx::AdjustPosterize(s, c, levels); },
                         [=](const Image& in, double c) {
                             return MapBytes(in, [&](int, int v) { return RefPosterizeByte(v, levels, c); });
                         }});
    }
    for (int level : {1, 64, 128, 255}) {
        cases.push_back({"Threshold " + std::to_string(level),
                         [=](ImageSession& s, double c) { return vtx::AdjustThreshold(s, c, level, 0); },
                         [=](const Image& in, double c) {
                             return MapBytes(in, [&](int, int v) { return RefBlend(v < level ? 0 : 255, v, c); });
                         }});
    }
    for (double level : {-100.0, -33.3, 0.7, 25.0, 100.0}) {
        cases.push_back({"Temperature " + std::to_string(level),
                         [=](ImageSession& s, double c) { return vtx::AdjustTemperature(s, c, level); },
                         [=](const Image& in, double c) {
                             const double t = c * level;
                             return MapBytes(in, [&](int ch, int v) {
                                 return RefClampByte(v + (ch == 2 ? 0.3 * t : (ch == 1 ? 0.05 * t : -(0.2 * t))));
                             });
                         }});
    }
    const int colours[][3] = {{255, 0, 0}, {12, 200, 77}, {300, -40, 1000}, {INT_MAX, INT_MIN, -1}, {0, 0, 0}};
    for (const auto& col : colours) {
        const int r = col[0], g = col[1], b = col[2];
        cases.push_back({"Colorize " + std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b),
                         [=](ImageSession& s, double c) { return vtx::AdjustColorize(s, c, r, g, b); },
                         [=](const Image& in, double c) { return RefColorize(in, c, r, g, b); }});
    }
    for (int order = 0; order < 27; ++order) {
        const int o[3] = {order % 3, order / 3 % 3, order / 9};
        cases.push_back({"Swap " + std::to_string(order),
                         [=](ImageSession& s, double) {
                             return vtx::UtilitySwapChannels(s, Byte(o[0]), Byte(o[1]), Byte(o[2]));
                         },
                         [=](const Image& in, double) {
                             Image ref = in;
                             for (int n = 0; n < ref.count(); ++n) {
                                 for (int ch = 0; ch < 3; ++ch) ref.pixel(n)[ch] = in.pixel(n)[o[ch]];
                             }
                             return ref;
                         }});
    }
    ExpectReferences(cases, RandomImages(100));
}

// The grey step of a threshold ignores the mask; the threshold itself
// honours it.
TEST(PointAdjust, ThresholdGreyStepIgnoresMask) {
    for (const Image& in : RandomImages(700)) {
        for (double c : {1.0, 0.4}) {
            const Image out = RunOp(in, true, [&](ImageSession& s) {
                return vtx::AdjustThreshold(s, c, 128, vtx::kVariantTrue);
            });
            const int a1 = static_cast<int>(Trunc(255.0 * (1.0 - c)));
            for (int n = 0; n < in.count(); ++n) {
                const std::uint8_t* p = in.pixel(n);
                const int grey = RefGray(p[0], p[1], p[2]);
                for (int ch = 0; ch < 3; ++ch) {
                    const int blended = RefCompose(p[ch], a1, grey);
                    const int expected = p[3] == 0 ? RefBlend(blended < 128 ? 0 : 255, blended, c) : blended;
                    EXPECT_EQ(out.pixel(n)[ch], expected) << "pixel " << n << " ch " << ch << " C " << c;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vtx_test
