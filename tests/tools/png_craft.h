// Hand-made PNG files for the tests: chunks are assembled byte by byte, so a
// test can make any header it likes (zero or huge sizes, any colour type)
// without going through the code under test.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vtx::test {

inline void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

inline void PutChunk(std::vector<std::uint8_t>& out, const char type[5], const std::vector<std::uint8_t>& data) {
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

struct CraftedPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 8;
    std::uint8_t colorType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    std::vector<std::uint8_t> palette;  // PLTE: 3 bytes per entry
    std::vector<std::uint8_t> trns;     // tRNS chunk data, if any
    // Rows top to bottom, each already packed as the PNG stores it (without
    // the filter byte).
    std::vector<std::vector<std::uint8_t>> rows;
};

inline std::vector<std::uint8_t> EncodeCrafted(const CraftedPng& p) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    PutBe32(ihdr, p.width);
    PutBe32(ihdr, p.height);
    ihdr.push_back(p.bitDepth);
    ihdr.push_back(p.colorType);
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(0);
    PutChunk(out, "IHDR", ihdr);
    if (!p.palette.empty()) PutChunk(out, "PLTE", p.palette);
    if (!p.trns.empty()) PutChunk(out, "tRNS", p.trns);
    std::vector<std::uint8_t> raw;
    for (const auto& row : p.rows) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> z(size);
    compress(z.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    z.resize(size);
    PutChunk(out, "IDAT", z);
    PutChunk(out, "IEND", {});
    return out;
}

}  // namespace vtx::test
