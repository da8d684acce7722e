// AVX2 kernels of the linear filter family. The box and row running sums
// keep the SSE2 kernels (one pixel per register is what their serial
// dependence allows); the rest works on eight pixels (fixed kernels), two
// pixels (column sums) or four double lanes per register. Vectors are loaded
// only where all their pixels lie in the row or neighbourhood; leftovers go
// to the plain kernels; byte 3 of each destination pixel is merged back.
#include <immintrin.h>

#include <cstring>

#define VTX_LINEAR_VECTOR_TEMPLATES
#include "primitives/linear_filter_kernels.h"

namespace vtx::px::linear {

namespace {

inline __m128i Load16(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline __m256i Load32(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
inline void Store32(void* p, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}
// Two pixels' eight bytes as eight 32-bit lanes.
inline __m256i Load8To32(const U8* p) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
}

inline void StoreColour16(U8* d, __m128i v) {
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_blendv_epi8(v, Load16(d), alpha));
}

struct Avx2 {
    using R = __m256i;
    static constexpr Count kPx = 8;
    static R Load(const U8* p) { return Load32(p); }
    static void StoreColour(U8* d, R v) {
        const R alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
        Store32(d, _mm256_blendv_epi8(v, Load32(d), alpha));
    }
    static R Zero() { return _mm256_setzero_si256(); }
    static R Lo8(R v) { return _mm256_unpacklo_epi8(v, Zero()); }
    static R Hi8(R v) { return _mm256_unpackhi_epi8(v, Zero()); }
    static R Add16(R a, R b) { return _mm256_add_epi16(a, b); }
    static R Sub16(R a, R b) { return _mm256_sub_epi16(a, b); }
    static R Mul16(R a, R b) { return _mm256_mullo_epi16(a, b); }
    static R Set16(std::int16_t v) { return _mm256_set1_epi16(v); }
    static R MulHiU16(R a, R b) { return _mm256_mulhi_epu16(a, b); }
    static R Srl16By2(R a) { return _mm256_srli_epi16(a, 2); }
    static R PackUs16(R a, R b) { return _mm256_packus_epi16(a, b); }
    static R Widen(const U8* p) { return _mm256_cvtepu8_epi16(linear::Load16(p)); }
    static R Load16(const std::int16_t* p) { return Load32(p); }
    static void Store16(std::int16_t* p, R v) { Store32(p, v); }
    static R PackOrdered(R a, R b) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xD8); }
};

void Fixed_avx2(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                Count n, std::int32_t rows, std::int16_t* scratch) {
    FixedVector<Avx2>(k, src, srcStep, dst, dstStep, n, rows, scratch);
}

void ColAdd_avx2(std::uint32_t* sums, const U8* add, Count n) {
    Count x = 0;
    for (; x + 2 <= n; x += 2) {
        std::uint32_t* s = sums + 4 * x;
        Store32(s, _mm256_add_epi32(Load32(s), Load8To32(add + 4 * x)));
    }
    ColAdd_plain(sums + 4 * x, add + 4 * x, n - x);
}

void ColAddSub_avx2(std::uint32_t* sums, const U8* add, const U8* sub, Count n) {
    Count x = 0;
    for (; x + 2 <= n; x += 2) {
        std::uint32_t* s = sums + 4 * x;
        const __m256i d = _mm256_sub_epi32(Load8To32(add + 4 * x), Load8To32(sub + 4 * x));
        Store32(s, _mm256_add_epi32(Load32(s), d));
    }
    ColAddSub_plain(sums + 4 * x, add + 4 * x, sub + 4 * x, n - x);
}

// trunc(clamp(v + 0.5, 0, 255)) of four lanes: the rounding of both the
// reciprocal rule and the float convolution (v <= 0 and NaN give 0).
inline __m128i Round4(__m256d v) {
    v = _mm256_add_pd(v, _mm256_set1_pd(0.5));
    v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
    return _mm256_cvttpd_epi32(v);
}

inline __m128i Pack4(__m128i a, __m128i b, __m128i c, __m128i d) {
    return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}

void FinishRecip_avx2(const std::uint32_t* sums, U8* dst, Count n, double f) {
    const __m256d fv = _mm256_set1_pd(f);
    Count x = 0;
    for (; x + 4 <= n; x += 4) {
        __m128i r[4];
        for (int i = 0; i < 4; ++i) r[i] = Round4(_mm256_mul_pd(_mm256_cvtepi32_pd(Load16(sums + 4 * (x + i))), fv));
        StoreColour16(dst + 4 * x, Pack4(r[0], r[1], r[2], r[3]));
    }
    FinishRecip_plain(sums + 4 * x, dst + 4 * x, n - x, f);
}

inline __m256d PixelAsDoubles(const U8* p) {
    int v;
    std::memcpy(&v, p, 4);
    return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(v)));
}

void Conv3x3_avx2(const Conv3x3Plan& p, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                  Count n, std::int32_t rows) {
    std::ptrdiff_t off[9];
    for (int i = 0; i < 9; ++i) off[i] = (i / 3 - 1) * srcStep + 4 * (i % 3 - 1);
    // Taps by group, for the exact kernels.
    std::ptrdiff_t goff[9][9];
    int gcount[9] = {};
    for (int i = 0; i < 9; ++i) goff[p.group[i]][gcount[p.group[i]]++] = off[i];
    for (std::int32_t y = 0; y < rows; ++y) {
        const U8* s = src + y * srcStep;
        U8* d = dst + y * dstStep;
        Count x = 0;
        if (p.exact) {
            // Sixteen 16-bit sums per group (four pixels), each times its
            // weight in double: exact, so the order does not matter.
            for (; x + 4 <= n; x += 4) {
                __m256d acc[4] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
                for (int g = 0; g < p.groups; ++g) {
                    __m256i sum = _mm256_setzero_si256();
                    for (int t = 0; t < gcount[g]; ++t) {
                        sum = _mm256_add_epi16(sum, _mm256_cvtepu8_epi16(Load16(s + 4 * x + goff[g][t])));
                    }
                    const __m256i lo = _mm256_cvtepi16_epi32(_mm256_castsi256_si128(sum));
                    const __m256i hi = _mm256_cvtepi16_epi32(_mm256_extracti128_si256(sum, 1));
                    const __m256d w = _mm256_set1_pd(p.gw[g]);
                    acc[0] = _mm256_add_pd(acc[0], _mm256_mul_pd(w, _mm256_cvtepi32_pd(_mm256_castsi256_si128(lo))));
                    acc[1] = _mm256_add_pd(acc[1], _mm256_mul_pd(w, _mm256_cvtepi32_pd(_mm256_extracti128_si256(lo, 1))));
                    acc[2] = _mm256_add_pd(acc[2], _mm256_mul_pd(w, _mm256_cvtepi32_pd(_mm256_castsi256_si128(hi))));
                    acc[3] = _mm256_add_pd(acc[3], _mm256_mul_pd(w, _mm256_cvtepi32_pd(_mm256_extracti128_si256(hi, 1))));
                }
                StoreColour16(d + 4 * x, Pack4(Round4(acc[0]), Round4(acc[1]), Round4(acc[2]), Round4(acc[3])));
            }
        } else {
            // The plain order of summation, one pixel per register.
            __m256d w[9];
            for (int i = 0; i < 9; ++i) w[i] = _mm256_set1_pd(p.w[i]);
            for (; x + 4 <= n; x += 4) {
                __m128i r[4];
                for (int j = 0; j < 4; ++j) {
                    __m256d acc = _mm256_setzero_pd();
                    for (int i = 0; i < 9; ++i) {
                        acc = _mm256_add_pd(acc, _mm256_mul_pd(w[i], PixelAsDoubles(s + 4 * (x + j) + off[i])));
                    }
                    r[j] = Round4(acc);
                }
                StoreColour16(d + 4 * x, Pack4(r[0], r[1], r[2], r[3]));
            }
        }
        Conv3x3_plain(p, s + 4 * x, srcStep, d + 4 * x, dstStep, n - x, 1);
    }
}

}  // namespace

void InstallAvx2Kernels(Kernels& k) {
    k.fixed = Fixed_avx2;
    k.conv3x3 = Conv3x3_avx2;
    k.colAdd = ColAdd_avx2;
    k.colAddSub = ColAddSub_avx2;
    k.finishRecip = FinishRecip_avx2;
}

}  // namespace vtx::px::linear
