"""Named results of the native time functions."""
from typing import NamedTuple

import orbyx

from orbyx_ext import _native


class ConvertedInstant(NamedTuple):
    instant: orbyx.Instant
    # "tables" (the engine's time kernels), "model" (UT1 from the Delta T model outside
    # them) or "unchanged" (already in that scale).
    source: str


class CalendarDate(NamedTuple):
    year: int
    month: int
    day: int
    hour: int
    minute: int
    second: float


def convert(engine: orbyx.Engine, instant: orbyx.Instant, time_scale: str) -> ConvertedInstant:
    """The instant in `time_scale` ("utc", "ut1", "tt" or "tdb"), with where it came
    from: "tables" (the engine's own relations and time kernels), "model" (UT1 outside
    them, from the Delta T splines of Morrison et al. 2021 and the long-term parabola of
    Stephenson et al. 2016, joined to the tables without a step) or "unchanged".

    A UTC instant before the leap-second kernel's first entry (1972) is read as UT1.
    TT and TDB convert on any day; UTC needs a leap-second kernel, and before its first
    entry an Earth orientation table too; UT1 needs both."""
    return ConvertedInstant(*_native.convert(engine, instant, time_scale))


def calendar_from_instant(instant: orbyx.Instant) -> CalendarDate:
    """The proleptic Gregorian date and time of the instant, in its own time scale."""
    return CalendarDate(*_native.calendar_from_instant(instant))
