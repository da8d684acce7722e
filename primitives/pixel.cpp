// Pixel, channel and colour primitives: argument checks, the dispatch table
// and the plain row kernels.
//
// Conventions of the plain kernels (the reference for every other level):
// - A kernel walks its n pixels strictly in order and finishes each pixel
//   (all reads, then all writes) before the next, so a destination equal to a
//   source gives the same result as separate buffers. There is no tail case:
//   every pixel takes the same path.
// - AC4 kernels read and write bytes 0..2 of a pixel only; byte 3 of the
//   destination is never stored to.
// - Integer results are exact; rounding happens only where the scale factor
//   (ScaleSfsToByte: ties to even, then saturation) or a stated
//   truncation says so. Floating point is double precision throughout, with
//   the single-precision constants used at their single-precision value, and
//   every double-to-integer conversion goes through TruncToInt32.
// - 16-bit and float samples are moved with memcpy, so no step or pointer
//   alignment can make an access misaligned.
#include "primitives/pixel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "primitives/pixel_kernels.h"

namespace vtx::px::pixel {

namespace {

// Divide by 255 for products of two bytes: exact for every (x·255)/255 and
// within one of x/255 otherwise. Unsigned 32-bit arithmetic.
inline std::uint32_t Div255(std::uint32_t x) {
    return (x + (x >> 8) + 1) >> 8;
}

inline std::int16_t LoadS16(const U8* p) {
    std::int16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StoreS16(U8* p, std::int16_t v) {
    std::memcpy(p, &v, sizeof v);
}

inline U8 ClampS16ToByte(std::int16_t v) {
    return static_cast<U8>(v <= 0 ? 0 : (v >= 255 ? 255 : v));
}

// Single-precision constants of the colour-space conversions, used as doubles.
constexpr double kInv255 = static_cast<double>(0.003921568859368563f);  // nearest float to 1/255
constexpr double kInv360 = static_cast<double>(0.0027777778450399637f); // nearest float to 1/360
constexpr double kInv60 = static_cast<double>(0.01666666753590107f);    // nearest float to 1/60
constexpr double kRoundOffset = static_cast<double>(0.4999989867210388f);

inline U8 RoundColour(double x) {
    // The argument lies in 0 .. 255.5 for every input byte; the clamp only
    // keeps the conversion to a byte defined.
    return SaturateToByte(TruncToInt32(x * 255.0 + kRoundOffset));
}

}  // namespace

void CopyAC4_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        const U8 b0 = src[4 * i], b1 = src[4 * i + 1], b2 = src[4 * i + 2];
        dst[4 * i] = b0;
        dst[4 * i + 1] = b1;
        dst[4 * i + 2] = b2;
    }
}

void CopyC1C4_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) dst[4 * i] = src[i];
}

void CopyC4C1_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) dst[i] = src[4 * i];
}

void CopyP4C4_plain(const U8* p0, const U8* p1, const U8* p2, const U8* p3, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        dst[4 * i] = p0[i];
        dst[4 * i + 1] = p1[i];
        dst[4 * i + 2] = p2[i];
        dst[4 * i + 3] = p3[i];
    }
}

void CopyC1_plain(const U8* src, U8* dst, Count n) {
    if (n > 0 && src != dst) std::memmove(dst, src, static_cast<std::size_t>(n));
}

void SetC1_plain(U8 value, U8* dst, Count n) {
    if (n > 0) std::memset(dst, value, static_cast<std::size_t>(n));
}

void SetAC4_plain(const U8 value[3], U8* dst, Count n) {
    const U8 v0 = value[0], v1 = value[1], v2 = value[2];
    for (Count i = 0; i < n; ++i) {
        dst[4 * i] = v0;
        dst[4 * i + 1] = v1;
        dst[4 * i + 2] = v2;
    }
}

void SetC4_plain(const U8 value[4], U8* dst, Count n) {
    U8 px[4];
    std::memcpy(px, value, 4);
    for (Count i = 0; i < n; ++i) std::memcpy(dst + 4 * i, px, 4);
}

void Convert8u16sC1_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) StoreS16(dst + 2 * i, static_cast<std::int16_t>(src[i]));
}

void Convert8u16sAC4_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) StoreS16(dst + 8 * i + 2 * c, static_cast<std::int16_t>(src[4 * i + c]));
    }
}

void Convert16s8uC1_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) dst[i] = ClampS16ToByte(LoadS16(src + 2 * i));
}

void Convert16s8uAC4_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) dst[4 * i + c] = ClampS16ToByte(LoadS16(src + 8 * i + 2 * c));
    }
}

void AddC_plain(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor) {
    for (Count i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            U8& v = srcDst[4 * i + c];
            v = ScaleSfsToByte(std::int64_t{v} + value[c], scaleFactor);
        }
    }
}

void SubC_plain(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor) {
    for (Count i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            U8& v = srcDst[4 * i + c];
            v = ScaleSfsToByte(std::int64_t{v} - value[c], scaleFactor);
        }
    }
}

void Add_plain(const U8* src1, const U8* src2, U8* dst, Count n, std::int32_t scaleFactor) {
    for (Count i = 0; i < n; ++i) {
        U8 r[3];
        for (int c = 0; c < 3; ++c) {
            r[c] = ScaleSfsToByte(std::int64_t{src1[4 * i + c]} + src2[4 * i + c], scaleFactor);
        }
        for (int c = 0; c < 3; ++c) dst[4 * i + c] = r[c];
    }
}

void Sqr_plain(const U8* src, U8* dst, U8* tmp, Count n, std::int32_t scaleFactor) {
    // All four bytes are squared into the scratch row; only bytes 0..2 of
    // each pixel then go to the destination.
    for (Count j = 0; j < 4 * n; ++j) {
        const std::int64_t v = src[j];
        tmp[j] = ScaleSfsToByte(v * v, scaleFactor);
    }
    CopyAC4_plain(tmp, dst, n);
}

void SumRow_plain(const U8* src, Count n, std::uint32_t sums[3]) {
    std::uint32_t s0 = 0, s1 = 0, s2 = 0;
    for (Count i = 0; i < n; ++i) {
        s0 += src[4 * i];
        s1 += src[4 * i + 1];
        s2 += src[4 * i + 2];
    }
    sums[0] += s0;
    sums[1] += s1;
    sums[2] += s2;
}

void MinRow_plain(const U8* src, Count n, U8 min[3]) {
    U8 m0 = min[0], m1 = min[1], m2 = min[2];
    for (Count i = 0; i < n; ++i) {
        m0 = std::min(m0, src[4 * i]);
        m1 = std::min(m1, src[4 * i + 1]);
        m2 = std::min(m2, src[4 * i + 2]);
    }
    min[0] = m0;
    min[1] = m1;
    min[2] = m2;
}

void Lut_plain(const U8* src, U8* dst, Count n, const ChannelTable* tables) {
    for (Count i = 0; i < n; ++i) {
        const U8 r0 = tables[0][src[4 * i]];
        const U8 r1 = tables[1][src[4 * i + 1]];
        const U8 r2 = tables[2][src[4 * i + 2]];
        dst[4 * i] = r0;
        dst[4 * i + 1] = r1;
        dst[4 * i + 2] = r2;
    }
}

void LutSkipAlpha_plain(const U8* src, U8* dst, Count n, const ChannelTable* tables) {
    for (Count i = 0; i < n; ++i) {
        if (src[4 * i + 3] != 0) continue;
        const U8 r0 = tables[0][src[4 * i]];
        const U8 r1 = tables[1][src[4 * i + 1]];
        const U8 r2 = tables[2][src[4 * i + 2]];
        dst[4 * i] = r0;
        dst[4 * i + 1] = r1;
        dst[4 * i + 2] = r2;
    }
}

void Threshold_plain(U8* srcDst, Count n, float thresholdLT, float valueLT, float thresholdGT,
                     float valueGT) {
    // Comparisons with NaN are false: a NaN sample is kept, and a NaN
    // threshold replaces nothing.
    for (Count i = 0; i < n; ++i) {
        float v;
        std::memcpy(&v, srcDst + 4 * i, 4);
        if (v < thresholdLT) {
            std::memcpy(srcDst + 4 * i, &valueLT, 4);
        } else if (v > thresholdGT) {
            std::memcpy(srcDst + 4 * i, &valueGT, 4);
        }
    }
}

void AlphaComp_plain(const U8* src1, U8 alpha1, const U8* src2, U8 alpha2, U8* dst, Count n,
                     std::int32_t alphaType) {
    // Types 0..5 take straight colours and scale them by the constant
    // opacities first; 6..11 are the same operations on colours that are
    // already premultiplied. With t1, t2 the premultiplied colours and
    // d() the divide-by-255 above:
    //   0 over  t1 + d((255 − α1)·t2)      3 atop  d(t1·α2) + d(t2·(255 − α1))
    //   1 in    d(t1·α2)                   4 xor   d(t1·(255 − α2)) + d(t2·(255 − α1))
    //   2 out   d(t1·(255 − α2))           5 plus  t1 + t2
    // Results are saturated to 255; type 0 never exceeds it.
    const std::uint32_t a1 = alpha1, a2 = alpha2;
    const bool premultiplied = alphaType >= 6;
    const std::int32_t op = alphaType % 6;
    for (Count i = 0; i < n; ++i) {
        U8 r[3];
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t s1 = src1[4 * i + c], s2 = src2[4 * i + c];
            const std::uint32_t t1 = premultiplied ? s1 : Div255(s1 * a1);
            const std::uint32_t t2 = premultiplied ? s2 : Div255(s2 * a2);
            std::uint32_t v;
            switch (op) {
                case 0: v = t1 + Div255((255 - a1) * t2); break;
                case 1: v = Div255(t1 * a2); break;
                case 2: v = Div255(t1 * (255 - a2)); break;
                case 3: v = Div255(t1 * a2) + Div255(t2 * (255 - a1)); break;
                case 4: v = Div255(t1 * (255 - a2)) + Div255(t2 * (255 - a1)); break;
                default: v = t1 + t2; break;
            }
            r[c] = static_cast<U8>(std::min<std::uint32_t>(v, 255));
        }
        for (int c = 0; c < 3; ++c) dst[4 * i + c] = r[c];
    }
}

void ColorToGray_plain(const U8* src, U8* dst, Count n, const std::uint32_t weights[3]) {
    // Unsigned 32-bit sum, shifted by 12; the low 8 bits are stored without
    // a clamp (weights summing above 4096 wrap).
    const std::uint32_t w0 = weights[0], w1 = weights[1], w2 = weights[2];
    for (Count i = 0; i < n; ++i) {
        const std::uint32_t g = (src[4 * i] * w0 + src[4 * i + 1] * w1 + src[4 * i + 2] * w2) >> 12;
        dst[i] = static_cast<U8>(g & 0xFF);
    }
}

void BgrToHls_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        const double B = src[4 * i] * kInv255;
        const double G = src[4 * i + 1] * kInv255;
        const double R = src[4 * i + 2] * kInv255;
        const double M = std::max(B, std::max(G, R));
        const double N = std::min(B, std::min(G, R));
        const double D = M - N;
        const double sum = M + N;
        const double L = sum * 0.5;
        double H = 0.0, S = 0.0;
        if (D != 0.0) {
            S = (L <= 0.5) ? (1.0 / sum) * D : (1.0 / (2.0 - sum)) * D;
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
        const U8 h = SaturateToByte(TruncToInt32((H * 255.0) * kInv360 + kRoundOffset));
        const U8 l = RoundColour(L);
        const U8 s = RoundColour(S);
        dst[4 * i] = h;
        dst[4 * i + 1] = l;
        dst[4 * i + 2] = s;
    }
}

void HlsToRgb_plain(const U8* src, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        const double h = (src[4 * i] * 360.0) * kInv255;
        const double l = src[4 * i + 1] * kInv255;
        const double s = src[4 * i + 2] * kInv255;
        double red = l, green = l, blue = l;
        if (s != 0.0) {
            const double m2 = (l <= 0.5) ? (s + 1.0) * l : (l + s) - s * l;
            const double m1 = (l + l) - m2;
            const auto f = [m1, m2](double x) {
                if (x < 60.0) return m1 + ((m2 - m1) * x) * kInv60;
                if (x < 180.0) return m2;
                if (x < 240.0) return m1 + ((m2 - m1) * (240.0 - x)) * kInv60;
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
        const U8 r = RoundColour(red), g = RoundColour(green), b = RoundColour(blue);
        dst[4 * i] = r;
        dst[4 * i + 1] = g;
        dst[4 * i + 2] = b;
    }
}

void AddSubC_plain(const U8 add[3], const U8 sub[3], U8* srcDst, Count n) {
    for (Count i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            U8& v = srcDst[4 * i + c];
            const int up = std::min(255, v + add[c]);
            v = static_cast<U8>(std::max(0, up - sub[c]));
        }
    }
}

void Lightness_plain(const U8* src, U8* dst, Count n) {
    // The lightness byte of BgrToHls_plain, without hue and saturation.
    for (Count i = 0; i < n; ++i) {
        const double B = src[4 * i] * kInv255;
        const double G = src[4 * i + 1] * kInv255;
        const double R = src[4 * i + 2] * kInv255;
        const double M = std::max(B, std::max(G, R));
        const double N = std::min(B, std::min(G, R));
        dst[i] = RoundColour((M + N) * 0.5);
    }
}

void SwapChannels_plain(const U8* src, U8* dst, Count n, const std::int32_t order[3]) {
    // Byte by byte in channel order: an overlapping destination sees its own
    // earlier writes (callers pass separate buffers).
    const std::int32_t o0 = order[0], o1 = order[1], o2 = order[2];
    for (Count i = 0; i < n; ++i) {
        dst[4 * i] = src[4 * i + o0];
        dst[4 * i + 1] = src[4 * i + o1];
        dst[4 * i + 2] = src[4 * i + o2];
    }
}

namespace {

// Hue rotation works in single precision: components in 0..1, hue in degrees.
struct HlsF {
    float h, l, s;
};
struct RgbF {
    float r, g, b;
};

HlsF RgbToHlsF(float r, float g, float b) {
    float largest, smallest;
    int which;  // 0 red, 1 green, 2 blue
    if (r > g) {
        largest = r > b ? r : b;
        which = r > b ? 0 : 2;
        smallest = (g < b) ? g : b;
    } else {
        largest = g > b ? g : b;
        which = g > b ? 1 : 2;
        smallest = (r < b) ? r : b;
    }
    const float sum = largest + smallest;
    const float l = sum * 0.5f;
    const float d = largest - smallest;
    if (std::fabs(d) < 0.00001f) return HlsF{0.0f, l, 0.0f};
    const float s = (l < 0.5f) ? d / sum : d / (2.0f - largest - smallest);
    const float h0 = which == 0 ? (g - b) / d : (which == 1 ? (b - r) / d + 2.0f : (r - g) / d + 4.0f);
    float h = h0 * 60.0f;
    if (h < 0.0f) h = h + 360.0f;
    if (h > 360.0f) h = h - 360.0f;
    return HlsF{h, l, s};
}

float HueToValueF(float m1, float m2, float hue) {
    if (hue > 360.0f) {
        hue = hue - 360.0f;
    } else if (hue < 0.0f) {
        hue = hue + 360.0f;
    }
    constexpr float kOneSixtieth = 0.016666668f;
    if (hue < 60.0f) return m1 + (m2 - m1) * (hue * kOneSixtieth);
    if (hue < 180.0f) return m2;
    if (hue < 240.0f) return m1 + (m2 - m1) * (240.0f - hue) * kOneSixtieth;
    return m1;
}

RgbF HlsToRgbF(float h, float l, float s) {
    if (std::fabs(s) < 0.00001f) return RgbF{l, l, l};
    const float m2 = (l < 0.5f) ? (1.0f + s) * l : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    return RgbF{HueToValueF(m1, m2, h + 120.0f), HueToValueF(m1, m2, h), HueToValueF(m1, m2, h - 120.0f)};
}

// Below 0 (or NaN) 0, above 255 255, else truncated.
inline U8 ClampToByte(double x) {
    if (!(x == x) || x < 0.0) return 0;
    if (x > 255.0) return 255;
    return static_cast<U8>(x);
}

}  // namespace

void RotateHue_plain(U8* p, Count n, double angle, double c, bool skipNonzeroAlpha) {
    // The bytes scaled by the single-precision 1/255 (rounded to floats),
    // the hue moved in double precision and rounded back to a float, wrapped
    // once each way and clamped to 0..360; the new colour is blended with
    // the old one by c in double precision and truncated.
    constexpr float k = 0.003921569f;
    const double rest = 1.0 - c;
    for (Count i = 0; i < n; ++i, p += 4) {
        if (skipNonzeroAlpha && p[3] != 0) continue;
        const U8 B = p[0], G = p[1], R = p[2];
        const HlsF hls = RgbToHlsF(R * k, G * k, B * k);
        float h = static_cast<float>(hls.h + angle);
        if (h < 0.0f) h = h + 360.0f;
        if (h > 360.0f) h = h - 360.0f;
        h = (h < 0.0f) ? 0.0f : (h > 360.0f ? 360.0f : h);
        const RgbF rgb = HlsToRgbF(h, hls.l, hls.s);
        p[2] = ClampToByte(R * rest + rgb.r * c * 255.0);
        p[1] = ClampToByte(G * rest + rgb.g * c * 255.0);
        p[0] = ClampToByte(B * rest + rgb.b * c * 255.0);
    }
}

void Colorize_plain(U8* p, Count n, const ColourRamps& ramps, double c, bool skipNonzeroAlpha) {
    // The products of the formula tabulated by byte value: each entry is the
    // double the direct evaluation computes, and the sums are formed in its
    // order, so the bytes are those of the formula.
    const double rest = 1.0 - c;
    double lum[3][256], byC[256], byRest[256];
    for (int i = 0; i < 256; ++i) {
        lum[0][i] = 0.11 * i;
        lum[1][i] = 0.59 * i;
        lum[2][i] = 0.3 * i;
        byC[i] = i * c;
        byRest[i] = i * rest;
    }
    for (Count i = 0; i < n; ++i, p += 4) {
        if (skipNonzeroAlpha && p[3] != 0) continue;
        const U8 b0 = p[0], b1 = p[1], b2 = p[2];
        const U8 y = ClampToByte(lum[1][b1] + lum[2][b2] + lum[0][b0]);
        p[0] = ClampToByte(byC[ramps[0][y]] + byRest[b0]);
        p[1] = ClampToByte(byC[ramps[1][y]] + byRest[b1]);
        p[2] = ClampToByte(byC[ramps[2][y]] + byRest[b2]);
    }
}

namespace {

// Entry y·256 + x of channel ch's table is the byte Colorize_plain gives
// for grey value y and old byte x: trunc(r·c + x·(1 − c)) with r the ramp's
// value at y, the two products being the plain kernel's doubles. A blend
// row depends only on r, so each distinct r is computed once and copied.
void BuildColorizeTables(const ColourRamps& ramps, double c, U8* tables) {
    const double rest = 1.0 - c;
    double byRest[256];
    for (int x = 0; x < 256; ++x) byRest[x] = x * rest;
    const U8* rowOf[256] = {};
    for (int ch = 0; ch < 3; ++ch) {
        for (int y = 0; y < 256; ++y) {
            U8* row = tables + ch * 65536 + y * 256;
            const std::int32_t r = ramps[ch][y];
            if (rowOf[r] != nullptr) {
                std::memcpy(row, rowOf[r], 256);
                continue;
            }
            const double byC = r * c;
            for (int x = 0; x < 256; ++x) row[x] = ClampToByte(byC + byRest[x]);
            rowOf[r] = row;
        }
    }
    std::memset(tables + 3 * 65536, 0, kColorizeTablePad);
}

constexpr Kernels kPlainKernels = {
    CopyAC4_plain,         CopyC1C4_plain,        CopyC4C1_plain,     CopyP4C4_plain,
    CopyC1_plain,          SetC1_plain,           SetAC4_plain,       SetC4_plain,
    Convert8u16sC1_plain,  Convert8u16sAC4_plain, Convert16s8uC1_plain,
    Convert16s8uAC4_plain, AddC_plain,            SubC_plain,         Add_plain,
    Sqr_plain,             SumRow_plain,          MinRow_plain,       Lut_plain,
    LutSkipAlpha_plain,    Threshold_plain,       AlphaComp_plain,       ColorToGray_plain,  BgrToHls_plain,
    HlsToRgb_plain,        SwapChannels_plain,    RotateHue_plain,    AddSubC_plain,
    Lightness_plain,       Colorize_plain,        nullptr,
};

// The table of the family, indexed by processor index 1..kCpuHighest and
// filled once.
// A level without kernels of its own repeats the level below.
#if defined(VTX_PIXEL_SSE2)
constexpr KernelInstaller<Kernels> kSse2 = InstallSse2Kernels;
#else
constexpr KernelInstaller<Kernels> kSse2 = nullptr;
#endif
#if defined(VTX_PIXEL_AVX2)
constexpr KernelInstaller<Kernels> kAvx2 = InstallAvx2Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx2 = nullptr;
#endif
#if defined(VTX_PIXEL_AVX512)
constexpr KernelInstaller<Kernels> kAvx512 = InstallAvx512Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx512 = nullptr;
#endif

const Kernels& KernelsForCurrentLevel() {
    static const std::array<Kernels, kCpuLevelCount> table = BuildLevelTable<Kernels>(kPlainKernels, kSse2, kAvx2, kAvx512);
    return ForCurrentLevel(table);
}

// ---------------------------------------------------------------------------
// Region walking.

// Pointer to row y of a region; the offset is formed in 64 bits.
template <class T>
inline T* RowAt(T* base, std::int64_t y, std::int32_t step) {
    return base + static_cast<std::ptrdiff_t>(y * step);
}

// Rows to run and pixels per row: one long row when every step equals the
// length of its row in bytes.
struct Walk {
    std::int32_t rows;
    Count n;
};

inline Walk PlanWalk(RoiSize size, std::int64_t rowBytesA, std::int32_t stepA, std::int64_t rowBytesB,
                     std::int32_t stepB) {
    if (size.height > 1 && stepA == rowBytesA && stepB == rowBytesB) {
        const std::int64_t total = std::int64_t{size.width} * size.height;
        if (total <= PTRDIFF_MAX / 16) return {1, static_cast<Count>(total)};
    }
    return {size.height, static_cast<Count>(size.width)};
}

inline bool BadSize(RoiSize s) {
    return s.width < 1 || s.height < 1;
}

// Checks shared by every one-source, one-destination primitive.
inline Status CheckSrcDst(const void* src, std::int32_t srcStep, const void* dst, std::int32_t dstStep,
                             RoiSize size) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    return kStsOk;
}

// Runs kernel(srcRow, dstRow, n) over a region; bytes per pixel of source
// and destination as given.
template <class Kernel>
void RunSrcDst(Kernel kernel, const U8* src, std::int32_t srcStep, std::int64_t srcBpp, U8* dst,
               std::int32_t dstStep, std::int64_t dstBpp, RoiSize size) {
    const Walk w = PlanWalk(size, srcBpp * size.width, srcStep, dstBpp * size.width, dstStep);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(RowAt(src, y, srcStep), RowAt(dst, y, dstStep), w.n);
}

// Completeness of the blending primitives: clamped to 0..1, NaN as 0, so
// that every blended value stays within the range all levels convert alike.
inline double ClampUnit(double c) {
    return c >= 0.0 ? (c <= 1.0 ? c : 1.0) : 0.0;
}

inline const U8* Bytes(const void* p) {
    return static_cast<const U8*>(p);
}
inline U8* Bytes(void* p) {
    return static_cast<U8*>(p);
}

// Step function of one channel of LUT_8u_AC4R.
void BuildStepTable(const std::int32_t* values, const std::int32_t* levels, std::int32_t count,
                    ChannelTable& t) {
    const auto clampLevel = [](std::int32_t v) { return v < 0 ? 0 : (v > 255 ? 256 : v); };
    for (int i = 0; i < 256; ++i) t[i] = static_cast<U8>(i);  // below levels[0]: unchanged
    for (std::int32_t k = 0; k + 1 < count; ++k) {
        const std::int32_t lo = clampLevel(levels[k]);
        const std::int32_t hi = clampLevel(levels[k + 1]);
        const U8 v = SaturateToByte(values[k]);
        for (std::int32_t i = lo; i < hi; ++i) t[i] = v;
    }
    const std::int32_t last = levels[count - 1];
    if (last <= 255) {
        for (std::int32_t i = std::max(last, 0); i <= 255; ++i) t[i] = static_cast<U8>(i);
    }
}

// Checks of the border copies: pointers, sizes, steps, then placement.
Status CheckBorder(const void* src, std::int32_t srcStep, RoiSize srcSize, const void* dst,
                      std::int32_t dstStep, RoiSize dstSize, std::int32_t top, std::int32_t left) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(srcSize) || BadSize(dstSize)) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    if (top < 0 || left < 0) return kStsBadSize;
    if (std::int64_t{dstSize.width} < std::int64_t{srcSize.width} + left) return kStsBadSize;
    if (std::int64_t{dstSize.height} < std::int64_t{srcSize.height} + top) return kStsBadSize;
    return kStsOk;
}

// Fills the rows above `top` and below the copied rows with copies of the
// first and last copied rows.
template <class CopyRow>
void ReplicateOuterRows(CopyRow copyRow, U8* dst, std::int32_t dstStep, RoiSize dstSize, std::int32_t top,
                        std::int32_t srcHeight) {
    const U8* first = RowAt(dst, top, dstStep);
    for (std::int32_t y = 0; y < top; ++y) copyRow(first, RowAt(dst, y, dstStep), dstSize.width);
    const std::int64_t lastRow = std::int64_t{top} + srcHeight - 1;
    const U8* last = RowAt(dst, lastRow, dstStep);
    for (std::int64_t y = lastRow + 1; y < dstSize.height; ++y) copyRow(last, RowAt(dst, y, dstStep), dstSize.width);
}

}  // namespace
}  // namespace vtx::px::pixel

namespace vtx::px {

using namespace pixel;

// ---------------------------------------------------------------------------
// Copies and fills.

Status Copy_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                           std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().copyAC4, src, srcStep, 4, dst, dstStep, 4, size);
    return kStsOk;
}

Status Copy_8u_C1C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().copyC1C4, src, srcStep, 1, dst, dstStep, 4, size);
    return kStsOk;
}

Status Copy_8u_C4C1R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().copyC4C1, src, srcStep, 4, dst, dstStep, 1, size);
    return kStsOk;
}

Status Copy_8u_P4C4R(const std::uint8_t* const planes[4], std::int32_t planeStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size) {
    if (planes == nullptr || dst == nullptr) return kStsNullPtr;
    for (int k = 0; k < 4; ++k) {
        if (planes[k] == nullptr) return kStsNullPtr;
    }
    if (BadSize(size)) return kStsBadSize;
    if (planeStep < 1 || dstStep < 1) return kStsBadStep;
    const auto kernel = KernelsForCurrentLevel().copyP4C4;
    const Walk w = PlanWalk(size, size.width, planeStep, std::int64_t{4} * size.width, dstStep);
    for (std::int32_t y = 0; y < w.rows; ++y) {
        kernel(RowAt(planes[0], y, planeStep), RowAt(planes[1], y, planeStep), RowAt(planes[2], y, planeStep),
               RowAt(planes[3], y, planeStep), RowAt(dst, y, dstStep), w.n);
    }
    return kStsOk;
}

Status Set_8u_AC4R(const std::uint8_t value[3], std::uint8_t* dst, std::int32_t dstStep, RoiSize size) {
    if (value == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (dstStep < 1) return kStsBadStep;
    const auto kernel = KernelsForCurrentLevel().setAC4;
    const U8 v[3] = {value[0], value[1], value[2]};
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, dstStep, std::int64_t{4} * size.width, dstStep);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(v, RowAt(dst, y, dstStep), w.n);
    return kStsOk;
}

Status Set_8u_C4R(const std::uint8_t value[4], std::uint8_t* dst, std::int32_t dstStep, RoiSize size) {
    if (value == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (dstStep < 1) return kStsBadStep;
    const auto kernel = KernelsForCurrentLevel().setC4;
    const U8 v[4] = {value[0], value[1], value[2], value[3]};
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, dstStep, std::int64_t{4} * size.width, dstStep);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(v, RowAt(dst, y, dstStep), w.n);
    return kStsOk;
}

// ---------------------------------------------------------------------------
// Conversions.

Status Convert_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().convert8u16sC1, src, srcStep, 1, Bytes(dst), dstStep, 2, size);
    return kStsOk;
}

Status Convert_8u16s_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                 std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().convert8u16sAC4, src, srcStep, 4, Bytes(dst), dstStep, 8, size);
    return kStsOk;
}

Status Convert_16s8u_C1R(const std::int16_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().convert16s8uC1, Bytes(src), srcStep, 2, dst, dstStep, 1, size);
    return kStsOk;
}

Status Convert_16s8u_AC4R(const std::int16_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().convert16s8uAC4, Bytes(src), srcStep, 8, dst, dstStep, 4, size);
    return kStsOk;
}

// ---------------------------------------------------------------------------
// Arithmetic.

namespace {

Status ConstantInPlace(void (*kernel)(const U8*, U8*, Count, std::int32_t), const std::uint8_t value[3],
                          std::uint8_t* srcDst, std::int32_t step, RoiSize size, std::int32_t scaleFactor) {
    const U8 v[3] = {value[0], value[1], value[2]};
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, step, std::int64_t{4} * size.width, step);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(v, RowAt(srcDst, y, step), w.n, scaleFactor);
    return kStsOk;
}

Status CheckConstantInPlace(const void* value, const void* srcDst, std::int32_t step, RoiSize size) {
    if (value == nullptr || srcDst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (step < 1) return kStsBadStep;
    return kStsOk;
}

}  // namespace

Status AddC_8u_AC4IRSfs(const std::uint8_t value[3], std::uint8_t* srcDst, std::int32_t step,
                               RoiSize size, std::int32_t scaleFactor) {
    if (const Status st = CheckConstantInPlace(value, srcDst, step, size); st != kStsOk) return st;
    return ConstantInPlace(KernelsForCurrentLevel().addC, value, srcDst, step, size, scaleFactor);
}

Status SubC_8u_AC4IRSfs(const std::uint8_t value[3], std::uint8_t* srcDst, std::int32_t step,
                               RoiSize size, std::int32_t scaleFactor) {
    if (const Status st = CheckConstantInPlace(value, srcDst, step, size); st != kStsOk) return st;
    return ConstantInPlace(KernelsForCurrentLevel().subC, value, srcDst, step, size, scaleFactor);
}

Status AddSubC_8u_AC4IR(const std::uint8_t add[3], const std::uint8_t sub[3], std::uint8_t* srcDst,
                        std::int32_t step, RoiSize size) {
    if (add == nullptr || sub == nullptr || srcDst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (step < 1) return kStsBadStep;
    const auto kernel = KernelsForCurrentLevel().addSubC;
    const U8 a[3] = {add[0], add[1], add[2]}, b[3] = {sub[0], sub[1], sub[2]};
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, step, std::int64_t{4} * size.width, step);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(a, b, RowAt(srcDst, y, step), w.n);
    return kStsOk;
}

Status Add_8u_AC4RSfs(const std::uint8_t* src1, std::int32_t src1Step, const std::uint8_t* src2,
                             std::int32_t src2Step, std::uint8_t* dst, std::int32_t dstStep, RoiSize size,
                             std::int32_t scaleFactor) {
    if (src1 == nullptr || src2 == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (src1Step < 1 || src2Step < 1 || dstStep < 1) return kStsBadStep;
    const auto kernel = KernelsForCurrentLevel().add;
    const std::int64_t rowBytes = std::int64_t{4} * size.width;
    Walk w = PlanWalk(size, rowBytes, src1Step, rowBytes, dstStep);
    if (src2Step != rowBytes) w = {size.height, size.width};
    for (std::int32_t y = 0; y < w.rows; ++y) {
        kernel(RowAt(src1, y, src1Step), RowAt(src2, y, src2Step), RowAt(dst, y, dstStep), w.n, scaleFactor);
    }
    return kStsOk;
}

Status Sqr_8u_AC4RSfs(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                             std::int32_t dstStep, RoiSize size, std::int32_t scaleFactor) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    // One scratch row of four bytes per pixel, so the region is walked row by
    // row even when it is packed.
    U8* tmp = static_cast<U8*>(MallocBytes(std::int64_t{4} * size.width));
    if (tmp == nullptr) return kStsNoMemory;
    const auto kernel = KernelsForCurrentLevel().sqr;
    for (std::int32_t y = 0; y < size.height; ++y) {
        kernel(RowAt(src, y, srcStep), RowAt(dst, y, dstStep), tmp, size.width, scaleFactor);
    }
    Free(tmp);
    return kStsOk;
}

// ---------------------------------------------------------------------------
// Statistics.

Status Sum_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize size, double sum[3]) {
    if (src == nullptr || sum == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (srcStep < 1) return kStsBadStep;
    // Each row is summed in 32 bits and the row sums are added to doubles,
    // row by row: a packed region is not merged into one row.
    const auto kernel = KernelsForCurrentLevel().sumRow;
    double acc[3] = {0.0, 0.0, 0.0};
    for (std::int32_t y = 0; y < size.height; ++y) {
        std::uint32_t rowSum[3] = {0, 0, 0};
        kernel(RowAt(src, y, srcStep), size.width, rowSum);
        for (int c = 0; c < 3; ++c) acc[c] += static_cast<double>(rowSum[c]);
    }
    for (int c = 0; c < 3; ++c) sum[c] = acc[c];
    return kStsOk;
}

Status Min_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize size, std::uint8_t min[3]) {
    if (src == nullptr || min == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (srcStep < 1) return kStsBadStep;
    const auto kernel = KernelsForCurrentLevel().minRow;
    U8 m[3] = {255, 255, 255};
    for (std::int32_t y = 0; y < size.height; ++y) {
        kernel(RowAt(src, y, srcStep), size.width, m);
        if ((m[0] | m[1] | m[2]) == 0) break;  // nothing can go lower
    }
    for (int c = 0; c < 3; ++c) min[c] = m[c];
    return kStsOk;
}

// ---------------------------------------------------------------------------
// Lookup and threshold.

Status LUT_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                          RoiSize size, const std::int32_t* const values[3], const std::int32_t* const levels[3],
                          const std::int32_t nLevels[3]) {
    if (src == nullptr || dst == nullptr || values == nullptr || levels == nullptr || nLevels == nullptr) {
        return kStsNullPtr;
    }
    for (int c = 0; c < 3; ++c) {
        if (values[c] == nullptr || levels[c] == nullptr) return kStsNullPtr;
    }
    if (BadSize(size)) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    for (int c = 0; c < 3; ++c) {
        if (nLevels[c] < 2) return kStsFewLevels;
    }
    ChannelTable tables[3];
    for (int c = 0; c < 3; ++c) BuildStepTable(values[c], levels[c], nLevels[c], tables[c]);
    const auto kernel = KernelsForCurrentLevel().lut;
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, srcStep, std::int64_t{4} * size.width, dstStep);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(RowAt(src, y, srcStep), RowAt(dst, y, dstStep), w.n, tables);
    return kStsOk;
}

Status MapChannels_8u_AC4IR(const std::uint8_t* const tables[3], std::uint8_t* srcDst, std::int32_t step,
                                   RoiSize size, std::int32_t skipNonzeroAlpha) {
    if (tables == nullptr || srcDst == nullptr) return kStsNullPtr;
    for (int c = 0; c < 3; ++c) {
        if (tables[c] == nullptr) return kStsNullPtr;
    }
    if (BadSize(size)) return kStsBadSize;
    if (step < 1) return kStsBadStep;
    // The kernels take the three tables side by side.
    ChannelTable copies[3];
    std::memcpy(copies[0], tables[0], 256);
    std::memcpy(copies[1], tables[1], 256);
    std::memcpy(copies[2], tables[2], 256);
    const Kernels& k = KernelsForCurrentLevel();
    const auto kernel = skipNonzeroAlpha != 0 ? k.lutSkipAlpha : k.lut;
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, step, std::int64_t{4} * size.width, step);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(RowAt(srcDst, y, step), RowAt(srcDst, y, step), w.n, copies);
    return kStsOk;
}

Status Threshold_LTValGTVal_32f_C1IR(float* srcDst, std::int32_t step, RoiSize size, float thresholdLT,
                                            float valueLT, float thresholdGT, float valueGT) {
    if (srcDst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (step < 1) return kStsBadStep;
    if (thresholdLT > thresholdGT) return kStsBadThreshold;  // false when either is NaN
    const auto kernel = KernelsForCurrentLevel().threshold;
    U8* base = Bytes(srcDst);
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, step, std::int64_t{4} * size.width, step);
    for (std::int32_t y = 0; y < w.rows; ++y) {
        kernel(RowAt(base, y, step), w.n, thresholdLT, valueLT, thresholdGT, valueGT);
    }
    return kStsOk;
}

// ---------------------------------------------------------------------------
// Composition.

Status AlphaCompC_8u_AC4R(const std::uint8_t* src1, std::int32_t src1Step, std::uint8_t alpha1,
                                 const std::uint8_t* src2, std::int32_t src2Step, std::uint8_t alpha2,
                                 std::uint8_t* dst, std::int32_t dstStep, RoiSize size, std::int32_t alphaType) {
    if (src1 == nullptr || src2 == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (src1Step < 1 || src2Step < 1 || dstStep < 1) return kStsBadStep;
    if (alphaType < 0 || alphaType > 11) return kStsBadAlphaType;
    const auto kernel = KernelsForCurrentLevel().alphaComp;
    const std::int64_t rowBytes = std::int64_t{4} * size.width;
    Walk w = PlanWalk(size, rowBytes, src1Step, rowBytes, dstStep);
    if (src2Step != rowBytes) w = {size.height, size.width};
    for (std::int32_t y = 0; y < w.rows; ++y) {
        kernel(RowAt(src1, y, src1Step), alpha1, RowAt(src2, y, src2Step), alpha2, RowAt(dst, y, dstStep), w.n,
               alphaType);
    }
    return kStsOk;
}

// ---------------------------------------------------------------------------
// Colour conversions.

Status ColorToGray_8u_AC4C1R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                    std::int32_t dstStep, RoiSize size, const float coeffs[3]) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    std::uint32_t weights[3] = {1225, 2404, 467};
    if (coeffs != nullptr) {
        for (int c = 0; c < 3; ++c) {
            // Negative or huge weights wrap in the unsigned sum of the kernel.
            weights[c] = static_cast<std::uint32_t>(
                TruncToInt32(static_cast<double>(coeffs[c]) * 4096.0 + 0.5));
        }
    }
    const auto kernel = KernelsForCurrentLevel().colorToGray;
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, srcStep, size.width, dstStep);
    for (std::int32_t y = 0; y < w.rows; ++y) {
        kernel(RowAt(src, y, srcStep), RowAt(dst, y, dstStep), w.n, weights);
    }
    return kStsOk;
}

Status BGRToHLS_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().bgrToHls, src, srcStep, 4, dst, dstStep, 4, size);
    return kStsOk;
}

Status Lightness_8u_AC4C1R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                           std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().lightness, src, srcStep, 4, dst, dstStep, 1, size);
    return kStsOk;
}

Status HLSToRGB_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    RunSrcDst(KernelsForCurrentLevel().hlsToRgb, src, srcStep, 4, dst, dstStep, 4, size);
    return kStsOk;
}

Status SwapChannels_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                   std::int32_t dstStep, RoiSize size, const std::int32_t order[3]) {
    if (src == nullptr || dst == nullptr || order == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    const std::int32_t o[3] = {order[0], order[1], order[2]};
    for (int c = 0; c < 3; ++c) {
        if (o[c] < 0 || o[c] > 2) return kStsBadChannelOrder;
    }
    const auto kernel = KernelsForCurrentLevel().swapChannels;
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, srcStep, std::int64_t{4} * size.width, dstStep);
    for (std::int32_t y = 0; y < w.rows; ++y) kernel(RowAt(src, y, srcStep), RowAt(dst, y, dstStep), w.n, o);
    return kStsOk;
}

Status Colorize_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, const std::uint8_t* const ramps[3],
                         double completeness, std::int32_t skipNonzeroAlpha) {
    if (srcDst == nullptr || ramps == nullptr || ramps[0] == nullptr || ramps[1] == nullptr || ramps[2] == nullptr) {
        return kStsNullPtr;
    }
    if (BadSize(size)) return kStsBadSize;
    if (step < 1) return kStsBadStep;
    ColourRamps copies;
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i) copies[c][i] = ramps[c][i];
    }
    const Kernels& k = KernelsForCurrentLevel();
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, step, std::int64_t{4} * size.width, step);
    const double c = ClampUnit(completeness);
    if (k.colorizeTabled != nullptr) {
        // Tables of the whole call; without memory the per-pixel kernel
        // gives the same bytes.
        U8* tables = static_cast<U8*>(MallocBytes(3 * 65536 + kColorizeTablePad));
        if (tables != nullptr) {
            BuildColorizeTables(copies, c, tables);
            for (std::int32_t y = 0; y < w.rows; ++y) k.colorizeTabled(RowAt(srcDst, y, step), w.n, tables, skipNonzeroAlpha != 0);
            Free(tables);
            return kStsOk;
        }
    }
    for (std::int32_t y = 0; y < w.rows; ++y) k.colorize(RowAt(srcDst, y, step), w.n, copies, c, skipNonzeroAlpha != 0);
    return kStsOk;
}

Status RotateHue_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, double angle, double completeness,
                          std::int32_t skipNonzeroAlpha) {
    if (srcDst == nullptr) return kStsNullPtr;
    if (BadSize(size)) return kStsBadSize;
    if (step < 1) return kStsBadStep;
    // Angles beyond ±1e30 act as ±1e30 (the shifted hue then clamps to 0 or
    // 360 alike, and its rounding to a float stays defined).
    const double a = std::max(-1e30, std::min(angle, 1e30));
    const auto kernel = KernelsForCurrentLevel().rotateHue;
    const Walk w = PlanWalk(size, std::int64_t{4} * size.width, step, std::int64_t{4} * size.width, step);
    for (std::int32_t y = 0; y < w.rows; ++y) {
        kernel(RowAt(srcDst, y, step), w.n, a, ClampUnit(completeness), skipNonzeroAlpha != 0);
    }
    return kStsOk;
}

// ---------------------------------------------------------------------------
// Borders. Rows top .. top + src height − 1 get the source row between its
// repeated (or constant) edges; the rows above and below are then filled.
// The source may lie at (left, top) inside the destination itself: the
// edge pixels are read before anything is written and the middle copy is
// then a copy onto itself.

namespace {

// Replicated border for pixels of `bpp` bytes (4 for AC4, 1 for C1):
// fill(pixel, d, n) repeats the pixel at `pixel` n times from d, copy(s, d, n)
// copies n pixels. Both edge pixels of a row are taken before it is written.
template <class Fill, class Copy>
Status ReplicateBorder(Fill fill, Copy copy, Count bpp, const U8* src, std::int32_t srcStep, RoiSize srcSize,
                          U8* dst, std::int32_t dstStep, RoiSize dstSize, std::int32_t top, std::int32_t left) {
    if (const Status st = CheckBorder(src, srcStep, srcSize, dst, dstStep, dstSize, top, left); st != kStsOk) {
        return st;
    }
    const Count right = static_cast<Count>(dstSize.width) - left - srcSize.width;
    for (std::int32_t r = 0; r < srcSize.height; ++r) {
        const U8* s = RowAt(src, r, srcStep);
        U8* d = RowAt(dst, std::int64_t{top} + r, dstStep);
        U8 first[4], last[4];
        std::memcpy(first, s, static_cast<std::size_t>(bpp));
        std::memcpy(last, s + bpp * (srcSize.width - 1), static_cast<std::size_t>(bpp));
        fill(first, d, left);
        copy(s, d + bpp * left, srcSize.width);
        fill(last, d + bpp * (static_cast<Count>(left) + srcSize.width), right);
    }
    ReplicateOuterRows(copy, dst, dstStep, dstSize, top, srcSize.height);
    return kStsOk;
}

}  // namespace

Status CopyReplicateBorder_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize srcSize,
                                          std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize,
                                          std::int32_t top, std::int32_t left) {
    const Kernels& k = KernelsForCurrentLevel();
    const auto fill = [&k](const U8* pixel, U8* d, Count n) { k.setAC4(pixel, d, n); };
    return ReplicateBorder(fill, k.copyAC4, 4, src, srcStep, srcSize, dst, dstStep, dstSize, top, left);
}

Status CopyReplicateBorder_8u_C1R(const std::uint8_t* src, std::int32_t srcStep, RoiSize srcSize,
                                         std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize,
                                         std::int32_t top, std::int32_t left) {
    const Kernels& k = KernelsForCurrentLevel();
    const auto fill = [&k](const U8* pixel, U8* d, Count n) { k.setC1(*pixel, d, n); };
    return ReplicateBorder(fill, k.copyC1, 1, src, srcStep, srcSize, dst, dstStep, dstSize, top, left);
}

Status CopyConstBorder_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize srcSize,
                                      std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, std::int32_t top,
                                      std::int32_t left, const std::uint8_t value[3]) {
    if (value == nullptr) return kStsNullPtr;
    if (const Status st = CheckBorder(src, srcStep, srcSize, dst, dstStep, dstSize, top, left); st != kStsOk) {
        return st;
    }
    const Kernels& k = KernelsForCurrentLevel();
    const U8 v[3] = {value[0], value[1], value[2]};
    const Count right = static_cast<Count>(dstSize.width) - left - srcSize.width;
    for (std::int32_t r = 0; r < srcSize.height; ++r) {
        U8* d = RowAt(dst, std::int64_t{top} + r, dstStep);
        k.setAC4(v, d, left);
        k.copyAC4(RowAt(src, r, srcStep), d + 4 * static_cast<Count>(left), srcSize.width);
        k.setAC4(v, d + 4 * (static_cast<Count>(left) + srcSize.width), right);
    }
    for (std::int32_t y = 0; y < top; ++y) k.setAC4(v, RowAt(dst, y, dstStep), dstSize.width);
    for (std::int64_t y = std::int64_t{top} + srcSize.height; y < dstSize.height; ++y) {
        k.setAC4(v, RowAt(dst, y, dstStep), dstSize.width);
    }
    return kStsOk;
}

}  // namespace vtx::px
