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
constexpr std::uint32_t kBack = 0x906030;  // red, green, blue of an untouched pixel
constexpr std::uint32_t kInk = 0xFFE0C0A0;

using Shade = std::function<std::uint32_t(int, int)>;

struct Canvas {
    std::vector<std::uint8_t> px = std::vector<std::uint8_t>(kW * kH * 4);
    std::uint32_t At(int x, int y) const {  // the fourth byte is not part of the colour
        const std::uint8_t* p = &px[(y * kW + x) * 4];
        return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
};

Canvas Draw(const std::function<void(DrawingSurface&)>& draw, const Shade& back = nullptr) {
    Canvas c;
    for (int i = 0; i < kW * kH; ++i) {
        const std::uint32_t rgb = back ? back(i % kW, i / kW) : kBack;
        for (int b = 0; b < 3; ++b) c.px[i * 4 + b] = static_cast<std::uint8_t>(rgb >> (8 * b));
        c.px[i * 4 + 3] = static_cast<std::uint8_t>(i * 37);
    }
    std::unique_ptr<DrawingSurface> s = OpenSurface(c.px.data(), kW, kH);
    EXPECT_NE(s, nullptr);
    if (s != nullptr) draw(*s), s->Flush();
    return c;
}

// Inside (d < 0.8) or outside (d > 1.25) the ellipse inscribed in (x, y, w, h); 0 near the edge.
int Side(int px, int py, double x, double y, double w, double h) {
    const double u = (px + 0.5 - x - w / 2) / (w / 2), v = (py + 0.5 - y - h / 2) / (h / 2);
    return u * u + v * v < 0.8 ? 1 : u * u + v * v > 1.25 ? -1 : 0;
}

TEST(DrawingSurface, FillsPaintInsideOnlyWithTheExactColour) {
    struct Case {
        std::function<void(DrawingSurface&)> draw;
        std::function<int(int, int)> painted;  // 1 painted, -1 untouched, 0 either
    };
    const Case cases[] = {
        {[](DrawingSurface& s) { s.FillEllipse(10, 6, 40, 26, kInk); },
         [](int x, int y) { return Side(x, y, 10, 6, 40, 26); }},
        {[](DrawingSurface& s) { s.FillEllipse(-20, 30, 40, 26, kInk); },
         [](int x, int y) { return Side(x, y, -20, 30, 40, 26); }},
        {[](DrawingSurface& s) { s.FillOutsideRectangle(10, 10, 9, 9, kInk); },
         [](int x, int y) { return x >= 10 && x < 19 && y >= 10 && y < 19 ? -1 : 1; }},
        {[](DrawingSurface& s) { s.FillOutsideRectangle(-5, 20, 12, 30, kInk); },
         [](int x, int y) { return x < 7 && y >= 20 ? -1 : 1; }},
        {[](DrawingSurface& s) { s.FillOutsideEllipse(4, 4, 40, 30, kInk); },
         [](int x, int y) { return -Side(x, y, 4, 4, 40, 30); }},
        {[](DrawingSurface& s) { s.FillOutsideEllipse(-12, -12, 24, 24, kInk); },
         [](int x, int y) { return -Side(x, y, -12, -12, 24, 24); }},
        {[](DrawingSurface& s) { s.DrawLine(0, 0, kW - 1, 0, 1.0f, kInk); },
         [](int x, int y) { return y == 0 && x < kW - 1 ? 1 : y >= 2 ? -1 : 0; }},
    };
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Canvas c = Draw(cases[k].draw);
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                const int want = cases[k].painted(x, y);
                const std::uint32_t got = c.At(x, y);
                ASSERT_TRUE(got == (want > 0 ? kInk & 0xFFFFFF : kBack) || (want == 0 && got == (kInk & 0xFFFFFF)))
                    << "case " << k << " at " << x << "," << y << ": " << std::hex << got;
            }
        }
    }
}

TEST(DrawingSurface, BlendsByAlphaWithoutSmoothing) {
    const Shade ramp = [](int x, int y) { return std::uint32_t(x * 3) << 16 | std::uint32_t(y * 6) << 8 | (x + y * 4); };
    for (const std::uint32_t alpha : {0u, 0x80u, 0xFFu}) {
        const std::uint32_t argb = alpha << 24 | (kInk & 0xFFFFFF);
        const Canvas c = Draw([&](DrawingSurface& s) { s.FillOutsideRectangle(kW + 4, 0, 3, 3, argb); }, ramp);
        for (int i = 0; i < kW * kH; ++i) {
            for (int b = 0; b < 3; ++b) {
                const double bg = (ramp(i % kW, i / kW) >> (8 * b)) & 255, ink = (argb >> (8 * b)) & 255;
                const double want = bg + (ink - bg) * alpha / 255.0;
                ASSERT_LE(std::abs(c.px[i * 4 + b] - want), alpha == 0x80 ? 1.0 : 0.0) << i << " " << alpha;
            }
        }
    }
    // Without smoothing the shapes hold one blended colour and nothing between.
    // (Wine never smooths, so smoothing itself is not checked here.)
    const Canvas c = Draw([&](DrawingSurface& s) {
        s.SetAntialias(true), s.SetAntialias(false);
        s.FillEllipse(2, 4, 26, 20, 0x80E0C0A0);
        s.DrawEllipse(32, 6, 28, 28, 1.0f, 0x80E0C0A0);
    });
    std::set<std::uint32_t> colours;
    for (int i = 0; i < kW * kH; ++i) colours.insert(c.At(i % kW, i / kW));
    EXPECT_EQ(colours.size(), 2u);  // the background and the blend
}

struct Ink {
    int x0 = kW, y0 = kH, x1 = -1, y1 = -1, count = 0;
    std::array<int, kW> columns{};  // painted pixels per column
};
Ink InkOf(const Canvas& c) {
    Ink k;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            if (c.At(x, y) == kBack) continue;
            k.x0 = std::min(k.x0, x), k.y0 = std::min(k.y0, y), k.x1 = std::max(k.x1, x), k.y1 = std::max(k.y1, y);
            ++k.count, ++k.columns[x];
        }
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
    EXPECT_GT(a.width, 0.0f);
    EXPECT_GT(a.height, 0.0f);
    EXPECT_GT(b.width, 1.5f * a.width);
    EXPECT_GT(c.width, 1.5f * a.width);
    EXPECT_GT(c.height, 1.5f * a.height);
    const float m = 2.0f;  // margin around the transformed box
    using T = std::array<float, 4>;  // sx, sy, tx, ty
    std::vector<Ink> inks;
    for (const T& t : {T{1, 1, 5, 3}, T{-1, 1, 44, 3}, T{1.5f, 1.5f, 2, 2}}) {
        const Ink k = InkOf(Draw([&](DrawingSurface& s) {
            s.SelectFont(&small), s.SetScaleTranslate(t[0], t[1], t[2], t[3]), s.DrawString(u"Tag", 0, 0, kInk);
        }));
        const float xa = t[2] + t[0] * a.x, xb = t[2] + t[0] * (a.x + a.width);
        EXPECT_GE(k.x0, std::min(xa, xb) - m) << t[0];
        EXPECT_LE(k.x1, std::max(xa, xb) + m) << t[0];
        EXPECT_GE(k.x1 - k.x0, 0.5f * std::abs(t[0]) * a.width) << t[0];  // the ink spans the box
        // Vertically only where nothing is mirrored: Wine turns mirrored text over.
        EXPECT_TRUE(t[0] < 0 || (k.y0 >= t[3] + t[1] * a.y - m && k.y1 <= t[3] + t[1] * (a.y + a.height) + m));
        inks.push_back(k);
    }
    // Mirrored, the columns of ink come in reverse order (column 5 + u <-> 43 - u).
    int differ = 0, total = 0;
    for (int x = 0; x < kW; ++x) differ += std::abs(inks[1].columns[x] - inks[0].columns[std::clamp(48 - x, 0, kW - 1)]);
    for (int x = 0; x < kW; ++x) total += inks[0].columns[x];
    EXPECT_LT(differ, total / 4) << total;
}

TEST(DrawingSurface, EveryFontDrawsTextAndEmptyTextNothing) {
    FontDescription unknown, styled;  // and the default font
    unknown.face = "No Such Face At All", unknown.height = -14;
    styled.height = 16, styled.weight = 700, styled.italic = styled.underline = styled.strikeOut = true;
    styled.charset = 0;
    const FontDescription* fonts[] = {nullptr, &unknown, &styled};
    for (const FontDescription* f : fonts) {
        EXPECT_GT(InkOf(Draw([&](DrawingSurface& s) { s.SelectFont(f), s.DrawString(u"Tag", 4, 4, kInk); })).count, 0);
        EXPECT_EQ(InkOf(Draw([&](DrawingSurface& s) { s.SelectFont(f), s.DrawString(u"", 4, 4, kInk); })).count, 0);
    }
}

}  // namespace
}  // namespace vtx::draw
