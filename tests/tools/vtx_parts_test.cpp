// The parts of vtx behind the command line: the native executor binds parsed
// arguments to the component's functions (the same bytes and results as
// calling them directly); the demo's test card and labels.

#include <gtest/gtest.h>

#include <cmath>

#include "adjust/adjust.h"
#include "tools/vtx/gallery.h"
#include "tools/vtx/native_binding.h"
#include "tools/vtx/native_executor.h"
#include "tools/vtx/test_card.h"

namespace vtx::cli {
namespace {

// The agreement check between a function's C++ parameters and its table
// entry, which the executor's generated static_asserts rely on.
std::int32_t LongLevel(ImageSession&, double, std::int32_t) { return 0; }
std::int32_t DoubleLevel(ImageSession&, double, double) { return 0; }
std::int32_t NoLevel(ImageSession&, double) { return 0; }
std::int32_t BoolByValue(ImageSession&, VariantBool) { return 0; }
std::int32_t BoolByPointer(ImageSession&, VariantBool*) { return 0; }
template <auto F>
constexpr bool Agrees(std::string_view id) {
    return native::Bound<decltype(F), F>::Agrees(kMembers[native::IndexOfId(id)]);
}
static_assert(Agrees<&LongLevel>("AdjustBrightness") && !Agrees<&DoubleLevel>("AdjustBrightness") &&
              !Agrees<&NoLevel>("AdjustBrightness") && Agrees<&DoubleLevel>("AdjustContrast") &&
              Agrees<&BoolByPointer>("get_UseMask") && !Agrees<&BoolByValue>("get_UseMask") &&
              Agrees<&BoolByValue>("put_UseMask") && !Agrees<&BoolByPointer>("put_UseMask") &&
              native::IndexOfId("NoSuchMember") == -1);

TEST(NativeExecutor, CallsGiveWhatTheFunctionsGive) {
    const Image img = MakeTestCard(7, 5);
    const std::pair<const char*, std::int32_t (*)(ImageSession&)> rows[] = {
        {"AdjustInvert(0.75)", [](ImageSession& s) { return AdjustInvert(s, 0.75); }},
        {"adjustbrightnessex(1, 40, -0x28, 2.5)", [](ImageSession& s) { return AdjustBrightnessEx(s, 1, 40, -40, 2); }},
        {"AdjustThreshold(0.5, 100, true)", [](ImageSession& s) { return AdjustThreshold(s, 0.5, 100, -1); }},
        {"AdjustHue(1, -90.5)", [](ImageSession& s) { return AdjustHue(s, 1, -90.5); }},
        {"UtilitySwapChannels(2, 0, 1)", [](ImageSession& s) { return UtilitySwapChannels(s, 2, 0, 1); }},
        {"AdjustGamma(nan, 40)", [](ImageSession& s) { return AdjustGamma(s, std::nan(""), 40); }},
    };
    for (const auto& [text, direct] : rows) {
        NativeExecutor ex;
        ImageSession s;
        ASSERT_EQ(ex.SetImage(img) + s.SetImageCopy(img.data(), img.width, img.height), 0);
        PreparedCall call{ParseCall(text).call, {}};
        std::vector<ImageOutput> outputs;
        const CallOutcome outcome = ex.Run(call, outputs);
        Image got;
        EXPECT_TRUE(ex.GetImage(got) && outcome.result == direct(s) && outcome.value.empty()) << text;
        EXPECT_EQ(got.pixels, std::vector<std::uint8_t>(s.pixels(), s.pixels() + s.byteSize())) << text;
    }
}

TEST(NativeExecutor, SetSafeArrayCopiesAndSetSafeArrayPtrWorksInPlace) {
    NativeExecutor ex;
    std::vector<ImageOutput> outputs;
    for (std::string call : {"SetSafeArray(\"a.png\")", "SetSafeArrayPtr(\"a.png\")"}) {
        PreparedCall c{ParseCall(call).call, {MakeTestCard(4, 3)}};
        EXPECT_EQ(ex.Run(c, outputs).result, 0);
        EXPECT_EQ(ex.session().pixels() == c.images[0].data(), call.find("Ptr") != call.npos) << call;
    }
}

// White bar top left, black top right, a red bar, grey steps from black to
// white along the bottom; buffer row 0 is the bottom line.
TEST(TestCard, LayoutAndRowOrder) {
    const Image card = MakeTestCard(800, 600);
    const std::tuple<int, int, std::vector<int>> points[] = {{0, 0, {255, 255, 255, 0}}, {799, 0, {0, 0, 0, 0}},
        {550, 100, {0, 0, 255, 0}}, {0, 599, {0, 0, 0, 0}}, {799, 599, {255, 255, 255, 0}}};
    for (const auto& [x, y, bgra] : points) {
        const std::uint8_t* p = card.PictureAt(x, y);
        EXPECT_EQ(std::vector<int>(p, p + 4), bgra) << x << "," << y;
    }
}

// Labels reaching past every edge are clipped to the image.
TEST(Gallery, LabelsAreClipped) {
    Image img{6, 9, std::vector<std::uint8_t>(4 * 6 * 9, 0)};
    const std::uint8_t white[3] = {255, 255, 255};
    for (auto [x, y, text] : {std::tuple{-3, -4, "WWW"}, {5, 8, "M"}, {-1000000, 1000000, "x"}}) {
        DrawLabel(img, x, y, text, white, x == 5 ? 3 : 1);
    }
    EXPECT_NE(img.pixels, std::vector<std::uint8_t>(img.pixels.size(), 0));
}

}  // namespace
}  // namespace vtx::cli
