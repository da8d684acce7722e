// Edge primitives and the 8u16s derivative filters against references
// written from their formulas, at every implementation level: random regions
// (odd widths, padded rows, sources ending on a guard page), the Canny
// detector against a literal run of its steps (float grid, unbounded stack)
// on random and adversarial derivatives, and every argument check.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "primitives/edge.h"
#include "primitives/edge_kernels.h"
#include "primitives/linear_filter.h"
#include "tests/primitives/support.h"

namespace {

namespace px = vtx::px;
using namespace vtxtest;
using I = std::int32_t;
using S16 = std::int16_t;

// Runs `call` on a copy of dst0 at every level; the whole buffer must equal `want`.
void EveryLevel(const Plane& dst0, const Plane& want, const std::function<px::Status(const Plane&)>& call) {
    ForEachLevel([&] {
        const Plane dst = Clone(dst0);
        ASSERT_EQ(call(dst), 0);
        ASSERT_TRUE(Same(dst, want)) << dst.w << "x" << dst.h;
    });
}

// ---------------------------------------------------------------------------
// Fixed 8u16s kernels: P(dx, dy) around the destination pixel.
using Pf = std::function<int(int, int)>;
using Masked = px::Status (*)(const U8*, I, S16*, I, px::RoiSize, I);
int SobelH5(const Pf& P, int y) { return P(-2, y) + 4 * P(-1, y) + 6 * P(0, y) + 4 * P(1, y) + P(2, y); }
int SobelG5(const Pf& P, int y) { return P(-2, y) - P(2, y) + 2 * (P(-1, y) - P(1, y)); }
const struct {
    Masked fn;
    I mask;
    int (*ref)(const Pf&);
} kFilters[] = {
    {[](const U8* s, I ss, S16* d, I ds, px::RoiSize r, I) { return px::FilterScharrVert_8u16s_C1R(s, ss, d, ds, r); }, 33,
     [](const Pf& P) { auto d = [&](int y) { return P(1, y) - P(-1, y); }; return 3 * d(-1) + 10 * d(0) + 3 * d(1); }},
    {[](const U8* s, I ss, S16* d, I ds, px::RoiSize r, I) { return px::FilterScharrHoriz_8u16s_C1R(s, ss, d, ds, r); }, 33,
     [](const Pf& P) { auto s = [&](int y) { return 3 * P(-1, y) + 10 * P(0, y) + 3 * P(1, y); }; return s(1) - s(-1); }},
    {px::FilterSobelVert_8u16s_C1R, 33, [](const Pf& P) { auto g = [&](int y) { return P(-1, y) - P(1, y); }; return g(-1) + 2 * g(0) + g(1); }},
    {px::FilterSobelVert_8u16s_C1R, 55, [](const Pf& P) { auto g = [&](int y) { return SobelG5(P, y); }; return g(-2) + 4 * g(-1) + 6 * g(0) + 4 * g(1) + g(2); }},
    {px::FilterSobelHoriz_8u16s_C1R, 33, [](const Pf& P) { auto h = [&](int y) { return P(-1, y) + 2 * P(0, y) + P(1, y); }; return h(1) - h(-1); }},
    {px::FilterSobelHoriz_8u16s_C1R, 55, [](const Pf& P) { auto h = [&](int y) { return SobelH5(P, y); }; return h(2) - h(-2) + 2 * (h(1) - h(-1)); }},
    {px::FilterSobelVertSecond_8u16s_C1R, 33, [](const Pf& P) { auto e = [&](int y) { return P(-1, y) + P(1, y) - 2 * P(0, y); }; return e(-1) + 2 * e(0) + e(1); }},
    {px::FilterSobelVertSecond_8u16s_C1R, 55, [](const Pf& P) { auto e = [&](int y) { return P(-2, y) + P(2, y) - 2 * P(0, y); }; return e(-2) + 4 * e(-1) + 6 * e(0) + 4 * e(1) + e(2); }},
    {px::FilterSobelHorizSecond_8u16s_C1R, 33, [](const Pf& P) { auto h = [&](int y) { return P(-1, y) + 2 * P(0, y) + P(1, y); }; return h(-1) + h(1) - 2 * h(0); }},
    {px::FilterSobelHorizSecond_8u16s_C1R, 55, [](const Pf& P) { auto h = [&](int y) { return SobelH5(P, y); }; return h(-2) + h(2) - 2 * h(0); }},
    {px::FilterSobelCross_8u16s_C1R, 33, [](const Pf& P) { auto g = [&](int y) { return P(-1, y) - P(1, y); }; return g(1) - g(-1); }},
    {px::FilterSobelCross_8u16s_C1R, 55, [](const Pf& P) { auto g = [&](int y) { return SobelG5(P, y); }; return g(2) - g(-2) + 2 * (g(1) - g(-1)); }},
};

TEST(Filter8u16s, MatchesFormulasAtEveryLevel) {
    std::mt19937 rng(71);
    for (const auto& f : kFilters) {
        const I r = f.mask == 55 ? 2 : 1;
        for (int trial = 0; trial < 24; ++trial) {
            // Widths up to 70 and, once per filter, one above the chunk size;
            // a third of the sources only 0 and 255; odd destination steps.
            const I w = trial == 0 ? 1100 : 1 + I(rng() % 70), h = 1 + I(rng() % 5);
            const Plane src = MakePlane(w + 2 * r, h + 2 * r, 1, I(rng() % 9), rng() % 5, rng);
            for (std::size_t i = 0; trial % 3 == 0 && i < src.bytes; ++i) src.mem.get()[i] = (rng() & 1) ? 255 : 0;
            const Plane dst0 = MakePlane(w, h, 2, I(rng() % 5), rng() % 3, rng), want = Clone(dst0);
            for (I y = 0; y < h; ++y) {
                for (I x = 0; x < w; ++x) {
                    const S16 v = static_cast<S16>(f.ref([&](int dx, int dy) { return int(*src.Px(x + r + dx, y + r + dy)); }));
                    std::memcpy(want.Px(x, y), &v, 2);
                }
            }
            EveryLevel(dst0, want, [&](const Plane& d) { return f.fn(src.Px(r, r), src.step, reinterpret_cast<S16*>(d.p()), d.step, {w, h}, f.mask); });
        }
    }
}

// ---------------------------------------------------------------------------
// 3 x 3 Sobel derivatives with clamped (or, flag 1 of Dy, mirrored) borders.
I MapIndex(I i, I n, bool mirror) {
    if (i >= 0 && i < n) return i;
    if (!mirror || n == 1) return i < 0 ? 0 : n - 1;
    return i < 0 ? 1 : n - 2;
}

TEST(Sobel3x3, MatchesFormulasAtEveryLevel) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 150; ++trial) {
        const I w = trial < 3 ? 1030 + trial : 1 + I(rng() % 70), h = 2 + I(rng() % 6), kind = trial % 3;  // Dx, Dy 0, Dy 1
        const Plane src = MakePlane(w, h, 1, I(rng() % 7), rng() % 4, rng);
        const Plane dst0 = MakePlane(w, h, 2, 2 * I(rng() % 3), 2 * (rng() % 3), rng), want = Clone(dst0);
        auto P = [&](I x, I y) { return int(*src.Px(MapIndex(x, w, kind == 2), MapIndex(y, h, kind == 2))); };
        for (I y = 0; y < h; ++y) {
            for (I x = 0; x < w; ++x) {
                auto d = [&](I yy) { return P(x + 1, yy) - P(x - 1, yy); };
                auto s = [&](I yy) { return P(x - 1, yy) + 2 * P(x, yy) + P(x + 1, yy); };
                const S16 v = static_cast<S16>(kind == 0 ? d(y - 1) + 2 * d(y) + d(y + 1) : s(y + 1) - s(y - 1));
                std::memcpy(want.Px(x, y), &v, 2);
            }
        }
        EveryLevel(dst0, want, [&](const Plane& dst) {
            S16* d = reinterpret_cast<S16*>(dst.p());
            return kind == 0 ? px::Sobel3x3_Dx_8u16s_C1R(src.p(), src.step, d, dst.step, {w, h})
                             : px::Sobel3x3_Dy_8u16s_C1R(src.p(), src.step, d, dst.step, kind - 1, {w, h});
        });
    }
}

TEST(Sobel3x3, VerticalStepEdge) {
    std::vector<U8> src(6 * 3, 100);
    for (int y = 0; y < 3; ++y) src[6 * y] = src[6 * y + 1] = 0;
    std::vector<S16> dx(6 * 3, -1);
    ASSERT_EQ(px::Sobel3x3_Dx_8u16s_C1R(src.data(), 6, dx.data(), 12, {6, 3}), 0);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(dx[i], (i % 6 == 1 || i % 6 == 2) ? 400 : 0) << i;
}

// ---------------------------------------------------------------------------
// The detector, step by step: a float grid with a zero frame,
// direction codes, suppression in scan order, tracing with an unbounded
// stack. Writes the edge map into the region of `out`.
S16 At(const Plane& p, I x, I y) { S16 v; std::memcpy(&v, p.Px(x, y), 2); return v; }

int RefDirection(S16 x, S16 y) {
    const double t = 0.4142000079154968f, ax = std::abs(double(x)), ay = std::abs(double(y));
    return 2 * ax + ax * t < ay ? 3 : (ay < ax * t ? 1 : ((x < 0) == (y < 0) ? 2 : 4));
}

void RefCanny(const Plane& dx, const Plane& dy, float low, float high, const Plane& out) {
    const I w = dx.w, h = dx.h, W = w + 2;
    std::vector<float> g(std::size_t(W) * (h + 2), 0.0f);
    std::vector<int> dir(g.size(), 0);
    for (I r = 0; r < h; ++r) {
        for (I c = 0; c < w; ++c) {
            const double m = std::abs(double(At(dx, c, r))) + std::abs(double(At(dy, c, r)));
            if (m <= low) continue;
            g[std::size_t(r + 1) * W + c + 1] = float(m);
            dir[std::size_t(r + 1) * W + c + 1] = RefDirection(At(dx, c, r), At(dy, c, r));
        }
    }
    std::vector<std::pair<I, I>> stack;
    for (I r = 1; r <= h; ++r) {
        for (I c = 1; c <= w; ++c) {
            const std::size_t k = std::size_t(r) * W + c;
            const float m = g[k];
            const std::ptrdiff_t off = dir[k] == 1 ? 1 : (dir[k] == 3 ? W : (dir[k] == 2 ? W + 1 : W - 1));
            if (m == 0) continue;
            if (m <= g[k + off] || std::fabs(g[k - off]) >= m) {
                g[k] = -m;
            } else if (m > high) {
                stack.push_back({r, c});
            }
        }
    }
    std::vector<U8> e(g.size(), 0);
    while (!stack.empty()) {
        const auto [r, c] = stack.back();
        stack.pop_back();
        for (I k = 0; k < 9 && e[std::size_t(r) * W + c] == 0; ++k) {
            const std::size_t n = std::size_t(r - 1 + k / 3) * W + c - 1 + k % 3;
            if (k != 4 && g[n] > low && e[n] == 0) stack.push_back({r - 1 + k / 3, c - 1 + k % 3});
        }
        e[std::size_t(r) * W + c] = 255;
    }
    for (I r = 0; r < h; ++r) std::memcpy(out.Px(0, r), &e[std::size_t(r + 1) * W + 1], w);
}

// Derivatives from gen(x, y) in padded planes, the working buffer exactly the
// reported size and ending on a guard page; every level against the reference.
void CheckCanny(I w, I h, float low, float high, std::mt19937& rng, const std::function<std::pair<int, int>(I, I)>& gen) {
    const Plane dx = MakePlane(w, h, 2, 2 * I(rng() % 3), 2 * (rng() % 2), rng), dy = MakePlane(w, h, 2, 2 * I(rng() % 3), 0, rng);
    for (I y = 0; y < h; ++y) {
        for (I x = 0; x < w; ++x) {
            const S16 a = S16(gen(x, y).first), b = S16(gen(x, y).second);
            std::memcpy(dx.Px(x, y), &a, 2);
            std::memcpy(dy.Px(x, y), &b, 2);
        }
    }
    const Plane dst0 = MakePlane(w, h, 1, I(rng() % 4), rng() % 3, rng), want = Clone(dst0);
    RefCanny(dx, dy, low, high, want);
    I bytes = 0;
    ASSERT_EQ(px::CannyGetSize({w, h}, &bytes), 0);
    ASSERT_EQ(bytes, 12 * (w + 2) * (h + 2));
    const auto buffer = GuardedBytes(std::size_t(bytes));
    EveryLevel(dst0, want, [&](const Plane& d) {
        return px::Canny_16s8u_C1R(reinterpret_cast<S16*>(dx.p()), dx.step, reinterpret_cast<S16*>(dy.p()), dy.step, d.p(),
                                   d.step, {w, h}, low, high, buffer.get());
    });
}

TEST(Canny, MatchesLiteralAlgorithmAtEveryLevel) {
    std::mt19937 rng(2024);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float thresholds[][2] = {{0, 0}, {10, 10}, {5, 30}, {20.5f, 60.7f}, {0, 200}, {nan, 20}, {3, nan},
                                   {nan, -1}, {inf, inf}, {0.5f, 65535.5f}, {65536, 70000}};
    // Small random, full range, checkerboard, all high (m up to 65536),
    // dense ridges, a repeating texture.
    const std::function<std::pair<int, int>(I, I)> patterns[] = {
        [&](I, I) { return std::pair{int(rng() % 81) - 40, int(rng() % 81) - 40}; },
        [&](I, I) { return std::pair{int(S16(rng())), int(S16(rng()))}; },
        [&](I x, I y) { return std::pair{(x + y) % 2 ? 40 : -40, (x + y) % 2 ? -17 : 17}; },
        [&](I, I) { return std::pair{rng() % 3 ? 30 : -32768, -32768}; },
        [&](I x, I y) { return std::pair{int(rng() % 3), y % 2 ? 50 + x % 3 : int(rng() % 5)}; },
        [&](I x, I y) { return std::pair{((x + y) % 2 ? 1 : -1) * (20 + (x * 7 + y * 3) % 9), (x * 5) % 11}; },
    };
    for (int trial = 0; trial < 264; ++trial) {
        const auto& th = thresholds[trial % 11];
        CheckCanny(1 + I(rng() % 40), 1 + I(rng() % 30), th[0], th[1], rng, patterns[trial % 6]);
        if (HasFatalFailure()) return;
    }
    // Uniform: no edges. Ridges where nearly every pixel survives and is a
    // seed, on an image large enough that a stack with duplicates would
    // outgrow w·h entries.
    CheckCanny(7, 5, 0, 0, rng, [](I, I) { return std::pair{0, 0}; });
    CheckCanny(301, 203, 2, 3, rng, [](I x, I y) { return std::pair{x % 5, y % 2 ? 900 + x % 2 : 0}; });
    CheckCanny(301, 203, 2, 5000, rng, [](I x, I y) { return std::pair{x % 5, y % 2 ? 900 + x % 2 : 0}; });
}

// The exact direction tests of the vector kernels: every |dx| with |dy| on
// and next to both decision boundaries, signs random.
TEST(Canny, DirectionBoundariesAtEveryLevel) {
    std::mt19937 rng(3);
    std::vector<S16> dx, dy;
    for (std::int64_t ax = 0; ax <= 32768; ++ax) {
        const std::int64_t b1 = (ax * 6949123 + (1 << 24) - 1) >> 24, b3 = (ax * (6949123 + (std::int64_t{1} << 25))) >> 24;
        for (std::int64_t ay : {b1 - 1, b1, b1 + 1, b3 - 1, b3, b3 + 1}) {
            if (ay < 0 || ay > 32768) continue;
            dx.push_back(S16(ax == 32768 || (rng() & 1) ? -ax : ax));
            dy.push_back(S16(ay == 32768 || (rng() & 1) ? -ay : ay));
        }
    }
    std::vector<std::int32_t> mag(dx.size());
    std::vector<U8> dir(dx.size());
    ForEachLevel([&] {
        px::edge::CurrentKernels().magnitude(dx.data(), dy.data(), I(dx.size()), 0, mag.data(), dir.data());
        for (std::size_t i = 0; i < dx.size(); ++i) {
            const I m = std::abs(I(dx[i])) + std::abs(I(dy[i]));
            ASSERT_EQ(int(dir[i]), m == 0 ? 0 : RefDirection(dx[i], dy[i])) << dx[i] << " " << dy[i];
            ASSERT_EQ(mag[i], m);
        }
    });
}

// ---------------------------------------------------------------------------
// Argument checks: every status, and nothing written by any rejected call.
TEST(EdgeAndFilter8u16s, ArgumentChecks) {
    U8 src[64] = {}, d8[32], buf[1024];
    S16 d16[32];
    std::memset(d16, 0x5A, sizeof d16);
    std::memset(d8, 0x5A, sizeof d8);
    std::memset(buf, 0x5A, sizeof buf);
    const px::RoiSize ok{4, 3};
    I* size = reinterpret_cast<I*>(buf);
    const px::Status got[][2] = {
        {-8, px::Sobel3x3_Dx_8u16s_C1R(nullptr, 4, d16, 8, ok)}, {-8, px::Sobel3x3_Dx_8u16s_C1R(src, 4, nullptr, 0, {0, 0})},
        {-6, px::Sobel3x3_Dx_8u16s_C1R(src, 0, d16, 7, {4, 1})}, {-6, px::Sobel3x3_Dx_8u16s_C1R(src, 4, d16, 8, {0, 3})},
        {-14, px::Sobel3x3_Dx_8u16s_C1R(src, 0, d16, 7, ok)}, {-14, px::Sobel3x3_Dx_8u16s_C1R(src, 4, d16, 0, ok)},
        {-108, px::Sobel3x3_Dx_8u16s_C1R(src, 4, d16, 9, ok)}, {-6, px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 8, 0, {4, 1})},
        {-8, px::Sobel3x3_Dy_8u16s_C1R(src, 4, nullptr, 8, 0, ok)}, {-14, px::Sobel3x3_Dy_8u16s_C1R(src, -4, d16, 8, 2, ok)},
        {-108, px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 9, 2, ok)}, {-5, px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 8, 2, ok)},
        {-5, px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 8, -1, ok)},
        {-8, px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, 1, 2, nullptr)},
        {-8, px::Canny_16s8u_C1R(nullptr, 8, d16, 8, d8, 4, ok, 1, 2, buf)},
        {-8, px::Canny_16s8u_C1R(d16, 8, nullptr, 8, d8, 4, ok, 1, 2, buf)},
        {-8, px::Canny_16s8u_C1R(d16, 8, d16, 8, nullptr, 4, {0, 0}, 1, 2, buf)},
        {-6, px::Canny_16s8u_C1R(d16, 0, d16, 8, d8, 4, {4, 0}, 1, 2, buf)},
        {-6, px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, {INT_MAX, 1}, 1, 2, buf)},
        {-6, px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, {20000, 20000}, 1, 2, buf)},
        {-14, px::Canny_16s8u_C1R(d16, 8, d16, 0, d8, 4, ok, 1, 2, buf)},
        {-14, px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 0, ok, 3, 2, buf)},
        {-108, px::Canny_16s8u_C1R(d16, 7, d16, 8, d8, 4, ok, 3, 2, buf)},
        {-108, px::Canny_16s8u_C1R(d16, 8, d16, 9, d8, 4, ok, 3, 2, buf)},
        {-5, px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, 3, 2, buf)},
        {-5, px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, -0.5f, 2, buf)},
        {-5, px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, 1, -1, buf)},
        {-8, px::FilterScharrVert_8u16s_C1R(nullptr, 4, d16, 8, ok)}, {-6, px::FilterScharrHoriz_8u16s_C1R(src + 9, 0, d16, 8, {4, 0})},
        {-14, px::FilterScharrHoriz_8u16s_C1R(src + 9, 4, d16, 0, ok)}, {-33, px::FilterSobelVert_8u16s_C1R(src + 9, 8, d16, 8, ok, 35)},
        {-33, px::FilterSobelHoriz_8u16s_C1R(src + 9, 8, d16, 8, ok, 53)}, {-33, px::FilterSobelVertSecond_8u16s_C1R(src + 9, 8, d16, 8, ok, 3)},
        {-33, px::FilterSobelHorizSecond_8u16s_C1R(src + 9, 8, d16, 8, ok, 0)}, {-33, px::FilterSobelCross_8u16s_C1R(src + 9, 8, d16, 8, ok, 13)},
        {-14, px::FilterSobelCross_8u16s_C1R(src + 9, 8, d16, -8, ok, 13)}, {-6, px::FilterSobelCross_8u16s_C1R(src + 9, 8, d16, -8, {4, -1}, 13)},
        {-8, px::FilterSobelVert_8u16s_C1R(src + 9, 8, nullptr, 8, {4, -1}, 13)}, {-8, px::CannyGetSize({4, 4}, nullptr)},
        {-6, px::CannyGetSize({0, 4}, size)}, {-6, px::CannyGetSize({4, -1}, size)}, {-6, px::CannyGetSize({13376, 13376}, size)},
        {-6, px::CannyGetSize({INT_MAX, INT_MAX}, size)}, {-6, px::CannyGetSize({1, INT_MAX}, size)},
    };
    for (std::size_t i = 0; i < std::size(got); ++i) EXPECT_EQ(got[i][1], got[i][0]) << "case " << i;
    for (S16 v : d16) ASSERT_EQ(v, 0x5A5A);
    for (U8 v : d8) ASSERT_EQ(v, 0x5A);
    for (U8 v : buf) ASSERT_EQ(v, 0x5A);
    // 10 x 5 (12·12·7 bytes), and the largest square image whose size fits 32 bits.
    EXPECT_EQ(px::CannyGetSize({10, 5}, size), 0);
    EXPECT_EQ(*size, 1008);
    EXPECT_EQ(px::CannyGetSize({13375, 13375}, size), 0);
    EXPECT_EQ(*size, 12 * 13377 * 13377);
}

}  // namespace
