// An image as vtx holds it between files and the session: W x H pixels of
// bytes B, G, R, A, stride 4·W, row 0 the bottom line of the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vtx::cli {

struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;  // 4·width·height bytes

    std::uint8_t* data() { return pixels.empty() ? nullptr : pixels.data(); }
    const std::uint8_t* data() const { return pixels.empty() ? nullptr : pixels.data(); }

    // Pixel (x, y) in picture coordinates: y = 0 is the top line.
    std::uint8_t* PictureAt(std::int32_t x, std::int32_t y) {
        return pixels.data() + 4 * (static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) +
                                    static_cast<std::size_t>(x));
    }
    const std::uint8_t* PictureAt(std::int32_t x, std::int32_t y) const {
        return const_cast<Image*>(this)->PictureAt(x, y);
    }
};

}  // namespace vtx::cli
