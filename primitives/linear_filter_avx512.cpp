// AVX-512 kernels of the linear filter family: the fixed kernels on sixteen
// pixels per register and the 3 x 3 float convolution on eight double
// lanes. Everything else keeps the kernels of the level below. As there,
// vectors are loaded only where all their pixels lie in the neighbourhood,
// leftovers go to the plain kernels and byte 3 of each destination pixel is
// merged back.
// GCC 12's headers fill the unused part of some AVX-512 intrinsics with an
// "undefined" vector and then warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstring>

#define VTX_LINEAR_VECTOR_TEMPLATES
#include "primitives/linear_filter_kernels.h"

namespace vtx::px::linear {

namespace {

constexpr __mmask64 kColourBytes = 0x7777777777777777ull;

struct Avx512 {
    using R = __m512i;
    static constexpr Count kPx = 16;
    static R Load(const U8* p) { return _mm512_loadu_si512(p); }
    static void StoreColour(U8* d, R v) { _mm512_storeu_si512(d, _mm512_mask_blend_epi8(kColourBytes, Load(d), v)); }
    static R Zero() { return _mm512_setzero_si512(); }
    static R Lo8(R v) { return _mm512_unpacklo_epi8(v, Zero()); }
    static R Hi8(R v) { return _mm512_unpackhi_epi8(v, Zero()); }
    static R Add16(R a, R b) { return _mm512_add_epi16(a, b); }
    static R Sub16(R a, R b) { return _mm512_sub_epi16(a, b); }
    static R Mul16(R a, R b) { return _mm512_mullo_epi16(a, b); }
    static R Set16(std::int16_t v) { return _mm512_set1_epi16(v); }
    static R MulHiU16(R a, R b) { return _mm512_mulhi_epu16(a, b); }
    static R Srl16By2(R a) { return _mm512_srli_epi16(a, 2); }
    static R PackUs16(R a, R b) { return _mm512_packus_epi16(a, b); }
    static R Widen(const U8* p) { return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))); }
    static R Load16(const std::int16_t* p) { return _mm512_loadu_si512(p); }
    static void Store16(std::int16_t* p, R v) { _mm512_storeu_si512(p, v); }
    static R PackOrdered(R a, R b) {
        return _mm512_permutexvar_epi64(_mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7), _mm512_packus_epi16(a, b));
    }
};

void Fixed_avx512(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                  Count n, std::int32_t rows, std::int16_t* scratch) {
    FixedVector<Avx512>(k, src, srcStep, dst, dstStep, n, rows, scratch);
}

inline __m128i Load16(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

// trunc(clamp(v + 0.5, 0, 255)) of eight lanes (NaN gives 0).
inline __m256i Round8(__m512d v) {
    v = _mm512_add_pd(v, _mm512_set1_pd(0.5));
    v = _mm512_min_pd(_mm512_max_pd(v, _mm512_setzero_pd()), _mm512_set1_pd(255.0));
    return _mm512_cvttpd_epi32(v);
}

// Sixteen results in [0, 255] as bytes, stored with the bytes 3 kept.
inline void StoreColour16(U8* d, __m256i lo, __m256i hi) {
    const __m128i v = _mm512_cvtepi32_epi8(_mm512_inserti64x4(_mm512_castsi256_si512(lo), hi, 1));
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_blendv_epi8(v, Load16(d), alpha));
}

// Two pixels' eight bytes as eight doubles.
inline __m512d TwoPixels(const U8* p) {
    return _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

void Conv3x3_avx512(const Conv3x3Plan& p, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                    Count n, std::int32_t rows) {
    std::ptrdiff_t off[9];
    for (int i = 0; i < 9; ++i) off[i] = (i / 3 - 1) * srcStep + 4 * (i % 3 - 1);
    std::ptrdiff_t goff[9][9];
    int gcount[9] = {};
    for (int i = 0; i < 9; ++i) goff[p.group[i]][gcount[p.group[i]]++] = off[i];
    __m512d w[9], gw[9];
    for (int i = 0; i < 9; ++i) {
        w[i] = _mm512_set1_pd(p.w[i]);
        gw[i] = _mm512_set1_pd(p.gw[i]);
    }
    for (std::int32_t y = 0; y < rows; ++y) {
        const U8* s = src + y * srcStep;
        U8* d = dst + y * dstStep;
        Count x = 0;
        if (p.exact) {
            // Sixteen 16-bit sums per group (four pixels) times the group's
            // weight; exact, so grouping and order do not change the sum.
            for (; x + 4 <= n; x += 4) {
                __m512d acc0 = _mm512_setzero_pd(), acc1 = _mm512_setzero_pd();
                for (int g = 0; g < p.groups; ++g) {
                    __m256i sum = _mm256_setzero_si256();
                    for (int t = 0; t < gcount[g]; ++t) {
                        sum = _mm256_add_epi16(sum, _mm256_cvtepu8_epi16(Load16(s + 4 * x + goff[g][t])));
                    }
                    const __m512i wide = _mm512_cvtepi16_epi32(sum);
                    acc0 = _mm512_add_pd(acc0, _mm512_mul_pd(gw[g], _mm512_cvtepi32_pd(_mm512_castsi512_si256(wide))));
                    acc1 = _mm512_add_pd(acc1, _mm512_mul_pd(gw[g], _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(wide, 1))));
                }
                StoreColour16(d + 4 * x, Round8(acc0), Round8(acc1));
            }
        } else {
            // The plain order of summation, two pixels per register.
            for (; x + 4 <= n; x += 4) {
                __m512d acc0 = _mm512_setzero_pd(), acc1 = _mm512_setzero_pd();
                for (int i = 0; i < 9; ++i) {
                    acc0 = _mm512_add_pd(acc0, _mm512_mul_pd(w[i], TwoPixels(s + 4 * x + off[i])));
                    acc1 = _mm512_add_pd(acc1, _mm512_mul_pd(w[i], TwoPixels(s + 4 * x + 8 + off[i])));
                }
                StoreColour16(d + 4 * x, Round8(acc0), Round8(acc1));
            }
        }
        Conv3x3_plain(p, s + 4 * x, srcStep, d + 4 * x, dstStep, n - x, 1);
    }
}

}  // namespace

void InstallAvx512Kernels(Kernels& k) {
    k.fixed = Fixed_avx512;
    k.conv3x3 = Conv3x3_avx512;
}

}  // namespace vtx::px::linear
