// The colour the surface-drawn members draw with: ARGB from a colour argument
// (red in bits 0-7, green 8-15, blue 16-23) and an alpha value of which only
// the low 8 bits count.
#pragma once

#include <cstdint>

namespace vtx::draw {

// The low 8 bits of trunc(x), for |x| below 2^62 (the members' alphas are
// at most 4 · 2^31 in size).
inline std::uint32_t LowByteOfTrunc(double x) {
    if (!(x == x)) return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(x)) & 0xFFu);
}

inline std::uint32_t DrawingColour(std::int32_t color, std::uint32_t alpha) {
    const auto c = static_cast<std::uint32_t>(color);
    return (alpha & 0xFFu) << 24 | (c & 0xFFu) << 16 | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

}  // namespace vtx::draw
