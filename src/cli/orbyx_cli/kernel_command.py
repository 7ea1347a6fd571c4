"""`orbyx kernel`: the segments of SPK kernels, the range the engine supports on them and
which bodies it can evaluate there, with the engine's reason for each that fails."""
from __future__ import annotations

import argparse
import json
import os
import sys
from dataclasses import dataclass
from pathlib import Path
from typing import Any, Dict, List, Sequence

import orbyx
import orbyx_ext

from .calendar import format_instant
from .default_data import DataFiles, planet_centres_note, read_summary, resolve_files, sha256_of
from .errors import CommandError, file_failure, readable
from .options import BODIES, add_format_option
from .naif_names import NAIF_NAMES
from .output import Column, write_table
from .spk_summary import SpkSummary

# The segment types an engine from orbyx_ext.open evaluates; the companion does not list them itself.
SUPPORTED_DATA_TYPES = frozenset({1, 2, 3, 13, 21})

TEXT_SEGMENT_COLUMNS = [
    Column("target_label", heading="target", align_left=True),
    Column("centre_label", heading="centre", align_left=True),
    Column("frame"),
    Column("type_label", heading="type", align_left=True),
    Column("start_tdb", heading="start (TDB)", align_left=True),
    Column("end_tdb", heading="end (TDB)", align_left=True),
    Column("segment_name", heading="segment name", align_left=True),
]
MACHINE_SEGMENT_COLUMNS = [Column(key) for key in (
    "file", "target", "target_name", "centre", "centre_name", "frame", "data_type", "supported",
    "start_tdb", "end_tdb", "start_julian_day_tdb", "end_julian_day_tdb", "segment_name")]
BODY_COLUMNS = [
    Column("body", align_left=True),
    Column("evaluable", lambda value: "yes" if value else "no", align_left=True),
    Column("reason", lambda value: value or "", align_left=True),
]


def add_parser(subcommands: Any) -> None:
    parser = subcommands.add_parser(
        "kernel", help="segments, coverage and evaluable bodies of SPK kernels",
        description="The segments of an SPK kernel (target, centre, frame, data type, coverage in TDB), "
                    "the range the engine supports on it, and which bodies it can evaluate in the "
                    "middle of that range, with the reason for each that fails. With no PATH, the "
                    "default data: JPL DE421 and the shipped kernel of the planet centres.")
    parser.add_argument("path", nargs="?", metavar="PATH",
                        help="SPK kernel (default: JPL DE421 from orbyx[data])")
    parser.add_argument("--add-kernel", metavar="PATH", action="append", default=[],
                        help="further SPK kernel attached after PATH, listed and used in the check "
                             "(repeatable)")
    add_format_option(parser)
    parser.set_defaults(run=run)


def naif_label(naif_id: int) -> str:
    name = NAIF_NAMES.get(naif_id)
    return f"{naif_id} {name}" if name else str(naif_id)


@dataclass(frozen=True)
class Evaluation:
    start_julian_day: float
    end_julian_day: float
    rows: List[Dict[str, Any]]  # one per body: body, evaluable, reason

    @property
    def middle_julian_day(self) -> float:
        return (self.start_julian_day + self.end_julian_day) / 2.0


def _kernel_files(arguments: argparse.Namespace) -> DataFiles:
    if arguments.path is not None and not os.path.isfile(arguments.path):
        raise CommandError(f"no such file: {arguments.path}")
    # A named file is shown as it is; only the default data comes with the stand-in.
    return resolve_files(arguments.path, arguments.add_kernel, centres_stand_in=False)


def _evaluate(paths: Sequence[Path]) -> Evaluation:
    primary, *additional = paths
    try:
        engine = orbyx_ext.open(str(primary), sha256_of(primary))
        supported = engine.supported_range
    except ValueError as error:
        raise file_failure(primary, error) from None
    for path in additional:
        try:
            engine.with_additional_kernel_file(str(path), sha256_of(path))
        except ValueError as error:
            raise file_failure(path, error) from None
    start, end = supported.start_julian_day, supported.end_julian_day
    middle = orbyx.Instant.tdb((start + end) / 2.0)
    options = orbyx.geometric("barycentric", "equatorial")
    return Evaluation(start, end, [_evaluability(engine, body, middle, options) for body in BODIES])


def _evaluability(engine: orbyx.Engine, body: str, instant: orbyx.Instant,
                  options: orbyx.PositionOptions) -> Dict[str, Any]:
    try:
        engine.position(body, instant, options)
    except ValueError as error:
        return {"body": body, "evaluable": False, "reason": readable(str(error))}
    return {"body": body, "evaluable": True, "reason": None}


def _file_header(path: Path, summary: SpkSummary) -> List[str]:
    return [f"file: {path}",
            f"size: {summary.size_bytes} bytes",
            f"byte order: {summary.endianness} ({summary.binary_format})",
            f"internal name: {summary.internal_name}",
            f"segments: {len(summary.segments)}"]


def _segment_rows(path: Path, summary: SpkSummary) -> List[Dict[str, Any]]:
    rows = []
    for segment in summary.segments:
        supported = segment.data_type in SUPPORTED_DATA_TYPES
        rows.append({
            "file": str(path),
            "target": segment.target, "target_name": NAIF_NAMES.get(segment.target),
            "target_label": naif_label(segment.target),
            "centre": segment.center, "centre_name": NAIF_NAMES.get(segment.center),
            "centre_label": naif_label(segment.center),
            "frame": segment.frame, "data_type": segment.data_type, "supported": supported,
            "type_label": str(segment.data_type) if supported else f"{segment.data_type} (unsupported)",
            "start_tdb": format_instant(segment.start_julian_day),
            "end_tdb": format_instant(segment.end_julian_day),
            "start_julian_day_tdb": segment.start_julian_day, "end_julian_day_tdb": segment.end_julian_day,
            "segment_name": segment.name,
        })
    return rows


def _range_header(files: DataFiles, summaries: Sequence[SpkSummary], evaluation: Evaluation) -> List[str]:
    start, end = evaluation.start_julian_day, evaluation.end_julian_day
    centres = planet_centres_note(files, summaries)
    return [f"supported range ({files.kernel.name}): {format_instant(start)} to {format_instant(end)} TDB "
            f"(JD {start!r} to {end!r})",
            f"bodies evaluated at {format_instant(evaluation.middle_julian_day)} TDB, the middle of "
            "that range (geometric, barycentric)"] + ([centres] if centres is not None else [])


def _json_document(paths: Sequence[Path], summaries: Sequence[SpkSummary], evaluation: Evaluation,
                   header: List[str]) -> Dict[str, Any]:
    files = [{"path": str(path), "size_bytes": summary.size_bytes, "binary_format": summary.binary_format,
              "endianness": summary.endianness, "internal_name": summary.internal_name,
              "segments": len(summary.segments)}
             for path, summary in zip(paths, summaries)]
    rows = [{column.key: row[column.key] for column in MACHINE_SEGMENT_COLUMNS}
            for path, summary in zip(paths, summaries) for row in _segment_rows(path, summary)]
    supported_range = {"start_tdb": format_instant(evaluation.start_julian_day),
                       "end_tdb": format_instant(evaluation.end_julian_day),
                       "start_julian_day_tdb": evaluation.start_julian_day,
                       "end_julian_day_tdb": evaluation.end_julian_day,
                       "middle_julian_day_tdb": evaluation.middle_julian_day}
    return {"header": header, "files": files, "rows": rows, "supported_range": supported_range,
            "bodies": evaluation.rows}


def run(arguments: argparse.Namespace) -> None:
    files = _kernel_files(arguments)
    paths = [files.kernel, *files.additional_kernels]
    summaries = [read_summary(path) for path in paths]
    if arguments.format == "json":
        evaluation = _evaluate(paths)
        header = [line for path, summary in zip(paths, summaries) for line in _file_header(path, summary)]
        document = _json_document(paths, summaries, evaluation, header + _range_header(files, summaries, evaluation))
        json.dump(document, sys.stdout, indent=1)
        sys.stdout.write("\n")
        return
    # The segments come first: when the engine refuses the kernel they show why.
    columns = TEXT_SEGMENT_COLUMNS if arguments.format == "text" else MACHINE_SEGMENT_COLUMNS
    # Without comment lines a blank line is what parts one CSV table from the next.
    blank_between = arguments.format == "text" or (arguments.format == "csv" and not arguments.header)
    for path, summary in zip(paths, summaries):
        write_table(sys.stdout, arguments.format, _file_header(path, summary), columns,
                    _segment_rows(path, summary), arguments.header)
        if blank_between:
            sys.stdout.write("\n")
    sys.stdout.flush()
    evaluation = _evaluate(paths)
    write_table(sys.stdout, arguments.format, _range_header(files, summaries, evaluation), BODY_COLUMNS,
                evaluation.rows, arguments.header)
