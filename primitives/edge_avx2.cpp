// AVX2 row kernels of the Canny detector: the SSE2 scheme (edge_sse2.cpp) on
// eight 32-bit lanes. The pixels after the last whole vector go to the plain
// kernels.
#include <immintrin.h>

#include "primitives/edge_kernels.h"

namespace vtx::px::edge {

namespace {

// Direction codes of eight lanes (before the gate).
inline __m256i Directions(__m256i ax, __m256i ay, __m256i sign) {
    const __m256i a = _mm256_mullo_epi32(ax, _mm256_set1_epi32(kTanHigh));
    const __m256i b = _mm256_mullo_epi32(ax, _mm256_set1_epi32(kTanLow));
    const __m256i bh = _mm256_srli_epi32(b, 16);
    const __m256i bz = _mm256_cmpeq_epi32(_mm256_and_si256(b, _mm256_set1_epi32(0xFFFF)), _mm256_setzero_si256());
    const __m256i r3 = _mm256_add_epi32(a, bh);
    const __m256i r1 = _mm256_add_epi32(_mm256_add_epi32(r3, _mm256_set1_epi32(1)), bz);
    const __m256i is1 = _mm256_cmpgt_epi32(r1, _mm256_slli_epi32(ay, 8));
    const __m256i is3 = _mm256_cmpgt_epi32(_mm256_slli_epi32(_mm256_sub_epi32(ay, _mm256_add_epi32(ax, ax)), 8), r3);
    const __m256i diag = _mm256_add_epi32(_mm256_set1_epi32(2), _mm256_and_si256(sign, _mm256_set1_epi32(2)));
    return _mm256_blendv_epi8(_mm256_blendv_epi8(diag, _mm256_set1_epi32(1), is1), _mm256_set1_epi32(3), is3);
}

void Magnitude_avx2(const S16* dx, const S16* dy, Count n, std::int32_t low, std::int32_t* mag, U8* dir) {
    const __m256i lowv = _mm256_set1_epi32(low);
    Count i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dx + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dy + i));
        // |v| as an unsigned 16-bit lane (−32768 gives 0x8000 = 32768).
        const __m256i ax = _mm256_abs_epi16(x), ay = _mm256_abs_epi16(y);
        const __m256i sign = _mm256_srai_epi16(_mm256_xor_si256(x, y), 15);
        __m256i codes[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i ax8 = h == 0 ? _mm256_castsi256_si128(ax) : _mm256_extracti128_si256(ax, 1);
            const __m128i ay8 = h == 0 ? _mm256_castsi256_si128(ay) : _mm256_extracti128_si256(ay, 1);
            const __m128i s8 = h == 0 ? _mm256_castsi256_si128(sign) : _mm256_extracti128_si256(sign, 1);
            const __m256i ax32 = _mm256_cvtepu16_epi32(ax8), ay32 = _mm256_cvtepu16_epi32(ay8);
            const __m256i m = _mm256_add_epi32(ax32, ay32);
            const __m256i keep = _mm256_cmpgt_epi32(m, lowv);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(mag + i + 8 * h), _mm256_and_si256(keep, m));
            codes[h] = _mm256_and_si256(keep, Directions(ax32, ay32, _mm256_cvtepi16_epi32(s8)));
        }
        // 32 -> 16 bits within each 128-bit lane, restore the order, 16 -> 8.
        const __m256i w16 = _mm256_permute4x64_epi64(_mm256_packs_epi32(codes[0], codes[1]), 0xD8);
        const __m256i w8 = _mm256_permute4x64_epi64(_mm256_packus_epi16(w16, w16), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dir + i), _mm256_castsi256_si128(w8));
    }
    Magnitude_plain(dx + i, dy + i, n - i, low, mag + i, dir + i);
}

Count Suppress_avx2(const std::int32_t* above, const std::int32_t* row, const std::int32_t* below, const U8* dir,
                    Count n, std::int32_t high, U8* dst, RowCol* seeds, RowCol rowStart) {
    const __m256i highv = _mm256_set1_epi32(high);
    const __m256i one = _mm256_set1_epi32(1), two = _mm256_set1_epi32(2), three = _mm256_set1_epi32(3);
    const __m256i edge = _mm256_set1_epi32(kEdge), candidate = _mm256_set1_epi32(kCandidate);
    const auto load = [](const std::int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); };
    Count pushed = 0;
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i m = load(row + i);
        const __m256i d = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dir + i)));
        const __m256i is1 = _mm256_cmpeq_epi32(d, one), is2 = _mm256_cmpeq_epi32(d, two);
        const __m256i is3 = _mm256_cmpeq_epi32(d, three);
        const __m256i before = _mm256_blendv_epi8(
            _mm256_blendv_epi8(_mm256_blendv_epi8(load(above + i + 1), load(above + i - 1), is2), load(above + i), is3),
            load(row + i - 1), is1);
        const __m256i after = _mm256_blendv_epi8(
            _mm256_blendv_epi8(_mm256_blendv_epi8(load(below + i - 1), load(below + i + 1), is2), load(below + i), is3),
            load(row + i + 1), is1);
        const __m256i survive = _mm256_and_si256(_mm256_cmpgt_epi32(m, after), _mm256_cmpgt_epi32(m, before));
        const __m256i seed = _mm256_and_si256(survive, _mm256_cmpgt_epi32(m, highv));
        const __m256i value = _mm256_blendv_epi8(_mm256_and_si256(survive, candidate), edge, seed);
        const __m128i w16 = _mm_packs_epi32(_mm256_castsi256_si128(value), _mm256_extracti128_si256(value, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(w16, w16));
        for (int bits = _mm256_movemask_ps(_mm256_castsi256_ps(seed)); bits != 0; bits &= bits - 1) {
            seeds[pushed++] = rowStart + static_cast<RowCol>(i + __builtin_ctz(static_cast<unsigned>(bits)));
        }
    }
    const Count tail = Suppress_plain(above + i, row + i, below + i, dir + i, n - i, high, dst + i, seeds + pushed, rowStart);
    for (Count k = pushed; k < pushed + tail; ++k) seeds[k] += static_cast<RowCol>(i);
    return pushed + tail;
}

}  // namespace

void InstallAvx2Kernels(Kernels& k) {
    k.magnitude = Magnitude_avx2;
    k.suppress = Suppress_avx2;
}

}  // namespace vtx::px::edge
