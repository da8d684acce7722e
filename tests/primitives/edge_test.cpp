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

// ---------------------------------------------------------------------------
// Fixed 8u16s kernels: P(dx, dy) around the destination pixel.
using Pf = std::function<int(int, int)>;
struct FilterCase {
    const char* name;
    I mask;  // 0 for the Scharr pair
    int (*ref)(const Pf&);
};
int SobelH5(const Pf& P, int y) { return P(-2, y) + 4 * P(-1, y) + 6 * P(0, y) + 4 * P(1, y) + P(2, y); }
int SobelG5(const Pf& P, int y) { return P(-2, y) - P(2, y) + 2 * (P(-1, y) - P(1, y)); }
const FilterCase kFilters[] = {
    {"ScharrVert", 0, [](const Pf& P) { auto d = [&](int y) { return P(1, y) - P(-1, y); }; return 3 * d(-1) + 10 * d(0) + 3 * d(1); }},
    {"ScharrHoriz", 0, [](const Pf& P) { auto s = [&](int y) { return 3 * P(-1, y) + 10 * P(0, y) + 3 * P(1, y); }; return s(1) - s(-1); }},
    {"SobelVert", 33, [](const Pf& P) { auto g = [&](int y) { return P(-1, y) - P(1, y); }; return g(-1) + 2 * g(0) + g(1); }},
    {"SobelVert", 55, [](const Pf& P) { auto g = [&](int y) { return SobelG5(P, y); }; return g(-2) + 4 * g(-1) + 6 * g(0) + 4 * g(1) + g(2); }},
    {"SobelHoriz", 33, [](const Pf& P) { auto h = [&](int y) { return P(-1, y) + 2 * P(0, y) + P(1, y); }; return h(1) - h(-1); }},
    {"SobelHoriz", 55, [](const Pf& P) { auto h = [&](int y) { return SobelH5(P, y); }; return h(2) - h(-2) + 2 * (h(1) - h(-1)); }},
    {"SobelVertSecond", 33, [](const Pf& P) { auto e = [&](int y) { return P(-1, y) + P(1, y) - 2 * P(0, y); }; return e(-1) + 2 * e(0) + e(1); }},
    {"SobelVertSecond", 55, [](const Pf& P) { auto e = [&](int y) { return P(-2, y) + P(2, y) - 2 * P(0, y); }; return e(-2) + 4 * e(-1) + 6 * e(0) + 4 * e(1) + e(2); }},
    {"SobelHorizSecond", 33, [](const Pf& P) { auto h = [&](int y) { return P(-1, y) + 2 * P(0, y) + P(1, y); }; return h(-1) + h(1) - 2 * h(0); }},
    {"SobelHorizSecond", 55, [](const Pf& P) { auto h = [&](int y) { return SobelH5(P, y); }; return h(-2) + h(2) - 2 * h(0); }},
    {"SobelCross", 33, [](const Pf& P) { auto g = [&](int y) { return P(-1, y) - P(1, y); }; return g(1) - g(-1); }},
    {"SobelCross", 55, [](const Pf& P) { auto g = [&](int y) { return SobelG5(P, y); }; return g(2) - g(-2) + 2 * (g(1) - g(-1)); }},
};

px::Status CallFilter(const std::string& name, I mask, const U8* s, I ss, S16* d, I ds, px::RoiSize r) {
    if (name == "ScharrVert") return px::FilterScharrVert_8u16s_C1R(s, ss, d, ds, r);
    if (name == "ScharrHoriz") return px::FilterScharrHoriz_8u16s_C1R(s, ss, d, ds, r);
    if (name == "SobelVert") return px::FilterSobelVert_8u16s_C1R(s, ss, d, ds, r, mask);
    if (name == "SobelHoriz") return px::FilterSobelHoriz_8u16s_C1R(s, ss, d, ds, r, mask);
    if (name == "SobelVertSecond") return px::FilterSobelVertSecond_8u16s_C1R(s, ss, d, ds, r, mask);
    if (name == "SobelHorizSecond") return px::FilterSobelHorizSecond_8u16s_C1R(s, ss, d, ds, r, mask);
    return px::FilterSobelCross_8u16s_C1R(s, ss, d, ds, r, mask);
}

TEST(Filter8u16s, MatchesFormulasAtEveryLevel) {
    std::mt19937 rng(71);
    for (const FilterCase& f : kFilters) {
        const I r = f.mask == 55 ? 2 : 1;
        for (int trial = 0; trial < 24; ++trial) {
            // Widths up to 70 and, once per filter, one above the chunk size.
            const I w = trial == 0 ? 1100 : 1 + I(rng() % 70), h = 1 + I(rng() % 5);
            const Plane src = MakePlane(w + 2 * r, h + 2 * r, 1, I(rng() % 9), rng() % 5, rng);
            if (trial % 3 == 0) {  // extremes: only 0 and 255
                for (std::size_t i = 0; i < src.bytes; ++i) src.mem.get()[i] = (rng() & 1) ? 255 : 0;
            }
            // An odd destination step in a third of the cases.
            const Plane dst0 = MakePlane(w, h, 2, I(rng() % 5), rng() % 3, rng);
            Plane want = Clone(dst0);
            for (I y = 0; y < h; ++y) {
                for (I x = 0; x < w; ++x) {
                    const S16 v = static_cast<S16>(f.ref([&](int dx, int dy) { return int(*src.Px(x + r + dx, y + r + dy)); }));
                    std::memcpy(want.Px(x, y), &v, 2);
                }
            }
            ForEachLevel([&] {
                Plane dst = Clone(dst0);
                ASSERT_EQ(CallFilter(f.name, f.mask, src.Px(r, r), src.step, reinterpret_cast<S16*>(dst.p()), dst.step, {w, h}), 0);
                ASSERT_TRUE(Same(dst, want)) << f.name << f.mask << " " << w << "x" << h;
            });
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
        const I w = trial < 3 ? 1030 + trial : 1 + I(rng() % 70), h = 2 + I(rng() % 6);
        const int kind = trial % 3;  // Dx, Dy flag 0, Dy flag 1
        const Plane src = MakePlane(w, h, 1, I(rng() % 7), rng() % 4, rng);
        const Plane dst0 = MakePlane(w, h, 2, 2 * I(rng() % 3), 2 * (rng() % 3), rng);
        const bool mirror = kind == 2;
        auto P = [&](I x, I y) { return int(*src.Px(MapIndex(x, w, mirror), MapIndex(y, h, mirror))); };
        Plane want = Clone(dst0);
        for (I y = 0; y < h; ++y) {
            for (I x = 0; x < w; ++x) {
                auto d = [&](I yy) { return P(x + 1, yy) - P(x - 1, yy); };
                auto s = [&](I yy) { return P(x - 1, yy) + 2 * P(x, yy) + P(x + 1, yy); };
                const S16 v = static_cast<S16>(kind == 0 ? d(y - 1) + 2 * d(y) + d(y + 1) : s(y + 1) - s(y - 1));
                std::memcpy(want.Px(x, y), &v, 2);
            }
        }
        ForEachLevel([&] {
            Plane dst = Clone(dst0);
            S16* d = reinterpret_cast<S16*>(dst.p());
            const px::Status st = kind == 0 ? px::Sobel3x3_Dx_8u16s_C1R(src.p(), src.step, d, dst.step, {w, h})
                                            : px::Sobel3x3_Dy_8u16s_C1R(src.p(), src.step, d, dst.step, kind - 1, {w, h});
            ASSERT_EQ(st, 0);
            ASSERT_TRUE(Same(dst, want)) << "kind " << kind << " " << w << "x" << h;
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
// The detector, step by step as stated: a float grid with a zero frame,
// direction codes, suppression in scan order, tracing with an unbounded stack.
std::vector<U8> RefCanny(const std::vector<S16>& dx, const std::vector<S16>& dy, I w, I h, float low, float high) {
    const I W = w + 2;
    std::vector<float> g(std::size_t(W) * (h + 2), 0.0f);
    std::vector<int> dir(g.size(), 0);
    const double t = 0.4142000079154968f;
    for (I r = 0; r < h; ++r) {
        for (I c = 0; c < w; ++c) {
            const S16 x = dx[r * w + c], y = dy[r * w + c];
            const double ax = std::abs(double(x)), ay = std::abs(double(y)), m = ax + ay;
            const std::size_t k = std::size_t(r + 1) * W + c + 1;
            if (m <= low) continue;
            g[k] = float(m);
            dir[k] = 2 * ax + ax * t < ay ? 3 : (ay < ax * t ? 1 : ((x < 0) == (y < 0) ? 2 : 4));
        }
    }
    std::vector<std::pair<I, I>> stack;
    for (I r = 1; r <= h; ++r) {
        for (I c = 1; c <= w; ++c) {
            const std::size_t k = std::size_t(r) * W + c;
            const float m = g[k];
            if (m == 0) continue;
            const int d = dir[k];
            const std::ptrdiff_t off = d == 1 ? 1 : (d == 3 ? W : (d == 2 ? W + 1 : W - 1));
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
        if (e[std::size_t(r) * W + c] != 0) continue;
        for (I rr = r - 1; rr <= r + 1; ++rr) {
            for (I cc = c - 1; cc <= c + 1; ++cc) {
                const std::size_t k = std::size_t(rr) * W + cc;
                if ((rr != r || cc != c) && g[k] > low && e[k] == 0) stack.push_back({rr, cc});
            }
        }
        e[std::size_t(r) * W + c] = 255;
    }
    std::vector<U8> out(std::size_t(w) * h);
    for (I r = 0; r < h; ++r) std::memcpy(&out[std::size_t(r) * w], &e[std::size_t(r + 1) * W + 1], w);
    return out;
}

// Runs the primitive on derivatives in padded planes, the working buffer
// exactly the reported size and ending on a guard page; checks every level
// against the reference and that nothing outside the region changes.
void CheckCanny(const std::vector<S16>& dx, const std::vector<S16>& dy, I w, I h, float low, float high, std::mt19937& rng) {
    const std::vector<U8> want = RefCanny(dx, dy, w, h, low, high);
    Plane pdx = MakePlane(w, h, 2, 2 * I(rng() % 3), 2 * (rng() % 2), rng), pdy = MakePlane(w, h, 2, 2 * I(rng() % 3), 0, rng);
    for (I y = 0; y < h; ++y) {
        std::memcpy(pdx.Px(0, y), &dx[std::size_t(y) * w], 2 * std::size_t(w));
        std::memcpy(pdy.Px(0, y), &dy[std::size_t(y) * w], 2 * std::size_t(w));
    }
    const Plane dst0 = MakePlane(w, h, 1, I(rng() % 4), rng() % 3, rng);
    Plane expect = Clone(dst0);
    for (I y = 0; y < h; ++y) std::memcpy(expect.Px(0, y), &want[std::size_t(y) * w], w);
    I bytes = 0;
    ASSERT_EQ(px::CannyGetSize({w, h}, &bytes), 0);
    ASSERT_EQ(bytes, 12 * (w + 2) * (h + 2));
    const auto buffer = GuardedBytes(std::size_t(bytes));
    ForEachLevel([&] {
        Plane dst = Clone(dst0);
        ASSERT_EQ(px::Canny_16s8u_C1R(reinterpret_cast<S16*>(pdx.p()), pdx.step, reinterpret_cast<S16*>(pdy.p()), pdy.step,
                                      dst.p(), dst.step, {w, h}, low, high, buffer.get()), 0);
        ASSERT_TRUE(Same(dst, expect)) << w << "x" << h << " low " << low << " high " << high;
    });
}

TEST(Canny, MatchesLiteralAlgorithmAtEveryLevel) {
    std::mt19937 rng(2024);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float thresholds[][2] = {{0, 0}, {10, 10}, {5, 30}, {20.5f, 60.7f}, {0, 200}, {nan, 20}, {3, nan},
                                   {nan, -1}, {inf, inf}, {0.5f, 65535.5f}, {65536, 70000}};
    for (int trial = 0; trial < 260; ++trial) {
        const I w = 1 + I(rng() % 40), h = 1 + I(rng() % 30);
        std::vector<S16> dx(std::size_t(w) * h), dy(dx.size());
        const int pattern = trial % 6;
        for (I y = 0; y < h; ++y) {
            for (I x = 0; x < w; ++x) {
                const std::size_t k = std::size_t(y) * w + x;
                const int a = int(rng() % 81) - 40, b = int(rng() % 81) - 40, sgn = ((x + y) & 1) ? 1 : -1;
                switch (pattern) {
                    case 0: dx[k] = S16(a), dy[k] = S16(b); break;                           // small random
                    case 1: dx[k] = S16(rng()), dy[k] = S16(rng()); break;                    // full range
                    case 2: dx[k] = S16(sgn * 40), dy[k] = S16(-sgn * 17); break;             // checkerboard
                    case 3: dx[k] = S16(a % 3 == 0 ? -32768 : 30), dy[k] = S16(-32768); break;  // all high
                    case 4: dx[k] = S16(a % 3), dy[k] = S16((y & 1) ? 50 + x % 3 : b % 5); break;  // dense ridges
                    default: dx[k] = S16(sgn * (20 + (x * 7 + y * 3) % 9)), dy[k] = S16(sgn * ((x * 5) % 11)); break;
                }
            }
        }
        const auto& th = thresholds[trial % 11];
        CheckCanny(dx, dy, w, h, th[0], th[1], rng);
        if (HasFatalFailure()) return;
    }
}

// A ridge pattern where almost every pixel survives and is a seed; on an
// image large enough that a stack with duplicates would far exceed w·h.
TEST(Canny, DenseSurvivorsOnALargeImage) {
    std::mt19937 rng(9);
    const I w = 301, h = 203;
    std::vector<S16> dx(std::size_t(w) * h), dy(dx.size());
    for (I y = 0; y < h; ++y) {
        for (I x = 0; x < w; ++x) dy[std::size_t(y) * w + x] = S16((y % 2) ? 900 + (x % 2) : 0), dx[std::size_t(y) * w + x] = S16(x % 5);
    }
    CheckCanny(dx, dy, w, h, 2, 3, rng);
    CheckCanny(dx, dy, w, h, 2, 5000, rng);
}

// The exact direction tests of the vector kernels: every |dx| with |dy| on
// and next to both decision boundaries, signs random, against the double
// formulas.
TEST(Canny, DirectionBoundariesAtEveryLevel) {
    std::mt19937 rng(3);
    std::vector<S16> dx, dy;
    for (std::int64_t ax = 0; ax <= 32768; ++ax) {
        const std::int64_t b1 = (ax * 6949123 + (1 << 24) - 1) >> 24, b3 = (ax * (6949123 + (std::int64_t{1} << 25))) >> 24;
        for (std::int64_t ay : {b1 - 1, b1, b1 + 1, b3 - 1, b3, b3 + 1}) {
            if (ay < 0 || ay > 32768) continue;
            const bool nx = ax == 32768 || (ax > 0 && (rng() & 1)), ny = ay == 32768 || (ay > 0 && (rng() & 1));
            dx.push_back(S16(nx ? -ax : ax));
            dy.push_back(S16(ny ? -ay : ay));
        }
    }
    const double t = 0.4142000079154968f;
    std::vector<std::int32_t> mag(dx.size());
    std::vector<U8> dir(dx.size());
    ForEachLevel([&] {
        px::edge::CurrentKernels().magnitude(dx.data(), dy.data(), I(dx.size()), 0, mag.data(), dir.data());
        for (std::size_t i = 0; i < dx.size(); ++i) {
            const double ax = std::abs(double(dx[i])), ay = std::abs(double(dy[i]));
            const int want = ax + ay == 0 ? 0 : (2 * ax + ax * t < ay ? 3 : (ay < ax * t ? 1 : ((dx[i] < 0) == (dy[i] < 0) ? 2 : 4)));
            ASSERT_EQ(int(dir[i]), want) << dx[i] << " " << dy[i];
            ASSERT_EQ(mag[i], std::int32_t(ax + ay));
        }
    });
}

TEST(Canny, WorkedExamples) {
    I bytes = -1;
    EXPECT_EQ(px::CannyGetSize({10, 5}, &bytes), 0);
    EXPECT_EQ(bytes, 1008);
    // Uniform image: no gradient, no edges.
    std::mt19937 rng(1);
    CheckCanny(std::vector<S16>(35, 0), std::vector<S16>(35, 0), 7, 5, 0, 0, rng);
}

// ---------------------------------------------------------------------------
// Argument checks: status, and the destination (or size) left untouched.
TEST(EdgeAndFilter8u16s, ArgumentChecks) {
    U8 src[64] = {};
    S16 d16[32];
    U8 d8[32];
    U8 buf[1024];
    const px::RoiSize ok{4, 3};
    const struct {
        px::Status want;
        std::function<px::Status()> call;
    } cases[] = {
        {-8, [&] { return px::Sobel3x3_Dx_8u16s_C1R(nullptr, 4, d16, 8, ok); }},
        {-8, [&] { return px::Sobel3x3_Dx_8u16s_C1R(src, 4, nullptr, 0, {0, 0}); }},
        {-6, [&] { return px::Sobel3x3_Dx_8u16s_C1R(src, 0, d16, 7, {4, 1}); }},
        {-6, [&] { return px::Sobel3x3_Dx_8u16s_C1R(src, 4, d16, 8, {0, 3}); }},
        {-14, [&] { return px::Sobel3x3_Dx_8u16s_C1R(src, 0, d16, 7, ok); }},
        {-14, [&] { return px::Sobel3x3_Dx_8u16s_C1R(src, 4, d16, 0, ok); }},
        {-108, [&] { return px::Sobel3x3_Dx_8u16s_C1R(src, 4, d16, 9, ok); }},
        {-6, [&] { return px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 8, 0, {4, 1}); }},
        {-8, [&] { return px::Sobel3x3_Dy_8u16s_C1R(src, 4, nullptr, 8, 0, ok); }},
        {-14, [&] { return px::Sobel3x3_Dy_8u16s_C1R(src, -4, d16, 8, 2, ok); }},
        {-108, [&] { return px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 9, 2, ok); }},
        {-5, [&] { return px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 8, 2, ok); }},
        {-5, [&] { return px::Sobel3x3_Dy_8u16s_C1R(src, 4, d16, 8, -1, ok); }},
        {-8, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, 1, 2, nullptr); }},
        {-8, [&] { return px::Canny_16s8u_C1R(nullptr, 8, d16, 8, d8, 4, ok, 1, 2, buf); }},
        {-8, [&] { return px::Canny_16s8u_C1R(d16, 8, nullptr, 8, d8, 4, ok, 1, 2, buf); }},
        {-8, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, nullptr, 4, {0, 0}, 1, 2, buf); }},
        {-6, [&] { return px::Canny_16s8u_C1R(d16, 0, d16, 8, d8, 4, {4, 0}, 1, 2, buf); }},
        {-6, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, {INT_MAX, 1}, 1, 2, buf); }},
        {-6, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, {20000, 20000}, 1, 2, buf); }},
        {-14, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 0, d8, 4, ok, 1, 2, buf); }},
        {-14, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 0, ok, 3, 2, buf); }},
        {-108, [&] { return px::Canny_16s8u_C1R(d16, 7, d16, 8, d8, 4, ok, 3, 2, buf); }},
        {-108, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 9, d8, 4, ok, 3, 2, buf); }},
        {-5, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, 3, 2, buf); }},
        {-5, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, -0.5f, 2, buf); }},
        {-5, [&] { return px::Canny_16s8u_C1R(d16, 8, d16, 8, d8, 4, ok, 1, -1, buf); }},
        {-8, [&] { return px::FilterScharrVert_8u16s_C1R(nullptr, 4, d16, 8, ok); }},
        {-6, [&] { return px::FilterScharrHoriz_8u16s_C1R(src + 9, 0, d16, 8, {4, 0}); }},
        {-14, [&] { return px::FilterScharrHoriz_8u16s_C1R(src + 9, 4, d16, 0, ok); }},
        {-33, [&] { return px::FilterSobelVert_8u16s_C1R(src + 9, 8, d16, 8, ok, 35); }},
        {-33, [&] { return px::FilterSobelHoriz_8u16s_C1R(src + 9, 8, d16, 8, ok, 53); }},
        {-33, [&] { return px::FilterSobelVertSecond_8u16s_C1R(src + 9, 8, d16, 8, ok, 3); }},
        {-33, [&] { return px::FilterSobelHorizSecond_8u16s_C1R(src + 9, 8, d16, 8, ok, 0); }},
        {-33, [&] { return px::FilterSobelCross_8u16s_C1R(src + 9, 8, d16, 8, ok, 13); }},
        {-14, [&] { return px::FilterSobelCross_8u16s_C1R(src + 9, 8, d16, -8, ok, 13); }},
        {-6, [&] { return px::FilterSobelCross_8u16s_C1R(src + 9, 8, d16, -8, {4, -1}, 13); }},
        {-8, [&] { return px::FilterSobelVert_8u16s_C1R(src + 9, 8, nullptr, 8, {4, -1}, 13); }},
        {-8, [] { return px::CannyGetSize({4, 4}, nullptr); }},
        {-6, [&] { return px::CannyGetSize({0, 4}, reinterpret_cast<I*>(buf)); }},
        {-6, [&] { return px::CannyGetSize({4, -1}, reinterpret_cast<I*>(buf)); }},
        {-6, [&] { return px::CannyGetSize({13376, 13376}, reinterpret_cast<I*>(buf)); }},
        {-6, [&] { return px::CannyGetSize({INT_MAX, INT_MAX}, reinterpret_cast<I*>(buf)); }},
        {-6, [&] { return px::CannyGetSize({1, INT_MAX}, reinterpret_cast<I*>(buf)); }},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        std::memset(d16, 0x5A, sizeof d16);
        std::memset(d8, 0x5A, sizeof d8);
        std::memset(buf, 0x5A, sizeof buf);
        EXPECT_EQ(cases[i].call(), cases[i].want) << "case " << i;
        for (S16 v : d16) ASSERT_EQ(v, 0x5A5A) << "case " << i;
        for (U8 v : d8) ASSERT_EQ(v, 0x5A) << "case " << i;
        for (U8 v : buf) ASSERT_EQ(v, 0x5A) << "case " << i;
    }
    // The largest image whose buffer size fits: 12·(w+2)·(h+2) <= INT32_MAX.
    I bytes = 0;
    EXPECT_EQ(px::CannyGetSize({13375, 13375}, &bytes), 0);
    EXPECT_EQ(bytes, 12 * 13377 * 13377);
}

}  // namespace
