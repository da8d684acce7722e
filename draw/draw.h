// The drawing members: shapes and borders, image overlay, text and credits,
// moving objects. Coordinates are drawing coordinates (x the column, y
// counted from the image's last buffer row) except in DrawBorder and
// DrawMovObject, which work in buffer rows. Colours have red in bits 0-7,
// green 8-15, blue 16-23.
#pragma once

#include <cstdint>
#include <string_view>

#include "draw/surface.h"
#include "session/image_session.h"
#include "session/image_view.h"

namespace vtx {

using draw::FontDescription;

// Vector drawing through the drawing surface.
std::int32_t DrawLine(ImageSession& s, double Completeness, std::int32_t X1, std::int32_t Y1, std::int32_t X2,
                      std::int32_t Y2, std::int32_t Color, std::int32_t Alpha, std::int32_t Size);
std::int32_t DrawEllipse(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                         std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha,
                         VariantBool Solid);
std::int32_t DrawInvRectangle(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                              std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha);
std::int32_t DrawInvEllipse(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                            std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha);

// Text; a null font is the platform's default font.
std::int32_t DrawTextA(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                       std::u16string_view Text, const FontDescription* Font, std::int32_t Color,
                       std::int32_t Alpha);
std::int32_t DrawText2(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                       std::int32_t Right, std::int32_t Bottom, std::u16string_view Text,
                       const FontDescription* Font, std::int32_t Color, std::int32_t Alpha);
std::int32_t DrawCredits(ImageSession& s, double Completeness, std::u16string_view Text,
                         const FontDescription* Font, std::int32_t Color, std::int32_t Alpha, std::int32_t Type);

// Own pixel code, exact.
std::int32_t DrawRectangle(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                           std::int32_t Right, std::int32_t Bottom, std::int32_t Color, std::int32_t Alpha,
                           VariantBool Solid);
std::int32_t DrawBorder(ImageSession& s, double Completeness, std::int32_t Color, std::int32_t Size,
                        std::int32_t Type);
// A null overlay is an array that failed the adapter's checks: result 1.
std::int32_t DrawImage(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                       const ImageView* Image, std::int32_t Color, std::int32_t Alpha);
std::int32_t DrawMovObject(ImageSession& s, double Completeness, std::int32_t Type, std::int32_t Divisions,
                           std::int32_t Color, std::int32_t Alpha);

}  // namespace vtx
