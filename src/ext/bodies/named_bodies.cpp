#include "ext/bodies/named_bodies.hpp"

#include <array>
#include <string>
#include <utility>

#include "core/utf8.hpp"

namespace orbyx {
namespace {

// Ids as NAIF assigns them (NAIF Integer ID codes, naif_ids.req): satellites are
// 100 * planet + number, numbered minor planets 2000000 + their number.
constexpr std::array<std::pair<std::string_view, std::int32_t>, 13> NAMED_BODIES = {{
    {"io", 501},
    {"europa", 502},
    {"ganymede", 503},
    {"callisto", 504},
    {"titan", 606},
    {"triton", 801},
    {"charon", 901},
    {"ceres", 2000001},
    {"pallas", 2000002},
    {"juno", 2000003},
    {"vesta", 2000004},
    {"chiron", 2002060},
    {"pholus", 2005145},
}};

}  // namespace

std::optional<std::int32_t> named_body_naif_id(std::string_view text) {
    std::string name(trim_white_space(text));
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (const auto& [spelling, id] : NAMED_BODIES) {
        if (spelling == name) return id;
    }
    return std::nullopt;
}

bool is_naif_satellite(std::int32_t id) { return id >= 101 && id <= 998 && id % 100 != 0 && id % 100 != 99; }

std::optional<Body> body_of_naif_id(std::int32_t id) {
    for (Body body : {Body::Sun, Body::Moon, Body::Mercury, Body::Venus, Body::Earth, Body::Mars, Body::Jupiter,
                      Body::Saturn, Body::Uranus, Body::Neptune, Body::Pluto}) {
        if (naif_id(body) == id) return body;
    }
    return std::nullopt;
}

}  // namespace orbyx
