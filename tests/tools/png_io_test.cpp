#include "tools/vtx/png_io.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// The bytes B, G, R, A of picture pixel (x, y), y = 0 the top line.
std::vector<int> PixelAt(const Image& img, int x, int y) {
    const std::uint8_t* p = img.PictureAt(x, y);
    return {p[0], p[1], p[2], p[3]};
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
    CraftedPng p;
    p.width = 2;
    p.height = 3;
    p.colorType = 2;
    p.rows = {{255, 0, 0, 250, 1, 2}, {0, 255, 0, 3, 4, 5}, {0, 0, 255, 6, 7, 8}};  // R, G, B per pixel
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
    CraftedPng p;
    p.width = 1;
    p.height = 2;
    p.colorType = 6;
    p.rows = {{70, 60, 50, 80}, {30, 20, 10, 40}};
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

TEST(PngIo, GreyGreyAlphaPaletteAndSixteenBit) {
    CraftedPng grey;
    grey.width = 3;
    grey.height = 1;
    grey.colorType = 0;
    grey.rows = {{0, 128, 255}};
    EXPECT_EQ(Decode(EncodeCrafted(grey)).pixels,
              (std::vector<std::uint8_t>{0, 0, 0, 0, 128, 128, 128, 0, 255, 255, 255, 0}));

    CraftedPng ga;
    ga.width = 2;
    ga.height = 1;
    ga.colorType = 4;
    ga.rows = {{10, 200, 20, 0}};
    EXPECT_EQ(Decode(EncodeCrafted(ga)).pixels, (std::vector<std::uint8_t>{10, 10, 10, 200, 20, 20, 20, 0}));

    CraftedPng bits;
    bits.width = 8;
    bits.height = 1;
    bits.colorType = 0;
    bits.bitDepth = 1;
    bits.rows = {{0xA5}};  // 1 0 1 0 0 1 0 1
    const Image b = Decode(EncodeCrafted(bits));
    const int expectedBits[8] = {1, 0, 1, 0, 0, 1, 0, 1};
    for (int x = 0; x < 8; ++x) {
        const int v = expectedBits[x] * 255;
        EXPECT_EQ(PixelAt(b, x, 0), (std::vector<int>{v, v, v, 0})) << x;
    }

    CraftedPng pal;
    pal.width = 3;
    pal.height = 1;
    pal.colorType = 3;
    pal.palette = {255, 0, 0, 0, 255, 0, 1, 2, 3};
    pal.rows = {{2, 0, 1}};
    EXPECT_EQ(Decode(EncodeCrafted(pal)).pixels,
              (std::vector<std::uint8_t>{3, 2, 1, 0, 0, 0, 255, 0, 0, 255, 0, 0}));
    pal.trns = {100, 7};  // entries 0 and 1; entry 2 stays opaque
    EXPECT_EQ(Decode(EncodeCrafted(pal)).pixels,
              (std::vector<std::uint8_t>{3, 2, 1, 255, 0, 0, 255, 100, 0, 255, 0, 7}));

    CraftedPng deep;
    deep.width = 2;
    deep.height = 1;
    deep.colorType = 6;
    deep.bitDepth = 16;
    deep.rows = {{0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80, 0x12, 0x34,  //
                  0x00, 0x00, 0xFF, 0xFF, 0x01, 0x01, 0xFE, 0xFE}};
    // 16-bit samples scaled to 8 bits: 0xFFFF -> 255, 0x8080 -> 128,
    // 0x0101 -> 1, 0xFEFE -> 254, 0x1234 -> 18.
    EXPECT_EQ(Decode(EncodeCrafted(deep)).pixels,
              (std::vector<std::uint8_t>{128, 0, 255, 18, 1, 255, 0, 254}));
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

class PngFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vtx_png_io_test_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(PngFiles, WriteAndReadBack) {
    const Image img = RandomImage(7, 6, 3);
    const std::string path = (dir_ / "a.png").string();
    std::string error;
    ASSERT_TRUE(WritePng(path, img, true, error)) << error;
    Image back;
    ASSERT_TRUE(ReadPng(path, back, error)) << error;
    EXPECT_EQ(back.pixels, img.pixels);
    // Only the file itself is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

TEST_F(PngFiles, ReadErrorsNameTheFile) {
    Image img;
    std::string error;
    const std::string missing = (dir_ / "missing.png").string();
    EXPECT_FALSE(ReadPng(missing, img, error));
    EXPECT_EQ(error, missing + ": No such file or directory");
    EXPECT_FALSE(ReadPng(dir_.string(), img, error));
    EXPECT_EQ(error, dir_.string() + ": is a directory");
    const std::string text = (dir_ / "text.png").string();
    std::ofstream(text) << "not a picture";
    EXPECT_FALSE(ReadPng(text, img, error));
    EXPECT_EQ(error, text + ": not a PNG file");
}

TEST_F(PngFiles, StagedFileAppearsOnlyOnCommit) {
    const std::string path = (dir_ / "out.png").string();
    std::ofstream(path) << "old";
    {
        StagedFile f(path);
        std::string error;
        ASSERT_TRUE(f.Stage({1, 2, 3}, error)) << error;
        // Not committed: the old file stays and the temporary goes.
    }
    std::ifstream in(path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);

    StagedFile f(path);
    std::string error;
    ASSERT_TRUE(f.Stage({'n', 'e', 'w'}, error)) << error;
    ASSERT_TRUE(f.Commit(error)) << error;
    std::ifstream in2(path);
    in2 >> content;
    EXPECT_EQ(content, "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

TEST_F(PngFiles, WriteIntoMissingFolderFailsAndLeavesNothing) {
    const Image img = RandomImage(2, 2, 1);
    std::string error;
    EXPECT_FALSE(WritePng((dir_ / "no" / "x.png").string(), img, false, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(WritePng(dir_.string(), img, false, error));
    EXPECT_EQ(error, dir_.string() + ": is a directory");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 0);
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
