// SSE2 kernels of the linear filter family.
//
// A vector covers four whole pixels (16 bytes) and is loaded only where all
// four lie in the row or neighbourhood; the pixels left over go to the plain
// kernels. Destinations are written with byte 3 of every pixel merged back
// from the destination itself. Running sums keep one pixel (four 32-bit
// lanes) per register, the order of the plain kernels' arithmetic.
#include <emmintrin.h>

#include <cstring>

#define VTX_LINEAR_VECTOR_TEMPLATES
#include "primitives/linear_filter_kernels.h"

namespace vtx::px::linear {

namespace {

inline __m128i Load(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
inline void Store(void* p, __m128i v) {
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

// One pixel's four bytes as four 32-bit lanes.
inline __m128i LoadPixel32(const U8* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    const __m128i z = _mm_setzero_si128();
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), z), z);
}

inline void StoreColour(U8* d, __m128i v) {
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    Store(d, _mm_or_si128(_mm_andnot_si128(alpha, v), _mm_and_si128(alpha, Load(d))));
}

struct Sse2 {
    using R = __m128i;
    static constexpr Count kPx = 4;
    static R Load(const U8* p) { return linear::Load(p); }
    static void StoreColour(U8* d, R v) { linear::StoreColour(d, v); }
    static R Zero() { return _mm_setzero_si128(); }
    static R Lo8(R v) { return _mm_unpacklo_epi8(v, Zero()); }
    static R Hi8(R v) { return _mm_unpackhi_epi8(v, Zero()); }
    static R Add16(R a, R b) { return _mm_add_epi16(a, b); }
    static R Sub16(R a, R b) { return _mm_sub_epi16(a, b); }
    static R Mul16(R a, R b) { return _mm_mullo_epi16(a, b); }
    static R Set16(std::int16_t v) { return _mm_set1_epi16(v); }
    static R MulHiU16(R a, R b) { return _mm_mulhi_epu16(a, b); }
    static R Srl16By2(R a) { return _mm_srli_epi16(a, 2); }
    static R PackUs16(R a, R b) { return _mm_packus_epi16(a, b); }
    static R Widen(const U8* p) { return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), Zero()); }
    static R Load16(const std::int16_t* p) { return linear::Load(p); }
    static void Store16(std::int16_t* p, R v) { linear::Store(p, v); }
    static R PackOrdered(R a, R b) { return _mm_packus_epi16(a, b); }
};

void Fixed_sse2(const FixedKernel& k, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                Count n, std::int32_t rows, std::int16_t* scratch) {
    FixedVector<Sse2>(k, src, srcStep, dst, dstStep, n, rows, scratch);
}

// Four pixels' sums (sixteen 32-bit lanes) per step.
void ColAdd_sse2(std::uint32_t* sums, const U8* add, Count n) {
    const __m128i z = _mm_setzero_si128();
    Count x = 0;
    for (; x + 4 <= n; x += 4) {
        const __m128i a = Load(add + 4 * x);
        const __m128i lo = _mm_unpacklo_epi8(a, z), hi = _mm_unpackhi_epi8(a, z);
        std::uint32_t* s = sums + 4 * x;
        Store(s, _mm_add_epi32(Load(s), _mm_unpacklo_epi16(lo, z)));
        Store(s + 4, _mm_add_epi32(Load(s + 4), _mm_unpackhi_epi16(lo, z)));
        Store(s + 8, _mm_add_epi32(Load(s + 8), _mm_unpacklo_epi16(hi, z)));
        Store(s + 12, _mm_add_epi32(Load(s + 12), _mm_unpackhi_epi16(hi, z)));
    }
    ColAdd_plain(sums + 4 * x, add + 4 * x, n - x);
}

void ColAddSub_sse2(std::uint32_t* sums, const U8* add, const U8* sub, Count n) {
    const __m128i z = _mm_setzero_si128();
    Count x = 0;
    for (; x + 4 <= n; x += 4) {
        const __m128i a = Load(add + 4 * x), b = Load(sub + 4 * x);
        // Differences as signed 16-bit lanes, then sign-extended.
        const __m128i lo = _mm_sub_epi16(_mm_unpacklo_epi8(a, z), _mm_unpacklo_epi8(b, z));
        const __m128i hi = _mm_sub_epi16(_mm_unpackhi_epi8(a, z), _mm_unpackhi_epi8(b, z));
        std::uint32_t* s = sums + 4 * x;
        Store(s, _mm_add_epi32(Load(s), _mm_srai_epi32(_mm_unpacklo_epi16(lo, lo), 16)));
        Store(s + 4, _mm_add_epi32(Load(s + 4), _mm_srai_epi32(_mm_unpackhi_epi16(lo, lo), 16)));
        Store(s + 8, _mm_add_epi32(Load(s + 8), _mm_srai_epi32(_mm_unpacklo_epi16(hi, hi), 16)));
        Store(s + 12, _mm_add_epi32(Load(s + 12), _mm_srai_epi32(_mm_unpackhi_epi16(hi, hi), 16)));
    }
    ColAddSub_plain(sums + 4 * x, add + 4 * x, sub + 4 * x, n - x);
}

// (s·m) >> shift in each 32-bit lane, the product in 64 bits.
inline __m128i MulShift(__m128i s, __m128i m, __m128i count) {
    const __m128i even = _mm_srl_epi64(_mm_mul_epu32(s, m), count);
    const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(s, 32), m), count);
    return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

void BoxRow_sse2(const std::uint32_t* colSums, U8* dst, Count n, Count mw, std::uint32_t m, std::uint32_t shift) {
    __m128i s = _mm_setzero_si128();
    for (Count j = 0; j < mw; ++j) s = _mm_add_epi32(s, Load(colSums + 4 * j));
    const __m128i mv = _mm_set1_epi32(static_cast<int>(m));
    const __m128i count = _mm_cvtsi32_si128(static_cast<int>(shift));
    const std::uint32_t* add = colSums + 4 * mw;
    Count x = 0;
    // The running sum of pixel x is s; the update to x + 1 reads column
    // x + mw, which exists only while x + 1 < n.
    for (; x + 4 < n; x += 4) {
        __m128i q[4];
        for (int i = 0; i < 4; ++i) {
            q[i] = MulShift(s, mv, count);
            s = _mm_add_epi32(s, _mm_sub_epi32(Load(add + 4 * (x + i)), Load(colSums + 4 * (x + i))));
        }
        StoreColour(dst + 4 * x, _mm_packus_epi16(_mm_packs_epi32(q[0], q[1]), _mm_packs_epi32(q[2], q[3])));
    }
    for (; x < n; ++x) {
        std::uint32_t lanes[4];
        Store(lanes, s);
        for (int c = 0; c < 3; ++c) dst[4 * x + c] = static_cast<U8>((std::uint64_t{lanes[c]} * m) >> shift);
        if (x + 1 < n) s = _mm_add_epi32(s, _mm_sub_epi32(Load(add + 4 * x), Load(colSums + 4 * x)));
    }
}

void RowSums_sse2(const U8* src, std::uint32_t* out, Count n, Count len) {
    __m128i s = _mm_setzero_si128();
    for (Count j = 0; j < len; ++j) s = _mm_add_epi32(s, LoadPixel32(src + 4 * j));
    const U8* add = src + 4 * len;
    for (Count x = 0; x < n; ++x) {
        Store(out + 4 * x, s);
        if (x + 1 < n) s = _mm_add_epi32(s, _mm_sub_epi32(LoadPixel32(add + 4 * x), LoadPixel32(src + 4 * x)));
    }
}

// Two lanes per double register: trunc(clamp(s·f + 0.5, 0, 255)), which is
// the reciprocal rule (v <= 0 gives at most 0.5 before truncation).
inline __m128i Recip2(__m128i s, __m128d f) {
    __m128d v = _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(s), f), _mm_set1_pd(0.5));
    v = _mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(255.0));
    return _mm_cvttpd_epi32(v);
}

inline __m128i Recip4(const std::uint32_t* p, __m128d f) {
    const __m128i s = Load(p);
    return _mm_unpacklo_epi64(Recip2(s, f), Recip2(_mm_unpackhi_epi64(s, s), f));
}

void FinishRecip_sse2(const std::uint32_t* sums, U8* dst, Count n, double f) {
    const __m128d fv = _mm_set1_pd(f);
    Count x = 0;
    for (; x + 4 <= n; x += 4) {
        const std::uint32_t* p = sums + 4 * x;
        const __m128i a = _mm_packs_epi32(Recip4(p, fv), Recip4(p + 4, fv));
        const __m128i b = _mm_packs_epi32(Recip4(p + 8, fv), Recip4(p + 12, fv));
        StoreColour(dst + 4 * x, _mm_packus_epi16(a, b));
    }
    FinishRecip_plain(sums + 4 * x, dst + 4 * x, n - x, f);
}

void FinishClamp_sse2(const std::uint32_t* sums, U8* dst, Count n) {
    Count x = 0;
    for (; x + 4 <= n; x += 4) {
        const std::uint32_t* p = sums + 4 * x;
        const __m128i a = _mm_packs_epi32(Load(p), Load(p + 4));
        const __m128i b = _mm_packs_epi32(Load(p + 8), Load(p + 12));
        StoreColour(dst + 4 * x, _mm_packus_epi16(a, b));
    }
    FinishClamp_plain(sums + 4 * x, dst + 4 * x, n - x);
}

// trunc(clamp(v + 0.5, 0, 255)) of two lanes (NaN gives 0), in lanes 0..1.
inline __m128i Round2(__m128d v) {
    v = _mm_add_pd(v, _mm_set1_pd(0.5));
    return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(255.0)));
}

// One pixel's four lanes from two double registers.
inline __m128i Round4(__m128d lo, __m128d hi) {
    return _mm_unpacklo_epi64(Round2(lo), Round2(hi));
}

void Conv3x3_sse2(const Conv3x3Plan& p, const U8* src, std::ptrdiff_t srcStep, U8* dst, std::ptrdiff_t dstStep,
                  Count n, std::int32_t rows) {
    std::ptrdiff_t off[9];
    for (int i = 0; i < 9; ++i) off[i] = (i / 3 - 1) * srcStep + 4 * (i % 3 - 1);
    std::ptrdiff_t goff[9][9];
    int gcount[9] = {};
    for (int i = 0; i < 9; ++i) goff[p.group[i]][gcount[p.group[i]]++] = off[i];
    const __m128i z = _mm_setzero_si128();
    for (std::int32_t y = 0; y < rows; ++y) {
        const U8* s = src + y * srcStep;
        U8* d = dst + y * dstStep;
        Count x = 0;
        if (p.exact) {
            // 16-bit sums per group (four pixels) times the group's weight;
            // exact, so grouping and order do not change the sum.
            for (; x + 4 <= n; x += 4) {
                __m128d acc[8];
                for (__m128d& a : acc) a = _mm_setzero_pd();
                for (int g = 0; g < p.groups; ++g) {
                    __m128i lo = z, hi = z;
                    for (int t = 0; t < gcount[g]; ++t) {
                        const __m128i v = Load(s + 4 * x + goff[g][t]);
                        lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, z));
                        hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, z));
                    }
                    const __m128i q[4] = {_mm_unpacklo_epi16(lo, z), _mm_unpackhi_epi16(lo, z), _mm_unpacklo_epi16(hi, z),
                                          _mm_unpackhi_epi16(hi, z)};
                    const __m128d w = _mm_set1_pd(p.gw[g]);
                    for (int j = 0; j < 4; ++j) {
                        acc[2 * j] = _mm_add_pd(acc[2 * j], _mm_mul_pd(w, _mm_cvtepi32_pd(q[j])));
                        acc[2 * j + 1] = _mm_add_pd(acc[2 * j + 1], _mm_mul_pd(w, _mm_cvtepi32_pd(_mm_unpackhi_epi64(q[j], q[j]))));
                    }
                }
                const __m128i a = _mm_packs_epi32(Round4(acc[0], acc[1]), Round4(acc[2], acc[3]));
                const __m128i b = _mm_packs_epi32(Round4(acc[4], acc[5]), Round4(acc[6], acc[7]));
                StoreColour(d + 4 * x, _mm_packus_epi16(a, b));
            }
        } else {
            // The plain order of summation, one pixel in two registers.
            for (; x + 4 <= n; x += 4) {
                __m128i r[4];
                for (int j = 0; j < 4; ++j) {
                    __m128d lo = _mm_setzero_pd(), hi = _mm_setzero_pd();
                    for (int i = 0; i < 9; ++i) {
                        const __m128d w = _mm_set1_pd(p.w[i]);
                        const __m128i q = LoadPixel32(s + 4 * (x + j) + off[i]);
                        lo = _mm_add_pd(lo, _mm_mul_pd(w, _mm_cvtepi32_pd(q)));
                        hi = _mm_add_pd(hi, _mm_mul_pd(w, _mm_cvtepi32_pd(_mm_unpackhi_epi64(q, q))));
                    }
                    r[j] = Round4(lo, hi);
                }
                StoreColour(d + 4 * x, _mm_packus_epi16(_mm_packs_epi32(r[0], r[1]), _mm_packs_epi32(r[2], r[3])));
            }
        }
        Conv3x3_plain(p, s + 4 * x, srcStep, d + 4 * x, dstStep, n - x, 1);
    }
}

}  // namespace

void InstallSse2Kernels(Kernels& k) {
    k.conv3x3 = Conv3x3_sse2;
    k.fixed = Fixed_sse2;
    k.colAdd = ColAdd_sse2;
    k.colAddSub = ColAddSub_sse2;
    k.boxRow = BoxRow_sse2;
    k.rowSums = RowSums_sse2;
    k.finishRecip = FinishRecip_sse2;
    k.finishClamp = FinishClamp_sse2;
}

}  // namespace vtx::px::linear
