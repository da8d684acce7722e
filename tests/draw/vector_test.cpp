// The members drawn through the drawing surface, on the back end this build
// links: the result, alpha bytes and drawing alpha of each, the insides and
// outsides of the shapes against their geometry (near, far and at the ends
// of the range), text cut at the edges, where text and credits land relative
// to the box the surface measures, and the fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "draw/draw.h"

namespace {

using vtx::ImageSession;
using Op = std::function<std::int32_t(ImageSession&)>;
constexpr std::uint8_t kBg[3] = {10, 20, 30}, kRed[3] = {0, 0, 255}, kInk[3] = {0xC8, 0xB4, 0xF0};  // blue, green, red

struct Canvas {
    std::int32_t w, h;
    std::vector<std::uint8_t> px;
    Canvas(std::int32_t w_, std::int32_t h_) : w(w_), h(h_), px(4 * static_cast<std::size_t>(w_) * h_) {
        for (std::size_t i = 0; i < px.size(); i += 4) px[i] = kBg[0], px[i + 1] = kBg[1], px[i + 2] = kBg[2], px[i + 3] = 77;
    }
    // Pixel at drawing coordinates (x, y): buffer row h - 1 - y.
    const std::uint8_t* at(int x, int y) const { return &px[4 * (static_cast<std::size_t>(h - 1 - y) * w + x)]; }
    bool is(int x, int y, const std::uint8_t* bgr) const { return std::equal(bgr, bgr + 3, at(x, y)); }
    bool painted(int x, int y) const { return !is(x, y, kBg); }
};

// Runs op on the canvas (in place) and returns its result.
std::int32_t Draw(Canvas& c, const Op& op) {
    ImageSession s;
    EXPECT_EQ(s.SetImageInPlace(c.px.data(), c.w, c.h), 0);
    return op(s);
}

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;  // painted pixels, bounds included
    bool empty() const { return x1 < 0; }
};
Box Painted(const Canvas& c) {
    Box b;
    for (int i = 0; i < c.w * c.h; ++i)
        if (const int x = i % c.w, y = i / c.w; c.painted(x, y))
            b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
    return b;
}

vtx::draw::TextBox Measure(const std::u16string& text, const vtx::FontDescription* font) {
    std::vector<std::uint8_t> scratch(4 * 8 * 8);
    auto surface = vtx::draw::OpenSurface(scratch.data(), 8, 8);
    return surface->SelectFont(font), surface->MeasureString(text, 0.0f, 0.0f);
}

const vtx::FontDescription kBold{"DejaVu Sans", -24, 700};
const std::u16string kText = u"Fjord 7";

// A member drawing over (l, t, r, b), in opaque red unless told: 'L' DrawLine
// (arg the pen), 'E' DrawEllipse (arg Solid), 'R' DrawInvRectangle, 'O'
// DrawInvEllipse; and the text: 'T' DrawTextA at (l, t), '2' DrawText2, 'C'
// DrawCredits (arg the type).
Op Member(char kind, int l, int t, int r, int b, int arg = 0, double c = 1, std::int32_t col = 0xFF, std::int32_t a = 255) {
    return [=](ImageSession& s) {
        switch (kind) {
            case 'L': return vtx::DrawLine(s, c, l, t, r, b, col, a, arg);
            case 'E': return vtx::DrawEllipse(s, c, l, t, r, b, col, a, static_cast<std::int16_t>(arg));
            case 'R': return vtx::DrawInvRectangle(s, c, l, t, r, b, col, a);
            case 'O': return vtx::DrawInvEllipse(s, c, l, t, r, b, col, a);
            case 'T': return vtx::DrawTextA(s, c, l, t, kText, &kBold, col, a);
            case '2': return vtx::DrawText2(s, c, l, t, r, b, kText, &kBold, col, a);
            default: return vtx::DrawCredits(s, c, kText, &kBold, col, a, arg);
        }
    };
}

TEST(VectorDrawing, ResultsAlphaBytesAndTheAlphaOfTheDrawingColour) {
    struct Case { std::int32_t alpha; double c; int a; };  // a: the drawing colour's alpha, but for credits
    const Case cases[] = {{255, 0.5, 127}, {256, 1, 0}, {-1, 1, 255}, {511, 1, 255}, {300, 0.5, 150}, {-128, 1, 128},
                          {255, NAN, 0},   {255, 7, 255}, {255, -2, 0}, {1000, 0.75, 238}};
    for (const Case& k : cases)
        for (const char kind : std::string("LEROT2C")) {  // credits of an unknown type: at (0, 0)
            const Op op = Member(kind, 5, 5, kind == '2' ? 110 : 40, kind == '2' ? 40 : 25, kind == 'L' ? 3 : kind == 'C' ? 7101 : -1,
                                 k.c, 0xC8B4F0, k.alpha);
            SCOPED_TRACE(std::string(1, kind) + " alpha " + std::to_string(k.alpha) + " at " + std::to_string(k.c));
            ImageSession none;
            EXPECT_EQ(op(none), 1);
            Canvas cv(120, 45);
            ASSERT_EQ(Draw(cv, op), 0);
            for (std::size_t i = 3; i < cv.px.size(); i += 4) ASSERT_EQ(cv.px[i], 0) << "pixel " << i / 4;
            const int want = kind == 'C' ? k.alpha & 255 : k.a;  // credits take no Completeness in it
            // The fullest pixel shows the drawing alpha; the ellipse's centre does (its outline blends over its fill).
            const std::uint8_t* full = cv.at(22, 15);
            for (int i = 0; i < cv.w * cv.h && kind != 'E'; ++i)
                if (const std::uint8_t* p = &cv.px[4 * i]; p[0] + p[1] + p[2] > full[0] + full[1] + full[2]) full = p;
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_NEAR(full[ch], kBg[ch] + (kInk[ch] - kBg[ch]) * want / 255.0, want % 255 ? 1.0 : 0.0);
        }
}

TEST(VectorDrawing, ShapesAgainstTheirGeometry) {
    // Shapes on a 60 x 50 canvas; want(x, y) is 1 where a pixel is red, 0
    // where it is untouched, 2 where it is painted in any colour and -1 where
    // it may be either (the smoothed edge of an outline or fill).
    struct Case { std::string name; Op op; std::function<int(int, int)> want; int cx2 = 0, cy2 = 0; };
    // (cx2, cy2): twice the centre of a fill that is symmetric through it.
    const auto curve = [](char kind, int l, int t, int r, int b, int solid = 0) {
        const int o = kind == 'O', sym = solid == -1 || o;  // the inverse ellipse's rectangle is a pixel smaller
        return Case{std::string(1, kind) + std::to_string(l) + "," + std::to_string(t) + " " + std::to_string(solid),
                    Member(kind, l, t, r, b, solid), [=](int x, int y) {
                        // Where (x, y) lies from the curve: inside or outside by more than 1.5 pixels, within a quarter pixel.
                        const double rx = std::abs(r - o - l) / 2.0, ry = std::abs(b - o - t) / 2.0;
                        const double u = (x - (l + r - o) / 2.0) / rx, v = (y - (t + b - o) / 2.0) / ry, e = std::hypot(u, v) - 1;
                        const bool in = e * std::min(rx, ry) < -1.5, out = e * std::min(rx, ry) > 1.5;
                        if (o) return out ? 1 : in ? 0 : -1;
                        return std::abs(e) * std::max(rx, ry) < 0.25 ? 2 : in ? solid == -1 : out ? 0 : -1;
                    }, sym * (l + r - o), sym * (t + b - o)};
    };
    std::vector<Case> cases = {
        {"inverse rectangle", Member('R', 20, 10, 10, 20), [](int x, int y) { return x < 10 || x > 18 || y < 10 || y > 18; }},
        {"off the left and bottom", Member('R', -5, 20, 8, 70), [](int x, int y) { return x > 6 || y < 20; }},
        {"one-pixel lines", [](ImageSession& s) { return Member('L', 5, 2, 5, 20, 1)(s) + Member('L', 12, 13, 2, 3, 1)(s) + Member('L', 30, 5, 20, 15, 1)(s); },
         [](int x, int y) { return (x == 5 && y >= 2 && y <= 20) || (x == y - 1 && x >= 2 && x <= 12) || (x + y == 35 && x >= 20 && x <= 30); }},
        // A wide pen of which only a corner reaches the surface: a triangle at the left edge.
        {"corner", Member('L', -40, -15, -5, 20, 20), [](int x, int y) { return x + y <= 14 && y - x >= 12 ? 1 : x + y >= 16 || y - x <= 10 ? 0 : -1; }},
        // Outlines of flat ellipses: the segments across their rectangles, within and out past the right and the bottom.
        {"flat ellipses", [](ImageSession& s) { return Member('E', 10, 20, 70, 20)(s) + Member('E', 50, 5, 50, 60)(s) + Member('E', 20, 35, 40, 35)(s); },
         [](int x, int y) {
             const bool near = (std::abs(y - 20) < 2 && x >= 9) || (std::abs(x - 50) < 2 && y >= 4) || (std::abs(y - 35) < 2 && x >= 19 && x <= 41);
             return (y == 20 && x >= 12) || (x == 50 && y >= 7) || (y == 35 && x >= 22 && x <= 38) ? 2 : near ? -1 : 0;
         }},
        {"text in thin boxes", [](ImageSession& s) { return Member('2', 5, 5, 6, 25)(s) + Member('2', 5, 5, 35, 4)(s); }, [](int, int) { return 0; }},
        curve('E', 10, 10, 50, 40, -1), curve('E', 10, 10, 50, 40, 0), curve('E', 10, 10, 50, 40, 1), curve('O', 10, 10, 50, 40),
        curve('E', 50, 40, 10, 10, -1), curve('E', -20, 30, 20, 56, -1), curve('O', -12, -12, 13, 13), curve('E', 40, -10, 70, 20),
        // Outlines reaching the surface from beyond each edge.
        curve('E', -30, 10, 0, 40), curve('E', 59, 10, 89, 40), curve('E', 10, -30, 40, 0), curve('E', 10, 49, 40, 79),
    };
    // Shapes reaching r pixels out, about the sizes where a surface stops
    // handing them to the platform as given: a line y = x + 3, a circle of
    // radius r flat across the image below y = 15, its inverse, a horizontal
    // pen 6 wide at y = 10, and a pen r wide over everything.
    for (const int r : {1000000000, (1 << 20) + 1, 1 << 20, (1 << 14) + 1, 1 << 14, 1000}) {
        const std::string n = " " + std::to_string(r);
        cases.insert(cases.end(), {
            {"far line" + n, Member('L', -r, 3 - r, r, r + 3, 1), [](int x, int y) { return y == x + 3; }},
            {"big circle" + n, Member('E', 20 - r, 15, 20 + r, 15 + 2 * r, -1), [](int, int y) { return y >= 14 && y <= 16 ? -1 : y > 16; }},
            {"far inverse" + n, Member('R', -r, 5, r, 20), [](int, int y) { return y < 5 || y > 18; }},
            {"big inverse circle" + n, Member('O', 20 - r, 15, 20 + r, 15 + 2 * r), [](int, int y) { return y >= 14 && y <= 16 ? -1 : y < 14; }},
            {"wide pen" + n, Member('L', -r, 10, r, 10, 6), [](int, int y) { return y == 7 || y == 13 ? -1 : y > 7 && y < 13; }},
            {"fat pen" + n, Member('L', 20, -10, 20, 60, r), [](int, int) { return 1; }}});
    }
    // Every corner and pen taken from the ends of the range and about it:
    // drawn somehow, and nothing may bring a platform's rasteriser down.
    const std::int32_t v[] = {INT32_MIN, -1000000, 7, INT32_MAX};
    for (int i = 0; i < 64; ++i) {  // every triple, the fourth shifting along
        const std::int32_t a = v[i & 3], b = v[i >> 2 & 3], c = v[i >> 4 & 3], d = v[(i + i / 5) & 3], pen = v[(i + i / 16) & 3];
        for (const char kind : {'L', 'E', 'R', 'O'})
            cases.push_back({"extreme " + std::to_string(i), Member(kind, a, b, c, d, kind == 'L' ? pen : -(i & 1)), [](int, int) { return -1; }});
    }
    for (const Case& k : cases) {
        Canvas c(60, 50);
        ASSERT_EQ(Draw(c, k.op), 0) << k.name;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const int want = k.want(x, y);
#ifdef _WIN32  // GDI+ under Wine draws outlines unsmoothed and may leave a pixel on the curve
                if (want == 2) continue;
#endif
                ASSERT_TRUE(want < 0 || (want == 2 ? c.painted(x, y) : c.is(x, y, want == 1 ? kRed : kBg)))
                    << k.name << " at " << x << "," << y;
#ifndef _WIN32  // the Cairo surface's geometry: centred fills are symmetric through the centre
                const int mx = k.cx2 - x, my = k.cy2 - y;
                ASSERT_TRUE(k.cx2 == 0 || mx < 0 || mx >= c.w || my < 0 || my >= c.h || c.painted(x, y) == c.painted(mx, my))
                    << k.name << " at " << x << "," << y;
#endif
            }
    }
}

TEST(TextDrawing, StretchedAndMirrored) {
    Canvas normal(130, 50), mirrored(130, 50);
    Draw(normal, [](ImageSession& s) { return vtx::DrawText2(s, 1, 10, 5, 110, 45, kText, &kBold, 0xFFFFFF, 255); });
    Draw(mirrored, [](ImageSession& s) { return vtx::DrawText2(s, 1, 110, 5, 10, 45, kText, &kBold, 0xFFFFFF, 255); });
    const Box n = Painted(normal), m = Painted(mirrored);
    EXPECT_TRUE(n.x0 >= 9 && n.x1 <= 110 && n.y0 >= 4 && n.y1 <= 45 && n.x1 - n.x0 > 60 && n.y1 - n.y0 > 15);
    EXPECT_TRUE(m.x0 >= 9 && m.x1 <= 111 && m.x1 - m.x0 > 60) << m.x0 << " " << m.x1;
#ifndef _WIN32  // Wine's GDI+ turns mirrored text over, out of its box: only the columns are checked there
    EXPECT_TRUE(m.y0 >= 4 && m.y1 <= 45);
    const int k = m.x0 + n.x1;  // column x of one is column k - x of the other
    EXPECT_TRUE((k == 119 || k == 120) && m.x1 + n.x0 == k) << k;
    int differ = 0, total = 0;  // painted pixels per column, in reverse order
    for (int x = 0; x < 130; ++x) {
        int a = 0, b = 0;
        for (int y = 0; y < 50; ++y) a += normal.painted(x, y), b += k - x >= 0 && k - x < 130 && mirrored.painted(k - x, y);
        differ += std::abs(a - b), total += a;
    }
    EXPECT_LT(differ, total / 8) << total;
#endif
}

TEST(TextDrawing, AcrossEveryEdgeTheSameTextCut) {
    // The text drawn whole, against the same text moved across each edge of
    // a small canvas, and 2^24 pixels away (where coordinates in 24.8 fixed
    // point would come round again): every pixel as the whole drawing has it
    // there. (The italic 'j' reaches 4 pixels left of the origin.)
    const std::u16string text = u"jord 7";
    const vtx::FontDescription lined{"DejaVu Sans", -24, 700, true, true, true};  // italic, underlined, struck out
    std::vector<int> lefts = {-10 - (1 << 24), 10 + (1 << 24)}, tops = lefts;
    for (int left = -100; left <= 52; left += left < 40 ? 5 : 1) lefts.push_back(left);
    for (int top = -30; top <= 30; top += 6) tops.push_back(top);
    Canvas whole(200, 80);
    Draw(whole, [&](ImageSession& s) { return vtx::DrawTextA(s, 1, 60, 30, text, &lined, 0xFFFFFF, 255); });
    for (const int left : lefts)
        for (const int top : tops) {
            Canvas c(48, 24);
            Draw(c, [&](ImageSession& s) { return vtx::DrawTextA(s, 1, left, top, text, &lined, 0xFFFFFF, 255); });
            for (int y = 0; y < c.h; ++y)
                for (int x = 0; x < c.w; ++x) {
                    const std::int64_t wx = x + 60LL - left, wy = y + 30LL - top;
                    const bool in = wx >= 0 && wx < whole.w && wy >= 0 && wy < whole.h;
                    ASSERT_TRUE(c.is(x, y, in ? whole.at(int(wx), int(wy)) : kBg)) << left << "," << top << " at " << x << "," << y;
                }
        }
}

TEST(TextDrawing, CreditsPositionsTimingAndFades) {
    const vtx::draw::TextBox b = Measure(kText, &kBold);
    const float W = 200, H = 100;
    for (std::int32_t type : {5100, 5101, 5102, 6100, 6101, 6102})
        for (double c : {0.0, 0.25, 0.5, 0.75, 1.0}) {
            const float p = static_cast<float>(c);  // across (5xxx) or up (6xxx), placed by the last digit
            const bool across = type / 1000 == 5;
            const float x = across ? (1 - p) * (W + 1) + (-(b.x + b.width) - 1) * p
                                   : type % 10 == 0 ? 1.0f : (type % 10 == 1 ? (W - 1) * 0.5f - b.width * 0.5f : (W - 1) - b.width - 1);
            const float y = !across ? (1 - p) * (H + 1) + (-(b.y + b.height) - 1) * p
                                    : type % 10 == 0 ? (H - 1) - b.height : (type % 10 == 1 ? H * 0.5f - b.height * 0.5f : 1.0f);
            Canvas cv(200, 100);
            Draw(cv, [&](ImageSession& s) { return vtx::DrawCredits(s, c, kText, &kBold, 0xFFFFFF, 255, type); });
            const Box got = Painted(cv);
            SCOPED_TRACE(std::to_string(type) + " at " + std::to_string(c));
            EXPECT_EQ(got.empty(), c == 0.0 || c == 1.0);  // just outside the image at both ends
            if (got.empty()) continue;
            EXPECT_TRUE(got.x0 >= std::floor(x + b.x) - 1 && got.x1 <= x + b.x + b.width + 1) << got.x0 << " " << x;
            EXPECT_TRUE(got.y0 >= std::floor(y + b.y) - 1 && got.y1 <= y + b.y + b.height + 1) << got.y0 << " " << y;
            EXPECT_TRUE(x + b.x < 0 || x + b.x + b.width > W || got.x1 - got.x0 > b.width / 2);
        }
    // (type, c, alpha) drawing the same as the reference (5101, c, alpha):
    // the profiles' progress, and the fades as alpha.
    struct Same { std::int32_t type; double c; std::int32_t alpha; double refC; std::int32_t refAlpha; };
    const Same same[] = {{5201, 0.5, 255, 0.5, 255},   {5201, 0.1, 255, 0.2, 255},   {5201, 0.9, 255, 0.8, 255},   {5301, 1.0, 255, 0.5, 255},
                         {5401, 0.3, 255, 0.3, 255},   {5401, 0.7, 255, 0.5, 255},   {5501, 0.3, 255, 0.5, 255},   {5501, 0.8, 255, 0.8, 255},
                         {5101, 0.5, 384, 0.5, 128},   {5401, 0.875, 200, 0.5, 100}, {5501, 0.125, 200, 0.5, 100}, {6401, 0.875, 200, -1, 100},
                         {6501, 0.1, 255, -1, 102},    {5103, 0.5, 300, -2, 44},     {7101, 0.3, 200, -2, 200}};
    for (const Same& k : same) {
        Canvas a(150, 100), r(150, 100);
        Draw(a, [&](ImageSession& s) { return vtx::DrawCredits(s, k.c, kText, &kBold, 0xFFFFFF, k.alpha, k.type); });
        Draw(r, [&](ImageSession& s) {  // refC -2: unknown types draw at (0, 0); -1: the vertical reference, half way
            return k.refC == -2 ? vtx::DrawTextA(s, 1, 0, 0, kText, &kBold, 0xFFFFFF, k.refAlpha)
                                : vtx::DrawCredits(s, k.refC < 0 ? 0.5 : k.refC, kText, &kBold, 0xFFFFFF, k.refAlpha, k.refC < 0 ? 6101 : 5101);
        });
        EXPECT_EQ(a.px, r.px) << k.type << " at " << k.c;
        EXPECT_FALSE(Painted(a).empty()) << k.type << " at " << k.c;
    }
}

TEST(TextDrawing, FontsAndSizes) {
    const vtx::FontDescription cell{"DejaVu Sans", 30}, chars{"DejaVu Sans", -30}, odd{"No Such Face, \xff", -30},
        serif{"DejaVu Serif", -30}, styled{"", 16, 700, true, true, true, 0}, regular{"DejaVu Sans", -24, 400};
    EXPECT_LT(Measure(kText, &cell).height, Measure(kText, &chars).height);
    EXPECT_NE(Measure(kText, &serif).width, Measure(kText, &chars).width);  // the face is used
    EXPECT_GT(Measure(kText, &kBold).width, Measure(kText, &regular).width);  // and the weight
    for (const vtx::FontDescription* f : {&odd, &styled, (const vtx::FontDescription*)nullptr}) {  // null: the default
        EXPECT_GT(Measure(kText, f).width, 0);
        for (const std::u16string& t : {kText, std::u16string()}) {
            Canvas c(60, 30);
            Draw(c, [&](ImageSession& s) { return vtx::DrawTextA(s, 1, 4, 4, t, f, 0xFF, 255); });
            EXPECT_EQ(Painted(c).empty(), t.empty());
        }
    }
#ifndef _WIN32  // the Cairo surface draws lone surrogates as U+FFFD and pairs as the character they make
    EXPECT_EQ(Measure(u"\xDFFF", &chars).width, Measure(u"\xFFFD", &chars).width);
    EXPECT_EQ(Measure(u"\xD800\x0061", &chars).width, Measure(u"\xFFFD\x0061", &chars).width);
    // Mathematical sans-serif letters (above U+FFFF) have the Latin letters' glyphs.
    Canvas latin(120, 40), plane1(120, 40);
    Draw(latin, [&](ImageSession& s) { return vtx::DrawTextA(s, 1, 2, 2, u"W i", &chars, 0xFF, 255); });
    Draw(plane1, [&](ImageSession& s) { return vtx::DrawTextA(s, 1, 2, 2, u"\U0001D5B6 \U0001D5C2", &chars, 0xFF, 255); });
    EXPECT_EQ(latin.px, plane1.px);
#endif
}

}  // namespace
