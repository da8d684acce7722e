#include "session/work_memory.h"

#include <algorithm>

#include "primitives/conventions.h"

namespace vtx {

CallMemory::CallMemory(ImageSession& s)
    : session_(s),
      limit_(3 * std::max<std::int64_t>(std::int64_t{4} * s.width() * s.height(), kFloorFrameBytes)) {}

CallMemory::~CallMemory() {
    for (Block& b : blocks_) session_.blocks().Give(b.ptr);
}

std::uint8_t* CallMemory::Allocate(std::int64_t bytes) {
    if (bytes < 1 || bytes > INT32_MAX || bytes > limit_ - held_) return nullptr;
    for (Block& b : blocks_) {
        if (b.ptr != nullptr) continue;
        b.ptr = session_.blocks().Take(bytes, session_.blockBudget());
        if (b.ptr == nullptr) return nullptr;
        b.bytes = bytes;
        held_ += bytes;
        return static_cast<std::uint8_t*>(b.ptr);
    }
    return nullptr;
}

void CallMemory::Release(void* block) {
    if (block == nullptr) return;
    for (Block& b : blocks_) {
        if (b.ptr != block) continue;
        session_.blocks().Give(b.ptr);
        held_ -= b.bytes;
        b = Block{};
        return;
    }
}

std::int64_t BorderedBytes(std::int32_t width, std::int32_t height, std::int64_t bx, std::int64_t by,
                           std::int32_t pixelBytes) {
    if (bx < 0 || by < 0 || width < 0 || height < 0 || pixelBytes < 1) return -1;
    if (bx > INT32_MAX || by > INT32_MAX) return -1;
    const std::int64_t w = width + 2 * bx;
    const std::int64_t h = height + 2 * by;
    if (w > INT32_MAX || h > INT32_MAX) return -1;
    if (w * pixelBytes > INT32_MAX) return -1;
    const std::int64_t rowBytes = w * pixelBytes;
    if (h != 0 && rowBytes > INT32_MAX / h) return -1;
    return rowBytes * h;
}

}  // namespace vtx
