#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/constants.hpp"
#include "spk/engine_test_support.hpp"

namespace orbyx {
namespace {

using test::apparent;
using test::de430;
using test::DE430_END;
using test::DE430_START;
using test::error_text;
using test::geometric;
using test::tdb;
using test::topocentric;

const std::string IDENTICAL = "spherical coordinates are undefined when target and origin are identical";

void expect_same_position(const Position& batch, const Position& scalar) {
    const auto close = [](double a, double b) { return std::abs(a - b) <= 1e-12 * std::max(std::abs(b), 1.0); };
    EXPECT_TRUE(close(batch.longitude_deg, scalar.longitude_deg)) << batch.longitude_deg << " " << scalar.longitude_deg;
    EXPECT_TRUE(close(batch.latitude_deg, scalar.latitude_deg)) << batch.latitude_deg << " " << scalar.latitude_deg;
    EXPECT_TRUE(close(batch.distance_au, scalar.distance_au)) << batch.distance_au << " " << scalar.distance_au;
    EXPECT_TRUE(close(batch.longitude_speed_deg_per_day, scalar.longitude_speed_deg_per_day));
}

// Every entry of the batch equals the scalar request, instant-major.
void expect_batch_matches_scalar(SpkEphemeris& engine, const std::vector<Body>& bodies,
                                 const std::vector<Instant>& instants, const PositionOptions& options) {
    const auto batch = engine.positions(bodies, instants, options);
    ASSERT_TRUE(batch) << batch.error().message();
    ASSERT_EQ(batch->size(), bodies.size() * instants.size());
    for (std::size_t i = 0; i < instants.size(); ++i) {
        for (std::size_t b = 0; b < bodies.size(); ++b) {
            SCOPED_TRACE(std::string(debug_name(bodies[b])) + " at instant " + std::to_string(i));
            const auto scalar = engine.position(bodies[b], instants[i], options);
            ASSERT_TRUE(scalar) << scalar.error().message();
            expect_same_position((*batch)[i * bodies.size() + b], *scalar);
        }
    }
}

std::vector<Instant> spread_instants(double start, double end, int count, TimeScale scale = TimeScale::Tdb) {
    std::vector<Instant> instants;
    for (int k = 0; k < count; ++k) instants.push_back({start + (end - start) * k / (count - 1), scale});
    return instants;
}

const std::vector<Body> DE430_BODIES = {Body::Sun, Body::Moon, Body::Mercury, Body::Venus, Body::Earth};

TEST(Positions, EqualScalarPositionsOnBothPaths) {
    SpkEphemeris engine = de430();
    // Inset by a little more than the light time of the Moon and the Sun.
    const auto instants = spread_instants(DE430_START + 0.01, DE430_END, 7);
    for (const auto axes : {CoordinateSystem::Ecliptic, CoordinateSystem::Equatorial}) {
        expect_batch_matches_scalar(engine, DE430_BODIES, instants, geometric(OriginKind::Barycentric, axes));
        expect_batch_matches_scalar(engine, DE430_BODIES, instants, apparent(OriginKind::Barycentric, axes));
        PositionOptions mean_of_date{{OriginKind::Barycentric}, axes, ReferenceEpoch::OfDate};
        mean_of_date.corrections.precession = true;
        expect_batch_matches_scalar(engine, DE430_BODIES, instants, mean_of_date);
    }
    const std::vector<Body> not_the_sun = {Body::Venus, Body::Moon, Body::Earth, Body::Mercury};
    expect_batch_matches_scalar(engine, not_the_sun, instants, geometric(OriginKind::Heliocentric));
    PositionOptions light_time_only = geometric(OriginKind::Heliocentric);
    light_time_only.corrections.light_time = true;
    expect_batch_matches_scalar(engine, not_the_sun, instants, light_time_only);
}

// The geometric fast path converts in vector lanes what `position` converts alone:
// over chunks, sweep blocks and conversion blocks, the results keep the same bits.
TEST(Positions, GeometricBatchKeepsTheBitsOfScalarPositions) {
    SpkEphemeris engine = de430();
    const auto instants = spread_instants(DE430_START, DE430_END, 1500);
    PositionOptions mean_of_date{{OriginKind::Barycentric}, CoordinateSystem::Ecliptic, ReferenceEpoch::OfDate};
    mean_of_date.corrections.precession = true;
    for (const auto& options : {geometric(OriginKind::Barycentric), geometric(OriginKind::Barycentric,
                                                                              CoordinateSystem::Equatorial),
                                mean_of_date}) {
        const auto batch = engine.positions(DE430_BODIES, instants, options);
        ASSERT_TRUE(batch) << batch.error().message();
        for (std::size_t entry = 0; entry < batch->size(); ++entry) {
            const auto scalar = engine.position(DE430_BODIES[entry % DE430_BODIES.size()],
                                                instants[entry / DE430_BODIES.size()], options);
            ASSERT_TRUE(scalar);
            const auto& position = (*batch)[entry];
            ASSERT_EQ(std::memcmp(&position, &*scalar, sizeof(Position)), 0) << "entry " << entry;
        }
    }
}

TEST(Positions, EqualScalarPositionsFromASite) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = test::de430_with_time_kernels(scratch);
    const auto instants = spread_instants(DE430_START + 0.01, DE430_END - 0.01, 5, TimeScale::Utc);
    expect_batch_matches_scalar(engine, DE430_BODIES, instants, topocentric(geometric(OriginKind::Geocentric)));
    expect_batch_matches_scalar(engine, DE430_BODIES, instants,
                                topocentric(apparent(OriginKind::Geocentric), {-70.5, -30.2, 2200}));
}

// Segments that meet end to start inside the requested instants still come back in order.
TEST(Positions, EqualScalarPositionsAcrossSegmentJoins) {
    SpkEphemeris engine = test::open_engine("de441-1969.bsp");
    const DateRange range = engine.supported_range();
    const auto instants = spread_instants(range.start_julian_day + 0.01, range.end_julian_day, 9);
    const std::vector<Body> bodies = {Body::Moon, Body::Sun, Body::Venus, Body::Mercury};
    expect_batch_matches_scalar(engine, bodies, instants, geometric(OriginKind::Geocentric));
    expect_batch_matches_scalar(engine, bodies, instants, apparent(OriginKind::Geocentric));
}

TEST(Positions, LayoutIsInstantMajorWithRepeats) {
    SpkEphemeris engine = de430();
    const std::vector<Body> bodies = {Body::Sun, Body::Moon, Body::Sun};
    const std::vector<Instant> instants = {tdb(2457081.5), tdb(2457086.25), tdb(2457081.5)};
    const auto options = geometric(OriginKind::Geocentric);
    const auto batch = *engine.positions(bodies, instants, options);
    ASSERT_EQ(batch.size(), 9u);
    const Position sun_0 = *engine.position(Body::Sun, instants[0], options);
    const Position moon_0 = *engine.position(Body::Moon, instants[0], options);
    const Position moon_1 = *engine.position(Body::Moon, instants[1], options);
    EXPECT_EQ(batch[0].longitude_deg, sun_0.longitude_deg);
    EXPECT_EQ(batch[1].longitude_deg, moon_0.longitude_deg);
    EXPECT_EQ(batch[2].longitude_deg, sun_0.longitude_deg);
    EXPECT_EQ(batch[4].longitude_deg, moon_1.longitude_deg);
    EXPECT_EQ(batch[7].distance_au, moon_0.distance_au);

    // The flat form writes the same four columns per entry.
    const auto checked = engine.check_positions(bodies, instants, options);
    ASSERT_TRUE(checked);
    std::vector<double> values(checked->value_count(), -1);
    ASSERT_EQ(values.size(), 9u * 4);
    ASSERT_TRUE(engine.positions(*checked, values));
    for (std::size_t entry = 0; entry < batch.size(); ++entry) {
        EXPECT_EQ(values[entry * 4 + 0], batch[entry].longitude_deg);
        EXPECT_EQ(values[entry * 4 + 1], batch[entry].latitude_deg);
        EXPECT_EQ(values[entry * 4 + 2], batch[entry].distance_au);
        EXPECT_EQ(values[entry * 4 + 3], batch[entry].longitude_speed_deg_per_day);
    }
    std::vector<double> short_buffer(9 * 4 - 1);
    EXPECT_FALSE(engine.positions(*checked, short_buffer));
}

TEST(Positions, EmptyBodiesOrInstants) {
    SpkEphemeris engine = de430();
    const auto options = geometric(OriginKind::Geocentric);
    const std::vector<Instant> instants = {tdb(2457081.5), tdb(2457082.5)};
    EXPECT_TRUE(engine.positions({}, instants, options)->empty());
    EXPECT_TRUE(engine.positions(std::vector<Body>{Body::Moon}, {}, options)->empty());
    EXPECT_TRUE(engine.positions(*engine.check_positions({}, {}, options), {}));
    // The checks that need no kernel still run over what is given.
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Earth}, {}, options)), IDENTICAL);
    EXPECT_EQ(error_text(engine.positions({}, std::vector<Instant>{tdb(2457090)}, options)),
              "Julian day 2457090 is outside kernel range 2457080.5..2457088.5 Tdb");
}

TEST(Positions, ValidateEverythingBeforeKernelWork) {
    SpkEphemeris engine = de430();
    const auto options = geometric(OriginKind::Geocentric);
    const std::vector<Instant> outside = {tdb(2457070), tdb(2457090)};
    const std::vector<Instant> second_outside = {tdb(2457082), tdb(2457090.5)};

    PositionOptions inconsistent = options;
    inconsistent.apparent = true;
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Earth}, outside, inconsistent)),
              "apparent requires reference_epoch: OfDate");
    // Identity before any time conversion.
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Moon, Body::Earth}, outside, options)), IDENTICAL);
    // The first bad instant decides, before any kernel is read: Mars has no chain here.
    const std::vector<Body> with_mars = {Body::Moon, Body::Mars};
    EXPECT_EQ(error_text(engine.positions(with_mars, second_outside, options)),
              "Julian day 2457090.5 is outside kernel range 2457080.5..2457088.5 Tdb");
    const auto mars = engine.positions(with_mars, std::vector<Instant>{tdb(2457082)}, options);
    EXPECT_EQ(mars.error().kind(), EphemerisError::Kind::Evaluation);
    EXPECT_EQ(error_text(engine.positions(with_mars, std::vector<Instant>{tdb(2457082)}, apparent(OriginKind::Geocentric))),
              mars.error().message());

    // A site's time kernels are checked per instant, after that instant's own conversion.
    const auto site = topocentric(options);
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Earth}, second_outside, site)),
              "topocentric origins require a leap-second kernel; attach one with "
              "SpkEphemeris::with_leap_second_kernel");
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Earth}, std::vector<Instant>{tdb(2457090.5)}, site)),
              "Julian day 2457090.5 is outside kernel range 2457080.5..2457088.5 Tdb");
}

// de430 with Mars (499 about its barycentre 4) from an attached kernel holding a
// constant position over [first, last] TDB Julian days.
SpkEphemeris de430_with_mars(const test::ScratchDir& scratch, double first, double last) {
    std::vector<test::SegmentData> segments{test::segment_data(
        499, 4, seconds_since_j2000(first), seconds_since_j2000(last),
        test::constant_type2_words(seconds_since_j2000(first), seconds_since_j2000(last), 3000, 2000, 1000))};
    test::DafImage image = test::spk_image(segments);
    auto engine = SpkEphemeris::with_additional_kernel(de430(), test::open_kernel(scratch, "mars.bsp", image),
                                                       "mars.bsp", test::ENGINE_DIGEST);
    EXPECT_TRUE(engine) << engine.error().message();
    return std::move(engine).value();
}

// More instants than one chunk of evaluation, with failures late in the range.
TEST(Positions, KernelErrorsFollowBodyOrderOverAllInstants) {
    const test::ScratchDir scratch;
    const double middle = (DE430_START + DE430_END) / 2;
    SpkEphemeris engine = de430_with_mars(scratch, DE430_START, middle);
    const auto options = geometric(OriginKind::Geocentric);
    expect_batch_matches_scalar(engine, {Body::Mars, Body::Moon}, spread_instants(DE430_START, middle, 5), options);

    const auto instants = spread_instants(DE430_START, DE430_END, 3001);
    const std::string mars_error = error_text(engine.position(Body::Mars, instants[1501], options));
    ASSERT_TRUE(mars_error.starts_with("no SPK segment continues the center chain from target 499")) << mars_error;
    // Pluto (999) fails at the very first instant, but Mars comes first in body order.
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Mars, Body::Pluto}, instants, options)), mars_error);
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Pluto, Body::Mars}, instants, options)),
              error_text(engine.position(Body::Pluto, instants[0], options)));
}

// de430 with Mars pinned to the barycentre: undefined as seen from there.
SpkEphemeris de430_with_mars_at_the_barycentre(const test::ScratchDir& scratch) {
    std::vector<test::SegmentData> segments{test::segment_data(
        499, 0, seconds_since_j2000(DE430_START), seconds_since_j2000(DE430_END),
        test::constant_type2_words(seconds_since_j2000(DE430_START), seconds_since_j2000(DE430_END), 0, 0, 0))};
    test::DafImage image = test::spk_image(segments);
    return SpkEphemeris::with_additional_kernel(de430(), test::open_kernel(scratch, "pinned.bsp", image), "pinned.bsp",
                                                test::ENGINE_DIGEST)
        .value();
}

TEST(Positions, CoordinateErrorsComeAfterEveryKernelError) {
    const test::ScratchDir scratch;
    SpkEphemeris engine = de430_with_mars_at_the_barycentre(scratch);
    const auto options = geometric(OriginKind::Barycentric);
    const auto instants = spread_instants(DE430_START, DE430_END, 2500);
    const auto at_origin = engine.positions(std::vector<Body>{Body::Moon, Body::Mars}, instants, options);
    EXPECT_EQ(at_origin.error().kind(), EphemerisError::Kind::Evaluation);
    EXPECT_EQ(at_origin.error().message(), "spherical position is undefined at origin");
    EXPECT_EQ(error_text(engine.positions(std::vector<Body>{Body::Mars, Body::Pluto}, instants, options)),
              error_text(engine.position(Body::Pluto, instants[0], options)));
}

// The first error that positions one at a time meet in instant-major order.
std::string first_error_of_the_pairs(SpkEphemeris& engine, const std::vector<Body>& bodies,
                                     const std::vector<Instant>& instants, const PositionOptions& options) {
    for (const Instant& instant : instants) {
        for (Body body : bodies) {
            if (auto position = engine.position(body, instant, options); !position) return error_text(position);
        }
    }
    return "";
}

// Corrected batches go chunk by chunk and body by body, yet report what the pairs meet
// first: a light-time epoch that leaves the coverage, in a late chunk, in either epoch
// order, and a coordinate error against a kernel error at the same instant.
TEST(Positions, CorrectedBatchErrorsAreThoseOfThePairsInInstantMajorOrder) {
    const test::ScratchDir scratch;
    const double middle = (DE430_START + DE430_END) / 2;
    SpkEphemeris mars_to_middle = de430_with_mars(scratch, DE430_START, middle);
    SpkEphemeris mars_throughout = de430_with_mars(scratch, DE430_START, DE430_END);
    SpkEphemeris mars_at_the_barycentre = de430_with_mars_at_the_barycentre(scratch);
    PositionOptions light_time = geometric(OriginKind::Geocentric, CoordinateSystem::Equatorial);
    light_time.corrections.light_time = true;
    const auto rising = spread_instants(DE430_START + 1, DE430_END, 3001);
    const auto falling_to_the_start = [&] {
        auto instants = spread_instants(DE430_START, DE430_END, 3001);
        std::reverse(instants.begin(), instants.end());
        return instants;
    }();
    struct Case {
        SpkEphemeris& engine;
        std::vector<Body> bodies;
        const std::vector<Instant>& instants;
        PositionOptions options;
    };
    const Case cases[] = {
        {mars_to_middle, {Body::Moon, Body::Mars}, rising, apparent(OriginKind::Geocentric)},
        {mars_throughout, {Body::Moon, Body::Mars, Body::Sun}, falling_to_the_start, light_time},
        {mars_throughout, {Body::Sun, Body::Moon}, falling_to_the_start, apparent(OriginKind::Geocentric)},
        {mars_at_the_barycentre, {Body::Moon, Body::Mars, Body::Pluto}, rising, apparent(OriginKind::Barycentric)},
        {mars_at_the_barycentre, {Body::Pluto, Body::Mars}, rising, apparent(OriginKind::Barycentric)},
    };
    for (const Case& c : cases) {
        const std::string expected = first_error_of_the_pairs(c.engine, c.bodies, c.instants, c.options);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(error_text(c.engine.positions(c.bodies, c.instants, c.options)), expected);
    }
}

}  // namespace
}  // namespace orbyx
