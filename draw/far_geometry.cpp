#include "draw/far_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace vtx::draw {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

Polygon ClipToBox(Polygon poly, double x0, double y0, double x1, double y1, TwoPoints two) {
    auto clipEdge = [&poly, two](auto inside, auto cross) {
        Polygon out;
        out.reserve(poly.size() + 4);
        const std::size_t n = poly.size();
        const std::size_t edges = (n == 2 && two == TwoPoints::kSegment) ? 1 : n;
        for (std::size_t i = 0; i < n; ++i) {
            const Point& a = poly[i];
            const bool ia = inside(a);
            if (ia) out.push_back(a);
            if (i < edges) {
                const Point& b = poly[(i + 1) % n];
                if (ia != inside(b)) out.push_back(cross(a, b));
            }
        }
        poly = std::move(out);
    };
    auto atX = [](double x) {
        return [x](const Point& a, const Point& b) { return Point{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
    };
    auto atY = [](double y) {
        return [y](const Point& a, const Point& b) { return Point{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
    };
    clipEdge([x0](const Point& p) { return p.x >= x0; }, atX(x0));
    clipEdge([x1](const Point& p) { return p.x <= x1; }, atX(x1));
    clipEdge([y0](const Point& p) { return p.y >= y0; }, atY(y0));
    clipEdge([y1](const Point& p) { return p.y <= y1; }, atY(y1));
    return poly;
}

Polygon EllipsePoints(double cx, double cy, double rx, double ry, EllipseSteps steps) {
    const double r = std::max(rx, ry);
    const auto n = static_cast<std::size_t>(std::min(kPi * std::sqrt(8.0 * r) + 16.0, 4194304.0));
    Polygon polygon(n);
    // Points on the unit circle first. Turning keeps its rounding far below
    // 1/1000 pixel and spares the sines and cosines of all points.
    const double step = 2 * kPi / static_cast<double>(n);
    const double cd = std::cos(step), sd = std::sin(step);
    for (std::size_t i = 0; i < n; ++i) {
        if (steps == EllipseSteps::kEach) {
            const double t = 2 * kPi * static_cast<double>(i) / static_cast<double>(n);
            polygon[i] = Point{std::cos(t), std::sin(t)};
        } else if (i % 256 == 0) {
            const double t = step * static_cast<double>(i);
            polygon[i] = Point{std::cos(t), std::sin(t)};
        } else {
            const Point& p = polygon[i - 1];
            polygon[i] = Point{p.x * cd - p.y * sd, p.y * cd + p.x * sd};
        }
    }
    for (Point& p : polygon) p = Point{cx + rx * p.x, cy + ry * p.y};
    return polygon;
}

}  // namespace vtx::draw
