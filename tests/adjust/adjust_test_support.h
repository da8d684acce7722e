// Shared pieces of the colour-adjustment tests: the test images, the runner,
// and the arithmetic the operations are defined by, written from their
// definitions rather than from their code.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "adjust/adjust.h"

namespace vtx_test {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Image {
    int w = 0, h = 0;
    std::vector<std::uint8_t> px;  // BGRA, stride 4·w
    int count() const { return w * h; }
    std::uint8_t* pixel(int n) { return px.data() + 4 * n; }
    const std::uint8_t* pixel(int n) const { return px.data() + 4 * n; }
};

// Colour byte ch (0 blue, 1 green, 2 red) of pixel n is f(n, ch, r) for a
// random byte r; alpha is 0 for half the pixels, else 255 or another value.
inline Image MakeImage(int w, int h, std::uint32_t seed, const std::function<int(int, int, int)>& f) {
    Image img{w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(4 * w * h))};
    std::mt19937 rng(seed);
    for (int n = 0; n < w * h; ++n) {
        for (int ch = 0; ch < 3; ++ch) img.pixel(n)[ch] = static_cast<std::uint8_t>(f(n, ch, rng() & 255));
        const std::uint32_t a = rng() % 4;
        img.pixel(n)[3] = static_cast<std::uint8_t>(a < 2 ? 0 : (a == 2 ? 255 : 1 + rng() % 254));
    }
    return img;
}

// Nearly white: 4 of 72 colour bytes below 255, fewer than the autocontrast
// cut (5), and one in blue, fewer than the autolevels cut (2).
inline int NearlyWhite(int n, int ch) { return n == ch ? 100 + 40 * n : (n == 3 && ch == 2 ? 7 : 255); }

inline const std::vector<Image>& TestImages() {
    static const std::vector<Image> images = {
        MakeImage(16, 16, 1, [](int n, int ch, int) { return (n + 85 * ch) & 255; }),  // every value per channel
        MakeImage(17, 9, 2, [](int, int, int r) { return r; }),
        MakeImage(2, 2, 3, [](int, int, int r) { return r; }),
        MakeImage(5, 7, 4, [](int, int, int r) { return 120 + r % 5; }),
        MakeImage(6, 4, 5, [](int n, int ch, int) { return NearlyWhite(n, ch); }),
        MakeImage(6, 4, 6, [](int n, int ch, int) { return 255 - NearlyWhite(n, ch); }),
        MakeImage(3, 3, 7, [](int, int, int) { return 100; }),
        // Ties: red = green above blue (hue 60), and green = blue below red (hue 0).
        MakeImage(16, 8, 8, [](int n, int ch, int) { return (n % 2 ? ch < 2 : ch == 0) ? n * 7 % 200 : 200 + n % 56; }),
    };
    return images;
}

using Op = std::function<std::int32_t(vtx::ImageSession&, double)>;

// Sets a copy of `in`, applies op at Completeness c (expecting result 0) and
// reads the image back.
inline Image Apply(const Image& in, bool mask, double c, const Op& op) {
    vtx::ImageSession s;
    EXPECT_EQ(s.SetImageCopy(in.px.data(), in.w, in.h), 0);
    s.setUseMask(mask ? vtx::kVariantTrue : vtx::kVariantFalse);
    EXPECT_EQ(op(s, c), 0);
    return Image{in.w, in.h, std::vector<std::uint8_t>(s.pixels(), s.pixels() + in.px.size())};
}

// Reference of one pixel: writes the new colour bytes into p (which holds
// the old ones) for pixel n of `in` at the clamped Completeness c; `excluded`
// is true when UseMask is set and the pixel's alpha is not 0.
using Ref = std::function<void(const Image& in, int n, double c, bool excluded, std::uint8_t* p)>;

inline Ref PerByte(const std::function<int(int ch, int v, double c)>& f) {
    return [f](const Image&, int, double c, bool, std::uint8_t* p) {
        for (int ch = 0; ch < 3; ++ch) p[ch] = static_cast<std::uint8_t>(f(ch, p[ch], c));
    };
}

struct Case {
    std::string name;
    Op op;
    bool honoursMask;  // pixels the mask excludes keep their bytes
    Ref ref;
    std::int32_t withoutImage = 1;  // 0 where a no-change test comes first
};
// CASE(honoursMask, call on s at Completeness c, reference[, result without an image])
#define CASE(mask, call, ...) \
    Case { #call, [=](vtx::ImageSession& s, [[maybe_unused]] double c) { return vtx::call; }, mask, __VA_ARGS__ }

// The case with the argument values of its loop appended to its name.
template <class... T>
Case Named(Case k, T... values) {
    std::ostringstream o;
    o.precision(17);
    ((o << ' ' << values), ...);
    k.name += o.str();
    return k;
}

// Every case on every test image, with and without the mask, at Completeness
// values inside and outside [0, 1]; and its result without an image.
inline void ExpectReferences(const std::vector<Case>& cases) {
    for (const Case& k : cases) {
        vtx::ImageSession none;
        EXPECT_EQ(k.op(none, 1.0), k.withoutImage) << k.name;
        for (const Image& in : TestImages()) {
            for (double comp : {kNaN, -0.5, 0.3, 0.73, 1.0, 7.0}) {
                const double c = std::isnan(comp) ? 0.0 : std::clamp(comp, 0.0, 1.0);
                for (bool mask : {false, true}) {
                    Image want = in;
                    for (int n = 0; n < in.count(); ++n) {
                        const bool excluded = mask && in.pixel(n)[3] != 0;
                        if (!(excluded && k.honoursMask)) k.ref(in, n, c, excluded, want.pixel(n));
                    }
                    const std::vector<std::uint8_t> got = Apply(in, mask, comp, k.op).px;
                    const std::size_t i = std::mismatch(got.begin(), got.end(), want.px.begin()).first - got.begin();
                    ASSERT_EQ(i, got.size()) << k.name << " C " << comp << " mask " << mask << " " << in.w << "x"
                                             << in.h << " pixel " << i / 4 << " byte " << i % 4 << ": "
                                             << int{got[i]} << ", not " << int{want.px[i]};
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Arithmetic of the definitions.

// A strength argument: NaN acts as 0, other values are clamped to [lo, hi].
inline double Level(double v, double lo, double hi) { return std::isnan(v) ? 0.0 : std::clamp(v, lo, hi); }

// Colour value: below 0 → 0, above 255 → 255, else truncated; NaN → 0.
inline int ClampedByte(double x) { return std::isnan(x) || x < 0 ? 0 : (x > 255 ? 255 : static_cast<int>(x)); }

// trunc(C·f + (1 − C)·i)
inline int Blend(double f, int i, double c) { return static_cast<int>(std::trunc(c * f + (1 - c) * i)); }

// a·b/c rounded to nearest with halves away from zero, for c > 0; -1 when the
// result lies outside (-2^31, 2^31).
inline long long MulDiv(long long a, long long b, long long c) {
    const long long n = a * b, q = (2 * std::llabs(n) + c) / (2 * c) * (n < 0 ? -1 : 1);
    return std::llabs(q) >= (1LL << 31) ? -1 : q;
}

// Composition of s1 at opacity a1 over s2 at opacity 255.
inline int Compose(int s1, int a1, int s2) {
    auto d = [](std::uint32_t x) { return (x + (x >> 8) + 1) >> 8; };
    return static_cast<int>(d(static_cast<std::uint32_t>(s1 * a1)) + d(static_cast<std::uint32_t>((255 - a1) * s2)));
}

// Weighted grey value: weights 451, 2417 and 1229 of 4096 for blue, green, red.
inline int Gray(const std::uint8_t* p) { return (p[0] * 451 + p[1] * 2417 + p[2] * 1229) >> 12; }

}  // namespace vtx_test
