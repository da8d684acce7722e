// Texture effects: mosaic blocks, uniform noise (per channel or the same
// offset in all three), diffusion (every pixel taken from a random position
// nearby) and deinterlacing (one field of rows rebuilt from the other).
// They write blue, green and red only; alpha keeps its value.
#include <cstdint>
#include <cstring>

#include "effects/effects.h"
#include "primitives/conventions.h"
#include "primitives/geometry.h"
#include "primitives/pixel.h"
#include "primitives/rank_noise.h"
#include "session/frame.h"
#include "session/work_memory.h"

namespace vtx {

namespace {

// A VARIANT_BOOL argument is true only as -1.
bool IsTrue(VariantBool v) { return v == kVariantTrue; }

// Opacity of the unchanged image in the compositions of this file.
std::uint8_t KeepAlpha(double c) { return static_cast<std::uint8_t>(px::TruncToInt32(255.0 * (1.0 - c))); }

// One mosaic block of bw x bh pixels at p: its minimum (simple) or its
// truncated mean (average) fills it.
void FillBlock(std::uint8_t* p, std::int32_t step, std::int32_t bw, std::int32_t bh, bool simple) {
    const px::RoiSize size{bw, bh};
    std::uint8_t value[3];
    if (simple) {
        px::Min_8u_AC4R(p, step, size, value);
    } else {
        double sum[3];
        px::Sum_8u_AC4R(p, step, size, sum);
        const double r = 1.0 / (static_cast<double>(bw) * static_cast<double>(bh));
        for (int k = 0; k < 3; ++k) value[k] = static_cast<std::uint8_t>(px::TruncToInt32(sum[k] * r));
    }
    px::Set_8u_AC4R(value, p, step, size);
}

}  // namespace

std::int32_t EffectMosaic(ImageSession& s, double Completeness, std::int32_t Size, VariantBool Simple) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // NaN cannot arise: Size is an integer and c is clamped.
    const std::int32_t n = px::TruncToInt32(ClampDouble(static_cast<double>(Size) * c, 1.0, 255.0));
    // Blocks of one pixel are the pixels themselves.
    if (n <= 1) return 0;
    const bool simple = IsTrue(Simple);
    const std::int32_t w = s.width(), h = s.height(), step = s.stride();
    // Blocks never overlap and each is read before it is written, so they
    // are visited row of blocks by row of blocks; the last row and column
    // take the remainders.
    for (std::int32_t y = 0; y < h; y += n) {
        const std::int32_t bh = h - y < n ? h - y : n;
        for (std::int32_t x = 0; x < w; x += n) {
            const std::int32_t bw = w - x < n ? w - x : n;
            FillBlock(s.pixels() + static_cast<std::int64_t>(y) * step + 4 * x, step, bw, bh, simple);
        }
    }
    return 0;
}

std::int32_t EffectNoise(ImageSession& s, double Completeness, double Level, VariantBool Mono) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // A NaN level gives the least amplitude, 1.
    const double av = ClampDouble(c * Level, 1.0, 1000.0);
    const auto a = static_cast<std::int16_t>(av == av ? px::TruncToInt32(av) : 1);
    const std::int32_t w = s.width(), h = s.height();
    const px::RoiSize roi = ImageRoi(s);
    CallMemory memory(s);
    const std::uint32_t tick = s.ticks().Now();
    if (!IsTrue(Mono)) {
        auto* work = reinterpret_cast<std::int16_t*>(memory.Allocate(std::int64_t{8} * w * h));
        if (work == nullptr) return 0;
        std::uint32_t seed = tick;
        px::Convert_8u16s_AC4R(s.pixels(), s.stride(), work, 8 * w, roi);
        px::AddRandUniform_Direct_16s_AC4IR(work, 8 * w, roi, static_cast<std::int16_t>(-a), a, &seed);
        px::Convert_16s8u_AC4R(work, 8 * w, s.pixels(), s.stride(), roi);
        return 0;
    }
    std::uint8_t* bytes = memory.Allocate(std::int64_t{1} * w * h);
    auto* work = reinterpret_cast<std::int16_t*>(memory.Allocate(std::int64_t{2} * w * h));
    if (bytes == nullptr || work == nullptr) return 0;
    // The tick is read once per call and every channel restarts from it, so
    // blue, green and red receive the same offsets.
    for (std::int32_t ch = 0; ch < 3; ++ch) {
        std::uint32_t seed = tick;
        px::Copy_8u_C4C1R(s.pixels() + ch, s.stride(), bytes, w, roi);
        px::Convert_8u16s_C1R(bytes, w, work, 2 * w, roi);
        px::AddRandUniform_Direct_16s_C1IR(work, 2 * w, roi, static_cast<std::int16_t>(-a), a, &seed);
        px::Convert_16s8u_C1R(work, 2 * w, bytes, w, roi);
        px::Copy_8u_C1C4R(bytes, w, s.pixels() + ch, s.stride(), roi);
    }
    return 0;
}

std::int32_t EffectDiffuse(ImageSession& s, double Completeness, double Distance) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    // A NaN distance gives the least distance, 1.
    double dd = ClampDouble(Distance, 1.0, 255.0);
    if (!(dd == dd)) dd = 1.0;
    const auto d = static_cast<float>(dd);
    const std::int32_t w = s.width(), h = s.height();
    const px::RoiSize roi = ImageRoi(s);
    const std::int64_t frame = std::int64_t{4} * w * h;
    CallMemory memory(s);
    auto* xs = reinterpret_cast<float*>(memory.Allocate(frame));
    auto* ys = reinterpret_cast<float*>(memory.Allocate(frame));
    std::uint8_t* result = memory.Allocate(frame);
    if (xs == nullptr || ys == nullptr || result == nullptr) return 0;
    for (std::int32_t y = 0; y < h; ++y) {
        float* xr = xs + static_cast<std::int64_t>(y) * w;
        float* yr = ys + static_cast<std::int64_t>(y) * w;
        for (std::int32_t x = 0; x < w; ++x) {
            xr[x] = static_cast<float>(x);
            yr[x] = static_cast<float>(y);
        }
    }
    std::uint32_t seed = s.ticks().Now();
    px::AddRandUniform_Direct_32f_C1IR(xs, 4 * w, roi, -d, d, &seed);
    px::AddRandUniform_Direct_32f_C1IR(ys, 4 * w, roi, -d, d, &seed);
    const auto xMax = static_cast<float>(w - 1), yMax = static_cast<float>(h - 1);
    px::Threshold_LTValGTVal_32f_C1IR(xs, 4 * w, roi, 0.0f, 0.0f, xMax, xMax);
    px::Threshold_LTValGTVal_32f_C1IR(ys, 4 * w, roi, 0.0f, 0.0f, yMax, yMax);
    // The result starts as a copy of the image, so its alpha bytes (which
    // the remap does not write) are defined; the composition keeps the
    // image's own alpha anyway.
    std::memcpy(result, s.pixels(), static_cast<std::size_t>(frame));
    px::Remap_8u_AC4R(s.pixels(), px::RoiSize{w, h}, s.stride(), px::RoiRect{0, 0, w, h}, xs, 4 * w, ys, 4 * w,
                      result, 4 * w, px::RoiSize{w, h}, px::kInterNearest);
    BlendWithOriginal(s, s.pixels(), s.stride(), result, 4 * w, c);
    return 0;
}

std::int32_t EffectDeinterlace(ImageSession& s, double Completeness, VariantBool Even, VariantBool Interpolate) {
    if (!s.HasImage()) return 1;
    const double c = ClampCompleteness(Completeness);
    const std::int32_t w = s.width(), h = s.height(), step = s.stride();
    const bool interpolate = IsTrue(Interpolate);
    CallMemory memory(s);
    std::uint8_t* mean = nullptr;
    if (interpolate) {
        mean = memory.Allocate(std::int64_t{4} * w);
        if (mean == nullptr) return 0;
        std::memset(mean, 0, static_cast<std::size_t>(4) * static_cast<std::size_t>(w));
    }
    const std::uint8_t alpha = KeepAlpha(c);
    const px::RoiSize row{w, 1};
    auto rowAt = [&](std::int32_t r) { return s.pixels() + static_cast<std::int64_t>(r) * step; };
    for (std::int32_t r = IsTrue(Even) ? 0 : 1; r < h; r += 2) {
        const std::uint8_t* replacement;
        if (r == h - 1) {
            replacement = rowAt(r - 1);
        } else if (!interpolate || r == 0) {
            replacement = rowAt(r + 1);
        } else {
            px::Add_8u_AC4RSfs(rowAt(r - 1), step, rowAt(r + 1), step, mean, 4 * w, row, 1);
            replacement = mean;
        }
        px::AlphaCompC_8u_AC4R(rowAt(r), step, alpha, replacement, step, 255, rowAt(r), step, row, 0);
    }
    return 0;
}

}  // namespace vtx
