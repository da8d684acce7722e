// Geometric primitives: the mirror, scaling (about the origin and a centre)
// and remap against per-pixel references written from the rules, at every
// level, on random images in guarded buffers; the rotated quadrangle against
// the turn of its corners; properties of the rotation and the warps; argument
// checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "primitives/geometry.h"
#include "tests/primitives/support.h"

namespace {

namespace px = vtx::px;
using namespace vtxtest;
using I = std::int32_t;

I Rand(std::mt19937& rng, I n) { return static_cast<I>(rng() % static_cast<std::uint32_t>(n)); }

// ---------------------------------------------------------------------------
// References.

struct Tap {
    I k, w;  // absolute source column (row), weight of k + 1
};

// One axis of the scaling, from the rules: count, step, offset, positions, taps.
// Nearest columns stop at column `stop` of the caller's rectangle.
std::vector<Tap> RefAxis(I n, I origin, I image, double f, double shift, bool linear, I limit, I stop = 1 << 30) {
    I m = static_cast<I>(n * f + 1e-7);
    m = std::max(1, std::min(m, limit));
    const bool whole = !linear && ((f >= 1 && std::fmod(f, 1.0) == 0) || (f < 1 && std::fmod(1 / f, 1.0) == 0));
    const double s = whole ? 1 / f : (n * f > 1 ? (n - 1) / (n * f - 1) : 0);
    double p = shift + (linear || whole ? 0 : 0.5);
    std::vector<Tap> taps;
    for (I i = 0; i < m; ++i, p += s) {
        I k = static_cast<I>(p + 1e-7), w = linear ? static_cast<I>((p - k) * 16384 + 1e-7) : 0;
        if (linear && k == image - 1 - origin) k -= 1, w = 16384;
        taps.push_back({linear ? origin + k : std::min(origin + k, stop), w});
    }
    return taps;
}

// Scaling of rectangle r of `s` into `d` at (dx, dy), at most cols × rows.
void RefScale(const Plane& s, px::RoiRect r, const Plane& d, I dx, I dy, I cols, I rows, double fx, double fy,
              double sx, double sy, bool linear, px::RoiPoint stop = {1 << 30, 1 << 30}) {
    const auto tx = RefAxis(r.width, r.x, s.w, fx, sx, linear, cols, stop.x), ty = RefAxis(r.height, r.y, s.h, fy, sy, linear, rows, stop.y);
    for (std::size_t j = 0; j < ty.size(); ++j) {
        for (std::size_t i = 0; i < tx.size(); ++i) {
            U8* o = d.Px(dx + I(i), dy + I(j));
            for (int c = 0; c < 3; ++c) {
                if (!linear) {
                    o[c] = s.Px(tx[i].k, ty[j].k)[c];
                    continue;
                }
                I h[2];
                for (int t = 0; t < 2; ++t) {
                    h[t] = ((16384 - tx[i].w) * s.Px(tx[i].k, ty[j].k + t)[c] + tx[i].w * s.Px(tx[i].k + 1, ty[j].k + t)[c] + 128) >> 8;
                }
                o[c] = static_cast<U8>(((16384 - ty[j].w) * h[0] + ty[j].w * h[1] + 524288) >> 20);
            }
        }
    }
}

// Scaling about a centre: covered area, source part and shift per axis.
void RefCenter(const Plane& s, px::RoiRect r, const Plane& d, double fx, double fy, double xc, double yc, bool linear) {
    r.width = std::min(r.width, s.w - r.x);
    r.height = std::min(r.height, s.h - r.y);
    struct Ax { I c0, end, adv, cnt; double shift; };
    const auto axis = [](I n, double f, double c, I dn) {
        const double o = dn * 0.5 - c * f;
        Ax a{static_cast<I>(std::max(o, 0.0)), static_cast<I>(std::min(o + n * f, double(dn))),
             static_cast<I>(std::max(-o, 0.0) / f), static_cast<I>(std::ceil(std::min(dn - o, n * f) / f)), 0};
        a.cnt = std::min(a.cnt, n - a.adv);
        a.shift = a.c0 / f - std::trunc(a.c0 / f + 1e-7);
        return a;
    };
    const Ax x = axis(r.width, fx, xc, d.w), y = axis(r.height, fy, yc, d.h);
    if (x.end <= x.c0 || y.end <= y.c0 || x.cnt < 1 || y.cnt < 1) return;
    RefScale(s, {r.x + x.adv, r.y + y.adv, x.cnt, y.cnt}, d, x.c0, y.c0, x.end - x.c0, y.end - y.c0, fx, fy, x.shift, y.shift, linear,
             {r.x + r.width - 1, r.y + r.height - 1});
}

void RefRemap(const Plane& s, px::RoiRect r, const float* xm, const float* ym, const Plane& d, bool linear) {
    const double x0 = r.x, x1 = std::min(r.x + r.width, s.w) - 1, y0 = r.y, y1 = std::min(r.y + r.height, s.h) - 1;
    for (I j = 0; j < d.h; ++j) {
        for (I i = 0; i < d.w; ++i) {
            const double sx = xm[j * d.w + i], sy = ym[j * d.w + i];
            if (!(sx >= x0 && sx <= x1 && sy >= y0 && sy <= y1)) continue;
            U8* o = d.Px(i, j);
            if (!linear) {
                std::memcpy(o, s.Px(I(sx + 0.5), I(sy + 0.5)), 3);
                continue;
            }
            I ix = I(sx + 1e-7), iy = I(sy + 1e-7);
            const double fx = ix >= s.w - 1 ? 1.0 : sx - ix, fy = iy >= s.h - 1 ? 1.0 : sy - iy;
            ix = std::min(ix, s.w - 2);
            iy = std::min(iy, s.h - 2);
            for (int c = 0; c < 3; ++c) {
                const double ul = s.Px(ix, iy)[c], ur = s.Px(ix + 1, iy)[c], ll = s.Px(ix, iy + 1)[c], lr = s.Px(ix + 1, iy + 1)[c];
                const double top = ul + (ur - ul) * fx, bottom = ll + (lr - ll) * fx;
                o[c] = static_cast<U8>((top + 0.5) + (bottom - top) * fy);
            }
        }
    }
}

Plane RandPlane(std::mt19937& rng, I w, I h) { return MakePlane(w, h, 4, Rand(rng, 3) ? Rand(rng, 24) : 0, rng() % 8, rng); }
px::RoiRect RandRect(std::mt19937& rng, I w, I h) {
    const I x = Rand(rng, w), y = Rand(rng, h);
    return {x, y, 1 + Rand(rng, w - x + 2), 1 + Rand(rng, h - y + 2)};  // may pass the image's edge
}
double RandFactor(std::mt19937& rng) {
    const double f[] = {0.25, 0.5, 1.0 / 3, 0.7, 1, 1.5, 2, 3, 0.1, 4.5};
    return Rand(rng, 3) ? f[Rand(rng, 10)] : 0.05 + (rng() % 1000) * 0.004;
}

// ---------------------------------------------------------------------------
// Random images against the references, every level.

TEST(GeometryPrimitives, MirrorScaleAndRemapGiveTheReferenceBytesAtEveryLevel) {
    std::mt19937 rng(3);
    for (int trial = 0; trial < 400; ++trial) {
        const I kind = trial % 4, w = 1 + Rand(rng, 70), h = 1 + Rand(rng, 30), interp = Rand(rng, 3) == 0 ? 1 : (Rand(rng, 4) ? 2 : 4);
        const bool big = trial < 4;  // destinations of several remap tiles
        const Plane s = RandPlane(rng, w, h), d = RandPlane(rng, big ? 300 : 1 + Rand(rng, 70), big ? 70 : 1 + Rand(rng, 30)), e = Clone(d);
        const px::RoiRect r = RandRect(rng, w, h);
        const double fx = RandFactor(rng), fy = RandFactor(rng);
        const bool linear = interp != 1 && w > 1 && h > 1;
        const double xc = Rand(rng, 2 * w) * 0.5 - 2, yc = Rand(rng, 2 * h) * 0.5 - 2;
        // Map positions: anywhere about the image, NaN, whole and half pixels, and just below a whole pixel;
        // every other trial only within the rectangle (whole vector groups inside).
        const bool within = trial / 4 % 2;
        const auto coord = [&](I o, I n) {
            const I k = Rand(rng, 12) + within, i = o + Rand(rng, n);
            return k == 0 ? NAN : k == 1 ? float(i) : k == 2 ? i + 0.5f : k == 3 ? std::nextafter(float(i), 0.0f) : float(o + Rand(rng, 1000) * (n + 2 - 3 * within) / 1000.0 - 1 + within);
        };
        std::vector<float> xm(std::size_t(d.w) * d.h), ym(xm.size());
        const I rw = std::max(1, std::min(r.width, w - r.x)), rh = std::max(1, std::min(r.height, h - r.y));
        for (std::size_t i = 0; i < xm.size(); ++i) xm[i] = within ? coord(r.x, rw) : coord(0, w), ym[i] = within ? coord(r.y, rh) : coord(0, h);
        const I step = 4 * d.w + Rand(rng, 3) * 2;  // map rows packed, or padded to unaligned starts
        std::vector<float> xbuf(std::size_t(step) * d.h / 4 + 1), ybuf(xbuf.size());
        for (I j = 0; j < d.h; ++j) {
            std::memcpy(reinterpret_cast<U8*>(xbuf.data()) + j * step, &xm[j * d.w], 4 * d.w);
            std::memcpy(reinterpret_cast<U8*>(ybuf.data()) + j * step, &ym[j * d.w], 4 * d.w);
        }
        const float *xs = xbuf.data(), *ys = ybuf.data();
        const I cols = 1 + Rand(rng, d.w), rows = 1 + Rand(rng, d.h), axis = Rand(rng, 3);  // a destination region inside the plane
        for (I i = 0; kind == 0 && i < d.w * d.h; ++i) {
            const I x = i % d.w, y = i / d.w;
            std::memcpy(e.Px(x, y), d.Px(axis == 0 ? x : d.w - 1 - x, axis == 1 ? y : d.h - 1 - y), 3);
        }
        if (kind == 1) RefScale(s, {r.x, r.y, std::min(r.width, w - r.x), std::min(r.height, h - r.y)}, e, 0, 0, cols, rows, fx, fy, 0, 0, linear);
        if (kind == 2) RefCenter(s, r, e, fx, fy, xc, yc, linear);
        if (kind == 3) RefRemap(s, r, xm.data(), ym.data(), e, linear);
        ForEachLevel([&] {
            const Plane out = Clone(d);
            const px::Status st =
                kind == 0   ? px::Mirror_8u_AC4IR(out.p(), out.step, out.size(), axis)
                : kind == 1 ? px::Resize_8u_AC4R(s.p(), s.size(), s.step, r, out.p(), out.step, {cols, rows}, fx, fy, interp)
                : kind == 2 ? px::ResizeCenter_8u_AC4R(s.p(), s.size(), s.step, r, out.p(), out.step, out.size(), fx, fy, xc, yc, interp)
                            : px::Remap_8u_AC4R(s.p(), s.size(), s.step, r, xs, step, ys, step, out.p(), out.step, out.size(), interp);
            ASSERT_EQ(st, px::kStsOk);
            ASSERT_TRUE(Same(out, e)) << "trial " << trial << " kind " << kind << " interp " << interp << " axis " << axis;
        });
        if (HasFatalFailure()) return;
    }
}

// cos and sin of an angle in degrees, reduced to [0, 360); exact at quarter turns.
std::pair<double, double> Turn(double angle) {
    double r = angle + std::trunc(angle * (1.0 / 360)) * -360;
    r += r < 0 ? 360 : 0;
    const double t = r * 0.005555555555555556 * 3.141592653589793;
    return {r == 90 || r == 270 ? 0 : (r == 180 ? -1 : std::cos(t)), r == 90 ? 1 : (r == 270 ? -1 : (r == 180 ? 0 : std::sin(t)))};
}

TEST(GeometryPrimitives, RotateQuadTurnsTheCornersAboutTheOrigin) {
    for (const double angle : {90.0, -90.0, 270.0, -270.0, 450.0, 180.0, -540.0, 30.0, -1000.5, 0.0})
        for (const px::RoiRect rc : {px::RoiRect{0, 0, 10, 10}, {2, 1, 4, 3}}) {
            double q[4][2];
            ASSERT_EQ(px::GetRotateQuad(rc, q, angle, 5, -7), px::kStsOk);
            const auto [c, s] = Turn(angle);
            for (int k = 0; k < 4; ++k) {
                const double x = rc.x + (k == 1 || k == 2 ? rc.width - 1 : 0), y = rc.y + (k < 2 ? 0 : rc.height - 1);
                EXPECT_TRUE(q[k][0] == c * x + s * y + 5 && q[k][1] == -s * x + c * y - 7) << angle << " corner " << k;
            }
        }
}

// ---------------------------------------------------------------------------
// Rotation and warps: properties, and every level against the plain one.

using MapCall = std::function<px::Status(const Plane& s, const Plane& d)>;

// Runs call at every level on copies of d; all levels give the plain bytes,
// and no byte 3 of d changes. Returns the plain result.
Plane AllLevelsAgree(const Plane& s, const Plane& d, const MapCall& call) {
    Plane first;
    ForEachLevel([&] {
        const Plane out = Clone(d);
        ASSERT_EQ(call(s, out), px::kStsOk);
        for (I i = 0; i < d.w * d.h; ++i) ASSERT_EQ(out.Px(i % d.w, i / d.w)[3], d.Px(i % d.w, i / d.w)[3]);
        if (first.mem == nullptr) first = out;
        ASSERT_TRUE(Same(out, first));
    });
    return first;
}

TEST(GeometryPrimitives, RotationAndWarpProperties) {
    std::mt19937 rng(5);
    for (int trial = 0; trial < 120; ++trial) {
        const I w = trial < 4 ? 300 : 2 + Rand(rng, 60), h = trial < 4 ? 70 : 2 + Rand(rng, 30), interp = 1 + Rand(rng, 2);  // several tiles first
        const Plane s = RandPlane(rng, w, h), d = RandPlane(rng, w, h);
        const px::RoiRect full{0, 0, w, h};
        const double W = w - 1, H = h - 1, fq[4][2] = {{0, 0}, {W, 0}, {W, H}, {0, H}};
        // A copy: angle 0 (any centre), and the identity quadrangles.
        const double xc = Rand(rng, 200) * 0.37, yc = Rand(rng, 200) * 0.29;
        const MapCall rot0 = [&](const Plane& a, const Plane& b) { return px::RotateCenter_8u_AC4R(a.p(), a.size(), a.step, full, b.p(), b.step, full, 360 * Rand(rng, 3), xc, yc, interp); };
        const MapCall affId = [&](const Plane& a, const Plane& b) { return px::WarpAffineQuad_8u_AC4R(a.p(), a.size(), a.step, full, fq, b.p(), b.step, full, fq, interp); };
        const MapCall perId = [&](const Plane& a, const Plane& b) { return px::WarpPerspectiveQuad_8u_AC4R(a.p(), a.size(), a.step, full, fq, b.p(), b.step, full, fq, interp); };
        for (const MapCall* call : {&rot0, &affId, &perId}) {
            const Plane out = AllLevelsAgree(s, d, *call);
            for (I i = 0; i < w * h; ++i) ASSERT_EQ(std::memcmp(out.Px(i % w, i / w), s.Px(i % w, i / w), 3), 0) << trial;
        }
        // Whole-pixel turns about a centre with whole shifts, against the pixel moves.
        const I turn = 1 + Rand(rng, 3), corner = Rand(rng, 4) == 0, cx = corner ? 0 : Rand(rng, w), cy = corner ? 0 : Rand(rng, h);
        const double angle = 90.0 * turn - 360.0 * Rand(rng, 2);
        const px::RoiRect sr = RandRect(rng, w, h), dr{Rand(rng, w / 2), Rand(rng, h / 2), 1 + Rand(rng, w / 2), 1 + Rand(rng, h / 2)};
        const Plane turned = AllLevelsAgree(s, d, [&](const Plane& a, const Plane& b) {
            return px::RotateCenter_8u_AC4R(a.p(), a.size(), a.step, sr, b.p(), b.step, dr, angle, cx, cy, interp); });
        const I cs = turn == 2 ? -1 : 0, sn = turn == 1 ? 1 : (turn == 3 ? -1 : 0);
        for (I i = 0; i < w * h; ++i) {
            const I x = i % w, y = i / w;
            const I u = cs * (x - cx) - sn * (y - cy) + cx, v = sn * (x - cx) + cs * (y - cy) + cy;  // the source pixel
            const bool in = x >= dr.x && x < dr.x + dr.width && y >= dr.y && y < dr.y + dr.height && u >= sr.x && u < std::min(w, sr.x + sr.width) && v >= sr.y && v < std::min(h, sr.y + sr.height);
            ASSERT_EQ(std::memcmp(turned.Px(x, y), in ? s.Px(u, v) : d.Px(x, y), 3), 0) << "turn " << turn;
        }
        // Any angle: the centre pixel keeps its colour, pixels outside the destination rectangle keep theirs;
        // nearest sampling takes the pixel at the inverse-mapped position (reduced angle, exact quarter turns).
        const double any = Rand(rng, 7200) * 0.1 - 360;
        const Plane rot = AllLevelsAgree(s, d, [&](const Plane& a, const Plane& b) {
            return px::RotateCenter_8u_AC4R(a.p(), a.size(), a.step, full, b.p(), b.step, dr, any, cx, cy, interp); });
        const auto [rc, rs] = Turn(any);
        const double xs = cx - rc * cx - rs * cy, ys = cy + rs * cx - rc * cy;
        for (I i = 0; i < w * h; ++i) {
            const I x = i % w, y = i / w;
            const bool inDst = x >= dr.x && x < dr.x + dr.width && y >= dr.y && y < dr.y + dr.height;
            const bool centre = inDst && x == cx && y == cy && x > 0 && y > 0 && x < w - 1 && y < h - 1;
            ASSERT_TRUE((inDst && !centre) || std::memcmp(rot.Px(x, y), (centre ? s : d).Px(x, y), 3) == 0) << any;
            const double u = rc * x + (-rs * (y - ys) - rc * xs), v = rs * x + (rc * (y - ys) - rs * xs);
            const bool in = inDst && u >= 0 && u <= w - 1 && v >= 0 && v <= h - 1;
            ASSERT_TRUE(interp != 1 || std::memcmp(rot.Px(x, y), in ? s.Px(I(u + 0.5), I(v + 0.5)) : d.Px(x, y), 3) == 0) << any;
        }
        // Warps onto an inner quadrangle: a whole shift of the full quadrangle by (dx, dy) moves pixels exactly;
        // a random convex quadrangle leaves everything outside its bounding box unchanged.
        const double dx = Rand(rng, 5) - 2, dy = Rand(rng, 5) - 2;
        const double sq[4][2] = {{dx, dy}, {W + dx, dy}, {W + dx, H + dy}, {dx, H + dy}};
        for (int persp = 0; persp < 2; ++persp) {
            const auto warp = persp ? px::WarpPerspectiveQuad_8u_AC4R : px::WarpAffineQuad_8u_AC4R;
            const Plane shifted = AllLevelsAgree(s, d, [&](const Plane& a, const Plane& o) { return warp(a.p(), a.size(), a.step, full, fq, o.p(), o.step, full, sq, interp); });
            for (I i = 0; i < w * h; ++i) {
                const I x = i % w, y = i / w, u = x - I(dx), v = y - I(dy);
                const bool in = u >= 0 && u < w && v >= 0 && v < h;
                ASSERT_EQ(std::memcmp(shifted.Px(x, y), in ? s.Px(u, v) : d.Px(x, y), 3), 0) << "perspective " << persp << " shift " << dx << "," << dy;
            }
            const double l = Rand(rng, w / 2), t = Rand(rng, h / 2), rgt = W - Rand(rng, w / 2), b = H - Rand(rng, h / 2), in = Rand(rng, 3);
            const double q[4][2] = {{l + in, t}, {rgt - in, t + in}, {rgt, b}, {l, b - in}};
            const Plane warped = AllLevelsAgree(s, d, [&](const Plane& a, const Plane& o) { return warp(a.p(), a.size(), a.step, sr, fq, o.p(), o.step, full, q, interp); });
            for (I i = 0; i < w * h; ++i) {
                const I x = i % w, y = i / w;
                const bool outside = x < l || x > rgt || y < t || y > b;
                ASSERT_TRUE(!outside || std::memcmp(warped.Px(x, y), d.Px(x, y), 3) == 0);
            }
            // The vertices of an inner source quadrangle land on those of q (all four in perspective, the
            // three that fix the affine map).
            bool convex = w >= 4 && h >= 4;
            for (int k = 0; k < 4; ++k) {
                const double *p0 = q[k], *p1 = q[(k + 1) % 4], *p2 = q[(k + 2) % 4];
                convex = convex && (p1[0] - p0[0]) * (p2[1] - p1[1]) - (p1[1] - p0[1]) * (p2[0] - p1[0]) > 0;
            }
            if (!convex) continue;
            const double iq[4][2] = {{1, 1}, {W - 1, 1}, {W - 1, H - 1}, {1, H - 1}};
            const Plane corners = AllLevelsAgree(s, d, [&](const Plane& a, const Plane& o) { return warp(a.p(), a.size(), a.step, full, iq, o.p(), o.step, full, q, interp); });
            for (int k = 0; k < 3 + persp; ++k) ASSERT_EQ(std::memcmp(corners.Px(I(q[k][0]), I(q[k][1])), s.Px(I(iq[k][0]), I(iq[k][1])), 3), 0) << k << " perspective " << persp;
        }
        if (HasFatalFailure()) return;
    }
}

// ---------------------------------------------------------------------------
// Argument checks, and arguments that must not fault.

TEST(GeometryPrimitives, ArgumentChecksInOrderAndNothingWrittenOnRefusal) {
    alignas(16) static U8 src[4096], dst[4096];
    static float map[256];
    const double q[4][2] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}};
    const px::RoiSize sz{4, 4};
    const px::RoiRect rc{0, 0, 4, 4};
    std::memset(dst, 0x5A, sizeof dst);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    struct Row { px::Status want; std::function<px::Status()> call; };
    const std::vector<Row> rows = {
        {-8, [&] { return px::Mirror_8u_AC4IR(nullptr, 0, {0, 0}, 3); }},
        {-14, [&] { return px::Mirror_8u_AC4IR(dst, 0, {0, 0}, 3); }},
        {-6, [&] { return px::Mirror_8u_AC4IR(dst, 16, {4, 0}, 3); }},
        {-21, [&] { return px::Mirror_8u_AC4IR(dst, 16, sz, 3); }},
        {-21, [&] { return px::Mirror_8u_AC4IR(dst, 16, sz, -1); }},
        {-8, [&] { return px::Resize_8u_AC4R(src, sz, 16, rc, nullptr, 0, {0, 1}, 0, 0, 3); }},
        {-6, [&] { return px::Resize_8u_AC4R(src, sz, 0, {-1, 0, 4, 4}, dst, 0, sz, 0, 0, 3); }},
        {-6, [&] { return px::Resize_8u_AC4R(src, sz, 0, {0, 0, 4, 0}, dst, 0, sz, 0, 0, 3); }},
        {-6, [&] { return px::Resize_8u_AC4R(src, {4, 0}, 0, rc, dst, 0, sz, 0, 0, 3); }},
        {-14, [&] { return px::Resize_8u_AC4R(src, sz, 16, rc, dst, 0, sz, 0, 0, 3); }},
        {-22, [&] { return px::Resize_8u_AC4R(src, sz, 16, rc, dst, 16, sz, 0, 0, 3); }},
        {-23, [&] { return px::Resize_8u_AC4R(src, sz, 16, rc, dst, 16, sz, 1, 0, 1); }},
        {-23, [&] { return px::ResizeCenter_8u_AC4R(src, sz, 16, rc, dst, 16, sz, nan, 1, 0, 0, 2); }},
        {-6, [&] { return px::ResizeCenter_8u_AC4R(src, sz, 16, {4, 0, 1, 1}, dst, 16, sz, 1, 1, 0, 0, 2); }},
        {0, [&] { return px::ResizeCenter_8u_AC4R(src, sz, 16, rc, dst, 16, sz, 1, 1, nan, inf, 2); }},
        {0, [&] { return px::ResizeCenter_8u_AC4R(src, sz, 16, rc, dst, 16, sz, 1e300, 1, 1e300, 0, 2); }},
        {0, [&] { return px::ResizeCenter_8u_AC4R(src, sz, 16, rc, dst, 16, sz, 1, 1, -1e9, 0, 2); }},
        {-8, [&] { return px::GetRotateQuad({0, 0, 1, 1}, nullptr, 0, 0, 0); }},
        {-6, [&] { double o[4][2]; return px::GetRotateQuad({0, -1, 1, 1}, o, 0, 0, 0); }},
        {-6, [&] { double o[4][2]; return px::GetRotateQuad({0, 0, 1, 0}, o, 0, 0, 0); }},
        {0, [&] { double o[4][2]; return px::GetRotateQuad({0, 0, 3, 3}, o, nan, inf, 0); }},
        {-8, [&] { return px::RotateCenter_8u_AC4R(nullptr, sz, 0, rc, dst, 0, {0, 0, 0, 0}, 0, 0, 0, 3); }},
        {-6, [&] { return px::RotateCenter_8u_AC4R(src, sz, 0, rc, dst, 0, {0, -1, 1, 1}, 0, 0, 0, 3); }},
        {-14, [&] { return px::RotateCenter_8u_AC4R(src, sz, 16, rc, dst, 0, rc, 0, 0, 0, 3); }},
        {-22, [&] { return px::RotateCenter_8u_AC4R(src, sz, 16, rc, dst, 16, rc, 0, 0, 0, 0); }},
        {0, [&] { return px::RotateCenter_8u_AC4R(src, sz, 16, rc, dst, 16, rc, inf, 1, 1, 2); }},
        {0, [&] { return px::RotateCenter_8u_AC4R(src, sz, 16, rc, dst, 16, rc, 30, nan, 1, 2); }},
        {0, [&] { return px::RotateCenter_8u_AC4R(src, sz, 16, rc, dst, 16, rc, 90, 1e30, 0, 2); }},
        {-8, [&] { return px::WarpAffineQuad_8u_AC4R(src, sz, 0, rc, nullptr, dst, 0, rc, q, 3); }},
        {-8, [&] { return px::WarpPerspectiveQuad_8u_AC4R(src, sz, 0, rc, q, dst, 0, rc, nullptr, 3); }},
        {-6, [&] { return px::WarpPerspectiveQuad_8u_AC4R(src, {0, 4}, 0, rc, q, dst, 0, rc, q, 3); }},
        {-14, [&] { return px::WarpAffineQuad_8u_AC4R(src, sz, 16, rc, q, dst, -16, rc, q, 3); }},
        {-22, [&] { return px::WarpPerspectiveQuad_8u_AC4R(src, sz, 16, rc, q, dst, 16, rc, q, 5); }},
        {-8, [&] { return px::Remap_8u_AC4R(src, sz, 0, rc, map, 0, nullptr, 0, dst, 0, {0, 0}, 3); }},
        {-6, [&] { return px::Remap_8u_AC4R(src, sz, 0, {0, 0, 0, 4}, map, 0, map, 0, dst, 0, sz, 3); }},
        {-22, [&] { return px::Remap_8u_AC4R(src, sz, 0, rc, map, 0, map, 0, dst, 0, sz, 3); }},
        {-14, [&] { return px::Remap_8u_AC4R(src, sz, 16, rc, map, 16, map, 0, dst, 16, sz, 2); }},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].call(), rows[i].want) << "row " << i;
    EXPECT_TRUE(std::all_of(dst, dst + sizeof dst, [](U8 v) { return v == 0x5A; }));
    // Not finite or degenerate quadrangles cover nothing.
    double bad[4][2] = {{0, 0}, {3, 0}, {3, 3}, {nan, 3}}, flat[4][2] = {{0, 0}, {3, 3}, {1, 1}, {2, 2}};
    for (auto* dq : {bad, flat}) {
        EXPECT_EQ(px::WarpAffineQuad_8u_AC4R(src, sz, 16, rc, q, dst, 16, rc, dq, 1), 0);
        EXPECT_EQ(px::WarpPerspectiveQuad_8u_AC4R(src, sz, 16, rc, q, dst, 16, rc, dq, 2), 0);
        EXPECT_EQ(px::WarpPerspectiveQuad_8u_AC4R(src, sz, 16, rc, dq, dst, 16, rc, q, 2), 0);
    }
    // A quadrangle of zero area (a spike) covers nothing, though its first three vertices fix an affine map.
    const double spike[4][2] = {{0, 0}, {3, 0}, {1, 2}, {3, 0}};
    EXPECT_EQ(px::WarpAffineQuad_8u_AC4R(src, sz, 16, rc, q, dst, 16, rc, spike, 1), 0);
    EXPECT_TRUE(std::all_of(dst, dst + sizeof dst, [](U8 v) { return v == 0x5A; }));
}

}  // namespace
