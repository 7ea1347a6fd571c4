#include "ext/chart/whole_chart.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "core/angle_reduction.hpp"
#include "ext/chart/chart_bodies.hpp"
#include "ext/chart/chart_epochs.hpp"
#include "ext/houses/chart_houses.hpp"
#include "ext/lunar_points/lunar_point.hpp"

namespace orbyx {
namespace {

static_assert(CHART_BODIES.size() == CHART_BODY_COUNT);

// Charts whose bodies are evaluated together, so that their states stay in cache.
constexpr std::size_t CHARTS_PER_CHUNK = 256;

// Tropical longitudes as they are; sidereal ones less the ayanamsha, their rates
// less its rate.
struct Zodiac {
    bool sidereal;
    SiderealOffset offset;

    double longitude(double longitude_deg) const {
        return sidereal ? reduced_to_circle_deg(longitude_deg - offset.value_deg) : longitude_deg;
    }
    double rate(double rate_deg_per_day) const { return rate_deg_per_day - offset.rate_deg_per_day; }
};

// `places` has room for every body's place, the extras' included.
Status<EphemerisError> write_bodies(const ChartBodies& bodies, std::size_t chart, const Zodiac& zodiac,
                                    std::span<double> places, double* out) {
    if (auto done = bodies.place(chart, places); !done) return done;
    for (std::size_t b = 0; b < places.size() / VALUES_PER_CHART_BODY; ++b) {
        const double* place = places.data() + VALUES_PER_CHART_BODY * b;
        double* body = out + (b < CHART_BODY_COUNT ? chart_layout::BODIES + 4 * b
                                                   : chart_layout::EXTRA_BODIES + 4 * (b - CHART_BODY_COUNT));
        body[0] = zodiac.longitude(place[0]);
        body[1] = place[1];
        body[2] = place[2];
        body[3] = zodiac.rate(place[3]);
    }
    return {};
}

Status<EphemerisError> write_lunar_points(SpkEphemeris& engine, const ChartEpochs& epochs, const Zodiac& zodiac,
                                          double* out) {
    const auto north = tropical_north_lunar_points(engine, epochs.evaluable, epochs.tt_julian_day);
    if (!north) return failure(north.error());
    // In LunarPointKind's order.
    const LunarPoint points[CHART_LUNAR_POINT_COUNT] = {
        north->mean_node,         north->true_node,
        point_opposite(north->mean_node),   point_opposite(north->true_node),
        north->mean_apogee,       north->osculating_apogee,
        point_opposite(north->mean_apogee), point_opposite(north->osculating_apogee)};
    for (std::size_t i = 0; i < CHART_LUNAR_POINT_COUNT; ++i) {
        double* values = out + chart_layout::LUNAR_POINTS + 3 * i;
        values[0] = zodiac.longitude(points[i].longitude_deg);
        values[1] = points[i].latitude_deg;
        values[2] = zodiac.rate(points[i].longitude_speed_deg_per_day);
    }
    return {};
}

Status<EphemerisError> write_houses(const GeodeticObserver& observer, const ChartEpochs& epochs,
                                    const ChartSettings& settings, const Zodiac& zodiac, double* out) {
    auto houses = chart_houses(observer, settings.system, settings.fallback, epochs.ut1_julian_day,
                               epochs.tt_julian_day);
    if (!houses) return failure(houses.error());
    if (zodiac.sidereal) houses = in_sidereal_zodiac(*houses, zodiac.offset.value_deg);
    std::copy(houses->cusps_deg.begin(), houses->cusps_deg.end(), out + chart_layout::CUSPS);
    const double angles[6] = {houses->ascendant_deg,      houses->midheaven_deg, houses->ramc_deg,
                              houses->true_obliquity_deg, houses->vertex_deg,    houses->east_point_deg};
    std::copy(angles, angles + 6, out + chart_layout::ANGLES);
    out[chart_layout::FALLBACK_USED] = houses->fallback_used ? 1.0 : 0.0;
    return {};
}

// The bodies first, then the houses, which find the nutation of the TT day ready.
Status<EphemerisError> write_chart(SpkEphemeris& engine, const ChartBodies& bodies, std::size_t chart,
                                   const GeodeticObserver& observer, const ChartEpochs& epochs,
                                   const ChartSettings& settings, std::span<double> places, double* out) {
    Zodiac zodiac{settings.origin.has_value(), {0.0, 0.0}};
    if (zodiac.sidereal) {
        const auto offset = sidereal_offset(*settings.origin, epochs.tt_julian_day);
        if (!offset) return failure(offset.error());
        zodiac.offset = *offset;
    }
    out[chart_layout::AYANAMSHA] = zodiac.offset.value_deg;
    if (auto done = write_bodies(bodies, chart, zodiac, places, out); !done) return done;
    if (auto done = write_houses(observer, epochs, settings, zodiac, out); !done) return done;
    return write_lunar_points(engine, epochs, zodiac, out);
}

// The charts from `first` on, at most a chunk of them.
class ChartChunk {
public:
    ChartChunk(SpkEphemeris& engine, std::span<const GeodeticObserver> observers, std::span<const Instant> instants,
               const ChartSettings& settings)
        : engine_(engine),
          observers_(observers),
          instants_(instants),
          settings_(settings),
          places_((CHART_BODY_COUNT + settings.extra_targets.size()) * VALUES_PER_CHART_BODY) {}

    Status<ChartFailure> evaluate(std::size_t first, std::size_t count, std::span<double> out) {
        epochs_.clear();
        for (std::size_t chart = first; chart < first + count; ++chart) {
            auto epochs = chart_epochs(engine_, observer(chart), instants_[chart], settings_.topocentric);
            if (!epochs) return failure(ChartFailure{chart, std::move(epochs).error()});
            epochs_.push_back(*epochs);
        }
        if (auto done = bodies_.evaluate(engine_, epochs_, observer(first), settings_.topocentric,
                                         settings_.extra_targets);
            !done) {
            return failure(ChartFailure{first_failing(first, count), std::move(done).error()});
        }
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t chart = first + k;
            if (auto done = write_chart(engine_, bodies_, k, observer(chart), epochs_[k], settings_, places_,
                                        out.data() + chart * settings_.values_per_chart());
                !done) {
                return failure(ChartFailure{chart, std::move(done).error()});
            }
        }
        return {};
    }

private:
    const GeodeticObserver& observer(std::size_t chart) const {
        return observers_[observers_.size() == 1 ? 0 : chart];
    }

    // The chart whose bodies fail on their own, the first of the chunk if none does.
    std::size_t first_failing(std::size_t first, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k) {
            ChartBodies alone;
            if (!alone.evaluate(engine_, std::span(&epochs_[k], 1), observer(first + k), settings_.topocentric,
                                settings_.extra_targets)) {
                return first + k;
            }
        }
        return first;
    }

    SpkEphemeris& engine_;
    std::span<const GeodeticObserver> observers_;
    std::span<const Instant> instants_;
    const ChartSettings& settings_;
    std::vector<ChartEpochs> epochs_;
    ChartBodies bodies_;
    std::vector<double> places_;
};

}  // namespace

Status<ChartFailure> whole_charts(SpkEphemeris& engine, std::span<const GeodeticObserver> observers,
                                  std::span<const Instant> instants, const ChartSettings& settings,
                                  std::span<double> out) {
    if ((observers.size() != 1 && observers.size() != instants.size()) ||
        out.size() != instants.size() * settings.values_per_chart()) {
        return failure(ChartFailure{0, EphemerisError::invalid_request(
                                           "charts need one site, or one per instant, and room for each chart")});
    }
    ChartChunk chunk(engine, observers, instants, settings);
    for (std::size_t first = 0; first < instants.size(); first += CHARTS_PER_CHUNK) {
        const std::size_t count = std::min(CHARTS_PER_CHUNK, instants.size() - first);
        if (auto done = chunk.evaluate(first, count, out); !done) return done;
    }
    return {};
}

}  // namespace orbyx
