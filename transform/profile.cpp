// The power of profile entries, four lanes at a time (eight at the AVX-512
// level, profile_avx512.cpp).
//
// (i/n)^D is computed as exp(D·ln q) in double: ln q from q = m·2^e with m
// in [√½, √2] as e·ln 2 + 2·atanh((m − 1)/(m + 1)) (series to s^17, |s| ≤
// 0.172), then exp(x) = 2^k·exp(r), |r| ≤ ½ ln 2 (Taylor series to r^11),
// both with ln 2 split in two parts so that k·ln2hi is exact. q ≥ 2^-31 and
// |D| ≤ 10, so |ln q| < 22 and |x| < 220: the series' remainders are
// below 2^-47, their sums within a few units of 2^-52, the rounding of x
// within 2^-45 absolute, so the result u lies within 2^-43 of q^D relative. std::pow
// lies far closer than that. A single-precision rounding is therefore the
// same for u and for std::pow wherever u lies more than 2^-36·u from both
// rounding boundaries next to its rounded value; elsewhere (about one
// entry in 2^11), and where u is below the smallest normal single, the
// entry comes from std::pow itself.
#include "transform/profile.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "primitives/conventions.h"
#include "transform/profile_kernels.h"

namespace vtx::profile {

float Entry(std::int64_t i, std::int64_t n, double degree) {
    if (i == 0) return 0.0f;
    const float q = static_cast<float>(i) / static_cast<float>(n);
    return static_cast<float>(std::pow(static_cast<double>(q), degree));
}

namespace {

inline __m128d Abs(__m128d v) {
    return _mm_andnot_pd(_mm_set1_pd(-0.0), v);
}

inline __m128d MulAdd(__m128d a, __m128d b, __m128d c) {
    return _mm_add_pd(_mm_mul_pd(a, b), c);
}

inline __m128d C(double v) {
    return _mm_set1_pd(v);
}

// ln of m·2^e (m in [√½, √2], e integral), two lanes; the series in s² by
// pairs of terms (short dependency chains).
inline __m128d Log(__m128d m, __m128d e) {
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d s = _mm_div_pd(_mm_sub_pd(m, one), _mm_add_pd(m, one));
    const __m128d z = _mm_mul_pd(s, s), z2 = _mm_mul_pd(z, z), z4 = _mm_mul_pd(z2, z2);
    const __m128d b0 = MulAdd(MulAdd(C(kOdd[3]), z, C(kOdd[2])), z2, MulAdd(C(kOdd[1]), z, C(kOdd[0])));
    const __m128d b1 = MulAdd(MulAdd(C(kOdd[7]), z, C(kOdd[6])), z2, MulAdd(C(kOdd[5]), z, C(kOdd[4])));
    const __m128d p = MulAdd(z4, MulAdd(z4, C(kOdd[8]), b1), b0);
    const __m128d lnm = _mm_mul_pd(_mm_add_pd(s, s), p);
    return _mm_add_pd(_mm_mul_pd(e, C(kLn2Hi)), _mm_add_pd(_mm_mul_pd(e, C(kLn2Lo)), lnm));
}

// exp(x) for |x| < 700, two lanes.
inline __m128d Exp(__m128d x) {
    const __m128d shifter = C(6755399441055744.0);  // 1.5·2^52: adding it rounds to an integer
    const __m128d k = _mm_sub_pd(_mm_add_pd(_mm_mul_pd(x, C(kInvLn2)), shifter), shifter);
    const __m128d r = _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(k, C(kLn2Hi))), _mm_mul_pd(k, C(kLn2Lo)));
    const __m128d r2 = _mm_mul_pd(r, r), r4 = _mm_mul_pd(r2, r2);
    const auto pair = [&](int i) { return MulAdd(C(kFactorial[i + 1]), r, C(kFactorial[i])); };
    const __m128d b0 = MulAdd(pair(2), r2, pair(0)), b1 = MulAdd(pair(6), r2, pair(4)), b2 = MulAdd(pair(10), r2, pair(8));
    const __m128d p = MulAdd(r4, MulAdd(r4, b2, b1), b0);
    // 2^k from the exponent bits.
    const __m128i ki = _mm_cvtpd_epi32(k);
    const __m128i biased = _mm_add_epi32(ki, _mm_set1_epi32(1023));
    const __m128i scale = _mm_slli_epi64(_mm_unpacklo_epi32(biased, _mm_setzero_si128()), 52);
    return _mm_mul_pd(p, _mm_castsi128_pd(scale));
}

// Four rounded powers, and the lanes not vouched for.
unsigned Powers4(const float* qs, double degree, float* out) {
    const __m128 q = _mm_loadu_ps(qs);
    // q = m·2^e, m in [1, 2), moved to [√½, √2] (halving is exact).
    const __m128i bits = _mm_castps_si128(q);
    __m128i e = _mm_sub_epi32(_mm_srli_epi32(bits, 23), _mm_set1_epi32(127));
    __m128 m = _mm_castsi128_ps(_mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0x7FFFFF)), _mm_set1_epi32(0x3F800000)));
    const __m128 high = _mm_cmpgt_ps(m, _mm_set1_ps(1.41421356f));
    m = _mm_or_ps(_mm_andnot_ps(high, m), _mm_and_ps(high, _mm_mul_ps(m, _mm_set1_ps(0.5f))));
    e = _mm_sub_epi32(e, _mm_castps_si128(high));
    const __m128d d = _mm_set1_pd(degree), tolerance = _mm_set1_pd(kTolerance), smallest = _mm_set1_pd(kSmallest);
    unsigned doubtful = 0;
    for (int half = 0; half < 2; ++half) {
        const __m128 mh = half == 0 ? m : _mm_movehl_ps(m, m);
        const __m128i eh = half == 0 ? e : _mm_shuffle_epi32(e, 0xEE);
        const __m128d u = Exp(_mm_mul_pd(d, Log(_mm_cvtps_pd(mh), _mm_cvtepi32_pd(eh))));
        // The rounded value f and the rounding boundaries halfway to its
        // neighbours (exact in double).
        const __m128 f = _mm_cvtpd_ps(u);
        const __m128i fb = _mm_castps_si128(f);
        const __m128d fd = _mm_cvtps_pd(f);
        const __m128d up = _mm_cvtps_pd(_mm_castsi128_ps(_mm_add_epi32(fb, _mm_set1_epi32(1))));
        const __m128d down = _mm_cvtps_pd(_mm_castsi128_ps(_mm_sub_epi32(fb, _mm_set1_epi32(1))));
        const __m128d half1 = _mm_set1_pd(0.5);
        const __m128d margin = _mm_mul_pd(u, tolerance);
        const __m128d doubt = _mm_or_pd(
            _mm_or_pd(_mm_cmple_pd(Abs(_mm_sub_pd(u, _mm_mul_pd(_mm_add_pd(fd, up), half1))), margin),
                      _mm_cmple_pd(Abs(_mm_sub_pd(u, _mm_mul_pd(_mm_add_pd(fd, down), half1))), margin)),
            _mm_cmplt_pd(u, smallest));
        doubtful |= static_cast<unsigned>(_mm_movemask_pd(doubt)) << (2 * half);
        _mm_storel_pi(reinterpret_cast<__m64*>(out + 2 * half), f);
    }
    return doubtful;
}

}  // namespace

void Entries(const std::int32_t* k, int count, std::int64_t n, double degree, float* out) {
#if defined(VTX_PROFILE_AVX512)
    const int lanes = px::GetProcessorIndex() >= px::kCpuAvx512 ? 8 : 4;
#else
    const int lanes = 4;
#endif
    const float fn = static_cast<float>(n);
    for (int at = 0; at < count; at += lanes) {
        float q[8], v[8];
        for (int j = 0; j < lanes; ++j) q[j] = static_cast<float>(k[std::min(at + j, count - 1)]) / fn;
#if defined(VTX_PROFILE_AVX512)
        const unsigned doubtful = lanes == 8 ? Powers8_avx512(q, degree, v) : Powers4(q, degree, v);
#else
        const unsigned doubtful = Powers4(q, degree, v);
#endif
        for (int j = 0; j < lanes && at + j < count; ++j) {
            const std::int32_t i = k[at + j];
            out[at + j] = i == 0 ? 0.0f : (doubtful >> j & 1 ? Entry(i, n, degree) : v[j]);
        }
    }
}

float* Table(CallMemory& memory, std::int64_t n, double degree, bool lazy) {
    if (n > INT32_MAX / 4) return nullptr;
    auto* t = reinterpret_cast<float*>(memory.Allocate(4 * n));
    if (t == nullptr) return nullptr;
    if (lazy) {
        std::memset(t, 0xFF, static_cast<std::size_t>(4 * n));
        return t;
    }
    std::int32_t k[16];
    for (std::int64_t i = 0; i < n; i += 16) {
        const auto count = static_cast<int>(std::min<std::int64_t>(16, n - i));
        for (int j = 0; j < count; ++j) k[j] = static_cast<std::int32_t>(i + j);
        Entries(k, count, n, degree, t + i);
    }
    return t;
}

}  // namespace vtx::profile
