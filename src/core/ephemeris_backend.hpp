#pragma once

#include <span>
#include <vector>

#include "core/errors.hpp"
#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx {

// What a position service offers. Evaluation fills caches, so neither call is const.
class EphemerisBackend {
public:
    virtual ~EphemerisBackend() = default;

    // One spherical position.
    virtual Result<Position, EphemerisError> position(Body body, const Instant& instant,
                                                      const PositionOptions& options) = 0;

    // Every body at every instant; entry i * bodies.size() + b is body b at instant i.
    virtual Result<std::vector<Position>, EphemerisError> positions(
        std::span<const Body> bodies, std::span<const Instant> instants,
        const PositionOptions& options) = 0;

protected:
    EphemerisBackend() = default;
    EphemerisBackend(const EphemerisBackend&) = default;
    EphemerisBackend(EphemerisBackend&&) = default;
    EphemerisBackend& operator=(const EphemerisBackend&) = default;
    EphemerisBackend& operator=(EphemerisBackend&&) = default;
};

}  // namespace orbyx
