// Test support for the primitives: regions inside guarded buffers, random
// contents, the geometries every primitive is run on, and the loop over the
// implementation levels.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "primitives/conventions.h"

namespace vtxtest {

// A block of `bytes` bytes whose last byte is immediately followed by an
// inaccessible page, so that any read or write past its end faults.
class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t bytes) : bytes_(bytes) {
        const std::size_t page = PageSize();
        const std::size_t body = (bytes + page - 1) / page * page;
        total_ = body + page;
#ifdef _WIN32
        base_ = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, total_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (base_ == nullptr) throw std::bad_alloc();
        DWORD old = 0;
        if (!VirtualProtect(base_ + body, page, PAGE_NOACCESS, &old)) throw std::bad_alloc();
#else
        void* p = mmap(nullptr, total_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        base_ = static_cast<std::uint8_t*>(p);
        if (mprotect(base_ + body, page, PROT_NONE) != 0) throw std::bad_alloc();
#endif
        data_ = base_ + body - bytes;
    }
    ~GuardedBuffer() {
#ifdef _WIN32
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        munmap(base_, total_);
#endif
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return bytes_; }

    static std::size_t PageSize() {
#ifdef _WIN32
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        return si.dwPageSize;
#else
        return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
    }

private:
    std::size_t bytes_;
    std::size_t total_ = 0;
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
};

// A region of width × height pixels of `bpp` bytes, `offset` bytes into its
// buffer, rows `step` bytes apart. The buffer ends with the region's last
// byte, on a guard page; the bytes before the region and after each row but
// the last lie outside the region.
struct Plane {
    std::int32_t width = 0, height = 0, bpp = 0, step = 0;
    std::size_t offset = 0;
    std::shared_ptr<GuardedBuffer> mem;

    std::uint8_t* base() const { return mem->data(); }
    std::size_t bytes() const { return mem->size(); }
    std::uint8_t* p() const { return base() + offset; }
    std::uint8_t* Row(std::int32_t y) const { return p() + static_cast<std::ptrdiff_t>(y) * step; }
    std::uint8_t* Px(std::int32_t x, std::int32_t y) const { return Row(y) + static_cast<std::ptrdiff_t>(x) * bpp; }
    vtx::px::RoiSize size() const { return {width, height}; }
};

inline Plane MakePlane(std::int32_t width, std::int32_t height, std::int32_t bpp, std::int32_t pad,
                       std::size_t offset) {
    Plane pl{width, height, bpp, width * bpp + pad, offset, nullptr};
    pl.mem = std::make_shared<GuardedBuffer>(offset + static_cast<std::size_t>(height - 1) * pl.step +
                                             static_cast<std::size_t>(width) * bpp);
    return pl;
}

inline void FillRandom(const Plane& pl, std::mt19937& rng) {
    for (std::size_t i = 0; i < pl.bytes(); ++i) pl.base()[i] = static_cast<std::uint8_t>(rng() >> 24);
}

inline Plane Clone(const Plane& src) {
    Plane c = src;
    c.mem = std::make_shared<GuardedBuffer>(src.bytes());
    std::memcpy(c.base(), src.base(), src.bytes());
    return c;
}

// Compares whole buffers (region and surroundings) byte for byte and names
// the first difference by row and byte of the row.
inline ::testing::AssertionResult SameBytes(const Plane& actual, const Plane& expected) {
    if (actual.bytes() != expected.bytes()) return ::testing::AssertionFailure() << "buffer sizes differ";
    for (std::size_t i = 0; i < actual.bytes(); ++i) {
        if (actual.base()[i] == expected.base()[i]) continue;
        const std::ptrdiff_t rel = static_cast<std::ptrdiff_t>(i) - static_cast<std::ptrdiff_t>(actual.offset);
        return ::testing::AssertionFailure()
               << "buffer byte " << i << " (row " << (rel < 0 ? -1 : rel / actual.step) << ", byte "
               << (rel < 0 ? rel : rel % actual.step) << " of the row) is " << int(actual.base()[i]) << ", expected "
               << int(expected.base()[i]) << "; region " << actual.width << "x" << actual.height << " step "
               << actual.step << " offset " << actual.offset;
    }
    return ::testing::AssertionSuccess();
}

// Geometry of one random case: sizes, extra bytes per row and start offsets
// of a source and a destination.
struct Geometry {
    std::int32_t width, height;
    std::int32_t srcPad, dstPad;
    std::size_t srcOffset, dstOffset;
};

inline std::string Describe(const Geometry& g) {
    return std::to_string(g.width) + "x" + std::to_string(g.height) + " pads " + std::to_string(g.srcPad) + "/" +
           std::to_string(g.dstPad) + " offsets " + std::to_string(g.srcOffset) + "/" + std::to_string(g.dstOffset);
}

// Widths around one and two 16-byte vectors of 1-, 2- and 4-byte pixels plus
// odd pixels, packed and padded rows, aligned and unaligned starts.
inline std::vector<Geometry> Geometries() {
    static const std::int32_t widths[] = {1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 15, 16, 17, 31, 32, 33, 37};
    std::vector<Geometry> out;
    for (std::int32_t w : widths) {
        for (std::int32_t h : {1, 2, 3}) {
            out.push_back({w, h, 0, 0, 0, 0});                                      // packed, aligned
            out.push_back({w, h, 0, 0, 1, 3});   // packed, unaligned
            out.push_back({w, h, 5, 13, 3, 7});  // odd padding
            out.push_back({w, h, 32, 4, 16, 0});
        }
    }
    return out;
}

// Runs `body` once per processor ceiling 1..vtx::px::kCpuHighest and leaves the
// ceiling at its default, the highest level.
class LevelScope {
public:
    LevelScope() = default;
    ~LevelScope() { vtx::px::ForceProcessorCeiling(vtx::px::kCpuHighest); }
};

template <class Body>
void ForEachLevel(Body body) {
    LevelScope restore;
    for (std::int32_t ceiling = vtx::px::kCpuPlain; ceiling <= vtx::px::kCpuHighest; ++ceiling) {
        ASSERT_EQ(vtx::px::ForceProcessorCeiling(ceiling), vtx::px::kStsOk);
        // Ceilings above this processor's level repeat its level.
        if (ceiling > vtx::px::kCpuPlain && vtx::px::GetProcessorIndex() < ceiling) break;
        SCOPED_TRACE("processor index " + std::to_string(vtx::px::GetProcessorIndex()));
        body(vtx::px::GetProcessorIndex());
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// Exact rounding of r / 2^sf to nearest, ties to even (sf > 0), or r·2^-sf
// (sf ≤ 0), saturated to 0..255, computed by division and remainder.
inline std::uint8_t RefScale(std::int64_t r, std::int32_t sf) {
    // |r| < 2^17 here: beyond these scale factors the result is 0 or saturated.
    if (sf >= 40) return 0;
    if (sf <= -40) return r > 0 ? 255 : 0;
    std::int64_t q;
    if (sf > 0) {
        const std::int64_t d = std::int64_t{1} << sf;
        q = r / d;
        std::int64_t rem = r % d;
        if (rem < 0) {
            rem += d;
            q -= 1;
        }
        if (2 * rem > d || (2 * rem == d && (q & 1) != 0)) q += 1;
    } else {
        q = r * (std::int64_t{1} << -sf);
    }
    return static_cast<std::uint8_t>(q < 0 ? 0 : (q > 255 ? 255 : q));
}

// Random cases of a primitive with one source and one destination: for every
// level and geometry, `body(src, dst, expected, rng)` chooses its
// parameters, writes the reference result into `expected` (a copy of dst),
// calls the primitive on dst and returns its status. The whole destination
// buffer must then equal `expected` and the source must be unchanged.
template <class Body>
void RunSrcDstCases(std::int32_t srcBpp, std::int32_t dstBpp, std::uint32_t seed, Body body) {
    std::mt19937 rng(seed);
    ForEachLevel([&](std::int32_t) {
        for (const Geometry& g : Geometries()) {
            const Plane src = MakePlane(g.width, g.height, srcBpp, g.srcPad, g.srcOffset);
            const Plane dst = MakePlane(g.width, g.height, dstBpp, g.dstPad, g.dstOffset);
            FillRandom(src, rng);
            FillRandom(dst, rng);
            const Plane expected = Clone(dst), srcBefore = Clone(src);
            ASSERT_EQ(body(src, dst, expected, rng), vtx::px::kStsOk) << Describe(g);
            ASSERT_TRUE(SameBytes(dst, expected)) << Describe(g);
            ASSERT_TRUE(SameBytes(src, srcBefore)) << "source changed, " << Describe(g);
        }
    });
}

// The same for in-place primitives: `body(image, expected, rng)`.
template <class Body>
void RunInPlaceCases(std::int32_t bpp, std::uint32_t seed, Body body) {
    RunSrcDstCases(1, bpp, seed, [&](const Plane&, const Plane& d, const Plane& e, std::mt19937& rng) {
        return body(d, e, rng);
    });
}

// Argument statuses of a primitive shaped call(src, srcStep, dst, dstStep,
// size): each pointer, size and step once, and the order pointers, sizes,
// steps; a refused call writes nothing.
template <class Call>
void CheckSrcDstStatuses(std::int32_t srcBpp, std::int32_t dstBpp, Call call) {
    const Plane src = MakePlane(4, 3, srcBpp, 0, 0), dst = MakePlane(4, 3, dstBpp, 0, 0);
    std::mt19937 rng(7);
    FillRandom(src, rng);
    FillRandom(dst, rng);
    const Plane before = Clone(dst);
    const std::int32_t ss = src.step, ds = dst.step;
    const vtx::px::RoiSize ok{4, 3};
    EXPECT_EQ(call(nullptr, ss, dst.p(), ds, ok), vtx::px::kStsNullPtr);
    EXPECT_EQ(call(src.p(), ss, nullptr, ds, ok), vtx::px::kStsNullPtr);
    EXPECT_EQ(call(nullptr, 0, nullptr, 0, vtx::px::RoiSize{0, 0}), vtx::px::kStsNullPtr);  // pointers first
    EXPECT_EQ(call(src.p(), ss, dst.p(), ds, vtx::px::RoiSize{0, 3}), vtx::px::kStsBadSize);
    EXPECT_EQ(call(src.p(), ss, dst.p(), ds, vtx::px::RoiSize{4, INT32_MIN}), vtx::px::kStsBadSize);
    EXPECT_EQ(call(src.p(), 0, dst.p(), 0, vtx::px::RoiSize{-1, 3}), vtx::px::kStsBadSize);  // sizes before steps
    EXPECT_EQ(call(src.p(), 0, dst.p(), ds, ok), vtx::px::kStsBadStep);
    EXPECT_EQ(call(src.p(), ss, dst.p(), INT32_MIN, ok), vtx::px::kStsBadStep);
    EXPECT_TRUE(SameBytes(dst, before));
}

}  // namespace vtxtest
