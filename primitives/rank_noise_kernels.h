// Row kernels of the rank filters and their dispatch table.
//
// The algorithms are written once, as templates over a set of byte-vector
// operations (Load, Store, Min, Max, StoreColour); each level's source file
// instantiates them with its own vector type and compiles them with its own
// instruction set. Minimum, maximum and the selection networks are exact, so
// every level gives the bytes of the plain one by construction; the last
// bytes of a row that do not fill a whole vector go through the one-byte
// operations. Everything below the table sits in an unnamed namespace: each
// level's file gets its own copy, compiled with its own flags, and the linker
// can never hand one level's instructions to another level's caller.
//
// Rows are addressed in bytes, four per pixel. Intermediate rows carry all
// four bytes of a pixel (byte 3 is filtered along and never stored); only
// the final stores go through StoreColour, which leaves byte 3 of the
// destination as it was: the plain level never stores it, the vector levels
// read the destination's bytes and store byte 3 back with the value it held
// (one read-modify-write per vector).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vtx::px::rank {

using U8 = std::uint8_t;
using Count = std::ptrdiff_t;

// One channel of the histogram median over a whole region: `base` is the
// top-left sample of the first window (channel offset included), rows `step`
// bytes apart, samples four bytes apart. `colFine` holds 256 counters per
// window column and `colCoarse` 16 (16-bit counters when wideColumns is
// false, 32-bit otherwise), for width + mw − 1 columns; kernel counts are
// 64-bit when wideKernel is set.
struct HistJob {
    const U8* base;
    std::int32_t step;
    U8* dst;  // channel byte of the first destination pixel
    std::int32_t dstStep;
    std::int32_t width, height, mw, mh;
    void* colFine;
    void* colCoarse;
    bool wideColumns, wideKernel;
};

struct Kernels {
    // out[i] = min / max(a[i], b[i]) for n bytes; out may equal a, and b may
    // lie ahead of a in the same buffer (the bytes are read before the ones
    // before them are written).
    void (*minBytes)(const U8* a, const U8* b, U8* out, Count n);
    void (*maxBytes)(const U8* a, const U8* b, U8* out, Count n);
    // out[i] = min / max of a[i], b[i], c[i] for n bytes.
    void (*min3Bytes)(const U8* a, const U8* b, const U8* c, U8* out, Count n);
    void (*max3Bytes)(const U8* a, const U8* b, const U8* c, U8* out, Count n);
    // out[i] = min / max of a[i], a[i+s], a[i+2s], a[i+3s] for n bytes; out
    // may equal a.
    void (*min4Bytes)(const U8* a, Count s, U8* out, Count n);
    void (*max4Bytes)(const U8* a, Count s, U8* out, Count n);
    // Bytes 0..2 of n destination pixels = min / max over a 3 x 3 window whose
    // rows start at rows[0..2] (left column).
    void (*min3x3)(const U8* const* rows, U8* dst, Count n);
    void (*max3x3)(const U8* const* rows, U8* dst, Count n);
    // Bytes 0..2 of n destination pixels = min / max of a and b.
    void (*minColour)(const U8* a, const U8* b, U8* dst, Count n);
    void (*maxColour)(const U8* a, const U8* b, U8* dst, Count n);
    // Median of `count` (3, 5 or 9) samples per byte; p[k] points at pixel 0
    // of sample k.
    void (*medianOf)(const U8* const* p, int count, U8* dst, Count n);
    // Square medians; rows[i] is mask row i at the window's left column.
    void (*median3x3)(const U8* const* rows, U8* dst, Count n);
    void (*median5x5)(const U8* const* rows, U8* dst, Count n);
    void (*medianHist)(const HistJob& job);
};

// Present when the level's file is part of the build.
void InstallSse2Kernels(Kernels& k);
void InstallAvx2Kernels(Kernels& k);

namespace {

// Loops over the values of a network are unrolled completely, so that the
// values stay in registers at every optimisation level.
#if defined(__clang__)
#define VTX_UNROLL _Pragma("unroll")
#elif defined(__GNUC__)
#define VTX_UNROLL _Pragma("GCC unroll 32")
#else
#define VTX_UNROLL
#endif

// One byte at a time: the plain level, and the tails of the vector levels.
struct ByteOps {
    using T = U8;
    static constexpr Count kBytes = 1;
    static T Load(const U8* p) { return *p; }
    static void Store(U8* p, T v) { *p = v; }
    static T Min(T a, T b) { return a < b ? a : b; }
    static T Max(T a, T b) { return a < b ? b : a; }
    // `at` is the byte's offset from the first pixel: byte 3 of a pixel is
    // skipped.
    static void StoreColour(U8* p, T v, Count at) {
        if ((at & 3) != 3) *p = v;
    }
};

// body(ops, i) for every byte offset i < n: whole vectors of V first, then
// the remaining bytes one by one.
template <class V, class Body>
inline void Sweep(Count n, Body&& body) {
    Count i = 0;
    if constexpr (V::kBytes > 1) {
        for (; i + V::kBytes <= n; i += V::kBytes) body(V{}, i);
    }
    for (; i < n; ++i) body(ByteOps{}, i);
}

template <class V, bool kMax>
inline typename V::T Pick(typename V::T a, typename V::T b) {
    if constexpr (kMax) {
        return V::Max(a, b);
    } else {
        return V::Min(a, b);
    }
}

template <class V, bool kMax>
void ExtremeBytes(const U8* a, const U8* b, U8* out, Count n) {
    Sweep<V>(n, [&](auto ops, Count i) {
        using O = decltype(ops);
        O::Store(out + i, Pick<O, kMax>(O::Load(a + i), O::Load(b + i)));
    });
}

template <class V, bool kMax>
void Extreme3Bytes(const U8* a, const U8* b, const U8* c, U8* out, Count n) {
    Sweep<V>(n, [&](auto ops, Count i) {
        using O = decltype(ops);
        O::Store(out + i, Pick<O, kMax>(Pick<O, kMax>(O::Load(a + i), O::Load(b + i)), O::Load(c + i)));
    });
}

template <class V, bool kMax>
void Extreme4Bytes(const U8* a, Count s, U8* out, Count n) {
    Sweep<V>(n, [&](auto ops, Count i) {
        using O = decltype(ops);
        const auto lo = Pick<O, kMax>(O::Load(a + i), O::Load(a + i + s));
        const auto hi = Pick<O, kMax>(O::Load(a + i + 2 * s), O::Load(a + i + 3 * s));
        O::Store(out + i, Pick<O, kMax>(lo, hi));
    });
}

template <class V, bool kMax>
void Extreme3x3(const U8* const* rows, U8* dst, Count n) {
    const U8 *r0 = rows[0], *r1 = rows[1], *r2 = rows[2];
    Sweep<V>(4 * n, [&](auto ops, Count i) {
        using O = decltype(ops);
        typename O::T m = O::Load(r0 + i);
        VTX_UNROLL
        for (Count j = 0; j < 12; j += 4) {
            if (j > 0) m = Pick<O, kMax>(m, O::Load(r0 + i + j));
            m = Pick<O, kMax>(m, Pick<O, kMax>(O::Load(r1 + i + j), O::Load(r2 + i + j)));
        }
        O::StoreColour(dst + i, m, i);
    });
}

template <class V, bool kMax>
void ExtremeColour(const U8* a, const U8* b, U8* dst, Count n) {
    Sweep<V>(4 * n, [&](auto ops, Count i) {
        using O = decltype(ops);
        O::StoreColour(dst + i, Pick<O, kMax>(O::Load(a + i), O::Load(b + i)), i);
    });
}

// Compare-exchange steps of the selection networks on an array of values:
// X leaves the smaller value at i and the larger at j, L only the smaller at
// i, H only the larger at j (the other place is not read again).
template <class V>
struct Net {
    typename V::T* a;
    void X(int i, int j) const {
        const typename V::T lo = V::Min(a[i], a[j]);
        a[j] = V::Max(a[i], a[j]);
        a[i] = lo;
    }
    void L(int i, int j) const { a[i] = V::Min(a[i], a[j]); }
    void H(int i, int j) const { a[j] = V::Max(a[i], a[j]); }
};

// Medians of 3, 5 and 9 unordered values (the pruned odd-even merge sorts);
// the result is returned.
template <class V>
typename V::T Median3(typename V::T* v) {
    const Net<V> n{v};
    n.X(1, 2); n.H(0, 1); n.L(2, 1);
    return v[2];
}

template <class V>
typename V::T Median5(typename V::T* v) {
    const Net<V> n{v};
    n.X(0, 1); n.X(3, 4); n.X(2, 3); n.X(4, 3); n.H(0, 2); n.L(3, 2); n.L(1, 4); n.H(1, 3);
    return v[3];
}

template <class V>
typename V::T Median9(typename V::T* v) {
    const Net<V> n{v};
    n.X(0, 1); n.X(2, 3); n.X(0, 2); n.X(1, 3); n.X(1, 2); n.X(4, 5); n.X(7, 8); n.X(6, 7);
    n.X(8, 7); n.X(4, 6); n.X(7, 6); n.X(5, 8); n.X(5, 7); n.X(8, 6); n.H(0, 4); n.L(6, 4);
    n.L(2, 7); n.H(2, 6); n.H(1, 5); n.L(3, 8); n.L(3, 5); n.H(3, 6);
    return v[6];
}

template <class V>
void MedianOf(const U8* const* p, int count, U8* dst, Count n) {
    const U8* q[9] = {};
    for (int k = 0; k < count && k < 9; ++k) q[k] = p[k];
    Sweep<V>(4 * n, [&](auto ops, Count i) {
        using O = decltype(ops);
        typename O::T v[9];
        if (count == 3) {
            VTX_UNROLL
            for (int k = 0; k < 3; ++k) v[k] = O::Load(q[k] + i);
            O::StoreColour(dst + i, Median3<O>(v), i);
        } else if (count == 5) {
            VTX_UNROLL
            for (int k = 0; k < 5; ++k) v[k] = O::Load(q[k] + i);
            O::StoreColour(dst + i, Median5<O>(v), i);
        } else {
            VTX_UNROLL
            for (int k = 0; k < 9; ++k) v[k] = O::Load(q[k] + i);
            O::StoreColour(dst + i, Median9<O>(v), i);
        }
    });
}

// Pixels per chunk of the square medians: their sorted columns stay in small
// stack buffers.
constexpr Count kChunk = 128;

// 3 x 3: every column of three is sorted once (low, middle, high); the
// median of the window is the median of the largest low, the middle middle
// and the smallest high of its three columns.
template <class V>
void Median3x3(const U8* const* rows, U8* dst, Count n) {
    alignas(64) U8 lo[4 * (kChunk + 2)], mid[4 * (kChunk + 2)], hi[4 * (kChunk + 2)];
    for (Count x0 = 0; x0 < n; x0 += kChunk) {
        const Count m = n - x0 < kChunk ? n - x0 : kChunk;
        const Count off = 4 * x0;
        Sweep<V>(4 * (m + 2), [&](auto ops, Count i) {
            using O = decltype(ops);
            typename O::T v[3] = {O::Load(rows[0] + off + i), O::Load(rows[1] + off + i), O::Load(rows[2] + off + i)};
            const Net<O> s{v};
            s.X(1, 2); s.X(0, 1); s.X(1, 2);
            O::Store(lo + i, v[0]);
            O::Store(mid + i, v[1]);
            O::Store(hi + i, v[2]);
        });
        Sweep<V>(4 * m, [&](auto ops, Count i) {
            using O = decltype(ops);
            const auto a = O::Max(O::Max(O::Load(lo + i), O::Load(lo + i + 4)), O::Load(lo + i + 8));
            const auto c = O::Min(O::Min(O::Load(hi + i), O::Load(hi + i + 4)), O::Load(hi + i + 8));
            typename O::T mv[3] = {O::Load(mid + i), O::Load(mid + i + 4), O::Load(mid + i + 8)};
            typename O::T r[3] = {a, Median3<O>(mv), c};
            O::StoreColour(dst + off + i, Median3<O>(r), off + i);
        });
    }
}

// 5 x 5: every column of five is sorted once, every pair of neighbouring
// columns is merged once into ten sorted values, and each window combines
// its first column with the merged pairs of columns 1-2 and 3-4 through a
// pruned odd-even merge that computes only the 13th value of 25.
template <class V>
void Median5x5(const U8* const* rows, U8* dst, Count n) {
    alignas(64) U8 col[5][4 * (kChunk + 4)];
    alignas(64) U8 pair[10][4 * (kChunk + 3)];
    for (Count x0 = 0; x0 < n; x0 += kChunk) {
        const Count m = n - x0 < kChunk ? n - x0 : kChunk;
        const Count off = 4 * x0;
        Sweep<V>(4 * (m + 4), [&](auto ops, Count i) {
            using O = decltype(ops);
            typename O::T v[5];
            VTX_UNROLL
            for (int k = 0; k < 5; ++k) v[k] = O::Load(rows[k] + off + i);
            const Net<O> s{v};
            s.X(0, 1); s.X(3, 4); s.X(2, 3); s.X(4, 3); s.X(0, 2); s.X(3, 2); s.X(1, 4); s.X(1, 3); s.X(4, 2);
            // Ascending order: places 0, 1, 3, 4, 2.
            const int order[5] = {0, 1, 3, 4, 2};
            VTX_UNROLL
            for (int k = 0; k < 5; ++k) O::Store(col[k] + i, v[order[k]]);
        });
        Sweep<V>(4 * (m + 3), [&](auto ops, Count i) {
            using O = decltype(ops);
            typename O::T v[10];
            VTX_UNROLL
            for (int k = 0; k < 5; ++k) {
                v[k] = O::Load(col[k] + i);
                v[5 + k] = O::Load(col[k] + i + 4);
            }
            const Net<O> s{v};
            s.X(0, 5); s.X(4, 9); s.X(4, 5); s.X(2, 7); s.X(2, 4); s.X(7, 5); s.X(1, 6);
            s.X(3, 8); s.X(3, 6); s.X(1, 2); s.X(3, 4); s.X(6, 7); s.X(8, 5);
            const int order[10] = {0, 1, 2, 3, 4, 6, 7, 8, 5, 9};
            VTX_UNROLL
            for (int k = 0; k < 10; ++k) O::Store(pair[k] + i, v[order[k]]);
        });
        Sweep<V>(4 * m, [&](auto ops, Count i) {
            using O = decltype(ops);
            typename O::T v[25];
            VTX_UNROLL
            for (int k = 0; k < 5; ++k) v[k] = O::Load(col[k] + i);
            VTX_UNROLL
            for (int k = 0; k < 10; ++k) {
                v[5 + k] = O::Load(pair[k] + i + 4);
                v[15 + k] = O::Load(pair[k] + i + 12);
            }
            const Net<O> s{v};
            s.X(0, 5); s.X(13, 5); s.X(4, 9); s.X(4, 13); s.X(9, 5); s.X(2, 7); s.X(11, 7); s.X(2, 4);
            s.X(11, 13); s.X(7, 9); s.X(1, 6); s.X(14, 6); s.X(10, 14); s.X(3, 8); s.X(12, 8); s.X(3, 10);
            s.X(12, 14); s.X(8, 6); s.X(1, 2); s.X(3, 4); s.X(10, 11); s.X(12, 13); s.X(14, 7); s.X(8, 9);
            s.L(6, 5); s.H(0, 15); s.L(13, 23); s.H(13, 15); s.H(4, 19); s.L(9, 19); s.L(9, 15); s.H(2, 17);
            s.L(7, 17); s.L(11, 21); s.H(11, 7); s.H(7, 9); s.H(1, 16); s.L(14, 24); s.H(14, 16); s.H(10, 20);
            s.L(6, 20); s.L(6, 16); s.H(3, 18); s.L(8, 18); s.L(12, 22); s.H(12, 8); s.L(8, 6); s.H(8, 9);
            O::StoreColour(dst + off + i, v[9], off + i);
        });
    }
}

// Histogram median of one channel (sliding window over per-column
// histograms, 16 coarse bins of 16 values). Column histograms follow the
// window down the region; along a row the window's coarse histogram is
// updated at every pixel, and the fine counts of a coarse bin only when the
// median falls into it: from the last position where they were valid, or
// afresh from the window's columns when that is cheaper.
template <class Col, class Kc>
void HistMedianChannel(const HistJob& job) {
    const Count w = job.width, mw = job.mw, cols = w + mw - 1;
    Col* fine = static_cast<Col*>(job.colFine);
    Col* coarse = static_cast<Col*>(job.colCoarse);
    std::memset(fine, 0, static_cast<std::size_t>(cols) * 256 * sizeof(Col));
    std::memset(coarse, 0, static_cast<std::size_t>(cols) * 16 * sizeof(Col));
    const auto row = [&](std::int64_t y) { return job.base + static_cast<std::ptrdiff_t>(y * job.step); };
    for (std::int64_t y = 0; y < job.mh; ++y) {
        const U8* r = row(y);
        for (Count x = 0; x < cols; ++x) {
            const U8 v = r[4 * x];
            ++fine[x * 256 + v];
            ++coarse[x * 16 + (v >> 4)];
        }
    }
    const Kc target = static_cast<Kc>((static_cast<std::uint64_t>(job.mw) * static_cast<std::uint64_t>(job.mh) - 1) / 2);
    for (std::int64_t y = 0; y < job.height; ++y) {
        if (y > 0) {
            const U8* out = row(y - 1);
            const U8* in = row(y + job.mh - 1);
            for (Count x = 0; x < cols; ++x) {
                const U8 o = out[4 * x], v = in[4 * x];
                --fine[x * 256 + o];
                --coarse[x * 16 + (o >> 4)];
                ++fine[x * 256 + v];
                ++coarse[x * 16 + (v >> 4)];
            }
        }
        Kc kc[16] = {};
        for (Count x = 0; x < mw; ++x) {
            for (int b = 0; b < 16; ++b) kc[b] = static_cast<Kc>(kc[b] + coarse[x * 16 + b]);
        }
        Kc kf[16][16];
        Count valid[16];
        for (Count& v : valid) v = -1;  // no fine counts yet
        U8* d = job.dst + static_cast<std::ptrdiff_t>(y * job.dstStep);
        for (Count x = 0; x < w; ++x) {
            if (x > 0) {
                const Col* add = coarse + (x + mw - 1) * 16;
                const Col* sub = coarse + (x - 1) * 16;
                for (int b = 0; b < 16; ++b) kc[b] = static_cast<Kc>(kc[b] + add[b] - sub[b]);
            }
            Kc below = 0;
            int b = 0;
            while (b < 15 && below + kc[b] <= target) below = static_cast<Kc>(below + kc[b++]);
            Kc* f = kf[b];
            if (valid[b] < 0 || 2 * (x - valid[b]) > mw) {
                for (int i = 0; i < 16; ++i) f[i] = 0;
                for (Count c = x; c < x + mw; ++c) {
                    const Col* s = fine + c * 256 + b * 16;
                    for (int i = 0; i < 16; ++i) f[i] = static_cast<Kc>(f[i] + s[i]);
                }
            } else {
                for (Count p = valid[b] + 1; p <= x; ++p) {
                    const Col* add = fine + (p + mw - 1) * 256 + b * 16;
                    const Col* sub = fine + (p - 1) * 256 + b * 16;
                    for (int i = 0; i < 16; ++i) f[i] = static_cast<Kc>(f[i] + add[i] - sub[i]);
                }
            }
            valid[b] = x;
            int i = 0;
            while (i < 15 && below + f[i] <= target) below = static_cast<Kc>(below + f[i++]);
            d[4 * x] = static_cast<U8>(16 * b + i);
        }
    }
}

inline void HistMedian(const HistJob& job) {
    if (job.wideColumns) {
        if (job.wideKernel) {
            HistMedianChannel<std::uint32_t, std::uint64_t>(job);
        } else {
            HistMedianChannel<std::uint32_t, std::uint32_t>(job);
        }
    } else if (job.wideKernel) {
        HistMedianChannel<std::uint16_t, std::uint64_t>(job);
    } else {
        HistMedianChannel<std::uint16_t, std::uint32_t>(job);
    }
}

template <class V>
Kernels MakeKernels() {
    return Kernels{&ExtremeBytes<V, false>, &ExtremeBytes<V, true>, &Extreme3Bytes<V, false>,
                   &Extreme3Bytes<V, true>,  &Extreme4Bytes<V, false>,
                   &Extreme4Bytes<V, true>, &Extreme3x3<V, false>, &Extreme3x3<V, true>,  &ExtremeColour<V, false>,
                   &ExtremeColour<V, true>,  &MedianOf<V>,           &Median3x3<V>,
                   &Median5x5<V>,            &HistMedian};
}

}  // namespace

}  // namespace vtx::px::rank
