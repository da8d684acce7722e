// The operation frame: the helpers every operation runs with.
//
// An operation is a free function over an ImageSession plus the member's own
// arguments, returning the member's result code: an optional no-change test,
// then the image check (1 when there is no usable image), the clamping of
// Completeness and of its other arguments, its work, and 0.
#pragma once

#include <cstdint>

#include "primitives/conventions.h"
#include "session/image_session.h"

namespace vtx {

// Completeness clamped to [0, 1]. A NaN acts as 0: the operation then leaves
// the image as it was (or, where it converts colour spaces, as the round trip
// leaves it).
inline double ClampCompleteness(double x) {
    if (!(x == x)) return 0.0;
    if (x < 0.0) return 0.0;
    if (x > 1.0) return 1.0;
    return x;
}

// Colour value: below 0 gives 0, above 255 gives 255, otherwise truncated
// toward zero; NaN gives 0.
inline std::uint8_t ClampByte(double x) {
    if (!(x == x) || x < 0.0) return 0;
    if (x > 255.0) return 255;
    return static_cast<std::uint8_t>(x);
}

// Clamp of an integer argument to [lo, hi].
inline std::int32_t ClampInt(std::int32_t v, std::int32_t lo, std::int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Clamp of a double argument to [lo, hi]; NaN stays NaN so that each
// operation decides what it gives (they all end in px::TruncToInt32 or
// ClampByte, which map NaN to 0).
inline double ClampDouble(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Table blend of a full-strength entry f with the identity: trunc(C·f + (1−C)·i).
inline std::uint8_t BlendEntry(double f, std::int32_t i, double c) {
    return static_cast<std::uint8_t>(px::TruncToInt32(c * f + (1.0 - c) * i));
}

// Region of the session's whole image, as the primitives take it.
inline px::RoiSize ImageRoi(const ImageSession& s) { return px::RoiSize{s.regionWidth(), s.regionHeight()}; }

// Maps blue, green and red of every pixel through one table; with UseMask set
// a pixel takes part only if its alpha byte is 0. Alpha never changes. False
// (and nothing changed) when the table is null or there is no image.
bool ApplyChannelTable(ImageSession& s, const std::uint8_t* table);
// The same with one table per channel: blue = tableBlue[blue], ...
bool ApplyChannelTables(ImageSession& s, const std::uint8_t* tableRed, const std::uint8_t* tableGreen,
                        const std::uint8_t* tableBlue);

// Composes the processed image P over the unchanged image O into the
// session's pixels: px::AlphaCompC_8u_AC4R with source 1 = O at alpha
// trunc(255·(1−C)), source 2 = P at alpha 255. C = 0 gives O, C = 1 gives P;
// the destination's alpha bytes keep their values. P may be the session's
// pixels.
void BlendWithOriginal(ImageSession& s, const std::uint8_t* original, std::int32_t originalStep,
                       const std::uint8_t* processed, std::int32_t processedStep, double c);

}  // namespace vtx
