// Effects: convolution effects (blur, sharpen, Gaussian blur, motion blur,
// emboss), rank effects (minimal, maximal, median) and texture effects
// (mosaic, noise, diffuse, deinterlace). Each returns the
// member's result code: 1 when the session holds no usable image, else 0 —
// also when a working buffer cannot be had, in which case the image is left
// as it was.
#pragma once

#include <cstdint>

#include "session/image_session.h"

namespace vtx {

std::int32_t EffectBlur(ImageSession& s, double Completeness, double Level);
std::int32_t EffectSharpen(ImageSession& s, double Completeness, double Level);
std::int32_t EffectGaussianBlur(ImageSession& s, double Completeness, std::int32_t Size);
std::int32_t EffectMotionBlur(ImageSession& s, double Completeness, double Angle, double Distance);
std::int32_t EffectEmboss(ImageSession& s, double Completeness, double Angle, double Distance, double Amount);

std::int32_t EffectMinimal(ImageSession& s, double Completeness, std::int32_t Size);
std::int32_t EffectMaximal(ImageSession& s, double Completeness, std::int32_t Size);
std::int32_t EffectMedian(ImageSession& s, double Completeness, std::int32_t MedianType);

// Texture effects. Noise and diffusion are seeded from the session's tick
// source at the start of each call.
std::int32_t EffectMosaic(ImageSession& s, double Completeness, std::int32_t Size, VariantBool Simple);
std::int32_t EffectNoise(ImageSession& s, double Completeness, double Level, VariantBool Mono);
std::int32_t EffectDiffuse(ImageSession& s, double Completeness, double Distance);
std::int32_t EffectDeinterlace(ImageSession& s, double Completeness, VariantBool Even, VariantBool Interpolate);

}  // namespace vtx
