// Rank filter primitives (minimum, maximum, medians) and the uniform noise
// generators.
//
// The rank filters read source pixels around the region like the linear
// filters (linear_filter.h): the caller supplies the border. P(dx, dy) is the
// source sample of the same channel at (x + dx, y + dy); bytes 0, 1 and 2 are
// filtered and byte 3 of the destination is left alone.
#pragma once

#include <cstdint>

#include "primitives/conventions.h"

namespace vtx::px {

// Smallest / largest / middle of the mw x mh samples P(j − ax, i − ay). The
// median mask must have odd sides.
Status FilterMin_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                         std::int32_t dstStep, RoiSize size, RoiSize maskSize, RoiPoint anchor);
Status FilterMax_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                         std::int32_t dstStep, RoiSize size, RoiSize maskSize, RoiPoint anchor);
Status FilterMedian_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size, RoiSize maskSize, RoiPoint anchor);

// Centred shaped medians: cross (kMask3x3, kMask5x5), vertical (kMask1x3,
// kMask1x5) and horizontal (kMask3x1, kMask5x1).
Status FilterMedianCross_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterMedianVert_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                std::int32_t dstStep, RoiSize size, std::int32_t mask);
Status FilterMedianHoriz_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size, std::int32_t mask);

// Adds uniform noise in [low, high) to every sample in place (16-bit images:
// steps in bytes; AC4 changes samples 0, 1, 2 of each pixel), drawing from a
// subtract-with-borrow plus linear-congruential sequence started from *seed;
// *seed receives the last value drawn.
Status AddRandUniform_Direct_16s_C1IR(std::int16_t* srcDst, std::int32_t step, RoiSize size,
                                      std::int16_t low, std::int16_t high, std::uint32_t* seed);
Status AddRandUniform_Direct_16s_AC4IR(std::int16_t* srcDst, std::int32_t step, RoiSize size,
                                       std::int16_t low, std::int16_t high, std::uint32_t* seed);
Status AddRandUniform_Direct_32f_C1IR(float* srcDst, std::int32_t step, RoiSize size, float low,
                                      float high, std::uint32_t* seed);

}  // namespace vtx::px
