#pragma once

#include <cstdint>
#include <optional>

#include "core/types.hpp"

namespace orbyx {

// Mean radii in km: Archinal et al. (2018), "Report of the IAU Working Group on
// Cartographic Coordinates and Rotational Elements: 2015", Celest. Mech. Dyn. Astr.
// 130: 22, table of sizes; the Sun's is the IAU 2015 nominal solar radius
// (Resolution B3). Jupiter to Pluto stand for their systems' barycentres too.
constexpr double mean_radius_km(Body body) {
    switch (body) {
        case Body::Sun: return 695700.0;
        case Body::Moon: return 1737.4;
        case Body::Mercury: return 2439.4;
        case Body::Venus: return 6051.8;
        case Body::Earth: return 6371.0084;
        case Body::Mars: return 3389.50;
        case Body::Jupiter: return 69911.0;
        case Body::Saturn: return 58232.0;
        case Body::Uranus: return 25362.0;
        case Body::Neptune: return 24622.0;
        case Body::Pluto: return 1188.3;
    }
    return 0.0;
}

// The mean radius of the body NAIF id `naif_id` names, from the same report; nothing
// for a body whose size it does not give.
std::optional<double> mean_radius_km(std::int32_t naif_id);

}  // namespace orbyx
