#include "spk/spk_error.hpp"

#include "core/format.hpp"
#include "core/utf8.hpp"

namespace orbyx {

SpkError SpkError::io(IoError error) {
    SpkError e(Kind::Io);
    e.io_ = std::move(error);
    return e;
}

SpkError SpkError::invalid_file_identifier(const std::array<std::uint8_t, 8>& identifier) {
    SpkError e(Kind::InvalidFileIdentifier);
    e.text_.assign(identifier.begin(), identifier.end());
    return e;
}

SpkError SpkError::unsupported_binary_format(std::string format) {
    SpkError e(Kind::UnsupportedBinaryFormat);
    e.text_ = std::move(format);
    return e;
}

SpkError SpkError::invalid_utf8(std::string field_name) {
    SpkError e(Kind::InvalidUtf8);
    e.text_ = std::move(field_name);
    return e;
}

SpkError SpkError::invalid_file_record(std::string reason) {
    SpkError e(Kind::InvalidFileRecord);
    e.text_ = std::move(reason);
    return e;
}

SpkError SpkError::unsupported_summary_layout(std::uint32_t nd, std::uint32_t ni) {
    SpkError e(Kind::UnsupportedSummaryLayout);
    e.nd_ = nd;
    e.ni_ = ni;
    return e;
}

SpkError SpkError::invalid_summary_chain(std::string reason) {
    SpkError e(Kind::InvalidSummaryChain);
    e.text_ = std::move(reason);
    return e;
}

SpkError SpkError::invalid_segment(std::string reason) {
    SpkError e(Kind::InvalidSegment);
    e.text_ = std::move(reason);
    return e;
}

SpkError SpkError::unsupported_segment_type(std::int32_t data_type) {
    SpkError e(Kind::UnsupportedSegmentType);
    e.id_ = data_type;
    return e;
}

SpkError SpkError::epoch_outside_coverage(double epoch, double start, double end) {
    SpkError e(Kind::EpochOutsideCoverage);
    e.epoch_ = epoch;
    e.start_ = start;
    e.end_ = end;
    return e;
}

SpkError SpkError::invalid_segment_data(std::int32_t data_type, std::string reason) {
    SpkError e(Kind::InvalidSegmentData);
    e.id_ = data_type;
    e.text_ = std::move(reason);
    return e;
}

SpkError SpkError::broken_center_chain(std::int32_t body, double epoch) {
    SpkError e(Kind::BrokenCenterChain);
    e.id_ = body;
    e.epoch_ = epoch;
    return e;
}

SpkError SpkError::center_chain_cycle(std::int32_t target) {
    SpkError e(Kind::CenterChainCycle);
    e.id_ = target;
    return e;
}

std::string SpkError::message() const {
    switch (kind_) {
        case Kind::Io: return "failed to read SPK kernel: " + io_.message();
        case Kind::InvalidFileIdentifier:
            return "expected DAF/SPK file identifier, found " + quote(decode_utf8_lossy(text_));
        case Kind::UnsupportedBinaryFormat: return "unsupported DAF binary format " + quote(text_);
        case Kind::InvalidUtf8: return "invalid UTF-8 in " + text_;
        case Kind::InvalidFileRecord: return "invalid DAF file record: " + text_;
        case Kind::UnsupportedSummaryLayout:
            return "unsupported SPK summary layout ND=" + std::to_string(nd_) +
                   ", NI=" + std::to_string(ni_);
        case Kind::InvalidSummaryChain: return "invalid DAF summary chain: " + text_;
        case Kind::InvalidSegment: return "invalid SPK segment: " + text_;
        case Kind::UnsupportedSegmentType:
            return "unsupported SPK segment type " + std::to_string(id_);
        case Kind::EpochOutsideCoverage:
            return "TDB epoch " + format_number(epoch_) + " is outside segment coverage [" +
                   format_number(start_) + ", " + format_number(end_) + "]";
        case Kind::InvalidSegmentData:
            return "invalid SPK Type " + std::to_string(id_) + " segment: " + text_;
        case Kind::BrokenCenterChain:
            return "no SPK segment continues the center chain from target " + std::to_string(id_) +
                   " at TDB epoch " + format_number(epoch_);
        case Kind::CenterChainCycle:
            return "SPK center chain for target " + std::to_string(id_) + " contains a cycle";
    }
    return {};
}

EphemerisError to_ephemeris_error(const SpkError& error) {
    return EphemerisError::evaluation(error.message());
}

}  // namespace orbyx
