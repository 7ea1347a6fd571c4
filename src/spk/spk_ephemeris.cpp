#include "spk/spk_ephemeris.hpp"

#include <utility>

#include "core/constants.hpp"
#include "core/provenance.hpp"
#include "spk/coverage.hpp"

namespace orbyx {
namespace {

EphemerisError invalid_sha256() {
    return EphemerisError::evaluation("kernel SHA-256 must contain exactly 64 hexadecimal characters");
}

}  // namespace

SpkEphemeris::SpkEphemeris(EphemerisMetadata metadata, std::pair<double, double> coverage_seconds,
                           SpkKernel primary)
    : metadata_(std::move(metadata)),
      coverage_seconds_(coverage_seconds),
      supported_range_{.start_julian_day = julian_day_from_seconds(coverage_seconds.first),
                       .end_julian_day = julian_day_from_seconds(coverage_seconds.second),
                       .time_scale = TimeScale::Tdb} {
    kernels_.push_back(std::move(primary));
}

Result<SpkEphemeris, EphemerisError> SpkEphemeris::open(std::string_view path,
                                                        std::string_view sha256,
                                                        KernelSourceMode mode) {
    auto name = file_name_of(path);
    if (!name) return failure(EphemerisError::evaluation("kernel path has no UTF-8 filename"));

    auto kernel = SpkKernel::open(path, mode);
    if (!kernel) return failure(to_ephemeris_error(kernel.error()));

    // Checked only once the file record has been read, so a missing file is reported first.
    if (!is_sha256_hex(sha256)) return failure(invalid_sha256());

    auto segments = kernel->segments();
    if (!segments) return failure(to_ephemeris_error(segments.error()));

    const auto coverage = common_contiguous_coverage(*segments);
    if (!coverage) return failure(coverage.error());

    EphemerisMetadata metadata{
        .engine_version = std::string(ENGINE_VERSION),
        .kernel_name = std::move(*name),
        .kernel_sha256 = ascii_lowercase(sha256),
        .coordinate_frame = std::string(COORDINATE_FRAME),
        .additional_kernels = {},
    };
    return SpkEphemeris(std::move(metadata), *coverage, std::move(kernel).value());
}

Result<SpkEphemeris, EphemerisError> SpkEphemeris::with_additional_kernel(SpkEphemeris engine,
                                                                          SpkKernel kernel,
                                                                          std::string name,
                                                                          std::string_view sha256) {
    if (!is_sha256_hex(sha256)) return failure(invalid_sha256());
    // Validates the whole summary chain and fills the kernel's segment cache.
    if (auto segments = kernel.segments(); !segments) {
        return failure(to_ephemeris_error(segments.error()));
    }
    if (engine.extended_segment_types_) kernel.enable_extended_segment_types();
    engine.metadata_.additional_kernels.push_back({std::move(name), ascii_lowercase(sha256)});
    engine.kernels_.push_back(std::move(kernel));
    // The new kernel may answer for bodies the others answered for.
    engine.memo_.forget_states();
    return engine;
}

SpkEphemeris SpkEphemeris::with_extended_segment_types(SpkEphemeris engine) {
    engine.extended_segment_types_ = true;
    for (SpkKernel& kernel : engine.kernels_) kernel.enable_extended_segment_types();
    engine.memo_.forget_states();
    return engine;
}

SpkEphemeris SpkEphemeris::with_leap_second_kernel(SpkEphemeris engine, LeapSecondKernel kernel) {
    engine.leap_second_kernel_ = std::move(kernel);
    engine.memo_.forget_time_conversions();
    return engine;
}

SpkEphemeris SpkEphemeris::with_eop(SpkEphemeris engine, EarthOrientationTable table) {
    engine.earth_orientation_table_ = std::move(table);
    engine.memo_.forget_time_conversions();
    return engine;
}

SpkEphemeris SpkEphemeris::with_time_kernels(SpkEphemeris engine, LeapSecondKernel kernel,
                                             EarthOrientationTable table) {
    engine.leap_second_kernel_ = std::move(kernel);
    engine.earth_orientation_table_ = std::move(table);
    engine.memo_.forget_time_conversions();
    return engine;
}

}  // namespace orbyx
