"""UTC, UT1, TT and TDB Julian days through the companion's conversions.

The companion converts on any day the kernel covers: inside the engine's tables by
their relations, outside them (UTC before the first leap second, UT1 before or after
the EOP table) by its ΔT model. The command keeps only what says where a result came
from.
"""
from __future__ import annotations

from dataclasses import dataclass, field
from typing import Set, Tuple

import orbyx
import orbyx_ext

from .errors import engine_failure

SCALES = ("utc", "ut1", "tt", "tdb")


@dataclass
class TimeScales:
    engine: orbyx.Engine
    # Scales some conversion took from the ΔT model, for the header.
    modelled: Set[str] = field(default_factory=set)

    def convert(self, julian_day: float, source: str, target: str) -> float:
        """The same instant as a Julian day in another scale."""
        return self.convert_instant(orbyx.Instant(julian_day, source), target).julian_day

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
            self.modelled.add(target)
        return converted, source
