// Compiled with -ffp-contract=off (see CMakeLists.txt): a fused multiply-add would round
// differently from the separate multiplication and addition written here.

#include "neuro/fast_tanh.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "neuro/float_lanes.h"

namespace vardeck {

namespace {

// Below this, tanh(x) rounds to x itself (x^3 / 3 is less than half an ulp of x).
constexpr float kTiny = 0x1p-12f;
// Up to here an odd polynomial; from here on 1 - 2 / (e^2x + 1), where tanh(x) >= 0.5 and the
// quotient at most 0.5, so that its rounding costs at most half an ulp of the result.
constexpr float kPolynomialEnd = 0.55f;
// The smallest float whose tanh rounds to 1.
constexpr float kSaturation = 0x1.205968p+3f;

// (tanh(x) - x) / x^3 as a polynomial in s = x^2 on [0, 0.55^2], coefficients fitted in float.
constexpr float kA0 = -0x1.555554p-2f;
constexpr float kA1 = 0x1.111096p-3f;
constexpr float kA2 = -0x1.b9fb26p-5f;
constexpr float kA3 = 0x1.643642p-6f;
constexpr float kA4 = -0x1.0feb1p-7f;
constexpr float kA5 = 0x1.29ff0ap-9f;

// (e^r - 1 - r) / r^2 on |r| <= ln(2) / 2, coefficients fitted in float.
constexpr float kB0 = 0x1p-1f;
constexpr float kB1 = 0x1.555552p-3f;
constexpr float kB2 = 0x1.5554e2p-5f;
constexpr float kB3 = 0x1.1115b2p-7f;
constexpr float kB4 = 0x1.6d5434p-10f;
constexpr float kB5 = 0x1.9aa426p-13f;

constexpr float kInvLn2 = 0x1.715476p+0f;
// ln 2 = kLn2High + kLn2Low; kLn2High has 15 significant bits, so k * kLn2High is exact for the
// k up to 26 met here.
constexpr float kLn2High = 0x1.62e4p-1f;
constexpr float kLn2Low = 0x1.7f7d1cp-20f;
// Adding 1.5 * 2^23 rounds a float of magnitude below 2^22 to an integer, found in the low bits.
constexpr float kRoundingShift = 0x1.8p+23f;

// The bits of a float or of eight floats as unsigned integers of the same width, and back
// (std::bit_cast on vectors trips GCC's undefined-behaviour checker).
template <class To, class From>
[[gnu::always_inline]] inline To sameBits(const From& from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

// One float, or eight side by side: the same operations in the same order, so every lane of a
// vector gives the bits that the float alone gives. `Float` is float or FloatLanes, `Bits` the
// unsigned integers of the same width. Conditions pick between values computed for every lane.
template <class Float, class Bits>
[[gnu::always_inline]] inline Float tanhOf(Float x) {
    const Bits bits = sameBits<Bits>(x);
    const Bits sign = bits & 0x80000000u;
    const Float a = sameBits<Float>(bits & 0x7fffffffu);

    // Small |x|: x + x^3 * P(x^2), the correction at most a tenth of the result. The argument is
    // kept within the polynomial's range, also where the lane takes another branch, so that no
    // lane meets subnormal numbers or overflow.
    Float xa = a < kPolynomialEnd ? a : kPolynomialEnd;
    xa = xa < kTiny ? kTiny : xa;
    const Float s = xa * xa;
    const Float p = ((((kA5 * s + kA4) * s + kA3) * s + kA2) * s + kA1) * s + kA0;
    const Float nearZero = xa + xa * (s * p);

    // Large |x|: 1 - 2 / (2^k * e^r + 1) with 2|x| = k ln 2 + r.
    Float xb = a < kPolynomialEnd ? kPolynomialEnd : a;
    xb = xb < kSaturation ? xb : kSaturation;
    const Float y = xb + xb;
    const Float shifted = y * kInvLn2 + kRoundingShift;
    const Float k = shifted - kRoundingShift;
    const Float r = (y - k * kLn2High) - k * kLn2Low;
    const Float e = ((((kB5 * r + kB4) * r + kB3) * r + kB2) * r + kB1) * r + kB0;
    const Float expm1R = r + (r * r) * e;
    // 2^k from the integer k in the low bits of `shifted`.
    const Float powerOfTwo = sameBits<Float>((sameBits<Bits>(shifted) << 23) + (127u << 23));
    // e^2|x| + 1 = (2^k + 1) + 2^k * (e^r - 1) as an exact sum `denominator` + `denominatorError`
    // of the larger term 2^k + 1 (exact up to k = 23; beyond, the quotient is below 2^-23 and its
    // error far below an ulp of the result) and the smaller one.
    const Float whole = powerOfTwo + 1.0f;
    const Float fraction = powerOfTwo * expm1R;
    const Float denominator = whole + fraction;
    const Float denominatorError = fraction - (denominator - whole);
    const Float quotient = 2.0f / denominator;
    // 1 - quotient as an exact sum too, so that the only rounding left is the final addition.
    const Float high = 1.0f - quotient;
    const Float low = (1.0f - high) - quotient;
    // 2 / (d + e) = 2 / d - (2 / d)^2 * e / 2 to far below an ulp.
    const Float awayFromZero = high + (low + (quotient * quotient) * (denominatorError * 0.5f));

    Float t = a < kPolynomialEnd ? nearZero : awayFromZero;
    t = a < kTiny ? a : t;
    t = a < kSaturation ? t : 1.0f;
    const Float odd = sameBits<Float>(sameBits<Bits>(t) | sign);
    return a == a ? odd : x + x;
}

void tanhScalar(const float* in, float* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out[i] = fastTanh(in[i]);
}

static_assert(kTanhLanes == kFloatLanes);
using BitLanes = std::uint32_t __attribute__((vector_size(sizeof(FloatLanes))));

VARDECK_AVX2_CLONES void tanhVector(const float* in, float* out, std::size_t count) {
    for (std::size_t first = 0; first < count; first += kTanhLanes) {
        FloatLanes x;
        loadLanes(x, in + first);
        storeLanes(out + first, tanhOf<FloatLanes, BitLanes>(x));
    }
}

bool scalarFromEnvironment() {
    const char* path = std::getenv("VARDECK_TANH");
    return path != nullptr && std::string_view(path) == "scalar";
}

bool scalarTanhForced() {
    static const bool scalar = scalarFromEnvironment();
    return scalar;
}

}  // namespace

float fastTanh(float x) {
    return tanhOf<float, std::uint32_t>(x);
}

void fastTanhVector(const float* in, float* out, std::size_t count) {
    tanhVector(in, out, count);
}

void fastTanhScalar(const float* in, float* out, std::size_t count) {
    tanhScalar(in, out, count);
}

void fastTanhLanes(const float* in, float* out, std::size_t count) {
    if (scalarTanhForced())
        fastTanhScalar(in, out, count);
    else
        fastTanhVector(in, out, count);
}

}  // namespace vardeck
