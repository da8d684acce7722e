// Remap distortions: twirl, sphere and cylinder. Each fills coordinate maps
// (source column and row of every destination pixel) and samples the image
// through them with the linear remap into a destination buffer pre-filled
// with (BackColor, 255), which then replaces the image: every alpha byte is
// 255 afterwards.
//
// Memory: the destination buffer is one frame; the maps are filled and used
// one band of rows at a time (kBandRows rows each), which samples exactly as
// whole-image maps would, since the remap treats every destination pixel on
// its own. The profile table of the sphere (rx·ry entries, each computed
// where it is first used) and of the cylinder comes from the call's memory
// too; a table above the call's limit counts as an allocation that fails
// (result 1, image unchanged).
//
// Speed: a pixel whose map entry is its own position comes out of the linear
// remap as it was (weight 0 on the neighbour, or weight 1 on the last
// column or row, which is the pixel itself), with alpha 255. Each fill
// therefore reports, row by row, the columns that the map moves (outside
// them every entry is the pixel's own position), and only those go through
// the remap; the rest keeps its colour. The map arithmetic is
// the single- and double-precision arithmetic of the definitions, four
// lanes at a time with SSE2 where it is plain +, -, ·, / and square root
// (correctly rounded in both forms), so the maps are bit for bit those of
// the one-pixel code.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#include "primitives/conventions.h"
#include "primitives/geometry.h"
#include "primitives/pixel.h"
#include "session/frame.h"
#include "session/work_memory.h"
#include "transform/profile.h"
#include "transform/transform.h"

namespace vtx {

namespace {

constexpr std::int32_t kBandRows = 32;
constexpr std::int64_t kPieceColumns = 128;

// Columns [x0, x1) of a row whose map entries a fill wrote; every other
// pixel of the row maps onto itself.
struct Span {
    std::int64_t x0, x1;
};

// Fills the maps of rows y0 .. y0+rows-1 (row r of the band at xs + r·W)
// inside the span it writes to spans[r].
using MapFill = void (*)(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs,
                         float* ys, Span* spans);

// The shared procedure.
std::int32_t RemapThrough(ImageSession& s, CallMemory& memory, const void* context, MapFill fill) {
    const std::int32_t w = s.width(), h = s.height();
    const std::int32_t band = std::min(h, kBandRows), bands = (h + band - 1) / band;
    const std::int64_t step = s.stride();
    std::uint8_t* dst = memory.Allocate(static_cast<std::int64_t>(s.byteSize()));
    auto* xs = reinterpret_cast<float*>(memory.Allocate(std::int64_t{4} * w * band));
    auto* ys = reinterpret_cast<float*>(memory.Allocate(std::int64_t{4} * w * band));
    auto* spans = reinterpret_cast<Span*>(memory.Allocate(std::int64_t{sizeof(Span)} * h));
    if (dst == nullptr || xs == nullptr || ys == nullptr || spans == nullptr) return 1;
    std::uint8_t bgr[3];
    ColourBytes(s.backColor(), bgr);
    const std::uint8_t value[4] = {bgr[0], bgr[1], bgr[2], 255};
    for (std::int32_t b = 0; b < bands; ++b) {
        const std::int32_t y0 = b * band, rows = std::min(band, h - y0);
        fill(context, w, y0, rows, xs, ys, spans + y0);
        // Pieces of kPieceColumns columns of all the band's rows in turn:
        // the source pixels one piece reads lie close together.
        std::int64_t x0 = w, x1 = 0;
        for (std::int32_t r = 0; r < rows; ++r) {
            const Span sp = spans[y0 + r];
            if (sp.x1 <= sp.x0) continue;
            x0 = std::min(x0, sp.x0);
            x1 = std::max(x1, sp.x1);
            const px::RoiSize size{static_cast<std::int32_t>(sp.x1 - sp.x0), 1};
            px::Set_8u_C4R(value, dst + (y0 + r) * step + 4 * sp.x0, s.stride(), size);
        }
        for (std::int64_t c0 = x0; c0 < x1; c0 += kPieceColumns) {
            for (std::int32_t r = 0; r < rows; ++r) {
                const Span sp = spans[y0 + r];
                const std::int64_t a = std::max(sp.x0, c0), e = std::min(sp.x1, c0 + kPieceColumns);
                if (e <= a) continue;
                const px::RoiSize size{static_cast<std::int32_t>(e - a), 1};
                const std::int64_t at = std::int64_t{r} * w + a;
                px::Remap_8u_AC4R(s.pixels(), px::RoiSize{w, h}, s.stride(), px::RoiRect{0, 0, w, h}, xs + at, 4 * w,
                                  ys + at, 4 * w, dst + (y0 + r) * step + 4 * a, s.stride(), size, px::kInterLinear);
            }
        }
    }
    // Only now, with every source read: the moved columns from the buffer,
    // alpha 255 elsewhere.
    const auto opaque = [](std::uint8_t* p, std::int64_t n) {
        for (std::int64_t i = 0; i < n; ++i) p[4 * i + 3] = 255;
    };
    for (std::int32_t y = 0; y < h; ++y) {
        Span sp = spans[y];
        if (sp.x1 <= sp.x0) sp = {w, w};
        std::uint8_t* row = s.pixels() + y * step;
        opaque(row, sp.x0);
        std::memcpy(row + 4 * sp.x0, dst + y * step + 4 * sp.x0, static_cast<std::size_t>(4 * (sp.x1 - sp.x0)));
        opaque(row + 4 * sp.x1, w - sp.x1);
    }
    return 0;
}

// Angle tables at half-degree steps, filled once.
struct AngleTables {
    float cosT[720], sinT[720];
    AngleTables() {
        for (int i = 0; i < 720; ++i) {
            cosT[i] = static_cast<float>(std::cos(i * 0.008726646259971648));
            sinT[i] = static_cast<float>(std::sin(i * 0.008726646259971648));
        }
    }
};

const AngleTables& Angles() {
    static const AngleTables tables;
    return tables;
}

struct Twirl {
    std::int32_t cx, cy;
    std::int64_t r2;
    float angle;
    std::int32_t degree;
    std::int32_t* indexes;  // one row's table indexes per |x|: max(cx, W − 1 − cx) + 4 entries
};

// θ = A multiplied `degree` times by (1 − r), in single precision. Only
// trunc(2θ) is used, and |θ| never grows (0 ≤ 1 − r ≤ 1), so the loop may
// stop once |θ| < 0.5 (the index is 0 from there on), θ no longer changes
// or is NaN (stays NaN).
float TwirlAngle(float a, float r, std::int32_t degree) {
    float theta = a;
    const float k = 1.0f - r;
    if (!(theta == theta) || k == 1.0f) return theta;
    for (std::int32_t i = 0; i < degree; ++i) {
        const float next = theta * k;
        if (next == theta || !(std::fabs(next) >= 0.5f)) return next;
        theta = next;
    }
    return theta;
}

float TwirlRadius(const Twirl& t, std::int64_t x, std::int64_t y) {
    return static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y) / static_cast<double>(t.r2)));
}

// Table index of θ. Indexes of a full turn or more wrap modulo 720 like the
// negative ones (an index of -720 < i < 0 gains 720).
std::int32_t TwirlIndex(float theta) {
    std::int32_t i = px::TruncToInt32(2.0 * static_cast<double>(theta)) % 720;
    return i < 0 ? i + 720 : i;
}

// Whether the pixel at (x, y) from the centre turns by half a degree or
// more; otherwise its index is 0 (cos 1, sin 0) and it maps onto itself.
bool TwirlMoves(const Twirl& t, std::int64_t x, std::int64_t y) {
    const float theta = t.degree > 0 ? TwirlAngle(t.angle, TwirlRadius(t, x, y), t.degree) : t.angle;
    return !(std::fabs(theta) < 0.5f);
}

// Four map entries from four table indexes: x·cos − y·sin + cx and
// x·sin + y·cos + cy in single precision.
void TwirlStore(const std::int32_t idx[4], __m128 fx, __m128 fy, __m128 fcx, __m128 fcy, float* xs, float* ys) {
    const AngleTables& tab = Angles();
    const __m128 co = _mm_setr_ps(tab.cosT[idx[0]], tab.cosT[idx[1]], tab.cosT[idx[2]], tab.cosT[idx[3]]);
    const __m128 si = _mm_setr_ps(tab.sinT[idx[0]], tab.sinT[idx[1]], tab.sinT[idx[2]], tab.sinT[idx[3]]);
    _mm_storeu_ps(xs, _mm_add_ps(_mm_sub_ps(_mm_mul_ps(fx, co), _mm_mul_ps(fy, si)), fcx));
    _mm_storeu_ps(ys, _mm_add_ps(_mm_add_ps(_mm_mul_ps(fx, si), _mm_mul_ps(fy, co)), fcy));
}

// Table indexes of the pixels x = m .. m+3 of row y (from the centre), four
// lanes: r from x² + y² exact in double, then θ multiplied until every
// lane is below 0.5 or fixed (further factors leave its index unchanged).
void TwirlIndexes(const Twirl& t, std::int32_t m, std::int64_t y, std::int32_t idx[4]) {
    const __m128i xi = _mm_setr_epi32(m, m + 1, m + 2, m + 3);
    const __m128d yy = _mm_set1_pd(static_cast<double>(y * y)), r2 = _mm_set1_pd(static_cast<double>(t.r2));
    const __m128d x01 = _mm_cvtepi32_pd(xi), x23 = _mm_cvtepi32_pd(_mm_shuffle_epi32(xi, 0xEE));
    const __m128d q01 = _mm_div_pd(_mm_add_pd(_mm_mul_pd(x01, x01), yy), r2);
    const __m128d q23 = _mm_div_pd(_mm_add_pd(_mm_mul_pd(x23, x23), yy), r2);
    const __m128 k = _mm_sub_ps(_mm_set1_ps(1.0f), _mm_movelh_ps(_mm_cvtpd_ps(_mm_sqrt_pd(q01)), _mm_cvtpd_ps(_mm_sqrt_pd(q23))));
    const __m128 half = _mm_set1_ps(0.5f), abs = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    __m128 theta = _mm_set1_ps(t.angle);
    for (std::int32_t i = 0; i < t.degree; ++i) {
        const __m128 next = _mm_mul_ps(theta, k);
        const __m128 settled = _mm_or_ps(_mm_cmpeq_ps(next, theta), _mm_cmplt_ps(_mm_and_ps(next, abs), half));
        theta = next;
        if (_mm_movemask_ps(settled) == 15) break;
    }
    const __m128d two = _mm_set1_pd(2.0);
    const __m128i i01 = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(theta), two));
    const __m128i i23 = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(theta, theta)), two));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(idx), _mm_unpacklo_epi64(i01, i23));
    for (int j = 0; j < 4; ++j) idx[j] = idx[j] % 720 < 0 ? idx[j] % 720 + 720 : idx[j] % 720;
}

void FillTwirl(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs, float* ys,
               Span* spans) {
    const Twirl& t = *static_cast<const Twirl*>(context);
    // |θ| does not grow with the distance from the centre, so the pixels of
    // a row that turn lie within |x| ≤ e of the centre column: e by
    // bisection per row.
    const std::int64_t xmax = std::max<std::int64_t>(t.cx, w - 1 - t.cx);
    // x and −x share r and θ: the indexes for |x| = 0 .. e first (four
    // lanes where x² + y² is exact in double, 2θ within the int32 range and
    // θ never NaN), then the entries.
    const bool lanes = w < (1 << 25) && t.cy < (1 << 25) && std::fabs(t.angle) < 1e9f;
    const auto fcx = static_cast<float>(t.cx), fcy = static_cast<float>(t.cy);
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int64_t y = y0 + r - t.cy;
        spans[r] = {0, 0};
        if (!TwirlMoves(t, 0, y)) continue;
        std::int64_t e = 0, hi = xmax;  // moves at e; the answer lies in [e, hi]
        while (e < hi) {
            const std::int64_t mid = e + (hi - e + 1) / 2;
            if (TwirlMoves(t, mid, y)) e = mid;
            else hi = mid - 1;
        }
        const Span sp = spans[r] = {std::max<std::int64_t>(t.cx - e, 0), std::min<std::int64_t>(t.cx + e + 1, w)};
        std::int32_t* idx = t.indexes;
        std::int64_t m = 0;
        if (t.degree <= 0) {
            for (; m <= e; ++m) idx[m] = TwirlIndex(t.angle);
        }
        for (; lanes && m + 4 <= e + 1; m += 4) TwirlIndexes(t, static_cast<std::int32_t>(m), y, idx + m);
        for (; m <= e; ++m) idx[m] = TwirlIndex(TwirlAngle(t.angle, TwirlRadius(t, m, y), t.degree));
        float* xr = xs + static_cast<std::int64_t>(r) * w;
        float* yr = ys + static_cast<std::int64_t>(r) * w;
        std::int64_t X = sp.x0;
        const __m128 fy = _mm_set1_ps(static_cast<float>(y));
        for (; X + 4 <= sp.x1; X += 4) {
            const auto x = static_cast<std::int32_t>(X - t.cx);
            const std::int32_t four[4] = {idx[std::abs(x)], idx[std::abs(x + 1)], idx[std::abs(x + 2)], idx[std::abs(x + 3)]};
            TwirlStore(four, _mm_cvtepi32_ps(_mm_setr_epi32(x, x + 1, x + 2, x + 3)), fy, _mm_set1_ps(fcx),
                       _mm_set1_ps(fcy), xr + X, yr + X);
        }
        const AngleTables& tab = Angles();
        for (; X < sp.x1; ++X) {
            const std::int64_t x = X - t.cx;
            const std::int32_t i = idx[x < 0 ? -x : x];
            const auto fx = static_cast<float>(x), fyy = static_cast<float>(y);
            xr[X] = fx * tab.cosT[i] - fyy * tab.sinT[i] + fcx;
            yr[X] = fx * tab.sinT[i] + fyy * tab.cosT[i] + fcy;
        }
    }
}

// The ellipse moves the pixels with |dx| < rx and |dy| < ry (d < 1 needs
// both: dx² ≥ rx² rounds to a quotient ≥ 1), so only the columns of `span`
// and rows within ry of the centre. Over the span |dx| runs from mlo to mhi.
// Rows dy and −dy share their profile factors: the factors of each |dy| in
// dylo .. dylo + count − 1 are kept (`lens` the number of |dx| inside, −1
// while not yet computed), up to about a frame, when the call's memory
// allows it beside a large profile table; otherwise (`lens` null) one
// row's factors are computed for every row.
struct Sphere {
    std::int64_t cx = 0, cy = 0, rx = 0, ry = 0;
    double degree = 0.0;
    float* table = nullptr;  // rx·ry entries, computed where first used
    Span span{0, 0};
    std::int64_t mlo = 0, mhi = 0, dylo = 0, count = 0;
    float* factors = nullptr;      // count rows of mhi − mlo + 5 factors
    std::int32_t* lens = nullptr;  // count entries after the factors
    std::int32_t* ks = nullptr;    // one row's table indexes (mhi − mlo + 5), after those

    std::int64_t Stride() const { return mhi - mlo + 5; }

    // Plans the call for an image of w x h; false when nothing moves.
    bool Plan(std::int32_t w, std::int32_t h) {
        if (rx <= 0 || ry <= 0) return false;
        span = {std::max<std::int64_t>(cx - rx + 1, 0), std::min<std::int64_t>(cx + rx, w)};
        mlo = cx < span.x0 ? span.x0 - cx : (cx >= span.x1 ? cx - span.x1 + 1 : 0);
        mhi = std::max(std::llabs(span.x0 - cx), std::llabs(span.x1 - 1 - cx));
        dylo = cy < 0 ? -cy : (cy >= h ? cy - h + 1 : 0);
        const std::int64_t dyhi = std::min<std::int64_t>(std::max(std::llabs(cy), std::llabs(h - 1 - cy)), ry - 1);
        count = dyhi - dylo + 1;
        return span.x1 > span.x0 && count > 0;
    }

    // The factors t[trunc(n·d)] of the |dx| inside for row |dy| = a with
    // qy = dy²/ry²; the number inside.
    std::int32_t RowFactors(float qy, float* f) const;
};

// First the indexes k of the |dx| inside, four lanes at a time until the
// first |dx| outside (the inside ones come first); then the entries not
// yet known, sixteen at a time (each marked −1, never an entry, once queued,
// so that it is computed once); then the factors.
std::int32_t Sphere::RowFactors(float qy, float* f) const {
    const auto frx = static_cast<float>(rx);
    const std::int64_t n = rx * ry;
    std::int64_t m = mlo;  // the first |dx| not known to be inside
    bool outside = false;
    if (mhi <= INT32_MAX - 4) {
        const __m128 vq = _mm_set1_ps(qy), rr = _mm_set1_ps(frx * frx), one = _mm_set1_ps(1.0f);
        const __m128d nd = _mm_set1_pd(static_cast<double>(n));
        while (!outside && m + 4 <= mhi + 1) {
            const auto mi = static_cast<std::int32_t>(m);
            const __m128 fdx = _mm_cvtepi32_ps(_mm_setr_epi32(mi, mi + 1, mi + 2, mi + 3));
            const __m128 d = _mm_sqrt_ps(_mm_add_ps(_mm_div_ps(_mm_mul_ps(fdx, fdx), rr), vq));
            const int inside = _mm_movemask_ps(_mm_cmplt_ps(d, one));
            // k = trunc(n·d) where d < 1, so below n ≤ 2^29.
            const __m128 dm = _mm_and_ps(d, _mm_cmplt_ps(d, one));
            const __m128i k01 = _mm_cvttpd_epi32(_mm_mul_pd(nd, _mm_cvtps_pd(dm)));
            const __m128i k23 = _mm_cvttpd_epi32(_mm_mul_pd(nd, _mm_cvtps_pd(_mm_movehl_ps(dm, dm))));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(ks + (m - mlo)), _mm_unpacklo_epi64(k01, k23));
            // The entries are scattered over the table: fetched ahead.
            for (int j = 0; j < 4; ++j) _mm_prefetch(reinterpret_cast<const char*>(table + ks[m - mlo + j]), _MM_HINT_T0);
            for (int j = 0; j < 4 && !outside; ++j) {
                outside = !(inside >> j & 1);
                m += !outside;
            }
        }
    }
    for (; !outside && m <= mhi; ++m) {
        const auto fdx = static_cast<float>(m);
        const float d = std::sqrt((fdx * fdx) / (frx * frx) + qy);
        if (!(d < 1.0f)) break;
        ks[m - mlo] = static_cast<std::int32_t>(static_cast<double>(n) * static_cast<double>(d));
    }
    const auto len = static_cast<std::int32_t>(m - mlo);
    std::int32_t queue[16];
    int queued = 0;
    const auto compute = [&] {
        float v[16];
        profile::Entries(queue, queued, n, degree, v);
        for (int j = 0; j < queued; ++j) table[queue[j]] = v[j];
        queued = 0;
    };
    for (std::int32_t i = 0; i < len; ++i) {
        const std::int32_t k = ks[i];
        const float v = table[k];
        const bool unknown = v != v;
        queue[queued] = k;
        queued += unknown;
        table[k] = unknown ? -1.0f : v;
        if (queued == 16) compute();
    }
    if (queued > 0) compute();
    for (std::int32_t i = 0; i < len; ++i) f[i] = table[ks[i]];
    return len;
}

// d = sqrt(dx²/rx² + dy²/ry²) in single precision, dy²/ry² once per row.
// With rx or ry 0 every pixel maps to itself (d is not finite). d does not
// decrease with |dx| (each step is monotonic), so the pixels of a row
// inside the ellipse are those with |dx| below some e: the row's span.
// dx and −dx share d: the row's factors per |dx| first, then the entries
// dx·f + CX, dy·f + CY.
void FillSphere(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs, float* ys,
                Span* spans) {
    const Sphere& p = *static_cast<const Sphere*>(context);
    const auto fry = static_cast<float>(p.ry);
    const auto fcx = static_cast<float>(p.cx), fcy = static_cast<float>(p.cy);
    for (std::int32_t r = 0; r < rows; ++r) {
        spans[r] = {0, 0};
        const std::int64_t dy = y0 + r - p.cy, a = (dy < 0 ? -dy : dy) - p.dylo;
        if (a < 0 || a >= p.count) continue;
        const auto fdy = static_cast<float>(dy);
        float* f = p.factors;
        std::int32_t inside = 0;
        if (p.lens == nullptr) {
            inside = p.RowFactors((fdy * fdy) / (fry * fry), f);
        } else {
            f += a * p.Stride();
            if (p.lens[a] < 0) p.lens[a] = p.RowFactors((fdy * fdy) / (fry * fry), f);
            inside = p.lens[a];
        }
        // |dx| in [mlo, mlo + inside) is inside.
        if (inside == 0) continue;
        const std::int64_t e = p.mlo + inside - 1;
        const Span row = spans[r] = {std::max(p.span.x0, p.cx - e), std::min(p.span.x1, p.cx + e + 1)};
        float* xr = xs + static_cast<std::int64_t>(r) * w;
        float* yr = ys + static_cast<std::int64_t>(r) * w;
        const auto at = [&](std::int64_t dx) { return f[(dx < 0 ? -dx : dx) - p.mlo]; };
        const auto one = [&](std::int64_t X) {
            const float v = at(X - p.cx);
            xr[X] = static_cast<float>(X - p.cx) * v + fcx;
            yr[X] = fdy * v + fcy;
        };
        std::int64_t X = row.x0;
        if (p.mhi <= INT32_MAX - 4) {
            // Left of the centre the factors run backwards through f, from
            // the centre on forwards.
            const __m128 vy = _mm_set1_ps(fdy), vcx = _mm_set1_ps(fcx), vcy = _mm_set1_ps(fcy);
            const auto four = [&](std::int64_t X, __m128 v) {
                const auto dx = static_cast<std::int32_t>(X - p.cx);
                const __m128 fdx = _mm_cvtepi32_ps(_mm_setr_epi32(dx, dx + 1, dx + 2, dx + 3));
                _mm_storeu_ps(xr + X, _mm_add_ps(_mm_mul_ps(fdx, v), vcx));
                _mm_storeu_ps(yr + X, _mm_add_ps(_mm_mul_ps(vy, v), vcy));
            };
            const std::int64_t left = std::min(row.x1, p.cx);
            for (; X + 4 <= left; X += 4) {
                const __m128 v = _mm_loadu_ps(f + (p.cx - X - 3 - p.mlo));
                four(X, _mm_shuffle_ps(v, v, _MM_SHUFFLE(0, 1, 2, 3)));
            }
            for (; X < left; ++X) one(X);
            for (; X + 4 <= row.x1; X += 4) four(X, _mm_loadu_ps(f + (X - p.cx - p.mlo)));
        }
        for (; X < row.x1; ++X) one(X);
    }
}

struct Cylinder {
    std::int64_t centre, n;
    bool rows;
    const float* table;
};

// Entry v of a pixel at position v (row or column): d · t[|d|] + C within
// the lens, v elsewhere.
float CylinderEntry(const Cylinder& p, std::int64_t v) {
    const std::int64_t d = v - p.centre, ad = d < 0 ? -d : d;
    return ad < p.n ? static_cast<float>(d) * p.table[ad] + static_cast<float>(p.centre) : static_cast<float>(v);
}

// Rows mode: the rows within the lens are moved (whole rows, the y entry
// the same along the row); columns mode: the columns within the lens, with
// the same x entries in every row.
void FillCylinder(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs, float* ys,
                  Span* spans) {
    const Cylinder& p = *static_cast<const Cylinder*>(context);
    const std::int64_t lo = p.centre - p.n + 1, hi = p.centre + p.n;  // the lens: [lo, hi)
    Span sp{0, w};
    if (!p.rows) sp = {std::max<std::int64_t>(lo, 0), std::min<std::int64_t>(hi, w)};
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int64_t Y = y0 + r;
        const bool moves = sp.x1 > sp.x0 && (!p.rows || (Y >= lo && Y < hi));
        spans[r] = moves ? sp : Span{0, 0};
        if (!moves) continue;
        float* xr = xs + static_cast<std::int64_t>(r) * w;
        float* yr = ys + static_cast<std::int64_t>(r) * w;
        const float fy = p.rows ? CylinderEntry(p, Y) : static_cast<float>(Y);
        if (!p.rows && r > 0) std::memcpy(xr + sp.x0, xs + sp.x0, static_cast<std::size_t>(4 * (sp.x1 - sp.x0)));
        for (std::int64_t X = sp.x0; X < sp.x1; ++X) {
            if (p.rows) xr[X] = static_cast<float>(X);
            else if (r == 0) xr[X] = CylinderEntry(p, X);
            yr[X] = fy;
        }
    }
}

double ClampDegree(double degree) {
    // A NaN degree counts as 0 (no change).
    return degree == degree ? ClampDouble(degree, -1.0, 10.0) : 0.0;
}

}  // namespace

std::int32_t TransformTwirl(ImageSession& s, double Completeness, double Angle, std::int32_t Degree) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    Twirl t;
    t.cx = s.width() / 2;
    t.cy = s.height() / 2;
    t.r2 = std::int64_t{t.cx} * t.cx + std::int64_t{t.cy} * t.cy;
    t.angle = static_cast<float>(c * Angle);
    t.degree = Degree;
    CallMemory memory(s);
    t.indexes = reinterpret_cast<std::int32_t*>(memory.Allocate(std::int64_t{4} * (t.cx + 4)));
    if (t.indexes == nullptr) return 1;
    return RemapThrough(s, memory, &t, FillTwirl);
}

std::int32_t TransformSphere(ImageSession& s, double Completeness, std::int32_t CenterX, std::int32_t CenterY,
                             std::int32_t RadiusX, std::int32_t RadiusY, double Degree) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double degree = ClampDegree(Degree);
    Sphere p;
    p.cx = CenterX;
    p.cy = std::int64_t{s.height()} - 1 - CenterY;
    p.rx = px::TruncToInt32(std::max(RadiusX * c, 0.001));
    p.ry = px::TruncToInt32(std::max(RadiusY * c, 0.001));
    CallMemory memory(s);
    p.degree = degree;
    p.table = profile::Table(memory, std::max<std::int64_t>(p.rx * p.ry, 1), degree, true);
    if (p.table == nullptr) return 1;
    if (!p.Plan(s.width(), s.height())) {
        p.count = 0;  // nothing moves; the alpha bytes become 255 all the same
    } else {
        // The kept factors, their lengths and one row's indexes, if the
        // memory left for the destination buffer and the band maps allows;
        // else one row's factors and indexes.
        const std::int64_t rowBytes = 4 * p.Stride(), kept = (rowBytes + 4) * p.count + rowBytes;
        const std::int64_t rest = s.byteSize() + std::int64_t{8} * s.width() * std::min(s.height(), kBandRows) +
                                  std::int64_t{sizeof(Span)} * s.height();
        std::uint8_t* block = memory.held() + kept + rest <= memory.limit() ? memory.Allocate(kept) : nullptr;
        if (block != nullptr) {
            p.factors = reinterpret_cast<float*>(block);
            p.lens = reinterpret_cast<std::int32_t*>(block + rowBytes * p.count);
            p.ks = p.lens + p.count;
            std::memset(p.lens, 0xFF, static_cast<std::size_t>(4 * p.count));
        } else {
            block = memory.Allocate(2 * rowBytes);
            if (block == nullptr) return 1;
            p.factors = reinterpret_cast<float*>(block);
            p.ks = reinterpret_cast<std::int32_t*>(block + rowBytes);
        }
    }
    return RemapThrough(s, memory, &p, FillSphere);
}

std::int32_t TransformCylinder(ImageSession& s, double Completeness, std::int32_t Center, std::int32_t Radius,
                               double Degree, std::int32_t Type) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double degree = ClampDegree(Degree);
    Cylinder p;
    p.n = px::TruncToInt32(std::max(Radius * c, 1.0));
    p.rows = Type == 0;
    p.centre = p.rows ? std::int64_t{s.height()} - 1 - Center : std::int64_t{Center};
    CallMemory memory(s);
    p.table = profile::Table(memory, p.n, degree, false);
    if (p.table == nullptr) return 1;
    return RemapThrough(s, memory, &p, FillCylinder);
}

}  // namespace vtx
