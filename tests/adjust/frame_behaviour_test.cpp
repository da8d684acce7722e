// Behaviour every colour adjustment shares: result codes without an image,
// the clamp of Completeness, and which pixels the mask lets through.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include "adjust/adjust.h"
#include "adjust_test_support.h"

namespace vtx_test {
namespace {

using vtx::ImageSession;

struct Case {
    std::string name;
    WithCompleteness op;
    bool honoursMask;
    bool identityAtZero;  // C = 0 leaves every byte as it was
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"Brightness", [](ImageSession& s, double c) { return vtx::AdjustBrightness(s, c, 60); }, false, true},
        {"BrightnessEx", [](ImageSession& s, double c) { return vtx::AdjustBrightnessEx(s, c, 30, -50, 10); }, false,
         true},
        {"Contrast", [](ImageSession& s, double c) { return vtx::AdjustContrast(s, c, 40.0); }, true, true},
        {"Gamma", [](ImageSession& s, double c) { return vtx::AdjustGamma(s, c, -30.0); }, true, true},
        {"Invert", [](ImageSession& s, double c) { return vtx::AdjustInvert(s, c); }, true, true},
        {"Posterize", [](ImageSession& s, double c) { return vtx::AdjustPosterize(s, c, 4); }, true, true},
        {"Threshold", [](ImageSession& s, double c) { return vtx::AdjustThreshold(s, c, 100, 0); }, true, true},
        {"Temperature", [](ImageSession& s, double c) { return vtx::AdjustTemperature(s, c, 70.0); }, true, true},
        {"Colorize", [](ImageSession& s, double c) { return vtx::AdjustColorize(s, c, 200, 100, 50); }, true, true},
        {"Equalize", [](ImageSession& s, double c) { return vtx::AdjustEqualize(s, c); }, false, true},
        {"GrayscaleLuminance", [](ImageSession& s, double c) { return vtx::AdjustGrayscale(s, c, 0); }, false, true},
        {"GrayscaleLightness",
         [](ImageSession& s, double c) { return vtx::AdjustGrayscale(s, c, vtx::kVariantTrue); }, false, true},
        {"Autocontrast", [](ImageSession& s, double c) { return vtx::AdjustAutocontrast(s, c); }, true, true},
        {"Autolevels", [](ImageSession& s, double c) { return vtx::AdjustAutolevels(s, c); }, true, true},
        {"Hue", [](ImageSession& s, double c) { return vtx::AdjustHue(s, c, 75.0); }, true, true},
        // The 8-bit HLS round trip may move bytes even at C = 0.
        {"Saturation", [](ImageSession& s, double c) { return vtx::AdjustSaturation(s, c, 40.0); }, false, false},
        {"SwapChannels", [](ImageSession& s, double) { return vtx::UtilitySwapChannels(s, 2, 0, 1); }, false, false},
    };
    return cases;
}

// Images mixing alpha 0 and 255 in different orders, and other alpha values.
std::vector<Image> MaskImages() {
    std::vector<Image> images;
    for (const Size sz : TestSizes()) {
        Image zeroFirst = RandomImage(sz.w, sz.h, 4000 + sz.w, AlphaMix::Zero);
        Image opaqueFirst = RandomImage(sz.w, sz.h, 4100 + sz.h, AlphaMix::Zero);
        Image alternating = RandomImage(sz.w, sz.h, 4200 + sz.w, AlphaMix::Zero);
        for (int n = 0; n < zeroFirst.count(); ++n) {
            const bool firstHalf = n < zeroFirst.count() / 2;
            zeroFirst.pixel(n)[3] = firstHalf ? 0 : 255;
            opaqueFirst.pixel(n)[3] = firstHalf ? 255 : 0;
            alternating.pixel(n)[3] = (n % 2) ? 255 : 0;
        }
        images.push_back(zeroFirst);
        images.push_back(opaqueFirst);
        images.push_back(alternating);
        images.push_back(RandomImage(sz.w, sz.h, 4300 + sz.w * sz.h, AlphaMix::Mixed));
    }
    return images;
}

TEST(AdjustFrame, NoImageGivesOneExceptNoChangeTests) {
    ImageSession empty;
    for (const Case& c : Cases()) EXPECT_EQ(c.op(empty, 1.0), 1) << c.name;

    // An image refused for its size leaves no usable image either.
    ImageSession narrow;
    const std::vector<std::uint8_t> column(4 * 5, 9);
    EXPECT_EQ(narrow.SetImageCopy(column.data(), 1, 5), 1);
    for (const Case& c : Cases()) EXPECT_EQ(c.op(narrow, 0.5), 1) << c.name;

    // The no-change tests come first.
    const std::pair<std::int32_t, Operation> early[] = {
        {0, OP(AdjustBrightness(s, 1.0, 0))},        {0, OP(AdjustBrightnessEx(s, 1.0, 0, 0, 0))},
        {1, OP(AdjustBrightnessEx(s, 1.0, 0, 0, 1))}, {0, OP(AdjustContrast(s, 1.0, 1.0))},
        {0, OP(AdjustContrast(s, 1.0, 0.9991))},      {0, OP(AdjustContrast(s, 1.0, 1.0009))},
        {0, OP(AdjustGamma(s, 1.0, 1.0))},            {0, OP(AdjustGamma(s, 0.3, 0.9995))},
        {1, OP(AdjustGamma(s, 1.0, 2.0))},            {1, OP(AdjustContrast(s, 1.0, kNaN))},
        {1, OP(AdjustGamma(s, 1.0, kNaN))},           {1, OP(AdjustThreshold(s, 1.0, 128, vtx::kVariantTrue))},
        {1, OP(AdjustSaturation(s, kNaN, kNaN))},     {1, OP(AdjustHue(s, kInf, -kInf))},
    };
    for (std::size_t i = 0; i < std::size(early); ++i) EXPECT_EQ(early[i].second(empty), early[i].first) << i;
}

TEST(AdjustFrame, CompletenessIsClampedAndNaNActsAsZero) {
    const Image in = RandomImage(17, 9, 4400);
    for (const Case& c : Cases()) {
        auto run = [&](double comp) { return RunOp(in, false, [&](ImageSession& s) { return c.op(s, comp); }); };
        const Image zero = run(0.0), one = run(1.0);
        EXPECT_IMAGE_EQ(run(-0.5), zero) << c.name;
        EXPECT_IMAGE_EQ(run(-kInf), zero) << c.name;
        EXPECT_IMAGE_EQ(run(kNaN), zero) << c.name;
        EXPECT_IMAGE_EQ(run(7.0), one) << c.name;
        EXPECT_IMAGE_EQ(run(kInf), one) << c.name;
        if (c.identityAtZero) {
            EXPECT_IMAGE_EQ(zero, in) << c.name;
        }
        if (c.name != "SwapChannels") {
            EXPECT_NE(one, in) << c.name;
        }
    }
}

// With the mask only the pixels of alpha 0 change; alpha bytes never do.
TEST(AdjustFrame, MaskLetsThroughExactlyTheAlphaZeroPixels) {
    for (const Image& in : MaskImages()) {
        for (const Case& c : Cases()) {
            for (double comp : {1.0, 0.6}) {
                const Image plain = RunOp(in, false, [&](ImageSession& s) { return c.op(s, comp); });
                const Image masked = RunOp(in, true, [&](ImageSession& s) { return c.op(s, comp); });
                for (int n = 0; n < in.count(); ++n) ASSERT_EQ(plain.pixel(n)[3], in.pixel(n)[3]) << c.name;
                Image expected = plain;
                for (int n = 0; c.honoursMask && n < in.count(); ++n) {
                    if (in.pixel(n)[3] != 0) std::copy(in.pixel(n), in.pixel(n) + 4, expected.pixel(n));
                }
                EXPECT_IMAGE_EQ(masked, expected) << c.name << " " << in.w << "x" << in.h;
            }
        }
    }
}

}  // namespace
}  // namespace vtx_test
