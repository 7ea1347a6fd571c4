#include "ext/positions/any_date_positions.hpp"

#include <vector>

#include "ext/sky/turned_site.hpp"
#include "ext/time/scale_conversion.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx {
namespace {

bool topocentric(const PositionOptions& options) { return options.origin.kind == OriginKind::Topocentric; }

struct TurnedRequest {
    CartesianState site_gcrs;
    Instant evaluable;
};

// Inside the tables the instant stays as given, so the engine converts it as it always
// does; beyond them it goes as the TT day the site was turned for.
Result<TurnedRequest, EphemerisError> turned_request(const SpkEphemeris& engine, const PositionOptions& options,
                                                     const Instant& instant) {
    const auto site = turned_site(engine, options.origin.observer, instant);
    if (!site) return failure(site.error());
    if (site->orientation.source == TimeSource::Tables) return TurnedRequest{site->gcrs, instant};
    const auto evaluable = evaluable_instant(engine, instant);
    if (!evaluable) return failure(evaluable.error());
    return TurnedRequest{site->gcrs, *evaluable};
}

}  // namespace

Result<PositionBatch, EphemerisError> check_any_date_positions(const SpkEphemeris& engine,
                                                               std::span<const std::int32_t> targets,
                                                               std::span<const Instant> instants,
                                                               const PositionOptions& options) {
    if (!topocentric(options)) return engine.check_naif_positions(targets, instants, options);
    std::vector<CartesianState> sites;
    std::vector<Instant> evaluable;
    sites.reserve(instants.size());
    evaluable.reserve(instants.size());
    for (const Instant& instant : instants) {
        const auto request = turned_request(engine, options, instant);
        if (!request) return failure(request.error());
        sites.push_back(request->site_gcrs);
        evaluable.push_back(request->evaluable);
    }
    return engine.check_naif_positions(targets, evaluable, options, sites);
}

Result<Position, EphemerisError> any_date_position(SpkEphemeris& engine, std::int32_t target,
                                                   const Instant& instant, const PositionOptions& options) {
    if (!topocentric(options)) return engine.position(target, instant, options);
    const auto request = turned_request(engine, options, instant);
    if (!request) return failure(request.error());
    return engine.position(target, request->evaluable, options, request->site_gcrs);
}

}  // namespace orbyx
