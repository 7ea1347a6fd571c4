#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/result.hpp"
#include "spk/daf_file_record.hpp"
#include "spk/kernel_source.hpp"
#include "spk/mda_record.hpp"
#include "spk/spk_error.hpp"
#include "spk/spk_segment.hpp"
#include "spk/state_vector.hpp"
#include "spk/type13.hpp"
#include "spk/type2.hpp"

namespace orbyx {

// One opened SPK file: its file record, its byte source and what has been read
// from it. Move-only; the file stays open until the kernel is destroyed.
class SpkKernel {
public:
    static Result<SpkKernel, SpkError> open(std::string_view path,
                                            KernelSourceMode mode = KernelSourceMode::MapIfPossible);
    // Reads the file record from the source's current position.
    static Result<SpkKernel, SpkError> from_reader(KernelSource source);

    // The segments in file order; the file is walked once, on the first success.
    Result<std::vector<SpkSegment>, SpkError> segments();
    // The same list without copying it, for the evaluation paths; the span stays
    // valid as long as the kernel lives, moves included.
    Result<std::span<const SpkSegment>, SpkError> cached_segments();

    // `count` doubles from the one-based DAF word address `start` on.
    Result<std::vector<double>, SpkError> read_words(std::int32_t start, std::uint32_t count);

    // States of the Type 2 segment stored in words [begin, end], one per epoch in
    // input order. Each record needed is read at most once per call.
    Result<std::vector<StateVector>, SpkError> evaluate_type2_at_epochs(std::int32_t begin, std::int32_t end,
                                                                      std::span<const double> epochs);
    // The same into `states`, which holds one slot per epoch; on failure its contents are meaningless.
    Status<SpkError> evaluate_type2_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                   std::span<const double> epochs, std::span<StateVector> states);
    // One epoch; allocates nothing once the segment's directory and record are cached.
    Result<StateVector, SpkError> evaluate_type2_at_epoch(std::int32_t begin, std::int32_t end, double epoch);
    // The same two for Type 3 and Type 13 segments, whatever the kernel's segment types.
    Status<SpkError> evaluate_type3_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                   std::span<const double> epochs, std::span<StateVector> states);
    Result<StateVector, SpkError> evaluate_type3_at_epoch(std::int32_t begin, std::int32_t end, double epoch);
    Status<SpkError> evaluate_type13_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                    std::span<const double> epochs, std::span<StateVector> states);
    Result<StateVector, SpkError> evaluate_type13_at_epoch(std::int32_t begin, std::int32_t end, double epoch);
    Status<SpkError> evaluate_type1_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                   std::span<const double> epochs, std::span<StateVector> states);
    Result<StateVector, SpkError> evaluate_type1_at_epoch(std::int32_t begin, std::int32_t end, double epoch);
    Status<SpkError> evaluate_type21_at_epochs_into(std::int32_t begin, std::int32_t end,
                                                    std::span<const double> epochs, std::span<StateVector> states);
    Result<StateVector, SpkError> evaluate_type21_at_epoch(std::int32_t begin, std::int32_t end, double epoch);

    // A kernel evaluates Type 2 segments; one of an engine opened with the extended
    // segment types evaluates Types 1, 3, 13 and 21 as well.
    void enable_extended_segment_types() { extended_segment_types_ = true; }
    bool evaluates_segment_type(std::int32_t data_type) const {
        return data_type == 2 || (extended_segment_types_ && (data_type == 1 || data_type == 3 || data_type == 13 ||
                                                              data_type == 21));
    }
    // States of `segment`, one of this kernel's, by its data type; a type the kernel does
    // not evaluate is refused as unsupported.
    Status<SpkError> evaluate_segment_at_epochs_into(const SpkSegment& segment, std::span<const double> epochs,
                                                     std::span<StateVector> states);
    Result<StateVector, SpkError> evaluate_segment_at_epoch(const SpkSegment& segment, double epoch);

    // The reads until the matching end share one check of the file's length (see KernelSource).
    void begin_shared_length_check() { source_.begin_shared_length_check(); }
    void end_shared_length_check() { source_.end_shared_length_check(); }

    // 8-byte words read by DAF address so far (read_words, and the directories, records,
    // epochs and states of the segments evaluated); summary records are not counted.
    std::uint64_t words_read() const { return words_read_; }

private:
    SpkKernel(DafFileRecord record, KernelSource source)
        : record_(std::move(record)), source_(std::move(source)) {}

    Result<std::vector<SpkSegment>, SpkError> walk_summary_chain();
    Status<SpkError> read_record_at(std::uint64_t offset, std::span<std::uint8_t, DAF_RECORD_BYTES> record);
    // Replaces the contents of `words`, reusing its storage.
    Status<SpkError> read_words_into(std::int32_t start, std::uint32_t count, std::vector<double>& words);
    // The same words in place in the mapped file, counted as read, when the file is mapped
    // and in the host's byte order and holds them whole; empty otherwise, where
    // read_words_into copies them or fails. Use them at once and keep no view: the file
    // may be cut short after the check.
    std::span<const double> mapped_words(std::int32_t start, std::uint32_t count);

    // The directories and the record read last, per segment, of one Chebyshev type: a
    // summary of another type over the same words must not meet them.
    struct ChebyshevCache {
        std::unordered_map<SegmentAddressRange, Type2Directory, SegmentAddressRangeHash> directories;
        std::unordered_map<SegmentAddressRange, Type2Record, SegmentAddressRangeHash> records;
    };
    ChebyshevCache& cache_of(ChebyshevType type) { return type == ChebyshevType::Type2 ? type2_cache_ : type3_cache_; }

    template <ChebyshevType TYPE>
    Status<SpkError> evaluate_chebyshev_at_epochs_into(SegmentAddressRange segment, std::span<const double> epochs,
                                                       std::span<StateVector> states);
    template <ChebyshevType TYPE>
    Result<StateVector, SpkError> evaluate_chebyshev_at_epoch(SegmentAddressRange segment, double epoch);
    Result<const Type2Directory*, SpkError> chebyshev_directory(ChebyshevType type, SegmentAddressRange segment);
    // Record `index` of the segment: the cached one, or read to replace it.
    Result<Type2Record*, SpkError> chebyshev_record(ChebyshevType type, SegmentAddressRange segment,
                                                    const Type2Directory& directory, std::uint32_t index);

    // A Type 13 segment's layout and epoch directory, the stretch of epochs read last
    // and the window built last.
    struct Type13Segment {
        Type13Layout layout;
        std::vector<double> every_hundredth_epoch;
        std::optional<std::uint32_t> stretch;
        std::vector<double> stretch_epochs;
        std::optional<Type13Window> window;
    };
    Result<Type13Segment*, SpkError> type13_segment(SegmentAddressRange segment);
    // The first state of the window for `epoch`.
    Result<std::uint32_t, SpkError> type13_window_first_of(SegmentAddressRange segment, Type13Segment& data,
                                                           double epoch);
    Result<const Type13Window*, SpkError> type13_window(SegmentAddressRange segment, Type13Segment& data,
                                                       std::uint32_t first);

    // A Type 1 or 21 segment's layout and epoch directory, the stretch of final epochs
    // read last and the record decoded last.
    struct MdaSegment {
        MdaLayout layout;
        std::vector<double> every_hundredth_epoch;
        std::optional<std::uint32_t> stretch;
        std::vector<double> stretch_epochs;
        std::optional<MdaPolynomials> record;
        std::uint32_t record_index = 0;
    };
    Result<MdaSegment*, SpkError> mda_segment(std::int32_t data_type, SegmentAddressRange segment);
    // The record whose span ends at the first final epoch at or after `epoch`.
    Result<std::uint32_t, SpkError> mda_record_index(SegmentAddressRange segment, MdaSegment& data, double epoch);
    Result<const MdaPolynomials*, SpkError> mda_record(SegmentAddressRange segment, MdaSegment& data,
                                                       std::uint32_t index);
    Status<SpkError> evaluate_mda_at_epochs_into(std::int32_t data_type, SegmentAddressRange segment,
                                                 std::span<const double> epochs, std::span<StateVector> states);
    Result<StateVector, SpkError> evaluate_mda_at_epoch(std::int32_t data_type, SegmentAddressRange segment,
                                                        double epoch);

    DafFileRecord record_;
    KernelSource source_;
    std::optional<std::vector<SpkSegment>> segment_cache_;
    ChebyshevCache type2_cache_;
    ChebyshevCache type3_cache_;
    std::unordered_map<SegmentAddressRange, Type13Segment, SegmentAddressRangeHash> type13_cache_;
    std::unordered_map<SegmentAddressRange, MdaSegment, SegmentAddressRangeHash> type1_cache_;
    std::unordered_map<SegmentAddressRange, MdaSegment, SegmentAddressRangeHash> type21_cache_;
    bool extended_segment_types_ = false;
    // A record being read, kept apart so that a failed read leaves the cached record whole.
    std::vector<double> record_buffer_;
    // The record index of each epoch of the current evaluation; kept to reuse its storage.
    std::vector<std::uint32_t> record_indices_;
    std::uint64_t words_read_ = 0;
};

// While it lives, each kernel checks its file's length at its first read only, not at
// every record read: one system call per kernel for a whole engine operation.
class SharedLengthChecks {
public:
    explicit SharedLengthChecks(std::span<SpkKernel> kernels) : kernels_(kernels) {
        for (SpkKernel& kernel : kernels_) kernel.begin_shared_length_check();
    }
    SharedLengthChecks(const SharedLengthChecks&) = delete;
    SharedLengthChecks& operator=(const SharedLengthChecks&) = delete;
    ~SharedLengthChecks() {
        for (SpkKernel& kernel : kernels_) kernel.end_shared_length_check();
    }

private:
    std::span<SpkKernel> kernels_;
};

}  // namespace orbyx
