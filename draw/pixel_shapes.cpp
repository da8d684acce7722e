// DrawRectangle and DrawBorder: pixel code of their own, no drawing surface.
// The row order stays as it is and alpha bytes are never touched.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "draw/draw.h"
#include "draw/pixel_blend.h"
#include "session/frame.h"

namespace vtx {

namespace {

using draw::BlendTables;
using draw::TruncByte;

std::uint8_t* Pixel(std::uint8_t* image, std::int32_t width, std::int64_t x, std::int64_t row) {
    return image + 4 * (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
}

}  // namespace

std::int32_t DrawRectangle(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                           std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha,
                           VariantBool Solid) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // Solid: -1 fills, 0 outlines, any other value (1 included) paints nothing.
    if (Solid != kVariantTrue && Solid != kVariantFalse) return 0;
    const bool solid = Solid == kVariantTrue;
    // Half-open [x0, x1) x [y0, y1) in drawing coordinates; 64-bit so that
    // x1 - 1 and y1 - 1 exist for any corner.
    const std::int64_t x0 = std::min(Left, Right), x1 = std::max(Left, Right);
    const std::int64_t y0 = std::min(Top, Bottom), y1 = std::max(Top, Bottom);
    const std::int32_t w = s.width(), h = s.height();
    const BlendTables blend(Alpha * c * draw::kInv255, Color);
    const std::int64_t xb = std::max<std::int64_t>(x0, 0), xe = std::min<std::int64_t>(x1, w);
    for (std::int64_t y = std::max<std::int64_t>(y0, 0); y < std::min<std::int64_t>(y1, h); ++y) {
        const bool edgeRow = y == y0 || y == y1 - 1;
        for (std::int64_t x = xb; x < xe; ++x) {
            if (solid || edgeRow || x == x0 || x == x1 - 1) {
                std::uint8_t* p = Pixel(s.pixels(), w, x, h - 1 - y);
                blend.Apply(p, p);
            }
        }
    }
    return 0;
}

namespace {

// Bilinear sampling of a W x H image at points whose x and y come from
// per-column and per-row tables: position i and weight f of the left (lower)
// neighbour, the last column (row) sampled between the two before it.
struct SampleAxis {
    std::int32_t i;
    double f;  // x − i
    double g;  // 1 − f
};

SampleAxis MakeAxis(double v, std::int32_t size) {
    std::int32_t i = px::TruncToInt32(v);  // v >= 0: the floor
    if (i == size - 1) {
        i = size - 2;
        v = v - 1;
    }
    const double f = v - i;
    return SampleAxis{i, f, 1.0 - f};
}

// Position in the source of column x of the inner range [lo, hi]: size·(x − lo) / (hi − lo),
// an integer product divided as doubles, capped at size − 0.001.
double SourcePosition(std::int32_t x, std::int32_t lo, std::int32_t hi, std::int32_t size) {
    const double v = static_cast<double>(std::int64_t{size} * (x - lo)) / static_cast<double>(hi - lo);
    return std::min(v, size - 0.001);
}

// Styles by the hundreds of a recognised Type.
enum Style { kNone = 0, kFlat = 1, kSoft = 2, kLight = 3, kDark = 4 };

}  // namespace

std::int32_t DrawBorder(ImageSession& s, double Completeness, std::int32_t Color, std::int32_t Size,
                        std::int32_t Type) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t w = s.width(), h = s.height();
    const std::int32_t m = std::min(h / 2 - 1, w / 2 - 1);
    const std::int32_t n = px::TruncToInt32(ClampInt(Size, 0, m) * c);
    if (n == 0) return 0;

    const std::int32_t sides = Type % 100;
    const Style style = (Type >= 10100 && Type < 10500 && sides <= 6) ? static_cast<Style>(Type / 100 - 100) : kNone;
    // The bordered edges: left, right, first rows, last rows.
    bool left = false, right = false, first = false, last = false;
    if (style != kNone) {
        left = sides == 0 || sides == 1 || sides == 5;
        right = sides == 0 || sides == 3 || sides == 5;
        first = sides == 0 || sides == 4 || sides == 6;
        last = sides == 0 || sides == 2 || sides == 6;
    }
    // The inner rectangle, bounds included.
    const std::int32_t x0 = left ? n : 0, x1 = right ? w - n - 1 : w - 1;
    const std::int32_t y0 = first ? n : 0, y1 = last ? h - n - 1 : h - 1;

    if (!s.MakeBackupCopy()) return 0;
    const std::uint8_t* const src = s.backup();
    std::uint8_t* const dst = s.pixels();
    const auto stride = static_cast<std::size_t>(w) * 4;

    // The picture shrunk into the inner rectangle.
    if (style != kSoft) {
        std::vector<SampleAxis> cols(static_cast<std::size_t>(x1 - x0 + 1));
        for (std::int32_t x = x0; x <= x1; ++x) cols[x - x0] = MakeAxis(SourcePosition(x, x0, x1, w), w);
        for (std::int32_t y = y0; y <= y1; ++y) {
            const SampleAxis ay = MakeAxis(SourcePosition(y, y0, y1, h), h);
            const std::uint8_t* r0 = src + static_cast<std::size_t>(ay.i) * stride;
            const std::uint8_t* r1 = r0 + stride;
            std::uint8_t* out = dst + static_cast<std::size_t>(y) * stride + 4 * static_cast<std::size_t>(x0);
            for (const SampleAxis& ax : cols) {
                const std::uint8_t* p0 = r0 + 4 * static_cast<std::size_t>(ax.i);
                const std::uint8_t* p1 = r1 + 4 * static_cast<std::size_t>(ax.i);
                for (int ch = 0; ch < 3; ++ch) {
                    const double v = p0[ch] * ax.g * ay.g + p0[4 + ch] * ax.f * ay.g + p1[ch] * ax.g * ay.f +
                                     p1[4 + ch] * ax.f * ay.f;
                    // Weights in [0, 1] summing to 1: v lies in [0, 256).
                    out[ch] = static_cast<std::uint8_t>(static_cast<std::int32_t>(v));
                }
                out += 4;
            }
        }
    }

    // The band outside the inner rectangle. Its colour depends on the
    // distance d (0 ... n − 1) to the nearest bordered edge: per d, the flat
    // and bevel colours, or the soft edge's weight t of the picture.
    const draw::Bgr base = draw::ColourChannels(Color);
    const double half = n * 0.5;
    std::vector<std::uint8_t> fixed(static_cast<std::size_t>(n) * 3);
    std::vector<double> weight(static_cast<std::size_t>(n));
    for (std::int32_t d = 0; d < n; ++d) {
        weight[d] = d <= half ? 0.0 : (d - half) / half;
        for (int ch = 0; ch < 3; ++ch) {
            const std::int32_t b = base.c[ch];
            std::uint8_t v = static_cast<std::uint8_t>(b);
            if (style == kLight || style == kDark) {
                const std::int32_t e = style == kLight ? std::min(b + 128, 255) : std::max(b - 128, 0);
                v = ClampByte(b + static_cast<double>((e - b) * d) / n);
            }
            fixed[3 * d + ch] = v;
        }
    }
    for (std::int32_t y = 0; y < h; ++y) {
        const bool bandRow = y < y0 || y > y1;
        std::int32_t dy = n;  // beyond every band
        if (first) dy = std::min(dy, y);
        if (last) dy = std::min(dy, h - 1 - y);
        for (std::int32_t x = 0; x < w; ++x) {
            if (!bandRow && x >= x0 && x <= x1) {
                x = x1;  // skip the inner span
                continue;
            }
            std::int32_t d = dy;
            if (left) d = std::min(d, x);
            if (right) d = std::min(d, w - 1 - x);
            const std::size_t at = static_cast<std::size_t>(y) * stride + 4 * static_cast<std::size_t>(x);
            for (int ch = 0; ch < 3; ++ch) {
                const double t = weight[d];
                dst[at + ch] = style == kSoft ? TruncByte(src[at + ch] * t + base.c[ch] * (1.0 - t)) : fixed[3 * d + ch];
            }
        }
    }
    s.FreeBackupCopy();
    return 0;
}

}  // namespace vtx
