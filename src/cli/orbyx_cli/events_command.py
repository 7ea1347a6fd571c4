"""`orbyx events`: equinoxes, solstices, new and full Moons in a date range, in UTC and TT."""
from __future__ import annotations

import argparse
import sys
from typing import Any, Dict, List

import orbyx

from .calendar import format_instant
from .clock import Clock, add_clock_options
from .errors import CommandError, engine_failure
from .options import (add_data_options, add_format_option, add_scale_option, command_clock, instant_argument,
                      instant_span, opened_data)
from .output import Column, write_table
from .time_scales import TimeScales

SEASONS = ("march_equinox", "june_solstice", "september_equinox", "december_solstice")
LUNATIONS = ("new_moon", "full_moon")
EARLY_START_DAYS = 2.0 / 86400.0
KINDS = {"all": SEASONS + LUNATIONS, "seasons": SEASONS, "lunations": LUNATIONS}


def add_parser(subcommands: Any) -> None:
    parser = subcommands.add_parser(
        "events", help="equinoxes, solstices, new and full Moons",
        description="Equinoxes, solstices, new and full Moons from --from (included) to --to (excluded), "
                    "shown in UTC and TT.")
    parser.add_argument("--from", dest="start", metavar="DATE", default="now",
                        help="start of the range, ISO 8601 (default: now)")
    parser.add_argument("--to", dest="end", metavar="DATE", help="end of the range (default: a year after the start)")
    parser.add_argument("--kind", choices=tuple(KINDS), default="all", type=str.lower,
                        help="which events (default all)")
    add_scale_option(parser, "time scale of dates without a suffix (default utc)")
    add_clock_options(parser, "dates without a suffix and of the utc column")
    add_format_option(parser)
    add_data_options(parser)
    parser.set_defaults(run=run)


def _utc_text(scales: TimeScales, clock: Clock, tt_day: float) -> str:
    utc = scales.convert(tt_day, "tt", "utc")
    return format_instant(utc) if clock.is_utc else clock.text(utc)


def _events_of_kind(engine: orbyx.Engine, kind: str, start_tt: float, end_tt: float) -> List[float]:
    find = engine.next_season_event if kind in SEASONS else engine.next_lunation
    days: List[float] = []
    # A search finds events more than a second after its instant: start a little early so that
    # an event at the very start is included, and drop any found before it.
    after = orbyx.Instant.tt(start_tt - EARLY_START_DAYS)
    while True:
        found = find(after, kind)
        if found.julian_day >= end_tt:
            return days
        if found.julian_day >= start_tt:
            days.append(found.julian_day)
        after = found


def run(arguments: argparse.Namespace) -> None:
    if arguments.end is None:
        start, scale = instant_argument(arguments.start, arguments, "--from")
        end = start + 365.25
    else:
        start, end, scale = instant_span(arguments, arguments.start, arguments.end)
    if end <= start:
        raise CommandError("--to must come after --from")
    clock = command_clock(arguments)
    data = opened_data(arguments)
    scales = data.time_scales
    start_tt, end_tt = scales.convert(start, scale, "tt"), scales.convert(end, scale, "tt")
    found = []
    try:
        for kind in KINDS[arguments.kind]:
            found += [(day, kind) for day in _events_of_kind(data.engine, kind, start_tt, end_tt)]
    except ValueError as error:
        raise engine_failure(error) from None
    rows: List[Dict[str, Any]] = [
        {"event": kind, "utc": _utc_text(scales, clock, day), "tt": format_instant(day), "tt_julian_day": day}
        for day, kind in sorted(found)]
    columns = [Column("utc", align_left=True), Column("tt", align_left=True)]
    if arguments.format != "text":
        columns.append(Column("tt_julian_day"))
    columns.append(Column("event", align_left=True))
    header = data.header + [f"events from {format_instant(start)} to {format_instant(end)} {scale.upper()}"
                            + ("" if clock.is_utc else f"; the utc column on the clock of {clock.label}")]
    header += data.model_notes()
    write_table(sys.stdout, arguments.format, header, columns, rows)
