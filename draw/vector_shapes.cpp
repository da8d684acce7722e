// Lines, ellipses and the inverse shapes, drawn through the drawing surface.
#include <algorithm>
#include <cstdint>

#include "draw/draw.h"
#include "draw/drawing_colour.h"
#include "draw/frame.h"
#include "session/frame.h"

namespace vtx {

namespace {

// The corners put in order: x0 <= x1, y0 <= y1.
struct Corners {
    std::int32_t x0, y0, x1, y1;
};

Corners Normalise(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    return Corners{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

// The colour of a shape: alpha trunc(Alpha · c), its low 8 bits.
std::uint32_t ShapeColour(double completeness, std::int32_t color, std::int32_t alpha) {
    return draw::DrawingColour(color, draw::LowByteOfTrunc(alpha * ClampCompleteness(completeness)));
}

// Width and height of the inner shape of the inverse fills: one less than
// the corners' distance (which may exceed 32 bits).
std::int32_t InnerSize(std::int32_t lo, std::int32_t hi) {
    const std::int64_t size = static_cast<std::int64_t>(hi) - lo - 1;
    return static_cast<std::int32_t>(std::min<std::int64_t>(size, INT32_MAX));
}

std::int32_t OuterSize(std::int32_t lo, std::int32_t hi) {
    const std::int64_t size = static_cast<std::int64_t>(hi) - lo;
    return static_cast<std::int32_t>(std::min<std::int64_t>(size, INT32_MAX));
}

}  // namespace

std::int32_t DrawLine(ImageSession& s, double Completeness, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
                      std::int32_t Y2, std::int32_t Color, std::int32_t Alpha, std::int32_t Size) {
    if (!s.HasImage()) return 1;
    const std::uint32_t argb = ShapeColour(Completeness, Color, Alpha);
    draw::WithSurface(s, [&](draw::DrawingSurface& surface) {
        surface.DrawLine(X1, Y1, X2, Y2, static_cast<float>(Size), argb);
    });
    return 0;
}

std::int32_t DrawEllipse(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                         std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha,
                         VariantBool Solid) {
    if (!s.HasImage()) return 1;
    const std::uint32_t argb = ShapeColour(Completeness, Color, Alpha);
    const Corners r = Normalise(Left, Top, Right, Bottom);
    const std::int32_t w = OuterSize(r.x0, r.x1), h = OuterSize(r.y0, r.y1);
    draw::WithSurface(s, [&](draw::DrawingSurface& surface) {
        surface.SetAntialias(true);
        if (Solid == kVariantTrue) surface.FillEllipse(r.x0, r.y0, w, h, argb);
        surface.DrawEllipse(r.x0, r.y0, w, h, 1.0f, argb);
    });
    return 0;
}

namespace {

// The inverse shapes: the colour everywhere outside the rectangle, or the
// ellipse in it, from (Left, Top) to (Right, Bottom).
std::int32_t DrawOutside(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top, std::int32_t Right,
                         std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha,
                         void (draw::DrawingSurface::*fill)(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                                            std::uint32_t)) {
    if (!s.HasImage()) return 1;
    const std::uint32_t argb = ShapeColour(Completeness, Color, Alpha);
    const Corners r = Normalise(Left, Top, Right, Bottom);
    draw::WithSurface(s, [&](draw::DrawingSurface& surface) {
        (surface.*fill)(r.x0, r.y0, InnerSize(r.x0, r.x1), InnerSize(r.y0, r.y1), argb);
    });
    return 0;
}

}  // namespace

std::int32_t DrawInvRectangle(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                              std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha) {
    return DrawOutside(s, Completeness, Left, Top, Right, Bottom, Color, Alpha, &draw::DrawingSurface::FillOutsideRectangle);
}

std::int32_t DrawInvEllipse(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                            std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha) {
    return DrawOutside(s, Completeness, Left, Top, Right, Bottom, Color, Alpha, &draw::DrawingSurface::FillOutsideEllipse);
}

}  // namespace vtx
