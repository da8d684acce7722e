// Tiling (TransformResample) and the water mirror (TransformMirror): the
// picture resized into part of itself, then copied, reversed or smeared by
// the copy, mirror and box-filter primitives. TransformResize: the picture
// resized into a host's array.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "primitives/conventions.h"
#include "primitives/geometry.h"
#include "primitives/linear_filter.h"
#include "primitives/pixel.h"
#include "session/frame.h"
#include "transform/transform.h"

namespace vtx {

std::int32_t TransformResample(ImageSession& s, double Completeness, std::int32_t Times) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t w = s.width(), h = s.height();
    const std::int32_t n = ClampInt(Times, 1, std::min(w, h));
    if (std::fabs(c) < 0.001 || n < 2) return 0;
    const double f = 1.0 / (1.0 + (n - 1) * c);
    const std::int32_t tw = px::TruncToInt32(w * f), th = px::TruncToInt32(h * f);
    // A tile side that truncates to 0 has no tiles to count: the image
    // stays as it was.
    if (tw < 1 || th < 1) return 0;
    if (!s.MakeBackupCopy()) return 0;
    const std::int32_t nx = 2 * ((w - tw) / (2 * tw)) + 1, ny = 2 * ((h - th) / (2 * th)) + 1;
    const std::int32_t mx = (w - nx * tw) / 2, rx = w - nx * tw - mx;
    const std::int32_t my = (h - ny * th) / 2, ry = h - ny * th - my;
    const std::int32_t step = s.stride();
    std::uint8_t* img = s.pixels();
    auto at = [&](std::int32_t x, std::int32_t y) { return img + static_cast<std::int64_t>(y) * step + 4 * x; };
    px::Resize_8u_AC4R(s.backup(), px::RoiSize{w, h}, step, px::RoiRect{0, 0, w, h}, at(mx, my), step,
                       px::RoiSize{tw, th}, f, f, px::kInterNearest);
    for (std::int32_t i = 1; i < nx; ++i) px::Copy_8u_AC4R(at(mx, my), step, at(mx + i * tw, my), step, {tw, th});
    if (rx > 0) px::Copy_8u_AC4R(at(mx, my), step, at(mx + nx * tw, my), step, {rx, th});
    if (mx > 0) px::Copy_8u_AC4R(at(tw, my), step, at(0, my), step, {mx, th});
    for (std::int32_t j = 1; j < ny; ++j) px::Copy_8u_AC4R(at(0, my), step, at(0, my + j * th), step, {w, th});
    if (ry > 0) px::Copy_8u_AC4R(at(0, my), step, at(0, my + ny * th), step, {w, ry});
    if (my > 0) px::Copy_8u_AC4R(at(0, th), step, at(0, 0), step, {w, my});
    s.FreeBackupCopy();
    return 0;
}

std::int32_t TransformMirror(ImageSession& s, double Completeness, double Level, std::int32_t Type) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double l = ClampDouble(Level, 0.0, 100.0);
    // A NaN level does nothing.
    if (std::fabs(c) < 0.001 || !(std::fabs(l) >= 0.001)) return 0;
    if (Type < 8100 || Type > 8103) return 0;
    const double p = c * l * 0.01;
    const std::int32_t w = s.width(), h = s.height(), step = s.stride();
    const bool rows = Type <= 8101;
    const std::int32_t k = px::TruncToInt32(((rows ? h : w) - 2) * p);
    // A band of no rows (columns) gives the resize nothing to write; the
    // primitives refuse such regions, so this only spares the calls.
    if (k < 1) return 0;
    std::uint8_t* img = s.pixels();
    auto at = [&](std::int32_t x, std::int32_t y) { return img + static_cast<std::int64_t>(y) * step + 4 * x; };
    const px::RoiSize full{w, h};
    px::RoiRect src;
    std::int32_t bx, by;
    px::RoiSize band;
    double fx, fy;
    if (rows) {
        src = Type == 8100 ? px::RoiRect{0, k, w, h - k} : px::RoiRect{0, 0, w, h - k};
        bx = 0, by = Type == 8100 ? 0 : h - k;
        band = {w, k};
        fx = 1.0, fy = static_cast<double>(k) / (h - k);
    } else {
        src = Type == 8102 ? px::RoiRect{k, 0, w - k, h} : px::RoiRect{0, 0, w - k, h};
        bx = Type == 8102 ? 0 : w - k, by = 0;
        band = {k, h};
        fx = static_cast<double>(k) / (w - k), fy = 1.0;
    }
    px::Resize_8u_AC4R(img, full, step, src, at(bx, by), step, band, fx, fy, px::kInterLinear);
    px::Mirror_8u_AC4IR(at(bx, by), step, band, rows ? px::kAxisHorizontal : px::kAxisVertical);
    if (rows) {
        px::FilterBox_8u_AC4IR(at(5, by + 1), step, px::RoiSize{w - 9, k - 2}, px::RoiSize{10, 3}, px::RoiPoint{5, 1});
    } else {
        px::FilterBox_8u_AC4IR(at(bx + 1, 5), step, px::RoiSize{k - 2, h - 9}, px::RoiSize{3, 10}, px::RoiPoint{1, 5});
    }
    return 0;
}

std::int32_t TransformResize(ImageSession& s, ImageView* Output, std::int32_t Color, std::int32_t Type) {
    // A refused image (a side below 2) keeps the pointer it was offered,
    // which for a copied image is host memory that is gone after the set
    // call: like every other member, the resize reads only a usable image.
    if (Output == nullptr || Output->data == nullptr || !s.HasImage()) return 1;
    const std::int32_t wo = Output->width, ho = Output->height;
    if (wo < 2 || ho < 2) return 1;
    const std::int32_t w = s.width(), h = s.height();
    std::uint8_t* out = Output->data;
    const std::int32_t outStep = 4 * wo;
    if (wo == w && ho == h) {
        std::memcpy(out, s.pixels(), static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
        return 0;
    }
    const px::RoiSize full{w, h};
    const px::RoiRect all{0, 0, w, h};
    if (Type == 0 || Type == 1) {
        px::Resize_8u_AC4R(s.pixels(), full, 4 * w, all, out, outStep, px::RoiSize{wo, ho},
                           static_cast<double>(wo) / w, static_cast<double>(ho) / h,
                           Type == 0 ? px::kInterNearest : px::kInterLinear);
        return 0;
    }
    // Fit: the whole picture, aspect kept and never enlarged, centred on
    // the colour.
    std::uint8_t bgr[3];
    ColourBytes(Color, bgr);
    px::Set_8u_AC4R(bgr, out, outStep, px::RoiSize{wo, ho});
    const double f = std::min({static_cast<double>(wo) / w, static_cast<double>(ho) / h, 1.0});
    const std::int32_t xo = wo > w * f ? px::TruncToInt32((wo - w * f) * 0.5) : 0;
    const std::int32_t yo = ho > h * f ? px::TruncToInt32((ho - h * f) * 0.5) : 0;
    // The resize writes trunc(side * f + 1e-7) <= side - offset columns and
    // rows from the offset, so giving it the rest of the array as its
    // destination changes nothing it writes and keeps every write inside.
    px::Resize_8u_AC4R(s.pixels(), full, 4 * w, all, out + static_cast<std::int64_t>(yo) * outStep + 4 * xo, outStep,
                       px::RoiSize{wo - xo, ho - yo}, f, f, Type == 272 ? px::kInterLinear : px::kInterNearest);
    return 0;
}

}  // namespace vtx
