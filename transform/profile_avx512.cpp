// Eight profile powers at a time in AVX-512 double lanes: the reduction and
// series of profile.cpp with fused multiply-adds, which only make the
// approximation closer; whether a rounding can be vouched for is decided
// as there.
// GCC 12's headers fill the unused part of some AVX-512 intrinsics with an
// "undefined" vector and then warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>

#include "transform/profile_kernels.h"

namespace vtx::profile {

unsigned Powers8_avx512(const float* qs, double degree, float* out) {
    const auto c = [](double v) { return _mm512_set1_pd(v); };
    // q = m·2^e, m in [1, 2), moved to [√½, √2] (halving is exact).
    const __m256i bits = _mm256_castps_si256(_mm256_loadu_ps(qs));
    __m256i e = _mm256_sub_epi32(_mm256_srli_epi32(bits, 23), _mm256_set1_epi32(127));
    __m256 m = _mm256_castsi256_ps(_mm256_or_si256(_mm256_and_si256(bits, _mm256_set1_epi32(0x7FFFFF)), _mm256_set1_epi32(0x3F800000)));
    const __m256 high = _mm256_cmp_ps(m, _mm256_set1_ps(1.41421356f), _CMP_GT_OQ);
    m = _mm256_blendv_ps(m, _mm256_mul_ps(m, _mm256_set1_ps(0.5f)), high);
    e = _mm256_sub_epi32(e, _mm256_castps_si256(high));
    const __m512d md = _mm512_cvtps_pd(m), ed = _mm512_cvtepi32_pd(e), one = c(1.0);
    // ln q = e·ln 2 + 2·atanh(s), s = (m − 1)/(m + 1).
    const __m512d s = _mm512_div_pd(_mm512_sub_pd(md, one), _mm512_add_pd(md, one));
    const __m512d z = _mm512_mul_pd(s, s);
    __m512d p = c(kOdd[8]);
    for (int k = 7; k >= 0; --k) p = _mm512_fmadd_pd(p, z, c(kOdd[k]));
    const __m512d lnq = _mm512_fmadd_pd(ed, c(kLn2Hi), _mm512_fmadd_pd(ed, c(kLn2Lo), _mm512_mul_pd(_mm512_add_pd(s, s), p)));
    // exp(x) = 2^k·exp(r).
    const __m512d x = _mm512_mul_pd(c(degree), lnq);
    const __m512d k = _mm512_roundscale_pd(_mm512_mul_pd(x, c(kInvLn2)), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m512d r = _mm512_fnmadd_pd(k, c(kLn2Lo), _mm512_fnmadd_pd(k, c(kLn2Hi), x));
    __m512d q = c(kFactorial[11]);
    for (int i = 10; i >= 0; --i) q = _mm512_fmadd_pd(q, r, c(kFactorial[i]));
    const __m512d u = _mm512_scalef_pd(q, k);
    // The rounded value and the rounding boundaries halfway to its
    // neighbours (exact in double).
    const __m256 f = _mm512_cvtpd_ps(u);
    const __m256i fb = _mm256_castps_si256(f);
    const __m512d fd = _mm512_cvtps_pd(f);
    const __m512d up = _mm512_cvtps_pd(_mm256_castsi256_ps(_mm256_add_epi32(fb, _mm256_set1_epi32(1))));
    const __m512d down = _mm512_cvtps_pd(_mm256_castsi256_ps(_mm256_sub_epi32(fb, _mm256_set1_epi32(1))));
    const __m512d margin = _mm512_mul_pd(u, c(kTolerance)), half = c(0.5);
    const __m512d aboveGap = _mm512_abs_pd(_mm512_sub_pd(u, _mm512_mul_pd(_mm512_add_pd(fd, up), half)));
    const __m512d belowGap = _mm512_abs_pd(_mm512_sub_pd(u, _mm512_mul_pd(_mm512_add_pd(fd, down), half)));
    const __mmask8 doubt = _mm512_cmp_pd_mask(aboveGap, margin, _CMP_LE_OQ) | _mm512_cmp_pd_mask(belowGap, margin, _CMP_LE_OQ) |
                           _mm512_cmp_pd_mask(u, c(kSmallest), _CMP_LT_OQ);
    _mm256_storeu_ps(out, f);
    return doubt;
}

}  // namespace vtx::profile
