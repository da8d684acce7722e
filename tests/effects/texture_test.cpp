// Texture effects against whole-image references written from their
// definitions. The random offsets of noise and diffusion come from the noise
// primitives (tested on their own), drawn with the fixed tick as seed; the
// references apply them as the effects are defined to.
#include <cmath>

#include "effects/effects.h"
#include "neighbourhood_support.h"
#include "primitives/rank_noise.h"
#include "session/tick_source.h"

namespace vtx_test {
namespace {

using vtx::VariantBool;
constexpr VariantBool kBools[] = {-1, 0, 1};

TEST(TextureEffects, MosaicAndDeinterlace) {
    for (int size : {-3, 0, 2, 4, 7, 200})
        for (VariantBool simple : kBools)
            ExpectImageRef("EffectMosaic " + std::to_string(size) + " " + std::to_string(simple),
                           [=](vtx::ImageSession& s, double c) { return vtx::EffectMosaic(s, c, size, simple); },
                           [=](const Image& in, double c, bool) {
                               const int n = static_cast<int>(std::clamp(size * c, 1.0, 255.0));
                               return MapPixels(in, [&](int x, int y, int ch) {
                                   const int bx = x / n * n, by = y / n * n, bw = std::min(n, in.w - bx), bh = std::min(n, in.h - by);
                                   int lo = 255;
                                   double sum = 0;
                                   for (int j = by; j < by + bh; ++j)
                                       for (int i = bx; i < bx + bw; ++i) lo = std::min(lo, int{At(in, i, j)[ch]}), sum += At(in, i, j)[ch];
                                   return simple == -1 ? lo : static_cast<int>(sum * (1.0 / (bw * bh)));
                               });
                           });
    for (VariantBool even : kBools)
        for (VariantBool interpolate : kBools)
            ExpectImageRef("EffectDeinterlace " + std::to_string(even) + " " + std::to_string(interpolate),
                           [=](vtx::ImageSession& s, double c) { return vtx::EffectDeinterlace(s, c, even, interpolate); },
                           [=](const Image& in, double c, bool) {
                               return MapPixels(in, [&](int x, int y, int ch) {
                                   const auto row = [&](int r) { return int{in.pixel(r * in.w + x)[ch]}; };
                                   if ((y % 2 == 0) != (even == -1)) return row(y);
                                   const int up = y > 0 ? row(y - 1) : 0, sum = up + row(std::min(y + 1, in.h - 1)), q = sum >> 1;
                                   // The last row takes the one above, the first (or all without interpolation) the one
                                   // below; else the mean, a tie going to the even neighbour.
                                   const int rep = y == in.h - 1 ? up : (interpolate != -1 || y == 0 ? row(y + 1) : (sum % 2 ? q + (q & 1) : q));
                                   return Compose(row(y), static_cast<int>(255 * (1 - c)), rep);
                               });
                           });
}

// The random offsets come from the noise primitives, seeded with the fixed
// tick (two values, so a seed that ignores the tick is seen).
TEST(TextureEffects, NoiseAndDiffuse) {
    for (std::uint32_t seed : {7u, 123456u}) {
        vtx::FixedTicks fixed(seed), *tick = &fixed;
        for (double level : {kNaN, 0.0, 30.0, 300.0, 5000.0})
            for (VariantBool mono : kBools)
                ExpectImageRef("EffectNoise " + std::to_string(level) + " " + std::to_string(mono),
                               [=](vtx::ImageSession& s, double c) { return s.setTickSource(tick), vtx::EffectNoise(s, c, level, mono); },
                               [=](const Image& in, double c, bool) {
                                   const double av = std::clamp(c * level, 1.0, 1000.0);
                                   const auto a = static_cast<std::int16_t>(std::isnan(av) ? 1 : static_cast<int>(av));
                                   // Uniform 16-bit offsets in [-a, a]: four samples a pixel, or one for all channels.
                                   std::vector<std::int16_t> off(static_cast<std::size_t>(in.count() * (mono != -1 ? 4 : 1)), 0);
                                   std::uint32_t s = seed;
                                   (mono != -1 ? vtx::px::AddRandUniform_Direct_16s_AC4IR : vtx::px::AddRandUniform_Direct_16s_C1IR)(
                                       off.data(), (mono != -1 ? 8 : 2) * in.w, {in.w, in.h}, static_cast<std::int16_t>(-a), a, &s);
                                   return MapPixels(in, [&](int x, int y, int ch) {
                                       const int n = y * in.w + x;
                                       return std::clamp(in.pixel(n)[ch] + (mono == -1 ? off[n] : off[4 * n + ch]), 0, 255);
                                   });
                               });
        for (double distance : {kNaN, -5.0, 1.5, 4.0, 300.0})
            ExpectImageRef("EffectDiffuse " + std::to_string(distance),
                           [=](vtx::ImageSession& s, double c) { return s.setTickSource(tick), vtx::EffectDiffuse(s, c, distance); },
                           [=](const Image& in, double c, bool) {
                               const float d = std::isnan(distance) ? 1.0f : static_cast<float>(std::clamp(distance, 1.0, 255.0));
                               std::vector<float> ox(static_cast<std::size_t>(in.count()), 0.0f), oy = ox;
                               std::uint32_t s = seed;
                               vtx::px::AddRandUniform_Direct_32f_C1IR(ox.data(), 4 * in.w, {in.w, in.h}, -d, d, &s);
                               vtx::px::AddRandUniform_Direct_32f_C1IR(oy.data(), 4 * in.w, {in.w, in.h}, -d, d, &s);
                               // The source pixel: the offset position clamped into the image, rounded.
                               const auto pick = [](float v, int hi) { return static_cast<int>(static_cast<double>(std::clamp(v, 0.0f, static_cast<float>(hi))) + 0.5); };
                               return MapPixels(in, [&](int x, int y, int ch) {
                                   const int n = y * in.w + x, sx = pick(static_cast<float>(x) + ox[n], in.w - 1), sy = pick(static_cast<float>(y) + oy[n], in.h - 1);
                                   return Compose(in.pixel(n)[ch], static_cast<int>(255 * (1 - c)), in.pixel(sy * in.w + sx)[ch]);
                               });
                           });
    }
}

}  // namespace
}  // namespace vtx_test
