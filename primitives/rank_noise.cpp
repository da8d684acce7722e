// Rank filters (minimum, maximum, medians) and the uniform noise generators:
// argument checks, the dispatch table and the passes over the rows.
//
// Minimum and maximum are separable: each source row is reduced along x by
// doubling (windows of 2, 4, 8, ... pixels, then two overlapping windows of
// the largest power of two cover the mask width), and the reduced rows along
// y by the van Herk / Gil-Werman scheme: output rows go in blocks of mh; a
// block's mh reduced rows are turned into suffix extremes, the rows below the
// block into a running prefix extreme, and each output row is the extreme of
// one suffix row and the prefix row. Both passes cost the same for every
// mask size; the temporaries are mh + 1 reduced rows and one source row.
//
// Medians: 1 x 1 copies, 3 x 1 / 5 x 1 / 1 x 3 / 1 x 5 and the shaped medians
// run selection networks over the samples, 3 x 3 and 5 x 5 sort the columns
// of the window once and merge them (rank_noise_kernels.h), and every other
// mask counts values in column histograms that slide down the region (one
// channel at a time). All of them give the value at index (mw·mh − 1) / 2 of
// the sorted samples.
#include "primitives/rank_noise.h"

#include <array>
#include <cstring>

#include "primitives/linear_filter.h"  // mask-size codes
#include "primitives/rank_noise_kernels.h"

namespace vtx::px {

namespace {

using rank::Count;
using rank::Kernels;
using rank::U8;

// The table of the family, indexed by processor index and filled once; a
// level without kernels of its own repeats the level below.
const Kernels& KernelsForCurrentLevel() {
    static const std::array<Kernels, kCpuLevelCount> table = [] {
        std::array<Kernels, kCpuLevelCount> t{};
        t[kCpuPlain] = rank::MakeKernels<rank::ByteOps>();
        for (std::int32_t level = kCpuSse; level <= kCpuHighest; ++level) {
            t[level] = t[level - 1];
#if defined(VTX_RANK_SSE2)
            if (level == kCpuSse2) rank::InstallSse2Kernels(t[level]);
#endif
#if defined(VTX_RANK_AVX2)
            if (level == kCpuAvx2) rank::InstallAvx2Kernels(t[level]);
#endif
        }
        t[0] = t[kCpuPlain];
        return t;
    }();
    const std::int32_t index = GetProcessorIndex();
    return table[(index >= kCpuPlain && index <= kCpuHighest) ? index : kCpuPlain];
}

template <class T>
inline T* RowAt(T* base, std::int64_t y, std::int32_t step) {
    return base + static_cast<std::ptrdiff_t>(y * step);
}

Status CheckSrcDst(const void* src, std::int32_t srcStep, const void* dst, std::int32_t dstStep, RoiSize size) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 1) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    return kStsOk;
}

Status CheckMask(RoiSize mask, RoiPoint anchor, bool odd) {
    if (mask.width < 1 || mask.height < 1) return kStsBadMaskSize;
    if (odd && (mask.width % 2 == 0 || mask.height % 2 == 0)) return kStsBadMaskSize;
    if (anchor.x < 0 || anchor.x >= mask.width || anchor.y < 0 || anchor.y >= mask.height) return kStsBadAnchor;
    return kStsOk;
}

// The window's top-left sample for the first destination pixel.
const U8* WindowOrigin(const U8* src, std::int32_t srcStep, RoiPoint anchor) {
    return src - (std::ptrdiff_t{4} * anchor.x + static_cast<std::ptrdiff_t>(std::int64_t{anchor.y} * srcStep));
}

// Bytes 0..2 of every destination pixel from the same pixel of the source.
void CopyColour(const Kernels& k, const U8* src, std::int32_t srcStep, U8* dst, std::int32_t dstStep, RoiSize size) {
    for (std::int32_t y = 0; y < size.height; ++y) {
        const U8* s = RowAt(src, y, srcStep);
        k.minColour(s, s, RowAt(dst, y, dstStep), size.width);
    }
}

// Bytes of `count` blocks of `each` bytes, or -1 when that does not fit the
// allocator.
std::int64_t BlockBytes(std::int64_t count, std::int64_t each) {
    if (count < 0 || each < 0) return -1;
    if (each != 0 && count > (INT64_MAX / 2) / each) return -1;
    return count * each;
}

Status MinMax(bool isMax, const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
              RoiSize size, RoiSize mask, RoiPoint anchor) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    if (const Status st = CheckMask(mask, anchor, false); st != kStsOk) return st;
    const Kernels& k = KernelsForCurrentLevel();
    if (mask.width == 1 && mask.height == 1) {
        CopyColour(k, src, srcStep, dst, dstStep, size);
        return kStsOk;
    }
    const auto extreme = isMax ? k.maxBytes : k.minBytes;
    const auto colour = isMax ? k.maxColour : k.minColour;
    const Count w = size.width, mw = mask.width;
    const std::int64_t k_rows = mask.height;
    const std::int64_t srcRowBytes = 4 * (std::int64_t{size.width} + mask.width - 1);
    const std::int64_t rowBytes = 4 * std::int64_t{size.width};
    // One source-length work row, mh reduced rows and the prefix row.
    const std::int64_t reduced = BlockBytes(k_rows + 1, rowBytes);
    if (reduced < 0 || reduced > INT64_MAX / 2 - srcRowBytes) return kStsNoMemory;
    U8* mem = static_cast<U8*>(MallocBytes(reduced + srcRowBytes));
    if (mem == nullptr) return kStsNoMemory;
    U8* work = mem;
    U8* prefix = mem + srcRowBytes;
    U8* slots = prefix + rowBytes;
    const auto slot = [&](std::int64_t i) { return slots + static_cast<std::ptrdiff_t>(i * rowBytes); };
    const U8* origin = WindowOrigin(src, srcStep, anchor);

    // Row y of the window rows reduced along x into `out` (w pixels).
    const auto reduceRow = [&](std::int64_t y, U8* out) {
        const U8* s = RowAt(origin, y, srcStep);
        if (mw == 1) {
            std::memcpy(out, s, static_cast<std::size_t>(rowBytes));
            return;
        }
        const Count n = w + mw - 1;
        extreme(s, s + 4, work, 4 * (n - 1));  // windows of 2
        Count span = 2, valid = n - 1;
        while (2 * span <= mw) {
            extreme(work, work + 4 * span, work, 4 * (valid - span));
            valid -= span;
            span *= 2;
        }
        extreme(work, work + 4 * (mw - span), out, 4 * w);
    };

    for (std::int64_t y0 = 0; y0 < size.height; y0 += k_rows) {
        // Slots 0 .. mh−2 already hold rows y0 .. y0+mh−2 except in the first block.
        for (std::int64_t i = (y0 == 0 ? 0 : k_rows - 1); i < k_rows; ++i) reduceRow(y0 + i, slot(i));
        for (std::int64_t i = k_rows - 2; i >= 0; --i) extreme(slot(i), slot(i + 1), slot(i), rowBytes);
        const std::int64_t y1 = (size.height - y0 < k_rows) ? size.height : y0 + k_rows;
        for (std::int64_t y = y0; y < y1; ++y) {
            U8* d = RowAt(dst, y, dstStep);
            if (y == y0) {
                colour(slot(0), slot(0), d, w);
                continue;
            }
            // Row y+mh−1 enters the prefix and waits in the slot freed by
            // the previous output row for the next block.
            const std::int64_t j = y - y0 - 1;
            reduceRow(y + k_rows - 1, slot(j));
            if (j == 0) {
                std::memcpy(prefix, slot(0), static_cast<std::size_t>(rowBytes));
            } else {
                extreme(prefix, slot(j), prefix, rowBytes);
            }
            colour(slot(y - y0), prefix, d, w);
        }
    }
    Free(mem);
    return kStsOk;
}

// Medians of a fixed set of samples (offsets in bytes from the destination
// pixel's source position), row by row.
Status SampleMedian(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                    RoiSize size, const std::int64_t* offsets, int count) {
    const Kernels& k = KernelsForCurrentLevel();
    for (std::int32_t y = 0; y < size.height; ++y) {
        const U8* s = RowAt(src, y, srcStep);
        const U8* p[9];
        for (int i = 0; i < count; ++i) p[i] = s + static_cast<std::ptrdiff_t>(offsets[i]);
        k.medianOf(p, count, RowAt(dst, y, dstStep), size.width);
    }
    return kStsOk;
}

Status HistogramMedian(const Kernels& k, const U8* origin, std::int32_t srcStep, U8* dst, std::int32_t dstStep,
                       RoiSize size, RoiSize mask) {
    const bool wideColumns = mask.height > 65535;
    const bool wideKernel = std::uint64_t(mask.width) * std::uint64_t(mask.height) > 0xFFFFFFFFull;
    const std::int64_t cols = std::int64_t{size.width} + mask.width - 1;
    const std::int64_t each = wideColumns ? 4 : 2;
    const std::int64_t fineBytes = BlockBytes(cols, 256 * each);
    const std::int64_t coarseBytes = BlockBytes(cols, 16 * each);
    if (fineBytes < 0 || coarseBytes < 0) return kStsNoMemory;
    U8* mem = static_cast<U8*>(MallocBytes(fineBytes + coarseBytes));
    if (mem == nullptr) return kStsNoMemory;
    for (int c = 0; c < 3; ++c) {
        const rank::HistJob job{origin + c, srcStep,     dst + c,    dstStep,     size.width,
                                size.height, mask.width, mask.height, mem,         mem + fineBytes,
                                wideColumns, wideKernel};
        k.medianHist(job);
    }
    Free(mem);
    return kStsOk;
}

Status ShapedMedian(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                    RoiSize size, std::int32_t mask, std::int32_t code3, std::int32_t code5, bool across,
                    bool along) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    if (mask != code3 && mask != code5) return kStsBadMaskSize;
    const std::int64_t row = srcStep;
    const std::int64_t r = mask == code3 ? 1 : 2;
    // Centre first, then the arms: along x (4 bytes a step), along y (a row a step).
    std::int64_t off[9] = {0};
    int n = 1;
    for (std::int64_t d = 1; d <= r; ++d) {
        if (across) {
            off[n++] = -4 * d;
            off[n++] = 4 * d;
        }
        if (along) {
            off[n++] = -d * row;
            off[n++] = d * row;
        }
    }
    return SampleMedian(src, srcStep, dst, dstStep, size, off, n);
}

}  // namespace

Status FilterMin_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                         RoiSize size, RoiSize maskSize, RoiPoint anchor) {
    return MinMax(false, src, srcStep, dst, dstStep, size, maskSize, anchor);
}

Status FilterMax_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                         RoiSize size, RoiSize maskSize, RoiPoint anchor) {
    return MinMax(true, src, srcStep, dst, dstStep, size, maskSize, anchor);
}

Status FilterMedian_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size, RoiSize maskSize, RoiPoint anchor) {
    if (const Status st = CheckSrcDst(src, srcStep, dst, dstStep, size); st != kStsOk) return st;
    if (const Status st = CheckMask(maskSize, anchor, true); st != kStsOk) return st;
    const Kernels& k = KernelsForCurrentLevel();
    const U8* origin = WindowOrigin(src, srcStep, anchor);
    const std::int32_t mw = maskSize.width, mh = maskSize.height;
    if (mw == 1 && mh == 1) {
        CopyColour(k, src, srcStep, dst, dstStep, size);
        return kStsOk;
    }
    // Single rows and columns of 3 or 5: the samples' offsets from the window origin.
    if ((mh == 1 && mw <= 5) || (mw == 1 && mh <= 5)) {
        std::int64_t off[5];
        const int n = mh == 1 ? mw : mh;
        for (int i = 0; i < n; ++i) off[i] = mh == 1 ? 4 * i : std::int64_t{i} * srcStep;
        return SampleMedian(origin, srcStep, dst, dstStep, size, off, n);
    }
    if (mw == mh && (mw == 3 || mw == 5)) {
        const auto kernel = mw == 3 ? k.median3x3 : k.median5x5;
        for (std::int32_t y = 0; y < size.height; ++y) {
            const U8* rows[5];
            for (std::int32_t i = 0; i < mh; ++i) rows[i] = RowAt(origin, std::int64_t{y} + i, srcStep);
            kernel(rows, RowAt(dst, y, dstStep), size.width);
        }
        return kStsOk;
    }
    return HistogramMedian(k, origin, srcStep, dst, dstStep, size, maskSize);
}

Status FilterMedianCross_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return ShapedMedian(src, srcStep, dst, dstStep, size, mask, kMask3x3, kMask5x5, true, true);
}

Status FilterMedianVert_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return ShapedMedian(src, srcStep, dst, dstStep, size, mask, kMask1x3, kMask1x5, false, true);
}

Status FilterMedianHoriz_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return ShapedMedian(src, srcStep, dst, dstStep, size, mask, kMask3x1, kMask5x1, true, false);
}

// ---------------------------------------------------------------------------
// Uniform noise.

namespace {

// Subtract-with-borrow over three words plus a linear congruential word;
// all arithmetic modulo 2^32.
struct Generator {
    std::uint32_t a, b, c, borrow, l;
    explicit Generator(std::uint32_t seed)
        : a(seed), b(seed * 69069u + 1013904243u), c(b * 69069u + 1013904243u), borrow(0xFFFFFFFFu),
          l(1131199209u) {}
    // The next r; the word x drawn is left in `a`.
    std::int32_t Next() {
        l = l * 69069u + 1013904243u;
        const std::uint32_t t = b - c + borrow;
        std::uint32_t x;
        if (t & 0x80000000u) {
            borrow = 0xFFFFFFFFu;
            x = t - 18u;
        } else {
            borrow = 0;
            x = t;
        }
        c = b;
        b = a;
        a = x;
        const std::uint32_t r = x + l;
        // Two's complement reading of r, without an implementation-defined conversion.
        return (r & 0x80000000u) ? -static_cast<std::int32_t>(~r) - 1 : static_cast<std::int32_t>(r);
    }
};

// 2^−32 enlarged by 7 units in the last place.
double NoiseUnit() {
    const std::uint64_t bits = 0x3DF0000000000007ull;
    double q;
    std::memcpy(&q, &bits, sizeof q);
    return q;
}

Status CheckNoise(const void* image, std::int32_t step, RoiSize size, const std::uint32_t* seed) {
    if (image == nullptr || seed == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 1) return kStsBadSize;
    if (step < 1) return kStsBadStep;
    return kStsOk;
}

// `channels` consecutive 16-bit samples of every `stride`-sample pixel.
Status AddNoise16s(std::int16_t* image, std::int32_t step, RoiSize size, std::int16_t low, std::int16_t high,
                   std::uint32_t* seed, int channels, int stride) {
    if (const Status st = CheckNoise(image, step, size, seed); st != kStsOk) return st;
    const double k = static_cast<double>(std::int32_t{high} - std::int32_t{low}) * NoiseUnit();
    const double m = static_cast<double>(std::int32_t{low} + std::int32_t{high}) * 0.5;
    Generator g(*seed);
    U8* base = reinterpret_cast<U8*>(image);
    for (std::int32_t y = 0; y < size.height; ++y) {
        U8* row = RowAt(base, y, step);
        for (Count x = 0; x < size.width; ++x) {
            for (int ch = 0; ch < channels; ++ch) {
                U8* p = row + 2 * (x * stride + ch);
                // |r·k + m| stays below 2^17 for 16-bit bounds: the
                // conversion is exact truncation.
                const std::int32_t n = static_cast<std::int32_t>(static_cast<double>(g.Next()) * k + m);
                std::int16_t v;
                std::memcpy(&v, p, 2);
                std::int32_t s = std::int32_t{v} + n;
                s = s < -32768 ? -32768 : (s > 32767 ? 32767 : s);
                v = static_cast<std::int16_t>(s);
                std::memcpy(p, &v, 2);
            }
        }
    }
    *seed = g.a;
    return kStsOk;
}

}  // namespace

Status AddRandUniform_Direct_16s_C1IR(std::int16_t* srcDst, std::int32_t step, RoiSize size, std::int16_t low,
                                      std::int16_t high, std::uint32_t* seed) {
    return AddNoise16s(srcDst, step, size, low, high, seed, 1, 1);
}

Status AddRandUniform_Direct_16s_AC4IR(std::int16_t* srcDst, std::int32_t step, RoiSize size, std::int16_t low,
                                       std::int16_t high, std::uint32_t* seed) {
    return AddNoise16s(srcDst, step, size, low, high, seed, 3, 4);
}

Status AddRandUniform_Direct_32f_C1IR(float* srcDst, std::int32_t step, RoiSize size, float low, float high,
                                      std::uint32_t* seed) {
    if (const Status st = CheckNoise(srcDst, step, size, seed); st != kStsOk) return st;
    const double k = (static_cast<double>(high) - static_cast<double>(low)) * NoiseUnit();
    const double m = (static_cast<double>(low) + static_cast<double>(high)) * 0.5;
    Generator g(*seed);
    U8* base = reinterpret_cast<U8*>(srcDst);
    for (std::int32_t y = 0; y < size.height; ++y) {
        U8* row = RowAt(base, y, step);
        for (Count x = 0; x < size.width; ++x) {
            float v;
            std::memcpy(&v, row + 4 * x, 4);
            v = static_cast<float>((static_cast<double>(g.Next()) * k + m) + static_cast<double>(v));
            std::memcpy(row + 4 * x, &v, 4);
        }
    }
    *seed = g.a;
    return kStsOk;
}

}  // namespace vtx::px
