// Geometry of shapes that reach far beyond the drawing surface, computed in
// double precision so that a surface back end draws only their part near
// the surface.
#pragma once

#include <vector>

namespace vtx::draw {

struct Point {
    double x;
    double y;
};
using Polygon = std::vector<Point>;

// How ClipToBox reads a polygon of two points.
enum class TwoPoints {
    kClosed,   // two edges, there and back
    kSegment,  // the one segment between them
};

// Sutherland-Hodgman: the part of a convex or concave polygon inside the box
// [x0, x1] × [y0, y1] (concave parts may leave edges along the box, which is
// harmless for fills whose box lies outside the surface).
Polygon ClipToBox(Polygon poly, double x0, double y0, double x1, double y1, TwoPoints two = TwoPoints::kClosed);

// How EllipsePoints finds its points.
enum class EllipseSteps {
    kEach,    // the cosine and sine of each point's angle
    kTurned,  // each point turned from the last by the step angle, from an exact one every 256 points
};

// The closed polygon of points on the ellipse centred on (cx, cy) with radii
// rx, ry > 0, fine enough that no point strays from the curve by a quarter
// pixel (points on the curve, chords within 1/16 pixel of it).
Polygon EllipsePoints(double cx, double cy, double rx, double ry, EllipseSteps steps);

}  // namespace vtx::draw
