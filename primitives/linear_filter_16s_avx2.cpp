// AVX2 row kernels of the separable 8u -> 16s filters: sixteen 16-bit lanes,
// products and sums modulo 2^16 like the plain kernels; the pixels after the
// last whole vector go to the plain kernels.
#include <immintrin.h>

#include "primitives/linear_filter_16s_kernels.h"

namespace vtx::px::lf16 {

namespace {

void Vert_avx2(const U8* const* rows, const S16* coef, int taps, S16* out, Count n) {
    Count i = 0;
    for (; i + 32 <= n; i += 32) {
        __m256i lo = _mm256_setzero_si256(), hi = _mm256_setzero_si256();
        for (int k = 0; k < taps; ++k) {
            const __m256i c = _mm256_set1_epi16(coef[k]);
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i + 16));
            lo = _mm256_add_epi16(lo, _mm256_mullo_epi16(_mm256_cvtepu8_epi16(a), c));
            hi = _mm256_add_epi16(hi, _mm256_mullo_epi16(_mm256_cvtepu8_epi16(b), c));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), lo);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 16), hi);
    }
    const U8* rest[kMaxTaps];
    for (int k = 0; k < taps; ++k) rest[k] = rows[k] + i;
    Vert_plain(rest, coef, taps, out + i, n - i);
}

void Horiz_avx2(const S16* in, const int* offset, const S16* coef, int taps, U8* dst, Count n) {
    Count i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i acc = _mm256_setzero_si256();
        for (int k = 0; k < taps; ++k) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i + offset[k]));
            acc = _mm256_add_epi16(acc, _mm256_mullo_epi16(v, _mm256_set1_epi16(coef[k])));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * i), acc);
    }
    Horiz_plain(in + i, offset, coef, taps, dst + 2 * i, n - i);
}

}  // namespace

void InstallAvx2Kernels(Kernels& k) {
    k.vert = Vert_avx2;
    k.horiz = Horiz_avx2;
}

}  // namespace vtx::px::lf16
