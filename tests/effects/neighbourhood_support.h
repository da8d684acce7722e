// Shared pieces of the effect and filter tests: whole-image references over
// clamped (replicated) or clipped neighbourhoods, written from the
// definitions, and the runner that holds a member against one.
#pragma once

#include "../adjust/adjust_test_support.h"

namespace vtx_test {

// The pixel at (x, y) with both coordinates clamped into the image.
inline const std::uint8_t* At(const Image& in, long long x, long long y) {
    x = std::clamp<long long>(x, 0, in.w - 1);
    y = std::clamp<long long>(y, 0, in.h - 1);
    return in.pixel(static_cast<int>(y * in.w + x));
}

// A separable integer kernel: weight xw[dx + 2] · yw[dy + 2] for P(dx, dy).
struct Kernel5 {
    int xw[5], yw[5];
    int Weight(int dx, int dy) const { return xw[dx + 2] * yw[dy + 2]; }
};

// Sum of weight(dx, dy) · P(dx, dy) over the 5 x 5 neighbourhood, clamped reads.
template <class W>
long long Weighted(const Image& in, int x, int y, int ch, const W& weight) {
    long long s = 0;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) s += weight(dx, dy) * At(in, x + dx, y + dy)[ch];
    return s;
}

// Whole-image reference: the expected image for an input, the clamped
// Completeness and the mask setting.
using ImageRef = std::function<Image(const Image& in, double c, bool mask)>;

// The member on every test image at Completeness values inside and beyond
// [0, 1] (NaN too), with and without the mask, against its reference.
inline void ExpectImageRef(const std::string& name, const Op& op, const ImageRef& ref,
                           const std::vector<double>& completeness = {kNaN, -0.5, 0.3, 0.73, 1.0, 7.0}) {
    vtx::ImageSession none;
    EXPECT_EQ(op(none, 1.0), 1) << name;
    for (const Image& in : TestImages()) {
        for (double comp : completeness) {
            const double c = std::isnan(comp) ? 0.0 : std::clamp(comp, 0.0, 1.0);
            for (bool mask : {false, true}) {
                const Image want = ref(in, c, mask);
                const std::vector<std::uint8_t> got = Apply(in, mask, comp, op).px;
                const std::size_t i = std::mismatch(got.begin(), got.end(), want.px.begin()).first - got.begin();
                ASSERT_EQ(i, got.size()) << name << " C " << comp << " mask " << mask << " " << in.w << "x" << in.h
                                         << " pixel " << i / 4 << " byte " << i % 4 << ": " << int{got[i]}
                                         << ", not " << int{want.px[i]};
            }
        }
    }
}

// Every colour byte of `in` replaced by f(x, y, ch); alpha kept.
inline Image MapPixels(const Image& in, const std::function<int(int x, int y, int ch)>& f) {
    Image out = in;
    for (int y = 0; y < in.h; ++y)
        for (int x = 0; x < in.w; ++x)
            for (int ch = 0; ch < 3; ++ch)
                out.pixel(y * in.w + x)[ch] = static_cast<std::uint8_t>(f(x, y, ch));
    return out;
}

// The unfiltered image at opacity trunc(255·(1−c)) over the filtered one.
inline Image ComposeOver(const Image& unfiltered, const Image& filtered, double c) {
    const int a1 = static_cast<int>(255 * (1 - c));
    return MapPixels(unfiltered, [&](int x, int y, int ch) {
        const int n = y * unfiltered.w + x;
        return Compose(unfiltered.pixel(n)[ch], a1, filtered.pixel(n)[ch]);
    });
}

}  // namespace vtx_test
