"""Conveniences on top of orbyx: instants from and to calendar dates and datetimes,
conversions between time scales through an engine's time kernels (with a ΔT model
beyond them), the places of bodies in a site's sky, complete horizon events (rises,
sets, transits and twilights), how bodies look (elongation, phase, illuminated
fraction, angular diameter, the Moon's age), the Moon's nodes and apsides, more
ayanamshas, the crossings, node passages and stations of a body's apparent ecliptic track, house
cusps in more systems, whole charts one at a time or in batches, and engines that read more SPK
segment types, with the geometric states and apparent positions of any body of their kernels,
by name or NAIF id, and tables of floats written as text at C speed."""
from orbyx_ext._ayanamsha import UserAyanamsha, ayanamsha
from orbyx_ext._chart import BODY_NAMES, LUNAR_POINT_NAMES, Chart, ChartBody, Charts, chart, charts
from orbyx_ext._crossings import (EclipticPassage, LongitudeCrossing, Station, ecliptic_passages,
                                  longitude_crossings, stations)
from orbyx_ext._datetime import datetime_from_instant, instant_from_datetime
from orbyx_ext._horizon import HorizonEvent, TwilightEvent
from orbyx_ext._houses import HouseCusps, house_cusps
from orbyx_ext._lunar_points import LunarPoint, lunar_point
from orbyx_ext._native import (horizon_events, instant_from_calendar, open, position, positions,
                               shortest_rows, twilight_events)
from orbyx_ext._phenomena import MoonAge, Phenomena, moon_age, phenomena
from orbyx_ext._sky import (HorizontalPlace, HourAngle, LocalSiderealTime, horizontal, hour_angle,
                            local_sidereal_time)
from orbyx_ext._states import GeometricState, geometric_state, geometric_states
from orbyx_ext._time import CalendarDate, ConvertedInstant, calendar_from_instant, convert

__all__ = [
    "BODY_NAMES",
    "CalendarDate",
    "Chart",
    "ChartBody",
    "Charts",
    "ConvertedInstant",
    "EclipticPassage",
    "GeometricState",
    "HorizonEvent",
    "HorizontalPlace",
    "HouseCusps",
    "HourAngle",
    "LUNAR_POINT_NAMES",
    "LocalSiderealTime",
    "LongitudeCrossing",
    "LunarPoint",
    "MoonAge",
    "Phenomena",
    "Station",
    "TwilightEvent",
    "UserAyanamsha",
    "ayanamsha",
    "calendar_from_instant",
    "chart",
    "charts",
    "convert",
    "datetime_from_instant",
    "ecliptic_passages",
    "geometric_state",
    "geometric_states",
    "horizon_events",
    "horizontal",
    "house_cusps",
    "hour_angle",
    "instant_from_calendar",
    "instant_from_datetime",
    "local_sidereal_time",
    "longitude_crossings",
    "lunar_point",
    "moon_age",
    "open",
    "phenomena",
    "position",
    "positions",
    "shortest_rows",
    "stations",
    "twilight_events",
]
