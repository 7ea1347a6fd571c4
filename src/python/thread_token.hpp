#pragma once

#include "registry/registry.hpp"

namespace orbyx::python {

// One counter per process, shared with orbyx_ext through the registry library.
using registry::current_thread_token;

}  // namespace orbyx::python
