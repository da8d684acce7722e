// The drawing surface on Cairo, with Pango and fontconfig for text.
//
// The surface is a Cairo image surface of format RGB24 over the caller's
// pixels (stride 4·W). Geometry follows the pixel model of the Windows back
// end: pixel (x, y) is centred on the integer point (x, y), so lines and
// ellipses are drawn shifted by half a pixel in Cairo's model, where pixel
// (x, y) covers [x, x + 1) × [y, y + 1). The areas of FillOutsideRectangle
// are whole pixels either way and are not shifted.
//
// Pens: a pen narrower than 1.5 pixels draws the one-pixel line between both
// end pixels (included); a wider pen draws the rectangle around the segment
// with flat ends. Both are filled polygons computed in double precision and
// cut to the surface first, so any coordinate and width is drawn exactly
// where it lands on the surface (Cairo's own coordinates are 24.8 fixed
// point and would wrap beyond ±8 million).
//
// Fonts: a FontDescription becomes a Pango font description. The face is a
// fontconfig family (a face fontconfig does not know falls back as fontconfig
// matches it, usually to the "Sans" family); a height < 0 is the character
// (em) height in pixels, a height > 0 the cell height (ascent + descent) in
// pixels; weight, italic, underline and strike-out as given; the character
// set is left to fontconfig's per-character fallback. Sizes are limited to
// kMaxFontPixels. The default font (null, or an empty face with height 0 for
// the size) is fontconfig's "Sans" (DejaVu Sans where installed) with a
// character height of kDefaultFontPixels.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "draw/far_geometry.h"
#include "draw/surface.h"
#include "session/utf8.h"

namespace vtx::draw {

namespace {

constexpr const char* kDefaultFace = "Sans";
constexpr double kDefaultFontPixels = 13.0;
constexpr double kMaxFontPixels = 1000.0;
// Text whose glyphs would be drawn larger than this (font size times the
// scale), or whose box does not reach the surface, is not drawn.
constexpr double kMaxGlyphPixels = 16384.0;
// Ellipses whose rectangle lies within this range are handed to Cairo as
// curves; larger ones are drawn as polygons computed here.
constexpr double kCurveRange = 1 << 20;

std::uint8_t Channel(std::uint32_t argb, int shift) { return static_cast<std::uint8_t>((argb >> shift) & 0xFFu); }

// UTF-8 for Pango, which takes no zero characters: they are left out (a
// zero character is the only one whose UTF-8 holds a zero byte).
std::string ToUtf8(std::u16string_view text) {
    std::string out = Utf16ToUtf8(text);
    out.erase(std::remove(out.begin(), out.end(), '\0'), out.end());
    return out;
}

class CairoSurface final : public DrawingSurface {
public:
    CairoSurface(cairo_surface_t* surface, std::int32_t width, std::int32_t height)
        : surface_(surface), cr_(cairo_create(surface)), width_(width), height_(height) {
        cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
        cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    }

    ~CairoSurface() override {
        if (layout_ != nullptr) g_object_unref(layout_);
        if (font_ != nullptr) pango_font_description_free(font_);
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }

    CairoSurface(const CairoSurface&) = delete;
    CairoSurface& operator=(const CairoSurface&) = delete;

    bool ok() const { return cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }

    void SetAntialias(bool on) override {
        cairo_set_antialias(cr_, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    }

    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float width,
                  std::uint32_t argb) override {
        const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
        const double length = std::sqrt(dx * dx + dy * dy);
        if (length == 0.0) return;
        const double ux = dx / length, uy = dy / length;
        double half = std::fabs(static_cast<double>(width)) / 2;
        double extend = 0.0;  // how far the ends reach past the end points
        if (!(half >= 0.75)) {
            half = 0.5;
            extend = 0.5;  // both end pixels included
        }
        // Pixel centres on integer points: shifted by half a pixel.
        const double ax = x1 + 0.5 - ux * extend, ay = y1 + 0.5 - uy * extend;
        const double bx = x2 + 0.5 + ux * extend, by = y2 + 0.5 + uy * extend;
        const double nx = -uy * half, ny = ux * half;
        FillPolygon({{ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}}, argb);
    }

    void FillEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t argb) override {
        if (width == 0 || height == 0) return;
        cairo_new_path(cr_);
        if (!EllipsePath(x + 0.5, y + 0.5, width, height, 0.0)) return;
        SetColour(argb);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
        cairo_fill(cr_);
    }

    void DrawEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, float penWidth,
                     std::uint32_t argb) override {
        const double pen = std::max(1.0, std::fabs(static_cast<double>(penWidth)));
        cairo_new_path(cr_);
        if (!EllipsePath(x + 0.5, y + 0.5, width, height, pen)) return;
        SetColour(argb);
        cairo_set_line_width(cr_, pen);
        cairo_stroke(cr_);
    }

    void FillOutsideRectangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t argb) override {
        cairo_new_path(cr_);
        cairo_rectangle(cr_, 0, 0, width_, height_);
        // The inner rectangle cut to a box around the surface: the parts
        // beyond it cannot change what the even-odd fill gives on the surface.
        const double lo[2] = {-2.0, -2.0}, hi[2] = {width_ + 2.0, height_ + 2.0};
        double ex[2] = {static_cast<double>(x), static_cast<double>(x) + width};
        double ey[2] = {static_cast<double>(y), static_cast<double>(y) + height};
        for (double& v : ex) v = std::clamp(v, lo[0], hi[0]);
        for (double& v : ey) v = std::clamp(v, lo[1], hi[1]);
        cairo_rectangle(cr_, ex[0], ey[0], ex[1] - ex[0], ey[1] - ey[0]);
        FillEvenOdd(argb);
    }

    void FillOutsideEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                            std::uint32_t argb) override {
        cairo_new_path(cr_);
        cairo_rectangle(cr_, 0, 0, width_, height_);
        if (width != 0 && height != 0) EllipsePath(x + 0.5, y + 0.5, width, height, 0.0);
        FillEvenOdd(argb);
    }

    void SelectFont(const FontDescription* font) override {
        if (!EnsureLayout()) return;
        if (font_ != nullptr) pango_font_description_free(font_);
        font_ = pango_font_description_new();
        std::string face = font != nullptr ? font->face : std::string();
        // Keep the name valid UTF-8 up to its first zero byte.
        face.resize(std::char_traits<char>::length(face.c_str()));
        gchar* valid = g_utf8_make_valid(face.c_str(), -1);
        pango_font_description_set_family(font_, (valid[0] != 0) ? valid : kDefaultFace);
        g_free(valid);

        std::int64_t height = font != nullptr ? font->height : 0;
        double pixels = kDefaultFontPixels;
        if (height != 0) pixels = std::min(static_cast<double>(height < 0 ? -height : height), kMaxFontPixels);
        pango_font_description_set_absolute_size(font_, pixels * PANGO_SCALE);

        std::int32_t weight = font != nullptr ? font->weight : 400;
        weight = weight <= 0 ? 400 : std::clamp(weight, 100, 1000);
        pango_font_description_set_weight(font_, static_cast<PangoWeight>(weight));
        pango_font_description_set_style(font_,
                                         (font != nullptr && font->italic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);

        if (height > 0) {
            // A cell height: scale the size so that ascent + descent fill it.
            PangoFontMetrics* metrics = pango_context_get_metrics(pango_layout_get_context(layout_), font_, nullptr);
            const double cell =
                pango_font_metrics_get_ascent(metrics) + static_cast<double>(pango_font_metrics_get_descent(metrics));
            pango_font_metrics_unref(metrics);
            if (cell > 0) {
                const double scaled = std::min(pixels * pixels * PANGO_SCALE / cell, kMaxFontPixels);
                pango_font_description_set_absolute_size(font_, std::max(scaled, 1.0) * PANGO_SCALE);
            }
        }
        fontPixels_ = pango_font_description_get_size(font_) / static_cast<double>(PANGO_SCALE);
        pango_layout_set_font_description(layout_, font_);

        PangoAttrList* attributes = pango_attr_list_new();
        if (font != nullptr && font->underline) {
            pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        }
        if (font != nullptr && font->strikeOut) pango_attr_list_insert(attributes, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout_, attributes);
        pango_attr_list_unref(attributes);
    }

    TextBox MeasureString(std::u16string_view text, float x, float y) override {
        TextBox box{x, y, 0.0f, 0.0f};
        if (!PrepareText(text)) return box;
        PangoRectangle logical;
        pango_layout_get_extents(layout_, nullptr, &logical);
        box.x = x + static_cast<float>(logical.x) / PANGO_SCALE;
        box.y = y + static_cast<float>(logical.y) / PANGO_SCALE;
        box.width = static_cast<float>(logical.width) / PANGO_SCALE;
        box.height = static_cast<float>(logical.height) / PANGO_SCALE;
        return box;
    }

    void SetScaleTranslate(float sx, float sy, float tx, float ty) override {
        sx_ = sx;
        sy_ = sy;
        tx_ = tx;
        ty_ = ty;
    }

    void DrawString(std::u16string_view text, float x, float y, std::uint32_t argb) override {
        if (!PrepareText(text)) return;
        const double sx = sx_, sy = sy_, tx = tx_, ty = ty_;
        if (!(std::isfinite(sx) && std::isfinite(sy) && std::isfinite(tx) && std::isfinite(ty)) || sx == 0.0 ||
            sy == 0.0 || !std::isfinite(x) || !std::isfinite(y)) {
            return;
        }
        if (std::fabs(sx) * fontPixels_ > kMaxGlyphPixels || std::fabs(sy) * fontPixels_ > kMaxGlyphPixels) return;
        PangoRectangle ink;
        pango_layout_get_pixel_extents(layout_, &ink, nullptr);
        // The ink box on the surface; text that misses the surface is skipped.
        const double ax = tx + sx * (x + ink.x), bx = tx + sx * (x + ink.x + ink.width);
        const double ay = ty + sy * (y + ink.y), by = ty + sy * (y + ink.y + ink.height);
        if (std::max(ax, bx) < -1.0 || std::min(ax, bx) > width_ + 1.0 || std::max(ay, by) < -1.0 ||
            std::min(ay, by) > height_ + 1.0) {
            return;
        }
        // The layout stays the one measured (laid out untransformed); Cairo
        // scales its glyphs and positions.
        cairo_save(cr_);
        cairo_translate(cr_, tx, ty);
        cairo_scale(cr_, sx, sy);
        SetColour(argb);
        cairo_move_to(cr_, x, y);
        pango_cairo_show_layout(cr_, layout_);
        cairo_restore(cr_);
    }

    void Flush() override { cairo_surface_flush(surface_); }

private:
    void SetColour(std::uint32_t argb) {
        cairo_set_source_rgba(cr_, Channel(argb, 16) / 255.0, Channel(argb, 8) / 255.0, Channel(argb, 0) / 255.0,
                              Channel(argb, 24) / 255.0);
    }

    void FillEvenOdd(std::uint32_t argb) {
        SetColour(argb);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr_);
    }

    void FillPolygon(const Polygon& polygon, std::uint32_t argb) {
        const Polygon clipped = ClipToBox(polygon, -4.0, -4.0, width_ + 4.0, height_ + 4.0);
        if (clipped.size() < 3) return;
        cairo_new_path(cr_);
        cairo_move_to(cr_, clipped[0].x, clipped[0].y);
        for (std::size_t i = 1; i < clipped.size(); ++i) cairo_line_to(cr_, clipped[i].x, clipped[i].y);
        cairo_close_path(cr_);
        SetColour(argb);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
        cairo_fill(cr_);
    }

    // Adds the ellipse inscribed in the rectangle at (x, y) of the given size
    // (negative sizes extend to the left / upward) as a closed sub-path.
    // Large ellipses become polygons fine enough that no point strays from
    // the curve by a quarter pixel, cut to a box around the surface that an
    // outline of width `pen` drawn along the cut cannot reach. False when
    // nothing of it can reach the surface.
    bool EllipsePath(double x, double y, double width, double height, double pen) {
        const double rx = std::fabs(width) / 2, ry = std::fabs(height) / 2;
        const double cx = x + width / 2, cy = y + height / 2;
        const double reach = pen / 2 + 2.0;
        if (cx + rx < -reach || cx - rx > width_ + reach || cy + ry < -reach || cy - ry > height_ + reach) {
            // Entirely off the surface; an inverse fill still needs nothing.
            return false;
        }
        if (rx == 0.0 || ry == 0.0) {
            // A flat ellipse is the segment across its rectangle: an outline
            // draws it, a fill has no area.
            if (pen <= 0.0) return false;
            const Polygon segment = ClipToBox({{x, y}, {x + width, y + height}}, -reach, -reach, width_ + reach,
                                              height_ + reach);
            if (segment.size() < 2) return false;
            cairo_move_to(cr_, segment[0].x, segment[0].y);
            for (std::size_t i = 1; i < segment.size(); ++i) cairo_line_to(cr_, segment[i].x, segment[i].y);
            return true;
        }
        if (std::fabs(x) < kCurveRange && std::fabs(y) < kCurveRange && std::fabs(x + width) < kCurveRange &&
            std::fabs(y + height) < kCurveRange) {
            cairo_save(cr_);
            cairo_translate(cr_, cx, cy);
            cairo_scale(cr_, rx, ry);
            cairo_new_sub_path(cr_);
            cairo_arc(cr_, 0.0, 0.0, 1.0, 0.0, 2 * M_PI);
            cairo_close_path(cr_);
            cairo_restore(cr_);
            return true;
        }
        const double m = pen + 4.0;
        const Polygon clipped =
            ClipToBox(EllipsePoints(cx, cy, rx, ry, EllipseSteps::kEach), -m, -m, width_ + m, height_ + m);
        if (clipped.size() < 3) return false;
        cairo_move_to(cr_, clipped[0].x, clipped[0].y);
        for (std::size_t i = 1; i < clipped.size(); ++i) cairo_line_to(cr_, clipped[i].x, clipped[i].y);
        cairo_close_path(cr_);
        return true;
    }

    bool EnsureLayout() {
        if (layout_ != nullptr) return true;
        layout_ = pango_cairo_create_layout(cr_);
        if (layout_ == nullptr) return false;
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_DEFAULT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(pango_layout_get_context(layout_), options);
        cairo_font_options_destroy(options);
        pango_layout_context_changed(layout_);
        return true;
    }

    bool PrepareText(std::u16string_view text) {
        if (font_ == nullptr) SelectFont(nullptr);
        if (layout_ == nullptr) return false;
        const std::string utf8 = ToUtf8(text);
        pango_layout_set_text(layout_, utf8.data(), static_cast<int>(std::min<std::size_t>(utf8.size(), INT32_MAX)));
        return true;
    }

    cairo_surface_t* surface_;
    cairo_t* cr_;
    std::int32_t width_;
    std::int32_t height_;
    PangoLayout* layout_ = nullptr;
    PangoFontDescription* font_ = nullptr;
    double fontPixels_ = kDefaultFontPixels;
    float sx_ = 1.0f, sy_ = 1.0f, tx_ = 0.0f, ty_ = 0.0f;
};

}  // namespace

std::unique_ptr<DrawingSurface> OpenSurface(std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
    if (pixels == nullptr || width < 1 || height < 1 || width > INT32_MAX / 4) return nullptr;
    if (cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width) != 4 * width) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, width, height, 4 * width);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    auto s = std::make_unique<CairoSurface>(surface, width, height);
    if (!s->ok()) return nullptr;
    return s;
}

}  // namespace vtx::draw

// Fontconfig keeps its cached patterns behind encoded offsets rather than
// pointers, so a leak checker sees the caches it holds for the process as
// lost. The checker of sanitised builds reads these hooks (nothing else
// calls them); fontconfig's allocations are not reported, and not listed.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
