// A kernel file cut short while it is open: reads past its new end must fail with
// an I/O error in both source forms. Mapped, they would otherwise touch pages the
// file no longer holds, and the process would die of SIGBUS.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "spk/engine_test_support.hpp"
#include "spk/kernel_source.hpp"
#include "spk/spk_ephemeris.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/spk_test_support.hpp"

namespace orbyx {
namespace {

constexpr const char* FILL_FAILURE = "failed to fill whole buffer";
constexpr std::size_t PAGE = 4096;

class ShrunkenFile : public ::testing::TestWithParam<KernelSourceMode> {
protected:
    void cut_to(std::uintmax_t length) { std::filesystem::resize_file(path_, length); }

    test::ScratchDir scratch_;
    std::string path_;
};

class ShrunkenSource : public ShrunkenFile {
protected:
    // Four pages; byte i holds i mod 251.
    KernelSource open() {
        std::vector<std::uint8_t> bytes(4 * PAGE);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
        path_ = scratch_.write("pages", bytes);
        auto source = KernelSource::open(path_, GetParam());
        EXPECT_TRUE(source);
        return std::move(source).value();
    }

    static std::string read_exact_at(KernelSource& source, std::uint64_t offset, std::size_t count) {
        EXPECT_TRUE(source.seek(SeekFrom::start(offset)));
        std::vector<std::uint8_t> buffer(count);
        const auto read = source.read_exact(buffer);
        if (!read) return read.error().message();
        return buffer.back() == (offset + count - 1) % 251 ? "ok" : "wrong bytes";
    }
};

TEST_P(ShrunkenSource, ReadsStopAtTheFilesNewEnd) {
    KernelSource source = open();
    EXPECT_EQ(read_exact_at(source, 3 * PAGE, 8), "ok");
    cut_to(PAGE + 100);
    EXPECT_EQ(read_exact_at(source, PAGE + 92, 8), "ok");
    EXPECT_EQ(read_exact_at(source, PAGE + 96, 8), FILL_FAILURE);  // straddles the end
    EXPECT_EQ(read_exact_at(source, PAGE + 200, 8), FILL_FAILURE);  // same page, past the end
    EXPECT_EQ(read_exact_at(source, 3 * PAGE, 8), FILL_FAILURE);  // a page the file lost
}

TEST_P(ShrunkenSource, ASharedCheckIsMadeAtItsFirstRead) {
    KernelSource source = open();
    source.begin_shared_length_check();
    cut_to(2 * PAGE);
    EXPECT_EQ(read_exact_at(source, PAGE, 8), "ok");
    EXPECT_EQ(read_exact_at(source, 3 * PAGE, 8), FILL_FAILURE);
    source.end_shared_length_check();
    // Once the check ends, the next read looks again.
    cut_to(PAGE);
    EXPECT_EQ(read_exact_at(source, PAGE + 8, 8), FILL_FAILURE);
}

// Bytes handed over in place are checked as reads are; the file-backed form has none.
TEST_P(ShrunkenSource, BytesInPlaceStopAtTheFilesNewEnd) {
    KernelSource source = open();
    const bool mapped = source.form() == KernelSource::Form::Mapped;
    const auto byte_at = [&](std::uint64_t offset, std::size_t count) {
        const std::uint8_t* bytes = source.mapped_bytes(offset, count);
        return bytes != nullptr ? int{bytes[count - 1]} : -1;
    };
    EXPECT_EQ(byte_at(3 * PAGE, 8), mapped ? int((3 * PAGE + 7) % 251) : -1);
    cut_to(PAGE + 100);
    EXPECT_EQ(byte_at(PAGE + 92, 8), mapped ? int((PAGE + 99) % 251) : -1);
    EXPECT_EQ(byte_at(PAGE + 96, 8), -1);
    EXPECT_EQ(byte_at(3 * PAGE, 8), -1);
}

INSTANTIATE_TEST_SUITE_P(BothForms, ShrunkenSource,
                         ::testing::Values(KernelSourceMode::MapIfPossible, KernelSourceMode::PositionedReads));

// 300 constant records of 10 s from word 385 on: record k holds X = k and spans
// words 385 + 5k to 389 + 5k; the directory sits in the fourth page.
constexpr int RECORDS = 300;

class ShrunkenKernel : public ShrunkenFile {
protected:
    SpkKernel open() {
        std::vector<std::vector<double>> records;
        for (int k = 0; k < RECORDS; ++k) {
            records.push_back(test::type2_record(10.0 * k + 5, 5, {static_cast<double>(k)}, {0}, {0}));
        }
        std::vector<test::SegmentData> segments{
            test::segment_data(3, 0, 0, 10.0 * RECORDS, test::type2_segment_words(0, 10, records))};
        test::DafImage image = test::spk_image(segments);
        begin_ = segments[0].summary.begin_address;
        end_ = segments[0].summary.end_address;
        path_ = scratch_.write("shrinking.bsp", image.bytes());
        auto kernel = SpkKernel::open(path_, GetParam());
        EXPECT_TRUE(kernel);
        return std::move(kernel).value();
    }

    std::string x_at(SpkKernel& kernel, double epoch) {
        const auto state = kernel.evaluate_type2_at_epoch(begin_, end_, epoch);
        return state ? std::to_string(static_cast<int>(state->position[0])) : state.error().message();
    }

    std::string x_at(SpkKernel& kernel, std::vector<double> epochs) {
        const auto states = kernel.evaluate_type2_at_epochs(begin_, end_, epochs);
        if (!states) return states.error().message();
        std::string xs;
        for (const auto& state : *states) xs += std::to_string(static_cast<int>(state.position[0])) + " ";
        return xs;
    }

    std::int32_t begin_ = 0, end_ = 0;
};

TEST_P(ShrunkenKernel, RecordsPastTheNewEndFailWithIo) {
    const std::string io_failure = std::string("failed to read SPK kernel: ") + FILL_FAILURE;
    SpkKernel kernel = open();
    ASSERT_EQ(x_at(kernel, 5), "0");  // reads and keeps the directory
    cut_to(2 * PAGE - 16);            // word 1022 is the last left: records 0 to 126 stay whole

    EXPECT_EQ(x_at(kernel, 1005), "100");
    EXPECT_EQ(x_at(kernel, 2005), io_failure);
    EXPECT_EQ(x_at(kernel, std::vector<double>{1015, 1025}), "101 102 ");
    EXPECT_EQ(x_at(kernel, std::vector<double>{1035, 2015}), io_failure);
    // Records before the last of a rising list are read in place when mapped.
    EXPECT_EQ(x_at(kernel, std::vector<double>{1045, 1055, 1265}), "104 105 126 ");
    EXPECT_EQ(x_at(kernel, std::vector<double>{1045, 2015, 2025}), io_failure);
    EXPECT_EQ(x_at(kernel, 1265), "126");
    EXPECT_EQ(x_at(kernel, 1275), io_failure);  // record 127 straddles the end
}

INSTANTIATE_TEST_SUITE_P(BothForms, ShrunkenKernel,
                         ::testing::Values(KernelSourceMode::MapIfPossible, KernelSourceMode::PositionedReads));

// An engine operation checks each file's length once, at its first read, and the next
// operation checks again.
TEST(ShrunkenEngine, OperationsFailWithIoUntilTheFileIsWholeAgain) {
    using test::error_text;
    test::ScratchDir scratch;
    std::ifstream excerpt(test::test_data("de430-2015-03-02.bsp"), std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(excerpt), {}};
    const std::string path = scratch.write("de430.bsp", bytes);
    auto opened = SpkEphemeris::open(path, test::ENGINE_DIGEST);
    ASSERT_TRUE(opened);
    SpkEphemeris& engine = *opened;
    const Instant instant = test::tdb(test::DE430_MIDDLE);
    const std::vector<Body> bodies{Body::Sun, Body::Moon};
    const std::vector<Instant> instants{instant, test::tdb(test::DE430_END)};
    const auto geometric = test::geometric(OriginKind::Geocentric);
    const auto apparent = test::apparent(OriginKind::Geocentric);

    std::filesystem::resize_file(path, PAGE);  // the data start in the fourth record
    const std::string io_failure = std::string("failed to read SPK kernel: ") + FILL_FAILURE;
    EXPECT_EQ(error_text(engine.position(Body::Moon, instant, geometric)), io_failure);
    EXPECT_EQ(error_text(engine.positions(bodies, instants, geometric)), io_failure);
    EXPECT_EQ(error_text(engine.positions(bodies, instants, apparent)), io_failure);

    scratch.write("de430.bsp", bytes);
    EXPECT_EQ(error_text(engine.position(Body::Moon, instant, apparent)), "ok");
    EXPECT_EQ(error_text(engine.positions(bodies, instants, geometric)), "ok");
}

}  // namespace
}  // namespace orbyx
