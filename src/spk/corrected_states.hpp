#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "core/result.hpp"
#include "core/types.hpp"
#include "spk/position_batch.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// The corrected relative states (light time, deflection, aberration) of every body of
// a request over a chunk of its instants. The observer and the Sun are evaluated once
// per instant; each body's light-time iterations run as batch evaluations over all
// the chunk's epochs; deflection and aberration run in vector lanes. Every state
// equals corrected_relative_state's for the same body and instant, bit for bit.
class CorrectedStates {
public:
    CorrectedStates(std::size_t chunk_capacity, std::size_t body_count);

    // The states of the `count` instants from `first` (at most the capacity). On
    // failure the states are meaningless, and the error is one that the chunk meets,
    // not necessarily the first in instant-major order.
    Status<SpkError> evaluate(std::vector<SpkKernel>& kernels, const PositionBatch& request, std::size_t first,
                              std::size_t count);

    // Body `body` at instant `instant` of the chunk, kernel frame.
    CartesianState state(std::size_t body, std::size_t instant) const {
        const double* const* axes = &relative_[body * STATE_COLUMNS];
        return {{axes[0][instant], axes[1][instant], axes[2][instant]},
                {axes[3][instant], axes[4][instant], axes[5][instant]}};
    }

private:
    static constexpr std::size_t STATE_COLUMNS = 6;

    Status<SpkError> evaluate_observer_and_sun(std::vector<SpkKernel>& kernels, const PositionBatch& request,
                                               std::size_t first, std::size_t count);
    Status<SpkError> evaluate_body(std::vector<SpkKernel>& kernels, const PositionBatch& request, std::size_t body,
                                   std::span<const double> epochs);

    std::size_t padded_capacity_;
    std::vector<double> storage_;    // every column, each padded to whole vectors
    std::vector<double*> relative_;  // six per body: x, y, z, vx, vy, vz
    std::vector<double*> observer_;  // x, y, z, vx, vy, vz, barycentric
    std::vector<double*> sun_;       // x, y, z, barycentric
    std::vector<StateVector> observer_states_;
    std::vector<StateVector> sun_states_;
    std::vector<StateVector> body_states_;
    std::vector<double> emission_epochs_;
};

}  // namespace orbyx
