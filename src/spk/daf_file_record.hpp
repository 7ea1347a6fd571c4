#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/result.hpp"
#include "spk/spk_error.hpp"

namespace orbyx {

inline constexpr std::size_t DAF_RECORD_BYTES = 1024;
inline constexpr std::size_t DAF_WORD_BYTES = 8;

// The fields of a DAF file record (record 1) that reading a kernel needs.
struct DafFileRecord {
    std::string internal_file_name;
    std::uint32_t nd;          // doubles per summary
    std::uint32_t ni;          // integers per summary
    std::uint32_t forward;     // first summary record
    std::uint32_t backward;    // last summary record
    std::uint32_t first_free;  // first free word address
    bool big_endian;

    // Summary width in words, ND + ceil(NI / 2), wrapping like the file's unsigned 32-bit fields.
    std::uint32_t summary_words() const { return nd + ni / 2 + ni % 2; }
};

Result<DafFileRecord, SpkError> parse_file_record(std::span<const std::uint8_t, DAF_RECORD_BYTES> record);

// UTF-8 text with trailing blanks and NULs removed (leading blanks stay).
Result<std::string, SpkError> parse_ascii_field(std::span<const std::uint8_t> bytes,
                                                std::string_view field_name);

// Values stored in the file's byte order.
double read_f64(std::span<const std::uint8_t, 8> bytes, bool big_endian);
std::uint32_t read_u32(std::span<const std::uint8_t, 4> bytes, bool big_endian);
std::int32_t read_i32(std::span<const std::uint8_t, 4> bytes, bool big_endian);

}  // namespace orbyx
