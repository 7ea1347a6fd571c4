"""`orbyx sun`, `orbyx moon` and `orbyx rise-set`: rise, transit and set at a site, day by day."""
from __future__ import annotations

import argparse
import math
import re
import sys
from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional, Union

import orbyx
import orbyx_ext

from .bodies import Body, body_argument, body_failure, message_name
from .calendar import parse_civil, parse_instant
from .day_numbers import calendar_from_day_number, julian_day_from_calendar
from .clock import Clock, add_clock_options, clock_from
from .default_data import OpenedData
from .errors import BAD_ARGUMENTS, CommandError
from .horizon_targets import Horizon, body_label, horizon_for, twilight_description, twilight_list
from .options import add_data_options, add_format_option, add_site_options, finite_float, observer_from, opened_data
from .output import Column, write_table
from .progress import Progress

MAX_DAYS = 100_000
KIND_COLUMN = {"rise": "rise", "upper_transit": "transit", "set": "set"}
# Python's ordinal 1 (0001-01-01) is Julian day number 1721426.
ORDINAL_TO_DAY_NUMBER = 1721425
_OUTSIDE = re.compile(r"^\S+ is outside")
_NOT_HELD = "no SPK segment continues the center chain"
ALMANAC_DEFAULTS = ("the Sun's centre 50' below the horizon (its upper limb with mean refraction), the Moon's "
                    "upper limb with 34' of mean refraction, any other body's centre 34' below the horizon")


def _add_day_options(parser: argparse.ArgumentParser, what: str, twilight: bool) -> None:
    add_site_options(parser, required=True)
    parser.add_argument("--date", metavar="DATE", help="one day, YYYY-MM-DD (default: today)")
    parser.add_argument("--from", dest="start", metavar="DATE", help="first day of a range")
    parser.add_argument("--to", dest="end", metavar="DATE", help="last day of a range (included)")
    parser.add_argument("--altitude", type=finite_float, metavar="DEG",
                        help=f"altitude of the centre at rise and set, -90 to 90 (default: {what})")
    if twilight:
        parser.add_argument("--twilight", metavar="LIST",
                            help="add dawn and dusk columns of the Sun's civil, nautical or astronomical twilight "
                                 "(centre 6, 12 or 18 degrees below the horizon), comma-separated")
    add_clock_options(parser, "the days and times shown")
    add_format_option(parser)
    add_data_options(parser)


def add_parser(subcommands: Any) -> None:
    for body, what in (("sun", "its centre at -0.8333, the upper limb with mean refraction"),
                       ("moon", "its upper limb with 34' of mean refraction, its semidiameter from its distance")):
        parser = subcommands.add_parser(
            body, help=f"rise, transit and set of the {body.capitalize()} at a site",
            description=f"Rise, upper transit and set of the {body.capitalize()} for each day at a site: {what}, "
                        "unless --altitude is given.")
        _add_day_options(parser, what, twilight=body == "sun")
        parser.set_defaults(run=run, body=body, twilight=None)
    parser = subcommands.add_parser(
        "rise-set", help="rise, transit and set of any body at a site",
        description="Rise, upper transit and set of any body the kernels hold (a name or a NAIF id) for each "
                    f"day at a site, as almanacs have them unless --altitude is given: {ALMANAC_DEFAULTS}.")
    parser.add_argument("--body", type=body_argument, required=True, metavar="BODY",
                        help="a name (mars, io, ceres, chiron, ...) or a NAIF id")
    _add_day_options(parser, "as almanacs have it for the body", twilight=True)
    parser.set_defaults(run=run)


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
    # By column: "civil_dawn", "civil_dusk", ...
    twilight: Dict[str, List[float]] = field(default_factory=dict)
    note: Optional[str] = None


class _Search:
    """Rise, upper transit, set and twilights within each day of the clock, as UTC Julian days."""

    def __init__(self, data: OpenedData, observer: orbyx.GeodeticObserver, horizon: Horizon, twilights: List[str],
                 clock: Clock) -> None:
        self.data, self.observer, self.horizon = data, observer, horizon
        self.twilights, self.clock = twilights, clock

    def day_start(self, day_number: int) -> float:
        year, month, day = calendar_from_day_number(day_number)
        return self.clock.utc_day(year, month, day)

    def _utc(self, instant: orbyx.Instant) -> float:
        return self.data.time_scales.convert_instant(instant, "utc").julian_day

    def events_of(self, day_number: int) -> _DayEvents:
        start, end = orbyx.Instant.utc(self.day_start(day_number)), orbyx.Instant.utc(self.day_start(day_number + 1))
        found = _DayEvents()
        transits = []
        for event in orbyx_ext.horizon_events(self.data.engine, self.horizon.body, self.observer, start, end,
                                              self.horizon.altitude_deg):
            if event.kind in KIND_COLUMN:
                getattr(found, KIND_COLUMN[event.kind]).append(self._utc(event.instant))
                if event.kind == "upper_transit":
                    transits.append(event.instant)
        for twilight in self.twilights:
            for crossing in orbyx_ext.twilight_events(self.data.engine, self.observer, start, end, twilight):
                found.twilight.setdefault(f"{twilight}_{crossing.kind}", []).append(self._utc(crossing.instant))
        if not found.rise and not found.set:
            found.note = self._polar_note(transits[0] if transits else start)
        return found

    def _polar_note(self, instant: orbyx.Instant) -> str:
        # With no crossing that day, the place at the upper transit tells on which side it stayed.
        place = orbyx_ext.horizontal(self.data.engine, self.horizon.body, self.observer, instant)
        above = float(place.altitude_deg) > self.horizon.centre_altitude_deg(float(place.distance_au))
        return "above the altitude all day" if above else "below the altitude all day"


def _collect(search: _Search, days: List[int]) -> Dict[int, _DayEvents]:
    by_day: Dict[int, _DayEvents] = {}
    progress = Progress(len(days), "days", enabled=len(days) > 400)
    try:
        for day in days:
            try:
                by_day[day] = search.events_of(day)
            except ValueError as error:
                failure = body_failure(error)
                if failure.status == BAD_ARGUMENTS:
                    raise failure from None
                # The search looks past the day's end: name the day asked for, not the instant it reached.
                year, month, date = calendar_from_day_number(day)
                named = f"{year:04d}-{month:02d}-{date:02d}"
                message = _OUTSIDE.sub(f"{named} is outside", str(failure))
                if _NOT_HELD in (failure.engine_message or ""):
                    message = (f"no kernel places {message_name(search.horizon.body)} around {named}: attach "
                               "a satellite or small-body kernel that holds it with --add-kernel")
                raise CommandError(message, failure.status) from None
            progress.advance(1)
    finally:
        progress.close()
    return by_day


def _header(data: OpenedData, search: _Search, observer: orbyx.GeodeticObserver, clock: Clock) -> List[str]:
    twilight = f"; {twilight_description(search.twilights)}" if search.twilights else ""
    return data.header + [
        f"{body_label(search.horizon.body)} at latitude {observer.latitude_deg:g}, longitude "
        f"{observer.longitude_east_deg:g} east, height {observer.height_m:g} m; rise and set of "
        f"{search.horizon.description()}{twilight}; times in {clock.label}"]


def run(arguments: argparse.Namespace) -> None:
    clock = clock_from(arguments)
    days = _days(arguments, clock)
    observer = observer_from(arguments)
    assert observer is not None  # --lat and --lon are required here
    body: Body = arguments.body
    if arguments.altitude is not None and not -90.0 <= arguments.altitude <= 90.0:
        raise CommandError(f"--altitude must lie within -90 to 90 degrees, not {arguments.altitude:g}")
    horizon = horizon_for(body, arguments.altitude)
    twilights = twilight_list(arguments.twilight, body)
    data = opened_data(arguments)
    search = _Search(data, observer, horizon, twilights, clock)
    by_day = _collect(search, days)
    text_form = arguments.format == "text"

    def shown(utc_days: List[float]) -> Optional[str]:
        if not utc_days:
            return None
        # Text shows the time of day alone: the row's date and the header's clock say the rest;
        # CSV and JSON keep the millisecond, and the Julian days beside.
        return " ".join(clock.text(day)[11:19] if text_form else clock.text(day, "millisecond")
                        for day in sorted(utc_days))

    def julian_days(utc_days: List[float]) -> Union[None, float, str]:
        # Several events of a kind in one day share the cell, as their times do.
        return None if not utc_days else utc_days[0] if len(utc_days) == 1 else \
            " ".join(repr(day) for day in sorted(utc_days))

    # Dawns deepest first and dusks shallowest first: the columns run in the order of a day.
    event_columns = ([f"{name}_dawn" for name in twilights] + ["rise", "transit", "set"]
                     + [f"{name}_dusk" for name in reversed(twilights)])
    rows = []
    for day in days:
        year, month, date = calendar_from_day_number(day)
        events = by_day[day]
        found = {**events.twilight, "rise": events.rise, "transit": events.transit, "set": events.set}
        row: Dict[str, Any] = {"date": f"{year:04d}-{month:02d}-{date:02d}"}
        for column in event_columns:
            row[column] = shown(found.get(column, []))
            if not text_form:
                row[f"{column}_julian_day_utc"] = julian_days(found.get(column, []))
        row["note"] = events.note
        rows.append(row)
    header = _header(data, search, observer, clock)
    header += data.ut1_notes(search.day_start(days[-1] + 1))
    header += data.model_notes()
    columns = [Column("date", align_left=True)]
    for column in event_columns:
        columns += [Column(column)] if text_form else [Column(column), Column(f"{column}_julian_day_utc")]
    columns.append(Column("note", align_left=True))
    if text_form and all(row["note"] is None for row in rows):
        columns.pop()
    write_table(sys.stdout, arguments.format, header, columns, rows, arguments.header)
