// Chebyshev (Type 2 and 3) evaluation on a kernel: directory and record caches, record
// selection and reads, and the dispatch of a segment by its data type.

#include <algorithm>
#include <cassert>
#include <limits>
#include <utility>

#include "core/same_bits.hpp"
#include "spk/epoch_order.hpp"
#include "spk/record_runs.hpp"
#include "spk/spk_kernel.hpp"

namespace orbyx {

Result<const Type2Directory*, SpkError> SpkKernel::chebyshev_directory(ChebyshevType type,
                                                                       SegmentAddressRange segment) {
    auto& directories = cache_of(type).directories;
    if (const auto cached = directories.find(segment); cached != directories.end()) {
        return &cached->second;
    }
    // Type 2 has always let a directory before address 1 fail as a read.
    const std::int64_t shortest_end = type == ChebyshevType::Type2
                                          ? std::int64_t{std::numeric_limits<std::int32_t>::min()} + 3
                                          : std::int64_t{std::max(segment.begin, 1)} + 3;
    if (segment.end < shortest_end) {
        return failure(SpkError::invalid_segment_data(static_cast<std::int32_t>(type),
                                                      "segment is too short to contain a directory"));
    }
    if (auto read = read_words_into(segment.end - 3, TYPE2_DIRECTORY_WORDS, record_buffer_); !read) {
        return failure(std::move(read).error());
    }
    auto directory = decode_chebyshev_directory(
        type, std::span<const double>(record_buffer_).first<TYPE2_DIRECTORY_WORDS>(), segment.begin, segment.end);
    if (!directory) return failure(std::move(directory).error());
    return &directories.emplace(segment, *directory).first->second;
}

Result<Type2Record*, SpkError> SpkKernel::chebyshev_record(ChebyshevType type, SegmentAddressRange segment,
                                                           const Type2Directory& directory, std::uint32_t index) {
    auto& records = cache_of(type).records;
    const auto cached = records.find(segment);
    if (cached != records.end() && cached->second.index == index) return &cached->second;

    const auto address = chebyshev_record_address(type, segment.begin, directory, index);
    if (!address) return failure(address.error());
    if (auto read = read_words_into(*address, directory.record_size, record_buffer_); !read) {
        return failure(std::move(read).error());
    }
    Type2Record& record = cached != records.end() ? cached->second : records[segment];
    record.index = index;
    // The words just read become the record; its old storage serves the next read.
    record.coefficients.swap(record_buffer_);
    record.checks = check_type2_record(record.coefficients, directory.record_size);
    record.last_lone_epoch.reset();
    return &record;
}

template <ChebyshevType TYPE>
Status<SpkError> SpkKernel::evaluate_chebyshev_at_epochs_into(SegmentAddressRange segment,
                                                              std::span<const double> epochs,
                                                              std::span<StateVector> states) {
    assert(states.size() == epochs.size());
    const auto found = chebyshev_directory(TYPE, segment);
    if (!found) return failure(found.error());
    const Type2Directory& directory = **found;

    constexpr auto evaluate =
        TYPE == ChebyshevType::Type2 ? evaluate_checked_type2_record : evaluate_checked_type3_record;
    const auto index_of = [&](double epoch) { return type2_record_index(directory, epoch); };
    const auto evaluate_run = [&](std::uint32_t index, std::span<const double> run_epochs,
                                  std::span<StateVector> run_states) -> Status<SpkError> {
        const auto record = chebyshev_record(TYPE, segment, directory, index);
        if (!record) return failure(record.error());
        return evaluate((*record)->coefficients, directory.record_size, (*record)->checks, run_epochs, run_states);
    };

    if (!epochs.empty() && in_increasing_order(epochs) && index_of(epochs.front()) >= 0 &&
        index_of(epochs.back()) >= 0) {
        // The usual case. The record index never falls as the epoch rises, so when the
        // first and the last epoch have a record, every epoch has one, each record's
        // epochs are a stretch of the input, and only the ends of a stretch need an index.
        // Only the last record stays cached, so the others are evaluated in place in the
        // mapped file where it can be, not copied, and checked there as a read record is.
        // The record cached before is still served from the cache.
        const auto& records = cache_of(TYPE).records;
        const auto cached = records.find(segment);
        const std::int64_t cached_index = cached != records.end() ? std::int64_t{cached->second.index} : -1;
        const auto evaluate_passing_run = [&](std::uint32_t index, std::span<const double> run_epochs,
                                              std::span<StateVector> run_states) -> Status<SpkError> {
            if (index != cached_index) {
                const auto address = chebyshev_record_address(TYPE, segment.begin, directory, index);
                if (!address) return failure(address.error());
                if (const auto words = mapped_words(*address, directory.record_size); !words.empty()) {
                    return evaluate(words, directory.record_size, check_type2_record(words, directory.record_size),
                                    run_epochs, run_states);
                }
            }
            return evaluate_run(index, run_epochs, run_states);
        };
        std::int64_t index = index_of(epochs.front());
        for (std::size_t run = 0; run < epochs.size();) {
            // Guessed from where the record's interval ends, then settled exactly.
            const double interval_end = directory.init + static_cast<double>(index + 1) * directory.interval_length;
            std::size_t run_end = run + 1;
            while (run_end < epochs.size() && epochs[run_end] < interval_end) ++run_end;
            while (run_end > run + 1 && index_of(epochs[run_end - 1]) != index) --run_end;
            std::int64_t next_index = index;
            while (run_end < epochs.size() && (next_index = index_of(epochs[run_end])) == index) ++run_end;
            const std::size_t count = run_end - run;
            const auto run_index = static_cast<std::uint32_t>(index);
            const auto run_epochs = epochs.subspan(run, count);
            const auto run_states = states.subspan(run, count);
            if (auto done = run_end < epochs.size() ? evaluate_passing_run(run_index, run_epochs, run_states)
                                                    : evaluate_run(run_index, run_epochs, run_states);
                !done) {
                return done;
            }
            run = run_end;
            index = next_index;
        }
        return {};
    }

    return evaluate_by_record(
        epochs, states, record_indices_, index_of,
        [](std::int64_t code) { return chebyshev_record_selection_error(TYPE, code); }, evaluate_run);
}

Status<SpkError> SpkKernel::evaluate_type2_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                          std::span<const double> epochs,
                                                          std::span<StateVector> states) {
    return evaluate_chebyshev_at_epochs_into<ChebyshevType::Type2>({begin, end}, epochs, states);
}

Status<SpkError> SpkKernel::evaluate_type3_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                          std::span<const double> epochs,
                                                          std::span<StateVector> states) {
    return evaluate_chebyshev_at_epochs_into<ChebyshevType::Type3>({begin, end}, epochs, states);
}

Result<std::vector<StateVector>, SpkError> SpkKernel::evaluate_type2_at_epochs(std::int32_t begin, std::int32_t end,
                                                                             std::span<const double> epochs) {
    std::vector<StateVector> states(epochs.size());
    if (auto done = evaluate_type2_at_epochs_into(begin, end, epochs, states); !done) {
        return failure(std::move(done).error());
    }
    return states;
}

// The batch path for a list of one epoch, without its bookkeeping.
template <ChebyshevType TYPE>
Result<StateVector, SpkError> SpkKernel::evaluate_chebyshev_at_epoch(SegmentAddressRange segment, double epoch) {
    const auto directory = chebyshev_directory(TYPE, segment);
    if (!directory) return failure(directory.error());
    const auto index = select_chebyshev_record(TYPE, **directory, epoch);
    if (!index) return failure(index.error());
    const auto found = chebyshev_record(TYPE, segment, **directory, *index);
    if (!found) return failure(found.error());
    Type2Record& record = **found;
    if (record.last_lone_epoch && same_bits(record.last_lone_epoch->first, epoch)) {
        return record.last_lone_epoch->second;
    }
    constexpr auto evaluate =
        TYPE == ChebyshevType::Type2 ? evaluate_checked_type2_record : evaluate_checked_type3_record;
    StateVector state;
    if (auto done = evaluate(record.coefficients, (*directory)->record_size, record.checks, std::span(&epoch, 1),
                             std::span(&state, 1));
        !done) {
        return failure(std::move(done).error());
    }
    record.last_lone_epoch.emplace(epoch, state);
    return state;
}

Result<StateVector, SpkError> SpkKernel::evaluate_type2_at_epoch(std::int32_t begin, std::int32_t end, double epoch) {
    return evaluate_chebyshev_at_epoch<ChebyshevType::Type2>({begin, end}, epoch);
}

Result<StateVector, SpkError> SpkKernel::evaluate_type3_at_epoch(std::int32_t begin, std::int32_t end, double epoch) {
    return evaluate_chebyshev_at_epoch<ChebyshevType::Type3>({begin, end}, epoch);
}

Status<SpkError> SpkKernel::evaluate_segment_at_epochs_into(const SpkSegment& segment, std::span<const double> epochs,
                                                            std::span<StateVector> states) {
    if (!evaluates_segment_type(segment.data_type)) {
        return failure(SpkError::unsupported_segment_type(segment.data_type));
    }
    if (segment.data_type == 3) {
        return evaluate_type3_at_epochs_into(segment.begin_address, segment.end_address, epochs, states);
    }
    if (segment.data_type == 13) {
        return evaluate_type13_at_epochs_into(segment.begin_address, segment.end_address, epochs, states);
    }
    if (segment.data_type == 1) {
        return evaluate_type1_at_epochs_into(segment.begin_address, segment.end_address, epochs, states);
    }
    if (segment.data_type == 21) {
        return evaluate_type21_at_epochs_into(segment.begin_address, segment.end_address, epochs, states);
    }
    return evaluate_type2_at_epochs_into(segment.begin_address, segment.end_address, epochs, states);
}

Result<StateVector, SpkError> SpkKernel::evaluate_segment_at_epoch(const SpkSegment& segment, double epoch) {
    if (!evaluates_segment_type(segment.data_type)) {
        return failure(SpkError::unsupported_segment_type(segment.data_type));
    }
    if (segment.data_type == 3) return evaluate_type3_at_epoch(segment.begin_address, segment.end_address, epoch);
    if (segment.data_type == 13) return evaluate_type13_at_epoch(segment.begin_address, segment.end_address, epoch);
    if (segment.data_type == 1) return evaluate_type1_at_epoch(segment.begin_address, segment.end_address, epoch);
    if (segment.data_type == 21) return evaluate_type21_at_epoch(segment.begin_address, segment.end_address, epoch);
    return evaluate_type2_at_epoch(segment.begin_address, segment.end_address, epoch);
}

}  // namespace orbyx
