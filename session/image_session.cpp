#include "session/image_session.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "primitives/conventions.h"

namespace vtx {

ImageSession::ImageSession() {
    owned_ = static_cast<std::uint8_t*>(std::malloc(kInitialCapacity));
    ownedCapacity_ = owned_ != nullptr ? kInitialCapacity : 0;
    px::SelectProcessor();
}

ImageSession::~ImageSession() {
    FreeBackupCopy();
    px::Free(scratch_);
    std::free(owned_);
}

bool ImageSession::FitsByteSize(std::int64_t width, std::int64_t height) {
    if (width < 0 || height < 0) return false;
    if (width > INT32_MAX || height > INT32_MAX) return false;
    return width == 0 || height == 0 || 4 * width <= INT32_MAX / height;
}

std::int32_t ImageSession::SetImageCopy(const std::uint8_t* data, std::int32_t width, std::int32_t height) {
    // The copy never writes through data.
    return Adopt(const_cast<std::uint8_t*>(data), width, height, true);
}

std::int32_t ImageSession::SetImageInPlace(std::uint8_t* data, std::int32_t width, std::int32_t height) {
    return Adopt(data, width, height, false);
}

std::int32_t ImageSession::Adopt(std::uint8_t* data, std::int32_t width, std::int32_t height, bool copy) {
    if (!FitsByteSize(width, height)) return 1;
    const std::int32_t oldWidth = width_, oldHeight = height_;
    std::uint8_t* const oldPixels = pixels_;
    width_ = width;
    height_ = height;
    pixels_ = data;
    if (data == nullptr || width < 2 || height < 2) return 1;

    const std::int32_t bytes = 4 * width * height;
    if (copy) {
        if (bytes > ownedCapacity_) {
            auto* grown = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(bytes)));
            if (grown == nullptr) {
                width_ = oldWidth;
                height_ = oldHeight;
                pixels_ = oldPixels;
                return 1;
            }
            std::memcpy(grown, data, static_cast<std::size_t>(bytes));
            std::free(owned_);
            owned_ = grown;
            ownedCapacity_ = bytes;
        } else {
            std::memmove(owned_, data, static_cast<std::size_t>(bytes));
        }
        pixels_ = owned_;
    }
    // Blocks kept for another size would only be in the way.
    if (bytes != byteSize_) blocks_.FreeKept();
    regionWidth_ = width;
    stride_ = 4 * width;
    byteSize_ = bytes;
    regionHeight_ = height;
    return 0;
}

std::uint8_t* ImageSession::Scratch(std::int32_t bytes) {
    if (bytes < 1) return nullptr;
    if (bytes > scratchCapacity_) {
        auto* grown = static_cast<std::uint8_t*>(px::MallocBytes(bytes));
        if (grown == nullptr) return nullptr;
        px::Free(scratch_);
        scratch_ = grown;
        scratchCapacity_ = bytes;
    }
    return scratch_;
}

bool ImageSession::MakeBackupCopy() {
    FreeBackupCopy();
    if (!HasImage()) return false;
    backup_ = static_cast<std::uint8_t*>(blocks_.Take(byteSize_, blockBudget()));
    if (backup_ == nullptr) return false;
    std::memcpy(backup_, pixels_, static_cast<std::size_t>(byteSize_));
    return true;
}

void ImageSession::FreeBackupCopy() {
    blocks_.Give(backup_);
    backup_ = nullptr;
}

std::int64_t ImageSession::blockBudget() const {
    constexpr std::int64_t kFloorFrameBytes = std::int64_t{4} * 1920 * 1080;
    return 4 * std::max<std::int64_t>(std::int64_t{4} * width_ * height_, kFloorFrameBytes);
}

std::int32_t get_UseMask(ImageSession& s, VariantBool* mask) {
    if (mask == nullptr) return 1;
    *mask = s.useMask() ? kVariantTrue : kVariantFalse;
    return 0;
}

std::int32_t put_UseMask(ImageSession& s, VariantBool mask) {
    s.setUseMask(mask);
    return 0;
}

std::int32_t get_BackColor(ImageSession& s, std::int32_t* color) {
    if (color == nullptr) return 1;
    *color = s.backColor();
    return 0;
}

std::int32_t put_BackColor(ImageSession& s, std::int32_t color) {
    s.setBackColor(color);
    return 0;
}

}  // namespace vtx
