#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/types.hpp"

namespace orbyx {

// The NAIF id of a commonly asked body that orbyx's Body enum does not name (the
// Galilean moons, Titan, Triton, Charon and the larger minor planets), spelled in
// any ASCII case with surrounding white space; nothing for any other text.
std::optional<std::int32_t> named_body_naif_id(std::string_view text);

// Whether NAIF numbers `id` as a planet's satellite: 100 * planet + 1 to 98.
bool is_naif_satellite(std::int32_t id);

// The member of orbyx's Body enum that NAIF id `id` names, if any.
std::optional<Body> body_of_naif_id(std::int32_t id);

}  // namespace orbyx
