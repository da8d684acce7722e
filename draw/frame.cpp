#include "draw/frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vtx::draw {

void ReverseRows(ImageSession& s) {
    const std::size_t rowBytes = static_cast<std::size_t>(s.width()) * 4;
    std::uint8_t* top = s.pixels();
    std::uint8_t* bottom = s.pixels() + static_cast<std::size_t>(s.height() - 1) * rowBytes;
    for (std::int32_t i = 0; i < s.height() / 2; ++i, top += rowBytes, bottom -= rowBytes) {
        std::swap_ranges(top, top + rowBytes, bottom);
    }
}

void ClearAlpha(ImageSession& s) {
    std::uint8_t* p = s.pixels();
    const std::size_t pixels = static_cast<std::size_t>(s.width()) * static_cast<std::size_t>(s.height());
    for (std::size_t i = 0; i < pixels; ++i) p[i * 4 + 3] = 0;
}

}  // namespace vtx::draw
