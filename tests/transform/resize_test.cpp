// TransformResize against a reference of the scaling rule written out per
// axis (positions, steps and 14-bit weights), over source and output sizes
// that give decimation, replication, odd factors and the fit with either
// side binding; the result codes and the array checks.
#include <cmath>

#include "../adjust/adjust_test_support.h"
#include "transform/transform.h"

namespace vtx_test {
namespace {

struct Tap {
    int k;  // first source column (row)
    int w;  // weight of the next one, of 16384
};

// The destination columns (rows) the scaling writes for a source of n
// pixels and factor f, limited to `limit`.
std::vector<Tap> Axis(int n, double f, int limit, bool linear) {
    const int m = std::clamp(static_cast<int>(n * f + 1e-7), 1, limit);
    double s = n * f > 1 ? (n - 1) / (n * f - 1) : 0.0, p = 0.0;
    if (!linear) {
        const bool whole = (f >= 1 && f == std::floor(f)) || (f < 1 && 1 / f == std::floor(1 / f));
        if (whole) s = 1 / f;
        p = whole ? 0.0 : 0.5;
    }
    std::vector<Tap> taps;
    for (int i = 0; i < m; ++i, p += s) {
        Tap t{static_cast<int>(p + 1e-7), 0};
        if (linear) {
            t.w = static_cast<int>((p - t.k) * 16384 + 1e-7);
            if (t.k == n - 1) t = Tap{t.k - 1, 16384};
        }
        EXPECT_LT(t.k, n);
        taps.push_back(t);
    }
    return taps;
}

// The source scaled by (fx, fy) into `out` from pixel (x0, y0); the
// destination is limited to the output's size.
void Scale(const Image& src, double fx, double fy, bool linear, Image& out, int x0, int y0) {
    const auto xs = Axis(src.w, fx, out.w, linear), ys = Axis(src.h, fy, out.h, linear);
    auto S = [&](int x, int y, int ch) { return int{src.pixel(y * src.w + x)[ch]}; };
    for (std::size_t j = 0; j < ys.size(); ++j) {
        for (std::size_t i = 0; i < xs.size(); ++i) {
            const Tap tx = xs[i], ty = ys[j];
            for (int ch = 0; ch < 3; ++ch) {
                int v = S(tx.k, ty.k, ch);
                if (linear) {
                    auto h = [&](int y) { return ((16384 - tx.w) * S(tx.k, y, ch) + tx.w * S(tx.k + 1, y, ch) + 128) >> 8; };
                    v = ((16384 - ty.w) * h(ty.k) + ty.w * h(ty.k + 1) + 524288) >> 20;
                }
                out.pixel(static_cast<int>((y0 + j) * out.w + x0 + i))[ch] = static_cast<std::uint8_t>(v);
            }
        }
    }
}

Image Expected(const Image& src, Image out, std::int32_t colour, std::int32_t type) {
    if (out.w == src.w && out.h == src.h) return src;
    const double rw = static_cast<double>(out.w) / src.w, rh = static_cast<double>(out.h) / src.h;
    if (type == 0 || type == 1) {
        Scale(src, rw, rh, type == 1, out, 0, 0);
        return out;
    }
    for (int n = 0; n < out.count(); ++n) {
        for (int ch = 0; ch < 3; ++ch) out.pixel(n)[ch] = static_cast<std::uint8_t>(colour >> (8 * (2 - ch)));
    }
    const double f = std::min({rw, rh, 1.0});
    const int xo = out.w > src.w * f ? static_cast<int>((out.w - src.w * f) * 0.5) : 0;
    const int yo = out.h > src.h * f ? static_cast<int>((out.h - src.h * f) * 0.5) : 0;
    Scale(src, f, f, type == 272, out, xo, yo);
    return out;
}

TEST(TransformResize, EveryModeAgainstTheScalingRule) {
    const std::pair<int, int> sources[] = {{2, 2}, {3, 5}, {7, 4}, {16, 9}, {5, 2}};
    const std::pair<int, int> outputs[] = {{2, 2}, {3, 7}, {8, 4}, {16, 9}, {33, 20}, {14, 18}, {5, 3}};
    const std::int32_t colour = 0x00C01080;  // red 0x80, green 0x10, blue 0xC0
    std::uint32_t seed = 1;
    for (auto [w, h] : sources) {
        const Image src = MakeImage(w, h, seed++, [](int, int, int r) { return r; });
        for (auto [wo, ho] : outputs) {
            for (std::int32_t type : {0, 1, 5, 272, -1}) {
                const Image blank = MakeImage(wo, ho, seed++, [](int, int, int r) { return r; });
                vtx::ImageSession s;
                s.SetImageInPlace(const_cast<std::uint8_t*>(src.px.data()), w, h);
                Image got = blank;
                vtx::ImageView view{got.px.data(), wo, ho};
                ASSERT_EQ(vtx::TransformResize(s, &view, colour, type), 0);
                const Image want = Expected(src, blank, colour, type);
                const std::size_t i = std::mismatch(got.px.begin(), got.px.end(), want.px.begin()).first - got.px.begin();
                ASSERT_EQ(i, got.px.size()) << w << "x" << h << " into " << wo << "x" << ho << " type " << type
                                            << " byte " << i << ": " << int{got.px[i]} << ", not " << int{want.px[i]};
                ASSERT_TRUE(std::equal(src.px.begin(), src.px.end(), s.pixels())) << "the image is left as it was";
            }
        }
    }
}

TEST(TransformResize, RefusesWhatItCannotWrite) {
    const Image src = MakeImage(4, 4, 9, [](int, int, int r) { return r; });
    std::vector<std::uint8_t> out(4 * 8 * 8, 7);
    vtx::ImageSession s;
    vtx::ImageView view{out.data(), 8, 8};
    EXPECT_EQ(vtx::TransformResize(s, &view, 0, 0), 1) << "no image";
    EXPECT_EQ(s.SetImageInPlace(const_cast<std::uint8_t*>(src.px.data()), 1, 16), 1);
    EXPECT_EQ(vtx::TransformResize(s, &view, 0, 0), 1) << "a refused image";
    s.SetImageCopy(src.px.data(), 4, 4);
    EXPECT_EQ(vtx::TransformResize(s, nullptr, 0, 0), 1);
    for (auto [wo, ho] : {std::pair{1, 8}, {8, 1}, {0, 0}, {-3, 8}}) {
        vtx::ImageView small{out.data(), wo, ho};
        EXPECT_EQ(vtx::TransformResize(s, &small, 0, 5), 1) << wo << "x" << ho;
    }
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 7; }));
}

}  // namespace
}  // namespace vtx_test
