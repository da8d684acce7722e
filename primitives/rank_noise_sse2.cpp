// SSE2 level of the rank filters: the templates of rank_noise_kernels.h on
// 16-byte vectors (four pixels).
#include <emmintrin.h>

#include "primitives/rank_noise_kernels.h"

namespace vtx::px::rank {

namespace {

struct Sse2Ops {
    using T = __m128i;
    static constexpr Count kBytes = 16;
    static T Load(const U8* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(U8* p, T v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static T Min(T a, T b) { return _mm_min_epu8(a, b); }
    static T Max(T a, T b) { return _mm_max_epu8(a, b); }
    // Bytes 3 of the four pixels are written back with the values they held.
    static void StoreColour(U8* p, T v, Count) {
        const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        Store(p, _mm_or_si128(_mm_andnot_si128(alpha, v), _mm_and_si128(alpha, Load(p))));
    }
};

}  // namespace

void InstallSse2Kernels(Kernels& k) {
    k = MakeKernels<Sse2Ops>();
}

}  // namespace vtx::px::rank
