#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

#include "core/same_bits.hpp"
#include "core/types.hpp"
#include "spk/output_frame.hpp"
#include "spk/state_vector.hpp"

namespace orbyx {

// Searches and charts ask for several things at one instant, and for one thing at
// the instant they asked last. The engine keeps the last answer of each of its
// per-instant steps and hands it back only for the very same input bits, so a
// remembered answer is the one a fresh computation would give.

inline bool same_bits(const Instant& a, const Instant& b) {
    return a.time_scale == b.time_scale && same_bits(a.julian_day, b.julian_day);
}

inline bool same_bits(const GeodeticObserver& a, const GeodeticObserver& b) {
    return same_bits(a.longitude_east_deg, b.longitude_east_deg) && same_bits(a.latitude_deg, b.latitude_deg) &&
           same_bits(a.height_m, b.height_m);
}

inline bool same_bits(const CartesianState& a, const CartesianState& b) {
    for (int axis = 0; axis < 3; ++axis) {
        if (!same_bits(a.position[axis], b.position[axis]) || !same_bits(a.velocity[axis], b.velocity[axis])) {
            return false;
        }
    }
    return true;
}

inline bool same_bits(const std::optional<CartesianState>& a, const std::optional<CartesianState>& b) {
    return a.has_value() == b.has_value() && (!a || same_bits(*a, *b));
}

// The Julian days Earth rotation is computed from.
struct EarthRotationEpochs {
    double ut1_julian_day;
    double tt_julian_day;
};

// One remembered answer and the key it answers. Keys provide same_bits.
template <typename Key, typename Value>
class LastAnswer {
public:
    Value* find(const Key& key) {
        return entry_ && same_bits(entry_->first, key) ? &entry_->second : nullptr;
    }
    Value& remember(const Key& key, Value value) { return entry_.emplace(key, std::move(value)).second; }
    void forget() { entry_.reset(); }

private:
    std::optional<std::pair<Key, Value>> entry_;
};

struct SiteAtInstant {
    GeodeticObserver observer;
    Instant instant;
};

inline bool same_bits(const SiteAtInstant& a, const SiteAtInstant& b) {
    return same_bits(a.instant, b.instant) && same_bits(a.observer, b.observer);
}

struct FrameAtDay {
    bool of_date;
    bool equatorial;
    bool nutation;
    double tdb_julian_day;
};

inline bool same_bits(const FrameAtDay& a, const FrameAtDay& b) {
    return a.of_date == b.of_date && a.equatorial == b.equatorial && a.nutation == b.nutation &&
           same_bits(a.tdb_julian_day, b.tdb_julian_day);
}

// The point a request looks from: a centre, plus a site when topocentric.
struct LookoutAtEpoch {
    std::int32_t center;
    std::optional<CartesianState> site_offset;
    double epoch;
};

inline bool same_bits(const LookoutAtEpoch& a, const LookoutAtEpoch& b) {
    return a.center == b.center && same_bits(a.epoch, b.epoch) && same_bits(a.site_offset, b.site_offset);
}

// Barycentric states at one epoch: the lookout's, and the Sun's once deflection needed it.
struct LookoutStates {
    StateVector lookout;
    std::optional<StateVector> sun;
};

inline bool same_bits(const PositionOptions& a, const PositionOptions& b) {
    const Corrections& p = a.corrections;
    const Corrections& q = b.corrections;
    return a.origin.kind == b.origin.kind && same_bits(a.origin.observer, b.origin.observer) &&
           a.coordinate_system == b.coordinate_system && a.reference_epoch == b.reference_epoch &&
           a.apparent == b.apparent && a.true_ecliptic == b.true_ecliptic && p.light_time == q.light_time &&
           p.aberration == q.aberration && p.gravitational_deflection == q.gravitational_deflection &&
           p.precession == q.precession && p.nutation == q.nutation;
}

// The positions served at one instant: a chart asks for each body's tropical place
// and then again, under its sidereal one, for the same place.
class PositionsAtInstant {
public:
    static constexpr std::size_t CAPACITY = 16;

    const Position* find(Body body, const Instant& instant, const PositionOptions& options) const {
        if (!instant_ || !same_bits(*instant_, instant)) return nullptr;
        for (std::size_t i = 0; i < count_; ++i) {
            if (entries_[i].body == body && same_bits(entries_[i].options, options)) return &entries_[i].position;
        }
        return nullptr;
    }
    void remember(Body body, const Instant& instant, const PositionOptions& options, const Position& position) {
        if (!instant_ || !same_bits(*instant_, instant)) {
            instant_ = instant;
            count_ = 0;
        }
        if (count_ < CAPACITY) entries_[count_++] = {body, options, position};
    }
    void forget() { instant_.reset(); }

private:
    struct Entry {
        Body body;
        PositionOptions options;
        Position position;
    };
    std::optional<Instant> instant_;
    std::array<Entry, CAPACITY> entries_{};
    std::size_t count_ = 0;
};

// What the engine remembers. Time conversions depend on the attached time kernels
// and states on the kernel list; attaching either forgets what depended on it.
struct EpochMemo {
    LastAnswer<Instant, double> tdb_seconds;
    LastAnswer<Instant, EarthRotationEpochs> rotation_epochs;
    LastAnswer<SiteAtInstant, CartesianState> site_state;
    LastAnswer<FrameAtDay, OutputFrame> frame;
    LastAnswer<LookoutAtEpoch, LookoutStates> lookout;
    PositionsAtInstant positions;

    void forget_time_conversions() {
        positions.forget();
        tdb_seconds.forget();
        rotation_epochs.forget();
        site_state.forget();
    }
    void forget_states() {
        lookout.forget();
        positions.forget();
    }
};

}  // namespace orbyx
