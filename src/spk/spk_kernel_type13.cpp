// Type 13 evaluation on a kernel: the layout and epoch directory of each segment, the
// stretch of epochs that places an epoch, and the Hermite window built from its states.

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <limits>
#include <optional>

#include "spk/epoch_directory.hpp"
#include "spk/record_runs.hpp"
#include "spk/spk_kernel.hpp"

namespace orbyx {
namespace {

SpkError type13_error(std::string reason) { return SpkError::invalid_segment_data(13, std::move(reason)); }

std::int32_t address(SegmentAddressRange segment, std::int64_t offset) {
    // Within [begin, end] once the layout matches the address range.
    return static_cast<std::int32_t>(segment.begin + offset);
}

}  // namespace

Result<SpkKernel::Type13Segment*, SpkError> SpkKernel::type13_segment(SegmentAddressRange segment) {
    if (const auto cached = type13_cache_.find(segment); cached != type13_cache_.end()) return &cached->second;
    if (segment.begin < 1) return failure(type13_error("DAF word addresses are one-based"));
    if (std::int64_t{segment.end} - segment.begin + 1 < TYPE13_TRAILER_WORDS) {
        return failure(type13_error("segment is too short to contain its state count"));
    }
    if (auto read = read_words_into(segment.end - 1, TYPE13_TRAILER_WORDS, record_buffer_); !read) {
        return failure(std::move(read).error());
    }
    const auto layout = decode_type13_trailer(std::span<const double>(record_buffer_).first<TYPE13_TRAILER_WORDS>(),
                                              segment.begin, segment.end);
    if (!layout) return failure(layout.error());
    if (auto read = read_words_into(address(segment, layout->directory_offset()), layout->directory_size,
                                    record_buffer_);
        !read) {
        return failure(std::move(read).error());
    }
    if (auto checked = check_epoch_directory(13, record_buffer_); !checked) return failure(std::move(checked).error());
    Type13Segment data{*layout, record_buffer_, std::nullopt, {}, std::nullopt};
    return &type13_cache_.emplace(segment, std::move(data)).first->second;
}

Result<std::uint32_t, SpkError> SpkKernel::type13_window_first_of(SegmentAddressRange segment, Type13Segment& data,
                                                                  double epoch) {
    if (!std::isfinite(epoch)) return failure(type13_error("requested epoch must be finite"));
    const std::span<const double> directory(data.every_hundredth_epoch);
    const std::uint32_t stretch = epoch_stretch(directory, epoch);
    const std::uint32_t stretch_first = stretch * TYPE13_EPOCHS_PER_ENTRY;
    if (data.stretch != stretch) {
        const std::uint32_t count = std::min(TYPE13_EPOCHS_PER_ENTRY, data.layout.state_count - stretch_first);
        if (auto read = read_words_into(address(segment, data.layout.epochs_offset() + stretch_first), count,
                                        record_buffer_);
            !read) {
            return failure(std::move(read).error());
        }
        if (auto checked = check_epoch_stretch(13, record_buffer_, stretch, directory); !checked) {
            return failure(std::move(checked).error());
        }
        data.stretch_epochs.assign(record_buffer_.begin(), record_buffer_.end());
        data.stretch = stretch;
    }
    const std::span<const double> epochs(data.stretch_epochs);
    const auto local = static_cast<std::uint32_t>(std::ranges::lower_bound(epochs, epoch) - epochs.begin());
    const std::uint32_t earlier = stretch_first + local;
    constexpr double NONE = std::numeric_limits<double>::quiet_NaN();
    const double before = earlier == 0 ? NONE : local > 0 ? epochs[local - 1] : directory[stretch - 1];
    const double after = local < epochs.size() ? epochs[local] : NONE;
    return type13_window_first(data.layout, earlier, epoch, before, after);
}

Result<const Type13Window*, SpkError> SpkKernel::type13_window(SegmentAddressRange segment, Type13Segment& data,
                                                               std::uint32_t first) {
    if (data.window && data.window->first == first) return &*data.window;
    const std::uint32_t size = data.layout.window_size;
    if (auto read = read_words_into(address(segment, data.layout.epochs_offset() + first), size, record_buffer_);
        !read) {
        return failure(std::move(read).error());
    }
    std::array<double, TYPE13_MAX_WINDOW> epochs;
    std::ranges::copy(record_buffer_, epochs.begin());
    for (std::uint32_t i = 0; i < size; ++i) {
        if (!std::isfinite(epochs[i]) || (i > 0 && !(epochs[i - 1] < epochs[i]))) {
            return failure(type13_error("epochs must be finite and strictly increasing"));
        }
    }
    if (auto read = read_words_into(address(segment, std::int64_t{TYPE13_STATE_WORDS} * first),
                                    TYPE13_STATE_WORDS * size, record_buffer_);
        !read) {
        return failure(std::move(read).error());
    }
    auto window = build_type13_window(first, record_buffer_, std::span(epochs).first(size));
    if (!window) return failure(std::move(window).error());
    data.window = std::move(window).value();
    return &*data.window;
}

Status<SpkError> SpkKernel::evaluate_type13_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                           std::span<const double> epochs,
                                                           std::span<StateVector> states) {
    assert(states.size() == epochs.size());
    const SegmentAddressRange segment{begin, end};
    const auto found = type13_segment(segment);
    if (!found) return failure(found.error());
    Type13Segment& data = **found;
    std::optional<SpkError> selection_error;
    const auto index_of = [&](double epoch) -> std::int64_t {
        auto first = type13_window_first_of(segment, data, epoch);
        if (!first) {
            selection_error = std::move(first).error();
            return -1;
        }
        return *first;
    };
    const auto evaluate_run = [&](std::uint32_t first, std::span<const double> run_epochs,
                                  std::span<StateVector> run_states) -> Status<SpkError> {
        const auto window = type13_window(segment, data, first);
        if (!window) return failure(window.error());
        evaluate_type13_window(**window, run_epochs, run_states);
        return {};
    };
    return evaluate_by_record(
        epochs, states, record_indices_, index_of, [&](std::int64_t) { return *selection_error; }, evaluate_run);
}

Result<StateVector, SpkError> SpkKernel::evaluate_type13_at_epoch(std::int32_t begin, std::int32_t end, double epoch) {
    StateVector state;
    if (auto done = evaluate_type13_at_epochs_into(begin, end, std::span(&epoch, 1), std::span(&state, 1)); !done) {
        return failure(std::move(done).error());
    }
    return state;
}

}  // namespace orbyx
