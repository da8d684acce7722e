// Profile tables of the sphere and cylinder lenses: n single-precision
// entries, t[0] = 0 and t[i] = (i/n)^D for i ≥ 1, with i/n the
// single-precision quotient and the power taken in double, then rounded to
// single precision.
#pragma once

#include <cstdint>

#include "session/work_memory.h"

namespace vtx::profile {

// Entry i of n (0 ≤ i < n), as defined above.
float Entry(std::int64_t i, std::int64_t n, double degree);

// Entries k[0..count−1] of n (each 0 ≤ k < n, n < 2^31) into out: the
// bits of Entry, computed several at a time (see profile.cpp).
void Entries(const std::int32_t* k, int count, std::int64_t n, double degree, float* out);

// A table of n entries from the call's memory (null when n is above 2^29 or
// the memory is refused): all entries (`lazy` false), or all NaN (`lazy`
// true), each to be filled where it is first used, since no entry is NaN.
float* Table(CallMemory& memory, std::int64_t n, double degree, bool lazy);

}  // namespace vtx::profile
