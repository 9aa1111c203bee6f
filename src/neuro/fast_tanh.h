#pragma once

#include <cstddef>

namespace vardeck {

// The program's own tanh for floats: within 1 ulp of the correctly rounded value for every
// float, odd, exactly +-1 where the true value rounds there, NaN for NaN. It is built from IEEE
// float additions, multiplications and divisions in a fixed order, so its result depends on the
// input alone, not on the C library, the processor or the compiler.
float fastTanh(float x);

// out[i] := fastTanh(in[i]) for i < count, with the same bits as fastTanh gives. count must be a
// multiple of kTanhLanes; in and out may be the same array. It computes eight floats at a time
// with vector instructions (AVX2 where the processor has it), or one at a time when the
// environment variable VARDECK_TANH is "scalar" as the process first uses it: the choice changes
// only the speed.
constexpr std::size_t kTanhLanes = 8;
void fastTanhLanes(const float* in, float* out, std::size_t count);

// fastTanhLanes on the named path, whatever the environment says (for comparing the two).
void fastTanhVector(const float* in, float* out, std::size_t count);
void fastTanhScalar(const float* in, float* out, std::size_t count);

}  // namespace vardeck
