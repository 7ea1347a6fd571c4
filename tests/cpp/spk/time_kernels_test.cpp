#include <gtest/gtest.h>

#include <string>

#include "spk/spk_ephemeris.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

const std::string DIGEST(64, 'a');

std::vector<std::uint8_t> c04_table(std::string_view first_row) {
    const std::string text = "# MJD x y UT1-UTC\n" + std::string(first_row) +
                             "2023 2 26 0 60001.00 0.3 0.5 0.2\n";
    return {text.begin(), text.end()};
}

// Attaching replaces what was attached before and leaves the rest of the engine alone.
TEST(SpkEphemerisTimeKernels, AttachingReplaces) {
    test::ScratchDir scratch;
    const std::string first_path = scratch.write("first.c04", c04_table("2023 2 25 0 60000.00 0.1 0.3 0.1\n"));
    const std::string second_path = scratch.write("second.c04", c04_table(""));
    const auto table = [](const std::string& path) { return EarthOrientationTable::open(path, DIGEST).value(); };
    const auto leap_seconds = [] {
        return LeapSecondKernel::open(test::test_data("leapseconds.tls"), DIGEST).value();
    };

    auto opened = SpkEphemeris::open(test::test_data("de430-2015-03-02.bsp"), DIGEST);
    ASSERT_TRUE(opened) << opened.error().message();
    SpkEphemeris engine = SpkEphemeris::with_eop(std::move(opened).value(), table(first_path));
    ASSERT_NE(engine.earth_orientation_table(), nullptr);
    EXPECT_EQ(engine.earth_orientation_table()->name(), "first.c04");
    EXPECT_EQ(engine.leap_second_kernel(), nullptr);

    engine = SpkEphemeris::with_leap_second_kernel(std::move(engine), leap_seconds());
    ASSERT_NE(engine.leap_second_kernel(), nullptr);
    EXPECT_EQ(engine.leap_second_kernel()->name(), "leapseconds.tls");
    EXPECT_EQ(engine.earth_orientation_table()->name(), "first.c04");

    engine = SpkEphemeris::with_time_kernels(std::move(engine), leap_seconds(), table(second_path));
    EXPECT_EQ(engine.earth_orientation_table()->name(), "second.c04");
    EXPECT_EQ(engine.earth_orientation_table()->samples().size(), 1u);
    EXPECT_EQ(engine.metadata().kernel_name, "de430-2015-03-02.bsp");
    EXPECT_TRUE(engine.metadata().additional_kernels.empty());
    EXPECT_EQ(engine.kernels().size(), 1u);
    EXPECT_EQ(engine.supported_range().start_julian_day, 2457080.5);
}

}  // namespace
}  // namespace orbyx
