// Arbitrary text through every name parser of the Python surface. Each parser
// must return a member or its message, and a member's name must parse back to
// that member. The first 24 bytes also serve as a site for parse_origin.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "python/names.hpp"

namespace {

using namespace orbyx;
using namespace orbyx::python;

// Bodies have no canonical name of the module's; their type's own name, in any case, will do.
std::string_view name_of(Body body) { return debug_name(body); }
template <class Member>
std::string_view name_of(Member member) {
    return canonical_name(member);
}

template <class Member>
void parse_and_check(std::string_view text, Result<Member, std::string> (*parse)(std::string_view)) {
    const auto parsed = parse(text);
    if (!parsed) return;
    const auto again = parse(name_of(*parsed));
    if (!again || *again != *parsed) {
        std::fprintf(stderr, "name \"%s\" does not parse back to its member\n",
                     std::string(name_of(*parsed)).c_str());
        std::abort();
    }
}

void parse_origin_and_check(std::string_view text, const GeodeticObserver* observer) {
    const auto origin = parse_origin(text, observer);
    if (!origin) return;
    if ((origin->kind == OriginKind::Topocentric) != (observer != nullptr)) {
        std::fprintf(stderr, "origin accepted with the wrong observer rule\n");
        std::abort();
    }
    const auto again = parse_origin(canonical_name(origin->kind), observer);
    if (!again || again->kind != origin->kind) {
        std::fprintf(stderr, "canonical origin name does not parse back to its origin\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    parse_and_check(text, parse_body);
    parse_and_check(text, parse_time_scale);
    parse_and_check(text, parse_coordinate_system);
    parse_and_check(text, parse_reference_epoch);
    parse_and_check(text, parse_house_system);
    parse_and_check(text, parse_season_event);
    parse_and_check(text, parse_lunation_event);
    parse_and_check(text, parse_sidereal_mode);
    parse_and_check(text, parse_horizon_event_kind);

    const GeodeticObserver paris{2.35, 48.85, 35.0};
    parse_origin_and_check(text, nullptr);
    parse_origin_and_check(text, &paris);
    if (size >= sizeof(GeodeticObserver)) {
        GeodeticObserver site;
        std::memcpy(&site, data, sizeof site);
        parse_origin_and_check(text.substr(sizeof site), &site);
    }
    return 0;
}
