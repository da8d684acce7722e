// SSE2 row kernels of the pixel family.
//
// Each kernel handles whole groups of four pixels (one 16-byte vector) and
// hands the remaining 0..3 pixels to the plain kernel, so tails are the plain
// bytes by construction. Loads cover only pixels of the row (a vector is
// loaded only when four whole pixels remain), so nothing past the last pixel
// is read. Byte 3 of an AC4 destination keeps its value: whole vectors are
// stored with the destination's own bytes 3 merged in.
// Parameters the fast paths do not cover (scale factors other than 0 for
// AddC/SubC and 7 for Sqr, composition types other than 0) go to the plain
// kernels.
#include <emmintrin.h>


#include "primitives/pixel_kernels.h"

namespace vtx::px::pixel {

namespace {

inline __m128i Load4(const U8* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Writes bytes 0..2 of each of the four pixels in v: the destination's 16
// bytes are read, their bytes 3 merged into v and all 16 written back, so a
// byte 3 is rewritten with the value it held (one read-modify-write instead
// of twelve byte stores). The destination may be one of the sources.
inline void StoreColour4(U8* d, __m128i v) {
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i old = Load4(d);
    const __m128i merged = _mm_or_si128(_mm_andnot_si128(alpha, v), _mm_and_si128(alpha, old));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), merged);
}

// value[0..2] in bytes 0..2 of each pixel, `fourth` in byte 3.
inline __m128i Broadcast(const U8 value[3], U8 fourth) {
    const std::uint32_t px = std::uint32_t{value[0]} | (std::uint32_t{value[1]} << 8) |
                             (std::uint32_t{value[2]} << 16) | (std::uint32_t{fourth} << 24);
    return _mm_set1_epi32(static_cast<int>(px));
}

void CopyAC4_sse2(const U8* src, U8* dst, Count n) {
    Count i = 0;
    for (; i + 4 <= n; i += 4) StoreColour4(dst + 4 * i, Load4(src + 4 * i));
    CopyAC4_plain(src + 4 * i, dst + 4 * i, n - i);
}

void SetAC4_sse2(const U8 value[3], U8* dst, Count n) {
    const __m128i v = Broadcast(value, 0);
    Count i = 0;
    for (; i + 4 <= n; i += 4) StoreColour4(dst + 4 * i, v);
    SetAC4_plain(value, dst + 4 * i, n - i);
}

void SetC4_sse2(const U8 value[4], U8* dst, Count n) {
    const __m128i v = Broadcast(value, value[3]);
    Count i = 0;
    for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), v);
    SetC4_plain(value, dst + 4 * i, n - i);
}

void AddC_sse2(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 0) {
        AddC_plain(value, srcDst, n, scaleFactor);
        return;
    }
    // Scale 0: min(255, v + value[c]) is the unsigned saturating byte add.
    const __m128i k = Broadcast(value, 0);
    Count i = 0;
    for (; i + 4 <= n; i += 4) StoreColour4(srcDst + 4 * i, _mm_adds_epu8(Load4(srcDst + 4 * i), k));
    AddC_plain(value, srcDst + 4 * i, n - i, 0);
}

void SubC_sse2(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 0) {
        SubC_plain(value, srcDst, n, scaleFactor);
        return;
    }
    // Scale 0: max(0, v − value[c]) is the unsigned saturating byte subtract.
    const __m128i k = Broadcast(value, 0);
    Count i = 0;
    for (; i + 4 <= n; i += 4) StoreColour4(srcDst + 4 * i, _mm_subs_epu8(Load4(srcDst + 4 * i), k));
    SubC_plain(value, srcDst + 4 * i, n - i, 0);
}

void Sqr_sse2(const U8* src, U8* dst, U8* tmp, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 7) {
        Sqr_plain(src, dst, tmp, n, scaleFactor);
        return;
    }
    // Scale 7: min(255, (v² + 63) >> 7). v² + 63 ≤ 65088 fits an unsigned
    // 16-bit lane; the pack saturates the quotients (≤ 508) to 255. The
    // scratch row is not needed.
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi16(63);
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = Load4(src + 4 * i);
        const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
        const __m128i qlo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(lo, lo), round), 7);
        const __m128i qhi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(hi, hi), round), 7);
        StoreColour4(dst + 4 * i, _mm_packus_epi16(qlo, qhi));
    }
    Sqr_plain(src + 4 * i, dst + 4 * i, tmp, n - i, 7);
}

void SumRow_sse2(const U8* src, Count n, std::uint32_t sums[3]) {
    // Sums of absolute differences against zero add the bytes of each 8-byte
    // half; masking first keeps one channel. The 64-bit lanes hold the exact
    // row sums, reduced modulo 2^32 like the plain 32-bit sums.
    const __m128i zero = _mm_setzero_si128();
    const __m128i m0 = _mm_set1_epi32(0x000000FF), m1 = _mm_set1_epi32(0x0000FF00), m2 = _mm_set1_epi32(0x00FF0000);
    __m128i a0 = zero, a1 = zero, a2 = zero;
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = Load4(src + 4 * i);
        a0 = _mm_add_epi64(a0, _mm_sad_epu8(_mm_and_si128(v, m0), zero));
        a1 = _mm_add_epi64(a1, _mm_sad_epu8(_mm_and_si128(v, m1), zero));
        a2 = _mm_add_epi64(a2, _mm_sad_epu8(_mm_and_si128(v, m2), zero));
    }
    const auto total = [](__m128i a) {
        const __m128i s = _mm_add_epi64(a, _mm_srli_si128(a, 8));
        return static_cast<std::uint32_t>(_mm_cvtsi128_si32(s));  // low 32 bits
    };
    sums[0] += total(a0);
    sums[1] += total(a1);
    sums[2] += total(a2);
    SumRow_plain(src + 4 * i, n - i, sums);
}

void MinRow_sse2(const U8* src, Count n, U8 min[3]) {
    // Byte 3 of every lane starts and stays at 255, so it never lowers a
    // channel's minimum when the lanes are folded.
    __m128i m = _mm_set1_epi32(static_cast<int>(0xFF000000u | std::uint32_t{min[0]} | (std::uint32_t{min[1]} << 8) |
                                                (std::uint32_t{min[2]} << 16)));
    const __m128i alphaHigh = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    Count i = 0;
    for (; i + 4 <= n; i += 4) m = _mm_min_epu8(m, _mm_or_si128(Load4(src + 4 * i), alphaHigh));
    m = _mm_min_epu8(m, _mm_srli_si128(m, 8));
    m = _mm_min_epu8(m, _mm_srli_si128(m, 4));
    const std::uint32_t px = static_cast<std::uint32_t>(_mm_cvtsi128_si32(m));
    min[0] = static_cast<U8>(px);
    min[1] = static_cast<U8>(px >> 8);
    min[2] = static_cast<U8>(px >> 16);
    MinRow_plain(src + 4 * i, n - i, min);
}

// d(x) = (x + (x >> 8) + 1) >> 8 on 16-bit lanes holding products of two
// bytes (x ≤ 65025, so the sum stays below 65536).
inline __m128i Div255(__m128i x) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), _mm_set1_epi16(1)), 8);
}

// t1 + d((255 − α1)·d(s2·α2)) with t1 = d(s1·α1), on 16-bit lanes.
inline __m128i Over16(__m128i s1, __m128i s2, __m128i a1, __m128i a2, __m128i inv1) {
    const __m128i t1 = Div255(_mm_mullo_epi16(s1, a1));
    const __m128i t2 = Div255(_mm_mullo_epi16(s2, a2));
    return _mm_add_epi16(t1, Div255(_mm_mullo_epi16(inv1, t2)));
}

void AlphaComp_sse2(const U8* src1, U8 alpha1, const U8* src2, U8 alpha2, U8* dst, Count n,
                    std::int32_t alphaType) {
    if (alphaType != 0) {
        AlphaComp_plain(src1, alpha1, src2, alpha2, dst, n, alphaType);
        return;
    }
    // Both sources of a group are loaded before its stores, so the
    // destination may be either source. The sum never exceeds 255.
    const __m128i zero = _mm_setzero_si128();
    const __m128i a1 = _mm_set1_epi16(alpha1), a2 = _mm_set1_epi16(alpha2);
    const __m128i inv1 = _mm_set1_epi16(static_cast<short>(255 - alpha1));
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v1 = Load4(src1 + 4 * i), v2 = Load4(src2 + 4 * i);
        const __m128i lo = Over16(_mm_unpacklo_epi8(v1, zero), _mm_unpacklo_epi8(v2, zero), a1, a2, inv1);
        const __m128i hi = Over16(_mm_unpackhi_epi8(v1, zero), _mm_unpackhi_epi8(v2, zero), a1, a2, inv1);
        StoreColour4(dst + 4 * i, _mm_packus_epi16(lo, hi));
    }
    AlphaComp_plain(src1 + 4 * i, alpha1, src2 + 4 * i, alpha2, dst + 4 * i, n - i, 0);
}

}  // namespace

void InstallSse2Kernels(Kernels& k) {
    k.copyAC4 = CopyAC4_sse2;
    k.setAC4 = SetAC4_sse2;
    k.setC4 = SetC4_sse2;
    k.addC = AddC_sse2;
    k.subC = SubC_sse2;
    k.sqr = Sqr_sse2;
    k.sumRow = SumRow_sse2;
    k.minRow = MinRow_sse2;
    k.alphaComp = AlphaComp_sse2;
}

}  // namespace vtx::px::pixel
