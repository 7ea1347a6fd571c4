#pragma once

// Helpers for the SPK tests: a scratch directory and a byte-level DAF writer.

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "spk/daf_file_record.hpp"
#include "spk/spk_kernel.hpp"
#include "spk/spk_segment.hpp"

namespace orbyx::test {

inline std::string test_data(std::string_view file) {
    return std::string(ORBYX_TEST_DATA_DIR) + "/" + std::string(file);
}

// A fresh directory under the system temp dir, removed with its contents.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orbyx-spk-XXXXXX").string();
        if (const char* made = ::mkdtemp(pattern.data())) path_ = made;
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes (or overwrites in place) `name` and returns its path.
    std::string write(std::string_view name, const std::vector<std::uint8_t>& bytes) const {
        const std::string file = (path_ / name).string();
        std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
        if (!out.is_open()) out.open(file, std::ios::binary | std::ios::out);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

// Whole DAF records, written in either byte order.
class DafImage {
public:
    DafImage(std::size_t records, bool big_endian)
        : bytes_(records * DAF_RECORD_BYTES, 0), big_endian_(big_endian) {}

    std::vector<std::uint8_t>& bytes() { return bytes_; }

    void put_text(std::size_t offset, std::string_view text) {
        for (std::size_t i = 0; i < text.size(); ++i) bytes_[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
    void put_u32(std::size_t offset, std::uint32_t value) { put_unsigned(offset, value, 4); }
    void put_i32(std::size_t offset, std::int32_t value) {
        put_unsigned(offset, std::bit_cast<std::uint32_t>(value), 4);
    }
    void put_f64(std::size_t offset, double value) {
        put_unsigned(offset, std::bit_cast<std::uint64_t>(value), 8);
    }

    // A valid SPK file record (ND 2, NI 6).
    void put_file_record(std::uint32_t forward, std::uint32_t backward) {
        put_text(0, "DAF/SPK ");
        put_u32(8, 2);
        put_u32(12, 6);
        put_text(16, "orbyx test kernel");
        put_u32(76, forward);
        put_u32(80, backward);
        put_u32(84, 1024);
        put_text(88, big_endian_ ? "BIG-IEEE" : "LTL-IEEE");
    }

    // Summary record `record` with its names in record + 1; NSUM is the summary count.
    void put_summary_record(std::uint32_t record, double next, double previous,
                            const std::vector<SpkSegment>& summaries) {
        const std::size_t base = (record - 1) * DAF_RECORD_BYTES;
        put_f64(base, next);
        put_f64(base + 8, previous);
        put_f64(base + 16, static_cast<double>(summaries.size()));
        for (std::size_t i = 0; i < summaries.size(); ++i) {
            put_summary(base + 24 + i * SPK_SUMMARY_BYTES, summaries[i]);
            put_text(base + DAF_RECORD_BYTES + i * SPK_SUMMARY_BYTES, summaries[i].name);
        }
    }

    void put_summary(std::size_t offset, const SpkSegment& s) {
        put_f64(offset, s.start_epoch);
        put_f64(offset + 8, s.end_epoch);
        put_i32(offset + 16, s.target);
        put_i32(offset + 20, s.center);
        put_i32(offset + 24, s.frame);
        put_i32(offset + 28, s.data_type);
        put_i32(offset + 32, s.begin_address);
        put_i32(offset + 36, s.end_address);
    }

private:
    void put_unsigned(std::size_t offset, std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t at = big_endian_ ? offset + width - 1 - i : offset + i;
            bytes_[at] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

    std::vector<std::uint8_t> bytes_;
    bool big_endian_;
};

inline SpkSegment segment(std::string name, std::int32_t target, double start, double end,
                          std::int32_t begin = 1, std::int32_t end_address = 8) {
    return SpkSegment{std::move(name), start, end, target, 0, 1, 2, begin, end_address};
}

// One Type 2 record: MID, RADIUS, then the X, Y and Z coefficients.
inline std::vector<double> type2_record(double mid, double radius, const std::vector<double>& x,
                                        const std::vector<double>& y, const std::vector<double>& z) {
    std::vector<double> words{mid, radius};
    for (const auto* axis : {&x, &y, &z}) words.insert(words.end(), axis->begin(), axis->end());
    return words;
}

// The data of a Type 2 segment: its records back to back, then INIT, INTLEN, RSIZE, N.
inline std::vector<double> type2_segment_words(double init, double interval_length,
                                               const std::vector<std::vector<double>>& records) {
    std::vector<double> words;
    for (const auto& record : records) words.insert(words.end(), record.begin(), record.end());
    const double record_size = records.empty() ? 5 : static_cast<double>(records.front().size());
    words.insert(words.end(), {init, interval_length, record_size, static_cast<double>(records.size())});
    return words;
}

// A segment of one record over [start, end] holding a fixed position (RSIZE 5).
inline std::vector<double> constant_type2_words(double start, double end, double x, double y, double z) {
    return type2_segment_words(start, end - start, {type2_record((start + end) / 2, (end - start) / 2, {x}, {y}, {z})});
}

// A summary for `words` before its addresses are known.
struct SegmentData {
    SpkSegment summary;
    std::vector<double> words;
};

inline SegmentData segment_data(std::int32_t target, std::int32_t center, double start, double end,
                                std::vector<double> words, std::int32_t data_type = 2) {
    return {SpkSegment{"SEGMENT " + std::to_string(target), start, end, target, center, 1, data_type, 0, 0},
            std::move(words)};
}

// An SPK file holding `segments` in one summary record (record 2, names in 3) with
// their data from record 4 on; fills in each summary's addresses.
inline DafImage spk_image(std::vector<SegmentData>& segments, bool big_endian = false) {
    constexpr std::size_t first_data_word = 3 * 128 + 1;
    std::size_t words = 0;
    for (const auto& segment : segments) words += segment.words.size();
    DafImage image(3 + (words + 127) / 128, big_endian);
    image.put_file_record(2, 2);
    std::size_t address = first_data_word;
    std::vector<SpkSegment> summaries;
    for (auto& segment : segments) {
        segment.summary.begin_address = static_cast<std::int32_t>(address);
        for (const double word : segment.words) image.put_f64((address++ - 1) * DAF_WORD_BYTES, word);
        segment.summary.end_address = static_cast<std::int32_t>(address - 1);
        summaries.push_back(segment.summary);
    }
    image.put_summary_record(2, 0, 0, summaries);
    return image;
}

inline SpkKernel open_kernel(const ScratchDir& scratch, std::string_view name, DafImage& image) {
    return SpkKernel::open(scratch.write(name, image.bytes())).value();
}

}  // namespace orbyx::test
