#include "spk/mda_record.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>

#include "spk/epoch_directory.hpp"

namespace orbyx {
namespace {

// Counts and orders are doubles holding integers in lo ... hi.
bool is_count_within(double value, double lo, double hi) {
    return value == std::trunc(value) && value >= lo && value <= hi;
}

}  // namespace

Result<MdaLayout, SpkError> decode_mda_trailer(std::int32_t data_type, std::span<const double> trailer,
                                               std::int32_t begin, std::int32_t end) {
    assert(trailer.size() == mda_trailer_words(data_type));
    const auto error = [data_type](std::string reason) {
        return failure(SpkError::invalid_segment_data(data_type, std::move(reason)));
    };
    std::uint32_t maxdim = TYPE1_MAXDIM;
    if (data_type == 21) {
        if (!is_count_within(trailer[0], 1, TYPE21_MAX_MAXDIM)) {
            return error("difference line size MAXDIM must be an integer from 1 to " +
                         std::to_string(TYPE21_MAX_MAXDIM));
        }
        maxdim = static_cast<std::uint32_t>(trailer[0]);
    }
    if (!is_count_within(trailer.back(), 1, 2147483647.0)) return error("record count");
    const auto count = static_cast<std::uint32_t>(trailer.back());
    const MdaLayout layout{data_type, maxdim, count, count / EPOCHS_PER_DIRECTORY_ENTRY};
    const std::int64_t segment_words = std::int64_t{end} - begin + 1;
    if (segment_words != layout.directory_offset() + layout.directory_size + std::ssize(trailer)) {
        return error("record count does not match the segment address range");
    }
    return layout;
}

Result<MdaPolynomials, SpkError> decode_mda_record(const MdaLayout& layout, std::span<const double> words,
                                                   double listed_final_epoch) {
    assert(words.size() == layout.record_words());
    const auto error = [&layout](std::string reason) {
        return failure(SpkError::invalid_segment_data(layout.data_type, std::move(reason)));
    };
    if (!std::ranges::all_of(words, [](double word) { return std::isfinite(word); })) {
        return error("record words must be finite");
    }
    const std::uint32_t maxdim = layout.maxdim;
    const double final_epoch = words[0];
    const std::span<const double> steps = words.subspan(1, maxdim);
    const std::span<const double> reference = words.subspan(1 + maxdim, 6);
    const std::span<const double> differences = words.subspan(7 + maxdim, 3 * maxdim);
    const double max_order_plus_one = words[7 + 4 * maxdim];
    const std::span<const double> orders = words.subspan(8 + 4 * maxdim, 3);

    if (final_epoch != listed_final_epoch) return error("record's final epoch does not match the epoch list");
    // SPICE reads Type 1 records of KQMAX1 up to 15 only, one less than the layout holds.
    const std::uint32_t largest = layout.data_type == 1 ? TYPE1_MAXDIM : maxdim + 1;
    if (!is_count_within(max_order_plus_one, 2, largest)) {
        return error("KQMAX1 must be an integer from 2 to " + std::to_string(largest));
    }
    // An order of 0 leaves that axis unaccelerated; SPICE reads such records too.
    for (const double order : orders) {
        if (!is_count_within(order, 0, max_order_plus_one - 1)) {
            return error("integration orders KQ must be integers from 0 to KQMAX1 - 1");
        }
    }
    // The orders use G(1 ... KQ - 1); SPICE refuses a zero anywhere in G(1 ... KQMAX1 - 2).
    const auto steps_checked = static_cast<std::size_t>(max_order_plus_one) - 2;
    if (!std::ranges::all_of(steps.first(steps_checked), [](double step) { return step != 0; })) {
        return error("step sizes must be nonzero");
    }

    MdaPolynomials record{final_epoch, {}, {}, {}};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const auto order = static_cast<std::uint32_t>(orders[axis]);
        // P_j in powers of s, and the acceleration summed from them.
        std::array<double, MdaPolynomials::MAX_TERMS> basis{1.0};
        std::array<double, MdaPolynomials::MAX_TERMS> acceleration{};
        for (std::uint32_t j = 1; j <= order; ++j) {
            const double difference = differences[axis * maxdim + j - 1];
            for (std::uint32_t m = 0; m < j; ++m) acceleration[m] += difference * basis[m];
            if (j == order) break;
            const double previous_step = j == 1 ? 0.0 : steps[j - 2];
            for (std::uint32_t m = j; m > 0; --m) basis[m] = (basis[m - 1] + previous_step * basis[m]) / steps[j - 1];
            basis[0] = previous_step * basis[0] / steps[j - 1];
        }
        // Integrated term by term from the reference velocity and position at s = 0.
        auto& velocity = record.velocity[axis];
        auto& position = record.position[axis];
        velocity[0] = reference[2 * axis + 1];
        position[0] = reference[2 * axis];
        position[1] = reference[2 * axis + 1];
        for (std::uint32_t m = 0; m < order; ++m) {
            velocity[m + 1] = acceleration[m] / (m + 1);
            position[m + 2] = velocity[m + 1] / (m + 2);
        }
        record.position_terms[axis] = order + 2;
    }
    return record;
}

void evaluate_mda_record(const MdaPolynomials& record, std::span<const double> epochs,
                         std::span<StateVector> states) {
    assert(epochs.size() == states.size());
    for (std::size_t e = 0; e < epochs.size(); ++e) {
        const double s = epochs[e] - record.final_epoch;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            const std::uint32_t terms = record.position_terms[axis];
            const auto& position = record.position[axis];
            const auto& velocity = record.velocity[axis];
            double x = position[terms - 1];
            for (std::uint32_t m = terms - 1; m-- > 0;) x = x * s + position[m];
            double v = velocity[terms - 2];
            for (std::uint32_t m = terms - 2; m-- > 0;) v = v * s + velocity[m];
            states[e].position[axis] = x;
            states[e].velocity[axis] = v;
        }
    }
}

}  // namespace orbyx
