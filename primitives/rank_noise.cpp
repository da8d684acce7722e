// Rank filters (minimum, maximum, medians) and the uniform noise generators:
// argument checks, the dispatch table and the passes over the rows.
//
// Minimum and maximum are separable (3 x 3 masks run in one pass). Along y,
// a van Herk / Gil-Werman scheme with blocks of B = min(mh, 32) rows: the
// window of output row y is the suffix of y's block, the whole blocks after
// it and the prefix of the block holding its last row. Suffix rows are
// formed once per block, the prefix row grows by one source row per output
// row, each finished block leaves its extreme in a ring, and the whole
// blocks in between are combined at most twice per block. Along x, the
// resulting row is reduced by windows of 4, 16, 64, ... pixels (and one
// doubling), and two overlapping windows of that size cover the mask width.
// The work per pixel hardly grows with the mask; the temporaries are
// B + mh/B + 7 rows of w + mw − 1 pixels.
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
#if defined(VTX_RANK_SSE2)
constexpr KernelInstaller<Kernels> kSse2 = rank::InstallSse2Kernels;
#else
constexpr KernelInstaller<Kernels> kSse2 = nullptr;
#endif
#if defined(VTX_RANK_AVX2)
constexpr KernelInstaller<Kernels> kAvx2 = rank::InstallAvx2Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx2 = nullptr;
#endif
constexpr KernelInstaller<Kernels> kAvx512 = nullptr;

const Kernels& KernelsForCurrentLevel() {
    static const std::array<Kernels, kCpuLevelCount> table = BuildLevelTable<Kernels>(rank::MakeKernels<rank::ByteOps>(), kSse2, kAvx2, kAvx512);
    return ForCurrentLevel(table);
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

// Rows per block of the pass along y (the suffix rows stay in the cache).
constexpr std::int64_t kBlockRows = 32;

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
    const auto extreme3 = isMax ? k.max3Bytes : k.min3Bytes;
    const auto extreme4 = isMax ? k.max4Bytes : k.min4Bytes;
    if (mask.width == 3 && mask.height == 3) {
        const auto kernel = isMax ? k.max3x3 : k.min3x3;
        const U8* origin = WindowOrigin(src, srcStep, anchor);
        for (std::int32_t y = 0; y < size.height; ++y) {
            const U8* rows[3] = {RowAt(origin, y, srcStep), RowAt(origin, std::int64_t{y} + 1, srcStep),
                                 RowAt(origin, std::int64_t{y} + 2, srcStep)};
            kernel(rows, RowAt(dst, y, dstStep), size.width);
        }
        return kStsOk;
    }
    const auto colour = isMax ? k.maxColour : k.minColour;
    const Count w = size.width, mw = mask.width;
    const std::int64_t kh = mask.height;
    // Blocks of `len` rows; `ringLen` block extremes; both at least 1.
    const std::int64_t len = kh < kBlockRows ? kh : kBlockRows;
    const std::int64_t ringLen = (kh - 1) / len + 3;
    const std::int64_t rowBytes = 4 * (std::int64_t{size.width} + mask.width - 1);
    // Rows: len suffix rows, the ring, prefix, middle, window row, work row.
    const std::int64_t total = BlockBytes(len + ringLen + 4, rowBytes);
    if (total < 0) return kStsNoMemory;
    U8* mem = static_cast<U8*>(MallocBytes(total));
    if (mem == nullptr) return kStsNoMemory;
    const auto buffer = [&](std::int64_t i) { return mem + static_cast<std::ptrdiff_t>(i * rowBytes); };
    U8* prefixRow = buffer(len + ringLen);
    U8* middleRow = buffer(len + ringLen + 1);
    U8* windowRow = buffer(len + ringLen + 2);
    U8* work = buffer(len + ringLen + 3);
    const U8* origin = WindowOrigin(src, srcStep, anchor);
    const auto srcRow = [&](std::int64_t i) { return RowAt(origin, i, srcStep); };

    // The window row (w + mw − 1 pixels, already reduced along y) reduced
    // along x into bytes 0..2 of destination row y.
    const auto reduceRow = [&](const U8* s, std::int64_t y) {
        U8* d = RowAt(dst, y, dstStep);
        // Windows of 4, 16, 64, ... pixels while they fit the mask, then
        // one doubling if that still fits; two overlapping windows of that
        // span cover the mask.
        Count span = 1, valid = w + mw - 1;
        const U8* from = s;
        while (4 * span <= mw) {
            extreme4(from, 4 * span, work, 4 * (valid - 3 * span));
            valid -= 3 * span;
            span *= 4;
            from = work;
        }
        if (2 * span <= mw) {
            extreme(from, from + 4 * span, work, 4 * (valid - span));
            valid -= span;
            span *= 2;
            from = work;
        }
        colour(from, from + 4 * (mw - span), d, w);
    };

    const U8* suffix[kBlockRows];
    const U8* prefix = nullptr;
    std::int64_t next = 0;  // next source row for the prefix
    for (std::int64_t b0 = 0; b0 * len < size.height; ++b0) {
        const std::int64_t first = b0 * len;
        suffix[len - 1] = srcRow(first + len - 1);
        for (std::int64_t i = len - 2; i >= 0; --i) {
            extreme(srcRow(first + i), suffix[i + 1], buffer(i), rowBytes);
            suffix[i] = buffer(i);
        }
        std::int64_t middleFor = -1;
        const U8* middle = nullptr;
        const std::int64_t last = (size.height - first < len) ? size.height : first + len;
        for (std::int64_t y = first; y < last; ++y) {
            const std::int64_t e = y + kh - 1;
            for (; next <= e; ++next) {
                if (next % len == 0) {
                    prefix = srcRow(next);
                } else {
                    extreme(prefix, srcRow(next), prefixRow, rowBytes);
                    prefix = prefixRow;
                }
                if (kh > len && next % len == len - 1) {
                    std::memcpy(buffer(len + (next / len) % ringLen), prefix, static_cast<std::size_t>(rowBytes));
                }
            }
            const std::int64_t b1 = e / len;
            if (b1 == b0) {  // the window is block b0 (len = mh)
                reduceRow(suffix[y - first], y);
                continue;
            }
            if (b1 - b0 == 1) {
                extreme(suffix[y - first], prefix, windowRow, rowBytes);
            } else {
                // Whole blocks b0+1 .. b1−1 between suffix and prefix.
                if (middleFor == b1 - 1 && b1 - 1 - b0 > 1) {
                    // One more whole block than for the previous row.
                    extreme(middle, buffer(len + (b1 - 1) % ringLen), middleRow, rowBytes);
                    middle = middleRow;
                    middleFor = b1;
                } else if (middleFor != b1) {
                    middle = buffer(len + (b0 + 1) % ringLen);
                    for (std::int64_t b = b0 + 2; b < b1; ++b) {
                        extreme(middle, buffer(len + b % ringLen), middleRow, rowBytes);
                        middle = middleRow;
                    }
                    middleFor = b1;
                }
                extreme3(suffix[y - first], prefix, middle, windowRow, rowBytes);
            }
            reduceRow(windowRow, y);
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
// all arithmetic modulo 2^32. Numbers are drawn in blocks: the congruential
// words of a block are formed four at a time by jumping four steps per lane
// (L·a^4 + c·(a^3 + a^2 + a + 1) is four single steps), so the only serial
// chain left is the borrow.
class Generator {
public:
    // A multiple of 3 and 4: whole three-sample pixels, whole lanes.
    static constexpr Count kBlock = 1020;

    explicit Generator(std::uint32_t seed)
        : a_(seed), b_(seed * kMul + kAdd), c_(b_ * kMul + kAdd), borrow_(0xFFFFFFFFu), l_(1131199209u) {}

    // The next n (1..kBlock) values of r.
    void Draw(std::int32_t* r, Count n) {
        std::uint32_t lane[4];
        lane[0] = l_ * kMul + kAdd;
        for (int j = 1; j < 4; ++j) lane[j] = lane[j - 1] * kMul + kAdd;
        std::uint32_t l[kBlock];
        for (Count i = 0; i < n; i += 4) {
            for (int j = 0; j < 4; ++j) {
                l[i + j] = lane[j];
                lane[j] = lane[j] * kMul4 + kAdd4;
            }
        }
        l_ = l[n - 1];
        std::uint32_t a = a_, b = b_, c = c_, borrow = borrow_;
        // x = t, or t − 18 with a borrow when t is negative; three steps per
        // round, so that the words need no shuffling between steps.
        const auto step = [&borrow](std::uint32_t t) {
            t += borrow;
            borrow = 0u - (t >> 31);  // all ones when t is negative
            return t - (borrow & 18u);
        };
        const auto put = [&r, &l](Count i, std::uint32_t x) {
            const std::uint32_t u = x + l[i];
            std::memcpy(&r[i], &u, sizeof u);  // two's complement reading
        };
        Count i = 0;
        for (; i + 3 <= n; i += 3) {
            const std::uint32_t x0 = step(b - c);
            const std::uint32_t x1 = step(a - b);
            const std::uint32_t x2 = step(x0 - a);
            put(i, x0);
            put(i + 1, x1);
            put(i + 2, x2);
            c = x0;
            b = x1;
            a = x2;
        }
        for (; i < n; ++i) {
            const std::uint32_t x = step(b - c);
            put(i, x);
            c = b;
            b = a;
            a = x;
        }
        a_ = a;
        b_ = b;
        c_ = c;
        borrow_ = borrow;
    }

    // The last word x drawn (the seed itself before any draw).
    std::uint32_t LastX() const { return a_; }

private:
    static constexpr std::uint32_t kMul = 69069u;
    static constexpr std::uint32_t kAdd = 1013904243u;
    static constexpr std::uint32_t kMul4 = kMul * kMul * kMul * kMul;
    static constexpr std::uint32_t kAdd4 = kAdd * (kMul * kMul * kMul + kMul * kMul + kMul + 1u);
    std::uint32_t a_, b_, c_, borrow_, l_;
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

// Runs apply(row, first, r, n) over the samples of every row in blocks: n
// numbers r for the samples first .. first+n−1 of the row (sample s of a row
// is channel s % channels of pixel s / channels).
template <class Apply>
void ForEachDraw(U8* base, std::int32_t step, RoiSize size, int channels, std::uint32_t* seed, Apply apply) {
    Generator g(*seed);
    std::int32_t r[Generator::kBlock];
    const Count samples = Count{size.width} * channels;
    for (std::int32_t y = 0; y < size.height; ++y) {
        U8* row = RowAt(base, y, step);
        for (Count first = 0; first < samples; first += Generator::kBlock) {
            const Count n = samples - first < Generator::kBlock ? samples - first : Generator::kBlock;
            g.Draw(r, n);
            apply(row, first, r, n);
        }
    }
    *seed = g.LastX();
}

// `channels` consecutive 16-bit samples of every `stride`-sample pixel.
// Samples are moved with memcpy, so any step is accepted (an odd step is
// not an error here) and no access is misaligned.
template <int channels, int stride>
Status AddNoise16s(std::int16_t* image, std::int32_t step, RoiSize size, std::int16_t low, std::int16_t high,
                   std::uint32_t* seed) {
    if (const Status st = CheckNoise(image, step, size, seed); st != kStsOk) return st;
    const double k = static_cast<double>(std::int32_t{high} - std::int32_t{low}) * NoiseUnit();
    const double m = static_cast<double>(std::int32_t{low} + std::int32_t{high}) * 0.5;
    ForEachDraw(reinterpret_cast<U8*>(image), step, size, channels, seed,
                [&](U8* row, Count first, const std::int32_t* r, Count n) {
                    std::int32_t noise[Generator::kBlock];
                    // |r·k + m| stays below 2^17 for 16-bit bounds: the
                    // conversion is exact truncation.
                    for (Count i = 0; i < n; ++i) noise[i] = static_cast<std::int32_t>(static_cast<double>(r[i]) * k + m);
                    // Blocks hold whole pixels: first and n are multiples of `channels`.
                    U8* p = row + 2 * (first / channels) * stride;
                    for (Count i = 0; i < n; i += channels, p += 2 * stride) {
                        for (int ch = 0; ch < channels; ++ch) {
                            std::int16_t v;
                            std::memcpy(&v, p + 2 * ch, 2);
                            std::int32_t sum = std::int32_t{v} + noise[i + ch];
                            sum = sum < -32768 ? -32768 : (sum > 32767 ? 32767 : sum);
                            v = static_cast<std::int16_t>(sum);
                            std::memcpy(p + 2 * ch, &v, 2);
                        }
                    }
                });
    return kStsOk;
}

}  // namespace

Status AddRandUniform_Direct_16s_C1IR(std::int16_t* srcDst, std::int32_t step, RoiSize size, std::int16_t low,
                                      std::int16_t high, std::uint32_t* seed) {
    return AddNoise16s<1, 1>(srcDst, step, size, low, high, seed);
}

Status AddRandUniform_Direct_16s_AC4IR(std::int16_t* srcDst, std::int32_t step, RoiSize size, std::int16_t low,
                                       std::int16_t high, std::uint32_t* seed) {
    return AddNoise16s<3, 4>(srcDst, step, size, low, high, seed);
}

Status AddRandUniform_Direct_32f_C1IR(float* srcDst, std::int32_t step, RoiSize size, float low, float high,
                                      std::uint32_t* seed) {
    if (const Status st = CheckNoise(srcDst, step, size, seed); st != kStsOk) return st;
    const double k = (static_cast<double>(high) - static_cast<double>(low)) * NoiseUnit();
    const double m = (static_cast<double>(low) + static_cast<double>(high)) * 0.5;
    ForEachDraw(reinterpret_cast<U8*>(srcDst), step, size, 1, seed,
                [&](U8* row, Count first, const std::int32_t* r, Count n) {
                    for (Count i = 0; i < n; ++i) {
                        float v;
                        std::memcpy(&v, row + 4 * (first + i), 4);
                        v = static_cast<float>((static_cast<double>(r[i]) * k + m) + static_cast<double>(v));
                        std::memcpy(row + 4 * (first + i), &v, 4);
                    }
                });
    return kStsOk;
}

}  // namespace vtx::px
