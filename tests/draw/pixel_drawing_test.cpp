// The drawing members with pixel code of their own (DrawRectangle,
// DrawBorder, DrawImage, DrawMovObject) against whole-image references
// written pixel by pixel from their definitions, over image sizes, argument
// extremes and Completeness values; then the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "draw/draw.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using vtx::ImageSession;
constexpr double kInv255 = 0.00392156862745098;
const std::vector<double> kCs = {NAN, -1, 0, 0.0005, 0.001, 0.1, 0.25, 0.5, 0.73, 0.999, 0.9995, 1, 7};
const std::int32_t kAlphas[] = {0, 1, 128, 255, 256, -1, 1000};
struct Size { int w, h; };
const Size kSizes[] = {{2, 2}, {3, 2}, {7, 5}, {16, 16}, {33, 18}, {9, 40}};

Bytes Random(int w, int h, std::uint32_t seed, int palette = 256) {
    std::mt19937 rng(seed);
    Bytes v(static_cast<std::size_t>(4 * w * h));
    for (auto& b : v) b = static_cast<std::uint8_t>(rng() % palette * (255 / (palette - 1)));
    return v;
}
double Clamp(double c) { return std::isnan(c) ? 0 : std::clamp(c, 0.0, 1.0); }
std::uint8_t Low8(double v) { return static_cast<std::uint8_t>(static_cast<std::int64_t>(v)); }
int Chan(std::int32_t color, int ch) { return (static_cast<std::uint32_t>(color) >> (16 - 8 * ch)) & 255; }
std::uint8_t* At(Bytes& img, int w, int x, int row) { return &img[4 * (row * w + x)]; }
void Tint(std::uint8_t* p, const std::uint8_t* q, double a, std::int32_t color) {
    for (int ch = 0; ch < 3; ++ch) p[ch] = Low8(q[ch] * (1 - a) + Chan(color, ch) * a);
}

// Runs `call` on a copy of `in` and compares every byte with `want`.
template <class Call>
void Expect(const Bytes& in, Size sz, const Bytes& want, Call call, const std::string& what) {
    static ImageSession s;  // one session: its buffer is allocated once
    ASSERT_EQ(s.SetImageCopy(in.data(), sz.w, sz.h), 0);
    ASSERT_EQ(call(s), 0) << what;
    ASSERT_TRUE(std::equal(want.begin(), want.end(), s.pixels())) << what << " on " << sz.w << "x" << sz.h;
}

TEST(PixelDrawing, DrawRectangleMatchesTheReference) {
    const std::int32_t coords[][4] = {{1, 1, 5, 4}, {5, 4, 1, 1}, {-3, 2, 40, 3}, {0, 0, 0, 9}, {2, 3, 3, 4},
                                      {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {INT_MAX, INT_MIN, INT_MAX, INT_MIN}};
    for (Size sz : kSizes) for (const auto& r : coords) for (std::int16_t solid : {-1, 0, 1, 255, -2})
        for (double c : kCs) for (std::int32_t alpha : kAlphas) {
            const Bytes in = Random(sz.w, sz.h, 5);
            Bytes want = in;
            const std::int64_t x0 = std::min(r[0], r[2]), x1 = std::max(r[0], r[2]);
            const std::int64_t y0 = std::min(r[1], r[3]), y1 = std::max(r[1], r[3]);
            for (int y = 0; y < sz.h; ++y) for (int x = 0; x < sz.w; ++x) {
                const bool edge = x == x0 || x == x1 - 1 || y == y0 || y == y1 - 1;
                std::uint8_t* p = At(want, sz.w, x, sz.h - 1 - y);
                if (x >= x0 && x < x1 && y >= y0 && y < y1 && (solid == -1 || (solid == 0 && edge)))
                    Tint(p, p, alpha * Clamp(c) * kInv255, 0x80FF40);
            }
            Expect(in, sz, want, [&](ImageSession& s) {
                return vtx::DrawRectangle(s, c, r[0], r[1], r[2], r[3], 0x80FF40, alpha, solid);
            }, "rectangle");
        }
}

// Bilinear sample of channel ch as defined.
double Sample(const Bytes& img, int w, int h, double x, double y, int ch) {
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    if (ix == w - 1) ix = w - 2, x = x - 1;  // the last column (row) between the two before it
    if (iy == h - 1) iy = h - 2, y = y - 1;
    if (ix < 0 || ix + 1 >= w || iy < 0 || iy + 1 >= h) return 0;
    const double fx = x - ix, fy = y - iy;
    const auto p = [&](int i, int j) { return img[4 * (j * w + i) + ch]; };
    return p(ix, iy) * (1 - fx) * (1 - fy) + p(ix + 1, iy) * fx * (1 - fy) + p(ix, iy + 1) * (1 - fx) * fy +
           p(ix + 1, iy + 1) * fx * fy;
}

TEST(PixelDrawing, DrawBorderMatchesTheReference) {
    std::vector<std::int32_t> types = {0, 10000, 10099, 10107, 10110, 10199, 10500, 10600, -10100, 20100};
    for (int style = 101; style <= 104; ++style) for (int side = 0; side <= 6; ++side) types.push_back(style * 100 + side);
    for (Size sz : kSizes) for (std::int32_t type : types) for (std::int32_t size : {INT_MIN, 0, 1, 2, 3, 5, INT_MAX})
        for (double c : kCs) {
            const int w = sz.w, h = sz.h, n = static_cast<int>(std::clamp(size, 0, std::min(h / 2, w / 2) - 1) * Clamp(c));
            const Bytes in = Random(w, h, 9);
            Bytes want = in;
            const int st = type / 100;
            // x0, x1, y0, y1 of the inner rectangle by the last digit; the whole image for another Type.
            const int table[8][4] = {{n, w - n - 1, n, h - n - 1}, {n, w - 1, 0, h - 1}, {0, w - 1, 0, h - n - 1},
                                     {0, w - n - 1, 0, h - 1},     {0, w - 1, n, h - 1}, {n, w - n - 1, 0, h - 1},
                                     {0, w - 1, n, h - n - 1},     {0, w - 1, 0, h - 1}};
            const int* r = table[(st >= 101 && st <= 104 && type % 100 <= 6) ? type % 10 : 7];
            for (int y = 0; y < h && n > 0; ++y) for (int x = 0; x < w; ++x) {
                std::uint8_t* p = At(want, w, x, y);
                const bool inner = x >= r[0] && x <= r[1] && y >= r[2] && y <= r[3];
                const int d = std::min({r[0] > 0 ? x : INT_MAX, r[1] < w - 1 ? w - 1 - x : INT_MAX,
                                        r[2] > 0 ? y : INT_MAX, r[3] < h - 1 ? h - 1 - y : INT_MAX});
                const double t = d <= n * 0.5 ? 0 : (d - n * 0.5) / (n * 0.5);
                for (int ch = 0; ch < 3; ++ch) {
                    const int base = Chan(0x20C060, ch), end = st == 103 ? std::min(base + 128, 255) : std::max(base - 128, 0);
                    const double sx = std::min(double(w * (x - r[0])) / (r[1] - r[0]), w - 0.001);
                    const double sy = std::min(double(h * (y - r[2])) / (r[3] - r[2]), h - 0.001);
                    if (inner && st != 102) p[ch] = Low8(Sample(in, w, h, sx, sy, ch));
                    if (!inner) p[ch] = st == 101 ? base : st == 102 ? Low8(p[ch] * t + base * (1 - t))
                                                                     : Low8(base + double((end - base) * d) / n);
                }
            }
            Expect(in, sz, want, [&](ImageSession& s) { return vtx::DrawBorder(s, c, 0x20C060, size, type); },
                   "border " + std::to_string(type) + " size " + std::to_string(size));
        }
}

TEST(PixelDrawing, DrawImageMatchesTheReference) {
    const Size overlays[] = {{2, 2}, {3, 5}, {20, 7}, {40, 45}};
    const std::int32_t places[] = {INT_MIN, -30, -2, 0, 1, 4, 15, 39, INT_MAX};
    const std::int32_t keys[] = {-1, INT_MIN, 0, 0x7F00FFFF, 0x00FF00FF}, alphas[] = {255, 77, 256, -1};
    unsigned k = 0;  // cycles through every key, Completeness and opacity
    for (Size sz : kSizes) for (Size os : overlays) for (std::int32_t left : places) for (std::int32_t top : places) {
        const std::int32_t key = keys[k % 5], alpha = alphas[k / 5 % 4];
        const double c = std::vector<double>{NAN, 0.0, 0.6, 1.0}[k++ / 20 % 4];
        const Bytes in = Random(sz.w, sz.h, 3), over = Random(os.w, os.h, 4, 2);
        Bytes want = in;
        for (int j = 0; j < os.h; ++j) for (int i = 0; i < os.w; ++i) {
            const std::int64_t tx = std::int64_t{left} + i, ty = std::int64_t{sz.h} - os.h - top + j;
            const std::uint8_t* o = &over[4 * (j * os.w + i)];
            if (tx < 0 || tx >= sz.w || ty < 0 || ty >= sz.h) continue;
            if (key >= 0 && o[0] == Chan(key, 0) && o[1] == Chan(key, 1) && o[2] == Chan(key, 2)) continue;
            std::uint8_t* p = At(want, sz.w, int(tx), int(ty));
            const double a = Clamp(c) * alpha * kInv255;
            for (int ch = 0; ch < 3; ++ch) p[ch] = Low8(o[ch] * a + p[ch] * (1 - a));
        }
        const vtx::ImageView view{const_cast<std::uint8_t*>(over.data()), os.w, os.h};
        Expect(in, sz, want, [&](ImageSession& s) { return vtx::DrawImage(s, c, left, top, &view, key, alpha); },
               "overlay");
    }
}

// The dissolve tables as listed, rows separated by '/'.
const char* const kTables[19] = {
    "0 1 2 3 4 5 6 7 / 27 28 29 30 31 32 33 8 / 26 47 48 49 50 51 34 9 / 25 45 59 60 61 52 35 10 / 24 45 58 63 62 53 36 11 / 23 44 57 56 55 54 37 12 / 22 43 42 41 40 39 38 13 / 21 20 19 18 17 16 15 14",
    "42 43 44 45 46 47 48 49 / 41 20 21 22 23 24 25 50 / 40 19 6 7 8 9 26 51 / 39 18 5 0 1 10 27 52 / 38 17 4 3 2 11 28 53 / 37 16 15 14 13 12 29 54 / 36 35 34 33 32 31 30 55 / 63 62 61 60 59 58 57 56",
    "7 15 23 31 39 47 55 63 / 63 55 47 39 31 23 15 7 / 7 15 23 31 39 47 55 63 / 63 55 47 39 31 23 15 7 / 7 15 23 31 39 47 55 63 / 63 55 47 39 31 23 15 7 / 7 15 23 31 39 47 55 63 / 63 55 47 39 31 23 15 7",
    "35 55 19 59 35 55 19 59 / 47 23 63 31 47 23 63 31 / 27 51 39 11 27 51 39 11 / 43 15 7 3 43 15 7 3 / 35 55 19 59 35 55 19 59 / 47 23 63 31 47 23 63 31 / 27 51 39 11 27 51 39 11 / 43 15 7 3 43 15 7 3",
    "9 6 5 3 64 63 60 58 / 10 8 4 2 62 59 57 55 / 13 12 7 1 61 56 54 53 / 15 14 11 0 48 49 50 51 / 16 17 19 26 36 45 46 47 / 18 20 22 29 34 39 42 44 / 21 23 27 30 32 37 40 43 / 24 25 28 31 33 35 38 41",
    "60 61 63 3 5 6 9 12 / 57 59 62 2 4 8 11 13 / 55 56 58 1 7 10 15 16 / 54 53 52 0 14 17 18 19 / 51 50 48 34 24 22 20 21 / 49 46 43 37 31 27 25 23 / 47 44 41 38 35 32 28 26 / 45 42 40 39 36 33 30 29",
    "0 54 48 13 61 5 51 45 / 24 29 4 33 44 25 9 20 / 43 63 37 55 17 30 40 56 / 21 14 23 10 27 12 2 32 / 38 53 34 47 1 62 46 8 / 59 7 57 22 39 18 36 41 / 15 42 16 60 11 50 31 19 / 49 28 3 35 58 26 6 52",
    "31 35 39 44 49 53 58 63 / 27 31 35 39 44 49 53 58 / 21 27 31 35 39 44 49 53 / 17 21 27 31 35 39 44 49 / 13 17 21 27 31 35 39 44 / 9 13 17 21 27 31 35 39 / 4 9 13 17 21 27 31 35 / 0 4 9 13 17 21 27 31",
    "63 59 53 49 44 39 35 31 / 59 53 49 44 39 35 31 27 / 53 49 44 39 35 31 27 21 / 49 44 39 35 31 27 21 17 / 44 39 35 31 27 21 17 13 / 39 35 31 27 21 17 13 9 / 35 31 27 21 17 13 9 4 / 31 27 21 17 13 9 4 0",
    "31 27 21 17 13 9 4 0 / 35 31 27 21 17 13 9 4 / 39 35 31 27 21 17 13 9 / 44 39 35 31 27 21 17 13 / 49 44 39 35 31 27 21 17 / 53 49 44 39 35 31 27 21 / 59 53 49 44 39 35 31 27 / 63 59 53 49 44 39 35 31",
    "0 4 8 13 17 21 26 30 / 4 8 13 17 21 26 30 34 / 8 13 17 21 26 30 34 39 / 13 17 21 26 30 34 39 43 / 17 21 26 30 34 39 43 48 / 21 26 30 34 39 43 48 52 / 26 30 34 39 43 48 52 57 / 30 34 39 43 48 52 57 63",
    "0 15 16 31 32 47 48 63 / 1 14 17 30 33 46 49 62 / 2 13 18 29 34 45 50 61 / 3 12 19 28 35 44 51 60 / 4 11 20 27 36 43 52 59 / 5 10 21 26 37 42 53 58 / 6 9 22 25 38 41 54 57 / 7 8 23 24 39 40 55 56",
    "63 48 47 32 31 16 15 0 / 62 49 46 33 30 17 14 1 / 61 50 45 34 29 18 13 2 / 60 51 44 35 28 19 12 3 / 59 52 43 36 27 20 11 4 / 58 53 42 37 26 21 10 5 / 57 54 41 38 25 22 9 6 / 56 55 40 39 24 23 8 7",
    "63 62 61 60 59 58 57 56 / 48 49 50 51 52 53 54 55 / 47 46 45 44 43 42 41 40 / 32 33 34 35 36 37 38 39 / 31 30 29 28 27 26 25 24 / 16 17 18 19 20 21 22 23 / 15 14 13 12 11 10 9 8 / 0 1 2 3 4 5 6 7",
    "0 1 2 3 4 5 6 7 / 15 14 13 12 11 10 9 8 / 16 17 18 19 20 21 22 23 / 31 30 29 28 27 26 25 24 / 32 33 34 35 36 37 38 39 / 47 46 45 44 43 42 41 40 / 48 49 50 51 52 53 54 55 / 63 62 61 60 59 58 57 56",
    "0 36 8 44 16 52 24 60 / 32 4 40 12 48 20 56 28 / 1 37 9 45 17 53 25 61 / 33 5 41 13 49 21 57 29 / 2 38 10 46 18 54 26 62 / 34 6 42 14 50 22 59 30 / 3 39 11 47 19 55 27 63 / 35 7 43 15 51 23 59 31",
    "60 24 52 16 44 8 36 0 / 28 56 20 48 12 40 4 32 / 61 25 53 17 45 9 37 1 / 29 57 21 49 13 41 5 33 / 62 26 54 18 46 10 38 2 / 30 59 22 50 14 42 6 34 / 63 27 55 19 47 11 39 3 / 31 59 23 51 15 43 7 35",
    "60 28 61 29 62 30 63 31 / 24 56 25 57 26 58 27 59 / 52 20 53 21 54 22 55 23 / 16 48 17 49 18 50 19 51 / 44 12 45 13 46 14 47 15 / 8 40 9 41 10 42 11 43 / 36 4 37 5 38 6 39 7 / 0 32 1 33 2 34 3 35",
    "0 32 1 33 2 34 3 35 / 36 4 37 5 38 6 39 7 / 8 40 9 41 10 42 11 43 / 44 12 45 13 46 14 47 15 / 16 48 17 49 18 50 19 51 / 52 20 53 21 54 22 55 23 / 24 56 25 57 26 58 27 59 / 60 28 61 29 62 30 63 31",
};

int Table(int type, int j, int i) {
    static std::vector<std::vector<int>> tables(19);
    std::vector<int>& t = tables[type - 3100];
    std::istringstream in(t.empty() ? kTables[type - 3100] : "");
    for (std::string v; in >> v;) if (v != "/") t.push_back(std::stoi(v));
    return t.at(8 * j + i);
}

// DrawMovObject's reference: whether a pixel is painted, or the source of a move.
Bytes MovReference(const Bytes& in, int w, int h, double c, int type, int div, std::int32_t color, std::int32_t alpha) {
    Bytes out = in;
    const auto fam = [&](int lo, int hi) { return type >= lo && type <= hi; };
    if (c < 0.001 || !(fam(1100, 1105) || fam(1200, 1207) || fam(1300, 1307) || fam(1400, 1401) || fam(2100, 2103) ||
                       fam(2200, 2203) || fam(2300, 2301) || fam(3100, 3118)))
        return out;
    const double a = alpha * kInv255;
    const int cw = w / std::clamp(div, 1, std::max(w / 4, 1)), ch = h / std::clamp(div, 1, std::max(h / 4, 1));
    const auto T = [](double v) { return static_cast<int>(v); };
    using P = std::pair<int, bool>;
    const int hy = T((ch - 1) * c * 0.5), gy = T((1 - c) * (ch - 1) * 0.5), hx = T((cw - 1) * c * 0.5),
              gx = T((1 - c) * (cw - 1) * 0.5), fx = T(c * (cw - 1)), fy = T((ch - 1) * c), my = (ch - 1) / 2,
              mx = (cw - 1) / 2;
    const double cx = 0.5 * (cw - 1), cy = 0.5 * (ch - 1), ex = cw * c * 0.5, ey = ch * c * 0.5,
                 qx = (cw - 1) * c * 0.5, qy = (ch - 1) * c * 0.5, rx = (1 - c) * (cw - 1) * 0.5,
                 ry = (1 - c) * (ch - 1) * 0.5, D = double(cw) * cw + double(ch) * ch;
    for (int y = 0; y < h; ++y) for (int x = 0; x < w; ++x) {
        const int lx = x % cw, ly = y % ch;
        const double dx = lx - cx, dy = ly - cy;
        std::uint8_t* p = &out[4 * (y * w + x)];
        bool paint = c > 0.999, tint = false;  // above 0.999 every pixel is tinted
        int sx = x, sy = y, t = c > 0.999 ? 0 : type;
        if (t == 2300) t = lx > mx ? 2202 : 2203;
        if (t == 2301) t = ly <= my ? 2200 : 2201;
        switch (t) {
            case 0: break;
            case 1100: paint = ly <= hy || ly >= ch - hy - 1; break;
            case 1101: paint = gy <= ly && ly <= ch - gy - 1; break;
            case 1102: paint = lx <= hx || lx >= cw - hx - 1; break;
            case 1103: paint = gx <= lx && lx <= cw - gx - 1; break;
            case 1104: paint = (ly <= fy && lx <= fx) || (ly >= ch - fy - 1 && lx >= cw - fx - 1); break;
            case 1105: paint = (ly >= ch - fy - 1 && lx <= fx) || (ly <= fy && lx >= cw - fx - 1); break;
            case 1200: paint = lx <= fx; break;              case 1201: paint = lx >= cw - fx - 1; break;
            case 1202: paint = ly >= ch - fy - 1; break;     case 1203: paint = ly <= fy; break;
            case 1204: paint = lx <= fx && ly >= ch - fy - 1; break;  case 1205: paint = lx <= fx && ly <= fy; break;
            case 1206: paint = lx >= cw - fx - 1 && ly <= fy; break;
            case 1207: paint = lx >= cw - fx - 1 && ly >= ch - fy - 1; break;
            case 1300: paint = !(ex <= lx && lx <= (cw - 1) - ex && ey <= ly && ly <= (ch - 1) - ey); break;
            case 1301: paint = cx - ex < lx && lx < cx + ex && cy - ey < ly && ly < cy + ey; break;
            case 1302: paint = std::fabs(dx) + std::fabs(dy) > (cw + ch) * (1 - c) * 0.5; break;
            case 1303: paint = std::fabs(dx) + std::fabs(dy) < c * (cw + ch) * 0.5; break;
            case 1304: paint = dx * dx + dy * dy > D * (1 - c) * 0.25; break;
            case 1305: paint = dx * dx + dy * dy < D * c * 0.25; break;
            case 1306: paint = (lx <= qx || lx >= (cw - 1) - qx) && (ly <= qy || ly >= (ch - 1) - qy); break;
            case 1307: paint = (ry <= ly && ly <= (ch - 1) - ry) || (rx <= lx && lx <= (cw - 1) - rx); break;
            case 1400: paint = (lx < cx && ly < ch * c) || (lx >= cx && ly > (ch - 1) - ch * c); break;
            case 1401: paint = (ly < cy && lx < cw * c) || (ly >= cy && lx > (cw - 1) - cw * c); break;
            case 2100: std::tie(sy, tint) = ly <= hy ? P{y + my - hy, true} : ly <= my ? P{y - hy, false}
                                            : ly < ch - hy - 1 ? P{y + hy, false} : P{y - my + hy, true}; break;
            case 2101: std::tie(sy, tint) = ly <= gy ? P{y + my - gy, false} : ly < ch - gy - 1 ?
                                            P{ly > my ? y + gy : y - gy, true} : P{y - my + gy, false}; break;
            case 2102: std::tie(sx, tint) = lx <= hx ? P{x + mx - hx, true} : lx <= mx ? P{x - hx, false}
                                            : lx < cw - hx - 1 ? P{x + hx, false} : P{x - mx + hx, true}; break;
            case 2103: std::tie(sx, tint) = lx <= gx ? P{x + mx - gx, false} : lx >= cw - gx - 1 ?
                                            P{x - mx + gx, false} : P{lx > mx ? x + gx : x - gx, true}; break;
            case 2200: std::tie(sx, tint) = lx <= fx ? P{x - fx + (cw - 1), true} : P{x - fx, false}; break;
            case 2201: std::tie(sx, tint) = lx >= cw - fx - 1 ? P{x + 1 - cw + fx, true} : P{x + fx, false}; break;
            case 2202: std::tie(sy, tint) = ly >= ch - fy - 1 ? P{y + 1 - ch + fy, true} : P{y + fy, false}; break;
            case 2203: std::tie(sy, tint) = ly <= fy ? P{y - fy + (ch - 1), true} : P{y - fy, false}; break;
            default: paint = Table(t, std::min(T(ly * 8.0 / (ch - 1)), 7), std::min(T(lx * 8.0 / (cw - 1)), 7)) < T(c * 63.0);
        }
        if (paint) Tint(p, p, a, color);
        if (!paint && sx >= 0 && sx < w && sy >= 0 && sy < h) Tint(p, &in[4 * (sy * w + sx)], tint ? a : 0, color);
    }
    return out;
}

TEST(PixelDrawing, DrawMovObjectMatchesTheReference) {
    std::vector<std::int32_t> types = {0, -1100, 1099, 1106, 1199, 1208, 1308, 1402, 2099, 2104, 2204, 2302, 3099, 3119};
    for (const auto& r : {std::pair<int, int>{1100, 1105}, {1200, 1207}, {1300, 1307}, {1400, 1401}, {2100, 2103}, {2200, 2203},
                          {2300, 2301}, {3100, 3118}})
        for (int t = r.first; t <= r.second; ++t) types.push_back(t);
    std::vector<double> thresholds = kCs;
    for (int t = 1; t < 63; ++t) thresholds.push_back((t + 0.5) / 63);  // every dissolve threshold
    for (Size sz : kSizes) for (std::int32_t type : types) for (std::int32_t div : {INT_MIN, 0, 1, 2, 3, 100, INT_MAX})
        for (double c : (type >= 3100 && div == 1) ? thresholds : kCs) {
            // Every opacity in turn; a visible one for the dissolve thresholds.
            static unsigned k = 0;
            const std::int32_t alpha = (type >= 3100 && div == 1) ? 255 : kAlphas[k++ % 7];
            const Bytes in = Random(sz.w, sz.h, 11);
            Expect(in, sz, MovReference(in, sz.w, sz.h, Clamp(c), type, div, 0x10A0F0, alpha),
                   [&](ImageSession& s) { return vtx::DrawMovObject(s, c, type, div, 0x10A0F0, alpha); },
                   "movobject " + std::to_string(type) + " div " + std::to_string(div) + " c " + std::to_string(c));
        }
}

TEST(PixelDrawing, RefusalsAndExtremes) {
    ImageSession s;
    EXPECT_EQ(vtx::DrawRectangle(s, 1, 0, 0, 5, 5, 0, 255, -1) + vtx::DrawBorder(s, 1, 0, 5, 10100) +
                  vtx::DrawImage(s, 1, 0, 0, nullptr, -1, 255) + vtx::DrawMovObject(s, 1, 1200, 1, 0, 255), 4);
    Bytes img = Random(4, 4, 1);
    ASSERT_EQ(s.SetImageCopy(img.data(), 4, 4), 0);
    const vtx::ImageView views[] = {{img.data(), 1, 4}, {img.data(), 4, 1}, {nullptr, 4, 4}};
    for (const vtx::ImageView* v : {views + 0, views + 1, views + 2, (const vtx::ImageView*)nullptr})
        EXPECT_EQ(vtx::DrawImage(s, 1, 0, 0, v, -1, 255), 1);
}

}  // namespace
