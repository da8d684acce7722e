// Edge detection primitives on grey images: 3 x 3 Sobel derivatives that
// replicate the image's own border, the working-buffer size query and the
// Canny detector (magnitude, non-maximum suppression, hysteresis).
#pragma once

#include <cstdint>

#include "primitives/conventions.h"

namespace vtx::px {

// dx = d(y−1) + 2·d(y) + d(y+1), d(y) = P(x+1, y) − P(x−1, y), coordinates
// clamped into the image. Destination step in bytes, even.
Status Sobel3x3_Dx_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                             std::int32_t dstStep, RoiSize size);
// dy = s(y+1) − s(y−1), s(y) = P(x−1, y) + 2·P(x, y) + P(x+1, y), clamped.
// borderFlag 0 or 1.
Status Sobel3x3_Dy_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                             std::int32_t dstStep, std::int32_t borderFlag, RoiSize size);

// Bytes of the detector's working buffer for an image of `size`.
Status CannyGetSize(RoiSize size, std::int32_t* bufferSize);

// The bytes of the working buffer the detector actually touches, at most
// the size CannyGetSize reports (about 4 bytes a pixel against 12): callers
// that must keep their memory low may pass a buffer of this size. -1 for the
// sizes CannyGetSize refuses.
std::int64_t CannyWorkBytes(RoiSize size);

// Edge map (255 on edges, 0 elsewhere) from the two derivatives.
Status Canny_16s8u_C1R(const std::int16_t* dx, std::int32_t dxStep, const std::int16_t* dy,
                       std::int32_t dyStep, std::uint8_t* dst, std::int32_t dstStep, RoiSize size,
                       float lowThreshold, float highThreshold, std::uint8_t* buffer);

}  // namespace vtx::px
