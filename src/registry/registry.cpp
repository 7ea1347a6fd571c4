#include "registry/registry.hpp"

#include <atomic>

namespace orbyx::registry {
namespace {

OrbyxClasses published;
bool is_published = false;

}  // namespace

std::uint64_t current_thread_token() {
    static std::atomic<std::uint64_t> next_token{0};
    thread_local const std::uint64_t token = next_token.fetch_add(1, std::memory_order_relaxed);
    return token;
}

void publish_orbyx_classes(const OrbyxClasses& classes) {
    published = classes;
    is_published = true;
}

const OrbyxClasses* published_orbyx_classes() { return is_published ? &published : nullptr; }

}  // namespace orbyx::registry
