// PNG files on disk, the same on every platform: the whole file is read and
// handed to DecodePng; EncodePng's bytes are staged beside the target and
// renamed over it. Paths are UTF-8.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

#include "tools/vtx/png_io.h"

namespace vtx::cli {

namespace fs = std::filesystem;

namespace {

// The path of a UTF-8 file name; false when it cannot be one.
bool ToPath(const std::string& utf8, fs::path& out, std::string& error) {
    try {
        out = fs::u8path(utf8);
    } catch (const std::exception&) {
        error = utf8 + ": not a valid file name";
        return false;
    }
    if (out.empty()) {
        error = "empty file name";
        return false;
    }
    return true;
}

bool IsDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

// Renames `from` over `to`, replacing an existing file.
bool ReplaceWith(const fs::path& from, const fs::path& to, std::string& message) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    message = "error " + std::to_string(GetLastError());
    return false;
#else
    std::error_code ec;
    fs::rename(from, to, ec);
    if (!ec) return true;
    message = ec.message();
    return false;
#endif
}

}  // namespace

bool ReadPng(const std::string& path, Image& out, std::string& error) {
    fs::path p;
    if (!ToPath(path, p, error)) return false;
    if (IsDirectory(p)) {
        error = path + ": is a directory";
        return false;
    }
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::bad_alloc&) {
        error = path + ": out of memory";
        return false;
    }
    if (in.bad()) {
        error = path + ": read error";
        return false;
    }
    if (!DecodePng(bytes.data(), bytes.size(), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, const Image& image, bool keepAlpha, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!EncodePng(image, keepAlpha, bytes, error)) {
        error = path + ": " + error;
        return false;
    }
    StagedFile file(path);
    return file.Stage(bytes, error) && file.Commit(error);
}

StagedFile::StagedFile(std::string path) : path_(std::move(path)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept : path_(std::move(other.path_)), temp_(std::move(other.temp_)) {
    other.temp_.clear();
}

StagedFile::~StagedFile() { Discard(); }

void StagedFile::Discard() {
    if (temp_.empty()) return;
    fs::path p;
    std::string ignored;
    std::error_code ec;
    if (ToPath(temp_, p, ignored)) fs::remove(p, ec);
    temp_.clear();
}

bool StagedFile::Stage(const std::vector<std::uint8_t>& bytes, std::string& error) {
    Discard();
    fs::path target;
    if (!ToPath(path_, target, error)) return false;
    if (IsDirectory(target)) {
        error = path_ + ": is a directory";
        return false;
    }
    // A fresh random name beside the target; an existing file is never reused.
    std::random_device rd;
    std::string temp;
    fs::path tempPath;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".vtx-%08x.tmp", static_cast<unsigned>(rd()));
        temp = path_ + suffix;
        if (!ToPath(temp, tempPath, error)) return false;
        std::error_code ec;
        if (!fs::exists(tempPath, ec) && !ec) break;
        temp.clear();
    }
    if (temp.empty()) {
        error = path_ + ": cannot create a temporary file beside it";
        return false;
    }
    std::ofstream out(tempPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = path_ + ": cannot create: " + std::strerror(errno);
        return false;
    }
    temp_ = temp;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = path_ + ": write error";
        Discard();
        return false;
    }
    return true;
}

bool StagedFile::Commit(std::string& error) {
    if (temp_.empty()) {
        error = path_ + ": nothing staged";
        return false;
    }
    fs::path from, to;
    if (!ToPath(temp_, from, error) || !ToPath(path_, to, error)) return false;
    std::string message;
    if (!ReplaceWith(from, to, message)) {
        error = path_ + ": cannot rename the written file into place: " + message;
        return false;  // the destructor removes the temporary
    }
    temp_.clear();
    return true;
}

}  // namespace vtx::cli
