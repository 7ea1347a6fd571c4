#include "core/io_error.hpp"

#include <cstring>

namespace orbyx {

IoError IoError::from_errno(int code) {
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return {text, code};
}

std::string IoError::message() const {
    if (os_code == 0) return description;
    return description + " (os error " + std::to_string(os_code) + ")";
}

}  // namespace orbyx
