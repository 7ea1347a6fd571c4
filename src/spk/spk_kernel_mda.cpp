// Type 1 and Type 21 evaluation on a kernel: the layout and epoch directory of each
// segment, the stretch of final epochs that places an epoch in its record, and the
// record decoded last.

#include <algorithm>
#include <cassert>
#include <cmath>
#include <optional>

#include "spk/epoch_directory.hpp"
#include "spk/record_runs.hpp"
#include "spk/spk_kernel.hpp"

namespace orbyx {
namespace {

std::int32_t address(SegmentAddressRange segment, std::int64_t offset) {
    // Within [begin, end] once the layout matches the address range.
    return static_cast<std::int32_t>(segment.begin + offset);
}

}  // namespace

Result<SpkKernel::MdaSegment*, SpkError> SpkKernel::mda_segment(std::int32_t data_type, SegmentAddressRange segment) {
    auto& cache = data_type == 1 ? type1_cache_ : type21_cache_;
    if (const auto cached = cache.find(segment); cached != cache.end()) return &cached->second;
    const std::uint32_t trailer_words = mda_trailer_words(data_type);
    if (segment.begin < 1) {
        return failure(SpkError::invalid_segment_data(data_type, "DAF word addresses are one-based"));
    }
    if (std::int64_t{segment.end} - segment.begin + 1 < trailer_words) {
        return failure(SpkError::invalid_segment_data(data_type, "segment is too short to contain its record count"));
    }
    if (auto read = read_words_into(segment.end - static_cast<std::int32_t>(trailer_words) + 1, trailer_words,
                                    record_buffer_);
        !read) {
        return failure(std::move(read).error());
    }
    const auto layout = decode_mda_trailer(data_type, record_buffer_, segment.begin, segment.end);
    if (!layout) return failure(layout.error());
    if (auto read = read_words_into(address(segment, layout->directory_offset()), layout->directory_size,
                                    record_buffer_);
        !read) {
        return failure(std::move(read).error());
    }
    if (auto checked = check_epoch_directory(data_type, record_buffer_); !checked) {
        return failure(std::move(checked).error());
    }
    MdaSegment data{*layout, record_buffer_, std::nullopt, {}, std::nullopt};
    return &cache.emplace(segment, std::move(data)).first->second;
}

Result<std::uint32_t, SpkError> SpkKernel::mda_record_index(SegmentAddressRange segment, MdaSegment& data,
                                                            double epoch) {
    const std::int32_t data_type = data.layout.data_type;
    if (!std::isfinite(epoch)) {
        return failure(SpkError::invalid_segment_data(data_type, "requested epoch must be finite"));
    }
    const auto after_last = [data_type] {
        return failure(
            SpkError::invalid_segment_data(data_type, "requested epoch is after the last record's final epoch"));
    };
    const std::span<const double> directory(data.every_hundredth_epoch);
    const std::uint32_t stretch = epoch_stretch(directory, epoch);
    const std::uint32_t stretch_first = stretch * EPOCHS_PER_DIRECTORY_ENTRY;
    if (stretch_first >= data.layout.record_count) return after_last();
    if (data.stretch != stretch) {
        const std::uint32_t count = std::min(EPOCHS_PER_DIRECTORY_ENTRY, data.layout.record_count - stretch_first);
        if (auto read = read_words_into(address(segment, data.layout.epochs_offset() + stretch_first), count,
                                        record_buffer_);
            !read) {
            return failure(std::move(read).error());
        }
        if (auto checked = check_epoch_stretch(data_type, record_buffer_, stretch, directory); !checked) {
            return failure(std::move(checked).error());
        }
        data.stretch_epochs.assign(record_buffer_.begin(), record_buffer_.end());
        data.stretch = stretch;
    }
    // The first record whose final epoch is at or after the epoch.
    const std::span<const double> epochs(data.stretch_epochs);
    const auto local = static_cast<std::uint32_t>(std::ranges::lower_bound(epochs, epoch) - epochs.begin());
    if (local == epochs.size()) return after_last();
    return stretch_first + local;
}

Result<const MdaPolynomials*, SpkError> SpkKernel::mda_record(SegmentAddressRange segment, MdaSegment& data,
                                                              std::uint32_t index) {
    if (data.record && data.record_index == index) return &*data.record;
    const MdaLayout& layout = data.layout;
    if (auto read = read_words_into(address(segment, layout.epochs_offset() + index), 1, record_buffer_); !read) {
        return failure(std::move(read).error());
    }
    const double listed_final_epoch = record_buffer_[0];
    if (auto read = read_words_into(address(segment, std::int64_t{layout.record_words()} * index),
                                    layout.record_words(), record_buffer_);
        !read) {
        return failure(std::move(read).error());
    }
    auto record = decode_mda_record(layout, record_buffer_, listed_final_epoch);
    if (!record) return failure(std::move(record).error());
    data.record = *record;
    data.record_index = index;
    return &*data.record;
}

Status<SpkError> SpkKernel::evaluate_mda_at_epochs_into(std::int32_t data_type, SegmentAddressRange segment,
                                                        std::span<const double> epochs,
                                                        std::span<StateVector> states) {
    assert(states.size() == epochs.size());
    const auto found = mda_segment(data_type, segment);
    if (!found) return failure(found.error());
    MdaSegment& data = **found;
    std::optional<SpkError> selection_error;
    const auto index_of = [&](double epoch) -> std::int64_t {
        auto index = mda_record_index(segment, data, epoch);
        if (!index) {
            selection_error = std::move(index).error();
            return -1;
        }
        return *index;
    };
    const auto evaluate_run = [&](std::uint32_t index, std::span<const double> run_epochs,
                                  std::span<StateVector> run_states) -> Status<SpkError> {
        const auto record = mda_record(segment, data, index);
        if (!record) return failure(record.error());
        evaluate_mda_record(**record, run_epochs, run_states);
        return {};
    };
    return evaluate_by_record(
        epochs, states, record_indices_, index_of, [&](std::int64_t) { return *selection_error; }, evaluate_run);
}

Status<SpkError> SpkKernel::evaluate_type1_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                          std::span<const double> epochs,
                                                          std::span<StateVector> states) {
    return evaluate_mda_at_epochs_into(1, {begin, end}, epochs, states);
}

Status<SpkError> SpkKernel::evaluate_type21_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                           std::span<const double> epochs,
                                                           std::span<StateVector> states) {
    return evaluate_mda_at_epochs_into(21, {begin, end}, epochs, states);
}

Result<StateVector, SpkError> SpkKernel::evaluate_mda_at_epoch(std::int32_t data_type, SegmentAddressRange segment,
                                                               double epoch) {
    StateVector state;
    if (auto done = evaluate_mda_at_epochs_into(data_type, segment, std::span(&epoch, 1), std::span(&state, 1));
        !done) {
        return failure(std::move(done).error());
    }
    return state;
}

Result<StateVector, SpkError> SpkKernel::evaluate_type1_at_epoch(std::int32_t begin, std::int32_t end, double epoch) {
    return evaluate_mda_at_epoch(1, {begin, end}, epoch);
}

Result<StateVector, SpkError> SpkKernel::evaluate_type21_at_epoch(std::int32_t begin, std::int32_t end,
                                                                  double epoch) {
    return evaluate_mda_at_epoch(21, {begin, end}, epoch);
}

}  // namespace orbyx
