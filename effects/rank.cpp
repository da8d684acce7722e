// Rank effects: minimum, maximum and median of a neighbourhood, channel by
// channel, composed with the unfiltered image by Completeness. The rank
// filtering is the rank primitives' work over a bordered copy of the image.
#include <cstdint>

#include "effects/effects.h"
#include "primitives/conventions.h"
#include "primitives/linear_filter.h"
#include "primitives/pixel.h"
#include "primitives/rank_noise.h"
#include "session/frame.h"
#include "session/work_memory.h"

namespace vtx {

namespace {

// Composes the unfiltered image (the working image's inner rectangle) at
// opacity trunc(255·(1−c)) over the filtered image, which the filter wrote
// into the session's pixels. The composition reads each pixel before writing
// it, so the pixels serve as second source and destination at once.
void ComposeWithUnfiltered(ImageSession& s, const std::uint8_t* unfiltered, std::int32_t unfilteredStep, double c) {
    const auto alpha1 = static_cast<std::uint8_t>(px::TruncToInt32(255.0 * (1.0 - c)));
    px::AlphaCompC_8u_AC4R(unfiltered, unfilteredStep, alpha1, s.pixels(), s.stride(), 255, s.pixels(), s.stride(),
                           ImageRoi(s), 0);
}

// Minimal (border value 255, minimum filter) and maximal (0, maximum). The
// filter writes straight into the image and the composition then reads it
// as its second source: the bytes of filtering into a separate result image,
// one frame less memory.
std::int32_t RankMinMax(ImageSession& s, double Completeness, std::int32_t Size, bool minimum) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t r = ClampInt(Size, 1, 255);
    const std::int32_t w = s.width(), h = s.height();
    CallMemory memory(s);
    std::uint8_t* work = memory.Allocate(BorderedBytes(w, h, r, r, 4));
    if (work == nullptr) return 0;
    const std::int32_t workStep = 4 * (w + 2 * r);
    const std::uint8_t border = minimum ? 255 : 0;
    const std::uint8_t value[3] = {border, border, border};
    px::CopyConstBorder_8u_AC4R(s.pixels(), s.stride(), ImageRoi(s), work, workStep,
                                px::RoiSize{w + 2 * r, h + 2 * r}, r, r, value);
    const std::uint8_t* inner = work + static_cast<std::int64_t>(r) * (workStep + 4);
    const px::RoiSize mask{2 * r + 1, 2 * r + 1};
    if (minimum) {
        px::FilterMin_8u_AC4R(inner, workStep, s.pixels(), s.stride(), ImageRoi(s), mask, px::RoiPoint{r, r});
    } else {
        px::FilterMax_8u_AC4R(inner, workStep, s.pixels(), s.stride(), ImageRoi(s), mask, px::RoiPoint{r, r});
    }
    ComposeWithUnfiltered(s, inner, workStep, c);
    return 0;
}

}  // namespace

std::int32_t EffectMinimal(ImageSession& s, double Completeness, std::int32_t Size) {
    return RankMinMax(s, Completeness, Size, true);
}

std::int32_t EffectMaximal(ImageSession& s, double Completeness, std::int32_t Size) {
    return RankMinMax(s, Completeness, Size, false);
}

std::int32_t EffectMedian(ImageSession& s, double Completeness, std::int32_t MedianType) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // Below -5 there is no neighbourhood: nothing to do.
    if (MedianType < -5) return 0;
    struct Shape {
        std::int32_t code, top, left;
    };
    // MedianType -5 .. 0: the shaped medians and their borders.
    static constexpr Shape kShapes[6] = {{px::kMask3x1, 0, 1}, {px::kMask5x1, 0, 2}, {px::kMask1x3, 1, 0},
                                         {px::kMask1x5, 2, 0}, {px::kMask3x3, 1, 1}, {px::kMask5x5, 2, 2}};
    const Shape shape = MedianType <= 0 ? kShapes[MedianType + 5] : Shape{0, MedianType, MedianType};
    const std::int32_t w = s.width(), h = s.height();
    // A square mask's side 2m+1 must be representable along with the
    // bordered image; otherwise (or when the memory cannot be had) the image
    // stays as it was.
    const std::int64_t bytes = BorderedBytes(w, h, shape.left, shape.top, 4);
    CallMemory memory(s);
    std::uint8_t* work = memory.Allocate(bytes);
    if (work == nullptr) return 0;
    const std::int32_t workWidth = w + 2 * shape.left;
    const std::int32_t workStep = 4 * workWidth;
    px::CopyReplicateBorder_8u_AC4R(s.pixels(), s.stride(), ImageRoi(s), work, workStep,
                                    px::RoiSize{workWidth, h + 2 * shape.top}, shape.top, shape.left);
    const std::uint8_t* inner = work + static_cast<std::int64_t>(shape.top) * workStep + 4 * shape.left;
    const px::RoiSize roi = ImageRoi(s);
    switch (MedianType) {
        case -5:
        case -4: px::FilterMedianHoriz_8u_AC4R(inner, workStep, s.pixels(), s.stride(), roi, shape.code); break;
        case -3:
        case -2: px::FilterMedianVert_8u_AC4R(inner, workStep, s.pixels(), s.stride(), roi, shape.code); break;
        case -1:
        case 0: px::FilterMedianCross_8u_AC4R(inner, workStep, s.pixels(), s.stride(), roi, shape.code); break;
        default:
            px::FilterMedian_8u_AC4R(inner, workStep, s.pixels(), s.stride(), roi,
                                     px::RoiSize{2 * MedianType + 1, 2 * MedianType + 1},
                                     px::RoiPoint{MedianType, MedianType});
    }
    ComposeWithUnfiltered(s, inner, workStep, c);
    return 0;
}

}  // namespace vtx
