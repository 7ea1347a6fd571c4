"""Named result of the native house_cusps."""
import struct
from typing import NamedTuple, Optional, Union

import orbyx

from orbyx_ext import _native
from orbyx_ext._ayanamsha import UserAyanamsha

JulianDay = Union[orbyx.Instant, float]
Cusps = tuple[float, float, float, float, float, float, float, float, float, float, float, float]

# The native call's systems, by the index it reports.
SYSTEMS = ("placidus", "campanus", "equal", "whole_sign", "koch", "regiomontanus", "porphyry",
           "alcabitius", "topocentric", "morinus", "meridian", "vehlow", "sripati")
_unpack_doubles = struct.Struct("20d").unpack


class HouseCusps(NamedTuple):
    # The system that divided: the fallback where it was used.
    system: str
    # Twelve ecliptic longitudes, house 1 first.
    cusps: Cusps
    # All angles in degrees on the true ecliptic and equator of date; longitudes in [0, 360).
    ascendant_deg: float
    midheaven_deg: float
    ramc_deg: float
    true_obliquity_deg: float
    # Where the prime vertical meets the ecliptic in the west.
    vertex_deg: float
    # The equatorial ascendant.
    east_point_deg: float
    fallback_used: bool


def house_cusps(observer: orbyx.GeodeticObserver, ut1: JulianDay, tt: JulianDay, system: str,
                fallback: Optional[str] = None,
                sidereal_mode: Optional[Union[str, orbyx.SiderealMode, UserAyanamsha]] = None) -> HouseCusps:
    """The houses of `observer` at a UT1/TT pair in `system` ("placidus", "campanus",
    "equal", "whole_sign", "koch", "regiomontanus", "porphyry", "alcabitius",
    "topocentric", "morinus", "meridian", "vehlow" or "sripati"), with the RAMC, true
    obliquity, ascendant and MC exactly as orbyx.house_cusps gives them, the Vertex and
    the East Point. Where the system is undefined for the site (Placidus and Koch near
    the poles) the `fallback` system divides instead and `fallback_used` is True;
    without one, ValueError. With `sidereal_mode` (a name orbyx_ext.ayanamsha knows, a
    UserAyanamsha, or the module's "lahiri" or "fagan_bradley") every longitude is
    sidereal, and whole signs are sidereal signs; the RAMC and obliquity stay."""
    v = _unpack_doubles(_native.house_cusps(observer, ut1, tt, system, fallback, sidereal_mode))
    return HouseCusps(SYSTEMS[int(v[18])], v[:12], v[12], v[13], v[14], v[15], v[16], v[17], v[19] != 0.0)
