#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orbyx {

// The final component of `path`: empty and "." components do not count, and an
// empty path, a root, "." alone or a path ending in ".." has none. Also none when
// the component is not valid UTF-8.
std::optional<std::string> file_name_of(std::string_view path);

// Checksums are provenance labels: only their form is checked, never the file.
bool is_sha256_hex(std::string_view text);

std::string ascii_lowercase(std::string_view text);

}  // namespace orbyx
