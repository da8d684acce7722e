// SSE2 row kernels of the Canny detector. Magnitudes and the direction tests
// run in 32-bit integer lanes with the exact integer form of the tests (see
// edge_kernels.h); suppression selects the neighbour pair of each lane by
// its direction code. The pixels after the last whole vector go to the plain
// kernels.
#include <emmintrin.h>

#include <cstring>

#include "primitives/edge_kernels.h"

namespace vtx::px::edge {

namespace {

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// 32-bit products of the unsigned 16-bit lanes of v with c: low and high four.
inline void Mul16(__m128i v, __m128i c, __m128i& lo, __m128i& hi) {
    const __m128i pl = _mm_mullo_epi16(v, c), ph = _mm_mulhi_epu16(v, c);
    lo = _mm_unpacklo_epi16(pl, ph);
    hi = _mm_unpackhi_epi16(pl, ph);
}

// Direction codes of four lanes (before the gate).
inline __m128i Directions(__m128i ax, __m128i ay, __m128i a, __m128i b, __m128i sign) {
    const __m128i bh = _mm_srli_epi32(b, 16);
    const __m128i bz = _mm_cmpeq_epi32(_mm_and_si128(b, _mm_set1_epi32(0xFFFF)), _mm_setzero_si128());
    const __m128i r3 = _mm_add_epi32(a, bh);
    const __m128i r1 = _mm_add_epi32(_mm_add_epi32(r3, _mm_set1_epi32(1)), bz);
    const __m128i is1 = _mm_cmpgt_epi32(r1, _mm_slli_epi32(ay, 8));
    const __m128i is3 = _mm_cmpgt_epi32(_mm_slli_epi32(_mm_sub_epi32(ay, _mm_add_epi32(ax, ax)), 8), r3);
    const __m128i diag = _mm_add_epi32(_mm_set1_epi32(2), _mm_and_si128(sign, _mm_set1_epi32(2)));
    return Select(is3, _mm_set1_epi32(3), Select(is1, _mm_set1_epi32(1), diag));
}

void Magnitude_sse2(const S16* dx, const S16* dy, Count n, std::int32_t low, std::int32_t* mag, U8* dir) {
    const __m128i zero = _mm_setzero_si128(), lowv = _mm_set1_epi32(low);
    const __m128i cHigh = _mm_set1_epi16(kTanHigh), cLow = _mm_set1_epi16(kTanLow);
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dx + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dy + i));
        // |v| as an unsigned 16-bit lane (−32768 gives 0x8000 = 32768).
        const __m128i ax = _mm_max_epi16(x, _mm_sub_epi16(zero, x));
        const __m128i ay = _mm_max_epi16(y, _mm_sub_epi16(zero, y));
        const __m128i sign = _mm_srai_epi16(_mm_xor_si128(x, y), 15);
        __m128i aLo, aHi, bLo, bHi;
        Mul16(ax, cHigh, aLo, aHi);
        Mul16(ax, cLow, bLo, bHi);
        const __m128i axLo = _mm_unpacklo_epi16(ax, zero), axHi = _mm_unpackhi_epi16(ax, zero);
        const __m128i ayLo = _mm_unpacklo_epi16(ay, zero), ayHi = _mm_unpackhi_epi16(ay, zero);
        const __m128i mLo = _mm_add_epi32(axLo, ayLo), mHi = _mm_add_epi32(axHi, ayHi);
        const __m128i keepLo = _mm_cmpgt_epi32(mLo, lowv), keepHi = _mm_cmpgt_epi32(mHi, lowv);
        const __m128i dLo = _mm_and_si128(keepLo, Directions(axLo, ayLo, aLo, bLo, _mm_unpacklo_epi16(sign, sign)));
        const __m128i dHi = _mm_and_si128(keepHi, Directions(axHi, ayHi, aHi, bHi, _mm_unpackhi_epi16(sign, sign)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mag + i), _mm_and_si128(keepLo, mLo));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mag + i + 4), _mm_and_si128(keepHi, mHi));
        const __m128i codes = _mm_packus_epi16(_mm_packs_epi32(dLo, dHi), zero);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dir + i), codes);
    }
    Magnitude_plain(dx + i, dy + i, n - i, low, mag + i, dir + i);
}

Count Suppress_sse2(const std::int32_t* above, const std::int32_t* row, const std::int32_t* below, const U8* dir,
                    Count n, std::int32_t high, U8* dst, RowCol* seeds, RowCol rowStart) {
    const __m128i zero = _mm_setzero_si128(), highv = _mm_set1_epi32(high);
    const __m128i one = _mm_set1_epi32(1), two = _mm_set1_epi32(2), three = _mm_set1_epi32(3);
    const __m128i edge = _mm_set1_epi32(kEdge), candidate = _mm_set1_epi32(kCandidate);
    const auto load = [](const std::int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    Count pushed = 0;
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i m = load(row + i);
        std::int32_t packed;
        std::memcpy(&packed, dir + i, 4);
        const __m128i d = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(packed), zero), zero);
        const __m128i is1 = _mm_cmpeq_epi32(d, one), is2 = _mm_cmpeq_epi32(d, two), is3 = _mm_cmpeq_epi32(d, three);
        const __m128i before =
            Select(is1, load(row + i - 1), Select(is3, load(above + i), Select(is2, load(above + i - 1), load(above + i + 1))));
        const __m128i after =
            Select(is1, load(row + i + 1), Select(is3, load(below + i), Select(is2, load(below + i + 1), load(below + i - 1))));
        const __m128i survive = _mm_and_si128(_mm_cmpgt_epi32(m, after), _mm_cmpgt_epi32(m, before));
        const __m128i seed = _mm_and_si128(survive, _mm_cmpgt_epi32(m, highv));
        const __m128i value = Select(seed, edge, _mm_and_si128(survive, candidate));
        const std::int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(value, value), zero));
        std::memcpy(dst + i, &bytes, 4);
        for (int bits = _mm_movemask_ps(_mm_castsi128_ps(seed)); bits != 0; bits &= bits - 1) {
            seeds[pushed++] = rowStart + static_cast<RowCol>(i + __builtin_ctz(static_cast<unsigned>(bits)));
        }
    }
    const Count tail = Suppress_plain(above + i, row + i, below + i, dir + i, n - i, high, dst + i, seeds + pushed, rowStart);
    for (Count k = pushed; k < pushed + tail; ++k) seeds[k] += static_cast<RowCol>(i);
    return pushed + tail;
}

}  // namespace

void InstallSse2Kernels(Kernels& k) {
    k.magnitude = Magnitude_sse2;
    k.suppress = Suppress_sse2;
}

}  // namespace vtx::px::edge
