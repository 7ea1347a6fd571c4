#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/result.hpp"
#include "spk/spk_error.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// Type 1 and Type 21 segments hold N modified-difference-array records, then their N
// final epochs in increasing order, every hundredth final epoch again (N / 100 entries),
// then (Type 21 only) MAXDIM and last N. A record of MAXDIM (15 for Type 1) is
// 4 MAXDIM + 11 words: TL, the step sizes G(1 ... MAXDIM), the reference state
// (x, vx, y, vy, z, vz) at TL, the differences DT(MAXDIM, 3) axis after axis, KQMAX1
// and the orders KQ(1 ... 3).
inline constexpr std::uint32_t TYPE1_MAXDIM = 15;
// Type 21's largest difference-line size.
inline constexpr std::uint32_t TYPE21_MAX_MAXDIM = 25;

struct MdaLayout {
    std::int32_t data_type;  // 1 or 21
    std::uint32_t maxdim;
    std::uint32_t record_count;  // N
    std::uint32_t directory_size;  // N / 100

    std::uint32_t record_words() const { return 4 * maxdim + 11; }
    std::int64_t epochs_offset() const { return std::int64_t{record_words()} * record_count; }
    std::int64_t directory_offset() const { return epochs_offset() + record_count; }
};

// Closing words of each type: N alone, or MAXDIM then N.
inline std::uint32_t mda_trailer_words(std::int32_t data_type) { return data_type == 1 ? 1 : 2; }

// Checks the closing words of the segment at [begin, end] against its length.
Result<MdaLayout, SpkError> decode_mda_trailer(std::int32_t data_type, std::span<const double> trailer,
                                               std::int32_t begin, std::int32_t end);

// A record as polynomials in s = t - TL, lowest power first: per axis the position
// (degree up to MAXDIM + 1) and the velocity (one term fewer).
struct MdaPolynomials {
    static constexpr std::size_t MAX_TERMS = TYPE21_MAX_MAXDIM + 2;
    double final_epoch;
    std::array<std::uint32_t, 3> position_terms;
    std::array<std::array<double, MAX_TERMS>, 3> position;
    std::array<std::array<double, MAX_TERMS>, 3> velocity;
};

// Checks a record of `layout` whose listed final epoch is `listed_final_epoch`, and
// integrates its acceleration twice. The acceleration on axis i is
// sum_{j=1}^{KQ(i)} DT(j, i) P_j(s), P_1 = 1, P_{j+1} = P_j (s + G(j - 1)) / G(j), G(0) = 0:
// Krogh's modified divided differences over the steps back from TL.
Result<MdaPolynomials, SpkError> decode_mda_record(const MdaLayout& layout, std::span<const double> words,
                                                   double listed_final_epoch);

// Position and velocity (km, km/s) at each epoch from its record.
void evaluate_mda_record(const MdaPolynomials& record, std::span<const double> epochs,
                         std::span<StateVector> states);

}  // namespace orbyx
