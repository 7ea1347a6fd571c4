#pragma once

#include <cstdint>

// The one library that orbyx and orbyx_ext both load, so that what must be one per
// process is: each extension module carries private copies of the engine's code,
// and a counter or class pointer kept in one of them is invisible to the other.
// Plain C++: it knows nothing of Python and holds the class objects as addresses.
#define ORBYX_REGISTRY_API __attribute__((visibility("default")))

namespace orbyx::registry {

// The calling thread's identity, drawn once per thread from a counter that never
// repeats: the system's thread ids are handed again to new threads once a thread
// ends, so an object owned by an ended thread would pass to a stranger.
ORBYX_REGISTRY_API std::uint64_t current_thread_token();

// orbyx's own class objects, published when it is imported. orbyx keeps a reference
// to each for the life of the process, so the addresses stay valid once published.
struct OrbyxClasses {
    void* engine = nullptr;
    void* instant = nullptr;
    void* geodetic_observer = nullptr;
    void* position_options = nullptr;
    void* position = nullptr;
    void* wrong_thread_error = nullptr;
};

// Both are called with the interpreter's lock held.
ORBYX_REGISTRY_API void publish_orbyx_classes(const OrbyxClasses& classes);
// Null until orbyx has been imported.
ORBYX_REGISTRY_API const OrbyxClasses* published_orbyx_classes();

}  // namespace orbyx::registry
