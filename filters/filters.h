// Edge and frequency filters: the gradient filters, the pass filters, the box
// blur and the Canny edge map. Each returns 0 when its filter frame succeeds
// and 1 when there is no usable image, the Type is not one of the method's,
// or a working buffer cannot be had (the image then stays as it was).
#pragma once

#include <cstdint>

#include "session/image_session.h"

namespace vtx {

std::int32_t FilterPrewitt(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterScharr(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterSobel(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterSobelExt(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterRoberts(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterLaplace(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterHipass(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterLowpass(ImageSession& s, double Completeness, std::int32_t Type);
std::int32_t FilterBlur(ImageSession& s, double Completeness, std::int32_t Size);
std::int32_t FilterCanny(ImageSession& s, double Completeness, double LowThresh, double HighThresh);

}  // namespace vtx
