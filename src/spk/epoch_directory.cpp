#include "spk/epoch_directory.hpp"

#include <algorithm>
#include <cmath>

namespace orbyx {

Status<SpkError> check_epoch_directory(std::int32_t data_type, std::span<const double> every_hundredth_epoch) {
    const std::span<const double> entries = every_hundredth_epoch;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!std::isfinite(entries[i]) || (i > 0 && !(entries[i - 1] < entries[i]))) {
            return failure(SpkError::invalid_segment_data(
                data_type, "epoch directory must be finite and strictly increasing"));
        }
    }
    return {};
}

std::uint32_t epoch_stretch(std::span<const double> every_hundredth_epoch, double epoch) {
    return static_cast<std::uint32_t>(std::ranges::lower_bound(every_hundredth_epoch, epoch) -
                                      every_hundredth_epoch.begin());
}

Status<SpkError> check_epoch_stretch(std::int32_t data_type, std::span<const double> stretch_epochs,
                                     std::uint32_t stretch, std::span<const double> every_hundredth_epoch) {
    for (std::size_t i = 0; i < stretch_epochs.size(); ++i) {
        if (!std::isfinite(stretch_epochs[i]) || (i > 0 && !(stretch_epochs[i - 1] < stretch_epochs[i]))) {
            return failure(SpkError::invalid_segment_data(data_type, "epochs must be finite and strictly increasing"));
        }
    }
    const bool after_previous = stretch == 0 || every_hundredth_epoch[stretch - 1] < stretch_epochs.front();
    const bool ends_on_entry = stretch == every_hundredth_epoch.size() ||
                               every_hundredth_epoch[stretch] == stretch_epochs.back();
    if (!after_previous || !ends_on_entry) {
        return failure(SpkError::invalid_segment_data(data_type, "epoch directory does not match the epochs"));
    }
    return {};
}

}  // namespace orbyx
