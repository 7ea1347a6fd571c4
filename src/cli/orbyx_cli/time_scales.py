"""Conversions between UTC, UT1, TT and TDB Julian days for what the command prints.

The engine converts the instants it is given; the command also needs the reverse
(a TT event shown in UTC, a UT1 rise shown in UTC, the UT1 and TT days of a house
chart), so it reads the same leap-second kernel and EOP table and applies the same
relations: TT − TAI = ΔT_A, TAI − UTC from the leap-second table, TDB − TT from
the kernel's DELTET constants, UT1 − UTC interpolated linearly in the table.
"""
from __future__ import annotations

import bisect
import math
import re
from dataclasses import dataclass
from typing import List, Optional, Sequence, Tuple

from .calendar import format_day, julian_day_from_calendar
from .errors import ENGINE_FAILURE, CommandError

J2000_JULIAN_DAY = 2451545.0
SECONDS_PER_DAY = 86400.0
SCALES = ("utc", "ut1", "tt", "tdb")

_MONTHS = {name: number for number, name in enumerate(
    ("JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"), start=1)}
_NUMBER = r"[-+]?(?:\d+\.?\d*|\.\d+)(?:[DdEe][-+]?\d+)?"


def _number(text: str) -> float:
    return float(text.replace("D", "E").replace("d", "e"))


def _assignment(text: str, name: str) -> str:
    match = re.search(re.escape(name) + r"\s*=\s*(\([^)]*\)|\S+)", text)
    if match is None:
        raise ValueError(f"leap-second kernel has no {name}")
    return match.group(1).strip("()")


@dataclass(frozen=True)
class LeapSeconds:
    """The DELTET constants and the TAI − UTC table of a NAIF leap-second kernel."""

    delta_t_a: float
    k: float
    eb: float
    m0: float
    m1: float
    entry_days: Tuple[float, ...]  # UTC Julian days at which each offset starts
    entry_offsets: Tuple[float, ...]

    @classmethod
    def from_text(cls, text: str) -> "LeapSeconds":
        # Only the data blocks count; comments may quote the same names.
        data = "\n".join(re.findall(r"\\begindata(.*?)(?=\\begintext|\Z)", text, re.S))
        m0, m1 = (_number(t) for t in re.findall(_NUMBER, _assignment(data, "DELTET/M")))
        table = re.findall(r"(" + _NUMBER + r")\s*,?\s*@(-?\d+)-([A-Za-z]{3})-(\d+)",
                           _assignment(data, "DELTET/DELTA_AT"))
        days = tuple(julian_day_from_calendar(int(y), _MONTHS[mon.upper()], int(d))
                     for _, y, mon, d in table)
        return cls(_number(_assignment(data, "DELTET/DELTA_T_A")), _number(_assignment(data, "DELTET/K")),
                   _number(_assignment(data, "DELTET/EB")), m0, m1, days,
                   tuple(_number(offset) for offset, *_ in table))

    def tai_minus_utc(self, utc_julian_day: float) -> float:
        index = bisect.bisect_right(self.entry_days, utc_julian_day) - 1
        if index < 0:
            raise CommandError(f"UTC is defined here from {format_day(self.entry_days[0])} on, "
                             "the first leap-second entry; give the date in TT or TDB", status=ENGINE_FAILURE)
        return self.entry_offsets[index]

    def tdb_minus_tt(self, seconds: float) -> float:
        def d(t: float) -> float:
            mean_anomaly = self.m0 + self.m1 * t
            return self.k * math.sin(mean_anomaly + self.eb * math.sin(mean_anomaly))
        t1 = seconds + d(seconds)
        return d(seconds + d(t1))


@dataclass(frozen=True)
class Dut1Table:
    """UT1 − UTC per UTC Julian day from an IERS EOP 20 C04 table."""

    days: Sequence[float]
    dut1: Sequence[float]

    @classmethod
    def from_text(cls, text: str) -> "Dut1Table":
        days: List[float] = []
        dut1: List[float] = []
        for line in text.splitlines():
            fields = line.split()
            if len(fields) < 8 or line.lstrip().startswith("#"):
                continue
            days.append(float(fields[4]) + 2400000.5)
            dut1.append(float(fields[7]))
        return cls(days, dut1)

    def held_for(self, days: float) -> "Dut1Table":
        """The table with its last value repeated `days` after its last day."""
        return Dut1Table([*self.days, self.days[-1] + days], [*self.dut1, self.dut1[-1]])

    def at(self, utc_julian_day: float) -> float:
        if not self.days[0] <= utc_julian_day <= self.days[-1]:
            raise CommandError(f"the EOP table covers UTC {format_day(self.days[0])} to "
                             f"{format_day(self.days[-1])}; {format_day(utc_julian_day)} is outside",
                             status=ENGINE_FAILURE)
        upper = bisect.bisect_right(self.days, utc_julian_day)
        if upper == len(self.days) or self.days[upper - 1] == utc_julian_day:
            return self.dut1[upper - 1]
        before, after = self.days[upper - 1], self.days[upper]
        f = (utc_julian_day - before) / (after - before)
        return self.dut1[upper - 1] * (1.0 - f) + self.dut1[upper] * f


@dataclass(frozen=True)
class TimeScales:
    leap_seconds: LeapSeconds
    dut1: Optional[Dut1Table]

    def convert(self, julian_day: float, source: str, target: str) -> float:
        """The same instant as a Julian day in another scale."""
        if source == target:
            return julian_day
        return self._from_utc(self._to_utc(julian_day, source), target)

    def _table(self) -> Dut1Table:
        if self.dut1 is None:
            raise CommandError("UT1 needs an EOP table: install the default data "
                             "(pip install 'orbyx[data]') or name one with --eop")
        return self.dut1

    def _to_utc(self, julian_day: float, scale: str) -> float:
        if scale == "utc":
            return julian_day
        if scale == "ut1":
            utc = julian_day
            for _ in range(3):
                utc = julian_day - self._table().at(utc) / SECONDS_PER_DAY
            return utc
        tt = julian_day
        if scale == "tdb":
            seconds = (julian_day - J2000_JULIAN_DAY) * SECONDS_PER_DAY
            tt = (seconds - self.leap_seconds.tdb_minus_tt(seconds)) / SECONDS_PER_DAY + J2000_JULIAN_DAY
        utc = tt - (self.leap_seconds.entry_offsets[-1] + self.leap_seconds.delta_t_a) / SECONDS_PER_DAY
        for _ in range(3):
            utc = tt - (self.leap_seconds.tai_minus_utc(utc) + self.leap_seconds.delta_t_a) / SECONDS_PER_DAY
        return utc

    def _from_utc(self, utc: float, scale: str) -> float:
        if scale == "utc":
            return utc
        if scale == "ut1":
            return utc + self._table().at(utc) / SECONDS_PER_DAY
        tt = utc + (self.leap_seconds.tai_minus_utc(utc) + self.leap_seconds.delta_t_a) / SECONDS_PER_DAY
        if scale == "tt":
            return tt
        seconds = (tt - J2000_JULIAN_DAY) * SECONDS_PER_DAY
        return (seconds + self.leap_seconds.tdb_minus_tt(seconds)) / SECONDS_PER_DAY + J2000_JULIAN_DAY
