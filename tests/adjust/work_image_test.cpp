// The session's work image: the operations that need one take it from the
// session, which grows it for a larger need and keeps it for smaller ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "adjust/adjust.h"

namespace {

TEST(AdjustWorkImage, GrowsForALargerNeedAndIsKeptForSmallerOnes) {
    vtx::ImageSession s;
    std::vector<std::uint8_t> big(4 * 8 * 8, 7), small(4 * 3 * 2, 9);
    EXPECT_EQ(s.scratchCapacity(), 0);
    ASSERT_EQ(s.SetImageCopy(big.data(), 8, 8), 0);
    EXPECT_EQ(vtx::UtilitySwapChannels(s, 2, 1, 0), 0);
    EXPECT_EQ(s.scratchCapacity(), 256);  // one image
    EXPECT_EQ(vtx::AdjustGrayscale(s, 1.0, vtx::kVariantFalse), 0);
    EXPECT_EQ(s.scratchCapacity(), 320);  // the grey image and its plane
    const std::uint8_t* const block = s.Scratch(1);
    ASSERT_EQ(s.SetImageCopy(small.data(), 3, 2), 0);
    for (const auto op : {+[](vtx::ImageSession& t) { return vtx::AdjustSaturation(t, 1.0, 50.0); },
                          +[](vtx::ImageSession& t) { return vtx::AdjustEqualize(t, 1.0); }}) {
        EXPECT_EQ(op(s), 0);
        EXPECT_EQ(s.scratchCapacity(), 320);
        EXPECT_EQ(s.Scratch(320), block);
    }
    EXPECT_EQ(s.Scratch(0), nullptr);
    EXPECT_EQ(s.Scratch(-5), nullptr);
}

}  // namespace
