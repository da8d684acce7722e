// The two frames every filter method runs in.
//
// Colour frame: blue, green and red are filtered each on its own by a
// four-channel primitive from a copy of the image with replicated borders,
// then composed with the unfiltered copy by Completeness.
//
// Blue-channel frame: the blue bytes alone are filtered into a signed 16-bit
// gradient, saturated to 0..255 and written back as grey into blue, green and
// red (composed over the image by Completeness below 0.999).
#pragma once

#include <cstdint>

#include "primitives/conventions.h"
#include "session/image_session.h"

namespace vtx {

// One four-channel filter call: bordered source (pointer at the inner
// rectangle) into the image.
struct ColourFilter {
    px::Status (*fn)(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst, std::int32_t dstStep,
                     px::RoiSize size, std::int32_t arg);
    std::int32_t arg;  // mask code, or the box radius for the box filter
};

// One grey-to-gradient filter call.
struct GradientFilter {
    px::Status (*fn)(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst, std::int32_t dstStep,
                     px::RoiSize size, std::int32_t mask);
    std::int32_t mask;
};

// Both take the method's Completeness unclamped; `filter` null means the
// method's Type is invalid. The border width is at least 0 (the callers
// refuse negative ones). Return the method's result code.
std::int32_t RunColourFrame(ImageSession& s, double Completeness, std::int32_t border, const ColourFilter* filter);
std::int32_t RunBlueChannelFrame(ImageSession& s, double Completeness, std::int32_t border,
                                 const GradientFilter* filter);

// The grey result (W x H bytes, step W) into blue, green and red of the
// image: copied for c above 0.999, otherwise composed over the image at
// opacity trunc(255·c) through a grey colour image. False when that image
// cannot be had (nothing written).
class CallMemory;
bool WriteGreyResult(ImageSession& s, CallMemory& memory, const std::uint8_t* grey, double c);

}  // namespace vtx
