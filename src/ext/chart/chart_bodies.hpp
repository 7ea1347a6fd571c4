#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"
#include "ext/chart/chart_epochs.hpp"

namespace orbyx {

class SpkEphemeris;

// Sun, Moon, Mercury to Pluto: the bodies of a chart, in this order.
inline constexpr std::array<Body, 10> CHART_BODIES = {Body::Sun,     Body::Moon,    Body::Mercury, Body::Venus,
                                                       Body::Mars,    Body::Jupiter, Body::Saturn,  Body::Uranus,
                                                       Body::Neptune, Body::Pluto};
inline constexpr std::size_t VALUES_PER_CHART_BODY = 4;

// The bodies of charts as apparent places on the true ecliptic and equinox of date,
// geocentric or from each chart's site: per body the longitude, latitude and distance
// (au), the very bits Engine.position gives, and the true rate of that longitude,
// light time, deflection, aberration and the turning equinox included. Extra bodies,
// by NAIF id, follow the ten.
class ChartBodies {
public:
    // What the charts share: the bodies' light-time corrected states, the observer and
    // the Sun, evaluated together. `any_site` stands for the charts' sites where a
    // site must be named; `charts` must outlive the places.
    Status<EphemerisError> evaluate(SpkEphemeris& engine, std::span<const ChartEpochs> charts,
                                    const GeodeticObserver& any_site, bool topocentric,
                                    std::span<const std::int32_t> extra_targets = {});

    // Chart `chart`'s places, (CHART_BODIES.size() + extras) * VALUES_PER_CHART_BODY
    // values. It leaves the nutation of the chart's TT day ready for its houses.
    Status<EphemerisError> place(std::size_t chart, std::span<double> out) const;

private:
    std::span<const ChartEpochs> charts_;
    bool topocentric_ = false;
    PositionOptions apparent_{};
    std::vector<CartesianState> states_;  // per chart then body
    std::vector<std::int32_t> extra_targets_;
    std::vector<CartesianState> extra_states_;  // per chart then extra body
    std::vector<double> epochs_;          // per chart, TDB seconds
    std::vector<CartesianState> observers_, suns_;  // three per chart
};

}  // namespace orbyx
