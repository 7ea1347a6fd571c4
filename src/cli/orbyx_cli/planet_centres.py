"""Which kernel places each outer planet's centre, for the headers that say so.

The engine asks its kernels in the order they were attached and takes the first one
with a segment covering the body, so the shipped stand-in, attached after the user's
kernels, answers only for the centres and times that none of them covers.
"""
from __future__ import annotations

from dataclasses import dataclass
from pathlib import Path
from typing import Dict, List, Optional, Sequence, Tuple

from .calendar import format_instant
from .spk_summary import SpkSummary

PLANET_CENTRES = (599, 699, 799, 899, 999)
STAND_IN = ("stand on their system barycentres (orbyx's planet_centres.bsp): "
            "off by up to ~2,000 km for Pluto, a few hundred km for Jupiter and Saturn")
STAND_IN_NOTE = (f"planet centres 599-999 {STAND_IN}; "
                 "attach a satellite kernel with --add-kernel for the true centres")


@dataclass(frozen=True)
class CentreSource:
    """A user's kernel holding segments of a centre, over the span they cover (TDB)."""

    centre: int
    kernel: str
    start_julian_day: float
    end_julian_day: float

    def describe(self) -> str:
        return (f"{self.centre} from {self.kernel} for {format_instant(self.start_julian_day)} to "
                f"{format_instant(self.end_julian_day)} TDB")


def centre_sources(kernels: Sequence[Tuple[Path, SpkSummary]]) -> List[CentreSource]:
    """The user's kernels holding each centre, in the engine's search order."""
    sources: List[CentreSource] = []
    for centre in PLANET_CENTRES:
        for path, summary in kernels:
            spans = [(segment.start_julian_day, segment.end_julian_day)
                     for segment in summary.segments if segment.target == centre]
            if spans:
                sources.append(CentreSource(centre, path.name, min(start for start, _ in spans),
                                            max(end for _, end in spans)))
    return sources


def lacks_centres(kernels: Sequence[SpkSummary]) -> bool:
    """Whether the kernels hold a planet's system barycentre but not its centre."""
    targets = {segment.target for summary in kernels for segment in summary.segments}
    return any(centre not in targets and centre // 100 in targets for centre in PLANET_CENTRES)


def uncovered_span_note(kernel: SpkSummary, stand_in: SpkSummary) -> Optional[str]:
    """The stand-in's span, when it does not reach over the whole kernel's."""
    def span(summary: SpkSummary) -> Tuple[float, float]:
        return (min(segment.start_julian_day for segment in summary.segments),
                max(segment.end_julian_day for segment in summary.segments))

    (first, last), (stand_in_first, stand_in_last) = span(kernel), span(stand_in)
    if stand_in_first <= first and last <= stand_in_last:
        return None
    return (f"the stand-in covers only {format_instant(stand_in_first)} to {format_instant(stand_in_last)} TDB, "
            "outside which those centres fail")


def _runs(centres: Sequence[int]) -> str:
    """`599, 799-999`: neighbours in PLANET_CENTRES joined into ranges."""
    runs: List[List[int]] = []
    for centre in centres:
        if runs and PLANET_CENTRES.index(centre) == PLANET_CENTRES.index(runs[-1][-1]) + 1:
            runs[-1].append(centre)
        else:
            runs.append([centre])
    return ", ".join(str(run[0]) if len(run) == 1 else f"{run[0]}-{run[-1]}" for run in runs)


def centres_note(sources: Sequence[CentreSource], stand_in: bool, span_note: Optional[str] = None) -> Optional[str]:
    """One header line naming where each centre comes from; None when nothing places any."""
    note = _sources_note(sources, stand_in)
    return note if note is None or span_note is None else f"{note}; {span_note}"


def _sources_note(sources: Sequence[CentreSource], stand_in: bool) -> Optional[str]:
    if not sources:
        return STAND_IN_NOTE if stand_in else None
    by_centre: Dict[int, List[str]] = {}
    for source in sources:
        by_centre.setdefault(source.centre, []).append(source.describe())
    parts = [", ".join(descriptions) for descriptions in by_centre.values()]
    if stand_in:
        # Outside its kernels' spans a centre falls back on the stand-in.
        parts = [part + " (outside it, on its system barycentre)" for part in parts]
        rest = [centre for centre in PLANET_CENTRES if centre not in by_centre]
        if rest:
            parts.append(f"{_runs(rest)} {STAND_IN}")
    return "planet centres: " + "; ".join(parts)
