// Rank filters and uniform noise against references written from their
// definitions: sorted window samples for every mask shape, and the generator
// word by word. Sources are exactly the window extent at the end of a guarded
// buffer, so reading past the neighbourhood faults; every level is compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "primitives/rank_noise.h"
#include "tests/primitives/support.h"

namespace {

namespace px = vtx::px;
using namespace vtxtest;
using I = std::int32_t;

enum Kind { kMin, kMax, kMedian, kCross, kVert, kHoriz };

// The samples of channel c at destination (x, y): offsets (dx, dy) from the
// window origin (the source plane's pixel (x, y)).
U8 RefRank(const Plane& s, I x, I y, int c, Kind kind, const std::vector<std::pair<I, I>>& offsets) {
    std::vector<U8> v;
    for (auto [dx, dy] : offsets) v.push_back(s.Px(x + dx, y + dy)[c]);
    std::sort(v.begin(), v.end());
    return kind == kMin ? v.front() : kind == kMax ? v.back() : v[(v.size() - 1) / 2];
}

px::Status Call(Kind kind, const Plane& s, I ox, I oy, const Plane& d, I mw, I mh, I ax, I ay, I code) {
    const U8* src = s.Px(ox, oy);
    switch (kind) {
        case kMin: return px::FilterMin_8u_AC4R(src, s.step, d.p(), d.step, d.size(), {mw, mh}, {ax, ay});
        case kMax: return px::FilterMax_8u_AC4R(src, s.step, d.p(), d.step, d.size(), {mw, mh}, {ax, ay});
        case kMedian: return px::FilterMedian_8u_AC4R(src, s.step, d.p(), d.step, d.size(), {mw, mh}, {ax, ay});
        case kCross: return px::FilterMedianCross_8u_AC4R(src, s.step, d.p(), d.step, d.size(), code);
        case kVert: return px::FilterMedianVert_8u_AC4R(src, s.step, d.p(), d.step, d.size(), code);
        default: return px::FilterMedianHoriz_8u_AC4R(src, s.step, d.p(), d.step, d.size(), code);
    }
}

TEST(RankFilterPrimitives, EveryLevelGivesTheSortedWindowValue) {
    std::mt19937 rng(23);
    const I odd[][2] = {{1, 1}, {3, 3}, {5, 5}, {3, 1}, {5, 1}, {1, 3}, {1, 5}, {7, 7}, {1, 7}, {9, 1}, {3, 5}, {41, 3}, {5, 23}};
    const I codes[][2] = {{33, 55}, {13, 15}, {31, 51}};
    for (int trial = 0; trial < 400; ++trial) {
        const Kind kind = static_cast<Kind>(trial % 6);
        I mw, mh, ax, ay, code = 0;
        std::vector<std::pair<I, I>> offs;
        if (kind <= kMedian) {
            const auto& o = odd[rng() % 13];
            mw = kind == kMedian ? o[0] : 1 + rng() % (trial % 4 ? 6 : 40);
            mh = kind == kMedian ? o[1] : 1 + rng() % (trial % 3 ? 6 : 30);
            ax = rng() % mw;
            ay = rng() % mh;
            for (I i = 0; i < mw * mh; ++i) offs.push_back({i % mw, i / mw});
        } else {  // centred shapes: origin at the centre, radius r
            code = codes[kind - kCross][rng() % 2];
            const I r = (code == 55 || code == 15 || code == 51) ? 2 : 1;
            ax = ay = r;
            mw = mh = 2 * r + 1;
            offs.push_back({r, r});
            for (I i = -r; i <= r; ++i) {
                if (kind != kVert && i != 0) offs.push_back({r + i, r});
                if (kind != kHoriz && i != 0) offs.push_back({r, r + i});
            }
        }
        const I w = 1 + rng() % 70, h = 1 + rng() % 5;
        const Plane s = MakePlane(w + mw - 1, h + mh - 1, 4, rng() % 3 ? rng() % 9 : 0, rng() % 8, rng);
        for (I i = 0; trial % 5 == 0 && i < s.w * s.h; ++i) s.Px(i % s.w, i / s.w)[rng() % 3] = rng() % 2 ? 0 : 255;
        const Plane d = MakePlane(w, h, 4, rng() % 3 ? rng() % 9 : 0, rng() % 8, rng), e = Clone(d);
        for (I i = 0; i < 3 * w * h; ++i) {
            e.Px(i / 3 % w, i / 3 / w)[i % 3] = RefRank(s, i / 3 % w, i / 3 / w, i % 3, kind, offs);
        }
        ForEachLevel([&] {
            const Plane out = Clone(d);
            ASSERT_EQ(Call(kind, s, ax, ay, out, mw, mh, ax, ay, code), px::kStsOk);
            ASSERT_TRUE(Same(out, e)) << "kind " << kind << " " << w << "x" << h << " mask " << mw << "x" << mh << " anchor "
                                      << ax << "," << ay << " code " << code;
        });
        if (HasFatalFailure()) return;
    }
}

TEST(RankFilterPrimitives, LargeMasksAndCountsBeyondSixteenBits) {
    std::mt19937 rng(5);
    // A column median over 70001 rows (counters beyond 16 bits), windows of many row blocks, tall regions.
    const std::vector<std::array<I, 5>> cases = {{1, 2, 1, 70001, kMedian}, {9, 3, 101, 101, kMedian}, {9, 3, 101, 101, kMin},
                                                 {200, 2, 255, 3, kMedian}, {5, 3, 3, 511, kMax}, {3, 70, 5, 97, kMin}, {4, 45, 2, 64, kMax},
                                                 {300, 2, 5, 5, kMedian}, {270, 2, 3, 3, kMedian}, {3, 70, 4, 100, kMax},
                                                 {200, 30, 5, 5, kMedian + 10}, {200, 30, 3, 3, kMedian + 10}};  // +10: values 0..2 only
    for (const auto& c : cases) {
        const I w = c[0], h = c[1], mw = c[2], mh = c[3], kind = c[4] % 10;
        const Plane s = MakePlane(w + mw - 1, h + mh - 1, 4, 4, 0, rng), d = MakePlane(w, h, 4, 0, 0, rng), e = Clone(d);
        for (std::size_t i = 0; c[4] >= 10 && i < s.bytes; ++i) s.mem.get()[i] %= 3;
        std::vector<std::pair<I, I>> offs;
        for (I i = 0; i < mw * mh; ++i) offs.push_back({i % mw, i / mw});
        for (I i = 0; i < 3 * w * h; ++i) e.Px(i / 3 % w, i / 3 / w)[i % 3] = RefRank(s, i / 3 % w, i / 3 / w, i % 3, Kind(kind), offs);
        ForEachLevel([&] {
            const Plane out = Clone(d);
            ASSERT_EQ(Call(Kind(kind), s, 0, 0, out, mw, mh, 0, 0, 0), px::kStsOk);
            ASSERT_TRUE(Same(out, e)) << mw << "x" << mh << " kind " << kind;
        });
    }
}

// 5 x 5 median on 0/255 windows: a de Bruijn sequence gives every 5-tuple of
// column counts (0..5 bright samples per column), so by the 0-1 principle
// the network meets every order of values.
TEST(RankFilterPrimitives, FiveByFiveMedianOnEveryColumnPattern) {
    std::vector<int> a(6, 0), seq;
    std::function<void(int, int)> db = [&](int t, int p) {
        if (t > 5) {
            for (int j = 1; j <= p && 5 % p == 0; ++j) seq.push_back(a[j]);
            return;
        }
        a[t] = a[t - p];
        db(t + 1, p);
        for (int j = a[t - p] + 1; j < 6; ++j) a[t] = j, db(t + 1, t);
    };
    db(1, 1);
    const I w = static_cast<I>(seq.size());
    std::mt19937 rng(2);
    const Plane s = MakePlane(w + 4, 5, 4, 0, 0, rng), d = MakePlane(w, 1, 4, 0, 0, rng), e = Clone(d);
    for (I x = 0; x < w + 4; ++x) {
        for (I y = 0; y < 5; ++y) {
            for (int c = 0; c < 3; ++c) s.Px(x, y)[c] = ((c == 1 ? 4 - y : (y + c * x) % 5) < seq[x % w]) ? 255 : 0;
        }
    }
    for (I x = 0; x < w; ++x) {
        for (int c = 0; c < 3; ++c) {
            int bright = 0;
            for (I i = 0; i < 25; ++i) bright += s.Px(x + i % 5, i / 5)[c] == 255;
            e.Px(x, 0)[c] = bright >= 13 ? 255 : 0;
        }
    }
    ForEachLevel([&] {
        const Plane out = Clone(d);
        ASSERT_EQ(px::FilterMedian_8u_AC4R(s.p(), s.step, out.p(), out.step, out.size(), {5, 5}, {0, 0}), px::kStsOk);
        ASSERT_TRUE(Same(out, e));
    });
}

TEST(RankFilterPrimitives, WorkedCrossAndArgumentChecks) {
    // Cross 3 x 3 on neighbours 10, 20, 30, 40 and centre 0.
    U8 img[9 * 4] = {}, out[4] = {1, 2, 3, 4};
    const U8 vals[9] = {0, 10, 0, 20, 0, 30, 0, 40, 0};
    for (int i = 0; i < 36; ++i) img[i] = vals[i / 4];
    ASSERT_EQ(px::FilterMedianCross_8u_AC4R(img + 16, 12, out, 4, {1, 1}, 33), px::kStsOk);
    EXPECT_EQ(std::vector<U8>(out, out + 4), (std::vector<U8>{20, 20, 20, 4}));
    U8 buf[128] = {}, dst[64] = {};
    struct Row { bool median; U8 *s, *d; px::RoiSize z; I step; px::RoiSize m; px::RoiPoint a; px::Status want; };
    const Row rows[] = {
        {false, nullptr, dst, {0, 0}, 0, {0, 0}, {9, 9}, -8}, {true, buf, nullptr, {1, 1}, 16, {1, 1}, {0, 0}, -8},
        {false, buf, dst, {0, 1}, 16, {1, 1}, {0, 0}, -6}, {true, buf, dst, {1, INT_MIN}, 16, {1, 1}, {0, 0}, -6},
        {false, buf, dst, {1, 1}, 0, {0, 1}, {0, 0}, -14}, {true, buf, dst, {1, 1}, -1, {1, 1}, {0, 0}, -14},
        {false, buf, dst, {1, 1}, 16, {0, 1}, {0, 0}, -33}, {false, buf, dst, {1, 1}, 16, {1, INT_MIN}, {5, 5}, -33},
        {true, buf, dst, {1, 1}, 16, {3, 2}, {0, 0}, -33}, {true, buf, dst, {1, 1}, 16, {2, 3}, {0, 0}, -33},
        {false, buf, dst, {1, 1}, 16, {2, 2}, {2, 0}, -34}, {false, buf, dst, {1, 1}, 16, {2, 2}, {0, -1}, -34},
        {true, buf, dst, {1, 1}, 16, {3, 3}, {INT_MIN, 0}, -34}, {true, buf, dst, {1, 1}, 16, {1, 3}, {0, 3}, -34},
    };
    for (const Row& r : rows) {
        EXPECT_EQ((r.median ? px::FilterMedian_8u_AC4R : px::FilterMin_8u_AC4R)(r.s, r.step, r.d, 16, r.z, r.m, r.a), r.want) << &r - rows;
        EXPECT_EQ(r.median ? r.want : px::FilterMax_8u_AC4R(r.s, r.step, r.d, 16, r.z, r.m, r.a), r.want) << &r - rows;
    }
    for (I code : {0, 13, 15, 31, 51, 33, 55, 35}) {
        const bool cross = code == 33 || code == 55, vert = code == 13 || code == 15, horiz = code == 31 || code == 51;
        EXPECT_EQ(px::FilterMedianCross_8u_AC4R(buf + 64, 16, dst, 16, {1, 1}, code), cross ? 0 : -33) << code;
        EXPECT_EQ(px::FilterMedianVert_8u_AC4R(buf + 64, 16, dst, 16, {1, 1}, code), vert ? 0 : -33) << code;
        EXPECT_EQ(px::FilterMedianHoriz_8u_AC4R(buf + 64, 16, dst, 16, {1, 1}, code), horiz ? 0 : -33) << code;
    }
    EXPECT_EQ(px::FilterMedianVert_8u_AC4R(nullptr, 16, dst, 16, {1, 1}, 13), -8);
    EXPECT_EQ(px::FilterMedianHoriz_8u_AC4R(buf, 16, dst, 16, {1, 0}, 31), -6);
    EXPECT_EQ(px::FilterMedianCross_8u_AC4R(buf, 16, dst, 0, {1, 1}, 33), -14);
    EXPECT_TRUE(std::all_of(dst, dst + 64, [](U8 v) { return v == 0; }));
}

// ---------------------------------------------------------------------------
// Noise.

// r values from the seed, written from the definition.
std::vector<std::int64_t> RefDraws(std::uint32_t seed, std::size_t n, std::uint32_t* lastX) {
    std::uint64_t A = seed, B = (A * 69069 + 1013904243) % (1ull << 32), C = (B * 69069 + 1013904243) % (1ull << 32);
    std::int64_t borrow = -1;
    std::uint64_t L = 1131199209;
    std::vector<std::int64_t> r;
    while (r.size() < n) {
        L = (L * 69069 + 1013904243) % (1ull << 32);
        std::int64_t t = static_cast<std::int64_t>(B) - static_cast<std::int64_t>(C) + borrow;
        t = ((t % (1ll << 32)) + (1ll << 32)) % (1ll << 32);
        borrow = t >= (1ll << 31) ? -1 : 0;
        const std::uint64_t x = borrow ? (t + (1ll << 32) - 18) % (1ull << 32) : t;
        C = B, B = A, A = x;
        const std::int64_t u = static_cast<std::int64_t>((x + L) % (1ull << 32));
        r.push_back(u >= (1ll << 31) ? u - (1ll << 32) : u);
        *lastX = static_cast<std::uint32_t>(x);
    }
    return r;
}

TEST(NoisePrimitives, SequenceScaleAndSeedAgainstTheDefinition) {
    std::uint32_t last = 0;
    EXPECT_EQ(RefDraws(0, 2, &last), (std::vector<std::int64_t>{-2143376656, -1588453546}));
    EXPECT_EQ(last, 3281063035u);
    std::int16_t zeros[2] = {0, 0};
    std::uint32_t seed = 0;
    ASSERT_EQ(px::AddRandUniform_Direct_16s_C1IR(zeros, 4, {2, 1}, 0, 255, &seed), px::kStsOk);
    EXPECT_TRUE(zeros[0] == 0 && zeros[1] == 33 && seed == 3281063035u);
    // low = high: every sample gets exactly `low`, saturated at both ends.
    std::int16_t lows[6] = {-1, 0, 1, -32768, 32767, 100}, highs[4] = {1, 0, -1, 32767};
    ASSERT_EQ(px::AddRandUniform_Direct_16s_C1IR(lows, 6, {3, 2}, -32768, -32768, &seed), px::kStsOk);
    ASSERT_EQ(px::AddRandUniform_Direct_16s_AC4IR(highs, 8, {1, 1}, 32767, 32767, &seed), px::kStsOk);
    EXPECT_EQ(std::vector<std::int16_t>(lows, lows + 6), (std::vector<std::int16_t>{-32768, -32768, -32767, -32768, -1, -32668}));
    EXPECT_EQ(std::vector<std::int16_t>(highs, highs + 4), (std::vector<std::int16_t>{32767, 32767, 32766, 32767}));
    double q;
    const std::uint64_t bits = 0x3DF0000000000007ull;
    std::memcpy(&q, &bits, 8);
    std::mt19937 rng(3);
    for (int trial = 0; trial < 60; ++trial) {
        const int layout = trial % 3, ch = layout == 1 ? 3 : 1, bpp = layout == 1 ? 8 : (layout == 0 ? 2 : 4);
        const I w = trial % 10 > 7 ? 340 + rng() % 1000 : 1 + rng() % 70, h = 1 + rng() % 4;  // rows over several blocks too
        const Plane p = MakePlane(w, h, bpp, rng() % 2 ? 0 : 1 + rng() % 9, rng() % 4, rng);
        const Plane e = Clone(p);
        const std::int16_t bounds[] = {-1000, 0, 5, 255, 1000, 32767, -32768};
        std::int16_t lo = bounds[rng() % 7], hi = trial % 7 == 0 ? lo : bounds[rng() % 7];
        const float flo = lo / 3.0f, fhi = hi * 1.5f;
        std::uint32_t s0 = rng(), want = 0, got = s0;
        const auto r = RefDraws(s0, std::size_t(w) * h * ch, &want);
        for (I i = 0; i < w * h * ch; ++i) {
            U8* at = e.Px(i / ch % w, i / ch / w) + (layout == 1 ? 2 * (i % ch) : 0);
            if (layout == 2) {
                float v;
                std::memcpy(&v, at, 4);
                v = static_cast<float>((r[i] * ((double(fhi) - double(flo)) * q) + (double(flo) + double(fhi)) * 0.5) + v);
                std::memcpy(at, &v, 4);
            } else {
                std::int16_t v;
                std::memcpy(&v, at, 2);
                const auto n = static_cast<std::int64_t>(r[i] * ((hi - lo) * q) + (lo + hi) * 0.5);
                v = static_cast<std::int16_t>(std::clamp<std::int64_t>(v + n, -32768, 32767));
                std::memcpy(at, &v, 2);
            }
        }
        auto* p16 = reinterpret_cast<std::int16_t*>(p.p());
        const px::Status st = layout == 0   ? px::AddRandUniform_Direct_16s_C1IR(p16, p.step, p.size(), lo, hi, &got)
                              : layout == 1 ? px::AddRandUniform_Direct_16s_AC4IR(p16, p.step, p.size(), lo, hi, &got)
                                            : px::AddRandUniform_Direct_32f_C1IR(reinterpret_cast<float*>(p.p()), p.step, p.size(), flo, fhi, &got);
        ASSERT_EQ(st, px::kStsOk);
        ASSERT_TRUE(Same(p, e) && got == want) << "layout " << layout << " " << w << "x" << h << " bounds " << lo << " " << hi;
    }
    // Checks: nothing changes and the seed is kept.
    std::int16_t img[4] = {1, 2, 3, 4};
    float f[2] = {1, 2};
    std::uint32_t s = 77;
    EXPECT_EQ(px::AddRandUniform_Direct_16s_C1IR(nullptr, 8, {1, 1}, 0, 1, &s), -8);
    EXPECT_EQ(px::AddRandUniform_Direct_16s_AC4IR(img, 8, {1, 1}, 0, 1, nullptr), -8);
    EXPECT_EQ(px::AddRandUniform_Direct_32f_C1IR(f, 8, {1, 1}, 0, 1, nullptr), -8);
    EXPECT_EQ(px::AddRandUniform_Direct_16s_C1IR(img, 8, {0, 1}, 0, 1, &s), -6);
    EXPECT_EQ(px::AddRandUniform_Direct_16s_AC4IR(img, 8, {1, -1}, 0, 1, &s), -6);
    EXPECT_EQ(px::AddRandUniform_Direct_32f_C1IR(f, 0, {1, 1}, 0, 1, &s), -14);
    EXPECT_EQ(px::AddRandUniform_Direct_16s_AC4IR(img, INT_MIN, {1, 1}, 0, 1, &s), -14);
    EXPECT_TRUE(s == 77 && img[0] == 1 && img[3] == 4 && f[0] == 1);
}

}  // namespace
