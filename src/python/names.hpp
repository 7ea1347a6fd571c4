#pragma once

#include <string>
#include <string_view>

#include "core/result.hpp"
#include "core/types.hpp"

namespace orbyx::python {

// Every enumerated choice crosses the boundary as text. Each parser trims Unicode
// white space, lower-cases ASCII letters and looks the result up in a fixed
// table of spellings; a miss yields the parser's message with the normalised
// text quoted.
Result<Body, std::string> parse_body(std::string_view text);
Result<TimeScale, std::string> parse_time_scale(std::string_view text);
Result<CoordinateSystem, std::string> parse_coordinate_system(std::string_view text);
Result<ReferenceEpoch, std::string> parse_reference_epoch(std::string_view text);
Result<HouseSystem, std::string> parse_house_system(std::string_view text);
Result<SeasonEvent, std::string> parse_season_event(std::string_view text);
Result<LunationEvent, std::string> parse_lunation_event(std::string_view text);
Result<SiderealMode, std::string> parse_sidereal_mode(std::string_view text);
Result<HorizonEventKind, std::string> parse_horizon_event_kind(std::string_view text);

// Also checks the observer rules: only a topocentric origin takes (and needs) one.
Result<Origin, std::string> parse_origin(std::string_view text, const GeodeticObserver* observer);

// The canonical (Python-facing) names of the members.
std::string_view canonical_name(OriginKind origin);
std::string_view canonical_name(CoordinateSystem system);
std::string_view canonical_name(ReferenceEpoch epoch);
std::string_view canonical_name(HouseSystem system);
std::string_view canonical_name(SeasonEvent event);
std::string_view canonical_name(LunationEvent event);
std::string_view canonical_name(SiderealMode mode);
std::string_view canonical_name(HorizonEventKind kind);

}  // namespace orbyx::python
