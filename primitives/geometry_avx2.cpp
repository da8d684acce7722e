// AVX2 row kernels of the geometric family: the mapped rows (rotation,
// warps) and the remap, four positions at a time in double lanes (the plain
// operations in the plain order, so the same bits). The linear remap works
// channel by channel on four pixels in one vector of doubles when all four
// are inside (else pixel by pixel, the four channels of one pixel in a
// vector); the other linear samples use the 14-bit two-stage arithmetic on
// 16-bit lanes, two pixels at a time. Four positions that are not all inside
// go pixel by pixel to the plain samplers.
#include <immintrin.h>

#include <climits>
#include <cstdint>
#include <cstring>

#include "primitives/geometry_kernels.h"

namespace vtx::px::geometry {
namespace {

inline __m128i Load8(const U8* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

struct Bounds {
    __m256d xmin, xmax, ymin, ymax;
    explicit Bounds(const Source& s)
        : xmin(_mm256_set1_pd(s.xmin)), xmax(_mm256_set1_pd(s.xmax)), ymin(_mm256_set1_pd(s.ymin)),
          ymax(_mm256_set1_pd(s.ymax)) {}
    int Inside(__m256d u, __m256d v) const {
        const __m256d in = _mm256_and_pd(
            _mm256_and_pd(_mm256_cmp_pd(u, xmin, _CMP_GE_OQ), _mm256_cmp_pd(u, xmax, _CMP_LE_OQ)),
            _mm256_and_pd(_mm256_cmp_pd(v, ymin, _CMP_GE_OQ), _mm256_cmp_pd(v, ymax, _CMP_LE_OQ)));
        return _mm256_movemask_pd(in);
    }
};

// Two linear samples: pixel pairs at byte offsets oa, ob (column k, row k),
// weight pairs (kOne − w, w) of x and y per pixel; writes two adjacent
// destination pixels.
inline void Linear2(const Source& s, std::ptrdiff_t oa, std::ptrdiff_t ob, std::int32_t xa, std::int32_t xb,
                    std::int32_t ya, std::int32_t yb, U8* dst) {
    const __m128i zero = _mm_setzero_si128(), r8 = _mm_set1_epi32(128), r20 = _mm_set1_epi32(1 << 19);
    const U8* pa = s.origin + oa;
    const U8* pb = s.origin + ob;
    const __m128i top = _mm_unpacklo_epi32(Load8(pa), Load8(pb));
    const __m128i bottom = _mm_unpacklo_epi32(Load8(pa + s.step), Load8(pb + s.step));
    const __m128i x0 = _mm_unpacklo_epi8(top, _mm_srli_si128(top, 8)), x1 = _mm_unpacklo_epi8(bottom, _mm_srli_si128(bottom, 8));
    const __m128i wa = _mm_set1_epi32(xa), wb = _mm_set1_epi32(xb);
    const auto h = [&](__m128i x, __m128i w) { return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(x, w), r8), 8); };
    const __m128i t0 = _mm_packs_epi32(h(_mm_unpacklo_epi8(x0, zero), wa), h(_mm_unpackhi_epi8(x0, zero), wb));
    const __m128i t1 = _mm_packs_epi32(h(_mm_unpacklo_epi8(x1, zero), wa), h(_mm_unpackhi_epi8(x1, zero), wb));
    const __m128i ra = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(t0, t1), _mm_set1_epi32(ya)), r20), 20);
    const __m128i rb = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(t0, t1), _mm_set1_epi32(yb)), r20), 20);
    const __m128i px = _mm_packus_epi16(_mm_packs_epi32(ra, rb), zero);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i merged = _mm_or_si128(_mm_andnot_si128(alpha, px), _mm_and_si128(alpha, Load8(dst)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), merged);
}

// Weight pairs (kOne − w) | w << 16 of four lanes.
inline __m128i WeightPairs(__m128i w) {
    return _mm_or_si128(_mm_slli_epi32(w, 16), _mm_sub_epi32(_mm_set1_epi32(kOne), w));
}

template <bool Perspective>
void MappedRow_avx2(const Source& s, const RowMap& m, bool linear, U8* dst, Count n) {
    const Bounds b(s);
    const __m256d a = _mm256_set1_pd(m.a), ru = _mm256_set1_pd(m.ru), d = _mm256_set1_pd(m.d), rv = _mm256_set1_pd(m.rv);
    const __m256d g = _mm256_set1_pd(m.g), rw = _mm256_set1_pd(m.rw), four = _mm256_set1_pd(4.0);
    const __m256d one = _mm256_set1_pd(kOne), half = _mm256_set1_pd(0.5);
    const __m128i full = _mm_set1_epi32(kOne), lastX = _mm_set1_epi32(s.xmax), lastY = _mm_set1_epi32(s.ymax);
    const double x0 = static_cast<double>(m.x0);
    __m256d x = _mm256_setr_pd(x0, x0 + 1, x0 + 2, x0 + 3);
    Count i = 0;
    for (; i + 4 <= n; i += 4, x = _mm256_add_pd(x, four)) {
        __m256d u = _mm256_add_pd(_mm256_mul_pd(a, x), ru), v = _mm256_add_pd(_mm256_mul_pd(d, x), rv);
        if (Perspective) {
            const __m256d w = _mm256_add_pd(_mm256_mul_pd(g, x), rw);
            u = _mm256_div_pd(u, w);
            v = _mm256_div_pd(v, w);
        }
        const int mask = b.Inside(u, v);
        if (mask == 0) continue;
        U8* out = dst + 4 * i;
        if (mask == 15) {
            if (!linear) {
                alignas(16) std::int32_t kx[4], ky[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(kx), _mm256_cvttpd_epi32(_mm256_add_pd(u, half)));
                _mm_store_si128(reinterpret_cast<__m128i*>(ky), _mm256_cvttpd_epi32(_mm256_add_pd(v, half)));
                for (int l = 0; l < 4; ++l) std::memcpy(out + 4 * l, PixelAt(s, kx[l], ky[l]), 3);
                continue;
            }
            __m128i kx = _mm256_cvttpd_epi32(u), ky = _mm256_cvttpd_epi32(v);
            __m128i wx = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(u, _mm256_cvtepi32_pd(kx)), one), half));
            __m128i wy = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(v, _mm256_cvtepi32_pd(ky)), one), half));
            // At the last column (row) the pair moves back by one, full weight.
            const __m128i ex = _mm_cmpeq_epi32(kx, lastX), ey = _mm_cmpeq_epi32(ky, lastY);
            kx = _mm_add_epi32(kx, ex);
            ky = _mm_add_epi32(ky, ey);
            wx = _mm_blendv_epi8(wx, full, ex);
            wy = _mm_blendv_epi8(wy, full, ey);
            alignas(16) std::int32_t cx[4], cy[4], px[4], py[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(cx), kx);
            _mm_store_si128(reinterpret_cast<__m128i*>(cy), ky);
            _mm_store_si128(reinterpret_cast<__m128i*>(px), WeightPairs(wx));
            _mm_store_si128(reinterpret_cast<__m128i*>(py), WeightPairs(wy));
            std::ptrdiff_t off[4];
            for (int l = 0; l < 4; ++l) off[l] = static_cast<std::ptrdiff_t>(std::int64_t{cy[l]} * s.step + 4 * std::int64_t{cx[l]});
            Linear2(s, off[0], off[1], px[0], px[1], py[0], py[1], out);
            Linear2(s, off[2], off[3], px[2], px[3], py[2], py[3], out + 8);
            continue;
        }
        alignas(32) double us[4], vs[4];
        _mm256_store_pd(us, u);
        _mm256_store_pd(vs, v);
        for (int l = 0; l < 4; ++l) {
            if (!(mask & (1 << l))) continue;
            if (linear) {
                SampleLinear(s, us[l], vs[l], out + 4 * l);
            } else {
                SampleNearest(s, us[l], vs[l], out + 4 * l);
            }
        }
    }
    RowMap rest = m;
    rest.x0 = static_cast<std::int32_t>(m.x0 + i);
    (Perspective ? PerspectiveRow_plain : AffineRow_plain)(s, rest, linear, dst + 4 * i, n - i);
}

// The linear remap of four pixels whose pixel pairs lie at byte offsets
// `off` (rows k and k + 1), with fractions fx, fy: channel by channel, the
// four pixels in the lanes of one vector of doubles.
inline void Linear4(const Source& s, __m128i off, __m256d fx, __m256d fy, U8* out) {
    alignas(16) std::int32_t o[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(o), off);
    const auto pair = [&](std::int64_t at) {
        long long v;
        std::memcpy(&v, s.origin + at, 8);
        return v;
    };
    const __m256i top = _mm256_setr_epi64x(pair(o[0]), pair(o[1]), pair(o[2]), pair(o[3]));
    const __m256i bottom = _mm256_setr_epi64x(pair(std::int64_t{o[0]} + s.step), pair(std::int64_t{o[1]} + s.step),
                                              pair(std::int64_t{o[2]} + s.step), pair(std::int64_t{o[3]} + s.step));
    // Pixels p0, p1 in the low half, p2, p3 in the high half, each as the
    // pair (left, right): per half gather [left p0, left p1, right p0,
    // right p1] of one channel, then order the halves.
    const __m256i order = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
    const __m256d half = _mm256_set1_pd(0.5);
    __m128i result = _mm_setzero_si128();
    for (int c = 0; c < 3; ++c) {
        const char z = static_cast<char>(0x80);
        const char a = static_cast<char>(c), b = static_cast<char>(8 + c), l = static_cast<char>(4 + c), r = static_cast<char>(12 + c);
        const __m256i pick = _mm256_setr_epi8(a, z, z, z, b, z, z, z, l, z, z, z, r, z, z, z,
                                              a, z, z, z, b, z, z, z, l, z, z, z, r, z, z, z);
        const __m256i t = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(top, pick), order);
        const __m256i u = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(bottom, pick), order);
        const __m256d ul = _mm256_cvtepi32_pd(_mm256_castsi256_si128(t)), ur = _mm256_cvtepi32_pd(_mm256_extracti128_si256(t, 1));
        const __m256d ll = _mm256_cvtepi32_pd(_mm256_castsi256_si128(u)), lr = _mm256_cvtepi32_pd(_mm256_extracti128_si256(u, 1));
        const __m256d tv = _mm256_add_pd(ul, _mm256_mul_pd(_mm256_sub_pd(ur, ul), fx));
        const __m256d bv = _mm256_add_pd(ll, _mm256_mul_pd(_mm256_sub_pd(lr, ll), fx));
        __m128i v = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_add_pd(tv, half), _mm256_mul_pd(_mm256_sub_pd(bv, tv), fy)));
        v = _mm_min_epi32(_mm_max_epi32(v, _mm_setzero_si128()), _mm_set1_epi32(255));
        result = _mm_or_si128(result, _mm_slli_epi32(v, 8 * c));
    }
    const __m128i keep = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(result, _mm_and_si128(keep, old)));
}

}  // namespace

void RemapRow_avx2(const Source& s, const U8* xs, const U8* ys, bool linear, U8* dst, Count n) {
    const Bounds b(s);
    const __m256d one = _mm256_set1_pd(1.0), half = _mm256_set1_pd(0.5), nudge = _mm256_set1_pd(1e-7);
    const __m128i lastX = _mm_set1_epi32(s.imageWidth - 2), lastY = _mm_set1_epi32(s.imageHeight - 2);
    // The four-pixel linear path forms 32-bit byte offsets from the image
    // origin: usable when every pixel of the image lies within 2^31 bytes.
    const bool gather = std::int64_t{s.step} * (s.imageHeight - 1) + 4 * std::int64_t{s.imageWidth} <= INT32_MAX;
    const __m128i step = _mm_set1_epi32(s.step);
    Count i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d sx = _mm256_cvtps_pd(_mm_loadu_ps(reinterpret_cast<const float*>(xs + 4 * i)));
        const __m256d sy = _mm256_cvtps_pd(_mm_loadu_ps(reinterpret_cast<const float*>(ys + 4 * i)));
        const int mask = b.Inside(sx, sy);
        if (mask == 0) continue;
        U8* out = dst + 4 * i;
        alignas(16) std::int32_t cx[4], cy[4];
        if (!linear) {
            _mm_store_si128(reinterpret_cast<__m128i*>(cx), _mm256_cvttpd_epi32(_mm256_add_pd(sx, half)));
            _mm_store_si128(reinterpret_cast<__m128i*>(cy), _mm256_cvttpd_epi32(_mm256_add_pd(sy, half)));
            if (mask == 15) {
                // Four whole pixels (scalar loads: faster than a gather on
                // the processors measured); bytes 3 of the destination merged back.
                std::int32_t w[4];
                for (int l = 0; l < 4; ++l) std::memcpy(&w[l], PixelAt(s, cx[l], cy[l]), 4);
                const __m128i v = _mm_setr_epi32(w[0], w[1], w[2], w[3]);
                const __m128i keep = _mm_set1_epi32(static_cast<int>(0xFF000000u));
                const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(_mm_andnot_si128(keep, v), _mm_and_si128(keep, old)));
                continue;
            }
            for (int l = 0; l < 4; ++l) {
                if (mask & (1 << l)) std::memcpy(out + 4 * l, PixelAt(s, cx[l], cy[l]), 3);
            }
            continue;
        }
        // ix = trunc(sx + 1e-7); at or past the last column: ix = width − 2, fx = 1.
        const __m128i ix = _mm256_cvttpd_epi32(_mm256_add_pd(sx, nudge)), iy = _mm256_cvttpd_epi32(_mm256_add_pd(sy, nudge));
        const __m128i gx = _mm_cmpgt_epi32(ix, lastX), gy = _mm_cmpgt_epi32(iy, lastY);
        const __m256d fx = _mm256_blendv_pd(_mm256_sub_pd(sx, _mm256_cvtepi32_pd(ix)), one, _mm256_castsi256_pd(_mm256_cvtepi32_epi64(gx)));
        const __m256d fy = _mm256_blendv_pd(_mm256_sub_pd(sy, _mm256_cvtepi32_pd(iy)), one, _mm256_castsi256_pd(_mm256_cvtepi32_epi64(gy)));
        const __m128i kx = _mm_blendv_epi8(ix, lastX, gx), ky = _mm_blendv_epi8(iy, lastY, gy);
        if (mask == 15 && gather) {
            Linear4(s, _mm_add_epi32(_mm_mullo_epi32(ky, step), _mm_slli_epi32(kx, 2)), fx, fy, out);
            continue;
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(cx), kx);
        _mm_store_si128(reinterpret_cast<__m128i*>(cy), ky);
        alignas(32) double fxs[4], fys[4];
        _mm256_store_pd(fxs, fx);
        _mm256_store_pd(fys, fy);
        for (int l = 0; l < 4; ++l) {
            if (!(mask & (1 << l))) continue;
            const U8* p = PixelAt(s, cx[l], cy[l]);
            const __m128i t = Load8(p), u = Load8(p + s.step);
            const __m256d ul = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(t)), ur = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(t, 4)));
            const __m256d ll = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(u)), lr = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_srli_si128(u, 4)));
            const __m256d fxl = _mm256_set1_pd(fxs[l]), fyl = _mm256_set1_pd(fys[l]);
            const __m256d top = _mm256_add_pd(ul, _mm256_mul_pd(_mm256_sub_pd(ur, ul), fxl));
            const __m256d bottom = _mm256_add_pd(ll, _mm256_mul_pd(_mm256_sub_pd(lr, ll), fxl));
            const __m128i c = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_add_pd(top, half), _mm256_mul_pd(_mm256_sub_pd(bottom, top), fyl)));
            const std::int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(c, c), c));
            std::memcpy(out + 4 * l, &word, 3);
        }
    }
    RemapRow_plain(s, xs + 4 * i, ys + 4 * i, linear, dst + 4 * i, n - i);
}

void InstallAvx2Kernels(Kernels& k) {
    k.affineRow = MappedRow_avx2<false>;
    k.perspectiveRow = MappedRow_avx2<true>;
    k.remapRow = RemapRow_avx2;
}

}  // namespace vtx::px::geometry
