"""Ayanamshas beyond the module's two sidereal modes."""
from typing import NamedTuple, Optional, Union

import orbyx

from orbyx_ext import _native


class UserAyanamsha(NamedTuple):
    # The sidereal origin's distance from the mean equinox at one TT Julian day.
    reference_tt_day: float
    value_deg: float


def ayanamsha(ayanamsha: Union[str, UserAyanamsha], instant: Union[float, orbyx.Instant],
              nutation: bool = True, engine: Optional[orbyx.Engine] = None) -> float:
    """Degrees from the equinox of date to the sidereal origin `ayanamsha` at `instant`:
    "krishnamurti", "raman", "yukteshwar", "j2000", "j1900", "b1950" or a UserAyanamsha,
    carried from its epoch by the IAU 2006 general precession in longitude. With
    `nutation` it is measured from the true equinox (the IAU 2000B nutation in longitude
    added), else from the mean one. `instant` is a TT Julian day or an orbyx.Instant; a
    UTC or UT1 instant needs `engine` to convert it to TT."""
    return _native.ayanamsha(ayanamsha, instant, nutation, engine)
