#include "tools/vtx/test_card.h"

#include <cstddef>

namespace vtx::cli {

namespace {

struct Rgb {
    std::int32_t r, g, b;
};

// Fully saturated hue: h in [0, 1536), six sectors of 256.
Rgb Hue(std::int32_t h) {
    const std::int32_t f = h & 255;
    switch (h >> 8) {
        case 0: return {255, f, 0};
        case 1: return {255 - f, 255, 0};
        case 2: return {0, 255, f};
        case 3: return {0, 255 - f, 255};
        case 4: return {f, 0, 255};
        default: return {255, 0, 255 - f};
    }
}

// Mixes a colour towards white: s = 255 keeps it, s = 0 gives white.
std::int32_t Desaturate(std::int32_t v, std::int32_t s) { return 255 - (255 - v) * s / 255; }

// Position of c within [lo, hi) scaled to [0, n).
std::int32_t Scale(std::int64_t c, std::int64_t lo, std::int64_t hi, std::int64_t n) {
    if (hi <= lo) return 0;
    return static_cast<std::int32_t>((c - lo) * n / (hi - lo));
}

constexpr Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                          {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};

constexpr Rgb kSkin[8] = {{255, 224, 196}, {241, 194, 167}, {224, 172, 138}, {198, 134, 103},
                          {165, 114, 87},  {141, 85, 62},   {110, 68, 51},   {75, 50, 40}};

Rgb CardPixel(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
    // Horizontal bands, top to bottom.
    const std::int64_t yBars = h * 28 / 100, yHue = h * 40 / 100, yMid = h * 70 / 100, yRamps = h * 80 / 100,
                       yGrey = h * 90 / 100;
    if (y < yBars) return kBars[Scale(x, 0, w, 8)];
    if (y < yHue) {
        const Rgb c = Hue(Scale(x, 0, w, 1536));
        const std::int32_t s = 255 - Scale(y, yBars, yHue, 192);  // paler towards the bottom
        return {Desaturate(c.r, s), Desaturate(c.g, s), Desaturate(c.b, s)};
    }
    if (y < yMid) {
        const std::int64_t xSkin = w / 2, xZone = w * 3 / 4;
        if (x < xSkin) {
            const std::int32_t col = Scale(x, 0, xSkin, 4), row = Scale(y, yHue, yMid, 2);
            return kSkin[row * 4 + col];
        }
        if (x < xZone) {
            // Zone plate: a triangle wave of the squared distance from the
            // centre, rising to about half a cycle per pixel at the edge.
            const std::int64_t cx = (xSkin + xZone) / 2, cy = (yHue + yMid) / 2;
            std::int64_t radius = (xZone - xSkin) < (yMid - yHue) ? (xZone - xSkin) / 2 : (yMid - yHue) / 2;
            if (radius < 1) radius = 1;
            const std::int64_t dx = x - cx, dy = y - cy;
            const std::int64_t phase = ((dx * dx + dy * dy) * 80 / radius) & 511;
            const auto v = static_cast<std::int32_t>(phase < 256 ? phase : 511 - phase);
            return {v, v, v};
        }
        // Fine detail: 1-pixel vertical lines, horizontal lines, 1-pixel and
        // 2-pixel checkers.
        const bool right = x >= (xZone + w) / 2, lower = y >= (yHue + yMid) / 2;
        bool on = false;
        if (!right && !lower) on = (x & 1) != 0;
        if (right && !lower) on = (y & 1) != 0;
        if (!right && lower) on = ((x ^ y) & 1) != 0;
        if (right && lower) on = (((x >> 1) ^ (y >> 1)) & 1) != 0;
        const std::int32_t v = on ? 235 : 20;
        return {v, v, v};
    }
    if (y < yRamps) {
        const std::int32_t v = Scale(x, 0, w, 256);
        switch (Scale(y, yMid, yRamps, 3)) {
            case 0: return {v, 0, 0};
            case 1: return {0, v, 0};
            default: return {0, 0, v};
        }
    }
    if (y < yGrey) {
        const std::int32_t v = Scale(x, 0, w, 256);
        return {v, v, v};
    }
    const std::int32_t v = Scale(x, 0, w, 16) * 17;
    return {v, v, v};
}

}  // namespace

Image MakeTestCard(std::int32_t width, std::int32_t height) {
    Image img;
    if (width < 1 || height < 1) return img;
    img.width = width;
    img.height = height;
    img.pixels.assign(4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const Rgb c = CardPixel(x, y, width, height);
            std::uint8_t* p = img.PictureAt(x, y);
            p[0] = static_cast<std::uint8_t>(c.b);
            p[1] = static_cast<std::uint8_t>(c.g);
            p[2] = static_cast<std::uint8_t>(c.r);
            p[3] = 0;
        }
    }
    return img;
}

}  // namespace vtx::cli
