// SSE2 row kernels of the geometric family.
//
// The scaling kernels run the plain arithmetic on 16-bit lanes: both passes
// of the linear rule are sums of two products of a sample (at most 16320)
// and a 14-bit weight, which one multiply-add of signed 16-bit pairs forms
// exactly in 32 bits. Pixels left after the last whole group go to the plain
// kernels. Whole destination vectors are stored with the destination's own
// bytes 3 merged in, so byte 3 keeps its value.
#include <emmintrin.h>

#include <cstring>

#include "primitives/geometry_kernels.h"

namespace vtx::px::geometry {
namespace {

inline __m128i Load8(const U8* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline __m128i Load16(const void* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline std::int32_t Load32(const void* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline void StoreColour4(U8* d, __m128i v) {
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i merged = _mm_or_si128(_mm_andnot_si128(alpha, v), _mm_and_si128(alpha, Load16(d)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), merged);
}

void GatherAC4_sse2(const U8* row, const std::int32_t* col, U8* dst, Count n) {
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = _mm_setr_epi32(Load32(row + 4 * static_cast<std::ptrdiff_t>(col[i])),
                                         Load32(row + 4 * static_cast<std::ptrdiff_t>(col[i + 1])),
                                         Load32(row + 4 * static_cast<std::ptrdiff_t>(col[i + 2])),
                                         Load32(row + 4 * static_cast<std::ptrdiff_t>(col[i + 3])));
        StoreColour4(dst + 4 * i, v);
    }
    GatherAC4_plain(row, col + i, dst + 4 * i, n - i);
}

// Two destination columns per step: the pixel pair (k, k + 1) of each is
// interleaved channel by channel and multiplied with its weight pair.
void ResizeRowH_sse2(const U8* row, const std::int32_t* col, const std::int16_t* wts, std::int16_t* h, Count n) {
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(128);
    Count i = 0;
    for (; i + 2 <= n; i += 2) {
        const __m128i a = Load8(row + 4 * static_cast<std::ptrdiff_t>(col[i]));
        const __m128i b = Load8(row + 4 * static_cast<std::ptrdiff_t>(col[i + 1]));
        const __m128i ab = _mm_unpacklo_epi32(a, b);                    // a0 b0 a1 b1
        const __m128i x = _mm_unpacklo_epi8(ab, _mm_srli_si128(ab, 8));  // a0/a1 bytes, then b0/b1
        const __m128i wa = _mm_set1_epi32(Load32(wts + 2 * i)), wb = _mm_set1_epi32(Load32(wts + 2 * i + 2));
        const __m128i ra = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(x, zero), wa), round), 8);
        const __m128i rb = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi8(x, zero), wb), round), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4 * i), _mm_packs_epi32(ra, rb));
    }
    ResizeRowH_plain(row, col + i, wts + 2 * i, h + 4 * i, n - i);
}

void ResizeRowV_sse2(const std::int16_t* h0, const std::int16_t* h1, std::int32_t wy, U8* dst, Count n) {
    const __m128i w = _mm_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(wy) << 16) |
                                                      static_cast<std::uint32_t>(kOne - wy)));
    const __m128i round = _mm_set1_epi32(1 << 19);
    const auto pass = [&](__m128i p) { return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(p, w), round), 20); };
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i a0 = Load16(h0 + 4 * i), a1 = Load16(h0 + 4 * i + 8);
        const __m128i b0 = Load16(h1 + 4 * i), b1 = Load16(h1 + 4 * i + 8);
        const __m128i lo = _mm_packs_epi32(pass(_mm_unpacklo_epi16(a0, b0)), pass(_mm_unpackhi_epi16(a0, b0)));
        const __m128i hi = _mm_packs_epi32(pass(_mm_unpacklo_epi16(a1, b1)), pass(_mm_unpackhi_epi16(a1, b1)));
        StoreColour4(dst + 4 * i, _mm_packus_epi16(lo, hi));
    }
    ResizeRowV_plain(h0 + 4 * i, h1 + 4 * i, wy, dst + 4 * i, n - i);
}

}  // namespace

void InstallSse2Kernels(Kernels& k) {
    k.gatherAC4 = GatherAC4_sse2;
    k.resizeRowH = ResizeRowH_sse2;
    k.resizeRowV = ResizeRowV_sse2;
}

}  // namespace vtx::px::geometry
