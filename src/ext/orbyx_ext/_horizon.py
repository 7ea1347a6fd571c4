"""Named results of the native horizon searches, which make them."""
from typing import NamedTuple

import orbyx


class HorizonEvent(NamedTuple):
    instant: orbyx.Instant  # UT1
    # "rise", "set", "upper_transit" or "lower_transit".
    kind: str


class TwilightEvent(NamedTuple):
    instant: orbyx.Instant  # UT1
    # "dawn" (the Sun rising through the twilight's altitude) or "dusk".
    kind: str
