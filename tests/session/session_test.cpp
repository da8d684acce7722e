// The image session (setting images, refusals, the owned buffer, the
// properties, the backup copy), the frame helpers beyond what the colour
// adjustments exercise, and the member table's lookups.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "primitives/conventions.h"
#include "session/frame.h"
#include "session/members.h"

namespace vtx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Ints = std::vector<std::int32_t>;

Bytes Pattern(std::int32_t w, std::int32_t h, std::uint8_t seed) {
    Bytes v(static_cast<std::size_t>(4 * w * h));
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
    return v;
}

constexpr std::uint8_t t[256] = {};  // a channel table

Bytes Pixels(const ImageSession& s) { return Bytes(s.pixels(), s.pixels() + s.byteSize()); }

TEST(ImageSession, StartsEmptyWithTheInitialBufferAndSelectsTheProcessor) {
    ImageSession s;
    EXPECT_TRUE(!s.HasImage() && !s.pixels() && !s.useMask() && !s.backup() && s.ownedBuffer());
    EXPECT_EQ(Ints({s.width(), s.height(), s.backColor(), s.ownedCapacity()}), Ints({0, 0, 0, 1920000}));
    ASSERT_EQ(px::ForceProcessorCeiling(px::kCpuPlain), px::kStsOk);
    { ImageSession plain; EXPECT_EQ(px::GetProcessorIndex(), px::kCpuPlain); }
    ASSERT_EQ(px::ForceProcessorCeiling(px::kCpuHighest), px::kStsOk);
}

TEST(ImageSession, CopiesIntoTheOwnedBufferOrWorksInPlace) {
    ImageSession s;
    Bytes host = Pattern(3, 2, 1);
    const Bytes original = host;
    ASSERT_EQ(s.SetImageCopy(host.data(), 3, 2), 0);
    EXPECT_EQ(s.pixels(), s.ownedBuffer());
    EXPECT_EQ(Ints({s.byteSize(), s.stride(), s.regionWidth(), s.regionHeight()}), Ints({24, 12, 3, 2}));
    s.pixels()[0] ^= 0xFF;
    EXPECT_EQ(host, original);
    ASSERT_EQ(s.SetImageInPlace(host.data(), 3, 2), 0);
    EXPECT_EQ(s.pixels(), host.data());
    // The owned buffer grows to the exact size and never shrinks; an image
    // may be set from the session's own pixels.
    const Bytes big = Pattern(801, 600, 9), small = Pattern(4, 4, 11);
    ASSERT_EQ(s.SetImageCopy(big.data(), 801, 600), 0);
    EXPECT_EQ(Pixels(s), big);
    ASSERT_EQ(s.SetImageCopy(small.data(), 4, 4), 0);
    ASSERT_EQ(s.SetImageCopy(s.pixels(), 2, 2), 0);
    EXPECT_EQ(Pixels(s), Bytes(small.begin(), small.begin() + 16));
    EXPECT_EQ(s.ownedCapacity(), 4 * 801 * 600);
}

TEST(ImageSession, Refusals) {
    const Bytes good = Pattern(2, 3, 5);
    std::uint8_t byte = 0;
    // Byte sizes beyond 2^31 - 1: refused before anything changes.
    for (const auto& [w, h] : {std::pair{32768, 16384}, {INT32_MAX, 2}, {-4, 4}, {4, INT32_MIN}, {1, 536870912}}) {
        ImageSession s;
        ASSERT_EQ(s.SetImageCopy(good.data(), 2, 3), 0);
        EXPECT_EQ(s.SetImageInPlace(&byte, w, h) + s.SetImageCopy(&byte, w, h), 2) << w << "x" << h;
        EXPECT_TRUE(s.HasImage());
        EXPECT_EQ(Pixels(s), good);
    }
    EXPECT_TRUE(ImageSession::FitsByteSize(1, 536870911));
    // Below 2 x 2 or without data: width, height and pixels are written, then
    // refused; the sizes the primitives read keep their values.
    for (const auto& [w, h, data] : {std::tuple{1, 5, good.data()}, {0, INT32_MAX, good.data()}, {4, 4, nullptr}}) {
        ImageSession s;
        ASSERT_EQ(s.SetImageCopy(good.data(), 2, 3), 0);
        EXPECT_EQ(s.SetImageCopy(data, w, h), 1);
        EXPECT_EQ(Ints({s.width(), s.height(), s.byteSize(), s.stride(), s.HasImage()}), Ints({w, h, 24, 8, 0}));
        EXPECT_EQ(s.SetImageInPlace(const_cast<std::uint8_t*>(data), w, h), 1);
        EXPECT_FALSE(s.HasImage());
    }
}

TEST(ImageSession, PropertiesAndBackupCopy) {
    ImageSession s;
    VariantBool mask = 7;
    std::int32_t color = 0;
    for (const auto& [in, out] : {std::pair<VariantBool, VariantBool>{-1, -1}, {1, 0}, {-1, -1}, {-2, 0}, {0, 0}}) {
        EXPECT_EQ(put_UseMask(s, in) + get_UseMask(s, &mask), 0);
        EXPECT_EQ(mask, out) << in;
    }
    for (std::int32_t v : {0x00FF0000, -1, INT32_MIN}) {
        EXPECT_EQ(put_BackColor(s, v) + get_BackColor(s, &color), 0);
        EXPECT_EQ(color, v);
    }
    EXPECT_EQ(get_UseMask(s, nullptr) + get_BackColor(s, nullptr), 2);
    EXPECT_FALSE(s.MakeBackupCopy() || ApplyChannelTable(s, t));
    const Bytes img = Pattern(3, 3, 8);
    ASSERT_EQ(s.SetImageCopy(img.data(), 3, 3), 0);
    ASSERT_TRUE(s.MakeBackupCopy());
    s.pixels()[0] ^= 1;
    EXPECT_EQ(Bytes(s.backup(), s.backup() + img.size()), img);
    s.FreeBackupCopy();
    EXPECT_EQ(s.backup(), nullptr);
}

// The unchanged image is read with its own step (a padding pixel after each
// row): d(o·a) + d((255 − a)·p), d(x) = (x + (x >> 8) + 1) >> 8, a =
// trunc(255·(1 − C)); the destination's alpha bytes stay.
TEST(Frame, BlendWithOriginalAndTableHelpers) {
    const Bytes o = {200, 10, 0, 77, 255, 255, 0, 1, 5, 5, 5, 5, 0, 0, 0, 2, 1, 2, 3, 4, 6, 6, 6, 6};
    const Bytes p = {100, 250, 255, 5, 0, 255, 0, 6, 9, 9, 9, 7, 8, 8, 8, 8};
    const Bytes dst = {0, 0, 0, 41, 0, 0, 0, 42, 0, 0, 0, 43, 0, 0, 0, 44};
    auto d = [](std::uint32_t x) { return (x + (x >> 8) + 1) >> 8; };
    ImageSession s;
    for (const auto& [c, a] : {std::pair{0.0, 255u}, {-3.0, 255u}, {1.0, 0u}, {0.3, 178u}, {0.5, 127u}}) {
        ASSERT_EQ(s.SetImageCopy(dst.data(), 2, 2), 0);
        BlendWithOriginal(s, o.data(), 12, p.data(), 8, c);
        for (std::size_t i = 0; i < 16; ++i) {
            const std::uint32_t orig = o[i + (i / 8) * 4];
            EXPECT_EQ(s.pixels()[i], i % 4 == 3 ? dst[i] : d(orig * a) + d((255 - a) * p[i])) << c << " " << i;
        }
    }
    EXPECT_EQ(s.pixels()[0], 149);  // C = 0.5: d(200 · 127) + d(128 · 100) = 99 + 50
    // The table helpers refuse a null table.
    EXPECT_FALSE(ApplyChannelTable(s, nullptr) || ApplyChannelTables(s, t, nullptr, t));
}

TEST(MemberTable, LookupsByNameAndIdentifier) {
    for (const MemberInfo& m : kMembers) {
        EXPECT_EQ(FindDispId(m.name), m.dispid) << m.name;
        EXPECT_EQ(FindMember(m.dispid, m.kind), &m) << m.name;
        const bool method = m.kind == MemberKind::Method;  // a method's identifier is its own
        for (MemberKind k : {MemberKind::Method, MemberKind::PropertyGet, MemberKind::PropertyPut})
            EXPECT_FALSE(k != m.kind && (method || k == MemberKind::Method) && FindMember(m.dispid, k)) << m.name;
    }
    // A name is matched whole, ignoring ASCII case, with the accessor prefix
    // of its kind; the characters after the query are not part of it.
    for (const auto& [name, id] :
         {std::pair<std::string_view, int>{"usemask", 0}, {"GET_UseMask", 0}, {"put_usemask", 0}, {"BackColor", 501},
          {"ADJUSTBRIGHTNESS", 101}, {"AdjustBrightnes", -1}, {"get_AdjustBrightness", -1}, {"put_", -1}, {"", -1}}) {
        const std::string text = std::string(name) + "(1)";
        const std::u16string text16(text.begin(), text.end());
        EXPECT_EQ(FindDispId(std::string_view(text).substr(0, name.size())), id) << name;
        EXPECT_EQ(FindDispId(std::u16string_view(text16).substr(0, name.size())), id) << name;
    }
    Ints ids;  // the interface's dispatch identifiers, in table order
    for (const MemberInfo& m : kMembers) ids.push_back(m.dispid);
    EXPECT_EQ(ids, Ints({0,   0,   1,   2,   3,   501, 501, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111,
                         112, 113, 114, 115, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 301, 302, 303, 304, 305, 306, 307, 308, 310, 311, 312, 400, 401,
                         402, 403, 404, 405, 406, 407, 408, 409, 500}));
}

}  // namespace
}  // namespace vtx
