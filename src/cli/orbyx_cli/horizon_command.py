"""`orbyx sun` and `orbyx moon`: rise, transit and set at a site, day by day."""
from __future__ import annotations

import argparse
import math
import re
import sys
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional, Tuple

import orbyx

from .calendar import calendar_from_day_number, format_instant, parse_instant
from .default_data import OpenedData
from .errors import CommandError, engine_failure
from .options import add_data_options, add_format_option, add_site_options, finite_float, observer_from, opened_data
from .output import Column, write_table
from .progress import Progress

DEFAULT_ALTITUDE = {
    "sun": (orbyx.SUN_UPPER_LIMB_ALTITUDE_DEG, "upper limb with mean refraction"),
    "moon": (orbyx.MEAN_REFRACTION_ALTITUDE_DEG, "centre with mean refraction"),
}
MAX_DAYS = 100_000
NO_CROSSING = "body does not cross the requested altitude"
# An altitude no body can go below: the search then returns the transit alone.
NADIR_DEG = -90.0
SAME_EVENT_DAYS = 60.0 / 86400.0
_OFFSET = re.compile(r"([+-])(\d{1,2}):?(\d{2})?")


def add_parser(subcommands: Any) -> None:
    for body in ("sun", "moon"):
        altitude, meaning = DEFAULT_ALTITUDE[body]
        parser = subcommands.add_parser(
            body, help=f"rise, transit and set of the {body.capitalize()} at a site",
            description=f"Rise, upper transit and set of the {body.capitalize()} for each day at a site, "
                        f"at altitude {altitude:.4f} degrees ({meaning}) unless --altitude is given.")
        add_site_options(parser, required=True)
        parser.add_argument("--date", metavar="DATE", help="one day, YYYY-MM-DD (default: today)")
        parser.add_argument("--from", dest="start", metavar="DATE", help="first day of a range")
        parser.add_argument("--to", dest="end", metavar="DATE", help="last day of a range (included)")
        parser.add_argument("--altitude", type=finite_float, metavar="DEG",
                            help=f"altitude of the centre at rise and set (default {altitude:.4f})")
        parser.add_argument("--utc-offset", default="+00:00", metavar="+HH:MM",
                            help="clock of the days and times shown, e.g. +02:00 (default UTC)")
        add_format_option(parser)
        add_data_options(parser)
        parser.set_defaults(run=run, body=body)


def _offset_days(text: str) -> float:
    match = _OFFSET.fullmatch(text.strip())
    if match is None or int(match.group(2)) > 14 or int(match.group(3) or 0) > 59:
        raise CommandError(f"--utc-offset: invalid offset {text!r}: expected +HH:MM within ±14:00")
    minutes = int(match.group(2)) * 60 + int(match.group(3) or 0)
    return (minutes if match.group(1) == "+" else -minutes) / 1440.0


def _day_number(text: str, option: str) -> int:
    try:
        julian_day, _ = parse_instant(text, "utc")
    except CommandError as error:
        raise CommandError(f"{option}: {error}") from None
    return math.floor(julian_day + 0.5)


def _days(arguments: argparse.Namespace) -> List[int]:
    if arguments.date is not None and (arguments.start or arguments.end):
        raise CommandError("give either --date or --from/--to, not both")
    if (arguments.start is None) != (arguments.end is None):
        raise CommandError("--from and --to go together")
    if arguments.start is None:
        day = _day_number(arguments.date or "now", "--date")
        return [day]
    first, last = _day_number(arguments.start, "--from"), _day_number(arguments.end, "--to")
    if last < first:
        raise CommandError("--to comes before --from")
    if last - first + 1 > MAX_DAYS:
        raise CommandError(f"{last - first + 1} days exceed the limit of {MAX_DAYS}")
    return list(range(first, last + 1))


@dataclass
class _DayEvents:
    rise: List[float] = field(default_factory=list)
    transit: List[float] = field(default_factory=list)
    set: List[float] = field(default_factory=list)
    note: Optional[str] = None


class _Search:
    """Rise, transit and set found around each local mean noon, shown on the output clock."""

    def __init__(self, data: OpenedData, body: str, observer: orbyx.GeodeticObserver, altitude: float,
                 offset_days: float) -> None:
        self.data, self.body, self.observer = data, body, observer
        self.altitude, self.offset_days = altitude, offset_days

    def clock_day(self, ut1_day: float) -> float:
        return self.data.time_scales.convert(ut1_day, "ut1", "utc") + self.offset_days

    def around_noon(self, day_number: int) -> Tuple[Dict[str, List[float]], Optional[str]]:
        noon_utc = day_number - self.observer.longitude_east_deg / 360.0
        around = orbyx.Instant.utc(noon_utc)
        engine = self.data.engine
        try:
            result = engine.rise_set_transit(self.body, self.observer, around, self.altitude)
        except ValueError as error:
            if str(error) != NO_CROSSING:
                raise
            result = engine.rise_set_transit(self.body, self.observer, around, NADIR_DEG)
        events = {"transit": [self.clock_day(result.transit_ut1_julian_day)], "rise": [], "set": []}
        if result.rise_ut1_julian_day is None or result.set_ut1_julian_day is None:
            return events, self._polar_note(result.transit_ut1_julian_day)
        events["rise"].append(self.clock_day(result.rise_ut1_julian_day))
        events["set"].append(self.clock_day(result.set_ut1_julian_day))
        return events, None

    def _polar_note(self, transit_ut1: float) -> str:
        options = orbyx.apparent("topocentric", "equatorial", self.observer)
        declination = self.data.engine.position(self.body, orbyx.Instant.ut1(transit_ut1), options).latitude_deg
        culmination = 90.0 - abs(self.observer.latitude_deg - declination)
        return "above the altitude all day" if culmination > self.altitude else "below the altitude all day"


def _collect(search: _Search, days: List[int]) -> Dict[int, _DayEvents]:
    by_day = {day: _DayEvents() for day in days}
    # Each event belongs to the transit nearest some local mean noon: a day's events are
    # found around its own noon and its neighbours'.
    anchors = list(range(days[0] - 1, days[-1] + 2))
    progress = Progress(len(anchors), "days", enabled=len(anchors) > 400)
    try:
        for anchor in anchors:
            events, note = search.around_noon(anchor)
            if note is not None and anchor in by_day:
                by_day[anchor].note = note
            for kind, clock_days in events.items():
                for clock_day in clock_days:
                    day = by_day.get(math.floor(clock_day + 0.5))
                    found = getattr(day, kind) if day is not None else None
                    if found is not None and all(abs(clock_day - seen) > SAME_EVENT_DAYS for seen in found):
                        found.append(clock_day)
            progress.advance(1)
    except ValueError as error:
        raise engine_failure(error) from None
    finally:
        progress.close()
    return by_day


def _offset_label(offset_days: float) -> str:
    if offset_days == 0.0:
        return "UTC"
    minutes = round(offset_days * 1440)
    sign = "+" if minutes > 0 else "-"
    return f"UTC{sign}{abs(minutes) // 60:02d}:{abs(minutes) % 60:02d}"


def run(arguments: argparse.Namespace) -> None:
    days = _days(arguments)
    offset_days = _offset_days(arguments.utc_offset)
    observer = observer_from(arguments)
    assert observer is not None  # --lat and --lon are required here
    default_altitude, meaning = DEFAULT_ALTITUDE[arguments.body]
    altitude = default_altitude if arguments.altitude is None else arguments.altitude
    data = opened_data(arguments)
    by_day = _collect(_Search(data, arguments.body, observer, altitude, offset_days), days)

    clock = _offset_label(offset_days)
    text_form = arguments.format == "text"

    def shown(clock_days: List[float]) -> Optional[str]:
        if not clock_days:
            return None
        return " ".join(format_instant(day)[11:] if text_form else format_instant(day) for day in sorted(clock_days))

    rows = []
    for day in days:
        year, month, date = calendar_from_day_number(day)
        events = by_day[day]
        rows.append({"date": f"{year:04d}-{month:02d}-{date:02d}", "rise": shown(events.rise),
                     "transit": shown(events.transit), "set": shown(events.set), "note": events.note})
    header = data.header + [
        f"{arguments.body.capitalize()} at latitude {observer.latitude_deg:g}, longitude "
        f"{observer.longitude_east_deg:g} east, height {observer.height_m:g} m; rise and set at altitude "
        f"{altitude:.4f} degrees" + (f" ({meaning})" if arguments.altitude is None else "")
        + f"; times in {clock}"]
    header += data.ut1_notes(days[-1] + 0.5 - offset_days)
    columns = [Column("date", align_left=True), Column("rise"), Column("transit"), Column("set"),
               Column("note", align_left=True)]
    if text_form and all(row["note"] is None for row in rows):
        columns.pop()
    write_table(sys.stdout, arguments.format, header, columns, rows)
