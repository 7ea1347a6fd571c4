#include "core/format.hpp"
#include "time/leap_second_kernel.hpp"

namespace orbyx {

LskError LskError::io(IoError error) {
    LskError e(Kind::Io);
    e.io_ = std::move(error);
    return e;
}

LskError LskError::path_has_no_utf8_file_name() { return LskError(Kind::PathHasNoUtf8FileName); }

LskError LskError::invalid_sha256() { return LskError(Kind::InvalidSha256); }

LskError LskError::no_data_section() { return LskError(Kind::NoDataSection); }

LskError LskError::missing_keyword(std::string_view keyword) {
    LskError e(Kind::MissingKeyword);
    e.keyword_ = keyword;
    return e;
}

LskError LskError::invalid_value(std::string_view keyword, std::string_view reason) {
    LskError e(Kind::InvalidValue);
    e.keyword_ = keyword;
    e.detail_ = reason;
    return e;
}

LskError LskError::invalid_date_literal(std::string_view token) {
    LskError e(Kind::InvalidDateLiteral);
    e.detail_ = token;
    return e;
}

LskError LskError::delta_at_not_ascending() { return LskError(Kind::DeltaAtNotAscending); }

std::string LskError::message() const {
    switch (kind_) {
        case Kind::Io: return "failed to read leap-second kernel: " + io_.message();
        case Kind::PathHasNoUtf8FileName: return "leap-second kernel path has no UTF-8 filename";
        case Kind::InvalidSha256:
            return "leap-second kernel SHA-256 must contain exactly 64 hexadecimal characters";
        case Kind::NoDataSection: return "leap-second kernel has no \\begindata section";
        case Kind::MissingKeyword:
            return "leap-second kernel is missing required keyword " + keyword_;
        case Kind::InvalidValue: return "invalid value for " + keyword_ + ": " + detail_;
        case Kind::InvalidDateLiteral: return "invalid NAIF date literal " + quote(detail_);
        case Kind::DeltaAtNotAscending:
            return "DELTET/DELTA_AT entries must be strictly ascending in effective date";
    }
    return {};
}

}  // namespace orbyx
