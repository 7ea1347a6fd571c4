#pragma once

#include <cstdint>
#include <span>

#include "core/result.hpp"
#include "spk/spk_error.hpp"

namespace orbyx {

// Segments of Types 1, 13 and 21 list their epochs in increasing order and repeat every
// hundredth one as a directory, so that an epoch is placed by reading at most 100 of them.
inline constexpr std::uint32_t EPOCHS_PER_DIRECTORY_ENTRY = 100;

// The directory must rise; errors name the segment's `data_type`.
Status<SpkError> check_epoch_directory(std::int32_t data_type, std::span<const double> every_hundredth_epoch);

// How many directory entries lie before `epoch`: its stretch of at most 100 epochs.
std::uint32_t epoch_stretch(std::span<const double> every_hundredth_epoch, double epoch);

// The stretch's epochs must be finite, strictly increasing, follow the entry before them
// and end on their own entry, when there is one.
Status<SpkError> check_epoch_stretch(std::int32_t data_type, std::span<const double> stretch_epochs,
                                     std::uint32_t stretch, std::span<const double> every_hundredth_epoch);

}  // namespace orbyx
