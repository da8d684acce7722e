// Effects against whole-image references written from their definitions:
// clamped neighbourhoods instead of bordered copies, sums and sorts instead
// of running windows.
#include <cmath>

#include "effects/effects.h"
#include "neighbourhood_support.h"

namespace vtx_test {
namespace {

constexpr double kRad = 0.017453292519944444;

// 3 x 3 float convolution over clamped reads: rows top to bottom, each left
// to right, in double; positive sums round half up, negative give 0.
Image Convolve3(const Image& in, double outer, double centre) {
    const float k[2] = {static_cast<float>(outer), static_cast<float>(centre)};
    return MapPixels(in, [&](int x, int y, int ch) {
        double s = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) s += static_cast<double>(k[dx == 0 && dy == 0]) * At(in, x + dx, y + dy)[ch];
        if (s > 0) s += 0.5;
        return s > 255 ? 255 : (s < 0 ? 0 : static_cast<int>(s));
    });
}

// Mean of 2n+1 clamped neighbours along x (horizontal) or y, through the
// single-precision reciprocal, rounded half up.
Image BoxPass(const Image& in, int n, bool horizontal) {
    const double f = static_cast<float>(1.0 / (2 * n + 1));
    return MapPixels(in, [&](int x, int y, int ch) {
        long long s = 0;
        for (int i = -n; i <= n; ++i) s += horizontal ? At(in, x + i, y)[ch] : At(in, x, y + i)[ch];
        const double v = static_cast<double>(s) * f;
        return v <= 0 ? 0 : std::min(static_cast<int>(v + 0.5), 255);
    });
}

// Order statistic of the clamped samples at `offsets` (min 0, median, max).
Image Rank(const Image& in, const std::vector<std::pair<int, int>>& offsets, int which) {
    return MapPixels(in, [&](int x, int y, int ch) {
        std::vector<int> v;
        for (auto [dx, dy] : offsets) v.push_back(At(in, x + dx, y + dy)[ch]);
        std::sort(v.begin(), v.end());
        return which < 0 ? v.front() : (which > 0 ? v.back() : v[v.size() / 2]);
    });
}

std::vector<std::pair<int, int>> Square(int rx, int ry) {
    std::vector<std::pair<int, int>> o;
    for (int dy = -ry; dy <= ry; ++dy)
        for (int dx = -rx; dx <= rx; ++dx) o.emplace_back(dx, dy);
    return o;
}

// Minimum or maximum over the part of the (2r+1)^2 window inside the image.
Image Clipped(const Image& in, int r, bool minimum) {
    return MapPixels(in, [&](int x, int y, int ch) {
        int best = minimum ? 255 : 0;
        for (int j = std::max(0, y - r); j <= std::min(in.h - 1, y + r); ++j)
            for (int i = std::max(0, x - r); i <= std::min(in.w - 1, x + r); ++i)
                best = minimum ? std::min<int>(best, in.pixel(j * in.w + i)[ch]) : std::max<int>(best, in.pixel(j * in.w + i)[ch]);
        return best;
    });
}

// Per-pixel effects reading the unchanged image; masked pixels keep theirs.
Image PerPixel(const Image& in, bool mask, const std::function<int(int, int, int)>& f) {
    const Image out = MapPixels(in, f);
    Image r = out;
    for (int n = 0; n < in.count(); ++n)
        if (mask && in.pixel(n)[3] != 0) std::copy(in.pixel(n), in.pixel(n) + 4, r.pixel(n));
    return r;
}

TEST(Effects, ConvolutionAgainstReferences) {
    for (double level : {kNaN, -5.0, 0.0, 40.0, 100.0, 150.0}) {
        const double l = std::isnan(level) ? 0 : std::clamp(level, 0.0, 100.0);
        ExpectImageRef("Blur " + std::to_string(level), [=](vtx::ImageSession& s, double c) { return vtx::EffectBlur(s, c, level); },
                       [=](const Image& in, double c, bool) {
                           const double b = 21 - c * l * 0.2, w = c / (8 + b);
                           return Convolve3(in, w, b * w + (1 - c));
                       });
        ExpectImageRef("Sharpen " + std::to_string(level), [=](vtx::ImageSession& s, double c) { return vtx::EffectSharpen(s, c, level); },
                       [=](const Image& in, double c, bool) {
                           const double a = (1 - c * l * 0.01) * 23, q = c / (1 + a);
                           return Convolve3(in, -q, (a + 9) * q + (1 - c));
                       });
    }
    for (int size : {INT32_MIN, 0, 3, 12, 1000}) {
        ExpectImageRef("Gaussian " + std::to_string(size), [=](vtx::ImageSession& s, double c) { return vtx::EffectGaussianBlur(s, c, size); },
                       [=](const Image& in, double c, bool) {
                           const int n = static_cast<int>(std::clamp(size * c, 1.0, 255.0));
                           Image img = in;
                           for (int pass = 0; pass < 4; ++pass) img = BoxPass(img, n, pass % 2 == 1);
                           return img;
                       });
    }
}

TEST(Effects, TrailAndEmbossAgainstReferences) {
    const double kHuge = 1e300;
    for (const auto& ad : std::vector<std::pair<double, double>>{
             {0, 5}, {90, 3}, {-135, 7.9}, {400, 300}, {33, -2}, {kNaN, 6}, {kHuge, 9}, {60, kNaN}}) {
        const double angle = ad.first, distance = ad.second;
        ExpectImageRef("Motion", [=](vtx::ImageSession& s, double c) { return vtx::EffectMotionBlur(s, c, angle, distance); },
                       [=](const Image& in, double c, bool mask) {
                           const double len = c * (std::isnan(distance) ? 1 : std::clamp(distance, 1.0, 255.0));
                           const int n = len < 1 ? 1 : static_cast<int>(len);
                           return PerPixel(in, mask, [&](int x, int y, int ch) {
                               int sum = 0;
                               for (int k = 0; k < n; ++k) {
                                   const double ox = std::trunc(k * std::cos(angle * kRad) + 0.5);
                                   const double oy = std::trunc(k * std::sin(angle * kRad) + 0.5);
                                   sum += At(in, x + (std::isnan(ox) ? 0 : ox), y + (std::isnan(oy) ? 0 : oy))[ch];
                               }
                               return sum / n;
                           });
                       });
    }
    for (const auto& ada : std::vector<std::array<double, 3>>{
             {30, 5, 25}, {180, 0.5, 1000}, {-70, 1e9, 40}, {45, kNaN, kNaN}, {kNaN, 8, -3}, {200, -9, 60}}) {
        const double angle = ada[0], distance = ada[1], amount = ada[2];
        ExpectImageRef("Emboss", [=](vtx::ImageSession& s, double c) { return vtx::EffectEmboss(s, c, angle, distance, amount); },
                       [=](const Image& in, double c, bool mask) {
                           const double st = (std::isnan(c * amount) ? 1 : std::clamp(c * amount, 1.0, 100.0)) * 0.1;
                           auto off = [](double v) { return std::isnan(v) ? 0.0 : std::clamp(std::trunc(v), -2147483648.0, 2147483647.0); };
                           const double ox = off(std::cos(angle * kRad) * c * distance * 0.5);
                           const double oy = off(std::sin(angle * kRad) * c * distance * 0.5);
                           return PerPixel(in, mask, [&](int x, int y, int ch) {
                               const int d = (At(in, x + ox, y + oy)[ch] - At(in, x - ox, y - oy)[ch] + 255) / 2;
                               const double e = (d - 127) * st + 127;
                               const int ei = e < 0 ? 0 : (e > 255 ? 255 : static_cast<int>(e));
                               return static_cast<int>(c * ei + (1 - c) * At(in, x, y)[ch]);
                           });
                       });
    }
}

TEST(Effects, RankAgainstReferences) {
    for (int size : {INT32_MIN, 1, 2, 300}) {
        const int r = std::clamp(size, 1, 255);
        for (bool minimum : {true, false}) {
            ExpectImageRef(minimum ? "Minimal" : "Maximal",
                           [=](vtx::ImageSession& s, double c) { return minimum ? vtx::EffectMinimal(s, c, size) : vtx::EffectMaximal(s, c, size); },
                           [=](const Image& in, double c, bool) { return ComposeOver(in, Clipped(in, r, minimum), c); });
        }
    }
    const std::vector<std::vector<std::pair<int, int>>> shapes = {
        Square(1, 0), Square(2, 0), Square(0, 1), Square(0, 2),
        {{0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}},
        {{-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}, {0, -2}, {0, -1}, {0, 1}, {0, 2}}};
    for (int type : {-7, -5, -4, -3, -2, -1, 0, 1, 2, 9, 4000, INT32_MAX}) {
        ExpectImageRef("Median " + std::to_string(type), [=](vtx::ImageSession& s, double c) { return vtx::EffectMedian(s, c, type); },
                       [=](const Image& in, double c, bool) {
                           // Below -5 no neighbourhood; a window whose bordered copy would
                           // exceed the call's memory leaves the image too.
                           if (type < -5 || type >= 4000) return in;
                           return ComposeOver(in, Rank(in, type <= 0 ? shapes[type + 5] : Square(type, type), 0), c);
                       },
                       {0.0, 0.6, 1.0});
    }
}

// The alpha bytes never change, whatever the member; the backup slot is
// empty again after the effects that use it.
TEST(Effects, AlphaKeptAndBackupReleased) {
    const Image& in = TestImages()[1];
    const std::vector<Op> ops = {
        [](vtx::ImageSession& s, double c) { return vtx::EffectMotionBlur(s, c, 30, 9); },
        [](vtx::ImageSession& s, double c) { return vtx::EffectEmboss(s, c, 30, 9, 50); }};
    for (const Op& op : ops) {
        vtx::ImageSession s;
        s.SetImageCopy(in.px.data(), in.w, in.h);
        EXPECT_EQ(op(s, 1.0), 0);
        EXPECT_EQ(s.backup(), nullptr);
        for (int n = 0; n < in.count(); ++n) ASSERT_EQ(s.pixels()[4 * n + 3], in.pixel(n)[3]);
    }
}

}  // namespace
}  // namespace vtx_test
