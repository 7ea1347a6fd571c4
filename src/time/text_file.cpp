#include "time/text_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/utf8.hpp"

namespace orbyx {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { ::close(fd_); }

    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

Result<std::string, IoError> read_text_file(std::string_view path) {
    // A NUL would silently cut the path short and open another file.
    if (path.find('\0') != std::string_view::npos) {
        return failure(IoError::custom("file name contained an unexpected NUL byte"));
    }
    const std::string path_text(path);
    const int fd = ::open(path_text.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failure(IoError::from_errno(errno));
    const FileDescriptor file(fd);

    std::string content;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            return failure(IoError::from_errno(errno));
        }
        if (count == 0) break;
        content.append(buffer, static_cast<std::size_t>(count));
    }
    if (!is_valid_utf8(content)) {
        return failure(IoError::custom("stream did not contain valid UTF-8"));
    }
    return content;
}

std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        begin = end + 1;
    }
    return lines;
}

}  // namespace orbyx
