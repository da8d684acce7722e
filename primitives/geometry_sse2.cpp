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

// Colour bytes of `colour`, bytes 3 of `alpha`.
inline __m128i Merge(__m128i colour, __m128i alpha) {
    const __m128i mask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    return _mm_or_si128(_mm_andnot_si128(mask, colour), _mm_and_si128(mask, alpha));
}

void SwapRows_sse2(U8* a, U8* b, Count n) {
    Count x = 0;
    for (; x + 4 <= n; x += 4) {
        const __m128i va = Load16(a + 4 * x), vb = Load16(b + 4 * x);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(a + 4 * x), Merge(vb, va));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(b + 4 * x), Merge(va, vb));
    }
    SwapRows_plain(a + 4 * x, b + 4 * x, n - x);
}

// Four pixels of a against the four mirrored ones of b, turned round. For a
// row paired with itself the two groups never overlap while x + 4 <= w / 2.
void ReverseSwap_sse2(U8* a, U8* b, Count count, Count w) {
    Count x = 0;
    for (; x + 4 <= count; x += 4) {
        U8* pb = b + 4 * (w - 4 - x);
        const __m128i va = Load16(a + 4 * x), vb = Load16(pb);
        const __m128i ra = _mm_shuffle_epi32(va, 0x1B), rb = _mm_shuffle_epi32(vb, 0x1B);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(a + 4 * x), Merge(rb, va));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pb), Merge(ra, vb));
    }
    for (; x < count; ++x) {
        U8* p = a + 4 * x;
        U8* q = b + 4 * (w - 1 - x);
        for (int c = 0; c < 3; ++c) {
            const U8 t = p[c];
            p[c] = q[c];
            q[c] = t;
        }
    }
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


// ---------------------------------------------------------------------------
// Mapped rows and remap: positions of two pixels at a time in double lanes
// (the plain operations in the plain order, so the same bits), the inside
// test as a lane mask; pixels are then sampled one or two at a time.

inline std::int32_t Lane(__m128i v, int i) {
    return _mm_cvtsi128_si32(i == 0 ? v : _mm_srli_si128(v, 4));
}

// 14-bit weight pair (kOne − w, w) of each lane, as one 32-bit word.
inline std::int32_t WeightPair(std::int32_t w) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(w) << 16) | static_cast<std::uint32_t>(kOne - w));
}

// Linear two-stage samples of two positions: source pixels (kx, ky) of
// lanes A and B with their weights, both inside; writes two adjacent
// destination pixels.
inline void Linear2(const Source& s, __m128i kx, __m128i ky, __m128i wx, __m128i wy, U8* dst) {
    const __m128i zero = _mm_setzero_si128(), r8 = _mm_set1_epi32(128), r20 = _mm_set1_epi32(1 << 19);
    const U8* pa = PixelAt(s, Lane(kx, 0), Lane(ky, 0));
    const U8* pb = PixelAt(s, Lane(kx, 1), Lane(ky, 1));
    const __m128i top = _mm_unpacklo_epi32(Load8(pa), Load8(pb)), bottom = _mm_unpacklo_epi32(Load8(pa + s.step), Load8(pb + s.step));
    const __m128i x0 = _mm_unpacklo_epi8(top, _mm_srli_si128(top, 8)), x1 = _mm_unpacklo_epi8(bottom, _mm_srli_si128(bottom, 8));
    const __m128i wa = _mm_set1_epi32(WeightPair(Lane(wx, 0))), wb = _mm_set1_epi32(WeightPair(Lane(wx, 1)));
    const auto h = [&](__m128i x, __m128i w) { return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(x, w), r8), 8); };
    const __m128i t0 = _mm_packs_epi32(h(_mm_unpacklo_epi8(x0, zero), wa), h(_mm_unpackhi_epi8(x0, zero), wb));
    const __m128i t1 = _mm_packs_epi32(h(_mm_unpacklo_epi8(x1, zero), wa), h(_mm_unpackhi_epi8(x1, zero), wb));
    const __m128i va = _mm_set1_epi32(WeightPair(Lane(wy, 0))), vb = _mm_set1_epi32(WeightPair(Lane(wy, 1)));
    const __m128i ra = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(t0, t1), va), r20), 20);
    const __m128i rb = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(t0, t1), vb), r20), 20);
    const __m128i px = _mm_packus_epi16(_mm_packs_epi32(ra, rb), zero);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i merged = _mm_or_si128(_mm_andnot_si128(alpha, px), _mm_and_si128(alpha, Load8(dst)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), merged);
}

struct Bounds {
    __m128d xmin, xmax, ymin, ymax;
    explicit Bounds(const Source& s)
        : xmin(_mm_set1_pd(s.xmin)), xmax(_mm_set1_pd(s.xmax)), ymin(_mm_set1_pd(s.ymin)), ymax(_mm_set1_pd(s.ymax)) {}
    int Inside(__m128d u, __m128d v) const {
        const __m128d in = _mm_and_pd(_mm_and_pd(_mm_cmpge_pd(u, xmin), _mm_cmple_pd(u, xmax)),
                                      _mm_and_pd(_mm_cmpge_pd(v, ymin), _mm_cmple_pd(v, ymax)));
        return _mm_movemask_pd(in);
    }
};

// Samples two positions (u, v) whose inside mask is `mask`, as the plain
// mapped rows do.
inline void SamplePair(const Source& s, __m128d u, __m128d v, int mask, bool linear, U8* dst) {
    if (linear && mask == 3) {
        const __m128d one = _mm_set1_pd(kOne), half = _mm_set1_pd(0.5);
        __m128i kx = _mm_cvttpd_epi32(u), ky = _mm_cvttpd_epi32(v);
        __m128i wx = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(u, _mm_cvtepi32_pd(kx)), one), half));
        __m128i wy = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(v, _mm_cvtepi32_pd(ky)), one), half));
        // At the last column (row) the pair moves back by one, full weight.
        const __m128i full = _mm_set1_epi32(kOne);
        const __m128i ex = _mm_cmpeq_epi32(kx, _mm_set1_epi32(s.xmax)), ey = _mm_cmpeq_epi32(ky, _mm_set1_epi32(s.ymax));
        kx = _mm_add_epi32(kx, ex);
        ky = _mm_add_epi32(ky, ey);
        wx = _mm_or_si128(_mm_andnot_si128(ex, wx), _mm_and_si128(ex, full));
        wy = _mm_or_si128(_mm_andnot_si128(ey, wy), _mm_and_si128(ey, full));
        Linear2(s, kx, ky, wx, wy, dst);
        return;
    }
    alignas(16) double us[2], vs[2];
    _mm_store_pd(us, u);
    _mm_store_pd(vs, v);
    for (int l = 0; l < 2; ++l) {
        if (!(mask & (1 << l))) continue;
        if (linear) {
            SampleLinear(s, us[l], vs[l], dst + 4 * l);
        } else {
            SampleNearest(s, us[l], vs[l], dst + 4 * l);
        }
    }
}

template <bool Perspective>
void MappedRow_sse2(const Source& s, const RowMap& m, bool linear, U8* dst, Count n) {
    const Bounds b(s);
    const __m128d a = _mm_set1_pd(m.a), ru = _mm_set1_pd(m.ru), d = _mm_set1_pd(m.d), rv = _mm_set1_pd(m.rv);
    const __m128d g = _mm_set1_pd(m.g), rw = _mm_set1_pd(m.rw), two = _mm_set1_pd(2.0);
    __m128d x = _mm_setr_pd(static_cast<double>(m.x0), static_cast<double>(m.x0 + 1));
    Count i = 0;
    for (; i + 2 <= n; i += 2, x = _mm_add_pd(x, two)) {
        __m128d u = _mm_add_pd(_mm_mul_pd(a, x), ru), v = _mm_add_pd(_mm_mul_pd(d, x), rv);
        if (Perspective) {
            const __m128d w = _mm_add_pd(_mm_mul_pd(g, x), rw);
            u = _mm_div_pd(u, w);
            v = _mm_div_pd(v, w);
        }
        const int mask = b.Inside(u, v);
        if (mask != 0) SamplePair(s, u, v, mask, linear, dst + 4 * i);
    }
    RowMap rest = m;
    rest.x0 = static_cast<std::int32_t>(m.x0 + i);
    (Perspective ? PerspectiveRow_plain : AffineRow_plain)(s, rest, linear, dst + 4 * i, n - i);
}

void RemapRow_sse2(const Source& s, const U8* xs, const U8* ys, bool linear, U8* dst, Count n) {
    const Bounds b(s);
    const __m128d one = _mm_set1_pd(1.0), half = _mm_set1_pd(0.5), nudge = _mm_set1_pd(1e-7);
    const __m128i lastX = _mm_set1_epi32(s.imageWidth - 2), lastY = _mm_set1_epi32(s.imageHeight - 2);
    Count i = 0;
    for (; i + 2 <= n; i += 2) {
        const __m128d sx = _mm_cvtps_pd(_mm_castsi128_ps(Load8(xs + 4 * i)));
        const __m128d sy = _mm_cvtps_pd(_mm_castsi128_ps(Load8(ys + 4 * i)));
        const int mask = b.Inside(sx, sy);
        if (mask == 0) continue;
        if (!linear) {
            const __m128i ix = _mm_cvttpd_epi32(_mm_add_pd(sx, half)), iy = _mm_cvttpd_epi32(_mm_add_pd(sy, half));
            for (int l = 0; l < 2; ++l) {
                if (mask & (1 << l)) std::memcpy(dst + 4 * (i + l), PixelAt(s, Lane(ix, l), Lane(iy, l)), 3);
            }
            continue;
        }
        // ix = trunc(sx + 1e-7); at or past the last column: ix = width − 2, fx = 1.
        __m128i ix = _mm_cvttpd_epi32(_mm_add_pd(sx, nudge)), iy = _mm_cvttpd_epi32(_mm_add_pd(sy, nudge));
        const __m128i gx = _mm_cmpgt_epi32(ix, lastX), gy = _mm_cmpgt_epi32(iy, lastY);
        const __m128d mx = _mm_castsi128_pd(_mm_unpacklo_epi32(gx, gx)), my = _mm_castsi128_pd(_mm_unpacklo_epi32(gy, gy));
        const __m128d fx = _mm_or_pd(_mm_and_pd(mx, one), _mm_andnot_pd(mx, _mm_sub_pd(sx, _mm_cvtepi32_pd(ix))));
        const __m128d fy = _mm_or_pd(_mm_and_pd(my, one), _mm_andnot_pd(my, _mm_sub_pd(sy, _mm_cvtepi32_pd(iy))));
        ix = _mm_or_si128(_mm_andnot_si128(gx, ix), _mm_and_si128(gx, lastX));
        iy = _mm_or_si128(_mm_andnot_si128(gy, iy), _mm_and_si128(gy, lastY));
        alignas(16) double fxs[2], fys[2];
        _mm_store_pd(fxs, fx);
        _mm_store_pd(fys, fy);
        const __m128i zero = _mm_setzero_si128();
        for (int l = 0; l < 2; ++l) {
            if (!(mask & (1 << l))) continue;
            const U8* p = PixelAt(s, Lane(ix, l), Lane(iy, l));
            const __m128i t = _mm_unpacklo_epi8(Load8(p), zero), u = _mm_unpacklo_epi8(Load8(p + s.step), zero);
            // Channels 0, 1 and 2, 3 of the four samples, as doubles.
            const auto lo = [&](__m128i w) { return _mm_cvtepi32_pd(_mm_unpacklo_epi16(w, zero)); };
            const auto hi = [&](__m128i w) { return _mm_cvtepi32_pd(_mm_srli_si128(_mm_unpacklo_epi16(w, zero), 8)); };
            const auto lo2 = [&](__m128i w) { return _mm_cvtepi32_pd(_mm_unpackhi_epi16(w, zero)); };
            const auto hi2 = [&](__m128i w) { return _mm_cvtepi32_pd(_mm_srli_si128(_mm_unpackhi_epi16(w, zero), 8)); };
            const __m128d fxl = _mm_set1_pd(fxs[l]), fyl = _mm_set1_pd(fys[l]);
            const auto value = [&](__m128d ul, __m128d ur, __m128d ll, __m128d lr) {
                const __m128d top = _mm_add_pd(ul, _mm_mul_pd(_mm_sub_pd(ur, ul), fxl));
                const __m128d bottom = _mm_add_pd(ll, _mm_mul_pd(_mm_sub_pd(lr, ll), fxl));
                return _mm_cvttpd_epi32(_mm_add_pd(_mm_add_pd(top, half), _mm_mul_pd(_mm_sub_pd(bottom, top), fyl)));
            };
            const __m128i c01 = value(lo(t), lo2(t), lo(u), lo2(u)), c23 = value(hi(t), hi2(t), hi(u), hi2(u));
            const __m128i v = _mm_packus_epi16(_mm_packs_epi32(_mm_unpacklo_epi64(c01, c23), zero), zero);
            const std::int32_t word = _mm_cvtsi128_si32(v);
            std::memcpy(dst + 4 * (i + l), &word, 3);
        }
    }
    RemapRow_plain(s, xs + 4 * i, ys + 4 * i, linear, dst + 4 * i, n - i);
}

}  // namespace

void InstallSse2Kernels(Kernels& k) {
    k.swapRows = SwapRows_sse2;
    k.reverseSwap = ReverseSwap_sse2;
    k.gatherAC4 = GatherAC4_sse2;
    k.resizeRowH = ResizeRowH_sse2;
    k.resizeRowV = ResizeRowV_sse2;
    k.affineRow = MappedRow_sse2<false>;
    k.perspectiveRow = MappedRow_sse2<true>;
    k.remapRow = RemapRow_sse2;
}

}  // namespace vtx::px::geometry
