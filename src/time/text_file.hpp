#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/io_error.hpp"
#include "core/result.hpp"

namespace orbyx {

// The whole file as text; content that is not valid UTF-8 is an error.
Result<std::string, IoError> read_text_file(std::string_view path);

// The lines of `text`, split at LF, each without the CR that may end it. A final
// LF does not start another line.
std::vector<std::string_view> split_lines(std::string_view text);

}  // namespace orbyx
