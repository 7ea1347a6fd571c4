#include "python/thread_token.hpp"

#include <atomic>

namespace orbyx::python {

std::uint64_t current_thread_token() {
    static std::atomic<std::uint64_t> next_token{0};
    thread_local const std::uint64_t token = next_token.fetch_add(1, std::memory_order_relaxed);
    return token;
}

}  // namespace orbyx::python
