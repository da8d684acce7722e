#include "tools/vtx/png_io.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "session/image_session.h"

namespace vtx::cli {

namespace {

// libpng reports errors through a callback that must not return; ours records
// the message and jumps back to the setjmp in DecodeRows / EncodeRows. Those
// functions hold no objects with destructors, everything they change lives
// in the state record owned by their caller, and no C++ frame with live
// objects lies between the setjmp and the jump.
struct PngState {
    char message[256] = {};
    // Reading.
    const std::uint8_t* input = nullptr;
    std::size_t inputSize = 0;
    std::size_t inputPos = 0;
    Image* image = nullptr;
    std::vector<png_bytep> rows;
    bool tooLarge = false;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    // Writing.
    std::vector<std::uint8_t>* output = nullptr;
    bool outOfMemory = false;
};

void OnError(png_structp png, png_const_charp message) {
    auto* st = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(st->message, sizeof st->message, "%s", message != nullptr ? message : "unknown error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep dst, png_size_t n) {
    auto* st = static_cast<PngState*>(png_get_io_ptr(png));
    if (n > st->inputSize - st->inputPos) png_error(png, "unexpected end of file (the file is truncated)");
    std::memcpy(dst, st->input + st->inputPos, n);
    st->inputPos += n;
}

void OnWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* st = static_cast<PngState*>(png_get_io_ptr(png));
    try {
        st->output->insert(st->output->end(), data, data + n);
    } catch (...) {
        st->outOfMemory = true;
    }
    if (st->outOfMemory) png_error(png, "out of memory");
}

void OnFlush(png_structp) {}

// Reads the header, sets the transformations to 8-bit BGRA and reads the
// rows. Returns false after an error (message in st) or a size refusal.
bool DecodeRows(png_structp png, png_infop info, PngState* st) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, st, OnRead);
    // Our own size rule decides; libpng's default limits would refuse
    // earlier with a different message.
    png_set_user_limits(png, 0x7fffffffu, 0x7fffffffu);
    png_read_info(png, info);

    st->width = png_get_image_width(png, info);
    st->height = png_get_image_height(png, info);
    if (!ImageSession::FitsByteSize(st->width, st->height)) {
        st->tooLarge = true;
        return false;
    }
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_tRNS_to_alpha(png);
        hasAlpha = true;
    }
    if (bitDepth == 16) png_set_scale_16(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!hasAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != 4 * static_cast<png_size_t>(st->width) || png_get_channels(png, info) != 4 ||
        png_get_bit_depth(png, info) != 8) {
        png_error(png, "unsupported pixel layout");
    }

    Image& img = *st->image;
    img.width = static_cast<std::int32_t>(st->width);
    img.height = static_cast<std::int32_t>(st->height);
    img.pixels.assign(4 * static_cast<std::size_t>(st->width) * st->height, 0);
    st->rows.resize(st->height);
    for (png_uint_32 y = 0; y < st->height; ++y) {
        // Picture row y is buffer row H-1-y.
        st->rows[y] = img.pixels.data() + 4 * static_cast<std::size_t>(st->width) * (st->height - 1 - y);
    }
    png_read_image(png, st->rows.data());
    png_read_end(png, nullptr);
    return true;
}

bool EncodeRows(png_structp png, png_infop info, PngState* st, bool keepAlpha) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, st, OnWrite, OnFlush);
    png_set_IHDR(png, info, st->width, st->height, 8, keepAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!keepAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops byte 3 of each pixel
    png_write_image(png, st->rows.data());
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, Image& out, std::string& error) {
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        error = size == 0 ? "empty file, not a PNG" : "not a PNG file";
        return false;
    }
    // A zero width or height is refused by the decoder as a bad header; say
    // plainly what it is.
    if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
        const auto be32 = [&](std::size_t at) {
            return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
                   (std::uint32_t{data[at + 2]} << 8) | std::uint32_t{data[at + 3]};
        };
        if (be32(16) == 0 || be32(20) == 0) {
            error = "zero-size image (" + std::to_string(be32(16)) + "x" + std::to_string(be32(20)) + ")";
            return false;
        }
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return false;
    }
    PngState st;
    st.input = data;
    st.inputSize = size;
    Image decoded;
    st.image = &decoded;
    png_set_error_fn(png, &st, OnError, OnWarning);
    bool ok = false;
    try {
        ok = DecodeRows(png, info, &st);
    } catch (const std::bad_alloc&) {
        std::snprintf(st.message, sizeof st.message, "out of memory for a %ux%u image", st.width, st.height);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        if (st.tooLarge) {
            error = "image of " + std::to_string(st.width) + "x" + std::to_string(st.height) +
                    " pixels is too large (4·W·H bytes must fit a signed 32-bit value)";
        } else {
            error = std::string("corrupt or truncated PNG: ") + st.message;
        }
        return false;
    }
    if (decoded.width < 1 || decoded.height < 1) {
        error = "zero-size image";
        return false;
    }
    out = std::move(decoded);
    return true;
}

bool EncodePng(const Image& image, bool keepAlpha, std::vector<std::uint8_t>& out, std::string& error) {
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() != 4 * static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        error = "no image to write";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    PngState st;
    std::vector<std::uint8_t> encoded;
    st.output = &encoded;
    st.width = static_cast<png_uint_32>(image.width);
    st.height = static_cast<png_uint_32>(image.height);
    bool ok = false;
    try {
        st.rows.resize(st.height);
        for (png_uint_32 y = 0; y < st.height; ++y) {
            // libpng copies each row before transforming it; the source is
            // only read.
            st.rows[y] = const_cast<png_bytep>(image.PictureAt(0, static_cast<std::int32_t>(y)));
        }
        png_set_error_fn(png, &st, OnError, OnWarning);
        ok = EncodeRows(png, info, &st, keepAlpha);
    } catch (const std::bad_alloc&) {
        std::snprintf(st.message, sizeof st.message, "out of memory");
    }
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        error = std::string("cannot encode PNG: ") + st.message;
        return false;
    }
    out = std::move(encoded);
    return true;
}

}  // namespace vtx::cli
