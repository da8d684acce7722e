// One image session: at most one BGRA image (rows bottom-up, stride 4·W),
// the UseMask and BackColor properties, and the buffers the operations share.
#pragma once

#include <cstdint>

#include "session/block_pool.h"
#include "session/tick_source.h"

namespace vtx {

// Automation boolean: -1 is true; every other value, 1 included, is false.
using VariantBool = std::int16_t;
constexpr VariantBool kVariantTrue = -1;
constexpr VariantBool kVariantFalse = 0;

class ImageSession {
public:
    static constexpr std::int32_t kInitialCapacity = 1920000;  // an 800 x 600 image

    // Clears every field, allocates the owned buffer and runs the primitive
    // layer's processor selection.
    ImageSession();
    ~ImageSession();
    ImageSession(const ImageSession&) = delete;
    ImageSession& operator=(const ImageSession&) = delete;

    // Shape check of an image handed over by a host, before anything is
    // written: true when a W x H image of 4-byte pixels has a byte size that
    // fits a signed 32-bit value. Both set methods refuse other sizes and
    // keep the previous image.
    static bool FitsByteSize(std::int64_t width, std::int64_t height);

    // Copy a packed W x H BGRA image into the owned buffer (it grows to the
    // exact byte size when too small and never shrinks). Width, height and
    // pixels are written first; data == null, W < 2 or H < 2 then refuse with
    // 1 and leave no usable image. An unrepresentable size, or an owned
    // buffer that cannot grow, refuses with 1 and leaves the session as it was.
    std::int32_t SetImageCopy(const std::uint8_t* data, std::int32_t width, std::int32_t height);
    // Work on the host's memory in place; the same refusals, no copy.
    std::int32_t SetImageInPlace(std::uint8_t* data, std::int32_t width, std::int32_t height);

    // True when an image is usable: pixels not null, W >= 2, H >= 2.
    bool HasImage() const { return pixels_ != nullptr && width_ >= 2 && height_ >= 2; }

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t byteSize() const { return byteSize_; }
    std::int32_t stride() const { return stride_; }
    std::int32_t regionWidth() const { return regionWidth_; }
    std::int32_t regionHeight() const { return regionHeight_; }
    std::uint8_t* pixels() { return pixels_; }
    const std::uint8_t* pixels() const { return pixels_; }
    std::int32_t ownedCapacity() const { return ownedCapacity_; }
    const std::uint8_t* ownedBuffer() const { return owned_; }

    bool useMask() const { return useMask_ != 0; }
    void setUseMask(VariantBool value) { useMask_ = (value == kVariantTrue) ? 1 : 0; }
    std::int32_t backColor() const { return backColor_; }
    void setBackColor(std::int32_t color) { backColor_ = color; }

    // The operations' work image: 32-byte aligned, at least `bytes` long. It
    // grows when an operation asks for more and is kept, never shrunk, until
    // the session ends, so operations allocate nothing per call. Its contents
    // are whatever the last user left. Null for bytes < 1 or when it cannot
    // grow (the smaller block is then kept).
    std::uint8_t* Scratch(std::int32_t bytes);
    std::int32_t scratchCapacity() const { return scratchCapacity_; }

    // The whole-image scratch copy held while one operation runs.
    std::uint8_t* backup() { return backup_; }
    bool MakeBackupCopy();
    void FreeBackupCopy();

    // Working blocks kept between calls (the backup copy and every call's
    // working memory come from here), and how much of them may be held at
    // once, kept ones included: four frames of the image, and never less
    // than four 1920 x 1080 frames.
    BlockPool& blocks() { return blocks_; }
    std::int64_t blockBudget() const;

    // The clock that seeds the random effects; the system's by default. The
    // source must outlive the session (or be replaced before it goes).
    TickSource& ticks() const { return *ticks_; }
    void setTickSource(TickSource* source) { ticks_ = source != nullptr ? source : &SystemTicks(); }

private:
    std::int32_t Adopt(std::uint8_t* data, std::int32_t width, std::int32_t height, bool copy);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t byteSize_ = 0;
    std::uint8_t* pixels_ = nullptr;
    std::uint8_t* backup_ = nullptr;
    std::int32_t backColor_ = 0;
    std::int32_t regionWidth_ = 0;
    std::int32_t regionHeight_ = 0;
    std::int32_t stride_ = 0;
    std::int32_t useMask_ = 0;
    std::uint8_t* owned_ = nullptr;
    TickSource* ticks_ = &SystemTicks();
    std::int32_t ownedCapacity_ = 0;
    std::uint8_t* scratch_ = nullptr;
    std::int32_t scratchCapacity_ = 0;
    BlockPool blocks_;
};

// The property members, as the interface exposes them. A null out pointer
// gives 1.
std::int32_t get_UseMask(ImageSession& s, VariantBool* mask);
std::int32_t put_UseMask(ImageSession& s, VariantBool mask);
std::int32_t get_BackColor(ImageSession& s, std::int32_t* color);
std::int32_t put_BackColor(ImageSession& s, std::int32_t color);

}  // namespace vtx
