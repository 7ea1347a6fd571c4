#pragma once

#include <cstdint>

namespace orbyx::python {

// The calling thread's identity, drawn once per thread from a counter that never
// repeats: the system's thread ids are handed again to new threads once a thread
// ends, so an object owned by an ended thread would pass to a stranger.
std::uint64_t current_thread_token();

}  // namespace orbyx::python
