#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "primitives/conventions.h"
#include "session/image_session.h"

namespace vtx {
namespace {

std::vector<std::uint8_t> Pattern(std::int32_t w, std::int32_t h, std::uint8_t seed) {
    std::vector<std::uint8_t> v(static_cast<std::size_t>(4 * w * h));
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
    return v;
}

TEST(ImageSession, ConstructionStartsWithoutImageAndFullInitialBuffer) {
    ImageSession s;
    EXPECT_FALSE(s.HasImage());
    EXPECT_EQ(s.width(), 0);
    EXPECT_EQ(s.height(), 0);
    EXPECT_EQ(s.pixels(), nullptr);
    EXPECT_EQ(s.ownedCapacity(), 1920000);
    EXPECT_NE(s.ownedBuffer(), nullptr);
    EXPECT_FALSE(s.useMask());
    EXPECT_EQ(s.backColor(), 0);
    EXPECT_EQ(s.backup(), nullptr);
    // Construction runs the processor selection, under the ceiling.
    ASSERT_EQ(px::ForceProcessorCeiling(px::kCpuPlain), px::kStsOk);
    { ImageSession plain; EXPECT_EQ(px::GetProcessorIndex(), px::kCpuPlain); }
    ASSERT_EQ(px::ForceProcessorCeiling(px::kCpuHighest), px::kStsOk);
    ImageSession full;
    EXPECT_EQ(px::GetProcessorIndex(), px::SelectProcessorIndex(px::ReadCpuIdentification()));
}

TEST(ImageSession, CopyLeavesHostMemoryAloneAndInPlaceWorksOnIt) {
    ImageSession s;
    auto host = Pattern(3, 2, 1);
    const auto original = host;
    ASSERT_EQ(s.SetImageCopy(host.data(), 3, 2), 0);
    EXPECT_NE(s.pixels(), host.data());
    EXPECT_EQ(s.pixels(), s.ownedBuffer());
    EXPECT_EQ(s.byteSize(), 24);
    EXPECT_EQ(s.stride(), 12);
    EXPECT_EQ(s.regionWidth(), 3);
    EXPECT_EQ(s.regionHeight(), 2);
    s.pixels()[0] ^= 0xFF;
    EXPECT_EQ(host, original);

    ASSERT_EQ(s.SetImageInPlace(host.data(), 3, 2), 0);
    EXPECT_EQ(s.pixels(), host.data());
    s.pixels()[5] = 99;
    EXPECT_EQ(host[5], 99);
}

TEST(ImageSession, TooSmallImageIsWrittenThenRefusedAndLeavesNoUsableImage) {
    ImageSession s;
    auto good = Pattern(2, 2, 3);
    ASSERT_EQ(s.SetImageCopy(good.data(), 2, 2), 0);
    auto thin = Pattern(1, 5, 4);
    EXPECT_EQ(s.SetImageCopy(thin.data(), 1, 5), 1);
    EXPECT_FALSE(s.HasImage());
    EXPECT_EQ(s.width(), 1);
    EXPECT_EQ(s.height(), 5);
    // The sizes the primitives read keep their old values.
    EXPECT_EQ(s.byteSize(), 16);
    EXPECT_EQ(s.stride(), 8);

    EXPECT_EQ(s.SetImageInPlace(nullptr, 4, 4), 1);
    EXPECT_FALSE(s.HasImage());
    EXPECT_EQ(s.SetImageInPlace(good.data(), 2, 1), 1);
    EXPECT_FALSE(s.HasImage());
    ASSERT_EQ(s.SetImageInPlace(good.data(), 2, 2), 0);
    EXPECT_TRUE(s.HasImage());
}

TEST(ImageSession, UnrepresentableSizesAreRefusedBeforeAnythingChanges) {
    ImageSession s;
    auto good = Pattern(2, 3, 5);
    ASSERT_EQ(s.SetImageCopy(good.data(), 2, 3), 0);
    std::uint8_t byte = 0;
    // 4·W·H above 2^31 - 1, negative sizes and INT_MIN.
    EXPECT_EQ(s.SetImageInPlace(&byte, 32768, 16384), 1);
    EXPECT_EQ(s.SetImageInPlace(&byte, INT32_MAX, 2), 1);
    EXPECT_EQ(s.SetImageInPlace(&byte, -4, 4), 1);
    EXPECT_EQ(s.SetImageCopy(&byte, 4, INT32_MIN), 1);
    EXPECT_TRUE(s.HasImage());
    EXPECT_EQ(s.width(), 2);
    EXPECT_EQ(s.height(), 3);
    EXPECT_EQ(std::vector<std::uint8_t>(s.pixels(), s.pixels() + 24), good);

    EXPECT_TRUE(ImageSession::FitsByteSize(16383, 32767));
    EXPECT_TRUE(ImageSession::FitsByteSize(1, 536870911));
    EXPECT_FALSE(ImageSession::FitsByteSize(1, 536870912));
    EXPECT_FALSE(ImageSession::FitsByteSize(-1, 2));
}

TEST(ImageSession, OwnedBufferGrowsToTheExactSizeAndNeverShrinks) {
    ImageSession s;
    const std::int32_t w = 801, h = 600;
    auto big = Pattern(w, h, 9);
    ASSERT_EQ(s.SetImageCopy(big.data(), w, h), 0);
    EXPECT_EQ(s.ownedCapacity(), 4 * w * h);
    EXPECT_EQ(std::vector<std::uint8_t>(s.pixels(), s.pixels() + big.size()), big);
    auto small = Pattern(4, 4, 11);
    ASSERT_EQ(s.SetImageCopy(small.data(), 4, 4), 0);
    EXPECT_EQ(s.ownedCapacity(), 4 * w * h);
    EXPECT_EQ(s.byteSize(), 64);
    // Re-set from the session's own pixels, shrinking the view.
    ASSERT_EQ(s.SetImageCopy(s.pixels(), 2, 2), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(s.pixels(), s.pixels() + 16),
              std::vector<std::uint8_t>(small.begin(), small.begin() + 16));
}

TEST(ImageSession, PropertiesUseMaskTakesOnlyMinusOneAndBackColorIsKept) {
    ImageSession s;
    VariantBool mask = 7;
    for (const auto& [in, out] : {std::pair<VariantBool, VariantBool>{1, 0}, {-1, -1}, {-2, 0}, {0, 0}}) {
        EXPECT_EQ(put_UseMask(s, in), 0);
        EXPECT_EQ(get_UseMask(s, &mask), 0);
        EXPECT_EQ(mask, out) << in;
    }
    std::int32_t color = 0;
    for (std::int32_t v : {0x00FF0000, -1, INT32_MIN, 0x7F123456}) {
        EXPECT_EQ(put_BackColor(s, v), 0);
        EXPECT_EQ(get_BackColor(s, &color), 0);
        EXPECT_EQ(color, v);
    }
    EXPECT_EQ(get_UseMask(s, nullptr), 1);
    EXPECT_EQ(get_BackColor(s, nullptr), 1);
}

TEST(ImageSession, BackupCopyHoldsTheImageUntilFreed) {
    ImageSession s;
    EXPECT_FALSE(s.MakeBackupCopy());
    auto img = Pattern(3, 3, 8);
    ASSERT_EQ(s.SetImageCopy(img.data(), 3, 3), 0);
    ASSERT_TRUE(s.MakeBackupCopy());
    s.pixels()[0] ^= 1;
    EXPECT_EQ(std::vector<std::uint8_t>(s.backup(), s.backup() + img.size()), img);
    s.FreeBackupCopy();
    EXPECT_EQ(s.backup(), nullptr);
}

}  // namespace
}  // namespace vtx
