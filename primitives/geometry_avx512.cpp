// AVX-512 kernel of the geometric family: the linear remap, eight pixels at
// a time, channel by channel in one vector of eight doubles (the plain
// operations in the plain order, so the same bits). Groups of eight that
// are not all inside, rows whose pixels lie beyond 32-bit byte offsets and
// the nearest remap go to the AVX2 kernel.
// GCC 12's headers fill the unused part of some AVX-512 intrinsics with an
// "undefined" vector and then warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <climits>
#include <cstdint>

#include "primitives/geometry_kernels.h"

namespace vtx::px::geometry {
namespace {

void RemapRow_avx512(const Source& s, const U8* xs, const U8* ys, bool linear, U8* dst, Count n) {
    // The pixel pairs are gathered with 32-bit byte offsets from the image
    // origin (rows k and k + 1 from two bases).
    const bool gather = std::int64_t{s.step} * (s.imageHeight - 1) + 4 * std::int64_t{s.imageWidth} <= INT32_MAX;
    if (!linear || !gather) {
        RemapRow_avx2(s, xs, ys, linear, dst, n);
        return;
    }
    const __m512d xmin = _mm512_set1_pd(s.xmin), xmax = _mm512_set1_pd(s.xmax);
    const __m512d ymin = _mm512_set1_pd(s.ymin), ymax = _mm512_set1_pd(s.ymax);
    const __m512d one = _mm512_set1_pd(1.0), half = _mm512_set1_pd(0.5), nudge = _mm512_set1_pd(1e-7);
    const __m256i lastX = _mm256_set1_epi32(s.imageWidth - 2), lastY = _mm256_set1_epi32(s.imageHeight - 2);
    const __m256i step = _mm256_set1_epi32(s.step), zero = _mm256_setzero_si256(), top = _mm256_set1_epi32(255);
    const __m256i keep = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    // Byte c of the left pixel of pair j into dword j, of the right pixel
    // into dword 8 + j (the other bytes zero).
    alignas(64) std::uint8_t pick[3][64];
    for (int c = 0; c < 3; ++c) {
        for (int j = 0; j < 16; ++j) {
            for (int b = 0; b < 4; ++b) pick[c][4 * j + b] = 0;
            pick[c][4 * j] = static_cast<std::uint8_t>(8 * (j & 7) + (j < 8 ? 0 : 4) + c);
        }
    }
    const __mmask64 lowBytes = 0x1111111111111111ULL;
    const U8* below = s.origin + s.step;
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m512d sx = _mm512_cvtps_pd(_mm256_loadu_ps(reinterpret_cast<const float*>(xs + 4 * i)));
        const __m512d sy = _mm512_cvtps_pd(_mm256_loadu_ps(reinterpret_cast<const float*>(ys + 4 * i)));
        const __mmask8 inside = static_cast<__mmask8>(
            _mm512_cmp_pd_mask(sx, xmin, _CMP_GE_OQ) & _mm512_cmp_pd_mask(sx, xmax, _CMP_LE_OQ) &
            _mm512_cmp_pd_mask(sy, ymin, _CMP_GE_OQ) & _mm512_cmp_pd_mask(sy, ymax, _CMP_LE_OQ));
        if (inside != 0xFF) {
            RemapRow_avx2(s, xs + 4 * i, ys + 4 * i, linear, dst + 4 * i, 8);
            continue;
        }
        // ix = trunc(sx + 1e-7); at or past the last column: ix = width − 2, fx = 1.
        const __m256i ix = _mm512_cvttpd_epi32(_mm512_add_pd(sx, nudge)), iy = _mm512_cvttpd_epi32(_mm512_add_pd(sy, nudge));
        const __m256i gx = _mm256_cmpgt_epi32(ix, lastX), gy = _mm256_cmpgt_epi32(iy, lastY);
        const auto lanes = [](__m256i g) { return static_cast<__mmask8>(_mm256_movemask_ps(_mm256_castsi256_ps(g))); };
        const __m512d fx = _mm512_mask_blend_pd(lanes(gx), _mm512_sub_pd(sx, _mm512_cvtepi32_pd(ix)), one);
        const __m512d fy = _mm512_mask_blend_pd(lanes(gy), _mm512_sub_pd(sy, _mm512_cvtepi32_pd(iy)), one);
        const __m256i kx = _mm256_blendv_epi8(ix, lastX, gx), ky = _mm256_blendv_epi8(iy, lastY, gy);
        const __m256i off = _mm256_add_epi32(_mm256_mullo_epi32(ky, step), _mm256_slli_epi32(kx, 2));
        // The pairs by plain loads (faster than a gather on the processors measured).
        alignas(32) std::int32_t o[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(o), off);
        const auto two = [](const U8* a, const U8* b) {
            return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
                                                 reinterpret_cast<const double*>(b)));
        };
        const auto eight = [&](const U8* base) {
            __m512i v = _mm512_castsi128_si512(two(base + o[0], base + o[1]));
            v = _mm512_inserti32x4(v, two(base + o[2], base + o[3]), 1);
            v = _mm512_inserti32x4(v, two(base + o[4], base + o[5]), 2);
            return _mm512_inserti32x4(v, two(base + o[6], base + o[7]), 3);
        };
        const __m512i upper = eight(s.origin), lower = eight(below);
        __m256i result = zero;
        for (int c = 0; c < 3; ++c) {
            const __m512i idx = _mm512_load_si512(pick[c]);
            const __m512i t = _mm512_maskz_permutexvar_epi8(lowBytes, idx, upper);
            const __m512i u = _mm512_maskz_permutexvar_epi8(lowBytes, idx, lower);
            const __m512d ul = _mm512_cvtepi32_pd(_mm512_castsi512_si256(t)), ur = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(t, 1));
            const __m512d ll = _mm512_cvtepi32_pd(_mm512_castsi512_si256(u)), lr = _mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(u, 1));
            const __m512d tv = _mm512_add_pd(ul, _mm512_mul_pd(_mm512_sub_pd(ur, ul), fx));
            const __m512d bv = _mm512_add_pd(ll, _mm512_mul_pd(_mm512_sub_pd(lr, ll), fx));
            __m256i v = _mm512_cvttpd_epi32(_mm512_add_pd(_mm512_add_pd(tv, half), _mm512_mul_pd(_mm512_sub_pd(bv, tv), fy)));
            v = _mm256_min_epi32(_mm256_max_epi32(v, zero), top);
            result = _mm256_or_si256(result, _mm256_slli_epi32(v, 8 * c));
        }
        U8* out = dst + 4 * i;
        const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(result, _mm256_and_si256(keep, old)));
    }
    RemapRow_avx2(s, xs + 4 * i, ys + 4 * i, linear, dst + 4 * i, n - i);
}

}  // namespace

void InstallAvx512Kernels(Kernels& k) { k.remapRow = RemapRow_avx512; }

}  // namespace vtx::px::geometry
