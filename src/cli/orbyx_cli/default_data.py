"""Which kernel, leap-second kernel and EOP table a command uses, and the opened engine.

With no file named, the command takes JPL DE421 from skyfield-data, the IERS EOP 20
C04 table from astropy-iers-data (the optional extra `orbyx[data]`) and the
leap-second kernel shipped here, and attaches the shipped kernel that stands each
planet's centre on its system barycentre, since DE421 has no centres beyond Mars (as
it does after a named kernel that lacks them). The engine comes from
`orbyx_ext.open`, so every segment type the companion reads works.
"""
from __future__ import annotations

import hashlib
import importlib.util
import os
import re
from dataclasses import dataclass, field
from pathlib import Path
from typing import List, Optional, Sequence, Tuple

import orbyx
import orbyx_ext

from .calendar import format_day
from .day_numbers import calendar_from_day_number
from .errors import ENGINE_FAILURE, CommandError, file_failure
from .planet_centres import centre_sources, centres_note, lacks_centres, uncovered_span_note
from .spk_summary import SpkSummary, read_spk_summary
from .time_scales import TimeScales

SHIPPED = Path(__file__).resolve().parent / "data"
SHIPPED_LEAP_SECONDS = SHIPPED / "leapseconds.tls"
SHIPPED_PLANET_CENTRES = SHIPPED / "planet_centres.bsp"
INSTALL_HINT = "pip install 'orbyx[data]'"
_MONTHS = ["JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"]
_FIRST_ENTRY = re.compile(r"DELTET/DELTA_AT\s*=\s*\(\s*[\d.]+\s*,\s*@(\d{4})-([A-Za-z]{3})-(\d{1,2})")
# How far past the table's last day the default EOP values are held.
EOP_HOLD_DAYS = 36525.0


def _package_file(package: str, relative: str) -> Optional[Path]:
    # find_spec locates the package without importing it (skyfield_data warns on import).
    spec = importlib.util.find_spec(package)
    if spec is None or not spec.submodule_search_locations:
        return None
    path = Path(list(spec.submodule_search_locations)[0]) / relative
    return path if path.is_file() else None


def default_kernel() -> Optional[Path]:
    return _package_file("skyfield_data", "data/de421.bsp")


def default_eop() -> Optional[Path]:
    return _package_file("astropy_iers_data", "data/eopc04.1962-now")


@dataclass
class DataFiles:
    """The files a command opens; `None` for the EOP table means the engine goes without."""

    kernel: Path
    additional_kernels: List[Path]
    leap_second_kernel: Path
    eop: Optional[Path]
    kernel_is_default: bool
    eop_is_default: bool


def _named_file(option: str, path: str) -> Path:
    if not os.path.isfile(path):
        raise CommandError(f"{option}: no such file: {path}")
    return Path(path)


def _lacks_centres(kernels: Sequence[Path]) -> bool:
    try:
        return lacks_centres([read_spk_summary(str(path)) for path in kernels])
    except (ValueError, OSError):
        return False  # the engine names the unreadable file when it opens it


def resolve_files(kernel: Optional[str] = None, add_kernels: Sequence[str] = (),
                  lsk: Optional[str] = None, eop: Optional[str] = None, centres_stand_in: bool = True) -> DataFiles:
    """The files named on the command line, the defaults for the rest.

    A named kernel that holds planets' system barycentres without their centres, as most
    JPL planetary kernels do, gets the stand-in too, unless `centres_stand_in` is false.
    """
    added = [_named_file("--add-kernel", path) for path in add_kernels]
    if kernel is not None:
        primary = _named_file("--kernel", kernel)
        if centres_stand_in and _lacks_centres([primary, *added]):
            added.append(SHIPPED_PLANET_CENTRES)
    else:
        found = default_kernel()
        if found is None:
            raise CommandError(f"no kernel: install the default data ({INSTALL_HINT}) "
                               "or name one with --kernel PATH")
        primary = found
        # Last, so that any centre the user's kernels hold comes from them.
        added.append(SHIPPED_PLANET_CENTRES)
    eop_path = _named_file("--eop", eop) if eop is not None else default_eop()
    leap_seconds = _named_file("--lsk", lsk) if lsk is not None else SHIPPED_LEAP_SECONDS
    return DataFiles(primary, added, leap_seconds, eop_path, kernel is None, eop is None)


def sha256_of(path: Path) -> str:
    digest = hashlib.sha256()
    try:
        with open(path, "rb") as stream:
            for block in iter(lambda: stream.read(1 << 20), b""):
                digest.update(block)
    except OSError as error:
        raise file_failure(path, error) from None
    return digest.hexdigest()


def _read_text(path: Path) -> str:
    try:
        return path.read_text(encoding="utf-8", errors="replace")
    except OSError as error:
        raise file_failure(path, error) from None


def _eop_days(text: str) -> List[float]:
    """UTC Julian days of the rows of an EOP 20 C04 table."""
    return [float(fields[4]) + 2400000.5 for fields in (line.split() for line in text.splitlines())
            if len(fields) >= 8 and not fields[0].startswith("#")]


def _held_row(last_day: float, last_line: str) -> str:
    """A C04 row far ahead repeating the last row's x, y and UT1 − UTC."""
    fields = last_line.split()
    day = last_day + EOP_HOLD_DAYS
    year, month, date = calendar_from_day_number(int(day + 0.5))
    return (f"{year:4d} {month:3d} {date:3d}   0 {day - 2400000.5:9.2f} "
            f"{fields[5]} {fields[6]} {fields[7]}\n")


@dataclass
class OpenedData:
    engine: orbyx.Engine
    files: DataFiles
    time_scales: TimeScales
    eop_last_day: Optional[float]  # last tabulated UTC day, before any held values
    utc_first_day: Optional[str]  # date of the leap-second kernel's first entry
    header: List[str] = field(default_factory=list)

    def model_notes(self) -> List[str]:
        """The header line for conversions that left the tables for the ΔT model."""
        modelled = self.time_scales.modelled
        if not modelled:
            return []
        spans = []
        if self.utc_first_day is None or format_day(min(modelled)) < self.utc_first_day:
            spans.append(f"UT1 and UTC before {self.utc_first_day or 'the first leap second'} (UTC read as UT1)")
        if self.eop_last_day is not None and max(modelled) > self.eop_last_day:
            spans.append(f"UT1 after {format_day(self.eop_last_day)}")
        return [" and ".join(spans or ["UT1"]) + " from the ΔT model (Morrison et al. 2021)"]

    def kernel_coverage(self) -> Tuple[float, float, str]:
        """The TT days the kernel covers, and the text that names the kernel and its dates."""
        covered = self.engine.supported_range
        first, last = (self.time_scales.convert(day, covered.time_scale.lower(), "tt")
                       for day in (covered.start_julian_day, covered.end_julian_day))
        return first, last, f"{self.files.kernel.name}, which covers {format_day(first)} to {format_day(last)}"

    def refuse_outside_kernel(self, ends_tt: Sequence[float], ends_shown: Sequence[str]) -> None:
        """Refuses a request before any work when an end lies outside the kernel, naming
        that end as the user wrote it: a late failure would name an instant within."""
        first, last, kernel = self.kernel_coverage()
        for end_tt, shown in zip(ends_tt, ends_shown):
            if not first <= end_tt <= last:
                raise CommandError(f"{shown} is outside {kernel}", ENGINE_FAILURE)

    def ut1_notes(self, latest_utc_day: float) -> List[str]:
        """Header lines for a command that needs UT1 up to the given UTC day."""
        if self.files.eop_is_default and self.eop_last_day is not None and latest_utc_day > self.eop_last_day:
            return [f"UT1-UTC and polar motion after {format_day(self.eop_last_day)} (end of the IERS "
                    "table) are held at their last values: results may be off by up to a second of time"]
        return []


def open_data(files: DataFiles) -> OpenedData:
    """Opens the engine on the files and reads the same time tables for the command's own use."""
    try:
        engine = orbyx_ext.open(str(files.kernel), sha256_of(files.kernel))
    except ValueError as error:
        raise file_failure(files.kernel, error) from None
    # Attached apart, so that a bad leap-second kernel is blamed on its own path.
    try:
        engine.with_leap_second_kernel(str(files.leap_second_kernel), sha256_of(files.leap_second_kernel))
    except ValueError as error:
        raise file_failure(files.leap_second_kernel, error) from None
    eop_days: List[float] = []
    if files.eop is not None:
        held = files.eop_is_default and hasattr(os, "memfd_create")
        if not held:
            # The engine reads the file itself first, so its checks speak for a user's table.
            try:
                engine.with_eop(str(files.eop), sha256_of(files.eop))
            except ValueError as error:
                raise file_failure(files.eop, error) from None
        eop_text = _read_text(files.eop)
        try:
            eop_days = _eop_days(eop_text)
        except ValueError as error:
            raise file_failure(files.eop, error) from None
        if not eop_days:
            raise CommandError(f"{files.eop}: no EOP rows found", ENGINE_FAILURE)
        if held:
            last_row = eop_text.rstrip("\n").rsplit("\n", 1)[-1]
            _attach_eop_text(engine, files.eop, eop_text + _held_row(eop_days[-1], last_row))
    for path in files.additional_kernels:
        try:
            engine.with_additional_kernel_file(str(path), sha256_of(path))
        except ValueError as error:
            raise file_failure(path, error) from None
    opened = OpenedData(engine, files, TimeScales(engine), eop_days[-1] if eop_days else None,
                        _first_leap_second_entry(files.leap_second_kernel))
    opened.header = _header(opened)
    return opened


def _first_leap_second_entry(path: Path) -> Optional[str]:
    match = _FIRST_ENTRY.search(_read_text(path))
    if match is None:
        return None
    year, month, day = match.groups()
    return f"{year}-{_MONTHS.index(month.upper()) + 1:02d}-{int(day):02d}"


def _attach_eop_text(engine: orbyx.Engine, path: Path, text: str) -> None:
    # The held row exists only in memory: the engine reads the table through a memory file.
    content = text.encode("utf-8")
    descriptor = os.memfd_create(path.name)
    try:
        unwritten = memoryview(content)
        while unwritten:
            unwritten = unwritten[os.write(descriptor, unwritten):]
        engine.with_eop(f"/proc/self/fd/{descriptor}", hashlib.sha256(content).hexdigest())
    except ValueError as error:
        raise file_failure(path, error) from None
    finally:
        os.close(descriptor)


def read_summary(path: Path) -> SpkSummary:
    try:
        return read_spk_summary(str(path))
    except (ValueError, OSError) as error:
        raise file_failure(path, error) from None


def planet_centres_note(files: DataFiles, summaries: Sequence[SpkSummary]) -> Optional[str]:
    """The header line on the planet centres; `summaries` are those of the kernels in `files`' order."""
    paths = [files.kernel, *files.additional_kernels]
    users = [(path, summary) for path, summary in zip(paths, summaries) if path != SHIPPED_PLANET_CENTRES]
    stand_in = [summary for path, summary in zip(paths, summaries) if path == SHIPPED_PLANET_CENTRES]
    span_note = uncovered_span_note(summaries[0], stand_in[0]) if stand_in else None
    return centres_note(centre_sources(users), stand_in=bool(stand_in), span_note=span_note)


def _header(opened: OpenedData) -> List[str]:
    files = opened.files
    lines = [f"kernel: {files.kernel.name}" + (" (JPL DE421 from skyfield-data)" if files.kernel_is_default else "")]
    lines += [f"additional kernel: {path.name}" for path in files.additional_kernels
              if path != SHIPPED_PLANET_CENTRES]
    centres = planet_centres_note(files, [read_summary(path) for path in [files.kernel, *files.additional_kernels]])
    if centres is not None:
        lines.append(centres)
    lines.append(f"leap seconds: {files.leap_second_kernel.name}")
    if files.eop is not None and opened.eop_last_day is not None:
        lines.append(f"EOP: {files.eop.name} to {format_day(opened.eop_last_day)}")
    return lines
