// Conventions shared by every image primitive: region description, status
// values, scale-factor rounding, saturation, the aligned allocator, the
// processor selection and the numeric helpers that define every conversion
// from floating point to integer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vtx::px {

// Region size in pixels: width then height.
struct RoiSize {
    std::int32_t width;
    std::int32_t height;
};

// Point in pixels: x then y.
struct RoiPoint {
    std::int32_t x;
    std::int32_t y;
};

using Status = std::int32_t;

// Status values returned by the primitives. 0 is success; every error is
// negative and means that nothing was written to the destination.
enum : Status {
    kStsOk = 0,
    kStsBadArg = -5,             // enumerated argument outside its set
    kStsBadSize = -6,            // width or height below 1, destination too small
    kStsNullPtr = -8,            // a required pointer is null
    kStsNoMemory = -9,           // a temporary buffer could not be allocated
    kStsBadStep = -14,           // a step below 1
    kStsBadThreshold = -18,      // lower threshold above upper threshold
    kStsBadMirrorAxis = -21,     // unknown mirror axis
    kStsBadInterpolation = -22,  // unknown interpolation code
    kStsBadScale = -23,          // scale factor not above 0
    kStsBadMaskSize = -33,       // unknown mask code or mask dimension below 2
    kStsBadAnchor = -34,         // anchor outside the mask
    kStsBadAlphaType = -50,      // unknown alpha-composition type
    kStsDivByZero = -51,         // zero divisor
    kStsBadChannelOrder = -60,   // channel index outside 0..2
    kStsFewLevels = -106,        // lookup table with fewer than 2 levels
    kStsOddStep = -108,          // odd step for a 16-bit image
};

// ---------------------------------------------------------------------------
// Aligned allocation. step = (4·width + 31) rounded down to a multiple of 32;
// the block requested from the heap is step·height + 36 bytes and the
// returned address is (raw + 35) with the low five bits cleared. The 4 bytes
// just below it hold the raw block's address on 32-bit builds and, where a
// pointer does not fit in them, the distance back to the raw block.
std::uint8_t* Malloc_8u_AC4(std::int32_t width, std::int32_t height, std::int32_t* stepOut);
// Allocates `bytes` bytes from the same allocator (32-byte aligned); used for
// the primitives' temporary buffers. Null for bytes < 1 or on failure.
void* MallocBytes(std::int64_t bytes);
void Free(void* ptr);

// ---------------------------------------------------------------------------
// Processor dispatch. Index 1 selects the plain implementations, 2 the SSE
// level, 3 SSE2 and 4 SSE3; 5 (AVX2) and 6 (AVX-512 with byte and VBMI
// instructions) extend the classic levels on processors and systems that
// support them. A family without a kernel at some level uses the highest
// level below it that it has (see DispatchLevel).
enum : std::int32_t {
    kCpuPlain = 1,
    kCpuSse = 2,
    kCpuSse2 = 3,
    kCpuSse3 = 4,
    kCpuAvx2 = 5,
    kCpuAvx512 = 6,
    kCpuHighest = kCpuAvx512,
    kCpuLevelCount = 7,  // table size: index 0 is unused
};

// What the identification instruction reports (leaves 0, 1, 2 and 7) and
// whether the system saves the wider register state (XGETBV).
struct CpuIdentification {
    bool hasCpuid;         // the identification instruction exists
    std::uint32_t family;  // base family field of leaf 1 (bits 8..11)
    bool sse;              // leaf 1 EDX bit 25
    bool sse2;             // leaf 1 EDX bit 26
    bool sse3;             // leaf 1 ECX bit 0
    bool avx2;             // leaf 7 EBX bit 5, with YMM state enabled by the system
    bool avx512;           // leaf 7 EBX bits 16 (F) and 30 (BW), ECX bit 1 (VBMI), with ZMM state enabled
};

// Pure selection rule, tested with synthetic values: family 15 with SSE2 and
// SSE3 gives 4; family 15 with SSE2 only, or family 6 with SSE2, gives 3;
// family 6 with SSE but not SSE2 gives 2; anything else 1. A processor at
// level 3 or 4 that also has AVX2 gives 5, and with the AVX-512 set 6.
std::int32_t SelectProcessorIndex(const CpuIdentification& id);
// Reads this processor's identification.
CpuIdentification ReadCpuIdentification();
// Runs the selection on this processor and stores the index (never above the
// forced ceiling). Called by every session construction.
void SelectProcessor();
// The index every primitive call reads.
std::int32_t GetProcessorIndex();
// Sets a ceiling on the index for tests and tools (1..6, default 6) and runs
// the selection again; later selections respect it. Returns kStsBadArg for a
// value outside 1..6.
Status ForceProcessorCeiling(std::int32_t ceiling);

// The level whose kernels a family uses: the current index, lowered to the
// highest level at which the family has its own kernels.
inline std::int32_t DispatchLevel(std::int32_t highestOfFamily) {
    const std::int32_t index = GetProcessorIndex();
    return index < highestOfFamily ? index : highestOfFamily;
}

// Kernel tables. Every family keeps one table of its kernels per processor
// index, built once: index 1 holds the plain kernels; each higher index
// starts as a copy of the one below and then takes what its level's file
// installs (SSE2 at index 3, AVX2 at 5, AVX-512 at 6). A null installer means
// the family has no kernels of that level in this build. Index 0 repeats the
// plain kernels.
template <class K>
using KernelInstaller = void (*)(K&);

template <class K>
std::array<K, kCpuLevelCount> BuildLevelTable(const K& plain, KernelInstaller<K> sse2, KernelInstaller<K> avx2,
                                              KernelInstaller<K> avx512) {
    std::array<K, kCpuLevelCount> t{};
    t[kCpuPlain] = plain;
    for (std::int32_t level = kCpuSse; level <= kCpuHighest; ++level) {
        t[level] = t[level - 1];
        if (level == kCpuSse2 && sse2 != nullptr) sse2(t[level]);
        if (level == kCpuAvx2 && avx2 != nullptr) avx2(t[level]);
        if (level == kCpuAvx512 && avx512 != nullptr) avx512(t[level]);
    }
    t[0] = t[kCpuPlain];
    return t;
}

// The table's entry for the current processor index.
template <class K>
const K& ForCurrentLevel(const std::array<K, kCpuLevelCount>& table) {
    const std::int32_t index = GetProcessorIndex();
    return table[(index >= kCpuPlain && index <= kCpuHighest) ? index : kCpuPlain];
}

// ---------------------------------------------------------------------------
// Numeric helpers.

// Truncation toward zero of a double into a 32-bit signed integer, defined for
// every input: NaN gives 0, values beyond the range (±inf included) saturate
// to INT32_MIN / INT32_MAX. Every double-to-integer conversion goes through it.
inline std::int32_t TruncToInt32(double x) {
    if (!(x == x)) return 0;
    if (x >= 2147483647.0) return INT32_MAX;
    if (x <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(x);
}

// Scale-factor rounding of an exact integer result r by 2^-sf, then
// saturation to 0..255. sf > 0 rounds to nearest with ties to even.
inline std::uint8_t ScaleSfsToByte(std::int64_t r, std::int32_t sf) {
    if (sf > 0) {
        if (sf > 62) {
            r = 0;  // |r| < 2^40 for every primitive: the result rounds to 0
        } else {
            const std::int64_t half = (std::int64_t{1} << (sf - 1)) - 1;
            r = (r + half + ((r >> sf) & 1)) >> sf;
        }
    } else if (sf < 0) {
        // r·2^-sf: at most 0 when r is, otherwise positive (saturating).
        if (r <= 0) {
            r = 0;
        } else {
            r = (sf < -31 || r > (INT64_MAX >> (-sf))) ? 256 : r * (std::int64_t{1} << (-sf));
        }
    }
    return static_cast<std::uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : r));
}

inline std::uint8_t SaturateToByte(std::int64_t v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Rounding multiply-divide with the Windows kernel semantics: a·b/c rounded
// to nearest with halves away from zero; -1 when c is 0 or the result does
// not fit in (-2^31, 2^31).
inline std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return -1;
    std::int64_t num = std::int64_t{a} * b;
    std::int64_t den = c;
    if (den < 0) {
        num = -num;  // |a·b| <= 2^62: negation cannot overflow
        den = -den;
    }
    const std::int64_t half = den / 2;
    const std::int64_t q = (num >= 0) ? (num + half) / den : (num - half) / den;
    if (q > 2147483647 || q < -2147483647) return -1;
    return static_cast<std::int32_t>(q);
}

}  // namespace vtx::px
