#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Doubles processed a vector register at a time. Every lane goes through the very
// same IEEE operations as a lone double would, so the vector and the scalar forms of
// an algorithm written over these helpers give the same bits (contraction into fused
// multiply-adds is off for the whole build; see CMakeLists.txt).

namespace orbyx {

using Pair = double __attribute__((vector_size(2 * sizeof(double))));
using Quad = double __attribute__((vector_size(4 * sizeof(double))));

template <class Lanes>
constexpr std::size_t LANE_COUNT = sizeof(Lanes) / sizeof(double);
template <>
inline constexpr std::size_t LANE_COUNT<double> = 1;

namespace lanes_detail {
using PairBits = std::int64_t __attribute__((vector_size(2 * sizeof(double))));
using QuadBits = std::int64_t __attribute__((vector_size(4 * sizeof(double))));

template <class Lanes>
struct Bits;
template <>
struct Bits<Pair> {
    using type = PairBits;
};
template <>
struct Bits<Quad> {
    using type = QuadBits;
};
}  // namespace lanes_detail

// Every lane set to `value` (adding to zero would turn -0.0 into 0.0).
template <class Lanes>
[[gnu::always_inline]] inline Lanes broadcast(double value) {
    Lanes lanes{};
    for (std::size_t lane = 0; lane < LANE_COUNT<Lanes>; ++lane) lanes[lane] = value;
    return lanes;
}
template <>
[[gnu::always_inline]] inline double broadcast<double>(double value) {
    return value;
}

template <class Lanes>
[[gnu::always_inline]] inline void fill(Lanes& lanes, double value) {
    lanes = broadcast<Lanes>(value);
}

// The lanes from consecutive doubles, and back.
template <class Lanes>
[[gnu::always_inline]] inline Lanes load_lanes(const double* values) {
    Lanes lanes;
    std::memcpy(&lanes, values, sizeof lanes);
    return lanes;
}

template <class Lanes>
[[gnu::always_inline]] inline void store_lanes(const Lanes& lanes, double* values) {
    std::memcpy(values, &lanes, sizeof lanes);
}

// Lane `lane` of `lanes`, read and written one at a time; a double is its own only lane.
[[gnu::always_inline]] inline double lane_value(double value, std::size_t) { return value; }
template <class Lanes>
[[gnu::always_inline]] inline double lane_value(const Lanes& lanes, std::size_t lane) {
    return lanes[lane];
}
[[gnu::always_inline]] inline void set_lane(double& value, std::size_t, double lane_value) { value = lane_value; }
template <class Lanes>
[[gnu::always_inline]] inline void set_lane(Lanes& lanes, std::size_t lane, double lane_value) {
    lanes[lane] = lane_value;
}

// `when` is a comparison of the same lanes: a bool for a double, a lane mask otherwise.
[[gnu::always_inline]] inline double pick(bool when, double chosen, double otherwise) {
    return when ? chosen : otherwise;
}
template <class Mask, class Lanes>
[[gnu::always_inline]] inline Lanes pick(Mask when, Lanes chosen, Lanes otherwise) {
    return when ? chosen : otherwise;
}

[[gnu::always_inline]] inline double magnitude(double value) { return std::fabs(value); }
template <class Lanes>
[[gnu::always_inline]] inline Lanes magnitude(Lanes value) {
    using Bits = typename lanes_detail::Bits<Lanes>::type;
    return (Lanes)((Bits)value & (Bits{} + INT64_MAX));
}

// `value` with the sign bit of `sign`.
[[gnu::always_inline]] inline double with_sign_of(double value, double sign) { return std::copysign(value, sign); }
template <class Lanes>
[[gnu::always_inline]] inline Lanes with_sign_of(Lanes value, Lanes sign) {
    using Bits = typename lanes_detail::Bits<Lanes>::type;
    const Bits sign_bit = Bits{} + INT64_MIN;
    return (Lanes)(((Bits)value & ~sign_bit) | ((Bits)sign & sign_bit));
}

[[gnu::always_inline]] inline double square_root(double value) { return std::sqrt(value); }
template <class Lanes>
[[gnu::always_inline]] inline Lanes square_root(Lanes value) {
    Lanes root;
    for (std::size_t lane = 0; lane < LANE_COUNT<Lanes>; ++lane) root[lane] = std::sqrt(value[lane]);
    return root;
}

// a * b + c rounded once.
[[gnu::always_inline]] inline double fused_multiply_add(double a, double b, double c) { return std::fma(a, b, c); }
template <class Lanes>
[[gnu::always_inline]] inline Lanes fused_multiply_add(Lanes a, Lanes b, Lanes c) {
    Lanes sum;
    for (std::size_t lane = 0; lane < LANE_COUNT<Lanes>; ++lane) sum[lane] = std::fma(a[lane], b[lane], c[lane]);
    return sum;
}

// Whether this processor runs code built for quads (AVX2 with FMA) natively; asked once.
inline bool quads_are_native() {
#if defined(__x86_64__)
    static const bool native = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return native;
#else
    return false;
#endif
}

}  // namespace orbyx

// Marks a function built for quads; call it only when quads_are_native().
#if defined(__x86_64__)
#define ORBYX_QUAD_TARGET [[gnu::target("avx2,fma")]]
#else
#define ORBYX_QUAD_TARGET
#endif
