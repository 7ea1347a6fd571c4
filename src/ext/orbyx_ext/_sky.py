"""A body's place in a site's sky, and the site's sidereal time, for one instant or many."""
from collections.abc import Sequence
from typing import NamedTuple, Union

import numpy as np
import numpy.typing as npt

import orbyx

from orbyx_ext import _native

Angles = Union[float, npt.NDArray[np.float64]]
# A body as orbyx names it, by one of the companion's names ("io", ...) or by NAIF id.
Bodies = Union[str, int, Sequence[Union[str, int]]]
Instants = Union[orbyx.Instant, Sequence[orbyx.Instant], npt.NDArray[np.object_]]


class HorizontalPlace(NamedTuple):
    altitude_deg: Angles
    # From north through east, in [0, 360).
    azimuth_deg: Angles
    distance_au: Angles
    # "tables" (the engine's time kernels turned the Earth) or "model" (outside them).
    source: str


class HourAngle(NamedTuple):
    # West of the meridian, in (-180, 180]; both angles about the terrestrial pole.
    hour_angle_deg: Angles
    declination_deg: Angles
    source: str


class LocalSiderealTime(NamedTuple):
    # Local apparent sidereal time in degrees, [0, 360), as house cusps report it.
    local_sidereal_time_deg: Angles
    source: str


def _batch(engine: orbyx.Engine, body: Bodies, observer: orbyx.GeodeticObserver, instant: Instants,
           pressure_mbar: Union[float, None] = None,
           temperature_c: Union[float, None] = None) -> tuple[npt.NDArray[np.float64], str]:
    """(values, source): values indexed [instant, body, column], with the axis of a
    single body name or a single Instant left out."""
    bodies: Sequence[Union[str, int]] = [body] if isinstance(body, (str, int)) else body
    instants = [instant] if isinstance(instant, orbyx.Instant) else instant
    values, source = _native.horizontal_batch(engine, bodies, observer, instants, pressure_mbar, temperature_c)
    one_body, one_instant = isinstance(body, (str, int)), isinstance(instant, orbyx.Instant)
    if one_body:
        values = values[:, 0]
    if one_instant:
        values = values[0]
    return values, source


def horizontal(engine: orbyx.Engine, body: Bodies, observer: orbyx.GeodeticObserver, instant: Instants,
               pressure_mbar: Union[float, None] = None, temperature_c: Union[float, None] = None) -> HorizontalPlace:
    """Altitude and azimuth of the body's apparent place seen from the site, and its
    distance. Refracted when either weather value is given (the other then defaults to
    1010 mbar or 10 C): Bennett's formula for true altitudes from -1 to 89.9 degrees.
    Bodies may also be NAIF ids or the companion's names ("io", "ceres", ...). Several
    bodies or instants give arrays indexed [instant, body]."""
    if isinstance(body, (str, int)) and isinstance(instant, orbyx.Instant):
        place = _native.horizontal(engine, body, observer, instant, pressure_mbar, temperature_c)
        return HorizontalPlace(place[0], place[1], place[6], place[7])
    values, source = _batch(engine, body, observer, instant, pressure_mbar, temperature_c)
    return HorizontalPlace(values[..., 0], values[..., 1], values[..., 4], source)


def hour_angle(engine: orbyx.Engine, body: Bodies, observer: orbyx.GeodeticObserver,
               instant: Instants) -> HourAngle:
    """Hour angle and declination of the body's apparent place seen from the site."""
    if isinstance(body, (str, int)) and isinstance(instant, orbyx.Instant):
        place = _native.horizontal(engine, body, observer, instant)
        return HourAngle(place[2], place[3], place[7])
    values, source = _batch(engine, body, observer, instant)
    return HourAngle(values[..., 2], values[..., 3], source)


def local_sidereal_time(engine: orbyx.Engine, observer: orbyx.GeodeticObserver,
                        instant: Instants) -> LocalSiderealTime:
    """The site's local apparent sidereal time: Greenwich apparent sidereal time plus
    its east longitude, in degrees."""
    if isinstance(instant, orbyx.Instant):
        return LocalSiderealTime(*_native.local_sidereal_time(engine, observer, instant))
    times = [_native.local_sidereal_time(engine, observer, item) for item in instant]
    source = "tables" if all(item[1] == "tables" for item in times) else "model"
    return LocalSiderealTime(np.array([item[0] for item in times], dtype=np.float64), source)
