#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "primitives/conventions.h"

namespace {

// ---------------------------------------------------------------------------
// Aligned allocator.

TEST(AlignedAllocator, StepAlignmentUsableRowsAndRefusals) {
    const std::pair<std::int32_t, std::int32_t> widthAndStep[] = {{1, 32},  {5, 32},   {8, 32},     {9, 64},    {16, 64},
                                                                  {17, 96}, {33, 160}, {800, 3200}, {801, 3232}};
    for (const auto& [width, want] : widthAndStep) {
        for (std::int32_t height : {1, 3, 10}) {
            std::int32_t step = -1;
            std::uint8_t* p = vtx::px::Malloc_8u_AC4(width, height, &step);
            ASSERT_NE(p, nullptr) << width;
            EXPECT_EQ(step, want) << width;
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u);
            std::memset(p, 0xA5, static_cast<std::size_t>(step) * height);  // AddressSanitizer checks the bounds
            vtx::px::Free(p);
        }
    }
    for (std::int64_t n : {1, 31, 32, 33, 1000}) {
        auto* p = static_cast<std::uint8_t*>(vtx::px::MallocBytes(n));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u);
        std::memset(p, 1, static_cast<std::size_t>(n));
        vtx::px::Free(p);
    }
    vtx::px::Free(nullptr);  // does nothing
    // Bad sizes, and a step that does not fit in 32 bits, give null and step 0.
    for (const vtx::px::RoiSize s : {vtx::px::RoiSize{0, 3}, vtx::px::RoiSize{3, -7}, vtx::px::RoiSize{INT32_MIN, 1}, vtx::px::RoiSize{INT32_MAX, 1}}) {
        std::int32_t step = 12345;
        EXPECT_EQ(vtx::px::Malloc_8u_AC4(s.width, s.height, &step), nullptr);
        EXPECT_EQ(step, 0);
    }
    EXPECT_EQ(vtx::px::Malloc_8u_AC4(5, 3, nullptr), nullptr);
    for (std::int64_t n : {std::int64_t{0}, std::int64_t{-1}, INT64_MIN, INT64_MAX}) EXPECT_EQ(vtx::px::MallocBytes(n), nullptr);
}

// ---------------------------------------------------------------------------
// Processor selection.

vtx::px::CpuIdentification Cpu(bool hasCpuid, std::uint32_t family, bool sse, bool sse2, bool sse3, bool avx2 = false,
                      bool avx512 = false) {
    vtx::px::CpuIdentification id{};
    id.hasCpuid = hasCpuid;
    id.family = family;
    id.sse = sse;
    id.sse2 = sse2;
    id.sse3 = sse3;
    id.avx2 = avx2;
    id.avx512 = avx512;
    return id;
}

TEST(ProcessorSelection, EveryBranchOfTheRule) {
    const struct {
        vtx::px::CpuIdentification id;
        std::int32_t index;
        const char* what;
    } cases[] = {
        {Cpu(false, 15, true, true, true), 1, "no identification instruction"},
        {Cpu(false, 6, true, true, false, true, true), 1, "no identification instruction, family 6"},
        {Cpu(true, 15, true, true, true), 4, "family 15, SSE2 and SSE3"},
        {Cpu(true, 15, true, true, false), 3, "family 15, SSE2 without SSE3"},
        {Cpu(true, 15, true, false, true), 1, "family 15 without SSE2 (SSE3 bit set)"},
        {Cpu(true, 15, true, false, false), 1, "family 15, SSE only"},
        {Cpu(true, 15, false, false, false), 1, "family 15, nothing"},
        {Cpu(true, 6, true, true, true), 3, "family 6, SSE2 and SSE3"},
        {Cpu(true, 6, true, true, false), 3, "family 6, SSE2"},
        {Cpu(true, 6, false, true, false), 3, "family 6, SSE2 bit without SSE bit"},
        {Cpu(true, 6, true, false, false), 2, "family 6, SSE without SSE2"},
        {Cpu(true, 6, true, false, true), 2, "family 6, SSE and SSE3 without SSE2"},
        {Cpu(true, 6, false, false, false), 1, "family 6 without SSE"},
        {Cpu(true, 5, true, true, true), 1, "family 5"},
        {Cpu(true, 4, false, false, false), 1, "family 4"},
        {Cpu(true, 16, true, true, true), 1, "another family"},
        {Cpu(true, 0, true, true, true), 1, "family 0"},
        // The wide levels sit on top of levels 3 and 4 only.
        {Cpu(true, 6, true, true, true, true, false), 5, "family 6 with AVX2"},
        {Cpu(true, 15, true, true, true, true, false), 5, "family 15 with AVX2"},
        {Cpu(true, 15, true, true, false, true, false), 5, "family 15, SSE2 and AVX2 without SSE3"},
        {Cpu(true, 6, true, true, true, true, true), 6, "family 6 with AVX2 and the AVX-512 set"},
        {Cpu(true, 15, true, true, true, true, true), 6, "family 15 with AVX2 and the AVX-512 set"},
        {Cpu(true, 6, true, true, true, false, true), 3, "AVX-512 bits without AVX2"},
        {Cpu(true, 6, true, false, false, true, true), 2, "AVX2 bits at the SSE level"},
        {Cpu(true, 5, true, true, true, true, true), 1, "AVX2 bits on family 5"},
        {Cpu(true, 15, true, false, false, true, false), 1, "AVX2 bits without SSE2"},
    };
    for (const auto& c : cases) EXPECT_EQ(vtx::px::SelectProcessorIndex(c.id), c.index) << c.what;
}

TEST(ProcessorSelection, CeilingLimitsTheIndexAndIsRestored) {
    const std::int32_t natural = vtx::px::SelectProcessorIndex(vtx::px::ReadCpuIdentification());
    ASSERT_GE(natural, vtx::px::kCpuPlain);
    ASSERT_LE(natural, vtx::px::kCpuHighest);
    for (std::int32_t ceiling = vtx::px::kCpuPlain; ceiling <= vtx::px::kCpuHighest; ++ceiling) {
        ASSERT_EQ(vtx::px::ForceProcessorCeiling(ceiling), vtx::px::kStsOk);
        EXPECT_EQ(vtx::px::GetProcessorIndex(), natural < ceiling ? natural : ceiling);
        EXPECT_EQ(vtx::px::DispatchLevel(vtx::px::kCpuSse2), std::min<std::int32_t>({natural, ceiling, vtx::px::kCpuSse2}));
        vtx::px::SelectProcessor();  // a later selection keeps the ceiling
        EXPECT_EQ(vtx::px::GetProcessorIndex(), natural < ceiling ? natural : ceiling);
    }
    EXPECT_EQ(vtx::px::ForceProcessorCeiling(0), vtx::px::kStsBadArg);
    EXPECT_EQ(vtx::px::ForceProcessorCeiling(vtx::px::kCpuHighest + 1), vtx::px::kStsBadArg);
    EXPECT_EQ(vtx::px::ForceProcessorCeiling(INT32_MIN), vtx::px::kStsBadArg);
    EXPECT_EQ(vtx::px::GetProcessorIndex(), natural);  // refused ceilings change nothing
}

#if defined(__x86_64__) || defined(_M_X64)
TEST(ProcessorSelection, ThisProcessorHasSse2) {
    const vtx::px::CpuIdentification id = vtx::px::ReadCpuIdentification();
    EXPECT_TRUE(id.hasCpuid);
    EXPECT_TRUE(id.sse);
    EXPECT_TRUE(id.sse2);
}
#endif

// ---------------------------------------------------------------------------
// Numeric helpers.

TEST(ScaleSfsToByte, WorkedValuesAndExtremeScales) {
    const struct {
        std::int64_t r;
        std::int32_t sf;
        int want;
    } cases[] = {
        // A few worked values inside the range the next test sweeps, then the extreme scale factors.
        {5, 1, 2}, {7, 1, 4}, {10, 2, 2}, {576, 7, 4}, {65025, 7, 255}, {63, -2, 252}, {64, -2, 255},
        {INT64_C(1) << 40, 62, 0}, {INT64_C(1) << 40, 63, 0}, {255, INT32_MAX, 0},
        {0, -40, 0}, {1, -40, 255}, {1, INT32_MIN, 255}, {-1, INT32_MIN, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(vtx::px::ScaleSfsToByte(c.r, c.sf), c.want) << c.r << " sf " << c.sf;
}

TEST(ScaleSfsToByte, MatchesDivisionWithRemainder) {
    // Every sum or square of bytes, every scale factor the primitives might see.
    for (std::int32_t sf = -3; sf <= 17; ++sf) {
        for (std::int64_t r = -600; r <= 66000; ++r) {
            std::int64_t q;
            if (sf > 0) {
                const std::int64_t d = std::int64_t{1} << sf;
                q = (r >= 0) ? r / d : -((-r + d - 1) / d);  // floor
                const std::int64_t rem = r - q * d;
                if (2 * rem > d || (2 * rem == d && q % 2 != 0)) ++q;
            } else {
                q = r * (std::int64_t{1} << -sf);
            }
            const int expected = q < 0 ? 0 : (q > 255 ? 255 : static_cast<int>(q));
            ASSERT_EQ(vtx::px::ScaleSfsToByte(r, sf), expected) << "r " << r << " sf " << sf;
        }
    }
}

TEST(NumericHelpers, SaturateAndTruncate) {
    for (const auto& [v, want] : {std::pair<std::int64_t, int>{-1, 0}, {INT64_MIN, 0}, {128, 128}, {255, 255},
                                  {256, 255}, {INT64_MAX, 255}}) {
        EXPECT_EQ(vtx::px::SaturateToByte(v), want) << v;
    }
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [x, want] : {std::pair<double, std::int32_t>{2.9, 2}, {-2.9, -2}, {-0.5, 0}, {-0.0, 0},
                                  {2147483646.9, 2147483646}, {2147483647.0, INT32_MAX}, {1e300, INT32_MAX},
                                  {-2147483647.9, -2147483647}, {-2147483648.5, INT32_MIN}, {-1e300, INT32_MIN},
                                  {inf, INT32_MAX}, {-inf, INT32_MIN}, {nan, 0}, {-nan, 0}}) {
        EXPECT_EQ(vtx::px::TruncToInt32(x), want) << x;
    }
}

TEST(MulDiv, RoundingFullProductAndRefusals) {
    const struct {
        std::int32_t a, b, c, want;
    } cases[] = {
        // Halves away from zero, every sign combination; other fractions to nearest.
        {5, 1, 2, 3}, {-5, 1, 2, -3}, {5, -1, 2, -3}, {5, 1, -2, -3}, {-5, -1, 2, 3}, {-5, 1, -2, 3},
        {-5, -1, -2, -3}, {3, 1, 2, 2}, {1, 1, 3, 0}, {2, 1, 3, 1}, {-2, 1, 3, -1}, {-1, 1, 3, 0},
        {100, 3, 7, 43}, {0, -5, 3, 0},
        // The 64-bit product.
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, {65536, 65536, 65536, 65536}, {INT32_MIN, 1, 2, -(1 << 30)},
        {INT32_MIN, -1, 2, 1 << 30}, {INT32_MIN, 1, INT32_MIN, 1}, {1, 1, INT32_MIN, 0},
        {INT32_MAX, 1, INT32_MIN, -1},  // -0.99999… rounds to -1
        {-INT32_MAX, 1, 1, -INT32_MAX}, {INT32_MAX, 1, 1, INT32_MAX},  // the ends that fit
        // Zero divisor and results outside (-2^31, 2^31) give -1.
        {7, 3, 0, -1}, {0, 0, 0, -1}, {INT32_MAX, 2, 1, -1}, {INT32_MIN, 1, 1, -1}, {INT32_MIN, -1, 1, -1},
        {INT32_MIN, 1, -1, -1}, {INT32_MIN, INT32_MIN, INT32_MIN, -1}, {INT32_MIN, INT32_MIN, INT32_MAX, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(vtx::px::MulDiv(c.a, c.b, c.c), c.want) << c.a << " " << c.b << " " << c.c;
}

}  // namespace
