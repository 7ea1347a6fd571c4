#pragma once

#include <array>
#include <cstddef>
#include <span>

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
// geocentric or from each chart's site: per chart and body the longitude, latitude
// and distance (au), the very bits Engine.position gives, and the true rate of that
// longitude, light time, deflection, aberration and the turning equinox included.
// `any_site` stands for the charts' sites where a site must be named; `out` takes
// CHART_BODIES.size() * VALUES_PER_CHART_BODY values per chart.
Status<EphemerisError> chart_bodies(SpkEphemeris& engine, std::span<const ChartEpochs> charts,
                                    const GeodeticObserver& any_site, bool topocentric, std::span<double> out);

}  // namespace orbyx
