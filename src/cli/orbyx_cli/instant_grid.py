"""The instants a command runs over: one date, or a start, an end and a step."""
from __future__ import annotations

import argparse
import re
from dataclasses import dataclass
from typing import List, Optional

from .calendar import parse_civil
from .errors import CommandError
from .options import instant_argument, instant_span, is_leap_second

MAX_INSTANTS = 10_000_000
REACHED_WITHIN_DAYS = 0.001 / 86400.0
_STEP = re.compile(r"(?P<sign>[-+]?)(?P<count>\d+(?:\.\d*)?|\.\d+)\s*(?P<unit>d|day|days|h|m|min|s)?", re.IGNORECASE)
_DAYS_PER_UNIT = {"d": 1.0, "day": 1.0, "days": 1.0, "h": 1 / 24, "m": 1 / 1440, "min": 1 / 1440, "s": 1 / 86400}


def step_days(text: str) -> float:
    match = _STEP.fullmatch(text.strip())
    if match is None:
        raise CommandError(f"--step: invalid step {text!r}: expected a number with d, h, m or s, such as 1d, 6h or -1d")
    days = float(match.group("count")) * _DAYS_PER_UNIT[(match.group("unit") or "d").lower()]
    if days == 0.0:
        raise CommandError("--step must not be zero")
    return -days if match.group("sign") == "-" else days


@dataclass(frozen=True)
class InstantGrid:
    julian_days: List[float]
    scale: str
    whole_seconds: bool  # whether every instant can be shown to the second
    # A leap second is computed in TT but shown in UTC, as written.
    shown_in_utc: bool = False

    @property
    def last(self) -> float:
        return self.julian_days[-1]


def _is_whole_second(julian_day: float) -> bool:
    seconds = (julian_day + 0.5) % 1.0 * 86400.0
    return abs(seconds - round(seconds)) < 1e-4


def grid_from(arguments: argparse.Namespace, at: Optional[str], start: Optional[str], end: Optional[str],
              step: Optional[str], default_at: str = "now") -> InstantGrid:
    """One instant from `at` (default `default_at`), or every step from `start` to `end` inclusive."""
    if start is None and end is None:
        if step is not None:
            raise CommandError("--step needs --from and --to")
        day, scale = instant_argument(at or default_at, arguments, "--at")
        if at is None:
            return InstantGrid([day], scale, False)
        # A leap second's TT day is no whole second of TT: its text decides.
        leap = is_leap_second(at)
        whole = parse_civil(at).seconds_of_day.is_integer() if leap else _is_whole_second(day)
        return InstantGrid([day], scale, whole, leap)
    if at is not None:
        raise CommandError("give either --at or --from/--to, not both")
    if start is None or end is None:
        raise CommandError("--from and --to go together")
    first, last, scale = instant_span(arguments, start, end)
    spacing = step_days(step or "1d")
    # A negative step runs backwards, from a later --from to an earlier --to.
    if (last - first) * spacing < 0.0:
        raise CommandError("--to comes before --from" if spacing > 0.0
                           else "--to comes after --from, and a negative --step runs backwards")
    # A Julian day near 2.5e6 holds about 40 µs: an end that the steps reach within a
    # millisecond is reached.
    count = int((last - first) / spacing + REACHED_WITHIN_DAYS / abs(spacing)) + 1
    if count > MAX_INSTANTS:
        raise CommandError(f"{count} instants exceed the limit of {MAX_INSTANTS}: use a larger --step")
    days = [first + k * spacing for k in range(count)]
    whole_step = abs(spacing * 86400.0 - round(spacing * 86400.0)) < 1e-4
    return InstantGrid(days, scale, _is_whole_second(first) and whole_step)
