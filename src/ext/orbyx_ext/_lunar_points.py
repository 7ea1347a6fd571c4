"""Named result of the native lunar point function."""
from typing import NamedTuple, Optional, Union

import orbyx

from orbyx_ext import _native
from orbyx_ext._ayanamsha import UserAyanamsha


class LunarPoint(NamedTuple):
    # On the true ecliptic and equinox of date, or sidereal.
    longitude_deg: float
    latitude_deg: float
    longitude_speed_deg_per_day: float


def lunar_point(engine: orbyx.Engine, point: str, instant: orbyx.Instant,
                sidereal_mode: Optional[Union[str, orbyx.SiderealMode, UserAyanamsha]] = None) -> LunarPoint:
    """The Moon's node or apsis `point` at `instant`: "mean_node", "true_node",
    "mean_south_node", "true_south_node", "mean_apogee", "osculating_apogee",
    "mean_perigee" or "osculating_perigee", on the true ecliptic and equinox of date
    (sidereal in `sidereal_mode` if given: the module's "lahiri" or "fagan_bradley",
    which keep the nutation, or a name orbyx_ext.ayanamsha knows or a UserAyanamsha,
    subtracted with its nutation as Swiss Ephemeris does). The mean points follow the mean elements of
    Simon et al. (1994); the true and osculating ones the two-body orbit through the
    Moon's geometric geocentric state on the engine's kernel."""
    return LunarPoint(*_native.lunar_point(engine, point, instant, sidereal_mode))
