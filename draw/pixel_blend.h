// Pieces shared by the drawing members with pixel code of their own: the
// colour argument's channels and the blend of a colour over a byte.
#pragma once

#include <cstdint>

#include "primitives/conventions.h"

namespace vtx::draw {

// Blue, green and red of a colour argument (red in bits 0-7, green 8-15,
// blue 16-23; the top byte is ignored), in pixel byte order.
struct Bgr {
    std::int32_t c[3];
};
inline Bgr ColourChannels(std::int32_t color) {
    const auto u = static_cast<std::uint32_t>(color);
    return Bgr{{static_cast<std::int32_t>((u >> 16) & 255u), static_cast<std::int32_t>((u >> 8) & 255u),
                static_cast<std::int32_t>(u & 255u)}};
}

// A double result stored into a colour byte: truncated toward zero, and a
// value outside 0 ... 255 (an opacity outside 0 ... 1) keeps its low 8 bits.
inline std::uint8_t TruncByte(double v) { return static_cast<std::uint8_t>(px::TruncToInt32(v)); }

// The colour laid over a byte at opacity a, per channel: table[ch][v] =
// trunc(v·(1 − a) + colour[ch]·a). Every byte value's result is computed
// once, exactly as the per-pixel expression gives it.
struct BlendTables {
    std::uint8_t t[3][256];
    BlendTables(double a, std::int32_t color) {
        const double k = 1.0 - a;
        const Bgr bgr = ColourChannels(color);
        for (int ch = 0; ch < 3; ++ch) {
            const double term = a * bgr.c[ch];
            for (int v = 0; v < 256; ++v) t[ch][v] = TruncByte(v * k + term);
        }
    }
    void Apply(std::uint8_t* dst, const std::uint8_t* src) const {
        dst[0] = t[0][src[0]];
        dst[1] = t[1][src[1]];
        dst[2] = t[2][src[2]];
    }
};

// 1/255 as the opacity arithmetic writes it.
constexpr double kInv255 = 0.00392156862745098;

}  // namespace vtx::draw
