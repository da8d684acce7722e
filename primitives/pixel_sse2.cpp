// SSE2 row kernels of the pixel family.
//
// Each kernel handles whole groups of four pixels (one 16-byte vector) and
// hands the remaining 0..3 pixels to the plain kernel, so tails are the plain
// bytes by construction. Loads cover only pixels of the row (a vector is
// loaded only when four whole pixels remain), so nothing past the last pixel
// is read. Byte 3 of an AC4 destination keeps its value: whole vectors are
// stored with the destination's own bytes 3 merged in.
// Parameters the fast paths do not cover (scale factors other than 0 for
// AddC/SubC, 1 for Add and 7 for Sqr, composition types other than 0, grey
// weights beyond 16 signed bits) go to the plain kernels.
#include <emmintrin.h>

#include <cstring>

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

// t1 + d((255 − α1)·d(s2·α2)) with t1 = d(s1·α1), on 16-bit lanes. With
// α2 = 255 the second product is skipped: d(255·v) = v.
inline __m128i Over16(__m128i s1, __m128i s2, __m128i a1, __m128i a2, __m128i inv1, bool opaque2) {
    const __m128i t1 = Div255(_mm_mullo_epi16(s1, a1));
    const __m128i t2 = opaque2 ? s2 : Div255(_mm_mullo_epi16(s2, a2));
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
        const __m128i lo = Over16(_mm_unpacklo_epi8(v1, zero), _mm_unpacklo_epi8(v2, zero), a1, a2, inv1, alpha2 == 255);
        const __m128i hi = Over16(_mm_unpackhi_epi8(v1, zero), _mm_unpackhi_epi8(v2, zero), a1, a2, inv1, alpha2 == 255);
        StoreColour4(dst + 4 * i, _mm_packus_epi16(lo, hi));
    }
    AlphaComp_plain(src1 + 4 * i, alpha1, src2 + 4 * i, alpha2, dst + 4 * i, n - i, 0);
}

void AddSubC_sse2(const U8 add[3], const U8 sub[3], U8* srcDst, Count n) {
    const __m128i a = Broadcast(add, 0), b = Broadcast(sub, 0);
    Count i = 0;
    for (; i + 4 <= n; i += 4) StoreColour4(srcDst + 4 * i, _mm_subs_epu8(_mm_adds_epu8(Load4(srcDst + 4 * i), a), b));
    AddSubC_plain(add, sub, srcDst + 4 * i, n - i);
}

void CopyP4C4_sse2(const U8* p0, const U8* p1, const U8* p2, const U8* p3, U8* dst, Count n) {
    // Byte pairs of planes 0, 1 and of planes 2, 3, then pairs of pairs.
    Count i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v0 = Load4(p0 + i), v1 = Load4(p1 + i), v2 = Load4(p2 + i), v3 = Load4(p3 + i);
        const __m128i lo01 = _mm_unpacklo_epi8(v0, v1), hi01 = _mm_unpackhi_epi8(v0, v1);
        const __m128i lo23 = _mm_unpacklo_epi8(v2, v3), hi23 = _mm_unpackhi_epi8(v2, v3);
        __m128i* d = reinterpret_cast<__m128i*>(dst + 4 * i);
        _mm_storeu_si128(d, _mm_unpacklo_epi16(lo01, lo23));
        _mm_storeu_si128(d + 1, _mm_unpackhi_epi16(lo01, lo23));
        _mm_storeu_si128(d + 2, _mm_unpacklo_epi16(hi01, hi23));
        _mm_storeu_si128(d + 3, _mm_unpackhi_epi16(hi01, hi23));
    }
    CopyP4C4_plain(p0 + i, p1 + i, p2 + i, p3 + i, dst + 4 * i, n - i);
}

void Add_sse2(const U8* src1, const U8* src2, U8* dst, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 1) {
        Add_plain(src1, src2, dst, n, scaleFactor);
        return;
    }
    // Scale 1: s = a + b halved with ties to even. pavgb gives (s + 1) >> 1,
    // one too many exactly when s is odd and that rounded-up mean is odd.
    const __m128i one = _mm_set1_epi8(1);
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i a = Load4(src1 + 4 * i), b = Load4(src2 + 4 * i);
        const __m128i avg = _mm_avg_epu8(a, b);
        StoreColour4(dst + 4 * i, _mm_sub_epi8(avg, _mm_and_si128(_mm_and_si128(_mm_xor_si128(a, b), avg), one)));
    }
    Add_plain(src1 + 4 * i, src2 + 4 * i, dst + 4 * i, n - i, 1);
}

void Convert8u16sC1_sse2(const U8* src, U8* dst, Count n) {
    const __m128i zero = _mm_setzero_si128();
    Count i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = Load4(src + i);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i + 16), _mm_unpackhi_epi8(v, zero));
    }
    Convert8u16sC1_plain(src + i, dst + 2 * i, n - i);
}

// Writes two 8-byte pixels of 16-bit samples, the destination's fourth
// sample of each merged back.
inline void StoreSamples2(U8* d, __m128i v) {
    const __m128i fourth = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    const __m128i merged = _mm_or_si128(_mm_andnot_si128(fourth, v), _mm_and_si128(fourth, Load4(d)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), merged);
}

void Convert8u16sAC4_sse2(const U8* src, U8* dst, Count n) {
    const __m128i zero = _mm_setzero_si128();
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = Load4(src + 4 * i);
        StoreSamples2(dst + 8 * i, _mm_unpacklo_epi8(v, zero));
        StoreSamples2(dst + 8 * i + 16, _mm_unpackhi_epi8(v, zero));
    }
    Convert8u16sAC4_plain(src + 4 * i, dst + 8 * i, n - i);
}

// packus saturates signed 16-bit samples to 0..255, the plain clamp.
void Convert16s8uC1_sse2(const U8* src, U8* dst, Count n) {
    Count i = 0;
    for (; i + 16 <= n; i += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_packus_epi16(Load4(src + 2 * i), Load4(src + 2 * i + 16)));
    }
    Convert16s8uC1_plain(src + 2 * i, dst + i, n - i);
}

void Convert16s8uAC4_sse2(const U8* src, U8* dst, Count n) {
    Count i = 0;
    for (; i + 4 <= n; i += 4) StoreColour4(dst + 4 * i, _mm_packus_epi16(Load4(src + 8 * i), Load4(src + 8 * i + 16)));
    Convert16s8uAC4_plain(src + 8 * i, dst + 4 * i, n - i);
}

void Threshold_sse2(U8* srcDst, Count n, float thresholdLT, float valueLT, float thresholdGT, float valueGT) {
    // Lanes below thresholdLT take valueLT; of the others, those above
    // thresholdGT take valueGT. Comparisons with NaN are false, as in the
    // plain kernel.
    const __m128 tLT = _mm_set1_ps(thresholdLT), vLT = _mm_set1_ps(valueLT);
    const __m128 tGT = _mm_set1_ps(thresholdGT), vGT = _mm_set1_ps(valueGT);
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        float* p = reinterpret_cast<float*>(srcDst + 4 * i);
        const __m128 v = _mm_loadu_ps(p);
        const __m128 lt = _mm_cmplt_ps(v, tLT);
        const __m128 gt = _mm_andnot_ps(lt, _mm_cmpgt_ps(v, tGT));
        const __m128 r = _mm_or_ps(_mm_andnot_ps(_mm_or_ps(lt, gt), v), _mm_or_ps(_mm_and_ps(lt, vLT), _mm_and_ps(gt, vGT)));
        _mm_storeu_ps(p, r);
    }
    Threshold_plain(srcDst + 4 * i, n - i, thresholdLT, valueLT, thresholdGT, valueGT);
}

// True when every weight, read as a signed 32-bit value, fits 16 signed bits:
// then 16-bit multiply-adds give each product exactly and the 32-bit sum
// wraps like the plain unsigned one.
inline bool ShortWeights(const std::uint32_t w[3]) {
    for (int c = 0; c < 3; ++c) {
        const auto v = static_cast<std::int32_t>(w[c]);
        if (v < -32768 || v > 32767) return false;
    }
    return true;
}

void ColorToGray_sse2(const U8* src, U8* dst, Count n, const std::uint32_t weights[3]) {
    if (!ShortWeights(weights)) {
        ColorToGray_plain(src, dst, n, weights);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i w = _mm_set_epi16(0, static_cast<short>(weights[2]), static_cast<short>(weights[1]),
                                    static_cast<short>(weights[0]), 0, static_cast<short>(weights[2]),
                                    static_cast<short>(weights[1]), static_cast<short>(weights[0]));
    const __m128i low = _mm_set1_epi32(0xFF);
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = Load4(src + 4 * i);
        // Per pixel two 32-bit partial sums (b0·w0 + b1·w1, b2·w2); the
        // shuffles bring each pixel's pair together.
        const __m128 lo = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), w));
        const __m128 hi = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpackhi_epi8(v, zero), w));
        const __m128i sum = _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0))),
                                          _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))));
        const __m128i g = _mm_and_si128(_mm_srli_epi32(sum, 12), low);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(g, zero), zero);
        const std::uint32_t four = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
        std::memcpy(dst + i, &four, 4);
    }
    ColorToGray_plain(src + 4 * i, dst + i, n - i, weights);
}

void SwapChannels_sse2(const U8* src, U8* dst, Count n, const std::int32_t order[3]) {
    // Destination byte c = source byte order[c]: each channel shifted into
    // place within its 32-bit pixel and masked.
    __m128i right[3], left[3], mask[3];
    for (int c = 0; c < 3; ++c) {
        const int from = order[c] & 3;
        right[c] = _mm_cvtsi32_si128(8 * (from > c ? from - c : 0));
        left[c] = _mm_cvtsi32_si128(8 * (c > from ? c - from : 0));
        mask[c] = _mm_set1_epi32(0xFF << (8 * c));
    }
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = Load4(src + 4 * i);
        __m128i r = _mm_setzero_si128();
        for (int c = 0; c < 3; ++c) r = _mm_or_si128(r, _mm_and_si128(_mm_sll_epi32(_mm_srl_epi32(v, right[c]), left[c]), mask[c]));
        StoreColour4(dst + 4 * i, r);
    }
    SwapChannels_plain(src + 4 * i, dst + 4 * i, n - i, order);
}

// ---------------------------------------------------------------------------
// Colour-space kernels: two doubles or four floats per vector.

using D = __m128d;
using MD = __m128d;
using F = __m128;
using MF = __m128;
constexpr Count kD = 2, kF = 4;

inline D SetD(double v) { return _mm_set1_pd(v); }
inline F SetF(float v) { return _mm_set1_ps(v); }
inline D Add(D a, D b) { return _mm_add_pd(a, b); }
inline D Sub(D a, D b) { return _mm_sub_pd(a, b); }
inline D Mul(D a, D b) { return _mm_mul_pd(a, b); }
inline D Div(D a, D b) { return _mm_div_pd(a, b); }
inline D Min(D a, D b) { return _mm_min_pd(a, b); }
inline D Max(D a, D b) { return _mm_max_pd(a, b); }
inline MD Lt(D a, D b) { return _mm_cmplt_pd(a, b); }
inline MD Le(D a, D b) { return _mm_cmple_pd(a, b); }
inline MD Gt(D a, D b) { return _mm_cmpgt_pd(a, b); }
inline MD Eq(D a, D b) { return _mm_cmpeq_pd(a, b); }
inline D Sel(MD m, D a, D b) { return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b)); }
inline F Add(F a, F b) { return _mm_add_ps(a, b); }
inline F Sub(F a, F b) { return _mm_sub_ps(a, b); }
inline F Mul(F a, F b) { return _mm_mul_ps(a, b); }
inline F Div(F a, F b) { return _mm_div_ps(a, b); }
inline F Abs(F a) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), a); }
inline MF Lt(F a, F b) { return _mm_cmplt_ps(a, b); }
inline MF Gt(F a, F b) { return _mm_cmpgt_ps(a, b); }
inline F Sel(MF m, F a, F b) { return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b)); }
inline MF MAnd(MF a, MF b) { return _mm_and_ps(a, b); }
inline MF MAndNot(MF a, MF b) { return _mm_andnot_ps(b, a); }

inline __m128i Channel(__m128i v, int c) { return _mm_and_si128(_mm_srli_epi32(v, 8 * c), _mm_set1_epi32(0xFF)); }

inline void LoadBgrD(const U8* p, D& b0, D& b1, D& b2) {
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    b0 = _mm_cvtepi32_pd(Channel(v, 0));
    b1 = _mm_cvtepi32_pd(Channel(v, 1));
    b2 = _mm_cvtepi32_pd(Channel(v, 2));
}

inline void LoadBgrF(const U8* p, F& b0, F& b1, F& b2) {
    const __m128i v = Load4(p);
    b0 = _mm_cvtepi32_ps(Channel(v, 0));
    b1 = _mm_cvtepi32_ps(Channel(v, 1));
    b2 = _mm_cvtepi32_ps(Channel(v, 2));
}

inline void Halves(F f, D& lo, D& hi) {
    lo = _mm_cvtps_pd(f);
    hi = _mm_cvtps_pd(_mm_movehl_ps(f, f));
}

inline F Narrow(D lo, D hi) { return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi)); }

using Idx = __m128i;

inline Idx ToIndex(D v) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = _mm_packus_epi16(_mm_packs_epi32(_mm_cvttpd_epi32(v), zero), zero);
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(b, zero), zero);
}

inline D GatherD(const std::int32_t* t, Idx i) {
    return _mm_cvtepi32_pd(_mm_set_epi32(0, 0, t[_mm_cvtsi128_si32(_mm_srli_si128(i, 4))], t[_mm_cvtsi128_si32(i)]));
}

inline void StoreByteD(U8* p, D v) {
    const __m128i b = _mm_packus_epi16(_mm_packs_epi32(_mm_cvttpd_epi32(v), _mm_setzero_si128()), _mm_setzero_si128());
    const auto two = static_cast<std::uint16_t>(_mm_cvtsi128_si32(b));
    std::memcpy(p, &two, 2);
}

inline void StoreBgrD(U8* p, D c0, D c1, D c2, bool keepNonzeroAlpha) {
    // Truncated to 32 bits, saturated through 16 to 8 bits, and interleaved
    // back to pixels: bytes c0, c2, c1 of the two pixels, then pairs, then
    // the three channels of each pixel side by side.
    const __m128i b = _mm_packus_epi16(_mm_packs_epi32(_mm_unpacklo_epi64(_mm_cvttpd_epi32(c0), _mm_cvttpd_epi32(c2)),
                                                       _mm_cvttpd_epi32(c1)),
                                       _mm_setzero_si128());
    // b: c0[0] c0[1] c2[0] c2[1] c1[0] c1[1] 0 0 in bytes 0..7.
    const __m128i pairs = _mm_unpacklo_epi8(b, _mm_srli_si128(b, 4));  // c0 c1 | c0 c1 | c2 0 | c2 0
    const __m128i px = _mm_unpacklo_epi16(pairs, _mm_srli_si128(pairs, 4));
    const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    __m128i keep = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    if (keepNonzeroAlpha) {
        const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(old, keep), _mm_setzero_si128());
        keep = _mm_or_si128(keep, _mm_andnot_si128(transparent, _mm_set1_epi32(-1)));
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_or_si128(_mm_andnot_si128(keep, px), _mm_and_si128(keep, old)));
}

#include "primitives/pixel_colour_simd.h"

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
    k.add = Add_sse2;
    k.convert8u16sC1 = Convert8u16sC1_sse2;
    k.convert8u16sAC4 = Convert8u16sAC4_sse2;
    k.convert16s8uC1 = Convert16s8uC1_sse2;
    k.convert16s8uAC4 = Convert16s8uAC4_sse2;
    k.threshold = Threshold_sse2;
    k.colorToGray = ColorToGray_sse2;
    k.swapChannels = SwapChannels_sse2;
    k.bgrToHls = BgrToHls_simd;
    k.hlsToRgb = HlsToRgb_simd;
    k.rotateHue = RotateHue_simd;
    k.addSubC = AddSubC_sse2;
    k.copyP4C4 = CopyP4C4_sse2;
    k.lightness = Lightness_simd;
    k.colorize = Colorize_simd;
}

}  // namespace vtx::px::pixel
