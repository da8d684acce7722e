// Geometric primitives: in-place mirror, scaling about the origin or a
// centre, rotation about a centre, quadrangle warps and remapping through
// coordinate maps.
//
// All but the mirror map backwards: for each destination pixel the source
// position is computed, and the pixel is written only when that position
// lies inside the source rectangle; otherwise it keeps its value (callers
// pre-fill a background). Sources are given by the image origin (pixel
// (0, 0), not the rectangle's), the image size and step, and a rectangle
// inside the image; only the rectangle's pixels are read. AC4: bytes 0, 1
// and 2 of a destination pixel are written, byte 3 never.
#pragma once

#include <cstdint>

#include "primitives/conventions.h"

namespace vtx::px {

struct RoiRect {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

// Interpolation codes.
enum : std::int32_t {
    kInterNearest = 1,
    kInterLinear = 2,
    kInterCubic = 4,
};

// Mirror axes.
enum : std::int32_t {
    kAxisHorizontal = 0,  // rows reversed (upside down)
    kAxisVertical = 1,    // columns reversed (left-right)
    kAxisBoth = 2,        // both: a half turn
};

Status Mirror_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, std::int32_t axis);

Status Resize_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                      std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, double xFactor, double yFactor,
                      std::int32_t interpolation);

Status ResizeCenter_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                            std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, double xFactor,
                            double yFactor, double xCenter, double yCenter, std::int32_t interpolation);

// Images of the rectangle's corners (x0, y0), (x1, y0), (x1, y1), (x0, y1)
// under the rotation by `angle` degrees followed by the shifts.
Status GetRotateQuad(RoiRect rect, double quad[4][2], double angle, double xShift, double yShift);

// See the warps below for dst and dstRoi.
Status RotateCenter_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                            std::uint8_t* dst, std::int32_t dstStep, RoiRect dstRoi, double angle, double xCenter,
                            double yCenter, std::int32_t interpolation);

// For the rotation and the warps, dst points at the destination image's
// origin and dstRoi selects the part that may be written.
Status WarpAffineQuad_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                              const double srcQuad[4][2], std::uint8_t* dst, std::int32_t dstStep, RoiRect dstRoi,
                              const double dstQuad[4][2], std::int32_t interpolation);
Status WarpPerspectiveQuad_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep,
                                   RoiRect srcRoi, const double srcQuad[4][2], std::uint8_t* dst,
                                   std::int32_t dstStep, RoiRect dstRoi, const double dstQuad[4][2],
                                   std::int32_t interpolation);

// Map values are absolute source coordinates (single precision), one map
// for x and one for y, each with its own step in bytes.
Status Remap_8u_AC4R(const std::uint8_t* src, RoiSize srcSize, std::int32_t srcStep, RoiRect srcRoi,
                     const float* xMap, std::int32_t xMapStep, const float* yMap, std::int32_t yMapStep,
                     std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize, std::int32_t interpolation);

}  // namespace vtx::px
