"""The civil clock of a command: UTC, a fixed offset (--utc-offset) or an IANA zone (--tz).

Dates without a suffix are read on it and times are shown on it; a zone brings its
daylight saving, resolved by the standard library's zoneinfo (with the tzdata package
where the system has no zone database).
"""
from __future__ import annotations

import argparse
import datetime
import re
import zoneinfo
from dataclasses import dataclass
from typing import Optional

from .calendar import SECONDS_PER_DAY, UNIX_EPOCH_JULIAN_DAY, UNITS_PER_DAY
from .errors import CommandError

_OFFSET = re.compile(r"([+-])(\d{1,2}):?(\d{2})?")
_UNIX_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)


def add_clock_options(parser: argparse.ArgumentParser, what: str) -> None:
    group = parser.add_argument_group("clock (default UTC)")
    group.add_argument("--tz", metavar="ZONE", help=f"IANA time zone of {what}, e.g. Europe/Paris")
    group.add_argument("--utc-offset", metavar="+HH:MM", help=f"fixed offset of {what}, e.g. -10:00")


def offset_zone(text: str) -> datetime.timezone:
    match = _OFFSET.fullmatch(text.strip())
    if match is None or int(match.group(2)) > 14 or int(match.group(3) or 0) > 59:
        raise CommandError(f"--utc-offset: invalid offset {text!r}: expected +HH:MM or -HH:MM within ±14:00")
    minutes = int(match.group(2)) * 60 + int(match.group(3) or 0)
    return datetime.timezone(datetime.timedelta(minutes=minutes if match.group(1) == "+" else -minutes))


def named_zone(name: str) -> zoneinfo.ZoneInfo:
    try:
        return zoneinfo.ZoneInfo(name)
    except (zoneinfo.ZoneInfoNotFoundError, ValueError):
        raise CommandError(f"--tz: unknown time zone {name!r}: give an IANA name such as Europe/Paris "
                           "or America/New_York") from None


@dataclass(frozen=True)
class Clock:
    zone: datetime.tzinfo
    label: str

    @property
    def is_utc(self) -> bool:
        return self.label == "UTC"

    def utc_day(self, year: int, month: int, day: int, seconds_of_day: float = 0.0) -> float:
        """UTC Julian day of a wall-clock time (the earlier one where the clock falls back)."""
        try:
            wall = datetime.datetime(year, month, day, tzinfo=self.zone)
        except ValueError as error:
            raise CommandError(f"date {year:04d}-{month:02d}-{day:02d} outside the clock's range: {error}") from None
        # Aware arithmetic moves the wall clock: 02:30 on a day that springs forward stays 02:30,
        # read with the offset before the change.
        wall += datetime.timedelta(seconds=seconds_of_day)
        moment = wall.astimezone(datetime.timezone.utc)
        return (moment - _UNIX_EPOCH) / datetime.timedelta(days=1) + UNIX_EPOCH_JULIAN_DAY

    def wall(self, utc_day: float, precision: str = "second") -> datetime.datetime:
        units = round((utc_day - UNIX_EPOCH_JULIAN_DAY) * UNITS_PER_DAY[precision])
        moment = _UNIX_EPOCH + datetime.timedelta(seconds=units * SECONDS_PER_DAY / UNITS_PER_DAY[precision])
        return moment.astimezone(self.zone)

    def text(self, utc_day: float, precision: str = "second") -> str:
        """ISO 8601 wall-clock time of a UTC Julian day, with its offset unless the clock is UTC."""
        wall = self.wall(utc_day, precision)
        if precision == "day":
            return wall.date().isoformat()
        timespec = {"minute": "minutes", "second": "seconds", "millisecond": "milliseconds"}
        text = wall.replace(tzinfo=None).isoformat(timespec=timespec[precision])
        return text if self.is_utc else text + _offset_text(wall.utcoffset())


def _offset_text(offset: Optional[datetime.timedelta]) -> str:
    seconds = round((offset or datetime.timedelta()).total_seconds())
    sign, seconds = ("-" if seconds < 0 else "+"), abs(seconds)
    text = f"{sign}{seconds // 3600:02d}:{seconds // 60 % 60:02d}"
    # Local mean times of old (Paris until 1911: +00:09:21) keep their seconds.
    return text + f":{seconds % 60:02d}" if seconds % 60 else text


UTC_CLOCK = Clock(datetime.timezone.utc, "UTC")


def clock_from(arguments: argparse.Namespace) -> Clock:
    tz, offset = getattr(arguments, "tz", None), getattr(arguments, "utc_offset", None)
    if tz is not None and offset is not None:
        raise CommandError("give either --tz or --utc-offset, not both")
    if tz is not None:
        return Clock(named_zone(tz), tz)
    if offset is not None:
        zone = offset_zone(offset)
        return Clock(zone, "UTC") if zone.utcoffset(None) == datetime.timedelta() else \
            Clock(zone, "UTC" + _offset_text(zone.utcoffset(None)))
    return UTC_CLOCK
