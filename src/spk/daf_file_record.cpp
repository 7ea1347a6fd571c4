#include "spk/daf_file_record.hpp"

#include <algorithm>
#include <array>
#include <bit>

#include "core/utf8.hpp"

namespace orbyx {
namespace {

constexpr std::string_view SPK_FILE_IDENTIFIER = "DAF/SPK ";

// 125 words fit beside the three control words of a 128-word summary record.
constexpr std::uint32_t MAX_SUMMARY_WORDS = 125;
constexpr std::uint32_t FILE_RECORD_WORDS = 128;

template <std::size_t N>
std::uint64_t read_unsigned(std::span<const std::uint8_t, N> bytes, bool big_endian) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint8_t byte = big_endian ? bytes[i] : bytes[N - 1 - i];
        value = (value << 8) | byte;
    }
    return value;
}

std::string_view as_text(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

double read_f64(std::span<const std::uint8_t, 8> bytes, bool big_endian) {
    return std::bit_cast<double>(read_unsigned(bytes, big_endian));
}

std::uint32_t read_u32(std::span<const std::uint8_t, 4> bytes, bool big_endian) {
    return static_cast<std::uint32_t>(read_unsigned(bytes, big_endian));
}

std::int32_t read_i32(std::span<const std::uint8_t, 4> bytes, bool big_endian) {
    return std::bit_cast<std::int32_t>(read_u32(bytes, big_endian));
}

Result<std::string, SpkError> parse_ascii_field(std::span<const std::uint8_t> bytes,
                                                std::string_view field_name) {
    std::string_view text = as_text(bytes);
    if (!is_valid_utf8(text)) return failure(SpkError::invalid_utf8(std::string(field_name)));
    // Blanks and NULs are single bytes that never occur inside a multi-byte sequence.
    const std::size_t kept = text.find_last_not_of(std::string_view(" \0", 2));
    return std::string(text.substr(0, kept == std::string_view::npos ? 0 : kept + 1));
}

Result<DafFileRecord, SpkError> parse_file_record(std::span<const std::uint8_t, DAF_RECORD_BYTES> record) {
    const auto identifier = record.first<8>();
    if (as_text(identifier) != SPK_FILE_IDENTIFIER) {
        std::array<std::uint8_t, 8> found{};
        std::copy(identifier.begin(), identifier.end(), found.begin());
        return failure(SpkError::invalid_file_identifier(found));
    }

    auto format = parse_ascii_field(record.subspan<88, 8>(), "binary format");
    if (!format) return failure(std::move(format).error());
    bool big_endian;
    if (*format == "LTL-IEEE") {
        big_endian = false;
    } else if (*format == "BIG-IEEE") {
        big_endian = true;
    } else {
        return failure(SpkError::unsupported_binary_format(std::move(format).value()));
    }

    DafFileRecord parsed{};
    parsed.big_endian = big_endian;
    parsed.nd = read_u32(record.subspan<8, 4>(), big_endian);
    parsed.ni = read_u32(record.subspan<12, 4>(), big_endian);
    parsed.forward = read_u32(record.subspan<76, 4>(), big_endian);
    parsed.backward = read_u32(record.subspan<80, 4>(), big_endian);
    parsed.first_free = read_u32(record.subspan<84, 4>(), big_endian);

    if (parsed.nd == 0 || parsed.ni == 0) {
        return failure(SpkError::invalid_file_record("summary component counts must be non-zero"));
    }
    if (parsed.summary_words() > MAX_SUMMARY_WORDS) {
        return failure(
            SpkError::invalid_file_record("packed summary cannot fit in a DAF summary record"));
    }
    if (parsed.forward < 2 || parsed.backward < parsed.forward) {
        return failure(SpkError::invalid_file_record("summary record pointers are inconsistent"));
    }
    if (parsed.first_free <= FILE_RECORD_WORDS) {
        return failure(
            SpkError::invalid_file_record("first free address points inside the file record"));
    }

    auto name = parse_ascii_field(record.subspan<16, 60>(), "internal file name");
    if (!name) return failure(std::move(name).error());
    parsed.internal_file_name = std::move(name).value();
    return parsed;
}

}  // namespace orbyx
