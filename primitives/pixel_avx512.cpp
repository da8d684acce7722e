// AVX-512 row kernels of the pixel family (F, BW and VBMI), only where they
// pay over the AVX2 kernels, which this level otherwise keeps: the channel
// lookups (VBMI byte permutes) and the colour-space kernels (eight doubles
// per vector). Plain copies, saturating arithmetic and the composition were
// measured slower here than at AVX2 (1080p, Zen 4) and are left to AVX2.
//
// The lookups work on 16 pixels (one 64-byte vector) at a time; the last
// 1..15 pixels of a row go through the same code with a byte mask, so loads
// never touch memory past the row's last pixel (masked-out bytes of a masked
// load do not fault) and tails give the same bytes as whole vectors. Stores
// write bytes 0..2 of each pixel: byte 3 of a destination keeps its value
// (whole vectors rewrite it with the value it held, see StoreSelected).
// GCC 12's headers fill the unused part of some AVX-512 intrinsics with an
// "undefined" vector and then warn about it when inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <cstring>

#include "primitives/pixel_kernels.h"

namespace vtx::px::pixel {

namespace {

constexpr Count kVector = 16;  // pixels per vector
constexpr __mmask64 kColourBytes = 0x7777777777777777ull;

// Byte mask of the first `pixels` pixels (0 < pixels <= 16).
inline __mmask64 PixelMask(Count pixels) {
    return pixels >= kVector ? ~__mmask64{0} : ((__mmask64{1} << (4 * pixels)) - 1);
}

// Runs body(offset, mask) over the row in vectors of 16 pixels.
template <class Body>
inline void ForEachVector(Count n, Body body) {
    for (Count i = 0; i < n; i += kVector) body(4 * i, PixelMask(n - i));
}

// Writes the bytes of v that `select` picks within the pixels of `m`. A whole
// vector is written with one plain store of v merged with the destination's
// own other bytes (masked byte stores are slow on some processors of this
// level); only the last, partial vector of a row uses a masked store.
inline void StoreSelected(U8* d, __mmask64 m, __mmask64 select, __m512i v) {
    if (m == ~__mmask64{0}) {
        _mm512_storeu_si512(d, _mm512_mask_blend_epi8(select, _mm512_loadu_si512(d), v));
    } else {
        _mm512_mask_storeu_epi8(d, m & select, v);
    }
}

// The four 64-byte quarters of one 256-entry table.
struct Table512 {
    __m512i q0, q1, q2, q3;
    explicit Table512(const ChannelTable& t)
        : q0(_mm512_loadu_si512(t)), q1(_mm512_loadu_si512(t + 64)), q2(_mm512_loadu_si512(t + 128)),
          q3(_mm512_loadu_si512(t + 192)) {}
    // Entry v of the table for every byte v of `idx`; `high` holds the bytes'
    // top bits.
    __m512i Lookup(__m512i idx, __mmask64 high) const {
        return _mm512_mask_blend_epi8(high, _mm512_permutex2var_epi8(q0, idx, q1),
                                      _mm512_permutex2var_epi8(q2, idx, q3));
    }
};

// Bytes 0, 1, 2 of every pixel mapped through tables 0, 1, 2.
struct ChannelMap {
    Table512 t0, t1, t2;
    bool single;  // the three tables hold the same entries: one lookup serves all
    explicit ChannelMap(const ChannelTable* tables)
        : t0(tables[0]),
          t1(tables[1]),
          t2(tables[2]),
          single(std::memcmp(tables[0], tables[1], 256) == 0 && std::memcmp(tables[1], tables[2], 256) == 0) {}
    __m512i Apply(__m512i v) const {
        const __mmask64 high = _mm512_movepi8_mask(v);
        const __m512i r0 = t0.Lookup(v, high);
        if (single) return r0;
        constexpr __mmask64 kByte1 = 0x2222222222222222ull, kByte2 = 0x4444444444444444ull;
        __m512i r = _mm512_mask_blend_epi8(kByte1, r0, t1.Lookup(v, high));
        return _mm512_mask_blend_epi8(kByte2, r, t2.Lookup(v, high));
    }
};

void Lut_avx512(const U8* src, U8* dst, Count n, const ChannelTable* tables) {
    const ChannelMap map(tables);
    ForEachVector(n, [&](Count off, __mmask64 m) {
        const __m512i v = _mm512_maskz_loadu_epi8(m, src + off);
        StoreSelected(dst + off, m, kColourBytes, map.Apply(v));
    });
}

void LutSkipAlpha_avx512(const U8* src, U8* dst, Count n, const ChannelTable* tables) {
    const ChannelMap map(tables);
    const __m512i alpha = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    ForEachVector(n, [&](Count off, __mmask64 m) {
        const __m512i v = _mm512_maskz_loadu_epi8(m, src + off);
        // Pixels whose byte 3 is 0 take part; widen their 16-bit mask to bytes.
        const __mmask16 take = _mm512_testn_epi32_mask(v, alpha);
        const __mmask64 takeBytes = _mm512_movepi8_mask(_mm512_maskz_mov_epi32(take, _mm512_set1_epi32(-1)));
        StoreSelected(dst + off, m, kColourBytes & takeBytes, map.Apply(v));
    });
}

// ---------------------------------------------------------------------------
// Colour-space kernels: eight doubles or sixteen floats per vector.

using D = __m512d;
using MD = __mmask8;
using F = __m512;
using MF = __mmask16;
constexpr Count kD = 8, kF = 16;

inline D SetD(double v) { return _mm512_set1_pd(v); }
inline F SetF(float v) { return _mm512_set1_ps(v); }
inline D Add(D a, D b) { return _mm512_add_pd(a, b); }
inline D Sub(D a, D b) { return _mm512_sub_pd(a, b); }
inline D Mul(D a, D b) { return _mm512_mul_pd(a, b); }
inline D Div(D a, D b) { return _mm512_div_pd(a, b); }
inline D Min(D a, D b) { return _mm512_min_pd(a, b); }
inline D Max(D a, D b) { return _mm512_max_pd(a, b); }
inline MD Lt(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
inline MD Le(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }
inline MD Gt(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
inline MD Eq(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
inline D Sel(MD m, D a, D b) { return _mm512_mask_blend_pd(m, b, a); }
inline F Add(F a, F b) { return _mm512_add_ps(a, b); }
inline F Sub(F a, F b) { return _mm512_sub_ps(a, b); }
inline F Mul(F a, F b) { return _mm512_mul_ps(a, b); }
inline F Div(F a, F b) { return _mm512_div_ps(a, b); }
inline F Abs(F a) { return _mm512_abs_ps(a); }
inline MF Lt(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_LT_OQ); }
inline MF Gt(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ); }
inline F Sel(MF m, F a, F b) { return _mm512_mask_blend_ps(m, b, a); }
inline MF MAnd(MF a, MF b) { return static_cast<MF>(a & b); }
inline MF MAndNot(MF a, MF b) { return static_cast<MF>(a & ~b); }

inline __m256i Channel8(__m256i v, int c) {
    return _mm256_and_si256(_mm256_srli_epi32(v, 8 * c), _mm256_set1_epi32(0xFF));
}

inline void LoadBgrD(const U8* p, D& b0, D& b1, D& b2) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    b0 = _mm512_cvtepi32_pd(Channel8(v, 0));
    b1 = _mm512_cvtepi32_pd(Channel8(v, 1));
    b2 = _mm512_cvtepi32_pd(Channel8(v, 2));
}

inline void LoadBgrF(const U8* p, F& b0, F& b1, F& b2) {
    const __m512i v = _mm512_loadu_si512(p), low = _mm512_set1_epi32(0xFF);
    b0 = _mm512_cvtepi32_ps(_mm512_and_si512(v, low));
    b1 = _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(v, 8), low));
    b2 = _mm512_cvtepi32_ps(_mm512_and_si512(_mm512_srli_epi32(v, 16), low));
}

inline void Halves(F f, D& lo, D& hi) {
    lo = _mm512_cvtps_pd(_mm512_castps512_ps256(f));
    hi = _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(f), 1)));
}

inline F Narrow(D lo, D hi) {
    const __m512d low = _mm512_castpd256_pd512(_mm256_castps_pd(_mm512_cvtpd_ps(lo)));
    return _mm512_castpd_ps(_mm512_insertf64x4(low, _mm256_castps_pd(_mm512_cvtpd_ps(hi)), 1));
}

// Truncated and saturated to 0..255.
inline __m256i ToByte(D v) {
    return _mm256_max_epi32(_mm256_min_epi32(_mm512_cvttpd_epi32(v), _mm256_set1_epi32(255)), _mm256_setzero_si256());
}

inline D GatherD(const std::int32_t* t, __m256i i) { return _mm512_cvtepi32_pd(_mm256_i32gather_epi32(t, i, 4)); }

using Idx = __m256i;
inline Idx ToIndex(D v) { return ToByte(v); }

inline void StoreByteD(U8* p, D v) {
    const __m128i w = _mm_packs_epi32(_mm256_castsi256_si128(ToByte(v)), _mm256_extracti128_si256(ToByte(v), 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(w, w));
}

// Whole 32-byte stores with byte 3 (or, with keepNonzeroAlpha, the whole
// pixel whose byte 3 is not 0) merged back from the destination: masked
// byte stores are much slower on some processors of this level.
inline void StoreBgrD(U8* p, D c0, D c1, D c2, bool keepNonzeroAlpha) {
    const __m256i px = _mm256_or_si256(ToByte(c0), _mm256_or_si256(_mm256_slli_epi32(ToByte(c1), 8),
                                                                    _mm256_slli_epi32(ToByte(c2), 16)));
    const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i keep = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    if (keepNonzeroAlpha) keep = _mm256_or_si256(keep, _mm256_cmpgt_epi32(_mm256_srli_epi32(old, 24), _mm256_setzero_si256()));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_blendv_epi8(px, old, keep));
}

#include "primitives/pixel_colour_simd.h"

}  // namespace

void InstallAvx512Kernels(Kernels& k) {
    k.lut = Lut_avx512;
    k.lutSkipAlpha = LutSkipAlpha_avx512;
    k.bgrToHls = BgrToHls_simd;
    k.hlsToRgb = HlsToRgb_simd;
    k.rotateHue = RotateHue_simd;
    k.lightness = Lightness_simd;
    k.colorize = Colorize_simd;
}

}  // namespace vtx::px::pixel
