#pragma once

// What the fuzz targets of the extended segment types share: arbitrary bytes as the
// kernel of an engine with those types, every segment's words read as one type
// whatever its summary says, then the engine's own positions; the mapped and the
// positioned-read forms must answer alike, to the bit.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "fuzz_support.hpp"
#include "kernel_transcript.hpp"

namespace orbyx::fuzz {

template <typename BatchOf, typename SingleOf>
std::string exercise_as_type(const std::string& path, KernelSourceMode mode, const char* type, BatchOf batch_of,
                             SingleOf single_of) {
    Transcript transcript;
    auto opened = SpkEphemeris::open(path, SHA256, mode);
    transcript.note(opened);
    if (!opened) return transcript.text();
    SpkEphemeris engine = SpkEphemeris::with_extended_segment_types(std::move(opened).value());
    evaluate_segments_as(engine, transcript, type, batch_of, single_of);
    evaluate_bodies(engine, {{OriginKind::Barycentric}, CoordinateSystem::Equatorial, ReferenceEpoch::J2000},
                    transcript);
    PositionOptions apparent{{OriginKind::Geocentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::OfDate};
    apparent.apparent = true;
    evaluate_bodies(engine, apparent, transcript);
    return transcript.text();
}

template <typename BatchOf, typename SingleOf>
int fuzz_segments_read_as(const std::uint8_t* data, std::size_t size, const char* type, BatchOf batch_of,
                          SingleOf single_of) {
    const MemoryFile file(data, size);
    const std::string mapped = exercise_as_type(file.path(), KernelSourceMode::MapIfPossible, type, batch_of, single_of);
    const std::string read = exercise_as_type(file.path(), KernelSourceMode::PositionedReads, type, batch_of, single_of);
    if (mapped != read) {
        std::fprintf(stderr, "the mapped and positioned-read kernels answered differently\n");
        std::abort();
    }
    return 0;
}

}  // namespace orbyx::fuzz
