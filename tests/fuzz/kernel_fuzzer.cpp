// Arbitrary bytes as an SPK kernel. Opening it, evaluating every segment it lists
// and attaching it must succeed or fail with an error, never crash; the mapped and
// the positioned-read forms must give the same answers to the bit; a batch of
// positions must fail exactly when one of its scalar requests does.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/constants.hpp"
#include "core/types.hpp"
#include "fuzz_support.hpp"
#include "spk/spk_ephemeris.hpp"

namespace {

using namespace orbyx;

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

double julian_day(double tdb_seconds) { return J2000_JULIAN_DAY + tdb_seconds / SECONDS_PER_DAY; }

std::array<double, 3> start_middle_end(double start, double end) {
    return {start, start + (end - start) / 2, end};
}

const Body* body_with_naif_id(std::int32_t id) {
    const auto found = std::find_if(BODIES.begin(), BODIES.end(), [id](Body body) { return naif_id(body) == id; });
    return found == BODIES.end() ? nullptr : &*found;
}

// Each segment through the Type 2 evaluator directly, batch and single epoch, and
// through the engine for the body it holds.
void evaluate_segments(SpkEphemeris& engine, Transcript& transcript) {
    auto listed = engine.kernels()[0].segments();
    transcript.note(listed);
    if (!listed) return;
    const PositionOptions barycentric{{OriginKind::Barycentric}, CoordinateSystem::Equatorial, ReferenceEpoch::J2000};
    const std::size_t count = std::min(listed->size(), MAX_SEGMENTS_EVALUATED);
    for (std::size_t i = 0; i < count; ++i) {
        const SpkSegment& segment = (*listed)[i];
        const auto epochs = start_middle_end(segment.start_epoch, segment.end_epoch);
        SpkKernel& kernel = engine.kernels()[0];
        transcript.note(kernel.evaluate_type2_at_epochs(segment.begin_address, segment.end_address, epochs));
        for (const double epoch : epochs) {
            transcript.note(kernel.evaluate_type2_at_epoch(segment.begin_address, segment.end_address, epoch));
        }
        if (const Body* body = body_with_naif_id(segment.target)) {
            for (const double epoch : epochs) {
                transcript.note(engine.position(*body, Instant{julian_day(epoch), TimeScale::Tdb}, barycentric));
            }
        }
    }
}

// Every body at the start, middle and end of the supported range, one by one and
// as batches.
void evaluate_bodies(SpkEphemeris& engine, const PositionOptions& options, Transcript& transcript) {
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

std::string exercise(const std::string& path, KernelSourceMode mode) {
    Transcript transcript;
    auto engine = SpkEphemeris::open(path, fuzz::SHA256, mode);
    transcript.note(engine);
    if (!engine) return transcript.text();

    evaluate_segments(*engine, transcript);
    evaluate_bodies(*engine, {{OriginKind::Geocentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::J2000},
                    transcript);
    PositionOptions apparent{{OriginKind::Geocentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::OfDate};
    apparent.apparent = true;
    evaluate_bodies(*engine, apparent, transcript);

    // The same bytes once more, as an attached kernel behind the primary.
    auto again = SpkKernel::open(path, mode);
    transcript.note(again);
    if (!again) return transcript.text();
    auto extended = SpkEphemeris::with_additional_kernel(std::move(engine).value(), std::move(again).value(),
                                                         "attached.bsp", fuzz::SHA256);
    transcript.note(extended);
    if (!extended) return transcript.text();
    evaluate_bodies(*extended, {{OriginKind::Heliocentric}, CoordinateSystem::Equatorial, ReferenceEpoch::J2000},
                    transcript);
    return transcript.text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::MemoryFile file(data, size);
    const std::string mapped = exercise(file.path(), KernelSourceMode::MapIfPossible);
    const std::string read = exercise(file.path(), KernelSourceMode::PositionedReads);
    if (mapped != read) {
        std::fprintf(stderr, "the mapped and positioned-read kernels answered differently\n");
        std::abort();
    }
    return 0;
}
