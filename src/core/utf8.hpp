#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orbyx {

bool is_valid_utf8(std::string_view bytes);

// Invalid sequences become U+FFFD, one per maximal invalid subpart.
std::string decode_utf8_lossy(std::string_view bytes);

// Decodes the code point at `pos` of valid UTF-8 and advances `pos` past it. A
// sequence cut short by the end of `text` gives U+FFFD and advances one byte.
char32_t next_code_point(std::string_view text, std::size_t& pos);

// The Unicode White_Space property.
bool is_unicode_white_space(char32_t c);

// `text` (valid UTF-8) without leading and trailing White_Space characters.
std::string_view trim_white_space(std::string_view text);

}  // namespace orbyx
