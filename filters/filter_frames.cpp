#include "filters/filter_frames.h"

#include "primitives/pixel.h"
#include "session/frame.h"
#include "session/work_memory.h"

namespace vtx {

std::int32_t RunColourFrame(ImageSession& s, double Completeness, std::int32_t border, const ColourFilter* filter) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    if (c < 0.001) return 0;
    if (filter == nullptr || border < 0) return 1;
    const std::int32_t w = s.width(), h = s.height();
    CallMemory memory(s);
    std::uint8_t* work = memory.Allocate(BorderedBytes(w, h, border, border, 4));
    if (work == nullptr) return 1;
    const std::int32_t workStep = 4 * (w + 2 * border);
    const px::RoiSize roi = ImageRoi(s);
    px::CopyReplicateBorder_8u_AC4R(s.pixels(), s.stride(), roi, work, workStep,
                                    px::RoiSize{w + 2 * border, h + 2 * border}, border, border);
    const std::uint8_t* inner = work + static_cast<std::int64_t>(border) * (workStep + 4);
    filter->fn(inner, workStep, s.pixels(), s.stride(), roi, filter->arg);
    if (c < 0.999) {
        const auto alpha1 = static_cast<std::uint8_t>(px::TruncToInt32(255.0 * (1.0 - c)));
        px::AlphaCompC_8u_AC4R(inner, workStep, alpha1, s.pixels(), s.stride(), 255, s.pixels(), s.stride(), roi, 0);
    }
    return 0;
}

bool WriteGreyResult(ImageSession& s, CallMemory& memory, const std::uint8_t* grey, double c) {
    const px::RoiSize roi = ImageRoi(s);
    const std::int32_t greyStep = s.width();
    if (c > 0.999) {
        for (int ch = 0; ch < 3; ++ch) px::Copy_8u_C1C4R(grey, greyStep, s.pixels() + ch, s.stride(), roi);
        return true;
    }
    std::uint8_t* colour = memory.Allocate(s.byteSize());
    if (colour == nullptr) return false;
    for (int ch = 0; ch < 3; ++ch) px::Copy_8u_C1C4R(grey, greyStep, colour + ch, s.stride(), roi);
    const auto alpha1 = static_cast<std::uint8_t>(px::TruncToInt32(255.0 * c));
    px::AlphaCompC_8u_AC4R(colour, s.stride(), alpha1, s.pixels(), s.stride(), 255, s.pixels(), s.stride(), roi, 0);
    memory.Release(colour);
    return true;
}

std::int32_t RunBlueChannelFrame(ImageSession& s, double Completeness, std::int32_t border,
                                 const GradientFilter* filter) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    if (c < 0.001) return 0;
    if (filter == nullptr) return 1;
    const std::int32_t w = s.width(), h = s.height();
    CallMemory memory(s);
    std::uint8_t* grey = memory.Allocate(BorderedBytes(w, h, border, border, 1));
    if (grey == nullptr) return 1;
    const std::int32_t greyStep = w + 2 * border;
    std::uint8_t* inner = grey + static_cast<std::int64_t>(border) * (greyStep + 1);
    const px::RoiSize roi = ImageRoi(s);
    px::Copy_8u_C4C1R(s.pixels(), s.stride(), inner, greyStep, roi);
    px::CopyReplicateBorder_8u_C1R(inner, greyStep, roi, grey, greyStep, px::RoiSize{greyStep, h + 2 * border},
                                   border, border);
    auto* gradient = reinterpret_cast<std::int16_t*>(memory.Allocate(std::int64_t{2} * w * h));
    if (gradient == nullptr) return 1;
    filter->fn(inner, greyStep, gradient, 2 * w, roi, filter->mask);
    // The saturated gradient goes to the start of the grey buffer, packed.
    px::Convert_16s8u_C1R(gradient, 2 * w, grey, w, roi);
    memory.Release(gradient);
    return WriteGreyResult(s, memory, grey, c) ? 0 : 1;
}

}  // namespace vtx
