"""`orbyx houses`: the cusps of the four house systems for a site and instant."""
from __future__ import annotations

import argparse
import sys
from typing import Any, Dict, List

import orbyx

from .clock import add_clock_options
from .errors import engine_failure
from .options import (add_data_options, add_format_option, add_scale_option, add_site_options,
                      instant_argument, instant_heading, observer_from, opened_data)
from .output import Column, fixed, write_table

SYSTEMS = ("placidus", "campanus", "equal", "whole_sign")
ANGLES = ("ascendant_deg", "midheaven_deg", "ramc_deg", "local_sidereal_time_deg", "true_obliquity_deg")


def add_parser(subcommands: Any) -> None:
    parser = subcommands.add_parser(
        "houses", help="house cusps of the four systems",
        description="Placidus, Campanus, Equal and Whole Sign cusps (ecliptic longitudes of date, degrees) "
                    "with ascendant, midheaven, RAMC, local sidereal time and true obliquity.")
    add_site_options(parser, required=True)
    parser.add_argument("--at", metavar="DATE", default="now", help="instant, ISO 8601 (default: now)")
    parser.add_argument("--system", choices=("all",) + SYSTEMS, default="all", type=str.lower,
                        help="one system or all (default)")
    add_scale_option(parser, "time scale of a date without a suffix (default utc)")
    add_clock_options(parser, "a date without a suffix")
    add_format_option(parser)
    add_data_options(parser)
    parser.set_defaults(run=run)


def run(arguments: argparse.Namespace) -> None:
    julian_day, scale = instant_argument(arguments.at, arguments, "--at")
    observer = observer_from(arguments)
    assert observer is not None  # --lat and --lon are required here
    systems = SYSTEMS if arguments.system == "all" else (arguments.system,)
    data = opened_data(arguments)
    ut1 = data.time_scales.convert(julian_day, scale, "ut1")
    tt = data.time_scales.convert(julian_day, scale, "tt")
    results: Dict[str, orbyx.HouseCusps] = {}
    failures = []
    for system in systems:
        try:
            results[system] = orbyx.house_cusps(observer, ut1, tt, system)
        except ValueError as error:
            failures.append(f"{system}: {error}")
    if not results:
        raise engine_failure(ValueError(failures[0]))
    # One row per quantity and a column per system, so the systems read side by side.
    rows: List[Dict[str, Any]] = [
        {"quantity": f"cusp_{index}", **{system: cusps.cusp_ecliptic_longitude_deg[index - 1]
                                          for system, cusps in results.items()}}
        for index in range(1, 13)]
    rows += [{"quantity": name, **{system: getattr(cusps, name) for system, cusps in results.items()}}
             for name in ANGLES]
    when = instant_heading(arguments, arguments.at, julian_day, scale)
    header = data.header + [
        f"house cusps at {when} (UT1 JD {ut1:.6f}, TT JD {tt:.6f}), "
        f"latitude {observer.latitude_deg:g}, longitude {observer.longitude_east_deg:g} east; "
        "ecliptic longitudes of date in degrees"]
    header += data.ut1_notes(data.time_scales.convert(julian_day, scale, "utc"))
    header += data.model_notes()
    header += failures
    columns = [Column("quantity", align_left=True)] + [Column(system, fixed(4)) for system in results]
    write_table(sys.stdout, arguments.format, header, columns, rows, arguments.header)
