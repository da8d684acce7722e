// Row kernels of the linear filter family and its dispatch table.
//
// The public functions of linear_filter.h check their arguments, allocate
// their row buffers and then drive these kernels row by row. Pixels are four
// bytes; a kernel computes channels 0..2 and never stores byte 3 of a
// destination pixel (vector kernels rewrite it with the value it held).
// Running sums are kept in four 32-bit lanes per pixel; lane 3 carries no
// meaning (the plain kernels leave it alone, vector kernels may fill it with
// anything). Every level reproduces the bytes of the plain kernels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::px::linear {

using U8 = std::uint8_t;
using Count = std::ptrdiff_t;

// A fixed integer kernel: up to 25 taps (dx, dy, weight) and the rule that
// turns the weighted sum into a byte.
enum Post : std::int32_t {
    kPostClamp = 0,      // clamp to 0..255
    kPostLowpass33 = 1,  // ((s + 5)·455) >> 12
    kPostLowpass55 = 2,  // (s·10485) >> 18
};

struct FixedKernel {
    std::int32_t radius;  // 1 (3 x 3 window) or 2 (5 x 5 window)
    std::int32_t post;
    // Weights of the window, row by row, dy = -radius .. radius.
    std::int16_t w[25];
};

// A 3 x 3 float kernel: w[0..8] are the weights of the source pixels
// (dx, dy) = (-1..1, -1..1) row by row, which is also the order of
// summation. When `exact` is set every partial sum of every order is an
// exact double (all weights are integer multiples of one power of two and
// 255·sum|w| stays below 2^53 such units), so the sum may be formed in any
// order; then the taps are also grouped by equal weight: tap i belongs to
// group group[i], whose weight is gw[group[i]].
struct Conv3x3Plan {
    double w[9];
    bool exact;
    std::int32_t groups;
    double gw[9];
    std::uint8_t group[9];
};

struct Kernels {
    // Fixed kernel over `rows` rows of `n` pixels; src points at the source
    // pixel under destination pixel (0, 0). For radius 2, scratch holds
    // FixedScratchLanes(n) 16-bit values (unused by the plain kernel).
    void (*fixed)(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                  Count n, std::int32_t rows, std::int16_t* scratch);
    // 3 x 3 float convolution; src points at the window's centre for
    // destination (0, 0).
    void (*conv3x3)(const Conv3x3Plan& p, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                    Count n, std::int32_t rows);
    // sums[i] += add[i] (channels 0..2 of n pixels).
    void (*colAdd)(std::uint32_t* sums, const U8* add, Count n);
    // sums[i] += add[i] - sub[i], modulo 2^32.
    void (*colAddSub)(std::uint32_t* sums, const U8* add, const U8* sub, Count n);
    // Box row: colSums holds the column sums from the mask's left column on;
    // destination pixel x gets ((sum of colSums[x .. x+mw-1]) · M) >> shift,
    // the product in 64 bits. mw >= 1.
    void (*boxRow)(const std::uint32_t* colSums, U8* dst, Count n, Count mw, std::uint32_t m, std::uint32_t shift);
    // Window sums of a row: out[x] = sum of src pixels x .. x+len-1, modulo
    // 2^32. len >= 1.
    void (*rowSums)(const U8* src, std::uint32_t* out, Count n, Count len);
    // Sums (read as signed 32-bit) to bytes: v = s · f in double; 0 for
    // v <= 0, else trunc(v + 0.5) limited to 255.
    void (*finishRecip)(const std::uint32_t* sums, U8* dst, Count n, double f);
    // Sums (signed 32-bit) clamped to 0..255.
    void (*finishClamp)(const std::uint32_t* sums, U8* dst, Count n);
};

void Fixed_plain(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                 Count n, std::int32_t rows, std::int16_t* scratch);

// Row buffers of the 5 x 5 vector path: one row of column sums per distinct
// kernel column (at most 5), each 4·(n + 4) lanes.
inline std::int64_t FixedScratchLanes(std::int64_t n) {
    return 5 * 4 * (n + 4);
}
void Conv3x3_plain(const Conv3x3Plan& p, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                   Count n, std::int32_t rows);
void ColAdd_plain(std::uint32_t* sums, const U8* add, Count n);
void ColAddSub_plain(std::uint32_t* sums, const U8* add, const U8* sub, Count n);
void BoxRow_plain(const std::uint32_t* colSums, U8* dst, Count n, Count mw, std::uint32_t m, std::uint32_t shift);
void RowSums_plain(const U8* src, std::uint32_t* out, Count n, Count len);
void FinishRecip_plain(const std::uint32_t* sums, U8* dst, Count n, double f);
void FinishClamp_plain(const std::uint32_t* sums, U8* dst, Count n);

// Replace the entries that have vector kernels; present when the file of
// that level is part of the build (VTX_LINEAR_SSE2, VTX_LINEAR_AVX2,
// VTX_LINEAR_AVX512).
void InstallSse2Kernels(Kernels& k);
void InstallAvx2Kernels(Kernels& k);
void InstallAvx512Kernels(Kernels& k);

}  // namespace vtx::px::linear

#if defined(VTX_LINEAR_VECTOR_TEMPLATES)
// Fixed kernels on any vector width, for the files of the vector levels. V
// supplies: R (register), kPx (pixels per register), Load, StoreColour
// (bytes 0..2 of each pixel), Zero, Lo8/Hi8 (bytes to 16-bit lanes, undone
// by PackUs16), Add16, Sub16, Mul16, Set16, MulHiU16, Srl16By2, PackUs16;
// and, in memory order, Widen (half a register of bytes to 16-bit lanes),
// Load16/Store16 (16-bit lanes) and PackOrdered (two such registers of
// 16-bit lanes to bytes, saturating).
namespace vtx::px::linear {

// (s + 5)·455 >> 12 = (s + 5)·7280 >> 16 and s·10485 >> 18 =
// (s·10485 >> 16) >> 2, exact for the 16-bit sums of these kernels.
template <class V>
inline typename V::R FixedPost(std::int32_t post, typename V::R v) {
    if (post == kPostLowpass33) return V::MulHiU16(V::Add16(v, V::Set16(5)), V::Set16(455 * 16));
    if (post == kPostLowpass55) return V::Srl16By2(V::MulHiU16(v, V::Set16(10485)));
    return v;
}

// 5 x 5 kernels in two passes per row: for each distinct kernel column, its
// weighted sum over the five rows at every lane of the row's neighbourhood
// (16-bit, in memory order), then per destination lane the sum of the five
// columns' values; the same integers as the direct sum.
template <class V>
void Fixed5Columns(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                   Count n, std::int32_t rows, std::int16_t* scratch) {
    using R = typename V::R;
    constexpr Count kLanes = sizeof(R) / 2;  // 16-bit lanes per register
    const Count lanes = 4 * (n + 4);
    // Distinct columns: pattern[c] is the index of column c's pattern.
    int pattern[5], patterns = 0, first[5];
    for (int c = 0; c < 5; ++c) {
        int p = 0;
        for (; p < patterns; ++p) {
            bool same = true;
            for (int r = 0; r < 5; ++r) same = same && k.w[r * 5 + c] == k.w[r * 5 + first[p]];
            if (same) break;
        }
        if (p == patterns) first[patterns++] = c;
        pattern[c] = p;
    }
    for (std::int32_t y = 0; y < rows; ++y) {
        const U8* s = src + y * srcStep - 8;  // lane 0: channel 0 of column -2
        U8* d = dst + y * dstStep;
        for (int p = 0; p < patterns; ++p) {
            std::int16_t* u = scratch + p * lanes;
            const std::int16_t* w = k.w + first[p];
            Count j = 0;
            for (; j + kLanes <= lanes; j += kLanes) {
                R acc = V::Zero();
                for (int r = 0; r < 5; ++r) {
                    const std::int16_t wr = w[5 * r];
                    if (wr == 0) continue;
                    const R v = V::Widen(s + (r - 2) * srcStep + j);
                    acc = wr == 1 ? V::Add16(acc, v) : wr == -1 ? V::Sub16(acc, v) : V::Add16(acc, V::Mul16(v, V::Set16(wr)));
                }
                V::Store16(u + j, acc);
            }
            for (; j < lanes; ++j) {
                int acc = 0;
                for (int r = 0; r < 5; ++r) acc += w[5 * r] * s[(r - 2) * srcStep + j];
                u[j] = static_cast<std::int16_t>(acc);
            }
        }
        Count x = 0;
        for (; x + V::kPx <= n; x += V::kPx) {
            R lo = V::Zero(), hi = V::Zero();
            for (int c = 0; c < 5; ++c) {
                const std::int16_t* u = scratch + pattern[c] * lanes + 4 * (x + c);
                lo = V::Add16(lo, V::Load16(u));
                hi = V::Add16(hi, V::Load16(u + kLanes));
            }
            V::StoreColour(d + 4 * x, V::PackOrdered(FixedPost<V>(k.post, lo), FixedPost<V>(k.post, hi)));
        }
        Fixed_plain(k, s + 8 + 4 * x, srcStep, d + 4 * x, dstStep, n - x, 1, nullptr);
    }
}

template <class V>
void FixedVector(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                 Count n, std::int32_t rows, std::int16_t* scratch) {
    using R = typename V::R;
    if (k.radius == 2 && scratch != nullptr) return Fixed5Columns<V>(k, src, srcStep, dst, dstStep, n, rows, scratch);
    const std::int32_t r = k.radius, side = 2 * r + 1;
    std::ptrdiff_t off[25];
    std::int16_t w[25];
    R wv[25];
    int taps = 0;
    for (std::int32_t dy = -r; dy <= r; ++dy) {
        for (std::int32_t dx = -r; dx <= r; ++dx) {
            const std::int16_t v = k.w[(dy + r) * side + dx + r];
            if (v == 0) continue;
            off[taps] = dy * srcStep + 4 * dx;
            w[taps] = v;
            wv[taps] = V::Set16(v);
            ++taps;
        }
    }
    for (std::int32_t y = 0; y < rows; ++y) {
        const U8* s = src + y * srcStep;
        U8* d = dst + y * dstStep;
        Count x = 0;
        for (; x + V::kPx <= n; x += V::kPx) {
            R lo = V::Zero(), hi = V::Zero();
            for (int t = 0; t < taps; ++t) {
                const R v = V::Load(s + 4 * x + off[t]);
                const R l = V::Lo8(v), h = V::Hi8(v);
                if (w[t] == 1) {
                    lo = V::Add16(lo, l);
                    hi = V::Add16(hi, h);
                } else if (w[t] == -1) {
                    lo = V::Sub16(lo, l);
                    hi = V::Sub16(hi, h);
                } else {
                    lo = V::Add16(lo, V::Mul16(l, wv[t]));
                    hi = V::Add16(hi, V::Mul16(h, wv[t]));
                }
            }
            V::StoreColour(d + 4 * x, V::PackUs16(FixedPost<V>(k.post, lo), FixedPost<V>(k.post, hi)));
        }
        Fixed_plain(k, s + 4 * x, srcStep, d + 4 * x, dstStep, n - x, 1, nullptr);
    }
}

}  // namespace vtx::px::linear
#endif
