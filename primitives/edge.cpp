// Edge detection primitives: the 3 x 3 Sobel derivatives with replicated (or
// mirrored) borders, the working-buffer size of the detector and the Canny
// detector; plus the detector's plain row kernels and dispatch table.
//
// Argument checks run in the common order: null pointers (-8), sizes (-6),
// steps below 1 (-14), odd 16-bit steps (-108), then the border flag or the
// thresholds (-5).
#include "primitives/edge.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "primitives/edge_kernels.h"
#include "primitives/linear_filter_16s_kernels.h"

namespace vtx::px {

namespace edge {

void Magnitude_plain(const S16* dx, const S16* dy, Count n, std::int32_t low, std::int32_t* mag, U8* dir) {
    const double t = kTan22;
    // Written without branches on the data: noisy gradients would make every
    // one of them unpredictable.
    for (Count i = 0; i < n; ++i) {
        const std::int32_t ax = dx[i] < 0 ? -dx[i] : dx[i];
        const std::int32_t ay = dy[i] < 0 ? -dy[i] : dy[i];
        const std::int32_t m = ax + ay;
        const double fx = ax, fy = ay;
        const bool vertical = 2.0 * fx + fx * t < fy;
        const bool horizontal = fy < fx * t;
        const U8 diagonal = (dx[i] < 0) == (dy[i] < 0) ? 2 : 4;
        const U8 code = vertical ? 3 : (horizontal ? 1 : diagonal);
        const bool keep = m > low;
        mag[i] = keep ? m : 0;
        dir[i] = keep ? code : 0;
    }
}

Count Suppress_plain(const std::int32_t* above, const std::int32_t* row, const std::int32_t* below, const U8* dir,
                     Count n, std::int32_t high, U8* dst, RowCol* seeds, RowCol rowStart) {
    // Neighbour pair by direction code: row and column offset of the value
    // before and the value after. Code 0 (m = 0) compares m with itself and
    // never survives.
    const std::int32_t* const beforeRow[5] = {row, row, above, above, above};
    const std::int32_t* const afterRow[5] = {row, row, below, below, below};
    static constexpr int kBeforeCol[5] = {0, -1, -1, 0, 1};
    static constexpr int kAfterCol[5] = {0, 1, 1, 0, -1};
    Count pushed = 0;
    for (Count i = 0; i < n; ++i) {
        const std::int32_t m = row[i];
        const int d = dir[i];
        const std::int32_t before = beforeRow[d][i + kBeforeCol[d]];
        const std::int32_t after = afterRow[d][i + kAfterCol[d]];
        // The magnitudes are never negative, so m > after also excludes m = 0.
        const bool survive = m > after && before < m;
        const bool seed = survive && m > high;
        dst[i] = static_cast<U8>(seed ? kEdge : (survive ? kCandidate : 0));
        // The slot after the last seed is free stack space: written always,
        // kept only for a seed.
        seeds[pushed] = rowStart + static_cast<RowCol>(i);
        pushed += seed ? 1 : 0;
    }
    return pushed;
}

#if defined(VTX_EDGE_SSE2)
constexpr KernelInstaller<Kernels> kSse2 = InstallSse2Kernels;
#else
constexpr KernelInstaller<Kernels> kSse2 = nullptr;
#endif
#if defined(VTX_EDGE_AVX2)
constexpr KernelInstaller<Kernels> kAvx2 = InstallAvx2Kernels;
#else
constexpr KernelInstaller<Kernels> kAvx2 = nullptr;
#endif
constexpr KernelInstaller<Kernels> kAvx512 = nullptr;

const Kernels& CurrentKernels() {
    static const std::array<Kernels, kCpuLevelCount> table = BuildLevelTable<Kernels>(Kernels{Magnitude_plain, Suppress_plain}, kSse2, kAvx2, kAvx512);
    return ForCurrentLevel(table);
}

}  // namespace edge

namespace {

using edge::Count;
using edge::RowCol;
using edge::U8;

template <class T>
T* RowAt(T* base, std::int64_t y, std::int32_t step) {
    using Byte = std::conditional_t<std::is_const_v<T>, const std::uint8_t, std::uint8_t>;
    return reinterpret_cast<T*>(reinterpret_cast<Byte*>(base) + static_cast<std::ptrdiff_t>(y * step));
}

Status CheckSobel(const void* src, std::int32_t srcStep, const void* dst, std::int32_t dstStep, RoiSize size) {
    if (src == nullptr || dst == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 2) return kStsBadSize;
    if (srcStep < 1 || dstStep < 1) return kStsBadStep;
    if (dstStep % 2 != 0) return kStsOddStep;
    return kStsOk;
}

// The 3 x 3 derivatives as a vertical then a horizontal pass (see
// linear_filter_16s_kernels.h). Row and column indices outside the image are
// mapped into it: clamped (x = −1 reads column 0, x = w reads column w−1), or
// mirrored about the outermost row or column (x = −1 reads column 1, x = w
// column w−2; a single column stands for itself). The vertical pass runs over
// the image's own columns of the chunk and its two border cells are then
// copied from the columns they map to.
void SobelRows(const U8* src, std::int32_t srcStep, std::int16_t* dst, std::int32_t dstStep, RoiSize size,
               bool mirror, bool horizontal) {
    const lf16::Kernels& k = lf16::CurrentKernels();
    const std::int32_t w = size.width, h = size.height;
    // Horizontal derivative: vertical 1 2 1, then right minus left;
    // vertical derivative: below minus above, then horizontal 1 2 1.
    static constexpr lf16::S16 kSmooth[3] = {1, 2, 1};
    static constexpr lf16::S16 kDiff[2] = {-1, 1};
    static constexpr int kSmoothOff[3] = {0, 1, 2};
    static constexpr int kDiffOff[2] = {0, 2};
    const lf16::S16* vcoef = horizontal ? kSmooth : kDiff;
    const int vtaps = horizontal ? 3 : 2;
    const lf16::S16* hcoef = horizontal ? kDiff : kSmooth;
    const int* hoff = horizontal ? kDiffOff : kSmoothOff;
    const int htaps = horizontal ? 2 : 3;
    const std::int32_t colBefore = (mirror && w >= 2) ? 1 : 0;           // column read for x = −1
    const std::int32_t colAfter = (mirror && w >= 2) ? w - 2 : w - 1;    // column read for x = w
    lf16::S16 tmp[lf16::kChunk + 2];
    for (std::int32_t y = 0; y < h; ++y) {
        const std::int32_t up = y > 0 ? y - 1 : (mirror ? 1 : 0);
        const std::int32_t down = y < h - 1 ? y + 1 : (mirror ? h - 2 : h - 1);
        const U8* above = RowAt(src, up, srcStep);
        const U8* middle = RowAt(src, y, srcStep);
        const U8* below = RowAt(src, down, srcStep);
        U8* d = reinterpret_cast<U8*>(RowAt(dst, y, dstStep));
        for (Count x0 = 0; x0 < w;) {
            const Count n = w - x0 < lf16::kChunk ? w - x0 : lf16::kChunk;
            // tmp[j] holds the vertical value of column x0 − 1 + j.
            const Count lo = x0 > 0 ? x0 - 1 : 0;
            const Count hi = x0 + n + 1 < w ? x0 + n + 1 : w;
            const U8* rows3[3] = {above + lo, middle + lo, below + lo};
            const U8* rows2[2] = {above + lo, below + lo};
            k.vert(horizontal ? rows3 : rows2, vcoef, vtaps, tmp + (lo - (x0 - 1)), hi - lo);
            if (x0 == 0) tmp[0] = tmp[colBefore + 1];
            if (x0 + n == w) tmp[n + 1] = tmp[colAfter - (x0 - 1)];
            k.horiz(tmp, hoff, hcoef, htaps, d, n);
            d += 2 * n;
            x0 += n;
        }
    }
}

}  // namespace

Status Sobel3x3_Dx_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                             std::int32_t dstStep, RoiSize size) {
    const Status s = CheckSobel(src, srcStep, dst, dstStep, size);
    if (s != kStsOk) return s;
    SobelRows(src, srcStep, dst, dstStep, size, false, true);
    return kStsOk;
}

// Border flag 0 clamps rows and columns into the image. Flag 1 mirrors them
// about the outermost row or column without repeating it (row −1 reads row 1,
// column w reads column w−2), so the first and last rows are 0.
Status Sobel3x3_Dy_8u16s_C1R(const std::uint8_t* src, std::int32_t srcStep, std::int16_t* dst,
                             std::int32_t dstStep, std::int32_t borderFlag, RoiSize size) {
    const Status s = CheckSobel(src, srcStep, dst, dstStep, size);
    if (s != kStsOk) return s;
    if (borderFlag != 0 && borderFlag != 1) return kStsBadArg;
    SobelRows(src, srcStep, dst, dstStep, size, borderFlag == 1, false);
    return kStsOk;
}

namespace {

// 12·(w+2)·(h+2), or −1 when it exceeds the 32-bit range: no buffer size can
// be reported for such an image, so the size query and the detector both
// refuse it with -6.
std::int64_t CannyBufferBytes(RoiSize size) {
    const std::int64_t row = 12 * (std::int64_t{size.width} + 2);  // below 2^35
    if (row > INT32_MAX) return -1;
    const std::int64_t bytes = row * (std::int64_t{size.height} + 2);  // below 2^62
    return bytes > INT32_MAX ? -1 : bytes;
}

}  // namespace

std::int64_t CannyWorkBytes(RoiSize size) {
    if (size.width < 1 || size.height < 1 || CannyBufferBytes(size) < 0) return -1;
    const std::int64_t w = size.width, h = size.height;
    return 3 + 12 * (w + 2) + 2 * w + 3 + 4 * w * h;
}

Status CannyGetSize(RoiSize size, std::int32_t* bufferSize) {
    if (bufferSize == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 1) return kStsBadSize;
    const std::int64_t bytes = CannyBufferBytes(size);
    if (bytes < 0) return kStsBadSize;
    *bufferSize = static_cast<std::int32_t>(bytes);
    return kStsOk;
}

// The detector streams over the rows: the magnitudes of row y+1 are formed
// just before row y is suppressed, so only three magnitude rows are kept.
// This gives the result of a whole-image grid because suppression reads
// only original magnitudes: the value after a pixel (right, below, below-left or
// below-right) has not been visited yet, and the value before it is taken by
// its absolute value, which a visit (m -> ±m) does not change. Survivors are
// recorded in the edge map itself (kCandidate, or kEdge for seeds), and the
// "grid value above low" test of the tracing is exactly "is a survivor":
// survivors hold +m with m > low, suppressed pixels −m <= 0 <= low, and
// pixels at or below low and the frame hold 0.
//
// Tracing marks a pixel when it is pushed instead of when it is popped; the
// edge map is the same. Marking when popped sets 255 exactly at the pixels
// popped, and (1) every popped pixel is a seed or a survivor 8-adjacent to
// a popped pixel, while (2) a survivor next to a popped pixel is either
// already 255 or is pushed then, and everything pushed is popped before the
// stack empties. So its edges are the closure of the seeds under survivor
// adjacency. Here the same holds with "marked" in place of "popped": a pixel
// is marked when it is pushed (seeds during the suppression, survivors next
// to a popped pixel during the tracing), and every marked pixel is popped and
// its neighbours examined. Since a pixel is pushed only at the moment it is
// marked, and is marked once, the stack never holds more than w·h entries.
// After the tracing, the candidates left unmarked are cleared to 0.
//
// With a NaN low threshold, no magnitude is "at or below low" (the gate
// then is that of low = 0, which lets every m > 0 through) and no grid
// value is "above low", so only the seeds become edges; a NaN high
// threshold gives no seeds. The destination must not overlap dx or dy.
Status Canny_16s8u_C1R(const std::int16_t* dx, std::int32_t dxStep, const std::int16_t* dy,
                       std::int32_t dyStep, std::uint8_t* dst, std::int32_t dstStep, RoiSize size,
                       float lowThreshold, float highThreshold, std::uint8_t* buffer) {
    if (dx == nullptr || dy == nullptr || dst == nullptr || buffer == nullptr) return kStsNullPtr;
    if (size.width < 1 || size.height < 1 || CannyBufferBytes(size) < 0) return kStsBadSize;
    if (dxStep < 1 || dyStep < 1 || dstStep < 1) return kStsBadStep;
    if (dxStep % 2 != 0 || dyStep % 2 != 0) return kStsOddStep;
    if (lowThreshold < 0.0f || lowThreshold > highThreshold) return kStsBadArg;

    const std::int32_t w = size.width, h = size.height;
    // Integer thresholds for the integer magnitudes (0 .. 65536): m <= low
    // exactly when m <= floor(low), m > high exactly when m > floor(high).
    const bool lowIsNan = std::isnan(lowThreshold);
    // (A negative high threshold, possible only beside a NaN low one, makes
    // every survivor a seed, as −1 does.)
    const auto floorClamp = [](float v) {
        if (v >= 65536.0f) return std::int32_t{65536};
        return v < 0.0f ? std::int32_t{-1} : static_cast<std::int32_t>(std::floor(v));
    };
    const std::int32_t low = lowIsNan ? 0 : floorClamp(lowThreshold);
    const std::int32_t high = std::isnan(highThreshold) ? 65536 : floorClamp(highThreshold);

    // Working buffer: three framed magnitude rows, two rows of direction
    // codes, the tracing stack (w·h entries of 4 bytes); with the 4-byte
    // alignments this is CannyWorkBytes, within 12·(w+2)·(h+2).
    const std::size_t rowLen = static_cast<std::size_t>(w) + 2;
    const auto align4 = [](U8* p) { return p + (4 - reinterpret_cast<std::uintptr_t>(p) % 4) % 4; };
    std::int32_t* mags = reinterpret_cast<std::int32_t*>(align4(buffer));
    U8* dirs = reinterpret_cast<U8*>(mags + 3 * rowLen);
    RowCol* stack = reinterpret_cast<RowCol*>(align4(dirs + 2 * static_cast<std::size_t>(w)));
    std::memset(mags, 0, 3 * rowLen * sizeof(std::int32_t));

    const edge::Kernels& k = edge::CurrentKernels();
    // Ring slots: row y lives in slot y mod 3 (magnitudes) and y mod 2
    // (directions); the slot of row −1 stays all zero.
    const auto magRow = [&](std::int32_t y) { return mags + static_cast<std::size_t>((y + 3) % 3) * rowLen + 1; };
    const auto dirRow = [&](std::int32_t y) { return dirs + static_cast<std::size_t>(y % 2) * w; };
    k.magnitude(dx, dy, w, low, magRow(0), dirRow(0));
    RowCol* top = stack;
    for (std::int32_t y = 0; y < h; ++y) {
        std::int32_t* next = magRow(y + 1);
        if (y + 1 < h) {
            k.magnitude(RowAt(dx, y + 1, dxStep), RowAt(dy, y + 1, dyStep), w, low, next, dirRow(y + 1));
        } else {
            std::memset(next, 0, static_cast<std::size_t>(w) * sizeof(std::int32_t));
        }
        top += k.suppress(magRow(y - 1), magRow(y), next, dirRow(y), w, high, RowAt(dst, y, dstStep), top,
                          static_cast<RowCol>(y) * static_cast<RowCol>(w));
    }

    if (!lowIsNan) {
        while (top != stack) {
            --top;
            const auto r = static_cast<std::int32_t>(*top / static_cast<RowCol>(w));
            const auto c = static_cast<std::int32_t>(*top % static_cast<RowCol>(w));
            U8* p = RowAt(dst, r, dstStep) + c;
            const auto visit = [&top, w](U8* q, std::int32_t rr, std::int32_t cc) {
                if (*q == edge::kCandidate) {
                    *q = edge::kEdge;
                    *top++ = static_cast<RowCol>(rr) * static_cast<RowCol>(w) + static_cast<RowCol>(cc);
                }
            };
            const std::ptrdiff_t s = dstStep;
            if (r > 0 && r < h - 1 && c > 0 && c < w - 1) {
                visit(p - s - 1, r - 1, c - 1);
                visit(p - s, r - 1, c);
                visit(p - s + 1, r - 1, c + 1);
                visit(p - 1, r, c - 1);
                visit(p + 1, r, c + 1);
                visit(p + s - 1, r + 1, c - 1);
                visit(p + s, r + 1, c);
                visit(p + s + 1, r + 1, c + 1);
            } else {
                for (std::int32_t rr = r - 1; rr <= r + 1; ++rr) {
                    for (std::int32_t cc = c - 1; cc <= c + 1; ++cc) {
                        if (rr < 0 || rr >= h || cc < 0 || cc >= w) continue;
                        visit(p + (rr - r) * s + (cc - c), rr, cc);
                    }
                }
            }
        }
    }
    for (std::int32_t y = 0; y < h; ++y) {
        U8* d = RowAt(dst, y, dstStep);
        for (std::int32_t x = 0; x < w; ++x) d[x] = static_cast<U8>(0u - (d[x] >> 7));
    }
    return kStsOk;
}

}  // namespace vtx::px
