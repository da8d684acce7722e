// The drawing surface on Windows: a GDI+ bitmap over the caller's pixels and
// one graphics context on it, driven through the flat GDI+ interface.
#include <windows.h>

#include <gdiplus.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

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
        GpPen* pen = nullptr;
        if (gp::GdipCreatePen1(argb, width, Gdiplus::UnitWorld, &pen) != Ok) return;
        gp::GdipDrawLineI(graphics_, pen, x1, y1, x2, y2);
        gp::GdipDeletePen(pen);
    }

    void FillEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t argb) override {
        GpSolidFill* brush = nullptr;
        if (gp::GdipCreateSolidFill(argb, &brush) != Ok) return;
        gp::GdipFillEllipseI(graphics_, brush, x, y, width, height);
        gp::GdipDeleteBrush(brush);
    }

    void DrawEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, float penWidth,
                     std::uint32_t argb) override {
        GpPen* pen = nullptr;
        if (gp::GdipCreatePen1(argb, penWidth, Gdiplus::UnitWorld, &pen) != Ok) return;
        gp::GdipDrawEllipseI(graphics_, pen, x, y, width, height);
        gp::GdipDeletePen(pen);
    }

    void FillOutsideRectangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                              std::uint32_t argb) override {
        GpRegion* region = SurfaceRegion();
        if (region == nullptr) return;
        const Gdiplus::GpRect inner(x, y, width, height);
        if (gp::GdipCombineRegionRectI(region, &inner, Gdiplus::CombineModeXor) == Ok) Fill(region, argb);
        gp::GdipDeleteRegion(region);
    }

    void FillOutsideEllipse(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                            std::uint32_t argb) override {
        GpPath* path = nullptr;
        if (gp::GdipCreatePath(Gdiplus::FillModeAlternate, &path) != Ok) return;
        GpRegion* region = nullptr;
        if (gp::GdipAddPathEllipseI(path, x, y, width, height) == Ok && (region = SurfaceRegion()) != nullptr) {
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
