// Row kernels of the Canny detector and their dispatch table.
//
// The detector works on integer magnitudes m = |dx| + |dy| (0 .. 65536, exact)
// kept in a ring of three rows, each framed by one zero cell on either side.
// Every level gives the bytes of the plain kernels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::px::edge {

using U8 = std::uint8_t;
using S16 = std::int16_t;
using Count = std::ptrdiff_t;

// Edge-map values while the detector runs: pixels that survived the
// suppression but are not (yet) known to be edges hold kCandidate.
constexpr U8 kCandidate = 1;
constexpr U8 kEdge = 255;

// The direction threshold tan 22.5° as a single-precision constant.
constexpr float kTan22 = 0.4142000079154968f;

// One entry of the tracing stack: row · width + column (below 2^31 for
// every image whose working buffer can be sized).
using RowCol = std::uint32_t;

struct Kernels {
    // For i = 0 .. n−1: m = |dx[i]| + |dy[i]|; mag[i] = m and dir[i] the
    // direction code (1 mostly horizontal gradient, 3 mostly vertical, 2 / 4
    // diagonal with equal / different signs) when m > low, else both 0.
    void (*magnitude)(const S16* dx, const S16* dy, Count n, std::int32_t low, std::int32_t* mag, U8* dir);
    // Non-maximum suppression of one row. above, row and below point at the
    // magnitude of column 0 of rows y−1, y, y+1 (index −1 and n are valid);
    // dir at the row's direction codes. dst[i] becomes 0 (suppressed or
    // below low), kCandidate (survivor with m <= high) or kEdge (survivor
    // with m > high; also appended to seeds as rowStart + i). Returns the number of
    // seeds appended; seeds has room for n entries.
    Count (*suppress)(const std::int32_t* above, const std::int32_t* row, const std::int32_t* below, const U8* dir,
                      Count n, std::int32_t high, U8* dst, RowCol* seeds, RowCol rowStart);
};

void Magnitude_plain(const S16* dx, const S16* dy, Count n, std::int32_t low, std::int32_t* mag, U8* dir);
Count Suppress_plain(const std::int32_t* above, const std::int32_t* row, const std::int32_t* below, const U8* dir,
                     Count n, std::int32_t high, U8* dst, RowCol* seeds, RowCol rowStart);

void InstallSse2Kernels(Kernels& k);
void InstallAvx2Kernels(Kernels& k);

// The kernels of the current processor index.
const Kernels& CurrentKernels();

// Exact integer form of the direction tests, for the vector kernels. With
// t = 6949123 / 2^24 (the constant's exact value) and, for ax <= 32768,
// A = 106·ax and B = 2307·ax (so ax·t = (A·2^16 + B) / 2^24):
//   ay < ax·t          <=>  256·ay < A + (B >> 16) + (B mod 2^16 != 0)
//   2·ax + ax·t < ay   <=>  256·(ay − 2·ax) > A + (B >> 16)
// (an integer N satisfies N < K + f <=> N < K + (f > 0), and N > K + f <=>
// N > K, for an integer K and 0 <= f < 1).
constexpr std::int32_t kTanHigh = 106;
constexpr std::int32_t kTanLow = 2307;

}  // namespace vtx::px::edge
