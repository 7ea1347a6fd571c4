#include "core/provenance.hpp"

#include "core/utf8.hpp"

namespace orbyx {

std::optional<std::string> file_name_of(std::string_view path) {
    std::string_view last;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string_view::npos) slash = path.size();
        const std::string_view component = path.substr(pos, slash - pos);
        if (!component.empty() && component != ".") last = component;
        pos = slash + 1;
    }
    if (last.empty() || last == ".." || !is_valid_utf8(last)) return std::nullopt;
    return std::string(last);
}

bool is_sha256_hex(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return true;
}

std::string ascii_lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace orbyx
