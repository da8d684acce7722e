// SSE2 row kernels of the separable 8u -> 16s filters: eight 16-bit lanes,
// products and sums modulo 2^16 like the plain kernels; the pixels after the
// last whole vector go to the plain kernels.
#include <emmintrin.h>

#include "primitives/linear_filter_16s_kernels.h"

namespace vtx::px::lf16 {

namespace {

void Vert_sse2(const U8* const* rows, const S16* coef, int taps, S16* out, Count n) {
    const __m128i zero = _mm_setzero_si128();
    Count i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i lo = zero, hi = zero;
        for (int k = 0; k < taps; ++k) {
            const __m128i c = _mm_set1_epi16(coef[k]);
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), c));
            hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), c));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), hi);
    }
    const U8* rest[kMaxTaps];
    for (int k = 0; k < taps; ++k) rest[k] = rows[k] + i;
    Vert_plain(rest, coef, taps, out + i, n - i);
}

void Horiz_sse2(const S16* in, const int* offset, const S16* coef, int taps, U8* dst, Count n) {
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        __m128i acc = _mm_setzero_si128();
        for (int k = 0; k < taps; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + offset[k]));
            acc = _mm_add_epi16(acc, _mm_mullo_epi16(v, _mm_set1_epi16(coef[k])));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i), acc);
    }
    Horiz_plain(in + i, offset, coef, taps, dst + 2 * i, n - i);
}

}  // namespace

void InstallSse2Kernels(Kernels& k) {
    k.vert = Vert_sse2;
    k.horiz = Horiz_sse2;
}

}  // namespace vtx::px::lf16
