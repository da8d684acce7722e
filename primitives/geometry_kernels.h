// Row kernels of the geometric family and its dispatch table.
//
// The public functions of geometry.h check their arguments, plan the work
// (per-column source indexes and weights, per-row spans) and run one of these
// kernels per destination row. Every kernel of a vector level gives the bytes
// of the plain kernel; AC4 destinations keep byte 3 of every pixel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::px::geometry {

using U8 = std::uint8_t;
using Count = std::ptrdiff_t;

// Full weight of the 14-bit fixed-point interpolation.
constexpr std::int32_t kOne = 16384;

// The readable source: pixel (x, y) of the image lies at
// origin + y·step + 4·x; only x in [xmin, xmax] and y in [ymin, ymax] (the
// rectangle, cut to the image) are inside. The neighbour pairs of the
// bilinear rules may reach x + 1 or y + 1 where the rule allows it.
struct Source {
    const U8* origin;
    std::int32_t step;
    std::int32_t imageWidth, imageHeight;
    std::int32_t xmin, xmax, ymin, ymax;
};

inline const U8* PixelAt(const Source& s, std::int64_t x, std::int64_t y) {
    return s.origin + static_cast<std::ptrdiff_t>(y * s.step + 4 * x);
}

// Inverse mapping of one destination row: for the pixel at absolute column
// X = x0 + i the source position is
//   affine:       u = a·X + ru,            v = d·X + rv
//   perspective:  u = (a·X + ru) / (g·X + rw), v = (d·X + rv) / (g·X + rw)
// (X as a double, each product and sum rounded in the order written).
struct RowMap {
    double a, ru, d, rv, g, rw;
    std::int32_t x0;
};

struct Kernels {
    // Mirror: exchanges the colour bytes of a[x] and b[x] for x < n.
    void (*swapRows)(U8* a, U8* b, Count n);
    // Exchanges the colour bytes of a[x] and b[w − 1 − x] for x < count
    // (count = w for two rows, w / 2 when a and b are the same row).
    void (*reverseSwap)(U8* a, U8* b, Count count, Count w);
    // dst[i] (bytes 0..2) = row pixel col[i].
    void (*gatherAC4)(const U8* row, const std::int32_t* col, U8* dst, Count n);
    // Horizontal pass of the linear scaling: for every column i and channel c
    // (all four, the fourth unused), with k = col[i] and weights
    // w0 = wts[2i], w1 = wts[2i+1]:
    //   h[4i+c] = (w0·S(k) + w1·S(k+1) + 128) >> 8.
    void (*resizeRowH)(const U8* row, const std::int32_t* col, const std::int16_t* wts, std::int16_t* h, Count n);
    // Vertical pass: dst bytes c = ((kOne − wy)·h0 + wy·h1 + 2^19) >> 20.
    void (*resizeRowV)(const std::int16_t* h0, const std::int16_t* h1, std::int32_t wy, U8* dst, Count n);
    // Mapped rows (rotation, warps): writes the pixels whose source position
    // lies inside the source rectangle, leaves the others.
    void (*affineRow)(const Source& s, const RowMap& m, bool linear, U8* dst, Count n);
    void (*perspectiveRow)(const Source& s, const RowMap& m, bool linear, U8* dst, Count n);
    // Coordinate maps: xs[i], ys[i] are the map values of pixel i (the rows
    // of the maps may be unaligned, so they are read as bytes).
    void (*remapRow)(const Source& s, const U8* xs, const U8* ys, bool linear, U8* dst, Count n);
};

void SwapRows_plain(U8* a, U8* b, Count n);
void ReverseSwap_plain(U8* a, U8* b, Count count, Count w);
void GatherAC4_plain(const U8* row, const std::int32_t* col, U8* dst, Count n);
void ResizeRowH_plain(const U8* row, const std::int32_t* col, const std::int16_t* wts, std::int16_t* h, Count n);
void ResizeRowV_plain(const std::int16_t* h0, const std::int16_t* h1, std::int32_t wy, U8* dst, Count n);
void AffineRow_plain(const Source& s, const RowMap& m, bool linear, U8* dst, Count n);
void PerspectiveRow_plain(const Source& s, const RowMap& m, bool linear, U8* dst, Count n);
void RemapRow_plain(const Source& s, const U8* xs, const U8* ys, bool linear, U8* dst, Count n);

// Samples shared by the mapped rows: the position (u, v) lies inside the
// source rectangle.
// Nearest: column trunc(u + 0.5), row trunc(v + 0.5).
// Linear: column k = trunc(u), weight trunc((u − k)·kOne + 0.5); when k is
// the rectangle's last column the pair becomes (k − 1, k) with full weight,
// so that only the rectangle is read (the caller makes sure the rectangle
// is at least 2 wide and high for linear sampling); rows likewise; then the
// two-stage rounding of the linear scaling.
void SampleNearest(const Source& s, double u, double v, U8* dst);
void SampleLinear(const Source& s, double u, double v, U8* dst);

inline bool InsideSource(const Source& s, double u, double v) {
    // Written so that NaN counts as outside.
    return u >= s.xmin && u <= s.xmax && v >= s.ymin && v <= s.ymax;
}

void InstallSse2Kernels(Kernels& k);
void InstallAvx2Kernels(Kernels& k);
void InstallAvx512Kernels(Kernels& k);

// The AVX2 remap, which the AVX-512 one hands the groups it does not take.
void RemapRow_avx2(const Source& s, const U8* xs, const U8* ys, bool linear, U8* dst, Count n);

}  // namespace vtx::px::geometry
