// Frame-sized working blocks kept from one call to the next. A block that
// is freed and allocated again comes back as fresh pages, and the kernel
// then takes one page fault per 4 KB on first touch: about 12 ms for a
// 1920 x 1080 frame on a virtual machine, more than many operations take
// in all. A kept block is already mapped.
#pragma once

#include <cstdint>

namespace vtx {

class BlockPool {
public:
    static constexpr int kMaxBlocks = 10;

    BlockPool() = default;
    ~BlockPool() { FreeKept(); }
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // A 32-byte aligned block of at least `bytes` bytes (bytes >= 1), or
    // null when it cannot be had. A kept block is reused when it is at most
    // a quarter larger than asked for; otherwise kept blocks are freed,
    // largest first, until those kept, those in use and the new one fit in
    // `budget` bytes, and a new block is allocated.
    void* Take(std::int64_t bytes, std::int64_t budget);
    // Keeps a block this pool handed out for later calls (null is ignored).
    void Give(void* block);
    // Frees every kept block; blocks in use stay valid.
    void FreeKept();

    std::int64_t keptBytes() const;

private:
    struct Block {
        void* ptr = nullptr;
        std::int64_t bytes = 0;
        bool inUse = false;
    };
    void FreeBlock(Block& b);
    Block blocks_[kMaxBlocks];
};

}  // namespace vtx
