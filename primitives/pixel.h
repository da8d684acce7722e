// Pixel, channel and colour primitives: copies, fills, conversions, saturating
// arithmetic, statistics, lookup, composition, grey and hue-lightness-
// saturation conversions, channel swap and border copies.
//
// Every function checks, in this order: required pointers (kStsNullPtr),
// width and height at least 1 (kStsBadSize), steps at least 1 (kStsBadStep),
// then its own parameters; on an error nothing is written. In AC4 layouts only
// bytes 0, 1 and 2 of a pixel are read and written; byte 3 of the destination
// keeps its value.
#pragma once

#include <cstdint>

#include "primitives/conventions.h"

namespace vtx::px {

// Copies and fills.
Status Copy_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                           std::int32_t dstStep, RoiSize size);
// dst addresses one byte of the first destination pixel: source byte x goes to
// that byte of destination pixel x.
Status Copy_8u_C1C4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size);
// src addresses one byte of the first source pixel: that byte of source pixel
// x goes to destination byte x.
Status Copy_8u_C4C1R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                            std::int32_t dstStep, RoiSize size);
// Plane k's byte x becomes byte k of destination pixel x.
Status Copy_8u_P4C4R(const std::uint8_t* const planes[4], std::int32_t planeStep,
                            std::uint8_t* dst, std::int32_t dstStep, RoiSize size);
Status Set_8u_AC4R(const std::uint8_t value[3], std::uint8_t* dst, std::int32_t dstStep,
                          RoiSize size);
Status Set_8u_C4R(const std::uint8_t value[4], std::uint8_t* dst, std::int32_t dstStep,
                         RoiSize size);

// Conversions between bytes and 16-bit signed samples (16-bit steps in bytes).
Status Convert_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                std::int32_t dstStep, RoiSize size);
Status Convert_8u16s_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                                 std::int32_t dstStep, RoiSize size);
Status Convert_16s8u_C1R(const std::int16_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                std::int32_t dstStep, RoiSize size);
Status Convert_16s8u_AC4R(const std::int16_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                 std::int32_t dstStep, RoiSize size);

// Arithmetic with a scale factor (ScaleSfsToByte).
Status AddC_8u_AC4IRSfs(const std::uint8_t value[3], std::uint8_t* srcDst, std::int32_t step,
                               RoiSize size, std::int32_t scaleFactor);
Status SubC_8u_AC4IRSfs(const std::uint8_t value[3], std::uint8_t* srcDst, std::int32_t step,
                               RoiSize size, std::int32_t scaleFactor);
// In place: each colour byte v becomes max(0, min(255, v + add[c]) − sub[c]),
// one saturating add and one saturating subtract per channel in one pass.
Status AddSubC_8u_AC4IR(const std::uint8_t add[3], const std::uint8_t sub[3], std::uint8_t* srcDst,
                        std::int32_t step, RoiSize size);
Status Add_8u_AC4RSfs(const std::uint8_t* src1, std::int32_t src1Step, const std::uint8_t* src2,
                             std::int32_t src2Step, std::uint8_t* dst, std::int32_t dstStep,
                             RoiSize size, std::int32_t scaleFactor);
Status Sqr_8u_AC4RSfs(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                             std::int32_t dstStep, RoiSize size, std::int32_t scaleFactor);

// Statistics, in channel order b0, b1, b2.
Status Sum_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize size, double sum[3]);
Status Min_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize size,
                          std::uint8_t min[3]);

// Lookup through a step function per channel: samples in [levels[k],
// levels[k+1]) map to values[k]; samples below levels[0] and from
// levels[n-1] up pass unchanged.
Status LUT_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                          std::int32_t dstStep, RoiSize size, const std::int32_t* const values[3],
                          const std::int32_t* const levels[3], const std::int32_t nLevels[3]);

// In place: bytes 0, 1, 2 of every pixel become tables[0][b0], tables[1][b1],
// tables[2][b2] (256 entries each). With skipNonzeroAlpha set, a pixel whose
// byte 3 is not 0 keeps all its bytes. Byte 3 is never written.
Status MapChannels_8u_AC4IR(const std::uint8_t* const tables[3], std::uint8_t* srcDst, std::int32_t step,
                                   RoiSize size, std::int32_t skipNonzeroAlpha);

// In place: v < thresholdLT becomes valueLT, v > thresholdGT becomes valueGT.
Status Threshold_LTValGTVal_32f_C1IR(float* srcDst, std::int32_t step, RoiSize size,
                                            float thresholdLT, float valueLT, float thresholdGT,
                                            float valueGT);

// Composition of src1 over src2 with constant opacities (alphaType 0).
Status AlphaCompC_8u_AC4R(const std::uint8_t* src1, std::int32_t src1Step, std::uint8_t alpha1,
                                 const std::uint8_t* src2, std::int32_t src2Step, std::uint8_t alpha2,
                                 std::uint8_t* dst, std::int32_t dstStep, RoiSize size,
                                 std::int32_t alphaType);

// Colour conversions.
Status ColorToGray_8u_AC4C1R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                    std::int32_t dstStep, RoiSize size, const float coeffs[3]);
Status BGRToHLS_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size);
// The lightness byte that BGRToHLS_8u_AC4R writes, into a one-byte plane.
Status Lightness_8u_AC4C1R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                           std::int32_t dstStep, RoiSize size);
Status HLSToRGB_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                               std::int32_t dstStep, RoiSize size);
// Destination byte c = source byte order[c]; source and destination must not
// overlap.
Status SwapChannels_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, std::uint8_t* dst,
                                   std::int32_t dstStep, RoiSize size, const std::int32_t order[3]);

// In place, per pixel: the hue of (b2, b1, b0) as red, green, blue, taken in
// single precision, is moved by `angle` degrees (in double precision,
// rounded back to single; wrapped once each way and clamped to 0..360), and
// each colour byte becomes trunc(old·(1 − c) + new·c·255), clamped to 0..255.
// With skipNonzeroAlpha set, a pixel whose byte 3 is not 0 is left as it is.
// Completeness is clamped to 0..1 (NaN acts as 0), the angle to ±1e30.
Status RotateHue_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, double angle,
                          double completeness, std::int32_t skipNonzeroAlpha);

// In place, per pixel: y = trunc(0.59·b1 + 0.3·b2 + 0.11·b0) (in double
// precision, clamped to 0..255), and each colour byte x of channel c becomes
// trunc(ramps[c][y]·completeness + x·(1 − completeness)), clamped to 0..255.
// With skipNonzeroAlpha set, a pixel whose byte 3 is not 0 is left as it is.
// Completeness is clamped to 0..1 (NaN acts as 0).
Status Colorize_8u_AC4IR(std::uint8_t* srcDst, std::int32_t step, RoiSize size, const std::uint8_t* const ramps[3],
                         double completeness, std::int32_t skipNonzeroAlpha);

// Border copies: the source goes to pixel (left, top) of the destination and
// the frame around it repeats the edge pixels (or a constant value).
Status CopyReplicateBorder_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize srcSize,
                                          std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize,
                                          std::int32_t top, std::int32_t left);
Status CopyReplicateBorder_8u_C1R(const std::uint8_t* src, std::int32_t srcStep, RoiSize srcSize,
                                         std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize,
                                         std::int32_t top, std::int32_t left);
Status CopyConstBorder_8u_AC4R(const std::uint8_t* src, std::int32_t srcStep, RoiSize srcSize,
                                      std::uint8_t* dst, std::int32_t dstStep, RoiSize dstSize,
                                      std::int32_t top, std::int32_t left, const std::uint8_t value[3]);

}  // namespace vtx::px
