#include "spk/position_options.hpp"

#include "core/observer.hpp"

namespace orbyx {
namespace {

// The first rule the options break, or null.
const char* inconsistency(const PositionOptions& options) {
    const bool ecliptic = options.coordinate_system == CoordinateSystem::Ecliptic;
    const Corrections& corrections = options.corrections;
    if (options.reference_epoch == ReferenceEpoch::OfDate) {
        if (!corrections.precession) return "reference_epoch: OfDate requires corrections.precession";
        if (!options.true_ecliptic && ecliptic && corrections.nutation) {
            return "ecliptic-of-date with nutation requires true_ecliptic";
        }
        if (options.true_ecliptic && !ecliptic) return "true_ecliptic requires CoordinateSystem::Ecliptic";
        if (options.true_ecliptic && !corrections.nutation) {
            return "true_ecliptic requires corrections.nutation";
        }
        return nullptr;
    }
    if (corrections.precession || corrections.nutation) {
        return "precession and nutation require reference_epoch: OfDate";
    }
    if (options.true_ecliptic && !ecliptic) return "true_ecliptic requires CoordinateSystem::Ecliptic";
    if (options.true_ecliptic) return "true_ecliptic requires reference_epoch: OfDate";
    return nullptr;
}

}  // namespace

Result<PositionOptions, EphemerisError> resolve_position_options(PositionOptions options) {
    if (options.apparent) {
        if (options.reference_epoch != ReferenceEpoch::OfDate) {
            return failure(EphemerisError::invalid_request("apparent requires reference_epoch: OfDate"));
        }
        options.corrections = Corrections{.light_time = true,
                                          .aberration = true,
                                          .gravitational_deflection = true,
                                          .precession = true,
                                          .nutation = true};
        // An equatorial request keeps its flag, so a stray true_ecliptic still fails below.
        if (options.coordinate_system == CoordinateSystem::Ecliptic) options.true_ecliptic = true;
        options.apparent = false;
    }
    if (const char* text = inconsistency(options)) {
        return failure(EphemerisError::invalid_request(text));
    }
    if (options.origin.kind == OriginKind::Topocentric) {
        if (auto observer = validate_observer(options.origin.observer); !observer) {
            return failure(EphemerisError::invalid_request(message(observer.error())));
        }
    }
    return options;
}

}  // namespace orbyx
