#include "tools/vtx/gallery.h"

#include <gtest/gtest.h>

#include "tools/vtx/font5x7.h"
#include "tools/vtx/native_executor.h"
#include "tools/vtx/test_card.h"

namespace vtx::cli {
namespace {

std::vector<int> Bgra(const Image& img, int x, int y) {
    const std::uint8_t* p = img.PictureAt(x, y);
    return {p[0], p[1], p[2], p[3]};
}

TEST(TestCard, LayoutAndOrientation) {
    const Image card = MakeTestCard(800, 600);
    ASSERT_EQ(card.width, 800);
    ASSERT_EQ(card.height, 600);
    EXPECT_EQ(Bgra(card, 0, 0), (std::vector<int>{255, 255, 255, 0}));     // white bar, top left
    EXPECT_EQ(Bgra(card, 799, 0), (std::vector<int>{0, 0, 0, 0}));         // black bar, top right
    EXPECT_EQ(Bgra(card, 550, 100), (std::vector<int>{0, 0, 255, 0}));     // red bar
    EXPECT_EQ(Bgra(card, 650, 100), (std::vector<int>{255, 0, 0, 0}));     // blue bar
    EXPECT_EQ(Bgra(card, 0, 599), (std::vector<int>{0, 0, 0, 0}));         // first grey step
    EXPECT_EQ(Bgra(card, 799, 599), (std::vector<int>{255, 255, 255, 0}));  // last grey step
    EXPECT_EQ(Bgra(card, 10, 250), (std::vector<int>{196, 224, 255, 0}));   // lightest skin tone
    // Buffer row 0 is the bottom line of the picture.
    EXPECT_EQ(card.PictureAt(0, 0), card.pixels.data() + 4 * 800 * 599);
    EXPECT_EQ(card.PictureAt(0, 599), card.pixels.data());
    for (std::size_t i = 3; i < card.pixels.size(); i += 4) ASSERT_EQ(card.pixels[i], 0);
}

TEST(TestCard, AnySizeAndTheSameBytesEveryTime) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 1000}, {1000, 3}, {17, 13}}) {
        const Image a = MakeTestCard(w, h);
        EXPECT_EQ(a.width, w);
        EXPECT_EQ(a.pixels.size(), 4u * w * h);
        EXPECT_EQ(a.pixels, MakeTestCard(w, h).pixels);
    }
    EXPECT_TRUE(MakeTestCard(0, 5).pixels.empty());
}

TEST(Font, GlyphsAreDistinctAndInRange) {
    for (int c = 32; c < 127; ++c) {
        for (int d = c + 1; d < 127; ++d) {
            bool same = true;
            for (int r = 0; r < kGlyphHeight; ++r) same = same && GlyphRow(char(c), r) == GlyphRow(char(d), r);
            EXPECT_FALSE(same) << char(c) << " and " << char(d);
        }
        for (int r = 0; r < kGlyphHeight; ++r) EXPECT_LT(GlyphRow(char(c), r), 32);
    }
    EXPECT_EQ(GlyphRow('A', 0), 0x0E);  // .###.
    EXPECT_EQ(GlyphRow('A', 3), 0x1F);  // #####
    EXPECT_EQ(GlyphRow('\x01', 0), GlyphRow('?', 0));
    EXPECT_EQ(GlyphRow('A', 7), 0);
    EXPECT_EQ(GlyphRow('A', -1), 0);
}

TEST(Gallery, DrawLabelClipsAtTheEdges) {
    Image img;
    img.width = 10;
    img.height = 8;
    img.pixels.assign(4 * 10 * 8, 0);
    const std::uint8_t white[3] = {255, 255, 255};
    DrawLabel(img, -3, -4, "WWW", white, 2);
    DrawLabel(img, 8, 6, "M", white, 3);
    DrawLabel(img, -1000000, 1000000, "x", white);
    int lit = 0;
    for (std::size_t i = 0; i < img.pixels.size(); i += 4) lit += img.pixels[i] == 255 ? 1 : 0;
    EXPECT_GT(lit, 0);
    // "I" at (0, 0): its top row .###. lights x = 1..3 of picture row 0.
    Image one;
    one.width = 6;
    one.height = 9;
    one.pixels.assign(4 * 6 * 9, 0);
    DrawLabel(one, 0, 0, "I", white);
    EXPECT_EQ(Bgra(one, 0, 0)[0], 0);
    EXPECT_EQ(Bgra(one, 1, 0)[0], 255);
    EXPECT_EQ(Bgra(one, 3, 0)[0], 255);
    EXPECT_EQ(Bgra(one, 4, 0)[0], 0);
    EXPECT_EQ(Bgra(one, 2, 3)[0], 255);
    EXPECT_EQ(Bgra(one, 1, 3)[0], 0);
}

TEST(Gallery, FitImageAveragesAndKeepsTheAspectRatio) {
    Image src;
    src.width = 8;
    src.height = 4;
    src.pixels.assign(4 * 8 * 4, 0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) src.PictureAt(x, y)[2] = (x < 4) ? 200 : 100;
    }
    const std::uint8_t bg[3] = {1, 2, 3};
    const Image t = FitImage(src, 4, 4, bg);  // 8x4 fits as 4x2, centred vertically
    EXPECT_EQ(Bgra(t, 0, 0), (std::vector<int>{1, 2, 3, 255}));
    EXPECT_EQ(Bgra(t, 0, 1), (std::vector<int>{0, 0, 200, 255}));
    EXPECT_EQ(Bgra(t, 3, 2), (std::vector<int>{0, 0, 100, 255}));
    EXPECT_EQ(Bgra(t, 3, 3), (std::vector<int>{1, 2, 3, 255}));
    const Image up = FitImage(src, 16, 8, bg);  // enlarging repeats pixels
    EXPECT_EQ(Bgra(up, 7, 0)[2], 200);
    EXPECT_EQ(Bgra(up, 8, 7)[2], 100);
}

TEST(Gallery, MembersAndCalls) {
    int shown = 0;
    for (const MemberInfo& m : kMembers) {
        const bool exchange = m.name == "SetSafeArray" || m.name == "SetSafeArrayPtr" || m.name == "GetSafeArray";
        EXPECT_EQ(IsGalleryMember(m), m.kind == MemberKind::Method && !exchange) << m.name;
        shown += IsGalleryMember(m) ? 1 : 0;
    }
    EXPECT_GE(shown, 16);
    const GalleryOptions options;
    const MemberInfo* brightness = FindMember(101, MemberKind::Method);
    EXPECT_EQ(GalleryCalls(*brightness, options),
              (std::vector<std::string>{"AdjustBrightness(0.25, 80)", "AdjustBrightness(0.5, 80)",
                                        "AdjustBrightness(1, 80)"}));
    const MemberInfo* invert = FindMember(107, MemberKind::Method);
    EXPECT_EQ(GalleryCalls(*invert, options).front(), "AdjustInvert(0.25)");
    const MemberInfo* swap = FindMember(500, MemberKind::Method);
    EXPECT_EQ(GalleryCalls(*swap, options),
              (std::vector<std::string>{"UtilitySwapChannels(2, 1, 0)", "UtilitySwapChannels(1, 0, 2)",
                                        "UtilitySwapChannels(0, 0, 0)"}));
}

TEST(Gallery, RendersEveryCellAndTheTransition) {
    NativeExecutor ex;
    const Image card = MakeTestCard(80, 60);
    GalleryOptions options;
    options.thumbWidth = 40;
    options.thumbHeight = 30;
    GalleryReport report;
    const Image g = RenderGallery(ex, card, options, report);
    EXPECT_TRUE(report.error.empty()) << report.error;
    std::size_t expectedCells = 0;
    for (const MemberInfo& m : kMembers) {
        if (IsGalleryMember(m)) expectedCells += GalleryCalls(m, options).size();
    }
    EXPECT_EQ(report.cells.size(), expectedCells);
    for (const GalleryCell& c : report.cells) EXPECT_EQ(c.result, 0) << c.call;
    EXPECT_GT(g.width, 2 * 3 * 40);
    EXPECT_EQ(g.pixels.size(), 4u * g.width * g.height);

    std::string call, error;
    const std::vector<Image> frames = RenderTransition(ex, card, 5, call, error);
    ASSERT_EQ(frames.size(), 5u) << error;
    EXPECT_EQ(frames.front().pixels, card.pixels);  // Completeness 0 leaves the picture
    EXPECT_NE(frames.back().pixels, card.pixels);
    EXPECT_EQ(call.find("(1"), call.find('('));  // the last frame at Completeness 1
}

TEST(Gallery, UnusableSourceStillRendersWithRefusedCells) {
    NativeExecutor ex;
    const Image dot = MakeTestCard(1, 1);
    GalleryOptions options;
    options.thumbWidth = 20;
    options.thumbHeight = 15;
    GalleryReport report;
    const Image g = RenderGallery(ex, dot, options, report);
    EXPECT_TRUE(report.error.empty());
    for (const GalleryCell& c : report.cells) EXPECT_EQ(c.result, 1) << c.call;
    EXPECT_GT(g.width, 0);
}

}  // namespace
}  // namespace vtx::cli
