// Histogram adjustments: whole-image conversions composed with the unchanged
// image (equalize, grayscale), and stretches derived from image-wide
// histograms (autocontrast, autolevels).
#include <cstdint>
#include <climits>

#include "adjust/adjust.h"
#include "primitives/conventions.h"
#include "primitives/pixel.h"
#include "session/frame.h"

namespace vtx {

namespace {

// Stretch table entry for a cut [lo, lo + r): ((i − lo)·255) / r in double
// precision, clamped to a byte.
std::uint8_t StretchEntry(std::int32_t i, std::int32_t lo, std::int32_t r) {
    return ClampByte(static_cast<double>(i - lo) * 255.0 / static_cast<double>(r));
}

// Blends the stretch [lo, hi] with the identity by C into t.
void BuildStretchTable(std::int32_t lo, std::int32_t hi, double c, std::uint8_t t[256]) {
    if (lo > 254) lo = 254;
    if (hi <= lo + 1) hi = lo + 1;
    const std::int32_t r = hi - lo;
    for (int i = 0; i < 256; ++i) t[i] = BlendEntry(StretchEntry(i, lo, r), i, c);
}

}  // namespace

std::int32_t AdjustEqualize(ImageSession& s, double Completeness) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    std::uint8_t* const squared = s.Scratch(s.byteSize());
    if (squared == nullptr) return 0;
    const std::int32_t step = s.stride();
    const px::RoiSize roi = ImageRoi(s);
    // v²/128, saturated: bytes up to 127 darken, 128 stays, 181 and up
    // saturate. The squaring allocates a temporary row; when that fails the
    // squared image holds nothing usable and the image stays as it was.
    if (px::Sqr_8u_AC4RSfs(s.pixels(), step, squared, step, roi, 7) != px::kStsOk) return 0;
    // The squared image is source 1 here, at opacity trunc(255·C), over the
    // unchanged image as source 2. The composition reads each pixel before it
    // writes it, so the image itself serves as source 2 and destination: the
    // same bytes as composing over a copy of it.
    const std::uint8_t alpha1 = static_cast<std::uint8_t>(px::TruncToInt32(255.0 * c));
    px::AlphaCompC_8u_AC4R(squared, step, alpha1, s.pixels(), step, 255, s.pixels(), step, roi, 0);
    return 0;
}

std::int32_t AdjustGrayscale(ImageSession& s, double Completeness, VariantBool Desaturate) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t bytes = s.byteSize();
    const std::int32_t planeBytes = bytes / 4;
    const std::int32_t step = s.stride();
    const std::int32_t planeStep = s.regionWidth();
    const px::RoiSize roi = ImageRoi(s);

    // The session's work image holds the grey image and, after it, the grey plane.
    if (bytes > INT32_MAX - planeBytes) return 0;
    std::uint8_t* const work = s.Scratch(bytes + planeBytes);
    if (work == nullptr) return 0;
    std::uint8_t* const plane = work + bytes;
    if (Desaturate == kVariantTrue) {
        // Grey value = HLS lightness (the lightness byte of the conversion, alone).
        px::Lightness_8u_AC4C1R(s.pixels(), step, plane, planeStep, roi);
    } else {
        // Grey value = weighted luminance.
        const float weights[3] = {0.11f, 0.59f, 0.30f};  // blue, green, red
        px::ColorToGray_8u_AC4C1R(s.pixels(), step, plane, planeStep, roi, weights);
    }
    const std::uint8_t* const planes[4] = {plane, plane, plane, plane};
    px::Copy_8u_P4C4R(planes, planeStep, work, step, roi);
    BlendWithOriginal(s, s.pixels(), step, work, step, c);
    return 0;
}

std::int32_t AdjustAutocontrast(ImageSession& s, double Completeness) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);

    // One histogram over blue, green and red of every pixel (mask not
    // considered).
    std::uint32_t h[256] = {};
    const std::uint8_t* p = s.pixels();
    const std::int64_t count = s.byteSize() / 4;
    for (std::int64_t n = 0; n < count; ++n, p += 4) {
        ++h[p[0]];
        ++h[p[1]];
        ++h[p[2]];
    }

    const std::int64_t thr = px::MulDiv(s.byteSize(), 5, 100);
    std::int32_t lo = 0;
    std::int64_t sum = 0;
    for (int k = 0; k < 256; ++k) {
        if (sum >= thr) {
            lo = k;
            break;
        }
        sum += h[k];
    }
    std::int32_t hi = 0;
    sum = 0;
    for (int k = 255; k >= 0; --k) {
        if (sum >= thr) {
            hi = k;
            break;
        }
        sum += h[k];
    }

    std::uint8_t t[256];
    BuildStretchTable(lo, hi, c, t);
    ApplyChannelTable(s, t);
    return 0;
}

std::int32_t AdjustAutolevels(ImageSession& s, double Completeness) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);

    // h[0] blue, h[1] green, h[2] red.
    std::uint32_t h[3][256] = {};
    const std::uint8_t* p = s.pixels();
    const std::int64_t count = s.byteSize() / 4;
    for (std::int64_t n = 0; n < count; ++n, p += 4) {
        ++h[0][p[0]];
        ++h[1][p[1]];
        ++h[2][p[2]];
    }

    const std::int64_t thr = px::MulDiv(s.byteSize() / 3, 5, 100);
    std::uint8_t t[3][256];
    for (int ch = 0; ch < 3; ++ch) {
        // Smallest k in 1..255 whose samples below k reach the cut; 0 if none.
        std::int32_t lo = 0;
        std::int64_t sum = 0;
        for (int k = 0; k < 256; ++k) {
            if (k > 0 && sum >= thr) {
                lo = k;
                break;
            }
            sum += h[ch][k];
        }
        // Largest k in 1..255 whose samples above k reach the cut; 0 if none.
        std::int32_t hi = 0;
        sum = 0;
        for (int k = 255; k > 0; --k) {
            if (sum >= thr) {
                hi = k;
                break;
            }
            sum += h[ch][k];
        }
        BuildStretchTable(lo, hi, c, t[ch]);
    }
    ApplyChannelTables(s, t[2], t[1], t[0]);
    return 0;
}

}  // namespace vtx
