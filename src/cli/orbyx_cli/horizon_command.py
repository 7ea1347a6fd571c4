"""`orbyx sun` and `orbyx moon`: rise, transit and set at a site, day by day."""
from __future__ import annotations

import argparse
import math
import re
import sys
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional

import orbyx
import orbyx_ext

from .calendar import parse_civil, parse_instant
from .day_numbers import calendar_from_day_number, julian_day_from_calendar
from .clock import Clock, add_clock_options, clock_from
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
KIND_COLUMN = {"rise": "rise", "upper_transit": "transit", "set": "set"}
# Python's ordinal 1 (0001-01-01) is Julian day number 1721426.
ORDINAL_TO_DAY_NUMBER = 1721425
_OUTSIDE = re.compile(r"^\S+ is outside")


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
                            help=f"altitude of the centre at rise and set, -90 to 90 (default {altitude:.4f})")
        add_clock_options(parser, "the days and times shown")
        add_format_option(parser)
        add_data_options(parser)
        parser.set_defaults(run=run, body=body)


def _day_number(text: str, option: str, clock: Clock) -> int:
    try:
        if text.strip().lower() == "now":
            return clock.wall(parse_instant(text, "utc")[0]).toordinal() + ORDINAL_TO_DAY_NUMBER
        civil = parse_civil(text)
    except CommandError as error:
        raise CommandError(f"{option}: {error}") from None
    return math.floor(julian_day_from_calendar(civil.year, civil.month, civil.day) + 0.5)


def _days(arguments: argparse.Namespace, clock: Clock) -> List[int]:
    if arguments.date is not None and (arguments.start or arguments.end):
        raise CommandError("give either --date or --from/--to, not both")
    if (arguments.start is None) != (arguments.end is None):
        raise CommandError("--from and --to go together")
    if arguments.start is None:
        return [_day_number(arguments.date or "now", "--date", clock)]
    first, last = _day_number(arguments.start, "--from", clock), _day_number(arguments.end, "--to", clock)
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
    """Rise, upper transit and set within each day of the clock, as UTC Julian days."""

    def __init__(self, data: OpenedData, body: str, observer: orbyx.GeodeticObserver, altitude: float,
                 clock: Clock) -> None:
        self.data, self.body, self.observer = data, body, observer
        self.altitude, self.clock = altitude, clock

    def day_start(self, day_number: int) -> float:
        year, month, day = calendar_from_day_number(day_number)
        return self.clock.utc_day(year, month, day)

    def events_of(self, day_number: int) -> _DayEvents:
        start, end = orbyx.Instant.utc(self.day_start(day_number)), orbyx.Instant.utc(self.day_start(day_number + 1))
        found = _DayEvents()
        transits = []
        for event in orbyx_ext.horizon_events(self.data.engine, self.body, self.observer, start, end, self.altitude):
            if event.kind in KIND_COLUMN:
                utc = self.data.time_scales.convert_instant(event.instant, "utc").julian_day
                getattr(found, KIND_COLUMN[event.kind]).append(utc)
                if event.kind == "upper_transit":
                    transits.append(event.instant)
        if not found.rise and not found.set:
            found.note = self._polar_note(transits[0] if transits else start)
        return found

    def _polar_note(self, instant: orbyx.Instant) -> str:
        altitude = orbyx_ext.horizontal(self.data.engine, self.body, self.observer, instant).altitude_deg
        return "above the altitude all day" if altitude > self.altitude else "below the altitude all day"


def _collect(search: _Search, days: List[int]) -> Dict[int, _DayEvents]:
    by_day: Dict[int, _DayEvents] = {}
    progress = Progress(len(days), "days", enabled=len(days) > 400)
    try:
        for day in days:
            try:
                by_day[day] = search.events_of(day)
            except ValueError as error:
                # The search looks past the day's end: name the day asked for, not the instant it reached.
                failure = engine_failure(error)
                year, month, date = calendar_from_day_number(day)
                raise CommandError(_OUTSIDE.sub(f"{year:04d}-{month:02d}-{date:02d} is outside", str(failure)),
                                   failure.status) from None
            progress.advance(1)
    finally:
        progress.close()
    return by_day


def run(arguments: argparse.Namespace) -> None:
    clock = clock_from(arguments)
    days = _days(arguments, clock)
    observer = observer_from(arguments)
    assert observer is not None  # --lat and --lon are required here
    default_altitude, meaning = DEFAULT_ALTITUDE[arguments.body]
    altitude = default_altitude if arguments.altitude is None else arguments.altitude
    if not -90.0 <= altitude <= 90.0:
        raise CommandError(f"--altitude must lie within -90 to 90 degrees, not {altitude:g}")
    data = opened_data(arguments)
    search = _Search(data, arguments.body, observer, altitude, clock)
    by_day = _collect(search, days)
    text_form = arguments.format == "text"

    def shown(utc_days: List[float]) -> Optional[str]:
        if not utc_days:
            return None
        # Text shows the time of day alone: the row's date and the header's clock say the rest.
        return " ".join(clock.text(day)[11:19] if text_form else clock.text(day) for day in sorted(utc_days))

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
        + f"; times in {clock.label}"]
    header += data.ut1_notes(search.day_start(days[-1] + 1))
    header += data.model_notes()
    columns = [Column("date", align_left=True), Column("rise"), Column("transit"), Column("set"),
               Column("note", align_left=True)]
    if text_form and all(row["note"] is None for row in rows):
        columns.pop()
    write_table(sys.stdout, arguments.format, header, columns, rows, arguments.header)
