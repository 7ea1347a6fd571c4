#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/result.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// States of `target` relative to the solar-system barycentre at every epoch, in
// input order: one chain link per sweep for all epochs, each segment's epochs
// evaluated together. Equal, bit for bit, to barycentric_state_across_kernels per epoch.
// A failure is the first one met in sweep order: the earliest chain link, choices
// before evaluations, lower positions first, segments in order of first choice.
Result<std::vector<StateVector>, SpkError> barycentric_states_across_kernels(std::vector<SpkKernel>& kernels,
                                                                            std::int32_t target,
                                                                            std::span<const double> epochs);

// The same into `states`, one slot per epoch; on failure its contents are meaningless.
Status<SpkError> barycentric_states_across_kernels_into(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                        std::span<const double> epochs,
                                                        std::span<StateVector> states);

}  // namespace orbyx
