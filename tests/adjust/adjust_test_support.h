// Shared pieces of the colour-adjustment tests: small images, a runner that
// applies an operation through a session, and scalar references of the pixel
// arithmetic the operations are defined by (written independently of the
// implementation).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "session/image_session.h"

namespace vtx_test {

struct Image {
    int w = 0;
    int h = 0;
    std::vector<std::uint8_t> px;  // BGRA, stride 4·w

    Image() = default;
    Image(int width, int height) : w(width), h(height), px(static_cast<std::size_t>(4 * width * height), 0) {}
    int count() const { return w * h; }
    std::uint8_t* pixel(int n) { return px.data() + 4 * n; }
    const std::uint8_t* pixel(int n) const { return px.data() + 4 * n; }
    bool operator==(const Image& o) const { return w == o.w && h == o.h && px == o.px; }
    bool operator!=(const Image& o) const { return !(*this == o); }
};

// First differing byte, for readable failures.
inline std::string FirstDifference(const Image& a, const Image& b) {
    if (a.w != b.w || a.h != b.h) return "sizes differ";
    for (std::size_t i = 0; i < a.px.size(); ++i) {
        if (a.px[i] != b.px[i]) {
            return "pixel " + std::to_string(i / 4) + " byte " + std::to_string(i % 4) + ": " +
                   std::to_string(a.px[i]) + " vs " + std::to_string(b.px[i]);
        }
    }
    return "equal";
}

#define EXPECT_IMAGE_EQ(a, b) EXPECT_TRUE((a) == (b)) << ::vtx_test::FirstDifference((a), (b))

enum class AlphaMix {
    Zero,    // every alpha 0
    Mixed,   // 0, 255 and other values, in random order
};

inline Image RandomImage(int w, int h, std::uint32_t seed, AlphaMix alpha = AlphaMix::Mixed) {
    Image img(w, h);
    std::mt19937 rng(seed);
    for (int n = 0; n < img.count(); ++n) {
        std::uint8_t* p = img.pixel(n);
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(rng() & 0xFF);
        switch (alpha) {
            case AlphaMix::Zero: p[3] = 0; break;
            case AlphaMix::Mixed: {
                const std::uint32_t r = rng() % 4;
                p[3] = r == 0 ? 255 : (r == 1 ? static_cast<std::uint8_t>(1 + rng() % 254) : 0);
                break;
            }
        }
    }
    return img;
}

// 16 x 16 image in which each colour channel takes every byte value once:
// pixel n has blue n, green n + 85, red n + 170 (mod 256); alpha alternates
// between 0 and 255 in runs of varying length.
inline Image AllValuesImage() {
    Image img(16, 16);
    for (int n = 0; n < 256; ++n) {
        std::uint8_t* p = img.pixel(n);
        p[0] = static_cast<std::uint8_t>(n);
        p[1] = static_cast<std::uint8_t>(n + 85);
        p[2] = static_cast<std::uint8_t>(n + 170);
        p[3] = ((n / 3 + n / 7) % 2 == 0) ? 0 : 255;
    }
    return img;
}

using Operation = std::function<std::int32_t(vtx::ImageSession&)>;

// Sets a copy of `in` in a fresh session, applies `op` (expecting result 0)
// and reads the image back.
inline Image RunOp(const Image& in, bool mask, const Operation& op) {
    vtx::ImageSession s;
    EXPECT_EQ(s.SetImageCopy(in.px.data(), in.w, in.h), 0);
    s.setUseMask(mask ? vtx::kVariantTrue : vtx::kVariantFalse);
    EXPECT_EQ(op(s), 0);
    Image out(in.w, in.h);
    std::copy(s.pixels(), s.pixels() + in.px.size(), out.px.begin());
    return out;
}

// Applies f(channel, value) to the colour bytes of every pixel (channel 0
// blue, 1 green, 2 red).
inline Image MapBytes(const Image& in, const std::function<std::uint8_t(int, int)>& f) {
    Image out = in;
    for (int n = 0; n < out.count(); ++n) {
        for (int c = 0; c < 3; ++c) out.pixel(n)[c] = f(c, out.pixel(n)[c]);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Table-driven checks.

// An operation written as a call on session s: OP(AdjustInvert(s, 1.0)).
#define OP(call) [](::vtx::ImageSession& s) { return ::vtx::call; }
using WithCompleteness = std::function<std::int32_t(vtx::ImageSession&, double)>;
const Operation kNoChange = [](vtx::ImageSession&) { return 0; };

struct Bgr {
    int b, g, r;
};

// An image of at least 2 x 2 pixels cycling through `colours`, alpha 0.
inline Image FromColours(const std::vector<Bgr>& colours) {
    const int n = static_cast<int>(colours.size());
    Image img(2, std::max(2, (n + 1) / 2));
    for (int k = 0; k < img.count(); ++k) {
        const Bgr& c = colours[static_cast<std::size_t>(k % n)];
        img.pixel(k)[0] = static_cast<std::uint8_t>(c.b);
        img.pixel(k)[1] = static_cast<std::uint8_t>(c.g);
        img.pixel(k)[2] = static_cast<std::uint8_t>(c.r);
    }
    return img;
}

// Worked examples: these colours in give those colours out.
struct Worked {
    const char* name;
    Operation op;
    std::vector<Bgr> in, out;
};
inline void ExpectWorked(const std::vector<Worked>& cases) {
    for (const Worked& w : cases) {
        EXPECT_IMAGE_EQ(RunOp(FromColours(w.in), false, w.op), FromColours(w.out)) << w.name;
    }
}

// Worked examples on AllValuesImage(): every colour byte v becomes f(v).
struct ByteMap {
    const char* name;
    Operation op;
    std::function<int(int)> f;
};
inline void ExpectByteMaps(const std::vector<ByteMap>& cases) {
    const Image in = AllValuesImage();
    for (const ByteMap& m : cases) {
        const Image ref = MapBytes(in, [&](int, int v) { return static_cast<std::uint8_t>(m.f(v)); });
        EXPECT_IMAGE_EQ(RunOp(in, false, m.op), ref) << m.name;
    }
}

// Pairs of calls that must give the same image (parameter clamps, NaN).
struct Same {
    const char* name;
    Operation a, b;
};
inline void ExpectSame(const std::vector<Same>& cases, const Image& in) {
    for (const Same& c : cases) EXPECT_IMAGE_EQ(RunOp(in, false, c.a), RunOp(in, false, c.b)) << c.name;
}

// An operation at Completeness C beside its scalar reference.
struct RefCase {
    std::string name;
    WithCompleteness op;
    std::function<Image(const Image&, double)> ref;
};
inline void ExpectReferences(const std::vector<RefCase>& cases, const std::vector<Image>& images,
                             const std::vector<double>& comps = {0.0, 0.25, 0.5, 0.73, 1.0}) {
    for (const RefCase& rc : cases) {
        for (const Image& in : images) {
            for (double c : comps) {
                const Image out = RunOp(in, false, [&](vtx::ImageSession& s) { return rc.op(s, c); });
                EXPECT_IMAGE_EQ(out, rc.ref(in, c)) << rc.name << " C " << c << " " << in.w << "x" << in.h;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Scalar references.

// Truncation toward zero of a finite value.
inline long long Trunc(double x) { return static_cast<long long>(std::trunc(x)); }

// Byte clamp: below 0 → 0, above 255 → 255, else truncated; NaN → 0.
inline std::uint8_t RefClampByte(double x) {
    if (std::isnan(x) || x <= 0.0) return 0;
    if (x >= 255.0) return 255;
    return static_cast<std::uint8_t>(Trunc(x));
}

// trunc(C·f + (1 − C)·i)
inline std::uint8_t RefBlend(double f, int i, double c) {
    return static_cast<std::uint8_t>(Trunc(c * f + (1.0 - c) * i));
}

// a·b/c rounded to nearest, halves away from zero; -1 when c is 0 or the
// result lies outside (-2^31, 2^31).
inline std::int32_t RefMulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return -1;
    const long long n = static_cast<long long>(a) * b;
    long long q = n / c;
    const long long r = n % c;
    const long long absR = r < 0 ? -r : r;
    const long long absC = c < 0 ? -static_cast<long long>(c) : c;
    if (2 * absR >= absC) q += ((n < 0) != (c < 0)) ? -1 : 1;
    if (q >= 2147483648LL || q <= -2147483648LL) return -1;
    return static_cast<std::int32_t>(q);
}

// Divide-by-255 approximation of the composition primitive.
inline std::uint32_t RefDiv255(std::uint32_t x) { return (x + (x >> 8) + 1) >> 8; }

// Composition with constant opacities, alpha2 = 255: d(s1·a1) + d((255 − a1)·s2).
inline std::uint8_t RefCompose(int s1, int a1, int s2) {
    const std::uint32_t t2 = RefDiv255(static_cast<std::uint32_t>(s2) * 255u);
    return static_cast<std::uint8_t>(RefDiv255(static_cast<std::uint32_t>(s1 * a1)) +
                                     RefDiv255(static_cast<std::uint32_t>(255 - a1) * t2));
}

// Weighted grey value with the single-precision weights 0.11, 0.59, 0.30.
inline std::uint8_t RefGray(int b, int g, int r) {
    const float coeffs[3] = {0.11f, 0.59f, 0.30f};
    std::uint32_t w[3];
    for (int i = 0; i < 3; ++i) w[i] = static_cast<std::uint32_t>(Trunc(static_cast<double>(coeffs[i]) * 4096.0 + 0.5));
    return static_cast<std::uint8_t>((b * w[0] + g * w[1] + r * w[2]) >> 12);
}

constexpr double kHlsK = 0.003921568859368563;
constexpr double kHlsK360 = 0.0027777778450399637;
constexpr double kHlsK60 = 0.01666666753590107;
constexpr double kHlsHalf = 0.4999989867210388;

struct Bytes3 {
    int b0, b1, b2;
};

// 8-bit blue-green-red → hue, lightness, saturation.
inline Bytes3 RefBgrToHls(int b0, int b1, int b2) {
    const double B = b0 * kHlsK, G = b1 * kHlsK, R = b2 * kHlsK;
    const double M = std::max(B, std::max(G, R));
    const double N = std::min(B, std::min(G, R));
    const double D = M - N, S0 = M + N, L = S0 * 0.5;
    double H = 0.0, S = 0.0;
    if (D != 0.0) {
        S = (L <= 0.5) ? (1.0 / S0) * D : (1.0 / (2.0 - S0)) * D;
        const double q = 1.0 / D;
        if (R == M) {
            H = ((G - B) * 60.0) * q;
        } else if (G == M) {
            H = ((B - R) * 60.0) * q + 120.0;
        } else {
            H = ((R - G) * 60.0) * q + 240.0;
        }
        if (H < 0.0) H += 360.0;
    }
    return Bytes3{static_cast<int>(Trunc((H * 255.0) * kHlsK360 + kHlsHalf)), static_cast<int>(Trunc(L * 255.0 + kHlsHalf)),
                  static_cast<int>(Trunc(S * 255.0 + kHlsHalf))};
}

// 8-bit hue, lightness, saturation → red, green, blue (red first).
inline Bytes3 RefHlsToRgb(int b0, int b1, int b2) {
    const double h = (b0 * 360.0) * kHlsK, l = b1 * kHlsK, s = b2 * kHlsK;
    double red, green, blue;
    if (s == 0.0) {
        red = green = blue = l;
    } else {
        const double m2 = (l <= 0.5) ? (s + 1.0) * l : (l + s) - s * l;
        const double m1 = (l + l) - m2;
        auto f = [&](double x) {
            if (x < 60.0) return m1 + ((m2 - m1) * x) * kHlsK60;
            if (x < 180.0) return m2;
            if (x < 240.0) return m1 + ((m2 - m1) * (240.0 - x)) * kHlsK60;
            return m1;
        };
        double hr = h + 120.0;
        if (hr > 360.0) hr -= 360.0;
        double hb = h - 120.0;
        if (hb < 0.0) hb += 360.0;
        red = f(hr);
        green = f(h);
        blue = f(hb);
    }
    return Bytes3{static_cast<int>(Trunc(red * 255.0 + kHlsHalf)), static_cast<int>(Trunc(green * 255.0 + kHlsHalf)),
                  static_cast<int>(Trunc(blue * 255.0 + kHlsHalf))};
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The sizes the randomised comparisons run on.
struct Size {
    int w, h;
};
inline const std::vector<Size>& TestSizes() {
    static const std::vector<Size> sizes = {{2, 2}, {3, 5}, {17, 9}, {5, 2}};
    return sizes;
}
inline std::vector<Image> RandomImages(std::uint32_t seed) {
    std::vector<Image> images;
    for (const Size sz : TestSizes()) images.push_back(RandomImage(sz.w, sz.h, seed + 31 * sz.w + sz.h));
    return images;
}

}  // namespace vtx_test
