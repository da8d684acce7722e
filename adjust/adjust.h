// Colour adjustments: point adjustments (per-byte tables and saturating
// arithmetic), histogram adjustments and the hue-lightness-saturation ones.
// Each returns the member's result code: 1 when the session holds no usable
// image (after the no-change test where the member has one), else 0.
#pragma once

#include <cstdint>

#include "session/image_session.h"

namespace vtx {

std::int32_t AdjustBrightness(ImageSession& s, double Completeness, std::int32_t Level);
std::int32_t AdjustBrightnessEx(ImageSession& s, double Completeness, std::int32_t LevelR, std::int32_t LevelG,
                                std::int32_t LevelB);
std::int32_t AdjustContrast(ImageSession& s, double Completeness, double Level);
std::int32_t AdjustGamma(ImageSession& s, double Completeness, double Level);
std::int32_t AdjustInvert(ImageSession& s, double Completeness);
std::int32_t AdjustPosterize(ImageSession& s, double Completeness, std::int32_t Levels);
std::int32_t AdjustThreshold(ImageSession& s, double Completeness, std::int32_t Level, VariantBool Grayscale);
std::int32_t AdjustTemperature(ImageSession& s, double Completeness, double Level);
std::int32_t AdjustColorize(ImageSession& s, double Completeness, std::int32_t Red, std::int32_t Green,
                            std::int32_t Blue);
std::int32_t UtilitySwapChannels(ImageSession& s, std::uint8_t nChannel0, std::uint8_t nChannel1,
                                 std::uint8_t nChannel2);

std::int32_t AdjustEqualize(ImageSession& s, double Completeness);
std::int32_t AdjustGrayscale(ImageSession& s, double Completeness, VariantBool Desaturate);
std::int32_t AdjustAutocontrast(ImageSession& s, double Completeness);
std::int32_t AdjustAutolevels(ImageSession& s, double Completeness);

std::int32_t AdjustHue(ImageSession& s, double Completeness, double Angle);
std::int32_t AdjustSaturation(ImageSession& s, double Completeness, double Level);

}  // namespace vtx
