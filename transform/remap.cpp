// Remap distortions: twirl, sphere and cylinder. Each fills coordinate maps
// (source column and row of every destination pixel) and samples the image
// through them with the linear remap into a destination buffer pre-filled
// with (BackColor, 255), which then replaces the image: every alpha byte is
// 255 afterwards.
//
// Memory: the destination buffer is one frame; the maps are filled and used
// one band of rows at a time (kBandRows rows each), which samples exactly as
// whole-image maps would, since the remap treats every destination pixel on
// its own. The profile table of the sphere (rx·ry entries) and the cylinder
// comes from the call's memory too; a table above the call's limit counts as
// an allocation that fails (result 1, image unchanged).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "primitives/conventions.h"
#include "primitives/geometry.h"
#include "primitives/pixel.h"
#include "session/frame.h"
#include "session/work_memory.h"
#include "transform/transform.h"

namespace vtx {

namespace {

constexpr std::int32_t kBandRows = 32;

// Fills the maps of rows y0 .. y0+rows-1 (row r of the band at xs + r·W).
using MapFill = void (*)(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs,
                         float* ys);

// The shared procedure. `table` is the profile table already taken from
// `memory` (or null where none is needed).
std::int32_t RemapThrough(ImageSession& s, CallMemory& memory, const void* context, MapFill fill) {
    const std::int32_t w = s.width(), h = s.height();
    const std::int32_t band = std::min(h, kBandRows);
    std::uint8_t* dst = memory.Allocate(static_cast<std::int64_t>(s.byteSize()));
    auto* xs = reinterpret_cast<float*>(memory.Allocate(std::int64_t{4} * w * band));
    auto* ys = reinterpret_cast<float*>(memory.Allocate(std::int64_t{4} * w * band));
    if (dst == nullptr || xs == nullptr || ys == nullptr) return 1;
    std::uint8_t bgr[3];
    ColourBytes(s.backColor(), bgr);
    const std::uint8_t value[4] = {bgr[0], bgr[1], bgr[2], 255};
    px::Set_8u_C4R(value, dst, s.stride(), ImageRoi(s));
    for (std::int32_t y0 = 0; y0 < h; y0 += band) {
        const std::int32_t rows = std::min(band, h - y0);
        fill(context, w, y0, rows, xs, ys);
        px::Remap_8u_AC4R(s.pixels(), px::RoiSize{w, h}, s.stride(), px::RoiRect{0, 0, w, h}, xs, 4 * w, ys, 4 * w,
                          dst + static_cast<std::int64_t>(y0) * s.stride(), s.stride(), px::RoiSize{w, rows},
                          px::kInterLinear);
    }
    std::memcpy(s.pixels(), dst, static_cast<std::size_t>(s.byteSize()));
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
};

// θ = A multiplied `degree` times by (1 − r), in single precision. Only
// trunc(2θ) is used, and |θ| never grows, so the loop may stop once
// |θ| < 0.5 (the index is 0 from there on) or θ no longer changes.
float TwirlAngle(float a, float r, std::int32_t degree) {
    float theta = a;
    const float k = 1.0f - r;
    if (!(theta == theta) || k == 1.0f) return theta;
    for (std::int32_t i = 0; i < degree; ++i) {
        const float next = theta * k;
        if (next == theta) break;
        theta = next;
        if (std::fabs(theta) < 0.5f) break;
    }
    return theta;
}

void FillTwirl(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs, float* ys) {
    const Twirl& t = *static_cast<const Twirl*>(context);
    const AngleTables& tables = Angles();
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int64_t y = y0 + r - t.cy;
        for (std::int32_t X = 0; X < w; ++X) {
            const std::int64_t x = X - t.cx;
            const auto rr = static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y) / static_cast<double>(t.r2)));
            const float theta = t.degree > 0 ? TwirlAngle(t.angle, rr, t.degree) : t.angle;
            // Indexes of a full turn or more wrap modulo 720 like the
            // negative ones (an index of -720 < i < 0 gains 720).
            std::int32_t i = px::TruncToInt32(2.0 * static_cast<double>(theta)) % 720;
            if (i < 0) i += 720;
            const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
            xs[r * w + X] = fx * tables.cosT[i] - fy * tables.sinT[i] + static_cast<float>(t.cx);
            ys[r * w + X] = fx * tables.sinT[i] + fy * tables.cosT[i] + static_cast<float>(t.cy);
        }
    }
}

// Profile table t[0] = 0, t[i] = (i/n)^D with the single-precision quotient
// (the power taken in double, then rounded to single precision).
float* ProfileTable(CallMemory& memory, std::int64_t n, double degree) {
    if (n > INT32_MAX / 4) return nullptr;
    auto* t = reinterpret_cast<float*>(memory.Allocate(4 * n));
    if (t == nullptr) return nullptr;
    t[0] = 0.0f;
    for (std::int64_t i = 1; i < n; ++i) {
        const float q = static_cast<float>(i) / static_cast<float>(n);
        t[i] = static_cast<float>(std::pow(static_cast<double>(q), degree));
    }
    return t;
}

struct Sphere {
    std::int64_t cx, cy, rx, ry;
    const float* table;
};

// d = sqrt(dx²/rx² + dy²/ry²) in single precision, dy²/ry² once per row.
// With rx or ry 0 every pixel maps to itself (d is not finite).
void FillSphere(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs, float* ys) {
    const Sphere& p = *static_cast<const Sphere*>(context);
    const auto frx = static_cast<float>(p.rx), fry = static_cast<float>(p.ry);
    const bool lens = p.rx > 0 && p.ry > 0;
    const std::int64_t n = p.rx * p.ry;
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int64_t Y = y0 + r, dy = Y - p.cy;
        const float fdy = static_cast<float>(dy);
        const float qy = lens ? (fdy * fdy) / (fry * fry) : 0.0f;
        for (std::int32_t X = 0; X < w; ++X) {
            const std::int64_t dx = X - p.cx;
            float mx = static_cast<float>(X), my = static_cast<float>(Y);
            if (lens) {
                const float fdx = static_cast<float>(dx);
                const float d = std::sqrt((fdx * fdx) / (frx * frx) + qy);
                if (d < 1.0f) {
                    const std::int64_t k = std::min<std::int64_t>(
                        static_cast<std::int64_t>(static_cast<double>(n) * static_cast<double>(d)), n - 1);
                    mx = fdx * p.table[k] + static_cast<float>(p.cx);
                    my = fdy * p.table[k] + static_cast<float>(p.cy);
                }
            }
            xs[r * w + X] = mx;
            ys[r * w + X] = my;
        }
    }
}

struct Cylinder {
    std::int64_t centre, n;
    bool rows;
    const float* table;
};

void FillCylinder(const void* context, std::int32_t w, std::int32_t y0, std::int32_t rows, float* xs, float* ys) {
    const Cylinder& p = *static_cast<const Cylinder*>(context);
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::int64_t Y = y0 + r;
        for (std::int32_t X = 0; X < w; ++X) {
            const std::int64_t d = (p.rows ? Y : X) - p.centre;
            const std::int64_t ad = d < 0 ? -d : d;
            float v = static_cast<float>(p.rows ? Y : X);
            if (ad < p.n) v = static_cast<float>(d) * p.table[ad] + static_cast<float>(p.centre);
            xs[r * w + X] = p.rows ? static_cast<float>(X) : v;
            ys[r * w + X] = p.rows ? v : static_cast<float>(Y);
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
    p.table = ProfileTable(memory, std::max<std::int64_t>(p.rx * p.ry, 1), degree);
    if (p.table == nullptr) return 1;
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
    p.table = ProfileTable(memory, p.n, degree);
    if (p.table == nullptr) return 1;
    return RemapThrough(s, memory, &p, FillCylinder);
}

}  // namespace vtx
