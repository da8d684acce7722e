// The 2-D rasteriser view of an image that the vector-drawn members use.
//
// A surface is opened over pixels the caller owns, top row first (the
// drawing frame reverses the session image's rows before opening it, so a
// surface coordinate (x, y) is drawing coordinate (x, y)): W x H pixels of
// 4 bytes blue, green, red, X, stride 4·W, treated as opaque RGB; the fourth
// byte is ignored when drawing. It lives for one call. Two back ends
// implement it: GDI+ on Windows (surface_gdiplus.cpp), Cairo with Pango on
// Linux (surface_cairo.cpp); exactly one is linked into a build.
//
// Colours are 32-bit ARGB (alpha in bits 24-31, red 16-23, green 8-15, blue
// 0-7) and are blended over the pixels by their alpha. Nothing is
// antialiased unless SetAntialias(true) was called. Status codes of the
// platform are not reported: a call that the platform refuses draws nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vtx::draw {

// A font as the drawing members take it: the fields of a GDI logical font
// that a host's font object carries.
struct FontDescription {
    std::string face;            // family name in UTF-8; empty: the back end's default face
    std::int32_t height = 0;     // as a logical font's height: < 0 character height in pixels,
                                 // > 0 cell height in pixels, 0 the back end's default size
    std::int32_t weight = 400;   // 100 ... 900; 400 regular, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = 1;    // logical font character set; 1 the default set
};

// The box a text occupies when drawn at an origin, in surface units.
struct TextBox {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Smoothing of lines, outlines and fills (off when the surface opens).
    virtual void SetAntialias(bool on) = 0;

    // A straight line between pixel positions with a pen `width` wide.
    virtual void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float width,
                          std::uint32_t argb) = 0;

    // The ellipse inscribed in the rectangle at (x, y) of the given width
    // and height: filled, or outlined with a pen `penWidth` wide.
    virtual void FillEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                             std::uint32_t argb) = 0;
    virtual void DrawEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                             float penWidth, std::uint32_t argb) = 0;

    // Fills the whole surface except the given rectangle (or the ellipse
    // inscribed in it): the surface rectangle combined with the shape by
    // exclusive-or, so parts of the shape outside the surface are filled
    // too where they overlap nothing.
    virtual void FillOutsideRectangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                      std::uint32_t argb) = 0;
    virtual void FillOutsideEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                    std::uint32_t argb) = 0;

    // Text (the methods avoid the names that the Windows headers define as
    // macros, such as DrawText). SelectFont picks the font later text calls use: the description,
    // or the platform's default font for null; a face the platform lacks
    // falls back as the platform decides. Text is antialiased with grid
    // fitting, laid out on one line unless it holds line breaks, and never
    // wrapped.
    virtual void SelectFont(const FontDescription* font) = 0;
    // The box the text would occupy when drawn with its layout origin at
    // (x, y) in the current (untransformed) coordinates.
    virtual TextBox MeasureString(std::u16string_view text, float x, float y) = 0;
    // Later drawing is scaled by (sx, sy) and then translated by (tx, ty).
    virtual void SetScaleTranslate(float sx, float sy, float tx, float ty) = 0;
    virtual void DrawString(std::u16string_view text, float x, float y, std::uint32_t argb) = 0;

    // Makes every drawing so far visible in the pixels.
    virtual void Flush() = 0;
};

// Opens a surface over `pixels` (see above). Null when the platform cannot
// open one (the caller then draws nothing).
std::unique_ptr<DrawingSurface> OpenSurface(std::uint8_t* pixels, std::int32_t width, std::int32_t height);

}  // namespace vtx::draw
