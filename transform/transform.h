// Geometric transforms of the session's image: flip, quadrangle warps,
// shift, rotation and zoom (affine.cpp), the remap distortions twirl,
// sphere and cylinder (remap.cpp), and the tiling and water-mirror
// resampling and the resize into a host's array (resample.cpp). Each returns the member's result code: 1 when
// the session holds no usable image, else 0 (the remap distortions give 1
// also when a working buffer cannot be had, leaving the image as it was).
#pragma once

#include <cstdint>

#include "session/image_session.h"
#include "session/image_view.h"

namespace vtx {

std::int32_t TransformFlip(ImageSession& s, double Completeness, std::int32_t Vertical);
std::int32_t TransformPerspective(ImageSession& s, double Completeness, std::int32_t Vertical, double Angle);
std::int32_t TransformSkew(ImageSession& s, double Completeness, std::int32_t Vertical, double Angle);
std::int32_t TransformShift(ImageSession& s, double Completeness, std::int32_t X, std::int32_t Y);
std::int32_t TransformRotate(ImageSession& s, double Completeness, double Angle);
std::int32_t TransformResample(ImageSession& s, double Completeness, std::int32_t Times);
std::int32_t TransformZoom(ImageSession& s, double Completeness, std::int32_t Zoom);
std::int32_t TransformMirror(ImageSession& s, double Completeness, double Level, std::int32_t Type);
// Writes a scaled copy of the image into the host's array and leaves the
// image as it is. Result 1 for a null output, an output side below 2, or no
// usable image.
std::int32_t TransformResize(ImageSession& s, ImageView* Output, std::int32_t Color, std::int32_t Type);
std::int32_t TransformTwirl(ImageSession& s, double Completeness, double Angle, std::int32_t Degree);
std::int32_t TransformSphere(ImageSession& s, double Completeness, std::int32_t CenterX, std::int32_t CenterY,
                             std::int32_t RadiusX, std::int32_t RadiusY, double Degree);
std::int32_t TransformCylinder(ImageSession& s, double Completeness, std::int32_t Center, std::int32_t Radius,
                               double Degree, std::int32_t Type);

// Blue, green and red of a colour in the BackColor layout (red in bits 0-7,
// green 8-15, blue 16-23).
inline void ColourBytes(std::int32_t colour, std::uint8_t bgr[3]) {
    const auto u = static_cast<std::uint32_t>(colour);
    bgr[0] = static_cast<std::uint8_t>(u >> 16);
    bgr[1] = static_cast<std::uint8_t>(u >> 8);
    bgr[2] = static_cast<std::uint8_t>(u);
}

}  // namespace vtx
