#include "spk/barycentric_state.hpp"

#include <cmath>
#include <ranges>

namespace orbyx {

Result<std::optional<SegmentChoice>, SpkError> choose_segment(std::vector<SpkKernel>& kernels, std::int32_t body,
                                                              double epoch) {
    for (std::size_t kernel_index = 0; kernel_index < kernels.size(); ++kernel_index) {
        const auto segments = kernels[kernel_index].cached_segments();
        if (!segments) return failure(segments.error());
        // Later segments of one kernel override earlier ones.
        for (const SpkSegment& segment : std::views::reverse(*segments)) {
            if (segment.target == body && segment_covers(segment, epoch)) {
                return std::optional<SegmentChoice>(SegmentChoice{kernel_index, &segment});
            }
        }
    }
    return std::optional<SegmentChoice>();
}

Result<StateVector, SpkError> barycentric_state_across_kernels(std::vector<SpkKernel>& kernels, std::int32_t target,
                                                               double epoch) {
    StateVector state{};
    std::int32_t body = target;
    for (int links = 1; body != SOLAR_SYSTEM_BARYCENTER; ++links) {
        if (links > MAX_CENTER_CHAIN_LINKS) return failure(SpkError::center_chain_cycle(target));
        const auto choice = choose_segment(kernels, body, epoch);
        if (!choice) return failure(choice.error());
        if (!*choice) return failure(SpkError::broken_center_chain(body, epoch));
        const SpkSegment& segment = *(*choice)->segment;
        SpkKernel& kernel = kernels[(*choice)->kernel_index];
        if (!kernel.evaluates_segment_type(segment.data_type)) {
            return failure(SpkError::unsupported_segment_type(segment.data_type));
        }
        if (!std::isfinite(epoch) || !segment_covers(segment, epoch)) {
            return failure(SpkError::epoch_outside_coverage(epoch, segment.start_epoch, segment.end_epoch));
        }
        const auto link = kernel.evaluate_segment_at_epoch(segment, epoch);
        if (!link) return failure(link.error());
        add_in_place(state, *link);
        body = segment.center;
    }
    return state;
}

Status<EphemerisError> reject_identical_target_and_center(std::int32_t target, std::int32_t origin) {
    if (target == origin) {
        return failure(EphemerisError::invalid_request(
            "spherical coordinates are undefined when target and origin are identical"));
    }
    return {};
}

}  // namespace orbyx
