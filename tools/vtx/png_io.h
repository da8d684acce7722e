// PNG files <-> images in the session's layout (BGRA, row 0 the bottom line).
//
// Reading: 8-bit and 16-bit grey, grey+alpha, RGB, RGBA and palette images,
// interlaced or not. The picture's top row becomes buffer row H-1; PNG R, G,
// B, A become bytes B, G, R, A; 16-bit samples are scaled to 8 bits; a
// transparency chunk counts as alpha; an image without alpha gets alpha
// byte 0. Samples are taken as stored (no gamma or colour-profile handling).
// Files that are not PNGs, truncated or corrupt ones and images whose byte
// size 4·W·H does not fit a signed 32-bit value are refused with a message.
//
// Writing: 8-bit RGB, or RGBA carrying the alpha bytes exactly. Files are
// written under a temporary name beside the target and renamed over it only
// when complete, so a failed write never leaves a partial file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/vtx/image.h"

namespace vtx::cli {

// The codec: libpng natively, the Windows Imaging Component in vtx.exe.
bool DecodePng(const std::uint8_t* data, std::size_t size, Image& out, std::string& error);
bool EncodePng(const Image& image, bool keepAlpha, std::vector<std::uint8_t>& out, std::string& error);

// Files (png_files.cpp, shared by both): UTF-8 paths.
bool ReadPng(const std::string& path, Image& out, std::string& error);
bool WritePng(const std::string& path, const Image& image, bool keepAlpha, std::string& error);

// A file written in two steps: Stage() writes the bytes under a temporary
// name in the target's folder, Commit() renames it to the target. A staged
// file that is never committed is removed when the object goes.
class StagedFile {
public:
    explicit StagedFile(std::string path);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;

    bool Stage(const std::vector<std::uint8_t>& bytes, std::string& error);
    bool Commit(std::string& error);
    const std::string& path() const { return path_; }

private:
    void Discard();  // removes the staged temporary, if any

    std::string path_;
    std::string temp_;  // empty when nothing is staged
};

}  // namespace vtx::cli
