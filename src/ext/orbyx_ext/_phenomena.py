"""Named results of the native phenomena functions."""
from typing import NamedTuple, Optional, Union

import orbyx

from orbyx_ext import _native


class Phenomena(NamedTuple):
    # From the Sun, between apparent places.
    elongation_deg: float
    # Sun - body - observer.
    phase_angle_deg: float
    # Of the disc, (1 + cos phase) / 2.
    illuminated_fraction: float
    # Of the IAU mean sphere; None for a body whose radius is unknown.
    angular_diameter_arcsec: Optional[float]
    # Light-time corrected.
    distance_au: float


class MoonAge(NamedTuple):
    # TT days since the new Moon.
    age_days: float
    # The Moon's, from the geocentre.
    phase_angle_deg: float
    # In TT.
    new_moon: orbyx.Instant


def phenomena(engine: orbyx.Engine, body: Union[str, int], instant: orbyx.Instant,
              observer: Optional[orbyx.GeodeticObserver] = None) -> Phenomena:
    """How `body` ("sun", "moon", "mercury", ... "pluto"; not "earth"; one of the
    companion's names such as "io" or "ceres", or a NAIF integer id) looks at `instant`
    from the geocentre, or from `observer`: its elongation from the Sun between apparent
    places, its phase angle (Sun - body - observer) between light-time corrected
    directions, the illuminated fraction of its disc, its angular diameter from the IAU
    mean radius (None for a body whose radius the companion does not know), and its
    light-time corrected distance."""
    return Phenomena(*_native.phenomena(engine, body, instant, observer))


def moon_age(engine: orbyx.Engine, instant: orbyx.Instant) -> MoonAge:
    """TT days since the last new Moon at or before `instant` (the Moon's apparent
    geocentric ecliptic longitude equal to the Sun's), with the Moon's geocentric phase
    angle and that new Moon."""
    return MoonAge(*_native.moon_age(engine, instant))
