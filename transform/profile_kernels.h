// The kernels of the profile powers (profile.cpp) and what they share.
#pragma once

namespace vtx::profile {

constexpr double kLn2Hi = 6.93147180369123816490e-01;  // 43 significant bits
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kInvLn2 = 1.44269504088896338700e+00;

// 1/(2k + 1) and 1/i!, rounded to double.
constexpr double kOdd[9] = {1.0, 1.0 / 3, 1.0 / 5, 1.0 / 7, 1.0 / 9, 1.0 / 11, 1.0 / 13, 1.0 / 15, 1.0 / 17};
constexpr double kFactorial[12] = {1.0, 1.0, 1.0 / 2, 1.0 / 6, 1.0 / 24, 1.0 / 120, 1.0 / 720, 1.0 / 5040,
                                   1.0 / 40320, 1.0 / 362880, 1.0 / 3628800, 1.0 / 39916800};

// Rounding boundaries closer than kTolerance·u to an approximate power u,
// and powers below the smallest normal single, are left to std::pow.
constexpr double kTolerance = 0x1p-36;
constexpr double kSmallest = 0x1p-126;

// Rounded powers q[j]^D of eight positive normal singles q ≥ 2^-31, |D| ≤
// 10, into out; bit j of the result is set where the kernel cannot vouch
// for out[j]. Built for 64-bit targets whose compiler has AVX-512.
unsigned Powers8_avx512(const float* q, double degree, float* out);

}  // namespace vtx::profile
