// Filters against whole-image references written from their definitions:
// kernels as weight tables over clamped reads, the two frames' composition
// by Completeness, and the Canny map through the detector's own sequence.
#include "filters/filters.h"
#include "primitives/edge.h"
#include "primitives/pixel.h"
#include "../effects/neighbourhood_support.h"

namespace vtx_test {
namespace {

using Weight = std::function<int(int dx, int dy)>;

Weight Separable(Kernel5 k) {
    return [k](int dx, int dy) { return k.Weight(dx, dy); };
}
// 3-tap vectors sit in the middle of the 5-tap ones.
Kernel5 K3(std::array<int, 3> x, std::array<int, 3> y) { return {{0, x[0], x[1], x[2], 0}, {0, y[0], y[1], y[2], 0}}; }

// Centre weight `centre`, every other cell within `r` weight -1.
Weight CentreMinusRing(int r, int centre) {
    return [=](int dx, int dy) { return dx == 0 && dy == 0 ? centre : (std::abs(dx) <= r && std::abs(dy) <= r ? -1 : 0); };
}

const int kLap5[5][5] = {{-1, -3, -4, -3, -1}, {-3, 0, 6, 0, -3}, {-4, 6, 20, 6, -4}, {-3, 0, 6, 0, -3}, {-1, -3, -4, -3, -1}};

// Colour frame: nothing below 0.001; else the filtered image, composed under
// the unfiltered one at opacity trunc(255·(1−c)) below 0.999.
Image ColourFrame(const Image& in, double c, const std::function<int(int, int, int)>& f) {
    if (c < 0.001) return in;
    const Image filtered = MapPixels(in, f);
    return c < 0.999 ? ComposeOver(in, filtered, c) : filtered;
}

ImageRef Clamped(const Weight& w) {
    return [=](const Image& in, double c, bool) {
        return ColourFrame(in, c, [&](int x, int y, int ch) { return std::clamp<long long>(Weighted(in, x, y, ch, w), 0, 255); });
    };
}

// Box mean through the multiplier-and-shift division.
ImageRef BoxMean(int r) {
    return [=](const Image& in, double c, bool) {
        const int n = 2 * r + 1;
        const float f = static_cast<float>(1.0 / (static_cast<double>(n) * n));
        unsigned long long m = 256, shift = 8;
        if (f != 1.0f) {
            auto t = static_cast<std::uint32_t>(static_cast<double>(f) * 4294967296.0 + 0.000009000000318337698);
            int k = 0;
            while (!(t & 0x80000000u)) t <<= 1, ++k;
            m = (t >> 20) + 1, shift = k + 12;
        }
        return ColourFrame(in, c, [&](int x, int y, int ch) {
            unsigned long long s = 0;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) s += At(in, x + i, y + j)[ch];
            return static_cast<int>((s * m) >> shift);
        });
    };
}

// Blue-channel frame: the gradient of the blue bytes, saturated, as grey;
// composed over the image at opacity trunc(255·c) up to 0.999.
ImageRef BlueGradient(const Weight& w) {
    return [=](const Image& in, double c, bool) {
        if (c < 0.001) return in;
        const int a1 = static_cast<int>(255 * c);
        return MapPixels(in, [&](int x, int y, int ch) {
            const int g = static_cast<int>(std::clamp<long long>(Weighted(in, x, y, 0, w), 0, 255));
            return c > 0.999 ? g : Compose(g, a1, At(in, x, y)[ch]);
        });
    };
}

using Member = std::int32_t (*)(vtx::ImageSession&, double, std::int32_t);

void ExpectTypes(const std::string& name, Member member, const std::vector<ImageRef>& refs, std::vector<int> invalid) {
    for (std::size_t t = 0; t < refs.size(); ++t) {
        ExpectImageRef(name + " " + std::to_string(t), [=](vtx::ImageSession& s, double c) { return member(s, c, static_cast<int>(t)); }, refs[t]);
    }
    const Image& in = TestImages()[1];
    for (int type : invalid) {
        for (double c : {0.0005, 0.5}) {
            vtx::ImageSession s;
            s.SetImageCopy(in.px.data(), in.w, in.h);
            EXPECT_EQ(member(s, c, type), c < 0.001 ? 0 : 1) << name << " " << type;
            EXPECT_TRUE(std::equal(in.px.begin(), in.px.end(), s.pixels())) << name << " " << type;
        }
    }
}

TEST(Filters, ColourFrameAgainstReferences) {
    ExpectTypes("Prewitt", vtx::FilterPrewitt, {Clamped(Separable(K3({1, 1, 1}, {-1, 0, 1}))), Clamped(Separable(K3({1, 0, -1}, {1, 1, 1})))}, {2, -1});
    ExpectTypes("SobelExt", vtx::FilterSobelExt, {Clamped(Separable(K3({1, 2, 1}, {-1, 0, 1}))), Clamped(Separable(K3({1, 0, -1}, {1, 2, 1})))}, {2, INT32_MIN});
    ExpectTypes("Roberts", vtx::FilterRoberts,
                {Clamped([](int dx, int dy) { return dx == 0 && dy == 0 ? 1 : (dx == 1 && dy == -1 ? -1 : 0); }),
                 Clamped([](int dx, int dy) { return dx == 0 && dy == 0 ? 1 : (dx == -1 && dy == -1 ? -1 : 0); })}, {2});
    ExpectTypes("Laplace", vtx::FilterLaplace, {Clamped(CentreMinusRing(1, 8)), Clamped([](int dx, int dy) { return kLap5[dy + 2][dx + 2]; })}, {2});
    ExpectTypes("Hipass", vtx::FilterHipass, {Clamped(CentreMinusRing(1, 8)), Clamped(CentreMinusRing(2, 24))}, {2, INT32_MAX});
    auto lowpass = [](int r, int mul, int add, int shift) -> ImageRef {
        return [=](const Image& in, double c, bool) {
            return ColourFrame(in, c, [&](int x, int y, int ch) {
                const long long s = Weighted(in, x, y, ch, [=](int dx, int dy) { return std::abs(dx) <= r && std::abs(dy) <= r; });
                return static_cast<int>(((s + add) * mul) >> shift);
            });
        };
    };
    ExpectTypes("Lowpass", vtx::FilterLowpass, {lowpass(1, 455, 5, 12), lowpass(2, 10485, 0, 18)}, {2});
}

TEST(Filters, BoxBlurAgainstReference) {
    for (int size : {1, 2, 7}) {
        ExpectImageRef("Blur " + std::to_string(size), [=](vtx::ImageSession& s, double c) { return vtx::FilterBlur(s, c, size); }, BoxMean(size));
    }
    // Size 0: the 1 x 1 mask is refused, so the image is composed with
    // itself (the over arithmetic can move a byte down by one). A negative
    // Size, or a window whose bordered copy cannot be held, is refused.
    ExpectImageRef("Blur 0", [](vtx::ImageSession& s, double c) { return vtx::FilterBlur(s, c, 0); },
                   [](const Image& in, double c, bool) { return ColourFrame(in, c, [&](int x, int y, int ch) { return At(in, x, y)[ch]; }); });
    const Image& in = TestImages()[1];
    for (auto [size, result] : std::vector<std::pair<int, int>>{{-1, 1}, {INT32_MIN, 1}, {4000, 1}, {INT32_MAX, 1}}) {
        vtx::ImageSession s;
        s.SetImageCopy(in.px.data(), in.w, in.h);
        EXPECT_EQ(vtx::FilterBlur(s, 0.7, size), result) << size;
        EXPECT_TRUE(std::equal(in.px.begin(), in.px.end(), s.pixels())) << size;
    }
}

TEST(Filters, BlueChannelFrameAgainstReferences) {
    ExpectTypes("Scharr", vtx::FilterScharr, {BlueGradient(Separable(K3({3, 10, 3}, {-1, 0, 1}))), BlueGradient(Separable(K3({-1, 0, 1}, {3, 10, 3})))}, {2, -1});
    const Kernel5 k[10] = {K3({1, 2, 1}, {-1, 0, 1}), {{1, 4, 6, 4, 1}, {-1, -2, 0, 2, 1}},
                           K3({1, 0, -1}, {1, 2, 1}), {{1, 2, 0, -2, -1}, {1, 4, 6, 4, 1}},
                           K3({1, 0, -1}, {-1, 0, 1}), {{1, 2, 0, -2, -1}, {-1, -2, 0, 2, 1}},
                           K3({1, 2, 1}, {1, -2, 1}), {{1, 4, 6, 4, 1}, {1, 0, -2, 0, 1}},
                           K3({1, -2, 1}, {1, 2, 1}), {{1, 0, -2, 0, 1}, {1, 4, 6, 4, 1}}};
    std::vector<ImageRef> refs;
    for (const Kernel5& kk : k) refs.push_back(BlueGradient(Separable(kk)));
    ExpectTypes("Sobel", vtx::FilterSobel, refs, {10, -1});
}

// The edge map through the detector's stated sequence: grey from the blue
// bytes, the two derivatives, the work buffer the size query gives.
TEST(Filters, CannyFollowsTheDetectorSequence) {
    for (const auto& lh : std::vector<std::pair<double, double>>{{10, 60}, {40, 40}, {0, 1e40}, {90, 20}, {-1e40, 30}, {kNaN, 50}}) {
        const double low = lh.first, high = lh.second;
        const ImageRef ref = [=](const Image& in, double c, bool) {
            if (c < 0.001) return in;
            const int w = in.w, h = in.h;
            std::vector<std::uint8_t> grey(w * h);
            std::vector<std::int16_t> dx(w * h), dy(w * h);
            const vtx::px::RoiSize roi{w, h};
            vtx::px::Copy_8u_C4C1R(in.px.data(), 4 * w, grey.data(), w, roi);
            vtx::px::Sobel3x3_Dx_8u16s_C1R(grey.data(), w, dx.data(), 2 * w, roi);
            vtx::px::Sobel3x3_Dy_8u16s_C1R(grey.data(), w, dy.data(), 2 * w, 0, roi);
            std::int32_t size = 0;
            vtx::px::CannyGetSize(roi, &size);
            std::vector<std::uint8_t> buffer(size);
            // Thresholds beyond the float range act as infinities.
            auto toFloat = [](double v) { return std::abs(v) > 3.5e38 ? std::copysign(INFINITY, static_cast<float>(v > 0 ? 1 : -1)) : static_cast<float>(v); };
            const float lo = toFloat(low), hi = toFloat(high);
            vtx::px::Canny_16s8u_C1R(dx.data(), 2 * w, dy.data(), 2 * w, grey.data(), w, roi, lo, hi, buffer.data());
            const int a1 = static_cast<int>(255 * c);
            return MapPixels(in, [&](int x, int y, int ch) {
                const int g = grey[y * w + x];
                return c > 0.999 ? g : Compose(g, a1, At(in, x, y)[ch]);
            });
        };
        // Canny reports 1 (and changes nothing) below Completeness 0.001.
        ExpectImageRef("Canny", [=](vtx::ImageSession& s, double c) {
            const std::int32_t r = vtx::FilterCanny(s, c, low, high);
            if (!s.HasImage()) return r;
            return r == (std::isnan(c) || c < 0.001 ? 1 : 0) ? 0 : 99;
        }, ref);
    }
}

}  // namespace
}  // namespace vtx_test
