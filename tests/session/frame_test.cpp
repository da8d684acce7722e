#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <random>
#include <vector>

#include "session/frame.h"
#include "session/members.h"

namespace vtx {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Frame, ClampsDefineEveryInput) {
    for (const auto& [x, want] : {std::pair{-0.5, 0.0}, {7.0, 1.0}, {0.25, 0.25}, {kNaN, 0.0}, {-kInf, 0.0}, {kInf, 1.0}}) {
        EXPECT_EQ(ClampCompleteness(x), want) << x;
    }
    for (const auto& [x, want] : {std::pair{-0.1, 0}, {255.9, 255}, {256.0, 255}, {127.99, 127}, {kNaN, 0}, {kInf, 255}}) {
        EXPECT_EQ(ClampByte(x), want) << x;
    }
}

TEST(Frame, ChannelTablesMapEachChannelAndHonourTheMask) {
    std::uint8_t tr[256], tg[256], tb[256];
    for (int i = 0; i < 256; ++i) {
        tr[i] = static_cast<std::uint8_t>(255 - i);
        tg[i] = static_cast<std::uint8_t>(i / 2);
        tb[i] = static_cast<std::uint8_t>(i * 3);
    }
    const struct {
        std::int32_t w, h;
        bool mask;
    } cases[] = {{2, 2, false}, {2, 2, true}, {3, 5, false}, {3, 5, true}, {17, 9, true}, {64, 3, false}};
    std::mt19937 rng(31);
    for (const auto& c : cases) {
        std::vector<std::uint8_t> img(static_cast<std::size_t>(4 * c.w * c.h));
        for (std::size_t i = 0; i < img.size(); ++i) {
            img[i] = static_cast<std::uint8_t>(rng());
            if (i % 4 == 3 && (rng() & 1)) img[i] = 0;  // about half the pixels are mapped under the mask
        }
        ImageSession s;
        ASSERT_EQ(s.SetImageCopy(img.data(), c.w, c.h), 0);
        s.setUseMask(c.mask ? kVariantTrue : kVariantFalse);
        ASSERT_TRUE(ApplyChannelTables(s, tr, tg, tb));
        for (std::size_t p = 0; p < img.size(); p += 4) {
            const bool skip = c.mask && img[p + 3] != 0;
            const std::uint8_t want[4] = {skip ? img[p] : tb[img[p]], skip ? img[p + 1] : tg[img[p + 1]],
                                          skip ? img[p + 2] : tr[img[p + 2]], img[p + 3]};
            ASSERT_EQ(std::vector<std::uint8_t>(s.pixels() + p, s.pixels() + p + 4), std::vector<std::uint8_t>(want, want + 4))
                << c.w << "x" << c.h << " mask " << c.mask << " pixel " << p / 4;
        }
        EXPECT_FALSE(ApplyChannelTables(s, tr, nullptr, tb));
        EXPECT_FALSE(ApplyChannelTable(s, nullptr));
    }
}

// Reference for one byte: d(o·a) + d((255 − a)·p) with d(x) = (x + (x >> 8) + 1) >> 8.
std::uint8_t BlendRef(std::uint8_t o, std::uint8_t p, std::uint32_t a) {
    auto d = [](std::uint32_t x) { return (x + (x >> 8) + 1) >> 8; };
    return static_cast<std::uint8_t>(d(o * a) + d((255 - a) * p));
}

TEST(Frame, BlendWithOriginalWorkedNumbersAndEnds) {
    // The original has a padding pixel after each row (step 12), as in a bordered image.
    const std::vector<std::uint8_t> o = {200, 10, 0, 77, 255, 255, 0, 1, 5, 5, 5, 5, 0, 0, 0, 2, 1, 2, 3, 4, 6, 6, 6, 6};
    const std::vector<std::uint8_t> p = {100, 250, 255, 5, 0, 255, 0, 6, 9, 9, 9, 7, 8, 8, 8, 8};
    std::vector<std::uint8_t> dst(16, 0);
    for (std::size_t i = 3; i < 16; i += 4) dst[i] = static_cast<std::uint8_t>(40 + i);
    // Completeness → opacity of the original: trunc(255 · (1 − C)); NaN acts as 0.
    const struct {
        double c;
        std::uint32_t alpha;
    } cases[] = {{0.0, 255}, {kNaN, 255}, {-3.0, 255}, {1.0, 0}, {0.5, 127}, {0.3, 178}};
    ImageSession s;
    for (const auto& c : cases) {
        ASSERT_EQ(s.SetImageCopy(dst.data(), 2, 2), 0);
        BlendWithOriginal(s, o.data(), 12, p.data(), 8, c.c);
        for (std::size_t i = 0; i < 16; ++i) {
            const std::uint8_t orig = o[i + (i / 8) * 4];
            EXPECT_EQ(s.pixels()[i], i % 4 == 3 ? dst[i] : BlendRef(orig, p[i], c.alpha)) << "c=" << c.c << " i=" << i;
        }
    }
    EXPECT_EQ(s.pixels()[0], 169);  // C = 0.3: d(200 · 178) + d(77 · 100) = 139 + 30
    BlendWithOriginal(s, o.data(), 12, p.data(), 8, 0.0);
    EXPECT_EQ(std::vector<int>(s.pixels() + 8, s.pixels() + 16), (std::vector<int>{0, 0, 0, 51, 1, 2, 3, 55}));
}

TEST(MemberTable, NamesAndIdentifiersAreConsistent) {
    for (std::int32_t i = 0; i < kMemberCount; ++i) {
        const MemberInfo& m = kMembers[i];
        EXPECT_LE(m.paramCount, kMaxParams);
        EXPECT_EQ(FindDispId(m.name), m.dispid) << m.name;
        EXPECT_EQ(FindMember(m.dispid, m.kind), &m) << m.name;
        if (m.kind == MemberKind::PropertyGet) {
            ASSERT_EQ(m.paramCount, 1);
            EXPECT_EQ(m.params[0].dir, ParamDir::OutRetval);
        }
        if (m.kind == MemberKind::PropertyPut) {
            EXPECT_EQ(m.paramCount, 1);
        }
        for (std::int32_t j = 0; j < i; ++j) {
            if (kMembers[j].kind == MemberKind::Method || m.kind == MemberKind::Method) {
                EXPECT_NE(kMembers[j].dispid, m.dispid) << kMembers[j].name << " " << m.name;
            }
        }
    }
    EXPECT_EQ(FindDispId(std::string_view("adjustbrightness")), 101);
    EXPECT_EQ(FindDispId(std::u16string_view(u"ADJUSTBRIGHTNESS")), 101);
    EXPECT_EQ(FindDispId(std::string_view("get_usemask")), 0);
    EXPECT_EQ(FindDispId(std::string_view("Put_BackColor")), 501);
    EXPECT_EQ(FindDispId(std::string_view("Level")), -1);
    EXPECT_EQ(FindDispId(std::string_view("AdjustBrightnes")), -1);
    EXPECT_EQ(FindDispId(std::string_view("get_AdjustBrightness")), -1);
    EXPECT_EQ(FindDispId(std::u16string_view(u"AdjustBrightness\u0130")), -1);
}

}  // namespace
}  // namespace vtx
