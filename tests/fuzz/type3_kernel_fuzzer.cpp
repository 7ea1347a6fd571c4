// Arbitrary bytes as an SPK kernel of an engine with the extended segment types. Every
// segment's words, read as Type 3 whatever its summary says, must evaluate or fail
// with an error, never crash; a batch of epochs must succeed exactly when each of its
// epochs alone does, with the same bits; the mapped and the positioned-read forms must
// give the same answers to the bit; and the engine's batches of positions must fail
// exactly when one of their scalar requests does.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "kernel_transcript.hpp"

namespace {

using namespace orbyx;
using namespace orbyx::fuzz;

void evaluate_as_type3(SpkEphemeris& engine, Transcript& transcript) {
    auto listed = engine.kernels()[0].segments();
    transcript.note(listed);
    if (!listed) return;
    const std::size_t count = std::min(listed->size(), MAX_SEGMENTS_EVALUATED);
    for (std::size_t i = 0; i < count; ++i) {
        const SpkSegment& segment = (*listed)[i];
        const auto epochs = start_middle_end(segment.start_epoch, segment.end_epoch);
        SpkKernel& kernel = engine.kernels()[0];
        std::vector<StateVector> batch(epochs.size());
        const bool batch_ok =
            kernel.evaluate_type3_at_epochs_into(segment.begin_address, segment.end_address, epochs, batch).ok();
        bool singles_ok = true;
        for (std::size_t j = 0; j < epochs.size(); ++j) {
            const auto single = kernel.evaluate_type3_at_epoch(segment.begin_address, segment.end_address, epochs[j]);
            transcript.note(single);
            singles_ok = singles_ok && single.ok();
            if (batch_ok && single && (single->position != batch[j].position || single->velocity != batch[j].velocity)) {
                std::fprintf(stderr, "a Type 3 batch and its single epoch gave different states\n");
                std::abort();
            }
        }
        if (batch_ok != singles_ok) {
            std::fprintf(stderr, "a Type 3 batch %s while its single epochs %s\n", batch_ok ? "succeeded" : "failed",
                         singles_ok ? "all succeeded" : "did not all succeed");
            std::abort();
        }
    }
}

std::string exercise(const std::string& path, KernelSourceMode mode) {
    Transcript transcript;
    auto opened = SpkEphemeris::open(path, SHA256, mode);
    transcript.note(opened);
    if (!opened) return transcript.text();
    SpkEphemeris engine = SpkEphemeris::with_extended_segment_types(std::move(opened).value());
    evaluate_as_type3(engine, transcript);
    evaluate_bodies(engine, {{OriginKind::Barycentric}, CoordinateSystem::Equatorial, ReferenceEpoch::J2000},
                    transcript);
    PositionOptions apparent{{OriginKind::Geocentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::OfDate};
    apparent.apparent = true;
    evaluate_bodies(engine, apparent, transcript);
    return transcript.text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const MemoryFile file(data, size);
    const std::string mapped = exercise(file.path(), KernelSourceMode::MapIfPossible);
    const std::string read = exercise(file.path(), KernelSourceMode::PositionedReads);
    if (mapped != read) {
        std::fprintf(stderr, "the mapped and positioned-read kernels answered differently\n");
        std::abort();
    }
    return 0;
}
