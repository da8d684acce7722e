// Transforms: the exact members against whole-image references written from
// their definitions (flip, shift, the half turn, the remap distortions
// through their maps and a linear remap of the definition), and the
// properties the warps must have (background outside the picture, alpha
// bytes untouched, identity at Completeness 0).
#include <cmath>

#include "../effects/neighbourhood_support.h"
#include "transform/transform.h"

namespace vtx_test {
namespace {

constexpr std::int32_t kBack = 0x3050A0;  // red 0xA0, green 0x50, blue 0x30
constexpr std::uint8_t kBackBgr[3] = {0x30, 0x50, 0xA0};

const std::vector<Image>& Images() {
    static const std::vector<Image> images = [] {
        std::vector<Image> v = TestImages();
        v.push_back(MakeImage(41, 30, 9, [](int, int, int r) { return r; }));
        return v;
    }();
    return images;
}

Image RunOn(const Image& in, bool mask, const std::function<std::int32_t(vtx::ImageSession&)>& op, int want = 0) {
    vtx::ImageSession s;
    EXPECT_EQ(s.SetImageCopy(in.px.data(), in.w, in.h), 0);
    s.setUseMask(mask ? vtx::kVariantTrue : vtx::kVariantFalse);
    s.setBackColor(kBack);
    EXPECT_EQ(op(s), want);
    return Image{in.w, in.h, std::vector<std::uint8_t>(s.pixels(), s.pixels() + in.px.size())};
}

// `in` with every colour byte set to the background, alpha kept.
Image Background(const Image& in) {
    return MapPixels(in, [](int, int, int ch) { return kBackBgr[ch]; });
}

void ExpectSame(const Image& got, const Image& want, const std::string& what) {
    const std::size_t i = std::mismatch(got.px.begin(), got.px.end(), want.px.begin()).first - got.px.begin();
    ASSERT_EQ(i, got.px.size()) << what << " " << got.w << "x" << got.h << " pixel " << i / 4 << " byte " << i % 4
                                << ": " << int{got.px[i]} << ", not " << int{want.px[i]};
}

void SetColour(Image& img, int n, const std::uint8_t* from) {
    for (int ch = 0; ch < 3; ++ch) img.pixel(n)[ch] = from[ch];
}

TEST(Transforms, FlipAndShiftAgainstReferences) {
    for (const Image& in : Images()) {
        for (double comp : {kNaN, -1.0, 0.3, 0.5, 0.77, 1.0, 4.0}) {
            const double c = std::isnan(comp) ? 0.0 : std::clamp(comp, 0.0, 1.0);
            for (std::int32_t vertical : {-1, 1, 0xFFFF, 0x1FFFE, 0}) {
                const bool v = (vertical & 0xFFFF) == 0xFFFF;
                for (bool mask : {false, true}) {
                    Image want = Background(in);
                    for (int y = 0; y < in.h; ++y)
                        for (int x = 0; x < in.w; ++x) {
                            const int n = y * in.w + x;
                            if (mask && in.pixel(n)[3] != 0) continue;
                            const int tx = v ? x : static_cast<int>((in.w - 1 - x) * c + (1 - c) * x);
                            const int ty = v ? static_cast<int>((in.h - 1 - y) * c + (1 - c) * y) : y;
                            SetColour(want, ty * in.w + tx, in.pixel(n));
                        }
                    ExpectSame(RunOn(in, mask, [&](vtx::ImageSession& s) { return vtx::TransformFlip(s, comp, vertical); }),
                               want, "flip " + std::to_string(comp) + " " + std::to_string(vertical));
                }
            }
            for (const auto& xy : {std::pair{3, -2}, {-5, 4}, {0, 0}, {1000, 0}, {0, -1000}, {INT32_MIN, INT32_MAX}}) {
                const int X = xy.first, Y = xy.second;
                const long long sx = static_cast<long long>(X * c), sy = static_cast<long long>(-static_cast<double>(Y) * c);
                Image want = in;
                if (sx != 0 || sy != 0) {
                    want = Background(in);
                    for (int y = 0; y < in.h; ++y)
                        for (int x = 0; x < in.w; ++x)
                            if (x + sx >= 0 && x + sx < in.w && y + sy >= 0 && y + sy < in.h)
                                SetColour(want, static_cast<int>((y + sy) * in.w + x + sx), in.pixel(y * in.w + x));
                }
                ExpectSame(RunOn(in, false, [&](vtx::ImageSession& s) { return vtx::TransformShift(s, comp, X, Y); }), want,
                           "shift " + std::to_string(X) + "," + std::to_string(Y));
            }
        }
    }
    vtx::ImageSession none;
    EXPECT_EQ(vtx::TransformFlip(none, 1, 0), 1);
    EXPECT_EQ(vtx::TransformShift(none, 1, 1, 1), 1);
}

// The linear remap of the definition into a buffer of (background, 255).
Image RemapLinear(const Image& in, const std::function<std::pair<float, float>(int x, int y)>& map) {
    Image out = in;
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x) {
            std::uint8_t* p = out.pixel(y * in.w + x);
            p[0] = kBackBgr[0], p[1] = kBackBgr[1], p[2] = kBackBgr[2], p[3] = 255;
            const auto [fsx, fsy] = map(x, y);
            const double sx = fsx, sy = fsy;
            if (!(sx >= 0 && sx <= in.w - 1 && sy >= 0 && sy <= in.h - 1)) continue;
            int ix = static_cast<int>(sx + 1e-7), iy = static_cast<int>(sy + 1e-7);
            double fx = sx - ix, fy = sy - iy;
            if (ix >= in.w - 1) fx = 1.0, ix = in.w - 2;
            if (iy >= in.h - 1) fy = 1.0, iy = in.h - 2;
            for (int ch = 0; ch < 3; ++ch) {
                const auto q = [&](int dx, int dy) { return static_cast<double>(in.pixel((iy + dy) * in.w + ix + dx)[ch]); };
                const double top = q(0, 0) + (q(1, 0) - q(0, 0)) * fx, bottom = q(0, 1) + (q(1, 1) - q(0, 1)) * fx;
                p[ch] = static_cast<std::uint8_t>((top + 0.5) + (bottom - top) * fy);
            }
        }
    return out;
}

std::vector<float> Profile(long long n, double degree) {
    std::vector<float> t(static_cast<std::size_t>(n), 0.0f);
    for (long long i = 1; i < n; ++i) t[i] = static_cast<float>(std::pow(static_cast<float>(i) / static_cast<float>(n), degree));
    return t;
}

TEST(Transforms, RemapDistortionsThroughTheirMaps) {
    for (const Image& in : Images()) {
        const int w = in.w, h = in.h;
        for (double comp : {kNaN, 0.0, 0.6, 1.0, 3.0}) {
            const double c = std::isnan(comp) ? 0.0 : std::clamp(comp, 0.0, 1.0);
            for (const auto& ad : {std::pair{90.0, 0}, {-250.0, 1}, {700.0, 3}, {1e6, 5}, {-3000.0, -2}}) {
                const double angle = ad.first;
                const int degree = ad.second;
                const int cx = w / 2, cy = h / 2;
                const long long r2 = 1LL * cx * cx + 1LL * cy * cy;
                const float a = static_cast<float>(c * angle);
                const Image want = RemapLinear(in, [&](int X, int Y) {
                    const long long x = X - cx, y = Y - cy;
                    const float r = static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y) / r2));
                    float theta = a;
                    for (int k = 0; k < degree; ++k) theta *= 1 - r;
                    int i = static_cast<int>(2 * theta) % 720;  // indexes of a turn or more wrap
                    if (i < 0) i += 720;
                    const float co = static_cast<float>(std::cos(i * 0.008726646259971648));
                    const float si = static_cast<float>(std::sin(i * 0.008726646259971648));
                    return std::pair{x * co - y * si + cx, x * si + y * co + cy};
                });
                ExpectSame(RunOn(in, false, [&](vtx::ImageSession& s) { return vtx::TransformTwirl(s, comp, angle, degree); }),
                           want, "twirl " + std::to_string(angle) + " " + std::to_string(degree));
            }
            for (const auto& sp : {std::tuple{10, 7, 2.0}, {3, 40, -3.0}, {0, 5, 1.0}, {-4, 6, 20.0}, {25, 25, 0.5}}) {
                const int rx0 = std::get<0>(sp), ry0 = std::get<1>(sp);
                const double degree = std::get<2>(sp);
                for (const auto& centre : {std::pair{w / 2, h / 3}, {0, 0}, {w + 3, -2}}) {
                    const int cx = centre.first, cy = centre.second;
                    const long long rx = static_cast<long long>(std::max(rx0 * c, 0.001));
                    const long long ry = static_cast<long long>(std::max(ry0 * c, 0.001));
                    const std::vector<float> t = Profile(std::max(rx * ry, 1LL), std::clamp(degree, -1.0, 10.0));
                    const int CY = h - 1 - cy;
                    const Image want = RemapLinear(in, [&](int X, int Y) {
                        const float dx = static_cast<float>(X - cx), dy = static_cast<float>(Y - CY);
                        if (rx == 0 || ry == 0) return std::pair{float(X), float(Y)};
                        const float fx = static_cast<float>(rx), fy = static_cast<float>(ry);
                        const float d = std::sqrt(dx * dx / (fx * fx) + static_cast<float>(dy * dy / (fy * fy)));
                        if (!(d < 1)) return std::pair{float(X), float(Y)};
                        const float f = t[static_cast<std::size_t>(static_cast<double>(rx * ry) * d)];
                        return std::pair{dx * f + cx, dy * f + CY};
                    });
                    ExpectSame(RunOn(in, false, [&](vtx::ImageSession& s) {
                                   return vtx::TransformSphere(s, comp, cx, cy, rx0, ry0, degree);
                               }),
                               want, "sphere " + std::to_string(rx0) + " " + std::to_string(ry0));
                }
            }
            for (const auto& cp :
                 {std::tuple{3, 12, 2.0, 0}, {0, 8, -3.0, 1}, {h, 100, 0.7, 0}, {w / 2, 0, 4.0, 7}, {-2, 30, 15.0, 1}}) {
                const int centre = std::get<0>(cp), radius = std::get<1>(cp), type = std::get<3>(cp);
                const double degree = std::get<2>(cp);
                const long long n = static_cast<long long>(std::max(radius * c, 1.0));
                const std::vector<float> t = Profile(n, std::clamp(degree, -1.0, 10.0));
                const bool rows = type == 0;
                const long long C = rows ? h - 1 - centre : centre;
                const Image want = RemapLinear(in, [&](int X, int Y) {
                    const long long d = (rows ? Y : X) - C;
                    const float v = std::llabs(d) < n ? d * t[std::llabs(d)] + C : float(rows ? Y : X);
                    return rows ? std::pair{float(X), v} : std::pair{v, float(Y)};
                });
                ExpectSame(RunOn(in, false, [&](vtx::ImageSession& s) {
                               return vtx::TransformCylinder(s, comp, centre, radius, degree, type);
                           }),
                           want, "cylinder " + std::to_string(centre) + " " + std::to_string(type));
            }
        }
    }
    vtx::ImageSession none;
    EXPECT_EQ(vtx::TransformTwirl(none, 1, 1, 1), 1);
    EXPECT_EQ(vtx::TransformSphere(none, 1, 1, 1, 1, 1, 1), 1);
    EXPECT_EQ(vtx::TransformCylinder(none, 1, 1, 1, 1, 1), 1);
}

// The warps and resampling members: unchanged at Completeness 0 (or their
// no-op arguments), alpha bytes always untouched, the background where the
// moved picture does not reach.
TEST(Transforms, WarpProperties) {
    using Call = std::function<std::int32_t(vtx::ImageSession&, double c)>;
    for (const Image& in : Images()) {
        const int w = in.w, h = in.h;
        // dx (vertical variants) or dy (horizontal) at |a| = 60: columns or
        // rows nearer the edge lie outside the destination quadrangle.
        const int dx = static_cast<int>(w * 60.0 * 0.005555555555555556);
        const int dyP = static_cast<int>(h * 60.0 * 0.005555555555555556);
        struct Warp {
            std::string name;
            Call call;
            int bgColumns, bgRows;  // leading columns / rows that show the background at c = 1
        };
        const std::vector<Warp> warps = {
            {"perspective v", [](auto& s, double c) { return vtx::TransformPerspective(s, c, -1, 60); }, dx, 0},
            {"perspective h", [](auto& s, double c) { return vtx::TransformPerspective(s, c, 1, -60); }, 0, dyP},
            {"skew v", [](auto& s, double c) { return vtx::TransformSkew(s, c, 0xFFFF, -60); }, dx, 0},
            {"skew h", [](auto& s, double c) { return vtx::TransformSkew(s, c, 0, 60); }, 0, dyP},
            {"rotate", [](auto& s, double c) { return vtx::TransformRotate(s, c, 45); }, 0, 0},
            {"zoom out", [](auto& s, double c) { return vtx::TransformZoom(s, c, -100); }, 0, 0},
            {"zoom in", [](auto& s, double c) { return vtx::TransformZoom(s, c, 100); }, 0, 0},
            {"resample", [](auto& s, double c) { return vtx::TransformResample(s, c, 3); }, 0, 0},
            {"mirror", [](auto& s, double c) { return vtx::TransformMirror(s, c, 60, 8100); }, 0, 0},
            {"mirror type", [](auto& s, double c) { return vtx::TransformMirror(s, c, 60, 8104); }, 0, 0},
        };
        for (const Warp& k : warps) {
            for (double comp : {kNaN, -2.0, 0.0}) ExpectSame(RunOn(in, false, [&](auto& s) { return k.call(s, comp); }), in, k.name);
            const Image got = RunOn(in, false, [&](auto& s) { return k.call(s, 1.0); });
            for (int n = 0; n < in.count(); ++n) ASSERT_EQ(got.pixel(n)[3], in.pixel(n)[3]) << k.name << " pixel " << n;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (x < k.bgColumns || y < k.bgRows) {
                        for (int ch = 0; ch < 3; ++ch) ASSERT_EQ(got.pixel(y * w + x)[ch], kBackBgr[ch]) << k.name;
                    }
            vtx::ImageSession none;
            EXPECT_EQ(k.call(none, 1.0), 1) << k.name;
        }
        // The half turn is exact and fills nothing; a full turn does nothing.
        Image turned = in;
        for (int n = 0; n < in.count(); ++n) SetColour(turned, n, in.pixel(in.count() - 1 - n));
        ExpectSame(RunOn(in, false, [](auto& s) { return vtx::TransformRotate(s, 1, 180); }), turned, "half turn");
        ExpectSame(RunOn(in, false, [](auto& s) { return vtx::TransformRotate(s, 1, 400); }), in, "full turn");
        ExpectSame(RunOn(in, false, [](auto& s) { return vtx::TransformResample(s, 1, 1); }), in, "one tile");
    }
}

// Tiles of 33 x 33 repeat across a 100 x 100 image; at 49 x 49 with 49
// tiles the tile side truncates to 0 and the image stays as it was.
TEST(Transforms, ResampleTiles) {
    const Image in = MakeImage(100, 100, 11, [](int, int, int r) { return r; });
    const Image got = RunOn(in, false, [](auto& s) { return vtx::TransformResample(s, 1, 3); });
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x + 33 < 100; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                ASSERT_EQ(got.pixel(y * 100 + x)[ch], got.pixel(y * 100 + x + 33)[ch]) << x << "," << y;
                if (y + 33 < 100) {
                    ASSERT_EQ(got.pixel(y * 100 + x)[ch], got.pixel((y + 33) * 100 + x)[ch]);
                }
            }
    const Image small = MakeImage(49, 49, 12, [](int, int, int r) { return r; });
    ExpectSame(RunOn(small, false, [](auto& s) { return vtx::TransformResample(s, 1, 49); }), small, "tiles of 0");
}

}  // namespace
}  // namespace vtx_test
