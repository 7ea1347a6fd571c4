"""Named results of the searches along a body's apparent ecliptic track. A body is named
as orbyx names them, by one of the companion's names ("io", "ceres", ...) or by NAIF id."""
from typing import NamedTuple, Union

import orbyx

from orbyx_ext import _native
from orbyx_ext._ayanamsha import UserAyanamsha


class LongitudeCrossing(NamedTuple):
    instant: orbyx.Instant  # TT
    # "increasing" or "decreasing": which way the longitude went through the value.
    direction: str


class EclipticPassage(NamedTuple):
    instant: orbyx.Instant  # TT
    # "ascending" (northward) or "descending".
    direction: str


class Station(NamedTuple):
    instant: orbyx.Instant  # TT
    # What begins: "retrograde" or "direct" motion.
    direction: str


def longitude_crossings(engine: orbyx.Engine, body: Union[str, int], longitude_deg: float, start: orbyx.Instant,
                        end: orbyx.Instant,
                        sidereal_mode: "str | orbyx.SiderealMode | UserAyanamsha | None" = None,
                        ) -> list[LongitudeCrossing]:
    """Every instant in [start, end) at which the body's apparent geocentric longitude on
    the true ecliptic of date reaches `longitude_deg`, in time order, with the way it went
    through. With `sidereal_mode` (the module's "lahiri" or "fagan_bradley", a name
    orbyx_ext.ayanamsha knows, or a UserAyanamsha) the longitude is sidereal: a companion
    ayanamsha is subtracted from the true equinox, as in orbyx_ext.lunar_point."""
    return [LongitudeCrossing(*event) for event in
            _native.longitude_crossings(engine, body, longitude_deg, start, end, sidereal_mode)]


def ecliptic_passages(engine: orbyx.Engine, body: Union[str, int], start: orbyx.Instant,
                      end: orbyx.Instant) -> list[EclipticPassage]:
    """Every instant in [start, end) at which the body's apparent geocentric latitude on
    the true ecliptic of date changes sign (a node passage), in time order."""
    return [EclipticPassage(*event) for event in _native.ecliptic_passages(engine, body, start, end)]


def stations(engine: orbyx.Engine, body: Union[str, int], start: orbyx.Instant, end: orbyx.Instant,
             sidereal_mode: "str | orbyx.SiderealMode | UserAyanamsha | None" = None) -> list[Station]:
    """Every instant in [start, end) at which the rate of the body's apparent geocentric
    longitude of date changes sign, in time order. `sidereal_mode` is as in
    longitude_crossings; a sidereal longitude's rate includes the ayanamsha's, which
    moves a slow planet's station by up to hours."""
    return [Station(*event) for event in _native.stations(engine, body, start, end, sidereal_mode)]
