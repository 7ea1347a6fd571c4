#include "spk/type2.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/lanes.hpp"
#include "spk/chebyshev_lanes.hpp"

namespace orbyx {
namespace {

constexpr double MAX_U32 = 4294967295.0;
// RSIZE x N plus the four directory words must still fit in 32 unsigned bits.
constexpr std::uint64_t MAX_RECORD_WORDS = 4294967291;

SpkError chebyshev_error(ChebyshevType type, std::string reason) {
    return SpkError::invalid_segment_data(static_cast<std::int32_t>(type), std::move(reason));
}

// Position series, and for Type 3 velocity series, per record.
constexpr std::uint32_t coefficient_sets(ChebyshevType type) { return type == ChebyshevType::Type2 ? 3 : 6; }

// RSIZE and N are doubles holding integers in 1 ... 2^32 - 1.
bool is_directory_count(double value) {
    return value == std::trunc(value) && value >= 1 && value <= MAX_U32;
}

// The words summed in independent vector lanes; past the last whole block, a block
// ending at the last word adds the rest, some words twice, rather than word by word.
template <class Term>
double lane_sum(std::span<const double> values, Term term) {
    constexpr std::size_t SUMS = 4;
    constexpr std::size_t BLOCK = SUMS * 2;
    double total = 0;
    if (values.size() < BLOCK) {
        for (const double value : values) total += term(value);
        return total;
    }
    Pair sums[SUMS] = {};
    const auto add_block = [&](std::size_t first) {
        for (std::size_t k = 0; k < SUMS; ++k) sums[k] += term(load_lanes<Pair>(&values[first + 2 * k]));
    };
    std::size_t i = 0;
    for (; i + BLOCK <= values.size(); i += BLOCK) add_block(i);
    if (i < values.size()) add_block(values.size() - BLOCK);
    for (const Pair& sum : sums) total += sum[0] + sum[1];
    return total;
}

// No sum of words holding an infinity or a NaN is finite, so a finite sum of the words
// themselves settles it at one add per word. Only a sum that is not (a NaN or an
// infinity, or finite words overflowing) needs v - v, zero for a finite v and NaN otherwise.
bool all_finite(std::span<const double> values) {
    if (std::isfinite(lane_sum(values, [](auto word) { return word; }))) return true;
    return lane_sum(values, [](auto word) { return word - word; }) == 0;
}

// Up to eight epochs of one record are evaluated in one pass (spk/chebyshev_lanes.hpp).
constexpr std::size_t MAX_LANES = 8;

template <ChebyshevVelocity VELOCITY, std::size_t GROUPS>
bool chebyshev_pairs(const double* record, std::uint32_t n, const double* epochs, std::size_t count,
                     StateVector* states) {
    return chebyshev_groups<Pair, GROUPS, VELOCITY>(record, n, epochs, count, states);
}

template <ChebyshevVelocity VELOCITY, std::size_t GROUPS>
ORBYX_QUAD_TARGET bool chebyshev_quads(const double* record, std::uint32_t n, const double* epochs,
                                       std::size_t count, StateVector* states) {
    return chebyshev_groups<Quad, GROUPS, VELOCITY>(record, n, epochs, count, states);
}

// States at 1 to MAX_LANES epochs, in as few groups as hold them; whether every
// argument lies within [-1, 1] (the states are meaningless otherwise).
template <ChebyshevVelocity VELOCITY>
bool chebyshev_states(const double* record, std::uint32_t n, const double* epochs, std::size_t count,
                      StateVector* states) {
    // Lanes past `count` repeat the last epoch; their states are dropped.
    double padded[MAX_LANES];
    for (std::size_t lane = 0; lane < MAX_LANES; ++lane) padded[lane] = epochs[std::min(lane, count - 1)];
    if (quads_are_native()) {
        if (count <= 4) return chebyshev_quads<VELOCITY, 1>(record, n, padded, count, states);
        return chebyshev_quads<VELOCITY, 2>(record, n, padded, count, states);
    }
    if (count <= 2) return chebyshev_pairs<VELOCITY, 1>(record, n, padded, count, states);
    if (count <= 4) return chebyshev_pairs<VELOCITY, 2>(record, n, padded, count, states);
    return chebyshev_pairs<VELOCITY, 4>(record, n, padded, count, states);
}

template <ChebyshevType TYPE>
Status<SpkError> evaluate_checked_record(std::span<const double> coefficients, std::uint32_t record_size,
                                         const Type2RecordChecks& checks, std::span<const double> epochs,
                                         std::span<StateVector> states) {
    constexpr ChebyshevVelocity VELOCITY =
        TYPE == ChebyshevType::Type2 ? ChebyshevVelocity::Derivative : ChebyshevVelocity::Series;
    assert(states.size() == epochs.size());
    if (epochs.empty()) return {};
    // Each epoch meets the checks in the order a record evaluated alone meets
    // them; a failure discards whatever was evaluated before it.
    if (!checks.midpoint_and_radius_valid) {
        return failure(chebyshev_error(TYPE, "record midpoint and radius must be finite and valid"));
    }
    const std::uint32_t n = (record_size - 2) / coefficient_sets(TYPE);
    for (std::size_t first = 0; first < epochs.size(); first += MAX_LANES) {
        const std::size_t count = std::min(MAX_LANES, epochs.size() - first);
        const bool covered = checks.coefficients_finite &&
                             chebyshev_states<VELOCITY>(coefficients.data(), n, &epochs[first], count, &states[first]);
        if (covered) continue;
        for (std::size_t i = first; i < first + count; ++i) {
            if (!(std::abs((epochs[i] - coefficients[0]) / coefficients[1]) <= 1)) {
                return failure(chebyshev_error(TYPE, "selected record does not cover the requested epoch"));
            }
            if (!checks.coefficients_finite) {
                return failure(chebyshev_error(TYPE, "Chebyshev coefficients and argument must be finite"));
            }
        }
    }
    return {};
}

}  // namespace

Result<Type2Directory, SpkError> decode_chebyshev_directory(ChebyshevType type,
                                                            std::span<const double, TYPE2_DIRECTORY_WORDS> words,
                                                            std::int32_t begin, std::int32_t end) {
    const auto error = [type](std::string reason) { return chebyshev_error(type, std::move(reason)); };
    const std::uint32_t sets = coefficient_sets(type);
    const double init = words[0];
    const double interval_length = words[1];
    if (!is_directory_count(words[2])) return failure(error("record size"));
    if (!is_directory_count(words[3])) return failure(error("record count"));
    if (!std::isfinite(init) || !std::isfinite(interval_length) || !(interval_length > 0)) {
        return failure(error("directory epoch and interval length must be finite and valid"));
    }
    const auto record_size = static_cast<std::uint32_t>(words[2]);
    const auto record_count = static_cast<std::uint32_t>(words[3]);
    if (record_size < sets + 2 || (record_size - 2) % sets != 0) {
        return failure(error(type == ChebyshevType::Type2
                                 ? "record size does not describe three equal coefficient sets"
                                 : "record size does not describe six equal coefficient sets"));
    }
    const std::uint64_t record_words = std::uint64_t{record_size} * record_count;
    if (record_words > MAX_RECORD_WORDS) return failure(error("segment word count overflowed"));
    const std::int64_t segment_words = std::int64_t{end} - begin + 1;
    if (segment_words < 0 || static_cast<std::uint64_t>(segment_words) != record_words + TYPE2_DIRECTORY_WORDS) {
        return failure(error("directory size does not match the segment address range"));
    }
    return Type2Directory{init, interval_length, record_size, record_count};
}

SpkError chebyshev_record_selection_error(ChebyshevType type, std::int64_t code) {
    return chebyshev_error(type, code == EPOCH_BEFORE_FIRST_RECORD
                                     ? "epoch precedes the first polynomial interval"
                                     : "epoch is not covered by the polynomial intervals");
}

Result<std::int32_t, SpkError> chebyshev_record_address(ChebyshevType type, std::int32_t begin,
                                                        const Type2Directory& directory, std::uint32_t index) {
    const auto error = [type](std::string reason) { return chebyshev_error(type, std::move(reason)); };
    const std::uint64_t offset = std::uint64_t{index} * directory.record_size;
    if (offset > std::numeric_limits<std::uint32_t>::max()) return failure(error("record address overflowed"));
    if (offset >= 2147483648u) return failure(error("record address exceeds the DAF address range"));
    const std::int64_t address = std::int64_t{begin} + static_cast<std::int64_t>(offset);
    if (address > std::numeric_limits<std::int32_t>::max()) return failure(error("record address overflowed"));
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
    return evaluate_checked_record<ChebyshevType::Type2>(coefficients, record_size, checks, epochs, states);
}

Status<SpkError> evaluate_checked_type3_record(std::span<const double> coefficients, std::uint32_t record_size,
                                               const Type2RecordChecks& checks, std::span<const double> epochs,
                                               std::span<StateVector> states) {
    return evaluate_checked_record<ChebyshevType::Type3>(coefficients, record_size, checks, epochs, states);
}

Result<StateVector, SpkError> evaluate_loaded_chebyshev_record(ChebyshevType type,
                                                               std::span<const double> coefficients,
                                                               std::uint32_t record_size, double epoch) {
    const auto evaluate = type == ChebyshevType::Type2 ? evaluate_checked_type2_record : evaluate_checked_type3_record;
    StateVector state;
    if (auto done = evaluate(coefficients, record_size, check_type2_record(coefficients, record_size),
                             std::span(&epoch, 1), std::span(&state, 1));
        !done) {
        return failure(std::move(done).error());
    }
    return state;
}

}  // namespace orbyx
