// The built-in test card: colour bars, a hue and saturation sweep, skin-like
// tones, a zone plate and fine line and checker patterns, red, green and blue
// ramps, a smooth grey ramp and grey steps. Integer arithmetic only, so every
// build gives the same bytes. Alpha is 0 everywhere, as for a picture read
// from a file without alpha.
#pragma once

#include <cstdint>

#include "tools/vtx/image.h"

namespace vtx::cli {

constexpr std::int32_t kDefaultCardWidth = 800;
constexpr std::int32_t kDefaultCardHeight = 600;

// Any size of at least 1 x 1 whose byte size fits a signed 32-bit value.
// Throws std::bad_alloc when the pixels cannot be allocated.
Image MakeTestCard(std::int32_t width, std::int32_t height);

}  // namespace vtx::cli
