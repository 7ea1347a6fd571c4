#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/io_error.hpp"
#include "core/result.hpp"

namespace orbyx {

enum class KernelSourceMode {
    MapIfPossible,   // map the file, falling back to positioned reads
    PositionedReads  // never map; lets callers exercise the fallback
};

// A read position request, as for a file.
struct SeekFrom {
    enum class Origin { Start, End, Current };

    Origin origin;
    std::uint64_t start_offset = 0;  // Start
    std::int64_t relative_offset = 0;  // End, Current

    static SeekFrom start(std::uint64_t offset) { return {Origin::Start, offset, 0}; }
    static SeekFrom end(std::int64_t offset) { return {Origin::End, 0, offset}; }
    static SeekFrom current(std::int64_t offset) { return {Origin::Current, 0, offset}; }
};

// The bytes of one kernel file: mapped read-only when possible, else read with
// positioned reads. Owns the file (and the mapping) and releases them with itself.
class KernelSource {
public:
    enum class Form { Mapped, FileBacked };

    static Result<KernelSource, IoError> open(std::string_view path,
                                              KernelSourceMode mode = KernelSourceMode::MapIfPossible);

    KernelSource(KernelSource&& other) noexcept;
    KernelSource& operator=(KernelSource&& other) noexcept;
    KernelSource(const KernelSource&) = delete;
    KernelSource& operator=(const KernelSource&) = delete;
    ~KernelSource();

    Form form() const { return mapping_ != nullptr ? Form::Mapped : Form::FileBacked; }

    // Copies up to buffer.size() bytes from the position and advances past them;
    // 0 at or past the end.
    Result<std::size_t, IoError> read(std::span<std::uint8_t> buffer);
    // The new position; a negative or overflowing target leaves the position as it was.
    Result<std::uint64_t, IoError> seek(SeekFrom target);
    // Fills the whole buffer or fails with "failed to fill whole buffer".
    Status<IoError> read_exact(std::span<std::uint8_t> buffer);
    // The `count` bytes from `offset` on, in place in the mapping, with the file's length
    // checked as a read checks it; null in the file-backed form or where a read of them
    // would fail. The position stays. Touch them at once and keep no pointer: the
    // file may be cut short after the check.
    const std::uint8_t* mapped_bytes(std::uint64_t offset, std::size_t count);

    // Mapped reads stop at the file's length, since touching pages that a file cut
    // short no longer holds raises SIGBUS. Each read checks that length, except between
    // begin_shared_length_check and its end: there the first read checks it for all the
    // others, so that a batch reading thousands of records pays for one system call.
    void begin_shared_length_check() { ++sharing_checks_; }
    void end_shared_length_check() {
        if (--sharing_checks_ == 0) shared_length_.reset();
    }

private:
    KernelSource(int fd, const std::uint8_t* mapping, std::uint64_t length)
        : fd_(fd), mapping_(mapping), length_(length) {}

    // The length seeks from the end count from: the mapping's, or the file's.
    Result<std::uint64_t, IoError> current_length() const;
    // The file's length now; a mapped file may have shrunk since it was mapped.
    Result<std::uint64_t, IoError> file_length() const;
    // How much of the mapping the file still holds: checked now, or once per shared check.
    Result<std::uint64_t, IoError> readable_mapped_length();
    void release();

    int fd_ = -1;
    const std::uint8_t* mapping_ = nullptr;  // null in the file-backed form
    std::uint64_t length_ = 0;               // mapping length
    std::uint64_t position_ = 0;
    int sharing_checks_ = 0;                      // begun and not ended
    std::optional<std::uint64_t> shared_length_;  // what the first read under them found
};

}  // namespace orbyx
