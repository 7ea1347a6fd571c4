"""Named results of the native time functions."""
from typing import NamedTuple

import orbyx

from orbyx_ext import _native


class ConvertedInstant(NamedTuple):
    instant: orbyx.Instant
    # "tables" (the engine's time kernels) or "unchanged" (already in that scale).
    source: str


class CalendarDate(NamedTuple):
    year: int
    month: int
    day: int
    hour: int
    minute: int
    second: float


def convert(engine: orbyx.Engine, instant: orbyx.Instant, time_scale: str) -> ConvertedInstant:
    """The instant in `time_scale` ("utc", "ut1", "tt" or "tdb") by the engine's own
    relations and time kernels, with where it came from."""
    return ConvertedInstant(*_native.convert(engine, instant, time_scale))


def calendar_from_instant(instant: orbyx.Instant) -> CalendarDate:
    """The proleptic Gregorian date and time of the instant, in its own time scale."""
    return CalendarDate(*_native.calendar_from_instant(instant))
