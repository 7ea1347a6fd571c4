#include "ext/phenomena/mean_radius.hpp"

#include <array>
#include <utility>

#include "ext/bodies/named_bodies.hpp"

namespace orbyx {
namespace {

// Archinal et al. (2018), tables of the satellites' sizes: the mean radii of the
// companion's named satellites. The minor planets' sizes there are triaxial shapes
// whose mean radius the report does not settle, so they are left unknown.
constexpr std::array<std::pair<std::int32_t, double>, 7> SATELLITE_RADII_KM = {{
    {501, 1821.49},  // Io
    {502, 1560.8},   // Europa
    {503, 2631.2},   // Ganymede
    {504, 2410.3},   // Callisto
    {606, 2574.73},  // Titan
    {801, 1352.6},   // Triton
    {901, 606.0},    // Charon
}};

// A planet's system barycentre stands for the planet, as Body's Jupiter to Pluto do
// for kernels that hold only the barycentres; the Earth-Moon barycentre (3) stands
// for neither body.
std::optional<Body> planet_of_barycentre(std::int32_t naif_id) {
    if (naif_id < 1 || naif_id > 9 || naif_id == 3) return std::nullopt;
    return body_of_naif_id(naif_id * 100 + 99);
}

}  // namespace

std::optional<double> mean_radius_km(std::int32_t naif_id) {
    if (const auto body = body_of_naif_id(naif_id)) return mean_radius_km(*body);
    if (const auto planet = planet_of_barycentre(naif_id)) return mean_radius_km(*planet);
    for (const auto& [id, radius_km] : SATELLITE_RADII_KM) {
        if (id == naif_id) return radius_km;
    }
    return std::nullopt;
}

}  // namespace orbyx
