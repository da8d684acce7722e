// The filter methods: each picks its primitive and border by Type and runs
// one of the two filter frames; FilterCanny has a sequence of its own.
#include "filters/filters.h"

#include <cfloat>

#include "filters/filter_frames.h"
#include "primitives/edge.h"
#include "primitives/linear_filter.h"
#include "primitives/pixel.h"
#include "session/frame.h"
#include "session/work_memory.h"

namespace vtx {

namespace {

using px::RoiSize;
using px::Status;
using U8 = std::uint8_t;

// Adapters from the fixed-kernel primitives to the colour frame's call.
template <Status (*Fn)(const U8*, std::int32_t, U8*, std::int32_t, RoiSize)>
Status Fixed(const U8* src, std::int32_t srcStep, U8* dst, std::int32_t dstStep, RoiSize size, std::int32_t) {
    return Fn(src, srcStep, dst, dstStep, size);
}

Status Box(const U8* src, std::int32_t srcStep, U8* dst, std::int32_t dstStep, RoiSize size, std::int32_t radius) {
    return px::FilterBox_8u_AC4R(src, srcStep, dst, dstStep, size, RoiSize{2 * radius + 1, 2 * radius + 1},
                                 px::RoiPoint{radius, radius});
}

template <Status (*Fn)(const U8*, std::int32_t, std::int16_t*, std::int32_t, RoiSize)>
Status FixedGradient(const U8* src, std::int32_t srcStep, std::int16_t* dst, std::int32_t dstStep, RoiSize size,
                     std::int32_t) {
    return Fn(src, srcStep, dst, dstStep, size);
}

// The frame for a two-way choice by Type (0 or 1): each way's filter and
// border; any other Type is invalid.
std::int32_t ColourByType(ImageSession& s, double c, std::int32_t type, const ColourFilter (&filters)[2],
                          const std::int32_t (&borders)[2]) {
    const bool valid = type == 0 || type == 1;
    return RunColourFrame(s, c, valid ? borders[type] : 0, valid ? &filters[type] : nullptr);
}

// A double threshold as the single-precision value the detector takes;
// beyond the float range it becomes the infinity of its sign.
float ToFloat(double v) {
    if (v > FLT_MAX) return FLT_MAX * 2.0f;
    if (v < -FLT_MAX) return -FLT_MAX * 2.0f;
    return static_cast<float>(v);
}

}  // namespace

std::int32_t FilterPrewitt(ImageSession& s, double Completeness, std::int32_t Type) {
    static constexpr ColourFilter kFilters[2] = {{Fixed<px::FilterPrewittHoriz_8u_AC4R>, 0},
                                                 {Fixed<px::FilterPrewittVert_8u_AC4R>, 0}};
    return ColourByType(s, Completeness, Type, kFilters, {1, 1});
}

std::int32_t FilterSobelExt(ImageSession& s, double Completeness, std::int32_t Type) {
    static constexpr ColourFilter kFilters[2] = {{Fixed<px::FilterSobelHoriz_8u_AC4R>, 0},
                                                 {Fixed<px::FilterSobelVert_8u_AC4R>, 0}};
    return ColourByType(s, Completeness, Type, kFilters, {1, 1});
}

std::int32_t FilterRoberts(ImageSession& s, double Completeness, std::int32_t Type) {
    static constexpr ColourFilter kFilters[2] = {{Fixed<px::FilterRobertsUp_8u_AC4R>, 0},
                                                 {Fixed<px::FilterRobertsDown_8u_AC4R>, 0}};
    return ColourByType(s, Completeness, Type, kFilters, {1, 1});
}

std::int32_t FilterLaplace(ImageSession& s, double Completeness, std::int32_t Type) {
    static constexpr ColourFilter kFilters[2] = {{px::FilterLaplace_8u_AC4R, px::kMask3x3},
                                                 {px::FilterLaplace_8u_AC4R, px::kMask5x5}};
    return ColourByType(s, Completeness, Type, kFilters, {1, 2});
}

std::int32_t FilterHipass(ImageSession& s, double Completeness, std::int32_t Type) {
    static constexpr ColourFilter kFilters[2] = {{px::FilterHipass_8u_AC4R, px::kMask3x3},
                                                 {px::FilterHipass_8u_AC4R, px::kMask5x5}};
    return ColourByType(s, Completeness, Type, kFilters, {1, 2});
}

std::int32_t FilterLowpass(ImageSession& s, double Completeness, std::int32_t Type) {
    static constexpr ColourFilter kFilters[2] = {{px::FilterLowpass_8u_AC4R, px::kMask3x3},
                                                 {px::FilterLowpass_8u_AC4R, px::kMask5x5}};
    return ColourByType(s, Completeness, Type, kFilters, {1, 2});
}

// A negative Size has no window: the method refuses it like a buffer that
// cannot be had (result 1, image unchanged). Size 0 asks the box primitive
// for a 1 x 1 mask, which it refuses, so the image is composed with itself:
// unchanged at Completeness 0.999 and above, otherwise possibly one lower in
// some bytes, since the over composition rounds each of its terms down.
// Windows whose bordered copy cannot be held are refused by the frame.
std::int32_t FilterBlur(ImageSession& s, double Completeness, std::int32_t Size) {
    if (Size < 0) return RunColourFrame(s, Completeness, 0, nullptr);
    const ColourFilter filter{Box, Size};
    return RunColourFrame(s, Completeness, Size, &filter);
}

std::int32_t FilterScharr(ImageSession& s, double Completeness, std::int32_t Type) {
    static constexpr GradientFilter kFilters[2] = {{FixedGradient<px::FilterScharrHoriz_8u16s_C1R>, 0},
                                                   {FixedGradient<px::FilterScharrVert_8u16s_C1R>, 0}};
    const bool valid = Type == 0 || Type == 1;
    return RunBlueChannelFrame(s, Completeness, 1, valid ? &kFilters[Type] : nullptr);
}

// Type / 2 picks the derivative, the parity of Type the mask (even 3 x 3,
// odd 5 x 5).
std::int32_t FilterSobel(ImageSession& s, double Completeness, std::int32_t Type) {
    using Fn = Status (*)(const U8*, std::int32_t, std::int16_t*, std::int32_t, RoiSize, std::int32_t);
    static constexpr Fn kDerivatives[5] = {px::FilterSobelHoriz_8u16s_C1R, px::FilterSobelVert_8u16s_C1R,
                                           px::FilterSobelCross_8u16s_C1R, px::FilterSobelHorizSecond_8u16s_C1R,
                                           px::FilterSobelVertSecond_8u16s_C1R};
    if (Type < 0 || Type > 9) return RunBlueChannelFrame(s, Completeness, 1, nullptr);
    const bool fiveByFive = (Type % 2) == 1;
    const GradientFilter filter{kDerivatives[Type / 2], fiveByFive ? px::kMask5x5 : px::kMask3x3};
    return RunBlueChannelFrame(s, Completeness, fiveByFive ? 2 : 1, &filter);
}

std::int32_t FilterCanny(ImageSession& s, double Completeness, double LowThresh, double HighThresh) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    if (c < 0.001) return 1;
    const std::int32_t w = s.width(), h = s.height();
    const RoiSize roi = ImageRoi(s);
    CallMemory memory(s);
    U8* grey = memory.Allocate(std::int64_t{w} * h);
    auto* dx = reinterpret_cast<std::int16_t*>(memory.Allocate(std::int64_t{2} * w * h));
    auto* dy = reinterpret_cast<std::int16_t*>(memory.Allocate(std::int64_t{2} * w * h));
    // The detector's buffer at the size it touches rather than the size the
    // query reports: the call then holds about 9 bytes a pixel (grey image,
    // derivatives, tracing stack), within three frames.
    U8* buffer = memory.Allocate(px::CannyWorkBytes(roi));
    if (grey == nullptr || dx == nullptr || dy == nullptr) return 1;
    if (buffer == nullptr) return 1;
    px::Copy_8u_C4C1R(s.pixels(), s.stride(), grey, w, roi);
    px::Sobel3x3_Dx_8u16s_C1R(grey, w, dx, 2 * w, roi);
    px::Sobel3x3_Dy_8u16s_C1R(grey, w, dy, 2 * w, 0, roi);
    px::Canny_16s8u_C1R(dx, 2 * w, dy, 2 * w, grey, w, roi, ToFloat(LowThresh), ToFloat(HighThresh), buffer);
    memory.Release(buffer);
    memory.Release(dx);
    memory.Release(dy);
    return WriteGreyResult(s, memory, grey, c) ? 0 : 1;
}

}  // namespace vtx
