// AVX2 level of the rank filters: the templates of rank_noise_kernels.h on
// 32-byte vectors (eight pixels).
#include <immintrin.h>

#include "primitives/rank_noise_kernels.h"

namespace vtx::px::rank {

namespace {

struct Avx2Ops {
    using T = __m256i;
    static constexpr Count kBytes = 32;
    static T Load(const U8* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(U8* p, T v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static T Min(T a, T b) { return _mm256_min_epu8(a, b); }
    static T Max(T a, T b) { return _mm256_max_epu8(a, b); }
    // Bytes 3 of the eight pixels are written back with the values they held.
    static void StoreColour(U8* p, T v, Count) {
        const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
        Store(p, _mm256_blendv_epi8(v, Load(p), alpha));
    }
};

}  // namespace

void InstallAvx2Kernels(Kernels& k) {
    k = MakeKernels<Avx2Ops>();
}

}  // namespace vtx::px::rank
