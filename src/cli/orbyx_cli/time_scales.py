"""UTC, UT1, TT and TDB Julian days through the companion's conversions.

The companion converts on any day the kernel covers: inside the engine's tables by
their relations, outside them (UTC before the first leap second, UT1 before or after
the EOP table) by its ΔT model. The command keeps only what says where a result came
from.
"""
from __future__ import annotations

import math
from dataclasses import dataclass, field
from typing import List, Tuple

import orbyx
import orbyx_ext

from .calendar import SECONDS_PER_DAY, format_instant
from .errors import engine_failure

SCALES = ("utc", "ut1", "tt", "tdb")


@dataclass
class TimeScales:
    engine: orbyx.Engine
    # The first and last Julian days the ΔT model stood in for the tables, for the header.
    modelled: List[float] = field(default_factory=list)

    def convert(self, julian_day: float, source: str, target: str) -> float:
        """The same instant as a Julian day in another scale."""
        return self.convert_instant(orbyx.Instant(julian_day, source), target).julian_day

    def utc_text(self, tt_day: float, precision: str) -> str:
        """ISO UTC text of a TT Julian day, with second 60 inside a leap second."""
        utc = self.convert(tt_day, "tt", "utc")
        # A UTC Julian day cannot name a leap second: the companion puts it past midnight,
        # whose TT then lies a second later than the instant.
        if (self.convert(utc, "utc", "tt") - tt_day) * SECONDS_PER_DAY < 0.5:
            return format_instant(utc, precision)
        midnight = math.floor(utc + 0.5) - 0.5
        into_leap = (utc - midnight) * SECONDS_PER_DAY
        last_minute = format_instant(midnight - 60.0 / SECONDS_PER_DAY, precision)
        seconds = f"{60 + into_leap:06.3f}" if precision == "millisecond" else f"{60 + int(into_leap):02d}"
        return last_minute[:17] + seconds

    def for_engine(self, instant: orbyx.Instant) -> orbyx.Instant:
        """The instant as given where the engine's tables hold it, else its TT from the model."""
        if instant.time_scale in ("tt", "tdb"):
            return instant
        tt, source = self._converted(instant, "tt")
        return tt if source == "model" else instant

    def convert_instant(self, instant: orbyx.Instant, target: str) -> orbyx.Instant:
        return self._converted(instant, target)[0]

    def _converted(self, instant: orbyx.Instant, target: str) -> Tuple[orbyx.Instant, str]:
        if instant.time_scale == target:
            return instant, "unchanged"
        try:
            converted, source = orbyx_ext.convert(self.engine, instant, target)
        except ValueError as error:
            raise engine_failure(error) from None
        if source == "model":
            seen = self.modelled + [instant.julian_day]
            self.modelled[:] = [min(seen), max(seen)]
        return converted, source
