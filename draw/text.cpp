// Text at a point, text stretched into a rectangle, and moving credits,
// drawn through the drawing surface.
#include <cstdint>
#include <cstdlib>

#include "draw/draw.h"
#include "draw/drawing_colour.h"
#include "draw/frame.h"
#include "session/frame.h"

namespace vtx {

std::int32_t DrawTextA(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                       std::u16string_view Text, const FontDescription* Font, std::int32_t Color,
                       std::int32_t Alpha) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::uint32_t argb = draw::DrawingColour(Color, draw::LowByteOfTrunc(Alpha * c));
    draw::WithSurface(s, [&](draw::DrawingSurface& surface) {
        surface.SelectFont(Font);
        surface.DrawString(Text, static_cast<float>(Left), static_cast<float>(Top), argb);
    });
    return 0;
}

std::int32_t DrawText2(ImageSession& s, double Completeness, std::int32_t Left, std::int32_t Top,
                       std::int32_t Right, std::int32_t Bottom, std::u16string_view Text,
                       const FontDescription* Font, std::int32_t Color, std::int32_t Alpha) {
    if (!s.HasImage()) return 1;
    const std::int64_t dx = static_cast<std::int64_t>(Right) - Left;
    const std::int64_t dy = static_cast<std::int64_t>(Bottom) - Top;
    if (std::llabs(dx) < 2 || std::llabs(dy) < 2) return 0;
    const double c = ClampCompleteness(Completeness);
    const std::uint32_t argb = draw::DrawingColour(Color, draw::LowByteOfTrunc(Alpha * c));
    draw::WithSurface(s, [&](draw::DrawingSurface& surface) {
        surface.SelectFont(Font);
        const draw::TextBox box = surface.MeasureString(Text, static_cast<float>(Left), static_cast<float>(Top));
        // Not normalised: a negative difference mirrors the text. An empty
        // box gives an infinite scale, which the surface does not draw.
        const float sx = static_cast<float>(dx) / box.width;
        const float sy = static_cast<float>(dy) / box.height;
        surface.SetScaleTranslate(sx, sy, static_cast<float>(Left), static_cast<float>(Top));
        surface.DrawString(Text, 0.0f, 0.0f, argb);
    });
    return 0;
}

namespace {

// Progress along the path and alpha of the credits at c, by timing profile.
struct CreditsTiming {
    double progress;
    std::uint32_t alpha;
};

CreditsTiming Timing(std::int32_t profile, double c, std::int32_t alpha) {
    const std::uint32_t a = draw::LowByteOfTrunc(alpha);
    switch (profile) {
        case 1: return {c, a};
        case 2: return {c < 0.25 ? 2 * c : (c <= 0.75 ? 0.5 : 2 * (c - 0.75) + 0.5), a};
        case 3: return {c * 0.5, a};
        case 4: return {c <= 0.5 ? c : 0.5, c > 0.75 ? draw::LowByteOfTrunc((1 - c) * alpha * 4) : a};
        case 5: return {c < 0.5 ? 0.5 : c, c < 0.25 ? draw::LowByteOfTrunc(alpha * c * 4) : a};
        default: return {0.0, a};
    }
}

bool IsCreditsType(std::int32_t type) {
    const std::int32_t direction = type / 1000, profile = type / 100 % 10, placement = type % 100;
    return type > 0 && (direction == 5 || direction == 6) && profile >= 1 && profile <= 5 && placement <= 2;
}

}  // namespace

std::int32_t DrawCredits(ImageSession& s, double Completeness, std::u16string_view Text,
                         const FontDescription* Font, std::int32_t Color, std::int32_t Alpha, std::int32_t Type) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const bool known = IsCreditsType(Type);
    const CreditsTiming timing = Timing(known ? Type / 100 % 10 : 0, c, Alpha);
    const std::uint32_t argb = draw::DrawingColour(Color, timing.alpha);
    const float w = static_cast<float>(s.width()), h = static_cast<float>(s.height());
    draw::WithSurface(s, [&](draw::DrawingSurface& surface) {
        surface.SelectFont(Font);
        const draw::TextBox box = surface.MeasureString(Text, 0.0f, 0.0f);
        const auto p = static_cast<float>(timing.progress);
        float x = 0.0f, y = 0.0f;
        if (known && Type / 1000 == 5) {
            x = (1 - p) * (w + 1) + (-(box.x + box.width) - 1) * p;
            const std::int32_t placement = Type % 10;
            y = placement == 0 ? (h - 1) - box.height : (placement == 1 ? h * 0.5f - box.height * 0.5f : 1.0f);
        } else if (known) {
            y = (1 - p) * (h + 1) + (-(box.y + box.height) - 1) * p;
            const std::int32_t placement = Type % 10;
            x = placement == 0 ? 1.0f : (placement == 1 ? (w - 1) * 0.5f - box.width * 0.5f : (w - 1) - box.width - 1.0f);
        }
        surface.DrawString(Text, x, y, argb);
    });
    return 0;
}

}  // namespace vtx
