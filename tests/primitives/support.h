// Test support for the primitives: regions that end right before an
// inaccessible page, random contents, the loop over the implementation levels
// and the exact scale-factor rounding the references use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include "primitives/conventions.h"

namespace vtxtest {

using U8 = std::uint8_t;

// `bytes` writable bytes followed directly by an inaccessible page, so that
// any access past the end faults. 64 KiB is a multiple of every page size in
// use and the allocation granularity of Windows.
inline std::shared_ptr<U8> GuardedBytes(std::size_t bytes) {
    constexpr std::size_t kGuard = 65536;
    const std::size_t body = (bytes + kGuard - 1) / kGuard * kGuard;
#ifdef _WIN32
    auto* base = static_cast<U8*>(VirtualAlloc(nullptr, body + kGuard, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    if (base == nullptr || !VirtualProtect(base + body, kGuard, PAGE_NOACCESS, &old)) throw std::bad_alloc();
    return {base + body - bytes, [base](U8*) { VirtualFree(base, 0, MEM_RELEASE); }};
#else
    void* p = mmap(nullptr, body + kGuard, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED || mprotect(static_cast<U8*>(p) + body, kGuard, PROT_NONE) != 0) throw std::bad_alloc();
    auto* base = static_cast<U8*>(p);
    return {base + body - bytes, [base, body](U8*) { munmap(base, body + kGuard); }};
#endif
}

// A region of w × h pixels of `bpp` bytes, `off` bytes into its buffer, rows
// `step` bytes apart; the buffer ends with the region's last byte.
struct Plane {
    std::int32_t w, h, bpp, step;
    std::size_t off, bytes;
    std::shared_ptr<U8> mem;
    U8* p() const { return mem.get() + off; }
    U8* Px(std::int32_t x, std::int32_t y) const { return p() + std::ptrdiff_t{y} * step + std::ptrdiff_t{x} * bpp; }
    vtx::px::RoiSize size() const { return {w, h}; }
};

inline Plane MakePlane(std::int32_t w, std::int32_t h, std::int32_t bpp, std::int32_t pad, std::size_t off,
                       std::mt19937& rng) {
    Plane pl{w, h, bpp, w * bpp + pad, off, off + std::size_t(h - 1) * std::size_t(w * bpp + pad) + std::size_t(w) * bpp,
             nullptr};
    pl.mem = GuardedBytes(pl.bytes);
    for (std::size_t i = 0; i < pl.bytes; ++i) pl.mem.get()[i] = static_cast<U8>(rng() >> 24);
    return pl;
}

inline Plane Clone(const Plane& s) {
    Plane c = s;
    c.mem = GuardedBytes(s.bytes);
    std::memcpy(c.mem.get(), s.mem.get(), s.bytes);
    return c;
}

// Whole buffers, region and surroundings.
inline bool Same(const Plane& a, const Plane& b) {
    return a.bytes == b.bytes && std::memcmp(a.mem.get(), b.mem.get(), a.bytes) == 0;
}

// Runs body() at every processor ceiling this processor reaches (1 = plain,
// then each compiled vector level), and leaves the default ceiling set.
template <class Body>
void ForEachLevel(Body body) {
    const std::shared_ptr<void> restore(nullptr, [](void*) { vtx::px::ForceProcessorCeiling(vtx::px::kCpuHighest); });
    for (std::int32_t c = vtx::px::kCpuPlain; c <= vtx::px::kCpuHighest; ++c) {
        ASSERT_EQ(vtx::px::ForceProcessorCeiling(c), vtx::px::kStsOk);
        if (vtx::px::GetProcessorIndex() < c) return;
        SCOPED_TRACE("processor level " + std::to_string(c));
        body();
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// r · 2^-sf rounded to nearest with ties to even (by floor division and
// remainder), saturated to 0..255; |r| < 2^20 in every use.
inline int RefScale(std::int64_t r, std::int32_t sf) {
    if (sf <= 0) return static_cast<int>(std::clamp<std::int64_t>(sf < -20 ? r * 256 : r * (std::int64_t{1} << -sf), 0, 255));
    const std::int64_t d = std::int64_t{1} << std::min(sf, 40), q = (r - ((r % d) + d) % d) / d, rem = r - q * d;
    return static_cast<int>(std::clamp<std::int64_t>(q + (2 * rem > d || (2 * rem == d && q % 2 != 0)), 0, 255));
}

}  // namespace vtxtest
