#include "python/names.hpp"

#include <array>
#include <utility>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/observer.hpp"
#include "core/utf8.hpp"

namespace orbyx::python {
namespace {

std::string normalise(std::string_view text) {
    std::string out(trim_white_space(text));
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

template <class Member, std::size_t N>
Result<Member, std::string> look_up(std::string_view text,
                                    const std::array<std::pair<std::string_view, Member>, N>& table,
                                    std::string_view unknown) {
    // Names mostly come spelled as in the table, which normalising would leave alone.
    for (const auto& [spelling, member] : table) {
        if (spelling == text) return member;
    }
    const std::string normalised = normalise(text);
    for (const auto& [spelling, member] : table) {
        if (spelling == normalised) return member;
    }
    return failure(std::string(unknown) + " " + quote(normalised));
}

constexpr std::array<std::pair<std::string_view, Body>, 11> BODIES = {{
    {"sun", Body::Sun},
    {"moon", Body::Moon},
    {"mercury", Body::Mercury},
    {"venus", Body::Venus},
    {"earth", Body::Earth},
    {"mars", Body::Mars},
    {"jupiter", Body::Jupiter},
    {"saturn", Body::Saturn},
    {"uranus", Body::Uranus},
    {"neptune", Body::Neptune},
    {"pluto", Body::Pluto},
}};

constexpr std::array<std::pair<std::string_view, OriginKind>, 4> ORIGINS = {{
    {"barycentric", OriginKind::Barycentric},
    {"heliocentric", OriginKind::Heliocentric},
    {"geocentric", OriginKind::Geocentric},
    {"topocentric", OriginKind::Topocentric},
}};

constexpr std::array<std::pair<std::string_view, TimeScale>, 4> TIME_SCALES = {{
    {"utc", TimeScale::Utc},
    {"ut1", TimeScale::Ut1},
    {"tt", TimeScale::Tt},
    {"tdb", TimeScale::Tdb},
}};

constexpr std::array<std::pair<std::string_view, CoordinateSystem>, 2> COORDINATE_SYSTEMS = {{
    {"equatorial", CoordinateSystem::Equatorial},
    {"ecliptic", CoordinateSystem::Ecliptic},
}};

constexpr std::array<std::pair<std::string_view, ReferenceEpoch>, 4> REFERENCE_EPOCHS = {{
    {"j2000", ReferenceEpoch::J2000},
    {"of_date", ReferenceEpoch::OfDate},
    {"of-date", ReferenceEpoch::OfDate},
    {"ofdate", ReferenceEpoch::OfDate},
}};

constexpr std::array<std::pair<std::string_view, HouseSystem>, 6> HOUSE_SYSTEMS = {{
    {"placidus", HouseSystem::Placidus},
    {"campanus", HouseSystem::Campanus},
    {"equal", HouseSystem::Equal},
    {"whole_sign", HouseSystem::WholeSign},
    {"whole-sign", HouseSystem::WholeSign},
    {"wholesign", HouseSystem::WholeSign},
}};

constexpr std::array<std::pair<std::string_view, SeasonEvent>, 10> SEASON_EVENTS = {{
    {"march_equinox", SeasonEvent::MarchEquinox},
    {"march-equinox", SeasonEvent::MarchEquinox},
    {"vernal_equinox", SeasonEvent::MarchEquinox},
    {"june_solstice", SeasonEvent::JuneSolstice},
    {"june-solstice", SeasonEvent::JuneSolstice},
    {"september_equinox", SeasonEvent::SeptemberEquinox},
    {"september-equinox", SeasonEvent::SeptemberEquinox},
    {"autumnal_equinox", SeasonEvent::SeptemberEquinox},
    {"december_solstice", SeasonEvent::DecemberSolstice},
    {"december-solstice", SeasonEvent::DecemberSolstice},
}};

constexpr std::array<std::pair<std::string_view, SiderealMode>, 4> SIDEREAL_MODES = {{
    {"lahiri", SiderealMode::Lahiri},
    {"fagan_bradley", SiderealMode::FaganBradley},
    {"fagan-bradley", SiderealMode::FaganBradley},
    {"faganbradley", SiderealMode::FaganBradley},
}};

constexpr std::array<std::pair<std::string_view, LunationEvent>, 6> LUNATION_EVENTS = {{
    {"new_moon", LunationEvent::NewMoon},
    {"new-moon", LunationEvent::NewMoon},
    {"newmoon", LunationEvent::NewMoon},
    {"full_moon", LunationEvent::FullMoon},
    {"full-moon", LunationEvent::FullMoon},
    {"fullmoon", LunationEvent::FullMoon},
}};

constexpr std::array<std::pair<std::string_view, HorizonEventKind>, 3> HORIZON_EVENT_KINDS = {{
    {"rise", HorizonEventKind::Rise},
    {"set", HorizonEventKind::Set},
    {"transit", HorizonEventKind::Transit},
}};

// The first spelling listed for a member is its canonical name.
template <class Member, std::size_t N>
std::string_view first_spelling(const std::array<std::pair<std::string_view, Member>, N>& table,
                                Member member) {
    for (const auto& [spelling, candidate] : table) {
        if (candidate == member) return spelling;
    }
    return {};
}

}  // namespace

Result<Body, std::string> parse_body(std::string_view text) {
    return look_up(text, BODIES, "unknown body");
}
Result<TimeScale, std::string> parse_time_scale(std::string_view text) {
    return look_up(text, TIME_SCALES, "unknown time scale");
}
Result<CoordinateSystem, std::string> parse_coordinate_system(std::string_view text) {
    return look_up(text, COORDINATE_SYSTEMS, "unknown coordinate system");
}
Result<ReferenceEpoch, std::string> parse_reference_epoch(std::string_view text) {
    return look_up(text, REFERENCE_EPOCHS, "unknown reference epoch");
}
Result<HouseSystem, std::string> parse_house_system(std::string_view text) {
    return look_up(text, HOUSE_SYSTEMS, "unknown house system");
}
Result<SeasonEvent, std::string> parse_season_event(std::string_view text) {
    return look_up(text, SEASON_EVENTS, "unknown season event");
}
Result<LunationEvent, std::string> parse_lunation_event(std::string_view text) {
    return look_up(text, LUNATION_EVENTS, "unknown lunation event");
}
Result<SiderealMode, std::string> parse_sidereal_mode(std::string_view text) {
    return look_up(text, SIDEREAL_MODES, "unknown sidereal mode");
}
Result<HorizonEventKind, std::string> parse_horizon_event_kind(std::string_view text) {
    return look_up(text, HORIZON_EVENT_KINDS, "unknown horizon event");
}

Result<Origin, std::string> parse_origin(std::string_view text, const GeodeticObserver* observer) {
    auto kind = look_up(text, ORIGINS, "unknown origin");
    if (!kind) return failure(std::move(kind).error());
    if (*kind != OriginKind::Topocentric) {
        if (observer != nullptr) {
            return failure(std::string("observer is only valid with origin \"topocentric\""));
        }
        return Origin{*kind};
    }
    if (observer == nullptr) {
        return failure(std::string("origin \"topocentric\" requires a GeodeticObserver"));
    }
    auto valid = validate_observer(*observer);
    if (!valid) return failure(message(valid.error()));
    return Origin{OriginKind::Topocentric, *valid};
}

std::string_view canonical_name(OriginKind origin) { return first_spelling(ORIGINS, origin); }
std::string_view canonical_name(CoordinateSystem system) {
    return first_spelling(COORDINATE_SYSTEMS, system);
}
std::string_view canonical_name(ReferenceEpoch epoch) {
    return first_spelling(REFERENCE_EPOCHS, epoch);
}
std::string_view canonical_name(HouseSystem system) { return first_spelling(HOUSE_SYSTEMS, system); }
std::string_view canonical_name(SeasonEvent event) { return first_spelling(SEASON_EVENTS, event); }
std::string_view canonical_name(LunationEvent event) {
    return first_spelling(LUNATION_EVENTS, event);
}
std::string_view canonical_name(SiderealMode mode) { return first_spelling(SIDEREAL_MODES, mode); }
std::string_view canonical_name(HorizonEventKind kind) {
    return first_spelling(HORIZON_EVENT_KINDS, kind);
}

}  // namespace orbyx::python
