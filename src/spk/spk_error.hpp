#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "core/errors.hpp"
#include "core/io_error.hpp"

namespace orbyx {

// Every failure of reading a kernel or evaluating its segments.
class SpkError {
public:
    enum class Kind {
        Io,
        InvalidFileIdentifier,
        UnsupportedBinaryFormat,
        InvalidUtf8,
        InvalidFileRecord,
        UnsupportedSummaryLayout,
        InvalidSummaryChain,
        InvalidSegment,
        UnsupportedSegmentType,
        EpochOutsideCoverage,
        InvalidSegmentData,
        BrokenCenterChain,
        CenterChainCycle,
    };

    static SpkError io(IoError error);
    static SpkError invalid_file_identifier(const std::array<std::uint8_t, 8>& identifier);
    static SpkError unsupported_binary_format(std::string format);
    static SpkError invalid_utf8(std::string field_name);
    static SpkError invalid_file_record(std::string reason);
    static SpkError unsupported_summary_layout(std::uint32_t nd, std::uint32_t ni);
    static SpkError invalid_summary_chain(std::string reason);
    static SpkError invalid_segment(std::string reason);
    static SpkError unsupported_segment_type(std::int32_t data_type);
    static SpkError epoch_outside_coverage(double epoch, double start, double end);
    // The data of a segment of `data_type` breaks that type's layout.
    static SpkError invalid_segment_data(std::int32_t data_type, std::string reason);
    static SpkError invalid_type2_segment(std::string reason) { return invalid_segment_data(2, std::move(reason)); }
    static SpkError broken_center_chain(std::int32_t body, double epoch);
    static SpkError center_chain_cycle(std::int32_t target);

    Kind kind() const { return kind_; }
    std::string message() const;

private:
    explicit SpkError(Kind kind) : kind_(kind) {}

    Kind kind_;
    IoError io_;
    std::string text_;  // identifier bytes, format, field name or reason
    std::uint32_t nd_ = 0, ni_ = 0;
    std::int32_t id_ = 0;  // data type, body or target
    double epoch_ = 0, start_ = 0, end_ = 0;
};

// How an SPK failure leaves the subsystem: its text becomes the message.
EphemerisError to_ephemeris_error(const SpkError& error);

}  // namespace orbyx
