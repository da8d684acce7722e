// Geometric primitives: argument checks, the per-call planning (column and
// row tables of the scaling, the rotation and warp coefficients, the spans of
// a destination quadrangle) and the plain row kernels.
//
// Choices where the rules leave room:
// - Cubic interpolation (code 4) is accepted and sampled as linear at every
//   image size.
// - A source rectangle is cut to its image; one whose origin lies at or past
//   the image's far edge is refused with -6, after the other checks.
// - Rotation and warps map destination pixels, taken as points at their
//   integer coordinates, back through the inverse transform (see
//   RotateCenter_8u_AC4R and the warps). Their linear sampling is the
//   two-stage 14-bit rule of the scaling with rounded weights; it reads only
//   the source rectangle (a rectangle 1 pixel wide or high is sampled
//   nearest). Nearest takes trunc(position + 0.5).
// - The rule for the inside of a destination quadrangle is in QuadSpans.
#include "primitives/geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "primitives/geometry_kernels.h"

namespace vtx::px {
namespace geometry {

// ---------------------------------------------------------------------------
// Plain kernels.

namespace {
inline void SwapColour(U8* a, U8* b) {
    for (int c = 0; c < 3; ++c) {
        const U8 t = a[c];
        a[c] = b[c];
        b[c] = t;
    }
}
}  // namespace

void SwapRows_plain(U8* a, U8* b, Count n) {
    for (Count x = 0; x < n; ++x) SwapColour(a + 4 * x, b + 4 * x);
}

void ReverseSwap_plain(U8* a, U8* b, Count count, Count w) {
    for (Count x = 0; x < count; ++x) SwapColour(a + 4 * x, b + 4 * (w - 1 - x));
}

void GatherAC4_plain(const U8* row, const std::int32_t* col, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        const U8* p = row + 4 * static_cast<std::ptrdiff_t>(col[i]);
        dst[4 * i] = p[0];
        dst[4 * i + 1] = p[1];
        dst[4 * i + 2] = p[2];
    }
}

void ResizeRowH_plain(const U8* row, const std::int32_t* col, const std::int16_t* wts, std::int16_t* h, Count n) {
    for (Count i = 0; i < n; ++i) {
        const U8* p = row + 4 * static_cast<std::ptrdiff_t>(col[i]);
        const std::int32_t w0 = wts[2 * i], w1 = wts[2 * i + 1];
        for (int c = 0; c < 3; ++c) h[4 * i + c] = static_cast<std::int16_t>((w0 * p[c] + w1 * p[4 + c] + 128) >> 8);
        h[4 * i + 3] = 0;
    }
}

void ResizeRowV_plain(const std::int16_t* h0, const std::int16_t* h1, std::int32_t wy, U8* dst, Count n) {
    const std::int32_t w0 = kOne - wy;
    for (Count i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            dst[4 * i + c] = static_cast<U8>((w0 * h0[4 * i + c] + wy * h1[4 * i + c] + 524288) >> 20);
        }
    }
}

void SampleNearest(const Source& s, double u, double v, U8* dst) {
    const U8* p = PixelAt(s, static_cast<std::int32_t>(u + 0.5), static_cast<std::int32_t>(v + 0.5));
    dst[0] = p[0];
    dst[1] = p[1];
    dst[2] = p[2];
}

void SampleLinear(const Source& s, double u, double v, U8* dst) {
    std::int32_t kx = static_cast<std::int32_t>(u), ky = static_cast<std::int32_t>(v);
    std::int32_t wx = static_cast<std::int32_t>((u - kx) * kOne + 0.5);
    std::int32_t wy = static_cast<std::int32_t>((v - ky) * kOne + 0.5);
    if (kx == s.xmax) {
        kx -= 1;
        wx = kOne;
    }
    if (ky == s.ymax) {
        ky -= 1;
        wy = kOne;
    }
    const U8* p0 = PixelAt(s, kx, ky);
    const U8* p1 = p0 + s.step;
    for (int c = 0; c < 3; ++c) {
        const std::int32_t h0 = ((kOne - wx) * p0[c] + wx * p0[4 + c] + 128) >> 8;
        const std::int32_t h1 = ((kOne - wx) * p1[c] + wx * p1[4 + c] + 128) >> 8;
        dst[c] = static_cast<U8>(((kOne - wy) * h0 + wy * h1 + 524288) >> 20);
    }
}

void AffineRow_plain(const Source& s, const RowMap& m, bool linear, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        const double x = static_cast<double>(m.x0 + i);
        const double u = m.a * x + m.ru, v = m.d * x + m.rv;
        if (!InsideSource(s, u, v)) continue;
        if (linear) {
            SampleLinear(s, u, v, dst + 4 * i);
        } else {
            SampleNearest(s, u, v, dst + 4 * i);
        }
    }
}

void PerspectiveRow_plain(const Source& s, const RowMap& m, bool linear, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        const double x = static_cast<double>(m.x0 + i);
        const double w = m.g * x + m.rw;
        const double u = (m.a * x + m.ru) / w, v = (m.d * x + m.rv) / w;
        if (!InsideSource(s, u, v)) continue;
        if (linear) {
            SampleLinear(s, u, v, dst + 4 * i);
        } else {
            SampleNearest(s, u, v, dst + 4 * i);
        }
    }
}

void RemapRow_plain(const Source& s, const U8* xs, const U8* ys, bool linear, U8* dst, Count n) {
    for (Count i = 0; i < n; ++i) {
        float fxv, fyv;
        std::memcpy(&fxv, xs + 4 * i, 4);
        std::memcpy(&fyv, ys + 4 * i, 4);
        const double sx = fxv, sy = fyv;
        if (!InsideSource(s, sx, sy)) continue;
        U8* d = dst + 4 * i;
        if (!linear) {
            SampleNearest(s, sx, sy, d);
            continue;
        }
        std::int32_t ix = static_cast<std::int32_t>(sx + 1e-7), iy = static_cast<std::int32_t>(sy + 1e-7);
        double fx = 1.0, fy = 1.0;
        if (ix >= s.imageWidth - 1) {
            ix = s.imageWidth - 2;
        } else {
            fx = sx - ix;
        }
        if (iy >= s.imageHeight - 1) {
            iy = s.imageHeight - 2;
        } else {
            fy = sy - iy;
        }
        const U8* ul = PixelAt(s, ix, iy);
        const U8* ll = ul + s.step;
        for (int c = 0; c < 3; ++c) {
            const double top = ul[c] + (ul[4 + c] - ul[c]) * fx;
            const double bottom = ll[c] + (ll[4 + c] - ll[c]) * fx;
            const double value = (top + 0.5) + (bottom - top) * fy;
            // value lies in [0, 255.5] up to rounding: truncation then a clamp
            // that only guards the conversion.
            const std::int32_t t = static_cast<std::int32_t>(value);
            d[c] = static_cast<U8>(t < 0 ? 0 : (t > 255 ? 255 : t));
        }
    }
}

namespace {

constexpr Kernels kPlainKernels = {SwapRows_plain, ReverseSwap_plain, GatherAC4_plain, ResizeRowH_plain, ResizeRowV_plain,
                                   AffineRow_plain, PerspectiveRow_plain, RemapRow_plain};

#if defined(VTX_GEOMETRY_SSE2)
constexpr KernelInstaller<Kernels> kSse2 = InstallSse2Kernels;
#else
constexpr KernelInstaller<Kernels> kSse2 = nullptr;
#endif
#if defined(VTX_GEOMETRY_AVX2)
constexpr KernelInstaller<Kernels> kAvx2 = InstallAvx2Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx2 = nullptr;
#endif
#if defined(VTX_GEOMETRY_AVX512)
constexpr KernelInstaller<Kernels> kAvx512 = InstallAvx512Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx512 = nullptr;
#endif

const Kernels& KernelsForCurrentLevel() {
    static const std::array<Kernels, kCpuLevelCount> table = BuildLevelTable<Kernels>(kPlainKernels, kSse2, kAvx2, kAvx512);
    return ForCurrentLevel(table);
}

}  // namespace
}  // namespace geometry

namespace {

using geometry::Count;
using geometry::kOne;
using geometry::Source;
using geometry::U8;

template <class T>
inline T* RowAt(T* base, std::int64_t y, std::int32_t step) {
    return base + static_cast<std::ptrdiff_t>(y * step);
}

// A temporary buffer of `count` elements from the primitives' allocator.
template <class T>
struct Temp {
    T* p = nullptr;
    explicit Temp(std::int64_t count) {
        if (count > 0 && count <= (std::int64_t{1} << 40) / static_cast<std::int64_t>(sizeof(T))) {
            p = static_cast<T*>(MallocBytes(count * static_cast<std::int64_t>(sizeof(T))));
        }
    }
    ~Temp() { Free(p); }
    Temp(const Temp&) = delete;
    Temp& operator=(const Temp&) = delete;
};

inline bool BadSize(RoiSize s) {
    return s.width < 1 || s.height < 1;
}
inline bool BadRect(RoiRect r) {
    return r.x < 0 || r.y < 0 || r.width < 1 || r.height < 1;
}
inline bool KnownInterpolation(std::int32_t i) {
    return i == kInterNearest || i == kInterLinear || i == kInterCubic;
}

// The source rectangle cut to the image. A rectangle whose origin lies at or
// beyond the image's far edge leaves nothing to read; the mapping
// primitives refuse it as a bad size.
bool CutSource(const std::uint8_t* src, RoiSize size, std::int32_t step, RoiRect roi, Source& s) {
    if (roi.x >= size.width || roi.y >= size.height) return false;
    const std::int64_t w = std::min<std::int64_t>(roi.width, std::int64_t{size.width} - roi.x);
    const std::int64_t h = std::min<std::int64_t>(roi.height, std::int64_t{size.height} - roi.y);
    s = Source{src, step, size.width, size.height, roi.x, static_cast<std::int32_t>(roi.x + w - 1), roi.y,
               static_cast<std::int32_t>(roi.y + h - 1)};
    return true;
}

// ---------------------------------------------------------------------------
// Scaling.

// One axis of the scaling: `count` destination columns (rows), for each the
// absolute source column k and, for linear sampling, the weight of k + 1.
struct AxisPlan {
    std::int32_t count = 0;
    Temp<std::int32_t> index;
    Temp<std::int16_t> weights;  // pairs (kOne − w, w)
    AxisPlan(std::int64_t m, bool linear) : index(m), weights(linear ? 2 * m : 1) {}
    bool ok() const { return index.p != nullptr && weights.p != nullptr; }
};

// Number of destination columns of an axis: trunc(n·f + 1e-7), limited to
// 1 .. limit.
std::int32_t ScaledCount(std::int32_t n, double f, std::int32_t limit) {
    const std::int32_t m = TruncToInt32(n * f + 1e-7);
    return m < 1 ? 1 : (m > limit ? limit : m);
}

// Fills the plan of an axis: the rectangle starts at `origin`, is n wide,
// the image ends at column `imageSize` − 1; positions start at `shift`.
// Nearest columns never pass `lastInside`, the last column of the caller's
// rectangle: a starting shift (scaling about a centre) can carry the last
// position past the part of the rectangle being scaled.
void FillAxis(AxisPlan& plan, std::int32_t origin, std::int32_t n, std::int32_t imageSize, double f, double shift,
              bool linear, std::int32_t lastInside) {
    const double nf = n * f;
    const double spread = nf > 1 ? (n - 1) / (nf - 1) : 0.0;
    double step = spread, offset = 0.0;
    if (!linear) {
        const double inv = 1.0 / f;
        const bool exact = (f >= 1 && f == std::floor(f)) || (f < 1 && inv == std::floor(inv));
        step = exact ? inv : spread;
        offset = exact ? 0.0 : 0.5;
    }
    // The last column of the image counted from the rectangle's origin.
    const std::int32_t last = imageSize - 1 - origin;
    double p = shift + offset;
    for (std::int32_t i = 0; i < plan.count; ++i, p += step) {
        std::int32_t k = TruncToInt32(p + 1e-7);
        if (k < 0) k = 0;  // guard: positions start at -1e-7 at the lowest
        if (!linear) {
            plan.index.p[i] = std::min<std::int64_t>(std::int64_t{origin} + k, lastInside);
            continue;
        }
        std::int32_t w = TruncToInt32((p - k) * 16384 + 1e-7);
        if (k >= last) {  // equality in practice; beyond it only by accumulated rounding
            k = last - 1;
            w = kOne;
        }
        plan.index.p[i] = origin + k;
        plan.weights.p[2 * i] = static_cast<std::int16_t>(kOne - w);
        plan.weights.p[2 * i + 1] = static_cast<std::int16_t>(w);
    }
}

// The scaling of the region (x, y, n, nRows) of the source into the
// destination region of `cols` × `rows` pixels at most, positions starting
// at the shifts.
Status ScaleRegion(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect r, std::uint8_t* dst,
                   std::int32_t dstStep, std::int32_t cols, std::int32_t rows, double xf, double yf, double xShift,
                   double yShift, bool linear, RoiPoint lastInside) {
    const std::int32_t m = ScaledCount(r.width, xf, cols), mr = ScaledCount(r.height, yf, rows);
    AxisPlan px(m, linear), py(mr, linear);
    if (!px.ok() || !py.ok()) return kStsNoMemory;
    px.count = m;
    py.count = mr;
    FillAxis(px, r.x, r.width, srcSize.width, xf, xShift, linear, lastInside.x);
    FillAxis(py, r.y, r.height, srcSize.height, yf, yShift, linear, lastInside.y);
    const geometry::Kernels& k = geometry::KernelsForCurrentLevel();
    if (!linear) {
        for (std::int32_t j = 0; j < mr; ++j) k.gatherAC4(RowAt(src, py.index.p[j], srcStep), px.index.p, RowAt(dst, j, dstStep), m);
        return kStsOk;
    }
    // Two horizontally interpolated source rows, kept while consecutive
    // destination rows use them.
    Temp<std::int16_t> h(std::int64_t{8} * m);
    if (h.p == nullptr) return kStsNoMemory;
    std::int16_t* rowBuf[2] = {h.p, h.p + std::int64_t{4} * m};
    std::int64_t held[2] = {-1, -1};
    for (std::int32_t j = 0; j < mr; ++j) {
        const std::int64_t ky = py.index.p[j];
        if (held[0] != ky) {
            if (held[1] == ky) {
                std::swap(rowBuf[0], rowBuf[1]);
                std::swap(held[0], held[1]);
            } else {
                k.resizeRowH(RowAt(src, ky, srcStep), px.index.p, px.weights.p, rowBuf[0], m);
                held[0] = ky;
            }
        }
        if (held[1] != ky + 1) {
            k.resizeRowH(RowAt(src, ky + 1, srcStep), px.index.p, px.weights.p, rowBuf[1], m);
            held[1] = ky + 1;
        }
        k.resizeRowV(rowBuf[0], rowBuf[1], py.weights.p[2 * j + 1], RowAt(dst, j, dstStep), m);
    }
    return kStsOk;
}

Status CheckScale(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                  const std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, double xf, double yf,
                  std::int32_t interpolation) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(srcSize) || BadRect(srcRoi) || BadSize(dstSize)) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    // Own parameters: the interpolation code first, then the factors.
    if (!KnownInterpolation(interpolation)) return kStsBadInterpolation;
    if (!(xf > 0) || !(yf > 0)) return kStsBadScale;  // NaN included
    if (srcRoi.x >= srcSize.width || srcRoi.y >= srcSize.height) return kStsBadSize;
    return kStsOk;
}

// Linear unless the image is one pixel wide or high. Cubic sampling is done
// as linear at every size: the operations never ask for it.
bool UseLinear(RoiSize image, std::int32_t interpolation) {
    return interpolation != kInterNearest && image.width > 1 && image.height > 1;
}

RoiRect CutRect(RoiSize size, RoiRect r) {
    r.width = static_cast<std::int32_t>(std::min<std::int64_t>(r.width, std::int64_t{size.width} - r.x));
    r.height = static_cast<std::int32_t>(std::min<std::int64_t>(r.height, std::int64_t{size.height} - r.y));
    return r;
}

RoiPoint LastInside(RoiRect r) {
    return {r.x + r.width - 1, r.y + r.height - 1};
}

// ---------------------------------------------------------------------------
// Rotation.

struct Rotation {
    double reduced, cos, sin;
    bool exact;  // reduced angle exactly 0, 90, 180 or 270
};

Rotation RotationOf(double angle) {
    const double n = std::trunc(angle * 0.002777777777777778);
    double a = angle + n * -360.0;
    if (a < 0) a = a + 360.0;
    Rotation r{a, 0.0, 0.0, true};
    if (a == 90) {
        r.sin = 1.0;
    } else if (a == 180) {
        r.cos = -1.0;
    } else if (a == 270) {
        r.sin = -1.0;
    } else {
        const double rad = a * 0.005555555555555556 * 3.141592653589793;
        r.cos = std::cos(rad);
        r.sin = std::sin(rad);
        r.exact = (a == 0);
    }
    return r;
}

// Runs a mapped-row kernel over the destination rectangle, each row limited
// to the span [lo, hi) that `span` returns, in tiles of 128 columns by 32
// rows (the spans are found once per row first).
template <class Span>
Status MapRows(void (*kernel)(const Source&, const geometry::RowMap&, bool, U8*, Count), const Source& s,
               bool linear, std::uint8_t* dst, std::int32_t dstStep, RoiRect d,
               geometry::RowMap (*rowMap)(const double*, double), const double* coeffs, Span span) {
    constexpr std::int64_t kTileColumns = 128;
    constexpr std::int32_t kTileRows = 32;
    Temp<std::int64_t> spans(std::int64_t{2} * d.height);
    if (spans.p == nullptr) return kStsNoMemory;
    for (std::int32_t j = 0; j < d.height; ++j) {
        std::int64_t lo = d.x, hi = std::int64_t{d.x} + d.width;
        span(static_cast<double>(std::int64_t{d.y} + j), lo, hi);
        spans.p[2 * j] = lo;
        spans.p[2 * j + 1] = hi;
    }
    for (std::int32_t j0 = 0; j0 < d.height; j0 += std::min(kTileRows, d.height - j0)) {
        const std::int32_t j1 = j0 + std::min(kTileRows, d.height - j0);
        for (std::int64_t x = d.x; x < std::int64_t{d.x} + d.width; x += kTileColumns) {
            for (std::int32_t j = j0; j < j1; ++j) {
                const std::int64_t lo = std::max(spans.p[2 * j], x), hi = std::min(spans.p[2 * j + 1], x + kTileColumns);
                if (lo >= hi) continue;
                const std::int64_t y = std::int64_t{d.y} + j;
                geometry::RowMap m = rowMap(coeffs, static_cast<double>(y));
                m.x0 = static_cast<std::int32_t>(lo);
                kernel(s, m, linear, RowAt(dst, y, dstStep) + 4 * lo, static_cast<Count>(hi - lo));
            }
        }
    }
    return kStsOk;
}

// Coefficients of an affine inverse map u = c[0]·X + (c[1]·Y + c[2]),
// v = c[3]·X + (c[4]·Y + c[5]).
geometry::RowMap AffineRowMap(const double* c, double y) {
    return {c[0], c[1] * y + c[2], c[3], c[4] * y + c[5], 0.0, 1.0, 0};
}
// Projective: numerators as above, denominator c[6]·X + (c[7]·Y + c[8]).
geometry::RowMap PerspectiveRowMap(const double* c, double y) {
    return {c[0], c[1] * y + c[2], c[3], c[4] * y + c[5], c[6], c[7] * y + c[8], 0};
}

// ---------------------------------------------------------------------------
// Quadrangles.

bool Finite(const double q[4][2]) {
    for (int i = 0; i < 4; ++i) {
        if (!std::isfinite(q[i][0]) || !std::isfinite(q[i][1])) return false;
    }
    return true;
}

// Pixel (X, Y) counts as inside the destination quadrangle when it lies on
// the inner side of each of the four edges or on the edge itself:
// orientation · ((x1 − x0)·(Y − y0) − (y1 − y0)·(X − x0)) ≥ 0 for every edge
// (x0, y0) → (x1, y1), the orientation being the sign of the shoelace area.
// For a convex quadrangle this is the quadrangle with its boundary; for a
// non-convex one only the points inside all four edge lines count. A
// quadrangle of zero area covers nothing. Every edge test is monotone in X
// (each rounding is), so a row's inside pixels form one span, found by
// bisection with the very same test.
struct QuadSpans {
    double q[4][2];
    double orientation;

    explicit QuadSpans(const double quad[4][2]) {
        double area = 0;
        for (int i = 0; i < 4; ++i) {
            q[i][0] = quad[i][0];
            q[i][1] = quad[i][1];
        }
        for (int i = 0; i < 4; ++i) {
            const int j = (i + 1) & 3;
            area += q[i][0] * q[j][1] - q[j][0] * q[i][1];
        }
        orientation = area > 0 ? 1.0 : (area < 0 ? -1.0 : 0.0);
    }
    bool EdgeOk(int i, double x, double y) const {
        const int j = (i + 1) & 3;
        const double e = (q[j][0] - q[i][0]) * (y - q[i][1]) - (q[j][1] - q[i][1]) * (x - q[i][0]);
        return orientation > 0 ? e >= 0 : e <= 0;
    }
    void operator()(double y, std::int64_t& lo, std::int64_t& hi) const {
        if (orientation == 0) {
            hi = lo;
            return;
        }
        for (int i = 0; i < 4 && lo < hi; ++i) {
            const int j = (i + 1) & 3;
            const double slope = -(q[j][1] - q[i][1]) * orientation;
            if (slope == 0) {
                if (!EdgeOk(i, static_cast<double>(lo), y)) hi = lo;
                continue;
            }
            // First column in [lo, hi] where the test changes its value.
            const bool rising = slope > 0;
            std::int64_t a = lo, b = hi;
            while (a < b) {
                const std::int64_t mid = a + (b - a) / 2;
                if (EdgeOk(i, static_cast<double>(mid), y) == rising) {
                    b = mid;
                } else {
                    a = mid + 1;
                }
            }
            if (rising) {
                lo = a;
            } else {
                hi = a;
            }
        }
    }
};

Status CheckMapped(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                   const void* srcQuad, const std::uint8_t* dst, std::int32_t dstStep, RoiRect dstRoi,
                   const void* dstQuad, std::int32_t interpolation, Source& s) {
    if (src == nullptr || srcQuad == nullptr || dst == nullptr || dstQuad == nullptr) return kStsNullPtr;
    if (BadSize(srcSize) || BadRect(srcRoi) || BadRect(dstRoi)) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    if (!KnownInterpolation(interpolation)) return kStsBadInterpolation;
    if (!CutSource(src, srcSize, srcStep, srcRoi, s)) return kStsBadSize;
    return kStsOk;
}

// Linear sampling needs a rectangle at least 2 × 2 (the pair rule reads the
// column or row before the last); a thinner one is sampled nearest.
bool UseLinearIn(const Source& s, std::int32_t interpolation) {
    return interpolation != kInterNearest && s.xmax > s.xmin && s.ymax > s.ymin;
}

// Square (0,0), (1,0), (1,1), (0,1) onto the quadrangle, as a 3 × 3 matrix
// taking (s, t, 1) to (x·w, y·w, w).
void SquareToQuad(const double q[4][2], double m[9]) {
    const double sx = q[0][0] - q[1][0] + q[2][0] - q[3][0];
    const double sy = q[0][1] - q[1][1] + q[2][1] - q[3][1];
    double g = 0, h = 0;
    if (sx != 0 || sy != 0) {
        const double dx1 = q[1][0] - q[2][0], dx2 = q[3][0] - q[2][0];
        const double dy1 = q[1][1] - q[2][1], dy2 = q[3][1] - q[2][1];
        const double den = dx1 * dy2 - dx2 * dy1;
        g = (sx * dy2 - dx2 * sy) / den;
        h = (dx1 * sy - sx * dy1) / den;
    }
    m[0] = q[1][0] - q[0][0] + g * q[1][0];
    m[1] = q[3][0] - q[0][0] + h * q[3][0];
    m[2] = q[0][0];
    m[3] = q[1][1] - q[0][1] + g * q[1][1];
    m[4] = q[3][1] - q[0][1] + h * q[3][1];
    m[5] = q[0][1];
    m[6] = g;
    m[7] = h;
    m[8] = 1.0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Public primitives.

Status Mirror_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, std::int32_t axis) {
    if (srcDst == nullptr) return kStsNullPtr;
    if (step < 1) return kStsBadStep;
    if (BadSize(size)) return kStsBadSize;
    if (axis < kAxisHorizontal || axis > kAxisBoth) return kStsBadMirrorAxis;
    const geometry::Kernels& k = geometry::KernelsForCurrentLevel();
    const std::int32_t h = size.height;
    if (axis == kAxisHorizontal) {
        for (std::int32_t i = 0; i < h / 2; ++i) k.swapRows(RowAt(srcDst, i, step), RowAt(srcDst, h - 1 - i, step), size.width);
        return kStsOk;
    }
    // Columns reversed (and rows too for both axes): pixel (x, y) changes
    // place with (w − 1 − x, y') where y' is y or h − 1 − y; a row paired
    // with itself exchanges only its first half.
    for (std::int32_t i = 0; i < h; ++i) {
        const std::int32_t other = axis == kAxisBoth ? h - 1 - i : i;
        if (other < i) break;
        k.reverseSwap(RowAt(srcDst, i, step), RowAt(srcDst, other, step), other == i ? size.width / 2 : size.width,
                      size.width);
    }
    return kStsOk;
}

Status Resize_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                      std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, double xFactor, double yFactor,
                      std::int32_t interpolation) {
    const Status st = CheckScale(src, srcSize, srcStep, srcRoi, dst, dstStep, dstSize, xFactor, yFactor, interpolation);
    if (st != kStsOk) return st;
    const RoiRect r = CutRect(srcSize, srcRoi);
    return ScaleRegion(src, srcSize, srcStep, r, dst, dstStep, dstSize.width, dstSize.height, xFactor, yFactor, 0.0,
                       0.0, UseLinear(srcSize, interpolation), LastInside(r));
}

namespace {

// One axis of the scaling about a centre: the covered destination columns
// [c0, end), the source columns [origin + advance, + count) and the shift.
struct Cover {
    std::int64_t c0, end, advance, count;
    double shift;
};

// n source columns, factor f, centre c, destination size d. The part of
// the source that is scaled starts `advance` columns into the rectangle and
// is ceil(min(d − o, n·f) / f) columns wide, or less where the rectangle
// ends first: the count is read as the width of the part, not as the column
// where it ends. The covered columns are the destination region of the
// scaling, so the written width is also limited to end − c0. An axis whose
// placement is not finite (a centre or factor at infinity or NaN) covers
// nothing; a call that covers nothing writes nothing and succeeds.
Cover CoverAxis(std::int32_t n, double f, double c, std::int32_t d) {
    Cover k{};
    const double o = d * 0.5 - c * f;
    const double scaled = n * f;
    if (!std::isfinite(o) || !std::isfinite(scaled)) return k;  // covers nothing
    k.c0 = TruncToInt32(o > 0 ? o : 0.0);
    k.end = TruncToInt32(std::min(o + scaled, static_cast<double>(d)));
    k.advance = TruncToInt32((-o > 0 ? -o : 0.0) / f);
    const std::int64_t limit = TruncToInt32(std::ceil(std::min(d - o, scaled) / f));
    k.count = std::min<std::int64_t>(std::int64_t{n} - k.advance, limit);
    const double first = static_cast<double>(k.c0) / f;
    k.shift = first - std::trunc(first + 1e-7);
    return k;
}

}  // namespace

Status ResizeCenter_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                            std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, double xFactor,
                            double yFactor, double xCenter, double yCenter, std::int32_t interpolation) {
    const Status st = CheckScale(src, srcSize, srcStep, srcRoi, dst, dstStep, dstSize, xFactor, yFactor, interpolation);
    if (st != kStsOk) return st;
    const RoiRect r = CutRect(srcSize, srcRoi);
    const Cover cx = CoverAxis(r.width, xFactor, xCenter, dstSize.width);
    const Cover cy = CoverAxis(r.height, yFactor, yCenter, dstSize.height);
    if (cx.end <= cx.c0 || cy.end <= cy.c0 || cx.count < 1 || cy.count < 1) return kStsOk;  // nothing covered
    const RoiRect part{static_cast<std::int32_t>(r.x + cx.advance), static_cast<std::int32_t>(r.y + cy.advance),
                       static_cast<std::int32_t>(cx.count), static_cast<std::int32_t>(cy.count)};
    return ScaleRegion(src, srcSize, srcStep, part, RowAt(dst, cy.c0, dstStep) + 4 * cx.c0, dstStep,
                       static_cast<std::int32_t>(cx.end - cx.c0), static_cast<std::int32_t>(cy.end - cy.c0),
                       xFactor, yFactor, cx.shift, cy.shift, UseLinear(srcSize, interpolation), LastInside(r));
}

Status GetRotateQuad(RoiRect rect, double quad[4][2], double angle, double xShift, double yShift) {
    if (quad == nullptr) return kStsNullPtr;
    if (BadRect(rect)) return kStsBadSize;
    const Rotation r = RotationOf(angle);
    const double x0 = rect.x, y0 = rect.y;
    const double x1 = std::int64_t{rect.x} + rect.width - 1, y1 = std::int64_t{rect.y} + rect.height - 1;
    const double xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i) {
        quad[i][0] = r.cos * xs[i] + r.sin * ys[i] + xShift;
        quad[i][1] = -r.sin * xs[i] + r.cos * ys[i] + yShift;
    }
    return kStsOk;
}

Status RotateCenter_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                            std::uint8_t* dst, std::int32_t dstStep, RoiRect dstRoi, double angle, double xCenter,
                            double yCenter, std::int32_t interpolation) {
    Source s{};
    const int dummy = 0;
    const Status st =
        CheckMapped(src, srcSize, srcStep, srcRoi, &dummy, dst, dstStep, dstRoi, &dummy, interpolation, s);
    if (st != kStsOk) return st;
    const Rotation r = RotationOf(angle);
    const double xs = xCenter - r.cos * xCenter - r.sin * yCenter;
    const double ys = yCenter + r.sin * xCenter - r.cos * yCenter;
    constexpr double kWholeLimit = 1099511627776.0;  // 2^40: far beyond any pixel
    if (r.exact && xs == std::floor(xs) && ys == std::floor(ys) && std::fabs(xs) < kWholeLimit &&
        std::fabs(ys) < kWholeLimit) {
        // Whole pixel moves, also at angle 0 (its shifts are exactly 0 for
        // any finite centre, so the rotation is a copy): destination (X, Y)
        // takes the source pixel
        // (cos·(X − xs) − sin·(Y − ys), sin·(X − xs) + cos·(Y − ys)).
        const std::int64_t c = static_cast<std::int64_t>(r.cos), sn = static_cast<std::int64_t>(r.sin);
        const std::int64_t xi = static_cast<std::int64_t>(xs), yi = static_cast<std::int64_t>(ys);
        for (std::int32_t j = 0; j < dstRoi.height; ++j) {
            const std::int64_t y = std::int64_t{dstRoi.y} + j;
            U8* row = RowAt(dst, y, dstStep);
            for (std::int64_t x = dstRoi.x; x < std::int64_t{dstRoi.x} + dstRoi.width; ++x) {
                const std::int64_t u = c * (x - xi) - sn * (y - yi), v = sn * (x - xi) + c * (y - yi);
                if (u < s.xmin || u > s.xmax || v < s.ymin || v > s.ymax) continue;
                std::memcpy(row + 4 * x, geometry::PixelAt(s, u, v), 3);
            }
        }
        return kStsOk;
    }
    // Inverse mapping of destination pixel (X, Y), pixels taken as points at
    // their integer coordinates: u = cos·X + (−sin·(Y − ys) − cos·xs),
    // v = sin·X + (cos·(Y − ys) − sin·xs), which undoes the forward
    // transform, so the centre maps onto itself.
    struct RotMap {
        static geometry::RowMap Row(const double* c, double y) {
            const double dy = y - c[3];
            return {c[0], -c[1] * dy - c[0] * c[2], c[1], c[0] * dy - c[1] * c[2], 0.0, 1.0, 0};
        }
    };
    const double coeffs[4] = {r.cos, r.sin, xs, ys};
    return MapRows(geometry::KernelsForCurrentLevel().affineRow, s, UseLinearIn(s, interpolation), dst, dstStep,
                   dstRoi, RotMap::Row, coeffs, [](double, std::int64_t&, std::int64_t&) {});
}

Status WarpAffineQuad_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                              const double srcQuad[4][2], std::uint8_t* dst, std::int32_t dstStep, RoiRect dstRoi,
                              const double dstQuad[4][2], std::int32_t interpolation) {
    Source s{};
    const Status st = CheckMapped(src, srcSize, srcStep, srcRoi, srcQuad, dst, dstStep, dstRoi, dstQuad, interpolation, s);
    if (st != kStsOk) return st;
    if (!Finite(srcQuad) || !Finite(dstQuad)) return kStsOk;  // covers nothing
    // The affine map taking destination vertices 0, 1, 2 onto the source
    // vertices 0, 1, 2 (a fourth vertex that does not fit is ignored by the
    // mapping; it still shapes the destination quadrangle).
    const double e1x = dstQuad[1][0] - dstQuad[0][0], e1y = dstQuad[1][1] - dstQuad[0][1];
    const double e2x = dstQuad[2][0] - dstQuad[0][0], e2y = dstQuad[2][1] - dstQuad[0][1];
    const double f1x = srcQuad[1][0] - srcQuad[0][0], f1y = srcQuad[1][1] - srcQuad[0][1];
    const double f2x = srcQuad[2][0] - srcQuad[0][0], f2y = srcQuad[2][1] - srcQuad[0][1];
    const double det = e1x * e2y - e1y * e2x;
    if (det == 0) return kStsOk;  // a destination triangle of no area covers nothing
    double c[6];
    c[0] = (e2y * f1x - e1y * f2x) / det;
    c[1] = (e1x * f2x - e2x * f1x) / det;
    c[2] = srcQuad[0][0] - c[0] * dstQuad[0][0] - c[1] * dstQuad[0][1];
    c[3] = (e2y * f1y - e1y * f2y) / det;
    c[4] = (e1x * f2y - e2x * f1y) / det;
    c[5] = srcQuad[0][1] - c[3] * dstQuad[0][0] - c[4] * dstQuad[0][1];
    return MapRows(geometry::KernelsForCurrentLevel().affineRow, s, UseLinearIn(s, interpolation), dst, dstStep,
                   dstRoi, AffineRowMap, c, QuadSpans(dstQuad));
}

Status WarpPerspectiveQuad_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep,
                                   RoiRect srcRoi, const double srcQuad[4][2], std::uint8_t* dst,
                                   std::int32_t dstStep, RoiRect dstRoi, const double dstQuad[4][2],
                                   std::int32_t interpolation) {
    Source s{};
    const Status st = CheckMapped(src, srcSize, srcStep, srcRoi, srcQuad, dst, dstStep, dstRoi, dstQuad, interpolation, s);
    if (st != kStsOk) return st;
    if (!Finite(srcQuad) || !Finite(dstQuad)) return kStsOk;  // covers nothing
    // Destination → unit square (the adjugate of the square → destination
    // matrix, an inverse up to a factor that cancels in the division) →
    // source.
    double ms[9], md[9], adj[9], c[9];
    SquareToQuad(srcQuad, ms);
    SquareToQuad(dstQuad, md);
    adj[0] = md[4] * md[8] - md[5] * md[7];
    adj[1] = md[2] * md[7] - md[1] * md[8];
    adj[2] = md[1] * md[5] - md[2] * md[4];
    adj[3] = md[5] * md[6] - md[3] * md[8];
    adj[4] = md[0] * md[8] - md[2] * md[6];
    adj[5] = md[2] * md[3] - md[0] * md[5];
    adj[6] = md[3] * md[7] - md[4] * md[6];
    adj[7] = md[1] * md[6] - md[0] * md[7];
    adj[8] = md[0] * md[4] - md[1] * md[3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            c[3 * i + j] = ms[3 * i] * adj[j] + ms[3 * i + 1] * adj[3 + j] + ms[3 * i + 2] * adj[6 + j];
        }
    }
    // Each destination position is divided by the third coordinate; where it
    // is 0 or the quotient is not finite, the position counts as outside.
    return MapRows(geometry::KernelsForCurrentLevel().perspectiveRow, s, UseLinearIn(s, interpolation), dst, dstStep,
                   dstRoi, PerspectiveRowMap, c, QuadSpans(dstQuad));
}

Status Remap_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                     const float* xMap, std::int32_t xMapStep, const float* yMap, std::int32_t yMapStep,
                     std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, std::int32_t interpolation) {
    if (src == nullptr || xMap == nullptr || yMap == nullptr || dst == nullptr) return kStsNullPtr;
    if (BadSize(srcSize) || BadRect(srcRoi) || BadSize(dstSize)) return kStsBadSize;
    if (!KnownInterpolation(interpolation)) return kStsBadInterpolation;
    if (srcStep < 1 || xMapStep < 1 || yMapStep < 1 || dstStep < 1) return kStsBadStep;
    Source s{};
    if (!CutSource(src, srcSize, srcStep, srcRoi, s)) return kStsBadSize;
    const bool linear = UseLinear(srcSize, interpolation);
    const auto kernel = geometry::KernelsForCurrentLevel().remapRow;
    const U8* xs = reinterpret_cast<const U8*>(xMap);
    const U8* ys = reinterpret_cast<const U8*>(yMap);
    // In tiles of 128 columns by 32 rows: the source lines that neighbouring
    // map values read stay in the caches from one row to the next (about a
    // tenth faster on curved maps of full-HD frames than whole rows).
    constexpr std::int64_t kTileColumns = 128;
    constexpr std::int32_t kTileRows = 32;
    for (std::int32_t j0 = 0; j0 < dstSize.height; j0 += std::min(kTileRows, dstSize.height - j0)) {
        const std::int32_t j1 = j0 + std::min(kTileRows, dstSize.height - j0);
        for (std::int64_t x = 0; x < dstSize.width; x += kTileColumns) {
            const Count n = static_cast<Count>(std::min<std::int64_t>(kTileColumns, dstSize.width - x));
            for (std::int32_t j = j0; j < j1; ++j) {
                kernel(s, RowAt(xs, j, xMapStep) + 4 * x, RowAt(ys, j, yMapStep) + 4 * x, linear,
                       RowAt(dst, j, dstStep) + 4 * x, n);
            }
        }
    }
    return kStsOk;
}

}  // namespace vtx::px
