// DrawMovObject: animated colour patterns over a grid of cells, in buffer
// rows. Masks tint the pixels their pattern covers; moves take each pixel
// from a displaced source, tinted on the moved-in part. Every pattern reads
// the backup copy and writes the image; alpha bytes are neither read nor
// written.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "draw/draw.h"
#include "draw/pixel_blend.h"
#include "session/frame.h"

namespace vtx {

namespace {

// The order in which the 8 x 8 blocks of a cell are painted by the
// dissolves 3100 ... 3118, row j (cell rows in buffer order) by column i.
constexpr std::uint8_t kDissolve[19][64] = {
    {// 3100
      0,  1,  2,  3,  4,  5,  6,  7, 27, 28, 29, 30, 31, 32, 33,  8,
     26, 47, 48, 49, 50, 51, 34,  9, 25, 45, 59, 60, 61, 52, 35, 10,
     24, 45, 58, 63, 62, 53, 36, 11, 23, 44, 57, 56, 55, 54, 37, 12,
     22, 43, 42, 41, 40, 39, 38, 13, 21, 20, 19, 18, 17, 16, 15, 14,
    },
    {// 3101
     42, 43, 44, 45, 46, 47, 48, 49, 41, 20, 21, 22, 23, 24, 25, 50,
     40, 19,  6,  7,  8,  9, 26, 51, 39, 18,  5,  0,  1, 10, 27, 52,
     38, 17,  4,  3,  2, 11, 28, 53, 37, 16, 15, 14, 13, 12, 29, 54,
     36, 35, 34, 33, 32, 31, 30, 55, 63, 62, 61, 60, 59, 58, 57, 56,
    },
    {// 3102
      7, 15, 23, 31, 39, 47, 55, 63, 63, 55, 47, 39, 31, 23, 15,  7,
      7, 15, 23, 31, 39, 47, 55, 63, 63, 55, 47, 39, 31, 23, 15,  7,
      7, 15, 23, 31, 39, 47, 55, 63, 63, 55, 47, 39, 31, 23, 15,  7,
      7, 15, 23, 31, 39, 47, 55, 63, 63, 55, 47, 39, 31, 23, 15,  7,
    },
    {// 3103
     35, 55, 19, 59, 35, 55, 19, 59, 47, 23, 63, 31, 47, 23, 63, 31,
     27, 51, 39, 11, 27, 51, 39, 11, 43, 15,  7,  3, 43, 15,  7,  3,
     35, 55, 19, 59, 35, 55, 19, 59, 47, 23, 63, 31, 47, 23, 63, 31,
     27, 51, 39, 11, 27, 51, 39, 11, 43, 15,  7,  3, 43, 15,  7,  3,
    },
    {// 3104
      9,  6,  5,  3, 64, 63, 60, 58, 10,  8,  4,  2, 62, 59, 57, 55,
     13, 12,  7,  1, 61, 56, 54, 53, 15, 14, 11,  0, 48, 49, 50, 51,
     16, 17, 19, 26, 36, 45, 46, 47, 18, 20, 22, 29, 34, 39, 42, 44,
     21, 23, 27, 30, 32, 37, 40, 43, 24, 25, 28, 31, 33, 35, 38, 41,
    },
    {// 3105
     60, 61, 63,  3,  5,  6,  9, 12, 57, 59, 62,  2,  4,  8, 11, 13,
     55, 56, 58,  1,  7, 10, 15, 16, 54, 53, 52,  0, 14, 17, 18, 19,
     51, 50, 48, 34, 24, 22, 20, 21, 49, 46, 43, 37, 31, 27, 25, 23,
     47, 44, 41, 38, 35, 32, 28, 26, 45, 42, 40, 39, 36, 33, 30, 29,
    },
    {// 3106
      0, 54, 48, 13, 61,  5, 51, 45, 24, 29,  4, 33, 44, 25,  9, 20,
     43, 63, 37, 55, 17, 30, 40, 56, 21, 14, 23, 10, 27, 12,  2, 32,
     38, 53, 34, 47,  1, 62, 46,  8, 59,  7, 57, 22, 39, 18, 36, 41,
     15, 42, 16, 60, 11, 50, 31, 19, 49, 28,  3, 35, 58, 26,  6, 52,
    },
    {// 3107
     31, 35, 39, 44, 49, 53, 58, 63, 27, 31, 35, 39, 44, 49, 53, 58,
     21, 27, 31, 35, 39, 44, 49, 53, 17, 21, 27, 31, 35, 39, 44, 49,
     13, 17, 21, 27, 31, 35, 39, 44,  9, 13, 17, 21, 27, 31, 35, 39,
      4,  9, 13, 17, 21, 27, 31, 35,  0,  4,  9, 13, 17, 21, 27, 31,
    },
    {// 3108
     63, 59, 53, 49, 44, 39, 35, 31, 59, 53, 49, 44, 39, 35, 31, 27,
     53, 49, 44, 39, 35, 31, 27, 21, 49, 44, 39, 35, 31, 27, 21, 17,
     44, 39, 35, 31, 27, 21, 17, 13, 39, 35, 31, 27, 21, 17, 13,  9,
     35, 31, 27, 21, 17, 13,  9,  4, 31, 27, 21, 17, 13,  9,  4,  0,
    },
    {// 3109
     31, 27, 21, 17, 13,  9,  4,  0, 35, 31, 27, 21, 17, 13,  9,  4,
     39, 35, 31, 27, 21, 17, 13,  9, 44, 39, 35, 31, 27, 21, 17, 13,
     49, 44, 39, 35, 31, 27, 21, 17, 53, 49, 44, 39, 35, 31, 27, 21,
     59, 53, 49, 44, 39, 35, 31, 27, 63, 59, 53, 49, 44, 39, 35, 31,
    },
    {// 3110
      0,  4,  8, 13, 17, 21, 26, 30,  4,  8, 13, 17, 21, 26, 30, 34,
      8, 13, 17, 21, 26, 30, 34, 39, 13, 17, 21, 26, 30, 34, 39, 43,
     17, 21, 26, 30, 34, 39, 43, 48, 21, 26, 30, 34, 39, 43, 48, 52,
     26, 30, 34, 39, 43, 48, 52, 57, 30, 34, 39, 43, 48, 52, 57, 63,
    },
    {// 3111
      0, 15, 16, 31, 32, 47, 48, 63,  1, 14, 17, 30, 33, 46, 49, 62,
      2, 13, 18, 29, 34, 45, 50, 61,  3, 12, 19, 28, 35, 44, 51, 60,
      4, 11, 20, 27, 36, 43, 52, 59,  5, 10, 21, 26, 37, 42, 53, 58,
      6,  9, 22, 25, 38, 41, 54, 57,  7,  8, 23, 24, 39, 40, 55, 56,
    },
    {// 3112
     63, 48, 47, 32, 31, 16, 15,  0, 62, 49, 46, 33, 30, 17, 14,  1,
     61, 50, 45, 34, 29, 18, 13,  2, 60, 51, 44, 35, 28, 19, 12,  3,
     59, 52, 43, 36, 27, 20, 11,  4, 58, 53, 42, 37, 26, 21, 10,  5,
     57, 54, 41, 38, 25, 22,  9,  6, 56, 55, 40, 39, 24, 23,  8,  7,
    },
    {// 3113
     63, 62, 61, 60, 59, 58, 57, 56, 48, 49, 50, 51, 52, 53, 54, 55,
     47, 46, 45, 44, 43, 42, 41, 40, 32, 33, 34, 35, 36, 37, 38, 39,
     31, 30, 29, 28, 27, 26, 25, 24, 16, 17, 18, 19, 20, 21, 22, 23,
     15, 14, 13, 12, 11, 10,  9,  8,  0,  1,  2,  3,  4,  5,  6,  7,
    },
    {// 3114
      0,  1,  2,  3,  4,  5,  6,  7, 15, 14, 13, 12, 11, 10,  9,  8,
     16, 17, 18, 19, 20, 21, 22, 23, 31, 30, 29, 28, 27, 26, 25, 24,
     32, 33, 34, 35, 36, 37, 38, 39, 47, 46, 45, 44, 43, 42, 41, 40,
     48, 49, 50, 51, 52, 53, 54, 55, 63, 62, 61, 60, 59, 58, 57, 56,
    },
    {// 3115
      0, 36,  8, 44, 16, 52, 24, 60, 32,  4, 40, 12, 48, 20, 56, 28,
      1, 37,  9, 45, 17, 53, 25, 61, 33,  5, 41, 13, 49, 21, 57, 29,
      2, 38, 10, 46, 18, 54, 26, 62, 34,  6, 42, 14, 50, 22, 59, 30,
      3, 39, 11, 47, 19, 55, 27, 63, 35,  7, 43, 15, 51, 23, 59, 31,
    },
    {// 3116
     60, 24, 52, 16, 44,  8, 36,  0, 28, 56, 20, 48, 12, 40,  4, 32,
     61, 25, 53, 17, 45,  9, 37,  1, 29, 57, 21, 49, 13, 41,  5, 33,
     62, 26, 54, 18, 46, 10, 38,  2, 30, 59, 22, 50, 14, 42,  6, 34,
     63, 27, 55, 19, 47, 11, 39,  3, 31, 59, 23, 51, 15, 43,  7, 35,
    },
    {// 3117
     60, 28, 61, 29, 62, 30, 63, 31, 24, 56, 25, 57, 26, 58, 27, 59,
     52, 20, 53, 21, 54, 22, 55, 23, 16, 48, 17, 49, 18, 50, 19, 51,
     44, 12, 45, 13, 46, 14, 47, 15,  8, 40,  9, 41, 10, 42, 11, 43,
     36,  4, 37,  5, 38,  6, 39,  7,  0, 32,  1, 33,  2, 34,  3, 35,
    },
    {// 3118
      0, 32,  1, 33,  2, 34,  3, 35, 36,  4, 37,  5, 38,  6, 39,  7,
      8, 40,  9, 41, 10, 42, 11, 43, 44, 12, 45, 13, 46, 14, 47, 15,
     16, 48, 17, 49, 18, 50, 19, 51, 52, 20, 53, 21, 54, 22, 55, 23,
     24, 56, 25, 57, 26, 58, 27, 59, 60, 28, 61, 29, 62, 30, 63, 31,
    },
};

enum class Family { kNone, kBands, kWipes, kShapes, kBars, kSplits, kPushes, kHalfPushes, kDissolves };

Family FamilyOf(std::int32_t type) {
    const auto in = [type](std::int32_t lo, std::int32_t hi) { return type >= lo && type <= hi; };
    if (in(1100, 1105)) return Family::kBands;
    if (in(1200, 1207)) return Family::kWipes;
    if (in(1300, 1307)) return Family::kShapes;
    if (in(1400, 1401)) return Family::kBars;
    if (in(2100, 2103)) return Family::kSplits;
    if (in(2200, 2203)) return Family::kPushes;
    if (in(2300, 2301)) return Family::kHalfPushes;
    if (in(3100, 3118)) return Family::kDissolves;
    return Family::kNone;
}

// The values a pattern compares local coordinates with, for one call.
struct Pattern {
    std::int32_t type, cw, ch;
    // Integers (truncated products).
    std::int32_t hx, hy;  // trunc((cw − 1)·c·0.5): bands, split a_x, a_y
    std::int32_t gx, gy;  // trunc((1 − c)·(cw − 1)·0.5): bands, split b_x, b_y
    std::int32_t fx, fy;  // trunc((cw − 1)·c): corner bands, wipes, pushes
    std::int32_t mx, my;  // ⌊(cw − 1)/2⌋
    // Doubles.
    double cx, cy, ex, ey, qx, qy, rx, ry, diamondOut, diamondIn, circleOut, circleIn, sx, sy;
    std::int32_t threshold;            // dissolves: trunc(c·63)
    std::vector<std::uint8_t> blockX;  // dissolves: block column of each lx

    Pattern(std::int32_t t, double c, std::int32_t w, std::int32_t h) : type(t), cw(w), ch(h) {
        const double w1 = cw - 1, h1 = ch - 1;
        hx = px::TruncToInt32(w1 * c * 0.5);
        hy = px::TruncToInt32(h1 * c * 0.5);
        gx = px::TruncToInt32((1 - c) * w1 * 0.5);
        gy = px::TruncToInt32((1 - c) * h1 * 0.5);
        fx = px::TruncToInt32(c * w1);
        fy = px::TruncToInt32(h1 * c);
        mx = (cw - 1) / 2;
        my = (ch - 1) / 2;
        cx = 0.5 * w1;
        cy = 0.5 * h1;
        ex = cw * c * 0.5;
        ey = ch * c * 0.5;
        qx = w1 * c * 0.5;
        qy = h1 * c * 0.5;
        rx = (1 - c) * w1 * 0.5;
        ry = (1 - c) * h1 * 0.5;
        diamondOut = (cw + ch) * (1 - c) * 0.5;
        diamondIn = c * (cw + ch) * 0.5;
        const auto d = static_cast<double>(std::int64_t{cw} * cw + std::int64_t{ch} * ch);
        circleOut = d * (1 - c) * 0.25;
        circleIn = d * c * 0.25;
        sx = cw * c;
        sy = ch * c;
        threshold = px::TruncToInt32(c * 63.0);
        if (FamilyOf(type) == Family::kDissolves) {
            blockX.resize(static_cast<std::size_t>(cw));
            for (std::int32_t lx = 0; lx < cw; ++lx) blockX[lx] = BlockOf(lx, cw);
        }
    }

    static std::uint8_t BlockOf(std::int32_t l, std::int32_t size) {
        return static_cast<std::uint8_t>(std::min(px::TruncToInt32(l * 8.0 / (size - 1)), 7));
    }

    // Masks: whether the pixel at (lx, ly) is painted.
    bool Paint(std::int32_t lx, std::int32_t ly) const {
        const double dx = lx - cx, dy = ly - cy;
        const auto within = [](double lo, double v, double hi) { return lo <= v && v <= hi; };
        switch (type) {
            case 1100: return ly <= hy || ly >= ch - hy - 1;
            case 1101: return gy <= ly && ly <= ch - gy - 1;
            case 1102: return lx <= hx || lx >= cw - hx - 1;
            case 1103: return gx <= lx && lx <= cw - gx - 1;
            case 1104: return (ly <= fy && lx <= fx) || (ly >= ch - fy - 1 && lx >= cw - fx - 1);
            case 1105: return (ly >= ch - fy - 1 && lx <= fx) || (ly <= fy && lx >= cw - fx - 1);
            case 1200: return lx <= fx;
            case 1201: return lx >= cw - fx - 1;
            case 1202: return ly >= ch - fy - 1;
            case 1203: return ly <= fy;
            case 1204: return lx <= fx && ly >= ch - fy - 1;
            case 1205: return lx <= fx && ly <= fy;
            case 1206: return lx >= cw - fx - 1 && ly <= fy;
            case 1207: return lx >= cw - fx - 1 && ly >= ch - fy - 1;
            case 1300: return !(within(ex, lx, (cw - 1) - ex) && within(ey, ly, (ch - 1) - ey));
            case 1301: return cx - ex < lx && lx < cx + ex && cy - ey < ly && ly < cy + ey;
            case 1302: return std::abs(dx) + std::abs(dy) > diamondOut;
            case 1303: return std::abs(dx) + std::abs(dy) < diamondIn;
            case 1304: return dx * dx + dy * dy > circleOut;
            case 1305: return dx * dx + dy * dy < circleIn;
            case 1306: return (lx <= qx || lx >= (cw - 1) - qx) && (ly <= qy || ly >= (ch - 1) - qy);
            case 1307: return within(ry, ly, (ch - 1) - ry) || within(rx, lx, (cw - 1) - rx);
            case 1400: return (lx < cx && ly < sy) || (lx >= cx && ly > (ch - 1) - sy);
            case 1401: return (ly < cy && lx < sx) || (ly >= cy && lx > (cw - 1) - sx);
            default:  // the dissolves
                return kDissolve[type - 3100][BlockOf(ly, ch) * 8 + blockX[lx]] < threshold;
        }
    }

    // Moves: the source's offset from the pixel, and whether it is tinted.
    struct Move {
        std::int32_t ox = 0, oy = 0;
        bool tint = false;
    };
    // One half of a split along a cell side of `size` at local l, with the
    // opening a (the middle part closes in) or b (the middle part opens).
    static Move Split(bool opening, std::int32_t l, std::int32_t size, std::int32_t a, std::int32_t m) {
        if (!opening) {
            if (l <= a) return {m - a, 0, true};
            if (l <= m) return {-a, 0, false};
            if (l < size - a - 1) return {a, 0, false};
            return {-m + a, 0, true};
        }
        if (l <= a) return {m - a, 0, false};
        if (l < size - a - 1) return {l > m ? a : -a, 0, true};
        return {-m + a, 0, false};
    }
    Move Source(std::int32_t lx, std::int32_t ly) const {
        std::int32_t t = type;
        if (t == 2300) t = lx > mx ? 2202 : 2203;
        if (t == 2301) t = ly <= my ? 2200 : 2201;
        const auto swap = [](Move m) { return Move{m.oy, m.ox, m.tint}; };
        switch (t) {
            case 2100: return swap(Split(false, ly, ch, hy, my));
            case 2101: return swap(Split(true, ly, ch, gy, my));
            case 2102: return Split(false, lx, cw, hx, mx);
            case 2103:  // the outer parts move in before the middle is looked at
                if (lx <= gx) return {mx - gx, 0, false};
                if (lx >= cw - gx - 1) return {-mx + gx, 0, false};
                return {lx > mx ? gx : -gx, 0, true};
            case 2200: return lx <= fx ? Move{-fx + (cw - 1), 0, true} : Move{-fx, 0, false};
            case 2201: return lx >= cw - fx - 1 ? Move{1 - cw + fx, 0, true} : Move{fx, 0, false};
            case 2202: return ly >= ch - fy - 1 ? Move{0, 1 - ch + fy, true} : Move{0, fy, false};
            default:  // 2203
                return ly <= fy ? Move{0, -fy + (ch - 1), true} : Move{0, -fy, false};
        }
    }
};

}  // namespace

std::int32_t DrawMovObject(ImageSession& s, double Completeness, std::int32_t Type, std::int32_t Divisions,
                           std::int32_t Color, std::int32_t Alpha) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const Family family = FamilyOf(Type);
    // Nothing is drawn below 0.001 or for a Type outside the families.
    if (family == Family::kNone || c < 0.001) return 0;
    if (!s.MakeBackupCopy()) return 0;
    const std::int32_t w = s.width(), h = s.height();
    const std::uint8_t* const src = s.backup();
    std::uint8_t* const dst = s.pixels();
    const auto stride = static_cast<std::size_t>(w) * 4;
    const draw::BlendTables tint(Alpha * draw::kInv255, Color);

    if (c > 0.999) {  // the whole image tinted, whatever the pattern
        for (std::size_t i = 0; i < stride * static_cast<std::size_t>(h); i += 4) tint.Apply(dst + i, src + i);
        s.FreeBackupCopy();
        return 0;
    }
    // Cells: at most ⌊W/4⌋ columns and ⌊H/4⌋ rows, at least one of each. A
    // cell is never below 2 pixels wide (or high): W >= 2, and with more
    // than one cell W / nx >= 4.
    const std::int32_t cw = w / ClampInt(Divisions, 1, std::max(w / 4, 1));
    const std::int32_t ch = h / ClampInt(Divisions, 1, std::max(h / 4, 1));
    const Pattern pattern(Type, c, cw, ch);
    const bool moves = family == Family::kSplits || family == Family::kPushes || family == Family::kHalfPushes;
    // One cell row of decisions, repeated across the image row.
    std::vector<std::uint8_t> paint(static_cast<std::size_t>(cw));
    std::vector<Pattern::Move> move(static_cast<std::size_t>(cw));
    for (std::int32_t y = 0; y < h; ++y) {
        const std::int32_t ly = y % ch;
        for (std::int32_t lx = 0; lx < cw; ++lx) {
            if (moves) {
                move[lx] = pattern.Source(lx, ly);
            } else {
                paint[lx] = pattern.Paint(lx, ly) ? 1 : 0;
            }
        }
        const std::uint8_t* in = src + static_cast<std::size_t>(y) * stride;
        std::uint8_t* out = dst + static_cast<std::size_t>(y) * stride;
        for (std::int32_t x = 0, lx = 0; x < w; ++x, lx = lx + 1 == cw ? 0 : lx + 1) {
            if (!moves) {
                if (paint[lx]) tint.Apply(out + 4 * x, in + 4 * x);
                continue;
            }
            const Pattern::Move& m = move[lx];
            const std::int32_t sx = x + m.ox, sy = y + m.oy;
            std::uint8_t* p = out + 4 * x;
            if (sx < 0 || sx >= w || sy < 0 || sy >= h) {
                std::copy_n(in + 4 * x, 3, p);
                continue;
            }
            const std::uint8_t* q = src + static_cast<std::size_t>(sy) * stride + 4 * static_cast<std::size_t>(sx);
            if (m.tint) {
                tint.Apply(p, q);
            } else {
                std::copy_n(q, 3, p);
            }
        }
    }
    s.FreeBackupCopy();
    return 0;
}

}  // namespace vtx
