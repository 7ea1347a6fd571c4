#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numeric>
#include <span>
#include <vector>

#include "core/result.hpp"
#include "spk/spk_error.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// Epochs of one record taken at a time when they are scattered in the input.
inline constexpr std::size_t GATHERED_EPOCHS = 64;

// States at `epochs`, one record at a time, for segments made of records (Type 2 and 3
// records, Type 13 windows). Every epoch's record is known before any is read:
// `index_of(epoch)` gives it, or a negative code that `error_of` turns into the error,
// and the lowest failing position decides. `evaluate_run(index, epochs, states)` then
// evaluates each record's epochs, records in increasing order, each once, epochs in
// input order within one. `indices` is storage kept by the caller for reuse.
template <class IndexOf, class ErrorOf, class EvaluateRun>
Status<SpkError> evaluate_by_record(std::span<const double> epochs, std::span<StateVector> states,
                                    std::vector<std::uint32_t>& indices, IndexOf index_of, ErrorOf error_of,
                                    EvaluateRun evaluate_run) {
    indices.resize(epochs.size());
    bool in_record_order = true;
    for (std::size_t position = 0; position < epochs.size(); ++position) {
        const std::int64_t index = index_of(epochs[position]);
        if (index < 0) return failure(error_of(index));
        indices[position] = static_cast<std::uint32_t>(index);
        in_record_order = in_record_order && (position == 0 || indices[position - 1] <= index);
    }

    if (in_record_order) {
        // Each record's epochs are a stretch of the input.
        for (std::size_t run = 0; run < epochs.size();) {
            const std::uint32_t index = indices[run];
            std::size_t run_end = run + 1;
            while (run_end < epochs.size() && indices[run_end] == index) ++run_end;
            const std::size_t count = run_end - run;
            if (auto done = evaluate_run(index, epochs.subspan(run, count), states.subspan(run, count)); !done) {
                return done;
            }
            run = run_end;
        }
        return {};
    }

    // Positions ordered by record, in input order within one record.
    std::vector<std::size_t> order(epochs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::ranges::stable_sort(order, std::less{}, [&](std::size_t position) { return indices[position]; });
    std::array<double, GATHERED_EPOCHS> gathered_epochs;
    std::array<StateVector, GATHERED_EPOCHS> gathered_states;
    for (std::size_t run = 0; run < order.size();) {
        const std::uint32_t index = indices[order[run]];
        std::size_t run_end = run + 1;
        while (run_end < order.size() && indices[order[run_end]] == index) ++run_end;
        for (std::size_t first = run; first < run_end; first += GATHERED_EPOCHS) {
            const std::size_t count = std::min(GATHERED_EPOCHS, run_end - first);
            for (std::size_t j = 0; j < count; ++j) gathered_epochs[j] = epochs[order[first + j]];
            if (auto done = evaluate_run(index, std::span(gathered_epochs).first(count),
                                         std::span(gathered_states).first(count));
                !done) {
                return done;
            }
            for (std::size_t j = 0; j < count; ++j) states[order[first + j]] = gathered_states[j];
        }
        run = run_end;
    }
    return {};
}

}  // namespace orbyx
