// Point adjustments against per-byte references written from their
// definitions, over every test image, Completeness value and mask setting,
// with argument values inside and beyond their clamps (NaN and ±inf too).
#include <array>
#include <climits>

#include "adjust_test_support.h"

namespace vtx_test {
namespace {

// Each channel moves by its own signed amount trunc(|level|·C), saturating.
Ref Brightness(long long red, long long green, long long blue) {
    return PerByte([=](int ch, int v, double c) {
        const long long level = std::clamp(ch == 0 ? blue : (ch == 1 ? green : red), -255LL, 255LL);
        const int a = static_cast<int>(std::trunc(static_cast<double>(std::llabs(level)) * c));
        return std::clamp(level >= 0 ? v + a : v - a, 0, 255);
    });
}

// Contrast and gamma: a Level within 0.001 of 1 changes nothing.
bool NearOne(double level) { return std::fabs(level - 1) < 0.001; }

Ref Contrast(double level) {
    return PerByte([=](int, int v, double c) {
        const double l = Level(level, -100, 100);
        const double k = l <= 0 ? l * c * 0.01 + 1 : std::pow(255.0, l * c * 0.01);
        return NearOne(level) ? v : ClampedByte((v - 127.5) * k + 127.5);
    });
}

Ref Gamma(double level) {
    return PerByte([=](int, int v, double c) {
        const double l = Level(level, -100, 100);
        const double g = l <= 0 ? 1 / std::max(l * c * 0.01 + 1, 0.0001) : 1 / std::pow(255.0, l * c * 0.01);
        if (NearOne(level)) return v;
        return v == 0 ? 0 : ClampedByte(std::pow(v, g) * (255 / std::pow(255.0, g)));
    });
}

Ref Posterize(int levels) {
    return PerByte([=](int, int v, double c) {
        const int n = std::clamp(levels, 2, 255), m = n - 1;
        const long long q = std::clamp<long long>(static_cast<long long>(v * (m * 0.00392156862745098) + 0.5), 0, m);
        return Blend(static_cast<double>(MulDiv(255, q, m)), v, c);
    });
}

// The grey step (Grayscale exactly -1) takes in every pixel; the threshold
// only the pixels the mask lets through.
Ref Threshold(int level, int grayscale) {
    return [=](const Image&, int, double c, bool excluded, std::uint8_t* p) {
        const int grey = Gray(p), a1 = static_cast<int>(std::trunc(255 * (1 - c)));
        for (int ch = 0; ch < 3; ++ch) {
            const int v = grayscale == -1 ? Compose(p[ch], a1, grey) : p[ch];
            p[ch] = static_cast<std::uint8_t>(excluded ? v : Blend(v < level ? 0 : 255, v, c));
        }
    };
}

Ref Temperature(double level) {
    return PerByte([=](int ch, int v, double c) {
        const double t = c * Level(level, -100, 100);
        return ClampedByte(v + (ch == 2 ? 0.3 * t : (ch == 1 ? 0.05 * t : -0.2 * t)));
    });
}

// The pixel's luminance index Y picks the low byte of MulDiv(colour, Y, 255).
Ref Colorize(int red, int green, int blue) {
    return [=](const Image&, int, double c, bool, std::uint8_t* p) {
        const int y = static_cast<int>(0.59 * p[1] + 0.3 * p[2] + 0.11 * p[0]);
        const int colour[3] = {blue, green, red};
        for (int ch = 0; ch < 3; ++ch) {
            p[ch] = static_cast<std::uint8_t>((MulDiv(colour[ch], y, 255) & 0xFF) * c + p[ch] * (1 - c));
        }
    };
}

// Destination byte ch takes source byte order[ch].
Ref Swap(int o0, int o1, int o2) {
    return [=](const Image&, int, double, bool, std::uint8_t* p) {
        const std::uint8_t old[3] = {p[0], p[1], p[2]};
        for (int ch = 0; ch < 3 && o0 <= 2 && o1 <= 2 && o2 <= 2; ++ch) p[ch] = old[ch ? (ch == 1 ? o1 : o2) : o0];
    };
}

TEST(PointAdjust, MatchReferences) {
    std::vector<Case> cases = {
        CASE(false, AdjustBrightness(s, c, 0), Brightness(0, 0, 0), 0),
        CASE(false, AdjustBrightnessEx(s, c, 0, 0, 0), Brightness(0, 0, 0), 0),
        CASE(true, AdjustInvert(s, c), PerByte([](int, int v, double c) { return Blend(255 - v, v, c); })),
    };
    auto add = [&cases](Case k, auto... values) { cases.push_back(Named(k, values...)); };
    for (int l : {17, -100, 300, INT_MIN, INT_MAX}) add(CASE(false, AdjustBrightness(s, c, l), Brightness(l, l, l)), l);
    for (const auto& v : {std::array{40, -40, 0}, {0, 0, -120}, {255, 1, 0}, {-3, -300, -90}, {-5, 0, 0}, {0, 9, 0},
                          {INT_MIN, INT_MAX, 7}, {12, 0, 1}})
        add(CASE(false, AdjustBrightnessEx(s, c, v[0], v[1], v[2]), Brightness(v[0], v[1], v[2])), v[0], v[1], v[2]);
    for (double l : {-100.0, -63.25, -0.0005, 0.0, 37.5, 100.0, 250.0, kInf, -kInf, kNaN, 1.0, 0.9991, 1.0011})
        add(CASE(true, AdjustContrast(s, c, l), Contrast(l), NearOne(l) ? 0 : 1), l);
    for (double l : {-100.0, -99.5, -50.0, 0.25, 3.0, 100.0, 1e9, -kInf, kNaN, 1.0005, 0.9985})
        add(CASE(true, AdjustGamma(s, c, l), Gamma(l), NearOne(l) ? 0 : 1), l);
    for (int n : {2, 3, 7, 16, 100, 254, 255, 1, 1000, INT_MIN, INT_MAX})
        add(CASE(true, AdjustPosterize(s, c, n), Posterize(n)), n);
    for (const auto& v : {std::array{128, 0}, {1, 0}, {0, 0}, {256, 0}, {INT_MIN, 0}, {INT_MAX, 0}, {100, -1},
                          {128, 1}})
        add(CASE(false, AdjustThreshold(s, c, v[0], v[1]), Threshold(v[0], v[1])), v[0], v[1]);
    for (double l : {-100.0, -33.3, 25.0, 100.0, 12345.0, kInf, -kInf, kNaN})
        add(CASE(true, AdjustTemperature(s, c, l), Temperature(l)), l);
    for (const auto& v : {std::array{255, 0, 0}, {12, 200, 77}, {300, -40, 1000}, {INT_MAX, INT_MIN, -1}})
        add(CASE(true, AdjustColorize(s, c, v[0], v[1], v[2]), Colorize(v[0], v[1], v[2])), v[0], v[1], v[2]);
    // An index above 2 changes nothing.
    for (const auto& v : {std::array{2, 1, 0}, {1, 2, 0}, {2, 0, 1}, {0, 0, 0}, {1, 1, 2}, {0, 1, 2}, {3, 1, 0},
                          {0, 255, 2}, {0, 1, 3}})
        add(CASE(false, UtilitySwapChannels(s, v[0], v[1], v[2]), Swap(v[0], v[1], v[2])), v[0], v[1], v[2]);
    ExpectReferences(cases);
}

}  // namespace
}  // namespace vtx_test
