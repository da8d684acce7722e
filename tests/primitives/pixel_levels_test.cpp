// Every implementation level against the plain one, on random rows of one to
// several vectors plus odd pixels, and the guard pages the tests rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "primitives/pixel.h"
#include "tests/primitives/pixel_test_support.h"

namespace {

using vtxtest::Clone;
using vtxtest::FillRandom;
using vtxtest::MakePlane;
using vtxtest::Plane;
using vtxtest::SameBytes;

// One call of a primitive on (src1, src2, dst); parameters come from `rng`,
// which is seeded identically for every level. Results that are not pixels
// go to `out`.
using P = const Plane&;
using Rng = std::mt19937&;
using Out = std::vector<double>&;
using Op = std::function<vtx::px::Status(P s1, P s2, P d, Rng rng, Out out)>;

std::uint8_t Byte(Rng rng) {
    return static_cast<std::uint8_t>(rng() >> 24);
}

std::int32_t Pick(Rng rng, std::initializer_list<std::int32_t> values) {
    return *(values.begin() + rng() % values.size());
}

struct NamedOp {
    const char* name;
    Op op;
};

// The primitives with kernels at some level above the plain one.
std::vector<NamedOp> Ops() {
    return {
        {"Copy_8u_AC4R", [](P s, P, P d, Rng, Out) { return vtx::px::Copy_8u_AC4R(s.p(), s.step, d.p(), d.step, d.size()); }},
        {"Set_8u_AC4R", [](P, P, P d, Rng rng, Out) {
             const std::uint8_t v[3] = {Byte(rng), Byte(rng), Byte(rng)};
             return vtx::px::Set_8u_AC4R(v, d.p(), d.step, d.size()); }},
        {"Set_8u_C4R", [](P, P, P d, Rng rng, Out) {
             const std::uint8_t v[4] = {Byte(rng), Byte(rng), Byte(rng), Byte(rng)};
             return vtx::px::Set_8u_C4R(v, d.p(), d.step, d.size()); }},
        {"AddC_8u_AC4IRSfs", [](P, P, P d, Rng rng, Out) {
             const std::uint8_t v[3] = {Byte(rng), Byte(rng), Byte(rng)};
             return vtx::px::AddC_8u_AC4IRSfs(v, d.p(), d.step, d.size(), Pick(rng, {0, 0, 0, 1, -1, 3})); }},
        {"SubC_8u_AC4IRSfs", [](P, P, P d, Rng rng, Out) {
             const std::uint8_t v[3] = {Byte(rng), Byte(rng), Byte(rng)};
             return vtx::px::SubC_8u_AC4IRSfs(v, d.p(), d.step, d.size(), Pick(rng, {0, 0, 0, 1, -1, 3})); }},
        {"Sqr_8u_AC4RSfs", [](P s, P, P d, Rng rng, Out) {
             return vtx::px::Sqr_8u_AC4RSfs(s.p(), s.step, d.p(), d.step, d.size(), Pick(rng, {7, 7, 7, 0, 6, 8})); }},
        {"Sum_8u_AC4R", [](P s, P, P, Rng, Out out) {
             double sum[3];
             const vtx::px::Status st = vtx::px::Sum_8u_AC4R(s.p(), s.step, s.size(), sum);
             out.assign(sum, sum + 3);
             return st; }},
        {"Min_8u_AC4R", [](P s, P, P, Rng rng, Out out) {
             // Raise the samples so that the minimum is not always 0.
             const int floor = Pick(rng, {0, 50, 200});
             for (std::int32_t y = 0; y < s.height; ++y) {
                 for (std::int32_t x = 0; x < 4 * s.width; ++x) {
                     if (s.Row(y)[x] < floor) s.Row(y)[x] = static_cast<std::uint8_t>(floor + (x % 7));
                 }
             }
             std::uint8_t mn[3];
             const vtx::px::Status st = vtx::px::Min_8u_AC4R(s.p(), s.step, s.size(), mn);
             out.assign(mn, mn + 3);
             return st; }},
        {"AlphaCompC_8u_AC4R", [](P s1, P s2, P d, Rng rng, Out) {
             const std::uint8_t a1 = Byte(rng);
             const std::uint8_t a2 = rng() % 2 ? 255 : Byte(rng);
             const std::int32_t type = rng() % 3 ? 0 : static_cast<std::int32_t>(rng() % 12);
             return vtx::px::AlphaCompC_8u_AC4R(s1.p(), s1.step, a1, s2.p(), s2.step, a2, d.p(), d.step, d.size(), type); }},
        {"LUT_8u_AC4R", [](P s, P, P d, Rng rng, Out) {
             std::int32_t lv[3][4], va[3][4];
             for (int c = 0; c < 3; ++c) {
                 for (int k = 0; k < 4; ++k) {
                     lv[c][k] = 64 * k + static_cast<std::int32_t>(rng() % 64);
                     va[c][k] = Byte(rng);
                 }
             }
             const std::int32_t* vs[3] = {va[0], va[1], va[2]};
             const std::int32_t* ls[3] = {lv[0], lv[1], lv[2]};
             const std::int32_t n[3] = {4, 3, 2};
             return vtx::px::LUT_8u_AC4R(s.p(), s.step, d.p(), d.step, d.size(), vs, ls, n); }},
        {"MapChannels_8u_AC4IR", [](P, P, P d, Rng rng, Out) {
             // Alpha 0 on about half of the pixels, so that both kinds meet in
             // every vector when pixels with other alpha are skipped.
             for (std::int32_t y = 0; y < d.height; ++y) {
                 for (std::int32_t x = 0; x < d.width; ++x) {
                     if (rng() % 2) d.Px(x, y)[3] = 0;
                 }
             }
             std::uint8_t t[3][256];
             for (auto& table : t) {
                 for (auto& e : table) e = Byte(rng);
             }
             // One table for all three channels, or three different ones.
             const bool same = rng() % 2;
             const std::uint8_t* tables[3] = {t[0], same ? t[0] : t[1], same ? t[0] : t[2]};
             return vtx::px::MapChannels_8u_AC4IR(tables, d.p(), d.step, d.size(), static_cast<std::int32_t>(rng() % 2)); }},
    };
}

TEST(PixelLevels, EveryLevelGivesThePlainBytes) {
    std::mt19937 rng(400);
    for (const NamedOp& named : Ops()) {
        SCOPED_TRACE(named.name);
        for (int trial = 0; trial < 60; ++trial) {
            // Widths of one to four vectors plus odd pixels, padded or packed rows.
            const std::int32_t w = 1 + static_cast<std::int32_t>(rng() % 70);
            const std::int32_t h = 1 + static_cast<std::int32_t>(rng() % 4);
            const bool packed = rng() % 2 == 0;
            const auto pad = [&] { return packed ? 0 : static_cast<std::int32_t>(rng() % 40); };
            const Plane s1 = MakePlane(w, h, 4, pad(), rng() % 16);
            const Plane s2 = MakePlane(w, h, 4, pad(), rng() % 16);
            const Plane d = MakePlane(w, h, 4, pad(), rng() % 16);
            FillRandom(s1, rng);
            FillRandom(s2, rng);
            FillRandom(d, rng);
            const std::uint32_t paramSeed = rng();
            const std::string what = std::to_string(w) + "x" + std::to_string(h) + " steps " +
                                     std::to_string(s1.step) + "/" + std::to_string(s2.step) + "/" +
                                     std::to_string(d.step);

            // The plain level on copies gives the expected bytes.
            Plane e1 = Clone(s1), e2 = Clone(s2), ed = Clone(d);
            std::vector<double> expectedOut;
            {
                vtxtest::LevelScope restore;
                ASSERT_EQ(vtx::px::ForceProcessorCeiling(vtx::px::kCpuPlain), vtx::px::kStsOk);
                std::mt19937 params(paramSeed);
                ASSERT_EQ(named.op(e1, e2, ed, params, expectedOut), vtx::px::kStsOk) << what;
            }
            vtxtest::ForEachLevel([&](std::int32_t level) {
                if (level == vtx::px::kCpuPlain) return;
                const Plane a1 = Clone(s1), a2 = Clone(s2), ad = Clone(d);
                std::vector<double> out;
                std::mt19937 params(paramSeed);
                ASSERT_EQ(named.op(a1, a2, ad, params, out), vtx::px::kStsOk) << what;
                ASSERT_TRUE(SameBytes(ad, ed)) << what;
                ASSERT_TRUE(SameBytes(a1, e1)) << what;
                ASSERT_TRUE(SameBytes(a2, e2)) << what;
                ASSERT_EQ(out, expectedOut) << what;
            });
            if (HasFatalFailure()) return;
        }
    }
}

#if !defined(_WIN32) && GTEST_HAS_DEATH_TEST
TEST(GuardedBufferDeathTest, ReadingPastTheEndFaults) {
    // The guard is what makes the over-read checks of the other tests bite.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const vtxtest::GuardedBuffer buf(100);
    volatile const std::uint8_t* p = buf.data();
    EXPECT_EQ(p[99], 0);  // the last byte is readable
    EXPECT_DEATH({ (void)p[100]; }, "");
}
#endif

TEST(GuardedBuffer, EndsOnAPageBoundary) {
    for (std::size_t n : {std::size_t{1}, std::size_t{100}, vtxtest::GuardedBuffer::PageSize(),
                          vtxtest::GuardedBuffer::PageSize() + 3}) {
        const vtxtest::GuardedBuffer buf(n);
        const auto end = reinterpret_cast<std::uintptr_t>(buf.data()) + n;
        EXPECT_EQ(end % vtxtest::GuardedBuffer::PageSize(), 0u) << n;
        std::memset(buf.data(), 0x5A, n);  // the whole block is writable
    }
}

}  // namespace
