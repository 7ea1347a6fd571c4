#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/result.hpp"
#include "spk/spk_error.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// The Chebyshev segment types. Both share the directory, the record selection and the
// checks; a Type 3 record holds three velocity series after the three position series,
// where Type 2 differentiates the position series.
enum class ChebyshevType : std::int32_t { Type2 = 2, Type3 = 3 };

// INIT, INTLEN, RSIZE and N close every Type 2 and Type 3 segment.
inline constexpr std::uint32_t TYPE2_DIRECTORY_WORDS = 4;

// The directory of a Type 2 segment: N records of RSIZE words, each covering
// `interval_length` seconds from `init` on.
struct Type2Directory {
    double init;             // TDB seconds past J2000 at the start of record 0
    double interval_length;  // seconds per record, > 0
    std::uint32_t record_size;
    std::uint32_t record_count;
};

// The checks on a record that do not depend on the epoch, made once per record read.
struct Type2RecordChecks {
    bool midpoint_and_radius_valid;
    bool coefficients_finite;  // and at least one per axis
};

// Serves Type 3 records as well: both check every word after MID and RADIUS.
Type2RecordChecks check_type2_record(std::span<const double> coefficients, std::uint32_t record_size);

// One record as read: MID, RADIUS, then the X, Y and Z Chebyshev coefficients (km),
// and for Type 3 those of VX, VY and VZ (km/s).
struct Type2Record {
    std::uint32_t index;  // within its segment, from 0
    std::vector<double> coefficients;
    Type2RecordChecks checks;  // of `coefficients`
    // The last lone epoch evaluated from this record and its state: the light-time
    // passes of a request and the bodies sharing a centre meet the same epoch again.
    std::optional<std::pair<double, StateVector>> last_lone_epoch;
};

// A segment's first and last DAF word address; names a segment within one kernel.
struct SegmentAddressRange {
    std::int32_t begin;
    std::int32_t end;

    friend bool operator==(const SegmentAddressRange&, const SegmentAddressRange&) = default;
};

struct SegmentAddressRangeHash {
    std::size_t operator()(const SegmentAddressRange& range) const {
        const auto packed = (std::uint64_t{static_cast<std::uint32_t>(range.begin)} << 32) |
                            static_cast<std::uint32_t>(range.end);
        return std::hash<std::uint64_t>{}(packed);
    }
};

// Checks the directory words INIT, INTLEN, RSIZE, N of the segment at [begin, end].
Result<Type2Directory, SpkError> decode_chebyshev_directory(ChebyshevType type,
                                                            std::span<const double, TYPE2_DIRECTORY_WORDS> words,
                                                            std::int32_t begin, std::int32_t end);
inline Result<Type2Directory, SpkError> decode_type2_directory(std::span<const double, TYPE2_DIRECTORY_WORDS> words,
                                                               std::int32_t begin, std::int32_t end) {
    return decode_chebyshev_directory(ChebyshevType::Type2, words, begin, end);
}

// Where an epoch lies among a segment's record intervals when no record holds it.
inline constexpr std::int64_t EPOCH_BEFORE_FIRST_RECORD = -1;
inline constexpr std::int64_t EPOCH_AFTER_LAST_RECORD = -2;

// The record whose interval holds `epoch` (the end of the last interval belongs to
// the last record), or one of the two codes above. Inline and error-free: it runs
// once per epoch and link.
inline std::int64_t type2_record_index(const Type2Directory& directory, double epoch) {
    const double x = (epoch - directory.init) / directory.interval_length;
    if (!std::isfinite(x) || x < 0) return EPOCH_BEFORE_FIRST_RECORD;
    // x >= 0, so truncation is the floor; beyond 32 bits it saturates.
    std::uint32_t index = x >= 4294967295.0 ? 4294967295u : static_cast<std::uint32_t>(x);
    if (index == directory.record_count && index > 0) --index;
    if (index >= directory.record_count) return EPOCH_AFTER_LAST_RECORD;
    return index;
}

// The error for a code of type2_record_index.
SpkError chebyshev_record_selection_error(ChebyshevType type, std::int64_t code);
inline SpkError type2_record_selection_error(std::int64_t code) {
    return chebyshev_record_selection_error(ChebyshevType::Type2, code);
}

inline Result<std::uint32_t, SpkError> select_chebyshev_record(ChebyshevType type, const Type2Directory& directory,
                                                               double epoch) {
    const std::int64_t index = type2_record_index(directory, epoch);
    if (index < 0) return failure(chebyshev_record_selection_error(type, index));
    return static_cast<std::uint32_t>(index);
}
inline Result<std::uint32_t, SpkError> select_type2_record(const Type2Directory& directory, double epoch) {
    return select_chebyshev_record(ChebyshevType::Type2, directory, epoch);
}

// First word address of record `index` of the segment starting at `begin`.
Result<std::int32_t, SpkError> chebyshev_record_address(ChebyshevType type, std::int32_t begin,
                                                        const Type2Directory& directory, std::uint32_t index);
inline Result<std::int32_t, SpkError> type2_record_address(std::int32_t begin, const Type2Directory& directory,
                                                           std::uint32_t index) {
    return chebyshev_record_address(ChebyshevType::Type2, begin, directory, index);
}

// Position and velocity (km, km/s) from one record already in memory.
Result<StateVector, SpkError> evaluate_loaded_chebyshev_record(ChebyshevType type,
                                                               std::span<const double> coefficients,
                                                               std::uint32_t record_size, double epoch);
inline Result<StateVector, SpkError> evaluate_loaded_type2_record(std::span<const double> coefficients,
                                                                  std::uint32_t record_size, double epoch) {
    return evaluate_loaded_chebyshev_record(ChebyshevType::Type2, coefficients, record_size, epoch);
}

// The same at many epochs into `states` (one slot per epoch), for a record whose
// `checks` are known: each epoch is checked, in input order, as
// evaluate_loaded_chebyshev_record checks it, and the states are bit-identical to its.
Status<SpkError> evaluate_checked_type2_record(std::span<const double> coefficients, std::uint32_t record_size,
                                               const Type2RecordChecks& checks, std::span<const double> epochs,
                                               std::span<StateVector> states);
Status<SpkError> evaluate_checked_type3_record(std::span<const double> coefficients, std::uint32_t record_size,
                                               const Type2RecordChecks& checks, std::span<const double> epochs,
                                               std::span<StateVector> states);

}  // namespace orbyx
