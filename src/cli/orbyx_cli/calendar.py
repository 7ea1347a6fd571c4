"""ISO 8601 dates to Julian days and back, proleptic Gregorian, in any time scale."""
from __future__ import annotations

import math
import re
import time
from dataclasses import dataclass
from typing import Optional, Tuple

from .day_numbers import calendar_from_day_number, julian_day_from_calendar
from .errors import CommandError

UNIX_EPOCH_JULIAN_DAY = 2440587.5
SECONDS_PER_DAY = 86400.0
UNITS_PER_DAY = {"day": 1, "minute": 1440, "second": 86400, "millisecond": 86400000}

_INSTANT = re.compile(
    r"(?P<year>[+-]?\d{4,})-(?P<month>\d{2})-(?P<day>\d{2})"
    r"(?:[T ](?P<hour>\d{2}):(?P<minute>\d{2})(?::(?P<second>\d{2}(?:\.\d+)?))?)?"
    r"\s*(?P<zone>Z|[+-]\d{2}:?\d{2}|UTC|UT1|TT|TDB)?", re.IGNORECASE)
_JULIAN_DAY = re.compile(r"JD\s*(?P<day>[+-]?\d+(?:\.\d*)?)\s*(?P<zone>UTC|UT1|TT|TDB)?", re.IGNORECASE)
_SCALE_OF_ZONE = {"z": "utc", "utc": "utc", "ut1": "ut1", "tt": "tt", "tdb": "tdb"}


def _days_in_month(year: int, month: int) -> int:
    return int(julian_day_from_calendar(year + month // 12, month % 12 + 1, 1)
               - julian_day_from_calendar(year, month, 1))


@dataclass(frozen=True)
class CivilDate:
    """A date as written: its calendar fields, seconds into the day and the suffix, if any."""

    year: int
    month: int
    day: int
    seconds_of_day: float
    zone: Optional[str]

    @property
    def is_leap_second(self) -> bool:
        return self.seconds_of_day >= SECONDS_PER_DAY

    def julian_day(self) -> float:
        return julian_day_from_calendar(self.year, self.month, self.day) + self.seconds_of_day / SECONDS_PER_DAY


def parse_civil(text: str) -> CivilDate:
    """The fields of an ISO 8601 date; second 60 is allowed in the day's last minute (a leap second)."""
    match = _INSTANT.fullmatch(text.strip())
    if match is None:
        raise CommandError(f"invalid date {text!r}: expected ISO 8601 such as 2027-06-21 or "
                           "2027-06-21T18:30:00, optionally followed by Z, UTC, UT1, TT or TDB")
    year, month, day = (int(match.group(name)) for name in ("year", "month", "day"))
    hour, minute = int(match.group("hour") or 0), int(match.group("minute") or 0)
    second = float(match.group("second") or 0)
    if not 1 <= month <= 12 or not 1 <= day <= _days_in_month(year, month):
        raise CommandError(f"invalid date {text!r}: no such day in the calendar")
    leap = second >= 60 and hour == 23 and minute == 59 and second < 61
    if hour > 23 or minute > 59 or (second >= 60 and not leap):
        raise CommandError(f"invalid date {text!r}: the time of day must lie within 00:00:00 to 23:59:59.999 "
                           "(23:59:60 in a leap second)")
    zone = match.group("zone")
    return CivilDate(year, month, day, hour * 3600 + minute * 60 + second, zone.lower() if zone else None)


def parse_instant(text: str, default_scale: str) -> Tuple[float, str]:
    """(Julian day, scale) of an ISO 8601 date, 'now' or 'JD 2460000.5'.

    A trailing Z, UTC, UT1, TT or TDB names the scale; a UTC offset such as
    +02:00 is allowed for civil times; otherwise `default_scale` applies.
    """
    stripped = text.strip()
    if stripped.lower() == "now":
        return time.time() / SECONDS_PER_DAY + UNIX_EPOCH_JULIAN_DAY, "utc"
    julian = _JULIAN_DAY.fullmatch(stripped)
    if julian:
        zone = julian.group("zone")
        return float(julian.group("day")), _SCALE_OF_ZONE[zone.lower()] if zone else default_scale
    civil = parse_civil(stripped)
    if civil.is_leap_second:
        raise CommandError(f"invalid date {text!r}: second 60 exists only in UTC, within a leap second")
    scale, offset_minutes = default_scale, 0
    zone = civil.zone
    if zone and zone[0] in "+-":
        digits = zone[1:].replace(":", "")
        offset_minutes = (int(digits[:2]) * 60 + int(digits[2:])) * (1 if zone[0] == "+" else -1)
        scale = "utc"
    elif zone:
        scale = _SCALE_OF_ZONE[zone]
    return civil.julian_day() - offset_minutes * 60 / SECONDS_PER_DAY, scale


def format_instant(julian_day: float, precision: str = "second") -> str:
    """ISO 8601 text of a Julian day, rounded to `precision` (day, minute, second, millisecond)."""
    if not math.isfinite(julian_day):
        return str(julian_day)
    units_per_day = UNITS_PER_DAY[precision]
    day_number = math.floor(julian_day + 0.5)
    units = round((julian_day + 0.5 - day_number) * units_per_day)
    if units == units_per_day:
        day_number, units = day_number + 1, 0
    year, month, day = calendar_from_day_number(day_number)
    date = f"{year:04d}-{month:02d}-{day:02d}" if year >= 0 else f"-{-year:04d}-{month:02d}-{day:02d}"
    if precision == "day":
        return date
    if precision == "minute":
        return f"{date}T{units // 60:02d}:{units % 60:02d}"
    if precision == "second":
        return f"{date}T{units // 3600:02d}:{units // 60 % 60:02d}:{units % 60:02d}"
    seconds, milliseconds = divmod(units, 1000)
    return f"{date}T{seconds // 3600:02d}:{seconds // 60 % 60:02d}:{seconds % 60:02d}.{milliseconds:03d}"


def format_day(julian_day: float) -> str:
    return format_instant(julian_day, precision="day")
