"""`orbyx positions`: a table of the Sun, Moon and planets at one instant or over a range."""
from __future__ import annotations

import argparse
from typing import Any, Callable, List, Optional

import numpy as np
import numpy.typing as npt
import orbyx
import orbyx_ext

from .angle_formats import angle_text, text_width
from .bodies import Body, body_failure, body_list
from .calendar import format_instant
from .chunked_table import write_chunked_table
from .clock import add_clock_options
from .errors import CommandError, engine_failure
from .instant_grid import grid_from
from .options import (BODIES, add_angles_option, add_data_options, add_format_option, add_scale_option,
                      add_site_options, command_clock, observer_from, opened_data)
from .output import Column, fixed
from .time_scales import TimeScales

ORIGINS = ("geocentric", "topocentric", "heliocentric", "barycentric")
ORIGIN_BODY = {"geocentric": "earth", "topocentric": "earth", "heliocentric": "sun"}
NAIF_IDS = {"earth": 399, "sun": 10}


def add_parser(subcommands: Any) -> None:
    parser = subcommands.add_parser(
        "positions", help="positions of the Sun, Moon and planets",
        description="Apparent (default) or geometric positions at one instant (default: now, UTC) "
                    "or from --from to --to every --step.")
    when = parser.add_argument_group("instants (ISO 8601; a trailing Z, UTC, UT1, TT or TDB names the scale)")
    when.add_argument("--at", metavar="DATE", help="one instant (default: now)")
    when.add_argument("--from", dest="start", metavar="DATE", help="first instant of a range")
    when.add_argument("--to", dest="end", metavar="DATE", help="last instant of a range (included)")
    when.add_argument("--step", metavar="STEP",
                      help="spacing of a range, e.g. 1d, 6h, 10m, 30s, or -1d to run backwards (default 1d)")
    add_scale_option(parser, "time scale of dates without a suffix, and of the printed times (default utc)")
    add_clock_options(parser, "dates without a suffix and of the printed times")
    request = parser.add_argument_group("request")
    request.add_argument("--bodies", type=str, metavar="LIST",
                         help=f"comma-separated: {', '.join(BODIES)} (default: all but the origin's), or any body of a "
                              "kernel attached with --add-kernel by name (io, ceres, chiron, ...) or NAIF id")
    request.add_argument("--geometric", action="store_true",
                         help="geometric J2000 positions instead of apparent positions of date")
    request.add_argument("--origin", choices=ORIGINS, type=str.lower,
                         help="default geocentric, or topocentric when a site is given")
    request.add_argument("--frame", choices=("ecliptic", "equatorial"), default="ecliptic", type=str.lower,
                         help="ecliptic longitude/latitude (default) or right ascension/declination")
    request.add_argument("--epoch", choices=("j2000", "of_date"), type=str.lower,
                         help="reference epoch (default: of date when apparent, J2000 when geometric)")
    request.add_argument("--sidereal", choices=("lahiri", "fagan_bradley"), type=str.lower,
                         help="sidereal ecliptic longitudes with this ayanamsha")
    add_site_options(parser, required=False)
    add_angles_option(parser)
    add_format_option(parser)
    add_data_options(parser)
    parser.set_defaults(run=run)


def _options(arguments: argparse.Namespace, observer: Any) -> orbyx.PositionOptions:
    origin = arguments.origin or ("topocentric" if observer is not None else "geocentric")
    if origin == "topocentric" and observer is None:
        raise CommandError("a topocentric origin needs --lat and --lon")
    if origin != "topocentric" and observer is not None:
        raise CommandError(f"--lat and --lon give a site, which needs the topocentric origin, not {origin}")
    if arguments.sidereal and (arguments.geometric or arguments.epoch == "j2000"):
        flag = "--geometric" if arguments.geometric else "--epoch j2000"
        raise CommandError(f"sidereal longitudes are apparent and of date: drop {flag} or --sidereal")
    epoch = arguments.epoch or ("j2000" if arguments.geometric else "of_date")
    if epoch == "j2000" and not arguments.geometric:
        raise CommandError("apparent positions are of date: --epoch j2000 needs --geometric")
    if arguments.sidereal and arguments.frame == "equatorial":
        raise CommandError("sidereal longitudes are ecliptic: drop --frame equatorial or --sidereal")
    # Geometric of date: rotated by precession and nutation, on the true ecliptic, uncorrected otherwise.
    of_date_geometric = arguments.geometric and epoch == "of_date"
    try:
        return orbyx.PositionOptions(origin, arguments.frame, epoch, apparent=not arguments.geometric,
                                     true_ecliptic=of_date_geometric and arguments.frame == "ecliptic",
                                     precession=of_date_geometric, nutation=of_date_geometric, observer=observer)
    except ValueError as error:
        raise CommandError(str(error)) from None


def _check_origin_not_among(bodies: List[Body], origin: str) -> None:
    # A body seen from itself has no direction.
    body = ORIGIN_BODY.get(origin)
    if body is not None and (body in bodies or NAIF_IDS[body] in bodies):
        others = [name for name in ORIGINS if ORIGIN_BODY.get(name) != body]
        others_text = " or ".join([", ".join(others[:-1]), others[-1]] if len(others) > 1 else others)
        raise CommandError(f"--bodies {body}: the {body.capitalize()} is the origin; drop it or use "
                           f"--origin {others_text}")


def _description(arguments: argparse.Namespace, options: orbyx.PositionOptions, times_in: str) -> str:
    kind = "geometric" if arguments.geometric else "apparent"
    epoch = "of date" if options.reference_epoch == "of_date" else "J2000"
    sidereal = f", sidereal ({arguments.sidereal})" if arguments.sidereal else ""
    return f"{kind} {options.origin} {options.coordinate_system} positions, {epoch}{sidereal}; times in {times_in}"


def _coordinate_columns(frame: str, style: str) -> List[Column]:
    names = (("right_ascension_deg", "declination_deg", "right_ascension_speed_deg_per_day")
             if frame == "equatorial" else ("longitude_deg", "latitude_deg", "longitude_speed_deg_per_day"))
    first_kind = "right_ascension" if frame == "equatorial" else "longitude"
    first, second = angle_text(style, first_kind), angle_text(style, "signed")
    angle_printf = "%.6f" if style == "decimal" else None
    # Widths of the widest values (49.999999999, -13.999999 for the last two).
    return [Column(names[0], first, width=text_width(first, first_kind), printf=angle_printf),
            Column(names[1], second, width=text_width(second, "signed"), printf=angle_printf),
            Column("distance_au", fixed(9), width=12, printf="%.9f"),
            Column(names[2], fixed(6), width=10, printf="%.6f")]


def _values_of(engine: orbyx.Engine, scales: TimeScales, scale: str, bodies: List[Body],
               options: orbyx.PositionOptions,
               sidereal: Optional[str]) -> Callable[[List[float]], npt.NDArray[np.float64]]:
    """[instant, body, longitude/latitude/distance/speed] of a chunk of the grid's days."""
    def values(days: List[float]) -> npt.NDArray[np.float64]:
        instants = [scales.for_engine(orbyx.Instant(day, scale)) for day in days]
        try:
            # The companion turns a site on any day and subtracts the module's ayanamsha
            # as Engine.sidereal_position does.
            return orbyx_ext.positions(engine, bodies, instants, options, sidereal_mode=sidereal)
        except ValueError as error:
            raise body_failure(error) from None
    return values


def run(arguments: argparse.Namespace) -> None:
    grid = grid_from(arguments, arguments.at, arguments.start, arguments.end, arguments.step)
    observer = observer_from(arguments)
    options = _options(arguments, observer)
    bodies: List[Body] = body_list(arguments.bodies) if arguments.bodies is not None else \
        [body for body in BODIES if body != ORIGIN_BODY.get(options.origin)]
    _check_origin_not_among(bodies, options.origin)
    data = opened_data(arguments)
    clock = command_clock(arguments)
    shown_on_clock = grid.scale == "utc" and not clock.is_utc

    def time_text(day: float) -> str:
        if grid.shown_in_utc:
            return data.time_scales.utc_text(day, precision)
        return clock.text(day, precision) if shown_on_clock else format_instant(day, precision)

    times_in = clock.label if shown_on_clock else "UTC" if grid.shown_in_utc else grid.scale.upper()
    header = data.header + [_description(arguments, options, times_in)]
    if observer is not None:
        header.append(f"site: latitude {observer.latitude_deg:g}, longitude {observer.longitude_east_deg:g} east, "
                      f"height {observer.height_m:g} m")
        header += data.ut1_notes(data.time_scales.convert(max(grid.julian_days), grid.scale, "utc"))
    # The range's ends say whether the ΔT model stands in for the tables anywhere in it.
    for day in (grid.julian_days[0], grid.last):
        data.time_scales.convert(day, grid.scale, "tt" if observer is None else "ut1")
    header += data.model_notes()
    precision = "second" if grid.whole_seconds else "millisecond"
    ends = (grid.julian_days[0], grid.last)
    data.refuse_outside_kernel([data.time_scales.convert(day, grid.scale, "tt") for day in ends],
                               [f"{time_text(day)} {times_in}" for day in ends])
    coordinates = _coordinate_columns(options.coordinate_system, arguments.angles)
    time_width = max(len(time_text(grid.julian_days[0])), len(time_text(grid.last)))
    columns = [Column("time", align_left=True, width=time_width)]
    if arguments.format != "text":
        columns.append(Column(f"julian_day_{grid.scale}"))
    names = [str(body) for body in bodies]
    columns += [Column("body", align_left=True, width=max(map(len, names)))] + coordinates
    write_chunked_table(arguments, header, columns, grid, time_text, [(name,) for name in names], "positions",
                        _values_of(data.engine, data.time_scales, grid.scale, bodies, options, arguments.sidereal))
