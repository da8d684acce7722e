// Linear filter primitives: argument checks, row buffers, the dispatch table
// and the plain kernels.
//
// Conventions of the plain kernels (the reference of every other level):
// - channels 0..2 of each pixel are computed on their own; byte 3 of a
//   destination is never stored and byte 3 of a source never read;
// - integer sums are exact, or taken modulo 2^32 where the result is defined
//   on a signed 32-bit sum;
// - a kernel reads only the source pixels its taps name (zero taps of the
//   fixed kernels are skipped), so a neighbourhood smaller than the window
//   (the Roberts kernels) reads nothing outside it.
//
// Choices where the definition leaves room:
// - FilterRow/FilterColumn: every divisor other than 1 (powers of two and
//   negative values included) goes through the reciprocal rule; the factor is
//   1/d in double precision rounded once to single precision.
// - Box masks whose largest sum does not fit in 32 bits (255·mw·mh >= 2^32)
//   are summed in 64 bits; the product S·M is always formed in 64 bits, which
//   gives the 32-bit product's value wherever that one does not overflow.
//   For areas beyond 2^32 the reciprocal shifts out to zero: the loop that
//   normalises t stops at t = 0, leaving M = 1 and shift = 12.
// - Filter32f and the integer row/column filters accept any anchor; offsets
//   are formed in 64 bits.
#include "primitives/linear_filter.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "primitives/linear_filter_kernels.h"

namespace vtx::px::linear {

namespace {

inline U8 Clamp255(std::int64_t v) {
    return static_cast<U8>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// The reciprocal rule of the integer row and column filters.
inline U8 Recip(std::int32_t s, double f) {
    const double v = static_cast<double>(s) * f;
    if (v <= 0.0) return 0;
    const double r = v + 0.5;
    return r >= 255.0 ? 255 : static_cast<U8>(static_cast<std::int32_t>(r));
}

// The rounding of the float convolution: positive sums round half up, the
// rest give 0 (a NaN from a NaN or infinite weight gives 0 too).
inline U8 RoundSum(double sum) {
    if (sum > 0.0) sum += 0.5;
    return sum > 255.0 ? 255 : (sum < 0.0 ? 0 : static_cast<U8>(TruncToInt32(sum)));
}

}  // namespace

void Fixed_plain(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                 Count n, std::int32_t rows, std::int16_t*) {
    const std::int32_t r = k.radius, side = 2 * r + 1;
    for (std::int32_t y = 0; y < rows; ++y) {
        const U8* s = src + y * srcStep;
        U8* d = dst + y * dstStep;
        for (Count x = 0; x < n; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::int32_t sum = 0;
                for (std::int32_t dy = -r; dy <= r; ++dy) {
                    for (std::int32_t dx = -r; dx <= r; ++dx) {
                        const std::int32_t w = k.w[(dy + r) * side + dx + r];
                        if (w != 0) sum += w * s[dy * srcStep + 4 * (x + dx) + c];
                    }
                }
                if (k.post == kPostLowpass33) {
                    sum = ((sum + 5) * 455) >> 12;
                } else if (k.post == kPostLowpass55) {
                    sum = (sum * 10485) >> 18;
                }
                d[4 * x + c] = Clamp255(sum);
            }
        }
    }
}

void Conv3x3_plain(const Conv3x3Plan& p, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                   Count n, std::int32_t rows) {
    for (std::int32_t y = 0; y < rows; ++y) {
        const U8* s = src + y * srcStep;
        U8* d = dst + y * dstStep;
        for (Count x = 0; x < n; ++x) {
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0;
                for (int i = 0; i < 9; ++i) sum += p.w[i] * s[(i / 3 - 1) * srcStep + 4 * (x + i % 3 - 1) + c];
                d[4 * x + c] = RoundSum(sum);
            }
        }
    }
}

void ColAdd_plain(std::uint32_t* sums, const U8* add, Count n) {
    for (Count x = 0; x < n; ++x) {
        for (int c = 0; c < 3; ++c) sums[4 * x + c] += add[4 * x + c];
    }
}

void ColAddSub_plain(std::uint32_t* sums, const U8* add, const U8* sub, Count n) {
    for (Count x = 0; x < n; ++x) {
        for (int c = 0; c < 3; ++c) sums[4 * x + c] += std::uint32_t{add[4 * x + c]} - sub[4 * x + c];
    }
}

void BoxRow_plain(const std::uint32_t* colSums, U8* dst, Count n, Count mw, std::uint32_t m, std::uint32_t shift) {
    for (int c = 0; c < 3; ++c) {
        std::uint32_t s = 0;
        for (Count j = 0; j < mw; ++j) s += colSums[4 * j + c];
        for (Count x = 0; x < n; ++x) {
            dst[4 * x + c] = static_cast<U8>((std::uint64_t{s} * m) >> shift);
            if (x + 1 < n) s += colSums[4 * (x + mw) + c] - colSums[4 * x + c];
        }
    }
}

void RowSums_plain(const U8* src, std::uint32_t* out, Count n, Count len) {
    for (int c = 0; c < 3; ++c) {
        std::uint32_t s = 0;
        for (Count j = 0; j < len; ++j) s += src[4 * j + c];
        for (Count x = 0; x < n; ++x) {
            out[4 * x + c] = s;
            if (x + 1 < n) s += std::uint32_t{src[4 * (x + len) + c]} - src[4 * x + c];
        }
    }
}

void FinishRecip_plain(const std::uint32_t* sums, U8* dst, Count n, double f) {
    for (Count x = 0; x < n; ++x) {
        for (int c = 0; c < 3; ++c) dst[4 * x + c] = Recip(static_cast<std::int32_t>(sums[4 * x + c]), f);
    }
}

void FinishClamp_plain(const std::uint32_t* sums, U8* dst, Count n) {
    for (Count x = 0; x < n; ++x) {
        for (int c = 0; c < 3; ++c) dst[4 * x + c] = Clamp255(static_cast<std::int32_t>(sums[4 * x + c]));
    }
}

namespace {

constexpr Kernels kPlainKernels = {
    Fixed_plain,       Conv3x3_plain,     ColAdd_plain, ColAddSub_plain, BoxRow_plain, RowSums_plain,
    FinishRecip_plain, FinishClamp_plain,
};

// One table per processor index, filled once; a level without kernels of its
// own repeats the level below.
#if defined(VTX_LINEAR_SSE2)
constexpr KernelInstaller<Kernels> kSse2 = InstallSse2Kernels;
#else
constexpr KernelInstaller<Kernels> kSse2 = nullptr;
#endif
#if defined(VTX_LINEAR_AVX2)
constexpr KernelInstaller<Kernels> kAvx2 = InstallAvx2Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx2 = nullptr;
#endif
#if defined(VTX_LINEAR_AVX512)
constexpr KernelInstaller<Kernels> kAvx512 = InstallAvx512Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx512 = nullptr;
#endif

const Kernels& KernelsForCurrentLevel() {
    static const std::array<Kernels, kCpuLevelCount> table = BuildLevelTable<Kernels>(kPlainKernels, kSse2, kAvx2, kAvx512);
    return ForCurrentLevel(table);
}

// Byte offset of the pixel (dx, dy) from a region's origin, in 64 bits.
inline std::ptrdiff_t Offset(std::int64_t dx, std::int64_t dy, std::int32_t step) {
    return static_cast<std::ptrdiff_t>(dy * step + dx * 4);
}

inline Status CheckSrcDst(const void* src, std::int32_t srcStep, const void* dst, std::int32_t dstStep,
                          RoiSize size) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 1) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    return kStsOk;
}

// A temporary block freed when it goes out of scope.
struct Temp {
    void* p = nullptr;
    explicit Temp(std::int64_t bytes) : p(MallocBytes(bytes)) {}
    ~Temp() { Free(p); }
    Temp(const Temp&) = delete;
    Temp& operator=(const Temp&) = delete;
    template <class T>
    T* as() const {
        return static_cast<T*>(p);
    }
};

// Bytes of `count` items of `itemBytes`, or -1 when that is beyond any
// allocation (so that the allocation fails with kStsNoMemory).
inline std::int64_t ArrayBytes(std::int64_t count, std::int64_t itemBytes) {
    return (count < 0 || count > (std::int64_t{1} << 46) / itemBytes) ? -1 : count * itemBytes;
}

// ---------------------------------------------------------------------------
// Fixed kernels.

constexpr FixedKernel MakeKernel3(std::int32_t post, std::array<std::int16_t, 9> w) {
    FixedKernel k{1, post, {}};
    for (int i = 0; i < 9; ++i) k.w[i] = w[i];
    return k;
}

constexpr FixedKernel kPrewittVert = MakeKernel3(kPostClamp, {1, 0, -1, 1, 0, -1, 1, 0, -1});
constexpr FixedKernel kPrewittHoriz = MakeKernel3(kPostClamp, {-1, -1, -1, 0, 0, 0, 1, 1, 1});
constexpr FixedKernel kSobelVert = MakeKernel3(kPostClamp, {1, 0, -1, 2, 0, -2, 1, 0, -1});
constexpr FixedKernel kSobelHoriz = MakeKernel3(kPostClamp, {-1, -2, -1, 0, 0, 0, 1, 2, 1});
constexpr FixedKernel kRobertsDown = MakeKernel3(kPostClamp, {-1, 0, 0, 0, 1, 0, 0, 0, 0});
constexpr FixedKernel kRobertsUp = MakeKernel3(kPostClamp, {0, 0, -1, 0, 1, 0, 0, 0, 0});
constexpr FixedKernel kLaplace3 = MakeKernel3(kPostClamp, {-1, -1, -1, -1, 8, -1, -1, -1, -1});
constexpr FixedKernel kLowpass3 = MakeKernel3(kPostLowpass33, {1, 1, 1, 1, 1, 1, 1, 1, 1});
constexpr FixedKernel kLaplace5 = {2, kPostClamp, {-1, -3, -4, -3, -1, -3, 0, 6, 0, -3, -4, 6, 20, 6, -4,
                                                   -3, 0, 6, 0, -3, -1, -3, -4, -3, -1}};
constexpr FixedKernel kHipass5 = {2, kPostClamp, {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 24,
                                                  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}};
constexpr FixedKernel kLowpass5 = {2, kPostLowpass55, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                       1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};

Status RunFixed(const FixedKernel& k, const U8* src, std::int32_t srcStep, U8* dst, std::int32_t dstStep,
                RoiSize size) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    Temp scratch(k.radius == 2 ? ArrayBytes(FixedScratchLanes(size.width), 2) : 0);
    if (k.radius == 2 && scratch.p == nullptr) return kStsNoMemory;
    KernelsForCurrentLevel().fixed(k, src, srcStep, dst, dstStep, size.width, size.height, scratch.as<std::int16_t>());
    return kStsOk;
}

Status RunFixedMask(const FixedKernel& k3, const FixedKernel& k5, const U8* src, std::int32_t srcStep, U8* dst,
                    std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    if (mask != kMask3x3 && mask != kMask5x5) return kStsBadMaskSize;
    return RunFixed(mask == kMask3x3 ? k3 : k5, src, srcStep, dst, dstStep, size);
}

// ---------------------------------------------------------------------------
// Float convolution of any size, plain only: the 3 x 3 kernels the callers
// pass go through the table.

void ConvGeneral(const float* kernel, RoiSize ks, RoiPoint anchor, const U8* src, std::int32_t srcStep, U8* dst,
                 std::int32_t dstStep, RoiSize size) {
    for (std::int32_t y = 0; y < size.height; ++y) {
        const U8* s = src + Offset(0, y, srcStep);
        U8* d = dst + Offset(0, y, dstStep);
        for (std::int32_t x = 0; x < size.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0;
                // Source rows top to bottom (r falling), each left to right.
                for (std::int64_t r = ks.height - 1; r >= 0; --r) {
                    for (std::int64_t col = ks.width - 1; col >= 0; --col) {
                        const double kv = kernel[r * ks.width + col];
                        sum += kv * s[Offset(x + std::int64_t{anchor.x} - col, std::int64_t{anchor.y} - r, srcStep) + c];
                    }
                }
                d[4 * x + c] = RoundSum(sum);
            }
        }
    }
}

// Weights in summation order (source pixel (dx, dy) around the window's
// centre weighs K[1 - dy][1 - dx]), whether every partial sum is exact, and
// the taps grouped by weight.
Conv3x3Plan PlanConv3x3(const float* kernel) {
    Conv3x3Plan p{};
    int minExp = INT_MAX;
    double bound = 0.0;
    bool finite = true;
    for (int i = 0; i < 9; ++i) {
        const float k = kernel[(2 - i / 3) * 3 + (2 - i % 3)];
        p.w[i] = k;
        finite = finite && std::isfinite(k);
        if (!std::isfinite(k) || k == 0.0f) continue;
        // k = m·2^(e - 24) with m a 24-bit integer: its lowest unit.
        int e = 0;
        const double m = std::frexp(static_cast<double>(k), &e) * 16777216.0;
        int unit = e - 24;
        for (std::int64_t mi = static_cast<std::int64_t>(m); mi % 2 == 0; mi /= 2) ++unit;
        minExp = unit < minExp ? unit : minExp;
        bound += std::fabs(static_cast<double>(k)) * 255.0;
    }
    p.exact = finite && (minExp == INT_MAX || std::ldexp(bound, -minExp) < 4503599627370496.0);  // 2^52
    for (int i = 0; i < 9; ++i) {
        int g = 0;
        while (g < p.groups && p.gw[g] != p.w[i]) ++g;
        if (g == p.groups) p.gw[p.groups++] = p.w[i];
        p.group[i] = static_cast<std::uint8_t>(g);
    }
    return p;
}

// ---------------------------------------------------------------------------
// Integer row and column filters.

bool AllOnes(const std::int32_t* kernel, std::int32_t n) {
    for (std::int32_t i = 0; i < n; ++i) {
        if (kernel[i] != 1) return false;
    }
    return true;
}

Status CheckRowColumn(const U8* src, std::int32_t srcStep, const U8* dst, std::int32_t dstStep, RoiSize size,
                      const std::int32_t* kernel, std::int32_t n, std::int32_t divisor) {
    if (kernel == nullptr) return kStsNullPtr;
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    if (n < 1) return kStsBadSize;
    if (divisor == 0) return kStsDivByZero;
    return kStsOk;
}

inline void Finish(const Kernels& k, const std::uint32_t* sums, U8* dst, Count n, std::int32_t divisor) {
    if (divisor == 1) {
        k.finishClamp(sums, dst, n);
    } else {
        k.finishRecip(sums, dst, n, static_cast<double>(static_cast<float>(1.0 / divisor)));
    }
}

// ---------------------------------------------------------------------------
// Box mean.

struct BoxDivision {
    std::uint32_t m;
    std::uint32_t shift;
};

BoxDivision BoxMultiplier(std::int64_t area) {
    const float f = static_cast<float>(1.0 / static_cast<double>(area));
    if (f == 1.0f) return {256, 8};
    std::uint32_t t = static_cast<std::uint32_t>(
        TruncToInt32(static_cast<double>(f) * 4294967296.0 + static_cast<double>(0.000009000000318337698f)));
    std::uint32_t n = 0;
    while (t != 0 && (t & 0x80000000u) == 0) {
        t <<= 1;
        ++n;
    }
    return {(t >> 20) + 1, n + 12};
}

Status CheckBox(const void* src, std::int32_t srcStep, const void* dst, std::int32_t dstStep, RoiSize size,
                RoiSize mask, RoiPoint anchor) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    if (size.width < 1 || size.height < 1) return kStsBadSize;
    if (mask.width < 2 || mask.height < 2) return kStsBadMaskSize;
    if (anchor.x < 0 || anchor.y < 0 || anchor.x >= mask.width || anchor.y >= mask.height) return kStsBadAnchor;
    return kStsOk;
}

// Sums of 64 bits for the masks whose 32-bit sums could overflow (plain at
// every level: no caller passes them for speed).
void BoxRowWide(const std::uint64_t* colSums, U8* dst, Count n, Count mw, BoxDivision div) {
    for (int c = 0; c < 3; ++c) {
        std::uint64_t s = 0;
        for (Count j = 0; j < mw; ++j) s += colSums[4 * j + c];
        for (Count x = 0; x < n; ++x) {
            dst[4 * x + c] = static_cast<U8>((s * div.m) >> div.shift);
            if (x + 1 < n) s += colSums[4 * (x + mw) + c] - colSums[4 * x + c];
        }
    }
}

template <class Sum>
void ColAddSubWide(Sum* sums, const U8* add, const U8* sub, Count n) {
    for (Count x = 0; x < n; ++x) {
        for (int c = 0; c < 3; ++c) sums[4 * x + c] += Sum{add[4 * x + c]} - Sum{sub ? sub[4 * x + c] : U8{0}};
    }
}

// Both forms of the box filter. With `ring` (in place) every region row is
// saved there before its results overwrite it, and rows still to be
// subtracted are read from the saved copies; ringRows = ay + 1.
template <bool kWide>
void BoxRun(const U8* src, std::int32_t srcStep, U8* dst, std::int32_t dstStep, RoiSize size, RoiSize mask,
            RoiPoint anchor, void* sumsMem, U8* ring, std::int64_t ringRows) {
    using Sum = std::conditional_t<kWide, std::uint64_t, std::uint32_t>;
    const Kernels& k = KernelsForCurrentLevel();
    const Count span = Count{size.width} + mask.width - 1;
    const std::ptrdiff_t rowBytes = 4 * span;
    const BoxDivision div = BoxMultiplier(std::int64_t{mask.width} * mask.height);
    Sum* sums = static_cast<Sum*>(sumsMem);
    std::memset(sums, 0, static_cast<std::size_t>(span) * 4 * sizeof(Sum));
    // Pixel (-ax, r) of the source, the left end of row r's span.
    const auto row = [&](std::int64_t r) { return src + Offset(-std::int64_t{anchor.x}, r, srcStep); };
    for (std::int64_t r = -std::int64_t{anchor.y}; r < std::int64_t{mask.height} - anchor.y; ++r) {
        if constexpr (kWide) {
            ColAddSubWide(sums, row(r), nullptr, span);
        } else {
            k.colAdd(sums, row(r), span);
        }
    }
    for (std::int32_t y = 0; y < size.height; ++y) {
        if (y > 0) {
            const std::int64_t out = std::int64_t{y} - 1 - anchor.y;
            const std::int64_t in = std::int64_t{y} - anchor.y + mask.height - 1;
            const U8* subRow = (ring != nullptr && out >= 0) ? ring + (out % ringRows) * rowBytes : row(out);
            if constexpr (kWide) {
                ColAddSubWide(sums, row(in), subRow, span);
            } else {
                k.colAddSub(sums, row(in), subRow, span);
            }
        }
        if (ring != nullptr) std::memcpy(ring + (y % ringRows) * rowBytes, row(y), static_cast<std::size_t>(rowBytes));
        U8* d = dst + Offset(0, y, dstStep);
        if constexpr (kWide) {
            BoxRowWide(sums, d, size.width, mask.width, div);
        } else {
            k.boxRow(sums, d, size.width, mask.width, div.m, div.shift);
        }
    }
}

Status Box(const U8* src, std::int32_t srcStep, U8* dst, std::int32_t dstStep, RoiSize size, RoiSize mask,
           RoiPoint anchor, bool inPlace) {
    const std::int64_t span = std::int64_t{size.width} + mask.width - 1;
    // 255·area >= 2^32: sums of 32 bits could overflow.
    const bool wide = std::int64_t{mask.width} * mask.height > std::int64_t{0xFFFFFFFF} / 255;
    Temp sums(ArrayBytes(4 * span, wide ? 8 : 4));
    if (sums.p == nullptr) return kStsNoMemory;
    const std::int64_t ringRows = std::int64_t{anchor.y} + 1;
    Temp ring(inPlace ? ArrayBytes(ringRows, 4 * span) : 0);
    if (inPlace && ring.p == nullptr) return kStsNoMemory;
    U8* ringPtr = inPlace ? ring.as<U8>() : nullptr;
    if (wide) {
        BoxRun<true>(src, srcStep, dst, dstStep, size, mask, anchor, sums.p, ringPtr, ringRows);
    } else {
        BoxRun<false>(src, srcStep, dst, dstStep, size, mask, anchor, sums.p, ringPtr, ringRows);
    }
    return kStsOk;
}

}  // namespace
}  // namespace vtx::px::linear

namespace vtx::px {

using namespace linear;

Status Filter32f_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                         RoiSize size, const float* kernel, RoiSize kernelSize, RoiPoint anchor) {
    if (kernel == nullptr) return kStsNullPtr;
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    if (kernelSize.width < 1 || kernelSize.height < 1) return kStsBadSize;
    if (kernelSize.width == 3 && kernelSize.height == 3) {
        // Weight of source pixel (dx, dy) around the window's centre, which
        // lies at (ax - 1, ay - 1): K[1 - dy][1 - dx].
        KernelsForCurrentLevel().conv3x3(PlanConv3x3(kernel), src + Offset(std::int64_t{anchor.x} - 1, std::int64_t{anchor.y} - 1, srcStep),
                                         srcStep, dst, dstStep, size.width, size.height);
    } else {
        ConvGeneral(kernel, kernelSize, anchor, src, srcStep, dst, dstStep, size);
    }
    return kStsOk;
}

Status FilterRow_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                         RoiSize size, const std::int32_t* kernel, std::int32_t kernelSize, std::int32_t anchor,
                         std::int32_t divisor) {
    if (const Status st = CheckRowColumn(src, srcStep, dst, dstStep, size, kernel, kernelSize, divisor); st != kStsOk) {
        return st;
    }
    Temp sums(ArrayBytes(size.width, 16));
    if (sums.p == nullptr) return kStsNoMemory;
    std::uint32_t* s = sums.as<std::uint32_t>();
    const Kernels& k = KernelsForCurrentLevel();
    const bool ones = AllOnes(kernel, kernelSize);
    for (std::int32_t y = 0; y < size.height; ++y) {
        const U8* row = src + Offset(0, y, srcStep);
        if (ones) {
            // Columns x + a - n + 1 .. x + a.
            k.rowSums(row + Offset(std::int64_t{anchor} - kernelSize + 1, 0, srcStep), s, size.width, kernelSize);
        } else {
            for (std::int32_t x = 0; x < size.width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    std::uint32_t acc = 0;
                    for (std::int32_t i = 0; i < kernelSize; ++i) {
                        acc += static_cast<std::uint32_t>(kernel[i]) *
                               row[Offset(std::int64_t{x} + anchor - i, 0, srcStep) + c];
                    }
                    s[4 * x + c] = acc;
                }
            }
        }
        Finish(k, s, dst + Offset(0, y, dstStep), size.width, divisor);
    }
    return kStsOk;
}

Status FilterColumn_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                            RoiSize size, const std::int32_t* kernel, std::int32_t kernelSize, std::int32_t anchor,
                            std::int32_t divisor) {
    if (const Status st = CheckRowColumn(src, srcStep, dst, dstStep, size, kernel, kernelSize, divisor); st != kStsOk) {
        return st;
    }
    Temp sums(ArrayBytes(size.width, 16));
    if (sums.p == nullptr) return kStsNoMemory;
    std::uint32_t* s = sums.as<std::uint32_t>();
    const Kernels& k = KernelsForCurrentLevel();
    const auto row = [&](std::int64_t r) { return src + Offset(0, r, srcStep); };
    if (AllOnes(kernel, kernelSize)) {
        // Running sums of rows y + a - n + 1 .. y + a.
        std::memset(s, 0, static_cast<std::size_t>(size.width) * 16);
        for (std::int64_t r = std::int64_t{anchor} - kernelSize + 1; r <= anchor; ++r) k.colAdd(s, row(r), size.width);
        for (std::int32_t y = 0; y < size.height; ++y) {
            if (y > 0) k.colAddSub(s, row(std::int64_t{y} + anchor), row(std::int64_t{y} + anchor - kernelSize), size.width);
            Finish(k, s, dst + Offset(0, y, dstStep), size.width, divisor);
        }
        return kStsOk;
    }
    for (std::int32_t y = 0; y < size.height; ++y) {
        std::memset(s, 0, static_cast<std::size_t>(size.width) * 16);
        for (std::int32_t i = 0; i < kernelSize; ++i) {
            const U8* r = row(std::int64_t{y} + anchor - i);
            const auto w = static_cast<std::uint32_t>(kernel[i]);
            for (std::int32_t x = 0; x < size.width; ++x) {
                for (int c = 0; c < 3; ++c) s[4 * x + c] += w * r[4 * x + c];
            }
        }
        Finish(k, s, dst + Offset(0, y, dstStep), size.width, divisor);
    }
    return kStsOk;
}

Status FilterBox_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                         RoiSize size, RoiSize maskSize, RoiPoint anchor) {
    if (const Status st = CheckBox(src, srcStep, dst, dstStep, size, maskSize, anchor); st != kStsOk) return st;
    return Box(src, srcStep, dst, dstStep, size, maskSize, anchor, false);
}

Status FilterBox_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, RoiSize maskSize,
                          RoiPoint anchor) {
    if (const Status st = CheckBox(srcDst, step, srcDst, step, size, maskSize, anchor); st != kStsOk) return st;
    return Box(srcDst, step, srcDst, step, size, maskSize, anchor, true);
}

Status FilterPrewittVert_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size) {
    return RunFixed(kPrewittVert, src, srcStep, dst, dstStep, size);
}
Status FilterPrewittHoriz_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                  std::int32_t dstStep, RoiSize size) {
    return RunFixed(kPrewittHoriz, src, srcStep, dst, dstStep, size);
}
Status FilterSobelVert_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size) {
    return RunFixed(kSobelVert, src, srcStep, dst, dstStep, size);
}
Status FilterSobelHoriz_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                std::int32_t dstStep, RoiSize size) {
    return RunFixed(kSobelHoriz, src, srcStep, dst, dstStep, size);
}
Status FilterRobertsDown_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size) {
    return RunFixed(kRobertsDown, src, srcStep, dst, dstStep, size);
}
Status FilterRobertsUp_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size) {
    return RunFixed(kRobertsUp, src, srcStep, dst, dstStep, size);
}
Status FilterLaplace_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                             std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunFixedMask(kLaplace3, kLaplace5, src, srcStep, dst, dstStep, size, mask);
}
Status FilterHipass_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunFixedMask(kLaplace3, kHipass5, src, srcStep, dst, dstStep, size, mask);
}
Status FilterLowpass_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                             std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunFixedMask(kLowpass3, kLowpass5, src, srcStep, dst, dstStep, size, mask);
}

}  // namespace vtx::px
