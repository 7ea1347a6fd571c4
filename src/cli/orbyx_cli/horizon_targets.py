"""What a rise, a set or a twilight crosses, as the companion's searches take it and as a header tells it."""
from __future__ import annotations

import math
from dataclasses import dataclass
from typing import List, Optional

import orbyx

from .bodies import Body
from .errors import CommandError


SUN_NAMES = ("sun", 10)
MOON_NAMES = ("moon", 301)
EARTH_NAMES = ("earth", 399)
REFRACTION_DEG = 34.0 / 60.0
# IAU WGCCRE mean lunar radius, the one the companion's search uses.
MOON_RADIUS_KM = 1737.4
AU_KM = 149597870.7
# The Sun's centre below the horizon at each twilight's dawn and dusk, deepest first.
TWILIGHT_DEPTHS_DEG = {"astronomical": 18.0, "nautical": 12.0, "civil": 6.0}


def body_label(body: Body) -> str:
    return f"NAIF {body}" if isinstance(body, int) else body.capitalize()


@dataclass(frozen=True)
class Horizon:
    """The altitude a rise or set crosses: `altitude_deg` None is the almanac's practice for the body."""

    body: Body
    altitude_deg: Optional[float]

    @property
    def is_moon_limb(self) -> bool:
        return self.altitude_deg is None and self.body in MOON_NAMES

    def centre_altitude_deg(self, distance_au: float) -> float:
        """The centre's true altitude at rise and set, at the body's distance."""
        if self.altitude_deg is not None:
            return self.altitude_deg
        if self.body in SUN_NAMES:
            return orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG
        if self.is_moon_limb:
            return -REFRACTION_DEG - math.degrees(math.asin(min(1.0, MOON_RADIUS_KM / (distance_au * AU_KM))))
        return -REFRACTION_DEG

    def description(self) -> str:
        if self.altitude_deg is not None:
            return f"the centre at altitude {self.altitude_deg:.4f} degrees"
        if self.body in SUN_NAMES:
            return (f"the centre at altitude {orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG:.4f} degrees "
                    "(upper limb with 34' of mean refraction)")
        if self.is_moon_limb:
            return ("the upper limb at altitude -0.5667 degrees (34' of mean refraction), "
                    "its semidiameter from its distance")
        return "the centre at altitude -0.5667 degrees (34' of mean refraction)"


def horizon_for(body: Body, altitude_deg: Optional[float]) -> Horizon:
    if body in EARTH_NAMES:
        raise CommandError("--body earth: the Earth neither rises nor sets at a site on it; choose another body")
    return Horizon(body, altitude_deg)


def twilight_list(text: Optional[str], body: Body) -> List[str]:
    """The twilights asked for, deepest first: their dawns come first in the day."""
    if text is None:
        return []
    names = {name.strip().lower() for name in text.split(",") if name.strip()}
    unknown = sorted(names - set(TWILIGHT_DEPTHS_DEG))
    if unknown or not names:
        raise CommandError(f"--twilight: unknown twilight {unknown[0]!r}: choose from civil, nautical, astronomical"
                           if unknown else "--twilight names no twilight")
    if body not in SUN_NAMES:
        raise CommandError("--twilight is the Sun's depth below the horizon: it goes with the Sun only")
    return [name for name in TWILIGHT_DEPTHS_DEG if name in names]


def twilight_description(twilights: List[str]) -> str:
    return "; ".join(f"{name} dawn and dusk with the centre {TWILIGHT_DEPTHS_DEG[name]:g} degrees below the horizon"
                     for name in reversed(twilights))
