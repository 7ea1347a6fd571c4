// Arbitrary bytes as an SPK kernel of an engine with the extended segment types. Every
// segment's words, read as Type 13 whatever its summary says, must evaluate or fail
// with an error, never crash; a batch of epochs must succeed exactly when each of its
// epochs alone does, with the same bits; the mapped and the positioned-read forms must
// give the same answers to the bit; and the engine's batches of positions must fail
// exactly when one of their scalar requests does.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_support.hpp"
#include "kernel_transcript.hpp"

namespace {

using namespace orbyx;
using namespace orbyx::fuzz;

std::string exercise(const std::string& path, KernelSourceMode mode) {
    Transcript transcript;
    auto opened = SpkEphemeris::open(path, SHA256, mode);
    transcript.note(opened);
    if (!opened) return transcript.text();
    SpkEphemeris engine = SpkEphemeris::with_extended_segment_types(std::move(opened).value());
    evaluate_segments_as(engine, transcript, "13", &SpkKernel::evaluate_type13_at_epochs_into,
                         &SpkKernel::evaluate_type13_at_epoch);
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
