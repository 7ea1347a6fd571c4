#include "spk/kernel_source.hpp"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>

#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

constexpr const char* INVALID_SEEK = "invalid seek to a negative or overflowing position";

class KernelSourceForms : public ::testing::TestWithParam<KernelSourceMode> {
protected:
    KernelSource open_digits() {
        const std::string path = scratch_.write("digits", {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
        auto source = KernelSource::open(path, GetParam());
        EXPECT_TRUE(source);
        return std::move(source).value();
    }

    test::ScratchDir scratch_;
};

std::string read_text(KernelSource& source, std::size_t count) {
    std::string text(count, '?');
    const auto read = source.read({reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
    EXPECT_TRUE(read);
    text.resize(read.value());
    return text;
}

TEST_P(KernelSourceForms, TakesTheRequestedForm) {
    const KernelSource source = open_digits();
    EXPECT_EQ(source.form(), GetParam() == KernelSourceMode::MapIfPossible ? KernelSource::Form::Mapped
                                                                            : KernelSource::Form::FileBacked);
}

TEST_P(KernelSourceForms, ReadsAndSeeksLikeAFile) {
    KernelSource source = open_digits();
    EXPECT_EQ(read_text(source, 4), "0123");
    EXPECT_EQ(source.seek(SeekFrom::current(-2)).value(), 2u);
    EXPECT_EQ(read_text(source, 3), "234");
    EXPECT_EQ(source.seek(SeekFrom::end(-1)).value(), 9u);
    EXPECT_EQ(read_text(source, 4), "9");
    EXPECT_EQ(read_text(source, 4), "");
    EXPECT_EQ(source.seek(SeekFrom::start(100)).value(), 100u);
    EXPECT_EQ(read_text(source, 4), "");
    EXPECT_EQ(source.seek(SeekFrom::end(5)).value(), 15u);
}

TEST_P(KernelSourceForms, RefusesNegativeOrOverflowingSeeksWithoutMoving) {
    KernelSource source = open_digits();
    ASSERT_TRUE(source.seek(SeekFrom::start(3)));
    EXPECT_EQ(source.seek(SeekFrom::current(-4)).error().message(), INVALID_SEEK);
    EXPECT_EQ(source.seek(SeekFrom::end(-11)).error().message(), INVALID_SEEK);
    EXPECT_EQ(source.seek(SeekFrom::current(std::numeric_limits<std::int64_t>::min())).error().message(),
              INVALID_SEEK);
    EXPECT_EQ(read_text(source, 1), "3");

    const std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
    ASSERT_EQ(source.seek(SeekFrom::start(top)).value(), top);
    EXPECT_EQ(source.seek(SeekFrom::current(1)).error().message(), INVALID_SEEK);
    EXPECT_EQ(source.seek(SeekFrom::current(0)).value(), top);
    EXPECT_EQ(source.seek(SeekFrom::end(0)).value(), 10u);
}

TEST_P(KernelSourceForms, ReadExactFillsTheBufferOrFails) {
    KernelSource source = open_digits();
    std::array<std::uint8_t, 6> buffer{};
    ASSERT_TRUE(source.read_exact(buffer));
    EXPECT_EQ(buffer[5], '5');
    const auto short_read = source.read_exact(buffer);
    ASSERT_FALSE(short_read);
    EXPECT_EQ(short_read.error().message(), "failed to fill whole buffer");
}

INSTANTIATE_TEST_SUITE_P(BothForms, KernelSourceForms,
                         ::testing::Values(KernelSourceMode::MapIfPossible, KernelSourceMode::PositionedReads));

TEST(KernelSource, FallsBackToPositionedReadsWhenMappingFails) {
    test::ScratchDir scratch;
    auto source = KernelSource::open(scratch.write("empty", {}));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->form(), KernelSource::Form::FileBacked);
    std::array<std::uint8_t, 1> byte{};
    EXPECT_EQ(source->read(byte).value(), 0u);
}

TEST(KernelSource, ReportsOpenFailuresWithTheSystemText) {
    const auto missing = KernelSource::open("/nonexistent/orbyx.bsp");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message(), "No such file or directory (os error 2)");
}

TEST(KernelSource, MovesOwnership) {
    test::ScratchDir scratch;
    auto opened = KernelSource::open(scratch.write("ab", {'a', 'b'}));
    ASSERT_TRUE(opened);
    KernelSource moved = std::move(opened).value();
    KernelSource target = std::move(moved);
    EXPECT_EQ(read_text(target, 2), "ab");
}

}  // namespace
}  // namespace orbyx
