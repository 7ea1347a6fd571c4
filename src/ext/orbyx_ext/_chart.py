"""Whole charts: the bodies, the Moon's nodes and apsides and the houses at once."""
import struct
from collections.abc import Sequence
from typing import NamedTuple, Optional, Union

import numpy as np
import numpy.typing as npt

import orbyx

from orbyx_ext import _native
from orbyx_ext._ayanamsha import UserAyanamsha
from orbyx_ext._houses import HouseCusps
from orbyx_ext._lunar_points import LunarPoint

SiderealMode = Optional[Union[str, orbyx.SiderealMode, UserAyanamsha]]
Observers = Union[orbyx.GeodeticObserver, Sequence[orbyx.GeodeticObserver]]
Instants = Union[Sequence[orbyx.Instant], npt.NDArray[np.object_]]
ExtraBodies = Sequence[Union[str, int]]

BODY_NAMES = ("sun", "moon", "mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune", "pluto")
LUNAR_POINT_NAMES = ("mean_node", "true_node", "mean_south_node", "true_south_node", "mean_apogee",
                     "osculating_apogee", "mean_perigee", "osculating_perigee")
# The native chart's doubles: 4 per body, 3 per lunar point, 12 cusps, 6 angles (from
# 76), the fallback flag and the ayanamsha.
_LUNAR_POINTS, _CUSPS, _ANGLES, _FALLBACK_USED, _AYANAMSHA, _VALUES = 40, 64, 76, 82, 83, 84
_unpack_chart = struct.Struct(f"{_VALUES}d").unpack
_BODY_STARTS = tuple(range(0, _LUNAR_POINTS, 4))


class ChartBody(NamedTuple):
    # The apparent place on the true ecliptic and equinox of date, or sidereal.
    longitude_deg: float
    latitude_deg: float
    distance_au: float
    # The rate of that very longitude, light time and the turning equinox included.
    longitude_speed_deg_per_day: float
    retrograde: bool


class Chart(NamedTuple):
    # By the names of BODY_NAMES and LUNAR_POINT_NAMES, in that order; the extra
    # bodies follow the ten, keyed as given (an id as str(id)).
    bodies: dict[str, ChartBody]
    lunar_points: dict[str, LunarPoint]
    houses: HouseCusps
    # The ayanamsha subtracted from every longitude; None for a tropical chart.
    ayanamsha_deg: Optional[float]


class Charts(NamedTuple):
    # [chart, body, column]: longitude, latitude, distance (au), longitude speed;
    # bodies in the order of body_names.
    bodies: npt.NDArray[np.float64]
    # [chart, body]: the longitude speed is negative.
    retrograde: npt.NDArray[np.bool_]
    # [chart, point, column]: longitude, latitude, longitude speed; points in the
    # order of LUNAR_POINT_NAMES.
    lunar_points: npt.NDArray[np.float64]
    # [chart, house], house 1 first.
    cusps: npt.NDArray[np.float64]
    # [chart, column]: ascendant, MC, RAMC, true obliquity, Vertex, East Point.
    angles: npt.NDArray[np.float64]
    fallback_used: npt.NDArray[np.bool_]
    # [chart]; None for tropical charts.
    ayanamsha_deg: Optional[npt.NDArray[np.float64]]
    # The bodies' columns: BODY_NAMES, then the extra bodies as given (an id as str(id)).
    body_names: tuple[str, ...]


def _extra_names(extra_bodies: ExtraBodies) -> tuple[str, ...]:
    names = tuple(body if isinstance(body, str) else str(body) for body in extra_bodies)
    # Each names a column or a key of its own: a repeated name would hide a body.
    seen = set(BODY_NAMES)
    for name in names:
        if name in seen:
            raise ValueError(f"extra body \"{name}\" is already among the chart's bodies")
        seen.add(name)
    return names


def chart(engine: orbyx.Engine, observer: orbyx.GeodeticObserver, instant: orbyx.Instant,
          system: str = "placidus", sidereal_mode: SiderealMode = None, fallback: Optional[str] = None,
          topocentric: bool = False, extra_bodies: ExtraBodies = ()) -> Chart:
    """The whole chart of `observer` at `instant`: the Sun, the Moon and Mercury to Pluto
    as apparent places on the true ecliptic and equinox of date (geocentric, or seen
    from the site with `topocentric=True`), each with the true rate of its apparent
    longitude and whether that is negative; the eight points of orbyx_ext.lunar_point;
    the houses of orbyx_ext.house_cusps in `system`, with `fallback`. With
    `sidereal_mode` every longitude and rate is sidereal and the ayanamsha is given.
    Each of `extra_bodies` (names or NAIF ids, as orbyx_ext.position takes them) gets
    a place like the ten's, after them."""
    names: tuple[str, ...]
    starts: tuple[int, ...]
    if extra_bodies == ():
        v = _unpack_chart(_native.chart(engine, observer, instant, system, sidereal_mode, fallback, topocentric))
        names, starts = BODY_NAMES, _BODY_STARTS
    else:
        native = _native.chart(engine, observer, instant, system, sidereal_mode, fallback, topocentric,
                               extra_bodies)
        v = struct.unpack(f"{len(native) // 8}d", native)
        names = BODY_NAMES + _extra_names(extra_bodies)
        starts = _BODY_STARTS + tuple(range(_VALUES, len(v), 4))
    bodies = {name: ChartBody(v[i], v[i + 1], v[i + 2], v[i + 3], v[i + 3] < 0.0) for name, i in zip(names, starts)}
    points = {name: LunarPoint(v[i], v[i + 1], v[i + 2])
              for name, i in zip(LUNAR_POINT_NAMES, range(_LUNAR_POINTS, _CUSPS, 3))}
    fallback_used = v[_FALLBACK_USED] != 0.0
    divided_by = fallback if fallback_used and fallback is not None else system
    houses = HouseCusps(divided_by, v[_CUSPS:_ANGLES], v[76], v[77], v[78], v[79], v[80], v[81], fallback_used)
    return Chart(bodies, points, houses, None if sidereal_mode is None else v[_AYANAMSHA])


def charts(engine: orbyx.Engine, observers: Observers, instants: Instants, system: str = "placidus",
           sidereal_mode: SiderealMode = None, fallback: Optional[str] = None,
           topocentric: bool = False, extra_bodies: ExtraBodies = ()) -> Charts:
    """The charts of orbyx_ext.chart at every instant, as arrays indexed by chart first:
    for one site (a GeodeticObserver) or a site per instant (a sequence as long as
    `instants`). Each chart has the very values orbyx_ext.chart gives it; the extra
    bodies are further columns of `bodies` after the ten, named in `body_names`. A
    chart that fails fails the call, and the ValueError names its index."""
    values = _native.charts(engine, observers, instants, system, sidereal_mode, fallback, topocentric,
                            extra_bodies)[..., 0]
    count = values.shape[0]
    names = BODY_NAMES + _extra_names(extra_bodies)
    bodies = values[:, :_LUNAR_POINTS].reshape(count, len(BODY_NAMES), 4)
    if len(names) > len(BODY_NAMES):
        bodies = np.concatenate((bodies, values[:, _VALUES:].reshape(count, len(names) - len(BODY_NAMES), 4)), axis=1)
    return Charts(bodies, bodies[:, :, 3] < 0.0,
                  values[:, _LUNAR_POINTS:_CUSPS].reshape(count, len(LUNAR_POINT_NAMES), 3),
                  values[:, _CUSPS:_ANGLES], values[:, _ANGLES:_FALLBACK_USED], values[:, _FALLBACK_USED] != 0.0,
                  None if sidereal_mode is None else values[:, _AYANAMSHA], names)
