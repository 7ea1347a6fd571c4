#pragma once

#include <string>

namespace orbyx {

// An operating-system or stream failure, displayed as the system describes it.
struct IoError {
    std::string description;
    int os_code = 0;  // errno, or 0 for failures the program names itself

    static IoError from_errno(int code);
    static IoError custom(std::string description) { return {std::move(description), 0}; }

    // "No such file or directory (os error 2)", or the custom description.
    std::string message() const;
};

}  // namespace orbyx
