#include "session/block_pool.h"

#include <cstddef>

#include "primitives/conventions.h"

// Under AddressSanitizer a kept block is poisoned until it is taken again,
// so that a read or write through a block after it went back is still
// reported as it would be after a free.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define VTX_KEEP_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, static_cast<std::size_t>(n))
#define VTX_KEEP_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, static_cast<std::size_t>(n))
#endif
#endif
#ifndef VTX_KEEP_POISON
#define VTX_KEEP_POISON(p, n) ((void)(p), (void)(n))
#define VTX_KEEP_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace vtx {

void BlockPool::FreeBlock(Block& b) {
    VTX_KEEP_UNPOISON(b.ptr, b.bytes);
    px::Free(b.ptr);
    b = Block{};
}

std::int64_t BlockPool::keptBytes() const {
    std::int64_t kept = 0;
    for (const Block& b : blocks_) kept += (b.ptr != nullptr && !b.inUse) ? b.bytes : 0;
    return kept;
}

void* BlockPool::Take(std::int64_t bytes, std::int64_t budget) {
    if (bytes < 1) return nullptr;
    Block* fit = nullptr;
    for (Block& b : blocks_) {
        if (b.ptr == nullptr || b.inUse || b.bytes < bytes || b.bytes - bytes > bytes / 4) continue;
        if (fit == nullptr || b.bytes < fit->bytes) fit = &b;
    }
    if (fit != nullptr) {
        fit->inUse = true;
        VTX_KEEP_UNPOISON(fit->ptr, fit->bytes);
        return fit->ptr;
    }
    std::int64_t inUse = 0;
    for (const Block& b : blocks_) inUse += b.inUse ? b.bytes : 0;
    Block* slot = nullptr;
    for (;;) {
        slot = nullptr;
        Block* largestKept = nullptr;
        for (Block& b : blocks_) {
            if (b.ptr == nullptr && slot == nullptr) slot = &b;
            if (b.ptr != nullptr && !b.inUse && (largestKept == nullptr || b.bytes > largestKept->bytes)) largestKept = &b;
        }
        if (largestKept == nullptr) break;
        if (slot != nullptr && inUse + keptBytes() + bytes <= budget) break;
        FreeBlock(*largestKept);
    }
    if (slot == nullptr) return nullptr;  // every block is in use
    void* p = px::MallocBytes(bytes);
    if (p == nullptr) return nullptr;
    *slot = Block{p, bytes, true};
    return p;
}

void BlockPool::Give(void* block) {
    if (block == nullptr) return;
    for (Block& b : blocks_) {
        if (b.ptr == block) {
            b.inUse = false;
            VTX_KEEP_POISON(b.ptr, b.bytes);
            return;
        }
    }
}

void BlockPool::FreeKept() {
    for (Block& b : blocks_) {
        if (b.ptr != nullptr && !b.inUse) FreeBlock(b);
    }
}

}  // namespace vtx
