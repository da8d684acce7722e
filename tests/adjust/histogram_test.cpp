// Histogram adjustments: equalize, grayscale, autocontrast and autolevels:
// worked examples and references written from their definitions.
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
    return MapBytes(in, [&](int, int v) {
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

// Images whose colour bytes lie in [lo, hi].
Image RandomRange(int w, int h, std::uint32_t seed, int lo, int hi) {
    Image img = RandomImage(w, h, seed);
    for (int n = 0; n < img.count(); ++n) {
        for (int ch = 0; ch < 3; ++ch) img.pixel(n)[ch] = static_cast<std::uint8_t>(lo + img.pixel(n)[ch] % (hi - lo + 1));
    }
    return img;
}

TEST(HistogramAdjust, WorkedValues) {
    ExpectWorked({
        // 32400 / 128 = 253.1
        {"Equalize", OP(AdjustEqualize(s, 1.0)), {{128, 64, 200}, {181, 180, 0}}, {{128, 32, 255}, {255, 253, 0}}},
        {"Grayscale luminance", OP(AdjustGrayscale(s, 1.0, 0)), {{0, 0, 255}}, {{76, 76, 76}}},
        {"Grayscale lightness", OP(AdjustGrayscale(s, 1.0, vtx::kVariantTrue)), {{0, 0, 255}}, {{128, 128, 128}}},
        // 1 is not the automation true value: luminance, not lightness.
        {"Grayscale 1", OP(AdjustGrayscale(s, 1.0, 1)), {{0, 0, 255}}, {{76, 76, 76}}},
        {"Grayscale white", OP(AdjustGrayscale(s, 1.0, 0)), {{255, 255, 255}}, {{255, 255, 255}}},
        {"Autocontrast uniform", OP(AdjustAutocontrast(s, 1.0)), {{100, 100, 100}}, {{0, 0, 0}}},
        // lo = 1, hi = 255 in every channel: (v - 1)·255/254, clamped.
        {"Autolevels 2x2", OP(AdjustAutolevels(s, 1.0)), {{0, 1, 255}, {1, 0, 128}, {255, 90, 0}, {60, 255, 1}},
         {{0, 0, 255}, {0, 0, 127}, {255, 89, 0}, {59, 255, 0}}},
    });
}

TEST(HistogramAdjust, MatchReferences) {
    const std::vector<double> comps = {0.0, 0.2, 0.5, 0.81, 1.0};
    ExpectReferences(
        {
            {"Equalize", [](ImageSession& s, double c) { return vtx::AdjustEqualize(s, c); }, RefEqualize},
            {"Grayscale luminance", [](ImageSession& s, double c) { return vtx::AdjustGrayscale(s, c, 0); },
             [](const Image& in, double c) { return RefGrayscale(in, c, false); }},
            {"Grayscale lightness",
             [](ImageSession& s, double c) { return vtx::AdjustGrayscale(s, c, vtx::kVariantTrue); },
             [](const Image& in, double c) { return RefGrayscale(in, c, true); }},
        },
        RandomImages(2000), comps);

    std::vector<Image> images;
    for (const Size sz : TestSizes()) {
        Image skewed = RandomImage(sz.w, sz.h, 2500 + sz.w);
        for (int n = 0; n < skewed.count(); ++n) {
            skewed.pixel(n)[0] = static_cast<std::uint8_t>(skewed.pixel(n)[0] / 4);         // dark blue
            skewed.pixel(n)[1] = static_cast<std::uint8_t>(255 - skewed.pixel(n)[1] / 8);  // bright green
        }
        for (const Image& img : {RandomImage(sz.w, sz.h, 2200 + sz.w), skewed, MapBytes(Image(sz.w, sz.h), [](int ch, int) { return std::uint8_t(ch == 0 ? 0 : (ch == 1 ? 255 : 7)); }),
                                 RandomRange(sz.w, sz.h, 2300 + sz.h, 40, 90), RandomRange(sz.w, sz.h, 2400, 250, 255),
                                 RandomRange(sz.w, sz.h, 2700, 120, 124)}) {
            images.push_back(img);
        }
    }
    ExpectReferences(
        {
            {"Autocontrast", [](ImageSession& s, double c) { return vtx::AdjustAutocontrast(s, c); },
             [](const Image& in, double c) {
                 const Cut cut = RefAutocontrastCut(in);
                 return MapBytes(in, [&](int, int v) { return RefStretch(v, cut, c); });
             }},
            {"Autolevels", [](ImageSession& s, double c) { return vtx::AdjustAutolevels(s, c); },
             [](const Image& in, double c) {
                 const Cut cuts[3] = {RefAutolevelsCut(in, 0), RefAutolevelsCut(in, 1), RefAutolevelsCut(in, 2)};
                 return MapBytes(in, [&](int ch, int v) { return RefStretch(v, cuts[ch], c); });
             }},
        },
        images, comps);
}

}  // namespace
}  // namespace vtx_test
