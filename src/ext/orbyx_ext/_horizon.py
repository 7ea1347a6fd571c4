"""Named results of the native horizon searches."""
from typing import NamedTuple, Optional

import orbyx

from orbyx_ext import _native


class HorizonEvent(NamedTuple):
    instant: orbyx.Instant  # UT1
    # "rise", "set", "upper_transit" or "lower_transit".
    kind: str


class TwilightEvent(NamedTuple):
    instant: orbyx.Instant  # UT1
    # "dawn" (the Sun rising through the twilight's altitude) or "dusk".
    kind: str


def horizon_events(engine: orbyx.Engine, body: str, observer: orbyx.GeodeticObserver,
                   start: orbyx.Instant, end: orbyx.Instant,
                   altitude_deg: Optional[float] = None) -> "list[HorizonEvent]":
    """Every rise, set, upper and lower transit of the body for the site within
    [start, end), in time order. By default the Sun and the Moon rise and set by their
    upper limb under 34' of refraction, the planets by their centre under the same; a
    given altitude_deg is the centre's."""
    return [HorizonEvent(*event)
            for event in _native.horizon_events(engine, body, observer, start, end, altitude_deg)]


def twilight_events(engine: orbyx.Engine, observer: orbyx.GeodeticObserver, start: orbyx.Instant,
                    end: orbyx.Instant, twilight: str = "civil") -> "list[TwilightEvent]":
    """Every dawn and dusk of the twilight ("civil", "nautical" or "astronomical": the
    Sun's centre 6, 12 or 18 degrees below the horizon) within [start, end), in time order."""
    return [TwilightEvent(*event)
            for event in _native.twilight_events(engine, observer, start, end, twilight)]
