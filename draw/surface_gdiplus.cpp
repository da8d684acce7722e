// The drawing surface on Windows: a GDI+ bitmap over the caller's pixels and
// one graphics context on it, driven through the flat GDI+ interface.
//
// Far-out shapes: Wine's GDI+ overflows its stack on lines and pens whose
// coordinates reach far beyond the surface and on ellipses with radii of
// 10^5 and more. Shapes within kLineRange (lines, pen widths) and
// kCurveRange (ellipse rectangles) go to GDI+ as given; beyond, their part
// near the surface is computed here in double precision and GDI+ draws
// only that:
// - a line is cut to a box around the surface that its pen, with flat ends,
//   cannot reach from the cut, and drawn with the same pen (where a cut
//   end falls between pixel centres and GDI+ rounds it, a one-pixel line may
//   step a pixel apart from the uncut line's steps); a pen wider than
//   kLineRange becomes the filled rectangle around the segment, cut;
// - an ellipse becomes a polygon fine enough that no point strays from the
//   curve by a quarter pixel (points on the curve, chords within 1/16
//   pixel), cut to a box around the surface that the outline's pen cannot
//   reach from the cut; a flat one is the segment across its rectangle;
// - the inner rectangle of FillOutsideRectangle is always clamped to a box
//   two pixels around the surface, which leaves the pixels inside unchanged.
// So no coordinate handed to GDI+ lies more than a few pixels (plus half a
// pen) outside the surface.
#include <windows.h>

#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "draw/far_geometry.h"
#include "draw/gdiplus_use.h"
#include "draw/surface.h"

namespace vtx::draw {

namespace gp = Gdiplus::DllExports;
using Gdiplus::GpBitmap;
using Gdiplus::GpBrush;
using Gdiplus::GpFont;
using Gdiplus::GpFontFamily;
using Gdiplus::GpGraphics;
using Gdiplus::GpPath;
using Gdiplus::GpPen;
using Gdiplus::GpRegion;
using Gdiplus::GpSolidFill;
using Gdiplus::Ok;

GdiplusUse::GdiplusUse() {
    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, nothing suppressed
    ULONG_PTR token = 0;
    started_ = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Ok;
    token_ = static_cast<std::uintptr_t>(token);
}

GdiplusUse::~GdiplusUse() {
    if (started_) Gdiplus::GdiplusShutdown(static_cast<ULONG_PTR>(token_));
}

namespace {

// Lines and pen widths up to this size in pixels are handed to GDI+ as given.
constexpr double kLineRange = 1 << 20;
// Ellipses whose rectangle lies within this range are handed to GDI+ as
// curves; larger ones are drawn as polygons computed here.
constexpr double kCurveRange = 1 << 14;

std::vector<Gdiplus::PointF> ToPointsF(const Polygon& poly) {
    std::vector<Gdiplus::PointF> points;
    points.reserve(poly.size());
    for (const Point& p : poly) points.emplace_back(static_cast<Gdiplus::REAL>(p.x), static_cast<Gdiplus::REAL>(p.y));
    return points;
}

bool Within(double v, double range) { return std::fabs(v) <= range; }

// The screen's device context for as long as a font is being made.
class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScreenDC() {
        if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// Text as GDI+ takes it: a pointer that is never null and a length in int.
struct WideText {
    const WCHAR* data;
    INT length;
};

WideText Wide(std::u16string_view text) {
    static const WCHAR kEmpty[1] = {0};
    static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 code units");
    if (text.empty()) return {kEmpty, 0};
    return {reinterpret_cast<const WCHAR*>(text.data()),
            static_cast<INT>(std::min<std::size_t>(text.size(), INT_MAX))};
}

class GdiplusSurface final : public DrawingSurface {
public:
    GdiplusSurface(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

    // Opens the bitmap and its context; false when GDI+ refuses either.
    bool Open(std::uint8_t* pixels) {
        if (!gdiplus_.started()) return false;
        // 32 bits per pixel without alpha: the fourth byte is never read.
        if (gp::GdipCreateBitmapFromScan0(width_, height_, 4 * width_, PixelFormat32bppRGB, pixels, &bitmap_) != Ok) {
            bitmap_ = nullptr;
            return false;
        }
        if (gp::GdipGetImageGraphicsContext(bitmap_, &graphics_) != Ok) {
            graphics_ = nullptr;
            return false;
        }
        gp::GdipSetTextRenderingHint(graphics_, Gdiplus::TextRenderingHintAntiAliasGridFit);
        return true;
    }

    ~GdiplusSurface() override {
        if (font_ != nullptr) gp::GdipDeleteFont(font_);
        if (graphics_ != nullptr) gp::GdipDeleteGraphics(graphics_);
        if (bitmap_ != nullptr) gp::GdipDisposeImage(bitmap_);
    }

    void SetAntialias(bool on) override {
        gp::GdipSetSmoothingMode(graphics_, on ? Gdiplus::SmoothingModeAntiAlias : Gdiplus::SmoothingModeDefault);
    }

    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float width,
                  std::uint32_t argb) override {
        const double half = std::fabs(static_cast<double>(width)) / 2;
        if (!(half <= kLineRange / 2)) {
            WideLine(x1, y1, x2, y2, half, argb);
            return;
        }
        GpPen* pen = nullptr;
        if (gp::GdipCreatePen1(argb, width, Gdiplus::UnitWorld, &pen) != Ok) return;
        if (Within(x1, kLineRange) && Within(y1, kLineRange) && Within(x2, kLineRange) && Within(y2, kLineRange)) {
            gp::GdipDrawLineI(graphics_, pen, x1, y1, x2, y2);
        } else {
            // Cut where the pen's flat ends stay clear of the surface.
            const double m = half + 4.0;
            const Polygon cut = ClipToBox({{static_cast<double>(x1), static_cast<double>(y1)},
                                           {static_cast<double>(x2), static_cast<double>(y2)}},
                                          -m, -m, width_ + m, height_ + m, TwoPoints::kSegment);
            if (cut.size() == 2) {
                gp::GdipDrawLine(graphics_, pen, static_cast<Gdiplus::REAL>(cut[0].x), static_cast<Gdiplus::REAL>(cut[0].y),
                                 static_cast<Gdiplus::REAL>(cut[1].x), static_cast<Gdiplus::REAL>(cut[1].y));
            }
        }
        gp::GdipDeletePen(pen);
    }

    void FillEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t argb) override {
        if (!Curve(x, y, width, height)) {
            const Polygon poly = EllipsePolygon(x, y, width, height, 0.0);
            if (poly.size() >= 3) FillPolygon(poly, argb);
            return;
        }
        GpSolidFill* brush = nullptr;
        if (gp::GdipCreateSolidFill(argb, &brush) != Ok) return;
        gp::GdipFillEllipseI(graphics_, brush, x, y, width, height);
        gp::GdipDeleteBrush(brush);
    }

    void DrawEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, float penWidth,
                     std::uint32_t argb) override {
        const double pen = std::max(1.0, std::fabs(static_cast<double>(penWidth)));
        if (!(pen <= kLineRange)) return;  // no outline pen is this wide
        Polygon poly;
        const bool curve = Curve(x, y, width, height);
        if (!curve) {
            poly = EllipsePolygon(x, y, width, height, pen);
            if (poly.size() < 2) return;
        }
        GpPen* gpen = nullptr;
        if (gp::GdipCreatePen1(argb, penWidth, Gdiplus::UnitWorld, &gpen) != Ok) return;
        if (curve) {
            gp::GdipDrawEllipseI(graphics_, gpen, x, y, width, height);
        } else {
            const std::vector<Gdiplus::PointF> points = ToPointsF(poly);
            if (points.size() == 2) {
                gp::GdipDrawLine(graphics_, gpen, points[0].X, points[0].Y, points[1].X, points[1].Y);
            } else {
                gp::GdipDrawPolygon(graphics_, gpen, points.data(), static_cast<INT>(points.size()));
            }
        }
        gp::GdipDeletePen(gpen);
    }

    void FillOutsideRectangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t argb) override {
        GpRegion* region = SurfaceRegion();
        if (region == nullptr) return;
        // Both edges clamped to two pixels around the surface, in order, so
        // the part of the rectangle on the surface stays the same.
        auto clamp = [](std::int64_t v, std::int32_t size) {
            return static_cast<INT>(std::clamp<std::int64_t>(v, -2, static_cast<std::int64_t>(size) + 2));
        };
        const INT ex0 = clamp(x, width_), ex1 = clamp(static_cast<std::int64_t>(x) + width, width_);
        const INT ey0 = clamp(y, height_), ey1 = clamp(static_cast<std::int64_t>(y) + height, height_);
        const Gdiplus::GpRect inner(ex0, ey0, ex1 - ex0, ey1 - ey0);
        if (gp::GdipCombineRegionRectI(region, &inner, Gdiplus::CombineModeXor) == Ok) Fill(region, argb);
        gp::GdipDeleteRegion(region);
    }

    void FillOutsideEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                            std::uint32_t argb) override {
        GpPath* path = nullptr;
        if (gp::GdipCreatePath(Gdiplus::FillModeAlternate, &path) != Ok) return;
        GpRegion* region = nullptr;
        Gdiplus::GpStatus added = Ok;
        if (Curve(x, y, width, height)) {
            added = gp::GdipAddPathEllipseI(path, x, y, width, height);
        } else if (const Polygon poly = EllipsePolygon(x, y, width, height, 0.0); poly.size() >= 3) {
            const std::vector<Gdiplus::PointF> points = ToPointsF(poly);
            added = gp::GdipAddPathPolygon(path, points.data(), static_cast<INT>(points.size()));
        }  // else nothing of the ellipse reaches the surface: all of it is filled
        if (added == Ok && (region = SurfaceRegion()) != nullptr) {
            if (gp::GdipCombineRegionPath(region, path, Gdiplus::CombineModeXor) == Ok) Fill(region, argb);
            gp::GdipDeleteRegion(region);
        }
        gp::GdipDeletePath(path);
    }

    void SelectFont(const FontDescription* font) override {
        if (font_ != nullptr) {
            gp::GdipDeleteFont(font_);
            font_ = nullptr;
        }
        ScreenDC screen;
        if (font != nullptr) {
            LOGFONTA logfont = Logfont(*font);
            if (gp::GdipCreateFontFromLogfontA(screen.get(), &logfont, &font_) == Ok) return;
            font_ = nullptr;
        }
        // The font selected into the screen's context; where that is a
        // bitmap font GDI+ cannot use, a regular font of the default face.
        if (gp::GdipCreateFontFromDC(screen.get(), &font_) == Ok) return;
        font_ = nullptr;
        const LOGFONTA fallback = Logfont(FontDescription{});
        if (gp::GdipCreateFontFromLogfontA(screen.get(), &fallback, &font_) == Ok) return;
        font_ = nullptr;
        GpFontFamily* family = nullptr;
        if (gp::GdipGetGenericFontFamilySansSerif(&family) != Ok) return;
        if (gp::GdipCreateFont(family, kFallbackEmPixels, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font_) !=
            Ok) {
            font_ = nullptr;
        }
        gp::GdipDeleteFontFamily(family);
    }

    TextBox MeasureString(std::u16string_view text, float x, float y) override {
        TextBox box;
        box.x = x;
        box.y = y;
        if (!EnsureFont()) return box;
        const WideText wide = Wide(text);
        const Gdiplus::RectF layout(x, y, 0.0f, 0.0f);
        Gdiplus::RectF measured(x, y, 0.0f, 0.0f);
        if (gp::GdipMeasureString(graphics_, wide.data, wide.length, font_, &layout, nullptr, &measured, nullptr,
                                  nullptr) == Ok) {
            box.x = measured.X;
            box.y = measured.Y;
            box.width = measured.Width;
            box.height = measured.Height;
        }
        return box;
    }

    void SetScaleTranslate(float sx, float sy, float tx, float ty) override {
        // Each call prepends, so points are scaled first and translated after.
        gp::GdipResetWorldTransform(graphics_);
        gp::GdipTranslateWorldTransform(graphics_, tx, ty, Gdiplus::MatrixOrderPrepend);
        gp::GdipScaleWorldTransform(graphics_, sx, sy, Gdiplus::MatrixOrderPrepend);
    }

    void DrawString(std::u16string_view text, float x, float y, std::uint32_t argb) override {
        if (!EnsureFont()) return;
        GpSolidFill* brush = nullptr;
        if (gp::GdipCreateSolidFill(argb, &brush) != Ok) return;
        const WideText wide = Wide(text);
        const Gdiplus::RectF layout(x, y, 0.0f, 0.0f);
        gp::GdipDrawString(graphics_, wide.data, wide.length, font_, &layout, nullptr, brush);
        gp::GdipDeleteBrush(brush);
    }

    void Flush() override { gp::GdipFlush(graphics_, Gdiplus::FlushIntentionFlush); }

private:
    // Em size of the last-resort font, about that of the screen's own font.
    static constexpr float kFallbackEmPixels = 13.0f;

    static LOGFONTA Logfont(const FontDescription& font) {
        LOGFONTA logfont;
        std::memset(&logfont, 0, sizeof logfont);
        logfont.lfHeight = font.height;
        logfont.lfWeight = font.weight;
        logfont.lfItalic = font.italic ? 1 : 0;
        logfont.lfUnderline = font.underline ? 1 : 0;
        logfont.lfStrikeOut = font.strikeOut ? 1 : 0;
        logfont.lfCharSet = font.charset;
        // The face is UTF-8; a logical font holds it in the ANSI code page.
        WCHAR wide[LF_FACESIZE];
        const int n = MultiByteToWideChar(CP_UTF8, 0, font.face.data(),
                                          static_cast<int>(std::min<std::size_t>(font.face.size(), INT_MAX)), wide,
                                          LF_FACESIZE - 1);
        if (n > 0) {
            WideCharToMultiByte(CP_ACP, 0, wide, n, logfont.lfFaceName, LF_FACESIZE - 1, nullptr, nullptr);
        }
        return logfont;
    }

    bool EnsureFont() {
        if (font_ == nullptr) SelectFont(nullptr);
        return font_ != nullptr;
    }

    // Whether the ellipse in the rectangle goes to GDI+ as a curve.
    static bool Curve(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
        return Within(x, kCurveRange) && Within(y, kCurveRange) &&
               Within(static_cast<double>(x) + width, kCurveRange) && Within(static_cast<double>(y) + height, kCurveRange);
    }

    // The ellipse inscribed in the rectangle at (x, y) of the given size
    // (negative sizes extend to the left / upward) as a closed polygon cut to
    // a box around the surface that an outline of width `pen` drawn along
    // the cut cannot reach; a flat ellipse is the segment across its
    // rectangle (two points) when it is outlined. Empty when nothing of it
    // can reach the surface.
    Polygon EllipsePolygon(double x, double y, double width, double height, double pen) const {
        const double rx = std::fabs(width) / 2, ry = std::fabs(height) / 2;
        const double cx = x + width / 2, cy = y + height / 2;
        const double m = pen + 4.0;
        if (cx + rx < -m || cx - rx > width_ + m || cy + ry < -m || cy - ry > height_ + m) return {};
        if (rx == 0.0 || ry == 0.0) {
            if (pen <= 0.0) return {};
            Polygon segment =
                ClipToBox({{x, y}, {x + width, y + height}}, -m, -m, width_ + m, height_ + m, TwoPoints::kSegment);
            if (segment.size() != 2) segment.clear();
            return segment;
        }
        Polygon cut = ClipToBox(EllipsePoints(cx, cy, rx, ry, EllipseSteps::kTurned), -m, -m, width_ + m, height_ + m,
                                TwoPoints::kSegment);
        if (cut.size() < 3) cut.clear();
        return cut;
    }

    // A line whose pen is wider than GDI+ takes: the rectangle around the
    // segment with flat ends, cut to the surface and filled.
    void WideLine(double x1, double y1, double x2, double y2, double half, std::uint32_t argb) {
        const double dx = x2 - x1, dy = y2 - y1;
        const double length = std::sqrt(dx * dx + dy * dy);
        if (length == 0.0) return;
        const double nx = -dy / length * half, ny = dx / length * half;
        const Polygon cut = ClipToBox({{x1 + nx, y1 + ny}, {x2 + nx, y2 + ny}, {x2 - nx, y2 - ny}, {x1 - nx, y1 - ny}},
                                      -4.0, -4.0, width_ + 4.0, height_ + 4.0, TwoPoints::kSegment);
        if (cut.size() >= 3) FillPolygon(cut, argb);
    }

    void FillPolygon(const Polygon& poly, std::uint32_t argb) {
        GpSolidFill* brush = nullptr;
        if (gp::GdipCreateSolidFill(argb, &brush) != Ok) return;
        const std::vector<Gdiplus::PointF> points = ToPointsF(poly);
        gp::GdipFillPolygon(graphics_, brush, points.data(), static_cast<INT>(points.size()),
                            Gdiplus::FillModeAlternate);
        gp::GdipDeleteBrush(brush);
    }

    // The whole surface as a region; null when GDI+ refuses it.
    GpRegion* SurfaceRegion() const {
        const Gdiplus::GpRect all(0, 0, width_, height_);
        GpRegion* region = nullptr;
        if (gp::GdipCreateRegionRectI(&all, &region) != Ok) return nullptr;
        return region;
    }

    void Fill(GpRegion* region, std::uint32_t argb) {
        GpSolidFill* brush = nullptr;
        if (gp::GdipCreateSolidFill(argb, &brush) != Ok) return;
        gp::GdipFillRegion(graphics_, brush, region);
        gp::GdipDeleteBrush(brush);
    }

    GdiplusUse gdiplus_;  // first made, last gone
    std::int32_t width_;
    std::int32_t height_;
    GpBitmap* bitmap_ = nullptr;
    GpGraphics* graphics_ = nullptr;
    GpFont* font_ = nullptr;
};

}  // namespace

std::unique_ptr<DrawingSurface> OpenSurface(std::uint8_t* pixels, std::int32_t width, std::int32_t height) {
    if (pixels == nullptr || width < 1 || height < 1 || width > INT_MAX / 4) return nullptr;
    std::unique_ptr<GdiplusSurface> surface(new (std::nothrow) GdiplusSurface(width, height));
    if (surface == nullptr || !surface->Open(pixels)) return nullptr;
    return surface;
}

}  // namespace vtx::draw
