"""Ayanamshas beyond the module's two sidereal modes."""
from typing import NamedTuple, Optional, Union

import orbyx

from orbyx_ext import _native


class UserAyanamsha(NamedTuple):
    # The sidereal origin's distance from the mean equinox at one TT Julian day, carried
    # to other days by the general precession in longitude of "iau2006" or "iau1976".
    reference_tt_day: float
    value_deg: float
    precession: str = "iau2006"


def ayanamsha(ayanamsha: Union[str, UserAyanamsha], instant: Union[float, orbyx.Instant],
              nutation: bool = True, engine: Optional[orbyx.Engine] = None) -> float:
    """Degrees from the equinox of date to the sidereal origin `ayanamsha` at `instant`.
    "krishnamurti", "raman", "yukteshwar", "j2000", "j1900", "b1950" and a UserAyanamsha
    are carried from their epoch by a general precession in longitude (IAU 2006 unless
    the UserAyanamsha names "iau1976"). "true_chitra" (Spica at 180 deg), "true_revati"
    (zeta Piscium at 359 deg 50'), "true_pushya" (delta Cancri at 106 deg) and
    "galactic_centre" (Sgr A* at 240 deg) keep a star, moved by its proper motion and
    seen through the Sun's light bending and the aberration, at a fixed sidereal
    longitude. With `nutation` it is measured from the
    true equinox (the IAU 2000B nutation in longitude added), else from the mean one.
    `instant` is a TT Julian day or an orbyx.Instant; a UTC or UT1 instant needs
    `engine` to convert it to TT."""
    return _native.ayanamsha(ayanamsha, instant, nutation, engine)
