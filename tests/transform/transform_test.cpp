// Transforms against whole-image references written from their
// definitions: flip, shift and the remap maps computed here pixel by pixel;
// the members that hand their pixel work to the geometric primitives
// (quadrangle warps, rotation, zoom, water mirror, tiling, resize into the
// host's array) through those primitives called with the parameters of the
// definition (the primitives have references of their own in the primitive
// tests).
#include <cmath>

#include "../effects/neighbourhood_support.h"
#include "primitives/geometry.h"
#include "primitives/linear_filter.h"
#include "primitives/pixel.h"
#include "transform/transform.h"

namespace vtx_test {
namespace {

namespace px = vtx::px;
constexpr std::int32_t kBack = 0x3050A0;  // red 0xA0, green 0x50, blue 0x30
constexpr std::uint8_t kBackBgr[3] = {0x30, 0x50, 0xA0};
constexpr double k180 = 0.005555555555555556, k360 = 0.002777777777777778;

const std::vector<Image> kImages = [] {
    std::vector<Image> v = TestImages();
    for (auto [w, h] : {std::pair{41, 30}, {49, 49}, {3, 361}, {361, 2}}) v.push_back(MakeImage(w, h, w, [](int, int, int r) { return r; }));
    return v;
}();

Image Background(const Image& in) { return MapPixels(in, [](int, int, int ch) { return kBackBgr[ch]; }); }
px::RoiSize Size(const Image& in) { return {in.w, in.h}; }
px::RoiRect Full(const Image& in) { return {0, 0, in.w, in.h}; }

using Call = std::function<std::int32_t(vtx::ImageSession&, double comp)>;
// Changes `want` (a copy of `in` on entry) into the expected image; c clamped to [0, 1].
using Ref = std::function<void(const Image& in, double c, bool mask, Image& want)>;

// The member on every image, Completeness inside and beyond [0, 1] and NaN,
// with and without UseMask, byte for byte against the reference.
void Check(const std::string& what, const Call& call, const Ref& ref) {
    EXPECT_EQ([&] { vtx::ImageSession none; return call(none, 1.0); }(), 1) << what;
    for (const Image& in : kImages)
        for (double comp : {kNaN, -1.0, 0.0, 0.3, 0.5, 1.0, 4.0})
            for (bool mask : {false, true}) {
                vtx::ImageSession s;
                ASSERT_EQ(s.SetImageCopy(in.px.data(), in.w, in.h), 0);
                s.setBackColor(kBack), s.setUseMask(mask ? vtx::kVariantTrue : vtx::kVariantFalse);
                ASSERT_EQ(call(s, comp), 0) << what;
                Image want = in;
                ref(in, std::isnan(comp) ? 0.0 : std::clamp(comp, 0.0, 1.0), mask, want);
                const std::size_t i = std::mismatch(want.px.begin(), want.px.end(), s.pixels()).first - want.px.begin();
                ASSERT_EQ(i, want.px.size()) << what << " C " << comp << " mask " << mask << " " << in.w << "x" << in.h << " byte " << i;
            }
}

// The background, then the colour of every pixel (x, y) moved to to(x, y) where that lies in the image (later sources win).
void Moved(const Image& in, Image& want, const std::function<std::pair<long long, long long>(long long x, long long y)>& to, bool mask = false) {
    want = Background(in);
    for (int n = 0; n < in.count(); ++n) {
        const auto [tx, ty] = to(n % in.w, n / in.w);
        if ((!mask || in.pixel(n)[3] == 0) && tx >= 0 && tx < in.w && ty >= 0 && ty < in.h) std::copy_n(in.pixel(n), 3, want.pixel(static_cast<int>(ty * in.w + tx)));
    }
}

TEST(Transforms, FlipAndShift) {
    for (std::int32_t vertical : {-1, 1, 0xFFFF, 0x1FFFE, 0}) {
        const bool v = (vertical & 0xFFFF) == 0xFFFF;
        Check("flip " + std::to_string(vertical), [&](auto& s, double c) { return vtx::TransformFlip(s, c, vertical); },
              [&](const Image& in, double c, bool mask, Image& want) {
                  Moved(in, want, [&](long long x, long long y) {
                      return v ? std::pair{x, static_cast<long long>((in.h - 1 - y) * c + (1 - c) * y)} : std::pair{static_cast<long long>((in.w - 1 - x) * c + (1 - c) * x), y};
                  }, mask);
              });
    }
    for (const auto& xy : {std::pair{3, -2}, {-5, 4}, {0, 0}, {0, -1}, {1000, 0}, {0, -1000}, {INT32_MIN, INT32_MAX}}) {
        const int X = xy.first, Y = xy.second;
        Check("shift", [&](auto& s, double c) { return vtx::TransformShift(s, c, X, Y); }, [&](const Image& in, double c, bool, Image& want) {
            const long long sx = static_cast<long long>(X * c), sy = static_cast<long long>(-1.0 * Y * c);
            if (sx != 0 || sy != 0) Moved(in, want, [&](long long x, long long y) { return std::pair{x + sx, y + sy}; });
        });
    }
}

// Perspective and skew: the background, then the warp of the whole image
// onto the quadrangle of the definition. Corner codes per coordinate,
// x0 y0 x1 y1 x2 y2 x3 y3: x from (0, dx, W-dx-1, W-1), y from (0, dy, H-dy-1, H-1).
TEST(Transforms, QuadrangleWarps) {
    struct Case { bool persp; std::int32_t vertical; const char* pos; const char* neg; };
    for (const Case& k : {Case{true, -1, "11202312", "10212213"}, Case{true, 1, "11213202", "01312212"},
                          Case{false, 0xFFFF, "11202213", "10212312"}, Case{false, 0x1FFFE, "11312202", "01213212"}}) {
        const bool v = k.vertical == -1 || k.vertical == 0xFFFF;
        for (double angle : {90.0, 200.0, -90.0, -1000.0, 45.0, -30.0, 1.0, -1.0, 0.0015, -0.0034, 0.0005, kNaN}) {
            Check((k.persp ? "perspective " : "skew ") + std::to_string(angle),
                  [&](auto& s, double c) { return (k.persp ? vtx::TransformPerspective : vtx::TransformSkew)(s, c, k.vertical, angle); },
                  [&](const Image& in, double c, bool, Image& want) {
                      const double a = std::clamp(angle, -90.0, 90.0) * c, w = in.w, h = in.h;
                      if (!(std::fabs(a) >= 0.001)) return;
                      const int dx = static_cast<int>(w * std::fabs(a) * (k.persp && !v ? k360 : k180)), dy = static_cast<int>(h * std::fabs(a) * (k.persp && v ? k360 : k180));
                      const double xs[4] = {0, 1.0 * dx, w - dx - 1, w - 1}, ys[4] = {0, 1.0 * dy, h - dy - 1, h - 1};
                      const double full[4][2] = {{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}};
                      double q[4][2];
                      for (int i = 0; i < 8; ++i) q[i / 2][i % 2] = (i % 2 ? ys : xs)[(a > 0 ? k.pos : k.neg)[i] - '0'];
                      want = Background(in);
                      (k.persp ? px::WarpPerspectiveQuad_8u_AC4R : px::WarpAffineQuad_8u_AC4R)(
                          in.px.data(), Size(in), 4 * in.w, Full(in), full, want.px.data(), 4 * in.w, Full(in), q, 1);
                  });
        }
    }
}

TEST(Transforms, RotateAndZoom) {
    for (double angle : {30.0, -45.0, 180.0, -180.0, 179.9995, 359.999, 360.0, 400.0, -1000.0, 0.0005, 90.0, kNaN}) {
        Check("rotate " + std::to_string(angle), [&](auto& s, double c) { return vtx::TransformRotate(s, c, angle); },
              [&](const Image& in, double c, bool, Image& want) {
                  const double a = std::clamp(angle, -360.0, 360.0) * c, w = in.w, h = in.h;
                  if (!(std::fabs(a) >= 0.001) || std::fabs(a) > 359.999) return;
                  if (std::fabs(std::fabs(a) - 180) < 0.001) return static_cast<void>(px::Mirror_8u_AC4IR(want.px.data(), 4 * in.w, Size(in), 2));
                  double q[4][2];
                  px::GetRotateQuad(Full(in), q, a, 0, 0);
                  const auto [x0, x1] = std::minmax({q[0][0], q[1][0], q[2][0], q[3][0]});
                  const auto [y0, y1] = std::minmax({q[0][1], q[1][1], q[2][1], q[3][1]});
                  const double f = 1 / std::max(static_cast<int>(x1 - x0) / w, static_cast<int>(y1 - y0) / h);
                  std::vector<std::uint8_t> work(in.px.size(), 0);
                  want = Background(in);
                  px::ResizeCenter_8u_AC4R(in.px.data(), Size(in), 4 * in.w, Full(in), work.data(), 4 * in.w, Size(in), f, f, w / 2, h / 2, 2);
                  px::RotateCenter_8u_AC4R(work.data(), Size(in), 4 * in.w, Full(in), want.px.data(), 4 * in.w, Full(in), a, w / 2, h / 2, 2);
              });
    }
    for (std::int32_t zoom : {-100, -30, 0, 1, 50, 100, 1000, INT32_MIN}) {
        Check("zoom " + std::to_string(zoom), [&](auto& s, double c) { return vtx::TransformZoom(s, c, zoom); },
              [&](const Image& in, double c, bool, Image& want) {
                  const int z = std::clamp(zoom, -100, 100);
                  const double e = z * c * 0.01, f = z < 0 ? 1 - std::min(std::fabs(e), 0.999) : 1 + 0.5 * std::min(in.w, in.h) * (e * e);
                  if (z == 0 || c < 0.001) return;
                  want = Background(in);
                  px::ResizeCenter_8u_AC4R(in.px.data(), Size(in), 4 * in.w, Full(in), want.px.data(), 4 * in.w, Size(in), f, f, in.w * 0.5, in.h * 0.5, 2);
              });
    }
}

// The water mirror: resize, mirror and smear of the band, per type.
TEST(Transforms, Mirror) {
    for (std::int32_t type : {8099, 8100, 8101, 8102, 8103, 8104})
        for (double level : {50.0, 100.0, 250.0, 30.0, 3.0, 0.0005, -5.0, kNaN}) {
            Check("mirror " + std::to_string(type) + " " + std::to_string(level), [&](auto& s, double c) { return vtx::TransformMirror(s, c, level, type); },
                  [&](const Image& in, double c, bool, Image& want) {
                      const double l = std::clamp(level, 0.0, 100.0);
                      if (c < 0.001 || !(l >= 0.001) || type < 8100 || type > 8103) return;
                      const int W = in.w, H = in.h, t = type - 8100, k = static_cast<int>(((t < 2 ? H : W) - 2) * (c * l * 0.01));
                      struct Step { px::RoiRect src; int bx, by; px::RoiSize band; double fx, fy; int sx, sy; px::RoiSize size, mask; px::RoiPoint anchor; };
                      const Step steps[4] = {
                          {{0, k, W, H - k}, 0, 0, {W, k}, 1.0, double(k) / (H - k), 5, 1, {W - 9, k - 2}, {10, 3}, {5, 1}},
                          {{0, 0, W, H - k}, 0, H - k, {W, k}, 1.0, double(k) / (H - k), 5, H - k + 1, {W - 9, k - 2}, {10, 3}, {5, 1}},
                          {{k, 0, W - k, H}, 0, 0, {k, H}, double(k) / (W - k), 1.0, 1, 5, {k - 2, H - 9}, {3, 10}, {1, 5}},
                          {{0, 0, W - k, H}, W - k, 0, {k, H}, double(k) / (W - k), 1.0, W - k + 1, 5, {k - 2, H - 9}, {3, 10}, {1, 5}}};
                      const Step& st = steps[t];
                      const auto at = [&](int x, int y) { return want.px.data() + 4 * (std::min(y, H - 1) * W + std::min(x, W - 1)); };
                      px::Resize_8u_AC4R(want.px.data(), Size(in), 4 * W, st.src, at(st.bx, st.by), 4 * W, st.band, st.fx, st.fy, 2);
                      px::Mirror_8u_AC4IR(at(st.bx, st.by), 4 * W, st.band, t < 2 ? 0 : 1);
                      px::FilterBox_8u_AC4IR(at(st.sx, st.sy), 4 * W, st.size, st.mask, st.anchor);
                  });
        }
}

// Tiling: every pixel shows the first tile's pixel at its position modulo the
// tile size, counted from the margins; the tile is the nearest resize.
TEST(Transforms, ResampleTiles) {
    for (std::int32_t times : {1, 2, 3, 5, 49, 1000, INT32_MIN}) {
        Check("resample " + std::to_string(times), [&](auto& s, double c) { return vtx::TransformResample(s, c, times); },
              [&](const Image& in, double c, bool, Image& want) {
                  const int w = in.w, h = in.h, n = std::clamp(times, 1, std::min(w, h));
                  const double f = 1 / (1 + (n - 1) * c);
                  const int tw = static_cast<int>(w * f), th = static_cast<int>(h * f);
                  if (c < 0.001 || n < 2 || tw < 1 || th < 1) return;  // a tile side of 0 leaves the image
                  std::vector<std::uint8_t> tile(4 * tw * th);
                  px::Resize_8u_AC4R(in.px.data(), Size(in), 4 * w, Full(in), tile.data(), 4 * tw, {tw, th}, f, f, 1);
                  const int mx = (w - (2 * ((w - tw) / (2 * tw)) + 1) * tw) / 2, my = (h - (2 * ((h - th) / (2 * th)) + 1) * th) / 2;
                  want = MapPixels(in, [&](int x, int y, int ch) { return tile[4 * (((y - my + th) % th) * tw + (x - mx + tw) % tw) + ch]; });
              });
    }
}

// TransformResize: the picture into the host's array through the scaling
// primitive, stretched (nearest or linear) or fitted, aspect kept and never
// enlarged, centred on the colour; the session's image is left as it was.
TEST(Transforms, ResizeIntoTheHostArray) {
    std::uint32_t seed = 1;
    for (auto [w, h] : {std::pair{2, 2}, {3, 5}, {7, 4}, {16, 9}, {5, 2}})
        for (auto [wo, ho] : {std::pair{2, 2}, {3, 7}, {8, 4}, {16, 9}, {33, 20}, {14, 18}, {5, 3}})
            for (std::int32_t type : {0, 1, 5, 272, -1}) {
                const Image src = MakeImage(w, h, seed++, [](int, int, int r) { return r; });
                Image got = MakeImage(wo, ho, seed++, [](int, int, int r) { return r; }), want = got;
                vtx::ImageSession s;
                s.SetImageInPlace(const_cast<std::uint8_t*>(src.px.data()), w, h);
                vtx::ImageView view{got.px.data(), wo, ho};
                ASSERT_EQ(vtx::TransformResize(s, &view, kBack, type), 0);
                const double rw = double(wo) / w, rh = double(ho) / h, f = std::min({rw, rh, 1.0});
                const int xo = wo > w * f ? int((wo - w * f) * 0.5) : 0, yo = ho > h * f ? int((ho - h * f) * 0.5) : 0;
                if (type != 0 && type != 1) want = Background(want);
                if (wo == w && ho == h) want = src;
                else if (type == 0 || type == 1) px::Resize_8u_AC4R(src.px.data(), Size(src), 4 * w, Full(src), want.px.data(), 4 * wo, Size(want), rw, rh, 1 + type);
                else px::Resize_8u_AC4R(src.px.data(), Size(src), 4 * w, Full(src), want.pixel(yo * wo + xo), 4 * wo, {wo - xo, ho - yo}, f, f, type == 272 ? 2 : 1);
                EXPECT_EQ(got.px, want.px) << w << "x" << h << " into " << wo << "x" << ho << " type " << type;
                ASSERT_TRUE(std::equal(src.px.begin(), src.px.end(), s.pixels())) << "the image is left as it was";
            }
    // Refused: no image, a refused image, no array, an array below 2 x 2; nothing is written.
    const Image src = MakeImage(4, 4, 9, [](int, int, int r) { return r; });
    std::vector<std::uint8_t> out(4 * 8 * 8, 7);
    vtx::ImageSession s;
    vtx::ImageView view{out.data(), 8, 8};
    EXPECT_EQ(vtx::TransformResize(s, &view, 0, 0), 1);
    EXPECT_EQ(s.SetImageInPlace(const_cast<std::uint8_t*>(src.px.data()), 1, 16), 1);
    EXPECT_EQ(vtx::TransformResize(s, &view, 0, 0), 1);
    s.SetImageCopy(src.px.data(), 4, 4);
    EXPECT_EQ(vtx::TransformResize(s, nullptr, 0, 0), 1);
    for (vtx::ImageView small : {vtx::ImageView{nullptr, 8, 8}, {out.data(), 1, 8}, {out.data(), 8, 1}, {out.data(), 0, 0}, {out.data(), -3, 8}})
        EXPECT_EQ(vtx::TransformResize(s, &small, 0, 5), 1) << small.width << "x" << small.height;
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 7; }));
}

// The remap members: (BackColor, 255) where the linear remap through the
// reference maps finds no source.
void ThroughMaps(const Image& in, Image& want, const std::function<std::pair<float, float>(int X, int Y)>& map) {
    std::vector<float> xs(in.count()), ys(in.count());
    for (int n = 0; n < in.count(); ++n) std::tie(xs[n], ys[n]) = map(n % in.w, n / in.w);
    const std::uint8_t value[4] = {kBackBgr[0], kBackBgr[1], kBackBgr[2], 255};
    px::Set_8u_C4R(value, want.px.data(), 4 * in.w, Size(in));
    px::Remap_8u_AC4R(in.px.data(), Size(in), 4 * in.w, Full(in), xs.data(), 4 * in.w, ys.data(), 4 * in.w, want.px.data(), 4 * in.w, Size(in), 2);
}

std::vector<float> Profile(long long n, double degree) {
    std::vector<float> t(static_cast<std::size_t>(n), 0.0f);
    for (long long i = 1; i < n; ++i) t[i] = static_cast<float>(std::pow(static_cast<float>(i) / static_cast<float>(n), std::clamp(degree, -1.0, 10.0)));
    return t;
}

TEST(Transforms, RemapDistortions) {
    for (const auto& ad : {std::pair{90.0, 0}, {-250.0, 1}, {700.0, 3}, {1e6, 5}, {-3000.0, -2}, {33.3, 40}}) {
        const double angle = ad.first;
        const int degree = ad.second;
        Check("twirl " + std::to_string(angle), [&](auto& s, double c) { return vtx::TransformTwirl(s, c, angle, degree); },
              [&](const Image& in, double c, bool, Image& want) {
                  const long long cx = in.w / 2, cy = in.h / 2;
                  ThroughMaps(in, want, [&](int X, int Y) {
                      const long long x = X - cx, y = Y - cy;
                      const float r = static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y) / (cx * cx + cy * cy)));
                      float theta = static_cast<float>(c * angle);
                      for (int k = 0; k < degree; ++k) theta *= 1 - r;
                      const int i = (static_cast<int>(2 * theta) % 720 + 720) % 720;  // indexes of a turn or more wrap
                      const float co = static_cast<float>(std::cos(i * 0.008726646259971648)), si = static_cast<float>(std::sin(i * 0.008726646259971648));
                      return std::pair{x * co - y * si + cx, x * si + y * co + cy};
                  });
              });
    }
    const auto sphere = [](const Image& in, double c, int cx, int cy, int rx0, int ry0, double degree, Image& want) {
        const long long rx = static_cast<long long>(std::max(rx0 * c, 0.001)), ry = static_cast<long long>(std::max(ry0 * c, 0.001));
        const std::vector<float> t = Profile(std::max(rx * ry, 1LL), degree);
        const float fx = static_cast<float>(rx), fy = static_cast<float>(ry), CY = static_cast<float>(in.h - 1 - cy);
        ThroughMaps(in, want, [&](int X, int Y) {
            const float dx = static_cast<float>(X - cx), dy = Y - CY;
            const float d = std::sqrt(dx * dx / (fx * fx) + static_cast<float>(dy * dy / (fy * fy)));
            if (rx == 0 || ry == 0 || !(d < 1)) return std::pair{float(X), float(Y)};
            const float f = t[static_cast<std::size_t>(static_cast<double>(rx * ry) * d)];
            return std::pair{dx * f + cx, dy * f + CY};
        });
    };
    for (const auto& sp : {std::tuple{10, 7, 2.0}, {3, 40, -3.0}, {0, 5, 1.0}, {-4, 6, 20.0}, {25, 25, 0.5}})
        for (const auto& centre : {std::pair{20, 10}, {0, 0}, {50, -2}, {3, 5}}) {
            const int rx0 = std::get<0>(sp), ry0 = std::get<1>(sp), cx = centre.first, cy = centre.second;
            const double degree = std::get<2>(sp);
            Check("sphere", [&](auto& s, double c) { return vtx::TransformSphere(s, c, cx, cy, rx0, ry0, degree); },
                  [&](const Image& in, double c, bool, Image& want) { sphere(in, c, cx, cy, rx0, ry0, degree, want); });
        }
    // Full frames with lenses of 2000 (a table of 16 MB, leaving the call's memory room for one row's
    // factors at a time) and 2600 (a table beyond it: 1, the image as it was).
    const Image frame = MakeImage(1920, 1080, 5, [](int, int, int r) { return r; });
    for (const int radius : {2000, 2600}) {
        vtx::ImageSession s;
        ASSERT_EQ(s.SetImageCopy(frame.px.data(), frame.w, frame.h), 0);
        s.setBackColor(kBack);
        Image want = frame;
        if (radius == 2000) sphere(frame, 1.0, 960, 540, radius, radius, 2.0, want);
        EXPECT_EQ(vtx::TransformSphere(s, 1, 960, 540, radius, radius, 2.0), radius == 2000 ? 0 : 1);
        EXPECT_TRUE(std::equal(want.px.begin(), want.px.end(), s.pixels())) << radius;
    }
    for (const auto& cp : {std::tuple{3, 12, 2.0, 0}, {0, 8, -3.0, 1}, {30, 100, 0.7, 0}, {8, 0, 4.0, 7}, {-2, 30, 15.0, 1}, {45, 5, 1.0, 0}}) {
        const int centre = std::get<0>(cp), radius = std::get<1>(cp), type = std::get<3>(cp);
        const double degree = std::get<2>(cp);
        Check("cylinder", [&](auto& s, double c) { return vtx::TransformCylinder(s, c, centre, radius, degree, type); },
              [&](const Image& in, double c, bool, Image& want) {
                  const long long n = static_cast<long long>(std::max(radius * c, 1.0)), C = type == 0 ? in.h - 1 - centre : centre;
                  const std::vector<float> t = Profile(n, degree);
                  ThroughMaps(in, want, [&](int X, int Y) {
                      const long long d = (type == 0 ? Y : X) - C;
                      const float v = std::llabs(d) < n ? d * t[std::llabs(d)] + C : float(type == 0 ? Y : X);
                      return type == 0 ? std::pair{float(X), v} : std::pair{v, float(Y)};
                  });
              });
    }
}

}  // namespace
}  // namespace vtx_test
