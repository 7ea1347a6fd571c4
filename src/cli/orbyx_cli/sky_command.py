"""`orbyx sky`: altitude and azimuth of bodies from a site, at one instant or over a range."""
from __future__ import annotations

import argparse
from typing import Any, Callable, List, Optional, Tuple

import numpy as np
import numpy.typing as npt

import orbyx
import orbyx_ext

from .angle_formats import angle_text, text_width
from .bodies import Body, body_failure, body_list
from .calendar import format_instant
from .chunked_table import write_chunked_table
from .clock import add_clock_options
from .errors import CommandError
from .instant_grid import grid_from
from .options import (add_angles_option, add_data_options, add_format_option, add_scale_option, add_site_options,
                      command_clock, finite_float, observer_from, opened_data)
from .output import Column, fixed

DEFAULT_BODIES = orbyx_ext.BODY_NAMES
# The weather of the companion's refraction when neither value is given.
STANDARD_PRESSURE_MBAR = 1010.0
STANDARD_TEMPERATURE_C = 10.0
# The air of any site: beyond the records at the ground (1084 mbar; -89 and 57 °C) with room
# for mines, and down to no air at all.
PRESSURE_LIMITS_MBAR = (0.0, 1200.0)
TEMPERATURE_LIMITS_C = (-100.0, 70.0)


def add_parser(subcommands: Any) -> None:
    parser = subcommands.add_parser(
        "sky", help="altitude and azimuth of bodies from a site",
        description="Altitude and azimuth (north through east) of the Sun, Moon and planets, or any body of "
                    "the kernels, seen from a site at one instant (default: now, UTC) or from --from to --to "
                    "every --step; refracted for 1010 mbar and 10 °C unless told otherwise.")
    add_site_options(parser, required=True)
    when = parser.add_argument_group("instants (ISO 8601; a trailing Z, UTC, UT1, TT or TDB names the scale)")
    when.add_argument("--at", metavar="DATE", help="one instant (default: now)")
    when.add_argument("--from", dest="start", metavar="DATE", help="first instant of a range")
    when.add_argument("--to", dest="end", metavar="DATE", help="last instant of a range (included)")
    when.add_argument("--step", metavar="STEP", help="spacing of a range, e.g. 1d, 6h, 10m, 30s (default 1d)")
    add_scale_option(parser, "time scale of dates without a suffix, and of the printed times (default utc)")
    add_clock_options(parser, "dates without a suffix and of the printed times")
    parser.add_argument("--bodies", metavar="LIST",
                        help="comma-separated names or NAIF ids (default: the Sun, Moon and Mercury to Pluto)")
    weather = parser.add_argument_group("refraction")
    weather.add_argument("--pressure", type=finite_float, metavar="MBAR",
                         help="air pressure, 0 to 1200 (default 1010)")
    weather.add_argument("--temperature", type=finite_float, metavar="C",
                         help="air temperature, -100 to 70 (default 10)")
    weather.add_argument("--no-refraction", action="store_true", help="true (unrefracted) altitudes")
    add_angles_option(parser)
    add_format_option(parser)
    add_data_options(parser)
    parser.set_defaults(run=run)


def weather(arguments: argparse.Namespace) -> Tuple[Optional[float], Optional[float]]:
    """(pressure, temperature) for the companion: both None for no refraction."""
    if arguments.no_refraction:
        if arguments.pressure is not None or arguments.temperature is not None:
            raise CommandError("--no-refraction leaves no use for --pressure or --temperature")
        return None, None
    pressure = STANDARD_PRESSURE_MBAR if arguments.pressure is None else arguments.pressure
    temperature = STANDARD_TEMPERATURE_C if arguments.temperature is None else arguments.temperature
    for option, value, (lowest, highest), unit in (("--pressure", pressure, PRESSURE_LIMITS_MBAR, "mbar"),
                                                   ("--temperature", temperature, TEMPERATURE_LIMITS_C, "°C")):
        if not lowest <= value <= highest:
            raise CommandError(f"{option} must lie within {lowest:g} to {highest:g} {unit}, not {value:g}")
    return pressure, temperature


def _values_of(engine: orbyx.Engine, bodies: List[Body], observer: orbyx.GeodeticObserver, scale: str,
               pressure: Optional[float],
               temperature: Optional[float]) -> Callable[[List[float]], npt.NDArray[np.float64]]:
    """[instant, body, altitude/azimuth/distance] of a chunk of the grid's days."""
    def values(days: List[float]) -> npt.NDArray[np.float64]:
        instants = [orbyx.Instant(day, scale) for day in days]
        try:
            place = orbyx_ext.horizontal(engine, bodies, observer, instants, pressure, temperature)
        except ValueError as error:
            raise body_failure(error) from None
        return np.stack((place.altitude_deg, place.azimuth_deg, place.distance_au), axis=-1)
    return values


def run(arguments: argparse.Namespace) -> None:
    grid = grid_from(arguments, arguments.at, arguments.start, arguments.end, arguments.step)
    observer = observer_from(arguments)
    assert observer is not None  # --lat and --lon are required here
    pressure, temperature = weather(arguments)
    bodies: List[Body] = body_list(arguments.bodies) if arguments.bodies is not None else list(DEFAULT_BODIES)
    names = [str(body) for body in bodies]
    data = opened_data(arguments)
    clock = command_clock(arguments)
    shown_on_clock = grid.scale == "utc" and not clock.is_utc
    precision = "second" if grid.whole_seconds else "millisecond"

    def time_text(day: float) -> str:
        if grid.shown_in_utc:
            return data.time_scales.utc_text(day, precision)
        return clock.text(day, precision) if shown_on_clock else format_instant(day, precision)

    times_in = clock.label if shown_on_clock else "UTC" if grid.shown_in_utc else grid.scale.upper()
    ends = (grid.julian_days[0], grid.last)
    data.refuse_outside_kernel([data.time_scales.convert(day, grid.scale, "tt") for day in ends],
                               [f"{time_text(day)} {times_in}" for day in ends])
    refraction = "no refraction" if pressure is None else f"refracted for {pressure:g} mbar and {temperature:g} °C"
    header = data.header + [
        f"apparent places from latitude {observer.latitude_deg:g}, longitude {observer.longitude_east_deg:g} "
        f"east, height {observer.height_m:g} m; azimuth north through east, {refraction}; times in {times_in}"]
    header += data.ut1_notes(data.time_scales.convert(grid.last, grid.scale, "utc"))
    # The range's ends say whether the ΔT model turned the site anywhere in it.
    for day in (grid.julian_days[0], grid.last):
        data.time_scales.convert(day, grid.scale, "ut1")
    header += data.model_notes()
    altitude_text = angle_text(arguments.angles, "signed")
    azimuth_text = angle_text(arguments.angles, "circle")
    angle_printf = "%.6f" if arguments.angles == "decimal" else None
    time_width = max(len(time_text(grid.julian_days[0])), len(time_text(grid.last)))
    columns = [Column("time", align_left=True, width=time_width)]
    if arguments.format != "text":
        columns.append(Column(f"julian_day_{grid.scale}"))
    columns += [Column("body", align_left=True, width=max(map(len, names))),
                Column("altitude_deg", altitude_text, width=text_width(altitude_text, "signed"), printf=angle_printf),
                Column("azimuth_deg", azimuth_text, width=text_width(azimuth_text, "circle"), printf=angle_printf),
                Column("distance_au", fixed(9), width=12, printf="%.9f")]
    write_chunked_table(arguments, header, columns, grid, time_text, [(name,) for name in names], "places",
                        _values_of(data.engine, bodies, observer, grid.scale, pressure, temperature))
