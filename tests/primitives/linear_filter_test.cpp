// Linear filter primitives against per-pixel references, at every level:
// random regions (odd widths, padded rows) whose source neighbourhood ends on
// a guard page, random and operation-like kernels, the worked numbers, the
// in-place box filter against the out-of-place one, and the argument checks.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "primitives/linear_filter.h"
#include "tests/primitives/support.h"

namespace {

namespace px = vtx::px;
using namespace vtxtest;
using I = std::int32_t;

// Source sample of channel c at (x + dx, y + dy).
using Px = std::function<int(I dx, I dy)>;

// Neighbourhood extents (left, right, above, below) and the reference result
// of one channel before it is stored.
struct Filter {
    I l, r, t, b;
    std::function<px::Status(const U8*, I, U8*, I, px::RoiSize)> call;
    std::function<U8(const Px&)> ref;
};

U8 Clamp(std::int64_t v) { return static_cast<U8>(std::clamp<std::int64_t>(v, 0, 255)); }

// Runs f on w × h at every level: the source plane holds exactly the
// neighbourhood (its last byte is the last byte the filter may read).
void Check(const Filter& f, I w, I h, std::mt19937& rng) {
    const I sw = f.l + w + f.r, sh = f.t + h + f.b;
    const Plane s = MakePlane(sw, sh, 4, static_cast<I>(rng() % 3) * 4, rng() % 5, rng);
    const Plane d0 = MakePlane(w, h, 4, static_cast<I>(rng() % 2) * 8, rng() % 3, rng);
    Plane e = Clone(d0);
    for (I y = 0; y < h; ++y) {
        for (I x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c) e.Px(x, y)[c] = f.ref([&](I dx, I dy) { return s.Px(f.l + x + dx, f.t + y + dy)[c]; });
        }
    }
    ForEachLevel([&] {
        const Plane d = Clone(d0), src = Clone(s);  // the in-place box writes its source
        ASSERT_EQ(f.call(src.Px(f.l, f.t), src.step, d.p(), d.step, d.size()), px::kStsOk);
        ASSERT_TRUE(Same(d, e)) << w << "x" << h;
    });
}

// ---------------------------------------------------------------------------
// References written from the definitions.

U8 RefConv(const Px& p, const std::vector<float>& k, I kw, I kh, I ax, I ay) {
    double s = 0.0;
    for (I r = kh - 1; r >= 0; --r) {
        for (I c = kw - 1; c >= 0; --c) s += static_cast<double>(k[r * kw + c]) * p(ax - c, ay - r);
    }
    if (s > 0) s += 0.5;
    return s > 255 ? 255 : (s < 0 || std::isnan(s)) ? 0 : static_cast<U8>(s);
}

U8 RefDivide(std::int32_t s, I d) {
    if (d == 1) return Clamp(s);
    const double v = s * static_cast<double>(static_cast<float>(1.0 / d));
    return v <= 0 ? 0 : static_cast<U8>(std::min(std::trunc(v + 0.5), 255.0));
}

// Multiplier and shift of the box mean.
std::pair<std::uint32_t, I> BoxMul(std::int64_t area) {
    const float f = static_cast<float>(1.0 / static_cast<double>(area));
    auto t = static_cast<std::uint32_t>(static_cast<double>(f) * 4294967296.0 + static_cast<double>(0.000009000000318337698f));
    I n = 0;
    for (; t != 0 && t < 0x80000000u; t <<= 1) ++n;
    return {(t >> 20) + 1, n + 12};
}

U8 RefBox(const Px& p, I mw, I mh, I ax, I ay) {
    std::uint64_t s = 0;
    for (I i = 0; i < mh; ++i) {
        for (I j = 0; j < mw; ++j) s += p(j - ax, i - ay);
    }
    const auto [m, sh] = BoxMul(std::int64_t{mw} * mh);
    return static_cast<U8>((s * m) >> sh);
}

int Sum(const Px& p, I r) {
    int s = 0;
    for (I dy = -r; dy <= r; ++dy) {
        for (I dx = -r; dx <= r; ++dx) s += p(dx, dy);
    }
    return s;
}

const int kLap5[5][5] = {{-1, -3, -4, -3, -1}, {-3, 0, 6, 0, -3}, {-4, 6, 20, 6, -4}, {-3, 0, 6, 0, -3}, {-1, -3, -4, -3, -1}};

using Fixed = px::Status (*)(const U8*, I, U8*, I, px::RoiSize);
using Masked = px::Status (*)(const U8*, I, U8*, I, px::RoiSize, I);

std::vector<Filter> FixedFilters() {
    const auto g = [](const Px& p, I dy) { return p(-1, dy) - p(1, dy); };
    const auto h = [](const Px& p, I dy) { return p(-1, dy) + 2 * p(0, dy) + p(1, dy); };
    const auto fixed = [](I l, I r, I t, Fixed fn, std::function<int(const Px&)> ref) {
        return Filter{l, r, t, l + r == 1 ? 0 : 1, fn, [ref](const Px& p) { return Clamp(ref(p)); }};
    };
    const auto masked = [](I mask, Masked fn, std::function<int(const Px&)> ref) {
        const I b = mask == 33 ? 1 : 2;
        return Filter{b, b, b, b, [fn, mask](const U8* s, I ss, U8* d, I ds, px::RoiSize z) { return fn(s, ss, d, ds, z, mask); },
                      [ref](const Px& p) { return Clamp(ref(p)); }};
    };
    const auto hipass = [](I r) { return [r](const Px& p) { return (2 * r + 1) * (2 * r + 1) * p(0, 0) - Sum(p, r); }; };
    return {
        fixed(1, 1, 1, px::FilterPrewittVert_8u_AC4R, [g](const Px& p) { return g(p, -1) + g(p, 0) + g(p, 1); }),
        fixed(1, 1, 1, px::FilterPrewittHoriz_8u_AC4R, [](const Px& p) {
            int s = 0;
            for (I dx = -1; dx <= 1; ++dx) s += p(dx, 1) - p(dx, -1);
            return s;
        }),
        fixed(1, 1, 1, px::FilterSobelVert_8u_AC4R, [g](const Px& p) { return g(p, -1) + 2 * g(p, 0) + g(p, 1); }),
        fixed(1, 1, 1, px::FilterSobelHoriz_8u_AC4R, [h](const Px& p) { return h(p, 1) - h(p, -1); }),
        fixed(1, 0, 1, px::FilterRobertsDown_8u_AC4R, [](const Px& p) { return p(0, 0) - p(-1, -1); }),
        fixed(0, 1, 1, px::FilterRobertsUp_8u_AC4R, [](const Px& p) { return p(0, 0) - p(1, -1); }),
        masked(33, px::FilterLaplace_8u_AC4R, hipass(1)),
        masked(55, px::FilterLaplace_8u_AC4R, [](const Px& p) {
            int s = 0;
            for (I r = 0; r < 5; ++r) {
                for (I c = 0; c < 5; ++c) s += kLap5[r][c] * p(c - 2, r - 2);
            }
            return s;
        }),
        masked(33, px::FilterHipass_8u_AC4R, hipass(1)),
        masked(55, px::FilterHipass_8u_AC4R, hipass(2)),
        masked(33, px::FilterLowpass_8u_AC4R, [](const Px& p) { return ((Sum(p, 1) + 5) * 455) >> 12; }),
        masked(55, px::FilterLowpass_8u_AC4R, [](const Px& p) { return (Sum(p, 2) * 10485) >> 18; }),
    };
}

Filter Conv(std::vector<float> k, I kw, I kh, I ax, I ay) {
    return {kw - 1 - ax, ax, kh - 1 - ay, ay,
            [k, kw, kh, ax, ay](const U8* s, I ss, U8* d, I ds, px::RoiSize z) { return px::Filter32f_8u_AC4R(s, ss, d, ds, z, k.data(), {kw, kh}, {ax, ay}); },
            [k, kw, kh, ax, ay](const Px& p) { return RefConv(p, k, kw, kh, ax, ay); }};
}

Filter RowColumn(bool row, std::vector<I> k, I a, I div) {
    const I n = static_cast<I>(k.size()), before = n - 1 - a;
    return {row ? before : 0, row ? a : 0, row ? 0 : before, row ? 0 : a,
            [=](const U8* s, I ss, U8* d, I ds, px::RoiSize z) {
                return (row ? px::FilterRow_8u_AC4R : px::FilterColumn_8u_AC4R)(s, ss, d, ds, z, k.data(), n, a, div);
            },
            [=](const Px& p) {
                std::uint32_t s = 0;
                for (I i = 0; i < n; ++i) s += static_cast<std::uint32_t>(k[i]) * static_cast<std::uint32_t>(row ? p(a - i, 0) : p(0, a - i));
                return RefDivide(static_cast<std::int32_t>(s), div);
            }};
}

Filter Box(I mw, I mh, I ax, I ay, bool inPlace) {
    return {ax, mw - 1 - ax, ay, mh - 1 - ay,
            [=](const U8* s, I ss, U8* d, I ds, px::RoiSize z) {
                if (!inPlace) return px::FilterBox_8u_AC4R(s, ss, d, ds, z, {mw, mh}, {ax, ay});
                // In place on the source plane itself; its region then becomes the result.
                U8* io = const_cast<U8*>(s);
                const px::Status st = px::FilterBox_8u_AC4IR(io, ss, z, {mw, mh}, {ax, ay});
                for (I y = 0; y < z.height; ++y) {
                    for (I x = 0; x < z.width; ++x) std::memcpy(d + y * ds + 4 * x, io + std::ptrdiff_t{y} * ss + 4 * x, 3);
                }
                return st;
            },
            [=](const Px& p) { return RefBox(p, mw, mh, ax, ay); }};
}

// Blur and sharpen weights as the effects build them, random level and mix.
std::vector<float> EffectKernel(std::mt19937& rng, bool sharpen) {
    const double c = (rng() % 4 == 0) ? 1.0 : (rng() % 1001) / 1000.0, level = rng() % 101;
    const double a = sharpen ? (1 - c * level * 0.01) * 23 : 21 - c * level * 0.2;
    const double w = sharpen ? -c / (1 + a) : c / (8 + a);
    std::vector<float> k(9, static_cast<float>(w));
    k[4] = static_cast<float>(sharpen ? (a + 9) * -w + (1 - c) : a * w + (1 - c));
    return k;
}

TEST(LinearFilter, RandomRegionsMatchTheReferences) {
    std::mt19937 rng(7031);
    std::uniform_real_distribution<float> real(-1.0f, 1.0f);
    std::vector<Filter> cases = FixedFilters();
    for (int i = 0; i < 12; ++i) {
        cases.push_back(Conv(EffectKernel(rng, i % 2), 3, 3, 1, 1));
        std::vector<float> k(9);
        for (float& v : k) v = i < 4 ? real(rng) : static_cast<float>(static_cast<int>(rng() % 9) - 4) / 4.0f;
        cases.push_back(Conv(k, 3, 3, static_cast<I>(rng() % 3), static_cast<I>(rng() % 3)));
    }
    const float inf = INFINITY;
    cases.push_back(Conv({0, 0, 0, 0, 1, 0, 0, 0, 0}, 3, 3, 1, 1));
    cases.push_back(Conv({1, 0, 0, 0, inf, 0, 0, 0, -1e-30f}, 3, 3, 1, 1));
    cases.push_back(Conv({0.5f, -0.25f, 2.0f, 0.125f, 1.0f, -1.0f}, 2, 3, 1, 2));
    cases.push_back(Conv({0.25f, 0.5f, 0.25f}, 3, 1, -1, 0));
    cases.push_back(Conv({1.0f / 25}, 1, 1, 0, 0));
    for (I n : {1, 3, 5, 9, 31}) {
        for (I div : {1, n, 3, 7, -3, 4}) {
            for (bool row : {true, false}) cases.push_back(RowColumn(row, std::vector<I>(static_cast<std::size_t>(n), 1), n / 2, div));
        }
    }
    for (bool row : {true, false}) {
        cases.push_back(RowColumn(row, {1, 1, 1}, 0, 3));
        cases.push_back(RowColumn(row, {2, -1, 3, 5}, 1, 5));
        cases.push_back(RowColumn(row, {INT_MAX, 1, INT_MIN, 1, 70000, 1}, 4, 1));
    }
    for (auto [mw, mh, ax, ay] : std::vector<std::array<I, 4>>{{3, 3, 1, 1}, {5, 5, 2, 2}, {2, 2, 0, 0}, {2, 3, 1, 2},
                                                                {10, 3, 5, 1}, {3, 10, 1, 5}, {21, 21, 10, 10}, {7, 4, 6, 0}}) {
        cases.push_back(Box(mw, mh, ax, ay, false));
        cases.push_back(Box(mw, mh, ax, ay, true));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        for (int round = 0; round < 4; ++round) Check(cases[i], 1 + static_cast<I>(rng() % 70), 1 + static_cast<I>(rng() % 9), rng);
        Check(cases[i], 2, 2, rng);
    }
}

// Long all-ones kernels (the running-sum path) and large box masks on small
// regions whose borders are wider than the region.
TEST(LinearFilter, LongWindows) {
    std::mt19937 rng(99);
    for (I n : {101, 511}) {
        for (bool row : {true, false}) Check(RowColumn(row, std::vector<I>(static_cast<std::size_t>(n), 1), n / 2, n), 2 + static_cast<I>(rng() % 40), 3, rng);
    }
    Check(Box(101, 67, 50, 33, false), 9, 4, rng);
    Check(Box(67, 101, 33, 50, true), 5, 7, rng);
}

TEST(LinearFilter, WorkedNumbers) {
    const auto run = [](const Filter& f, std::vector<U8> grey) {  // grey levels of the neighbourhood, row by row
        std::vector<U8> src(grey.size() * 4), dst(4, 77);
        for (std::size_t i = 0; i < grey.size(); ++i) std::fill_n(&src[4 * i], 4, grey[i]);
        const I sw = f.l + 1 + f.r;
        EXPECT_EQ(f.call(&src[4 * (f.t * sw + f.l)], 4 * sw, dst.data(), 4, {1, 1}), px::kStsOk);
        EXPECT_EQ(dst[3], 77);
        return dst[0];
    };
    const float ninth = 1.0f / 9;
    EXPECT_EQ(run(Conv(std::vector<float>(9, ninth), 3, 3, 1, 1), std::vector<U8>(9, 200)), 200);
    EXPECT_EQ(run(Conv({1, 0, 0, 0, 0, 0, 0, 0, 0}, 3, 3, 1, 1), {0, 0, 0, 0, 0, 0, 0, 0, 93}), 93);
    EXPECT_EQ(run(RowColumn(true, {1, 1, 1}, 1, 3), {0, 0, 2}), 1);
    EXPECT_EQ(run(Box(3, 3, 1, 1, false), {1, 1, 1, 1, 1, 1, 1, 1, 5}), 1);
    EXPECT_EQ(run(FixedFilters()[10], {0, 0, 0, 0, 4, 0, 0, 0, 0}), 0);
    EXPECT_EQ(run(FixedFilters()[10], {0, 0, 0, 0, 5, 0, 0, 0, 0}), 1);
    EXPECT_EQ(run(FixedFilters()[11], std::vector<U8>(25, 255)), 254);
    EXPECT_EQ(run(FixedFilters()[5], {0, 9, 0, 3}), 0);
    EXPECT_EQ(run(Box(21, 21, 10, 10, false), std::vector<U8>(441, 255)), 255);
    const std::pair<I, std::pair<std::uint32_t, I>> muls[] = {{9, {3641, 15}}, {25, {2622, 16}}, {49, {2675, 17}}, {81, {3237, 18}},
                                                            {121, {2167, 18}}, {441, {2378, 20}}, {30, {2185, 16}}};
    for (const auto& [area, mul] : muls) EXPECT_EQ(BoxMul(area), mul) << area;
}

// Mask area beyond 2^32 / 255: 64-bit sums and product. Rows one byte apart
// keep the source small (2 x 8421505 samples).
TEST(LinearFilter, BoxWithHugeArea) {
    const I mh = 8421505;
    std::vector<U8> src(static_cast<std::size_t>(mh) + 8), dst(4);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<U8>(255 - i % 7);
    const U8 want = RefBox([&](I dx, I dy) { return src[static_cast<std::size_t>(dy + 4 * dx)]; }, 2, mh, 0, 0);
    EXPECT_GT(want, 250);
    ForEachLevel([&] {
        dst.assign(4, 9);
        ASSERT_EQ(px::FilterBox_8u_AC4R(src.data(), 1, dst.data(), 4, {1, 1}, {2, mh}, {0, 0}), px::kStsOk);
        EXPECT_EQ(dst[0], want);
        EXPECT_EQ(dst[3], 9);
    });
}

TEST(LinearFilter, ArgumentChecks) {
    std::vector<U8> s(64 * 64, 1), d(64 * 64, 5);
    const U8* S = s.data() + 32 * 64 + 32;
    U8* D = d.data();
    const float k[9] = {};
    const I ik[3] = {1, 1, 1};
    const px::RoiSize ok{2, 2}, bad{0, 2};
    using F = std::function<px::Status()>;
    const std::pair<px::Status, F> cases[] = {
        {-8, [&] { return px::Filter32f_8u_AC4R(S, 64, D, 64, ok, nullptr, {3, 3}, {1, 1}); }},
        {-6, [&] { return px::Filter32f_8u_AC4R(S, 64, D, 64, bad, k, {3, 3}, {1, 1}); }},
        {-14, [&] { return px::Filter32f_8u_AC4R(S, 0, D, 64, ok, k, {3, 3}, {1, 1}); }},
        {-6, [&] { return px::Filter32f_8u_AC4R(S, 64, D, 64, ok, k, {3, 0}, {1, 1}); }},
        {-8, [&] { return px::FilterRow_8u_AC4R(nullptr, 64, D, 64, ok, ik, 3, 1, 3); }},
        {-8, [&] { return px::FilterColumn_8u_AC4R(S, 64, D, 64, ok, nullptr, 3, 1, 3); }},
        {-14, [&] { return px::FilterRow_8u_AC4R(S, 64, D, -1, ok, ik, 3, 1, 3); }},
        {-6, [&] { return px::FilterColumn_8u_AC4R(S, 64, D, 64, ok, ik, 0, 1, 0); }},
        {-51, [&] { return px::FilterRow_8u_AC4R(S, 64, D, 64, ok, ik, 3, 1, 0); }},
        {-14, [&] { return px::FilterBox_8u_AC4R(S, 0, D, 64, bad, {3, 3}, {1, 1}); }},
        {-6, [&] { return px::FilterBox_8u_AC4R(S, 64, D, 64, {2, INT_MIN}, {1, 3}, {1, 1}); }},
        {-33, [&] { return px::FilterBox_8u_AC4R(S, 64, D, 64, ok, {1, 3}, {0, 0}); }},
        {-34, [&] { return px::FilterBox_8u_AC4R(S, 64, D, 64, ok, {3, 3}, {3, 1}); }},
        {-34, [&] { return px::FilterBox_8u_AC4IR(D, 64, ok, {3, 3}, {1, -1}); }},
        {-8, [&] { return px::FilterBox_8u_AC4IR(nullptr, 0, bad, {1, 1}, {1, 1}); }},
        {-33, [&] { return px::FilterBox_8u_AC4IR(D, 64, ok, {3, 1}, {0, 0}); }},
        {-8, [&] { return px::FilterSobelVert_8u_AC4R(S, 64, nullptr, 64, ok); }},
        {-6, [&] { return px::FilterRobertsUp_8u_AC4R(S, 64, D, 64, bad); }},
        {-14, [&] { return px::FilterLowpass_8u_AC4R(S, 64, D, 0, ok, 44); }},
        {-33, [&] { return px::FilterLaplace_8u_AC4R(S, 64, D, 64, ok, 35); }},
        {-33, [&] { return px::FilterHipass_8u_AC4R(S, 64, D, 64, ok, 13); }},
        {-33, [&] { return px::FilterLowpass_8u_AC4R(S, 64, D, 64, ok, 0); }},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].second(), cases[i].first) << i;
        EXPECT_TRUE(std::all_of(d.begin(), d.end(), [](U8 v) { return v == 5; })) << i;
    }
}

}  // namespace
