#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace orbyx::testing {

// A file named `name` in a fresh temporary directory, removed with the object.
class TempTextFile {
public:
    TempTextFile(std::string_view name, std::string_view content) {
        static int counter = 0;
        directory_ = std::filesystem::temp_directory_path() /
                     ("orbyx-time-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(directory_);
        path_ = (directory_ / name).string();
        std::ofstream(path_, std::ios::binary) << content;
    }
    TempTextFile(const TempTextFile&) = delete;
    TempTextFile& operator=(const TempTextFile&) = delete;
    ~TempTextFile() {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    const std::string& path() const { return path_; }
    std::string directory() const { return directory_.string(); }

private:
    std::filesystem::path directory_;
    std::string path_;
};

}  // namespace orbyx::testing
