// Histogram adjustments: equalize, grayscale, autocontrast and autolevels
// against references written from their definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "adjust/adjust.h"
#include "adjust_test_support.h"

namespace vtx_test {
namespace {

using vtx::ImageSession;

// ---------------------------------------------------------------------------
// References

Image RefEqualize(const Image& in, double c) {
    const int a1 = static_cast<int>(Trunc(255.0 * c));
    return MapBytes(in, false, [&](int, int v) {
        const int sq = std::min(255, (v * v + 63) >> 7);
        return RefCompose(sq, a1, v);
    });
}

Image RefGrayscale(const Image& in, double c, bool lightness) {
    const int a1 = static_cast<int>(Trunc(255.0 * (1.0 - c)));
    Image out = in;
    for (int n = 0; n < out.count(); ++n) {
        std::uint8_t* p = out.pixel(n);
        const int grey = lightness ? RefBgrToHls(p[0], p[1], p[2]).b1 : RefGray(p[0], p[1], p[2]);
        for (int ch = 0; ch < 3; ++ch) p[ch] = RefCompose(p[ch], a1, grey);
    }
    return out;
}

struct Cut {
    int lo, hi;
};

// One stretch for all three channels.
Cut RefAutocontrastCut(const Image& in) {
    long long h[256] = {};
    for (int n = 0; n < in.count(); ++n) {
        for (int ch = 0; ch < 3; ++ch) ++h[in.pixel(n)[ch]];
    }
    const long long thr = RefMulDiv(4 * in.count(), 5, 100);
    int lo = 0, hi = 0;
    long long s = 0;
    for (int k = 0; k <= 255; ++k) {
        if (s >= thr) {
            lo = k;
            break;
        }
        s += h[k];
    }
    s = 0;
    for (int k = 255; k >= 0; --k) {
        if (s >= thr) {
            hi = k;
            break;
        }
        s += h[k];
    }
    return Cut{lo, hi};
}

// Per channel; the searches run over every k, testing the running sum
// before adding h[k], and keep the first k found that is not 0.
Cut RefAutolevelsCut(const Image& in, int ch) {
    long long h[256] = {};
    for (int n = 0; n < in.count(); ++n) ++h[in.pixel(n)[ch]];
    const long long thr = RefMulDiv(4 * in.count() / 3, 5, 100);
    int lo = 0, hi = 0;
    long long s = 0;
    for (int k = 0; k <= 255; ++k) {
        if (lo == 0 && s >= thr) lo = k;
        s += h[k];
    }
    s = 0;
    for (int k = 255; k >= 0; --k) {
        if (hi == 0 && s >= thr) hi = k;
        s += h[k];
    }
    return Cut{lo, hi};
}

std::uint8_t RefStretch(int v, Cut cut, double c) {
    const int lo = std::min(cut.lo, 254);
    const int hi = cut.hi <= lo + 1 ? lo + 1 : cut.hi;
    const double g = RefClampByte(((v - lo) * 255.0) / (hi - lo));
    return RefBlend(g, v, c);
}

const double kCompletenessSamples[] = {0.0, 0.2, 0.5, 0.81, 1.0};

// Images whose colour bytes lie in [lo, hi].
Image RandomRange(int w, int h, std::uint32_t seed, int lo, int hi) {
    Image img = RandomImage(w, h, seed);
    for (int n = 0; n < img.count(); ++n) {
        for (int ch = 0; ch < 3; ++ch) img.pixel(n)[ch] = static_cast<std::uint8_t>(lo + img.pixel(n)[ch] % (hi - lo + 1));
    }
    return img;
}

// ---------------------------------------------------------------------------
// Equalize

TEST(AdjustEqualize, SquaringCurveWorkedValues) {
    Image in = Uniform(2, 2, 128, 64, 200, 33);
    in.pixel(1)[0] = 181;
    in.pixel(1)[1] = 180;
    in.pixel(1)[2] = 0;
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustEqualize(s, 1.0); });
    EXPECT_EQ(out.pixel(0)[0], 128);
    EXPECT_EQ(out.pixel(0)[1], 32);
    EXPECT_EQ(out.pixel(0)[2], 255);
    EXPECT_EQ(out.pixel(1)[0], 255);
    EXPECT_EQ(out.pixel(1)[1], 253);  // 32400 / 128 = 253.1
    EXPECT_EQ(out.pixel(1)[2], 0);
    EXPECT_EQ(out.pixel(0)[3], 33);
    EXPECT_IMAGE_EQ(RunOp(in, false, [](ImageSession& s) { return vtx::AdjustEqualize(s, 0.0); }), in);
}

TEST(AdjustEqualize, MatchesReferenceAndIgnoresMask) {
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 2000 + sz.w * 3 + sz.h);
        for (double c : kCompletenessSamples) {
            for (bool mask : {false, true}) {
                const Image out = RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustEqualize(s, c); });
                EXPECT_IMAGE_EQ(out, RefEqualize(in, c)) << "C " << c << " mask " << mask;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Grayscale

TEST(AdjustGrayscale, RedPixelWorkedValues) {
    const Image red = Uniform(2, 2, 0, 0, 255, 9);
    const Image luminance = RunOp(red, false, [](ImageSession& s) { return vtx::AdjustGrayscale(s, 1.0, 0); });
    const Image lightness =
        RunOp(red, false, [](ImageSession& s) { return vtx::AdjustGrayscale(s, 1.0, vtx::kVariantTrue); });
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(luminance.pixel(n)[0], 76);
        EXPECT_EQ(luminance.pixel(n)[1], 76);
        EXPECT_EQ(luminance.pixel(n)[2], 76);
        EXPECT_EQ(lightness.pixel(n)[0], 128);
        EXPECT_EQ(lightness.pixel(n)[1], 128);
        EXPECT_EQ(lightness.pixel(n)[2], 128);
        EXPECT_EQ(luminance.pixel(n)[3], 9);
        EXPECT_EQ(lightness.pixel(n)[3], 9);
    }
    // 1 is not the automation true value: luminance, not lightness.
    EXPECT_IMAGE_EQ(RunOp(red, false, [](ImageSession& s) { return vtx::AdjustGrayscale(s, 1.0, 1); }), luminance);
    const Image white = Uniform(3, 2, 255, 255, 255, 0);
    EXPECT_IMAGE_EQ(RunOp(white, false, [](ImageSession& s) { return vtx::AdjustGrayscale(s, 1.0, 0); }), white);
}

TEST(AdjustGrayscale, ZeroCompletenessLeavesImage) {
    const Image in = RandomImage(17, 9, 31);
    for (vtx::VariantBool d : {vtx::VariantBool{0}, vtx::kVariantTrue}) {
        EXPECT_IMAGE_EQ(RunOp(in, false, [&](ImageSession& s) { return vtx::AdjustGrayscale(s, 0.0, d); }), in);
    }
}

TEST(AdjustGrayscale, MatchesReferenceAndIgnoresMask) {
    for (const Size sz : TestSizes()) {
        const Image in = RandomImage(sz.w, sz.h, 2100 + sz.w * 3 + sz.h);
        for (double c : kCompletenessSamples) {
            for (bool mask : {false, true}) {
                for (bool lightness : {false, true}) {
                    const vtx::VariantBool d = lightness ? vtx::kVariantTrue : vtx::kVariantFalse;
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustGrayscale(s, c, d); });
                    EXPECT_IMAGE_EQ(out, RefGrayscale(in, c, lightness))
                        << "C " << c << " mask " << mask << " lightness " << lightness;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Autocontrast

TEST(AdjustAutocontrast, UniformImageCollapsesToBlack) {
    for (const Size sz : {Size{3, 1 + 1}, Size{2, 2}, Size{17, 9}}) {
        const Image in = Uniform(sz.w, sz.h, 100, 100, 100, 4);
        const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustAutocontrast(s, 1.0); });
        EXPECT_IMAGE_EQ(out, Uniform(sz.w, sz.h, 0, 0, 0, 4));
        const Cut cut = RefAutocontrastCut(in);
        EXPECT_EQ(cut.lo, 101);
        EXPECT_EQ(cut.hi, 99);  // raised to lo + 1 = 102 by the stretch
    }
}

TEST(AdjustAutocontrast, NarrowRangeSpreadsOut) {
    const Image in = RandomRange(17, 9, 41, 50, 200);
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustAutocontrast(s, 1.0); });
    int minOut = 255, maxOut = 0;
    for (int n = 0; n < out.count(); ++n) {
        for (int ch = 0; ch < 3; ++ch) {
            minOut = std::min<int>(minOut, out.pixel(n)[ch]);
            maxOut = std::max<int>(maxOut, out.pixel(n)[ch]);
        }
    }
    EXPECT_EQ(minOut, 0);
    EXPECT_EQ(maxOut, 255);
}

TEST(AdjustAutocontrast, MatchesReferenceAndCountsMaskedPixels) {
    for (const Size sz : TestSizes()) {
        const Image images[] = {RandomImage(sz.w, sz.h, 2200 + sz.w), RandomRange(sz.w, sz.h, 2300 + sz.h, 40, 90),
                                RandomRange(sz.w, sz.h, 2400, 250, 255)};
        for (const Image& in : images) {
            const Cut cut = RefAutocontrastCut(in);
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image ref = MapBytes(in, mask, [&](int, int v) { return RefStretch(v, cut, c); });
                    const Image out =
                        RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustAutocontrast(s, c); });
                    EXPECT_IMAGE_EQ(out, ref) << "C " << c << " mask " << mask;
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Autolevels

TEST(AdjustAutolevels, TwoByTwoHasNoCut) {
    Image in(2, 2);
    const std::uint8_t bytes[4][4] = {{0, 1, 255, 0}, {1, 0, 128, 255}, {255, 90, 0, 0}, {60, 255, 1, 17}};
    for (int n = 0; n < 4; ++n) std::copy(bytes[n], bytes[n] + 4, in.pixel(n));
    const Image out = RunOp(in, false, [](ImageSession& s) { return vtx::AdjustAutolevels(s, 1.0); });
    // lo = 1, hi = 255 in every channel: (v − 1)·255/254, clamped.
    const std::uint8_t expected[4][4] = {{0, 0, 255, 0}, {0, 0, 127, 255}, {255, 89, 0, 0}, {59, 255, 0, 17}};
    for (int n = 0; n < 4; ++n) {
        for (int b = 0; b < 4; ++b) EXPECT_EQ(out.pixel(n)[b], expected[n][b]) << n << " " << b;
    }
    for (int ch = 0; ch < 3; ++ch) {
        const Cut cut = RefAutolevelsCut(in, ch);
        EXPECT_EQ(cut.lo, 1);
        EXPECT_EQ(cut.hi, 255);
    }
}

TEST(AdjustAutolevels, MatchesReferencePerChannel) {
    for (const Size sz : TestSizes()) {
        Image skewed = RandomRange(sz.w, sz.h, 2500 + sz.w, 0, 255);
        for (int n = 0; n < skewed.count(); ++n) {
            skewed.pixel(n)[0] = static_cast<std::uint8_t>(skewed.pixel(n)[0] / 4);         // dark blue
            skewed.pixel(n)[1] = static_cast<std::uint8_t>(255 - skewed.pixel(n)[1] / 8);  // bright green
        }
        const Image images[] = {RandomImage(sz.w, sz.h, 2600 + sz.h), skewed, Uniform(sz.w, sz.h, 0, 255, 7, 0),
                                RandomRange(sz.w, sz.h, 2700, 120, 124)};
        for (const Image& in : images) {
            const Cut cuts[3] = {RefAutolevelsCut(in, 0), RefAutolevelsCut(in, 1), RefAutolevelsCut(in, 2)};
            for (double c : kCompletenessSamples) {
                for (bool mask : {false, true}) {
                    const Image ref = MapBytes(in, mask, [&](int ch, int v) { return RefStretch(v, cuts[ch], c); });
                    const Image out = RunOp(in, mask, [&](ImageSession& s) { return vtx::AdjustAutolevels(s, c); });
                    EXPECT_IMAGE_EQ(out, ref) << sz.w << "x" << sz.h << " C " << c << " mask " << mask;
                }
            }
        }
    }
}

}  // namespace
}  // namespace vtx_test
