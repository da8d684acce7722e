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

// Drawn from the seed `tick`: `count` uniform 16-bit offsets in [-a, a]
// (samples of the AC4 or C1 layout), or floats in [-d, d] for two maps.
std::vector<std::int16_t> Offsets16(int w, int h, int a, std::uint32_t tick, bool fourChannels) {
    std::vector<std::int16_t> v(static_cast<std::size_t>(w * h * (fourChannels ? 4 : 1)), 0);
    std::uint32_t seed = tick;
    const auto lo = static_cast<std::int16_t>(-a), hi = static_cast<std::int16_t>(a);
    if (fourChannels) {
        vtx::px::AddRandUniform_Direct_16s_AC4IR(v.data(), 8 * w, {w, h}, lo, hi, &seed);
    } else {
        vtx::px::AddRandUniform_Direct_16s_C1IR(v.data(), 2 * w, {w, h}, lo, hi, &seed);
    }
    return v;
}

int Sat(int v) { return std::clamp(v, 0, 255); }

// Each case: its call (with the tick fixed to 7 or 123456) and its reference.
struct TextureCase {
    std::string name;
    Op op;
    ImageRef ref;
};

std::vector<TextureCase> Cases() {
    static vtx::FixedTicks ticks[2] = {vtx::FixedTicks(7), vtx::FixedTicks(123456)};
    const std::uint32_t tickValues[2] = {7, 123456};
    std::vector<TextureCase> cases;
    for (int size : {-3, 0, 2, 4, 7, 200}) {
        for (VariantBool simple : {VariantBool{-1}, VariantBool{0}, VariantBool{1}}) {
            cases.push_back({"EffectMosaic " + std::to_string(size) + " " + std::to_string(simple),
                             [=](vtx::ImageSession& s, double c) { return vtx::EffectMosaic(s, c, size, simple); },
                             [=](const Image& in, double c, bool) {
                                 const int n = static_cast<int>(std::clamp(size * c, 1.0, 255.0));
                                 return MapPixels(in, [&](int x, int y, int ch) {
                                     const int bx = x / n * n, by = y / n * n;
                                     const int bw = std::min(n, in.w - bx), bh = std::min(n, in.h - by);
                                     int lo = 255;
                                     double sum = 0;
                                     for (int j = by; j < by + bh; ++j)
                                         for (int i = bx; i < bx + bw; ++i) lo = std::min(lo, int{At(in, i, j)[ch]}), sum += At(in, i, j)[ch];
                                     return simple == -1 ? lo : static_cast<int>(sum * (1.0 / (bw * bh)));
                                 });
                             }});
        }
    }
    for (int t = 0; t < 2; ++t) {
        vtx::FixedTicks* tick = &ticks[t];
        const std::uint32_t seed = tickValues[t];
        for (double level : {kNaN, 0.0, 30.0, 300.0, 5000.0}) {
            for (VariantBool mono : {VariantBool{-1}, VariantBool{0}, VariantBool{1}}) {
                cases.push_back({"EffectNoise " + std::to_string(level) + " " + std::to_string(mono),
                                 [=](vtx::ImageSession& s, double c) {
                                     s.setTickSource(tick);
                                     return vtx::EffectNoise(s, c, level, mono);
                                 },
                                 [=](const Image& in, double c, bool) {
                                     const double av = std::clamp(c * level, 1.0, 1000.0);
                                     const int a = std::isnan(av) ? 1 : static_cast<int>(av);
                                     const auto off = Offsets16(in.w, in.h, a, seed, mono != -1);
                                     return MapPixels(in, [&](int x, int y, int ch) {
                                         const int n = y * in.w + x;
                                         return Sat(in.pixel(n)[ch] + (mono == -1 ? off[n] : off[4 * n + ch]));
                                     });
                                 }});
            }
        }
        for (double distance : {kNaN, -5.0, 1.5, 4.0, 300.0}) {
            cases.push_back({"EffectDiffuse " + std::to_string(distance),
                             [=](vtx::ImageSession& s, double c) {
                                 s.setTickSource(tick);
                                 return vtx::EffectDiffuse(s, c, distance);
                             },
                             [=](const Image& in, double c, bool) {
                                 const float d = std::isnan(distance) ? 1.0f
                                                                      : static_cast<float>(std::clamp(distance, 1.0, 255.0));
                                 std::vector<float> ox(static_cast<std::size_t>(in.count()), 0.0f), oy = ox;
                                 std::uint32_t s = seed;
                                 vtx::px::AddRandUniform_Direct_32f_C1IR(ox.data(), 4 * in.w, {in.w, in.h}, -d, d, &s);
                                 vtx::px::AddRandUniform_Direct_32f_C1IR(oy.data(), 4 * in.w, {in.w, in.h}, -d, d, &s);
                                 const auto pick = [](float v, int hi) {
                                     const float t = v < 0.0f ? 0.0f : (v > static_cast<float>(hi) ? static_cast<float>(hi) : v);
                                     return static_cast<int>(static_cast<double>(t) + 0.5);
                                 };
                                 const int a1 = static_cast<int>(255 * (1 - c));
                                 return MapPixels(in, [&](int x, int y, int ch) {
                                     const int n = y * in.w + x;
                                     const int sx = pick(static_cast<float>(x) + ox[n], in.w - 1);
                                     const int sy = pick(static_cast<float>(y) + oy[n], in.h - 1);
                                     return Compose(in.pixel(n)[ch], a1, in.pixel(sy * in.w + sx)[ch]);
                                 });
                             }});
        }
    }
    for (VariantBool even : {VariantBool{-1}, VariantBool{0}, VariantBool{1}}) {
        for (VariantBool interpolate : {VariantBool{-1}, VariantBool{0}, VariantBool{1}}) {
            cases.push_back({"EffectDeinterlace " + std::to_string(even) + " " + std::to_string(interpolate),
                             [=](vtx::ImageSession& s, double c) { return vtx::EffectDeinterlace(s, c, even, interpolate); },
                             [=](const Image& in, double c, bool) {
                                 const int a1 = static_cast<int>(255 * (1 - c));
                                 return MapPixels(in, [&](int x, int y, int ch) {
                                     const int v = in.pixel(y * in.w + x)[ch];
                                     if ((y % 2 == 0) != (even == -1)) return v;
                                     const auto row = [&](int r) { return int{in.pixel(r * in.w + x)[ch]}; };
                                     int rep;
                                     if (y == in.h - 1) {
                                         rep = row(y - 1);
                                     } else if (interpolate != -1 || y == 0) {
                                         rep = row(y + 1);
                                     } else {  // the mean, a tie going to the even neighbour
                                         const int q = (row(y - 1) + row(y + 1)) >> 1;
                                         rep = (row(y - 1) + row(y + 1)) % 2 ? q + (q & 1) : q;
                                     }
                                     return Compose(v, a1, rep);
                                 });
                             }});
        }
    }
    return cases;
}

TEST(TextureEffects, AgainstWholeImageReferences) {
    for (const TextureCase& k : Cases()) ExpectImageRef(k.name, k.op, k.ref);
}

// Without a fixed tick the seed follows the clock; with one, two runs agree.
TEST(TextureEffects, TickSourceSeedsEachCall) {
    const Image& in = TestImages()[0];
    struct Counter final : vtx::TickSource {
        std::uint32_t next = 1;
        std::uint32_t Now() override { return next++; }
    } counter;
    const Op noise = [&](vtx::ImageSession& s, double c) {
        s.setTickSource(&counter);
        return vtx::EffectNoise(s, c, 40, 0);
    };
    const Image first = Apply(in, false, 1.0, noise), second = Apply(in, false, 1.0, noise);
    EXPECT_NE(first.px, second.px);
    counter.next = 1;
    EXPECT_EQ(Apply(in, false, 1.0, noise).px, first.px);
}

}  // namespace
}  // namespace vtx_test
