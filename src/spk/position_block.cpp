#include "spk/position_block.hpp"

#include <limits>

#include "core/constants.hpp"
#include "core/lanes.hpp"
#include "core/spherical_lanes.hpp"

namespace orbyx {
namespace {

constexpr std::size_t CAPACITY = PositionBlock::CAPACITY;
using Column = std::array<double, CAPACITY>;

struct Components {
    const double* x;
    const double* y;
    const double* z;
    const double* vx;
    const double* vy;
    const double* vz;
    const double* to_ecliptic;
};

// The positions by component, and what decides whether each is valid: 0 for six
// finite components (NaN otherwise), and rho^2.
struct Converted {
    alignas(32) Column longitude_deg;
    alignas(32) Column latitude_deg;
    alignas(32) Column distance_au;
    alignas(32) Column longitude_speed_deg_per_day;
    alignas(32) Column zero_if_finite;
    alignas(32) Column rho_squared;
};

// `count` is a multiple of the lane count.
template <class Lanes>
[[gnu::always_inline]] inline void convert_lanes(const Components& in, std::size_t count, Converted& out) {
    for (std::size_t first = 0; first < count; first += LANE_COUNT<Lanes>) {
        const Lanes x = load_lanes<Lanes>(in.x + first);
        const Lanes vx = load_lanes<Lanes>(in.vx + first);
        Lanes y = load_lanes<Lanes>(in.y + first);
        Lanes z = load_lanes<Lanes>(in.z + first);
        Lanes vy = load_lanes<Lanes>(in.vy + first);
        Lanes vz = load_lanes<Lanes>(in.vz + first);
        const auto to_ecliptic = load_lanes<Lanes>(in.to_ecliptic + first) != 0.0;
        const auto position = equator_to_j2000_ecliptic(y, z);
        const auto velocity = equator_to_j2000_ecliptic(vy, vz);
        y = pick(to_ecliptic, position.y, y);
        z = pick(to_ecliptic, position.z, z);
        vy = pick(to_ecliptic, velocity.y, vy);
        vz = pick(to_ecliptic, velocity.z, vz);

        const auto spherical = spherical_lanes(x, y, z, vx, vy);
        store_lanes(spherical.longitude_deg, &out.longitude_deg[first]);
        store_lanes(spherical.latitude_deg, &out.latitude_deg[first]);
        store_lanes(Lanes(spherical.distance_km / ASTRONOMICAL_UNIT_KM), &out.distance_au[first]);
        store_lanes(spherical.longitude_speed_deg_per_day, &out.longitude_speed_deg_per_day[first]);
        store_lanes(Lanes(((x - x) + (y - y)) + ((z - z) + (vx - vx)) + ((vy - vy) + (vz - vz))),
              &out.zero_if_finite[first]);
        store_lanes(axis_distance_squared(x, y), &out.rho_squared[first]);
    }
}

void convert_pairs(const Components& in, std::size_t count, Converted& out) { convert_lanes<Pair>(in, count, out); }

ORBYX_QUAD_TARGET void convert_quads(const Components& in, std::size_t count, Converted& out) {
    convert_lanes<Quad>(in, count, out);
}

}  // namespace

void PositionBlock::add_of_date(const CartesianState& relative, const OfDateRotation& rotation) {
    const auto rotated = rotation.apply(relative);
    if (rotated) return queue(*rotated, false);
    // A rejected state stays rejected: NaN is not finite.
    CartesianState rejected{};
    rejected.position[0] = std::numeric_limits<double>::quiet_NaN();
    queue(rejected, false);
}

std::size_t PositionBlock::convert(std::span<Position, CAPACITY> positions) {
    const bool quads = quads_are_native();
    const std::size_t lanes = quads ? LANE_COUNT<Quad> : LANE_COUNT<Pair>;
    const std::size_t padded = (size_ + lanes - 1) / lanes * lanes;
    // Unused lanes hold a harmless point on the x axis.
    for (std::size_t i = size_; i < padded; ++i) {
        x_[i] = 1.0;
        y_[i] = z_[i] = vx_[i] = vy_[i] = vz_[i] = to_ecliptic_[i] = 0.0;
    }
    const Components in{x_.data(), y_.data(), z_.data(), vx_.data(), vy_.data(), vz_.data(), to_ecliptic_.data()};
    Converted out;
    if (quads) {
        convert_quads(in, padded, out);
    } else {
        convert_pairs(in, padded, out);
    }
    for (std::size_t i = 0; i < size_; ++i) {
        // Non-finite states, and points on the z axis or at the origin (rho^2 = 0), are
        // what the rotation and to_spherical reject.
        if (out.zero_if_finite[i] != 0.0 || out.rho_squared[i] == 0.0) return i;
        positions[i] = {out.longitude_deg[i], out.latitude_deg[i], out.distance_au[i],
                        out.longitude_speed_deg_per_day[i]};
    }
    return size_;
}

}  // namespace orbyx
