#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/result.hpp"

namespace orbyx::fuzz {

// Any well-formed digest: the engine checks only its form.
inline constexpr std::string_view SHA256 = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// Bytes as a file that the parsers open by path; it lives in memory, so fuzzing
// writes nothing to disk, and it goes away with the object.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) : fd_(::memfd_create("orbyx-fuzz", MFD_CLOEXEC)) {
        if (fd_ < 0) fail("memfd_create");
        for (std::size_t written = 0; written < size;) {
            const ssize_t n = ::write(fd_, data + written, size - written);
            if (n <= 0) fail("write");
            written += static_cast<std::size_t>(n);
        }
    }
    explicit MemoryFile(std::string_view text)
        : MemoryFile(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()) {}
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { ::close(fd_); }

    // Opening this path opens the same file afresh, as a kernel on disk would be.
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    // A harness fault, not a finding: stop loudly.
    [[noreturn]] static void fail(const char* what) {
        std::perror(what);
        std::abort();
    }

    int fd_;
};

// Error texts format numbers and quote input, so a failure is rendered as well.
template <class T, class E>
void render(const Result<T, E>& result) {
    if (!result) (void)result.error().message();
}

}  // namespace orbyx::fuzz
