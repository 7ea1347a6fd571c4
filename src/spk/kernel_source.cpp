#include "spk/kernel_source.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace orbyx {
namespace {

constexpr std::uint64_t MAX_FILE_OFFSET = std::numeric_limits<std::int64_t>::max();

struct Mapping {
    const std::uint8_t* data;
    std::uint64_t length;
};

// The whole file, read-only and shared; no pre-faulting, so opening touches only
// the pages that are read.
std::optional<Mapping> map_readonly(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return std::nullopt;
    const auto length = static_cast<std::uint64_t>(status.st_size);
    if (length > MAX_FILE_OFFSET) return std::nullopt;
    void* data = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) return std::nullopt;
    return Mapping{static_cast<const std::uint8_t*>(data), length};
}

std::optional<std::uint64_t> checked_add_signed(std::uint64_t base, std::int64_t offset) {
    if (offset >= 0) {
        const auto step = static_cast<std::uint64_t>(offset);
        if (step > std::numeric_limits<std::uint64_t>::max() - base) return std::nullopt;
        return base + step;
    }
    // Magnitude of a negative offset, INT64_MIN included.
    const std::uint64_t step = static_cast<std::uint64_t>(-(offset + 1)) + 1;
    if (step > base) return std::nullopt;
    return base - step;
}

}  // namespace

Result<KernelSource, IoError> KernelSource::open(std::string_view path, KernelSourceMode mode) {
    if (path.find('\0') != std::string_view::npos) {
        return failure(IoError::custom("file name contained an unexpected NUL byte"));
    }
    const std::string c_path(path);
    int fd;
    do {
        fd = ::open(c_path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return failure(IoError::from_errno(errno));

    if (mode == KernelSourceMode::MapIfPossible) {
        if (const auto mapping = map_readonly(fd)) {
            return KernelSource(fd, mapping->data, mapping->length);
        }
    }
    return KernelSource(fd, nullptr, 0);
}

KernelSource::KernelSource(KernelSource&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      position_(std::exchange(other.position_, 0)) {}

KernelSource& KernelSource::operator=(KernelSource&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        mapping_ = std::exchange(other.mapping_, nullptr);
        length_ = std::exchange(other.length_, 0);
        position_ = std::exchange(other.position_, 0);
    }
    return *this;
}

KernelSource::~KernelSource() { release(); }

void KernelSource::release() {
    if (mapping_ != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(mapping_), static_cast<std::size_t>(length_));
        mapping_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

Result<std::uint64_t, IoError> KernelSource::file_length() const {
    // Half the cost of fstat; reads go through pread, which ignores the offset this moves.
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end < 0) return failure(IoError::from_errno(errno));
    return static_cast<std::uint64_t>(end);
}

Result<std::uint64_t, IoError> KernelSource::current_length() const {
    if (mapping_ != nullptr) return length_;
    return file_length();
}

Result<std::uint64_t, IoError> KernelSource::readable_mapped_length() {
    if (shared_length_) return *shared_length_;
    auto held = file_length();
    if (!held) return failure(std::move(held).error());
    const std::uint64_t readable = std::min(length_, *held);
    if (sharing_checks_ > 0) shared_length_ = readable;
    return readable;
}

Result<std::size_t, IoError> KernelSource::read(std::span<std::uint8_t> buffer) {
    if (mapping_ != nullptr) {
        auto length = readable_mapped_length();
        if (!length) return failure(std::move(length).error());
        const std::uint64_t readable = *length;
        const std::uint64_t from = std::min(position_, readable);
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(readable - from, buffer.size()));
        if (count > 0) std::memcpy(buffer.data(), mapping_ + from, count);
        position_ += count;
        return count;
    }
    // pread takes a signed offset; positions beyond it cannot be read.
    if (position_ > MAX_FILE_OFFSET) return failure(IoError::from_errno(EINVAL));
    const std::size_t request =
        std::min<std::size_t>(buffer.size(), std::numeric_limits<ssize_t>::max());
    const ssize_t count = ::pread(fd_, buffer.data(), request, static_cast<off_t>(position_));
    if (count < 0) return failure(IoError::from_errno(errno));
    position_ += static_cast<std::uint64_t>(count);
    return static_cast<std::size_t>(count);
}

const std::uint8_t* KernelSource::mapped_bytes(std::uint64_t offset, std::size_t count) {
    if (mapping_ == nullptr) return nullptr;
    const auto length = readable_mapped_length();
    if (!length || offset > *length || count > *length - offset) return nullptr;
    return mapping_ + offset;
}

Result<std::uint64_t, IoError> KernelSource::seek(SeekFrom target) {
    std::optional<std::uint64_t> position;
    switch (target.origin) {
        case SeekFrom::Origin::Start: position = target.start_offset; break;
        case SeekFrom::Origin::End: {
            auto length = current_length();
            if (!length) return failure(std::move(length).error());
            position = checked_add_signed(*length, target.relative_offset);
            break;
        }
        case SeekFrom::Origin::Current:
            position = checked_add_signed(position_, target.relative_offset);
            break;
    }
    if (!position) {
        return failure(IoError::custom("invalid seek to a negative or overflowing position"));
    }
    position_ = *position;
    return position_;
}

Status<IoError> KernelSource::read_exact(std::span<std::uint8_t> buffer) {
    while (!buffer.empty()) {
        auto count = read(buffer);
        if (!count) {
            if (count.error().os_code == EINTR) continue;
            return failure(std::move(count).error());
        }
        if (*count == 0) return failure(IoError::custom("failed to fill whole buffer"));
        buffer = buffer.subspan(*count);
    }
    return {};
}

}  // namespace orbyx
