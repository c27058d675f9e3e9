#pragma once

// Signed 32-bit arithmetic that wraps on overflow as two's complement, the way every number of
// the draw store and the formula engine behaves. Unsigned arithmetic is defined modulo 2^32 and
// the conversion back to int32_t is modulo 2^32 since C++20, so none of these is undefined.

#include <cstdint>
#include <limits>

namespace kestrum {

constexpr std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

constexpr std::int32_t wrapSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

constexpr std::int32_t wrapMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

// Integer division truncating towards zero. The one quotient that overflows, INT32_MIN / -1,
// wraps to INT32_MIN. The divisor must not be 0: the callers decide what a 0 divisor means.
constexpr std::int32_t wrapDiv(std::int32_t a, std::int32_t b) {
    if (b == -1) {
        return wrapSub(0, a);
    }
    return a / b;
}

} // namespace kestrum
