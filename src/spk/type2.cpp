#include "spk/type2.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace orbyx {
namespace {

constexpr double MAX_U32 = 4294967295.0;
// RSIZE x N plus the four directory words must still fit in 32 unsigned bits.
constexpr std::uint64_t MAX_RECORD_WORDS = 4294967291;

SpkError type2_error(std::string reason) { return SpkError::invalid_type2_segment(std::move(reason)); }

// RSIZE and N are doubles holding integers in 1 ... 2^32 - 1.
bool is_directory_count(double value) {
    return value == std::trunc(value) && value >= 1 && value <= MAX_U32;
}

bool all_finite(std::span<const double> values) {
    bool finite = true;
    for (double value : values) finite &= std::isfinite(value);
    return finite;
}

// Epochs are evaluated in groups held in one vector register: independent lanes
// hide the latency of the recurrences. Every lane goes through the very same IEEE
// operations whether it sits in a pair, a quad or a padded pair, so a lone epoch
// and the same epoch among many give the same bits.
using Pair = double __attribute__((vector_size(2 * sizeof(double))));
using Quad = double __attribute__((vector_size(4 * sizeof(double))));
constexpr std::size_t MAX_LANES = 4;

template <class Lanes>
constexpr std::size_t LANE_COUNT = sizeof(Lanes) / sizeof(double);

// Every lane set to `value` (adding to zero would turn -0.0 into 0.0).
template <class Lanes>
[[gnu::always_inline]] inline void fill(Lanes& lanes, double value) {
    for (std::size_t lane = 0; lane < LANE_COUNT<Lanes>; ++lane) lanes[lane] = value;
}

// The three axes share T(i) and T'(i), so one pass serves them; each axis is
// still summed in increasing i, exactly as a pass per axis would.
template <class Lanes>
[[gnu::always_inline]] inline void chebyshev_lanes(const double* x, std::uint32_t n, double radius,
                                                   const double* arguments, StateVector* states) {
    const double* y = x + n;
    const double* z = y + n;
    Lanes s, value_x, value_y, value_z, slope_x, slope_y, slope_z;
    for (std::size_t lane = 0; lane < LANE_COUNT<Lanes>; ++lane) s[lane] = arguments[lane];
    if (n >= 2) {
        value_x = x[0] + s * x[1];
        value_y = y[0] + s * y[1];
        value_z = z[0] + s * z[1];
        fill(slope_x, x[1]);
        fill(slope_y, y[1]);
        fill(slope_z, z[1]);
    } else {
        fill(value_x, x[0]);
        fill(value_y, y[0]);
        fill(value_z, z[0]);
        fill(slope_x, 0);
        fill(slope_y, 0);
        fill(slope_z, 0);
    }
    const Lanes two_s = 2 * s;
    Lanes t_before, t_last = s, d_before, d_last;  // T(i-2), T(i-1), T'(i-2), T'(i-1)
    fill(t_before, 1);
    fill(d_before, 0);
    fill(d_last, 1);
    for (std::uint32_t i = 2; i < n; ++i) {
        const Lanes t = two_s * t_last - t_before;
        const Lanes d = two_s * d_last + 2 * t_last - d_before;
        value_x += x[i] * t;
        value_y += y[i] * t;
        value_z += z[i] * t;
        slope_x += x[i] * d;
        slope_y += y[i] * d;
        slope_z += z[i] * d;
        t_before = t_last;
        t_last = t;
        d_before = d_last;
        d_last = d;
    }
    slope_x /= radius;
    slope_y /= radius;
    slope_z /= radius;
    for (std::size_t lane = 0; lane < LANE_COUNT<Lanes>; ++lane) {
        states[lane] = {{value_x[lane], value_y[lane], value_z[lane]}, {slope_x[lane], slope_y[lane], slope_z[lane]}};
    }
}

void chebyshev_pair(const double* x, std::uint32_t n, double radius, const double* arguments, StateVector* states) {
    chebyshev_lanes<Pair>(x, n, radius, arguments, states);
}

// The same operations four lanes wide; AVX2 brings no fused multiply-add of its own.
#if defined(__x86_64__)
[[gnu::target("avx2")]]
#endif
void chebyshev_quad(const double* x, std::uint32_t n, double radius, const double* arguments, StateVector* states) {
    chebyshev_lanes<Quad>(x, n, radius, arguments, states);
}

// Whether this processor runs chebyshev_quad natively; asked once.
bool quads_are_native() {
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
#else
    return false;
#endif
}

// States for 1 to MAX_LANES normalised arguments.
void chebyshev_states(const double* x, std::uint32_t n, double radius, const double* arguments,
                      std::size_t count, StateVector* states) {
    if (count == 4 && quads_are_native()) {
        chebyshev_quad(x, n, radius, arguments, states);
        return;
    }
    for (std::size_t lane = 0; lane < count; lane += 2) {
        if (lane + 1 < count) {
            chebyshev_pair(x, n, radius, arguments + lane, states + lane);
        } else {
            const double padded[2] = {arguments[lane], arguments[lane]};
            StateVector pair[2];
            chebyshev_pair(x, n, radius, padded, pair);
            states[lane] = pair[0];
        }
    }
}

}  // namespace

Result<Type2Directory, SpkError> decode_type2_directory(std::span<const double, TYPE2_DIRECTORY_WORDS> words,
                                                        std::int32_t begin, std::int32_t end) {
    const double init = words[0];
    const double interval_length = words[1];
    if (!is_directory_count(words[2])) return failure(type2_error("record size"));
    if (!is_directory_count(words[3])) return failure(type2_error("record count"));
    if (!std::isfinite(init) || !std::isfinite(interval_length) || !(interval_length > 0)) {
        return failure(type2_error("directory epoch and interval length must be finite and valid"));
    }
    const auto record_size = static_cast<std::uint32_t>(words[2]);
    const auto record_count = static_cast<std::uint32_t>(words[3]);
    if (record_size < 5 || (record_size - 2) % 3 != 0) {
        return failure(type2_error("record size does not describe three equal coefficient sets"));
    }
    const std::uint64_t record_words = std::uint64_t{record_size} * record_count;
    if (record_words > MAX_RECORD_WORDS) return failure(type2_error("segment word count overflowed"));
    const std::int64_t segment_words = std::int64_t{end} - begin + 1;
    if (segment_words < 0 || static_cast<std::uint64_t>(segment_words) != record_words + TYPE2_DIRECTORY_WORDS) {
        return failure(type2_error("directory size does not match the segment address range"));
    }
    return Type2Directory{init, interval_length, record_size, record_count};
}

SpkError type2_record_selection_error(std::int64_t code) {
    return type2_error(code == EPOCH_BEFORE_FIRST_RECORD ? "epoch precedes the first polynomial interval"
                                                         : "epoch is not covered by the polynomial intervals");
}

Result<std::int32_t, SpkError> type2_record_address(std::int32_t begin, const Type2Directory& directory,
                                                    std::uint32_t index) {
    const std::uint64_t offset = std::uint64_t{index} * directory.record_size;
    if (offset > std::numeric_limits<std::uint32_t>::max()) return failure(type2_error("record address overflowed"));
    if (offset >= 2147483648u) return failure(type2_error("record address exceeds the DAF address range"));
    const std::int64_t address = std::int64_t{begin} + static_cast<std::int64_t>(offset);
    if (address > std::numeric_limits<std::int32_t>::max()) return failure(type2_error("record address overflowed"));
    return static_cast<std::int32_t>(address);
}

Type2RecordChecks check_type2_record(std::span<const double> coefficients, std::uint32_t record_size) {
    const std::uint32_t n = record_size >= 2 ? (record_size - 2) / 3 : 0;
    const std::size_t coefficient_count = std::size_t{3} * n;
    return {
        .midpoint_and_radius_valid = coefficients.size() >= 2 && std::isfinite(coefficients[0]) &&
                                     std::isfinite(coefficients[1]) && coefficients[1] > 0,
        .coefficients_finite = n > 0 && coefficients.size() >= 2 + coefficient_count &&
                               all_finite(coefficients.subspan(2, coefficient_count)),
    };
}

Status<SpkError> evaluate_checked_type2_record(std::span<const double> coefficients, std::uint32_t record_size,
                                               const Type2RecordChecks& checks, std::span<const double> epochs,
                                               std::span<StateVector> states) {
    assert(states.size() == epochs.size());
    if (epochs.empty()) return {};
    // Each epoch meets the checks in the order a record evaluated alone meets
    // them; a failure discards whatever was evaluated before it.
    if (!checks.midpoint_and_radius_valid) {
        return failure(type2_error("record midpoint and radius must be finite and valid"));
    }
    const double midpoint = coefficients[0];
    const double radius = coefficients[1];
    const std::uint32_t n = (record_size - 2) / 3;
    for (std::size_t first = 0; first < epochs.size(); first += MAX_LANES) {
        const std::size_t count = std::min(MAX_LANES, epochs.size() - first);
        double arguments[MAX_LANES];
        for (std::size_t lane = 0; lane < count; ++lane) {
            arguments[lane] = (epochs[first + lane] - midpoint) / radius;
            if (!(std::abs(arguments[lane]) <= 1)) {
                return failure(type2_error("selected record does not cover the requested epoch"));
            }
            if (!checks.coefficients_finite) {
                return failure(type2_error("Chebyshev coefficients and argument must be finite"));
            }
        }
        chebyshev_states(coefficients.data() + 2, n, radius, arguments, count, &states[first]);
    }
    return {};
}

Result<StateVector, SpkError> evaluate_loaded_type2_record(std::span<const double> coefficients,
                                                           std::uint32_t record_size, double epoch) {
    StateVector state;
    if (auto done = evaluate_checked_type2_record(coefficients, record_size,
                                                  check_type2_record(coefficients, record_size),
                                                  std::span(&epoch, 1), std::span(&state, 1));
        !done) {
        return failure(std::move(done).error());
    }
    return state;
}

}  // namespace orbyx
