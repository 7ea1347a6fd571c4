#include "ext/chart/corrected_positions.hpp"

#include <algorithm>

#include "core/lanes.hpp"
#include "spk/apparent_formulas.hpp"

namespace orbyx {
namespace {

constexpr std::size_t QUAD_LANES = LANE_COUNT<Quad>;
// The bodies padded to whole quads; the padding repeats the last body.
constexpr std::size_t PADDED = (CORRECTED_BODY_COUNT + QUAD_LANES - 1) / QUAD_LANES * QUAD_LANES;

struct Columns {
    std::array<double, PADDED> x, y, z;
};

template <class Lanes>
[[gnu::always_inline]] inline Vector3Lanes<Lanes> broadcast_vector(const Vector3& v) {
    return {broadcast<Lanes>(v[0]), broadcast<Lanes>(v[1]), broadcast<Lanes>(v[2])};
}

// Deflects every column but the Sun's, then aberrates all, in place.
template <class Lanes>
[[gnu::always_inline]] inline void correct_lanes(Columns& columns, const CartesianState& observer,
                                                 const Vector3& sun) {
    constexpr std::size_t LANES = LANE_COUNT<Lanes>;
    const Vector3Lanes<Lanes> observer_position = broadcast_vector<Lanes>(observer.position);
    const Vector3Lanes<Lanes> observer_velocity = broadcast_vector<Lanes>(observer.velocity);
    const Vector3Lanes<Lanes> sun_position = broadcast_vector<Lanes>(sun);
    const Vector3Lanes<Lanes> still = {broadcast<Lanes>(0.0), broadcast<Lanes>(0.0), broadcast<Lanes>(0.0)};
    const double sun_x = columns.x[0], sun_y = columns.y[0], sun_z = columns.z[0];
    for (std::size_t first = 0; first < PADDED; first += LANES) {
        StateLanes<Lanes> state{{load_lanes<Lanes>(&columns.x[first]), load_lanes<Lanes>(&columns.y[first]),
                                 load_lanes<Lanes>(&columns.z[first])},
                                still};
        state = deflected_by_the_sun(state, observer_position, sun_position);
        store_lanes(state.position.x, &columns.x[first]);
        store_lanes(state.position.y, &columns.y[first]);
        store_lanes(state.position.z, &columns.z[first]);
    }
    // The Sun does not bend its own light.
    columns.x[0] = sun_x;
    columns.y[0] = sun_y;
    columns.z[0] = sun_z;
    for (std::size_t first = 0; first < PADDED; first += LANES) {
        StateLanes<Lanes> state{{load_lanes<Lanes>(&columns.x[first]), load_lanes<Lanes>(&columns.y[first]),
                                 load_lanes<Lanes>(&columns.z[first])},
                                still};
        state = aberrated(state, observer_velocity);
        store_lanes(state.position.x, &columns.x[first]);
        store_lanes(state.position.y, &columns.y[first]);
        store_lanes(state.position.z, &columns.z[first]);
    }
}

void correct_pairs(Columns& columns, const CartesianState& observer, const Vector3& sun) {
    correct_lanes<Pair>(columns, observer, sun);
}

ORBYX_QUAD_TARGET void correct_quads(Columns& columns, const CartesianState& observer, const Vector3& sun) {
    correct_lanes<Quad>(columns, observer, sun);
}

}  // namespace

std::array<Vector3, CORRECTED_BODY_COUNT> corrected_positions(const std::array<Vector3, CORRECTED_BODY_COUNT>& relative,
                                                             const CartesianState& observer, const Vector3& sun) {
    Columns columns;
    for (std::size_t i = 0; i < PADDED; ++i) {
        const Vector3& position = relative[std::min(i, CORRECTED_BODY_COUNT - 1)];
        columns.x[i] = position[0];
        columns.y[i] = position[1];
        columns.z[i] = position[2];
    }
    if (quads_are_native()) {
        correct_quads(columns, observer, sun);
    } else {
        correct_pairs(columns, observer, sun);
    }
    std::array<Vector3, CORRECTED_BODY_COUNT> corrected;
    for (std::size_t i = 0; i < CORRECTED_BODY_COUNT; ++i) corrected[i] = {columns.x[i], columns.y[i], columns.z[i]};
    return corrected;
}

}  // namespace orbyx
