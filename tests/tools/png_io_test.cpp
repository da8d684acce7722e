#include "tools/vtx/png_io.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "tests/tools/png_craft.h"

namespace vtx::cli {
namespace {

using test::CraftedPng;
using test::EncodeCrafted;

Image RandomImage(std::int32_t w, std::int32_t h, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Image img;
    img.width = w;
    img.height = h;
    img.pixels.resize(4 * static_cast<std::size_t>(w) * h);
    for (auto& b : img.pixels) b = static_cast<std::uint8_t>(rng());
    return img;
}

Image Decode(const std::vector<std::uint8_t>& bytes) {
    Image img;
    std::string error;
    EXPECT_TRUE(DecodePng(bytes.data(), bytes.size(), img, error)) << error;
    return img;
}

std::string DecodeError(const std::vector<std::uint8_t>& bytes) {
    Image img;
    std::string error;
    EXPECT_FALSE(DecodePng(bytes.data(), bytes.size(), img, error));
    return error;
}

TEST(PngIo, RgbaRoundTripIsExact) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 5}, {17, 4}, {64, 33}}) {
        const Image img = RandomImage(w, h, static_cast<std::uint32_t>(w * 100 + h));
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(EncodePng(img, true, bytes, error)) << error;
        const Image back = Decode(bytes);
        EXPECT_EQ(back.width, w);
        EXPECT_EQ(back.height, h);
        EXPECT_EQ(back.pixels, img.pixels);
    }
}

TEST(PngIo, RgbDropsAlphaAndReadsBackAlphaZero) {
    const Image img = RandomImage(5, 3, 7);
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodePng(img, false, bytes, error)) << error;
    const Image back = Decode(bytes);
    ASSERT_EQ(back.pixels.size(), img.pixels.size());
    for (std::size_t i = 0; i < img.pixels.size(); ++i) {
        EXPECT_EQ(back.pixels[i], (i % 4 == 3) ? 0 : img.pixels[i]) << i;
    }
}

TEST(PngIo, TopPictureRowIsTheLastBufferRow) {
    // R, G, B per pixel.
    const CraftedPng p{2, 3, 8, 2, {}, {}, {{255, 0, 0, 250, 1, 2}, {0, 255, 0, 3, 4, 5}, {0, 0, 255, 6, 7, 8}}};
    const Image img = Decode(EncodeCrafted(p));
    ASSERT_EQ(img.width, 2);
    ASSERT_EQ(img.height, 3);
    // Buffer row 2 (the last) holds the top row, as B, G, R, A with A = 0.
    const std::vector<std::uint8_t> expected = {
        255, 0, 0, 0, 8, 7, 6, 0,   // buffer row 0: picture row 2 (blue, then 6,7,8)
        0, 255, 0, 0, 5, 4, 3, 0,   // buffer row 1
        0, 0, 255, 0, 2, 1, 250, 0  // buffer row 2: picture row 0 (red, then 250,1,2)
    };
    EXPECT_EQ(img.pixels, expected);
}

TEST(PngIo, WrittenFileHasTheTopRowFirst) {
    Image img;
    img.width = 1;
    img.height = 2;
    img.pixels = {10, 20, 30, 40, 50, 60, 70, 80};  // buffer row 0 = bottom
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodePng(img, true, bytes, error)) << error;
    // Decoding a crafted file of the expected layout gives the same image.
    const CraftedPng p{1, 2, 8, 6, {}, {}, {{70, 60, 50, 80}, {30, 20, 10, 40}}};
    EXPECT_EQ(Decode(EncodeCrafted(p)).pixels, img.pixels);
    EXPECT_EQ(Decode(bytes).pixels, img.pixels);

    // libpng's own reader sees the top row first, as R, G, B, A.
    png_image ref;
    std::memset(&ref, 0, sizeof ref);
    ref.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&ref, bytes.data(), bytes.size())) << ref.message;
    ref.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> rgba(PNG_IMAGE_SIZE(ref));
    ASSERT_TRUE(png_image_finish_read(&ref, nullptr, rgba.data(), 0, nullptr)) << ref.message;
    EXPECT_EQ(rgba, (std::vector<png_byte>{70, 60, 50, 80, 30, 20, 10, 40}));
}

TEST(PngIo, EveryColourTypeAndDepth) {
    const std::vector<std::uint8_t> pal = {255, 0, 0, 0, 255, 0, 1, 2, 3};
    struct Case {
        const char* what;
        CraftedPng png;  // width, height, depth, colour type, palette, tRNS, rows
        std::vector<std::uint8_t> bgra;
    };
    const Case cases[] = {
        {"grey", {3, 1, 8, 0, {}, {}, {{0, 128, 255}}}, {0, 0, 0, 0, 128, 128, 128, 0, 255, 255, 255, 0}},
        {"grey+alpha", {2, 1, 8, 4, {}, {}, {{10, 200, 20, 0}}}, {10, 10, 10, 200, 20, 20, 20, 0}},
        {"1-bit grey",
         {8, 1, 1, 0, {}, {}, {{0xA5}}},  // 1 0 1 0 0 1 0 1
         {255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0,
          0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 255, 0}},
        {"palette", {3, 1, 8, 3, pal, {}, {{2, 0, 1}}}, {3, 2, 1, 0, 0, 0, 255, 0, 0, 255, 0, 0}},
        // tRNS for entries 0 and 1; entry 2 stays opaque.
        {"palette+tRNS", {3, 1, 8, 3, pal, {100, 7}, {{2, 0, 1}}}, {3, 2, 1, 255, 0, 0, 255, 100, 0, 255, 0, 7}},
        // 16-bit samples scaled to 8 bits: 0xFFFF -> 255, 0x8080 -> 128,
        // 0x0101 -> 1, 0xFEFE -> 254, 0x1234 -> 18.
        {"16-bit RGBA",
         {2, 1, 16, 6, {}, {}, {{0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80, 0x12, 0x34, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x01, 0xFE, 0xFE}}},
         {128, 0, 255, 18, 1, 255, 0, 254}},
    };
    for (const Case& c : cases) EXPECT_EQ(Decode(EncodeCrafted(c.png)).pixels, c.bgra) << c.what;
}

CraftedPng SmallRgb() {
    CraftedPng p;
    p.width = 4;
    p.height = 4;
    p.colorType = 2;
    for (int y = 0; y < 4; ++y) {
        std::vector<std::uint8_t> row;
        for (int i = 0; i < 12; ++i) row.push_back(static_cast<std::uint8_t>(y * 12 + i));
        p.rows.push_back(row);
    }
    return p;
}

TEST(PngIo, RefusesFilesThatAreNotPngs) {
    EXPECT_EQ(DecodeError({}), "empty file, not a PNG");
    EXPECT_EQ(DecodeError({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}), "not a PNG file");
    std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0};
    EXPECT_EQ(DecodeError(jpeg), "not a PNG file");
}

TEST(PngIo, EveryTruncationIsRefused) {
    const std::vector<std::uint8_t> full = EncodeCrafted(SmallRgb());
    Decode(full);
    for (std::size_t n = 0; n < full.size(); ++n) {
        std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        Image img;
        std::string error;
        EXPECT_FALSE(DecodePng(cut.data(), cut.size(), img, error)) << "prefix of " << n << " bytes";
        EXPECT_FALSE(error.empty());
    }
    std::vector<std::uint8_t> cut(full.begin(), full.begin() + 40);
    EXPECT_NE(DecodeError(cut).find("truncated"), std::string::npos) << DecodeError(cut);
}

TEST(PngIo, DamagedBytesNeverCrash) {
    const std::vector<std::uint8_t> full = EncodeCrafted(SmallRgb());
    for (std::size_t i = 8; i < full.size(); ++i) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<std::uint8_t> bad = full;
            bad[i] ^= flip;
            Image img;
            std::string error;
            if (DecodePng(bad.data(), bad.size(), img, error)) {
                EXPECT_EQ(img.pixels.size(), 4u * img.width * img.height);
            } else {
                EXPECT_FALSE(error.empty());
            }
        }
    }
}

TEST(PngIo, RefusesZeroSizeAndOversizeImages) {
    CraftedPng zero = SmallRgb();
    zero.width = 0;
    EXPECT_EQ(DecodeError(EncodeCrafted(zero)), "zero-size image (0x4)");
    zero.width = 4;
    zero.height = 0;
    EXPECT_EQ(DecodeError(EncodeCrafted(zero)), "zero-size image (4x0)");

    // Headers of images whose byte size does not fit a signed 32-bit value;
    // refused before any pixel memory is requested.
    for (auto [w, h] : {std::pair{40000u, 40000u}, {23171u, 23171u}, {536870912u, 1u}, {1u, 0x7FFFFFFFu}}) {
        CraftedPng big = SmallRgb();
        big.width = w;
        big.height = h;
        const std::string e = DecodeError(EncodeCrafted(big));
        EXPECT_EQ(e, "image of " + std::to_string(w) + "x" + std::to_string(h) +
                         " pixels is too large (4·W·H bytes must fit a signed 32-bit value)");
    }
}

TEST(PngIo, EncodeRefusesAnInconsistentImage) {
    Image img;
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(EncodePng(img, false, bytes, error));
    img.width = 2;
    img.height = 2;
    img.pixels.resize(15);
    EXPECT_FALSE(EncodePng(img, false, bytes, error));
    EXPECT_EQ(error, "no image to write");
}

}  // namespace
}  // namespace vtx::cli
