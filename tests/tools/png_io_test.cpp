// PNG files <-> images: every kind of PNG read from files assembled byte by
// byte (so any header can be made without the code under test), the row
// order both ways, and refusals.
#include "tools/vtx/png_io.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

namespace vtx::cli {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Crafted {
    std::uint32_t width, height;
    std::uint8_t depth, colourType;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    Bytes palette, trns;
    std::vector<Bytes> rows;  // top to bottom, packed as stored, without the filter byte
};

void PutBe32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

Bytes Encode(const Crafted& p) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ihdr, raw;
    PutBe32(ihdr, p.width);
    PutBe32(ihdr, p.height);
    ihdr.insert(ihdr.end(), {p.depth, p.colourType, 0, 0, 0});
    PutChunk(out, "IHDR", ihdr);
    if (!p.palette.empty()) PutChunk(out, "PLTE", p.palette);
    if (!p.trns.empty()) PutChunk(out, "tRNS", p.trns);
    for (const Bytes& row : p.rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes z(size);
    compress(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    PutChunk(out, "IDAT", Bytes(z.begin(), z.begin() + static_cast<std::ptrdiff_t>(size)));
    PutChunk(out, "IEND", {});
    return out;
}

// The image, or the reason it is refused, as one text.
std::string Decoded(const Bytes& file) {
    Image img;
    std::string error;
    if (!DecodePng(file.data(), file.size(), img, error)) return error;
    std::string s = std::to_string(img.width) + "x" + std::to_string(img.height) + ":";
    for (std::uint8_t b : img.pixels) s += " " + std::to_string(b);
    return s;
}

// Pixels come out as B, G, R, A with the top picture row last; alpha 0
// without an alpha channel or transparency chunk.
TEST(PngIo, ReadsEveryKind) {
    const Bytes pal = {255, 0, 0, 0, 255, 0, 1, 2, 3};
    const std::pair<Crafted, const char*> rows[] = {
        {{2, 3, 8, 2, {}, {}, {{255, 0, 0, 250, 1, 2}, {0, 255, 0, 3, 4, 5}, {0, 0, 255, 6, 7, 8}}},
         "2x3: 255 0 0 0 8 7 6 0 0 255 0 0 5 4 3 0 0 0 255 0 2 1 250 0"},
        {{1, 2, 8, 6, {}, {}, {{70, 60, 50, 80}, {30, 20, 10, 40}}}, "1x2: 10 20 30 40 50 60 70 80"},
        {{3, 1, 8, 0, {}, {}, {{0, 128, 255}}}, "3x1: 0 0 0 0 128 128 128 0 255 255 255 0"},
        {{2, 1, 8, 4, {}, {}, {{10, 200, 20, 0}}}, "2x1: 10 10 10 200 20 20 20 0"},
        {{4, 1, 1, 0, {}, {}, {{0xA0}}}, "4x1: 255 255 255 0 0 0 0 0 255 255 255 0 0 0 0 0"},  // 1-bit grey
        {{3, 1, 8, 3, pal, {}, {{2, 0, 1}}}, "3x1: 3 2 1 0 0 0 255 0 0 255 0 0"},
        {{3, 1, 8, 3, pal, {100, 7}, {{2, 0, 1}}}, "3x1: 3 2 1 255 0 0 255 100 0 255 0 7"},  // entry 2 opaque
        // 16-bit samples scaled: 0xFFFF 255, 0x8080 128, 0x1234 18, 0x0101 1, 0xFEFE 254.
        {{2, 1, 16, 6, {}, {}, {{255, 255, 0, 0, 128, 128, 18, 52, 0, 0, 255, 255, 1, 1, 254, 254}}},
         "2x1: 128 0 255 18 1 255 0 254"},
        {{0, 4, 8, 2, {}, {}, {{}}}, "zero-size image (0x4)"},
        {{4, 0, 8, 2, {}, {}, {{}}}, "zero-size image (4x0)"},
        {{40000, 40000, 8, 2, {}, {}, {{0, 0, 0}}},
         "image of 40000x40000 pixels is too large (4·W·H bytes must fit a signed 32-bit value)"},
    };
    for (const auto& [png, want] : rows) EXPECT_EQ(Decoded(Encode(png)).rfind(want, 0), 0u) << Decoded(Encode(png));
    EXPECT_EQ(Decoded({}), "empty file, not a PNG");
    EXPECT_EQ(Decoded({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}), "not a PNG file");
}

// Every truncation is refused; a damaged byte gives an image or a reason.
TEST(PngIo, TruncatedAndDamagedFiles) {
    Crafted rgb{4, 4, 8, 2, {}, {}, {}};
    for (int y = 0; y < 4; ++y) rgb.rows.push_back(Bytes(12, static_cast<std::uint8_t>(40 * y)));
    const Bytes full = Encode(rgb);
    for (std::size_t n = 0; n < full.size(); ++n) {
        const std::string e = Decoded(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
        const char* want = n == 0 ? "empty file, not a PNG" : (n < 8 ? "not a PNG file" : "corrupt or truncated PNG: ");
        EXPECT_EQ(e.rfind(want, 0), 0u) << n << ": " << e;
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes bad = full;
            bad[n] ^= flip;
            EXPECT_FALSE(Decoded(bad).empty()) << n;
        }
    }
}

// Written files read back exactly (RGB ones with alpha 0): as reading puts
// the top picture row last, writing puts it first.
TEST(PngIo, WritesRgbOrRgba) {
    std::mt19937 rng(7);
    Bytes file;
    std::string error;
    for (auto [w, h, alpha] : {std::tuple{1, 1, true}, {3, 5, false}, {17, 4, true}, {64, 33, false}}) {
        Image img{w, h, Bytes(4 * static_cast<std::size_t>(w) * h)}, back;
        for (auto& b : img.pixels) b = static_cast<std::uint8_t>(rng());
        ASSERT_TRUE(EncodePng(img, alpha, file, error) && DecodePng(file.data(), file.size(), back, error)) << error;
        for (std::size_t i = 3; !alpha && i < img.pixels.size(); i += 4) img.pixels[i] = 0;
        EXPECT_TRUE(back.width == w && back.height == h && back.pixels == img.pixels) << w << "x" << h;
    }
    EXPECT_TRUE(!EncodePng(Image{2, 2, Bytes(15)}, false, file, error) && error == "no image to write");
}

}  // namespace
}  // namespace vtx::cli
