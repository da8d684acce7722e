// Point adjustments: worked examples, clamps, masks and randomised
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
    return MapBytes(in, false, [&](int ch, int v) {
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

Image RefColorize(const Image& in, bool mask, double c, int red, int green, int blue) {
    Image out = in;
    for (int n = 0; n < out.count(); ++n) {
        std::uint8_t* p = out.pixel(n);
        if (!Takes(p, mask)) continue;
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

// Reads the colour bytes of pixel n as (b, g, r).
std::vector<int> Bgr(const Image& img, int n) {
    const std::uint8_t* p = img.pixel(n);
    return {p[0], p[1], p[2]};
}

const double kCompletenessSamples[] = {0.0, 0.25, 0.5, 0.73, 1.0};

// ---------------------------------------------------------------------------
// Brightness

TEST(AdjustBrightness, LevelAboveRangeActsAs255AndSaturates) {
    const Image in = RandomImage(3, 5, 1);
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustBrightness(s, 1.0, 300); });
    for (int n = 0; n < in.count(); ++n) {
        EXPECT_EQ(Bgr(out, n), (std::vector<int>{255, 255, 255}));
        EXPECT_EQ(out.pixel(n)[3], in.pixel(n)[3]);
    }
}

TEST(AdjustBrightness, HalfCompletenessSubtractsHalfTheLevelWithFloorZero) {
    Image in = Uniform(2, 2, 30, 50, 200, 7);
    in.pixel(3)[0] = 51;
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustBrightness(s, 0.5, -100); });
    EXPECT_EQ(Bgr(out, 0), (std::vector<int>{0, 0, 150}));
    EXPECT_EQ(Bgr(out, 3), (std::vector<int>{1, 0, 150}));
    EXPECT_EQ(out.pixel(0)[3], 7);
}

TEST(AdjustBrightness, MatchesSaturatingReferenceAndIgnoresMask) {
    const int levels[] = {1, 17, -17, 255, -255, 256, -300, INT_MAX, INT_MIN};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 100 + sz.w * 31 + sz.h);
        for (int level : levels) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustBrightness(s, c, level); });
                    EXPECT_IMAGE_EQ(out, RefBrightnessEx(in, c, level, level, level))
                        << "level " << level << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

TEST(AdjustBrightnessEx, SingleChannelAndMixedSigns) {
    const Image in = Uniform(2, 3, 100, 100, 100, 0);
    const Image redOnly = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustBrightnessEx(s, 1.0, 40, 0, 0); });
    EXPECT_EQ(Bgr(redOnly, 4), (std::vector<int>{100, 100, 140}));
    const Image mixed = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustBrightnessEx(s, 1.0, 40, -40, 0); });
    EXPECT_EQ(Bgr(mixed, 4), (std::vector<int>{100, 60, 140}));
    const Image blueDown = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustBrightnessEx(s, 1.0, 0, 0, -120); });
    EXPECT_EQ(Bgr(blueDown, 0), (std::vector<int>{0, 100, 100}));
}

TEST(AdjustBrightnessEx, MatchesPerChannelReferenceForEverySignPattern) {
    const int levels[] = {0, 1, -1, 90, -90, 255, -255, INT_MAX, INT_MIN};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 200 + sz.w * 7 + sz.h);
        for (int lr : levels) {
            for (int lg : levels) {
                for (int lb : levels) {
                    const unsigned parity =
                        static_cast<unsigned>(lr) + static_cast<unsigned>(lg) + static_cast<unsigned>(lb);
                    const double c = (parity & 1u) ? 0.6 : 1.0;
                    const bool mask = ((lr ^ lb) & 2) != 0;
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustBrightnessEx(s, c, lr, lg, lb); });
                    EXPECT_IMAGE_EQ(out, RefBrightnessEx(in, c, lr, lg, lb)) << lr << " " << lg << " " << lb;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Contrast

TEST(AdjustContrast, WorkedLevels) {
    const Image in = AllValuesImage();
    EXPECT_IMAGE_EQ(RunOp(in, false, [](ImageSession& s) { return vtx::AdjustContrast(s, 1.0, 0.0); }), in);

    const Image flat = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustContrast(s, 1.0, -100.0); });
    EXPECT_IMAGE_EQ(flat, MapBytes(in, false, [](int, int) { return std::uint8_t{127}; }));

    const Image hard = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustContrast(s, 1.0, 100.0); });
    EXPECT_IMAGE_EQ(hard, MapBytes(in, false, [](int, int v) { return std::uint8_t(v <= 127 ? 0 : 255); }));
}

TEST(AdjustContrast, LevelNearOneReturnsAtOnce) {
    const Image in = AllValuesImage();
    for (double level : {1.0, 0.9991, 1.0009}) {
        const Outcome o = Apply(in, false, [&](ImageSession& s) { return vtx::AdjustContrast(s, 1.0, level); });
        EXPECT_EQ(o.rc, 0);
        EXPECT_IMAGE_EQ(o.image, in) << level;
        ImageSession empty;
        EXPECT_EQ(vtx::AdjustContrast(empty, 1.0, level), 0) << level;
    }
    // Just outside the window the formula applies (and changes the image).
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustContrast(s, 1.0, 1.0011); });
    EXPECT_NE(out, in);
}

TEST(AdjustContrast, NonFiniteLevels) {
    const Image in = RandomImage(17, 9, 5);
    auto run = [&](double level) {
        return RunOp(in, true, [&](ImageSession& s) { return vtx::AdjustContrast(s, 1.0, level); });
    };
    EXPECT_IMAGE_EQ(run(kNaN), in);  // NaN acts as 0: no change
    EXPECT_IMAGE_EQ(run(kInf), run(100.0));
    EXPECT_IMAGE_EQ(run(-kInf), run(-100.0));
    EXPECT_IMAGE_EQ(run(1e300), run(100.0));
}

TEST(AdjustContrast, MatchesReference) {
    const double levels[] = {-100, -63.25, -1, -0.0005, 0.5, 2, 37.5, 99.9, 100, 250};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 300 + sz.w * 13 + sz.h);
        for (double level : levels) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const double k = RefContrastFactor(level, c);
                    const Image ref =
                        MapBytes(in, mask, [&](int, int v) { return RefClampByte((v - 127.5) * k + 127.5); });
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustContrast(s, c, level); });
                    EXPECT_IMAGE_EQ(out, ref) << "level " << level << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Gamma

TEST(AdjustGamma, FullPositiveLevelBrightensAsStated) {
    Image in(5, 2);
    const int values[] = {0, 1, 2, 128, 255};
    for (int n = 0; n < 10; ++n) {
        std::uint8_t* p = in.pixel(n);
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>(values[n % 5]);
        p[3] = static_cast<std::uint8_t>(n * 20);
    }
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustGamma(s, 1.0, 100.0); });
    const int expected[] = {0, 249, 250, 254, 255};
    for (int n = 0; n < 10; ++n) {
        EXPECT_EQ(Bgr(out, n), std::vector<int>(3, expected[n % 5])) << n;
        EXPECT_EQ(out.pixel(n)[3], n * 20);
    }
}

TEST(AdjustGamma, LevelNearOneAndNonFiniteLevels) {
    const Image in = RandomImage(3, 5, 9);
    ImageSession empty;
    EXPECT_EQ(vtx::AdjustGamma(empty, 1.0, 1.0), 0);
    EXPECT_EQ(vtx::AdjustGamma(empty, 1.0, 2.0), 1);
    EXPECT_IMAGE_EQ(RunOp(in, false, [](ImageSession& s) { return vtx::AdjustGamma(s, 1.0, 1.0005); }), in);
    auto run = [&](double level) {
        return RunOp(in, false, [&](ImageSession& s) { return vtx::AdjustGamma(s, 1.0, level); });
    };
    EXPECT_IMAGE_EQ(run(kNaN), in);  // NaN acts as 0: exponent 1
    EXPECT_IMAGE_EQ(run(0.0), in);
    EXPECT_IMAGE_EQ(run(kInf), run(100.0));
    EXPECT_IMAGE_EQ(run(-kInf), run(-100.0));
}

TEST(AdjustGamma, MatchesReference) {
    const double levels[] = {-100, -99.5, -80, -50, -12.5, -0.5, 0.25, 3, 50, 100, 1e9};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 400 + sz.w * 13 + sz.h);
        for (double level : levels) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const double g = RefGammaExponent(level, c);
                    const Image ref = MapBytes(in, mask, [&](int, int v) { return RefGammaByte(v, g); });
                    const Image out = RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustGamma(s, c, level); });
                    EXPECT_IMAGE_EQ(out, ref) << "level " << level << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Invert

TEST(AdjustInvert, HalfCompletenessGivesMidGreyAndFullInverts) {
    const Image in = AllValuesImage();
    const Image half = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustInvert(s, 0.5); });
    EXPECT_IMAGE_EQ(half, MapBytes(in, false, [](int, int) { return std::uint8_t{127}; }));
    const Image full = RunOp(in, true, [](ImageSession& s) { return vtx::AdjustInvert(s, 1.0); });
    EXPECT_IMAGE_EQ(full, MapBytes(in, true, [](int, int v) { return std::uint8_t(255 - v); }));
}

TEST(AdjustInvert, MatchesReference) {
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 500 + sz.w);
        for (double c : {0.1, 0.3, 0.6, 0.99}) {
            for (bool mask : {false, true}) {
                const Image ref = MapBytes(in, mask, [&](int, int v) { return RefBlend(255 - v, v, c); });
                EXPECT_IMAGE_EQ(RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustInvert(s, c); }), ref);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Posterize

TEST(AdjustPosterize, TwoLevelsSplitAtHalfAndClampsOfLevels) {
    const Image in = AllValuesImage();
    auto run = [&](int levels) {
        return RunOp(in, false, [&](ImageSession& s) { return vtx::AdjustPosterize(s, 1.0, levels); });
    };
    const Image two = run(2);
    EXPECT_IMAGE_EQ(two, MapBytes(in, false, [](int, int v) { return std::uint8_t(v <= 127 ? 0 : 255); }));
    EXPECT_IMAGE_EQ(run(1), two);
    EXPECT_IMAGE_EQ(run(INT_MIN), two);
    EXPECT_IMAGE_EQ(run(1000), run(255));
    EXPECT_IMAGE_EQ(run(INT_MAX), run(255));
}

TEST(AdjustPosterize, FullLevelCountMovesOnly127) {
    const Image in = AllValuesImage();
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustPosterize(s, 1.0, 255); });
    EXPECT_IMAGE_EQ(out, MapBytes(in, false, [](int, int v) { return std::uint8_t(v == 127 ? 128 : v); }));
}

TEST(AdjustPosterize, MatchesReference) {
    const int levelsList[] = {2, 3, 4, 7, 16, 100, 254, 255};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 600 + sz.w * 3 + sz.h);
        for (int levels : levelsList) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image ref =
                        MapBytes(in, mask, [&](int, int v) { return RefPosterizeByte(v, levels, c); });
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustPosterize(s, c, levels); });
                    EXPECT_IMAGE_EQ(out, ref) << "levels " << levels << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Threshold

TEST(AdjustThreshold, PerChannelSplitAndUnclampedLevel) {
    const Image in = AllValuesImage();
    auto run = [&](int level, vtx::VariantBool grey) {
        return RunOp(in, false, [&](ImageSession& s) { return vtx::AdjustThreshold(s, 1.0, level, grey); });
    };
    EXPECT_IMAGE_EQ(run(128, 0), MapBytes(in, false, [](int, int v) { return std::uint8_t(v < 128 ? 0 : 255); }));
    // 1 is not the automation true value: no grey step.
    EXPECT_IMAGE_EQ(run(128, 1), run(128, 0));
    const Image allWhite = MapBytes(in, false, [](int, int) { return std::uint8_t{255}; });
    const Image allBlack = MapBytes(in, false, [](int, int) { return std::uint8_t{0}; });
    EXPECT_IMAGE_EQ(run(0, 0), allWhite);
    EXPECT_IMAGE_EQ(run(-5, 0), allWhite);
    EXPECT_IMAGE_EQ(run(INT_MIN, 0), allWhite);
    EXPECT_IMAGE_EQ(run(256, 0), allBlack);
    EXPECT_IMAGE_EQ(run(INT_MAX, 0), allBlack);
}

TEST(AdjustThreshold, GreyStepIgnoresMaskThresholdHonoursIt) {
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 700 + sz.w);
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
                EXPECT_EQ(out.pixel(n)[3], p[3]);
            }
        }
    }
}

TEST(AdjustThreshold, FullGreyThresholdGivesBlackOrWhitePixels) {
    const Image in = RandomImage(17, 9, 77, AlphaMix::Opaque);
    const Image out =
        RunOp(in, false, [](ImageSession& s) { return vtx::AdjustThreshold(s, 1.0, 100, vtx::kVariantTrue); });
    for (int n = 0; n < in.count(); ++n) {
        const std::uint8_t* p = in.pixel(n);
        const int v = RefGray(p[0], p[1], p[2]) < 100 ? 0 : 255;
        EXPECT_EQ(Bgr(out, n), std::vector<int>(3, v)) << n;
    }
}

TEST(AdjustThreshold, MatchesReference) {
    const int levels[] = {1, 64, 128, 200, 255};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 800 + sz.h);
        for (int level : levels) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image ref =
                        MapBytes(in, mask, [&](int, int v) { return RefBlend(v < level ? 0 : 255, v, c); });
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustThreshold(s, c, level, 0); });
                    EXPECT_IMAGE_EQ(out, ref) << "level " << level << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Temperature

TEST(AdjustTemperature, FullWarmthShiftsChannelsWithSaturation) {
    Image in = Uniform(2, 2, 100, 100, 100, 0);
    std::uint8_t* p = in.pixel(1);
    p[0] = 10;   // blue floors at 0
    p[1] = 252;  // green saturates
    p[2] = 240;  // red saturates
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustTemperature(s, 1.0, 100.0); });
    EXPECT_EQ(Bgr(out, 0), (std::vector<int>{80, 105, 130}));
    EXPECT_EQ(Bgr(out, 1), (std::vector<int>{0, 255, 255}));
    const Image cool = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustTemperature(s, 1.0, -100.0); });
    EXPECT_EQ(Bgr(cool, 0), (std::vector<int>{120, 95, 70}));
}

TEST(AdjustTemperature, NonFiniteAndOutOfRangeLevels) {
    const Image in = RandomImage(3, 5, 11);
    auto run = [&](double level) {
        return RunOp(in, true, [&](ImageSession& s) { return vtx::AdjustTemperature(s, 0.8, level); });
    };
    EXPECT_IMAGE_EQ(run(kNaN), in);  // NaN acts as 0
    EXPECT_IMAGE_EQ(run(kInf), run(100.0));
    EXPECT_IMAGE_EQ(run(-kInf), run(-100.0));
    EXPECT_IMAGE_EQ(run(12345.0), run(100.0));
}

TEST(AdjustTemperature, MatchesReference) {
    const double levels[] = {-100, -33.3, -1, 0.7, 25, 100};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 900 + sz.w);
        for (double level : levels) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const double t = c * level;
                    const Image ref = MapBytes(in, mask, [&](int ch, int v) {
                        const double shift = ch == 2 ? 0.3 * t : (ch == 1 ? 0.05 * t : -(0.2 * t));
                        return RefClampByte(v + shift);
                    });
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustTemperature(s, c, level); });
                    EXPECT_IMAGE_EQ(out, ref) << "level " << level << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Colorize

TEST(AdjustColorize, RedRampOnWhiteAndBlack) {
    Image in = Uniform(2, 2, 255, 255, 255, 0);
    in.pixel(2)[0] = in.pixel(2)[1] = in.pixel(2)[2] = 0;
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustColorize(s, 1.0, 255, 0, 0); });
    EXPECT_EQ(Bgr(out, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(Bgr(out, 2), (std::vector<int>{0, 0, 0}));
}

TEST(AdjustColorize, MatchesReferenceIncludingUnclampedColours) {
    struct Colour {
        int r, g, b;
    };
    const Colour colours[] = {{255, 0, 0}, {12, 200, 77}, {300, -40, 1000}, {INT_MAX, INT_MIN, -1}, {0, 0, 0}};
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 1000 + sz.w * 5 + sz.h);
        for (const Colour col : colours) {
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image out = RunOp(in, mask, [&](ImageSession& s) {
                        return vtx::AdjustColorize(s, c, col.r, col.g, col.b);
                    });
                    EXPECT_IMAGE_EQ(out, RefColorize(in, mask, c, col.r, col.g, col.b))
                        << col.r << " " << col.g << " " << col.b << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Channel swap

TEST(UtilitySwapChannels, ExchangesRedAndBlueAndTwiceRestores) {
    const Image in = RandomImage(17, 9, 21);
    const Image once = RunOp(in, true, [](ImageSession& s) { return vtx::UtilitySwapChannels(s, 2, 1, 0); });
    for (int n = 0; n < in.count(); ++n) {
        const std::uint8_t* p = in.pixel(n);
        EXPECT_EQ(Bgr(once, n), (std::vector<int>{p[2], p[1], p[0]}));
        EXPECT_EQ(once.pixel(n)[3], p[3]);
    }
    const Image twice = RunOp(once, false, [](ImageSession& s) { return vtx::UtilitySwapChannels(s, 2, 1, 0); });
    EXPECT_IMAGE_EQ(twice, in);
}

TEST(UtilitySwapChannels, EveryOrderAndIndicesOutOfRange) {
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 1100 + sz.w);
        for (int o0 = 0; o0 < 3; ++o0) {
            for (int o1 = 0; o1 < 3; ++o1) {
                for (int o2 = 0; o2 < 3; ++o2) {
                    const int order[3] = {o0, o1, o2};
                    Image ref = in;
                    for (int n = 0; n < ref.count(); ++n) {
                        for (int ch = 0; ch < 3; ++ch) ref.pixel(n)[ch] = in.pixel(n)[order[ch]];
                    }
                    const Image out = RunOp(in, false, [&](ImageSession& s) {
                        return vtx::UtilitySwapChannels(s, static_cast<std::uint8_t>(o0),
                                                        static_cast<std::uint8_t>(o1),
                                                        static_cast<std::uint8_t>(o2));
                    });
                    EXPECT_IMAGE_EQ(out, ref) << o0 << o1 << o2;
                }
            }
        }
        const int badOrders[][3] = {{3, 1, 0}, {0, 255, 1}, {2, 1, 3}};
        for (const auto& bad : badOrders) {
            const Outcome o = Apply(in, false, [&](ImageSession& s) {
                return vtx::UtilitySwapChannels(s, static_cast<std::uint8_t>(bad[0]),
                                                static_cast<std::uint8_t>(bad[1]),
                                                static_cast<std::uint8_t>(bad[2]));
            });
            EXPECT_EQ(o.rc, 0);
            EXPECT_IMAGE_EQ(o.image, in);
        }
    }
}

}  // namespace
}  // namespace vtx_test
