// Kept working blocks: reuse of a fitting block, the budget that frees kept
// ones before a new allocation, and the bound on blocks in use.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "session/block_pool.h"
#include "session/image_session.h"
#include "session/work_memory.h"

namespace {

TEST(BlockPool, ReusesFittingBlocksWithinTheBudget) {
    vtx::BlockPool pool;
    const std::int64_t budget = 1000;
    void* a = pool.Take(400, budget);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 32, 0u);
    pool.Give(a);
    EXPECT_EQ(pool.keptBytes(), 400);
    EXPECT_EQ(pool.Take(330, budget), a) << "at most a quarter larger: reused";
    pool.Give(a);
    void* b = pool.Take(300, budget);  // 400 is more than a quarter larger than 300
    EXPECT_NE(b, a);
    EXPECT_EQ(pool.keptBytes(), 400);
    void* c = pool.Take(500, budget);  // 300 in use + 400 kept + 500 > 1000: the kept block goes
    EXPECT_NE(c, nullptr);
    EXPECT_EQ(pool.keptBytes(), 0);
    pool.Give(b);
    pool.Give(c);
    EXPECT_EQ(pool.keptBytes(), 800);
    pool.FreeKept();
    EXPECT_EQ(pool.keptBytes(), 0);
    EXPECT_EQ(pool.Take(0, budget), nullptr);
    std::vector<void*> held;
    for (int i = 0; i < vtx::BlockPool::kMaxBlocks; ++i) held.push_back(pool.Take(16, budget));
    EXPECT_EQ(pool.Take(16, budget), nullptr) << "every block in use";
    for (void* p : held) pool.Give(p);
}

TEST(BlockPool, CallMemoryAndBackupShareTheSessionsBlocks) {
    vtx::ImageSession s;
    std::vector<std::uint8_t> image(4 * 64 * 48, 9);
    ASSERT_EQ(s.SetImageCopy(image.data(), 64, 48), 0);
    std::uint8_t* first = nullptr;
    {
        vtx::CallMemory memory(s);
        first = memory.Allocate(s.byteSize());
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(memory.Allocate(memory.limit()), nullptr) << "above the call's limit";
    }
    ASSERT_TRUE(s.MakeBackupCopy());
    EXPECT_EQ(s.backup(), first) << "the call's block, kept";
    EXPECT_EQ(s.backup()[100], 9);
    s.FreeBackupCopy();
    std::vector<std::uint8_t> other(4 * 32 * 32, 1);
    ASSERT_EQ(s.SetImageCopy(other.data(), 32, 32), 0);
    EXPECT_EQ(s.blocks().keptBytes(), 0) << "a new image size lets the kept blocks go";
}

}  // namespace
