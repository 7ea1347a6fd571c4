#include "spk/spk_kernel.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace orbyx {
namespace {

static_assert(std::endian::native == std::endian::little, "DAF words are decoded for a little-endian host");

constexpr std::uint32_t SPK_ND = 2;
constexpr std::uint32_t SPK_NI = 6;
// Summaries share a 128-word record with NEXT, PREV and NSUM.
constexpr std::uint32_t SUMMARY_RECORD_CAPACITY_WORDS = 125;
constexpr std::size_t CONTROL_WORDS_BYTES = 3 * DAF_WORD_BYTES;
constexpr std::uint32_t MAX_ADDRESSABLE_SUMMARY_WORDS = 65535;
// Words read per chunk; growing by chunks, a bad count never allocates beyond what the file holds.
constexpr std::size_t WORDS_PER_READ = 512;

SpkError chain_error(std::string reason) { return SpkError::invalid_summary_chain(std::move(reason)); }

// NEXT, PREV and NSUM are doubles holding unsigned 32-bit integers; -0.0 passes.
std::optional<std::uint32_t> control_word(double value) {
    if (!std::isfinite(value) || value < 0 || value > 4294967295.0 || value != std::trunc(value)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

Result<SpkKernel, SpkError> SpkKernel::open(std::string_view path, KernelSourceMode mode) {
    auto source = KernelSource::open(path, mode);
    if (!source) return failure(SpkError::io(std::move(source).error()));
    return from_reader(std::move(source).value());
}

Result<SpkKernel, SpkError> SpkKernel::from_reader(KernelSource source) {
    std::array<std::uint8_t, DAF_RECORD_BYTES> bytes;
    if (auto read = source.read_exact(bytes); !read) {
        return failure(SpkError::io(std::move(read).error()));
    }
    auto record = parse_file_record(bytes);
    if (!record) return failure(std::move(record).error());
    return SpkKernel(std::move(record).value(), std::move(source));
}

Result<std::vector<SpkSegment>, SpkError> SpkKernel::segments() {
    if (segment_cache_) return *segment_cache_;
    auto walked = walk_summary_chain();
    if (walked) segment_cache_ = walked.value();
    return walked;
}

Result<std::span<const SpkSegment>, SpkError> SpkKernel::cached_segments() {
    if (!segment_cache_) {
        auto walked = walk_summary_chain();
        if (!walked) return failure(std::move(walked).error());
        segment_cache_ = std::move(walked).value();
    }
    return std::span<const SpkSegment>(*segment_cache_);
}

Status<SpkError> SpkKernel::read_record_at(std::uint64_t offset,
                                           std::span<std::uint8_t, DAF_RECORD_BYTES> record) {
    if (auto seek = source_.seek(SeekFrom::start(offset)); !seek) {
        return failure(SpkError::io(std::move(seek).error()));
    }
    if (auto read = source_.read_exact(record); !read) {
        return failure(SpkError::io(std::move(read).error()));
    }
    return {};
}

Result<std::vector<SpkSegment>, SpkError> SpkKernel::walk_summary_chain() {
    if (record_.nd != SPK_ND || record_.ni != SPK_NI) {
        return failure(SpkError::unsupported_summary_layout(record_.nd, record_.ni));
    }
    const std::uint32_t summary_words = record_.summary_words();
    const std::uint32_t capacity = SUMMARY_RECORD_CAPACITY_WORDS / summary_words;

    std::vector<SpkSegment> segments;
    std::unordered_set<std::uint32_t> visited;
    std::array<std::uint8_t, DAF_RECORD_BYTES> summary_record;
    std::array<std::uint8_t, DAF_RECORD_BYTES> name_record;
    std::uint32_t number = record_.forward;
    std::uint32_t expected_previous = 0;
    while (true) {
        if (!visited.insert(number).second) {
            return failure(chain_error("summary record chain contains a cycle"));
        }
        if (number == 0) return failure(chain_error("DAF record numbers are one-based"));
        if (auto read = read_record_at((std::uint64_t{number} - 1) * DAF_RECORD_BYTES, summary_record);
            !read) {
            return failure(std::move(read).error());
        }

        const std::span<const std::uint8_t> summary_bytes(summary_record);
        std::array<std::uint32_t, 3> control{};  // NEXT, PREV, NSUM
        for (std::size_t i = 0; i < control.size(); ++i) {
            const auto word = control_word(
                read_f64(summary_bytes.subspan(i * DAF_WORD_BYTES).first<8>(), record_.big_endian));
            if (!word) return failure(chain_error("summary control word is not a non-negative integer"));
            control[i] = *word;
        }
        const auto [next, previous, count] = control;

        if (previous != expected_previous) {
            return failure(chain_error("summary record has an incorrect backward pointer"));
        }
        if (count > capacity) return failure(chain_error("summary count exceeds record capacity"));
        if (number == std::numeric_limits<std::uint32_t>::max()) {
            return failure(chain_error("name record number overflowed"));
        }
        if (auto read = read_record_at(std::uint64_t{number} * DAF_RECORD_BYTES, name_record); !read) {
            return failure(std::move(read).error());
        }
        if (summary_words > MAX_ADDRESSABLE_SUMMARY_WORDS) {
            return failure(chain_error("summary width is not addressable on this platform"));
        }

        const std::size_t summary_bytes_width = std::size_t{summary_words} * DAF_WORD_BYTES;
        const std::size_t name_length = summary_bytes_width;
        const std::span<const std::uint8_t> names(name_record);
        for (std::uint32_t i = 0; i < count; ++i) {
            auto name = parse_ascii_field(names.subspan(i * name_length, name_length), "segment identifier");
            if (!name) return failure(std::move(name).error());
            const auto summary = summary_bytes.subspan(CONTROL_WORDS_BYTES + i * summary_bytes_width)
                                     .first<SPK_SUMMARY_BYTES>();
            auto segment = parse_spk_summary(summary, std::move(name).value(), record_.big_endian);
            if (!segment) return failure(std::move(segment).error());
            segments.push_back(std::move(segment).value());
        }

        if (next == 0) break;
        expected_previous = number;
        number = next;
    }
    if (number != record_.backward) {
        return failure(chain_error("summary chain ended before the final summary record"));
    }
    return segments;
}

Result<std::vector<double>, SpkError> SpkKernel::read_words(std::int32_t start, std::uint32_t count) {
    std::vector<double> words;
    if (auto read = read_words_into(start, count, words); !read) return failure(std::move(read).error());
    return words;
}

std::span<const double> SpkKernel::mapped_words(std::int32_t start, std::uint32_t count) {
    if (start <= 0 || record_.big_endian) return {};
    const std::uint64_t offset = (static_cast<std::uint64_t>(start) - 1) * DAF_WORD_BYTES;
    const std::uint8_t* bytes = source_.mapped_bytes(offset, std::size_t{count} * DAF_WORD_BYTES);
    // The mapping starts on a page, so a word's offset keeps it aligned as a double.
    if (bytes == nullptr || reinterpret_cast<std::uintptr_t>(bytes) % alignof(double) != 0) return {};
    words_read_ += count;
    return {reinterpret_cast<const double*>(bytes), count};
}

Status<SpkError> SpkKernel::read_words_into(std::int32_t start, std::uint32_t count, std::vector<double>& words) {
    if (start <= 0) {
        return failure(SpkError::invalid_type2_segment("DAF word addresses are one-based"));
    }
    const std::uint64_t offset = (static_cast<std::uint64_t>(start) - 1) * DAF_WORD_BYTES;
    if (auto seek = source_.seek(SeekFrom::start(offset)); !seek) {
        return failure(SpkError::io(std::move(seek).error()));
    }
    words.clear();
    std::uint32_t remaining = count;
    while (remaining > 0) {
        const std::size_t batch = std::min<std::size_t>(remaining, WORDS_PER_READ);
        const std::size_t filled = words.size();
        words.resize(filled + batch);
        const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(words.data() + filled),
                                            batch * DAF_WORD_BYTES);
        if (auto read = source_.read_exact(bytes); !read) {
            return failure(SpkError::io(std::move(read).error()));
        }
        // The bytes already sit in place as host (little-endian) doubles; a
        // big-endian file has each word reversed.
        if (record_.big_endian) {
            for (std::size_t i = 0; i < batch; ++i) {
                words[filled + i] = read_f64(bytes.subspan(i * DAF_WORD_BYTES).first<8>(), true);
            }
        }
        words_read_ += batch;
        remaining -= static_cast<std::uint32_t>(batch);
    }
    return {};
}

}  // namespace orbyx
