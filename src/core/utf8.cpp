#include "core/utf8.hpp"

namespace orbyx {
namespace {

// Length of the valid sequence starting at `pos`, or the length of the maximal
// invalid subpart (at least 1) negated.
int sequence_length(std::string_view s, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) return 1;
    int length;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        if (pos + i >= s.size()) return -i;
        const unsigned char b = byte(pos + i);
        const unsigned char lo = i == 1 ? low : 0x80;
        const unsigned char hi = i == 1 ? high : 0xBF;
        if (b < lo || b > hi) return -i;
    }
    return length;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        const int n = sequence_length(bytes, pos);
        if (n < 0) return false;
        pos += static_cast<std::size_t>(n);
    }
    return true;
}

std::string decode_utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const int n = sequence_length(bytes, pos);
        if (n > 0) {
            out.append(bytes.substr(pos, static_cast<std::size_t>(n)));
            pos += static_cast<std::size_t>(n);
        } else {
            out.append("\xEF\xBF\xBD");
            pos += static_cast<std::size_t>(-n);
        }
    }
    return out;
}

char32_t next_code_point(std::string_view text, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    // Only invalid text ends inside a sequence: its lead byte stands alone rather than read past the end.
    if (static_cast<std::size_t>(length) > text.size() - pos) {
        ++pos;
        return U'\uFFFD';
    }
    char32_t c = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) c = (c << 6) | (byte(pos + i) & 0x3F);
    pos += static_cast<std::size_t>(length);
    return c;
}

bool is_unicode_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::string_view trim_white_space(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t next = begin;
        if (!is_unicode_white_space(next_code_point(text, next))) break;
        begin = next;
    }
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < text.size();) {
        if (!is_unicode_white_space(next_code_point(text, pos))) end = pos;
    }
    return text.substr(begin, end - begin);
}

}  // namespace orbyx
