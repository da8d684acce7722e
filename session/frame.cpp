#include "session/frame.h"

#include "primitives/pixel.h"

namespace vtx {

bool ApplyChannelTables(ImageSession& s, const std::uint8_t* tableRed, const std::uint8_t* tableGreen,
                        const std::uint8_t* tableBlue) {
    if (tableRed == nullptr || tableGreen == nullptr || tableBlue == nullptr) return false;
    if (!s.HasImage()) return false;
    const std::uint8_t* const tables[3] = {tableBlue, tableGreen, tableRed};
    px::MapChannels_8u_AC4IR(tables, s.pixels(), s.stride(), px::RoiSize{s.width(), s.height()}, s.useMask() ? 1 : 0);
    return true;
}

bool ApplyChannelTable(ImageSession& s, const std::uint8_t* table) {
    return ApplyChannelTables(s, table, table, table);
}

void BlendWithOriginal(ImageSession& s, const std::uint8_t* original, std::int32_t originalStep,
                       const std::uint8_t* processed, std::int32_t processedStep, double c) {
    const std::uint8_t alpha1 = static_cast<std::uint8_t>(px::TruncToInt32(255.0 * (1.0 - ClampCompleteness(c))));
    px::AlphaCompC_8u_AC4R(original, originalStep, alpha1, processed, processedStep, 255, s.pixels(), s.stride(),
                           ImageRoi(s), 0);
}

}  // namespace vtx
