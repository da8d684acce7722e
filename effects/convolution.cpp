// Convolution effects. Blur, sharpen and Gaussian blur build a kernel and
// leave the per-pixel work to the linear filter primitives over a bordered
// copy; motion blur and emboss are per-pixel code of their own reading the
// session's backup copy. Completeness is folded into each effect's own
// parameters; only blue, green and red are written.
#include <cmath>
#include <cstdint>

#include "effects/effects.h"
#include "primitives/conventions.h"
#include "primitives/linear_filter.h"
#include "primitives/pixel.h"
#include "session/frame.h"
#include "session/work_memory.h"

namespace vtx {

namespace {

constexpr double kDegreesToRadians = 0.017453292519944444;

// A level argument clamped to [lo, hi]; NaN counts as lo, the weakest
// setting, like a NaN Completeness.
double ClampLevel(double v, double lo, double hi) { return (v == v) ? ClampDouble(v, lo, hi) : lo; }

// Copies the image with a replicated one-pixel border and convolves it with
// the 3 x 3 kernel (anchor at the centre) back into the image.
void Convolve3x3(ImageSession& s, const float kernel[9]) {
    const std::int32_t w = s.width(), h = s.height();
    CallMemory memory(s);
    std::uint8_t* work = memory.Allocate(BorderedBytes(w, h, 1, 1, 4));
    if (work == nullptr) return;
    const std::int32_t workStep = 4 * (w + 2);
    px::CopyReplicateBorder_8u_AC4R(s.pixels(), s.stride(), ImageRoi(s), work, workStep, px::RoiSize{w + 2, h + 2},
                                    1, 1);
    px::Filter32f_8u_AC4R(work + workStep + 4, workStep, s.pixels(), s.stride(), ImageRoi(s), kernel,
                          px::RoiSize{3, 3}, px::RoiPoint{1, 1});
}

// Outer weights `outer`, centre `centre`, each rounded to single precision.
void FillKernel(float kernel[9], double outer, double centre) {
    for (int i = 0; i < 9; ++i) kernel[i] = static_cast<float>(outer);
    kernel[4] = static_cast<float>(centre);
}

// The column offset (cos) or row offset (sin) of a trail or emboss step,
// with clamped reads: coordinates are formed in 64 bits.
inline std::int32_t ClampCoord(std::int64_t v, std::int32_t size) {
    return static_cast<std::int32_t>(v < 0 ? 0 : (v >= size ? size - 1 : v));
}

}  // namespace

std::int32_t EffectBlur(ImageSession& s, double Completeness, double Level) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double level = ClampLevel(Level, 0.0, 100.0);
    const double b = 21.0 - c * level * 0.2;
    const double w = c / (8.0 + b);
    float kernel[9];
    FillKernel(kernel, w, b * w + (1.0 - c));
    Convolve3x3(s, kernel);
    return 0;
}

std::int32_t EffectSharpen(ImageSession& s, double Completeness, double Level) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double level = ClampLevel(Level, 0.0, 100.0);
    const double a = (1.0 - c * level * 0.01) * 23.0;
    const double q = c / (1.0 + a);
    float kernel[9];
    FillKernel(kernel, -q, (a + 9.0) * q + (1.0 - c));
    Convolve3x3(s, kernel);
    return 0;
}

std::int32_t EffectGaussianBlur(ImageSession& s, double Completeness, std::int32_t Size) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t n = px::TruncToInt32(ClampDouble(static_cast<double>(Size) * c, 1.0, 255.0));
    const std::int32_t w = s.width(), h = s.height();
    const std::int32_t length = 2 * n + 1;

    CallMemory memory(s);
    auto* kernel = reinterpret_cast<std::int32_t*>(memory.Allocate(std::int64_t{4} * length));
    std::uint8_t* tall = memory.Allocate(BorderedBytes(w, h, 0, n, 4));
    std::uint8_t* wide = memory.Allocate(BorderedBytes(w, h, n, 0, 4));
    if (kernel == nullptr || tall == nullptr || wide == nullptr) return 0;
    for (std::int32_t i = 0; i < length; ++i) kernel[i] = 1;

    const std::int32_t step = s.stride();
    const std::int32_t wideStep = 4 * (w + 2 * n);
    const px::RoiSize roi = ImageRoi(s);
    for (int pass = 0; pass < 2; ++pass) {
        px::CopyReplicateBorder_8u_AC4R(s.pixels(), step, roi, tall, step, px::RoiSize{w, h + 2 * n}, n, 0);
        px::FilterColumn_8u_AC4R(tall + static_cast<std::int64_t>(n) * step, step, s.pixels(), step, roi, kernel,
                                 length, n, length);
        px::CopyReplicateBorder_8u_AC4R(s.pixels(), step, roi, wide, wideStep, px::RoiSize{w + 2 * n, h}, 0, n);
        px::FilterRow_8u_AC4R(wide + 4 * n, wideStep, s.pixels(), step, roi, kernel, length, n, length);
    }
    return 0;
}

std::int32_t EffectMotionBlur(ImageSession& s, double Completeness, double Angle, double Distance) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double distance = ClampLevel(Distance, 1.0, 255.0);
    const double length = c * distance;
    const std::int32_t n = length < 1.0 ? 1 : px::TruncToInt32(length);
    const double theta = Angle * kDegreesToRadians;
    const double cosTheta = std::cos(theta), sinTheta = std::sin(theta);
    std::int32_t dx[255], dy[255];
    for (std::int32_t k = 0; k < n; ++k) {
        dx[k] = px::TruncToInt32(k * cosTheta + 0.5);
        dy[k] = px::TruncToInt32(k * sinTheta + 0.5);
    }
    if (!s.MakeBackupCopy()) return 0;
    const std::uint8_t* backup = s.backup();
    std::uint8_t* pixels = s.pixels();
    const std::int32_t w = s.width(), h = s.height();
    const bool useMask = s.useMask();
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int64_t at = 4 * (std::int64_t{y} * w + x);
            if (useMask && backup[at + 3] != 0) continue;
            std::int32_t sum[3] = {0, 0, 0};
            for (std::int32_t k = 0; k < n; ++k) {
                const std::int32_t sx = ClampCoord(std::int64_t{x} + dx[k], w);
                const std::int32_t sy = ClampCoord(std::int64_t{y} + dy[k], h);
                const std::uint8_t* p = backup + 4 * (std::int64_t{sy} * w + sx);
                sum[0] += p[0];
                sum[1] += p[1];
                sum[2] += p[2];
            }
            for (int ch = 0; ch < 3; ++ch) pixels[at + ch] = static_cast<std::uint8_t>(sum[ch] / n);
        }
    }
    s.FreeBackupCopy();
    return 0;
}

std::int32_t EffectEmboss(ImageSession& s, double Completeness, double Angle, double Distance, double Amount) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const double strength = ClampLevel(c * Amount, 1.0, 100.0) * 0.1;
    const double theta = Angle * kDegreesToRadians;
    const std::int64_t ox = px::TruncToInt32(std::cos(theta) * c * Distance * 0.5);
    const std::int64_t oy = px::TruncToInt32(std::sin(theta) * c * Distance * 0.5);
    if (!s.MakeBackupCopy()) return 0;
    const std::uint8_t* backup = s.backup();
    std::uint8_t* pixels = s.pixels();
    const std::int32_t w = s.width(), h = s.height();
    const bool useMask = s.useMask();
    for (std::int32_t y = 0; y < h; ++y) {
        const std::int64_t py = ClampCoord(y + oy, h), qy = ClampCoord(y - oy, h);
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int64_t at = 4 * (std::int64_t{y} * w + x);
            if (useMask && backup[at + 3] != 0) continue;
            const std::uint8_t* p = backup + 4 * (py * w + ClampCoord(x + ox, w));
            const std::uint8_t* q = backup + 4 * (qy * w + ClampCoord(x - ox, w));
            for (int ch = 0; ch < 3; ++ch) {
                const std::int32_t d = (p[ch] - q[ch] + 255) / 2;
                const double e = (d - 127) * strength + 127.0;
                const double clamped = e < 0.0 ? 0.0 : (e > 255.0 ? 255.0 : static_cast<double>(px::TruncToInt32(e)));
                pixels[at + ch] = static_cast<std::uint8_t>(
                    px::TruncToInt32(c * clamped + (1.0 - c) * backup[at + ch]));
            }
        }
    }
    s.FreeBackupCopy();
    return 0;
}

}  // namespace vtx
