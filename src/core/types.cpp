#include "core/types.hpp"

namespace orbyx {

std::string_view debug_name(Body body) {
    static constexpr std::array<std::string_view, 11> names = {
        "Sun", "Moon", "Mercury", "Venus", "Earth", "Mars",
        "Jupiter", "Saturn", "Uranus", "Neptune", "Pluto"};
    return names[static_cast<std::size_t>(body)];
}

std::int32_t naif_id(Body body) {
    static constexpr std::array<std::int32_t, 11> ids = {10,  301, 199, 299, 399, 499,
                                                         599, 699, 799, 899, 999};
    return ids[static_cast<std::size_t>(body)];
}

std::string_view debug_name(TimeScale scale) {
    static constexpr std::array<std::string_view, 4> names = {"Utc", "Ut1", "Tt", "Tdb"};
    return names[static_cast<std::size_t>(scale)];
}

std::string_view canonical_name(TimeScale scale) {
    static constexpr std::array<std::string_view, 4> names = {"utc", "ut1", "tt", "tdb"};
    return names[static_cast<std::size_t>(scale)];
}

std::string_view debug_name(HorizonEventKind kind) {
    static constexpr std::array<std::string_view, 3> names = {"Rise", "Set", "Transit"};
    return names[static_cast<std::size_t>(kind)];
}

}  // namespace orbyx
