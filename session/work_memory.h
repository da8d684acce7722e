// The working memory of one operation call: bordered copies, result and
// derivative images. Every block is taken from the session's kept blocks
// (so that a frame-sized block is not mapped afresh on every call) and
// counted against the call's limit, and whatever is still held goes back
// when the CallMemory goes out of scope, so an early return leaks nothing.
//
// The limit is three frames of the image (and never less than three
// 1920 x 1080 frames, so that small images can still be given wide borders).
// A request above it is refused exactly like an allocation that fails, and
// the operation then leaves the image as it was: a median or box window so
// wide that its bordered copy would need more is treated as not allocatable.
#pragma once

#include <cstdint>

#include "session/image_session.h"

namespace vtx {

class CallMemory {
public:
    static constexpr std::int64_t kFloorFrameBytes = std::int64_t{4} * 1920 * 1080;
    static constexpr int kMaxBlocks = 6;

    explicit CallMemory(ImageSession& s);
    ~CallMemory();
    CallMemory(const CallMemory&) = delete;
    CallMemory& operator=(const CallMemory&) = delete;

    // A 32-byte aligned block of `bytes` bytes, or null when bytes is below 1
    // or above INT32_MAX, when it would take the call above its limit, or when
    // the allocation fails.
    std::uint8_t* Allocate(std::int64_t bytes);
    // Releases a block of this call before the call ends (null is ignored).
    void Release(void* block);

    std::int64_t limit() const { return limit_; }
    std::int64_t held() const { return held_; }

private:
    struct Block {
        void* ptr;
        std::int64_t bytes;
    };
    Block blocks_[kMaxBlocks] = {};
    ImageSession& session_;
    std::int64_t limit_;
    std::int64_t held_ = 0;
};

// Byte size of an image of (width + 2·bx) x (height + 2·by) pixels of
// `pixelBytes` bytes, or -1 when a side or the size cannot be represented as
// a 32-bit signed value (or a border is negative).
std::int64_t BorderedBytes(std::int32_t width, std::int32_t height, std::int64_t bx, std::int64_t by,
                           std::int32_t pixelBytes);

}  // namespace vtx
