#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "primitives/conventions.h"

namespace {

// ---------------------------------------------------------------------------
// Aligned allocator.

TEST(AlignedAllocator, StepIsFourBytesPerPixelRoundedUpToThirtyTwo) {
    const struct {
        std::int32_t width;
        std::int32_t step;
    } cases[] = {{1, 32}, {5, 32}, {8, 32}, {9, 64}, {16, 64}, {17, 96}, {800, 3200}, {801, 3232}};
    for (const auto& c : cases) {
        std::int32_t step = -1;
        std::uint8_t* p = ippiMalloc_8u_AC4(c.width, 3, &step);
        ASSERT_NE(p, nullptr) << c.width;
        EXPECT_EQ(step, c.step) << c.width;
        ippiFree(p);
    }
}

TEST(AlignedAllocator, BlockIsAlignedAndHoldsEveryRow) {
    for (std::int32_t width : {1, 5, 7, 33}) {
        for (std::int32_t height : {1, 3, 10}) {
            std::int32_t step = 0;
            std::uint8_t* p = ippiMalloc_8u_AC4(width, height, &step);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u);
            EXPECT_GE(step, 4 * width);
            // Every byte of every row is usable (AddressSanitizer checks the bounds).
            std::memset(p, 0xA5, static_cast<std::size_t>(step) * height);
            EXPECT_EQ(p[static_cast<std::size_t>(step) * height - 1], 0xA5);
            ippiFree(p);
        }
    }
}

TEST(AlignedAllocator, BadSizesGiveNullAndStepZero) {
    for (const RoiSize s : {RoiSize{0, 3}, RoiSize{3, 0}, RoiSize{-1, 3}, RoiSize{3, -7}, RoiSize{INT32_MIN, 1}}) {
        std::int32_t step = 12345;
        EXPECT_EQ(ippiMalloc_8u_AC4(s.width, s.height, &step), nullptr);
        EXPECT_EQ(step, 0);
    }
    // A step that does not fit in 32 bits is refused as well.
    std::int32_t step = 12345;
    EXPECT_EQ(ippiMalloc_8u_AC4(INT32_MAX, 1, &step), nullptr);
    EXPECT_EQ(step, 0);
}

TEST(AlignedAllocator, NullStepPointerGivesNull) {
    EXPECT_EQ(ippiMalloc_8u_AC4(5, 3, nullptr), nullptr);
}

TEST(AlignedAllocator, ByteBlocks) {
    EXPECT_EQ(ippiMallocBytes(0), nullptr);
    EXPECT_EQ(ippiMallocBytes(-1), nullptr);
    EXPECT_EQ(ippiMallocBytes(INT64_MIN), nullptr);
    EXPECT_EQ(ippiMallocBytes(INT64_MAX), nullptr);
    for (std::int64_t n : {1, 31, 32, 33, 1000}) {
        auto* p = static_cast<std::uint8_t*>(ippiMallocBytes(n));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u);
        std::memset(p, 1, static_cast<std::size_t>(n));
        ippiFree(p);
    }
}

TEST(AlignedAllocator, FreeOfNullDoesNothing) {
    ippiFree(nullptr);
    SUCCEED();
}

// ---------------------------------------------------------------------------
// Processor selection.

CpuIdentification Cpu(bool hasCpuid, std::uint32_t family, bool sse, bool sse2, bool sse3, bool avx2 = false,
                      bool avx512 = false) {
    CpuIdentification id{};
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
        CpuIdentification id;
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
    for (const auto& c : cases) EXPECT_EQ(SelectProcessorIndex(c.id), c.index) << c.what;
}

TEST(ProcessorSelection, CeilingLimitsTheIndexAndIsRestored) {
    const std::int32_t natural = SelectProcessorIndex(ReadCpuIdentification());
    ASSERT_GE(natural, kCpuPlain);
    ASSERT_LE(natural, kCpuHighest);
    for (std::int32_t ceiling = kCpuPlain; ceiling <= kCpuHighest; ++ceiling) {
        ASSERT_EQ(ippiForceProcessorCeiling(ceiling), kStsOk);
        EXPECT_EQ(ippiGetProcessorIndex(), natural < ceiling ? natural : ceiling);
        ippiSelectProcessor();  // a later selection keeps the ceiling
        EXPECT_EQ(ippiGetProcessorIndex(), natural < ceiling ? natural : ceiling);
    }
    EXPECT_EQ(ippiForceProcessorCeiling(0), kStsBadArg);
    EXPECT_EQ(ippiForceProcessorCeiling(kCpuHighest + 1), kStsBadArg);
    EXPECT_EQ(ippiForceProcessorCeiling(INT32_MIN), kStsBadArg);
    EXPECT_EQ(ippiGetProcessorIndex(), natural);  // refused ceilings change nothing
}

#if defined(__x86_64__) || defined(_M_X64)
TEST(ProcessorSelection, ThisProcessorHasSse2) {
    const CpuIdentification id = ReadCpuIdentification();
    EXPECT_TRUE(id.hasCpuid);
    EXPECT_TRUE(id.sse);
    EXPECT_TRUE(id.sse2);
}
#endif

// ---------------------------------------------------------------------------
// Numeric helpers.

TEST(ScaleSfsToByte, ZeroScaleSaturates) {
    EXPECT_EQ(vtx::ScaleSfsToByte(0, 0), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(200, 0), 200);
    EXPECT_EQ(vtx::ScaleSfsToByte(255, 0), 255);
    EXPECT_EQ(vtx::ScaleSfsToByte(256, 0), 255);
    EXPECT_EQ(vtx::ScaleSfsToByte(510, 0), 255);
    EXPECT_EQ(vtx::ScaleSfsToByte(-1, 0), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(-255, 0), 0);
}

TEST(ScaleSfsToByte, PositiveScaleRoundsHalfToEven) {
    // sf = 1: x.5 goes to the even neighbour.
    EXPECT_EQ(vtx::ScaleSfsToByte(1, 1), 0);  // 0.5
    EXPECT_EQ(vtx::ScaleSfsToByte(3, 1), 2);  // 1.5
    EXPECT_EQ(vtx::ScaleSfsToByte(5, 1), 2);  // 2.5
    EXPECT_EQ(vtx::ScaleSfsToByte(7, 1), 4);  // 3.5
    EXPECT_EQ(vtx::ScaleSfsToByte(4, 1), 2);
    // sf = 2: quarters round to nearest, halves to even.
    EXPECT_EQ(vtx::ScaleSfsToByte(5, 2), 1);   // 1.25
    EXPECT_EQ(vtx::ScaleSfsToByte(6, 2), 2);   // 1.5
    EXPECT_EQ(vtx::ScaleSfsToByte(7, 2), 2);   // 1.75
    EXPECT_EQ(vtx::ScaleSfsToByte(10, 2), 2);  // 2.5
    EXPECT_EQ(vtx::ScaleSfsToByte(11, 2), 3);  // 2.75
    EXPECT_EQ(vtx::ScaleSfsToByte(2, 2), 0);   // 0.5
    EXPECT_EQ(vtx::ScaleSfsToByte(14, 2), 4);  // 3.5
    // sf = 7 (squares): 64/128 = 0.5 → 0, 576/128 = 4.5 → 4, 144/128 → 1.
    EXPECT_EQ(vtx::ScaleSfsToByte(64, 7), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(576, 7), 4);
    EXPECT_EQ(vtx::ScaleSfsToByte(144, 7), 1);
    EXPECT_EQ(vtx::ScaleSfsToByte(65025, 7), 255);
    // Results above 255 saturate, negative ones give 0.
    EXPECT_EQ(vtx::ScaleSfsToByte(1000, 1), 255);
    EXPECT_EQ(vtx::ScaleSfsToByte(-3, 1), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(-1, 1), 0);
    // Very large scale factors round everything to 0.
    EXPECT_EQ(vtx::ScaleSfsToByte(INT64_C(1) << 40, 62), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(INT64_C(1) << 40, 63), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(255, INT32_MAX), 0);
}

TEST(ScaleSfsToByte, NegativeScaleShiftsLeft) {
    EXPECT_EQ(vtx::ScaleSfsToByte(100, -1), 200);
    EXPECT_EQ(vtx::ScaleSfsToByte(64, -2), 255);
    EXPECT_EQ(vtx::ScaleSfsToByte(63, -2), 252);
    EXPECT_EQ(vtx::ScaleSfsToByte(0, -40), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(1, -40), 255);
    EXPECT_EQ(vtx::ScaleSfsToByte(1, INT32_MIN), 255);
    EXPECT_EQ(vtx::ScaleSfsToByte(-1, -3), 0);
    EXPECT_EQ(vtx::ScaleSfsToByte(-1, INT32_MIN), 0);
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
            ASSERT_EQ(vtx::ScaleSfsToByte(r, sf), expected) << "r " << r << " sf " << sf;
        }
    }
}

TEST(SaturateToByte, ClampsToByteRange) {
    EXPECT_EQ(vtx::SaturateToByte(-1), 0);
    EXPECT_EQ(vtx::SaturateToByte(INT64_MIN), 0);
    EXPECT_EQ(vtx::SaturateToByte(0), 0);
    EXPECT_EQ(vtx::SaturateToByte(128), 128);
    EXPECT_EQ(vtx::SaturateToByte(255), 255);
    EXPECT_EQ(vtx::SaturateToByte(256), 255);
    EXPECT_EQ(vtx::SaturateToByte(INT64_MAX), 255);
}

TEST(TruncToInt32, TruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(vtx::TruncToInt32(2.9), 2);
    EXPECT_EQ(vtx::TruncToInt32(-2.9), -2);
    EXPECT_EQ(vtx::TruncToInt32(-0.5), 0);
    EXPECT_EQ(vtx::TruncToInt32(0.0), 0);
    EXPECT_EQ(vtx::TruncToInt32(-0.0), 0);
    EXPECT_EQ(vtx::TruncToInt32(2147483646.9), 2147483646);
    EXPECT_EQ(vtx::TruncToInt32(2147483647.0), INT32_MAX);
    EXPECT_EQ(vtx::TruncToInt32(1e300), INT32_MAX);
    EXPECT_EQ(vtx::TruncToInt32(-2147483648.5), INT32_MIN);
    EXPECT_EQ(vtx::TruncToInt32(-2147483647.9), -2147483647);
    EXPECT_EQ(vtx::TruncToInt32(-1e300), INT32_MIN);
    EXPECT_EQ(vtx::TruncToInt32(std::numeric_limits<double>::infinity()), INT32_MAX);
    EXPECT_EQ(vtx::TruncToInt32(-std::numeric_limits<double>::infinity()), INT32_MIN);
    EXPECT_EQ(vtx::TruncToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(vtx::TruncToInt32(-std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(vtx::MulDiv(5, 1, 2), 3);     // 2.5
    EXPECT_EQ(vtx::MulDiv(-5, 1, 2), -3);   // -2.5
    EXPECT_EQ(vtx::MulDiv(5, -1, 2), -3);
    EXPECT_EQ(vtx::MulDiv(5, 1, -2), -3);
    EXPECT_EQ(vtx::MulDiv(-5, -1, 2), 3);
    EXPECT_EQ(vtx::MulDiv(-5, 1, -2), 3);
    EXPECT_EQ(vtx::MulDiv(-5, -1, -2), -3);
    EXPECT_EQ(vtx::MulDiv(3, 1, 2), 2);     // 1.5
    EXPECT_EQ(vtx::MulDiv(1, 1, 3), 0);     // 0.33
    EXPECT_EQ(vtx::MulDiv(2, 1, 3), 1);     // 0.67
    EXPECT_EQ(vtx::MulDiv(-2, 1, 3), -1);
    EXPECT_EQ(vtx::MulDiv(-1, 1, 3), 0);
    EXPECT_EQ(vtx::MulDiv(255, 128, 255), 128);
    EXPECT_EQ(vtx::MulDiv(100, 3, 7), 43);  // 42.86
    EXPECT_EQ(vtx::MulDiv(0, -5, 3), 0);
}

TEST(MulDiv, UsesTheFullProduct) {
    EXPECT_EQ(vtx::MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(vtx::MulDiv(65536, 65536, 65536), 65536);
    EXPECT_EQ(vtx::MulDiv(1 << 30, 4, 8), 1 << 29);
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, INT32_MIN, INT32_MIN), -1);  // 2^31 does not fit
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, 1, 2), -(1 << 30));
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, -1, 2), 1 << 30);
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, INT32_MIN, INT32_MAX), -1);
}

TEST(MulDiv, ZeroDivisorAndOverflowGiveMinusOne) {
    EXPECT_EQ(vtx::MulDiv(7, 3, 0), -1);
    EXPECT_EQ(vtx::MulDiv(0, 0, 0), -1);
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, INT32_MIN, 0), -1);
    EXPECT_EQ(vtx::MulDiv(INT32_MAX, 2, 1), -1);
    EXPECT_EQ(vtx::MulDiv(INT32_MAX, INT32_MAX, 1), -1);
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, 1, 1), -1);   // -2^31 is outside (-2^31, 2^31)
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, -1, 1), -1);  // 2^31
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, 1, -1), -1);
    EXPECT_EQ(vtx::MulDiv(1, INT32_MIN, -1), -1);
    EXPECT_EQ(vtx::MulDiv(-INT32_MAX, 1, 1), -INT32_MAX);  // the smallest result that fits
    EXPECT_EQ(vtx::MulDiv(INT32_MAX, 1, 1), INT32_MAX);
    EXPECT_EQ(vtx::MulDiv(INT32_MIN, 1, INT32_MIN), 1);
    EXPECT_EQ(vtx::MulDiv(INT32_MAX, 1, INT32_MIN), -1);  // -0.99999… rounds to -1
    EXPECT_EQ(vtx::MulDiv(1, 1, INT32_MIN), 0);
}

}  // namespace
