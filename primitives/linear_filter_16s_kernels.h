// Row kernels of the separable 8-bit to 16-bit signed filters (the fixed
// derivative kernels of linear_filter.h and the edge detector's 3 x 3 Sobel
// derivatives) and their dispatch table.
//
// Every filter of the family is a vertical kernel V (up to five source rows)
// followed by a horizontal kernel H (up to five columns). Both kernels are
// applied in 16-bit arithmetic modulo 2^16: the filters' results lie within
// -32768 .. 32767, so wrapped intermediate sums still give the exact result,
// and every level gives the bytes of the plain kernels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::px::lf16 {

using U8 = std::uint8_t;
using S16 = std::int16_t;
using Count = std::ptrdiff_t;

constexpr int kMaxTaps = 5;

struct Kernels {
    // out[i] = sum over k < taps of coef[k] · rows[k][i], for i = 0 .. n−1.
    void (*vert)(const U8* const* rows, const S16* coef, int taps, S16* out, Count n);
    // The 16-bit value sum over k < taps of coef[k] · in[i + offset[k]] is
    // stored at dst + 2·i (any alignment), for i = 0 .. n−1.
    void (*horiz)(const S16* in, const int* offset, const S16* coef, int taps, U8* dst, Count n);
};

void Vert_plain(const U8* const* rows, const S16* coef, int taps, S16* out, Count n);
void Horiz_plain(const S16* in, const int* offset, const S16* coef, int taps, U8* dst, Count n);

void InstallSse2Kernels(Kernels& k);
void InstallAvx2Kernels(Kernels& k);

// The kernels of the current processor index.
const Kernels& CurrentKernels();

// Pixels per chunk of a row: the drivers run the vertical kernel over a chunk
// (plus the horizontal reach on each side) into a stack buffer, then the
// horizontal kernel over it, so no call allocates.
constexpr Count kChunk = 1024;

}  // namespace vtx::px::lf16
