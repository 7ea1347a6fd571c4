#pragma once

// What the kernel fuzzers share: a transcript of the answers, to compare the mapped
// and the positioned-read forms of one file, the epochs and bodies they ask for, and
// the checks that a batch fails exactly when one of its scalar requests does.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "core/same_bits.hpp"
#include "core/types.hpp"
#include "spk/spk_ephemeris.hpp"

namespace orbyx::fuzz {

// Enough to reach deep into a kernel without letting one input take seconds.
constexpr std::size_t MAX_SEGMENTS_EVALUATED = 64;

constexpr std::array<Body, 11> BODIES = {Body::Sun,    Body::Moon,   Body::Mercury, Body::Venus,
                                         Body::Earth,  Body::Mars,   Body::Jupiter, Body::Saturn,
                                         Body::Uranus, Body::Neptune, Body::Pluto};

// What each call answered, in call order: error texts and the raw bits of values.
class Transcript {
public:
    template <class T, class E>
    void note(const Result<T, E>& result) {
        if (result) {
            record(*result);
        } else {
            text_ += "error: " + result.error().message() + "\n";
        }
    }

    const std::string& text() const { return text_; }

private:
    void record(const StateVector& state) { record_bits(state); }
    void record(const Position& position) { record_bits(position); }
    void record(const SpkSegment& segment) {
        text_ += segment.name + "\n";
        record_bits(std::array{segment.start_epoch, segment.end_epoch});
        record_bits(std::array{segment.target, segment.center, segment.frame, segment.data_type,
                               segment.begin_address, segment.end_address});
    }
    void record(const SpkEphemeris& engine) {
        const DateRange& range = engine.supported_range();
        record_bits(std::array{range.start_julian_day, range.end_julian_day});
    }
    void record(const SpkKernel&) {}
    template <class T>
    void record(const std::vector<T>& values) {
        for (const T& value : values) record(value);
    }

    // Only for types without padding, whose bytes are all value.
    template <class T>
    void record_bits(const T& value) {
        text_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }

    std::string text_;
};

inline double julian_day(double tdb_seconds) { return J2000_JULIAN_DAY + tdb_seconds / SECONDS_PER_DAY; }

inline std::array<double, 3> start_middle_end(double start, double end) {
    return {start, start + (end - start) / 2, end};
}

inline const Body* body_with_naif_id(std::int32_t id) {
    const auto found = std::find_if(BODIES.begin(), BODIES.end(), [id](Body body) { return naif_id(body) == id; });
    return found == BODIES.end() ? nullptr : &*found;
}

// Every body at the start, middle and end of the supported range, one by one and
// as batches.
inline void evaluate_bodies(SpkEphemeris& engine, const PositionOptions& options, Transcript& transcript) {
    const DateRange range = engine.supported_range();
    std::vector<Instant> instants;
    for (const double day : start_middle_end(range.start_julian_day, range.end_julian_day)) {
        instants.push_back(Instant{day, TimeScale::Tdb});
    }
    bool every_scalar_ok = true;
    for (const Instant& instant : instants) {
        for (const Body body : BODIES) {
            const auto position = engine.position(body, instant, options);
            every_scalar_ok = every_scalar_ok && position.ok();
            transcript.note(position);
        }
    }
    const auto batch = engine.positions(BODIES, instants, options);
    if (batch.ok() != every_scalar_ok) {
        std::fprintf(stderr, "batch %s while the scalar requests %s\n", batch.ok() ? "succeeded" : "failed",
                     every_scalar_ok ? "all succeeded" : "did not all succeed");
        std::abort();
    }
    transcript.note(batch);
}

// NaN states compare unequal as values, and overflowing windows do make them.
inline bool same_state_bits(const StateVector& a, const StateVector& b) {
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (!same_bits(a.position[axis], b.position[axis]) || !same_bits(a.velocity[axis], b.velocity[axis])) {
            return false;
        }
    }
    return true;
}

// Every segment's words read as one type through the kernel's evaluators of that type:
// a batch of epochs must succeed exactly when each of its epochs alone does, with the
// same bits.
inline void evaluate_segments_as(SpkEphemeris& engine, Transcript& transcript, const char* type,
                                 Status<SpkError> (SpkKernel::*batch_of)(std::int32_t, std::int32_t,
                                                                         std::span<const double>,
                                                                         std::span<StateVector>),
                                 Result<StateVector, SpkError> (SpkKernel::*single_of)(std::int32_t, std::int32_t,
                                                                                       double)) {
    auto listed = engine.kernels()[0].segments();
    transcript.note(listed);
    if (!listed) return;
    const std::size_t count = std::min(listed->size(), MAX_SEGMENTS_EVALUATED);
    for (std::size_t i = 0; i < count; ++i) {
        const SpkSegment& segment = (*listed)[i];
        const auto epochs = start_middle_end(segment.start_epoch, segment.end_epoch);
        SpkKernel& kernel = engine.kernels()[0];
        std::vector<StateVector> batch(epochs.size());
        const bool batch_ok = (kernel.*batch_of)(segment.begin_address, segment.end_address, epochs, batch).ok();
        bool singles_ok = true;
        for (std::size_t j = 0; j < epochs.size(); ++j) {
            const auto single = (kernel.*single_of)(segment.begin_address, segment.end_address, epochs[j]);
            transcript.note(single);
            singles_ok = singles_ok && single.ok();
            if (batch_ok && single && !same_state_bits(*single, batch[j])) {
                std::fprintf(stderr, "a Type %s batch and its single epoch gave different states\n", type);
                std::abort();
            }
        }
        if (batch_ok != singles_ok) {
            std::fprintf(stderr, "a Type %s batch %s while its single epochs %s\n", type,
                         batch_ok ? "succeeded" : "failed", singles_ok ? "all succeeded" : "did not all succeed");
            std::abort();
        }
    }
}

}  // namespace orbyx::fuzz
