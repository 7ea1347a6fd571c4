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

#include "fuzz_support.hpp"
#include "kernel_transcript.hpp"

namespace {

using namespace orbyx;
using namespace orbyx::fuzz;

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
