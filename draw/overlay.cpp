// DrawImage: a host's second image blended into the session's image at a
// constant opacity, with an optional colour key. Pixel code of its own;
// alpha bytes are neither read nor written.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "draw/draw.h"
#include "draw/pixel_blend.h"
#include "session/frame.h"

namespace vtx {

std::int32_t DrawImage(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                       const ImageView* Image, std::int32_t Color, std::int32_t Alpha) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // The last step of the array check: data, and at least 2 x 2 pixels.
    if (Image == nullptr || Image->data == nullptr || Image->width < 2 || Image->height < 2) return 1;
    const std::int32_t w = s.width(), h = s.height(), ow = Image->width, oh = Image->height;
    const double a = c * Alpha * draw::kInv255;
    const double k = 1.0 - a;
    // The two products of every byte value, as the per-pixel sum takes them.
    double over[256], under[256];
    for (int v = 0; v < 256; ++v) {
        over[v] = v * a;
        under[v] = v * k;
    }
    const bool keyed = Color >= 0;
    const draw::Bgr key = draw::ColourChannels(Color);

    // Overlay pixel (i, j) lands on column Left + i of buffer row
    // H − oh − Top + j; the ranges of i and j that land inside the image.
    const std::int64_t dx = Left, dy = std::int64_t{h} - oh - Top;
    const std::int64_t i0 = std::max<std::int64_t>(0, -dx), i1 = std::min<std::int64_t>(ow, w - dx);
    const std::int64_t j0 = std::max<std::int64_t>(0, -dy), j1 = std::min<std::int64_t>(oh, h - dy);
    if (i0 >= i1) return 0;
    // Pixel by pixel in overlay order, each read just before it is written,
    // so that an overlay sharing the image's memory gives the same bytes.
    for (std::int64_t j = j0; j < j1; ++j) {
        const std::uint8_t* o = Image->data + 4 * static_cast<std::size_t>(j * ow + i0);
        std::uint8_t* p = s.pixels() + 4 * static_cast<std::size_t>((dy + j) * w + dx + i0);
        for (std::int64_t i = i0; i < i1; ++i, o += 4, p += 4) {
            if (keyed && o[0] == key.c[0] && o[1] == key.c[1] && o[2] == key.c[2]) continue;
            const std::uint8_t b = draw::TruncByte(over[o[0]] + under[p[0]]);
            const std::uint8_t g = draw::TruncByte(over[o[1]] + under[p[1]]);
            const std::uint8_t r = draw::TruncByte(over[o[2]] + under[p[2]]);
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
    return 0;
}

}  // namespace vtx
