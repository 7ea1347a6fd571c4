"""`orbyx events`: equinoxes, solstices, new and full Moons, sign ingresses, stations and the
Moon's node crossings in a date range, in UTC and TT, written in time order as they are found."""
from __future__ import annotations

import argparse
import sys
from typing import Any, Iterator, List, Sequence, Tuple

import orbyx
import orbyx_ext

from .calendar import format_instant
from .bodies import Body, body_failure, body_list
from .chart_command import SIDEREAL_MODES
from .clock import Clock, add_clock_options
from .default_data import OpenedData
from .errors import ENGINE_FAILURE, CommandError, engine_failure
from .event_sources import EARLY_START_DAYS, Event, sources, unbounded_kinds
from .options import (add_data_options, add_format_option, add_scale_option, command_clock, instant_argument,
                      instant_span, opened_data)
from .output import Column, TableWriter
from .time_scales import TimeScales

KINDS = ("all", "seasons", "lunations", "ingresses", "stations", "nodes")
TRACK_KINDS = ("ingresses", "stations", "nodes")
# Events are searched and written a month at a time: a failure late in a long range loses
# at most the month it came in.
CHUNK_DAYS = 30.0


def add_parser(subcommands: Any) -> None:
    parser = subcommands.add_parser(
        "events", help="equinoxes, solstices, lunations, sign ingresses, stations and the Moon's nodes",
        description="Equinoxes, solstices, new and full Moons (and on request sign ingresses, retrograde and "
                    "direct stations, and the Moon's node crossings) from --from (included) to --to (excluded), "
                    "shown as they are found: the time column in UTC, or on the clock of --tz or "
                    "--utc-offset, and the tt column in TT.")
    parser.add_argument("--from", dest="start", metavar="DATE", default="now",
                        help="start of the range, ISO 8601 (default: now)")
    parser.add_argument("--to", dest="end", metavar="DATE", help="end of the range (default: a year after the start)")
    parser.add_argument("--kind", default="all", type=str.lower, metavar="KIND[,KIND]",
                        help=f"which events, comma-separated: {', '.join(KINDS)} "
                             "(default all: seasons and lunations)")
    parser.add_argument("--bodies", metavar="LIST",
                        help="bodies of ingresses and stations, by name or NAIF id (default: sun to pluto for "
                             "ingresses, mercury to pluto for stations)")
    parser.add_argument("--sidereal", choices=SIDEREAL_MODES, type=str.lower, metavar="AYANAMSHA",
                        help=f"sidereal ingresses and stations with this ayanamsha: {', '.join(SIDEREAL_MODES)}")
    add_scale_option(parser, "time scale of dates without a suffix (default utc)")
    add_clock_options(parser, "dates without a suffix and of the time column")
    add_format_option(parser)
    add_data_options(parser)
    parser.set_defaults(run=run)


def _kinds(arguments: argparse.Namespace) -> List[str]:
    kinds: List[str] = []
    for kind in (name.strip() for name in arguments.kind.split(",")):
        if kind not in KINDS:
            raise CommandError(f"argument --kind: invalid choice: {kind!r} (choose from {', '.join(KINDS)})")
        kinds += ["seasons", "lunations"] if kind == "all" else [kind]
    if arguments.sidereal and not {"ingresses", "stations"} & set(kinds):
        raise CommandError("--sidereal applies to ingresses and stations only")
    if arguments.bodies and not {"ingresses", "stations"} & set(kinds):
        raise CommandError("--bodies applies to ingresses and stations only: add them to --kind or drop --bodies")
    return list(dict.fromkeys(kinds))


def _clock_text(scales: TimeScales, clock: Clock, tt_day: float, precision: str) -> str:
    utc = scales.convert(tt_day, "tt", "utc")
    return format_instant(utc, precision) if clock.is_utc else clock.text(utc, precision)


def _check_range(data: OpenedData, kinds: List[str], span_tt: Tuple[float, float], span: Tuple[float, float],
                 scale: str) -> None:
    # Refused before any search: a table quietly cut at the kernel's end would read as a
    # sky without events there, and fail late after a long search.
    data.refuse_outside_kernel(span_tt, (f"{format_instant(span[0])} {scale.upper()}",
                                         f"{format_instant(span[1])} {scale.upper()}"))
    end_tt, end = span_tt[1], span[1]
    kernel = data.kernel_coverage()[2]
    # The module's searches stop at the first event after the range: it must lie in the kernel too.
    for kind in unbounded_kinds(kinds):
        try:
            data.engine.next_lunation(orbyx.Instant.tt(end_tt - EARLY_START_DAYS), kind)
        except ValueError:
            raise CommandError(f"the first {kind} after {format_instant(end)} {scale.upper()} lies past the end of "
                               f"{kernel}, and the search needs it: choose an earlier --to", ENGINE_FAILURE) from None


def _check_bodies(engine: orbyx.Engine, bodies: Sequence[Body], start_tt: float) -> None:
    # A body the kernels do not know is refused before the table starts.
    for body in bodies:
        try:
            orbyx_ext.stations(engine, body, orbyx.Instant.tt(start_tt), orbyx.Instant.tt(start_tt + 1.0))
        except ValueError as error:
            raise body_failure(error) from None


def run(arguments: argparse.Namespace) -> None:
    kinds = _kinds(arguments)
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
    _check_range(data, kinds, (start_tt, end_tt), (start, end), scale)
    bodies = body_list(arguments.bodies) if arguments.bodies is not None else None
    _check_bodies(data.engine, bodies or (), start_tt)
    searched = sources(data.engine, kinds, bodies, arguments.sidereal)
    on_track = bool(set(TRACK_KINDS) & set(kinds))
    # Both ends converted before the header is written, so that its note on the ΔT model
    # covers every row to come.
    # Text to the second; CSV and JSON keep the millisecond beside the full Julian day.
    precision = "second" if arguments.format == "text" else "millisecond"
    clock_width = max(len(_clock_text(scales, clock, day, precision)) for day in (start_tt, end_tt))
    columns = [Column("time", align_left=True, width=clock_width),
               Column("tt", align_left=True, width=len(format_instant(start_tt, precision)))]
    if arguments.format != "text":
        columns.append(Column("julian_day_tt"))
    columns.append(Column("event", align_left=True, width=17))
    if on_track:
        columns += [Column("body", align_left=True, width=7), Column("detail", align_left=True)]
    header = data.header + [f"events from {format_instant(start)} to {format_instant(end)} {scale.upper()}"
                            + f"; the time column in {clock.label}"]
    if arguments.sidereal:
        header.append(f"ingresses and stations in sidereal longitude ({arguments.sidereal})")
    header += data.model_notes()
    writer = TableWriter(sys.stdout, arguments.format, header, columns, with_header=arguments.header)
    try:
        for chunk_start, chunk_end in _chunks(start_tt, end_tt):
            found: List[Event] = []
            for source in searched:
                found += source(chunk_start, chunk_end)
            writer.write([{"event": event.event, "time": _clock_text(scales, clock, event.tt_day, precision),
                           "tt": format_instant(event.tt_day, precision), "julian_day_tt": event.tt_day,
                           "body": event.body, "detail": event.detail}
                          for event in sorted(found, key=lambda event: event.tt_day)])
            sys.stdout.flush()
    except ValueError as error:
        raise engine_failure(error) from None
    finally:
        writer.close()


def _chunks(start_tt: float, end_tt: float) -> Iterator[Tuple[float, float]]:
    first = start_tt
    while first < end_tt:
        last = min(first + CHUNK_DAYS, end_tt)
        yield first, last
        first = last
