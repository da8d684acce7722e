#include "session/frame.h"

#include <cstring>

#include "primitives/pixel.h"

namespace vtx {

namespace {

// Rewrites bytes 0..2 of every pixel through the three tables; with the mask,
// pixels whose alpha is not 0 are skipped.
template <bool kMasked>
void MapPixels(std::uint8_t* p, std::int64_t count, const std::uint8_t* t0, const std::uint8_t* t1,
               const std::uint8_t* t2) {
    for (std::int64_t i = 0; i < count; ++i, p += 4) {
        if (kMasked && p[3] != 0) continue;
        const std::uint8_t b0 = t0[p[0]], b1 = t1[p[1]], b2 = t2[p[2]];
        p[0] = b0;
        p[1] = b1;
        p[2] = b2;
    }
}

}  // namespace

bool ApplyChannelTables(ImageSession& s, const std::uint8_t* tableRed, const std::uint8_t* tableGreen,
                        const std::uint8_t* tableBlue) {
    if (tableRed == nullptr || tableGreen == nullptr || tableBlue == nullptr) return false;
    if (!s.HasImage()) return false;
    const std::int64_t count = s.byteSize() / 4;
    if (s.useMask()) {
        MapPixels<true>(s.pixels(), count, tableBlue, tableGreen, tableRed);
    } else {
        MapPixels<false>(s.pixels(), count, tableBlue, tableGreen, tableRed);
    }
    return true;
}

bool ApplyChannelTable(ImageSession& s, const std::uint8_t* table) {
    return ApplyChannelTables(s, table, table, table);
}

void BlendWithOriginal(ImageSession& s, const std::uint8_t* original, std::int32_t originalStep,
                       const std::uint8_t* processed, std::int32_t processedStep, double c) {
    const std::uint8_t alpha1 = static_cast<std::uint8_t>(TruncToInt32(255.0 * (1.0 - ClampCompleteness(c))));
    ippiAlphaCompC_8u_AC4R(original, originalStep, alpha1, processed, processedStep, 255, s.pixels(), s.stride(),
                           ImageRoi(s), 0);
}

}  // namespace vtx
