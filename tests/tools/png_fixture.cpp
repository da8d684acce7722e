// Test helper for the command line tests: writes hand-made PNG files and
// prints the pixels of a PNG as the reference decoder of libpng reads them.
//
//   vtx_png_fixture write KIND FILE   KIND: orient alpha one thin grey zero huge
//   vtx_png_fixture dump FILE         "W H" then one line per picture row of
//                                     R,G,B,A pixels (RGB files read as A 255)
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tests/tools/png_craft.h"

using vtx::test::CraftedPng;

namespace {

// Fields: width, height, bit depth, colour type, palette, tRNS, rows.
bool Make(const std::string& kind, CraftedPng& p) {
    if (kind == "orient") {  // top row red, green; bottom row blue, white
        p = CraftedPng{2, 2, 8, 2, {}, {}, {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 255}}};
    } else if (kind == "alpha") {  // alpha 0, 1, 127 / 128, 254, 255
        p = CraftedPng{3, 2, 8, 6, {}, {}, {{10, 20, 30, 0, 40, 50, 60, 1, 70, 80, 90, 127},
                                             {100, 110, 120, 128, 130, 140, 150, 254, 160, 170, 180, 255}}};
    } else if (kind == "one") {
        p = CraftedPng{1, 1, 8, 2, {}, {}, {{1, 2, 3}}};
    } else if (kind == "thin") {
        p = CraftedPng{1, 4, 8, 2, {}, {}, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}};
    } else if (kind == "grey") {
        p = CraftedPng{4, 1, 8, 0, {}, {}, {{0, 85, 170, 255}}};
    } else if (kind == "zero") {
        p = CraftedPng{0, 3, 8, 2, {}, {}, {{}}};
    } else if (kind == "huge") {  // 4·W·H beyond the signed 32-bit range
        p = CraftedPng{40000, 40000, 8, 2, {}, {}, {{0, 0, 0}}};
    } else {
        return false;
    }
    return true;
}

int Dump(const char* path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::cerr << "dump: " << image.message << "\n";
        return 1;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        std::cerr << "dump: " << image.message << "\n";
        return 1;
    }
    std::cout << image.width << " " << image.height << "\n";
    for (png_uint_32 y = 0; y < image.height; ++y) {
        for (png_uint_32 x = 0; x < image.width; ++x) {
            const png_byte* q = &pixels[4 * (y * image.width + x)];
            std::cout << (x ? " " : "") << int(q[0]) << "," << int(q[1]) << "," << int(q[2]) << "," << int(q[3]);
        }
        std::cout << "\n";
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "write") {
        CraftedPng p;
        if (!Make(argv[2], p)) {
            std::cerr << "unknown kind " << argv[2] << "\n";
            return 2;
        }
        const std::vector<std::uint8_t> bytes = vtx::test::EncodeCrafted(p);
        std::ofstream(argv[3], std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                       static_cast<std::streamsize>(bytes.size()));
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "dump") return Dump(argv[2]);
    std::cerr << "usage: vtx_png_fixture write KIND FILE | dump FILE\n";
    return 2;
}
