// Allocator, processor selection and the numeric helpers of the primitives.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>

#include "primitives/conventions.h"
#include "tests/primitives/support.h"

namespace {

namespace px = vtx::px;

TEST(AlignedAllocator, StepsAlignmentUsableRowsAndRefusals) {
    for (std::int32_t i = 0; i < 200; ++i) {
        const std::int32_t width = 1 + i / 2, height = 1 + i % 2 * 2;
        std::int32_t step = -1;
        std::uint8_t* p = px::Malloc_8u_AC4(width, height, &step);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(step, (width + 7) / 8 * 32) << width;  // whole 32-byte groups of eight pixels
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u);
        std::memset(p, 0xA5, std::size_t(step) * height);  // AddressSanitizer checks the bounds and the release
        px::Free(p);
        auto* q = static_cast<std::uint8_t*>(px::MallocBytes(1 + i * 7));
        ASSERT_TRUE(q != nullptr && reinterpret_cast<std::uintptr_t>(q) % 32 == 0);
        std::memset(q, 0x5A, std::size_t(1 + i * 7));
        px::Free(q);
    }
    px::Free(nullptr);
    // Bad sizes, and a step that does not fit in 32 bits, give null and step 0.
    for (const px::RoiSize s : {px::RoiSize{0, 3}, {3, -7}, {INT32_MIN, 1}, {INT32_MAX, 1}}) {
        std::int32_t step = 12345;
        EXPECT_EQ(px::Malloc_8u_AC4(s.width, s.height, &step), nullptr);
        EXPECT_EQ(step, 0);
    }
    EXPECT_EQ(px::Malloc_8u_AC4(5, 3, nullptr), nullptr);
    for (std::int64_t n : {std::int64_t{0}, std::int64_t{-1}, INT64_MIN, INT64_MAX}) EXPECT_EQ(px::MallocBytes(n), nullptr);
}

// The selection rule: 4 for family 15 with SSE2 and SSE3; 3 for family 15
// with SSE2 or family 6 with SSE2; 2 for family 6 with SSE only; otherwise 1.
// On top of 3 and 4, AVX2 gives 5 and AVX2 with the AVX-512 set 6.
std::int32_t RefIndex(const px::CpuIdentification& c) {
    std::int32_t i = 1;
    if (c.hasCpuid && c.sse2 && (c.family == 15 || c.family == 6)) i = (c.family == 15 && c.sse3) ? 4 : 3;
    if (c.hasCpuid && !c.sse2 && c.sse && c.family == 6) i = 2;
    if (i >= 3 && c.avx2) i = c.avx512 ? 6 : 5;
    return i;
}

TEST(ProcessorSelection, EveryCombinationFollowsTheRule) {
    for (std::uint32_t family : {0u, 4u, 5u, 6u, 7u, 14u, 15u, 16u}) {
        for (int bits = 0; bits < 64; ++bits) {
            const px::CpuIdentification c{(bits & 1) != 0, family, (bits & 2) != 0, (bits & 4) != 0,
                                          (bits & 8) != 0, (bits & 16) != 0, (bits & 32) != 0};
            EXPECT_EQ(px::SelectProcessorIndex(c), RefIndex(c)) << "family " << family << " bits " << bits;
        }
    }
}

#if defined(__i386__) || defined(__x86_64__)
TEST(ProcessorSelection, ThisProcessorAsTheCompilerAndTheSystemSeeIt) {
    __builtin_cpu_init();
    const px::CpuIdentification id = px::ReadCpuIdentification();
    EXPECT_TRUE(id.hasCpuid);
    EXPECT_EQ(id.sse, __builtin_cpu_supports("sse") != 0);
    EXPECT_EQ(id.sse2, __builtin_cpu_supports("sse2") != 0);
    EXPECT_EQ(id.sse3, __builtin_cpu_supports("sse3") != 0);
    EXPECT_EQ(id.avx2, __builtin_cpu_supports("avx2") != 0);
    EXPECT_EQ(id.avx512, id.avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vbmi"));
#ifdef __linux__
    // The system adds the extended family to a base family of 15.
    std::ifstream info("/proc/cpuinfo");
    std::string line;
    while (std::getline(info, line) && line.rfind("cpu family", 0) != 0) {
    }
    EXPECT_EQ(id.family, std::min<std::uint32_t>(15, std::stoul(line.substr(line.find(':') + 1))));
#endif
    // The index under every ceiling; refused ceilings change nothing.
    for (std::int32_t ceiling = px::kCpuPlain; ceiling <= px::kCpuHighest; ++ceiling) {
        ASSERT_EQ(px::ForceProcessorCeiling(ceiling), px::kStsOk);
        EXPECT_EQ(px::GetProcessorIndex(), std::min(RefIndex(id), ceiling));
        EXPECT_EQ(px::DispatchLevel(px::kCpuSse2), std::min<std::int32_t>({RefIndex(id), ceiling, px::kCpuSse2}));
        px::SelectProcessor();  // a later selection keeps the ceiling
        EXPECT_EQ(px::GetProcessorIndex(), std::min(RefIndex(id), ceiling));
    }
    for (std::int32_t bad : {0, px::kCpuHighest + 1, INT32_MIN}) EXPECT_EQ(px::ForceProcessorCeiling(bad), px::kStsBadArg);
    EXPECT_EQ(px::GetProcessorIndex(), RefIndex(id));
}
#endif

TEST(ScaleSfsToByte, EveryByteSumAndSquareAtEveryScale) {
    for (std::int32_t sf = -22; sf <= 42; ++sf) {
        for (std::int64_t r = -600; r <= 66000; r += (sf >= -3 && sf <= 17) ? 1 : 97) {
            ASSERT_EQ(px::ScaleSfsToByte(r, sf), vtxtest::RefScale(r, sf)) << "r " << r << " sf " << sf;
        }
    }
    for (std::int32_t sf : {63, 100, INT32_MAX}) EXPECT_EQ(px::ScaleSfsToByte(INT64_C(1) << 40, sf), 0);
    for (std::int32_t sf : {-40, -64, INT32_MIN}) EXPECT_EQ(px::ScaleSfsToByte(1, sf) * 256 + px::ScaleSfsToByte(-1, sf), 255 * 256);
}

// a·b/c from the exact product, to nearest with halves away from zero; -1 for
// c = 0 or a result outside (-2^31, 2^31).
std::int64_t RefMulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) return -1;
    const std::uint64_t n = static_cast<std::uint64_t>(std::llabs(a * b)), d = static_cast<std::uint64_t>(std::llabs(c));
    const std::int64_t q = static_cast<std::int64_t>((2 * n + d) / (2 * d)) * (((a * b < 0) != (c < 0)) ? -1 : 1);
    return (q > INT32_MAX || q < -INT32_MAX) ? -1 : q;
}

TEST(NumericHelpers, SaturateTruncateAndMulDiv) {
    for (const auto& [v, want] : {std::pair<std::int64_t, int>{-1, 0}, {INT64_MIN, 0}, {128, 128}, {255, 255}, {256, 255},
                                  {INT64_MAX, 255}}) {
        EXPECT_EQ(px::SaturateToByte(v), want) << v;
    }
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [x, want] : {std::pair<double, std::int32_t>{2.9, 2}, {-2.9, -2}, {-0.5, 0}, {-0.0, 0}, {nan, 0}, {-nan, 0},
                                  {2147483646.9, 2147483646}, {2147483647.0, INT32_MAX}, {1e300, INT32_MAX}, {inf, INT32_MAX},
                                  {-2147483647.9, -2147483647}, {-2147483648.5, INT32_MIN}, {-1e300, INT32_MIN}, {-inf, INT32_MIN}}) {
        EXPECT_EQ(px::TruncToInt32(x), want) << x;
    }
    // Every combination of small, halving and extreme operands.
    const std::int32_t pool[] = {0, 1, -1, 2, -2, 3, 5, -5, 7, 100, 46341, 65536, 1 << 30, INT32_MAX, -INT32_MAX, INT32_MIN};
    for (const std::int32_t a : pool) {
        for (const std::int32_t b : pool) {
            for (const std::int32_t c : pool) EXPECT_EQ(px::MulDiv(a, b, c), RefMulDiv(a, b, c)) << a << " " << b << " " << c;
        }
    }
}

}  // namespace
