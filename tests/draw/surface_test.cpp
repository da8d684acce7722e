// The drawing surface as every back end must draw: painted and untouched
// pixels of the fills, blending by alpha, no smoothing unless asked, text
// boxes and where text lands. The same checks run against each back end.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "draw/surface.h"

namespace vtx::draw {
namespace {

constexpr int kW = 64, kH = 40;
constexpr std::uint32_t kBack = 0x906030, kInk = 0xFFE0C0A0;  // an untouched pixel's colour; opaque ink
using Pixels = std::vector<std::uint32_t>;                      // red, green, blue of each pixel

// Draws on a surface over shade(x, y) (the fourth bytes hold anything) and
// returns the colours after it is closed.
Pixels Draw(const std::function<void(DrawingSurface&)>& draw, std::uint32_t (*shade)(int, int) = nullptr) {
    std::vector<std::uint8_t> px(kW * kH * 4);
    for (int i = 0; i < kW * kH * 4; ++i) {
        const std::uint32_t rgb = shade != nullptr ? shade(i / 4 % kW, i / 4 / kW) : kBack;
        px[i] = static_cast<std::uint8_t>(i % 4 == 3 ? i * 37 : rgb >> (i % 4 * 8));
    }
    if (std::unique_ptr<DrawingSurface> s = OpenSurface(px.data(), kW, kH)) {
        draw(*s), s->Flush();
    } else {
        ADD_FAILURE() << "no surface";
    }
    Pixels p(kW * kH);
    for (int i = 0; i < kW * kH; ++i) p[i] = std::uint32_t{px[i * 4 + 2]} << 16 | px[i * 4 + 1] << 8 | px[i * 4];
    return p;
}

TEST(DrawingSurface, FillsPaintTheShapeOnlyInTheExactColour) {
    struct Case {
        char kind;  // F fill ellipse, R / E everything but a rectangle / an ellipse, L line
        int x, y, w, h;
    };
    const Case cases[] = {{'F', 10, 6, 40, 26}, {'F', -20, 30, 40, 26}, {'R', 10, 10, 9, 9}, {'R', -5, 20, 12, 30},
                          {'E', 4, 4, 40, 30},  {'E', -12, -12, 24, 24}, {'L', 0, 0, kW - 1, 0}};
    for (const Case& c : cases) {
        const Pixels p = Draw([&](DrawingSurface& s) {
            if (c.kind == 'F') s.FillEllipse(c.x, c.y, c.w, c.h, kInk);
            if (c.kind == 'R') s.FillOutsideRectangle(c.x, c.y, c.w, c.h, kInk);
            if (c.kind == 'E') s.FillOutsideEllipse(c.x, c.y, c.w, c.h, kInk);
            if (c.kind == 'L') s.DrawLine(c.x, c.y, c.w, c.h, 1.0f, kInk);
        });
        for (int x = 0; x < kW; ++x) {
            for (int y = 0; y < kH; ++y) {
                const auto inEllipse = [&] {  // 1 inside, -1 outside, 0 near the edge
                    const double u = (x + 0.5 - c.x) / c.w * 2 - 1, v = (y + 0.5 - c.y) / c.h * 2 - 1;
                    return u * u + v * v < 0.8 ? 1 : u * u + v * v > 1.25 ? -1 : 0;
                };
                const int want = c.kind == 'F'   ? inEllipse()
                                 : c.kind == 'E' ? -inEllipse()
                                 : c.kind == 'R' ? (x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h ? -1 : 1)
                                                 : (y == 0 && x < kW - 1 ? 1 : y >= 2 ? -1 : 0);
                const std::uint32_t got = p[y * kW + x];
                ASSERT_TRUE(got == (want < 0 ? kBack : kInk & 0xFFFFFF) || (want == 0 && got == kBack))
                    << c.kind << c.x << " at " << x << "," << y << ": " << std::hex << got;
            }
        }
    }
}

std::uint32_t Ramp(int x, int y) { return std::uint32_t(x * 3) << 16 | std::uint32_t(y * 6) << 8 | (x + y * 4); }

TEST(DrawingSurface, BlendsByAlphaWithoutSmoothing) {
    for (const std::uint32_t alpha : {0u, 0x80u, 0xFFu}) {
        const std::uint32_t argb = alpha << 24 | (kInk & 0xFFFFFF);
        const Pixels p = Draw([&](DrawingSurface& s) { s.FillOutsideRectangle(kW + 4, 0, 3, 3, argb); }, Ramp);
        for (int i = 0; i < kW * kH * 3; ++i) {
            const int shift = i % 3 * 8, bg = Ramp(i / 3 % kW, i / 3 / kW) >> shift & 255, ink = argb >> shift & 255;
            const double want = bg + (ink - bg) * (alpha / 255.0);
            ASSERT_LE(std::abs(int(p[i / 3] >> shift & 255) - want), alpha == 0x80 ? 1.0 : 0.0) << i << " " << alpha;
        }
    }
    // Without smoothing the shapes hold one blended colour and nothing between.
    // (Wine never smooths, so smoothing itself is not checked here.)
    const Pixels p = Draw([&](DrawingSurface& s) {
        s.SetAntialias(true), s.SetAntialias(false);
        s.FillEllipse(2, 4, 26, 20, 0x80E0C0A0), s.DrawEllipse(32, 6, 28, 28, 1.0f, 0x80E0C0A0);
    });
    EXPECT_EQ(std::set<std::uint32_t>(p.begin(), p.end()).size(), 2u);  // the background and the blend
}

// The ink of a drawing: its bounds, and painted pixels per column.
struct Ink {
    int x0 = kW, y0 = kH, x1 = -1, y1 = -1;
    std::array<int, kW> columns{};
};
Ink InkOf(const Pixels& p) {
    Ink k;
    for (int i = 0; i < kW * kH; ++i) {
        if (p[i] == kBack) continue;
        const int x = i % kW, y = i / kW;
        k.x0 = std::min(k.x0, x), k.y0 = std::min(k.y0, y), k.x1 = std::max(k.x1, x), k.y1 = std::max(k.y1, y);
        ++k.columns[x];
    }
    return k;
}

TEST(DrawingSurface, TextBoxesGrowAndHoldTheInkUnderScaleAndMirror) {
    FontDescription small, big;
    small.height = -12, big.height = -24;
    TextBox a, b, c;
    Draw([&](DrawingSurface& s) {
        s.SelectFont(&small), a = s.MeasureString(u"Tag", 0, 0), b = s.MeasureString(u"Tag Tag", 0, 0);
        s.SelectFont(&big), c = s.MeasureString(u"Tag", 0, 0);
    });
    EXPECT_TRUE(a.width > 0 && a.height > 0) << a.width << " " << a.height;
    EXPECT_TRUE(b.width > 1.5f * a.width && c.width > 1.5f * a.width && c.height > 1.5f * a.height);
    const float m = 2.0f;  // margin around the transformed box
    using T = std::array<float, 4>;  // sx, sy, tx, ty
    std::vector<Ink> inks;
    for (const T& t : {T{1, 1, 5, 3}, T{-1, 1, 44, 3}, T{1.5f, 1.5f, 2, 2}}) {
        const Ink k = InkOf(Draw([&](DrawingSurface& s) {
            s.SelectFont(&small), s.SetScaleTranslate(t[0], t[1], t[2], t[3]), s.DrawString(u"Tag", 0, 0, kInk);
        }));
        const float xa = t[2] + t[0] * a.x, xb = t[2] + t[0] * (a.x + a.width);
        // Within the box, and across most of it.
        EXPECT_TRUE(k.x0 >= std::min(xa, xb) - m && k.x1 <= std::max(xa, xb) + m) << k.x0 << " " << k.x1;
        EXPECT_GE(k.x1 - k.x0, 0.5f * std::abs(t[0]) * a.width) << t[0];
        // Vertically only where nothing is mirrored: Wine turns mirrored text over.
        EXPECT_TRUE(t[0] < 0 || (k.y0 >= t[3] + t[1] * a.y - m && k.y1 <= t[3] + t[1] * (a.y + a.height) + m));
        inks.push_back(k);
    }
    // Mirrored, the columns of ink come in reverse order (column 5 + u <-> 43 - u).
    int differ = 0, total = 0;
    for (int x = 0; x < kW; ++x) {
        differ += std::abs(inks[1].columns[x] - inks[0].columns[std::clamp(48 - x, 0, kW - 1)]);
        total += inks[0].columns[x];
    }
    EXPECT_LT(differ, total / 4) << total;
}

TEST(DrawingSurface, OpensOverASinglePixel) {
    std::uint8_t px[4] = {1, 2, 3, 4};
    const std::unique_ptr<DrawingSurface> s = OpenSurface(px, 1, 1);
    ASSERT_NE(s, nullptr);
    s->FillOutsideRectangle(3, 3, 1, 1, kInk), s->Flush();
    EXPECT_TRUE(px[0] == 0xA0 && px[1] == 0xC0 && px[2] == 0xE0) << int(px[0]);
}

TEST(DrawingSurface, EveryFontDrawsTextAndEmptyTextNothing) {
    const FontDescription unknown{"No Such Face At All", -14}, styled{"", 16, 700, true, true, true, 0};
    const FontDescription* fonts[] = {nullptr, &unknown, &styled};  // null: the default font
    for (const FontDescription* f : fonts) {
        EXPECT_GT(InkOf(Draw([&](DrawingSurface& s) { s.SelectFont(f), s.DrawString(u"Tag", 4, 4, kInk); })).x1, -1);
        EXPECT_EQ(InkOf(Draw([&](DrawingSurface& s) { s.SelectFont(f), s.DrawString(u"", 4, 4, kInk); })).x1, -1);
    }
}

}  // namespace
}  // namespace vtx::draw
