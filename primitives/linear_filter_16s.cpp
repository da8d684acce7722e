// Fixed derivative kernels from 8-bit grey to 16-bit signed images: Scharr,
// first and second Sobel derivatives and the mixed Sobel derivative, 3 x 3 and
// 5 x 5; plus the plain row kernels and the dispatch table of the family.
//
// Each filter is written as a vertical kernel V over the rows y−r .. y+r and
// a horizontal kernel H over the columns x−r .. x+r (r = 1 or 2): the result
// is sum over i, j of V[i]·H[j]·P(j−r, i−r), which is each formula term for
// term with the products multiplied out. The vertical pass runs first, into a
// chunk-sized row on the stack; its values lie within ±4080 and every result
// within ±24480, so the 16-bit arithmetic of the kernels is exact.
//
// These filters read the neighbourhood P(−r .. r, −r .. r) of every pixel and
// never look at borders: the caller's source lies inside a larger buffer.
// The destination step is taken as given (odd steps included; the kernels
// store 16-bit values at any byte address).
#include <array>
#include <cstring>

#include "primitives/linear_filter.h"
#include "primitives/linear_filter_16s_kernels.h"

namespace vtx::px {

namespace lf16 {

void Vert_plain(const U8* const* rows, const S16* coef, int taps, S16* out, Count n) {
    for (Count i = 0; i < n; ++i) {
        int s = 0;
        for (int k = 0; k < taps; ++k) s += coef[k] * rows[k][i];
        out[i] = static_cast<S16>(static_cast<std::uint16_t>(s));
    }
}

void Horiz_plain(const S16* in, const int* offset, const S16* coef, int taps, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        int s = 0;
        for (int k = 0; k < taps; ++k) s += coef[k] * in[i + offset[k]];
        const auto v = static_cast<std::uint16_t>(s);
        std::memcpy(dst + 2 * i, &v, 2);
    }
}

#if defined(VTX_LF16_SSE2)
constexpr KernelInstaller<Kernels> kSse2 = InstallSse2Kernels;
#else
constexpr KernelInstaller<Kernels> kSse2 = nullptr;
#endif
#if defined(VTX_LF16_AVX2)
constexpr KernelInstaller<Kernels> kAvx2 = InstallAvx2Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx2 = nullptr;
#endif
constexpr KernelInstaller<Kernels> kAvx512 = nullptr;

const Kernels& CurrentKernels() {
    static const std::array<Kernels, kCpuLevelCount> table = BuildLevelTable<Kernels>(Kernels{Vert_plain, Horiz_plain}, kSse2, kAvx2, kAvx512);
    return ForCurrentLevel(table);
}

}  // namespace lf16

namespace {

using lf16::Count;
using lf16::S16;
using lf16::U8;

// A filter as its non-zero taps: rows vdy[k] (relative to the destination
// row) with weights vcoef[k], then columns hoff[k] with weights hcoef[k].
struct Separable {
    int reach = 0;
    int vtaps = 0, htaps = 0;
    int vdy[lf16::kMaxTaps] = {};
    S16 vcoef[lf16::kMaxTaps] = {};
    int hoff[lf16::kMaxTaps] = {};
    S16 hcoef[lf16::kMaxTaps] = {};
};

// v and h list the weights of offsets −r .. r, top to bottom and left to right.
Separable MakeSeparable(int r, const int* v, const int* h) {
    Separable s;
    s.reach = r;
    for (int i = -r; i <= r; ++i) {
        if (v[i + r] != 0) {
            s.vdy[s.vtaps] = i;
            s.vcoef[s.vtaps++] = static_cast<S16>(v[i + r]);
        }
        if (h[i + r] != 0) {
            s.hoff[s.htaps] = i;
            s.hcoef[s.htaps++] = static_cast<S16>(h[i + r]);
        }
    }
    return s;
}

Status RunSeparable(const U8* src, std::int32_t srcStep, S16* dst, std::int32_t dstStep, RoiSize size,
                    const Separable& f) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 1) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    const lf16::Kernels& k = lf16::CurrentKernels();
    const int r = f.reach;
    // Offsets into the vertical row: column x + j lies at index (x − x0) + r + j.
    int hoff[lf16::kMaxTaps];
    for (int j = 0; j < f.htaps; ++j) hoff[j] = f.hoff[j] + r;
    S16 tmp[lf16::kChunk + 2 * 2];
    U8* dstRow = reinterpret_cast<U8*>(dst);
    for (std::int32_t y = 0; y < size.height; ++y, dstRow += dstStep) {
        const U8* rows[lf16::kMaxTaps];
        for (int t = 0; t < f.vtaps; ++t) {
            rows[t] = src + (std::int64_t{y} + f.vdy[t]) * srcStep - r;
        }
        U8* d = dstRow;
        for (Count x0 = 0; x0 < size.width;) {
            const Count n = size.width - x0 < lf16::kChunk ? size.width - x0 : lf16::kChunk;
            k.vert(rows, f.vcoef, f.vtaps, tmp, n + 2 * r);
            k.horiz(tmp, hoff, f.hcoef, f.htaps, d, n);
            for (int t = 0; t < f.vtaps; ++t) rows[t] += n;
            d += 2 * n;
            x0 += n;
        }
    }
    return kStsOk;
}

// Weights of the 3- and 5-tap smoothing and difference kernels.
constexpr int kSmooth3[3] = {1, 2, 1};
constexpr int kSmooth5[5] = {1, 4, 6, 4, 1};
constexpr int kLeftMinusRight3[3] = {1, 0, -1};
constexpr int kLeftMinusRight5[5] = {1, 2, 0, -2, -1};
constexpr int kBelowMinusAbove3[3] = {-1, 0, 1};
constexpr int kBelowMinusAbove5[5] = {-1, -2, 0, 2, 1};
constexpr int kSecond3[3] = {1, -2, 1};
constexpr int kSecond5[5] = {1, 0, -2, 0, 1};

Status RunMasked(const U8* src, std::int32_t srcStep, S16* dst, std::int32_t dstStep, RoiSize size,
                 std::int32_t mask, const int* v3, const int* h3, const int* v5, const int* h5) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 1) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    if (mask == 33) return RunSeparable(src, srcStep, dst, dstStep, size, MakeSeparable(1, v3, h3));
    if (mask == 55) return RunSeparable(src, srcStep, dst, dstStep, size, MakeSeparable(2, v5, h5));
    return kStsBadMaskSize;
}

}  // namespace

// 3·d(−1) + 10·d(0) + 3·d(+1), d = right minus left.
Status FilterScharrVert_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, RoiSize size) {
    static constexpr int v[3] = {3, 10, 3}, h[3] = {-1, 0, 1};
    return RunSeparable(src, srcStep, dst, dstStep, size, MakeSeparable(1, v, h));
}

// s(+1) − s(−1), s = 3·P(−1) + 10·P(0) + 3·P(+1): below minus above.
Status FilterScharrHoriz_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                   std::int32_t dstStep, RoiSize size) {
    static constexpr int v[3] = {-1, 0, 1}, h[3] = {3, 10, 3};
    return RunSeparable(src, srcStep, dst, dstStep, size, MakeSeparable(1, v, h));
}

// Left minus right, smoothed vertically.
Status FilterSobelVert_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                 std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunMasked(src, srcStep, dst, dstStep, size, mask, kSmooth3, kLeftMinusRight3, kSmooth5,
                     kLeftMinusRight5);
}

// Below minus above, smoothed horizontally.
Status FilterSobelHoriz_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunMasked(src, srcStep, dst, dstStep, size, mask, kBelowMinusAbove3, kSmooth3, kBelowMinusAbove5,
                     kSmooth5);
}

Status FilterSobelVertSecond_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                       std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunMasked(src, srcStep, dst, dstStep, size, mask, kSmooth3, kSecond3, kSmooth5, kSecond5);
}

Status FilterSobelHorizSecond_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                        std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunMasked(src, srcStep, dst, dstStep, size, mask, kSecond3, kSmooth3, kSecond5, kSmooth5);
}

// Left minus right, then below minus above.
Status FilterSobelCross_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, RoiSize size, std::int32_t mask) {
    return RunMasked(src, srcStep, dst, dstStep, size, mask, kBelowMinusAbove3, kLeftMinusRight3,
                     kBelowMinusAbove5, kLeftMinusRight5);
}

}  // namespace vtx::px
