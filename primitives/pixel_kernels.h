// Row kernels of the pixel family and its dispatch table.
//
// Every public function of pixel.h checks its arguments, takes its kernel
// from the table of the current processor index once, and runs it over the
// rows of the region. A kernel processes `n` consecutive pixels of one row
// (or of several rows stored back to back); it is never called with n < 0 and
// does nothing for n = 0. Kernels of a level reproduce the bytes of the plain
// kernels exactly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::px::pixel {

using U8 = std::uint8_t;
using Count = std::ptrdiff_t;

// 256-entry byte map of one channel.
using ChannelTable = U8[256];
// Colour ramps of channels 0, 1, 2 (byte values held in 32 bits), indexed by
// a grey value.
using ColourRamps = std::int32_t[3][256];

struct Kernels {
    void (*copyAC4)(const U8* src, U8* dst, Count n);
    void (*copyC1C4)(const U8* src, U8* dst, Count n);
    void (*copyC4C1)(const U8* src, U8* dst, Count n);
    void (*copyP4C4)(const U8* p0, const U8* p1, const U8* p2, const U8* p3, U8* dst, Count n);
    // One-byte-per-pixel copy and fill; source and destination may be the same.
    void (*copyC1)(const U8* src, U8* dst, Count n);
    void (*setC1)(U8 value, U8* dst, Count n);
    void (*setAC4)(const U8 value[3], U8* dst, Count n);
    void (*setC4)(const U8 value[4], U8* dst, Count n);
    // 16-bit samples are addressed as bytes (any alignment).
    void (*convert8u16sC1)(const U8* src, U8* dst, Count n);
    void (*convert8u16sAC4)(const U8* src, U8* dst, Count n);
    void (*convert16s8uC1)(const U8* src, U8* dst, Count n);
    void (*convert16s8uAC4)(const U8* src, U8* dst, Count n);
    void (*addC)(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor);
    void (*subC)(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor);
    void (*add)(const U8* src1, const U8* src2, U8* dst, Count n, std::int32_t scaleFactor);
    // tmp holds 4·n bytes of scratch space.
    void (*sqr)(const U8* src, U8* dst, U8* tmp, Count n, std::int32_t scaleFactor);
    // Adds the row's samples to sums[0..2] (32-bit, modulo 2^32).
    void (*sumRow)(const U8* src, Count n, std::uint32_t sums[3]);
    // Lowers min[0..2] to the row's smallest samples.
    void (*minRow)(const U8* src, Count n, U8 min[3]);
    void (*lut)(const U8* src, U8* dst, Count n, const ChannelTable* tables);
    // The same, for the pixels whose source byte 3 is 0 only; the others'
    // destination bytes are not written.
    void (*lutSkipAlpha)(const U8* src, U8* dst, Count n, const ChannelTable* tables);
    // Float samples are addressed as bytes (any alignment).
    void (*threshold)(U8* srcDst, Count n, float thresholdLT, float valueLT, float thresholdGT,
                      float valueGT);
    void (*alphaComp)(const U8* src1, U8 alpha1, const U8* src2, U8 alpha2, U8* dst, Count n,
                      std::int32_t alphaType);
    void (*colorToGray)(const U8* src, U8* dst, Count n, const std::uint32_t weights[3]);
    void (*bgrToHls)(const U8* src, U8* dst, Count n);
    void (*hlsToRgb)(const U8* src, U8* dst, Count n);
    void (*swapChannels)(const U8* src, U8* dst, Count n, const std::int32_t order[3]);
    void (*rotateHue)(U8* srcDst, Count n, double angle, double c, bool skipNonzeroAlpha);
    void (*addSubC)(const U8 add[3], const U8 sub[3], U8* srcDst, Count n);
    void (*lightness)(const U8* src, U8* dst, Count n);
    void (*colorize)(U8* srcDst, Count n, const ColourRamps& ramps, double c, bool skipNonzeroAlpha);
    // Colorize from per-call tables: the new byte of channel ch is
    // tables[ch·65536 + y·256 + x] for the pixel's grey value y and old byte
    // x (three 64 KiB tables, then kColorizeTablePad readable bytes). Null at
    // the levels that use the per-pixel kernel above.
    void (*colorizeTabled)(U8* srcDst, Count n, const U8* tables, bool skipNonzeroAlpha);
};

constexpr Count kColorizeTablePad = 4;

// The plain kernels: the reference for every other level, which may also
// call them for the pixels left over after its last full vector.
void CopyAC4_plain(const U8* src, U8* dst, Count n);
void CopyC1C4_plain(const U8* src, U8* dst, Count n);
void CopyC4C1_plain(const U8* src, U8* dst, Count n);
void CopyP4C4_plain(const U8* p0, const U8* p1, const U8* p2, const U8* p3, U8* dst, Count n);
void CopyC1_plain(const U8* src, U8* dst, Count n);
void SetC1_plain(U8 value, U8* dst, Count n);
void SetAC4_plain(const U8 value[3], U8* dst, Count n);
void SetC4_plain(const U8 value[4], U8* dst, Count n);
void Convert8u16sC1_plain(const U8* src, U8* dst, Count n);
void Convert8u16sAC4_plain(const U8* src, U8* dst, Count n);
void Convert16s8uC1_plain(const U8* src, U8* dst, Count n);
void Convert16s8uAC4_plain(const U8* src, U8* dst, Count n);
void AddC_plain(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor);
void SubC_plain(const U8 value[3], U8* srcDst, Count n, std::int32_t scaleFactor);
void Add_plain(const U8* src1, const U8* src2, U8* dst, Count n, std::int32_t scaleFactor);
void Sqr_plain(const U8* src, U8* dst, U8* tmp, Count n, std::int32_t scaleFactor);
void SumRow_plain(const U8* src, Count n, std::uint32_t sums[3]);
void MinRow_plain(const U8* src, Count n, U8 min[3]);
void Lut_plain(const U8* src, U8* dst, Count n, const ChannelTable* tables);
void LutSkipAlpha_plain(const U8* src, U8* dst, Count n, const ChannelTable* tables);
void Threshold_plain(U8* srcDst, Count n, float thresholdLT, float valueLT, float thresholdGT,
                     float valueGT);
void AlphaComp_plain(const U8* src1, U8 alpha1, const U8* src2, U8 alpha2, U8* dst, Count n,
                     std::int32_t alphaType);
void ColorToGray_plain(const U8* src, U8* dst, Count n, const std::uint32_t weights[3]);
void BgrToHls_plain(const U8* src, U8* dst, Count n);
void HlsToRgb_plain(const U8* src, U8* dst, Count n);
void SwapChannels_plain(const U8* src, U8* dst, Count n, const std::int32_t order[3]);
void RotateHue_plain(U8* srcDst, Count n, double angle, double c, bool skipNonzeroAlpha);
void AddSubC_plain(const U8 add[3], const U8 sub[3], U8* srcDst, Count n);
void Lightness_plain(const U8* src, U8* dst, Count n);
void Colorize_plain(U8* srcDst, Count n, const ColourRamps& ramps, double c, bool skipNonzeroAlpha);

// Replaces the entries that have an SSE2 kernel (pixel_sse2.cpp); present
// when that file is part of the build (VTX_PIXEL_SSE2).
void InstallSse2Kernels(Kernels& k);

// Replaces the entries that have an AVX2 kernel (pixel_avx2.cpp); present
// when that file is part of the build (VTX_PIXEL_AVX2).
void InstallAvx2Kernels(Kernels& k);

// Replaces the entries that have an AVX-512 kernel (pixel_avx512.cpp);
// present when that file is part of the build (VTX_PIXEL_AVX512).
void InstallAvx512Kernels(Kernels& k);

}  // namespace vtx::px::pixel
