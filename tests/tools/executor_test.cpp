#include "tools/vtx/native_executor.h"

#include <gtest/gtest.h>

#include <random>

#include "adjust/adjust.h"
#include "tools/vtx/native_binding.h"

namespace vtx::cli {
namespace {

Image RandomImage(std::int32_t w, std::int32_t h, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Image img;
    img.width = w;
    img.height = h;
    img.pixels.resize(4 * static_cast<std::size_t>(w) * h);
    for (auto& b : img.pixels) b = static_cast<std::uint8_t>(rng());
    return img;
}

PreparedCall Prepare(std::string_view text, std::vector<Image> images = {}) {
    ParseResult r = ParseCall(text);
    EXPECT_TRUE(r.ok) << r.error;
    return PreparedCall{r.call, std::move(images)};
}

CallOutcome RunText(Executor& ex, std::string_view text, std::vector<ImageOutput>* outputs = nullptr) {
    std::vector<ImageOutput> local;
    PreparedCall c = Prepare(text);
    return ex.Run(c, outputs != nullptr ? *outputs : local);
}

// The agreement check between a function's C++ parameters and its table
// entry: what the executor's generated static_asserts rely on.
std::int32_t BrightnessLike(ImageSession&, double, std::int32_t) { return 0; }
std::int32_t LevelAsDouble(ImageSession&, double, double) { return 0; }
std::int32_t MissingLevel(ImageSession&, double) { return 0; }
std::int32_t BoolAsLong(ImageSession&, double, std::int32_t, std::int32_t) { return 0; }
std::int32_t GetterByValue(ImageSession&, VariantBool) { return 0; }
std::int32_t GetterByPointer(ImageSession&, VariantBool*) { return 0; }

constexpr const MemberInfo& Entry(std::string_view id) { return kMembers[native::IndexOfId(id)]; }

using native::Bound;
static_assert(Bound<decltype(&BrightnessLike), &BrightnessLike>::Agrees(Entry("AdjustBrightness")));
static_assert(!Bound<decltype(&LevelAsDouble), &LevelAsDouble>::Agrees(Entry("AdjustBrightness")));
static_assert(!Bound<decltype(&MissingLevel), &MissingLevel>::Agrees(Entry("AdjustBrightness")));
static_assert(Bound<decltype(&LevelAsDouble), &LevelAsDouble>::Agrees(Entry("AdjustContrast")));
static_assert(!Bound<decltype(&BoolAsLong), &BoolAsLong>::Agrees(Entry("AdjustThreshold")));
static_assert(Bound<decltype(&GetterByPointer), &GetterByPointer>::Agrees(Entry("get_UseMask")));
static_assert(!Bound<decltype(&GetterByValue), &GetterByValue>::Agrees(Entry("get_UseMask")));
static_assert(Bound<decltype(&GetterByValue), &GetterByValue>::Agrees(Entry("put_UseMask")));
static_assert(!Bound<decltype(&GetterByPointer), &GetterByPointer>::Agrees(Entry("put_UseMask")));
static_assert(native::IndexOfId("NoSuchMember") == -1);

// What vtx gives must be what the component's function gives: the executor
// only converts the arguments.
TEST(NativeExecutor, CallsGiveTheSameBytesAsTheFunctions) {
    const Image img = RandomImage(7, 5, 11);
    struct Case {
        const char* call;
        std::int32_t (*direct)(ImageSession&);
    };
    const Case cases[] = {
        {"AdjustInvert(0.75)", [](ImageSession& s) { return AdjustInvert(s, 0.75); }},
        {"adjustbrightnessex(1, 40, -0x28, 2.5)", [](ImageSession& s) { return AdjustBrightnessEx(s, 1, 40, -40, 2); }},
        {"AdjustThreshold(0.5, 100, true)", [](ImageSession& s) { return AdjustThreshold(s, 0.5, 100, -1); }},
        {"AdjustHue(1, -90.5)", [](ImageSession& s) { return AdjustHue(s, 1, -90.5); }},
        {"UtilitySwapChannels(2, 0, 1)", [](ImageSession& s) { return UtilitySwapChannels(s, 2, 0, 1); }},
        {"AdjustGamma(nan, 40)", [](ImageSession& s) { return AdjustGamma(s, std::nan(""), 40); }},
    };
    for (const Case& c : cases) {
        NativeExecutor ex;
        ASSERT_EQ(ex.SetImage(img), 0);
        const CallOutcome viaVtx = RunText(ex, c.call);
        Image got;
        ASSERT_TRUE(ex.GetImage(got));

        ImageSession direct;
        ASSERT_EQ(direct.SetImageCopy(img.data(), img.width, img.height), 0);
        EXPECT_EQ(viaVtx.result, c.direct(direct)) << c.call;
        EXPECT_EQ(got.pixels, std::vector<std::uint8_t>(direct.pixels(), direct.pixels() + direct.byteSize()))
            << c.call;
        EXPECT_TRUE(viaVtx.value.empty());
    }
}

TEST(NativeExecutor, PropertiesPrintTheirValues) {
    NativeExecutor ex;
    EXPECT_EQ(RunText(ex, "UseMask").value, "Mask = 0");
    EXPECT_EQ(RunText(ex, "UseMask=1").result, 0);
    EXPECT_EQ(RunText(ex, "get_UseMask()").value, "Mask = 0");  // 1 is not true
    EXPECT_EQ(RunText(ex, "UseMask=-1").value, "");
    EXPECT_EQ(RunText(ex, "usemask").value, "Mask = -1");
    EXPECT_TRUE(ex.session().useMask());
    EXPECT_EQ(RunText(ex, "BackColor=0x00FF0000").result, 0);
    EXPECT_EQ(RunText(ex, "BackColor").value, "Color = 16711680");
    EXPECT_EQ(RunText(ex, "BackColor=0xFFFFFFFF").result, 0);
    EXPECT_EQ(RunText(ex, "get_backcolor()").value, "Color = -1");
}

TEST(NativeExecutor, NoImageMeansResultOne) {
    NativeExecutor ex;
    Image none;
    EXPECT_FALSE(ex.GetImage(none));
    EXPECT_EQ(RunText(ex, "AdjustInvert(1)").result, 1);
    EXPECT_EQ(RunText(ex, "AdjustBrightness(1, 0)").result, 0);  // its no-change test comes first
    std::vector<ImageOutput> outputs;
    EXPECT_EQ(RunText(ex, "GetSafeArray(\"x.png\")", &outputs).result, 1);
    EXPECT_TRUE(outputs.empty());
}

TEST(NativeExecutor, OnePixelWideImageIsRefusedAndKept) {
    NativeExecutor ex;
    const Image thin = RandomImage(1, 5, 2);
    EXPECT_EQ(ex.SetImage(thin), 1);
    EXPECT_EQ(RunText(ex, "AdjustInvert(1)").result, 1);
    Image back;
    ASSERT_TRUE(ex.GetImage(back));  // the refused image, as it was
    EXPECT_EQ(back.width, 1);
    EXPECT_EQ(back.pixels, thin.pixels);
}

TEST(NativeExecutor, ImageExchange) {
    NativeExecutor ex;
    const Image first = RandomImage(4, 3, 5);
    const Image second = RandomImage(3, 2, 6);
    ASSERT_EQ(ex.SetImage(first), 0);

    // By copy: the loaded image stays as it was.
    PreparedCall set = Prepare("SetSafeArray(\"second.png\")", {second});
    std::vector<ImageOutput> outputs;
    EXPECT_EQ(ex.Run(set, outputs).result, 0);
    EXPECT_EQ(RunText(ex, "AdjustInvert(1)").result, 0);
    EXPECT_EQ(set.images[0].pixels, second.pixels);
    EXPECT_EQ(RunText(ex, "GetSafeArray(\"got.png\")", &outputs).result, 0);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].path, "got.png");
    EXPECT_EQ(outputs[0].image.width, 3);
    EXPECT_EQ(outputs[0].image.height, 2);
    for (std::size_t i = 0; i < second.pixels.size(); ++i) {
        EXPECT_EQ(outputs[0].image.pixels[i], i % 4 == 3 ? second.pixels[i] : 255 - second.pixels[i]) << i;
    }

    // In place: the operation writes into the loaded image itself.
    PreparedCall ptr = Prepare("SetSafeArrayPtr(\"first.png\")", {first});
    EXPECT_EQ(ex.Run(ptr, outputs).result, 0);
    EXPECT_EQ(ex.session().pixels(), ptr.images[0].data());
    EXPECT_EQ(RunText(ex, "UtilitySwapChannels(2, 1, 0)").result, 0);
    for (std::size_t i = 0; i < first.pixels.size(); i += 4) {
        EXPECT_EQ(ptr.images[0].pixels[i], first.pixels[i + 2]);
        EXPECT_EQ(ptr.images[0].pixels[i + 2], first.pixels[i]);
    }
    Image now;
    ASSERT_TRUE(ex.GetImage(now));
    EXPECT_EQ(now.pixels, ptr.images[0].pixels);
}

}  // namespace
}  // namespace vtx::cli
