// Pixel, channel and colour primitives against per-pixel references, at
// every implementation level: random regions (odd widths, packed and padded
// rows, the last row ending on a guard page), sweeps over every value, and
// the argument checks of every primitive.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "primitives/pixel.h"
#include "tests/primitives/support.h"

namespace {

namespace px = vtx::px;
using namespace vtxtest;
using I = std::int32_t;

I Rand(std::mt19937& rng, I n) { return static_cast<I>(rng() % static_cast<std::uint32_t>(n)); }
U8 Byte(std::mt19937& rng) { return static_cast<U8>(rng() >> 24); }

// ---------------------------------------------------------------------------
// References.

std::uint32_t D255(std::uint32_t x) { return (x + (x >> 8) + 1) >> 8; }

// Types 0..5 scale straight colours by the opacities, 6..11 take colours that
// are premultiplied already; the result is d(t1·F1) + d(t2·F2) with the
// factors of over, in, out, atop, xor and plus (255 stands for 1, since
// d(255·v) = v), saturated.
int RefComp(std::uint32_t s1, std::uint32_t s2, std::uint32_t a1, std::uint32_t a2, I type) {
    const std::uint32_t t1 = type < 6 ? D255(s1 * a1) : s1, t2 = type < 6 ? D255(s2 * a2) : s2;
    const std::uint32_t f[6][2] = {{255, 255 - a1}, {a2, 0}, {255 - a2, 0}, {a2, 255 - a1}, {255 - a2, 255 - a1}, {255, 255}};
    return static_cast<int>(std::min<std::uint32_t>(255, D255(t1 * f[type % 6][0]) + D255(t2 * f[type % 6][1])));
}

// One channel's step function, decided per sample: the last rule covering v wins.
int RefLut(int v, const I* levels, const I* values, I n) {
    int out = v;
    for (I k = 0; k + 1 < n; ++k) {
        if (std::clamp(levels[k], 0, 256) <= v && v < std::clamp(levels[k + 1], 0, 256)) out = std::clamp(values[k], 0, 255);
    }
    return (levels[n - 1] <= 255 && v >= levels[n - 1]) ? v : out;
}

U8 RefGrey(const U8* p, const float* coeffs) {
    std::uint32_t w[3] = {1225, 2404, 467};
    for (int c = 0; coeffs != nullptr && c < 3; ++c) w[c] = static_cast<std::uint32_t>(static_cast<I>(std::trunc(coeffs[c] * 4096.0 + 0.5)));
    return static_cast<U8>((p[0] * w[0] + p[1] * w[1] + p[2] * w[2]) >> 12);
}

// The single-precision constants of the colour conversions, as doubles.
const double kK = 1.0f / 255.0f, kK360 = 1.0f / 360.0f, kK60 = 1.0f / 60.0f, kH0 = 0.4999989867210388f;

U8 Round(double v) { return static_cast<U8>(static_cast<int>(v * 255.0 + kH0)); }

void RefToHls(const U8* in, U8* out) {
    const double B = in[0] * kK, G = in[1] * kK, R = in[2] * kK;
    const double M = std::max({B, G, R}), N = std::min({B, G, R}), D = M - N, L = (M + N) * 0.5;
    double H = 0.0, S = 0.0;
    if (D != 0.0) {
        S = (L <= 0.5 ? 1.0 / (M + N) : 1.0 / (2.0 - (M + N))) * D;
        H = R == M ? ((G - B) * 60.0) * (1.0 / D) : (G == M ? ((B - R) * 60.0) * (1.0 / D) + 120.0 : ((R - G) * 60.0) * (1.0 / D) + 240.0);
        if (H < 0.0) H += 360.0;
    }
    out[0] = static_cast<U8>(static_cast<int>((H * 255.0) * kK360 + kH0));
    out[1] = Round(L);
    out[2] = Round(S);
}

void RefToRgb(const U8* in, U8* out) {
    const double h = (in[0] * 360.0) * kK, l = in[1] * kK, s = in[2] * kK, hr = h + 120.0, hb = h - 120.0;
    const double m2 = l <= 0.5 ? (s + 1.0) * l : (l + s) - s * l, m1 = (l + l) - m2;
    const auto f = [&](double x) {
        return s == 0.0 ? l : x < 60.0 ? m1 + ((m2 - m1) * x) * kK60 : x < 180.0 ? m2 : x < 240.0 ? m1 + ((m2 - m1) * (240.0 - x)) * kK60 : m1;
    };
    out[0] = Round(f(hr > 360.0 ? hr - 360.0 : hr));
    out[1] = Round(f(h));
    out[2] = Round(f(hb < 0.0 ? hb + 360.0 : hb));
}

// Border copies: the source region lies at (left, top) of its plane, the
// destination is the whole destination plane.
void RefBorder(const Plane& s, const Plane& e, I x, I y, I left, I top, I sw, I sh, const U8* constant) {
    const bool inside = x >= left && x < left + sw && y >= top && y < top + sh;
    const U8* from = constant != nullptr && !inside ? constant : s.Px(std::clamp(x, left, left + sw - 1), std::clamp(y, top, top + sh - 1));
    std::memcpy(e.Px(x, y), from, s.bpp == 4 ? 3 : 1);
}

std::int16_t Get16(const U8* p) { std::int16_t v; std::memcpy(&v, p, 2); return v; }
float F32(const U8* p) { float v; std::memcpy(&v, p, 4); return v; }
void Put16(U8* p, int v) { const auto s = static_cast<std::int16_t>(v); std::memcpy(p, &s, 2); }
U8 Clamp(int v) { return static_cast<U8>(std::clamp(v, 0, 255)); }
const std::int16_t* I16(const U8* p) { return reinterpret_cast<const std::int16_t*>(p); }
std::int16_t* O16(U8* p) { return reinterpret_cast<std::int16_t*>(p); }

// ---------------------------------------------------------------------------
// Random regions: every primitive at every level gives the reference bytes.

// The parameters of one case, shared by the call and the reference.
struct Params {
    U8 v[4], a1, a2, tables[3][256];
    I sf, type, ch, alt, order[3], n[3], levels[3][6], values[3][6], left, top, sw, sh;  // alt: the second variant
    const float* coeffs;      // null: the default weights
    float weights[3], th[4];  // threshold and value below, threshold and value above
    std::array<const I*, 3> Levels() const { return {levels[0], levels[1], levels[2]}; }
    std::array<const I*, 3> Values() const { return {values[0], values[1], values[2]}; }
    std::array<const U8*, 3> Tables() const { return {tables[0], tables[1], tables[2]}; }
};

Params Draw(std::mt19937& rng, I w, I h) {
    Params q{};
    const I scales[] = {0, 0, 1, -1, 2, 7, 7, 8, 30};
    const float bounds[] = {0.0f, 1e-3f, 1.0f, 1e20f};
    std::uniform_real_distribution<float> real(-100.0f, 100.0f);
    for (U8& b : q.v) b = Byte(rng);
    q.a1 = Byte(rng);
    q.a2 = rng() % 2 ? 255 : Byte(rng);
    q.sf = scales[rng() % 9];
    q.type = rng() % 2 ? 0 : Rand(rng, 12);
    q.ch = Rand(rng, 4);
    q.alt = Rand(rng, 2);
    for (int c = 0; c < 3; ++c) {
        q.order[c] = Rand(rng, 3);
        q.n[c] = 2 + Rand(rng, 5);
        for (int k = 0; k < 12; ++k) (k % 2 ? q.values : q.levels)[c][k / 2] = Rand(rng, 320) - 30;
        if (rng() % 2) std::sort(q.levels[c], q.levels[c] + q.n[c]);
        for (U8& e : q.tables[c]) e = Byte(rng);
        // Weights 32767, -32768 (the 16-bit extremes), 32768 and -32769 too.
        const float edges[4] = {7.999755859375f, -8.0001220703125f, 8.0f, -8.0003662109375f};
        q.weights[c] = rng() % 4 ? real(rng) / 50.0f : edges[rng() % 4];
    }
    for (int c = 1; c < 3 && rng() % 2; ++c) std::memcpy(q.tables[c], q.tables[0], 256);  // equal tables too
    q.coeffs = rng() % 4 ? q.weights : nullptr;
    for (int i = 0; i < 4; ++i) q.th[i] = i % 2 ? real(rng) : (i == 0 ? -bounds[rng() % 4] : bounds[rng() % 4]);
    q.left = Rand(rng, std::min(w, 6));
    q.top = Rand(rng, h);
    q.sw = 1 + Rand(rng, w - q.left);
    q.sh = 1 + Rand(rng, h - q.top);
    return q;
}

using P = const Plane&;
using Q = const Params&;

struct Entry {
    const char* name;
    I bpp1, bpp2, bppD;  // bytes per pixel of source 1, source 2 (0: unused) and the destination
    I alias;             // 1: the destination may be source 1; 2: either source
    std::function<px::Status(P s1, P s2, P d, Q q)> call;
    std::function<void(P s1, P s2, P e, I x, I y, Q q)> ref;  // writes the expected pixel (x, y) into e
};

std::vector<Entry> Entries() {
    return {
        {"Copy_8u_AC4R", 4, 0, 4, 0, [](P s, P, P d, Q) { return px::Copy_8u_AC4R(s.p(), s.step, d.p(), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q) { std::memcpy(e.Px(x, y), s.Px(x, y), 3); }},
        {"Copy_8u_C1C4R", 1, 0, 4, 0, [](P s, P, P d, Q q) { return px::Copy_8u_C1C4R(s.p(), s.step, d.p() + q.ch, d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q q) { e.Px(x, y)[q.ch] = *s.Px(x, y); }},
        {"Copy_8u_C4C1R", 4, 0, 1, 0, [](P s, P, P d, Q q) { return px::Copy_8u_C4C1R(s.p() + q.ch, s.step, d.p(), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q q) { *e.Px(x, y) = s.Px(x, y)[q.ch]; }},
        // Four planes side by side in the rows of a four-byte region.
        {"Copy_8u_P4C4R", 4, 0, 4, 0,
         [](P s, P, P d, Q) { return px::Copy_8u_P4C4R(std::array<const U8*, 4>{s.p(), s.p() + s.w, s.p() + 2 * s.w, s.p() + 3 * s.w}.data(), s.step, d.p(), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q) { for (I k = 0; k < 4; ++k) e.Px(x, y)[k] = s.Px(0, y)[k * s.w + x]; }},
        {"Set_8u_AC4R, Set_8u_C4R", 0, 0, 4, 0, [](P, P, P d, Q q) { return (q.alt ? px::Set_8u_C4R : px::Set_8u_AC4R)(q.v, d.p(), d.step, d.size()); },
         [](P, P, P e, I x, I y, Q q) { std::memcpy(e.Px(x, y), q.v, q.alt ? 4 : 3); }},
        {"Convert_8u16s_C1R", 1, 0, 2, 0, [](P s, P, P d, Q) { return px::Convert_8u16s_C1R(s.p(), s.step, O16(d.p()), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q) { Put16(e.Px(x, y), *s.Px(x, y)); }},
        {"Convert_8u16s_AC4R", 4, 0, 8, 0, [](P s, P, P d, Q) { return px::Convert_8u16s_AC4R(s.p(), s.step, O16(d.p()), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q) { for (int c = 0; c < 3; ++c) Put16(e.Px(x, y) + 2 * c, s.Px(x, y)[c]); }},
        {"Convert_16s8u_C1R", 2, 0, 1, 0, [](P s, P, P d, Q) { return px::Convert_16s8u_C1R(I16(s.p()), s.step, d.p(), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q) { *e.Px(x, y) = Clamp(Get16(s.Px(x, y))); }},
        {"Convert_16s8u_AC4R", 8, 0, 4, 0, [](P s, P, P d, Q) { return px::Convert_16s8u_AC4R(I16(s.p()), s.step, d.p(), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = Clamp(Get16(s.Px(x, y) + 2 * c)); }},
        {"AddC_8u_AC4IRSfs, SubC_8u_AC4IRSfs", 0, 0, 4, 0,
         [](P, P, P d, Q q) { return (q.alt ? px::SubC_8u_AC4IRSfs : px::AddC_8u_AC4IRSfs)(q.v, d.p(), d.step, d.size(), q.sf); },
         [](P, P, P e, I x, I y, Q q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = Clamp(RefScale(e.Px(x, y)[c] + (q.alt ? -q.v[c] : q.v[c]), q.sf)); }},
        {"AddSubC_8u_AC4IR", 0, 0, 4, 0, [](P, P, P d, Q q) { return px::AddSubC_8u_AC4IR(q.v, q.tables[0], d.p(), d.step, d.size()); },
         [](P, P, P e, I x, I y, Q q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = Clamp(std::min(255, e.Px(x, y)[c] + q.v[c]) - q.tables[0][c]); }},
        {"Add_8u_AC4RSfs", 4, 4, 4, 2,
         [](P a, P b, P d, Q q) { return px::Add_8u_AC4RSfs(a.p(), a.step, b.p(), b.step, d.p(), d.step, d.size(), q.sf); },
         [](P a, P b, P e, I x, I y, Q q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = Clamp(RefScale(a.Px(x, y)[c] + b.Px(x, y)[c], q.sf)); }},
        {"Sqr_8u_AC4RSfs", 4, 0, 4, 1, [](P s, P, P d, Q q) { return px::Sqr_8u_AC4RSfs(s.p(), s.step, d.p(), d.step, d.size(), q.sf); },
         [](P s, P, P e, I x, I y, Q q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = Clamp(RefScale(s.Px(x, y)[c] * s.Px(x, y)[c], q.sf)); }},
        {"LUT_8u_AC4R", 4, 0, 4, 0,
         [](P s, P, P d, Q q) { return px::LUT_8u_AC4R(s.p(), s.step, d.p(), d.step, d.size(), q.Values().data(), q.Levels().data(), q.n); },
         [](P s, P, P e, I x, I y, Q q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = Clamp(RefLut(s.Px(x, y)[c], q.levels[c], q.values[c], q.n[c])); }},
        {"MapChannels_8u_AC4IR", 0, 0, 4, 0,
         [](P, P, P d, Q q) { return px::MapChannels_8u_AC4IR(q.Tables().data(), d.p(), d.step, d.size(), q.alt); },
         [](P, P, P e, I x, I y, Q q) { for (int c = 0; c < 3 && (q.alt == 0 || e.Px(x, y)[3] == 0); ++c) e.Px(x, y)[c] = q.tables[c][e.Px(x, y)[c]]; }},
        // Random bytes as floats: every magnitude, both signs, some NaNs.
        {"Threshold_LTValGTVal_32f_C1IR", 0, 0, 4, 0,
         [](P, P, P d, Q q) { return px::Threshold_LTValGTVal_32f_C1IR(reinterpret_cast<float*>(d.p()), d.step, d.size(), q.th[0], q.th[1], q.th[2], q.th[3]); },
         [](P, P, P e, I x, I y, Q q) {
             if (F32(e.Px(x, y)) < q.th[0] || F32(e.Px(x, y)) > q.th[2]) std::memcpy(e.Px(x, y), &q.th[F32(e.Px(x, y)) < q.th[0] ? 1 : 3], 4);
         }},
        {"AlphaCompC_8u_AC4R", 4, 4, 4, 2,
         [](P a, P b, P d, Q q) { return px::AlphaCompC_8u_AC4R(a.p(), a.step, q.a1, b.p(), b.step, q.a2, d.p(), d.step, d.size(), q.type); },
         [](P a, P b, P e, I x, I y, Q q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = Clamp(RefComp(a.Px(x, y)[c], b.Px(x, y)[c], q.a1, q.a2, q.type)); }},
        {"ColorToGray_8u_AC4C1R", 4, 0, 1, 0, [](P s, P, P d, Q q) { return px::ColorToGray_8u_AC4C1R(s.p(), s.step, d.p(), d.step, d.size(), q.coeffs); },
         [](P s, P, P e, I x, I y, Q q) { *e.Px(x, y) = RefGrey(s.Px(x, y), q.coeffs); }},
        {"Lightness_8u_AC4C1R", 4, 0, 1, 0, [](P s, P, P d, Q) { return px::Lightness_8u_AC4C1R(s.p(), s.step, d.p(), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q) { U8 hls[3]; RefToHls(s.Px(x, y), hls); *e.Px(x, y) = hls[1]; }},
        {"BGRToHLS_8u_AC4R, HLSToRGB_8u_AC4R", 4, 0, 4, 1,
         [](P s, P, P d, Q q) { return (q.alt ? px::HLSToRGB_8u_AC4R : px::BGRToHLS_8u_AC4R)(s.p(), s.step, d.p(), d.step, d.size()); },
         [](P s, P, P e, I x, I y, Q q) { (q.alt ? RefToRgb : RefToHls)(s.Px(x, y), e.Px(x, y)); }},
        // One pixel never reaches a vector kernel: the plain kernel is the reference.
        {"RotateHue_8u_AC4IR", 0, 0, 4, 0,
         [](P, P, P d, Q q) { return px::RotateHue_8u_AC4IR(d.p(), d.step, d.size(), q.th[1] * 4 + q.th[2] * 1e20, (q.a1 - 64) / 128.0 + q.th[2], q.alt); },
         [](P, P, P e, I x, I y, Q q) { px::RotateHue_8u_AC4IR(e.Px(x, y), 4, {1, 1}, q.th[1] * 4 + q.th[2] * 1e20, (q.a1 - 64) / 128.0 + q.th[2], q.alt); }},
        {"Colorize_8u_AC4IR", 0, 0, 4, 0,
         [](P, P, P d, Q q) { return px::Colorize_8u_AC4IR(d.p(), d.step, d.size(), q.Tables().data(), (q.a1 - 64) / 128.0 + q.th[2], q.alt); },
         [](P, P, P e, I x, I y, Q q) { px::Colorize_8u_AC4IR(e.Px(x, y), 4, {1, 1}, q.Tables().data(), (q.a1 - 64) / 128.0 + q.th[2], q.alt); }},
        {"SwapChannels_8u_AC4R", 4, 0, 4, 0, [](P s, P, P d, Q q) { return px::SwapChannels_8u_AC4R(s.p(), s.step, d.p(), d.step, d.size(), q.order); },
         [](P s, P, P e, I x, I y, Q q) { for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = s.Px(x, y)[q.order[c]]; }},
        // With the destination equal to the source plane, the source lies inside the destination.

        {"CopyReplicateBorder_8u_C1R", 1, 0, 1, 1,
         [](P s, P, P d, Q q) { return px::CopyReplicateBorder_8u_C1R(s.Px(q.left, q.top), s.step, {q.sw, q.sh}, d.p(), d.step, d.size(), q.top, q.left); },
         [](P s, P, P e, I x, I y, Q q) { RefBorder(s, e, x, y, q.left, q.top, q.sw, q.sh, nullptr); }},
        {"CopyReplicateBorder_8u_AC4R, CopyConstBorder_8u_AC4R", 4, 0, 4, 1,
         [](P s, P, P d, Q q) {
             const U8* src = s.Px(q.left, q.top);
             return q.alt ? px::CopyConstBorder_8u_AC4R(src, s.step, {q.sw, q.sh}, d.p(), d.step, d.size(), q.top, q.left, q.v)
                          : px::CopyReplicateBorder_8u_AC4R(src, s.step, {q.sw, q.sh}, d.p(), d.step, d.size(), q.top, q.left);
         },
         [](P s, P, P e, I x, I y, Q q) { RefBorder(s, e, x, y, q.left, q.top, q.sw, q.sh, q.alt ? q.v : nullptr); }},
    };
}

TEST(PixelPrimitives, EveryLevelGivesTheReferenceBytesOnRandomRegions) {
    std::mt19937 rng(7);
    for (const Entry& f : Entries()) {
        SCOPED_TRACE(f.name);
        for (int trial = 0; trial < 60; ++trial) {
            // Up to four 16-pixel vectors plus odd pixels. Rows packed (walked as one row where all are), or
            // padded by one byte per pixel, or by a random count.
            const I w = 1 + Rand(rng, 70), h = 1 + Rand(rng, 4);
            const auto plane = [&](I bpp) {
                const I kind = Rand(rng, 4);
                return MakePlane(w, h, std::max(bpp, 1), kind < 2 ? 0 : (kind == 2 ? w : Rand(rng, 40)), rng() % 8, rng);
            };
            const Plane s1 = plane(f.bpp1), s2 = plane(f.bpp2);
            Plane d = plane(f.bppD);
            for (I i = 0; f.bppD == 4 && i < w * h; ++i) d.Px(i % w, i / w)[3] &= rng() % 2 ? 0 : 255;  // byte 3 is often 0
            const Params q = Draw(rng, w, h);
            const I alias = Rand(rng, f.alias + 1);
            if (alias != 0) d = Clone(alias == 1 ? s1 : s2);
            const Plane e = Clone(d), keep1 = Clone(s1), keep2 = Clone(s2);
            for (I i = 0; i < w * h; ++i) f.ref(s1, s2, e, i % w, i / w, q);
            ForEachLevel([&] {
                const Plane out = Clone(d);
                ASSERT_EQ(f.call(alias == 1 ? out : s1, alias == 2 ? out : s2, out, q), px::kStsOk);
                ASSERT_TRUE(Same(out, e)) << w << "x" << h << " step " << out.step << ", destination = source " << alias << ", variant " << q.alt;
                ASSERT_TRUE(Same(s1, keep1) && Same(s2, keep2)) << "a source changed";
            });
            if (HasFatalFailure()) return;
        }
    }
}

TEST(PixelPrimitives, SumAndMinimumOfRandomRegionsAtEveryLevel) {
    std::mt19937 rng(11);
    for (int trial = 0; trial < 60; ++trial) {
        const Plane s = MakePlane(1 + Rand(rng, 70), 1 + Rand(rng, 4), 4, trial % 3 ? Rand(rng, 40) : 0, rng() % 8, rng);
        const int floor = Rand(rng, 3) * 100;  // regions without zeros too; byte 3 stays random
        double want[3] = {0, 0, 0};
        U8 wantMin[3] = {255, 255, 255};
        for (I i = 0; i < s.w * s.h * 3; ++i) {
            U8& v = s.Px(i / 3 % s.w, i / 3 / s.w)[i % 3];
            v = static_cast<U8>(std::max<int>(v, floor));
            want[i % 3] += v;
            wantMin[i % 3] = std::min(wantMin[i % 3], v);
        }
        ForEachLevel([&] {
            double sum[3];
            U8 mn[3];
            ASSERT_EQ(px::Sum_8u_AC4R(s.p(), s.step, s.size(), sum), px::kStsOk);
            ASSERT_EQ(px::Min_8u_AC4R(s.p(), s.step, s.size(), mn), px::kStsOk);
            for (int c = 0; c < 3; ++c) ASSERT_TRUE(sum[c] == want[c] && mn[c] == wantMin[c]) << s.w << "x" << s.h << " step " << s.step;
        });
    }
    // The scan stops after a row whose three minima are 0: the next row would lie past the guard page.
    const Plane one = MakePlane(3, 1, 4, 0, 0, rng);
    std::memcpy(one.p(), "\0\5\5\11\5\0\5\11\5\5\0\11", 12);
    U8 mn[3] = {7, 7, 7};
    ASSERT_EQ(px::Min_8u_AC4R(one.p(), 1 << 20, {3, 1000}, mn), px::kStsOk);
    EXPECT_EQ(mn[0] | mn[1] | mn[2], 0);
}

// ---------------------------------------------------------------------------
// Every value: all bytes, pairs of bytes, 16-bit values and colours.

// At every level, call(out) on a copy of `init` gives `want`.
template <class Call>
void AtEveryLevel(const std::vector<U8>& init, const std::vector<U8>& want, Call call) {
    ForEachLevel([&] {
        std::vector<U8> out = init;
        ASSERT_EQ(call(out.data()), px::kStsOk);
        if (out == want) return;
        const auto at = std::mismatch(out.begin(), out.end(), want.begin()).first - out.begin();
        FAIL() << "first wrong byte " << at << " of row " << at / 1024;
    });
}

TEST(PixelPrimitives, EveryValueAtEveryLevel) {
    // 256 × 256 pixels, rows 1024 bytes apart: pixel (x, y) holds x in every byte of `a`, y in every byte of `b` (rows padded).
    std::vector<U8> a(1 << 18), b(256 * 1040, 0x77), blank(1 << 18, 0xC3), want;
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = static_cast<U8>(i / 4);
    for (std::size_t y = 0; y < 256; ++y) std::memset(&b[y * 1040], static_cast<int>(y), 1024);
    // want: `init` with bytes 0..2 of each pixel (x, y) set to ref(x, y, c).
    const auto expect = [&](const std::vector<U8>& init, auto ref) {
        want = init;
        for (int i = 0; i < 3 << 16; ++i) want[i / 3 * 4 + i % 3] = Clamp(ref(i / 3 % 256, i / 768, i % 3));
    };
    const auto k = [](int y, int c) { return c == 0 ? y : (c == 1 ? 255 - y : y ^ 0x55); };  // constant of row y
    for (const I sf : {0, 1, -1, 2, 7, 8, 30}) {
        SCOPED_TRACE("scale factor " + std::to_string(sf));
        for (const bool sub : {false, true}) {  // every byte with every constant, one constant per row
            expect(a, [&](int x, int y, int c) { return RefScale(sub ? x - k(y, c) : x + k(y, c), sf); });
            AtEveryLevel(a, want, [&](U8* d) {
                px::Status st = px::kStsOk;
                for (int y = 0; y < 256 && st == px::kStsOk; ++y) {
                    const U8 v[3] = {U8(k(y, 0)), U8(k(y, 1)), U8(k(y, 2))};
                    st = (sub ? px::SubC_8u_AC4IRSfs : px::AddC_8u_AC4IRSfs)(v, d + 1024 * y, 1024, {256, 1}, sf);
                }
                return st;
            });
        }
        expect(blank, [&](int x, int y, int) { return RefScale(x + y, sf); });
        AtEveryLevel(blank, want, [&](U8* d) { return px::Add_8u_AC4RSfs(a.data(), 1024, b.data(), 1040, d, 1024, {256, 256}, sf); });
        expect(blank, [&](int x, int, int) { return RefScale(x * x, sf); });
        AtEveryLevel(blank, want, [&](U8* d) { return px::Sqr_8u_AC4RSfs(a.data(), 1024, d, 1024, {256, 256}, sf); });
    }
    // Composition: every opacity over an opaque second image, then random opacities of every type.
    std::mt19937 rng(17);
    for (I i = 0; i < 256 + 36; ++i) {
        const I type = i < 260 ? 0 : i % 12, a1 = i < 256 ? i : Byte(rng), a2 = i < 256 ? 255 : (i < 260 ? 254 : Byte(rng));
        SCOPED_TRACE("type " + std::to_string(type) + ", opacities " + std::to_string(a1) + ", " + std::to_string(a2));
        expect(blank, [&](int x, int y, int) { return RefComp(x, y, a1, a2, type); });
        AtEveryLevel(blank, want, [&](U8* d) {
            return px::AlphaCompC_8u_AC4R(a.data(), 1024, U8(a1), b.data(), 1040, U8(a2), d, 1024, {256, 256}, type);
        });
    }
    // Lookup into rows 0..127, channel maps of rows 128..255 in place.
    for (int trial = 0; trial < 20; ++trial) {
        const Params q = Draw(rng, 1, 1);
        expect(a, [&](int x, int y, int c) { return y < 128 ? RefLut(x, q.levels[c], q.values[c], q.n[c]) : q.alt && x ? x : q.tables[c][x]; });
        AtEveryLevel(a, want, [&](U8* d) {
            const px::Status st = px::LUT_8u_AC4R(a.data(), 1024, d, 1024, {256, 128}, q.Values().data(), q.Levels().data(), q.n);
            return st != px::kStsOk ? st : px::MapChannels_8u_AC4IR(q.Tables().data(), d + 128 * 1024, 1024, {256, 128}, q.alt);
        });
    }
    // Every 16-bit value to a byte.
    std::vector<std::int16_t> wide(65536);
    std::vector<U8> narrow(65536);
    for (int i = 0; i < 65536; ++i) wide[i] = static_cast<std::int16_t>(i - 32768);
    for (int i = 0; i < 65536; ++i) narrow[i] = Clamp(i - 32768);
    AtEveryLevel(std::vector<U8>(65536), narrow, [&](U8* d) { return px::Convert_16s8u_C1R(wide.data(), 512, d, 256, {256, 256}); });
}

TEST(PixelPrimitives, EveryColourToGreyHueAndBothWaysBetweenHlsAndRgbAtEveryLevel) {
    // One 256 × 256 image per value of byte 2; the operations' grey weights.
    // Hue rotation and colorize (byte 3 often 0, often not; mask on) are
    // compared with the plain level's bytes.
    const float coeffs[3] = {0.11f, 0.59f, 0.30f};
    std::vector<U8> src(1 << 18), wantHls(1 << 18, 0x5C), wantRgb(1 << 18, 0xC5), wantGrey(256 * 260, 0xD7), wantLight(65536), wantHue, wantTint;
    for (std::uint32_t third = 0; third < 256; ++third) {
        for (std::uint32_t i = 0; i < 65536; ++i) {
            const U8 p[4] = {static_cast<U8>(i), static_cast<U8>(i >> 8), static_cast<U8>(third), static_cast<U8>(i % 3 ? 0 : i * 13)};
            std::memcpy(&src[4 * i], p, 4);
            RefToHls(p, &wantHls[4 * i]);
            RefToRgb(p, &wantRgb[4 * i]);
            wantGrey[i / 256 * 260 + i % 256] = RefGrey(p, coeffs);
            wantLight[i] = wantHls[4 * i + 1];
        }
        ForEachLevel([&] {
            std::vector<U8> hls(1 << 18, 0x5C), rgb(1 << 18, 0xC5), grey(256 * 260, 0xD7), light(65536), hue = src, tint = src;
            ASSERT_EQ(px::BGRToHLS_8u_AC4R(src.data(), 1024, hls.data(), 1024, {256, 256}), px::kStsOk);
            ASSERT_EQ(px::HLSToRGB_8u_AC4R(src.data(), 1024, rgb.data(), 1024, {256, 256}), px::kStsOk);
            ASSERT_EQ(px::ColorToGray_8u_AC4C1R(src.data(), 1024, grey.data(), 260, {256, 256}, coeffs), px::kStsOk);
            ASSERT_EQ(px::Lightness_8u_AC4C1R(src.data(), 1024, light.data(), 256, {256, 256}), px::kStsOk);
            ASSERT_EQ(px::RotateHue_8u_AC4IR(hue.data(), 1024, {256, 256}, third % 2 ? -123.4 : 250.0, third / 255.0, 1), px::kStsOk);
            const std::array<const U8*, 3> ramps{&src[third * 3 % 1024], &src[7], &src[4 * third]};
            ASSERT_EQ(px::Colorize_8u_AC4IR(tint.data(), 1024, {256, 256}, ramps.data(), third / 256.0, third % 2), px::kStsOk);
            if (px::GetProcessorIndex() == px::kCpuPlain) wantHue = hue, wantTint = tint;
            ASSERT_TRUE(hls == wantHls && rgb == wantRgb && grey == wantGrey && light == wantLight && hue == wantHue && tint == wantTint) << "byte 2 = " << third;
        });
        if (HasFatalFailure()) return;
    }
}

// ---------------------------------------------------------------------------
// Argument checks.

// The arguments of a call: pointer `ptr` null, the size, step `step` (kAll:
// every step) set to `stepValue`, own parameter `own` out of its range; -1
// for none. Good steps are 64 bytes, into 256-byte buffers; statistics go to
// the destination buffer too.
constexpr int kAll = 99;
struct Bad {
    int ptr = -1;
    px::RoiSize size{2, 2};
    int step = -1;
    I stepValue = 0;
    int own = -1;
};
alignas(16) U8 gSrc[256], gDst[256], gTable[256];
const I kLevels[2] = {0, 256}, kValues[2] = {5, 6}, kBadSteps[3] = {0, -1, INT32_MIN};
const U8* In(const Bad& b, int i) { return b.ptr == i ? nullptr : gSrc; }
U8* Out(const Bad& b, int i) { return b.ptr == i ? nullptr : gDst; }
I St(const Bad& b, int i) { return (b.step == i || b.step == kAll) ? b.stepValue : 64; }

struct ArgRow {
    const char* name;
    int pointers, steps;
    std::vector<px::Status> own;  // the status for each own parameter out of range
    std::function<px::Status(const Bad&)> call;
};

// A primitive shaped (src, src step, dst, dst step, size).
template <class S, class D>
ArgRow SrcDst(const char* name, px::Status (*f)(const S*, I, D*, I, px::RoiSize)) {
    return {name, 2, 2, {}, [f](const Bad& b) {
                return f(reinterpret_cast<const S*>(In(b, 0)), St(b, 0), reinterpret_cast<D*>(Out(b, 1)), St(b, 1), b.size);
            }};
}

// Borders of kind 0 (replicated), 1 (replicated, one byte per pixel) or 2
// (constant): the destination is the source size plus 2, the source at (1, 1).
ArgRow Border(const char* name, int kind) {
    return {name, kind == 2 ? 3 : 2, 2, std::vector<px::Status>(6, px::kStsBadSize), [kind](const Bad& b) {
                const px::RoiSize f{b.size.width + (b.own == 2 ? 0 : 2), b.size.height + (b.own == 3 ? 0 : 2)};
                const I top = b.own == 0 ? -1 : (b.own == 4 ? INT32_MAX : 1), left = b.own == 1 ? -1 : (b.own == 5 ? INT32_MAX : 1);
                return kind == 0   ? px::CopyReplicateBorder_8u_AC4R(In(b, 0), St(b, 0), b.size, Out(b, 1), St(b, 1), f, top, left)
                       : kind == 1 ? px::CopyReplicateBorder_8u_C1R(In(b, 0), St(b, 0), b.size, Out(b, 1), St(b, 1), f, top, left)
                                   : px::CopyConstBorder_8u_AC4R(In(b, 0), St(b, 0), b.size, Out(b, 1), St(b, 1), f, top, left, In(b, 2));
            }};
}

std::vector<ArgRow> ArgRows() {
    const px::Status order = px::kStsBadChannelOrder, alpha = px::kStsBadAlphaType;
    return {
        SrcDst("Copy_8u_AC4R", px::Copy_8u_AC4R), SrcDst("Copy_8u_C1C4R", px::Copy_8u_C1C4R),
        SrcDst("Copy_8u_C4C1R", px::Copy_8u_C4C1R), SrcDst("Convert_8u16s_C1R", px::Convert_8u16s_C1R),
        SrcDst("Convert_8u16s_AC4R", px::Convert_8u16s_AC4R), SrcDst("Convert_16s8u_C1R", px::Convert_16s8u_C1R),
        SrcDst("Convert_16s8u_AC4R", px::Convert_16s8u_AC4R), SrcDst("BGRToHLS_8u_AC4R", px::BGRToHLS_8u_AC4R),
        SrcDst("HLSToRGB_8u_AC4R", px::HLSToRGB_8u_AC4R),
        SrcDst("Lightness_8u_AC4C1R", px::Lightness_8u_AC4C1R),
        {"AddSubC_8u_AC4IR", 3, 1, {}, [](const Bad& b) { return px::AddSubC_8u_AC4IR(In(b, 0), In(b, 1), Out(b, 2), St(b, 0), b.size); }},
        {"Colorize_8u_AC4IR", 5, 1, {}, [](const Bad& b) {
             const std::array<const U8*, 3> r{In(b, 2), In(b, 3), In(b, 4)};
             return px::Colorize_8u_AC4IR(Out(b, 0), St(b, 0), b.size, b.ptr == 1 ? nullptr : r.data(), 0.5, 0); }},
        {"RotateHue_8u_AC4IR", 1, 1, {}, [](const Bad& b) { return px::RotateHue_8u_AC4IR(Out(b, 0), St(b, 0), b.size, 90.0, 1.0, 0); }},
        {"Copy_8u_P4C4R", 6, 2, {}, [](const Bad& b) {
             const std::array<const U8*, 4> planes{In(b, 1), In(b, 2), In(b, 3), In(b, 4)};
             return px::Copy_8u_P4C4R(b.ptr == 0 ? nullptr : planes.data(), St(b, 0), Out(b, 5), St(b, 1), b.size); }},
        {"Set_8u_AC4R", 2, 1, {}, [](const Bad& b) { return px::Set_8u_AC4R(In(b, 0), Out(b, 1), St(b, 0), b.size); }},
        {"Set_8u_C4R", 2, 1, {}, [](const Bad& b) { return px::Set_8u_C4R(In(b, 0), Out(b, 1), St(b, 0), b.size); }},
        {"AddC_8u_AC4IRSfs", 2, 1, {}, [](const Bad& b) { return px::AddC_8u_AC4IRSfs(In(b, 0), Out(b, 1), St(b, 0), b.size, 0); }},
        {"SubC_8u_AC4IRSfs", 2, 1, {}, [](const Bad& b) { return px::SubC_8u_AC4IRSfs(In(b, 0), Out(b, 1), St(b, 0), b.size, 0); }},
        {"Add_8u_AC4RSfs", 3, 3, {}, [](const Bad& b) { return px::Add_8u_AC4RSfs(In(b, 0), St(b, 0), In(b, 1), St(b, 1), Out(b, 2), St(b, 2), b.size, 1); }},
        {"Sqr_8u_AC4RSfs", 2, 2, {}, [](const Bad& b) { return px::Sqr_8u_AC4RSfs(In(b, 0), St(b, 0), Out(b, 1), St(b, 1), b.size, 7); }},
        {"Sum_8u_AC4R", 2, 1, {}, [](const Bad& b) { return px::Sum_8u_AC4R(In(b, 0), St(b, 0), b.size, b.ptr == 1 ? nullptr : reinterpret_cast<double*>(gDst + 128)); }},
        {"Min_8u_AC4R", 2, 1, {}, [](const Bad& b) { return px::Min_8u_AC4R(In(b, 0), St(b, 0), b.size, b.ptr == 1 ? nullptr : gDst + 200); }},
        {"LUT_8u_AC4R", 7, 2, {px::kStsFewLevels, px::kStsFewLevels}, [](const Bad& b) {
             const I* vs[3] = {b.ptr == 5 ? nullptr : kValues, kValues, kValues};
             const I* ls[3] = {kLevels, kLevels, b.ptr == 6 ? nullptr : kLevels};
             const I n[3] = {b.own == 0 ? 1 : 2, 2, b.own == 1 ? INT32_MIN : 2};
             return px::LUT_8u_AC4R(In(b, 0), St(b, 0), Out(b, 1), St(b, 1), b.size, b.ptr == 2 ? nullptr : vs, b.ptr == 3 ? nullptr : ls, b.ptr == 4 ? nullptr : n);
         }},
        {"MapChannels_8u_AC4IR", 3, 1, {}, [](const Bad& b) {
             const std::array<const U8*, 3> t{b.ptr == 2 ? nullptr : gTable, gTable, gTable};
             return px::MapChannels_8u_AC4IR(b.ptr == 0 ? nullptr : t.data(), Out(b, 1), St(b, 0), b.size, 1); }},
        {"Threshold_LTValGTVal_32f_C1IR", 1, 1, {px::kStsBadThreshold}, [](const Bad& b) {
             return px::Threshold_LTValGTVal_32f_C1IR(reinterpret_cast<float*>(Out(b, 0)), St(b, 0), b.size, b.own == 0 ? 2.0f : 1.0f, 0.0f, 1.5f, 0.0f);
         }},
        {"AlphaCompC_8u_AC4R", 3, 3, {alpha, alpha, alpha}, [](const Bad& b) {
             const I type = b.own == 0 ? 12 : (b.own == 1 ? -1 : (b.own == 2 ? INT32_MIN : 11));
             return px::AlphaCompC_8u_AC4R(In(b, 0), St(b, 0), 9, In(b, 1), St(b, 1), 255, Out(b, 2), St(b, 2), b.size, type);
         }},
        {"ColorToGray_8u_AC4C1R", 2, 2, {}, [](const Bad& b) { return px::ColorToGray_8u_AC4C1R(In(b, 0), St(b, 0), Out(b, 1), St(b, 1), b.size, nullptr); }},
        {"SwapChannels_8u_AC4R", 3, 2, {order, order, order}, [](const Bad& b) {
             const I o[3] = {b.own == 0 ? 3 : 2, b.own == 1 ? -1 : 1, b.own == 2 ? INT32_MIN : 0};
             return px::SwapChannels_8u_AC4R(In(b, 0), St(b, 0), Out(b, 1), St(b, 1), b.size, b.ptr == 2 ? nullptr : o);
         }},
        Border("CopyReplicateBorder_8u_AC4R", 0), Border("CopyReplicateBorder_8u_C1R", 1), Border("CopyConstBorder_8u_AC4R", 2),
    };
}

TEST(PixelPrimitives, ArgumentChecksInOrderAndNothingWrittenOnRefusal) {
    for (const ArgRow& r : ArgRows()) {
        SCOPED_TRACE(r.name);
        std::memset(gDst, 0x5A, sizeof gDst);
        // Every argument that is checked after the one a case is about is wrong too.
        for (int i = 0; i < r.pointers; ++i) EXPECT_EQ(r.call({i, {0, -1}, kAll, 0, 0}), px::kStsNullPtr) << "pointer " << i;
        for (const px::RoiSize s : {px::RoiSize{0, 2}, {2, 0}, {-1, 2}, {2, INT32_MIN}}) EXPECT_EQ(r.call({-1, s, kAll, 0, 0}), px::kStsBadSize);
        for (int i = 0; i < r.steps * 3; ++i) EXPECT_EQ(r.call({-1, {2, 2}, i / 3, kBadSteps[i % 3], 0}), px::kStsBadStep) << i;
        for (std::size_t k = 0; k < r.own.size(); ++k) EXPECT_EQ(r.call({-1, {2, 2}, -1, 0, int(k)}), r.own[k]) << "own parameter " << k;
        EXPECT_TRUE(std::all_of(gDst, gDst + sizeof gDst, [](U8 v) { return v == 0x5A; }));
        EXPECT_EQ(r.call(Bad{}), px::kStsOk);
        EXPECT_EQ(r.call({-1, {2, 1}, kAll, 1, -1}), px::kStsOk);  // a step of 1 is valid
    }
}

}  // namespace
