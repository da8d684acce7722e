// AVX2 row kernels of the pixel family.
//
// Each kernel handles whole groups of eight pixels (one 32-byte vector; the
// colour-space kernels four pixels in doubles or eight in floats) and hands
// the remaining pixels to the plain kernel, so tails are the plain bytes by
// construction and nothing past the row's last pixel is read (the tabled
// colorize, which has no plain counterpart, finishes its row through the same
// tables one pixel at a time). Byte 3 of an
// AC4 destination keeps its value: whole vectors are stored with the
// destination's own bytes 3 merged in, as in the SSE2 kernels. Parameters
// the fast paths do not cover go to the plain kernels.
#include <immintrin.h>

#include <cstring>

#include "primitives/pixel_kernels.h"

namespace vtx::px::pixel {

namespace {

inline __m256i Load8(const U8* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline __m128i Load4(const U8* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store8(U8* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

inline __m256i AlphaBytes() { return _mm256_set1_epi32(static_cast<int>(0xFF000000u)); }

// Bytes 0..2 of eight pixels from v, byte 3 from the destination.
inline void StoreColour8(U8* d, __m256i v) { Store8(d, _mm256_blendv_epi8(v, Load8(d), AlphaBytes())); }

inline __m256i Broadcast(const U8 value[3], U8 fourth) {
    const std::uint32_t px = std::uint32_t{value[0]} | (std::uint32_t{value[1]} << 8) |
                             (std::uint32_t{value[2]} << 16) | (std::uint32_t{fourth} << 24);
    return _mm256_set1_epi32(static_cast<int>(px));
}

void CopyAC4_avx2(const U8* src, U8* dst, Count n) {
    Count i = 0;
    for (; i + 8 <= n; i += 8) StoreColour8(dst + 4 * i, Load8(src + 4 * i));
    CopyAC4_plain(src + 4 * i, dst + 4 * i, n - i);
}

void SetAC4_avx2(const U8 value[3], U8* dst, Count n) {
    const __m256i v = Broadcast(value, 0);
    Count i = 0;
    for (; i + 8 <= n; i += 8) StoreColour8(dst + 4 * i, v);
    SetAC4_plain(value, dst + 4 * i, n - i);
}

void SetC4_avx2(const U8 value[4], U8* dst, Count n) {
    const __m256i v = Broadcast(value, value[3]);
    Count i = 0;
    for (; i + 8 <= n; i += 8) Store8(dst + 4 * i, v);
    SetC4_plain(value, dst + 4 * i, n - i);
}

void CopyP4C4_avx2(const U8* p0, const U8* p1, const U8* p2, const U8* p3, U8* dst, Count n) {
    // Byte pairs of planes 0, 1 and 2, 3, then pairs of pairs; the unpacks
    // work within 128-bit halves, so the halves are put back in order last.
    Count i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v0 = Load8(p0 + i), v1 = Load8(p1 + i), v2 = Load8(p2 + i), v3 = Load8(p3 + i);
        const __m256i lo01 = _mm256_unpacklo_epi8(v0, v1), hi01 = _mm256_unpackhi_epi8(v0, v1);
        const __m256i lo23 = _mm256_unpacklo_epi8(v2, v3), hi23 = _mm256_unpackhi_epi8(v2, v3);
        const __m256i a = _mm256_unpacklo_epi16(lo01, lo23), b = _mm256_unpackhi_epi16(lo01, lo23);  // 0-3|16-19, 4-7|20-23
        const __m256i c = _mm256_unpacklo_epi16(hi01, hi23), d = _mm256_unpackhi_epi16(hi01, hi23);  // 8-11|24-27, 12-15|28-31
        U8* out = dst + 4 * i;
        Store8(out, _mm256_permute2x128_si256(a, b, 0x20));
        Store8(out + 32, _mm256_permute2x128_si256(c, d, 0x20));
        Store8(out + 64, _mm256_permute2x128_si256(a, b, 0x31));
        Store8(out + 96, _mm256_permute2x128_si256(c, d, 0x31));
    }
    CopyP4C4_plain(p0 + i, p1 + i, p2 + i, p3 + i, dst + 4 * i, n - i);
}

void AddC_avx2(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 0) return AddC_plain(value, srcDst, n, scaleFactor);
    const __m256i k = Broadcast(value, 0);
    Count i = 0;
    for (; i + 8 <= n; i += 8) StoreColour8(srcDst + 4 * i, _mm256_adds_epu8(Load8(srcDst + 4 * i), k));
    AddC_plain(value, srcDst + 4 * i, n - i, 0);
}

void SubC_avx2(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 0) return SubC_plain(value, srcDst, n, scaleFactor);
    const __m256i k = Broadcast(value, 0);
    Count i = 0;
    for (; i + 8 <= n; i += 8) StoreColour8(srcDst + 4 * i, _mm256_subs_epu8(Load8(srcDst + 4 * i), k));
    SubC_plain(value, srcDst + 4 * i, n - i, 0);
}

void AddSubC_avx2(const U8 add[3], const U8 sub[3], U8* srcDst, Count n) {
    const __m256i a = Broadcast(add, 0), b = Broadcast(sub, 0);
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        StoreColour8(srcDst + 4 * i, _mm256_subs_epu8(_mm256_adds_epu8(Load8(srcDst + 4 * i), a), b));
    }
    AddSubC_plain(add, sub, srcDst + 4 * i, n - i);
}

void Add_avx2(const U8* src1, const U8* src2, U8* dst, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 1) return Add_plain(src1, src2, dst, n, scaleFactor);
    // The mean rounded half to even: pavgb's rounded-up mean, less one where
    // the sum is odd and that mean is odd.
    const __m256i one = _mm256_set1_epi8(1);
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i a = Load8(src1 + 4 * i), b = Load8(src2 + 4 * i);
        const __m256i avg = _mm256_avg_epu8(a, b);
        StoreColour8(dst + 4 * i,
                     _mm256_sub_epi8(avg, _mm256_and_si256(_mm256_and_si256(_mm256_xor_si256(a, b), avg), one)));
    }
    Add_plain(src1 + 4 * i, src2 + 4 * i, dst + 4 * i, n - i, 1);
}

void Sqr_avx2(const U8* src, U8* dst, U8* tmp, Count n, std::int32_t scaleFactor) {
    if (scaleFactor != 7) return Sqr_plain(src, dst, tmp, n, scaleFactor);
    // min(255, (v² + 63) >> 7) in unsigned 16-bit lanes; unpack and pack
    // both work within 128-bit halves, so the pixel order comes back.
    const __m256i zero = _mm256_setzero_si256(), round = _mm256_set1_epi16(63);
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i v = Load8(src + 4 * i);
        const __m256i lo = _mm256_unpacklo_epi8(v, zero), hi = _mm256_unpackhi_epi8(v, zero);
        const __m256i qlo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(lo, lo), round), 7);
        const __m256i qhi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(hi, hi), round), 7);
        StoreColour8(dst + 4 * i, _mm256_packus_epi16(qlo, qhi));
    }
    Sqr_plain(src + 4 * i, dst + 4 * i, tmp, n - i, 7);
}

void SumRow_avx2(const U8* src, Count n, std::uint32_t sums[3]) {
    // Sums of absolute differences against zero of each masked channel; the
    // 64-bit lanes hold exact sums, reduced modulo 2^32 at the end.
    const __m256i zero = _mm256_setzero_si256();
    const __m256i m0 = _mm256_set1_epi32(0x000000FF), m1 = _mm256_set1_epi32(0x0000FF00);
    const __m256i m2 = _mm256_set1_epi32(0x00FF0000);
    __m256i a0 = zero, a1 = zero, a2 = zero;
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i v = Load8(src + 4 * i);
        a0 = _mm256_add_epi64(a0, _mm256_sad_epu8(_mm256_and_si256(v, m0), zero));
        a1 = _mm256_add_epi64(a1, _mm256_sad_epu8(_mm256_and_si256(v, m1), zero));
        a2 = _mm256_add_epi64(a2, _mm256_sad_epu8(_mm256_and_si256(v, m2), zero));
    }
    const auto total = [](__m256i a) {
        __m128i s = _mm_add_epi64(_mm256_castsi256_si128(a), _mm256_extracti128_si256(a, 1));
        s = _mm_add_epi64(s, _mm_srli_si128(s, 8));
        return static_cast<std::uint32_t>(_mm_cvtsi128_si32(s));
    };
    sums[0] += total(a0);
    sums[1] += total(a1);
    sums[2] += total(a2);
    SumRow_plain(src + 4 * i, n - i, sums);
}

void MinRow_avx2(const U8* src, Count n, U8 min[3]) {
    // Byte 3 of every lane is held at 255 so that it never lowers a minimum.
    const __m256i alphaHigh = AlphaBytes();
    __m256i m = _mm256_set1_epi32(static_cast<int>(0xFF000000u | std::uint32_t{min[0]} |
                                                   (std::uint32_t{min[1]} << 8) | (std::uint32_t{min[2]} << 16)));
    Count i = 0;
    for (; i + 8 <= n; i += 8) m = _mm256_min_epu8(m, _mm256_or_si256(Load8(src + 4 * i), alphaHigh));
    __m128i h = _mm_min_epu8(_mm256_castsi256_si128(m), _mm256_extracti128_si256(m, 1));
    h = _mm_min_epu8(h, _mm_srli_si128(h, 8));
    h = _mm_min_epu8(h, _mm_srli_si128(h, 4));
    const std::uint32_t px = static_cast<std::uint32_t>(_mm_cvtsi128_si32(h));
    min[0] = static_cast<U8>(px);
    min[1] = static_cast<U8>(px >> 8);
    min[2] = static_cast<U8>(px >> 16);
    MinRow_plain(src + 4 * i, n - i, min);
}

// d(x) = (x + (x >> 8) + 1) >> 8 on 16-bit lanes holding products of two bytes.
inline __m256i Div255(__m256i x) {
    return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), _mm256_set1_epi16(1)), 8);
}

void AlphaComp_avx2(const U8* src1, U8 alpha1, const U8* src2, U8 alpha2, U8* dst, Count n,
                    std::int32_t alphaType) {
    if (alphaType != 0) return AlphaComp_plain(src1, alpha1, src2, alpha2, dst, n, alphaType);
    // t1 + d((255 − α1)·t2) with t = d(s·α); with α2 = 255, t2 = s2 exactly
    // (d(255·v) = v), so that product is skipped.
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a1 = _mm256_set1_epi16(alpha1), a2 = _mm256_set1_epi16(alpha2);
    const __m256i inv1 = _mm256_set1_epi16(static_cast<short>(255 - alpha1));
    const bool opaque2 = alpha2 == 255;
    const auto over = [&](__m256i s1, __m256i s2) {
        const __m256i t1 = Div255(_mm256_mullo_epi16(s1, a1));
        const __m256i t2 = opaque2 ? s2 : Div255(_mm256_mullo_epi16(s2, a2));
        return _mm256_add_epi16(t1, Div255(_mm256_mullo_epi16(inv1, t2)));
    };
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i v1 = Load8(src1 + 4 * i), v2 = Load8(src2 + 4 * i);
        const __m256i lo = over(_mm256_unpacklo_epi8(v1, zero), _mm256_unpacklo_epi8(v2, zero));
        const __m256i hi = over(_mm256_unpackhi_epi8(v1, zero), _mm256_unpackhi_epi8(v2, zero));
        StoreColour8(dst + 4 * i, _mm256_packus_epi16(lo, hi));
    }
    AlphaComp_plain(src1 + 4 * i, alpha1, src2 + 4 * i, alpha2, dst + 4 * i, n - i, 0);
}

void Convert8u16sC1_avx2(const U8* src, U8* dst, Count n) {
    Count i = 0;
    for (; i + 16 <= n; i += 16) Store8(dst + 2 * i, _mm256_cvtepu8_epi16(Load4(src + i)));
    Convert8u16sC1_plain(src + i, dst + 2 * i, n - i);
}

void Convert8u16sAC4_avx2(const U8* src, U8* dst, Count n) {
    // Four pixels of 16-bit samples; each destination's fourth sample kept.
    const __m256i fourth = _mm256_set1_epi64x(static_cast<long long>(0xFFFF000000000000ull));
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        U8* d = dst + 8 * i;
        Store8(d, _mm256_blendv_epi8(_mm256_cvtepu8_epi16(Load4(src + 4 * i)), Load8(d), fourth));
    }
    Convert8u16sAC4_plain(src + 4 * i, dst + 8 * i, n - i);
}

// packus saturates signed 16-bit samples to 0..255 within 128-bit halves;
// the permutation restores the order of the 64-bit groups.
inline __m256i PackSamples(const U8* p) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(Load8(p), Load8(p + 32)), _MM_SHUFFLE(3, 1, 2, 0));
}

void Convert16s8uC1_avx2(const U8* src, U8* dst, Count n) {
    Count i = 0;
    for (; i + 32 <= n; i += 32) Store8(dst + i, PackSamples(src + 2 * i));
    Convert16s8uC1_plain(src + 2 * i, dst + i, n - i);
}

void Convert16s8uAC4_avx2(const U8* src, U8* dst, Count n) {
    Count i = 0;
    for (; i + 8 <= n; i += 8) StoreColour8(dst + 4 * i, PackSamples(src + 8 * i));
    Convert16s8uAC4_plain(src + 8 * i, dst + 4 * i, n - i);
}

void Threshold_avx2(U8* srcDst, Count n, float thresholdLT, float valueLT, float thresholdGT, float valueGT) {
    // Ordered comparisons: false with NaN, as in the plain kernel.
    const __m256 tLT = _mm256_set1_ps(thresholdLT), vLT = _mm256_set1_ps(valueLT);
    const __m256 tGT = _mm256_set1_ps(thresholdGT), vGT = _mm256_set1_ps(valueGT);
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        float* p = reinterpret_cast<float*>(srcDst + 4 * i);
        const __m256 v = _mm256_loadu_ps(p);
        const __m256 above = _mm256_blendv_ps(v, vGT, _mm256_cmp_ps(v, tGT, _CMP_GT_OQ));
        _mm256_storeu_ps(p, _mm256_blendv_ps(above, vLT, _mm256_cmp_ps(v, tLT, _CMP_LT_OQ)));
    }
    Threshold_plain(srcDst + 4 * i, n - i, thresholdLT, valueLT, thresholdGT, valueGT);
}

void ColorToGray_avx2(const U8* src, U8* dst, Count n, const std::uint32_t weights[3]) {
    // 16-bit multiply-adds give each product exactly when every weight, read
    // as a signed value, fits 16 bits; the 32-bit sum then wraps like the
    // plain unsigned one. Other weights go to the plain kernel.
    for (int c = 0; c < 3; ++c) {
        const auto v = static_cast<std::int32_t>(weights[c]);
        if (v < -32768 || v > 32767) return ColorToGray_plain(src, dst, n, weights);
    }
    const short w0 = static_cast<short>(weights[0]), w1 = static_cast<short>(weights[1]);
    const short w2 = static_cast<short>(weights[2]);
    const __m256i w = _mm256_setr_epi16(w0, w1, w2, 0, w0, w1, w2, 0, w0, w1, w2, 0, w0, w1, w2, 0);
    const __m256i zero = _mm256_setzero_si256(), low = _mm256_set1_epi32(0xFF);
    // Eight grey values of eight pixels, in pixel order, as 32-bit lanes.
    const auto grey8 = [&](const U8* p) {
        const __m256i v = Load8(p);
        const __m256 lo = _mm256_castsi256_ps(_mm256_madd_epi16(_mm256_unpacklo_epi8(v, zero), w));
        const __m256 hi = _mm256_castsi256_ps(_mm256_madd_epi16(_mm256_unpackhi_epi8(v, zero), w));
        const __m256i sum = _mm256_add_epi32(_mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0))),
                                             _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))));
        return _mm256_and_si256(_mm256_srli_epi32(sum, 12), low);
    };
    Count i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(grey8(src + 4 * i), grey8(src + 4 * i + 32)),
                                                       _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i bytes = _mm256_packus_epi16(words, words);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm256_castsi256_si128(_mm256_permute4x64_epi64(bytes, _MM_SHUFFLE(3, 1, 2, 0))));
    }
    ColorToGray_plain(src + 4 * i, dst + i, n - i, weights);
}

void SwapChannels_avx2(const U8* src, U8* dst, Count n, const std::int32_t order[3]) {
    // One byte shuffle per vector: byte c of each pixel from byte order[c].
    alignas(32) std::int8_t control[32];
    for (int j = 0; j < 32; ++j) {
        const int c = j % 4;
        control[j] = static_cast<std::int8_t>((j & 12) + (c < 3 ? (order[c] & 3) : 3));
    }
    const __m256i shuffle = _mm256_load_si256(reinterpret_cast<const __m256i*>(control));
    Count i = 0;
    for (; i + 8 <= n; i += 8) StoreColour8(dst + 4 * i, _mm256_shuffle_epi8(Load8(src + 4 * i), shuffle));
    SwapChannels_plain(src + 4 * i, dst + 4 * i, n - i, order);
}

// ---------------------------------------------------------------------------
// Colour-space kernels: four doubles or eight floats per vector.

using D = __m256d;
using MD = __m256d;
using F = __m256;
using MF = __m256;
constexpr Count kD = 4, kF = 8;

inline D SetD(double v) { return _mm256_set1_pd(v); }
inline F SetF(float v) { return _mm256_set1_ps(v); }
inline D Add(D a, D b) { return _mm256_add_pd(a, b); }
inline D Sub(D a, D b) { return _mm256_sub_pd(a, b); }
inline D Mul(D a, D b) { return _mm256_mul_pd(a, b); }
inline D Div(D a, D b) { return _mm256_div_pd(a, b); }
inline D Min(D a, D b) { return _mm256_min_pd(a, b); }
inline D Max(D a, D b) { return _mm256_max_pd(a, b); }
inline MD Lt(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
inline MD Le(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
inline MD Gt(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
inline MD Eq(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
inline D Sel(MD m, D a, D b) { return _mm256_blendv_pd(b, a, m); }
inline F Add(F a, F b) { return _mm256_add_ps(a, b); }
inline F Sub(F a, F b) { return _mm256_sub_ps(a, b); }
inline F Mul(F a, F b) { return _mm256_mul_ps(a, b); }
inline F Div(F a, F b) { return _mm256_div_ps(a, b); }
inline F Abs(F a) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), a); }
inline MF Lt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
inline MF Gt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
inline F Sel(MF m, F a, F b) { return _mm256_blendv_ps(b, a, m); }
inline MF MAnd(MF a, MF b) { return _mm256_and_ps(a, b); }
inline MF MAndNot(MF a, MF b) { return _mm256_andnot_ps(b, a); }

inline __m128i Channel4(__m128i v, int c) { return _mm_and_si128(_mm_srli_epi32(v, 8 * c), _mm_set1_epi32(0xFF)); }
inline __m256i Channel8(__m256i v, int c) {
    return _mm256_and_si256(_mm256_srli_epi32(v, 8 * c), _mm256_set1_epi32(0xFF));
}

inline void LoadBgrD(const U8* p, D& b0, D& b1, D& b2) {
    const __m128i v = Load4(p);
    b0 = _mm256_cvtepi32_pd(Channel4(v, 0));
    b1 = _mm256_cvtepi32_pd(Channel4(v, 1));
    b2 = _mm256_cvtepi32_pd(Channel4(v, 2));
}

inline void LoadBgrF(const U8* p, F& b0, F& b1, F& b2) {
    const __m256i v = Load8(p);
    b0 = _mm256_cvtepi32_ps(Channel8(v, 0));
    b1 = _mm256_cvtepi32_ps(Channel8(v, 1));
    b2 = _mm256_cvtepi32_ps(Channel8(v, 2));
}

inline void Halves(F f, D& lo, D& hi) {
    lo = _mm256_cvtps_pd(_mm256_castps256_ps128(f));
    hi = _mm256_cvtps_pd(_mm256_extractf128_ps(f, 1));
}

inline F Narrow(D lo, D hi) { return _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo)); }

using Idx = __m128i;

inline Idx ToIndex(D v) {
    return _mm_max_epi32(_mm_min_epi32(_mm256_cvttpd_epi32(v), _mm_set1_epi32(255)), _mm_setzero_si128());
}

inline D GatherD(const std::int32_t* t, Idx i) { return _mm256_cvtepi32_pd(_mm_i32gather_epi32(t, i, 4)); }

inline void StoreByteD(U8* p, D v) {
    const __m128i w = _mm_packs_epi32(_mm256_cvttpd_epi32(v), _mm_setzero_si128());
    const auto four = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(w, w)));
    std::memcpy(p, &four, 4);
}

inline void StoreBgrD(U8* p, D c0, D c1, D c2, bool keepNonzeroAlpha) {
    // Truncated to 32 bits and saturated through 16 to 8 bits: bytes
    // c0[0..3] c2[0..3] c1[0..3]; then interleaved to pixels.
    const __m128i b = _mm_packus_epi16(_mm_packs_epi32(_mm256_cvttpd_epi32(c0), _mm256_cvttpd_epi32(c2)),
                                       _mm_packs_epi32(_mm256_cvttpd_epi32(c1), _mm_setzero_si128()));
    const __m128i pairs = _mm_unpacklo_epi8(b, _mm_srli_si128(b, 8));
    const __m128i px = _mm_unpacklo_epi16(pairs, _mm_srli_si128(pairs, 8));
    const __m128i old = Load4(p);
    __m128i keep = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    if (keepNonzeroAlpha) keep = _mm_or_si128(keep, _mm_cmpgt_epi32(_mm_srli_epi32(old, 24), _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_blendv_epi8(px, old, keep));
}

void ColorizeTabled_avx2(U8* p, Count n, const U8* tables, bool masked) {
    // The grey value trunc((0.59·G + 0.3·R) + 0.11·B) in doubles equals
    // (59·G + 30·R + 11·B) / 100 in integers, except that where the exact
    // sum is a whole number the double one may fall just below it. So a
    // group with a multiple of 100 in any lane takes the doubles instead.
    const __m256i low = _mm256_set1_epi32(0x00FF00FF), byte = _mm256_set1_epi32(0xFF);
    const __m256i wBR = _mm256_set1_epi32((30 << 16) | 11), wG = _mm256_set1_epi32(59);
    const __m256i recip = _mm256_set1_epi16(static_cast<short>(41944)), hundred = _mm256_set1_epi32(100);
    const __m256d w0 = _mm256_set1_pd(0.11), w1 = _mm256_set1_pd(0.59), w2 = _mm256_set1_pd(0.3);
    const int* t = reinterpret_cast<const int*>(tables);
    Count i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i v = Load8(p + 4 * i);
        const __m256i b = _mm256_and_si256(v, byte), g = _mm256_and_si256(_mm256_srli_epi32(v, 8), byte);
        const __m256i r = _mm256_and_si256(_mm256_srli_epi32(v, 16), byte);
        // 11·B + 30·R from the byte pairs (B, R), plus 59·G; below 2^16.
        const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(_mm256_and_si256(v, low), wBR), _mm256_mullo_epi16(g, wG));
        // sum / 100 = (sum · 41944) >> 22 for every sum up to 25500.
        __m256i y = _mm256_srli_epi16(_mm256_mulhi_epu16(sum, recip), 6);
        const __m256i whole = _mm256_cmpeq_epi32(_mm256_mullo_epi16(y, hundred), sum);
        if (!_mm256_testz_si256(whole, whole)) {
            const auto grey = [&](__m128i bi, __m128i gi, __m128i ri) {
                const __m256d s = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(w1, _mm256_cvtepi32_pd(gi)),
                                                              _mm256_mul_pd(w2, _mm256_cvtepi32_pd(ri))),
                                                _mm256_mul_pd(w0, _mm256_cvtepi32_pd(bi)));
                return _mm256_cvttpd_epi32(s);
            };
            y = _mm256_setr_m128i(grey(_mm256_castsi256_si128(b), _mm256_castsi256_si128(g), _mm256_castsi256_si128(r)),
                                  grey(_mm256_extracti128_si256(b, 1), _mm256_extracti128_si256(g, 1),
                                       _mm256_extracti128_si256(r, 1)));
        }
        const __m256i row = _mm256_slli_epi32(y, 8);
        const __m256i n0 = _mm256_and_si256(_mm256_i32gather_epi32(t, _mm256_or_si256(row, b), 1), byte);
        const __m256i n1 = _mm256_and_si256(_mm256_i32gather_epi32(t + 16384, _mm256_or_si256(row, g), 1), byte);
        const __m256i n2 = _mm256_and_si256(_mm256_i32gather_epi32(t + 32768, _mm256_or_si256(row, r), 1), byte);
        const __m256i out = _mm256_or_si256(_mm256_or_si256(n0, _mm256_slli_epi32(n1, 8)), _mm256_slli_epi32(n2, 16));
        __m256i keep = AlphaBytes();
        if (masked) keep = _mm256_or_si256(keep, _mm256_xor_si256(_mm256_cmpeq_epi32(_mm256_srli_epi32(v, 24), _mm256_setzero_si256()), _mm256_set1_epi32(-1)));
        Store8(p + 4 * i, _mm256_blendv_epi8(out, v, keep));
    }
    for (; i < n; ++i) {
        // The rest one pixel at a time through the same tables.
        U8* q = p + 4 * i;
        if (masked && q[3] != 0) continue;
        const double grey = (0.59 * q[1] + 0.3 * q[2]) + 0.11 * q[0];
        const int y = static_cast<int>(grey);
        for (int ch = 0; ch < 3; ++ch) q[ch] = tables[ch * 65536 + y * 256 + q[ch]];
    }
}

#include "primitives/pixel_colour_simd.h"

}  // namespace

void InstallAvx2Kernels(Kernels& k) {
    k.copyAC4 = CopyAC4_avx2;
    k.setAC4 = SetAC4_avx2;
    k.setC4 = SetC4_avx2;
    k.copyP4C4 = CopyP4C4_avx2;
    k.addC = AddC_avx2;
    k.subC = SubC_avx2;
    k.add = Add_avx2;
    k.sqr = Sqr_avx2;
    k.sumRow = SumRow_avx2;
    k.minRow = MinRow_avx2;
    k.alphaComp = AlphaComp_avx2;
    k.convert8u16sC1 = Convert8u16sC1_avx2;
    k.convert8u16sAC4 = Convert8u16sAC4_avx2;
    k.convert16s8uC1 = Convert16s8uC1_avx2;
    k.convert16s8uAC4 = Convert16s8uAC4_avx2;
    k.threshold = Threshold_avx2;
    k.colorToGray = ColorToGray_avx2;
    k.swapChannels = SwapChannels_avx2;
    k.bgrToHls = BgrToHls_simd;
    k.hlsToRgb = HlsToRgb_simd;
    k.rotateHue = RotateHue_simd;
    k.addSubC = AddSubC_avx2;
    k.lightness = Lightness_simd;
    k.colorize = Colorize_simd;
    k.colorizeTabled = ColorizeTabled_avx2;
}

}  // namespace vtx::px::pixel
