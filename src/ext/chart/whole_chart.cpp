#include "ext/chart/whole_chart.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "core/angle_reduction.hpp"
#include "core/constants.hpp"
#include "ext/chart/chart_epochs.hpp"
#include "ext/houses/chart_houses.hpp"
#include "ext/lunar_points/lunar_point.hpp"
#include "spk/ecliptic_of_date_search.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

constexpr std::array<Body, CHART_BODY_COUNT> CHART_BODIES = {
    Body::Sun,    Body::Moon,   Body::Mercury, Body::Venus,   Body::Mars,
    Body::Jupiter, Body::Saturn, Body::Uranus, Body::Neptune, Body::Pluto};

// Charts whose bodies are evaluated together, so that their states stay in cache.
constexpr std::size_t CHARTS_PER_CHUNK = 256;
constexpr std::size_t SINGLE_POSITIONS_UP_TO_INSTANTS = TOPOCENTRIC_BODY_INSTANTS;
// Longitude, latitude, distance and longitude speed, as the engine's batches give them.
constexpr std::size_t VALUES_PER_POSITION = PositionBatch::VALUES_PER_ENTRY;

PositionOptions body_options(const GeodeticObserver& site, bool topocentric) {
    PositionOptions options = apparent_geocentric_ecliptic_of_date();
    if (topocentric) options.origin = {OriginKind::Topocentric, site};
    return options;
}

// The bodies at every body instant of the charts (see ChartEpochs), instant-major as
// the engine's batches give them, with the TDB epochs evaluated; empty `sites` for
// geocentric charts. A batch costs more to set up than one chart's worth of single
// positions, which give the same bits.
Status<EphemerisError> body_positions(SpkEphemeris& engine, std::span<const Instant> instants,
                                      std::span<const CartesianState> sites, const PositionOptions& options,
                                      std::vector<double>& epochs, std::vector<double>& out) {
    out.resize(instants.size() * CHART_BODY_COUNT * VALUES_PER_POSITION);
    if (instants.size() > SINGLE_POSITIONS_UP_TO_INSTANTS) {
        const auto batch = sites.empty() ? engine.check_positions(CHART_BODIES, instants, options)
                                         : engine.check_positions(CHART_BODIES, instants, options, sites);
        if (!batch) return failure(batch.error());
        epochs = batch->epochs;
        return engine.positions(*batch, out);
    }
    epochs.resize(instants.size());
    for (std::size_t i = 0; i < instants.size(); ++i) {
        const auto epoch = engine.tdb_seconds(instants[i]);
        if (!epoch) return failure(epoch.error());
        epochs[i] = *epoch;
        for (std::size_t b = 0; b < CHART_BODY_COUNT; ++b) {
            const auto position = sites.empty() ? engine.position(CHART_BODIES[b], instants[i], options)
                                                : engine.position(CHART_BODIES[b], instants[i], options, sites[i]);
            if (!position) return failure(position.error());
            double* values = out.data() + (i * CHART_BODY_COUNT + b) * VALUES_PER_POSITION;
            values[0] = position->longitude_deg;
            values[1] = position->latitude_deg;
            values[2] = position->distance_au;
            values[3] = position->longitude_speed_deg_per_day;
        }
    }
    return {};
}

struct ChartInputs {
    const GeodeticObserver& observer;
    const ChartEpochs& epochs;
    const double* positions;    // per body instant and body
    const double* tdb_seconds;  // per body instant
};

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

// The longitude's rate from body instants `before` and `after`.
double central_difference(const ChartInputs& in, std::size_t body, std::size_t before, std::size_t after) {
    const double days = (in.tdb_seconds[after] - in.tdb_seconds[before]) / SECONDS_PER_DAY;
    const auto longitude = [&](std::size_t instant) {
        return in.positions[(instant * CHART_BODY_COUNT + body) * VALUES_PER_POSITION];
    };
    return angular_error_deg(longitude(after), longitude(before)) / days;
}

void write_bodies(const ChartInputs& in, const Zodiac& zodiac, double* out) {
    for (std::size_t b = 0; b < CHART_BODY_COUNT; ++b) {
        const double* at = in.positions + VALUES_PER_POSITION * b;
        double rate = central_difference(in, b, 1, 2);
        if (in.epochs.body_instant_count == TOPOCENTRIC_BODY_INSTANTS) {
            // The step's square cancels between a difference and one over half its step.
            rate = (4.0 * central_difference(in, b, 3, 4) - rate) / 3.0;
        }
        double* body = out + chart_layout::BODIES + 4 * b;
        body[0] = zodiac.longitude(at[0]);
        body[1] = at[1];
        body[2] = at[2];
        body[3] = zodiac.rate(rate);
    }
}

Status<EphemerisError> write_lunar_points(SpkEphemeris& engine, const ChartInputs& in, const Zodiac& zodiac,
                                          double* out) {
    const auto north = tropical_north_lunar_points(engine, in.epochs.evaluable, in.epochs.tt_julian_day);
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

Status<EphemerisError> write_houses(const ChartInputs& in, const ChartSettings& settings, const Zodiac& zodiac,
                                    double* out) {
    auto houses = chart_houses(in.observer, settings.system, settings.fallback, in.epochs.ut1_julian_day,
                               in.epochs.tt_julian_day);
    if (!houses) return failure(houses.error());
    if (zodiac.sidereal) houses = in_sidereal_zodiac(*houses, zodiac.offset.value_deg);
    std::copy(houses->cusps_deg.begin(), houses->cusps_deg.end(), out + chart_layout::CUSPS);
    const double angles[6] = {houses->ascendant_deg,      houses->midheaven_deg, houses->ramc_deg,
                              houses->true_obliquity_deg, houses->vertex_deg,    houses->east_point_deg};
    std::copy(angles, angles + 6, out + chart_layout::ANGLES);
    out[chart_layout::FALLBACK_USED] = houses->fallback_used ? 1.0 : 0.0;
    return {};
}

Status<EphemerisError> write_chart(SpkEphemeris& engine, const ChartInputs& in, const ChartSettings& settings,
                                   double* out) {
    Zodiac zodiac{settings.origin.has_value(), {0.0, 0.0}};
    if (zodiac.sidereal) {
        const auto offset = sidereal_offset(*settings.origin, in.epochs.tt_julian_day);
        if (!offset) return failure(offset.error());
        zodiac.offset = *offset;
    }
    out[chart_layout::AYANAMSHA] = zodiac.offset.value_deg;
    write_bodies(in, zodiac, out);
    if (auto done = write_lunar_points(engine, in, zodiac, out); !done) return done;
    return write_houses(in, settings, zodiac, out);
}

// The charts from `first` on, at most a chunk of them.
class ChartChunk {
public:
    ChartChunk(SpkEphemeris& engine, std::span<const GeodeticObserver> observers, std::span<const Instant> instants,
               const ChartSettings& settings)
        : engine_(engine), observers_(observers), instants_(instants), settings_(settings) {}

    Status<ChartFailure> evaluate(std::size_t first, std::size_t count, std::span<double> out) {
        epochs_.clear();
        body_instants_.clear();
        sites_.clear();
        for (std::size_t chart = first; chart < first + count; ++chart) {
            auto epochs = chart_epochs(engine_, observer(chart), instants_[chart], settings_.topocentric);
            if (!epochs) return failure(ChartFailure{chart, std::move(epochs).error()});
            const std::size_t instants = epochs->body_instant_count;
            body_instants_.insert(body_instants_.end(), epochs->body_instants.begin(),
                                  epochs->body_instants.begin() + instants);
            if (settings_.topocentric) {
                sites_.insert(sites_.end(), epochs->sites.begin(), epochs->sites.begin() + instants);
            }
            epochs_.push_back(*epochs);
        }
        if (auto done = body_positions(engine_, body_instants_, sites_, body_options(observer(first),
                                                                                     settings_.topocentric),
                                       tdb_seconds_, positions_);
            !done) {
            return failure(ChartFailure{first_failing(first, count), std::move(done).error()});
        }
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t chart = first + k;
            const std::size_t instants = instants_per_chart() * k;
            const ChartInputs inputs{observer(chart), epochs_[k],
                                     positions_.data() + instants * CHART_BODY_COUNT * VALUES_PER_POSITION,
                                     tdb_seconds_.data() + instants};
            if (auto done = write_chart(engine_, inputs, settings_, out.data() + chart * chart_layout::VALUES);
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

    std::size_t instants_per_chart() const {
        return settings_.topocentric ? TOPOCENTRIC_BODY_INSTANTS : GEOCENTRIC_BODY_INSTANTS;
    }

    // The chart whose bodies fail on their own, the first of the chunk if none does.
    std::size_t first_failing(std::size_t first, std::size_t count) {
        const PositionOptions options = body_options(observer(first), settings_.topocentric);
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t per_chart = instants_per_chart();
            const std::span<const Instant> instants(body_instants_.data() + k * per_chart, per_chart);
            const std::span<const CartesianState> sites =
                sites_.empty() ? std::span<const CartesianState>()
                               : std::span<const CartesianState>(sites_.data() + k * per_chart, per_chart);
            std::vector<double> epochs, values;
            if (!body_positions(engine_, instants, sites, options, epochs, values)) return first + k;
        }
        return first;
    }

    SpkEphemeris& engine_;
    std::span<const GeodeticObserver> observers_;
    std::span<const Instant> instants_;
    const ChartSettings& settings_;
    std::vector<ChartEpochs> epochs_;
    std::vector<Instant> body_instants_;
    std::vector<CartesianState> sites_;
    std::vector<double> tdb_seconds_;
    std::vector<double> positions_;
};

}  // namespace

Status<ChartFailure> whole_charts(SpkEphemeris& engine, std::span<const GeodeticObserver> observers,
                                  std::span<const Instant> instants, const ChartSettings& settings,
                                  std::span<double> out) {
    if ((observers.size() != 1 && observers.size() != instants.size()) ||
        out.size() != instants.size() * chart_layout::VALUES) {
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
