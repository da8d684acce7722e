// Linear filter primitives: float and integer convolutions, box means and the
// fixed gradient, Laplacian, high-pass and low-pass kernels.
//
// None of them looks at borders: every source pixel a neighbourhood touches
// must exist, so callers pass a source pointer inside a larger (bordered)
// buffer. P(dx, dy) below is the source sample of the same channel at
// (x + dx, y + dy) relative to the source region's origin; rows grow
// downwards in memory order. AC4 forms filter bytes 0, 1 and 2 and leave byte
// 3 of the destination alone. Argument checks as in pixel.h (pointers, size,
// steps, then the primitive's own); on an error nothing is written.
#pragma once

#include <cstdint>

#include "primitives/conventions.h"

namespace vtx::px {

// Mask-size codes: the mask's width digit followed by its height digit.
enum : std::int32_t {
    kMask1x3 = 13,
    kMask1x5 = 15,
    kMask3x1 = 31,
    kMask5x1 = 51,
    kMask3x3 = 33,
    kMask5x5 = 55,
};

// True convolution with a kw x kh single-precision kernel stored row after
// row; the neighbourhood is columns x+ax-kw+1 .. x+ax, rows y+ay-kh+1 .. y+ay.
// Sums in double precision; positive sums round half up, negative give 0.
Status Filter32f_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                         std::int32_t dstStep, RoiSize size, const float* kernel, RoiSize kernelSize,
                         RoiPoint anchor);

// Integer row / column convolution: s = sum K[i]·P(a−i, 0) (row) or
// K[i]·P(0, a−i) (column), then divided by `divisor`.
Status FilterRow_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                         std::int32_t dstStep, RoiSize size, const std::int32_t* kernel,
                         std::int32_t kernelSize, std::int32_t anchor, std::int32_t divisor);
Status FilterColumn_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size, const std::int32_t* kernel,
                            std::int32_t kernelSize, std::int32_t anchor, std::int32_t divisor);

// Box mean over an mw x mh mask whose cell (ax, ay) lies on the destination
// pixel, with the multiplier-and-shift division. The in-place form gives the
// bytes the out-of-place form gives from an untouched copy of the image.
Status FilterBox_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                         std::int32_t dstStep, RoiSize size, RoiSize maskSize, RoiPoint anchor);
Status FilterBox_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, RoiSize maskSize,
                          RoiPoint anchor);

// Fixed 3 x 3 (Roberts: 2 x 2) gradient kernels, results clamped to 0..255.
Status FilterPrewittVert_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size);
Status FilterPrewittHoriz_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                  std::int32_t dstStep, RoiSize size);
Status FilterSobelVert_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size);
Status FilterSobelHoriz_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                std::int32_t dstStep, RoiSize size);
Status FilterRobertsDown_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size);
Status FilterRobertsUp_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size);

// Laplacian, high-pass and low-pass kernels; mask kMask3x3 or kMask5x5.
Status FilterLaplace_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                             std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterHipass_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterLowpass_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                             std::int32_t dstStep, RoiSize size, std::int32_t mask);

// Grey to signed 16-bit derivatives (destination step in bytes), unclamped.
Status FilterScharrVert_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, RoiSize size);
Status FilterScharrHoriz_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                   std::int32_t dstStep, RoiSize size);
Status FilterSobelVert_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                 std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterSobelHoriz_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterSobelVertSecond_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                       std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterSobelHorizSecond_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                        std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterSobelCross_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                  std::int32_t dstStep, RoiSize size, std::int32_t mask);

}  // namespace vtx::px
